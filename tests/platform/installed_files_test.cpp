// An installed program keeps its help file with its data, <prefix>/share/vel7m, and finds it
// there from its own folder when the program folder has none.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

TEST(InstalledFiles, HelpFileMissingFromTheProgramFolderIsFoundWithTheData) {
    CWinApp app;
    uitest::ScriptedBoxes boxes;
    GetSystemMetrics(SM_CXSCREEN);  // the window system is up, so the program's folder is known
    // This test program stands for the installed one: its data folder is where an installed
    // vel7m's would be. The file name is the test's own, so no real help file is touched.
    namespace fs = std::filesystem;
    const fs::path data =
        fs::path(QCoreApplication::applicationDirPath().toStdString()) / "../share/vel7m";
    const fs::path installed = data / "installed-files-test.hlp";
    fs::create_directories(data);
    fs::copy_file(uitest::SourcePath("res/vel7m.hlp"), installed,
                  fs::copy_options::overwrite_existing);

    uitest::TempDir program;  // VelDir, without a help file
    const std::string inProgram = program.File("installed-files-test.hlp");
    EXPECT_TRUE(WinHelpA(nullptr, inProgram.c_str(), HELP_CONTEXT, 18));
    EXPECT_EQ(platform_test::HelpTopicShown(), 18);
    WinHelpA(nullptr, nullptr, HELP_QUIT, 0);

    // One in the program folder comes first, even when it is damaged.
    program.Write("installed-files-test.hlp", "not a help file\n");
    EXPECT_FALSE(WinHelpA(nullptr, inProgram.c_str(), HELP_CONTEXT, 18));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find(program.Path()), std::string::npos);

    fs::remove(installed);
    std::error_code ignored;
    fs::remove(data, ignored);  // only when the test made it (it is empty then)
    fs::remove(data.parent_path(), ignored);
}

}  // namespace
