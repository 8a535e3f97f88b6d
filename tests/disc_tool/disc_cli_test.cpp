// vel7m-disc as a user runs it, together with vel7m-search on what it wrote.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
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

// vel7m-disc as a child whose end the test waits for: its output goes to files in `dir`, and
// `signal` is sent after `delay` unless it has ended by then. A child that outlives `limit`
// is killed and reported as status -1.
struct Child {
    int status = -1;
    long peakKb = 0;
    std::string err;
};
Child RunChild(const std::string& dir, const std::vector<std::string>& args, int signal = 0,
               std::chrono::milliseconds delay = {},
               std::chrono::seconds limit = std::chrono::seconds(60)) {
    std::vector<char*> argv{const_cast<char*>(VEL7M_DISC)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string err = dir + "child.err";
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    Child child;
    const int spawned = posix_spawn(&pid, VEL7M_DISC, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        return child;
    const auto start = std::chrono::steady_clock::now();
    bool signalled = signal == 0;
    int raw = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &raw, WNOHANG, &usage);
        if (done == pid)
            break;
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!signalled && elapsed >= delay) {
            kill(pid, signal);
            signalled = true;
        }
        if (elapsed > limit) {
            kill(pid, SIGKILL);
            wait4(pid, &raw, 0, &usage);
            return child;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    child.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    child.peakKb = usage.ru_maxrss;
    const std::vector<unsigned char> text = ReadFileBytes(err);
    child.err.assign(text.begin(), text.end());
    return child;
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

TEST(DiscCommand, BuildSkipsARowOfMillionsOfCommasInLittleMemory) {
    TempDir dir;
    WriteText(dir / "people.csv",
              "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n"
              "Smith,John,,,,,,\n" +
                  std::string(20 << 20, ',') + "\nJones,Mary,,,,,,\n");
    const Child build = RunChild(dir.Path(), {"build", "--from", dir / "people.csv", "--out",
                                              dir / "set", "--memory", "16"});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_NE(build.err.find("people.csv:3: row: 20,971,521 fields, more than the 1,024 a row "
                             "may have; row skipped"),
              std::string::npos)
        << build.err;
    EXPECT_LT(build.peakKb, 200 * 1024) << "kB at the peak";
    EXPECT_EQ(SearchSet(dir / "set", "smith").size(), 1u);
    EXPECT_EQ(SearchSet(dir / "set", "jones").size(), 1u);
}

TEST(DiscCommand, ABuildFromAnEndlessRowStopsAtTheFirstInterrupt) {
    for (const char* format : {"csv", "dmf"}) {
        TempDir dir;
        const auto started = std::chrono::steady_clock::now();
        const Child build = RunChild(
            dir.Path(),
            {"build", "--from", "/dev/zero", "--input-format", format, "--out", dir / "set"},
            SIGINT, std::chrono::milliseconds(500), std::chrono::seconds(20));
        EXPECT_EQ(build.status, 130) << format << ": killed after 20 s: " << build.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << format;
        EXPECT_NE(build.err.find("interrupted"), std::string::npos) << format << build.err;
        EXPECT_FALSE(fs::exists(dir / "set")) << format;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
            << format << ": only the child's error output";
    }
}

TEST(DiscCommand, StatsOfAMissingOrDamagedSetFailsWithTheProblemAndNoCounts) {
    TempDir dir;
    const std::string good = dir / "good";
    ASSERT_EQ(Disc({"demo", "--out", good, "--records", "3000"}).status, 0);
    const std::vector<unsigned char> tree = ReadFileBytes(good + "/disc1/gst3.tre");
    ASSERT_GT(tree.size(), 128u);
    const auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(tree[at] | tree[at + 1] << 8 | tree[at + 2] << 16 |
                                          tree[at + 3] << 24);
    };
    const std::uint32_t root = le32(0);
    struct Case {
        const char* name;
        std::function<void(const std::string& set)> damage;
        const char* problem;
    };
    const Case cases[] = {
        {"no set at all", [](const std::string& set) { fs::remove_all(set); },
         "the folder of disc 1 is missing"},
        {"a tree whose first child is its root",
         [&](const std::string& set) {
             std::vector<unsigned char> cyclic = tree;
             for (int i = 0; i < 4; ++i)
                 cyclic[root + 100 + i] = static_cast<unsigned char>(root >> (8 * i));
             WriteFileBytes(set + "/disc1/gst3.tre", cyclic);
         },
         "is reached a second time"},
        {"a tree without its last byte",
         [&](const std::string& set) {
             WriteFileBytes(set + "/disc1/gst3.tre",
                            std::vector<unsigned char>(tree.begin(), tree.end() - 1));
         },
         "disc1/gst3.tre"},
    };
    for (const Case& c : cases) {
        const std::string set = dir / "damaged";
        fs::remove_all(set);
        fs::copy(good, set, fs::copy_options::recursive);
        c.damage(set);
        const CommandResult stats = Disc({"stats", set});
        EXPECT_EQ(stats.status, 1) << c.name;
        EXPECT_NE(stats.err.find(c.problem), std::string::npos) << c.name << ": " << stats.err;
        EXPECT_EQ(stats.out, "") << c.name;
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
