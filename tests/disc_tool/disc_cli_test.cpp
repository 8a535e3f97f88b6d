// vel7m-disc as a user runs it, together with vel7m-search on what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "disc_tool_support.h"
#include "run_command.h"
#include "test_discs.h"

namespace fs = std::filesystem;

namespace {

CommandResult Disc(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    return RunCommand(VEL7M_DISC, args, env);
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(DiscCommand, DemoThenSearchCheckAndStats) {
    TempDir dir;
    const std::string set = dir / "demo";
    const CommandResult demo = Disc({"demo", "--out", set, "--records", "30000", "--seed", "2"});
    ASSERT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(Lines(demo.out), 2) << "a short summary";
    EXPECT_NE(demo.out.find("30,000 records"), std::string::npos) << demo.out;
    EXPECT_TRUE(demo.err.empty()) << "no progress bar without a terminal: " << demo.err;

    const CommandResult search = RunCommand(
        VEL7M_SEARCH, {"--disc1", set + "/disc1", "--disc2", set + "/disc2", "--surname", "smith"});
    ASSERT_EQ(search.status, 0) << search.err;
    const int found = std::atoi(search.out.c_str());
    EXPECT_GE(found, 250) << search.out.substr(0, 80);  // about 1% of the records
    EXPECT_EQ(search.out.find(" records found.\n"), std::to_string(found).size());
    // The settings file is all the program needs.
    const CommandResult bySettings =
        RunCommand(VEL7M_SEARCH, {"--surname", "smith"}, {"WINDIR=" + set});
    EXPECT_EQ(bySettings.out, search.out) << bySettings.err;

    const CommandResult check = Disc({"check", set});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out.rfind("check: no problems (30,000 records, ", 0), 0u) << check.out;
    const CommandResult stats = Disc({"stats", set});
    EXPECT_EQ(stats.status, 0);
    EXPECT_NE(stats.out.find("   1  SMITH "), std::string::npos) << stats.out;
}

TEST(DiscCommand, CheckPrintsEachProblemWithFileAndOffsetAndFails) {
    TempDir dir;
    const std::string set = dir / "demo";
    ASSERT_EQ(Disc({"demo", "--out", set, "--records", "2000"}).status, 0);
    std::vector<unsigned char> tree = ReadFileBytes(set + "/disc2/gst12.tre");
    tree.back() = 0;
    WriteFileBytes(set + "/disc2/gst12.tre", tree);
    fs::remove(set + "/disc1/disc1.id");

    const CommandResult check = Disc({"check", set});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("disc1/disc1.id: missing"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("disc2/gst12.tre: " + std::to_string(tree.size() - 1) +
                             ": the last byte is 0, not 4"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("check: 2 problem(s)"), std::string::npos) << check.out;
}

TEST(DiscCommand, BuildReportsProblemRowsByLineAndStrictWritesNothing) {
    TempDir dir;
    WriteText(dir / "people.csv",
              "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n"
              "Smith,John,1901-03-07,1975-12-31,123-45-6789,OH,,\n"
              "Smith,Ann,1901-13-07,,,,,\n");
    const CommandResult strict =
        Disc({"build", "--from", dir / "people.csv", "--out", dir / "set", "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("people.csv:3: birth: month 13 is impossible"), std::string::npos)
        << strict.err;
    EXPECT_FALSE(fs::exists(dir / "set"));

    const CommandResult build = Disc({"build", "--from", dir / "people.csv", "--out", dir / "set"});
    EXPECT_EQ(build.status, 0) << build.err;
    EXPECT_NE(build.out.find("1 row(s) with problems"), std::string::npos) << build.out;
    EXPECT_EQ(SearchSet(dir / "set", "smith").size(), 2u);
}

TEST(DiscCommand, RefusesWrongCommandLines) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"bake"},
        {"build", "--out", "x"},
        {"build", "--from", "a.csv", "--out", "x", "--memory", "8"},
        {"demo"},
        {"demo", "--out", "x", "--records", "0"},
        {"demo", "--out", "x", "--records", "12ab"},
        {"check"},
        {"check", "a", "b"},
        {"stats", "--disc1", "a"},
        {"check", "--colour", "x"},
    };
    for (const auto& args : wrong)
        EXPECT_EQ(Disc(args).status, 2) << (args.empty() ? "" : args[0]);
    for (const char* command : {"build", "demo", "check", "stats"}) {
        const CommandResult help = Disc({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: vel7m-disc ", 0), 0u);
    }
}

TEST(DiscCommand, BothCommandsTellTheProjectsVersion) {
    const struct {
        const char* program;
        std::string expected;
    } cases[] = {{VEL7M_DISC, std::string("vel7m-disc ") + VEL7M_VERSION + "\n"},
                 {VEL7M_SEARCH, std::string("vel7m-search ") + VEL7M_VERSION + "\n"}};
    for (const auto& c : cases) {
        const CommandResult run = RunCommand(c.program, {"--version"});
        EXPECT_EQ(run.status, 0) << c.program;
        EXPECT_EQ(run.out, c.expected);
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
}
