// Progress bars, static texts that wrap, the folder picker, and keeping windows painted while
// the program waits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "afxdlgs.h"
#include "test_access.h"
#include "ui_test_support.h"

namespace {

struct Parent {
    CWinApp app;
    CWnd window;
    Parent() {
        EXPECT_TRUE(window.CreateEx(0, nullptr, "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    400, 200, nullptr, nullptr));
        app.m_pMainWnd = &window;
    }
    ~Parent() {
        app.m_pMainWnd = nullptr;
        window.DestroyWindow();
    }
};

TEST(ProgressBar, KeepsItsPositionInsideItsRange) {
    Parent p;
    CWnd bar;
    ASSERT_TRUE(bar.CreateEx(0, PROGRESS_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 10,
                             p.window.m_hWnd, reinterpret_cast<HMENU>(7)));
    EXPECT_EQ(bar.SendMessage(PBM_GETPOS), 0) << "starts at the bottom";
    EXPECT_EQ(bar.SendMessage(PBM_GETRANGE, FALSE), 100) << "of 0 to 100";
    struct Step {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT position;  // afterwards
    };
    const Step steps[] = {
        {PBM_SETPOS, 40, 0, 40},
        {PBM_SETPOS, 500, 0, 100},  // past the end: the end
        {PBM_SETRANGE32, 0, 1000, 0},
        {PBM_SETPOS, 999, 0, 999},
        {PBM_SETPOS, static_cast<WPARAM>(-5), 0, 0},  // before the start: the start
        {PBM_SETRANGE32, 10, 10, 10},                 // an empty range holds still
        {PBM_SETPOS, 50, 0, 10},
    };
    for (const Step& s : steps) {
        bar.SendMessage(s.message, s.wParam, s.lParam);
        EXPECT_EQ(bar.SendMessage(PBM_GETPOS), s.position) << s.message << " " << s.wParam;
    }
    auto* widget = qobject_cast<QProgressBar*>(platform_test::Widget(&bar));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->value(), 10);
    EXPECT_GT(widget->maximum(), widget->minimum()) << "never Qt's busy indicator";
    bar.DestroyWindow();
}

TEST(StaticText, WrapsBetweenWordsUnlessToldNotTo) {
    Parent p;
    struct Case {
        DWORD style;
        bool wraps;
    };
    for (Case c : {Case{SS_LEFT, true}, Case{SS_LEFTNOWORDWRAP, false}}) {
        CWnd text;
        ASSERT_TRUE(text.CreateEx(0, "STATIC", "several words that do not fit on one line",
                                  WS_CHILD | WS_VISIBLE | c.style, 0, 0, 60, 80, p.window.m_hWnd,
                                  nullptr));
        auto* label = qobject_cast<QLabel*>(platform_test::Widget(&text));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->wordWrap(), c.wraps) << c.style;
        text.DestroyWindow();
    }
}

TEST(FolderPicker, GivesTheChosenFolderAsTheFileSystemNamesIt) {
    Parent p;
    uitest::TempDir dir;
    // Not Latin-1: the name must come back as the same bytes, not re-encoded.
    const std::string folder = dir.File("Ahnenforschung \xC5\x81\xC3\xB3\xC4\x91\xC5\xBA");
    std::filesystem::create_directory(folder);

    CFolderPickerDialog picker(dir.Path().c_str(), 0, &p.window);
    picker.m_ofn.lpstrTitle = "Choose";
    uitest::AnswerFolderPicker(folder);
    ASSERT_EQ(picker.DoModal(), IDOK);
    EXPECT_EQ(std::string(picker.GetPathName()), folder);
    EXPECT_TRUE(std::filesystem::is_directory(std::string(picker.GetFolderPath())));

    CFolderPickerDialog cancelled(dir.Path().c_str(), 0, &p.window);
    uitest::AnswerFolderPicker("");
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(std::string(cancelled.GetPathName()), "");
}

TEST(MessagePump, DeliversWhatIsPendingAndHandsNothingBack) {
    Parent p;
    bool delivered = false;
    QTimer::singleShot(0, [&delivered] { delivered = true; });
    p.window.PostMessage(WM_USER);  // a message with no handler, delivered all the same
    MSG msg;
    msg.message = 12345;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(delivered) << "PM_NOREMOVE delivers nothing";
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(delivered);
    EXPECT_EQ(msg.message, 0u) << "no message is handed to the caller";
}

}  // namespace
