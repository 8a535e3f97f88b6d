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
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
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

}  // namespace

void afx::CloseHelp() {
    if (g_helpWindow)
        delete g_helpWindow.data();
    g_topicShown = -1;
}

BOOL WinHelpA(HWND, LPCSTR helpFile, UINT command, ULONG_PTR data) {
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
        g_helpWindow = new QTextBrowser;
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setOpenLinks(false);
        g_helpWindow->resize(520, 440);
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
