// The help window. Our help file is UTF-8 text:
//
//   VEL7M HELP 1                 first line, names the format
//   @topic 18 Searching the index  starts topic 18 with its title
//   == A heading                 a sub-heading inside a topic
//   - an item                    a list item
//   [[20|the codes]]             a link to topic 20
//   # a comment
//
// Blank lines separate paragraphs. HELP_CONTEXT shows the topic with that number (the first
// topic when there is none), HELP_QUIT closes the window.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "internal.h"
#include "test_access.h"

namespace {

constexpr qint64 kMaxHelpFile = 1024 * 1024;

struct HelpTopic {
    QString title;
    QString html;
};

struct HelpFile {
    std::map<int, HelpTopic> topics;
    int first = -1;
};

// The help window's size when the screen has room for it, and the narrowest it gets to fit
// beside the program's window.
constexpr int kHelpWidth = 520;
constexpr int kHelpHeight = 440;
constexpr int kHelpMinWidth = 360;

// Escape closes the help, as it closes the program's dialogs.
class HelpBrowser : public QTextBrowser {
  protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
            close();
            return;
        }
        QTextBrowser::keyPressEvent(e);
    }
};

QPointer<QTextBrowser> g_helpWindow;
HelpFile g_help;
int g_topicShown = -1;

QString Inline(const QString& text) {
    QString html = text.toHtmlEscaped();
    static const QRegularExpression link(QStringLiteral("\\[\\[(\\d{1,9})\\|([^\\]]*)\\]\\]"));
    html.replace(link, QStringLiteral("<a href=\"topic:\\1\">\\2</a>"));
    return html;
}

bool Parse(const QByteArray& bytes, HelpFile& out) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.front().trimmed().startsWith("VEL7M HELP 1"))
        return false;
    HelpTopic* topic = nullptr;
    QString paragraph;
    bool inList = false;
    auto endParagraph = [&] {
        if (topic != nullptr && !paragraph.isEmpty())
            topic->html += "<p>" + paragraph + "</p>";
        paragraph.clear();
    };
    auto endList = [&] {
        if (topic != nullptr && inList)
            topic->html += "</ul>";
        inList = false;
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.startsWith('#'))
            continue;
        if (line.startsWith(QStringLiteral("@topic "))) {
            endParagraph();
            endList();
            QString rest = line.mid(7).trimmed();
            qsizetype space = rest.indexOf(' ');
            bool ok = false;
            int number = rest.left(space < 0 ? rest.size() : space).toInt(&ok);
            if (!ok || number < 0) {
                topic = nullptr;
                continue;
            }
            topic = &out.topics[number];
            topic->title = space < 0 ? QString() : rest.mid(space + 1).trimmed();
            topic->html = "<h2>" + topic->title.toHtmlEscaped() + "</h2>";
            if (out.first < 0)
                out.first = number;
            continue;
        }
        if (topic == nullptr)
            continue;
        if (line.isEmpty()) {
            endParagraph();
            endList();
        } else if (line.startsWith(QStringLiteral("== "))) {
            endParagraph();
            endList();
            topic->html += "<h3>" + Inline(line.mid(3)) + "</h3>";
        } else if (line.startsWith(QStringLiteral("- "))) {
            endParagraph();
            if (!inList)
                topic->html += "<ul>";
            inList = true;
            topic->html += "<li>" + Inline(line.mid(2)) + "</li>";
        } else {
            endList();
            paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + Inline(line);
        }
    }
    endParagraph();
    endList();
    return out.first >= 0;
}

void ShowTopic(int number) {
    auto it = g_help.topics.find(number);
    if (it == g_help.topics.end())
        it = g_help.topics.find(g_help.first);
    if (it == g_help.topics.end() || !g_helpWindow)
        return;
    g_topicShown = it->first;
    g_helpWindow->setHtml(it->second.html);
    g_helpWindow->setWindowTitle(QString::fromLatin1(AfxGetAppName()) + QStringLiteral(" Help - ") +
                                 it->second.title);
}

// The work area, or the screen where none is known.
QRect WorkArea() {
    RECT r{};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0) && r.right > r.left && r.bottom > r.top)
        return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

// The frame a window manager puts round a top-level window, or the platform's nominal one
// while none is known (before the window is first shown, or offscreen).
QMargins FrameMargins(const QWidget* w) {
    QRect outer = w->frameGeometry();
    QRect inner = w->geometry();
    QMargins m(inner.left() - outer.left(), inner.top() - outer.top(),
               outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (m.isNull())
        m = QMargins(kFrameBorder, kFrameBorder + kCaptionHeight, kFrameBorder, kFrameBorder);
    return m;
}

// Where a window of `size` (outer) goes beside `owner`: to its right, else to its left, where
// it fits inside `area`; narrower, down to `minWidth`, where neither side has room for all of
// it; and failing that on the side with more room, against the edge of the area, so that it
// covers as little of the owner as it can.
QRect PlaceBeside(const QRect& owner, QSize size, int minWidth, const QRect& area) {
    size = size.boundedTo(area.size());
    if (!owner.isValid()) {
        return QRect(area.left() + (area.width() - size.width()) / 2,
                     area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
    }
    int top = std::clamp(owner.top(), area.top(), area.bottom() + 1 - size.height());
    int roomRight = area.right() - owner.right();
    int roomLeft = owner.left() - area.left();
    int width = size.width();
    if (roomRight < width && roomLeft < width) {
        // Narrower, down to a readable width, to stay clear of the window.
        width = std::max({std::min(std::max(roomRight, roomLeft), width), minWidth});
        width = std::min(width, size.width());
    }
    QRect placed(0, top, width, size.height());
    if (roomRight >= width || roomRight >= roomLeft) {
        placed.moveLeft(std::min(owner.right() + 1, area.right() + 1 - width));
    } else {
        placed.moveLeft(std::max(owner.left() - width, area.left()));
    }
    return placed;
}

// Opens the help beside the window it belongs to, inside the work area.
void PlaceHelpWindow(QTextBrowser* help, HWND owner) {
    HWND top = owner;
    while (afx::IsLiveWindow(top) && top->parent != nullptr)
        top = top->parent;
    if (!afx::IsLiveWindow(top) || !top->widget) {
        CWnd* main = AfxGetMainWnd();
        top = main != nullptr ? main->m_hWnd : nullptr;
    }
    QWidget* window = afx::IsLiveWindow(top) && top->widget ? top->widget->window() : nullptr;
    QRect area = WorkArea();
    QMargins frame = FrameMargins(window != nullptr ? window : help);
    QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
    QRect outer =
        PlaceBeside(window != nullptr ? window->frameGeometry() : QRect(),
                    QSize(kHelpWidth, kHelpHeight) + extra, kHelpMinWidth + extra.width(), area);
    help->resize(outer.size() - extra);
    help->move(outer.topLeft());
}

}  // namespace

void afx::CloseHelp() {
    if (g_helpWindow)
        delete g_helpWindow.data();
    g_topicShown = -1;
}

BOOL WinHelpA(HWND hWnd, LPCSTR helpFile, UINT command, ULONG_PTR data) {
    if (command == HELP_QUIT) {
        afx::CloseHelp();
        return TRUE;
    }
    if (command != HELP_CONTEXT || helpFile == nullptr)
        return FALSE;
    afx::EnsureApplication();
    QString path = QFile::decodeName(helpFile);
    // An installed program has its help file with its data, not in the program folder.
    if (!QFileInfo::exists(path)) {
        QString installed = afx::InstalledDataFile(QFileInfo(path).fileName());
        if (!installed.isEmpty())
            path = installed;
    }
    QFile file(path);
    HelpFile parsed;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxHelpFile ||
        !Parse(file.read(kMaxHelpFile), parsed)) {
        std::string text = std::string("Cannot open the help file ") + helpFile + ".";
        MessageBoxA(nullptr, text.c_str(), AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    g_help = std::move(parsed);
    if (!g_helpWindow) {
        g_helpWindow = new HelpBrowser;
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setOpenLinks(false);
        PlaceHelpWindow(g_helpWindow, hWnd);
        QObject::connect(g_helpWindow.data(), &QTextBrowser::anchorClicked, g_helpWindow.data(),
                         [](const QUrl& url) {
                             if (url.scheme() == QStringLiteral("topic"))
                                 ShowTopic(url.path().toInt());
                         });
        QObject::connect(g_helpWindow.data(), &QObject::destroyed, [] { g_topicShown = -1; });
    }
    ShowTopic(static_cast<int>(data));
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
    return TRUE;
}

namespace platform_test {
int HelpTopicShown() {
    return g_helpWindow ? g_topicShown : -1;
}
}  // namespace platform_test
