#include "ui_test_support.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// The window tests need no display; a test binary started by hand behaves as under ctest.
const bool g_offscreen = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return true;
}();

}  // namespace

namespace uitest {

TempDir::TempDir() {
    char pattern[] = "/tmp/vel7m-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(File(name), std::ios::binary);
    out << content;
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name))
        m_old = old;
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (m_old) {
        setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

ScriptedBoxes::ScriptedBoxes(std::initializer_list<int> answers) {
    AfxGetGuiHost().StartScript(answers);
    m_previous = InstallHost(&AfxGetGuiHost());
}

ScriptedBoxes::~ScriptedBoxes() {
    AfxGetGuiHost().StopScript();
    InstallHost(m_previous);
}

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void FlushEvents() {
    if (QCoreApplication::instance() == nullptr)
        return;
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void ClearQuitRequest() {
    if (QCoreApplication::instance() == nullptr)
        return;
    // The application's own loop starts and ends with a clear request.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

std::vector<MenuItem> MenuItems(const QMenu* menu) {
    std::vector<MenuItem> items;
    if (menu == nullptr)
        return items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        MenuItem item;
        QString text = action->text().section('\t', 0, 0);
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        item.text = text.toStdString();
        item.enabled = action->isEnabled();
        item.checked = action->isCheckable() && action->isChecked();
        item.bullet = action->actionGroup() != nullptr && action->actionGroup()->isExclusive();
        items.push_back(item);
    }
    return items;
}

void WhenMenu(std::function<void(QMenu*)> inside) {
    QTimer::singleShot(0, [inside] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        EXPECT_NE(menu, nullptr) << "no shortcut menu opened";
        if (menu == nullptr)
            return;
        QPointer<QMenu> open(menu);
        inside(menu);
        if (open && open->isVisible())
            open->close();  // never leave a test waiting in the menu's loop
    });
}

bool ChooseMenuItem(QMenu* menu, const std::string& text) {
    for (QAction* action : menu->actions()) {
        QString shown = action->text().section('\t', 0, 0);
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        if (action->isSeparator() || !action->isEnabled() || shown.toStdString() != text)
            continue;
        menu->setActiveAction(action);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
        return true;
    }
    return false;
}

void OpenContextMenu(QWidget* widget, const QPoint* at) {
    const QPoint local = at != nullptr ? *at : widget->rect().center();
    QContextMenuEvent event(at != nullptr ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard,
                            local, widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &event);
}

void AnswerFolderPicker(const std::string& folder) {
    QTimer::singleShot(0, [folder] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        if (folder.empty()) {
            dialog->reject();
            return;
        }
        // Opened in the folder with no name typed: the folder itself is the choice.
        dialog->setDirectory(QFile::decodeName(folder.c_str()));
        dialog->selectFile(QString());
        static_cast<QDialog*>(dialog)->accept();  // as its Choose button does
    });
}

std::string SourcePath(const std::string& relative) {
    return std::string(VEL7M_SOURCE_DIR) + "/" + relative;
}

}  // namespace uitest
