#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>
#include <cstdlib>

#include "file_identity.h"
#include "widgets.h"

namespace {

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The window a box belongs to: the active one of ours, else the main window.
QWidget* OwnerWidget() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    CWnd* main = AfxGetMainWnd();
    return main != nullptr && afx::IsLiveWindow(main->m_hWnd) ? main->m_hWnd->widget.data()
                                                              : nullptr;
}

// Makes a box at least as wide as its caption needs in the title bar: a window manager cuts
// a caption short ("Vavaze ... re Rizuz") where the box is only as wide as a short text (Qt
// allows 50 pixels beside the caption). The bar's font is the window manager's; a bold one
// of ours stands for it, with room for the bar's icon and three buttons, each about as wide
// as the bar is tall, and one bar more for its margins.
void FitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr || box.windowTitle().isEmpty())
        return;
    QFont font = box.font();
    font.setBold(true);
    QFontMetrics metrics(font);
    int bar = std::max(metrics.height() + 6, kCaptionHeight);
    int needed = metrics.horizontalAdvance(box.windowTitle()) + 5 * bar;
    if (QScreen* screen = box.screen())
        needed = std::min(needed, screen->availableGeometry().width() * 3 / 4);
    QMargins margins = grid->contentsMargins();
    int content = needed - margins.left() - margins.right();
    if (content <= 0)
        return;
    // The box sizes itself to its layout when shown, so the width goes in as a layout item.
    grid->addItem(new QSpacerItem(content, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Events are let run at most this often: often enough to keep the windows painted and to
// answer Escape at once, seldom enough to cost a long search nothing.
constexpr std::chrono::milliseconds kEventInterval{15};

}  // namespace

// Installed on the application once, after the keyboard's message filter, so it sees every
// event first; it takes nothing unless KeepAlive is running events.
class LongWorkFilter : public QObject {
  public:
    explicit LongWorkFilter(GuiHost* host) : m_host(host) {}
    bool eventFilter(QObject*, QEvent* event) override {
        return m_host->TakeInputDuringLongWork(event);
    }

  private:
    GuiHost* m_host;
};

GuiHost& AfxGetGuiHost() {
    static GuiHost host;
    return host;
}

int GuiHost::ShowMessage(const char* text, const char* caption, unsigned style) {
    bool okCancel = (style & MB_TYPEMASK) == MB_OKCANCEL;
    if (m_scripted) {
        int answer = okCancel ? IDCANCEL : IDOK;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        if (!okCancel)
            answer = IDOK;
        m_shown.push_back(
            {text != nullptr ? text : "", caption != nullptr ? caption : "", style, answer});
        return answer;
    }
    afx::EnsureApplication();
    QMessageBox box(IconOf(style), afx::FromAnsi(caption != nullptr ? caption : ""),
                    afx::FromAnsi(text != nullptr ? text : ""), QMessageBox::NoButton,
                    OwnerWidget());
    box.setWindowModality(Qt::ApplicationModal);
    afx::ApplyDialogColours(&box);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = okCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
    box.setDefaultButton(ok);
    // Escape or the close box answer Cancel, or OK when there is no Cancel.
    box.setEscapeButton(cancel != nullptr ? cancel : ok);
    FitCaption(box);
    // Other copies can raise this box like any window of ours.
    HWND handle = afx::RegisterForeignWindow(&box, "#32770");
    afx::EventScope scope;
    // The box shows the arrow, as its own window class would, even while the program waits.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    afx::UnregisterForeignWindow(handle);
    int answer = box.clickedButton() == ok || cancel == nullptr ? IDOK : IDCANCEL;
    m_shown.push_back(
        {text != nullptr ? text : "", caption != nullptr ? caption : "", style, answer});
    return answer;
}

const char* GuiHost::ProgramDir() const {
    return m_programDir != nullptr && *m_programDir != nullptr ? *m_programDir : "";
}

const char* GuiHost::DiscDir(int disc) const {
    const char* dir = disc == 2 ? m_disc2Dir : m_disc1Dir;
    return dir != nullptr ? dir : "";
}

void GuiHost::Exit(int status) {
    if (m_scripted) {
        m_exits.push_back(status);
        return;
    }
    std::exit(status);
}

FileStatus GuiHost::IdentifyFile(const char* path, FileIdentity& identity) const {
    return IdentifyFileByStat(path, identity);
}

const char* GuiHost::AppTitle() const {
    return AfxGetAppName();
}

void GuiHost::BindDirectories(char* const* programDir, const char* disc1Dir, const char* disc2Dir) {
    m_programDir = programDir;
    m_disc1Dir = disc1Dir;
    m_disc2Dir = disc2Dir;
}

void GuiHost::UnbindDirectories() {
    BindDirectories(nullptr, nullptr, nullptr);
}

void GuiHost::StartScript(std::initializer_list<int> answers) {
    m_scripted = true;
    m_answers.assign(answers.begin(), answers.end());
    m_shown.clear();
    m_exits.clear();
}

void GuiHost::QueueAnswer(int answer) {
    m_answers.push_back(answer);
}

void GuiHost::StopScript() {
    m_scripted = false;
    m_answers.clear();
}

void GuiHost::BeginLongWork() {
    m_cancelled = false;
    m_lastEvents = {};
}

bool GuiHost::KeepAlive() {
    if (m_cancelled || QApplication::instance() == nullptr || m_keepingAlive > 0)
        return !m_cancelled;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastEvents < kEventInterval)
        return true;
    static LongWorkFilter* filter = nullptr;
    if (filter == nullptr) {
        filter = new LongWorkFilter(this);
        filter->setParent(QApplication::instance());
        QApplication::instance()->installEventFilter(filter);
    }
    ++m_keepingAlive;
    QApplication::processEvents(QEventLoop::AllEvents);
    --m_keepingAlive;
    m_lastEvents = std::chrono::steady_clock::now();
    return !m_cancelled;
}

bool GuiHost::TakeInputDuringLongWork(QEvent* event) {
    if (m_keepingAlive == 0)
        return false;
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_cancelled = true;
            return true;
        case QEvent::Close:
            // The window manager's close box: the search stops, the window stays.
            if (!event->spontaneous())
                return false;
            m_cancelled = true;
            event->ignore();
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}
