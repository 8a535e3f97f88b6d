#include "staged_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "disc_tool_support.h"
#include "test_discs.h"

namespace fs = std::filesystem;
using disctool::StagedDiscSet;
using std::chrono::seconds;

namespace {

// Names in `dir` that start with a dot: the work folders beside a set.
std::set<std::string> Hidden(const TempDir& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        if (name[0] == '.')
            names.insert(name);
    }
    return names;
}

void MakeFolder(const std::string& path) {
    fs::create_directories(path);
    WriteText(path + "/data", "left behind");
}

}  // namespace

// What a new build clears away beside its destination, and what it must leave alone.
TEST(StagedDiscSetTest, ANewBuildRemovesOnlyAbandonedWorkFolders) {
    TempDir dir;
    const std::string set = dir / "set";
    MakeFolder(dir / ".set.partial-a1B2c3");    // killed while writing
    MakeFolder(dir / ".set.old-Zz9911");        // killed while removing the old set
    MakeFolder(dir / ".set.partial-short");     // not a name the tool makes
    MakeFolder(dir / ".other.partial-a1B2c3");  // another set's
    MakeFolder(dir / ".set.keep");
    WriteText(dir / ".set.partial-file00", "a file, not a folder");
    fs::create_directory_symlink(dir / ".set.keep", dir / ".set.partial-link00");

    std::string error;
    {
        // Folders changed within the grace period are left alone, locked or not.
        StagedDiscSet patient;
        ASSERT_TRUE(patient.Begin(set, error, seconds(3600))) << error;
        EXPECT_EQ(Hidden(dir).count(".set.partial-a1B2c3"), 1u);
    }

    // A build that is still running holds its folder.
    StagedDiscSet running;
    ASSERT_TRUE(running.Begin(set, error, seconds(0))) << error;
    const std::string runningName = running.StagingDir().filename().string();

    StagedDiscSet next;
    ASSERT_TRUE(next.Begin(set, error, seconds(0))) << error;
    const std::set<std::string> expected = {".set.partial-short",
                                            ".other.partial-a1B2c3",
                                            ".set.keep",
                                            ".set.partial-file00",
                                            ".set.partial-link00",
                                            runningName,
                                            next.StagingDir().filename().string()};
    EXPECT_EQ(Hidden(dir), expected);
    EXPECT_TRUE(fs::exists(dir / ".set.keep/data"));
}

TEST(StagedDiscSetTest, CommitLeavesOnlyTheSetAndKeepsTheOldProgramFolder) {
    TempDir dir;
    const std::string set = dir / "set";
    std::string error;
    {
        StagedDiscSet first;
        ASSERT_TRUE(first.Begin(set, error)) << error;
        WriteText(first.Disc1Dir() + "disc1.id", "1");
        ASSERT_TRUE(first.Commit(error)) << error;
    }
    WriteText(set + "/program/notes.txt", "mine");
    {
        StagedDiscSet second;
        ASSERT_TRUE(second.Begin(set, error)) << error;
        WriteText(second.Disc1Dir() + "disc1.id", "2");
        ASSERT_TRUE(second.Commit(error)) << error;
    }
    EXPECT_TRUE(Hidden(dir).empty());
    const auto files = Snapshot(set);
    EXPECT_EQ(files.at("disc1/disc1.id"), std::vector<unsigned char>{'2'});
    EXPECT_EQ(files.count("program/notes.txt"), 1u);
    EXPECT_EQ(files.count("brisel.ini"), 1u);
}
