// Message boxes through the GUI host's test hook, the help window, the named mutex.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>
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
