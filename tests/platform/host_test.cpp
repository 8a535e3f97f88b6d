// Message boxes through the GUI host's test hook, the help window, the named mutex.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <filesystem>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

TEST(MessageBoxes, CaptionsIconsAndAnswersAreRecorded) {
    CWinApp app;
    uitest::ScriptedBoxes boxes({IDCANCEL, IDOK, IDCANCEL});
    EXPECT_EQ(AfxMessageBox("Insert disc 2", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Insert disc 2", MB_OKCANCEL | MB_ICONQUESTION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Couldn't load background", nullptr, MB_OK | MB_ICONINFORMATION),
              IDOK)
        << "an OK box answers OK whatever was queued";
    EXPECT_EQ(AfxMessageBox("No more answers", MB_OKCANCEL), IDCANCEL) << "an empty queue cancels";

    const auto& shown = boxes.Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].caption, kAppTitle) << "the framework's boxes carry the application title";
    EXPECT_EQ(shown[0].style, MB_OKCANCEL | MB_ICONEXCLAMATION) << "no icon asked: exclamation";
    EXPECT_EQ(shown[1].style, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(shown[2].text, "Couldn't load background");
    EXPECT_EQ(shown[2].caption, "Error") << "an owner-less box without caption";
    EXPECT_EQ(shown[2].style, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(shown[3].answer, IDCANCEL);
}

TEST(MessageBoxes, ABoxShownWhileTheProgramWaitsHasTheArrowAndTheWaitCursorReturns) {
    CWinApp app;
    CWnd window;  // the window system is up
    ASSERT_TRUE(
        window.CreateEx(0, nullptr, "waiting", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    Qt::CursorShape during = Qt::BlankCursor;
    QTimer::singleShot(0, [&during] {
        QCursor* cursor = QApplication::overrideCursor();
        during = cursor != nullptr ? cursor->shape() : Qt::BlankCursor;
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    AfxGetGuiHost().ShowMessage("Please insert the disc", kAppTitle, MB_OKCANCEL);
    EXPECT_EQ(during, Qt::ArrowCursor);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

// A window manager cuts a caption short where the box is only as wide as a short text.
TEST(MessageBoxes, ABoxIsWideEnoughForItsCaptionButNotWiderThanTheScreen) {
    CWinApp app;
    CWnd window;  // the window system is up
    ASSERT_TRUE(
        window.CreateEx(0, nullptr, "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    const std::string longCaption(400, 'W');
    struct Case {
        const char* text;
        const char* caption;
    };
    const Case cases[] = {{"Please enter a surname.", kAppTitle}, {"OK?", longCaption.c_str()}};
    for (const Case& c : cases) {
        int width = 0;
        int needed = 0;
        QRect screen;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr)
                return;
            // The caption in a bold font, with an icon and three buttons in the title bar and
            // the bar's margins: six times the font's height (Qt alone allows 50 pixels).
            QFont bold = box->font();
            bold.setBold(true);
            QFontMetrics metrics(bold);
            needed =
                metrics.horizontalAdvance(QString::fromLatin1(c.caption)) + 6 * metrics.height();
            width = box->width();
            screen = box->screen()->availableGeometry();
            box->close();
        });
        AfxGetGuiHost().ShowMessage(c.text, c.caption, MB_OK | MB_ICONEXCLAMATION);
        ASSERT_GT(width, 0) << c.caption;
        EXPECT_GE(width, std::min(needed, screen.width() * 3 / 4)) << c.caption;
        EXPECT_LE(width, screen.width()) << c.caption;
    }
}

// Beside the window that asked for help, to its right or left, inside the work area; where
// neither side has room, against the edge of the area on the side with more.
TEST(Help, OpensBesideItsWindowInsideTheWorkAreaAndEscapeCloses) {
    CWinApp app;
    uitest::ScriptedBoxes boxes;
    const std::string file = uitest::SourcePath("res/vel7m.hlp");
    enum Side { kRight, kLeft, kRightEdge };
    struct Case {
        const char* what;
        RECT area;
        QPoint window;
        Side side;
    };
    const Case cases[] = {
        {"room on both sides", {0, 0, 1920, 1080}, {600, 100}, kRight},
        {"room on the left only", {0, 0, 1600, 900}, {900, 300}, kLeft},
        {"room on the right for a narrower help", {0, 0, 1024, 768}, {0, 0}, kRight},
        {"a work area away from the origin", {300, 40, 1700, 900}, {300, 40}, kRight},
        {"no room either side", {0, 0, 1024, 768}, {192, 144}, kRightEdge},
        {"a window overhanging the screen", {0, 0, 800, 600}, {-100, 500}, kRightEdge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform_test::SetWorkArea(&c.area);
        const QRect area(QPoint(c.area.left, c.area.top),
                         QPoint(c.area.right - 1, c.area.bottom - 1));
        CWnd window;
        ASSERT_TRUE(window.CreateEx(0, nullptr, "owner", WS_OVERLAPPED | WS_VISIBLE, c.window.x(),
                                    c.window.y(), 640, 480, nullptr, nullptr));
        ASSERT_TRUE(WinHelpA(window.m_hWnd, file.c_str(), HELP_CONTEXT, 18));
        QWidget* help = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowTitle().contains(" Help - "))
                help = w;
        }
        ASSERT_NE(help, nullptr);
        const QRect owner = platform_test::Widget(&window)->frameGeometry();
        const QRect shown = help->frameGeometry();
        EXPECT_TRUE(area.contains(shown))
            << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
        EXPECT_GE(shown.width(), 360) << "still readable";
        switch (c.side) {
            case kRight:
                EXPECT_GT(shown.left(), owner.right());
                break;
            case kLeft:
                EXPECT_LT(shown.right(), owner.left());
                break;
            case kRightEdge:
                EXPECT_EQ(shown.right(), area.right());
                EXPECT_GT(shown.left(), owner.left()) << "covers as little as it can";
                break;
        }
        EXPECT_EQ(shown.top(),
                  std::clamp(owner.top(), area.top(), area.bottom() + 1 - shown.height()))
            << "level with the window where the area allows";

        QWidget* focus = help->focusWidget() != nullptr ? help->focusWidget() : help;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(focus, &escape);
        uitest::FlushEvents();
        EXPECT_EQ(platform_test::HelpTopicShown(), -1) << "Escape closes the help";
        WinHelpA(nullptr, file.c_str(), HELP_QUIT, 0);
    }
    platform_test::RestoreWorkArea();
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(Help, ContextShowsItsTopicAndQuitCloses) {
    CWinApp app;
    uitest::ScriptedBoxes boxes;
    std::string file = uitest::SourcePath("res/vel7m.hlp");
    ASSERT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, 18));
    EXPECT_EQ(platform_test::HelpTopicShown(), 18);
    ASSERT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, 999999));
    EXPECT_GE(platform_test::HelpTopicShown(), 0) << "an unknown context shows the contents";
    EXPECT_NE(platform_test::HelpTopicShown(), 999999);
    EXPECT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_QUIT, 0));
    EXPECT_EQ(platform_test::HelpTopicShown(), -1);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(Help, MissingOrForeignFileIsReportedNotShown) {
    CWinApp app;
    uitest::TempDir dir;
    dir.Write("junk.hlp", std::string("\x01\x02 not a help file\n@topic 18 x\n"));
    uitest::ScriptedBoxes boxes;
    for (const std::string& file : {dir.File("absent.hlp"), dir.File("junk.hlp")}) {
        EXPECT_FALSE(WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, 18)) << file;
        EXPECT_EQ(platform_test::HelpTopicShown(), -1);
    }
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_NE(boxes.Shown()[0].text.find("absent.hlp"), std::string::npos);
}

TEST(NamedMutex, SecondCreatorSeesItExistsUntilTheHolderCloses) {
    uitest::TempDir runtime;
    uitest::ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    HANDLE first = CreateMutexA(nullptr, TRUE, "PreventAnother Test/Name");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(ReleaseMutex(first));
    HANDLE second = CreateMutexA(nullptr, TRUE, "PreventAnother Test/Name");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(ReleaseMutex(second)) << "only the holder releases";
    EXPECT_TRUE(std::filesystem::exists(runtime.File("PreventAnother_Test_Name.lock")))
        << "the name is made safe for a file name";
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(first));
    HANDLE third = CreateMutexA(nullptr, TRUE, "PreventAnother Test/Name");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(CloseHandle(third));
    EXPECT_FALSE(CloseHandle(third));
}

TEST(WorkArea, InjectedAreaAndFailure) {
    RECT area{0, 0, 1024, 768};
    platform_test::SetWorkArea(&area);
    RECT out{};
    EXPECT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &out, 0));
    EXPECT_EQ(out.right, 1024);
    platform_test::SetWorkArea(nullptr);
    EXPECT_FALSE(SystemParametersInfo(SPI_GETWORKAREA, 0, &out, 0));
    platform_test::RestoreWorkArea();
    EXPECT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &out, 0));
}

}  // namespace
