#include "build_command.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "death_index.h"
#include "disc_check.h"
#include "disc_tool_support.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "staged_output.h"
#include "test_discs.h"
#include "zip_tables.h"

namespace fs = std::filesystem;
using namespace disctool;

namespace {

std::string Zip(int zip) {
    char text[8];
    std::snprintf(text, sizeof text, "%05d", zip);
    return text;
}

const std::string kResidence = Zip(ResidenceZipTable[5000]);
const std::string kPayment = Zip(PaymentZipTable[4000]);

// One row of each kind: good ones, ones with values the records cannot hold, ones that
// cannot be stored at all, and broken CSV. Line numbers in the comments.
const std::string kPeople =
    "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment,notes\n"
    "Smith,John,1901-03-07,1975-12-31,123-45-6789,OH," +
    kResidence + "," + kPayment +
    ",ok\n"                                                         // 2
    "smith,Ann,1880-01-01,1962-02,987654321,New York,XX123,,\n"     // 3
    "SMITH,john,--05-06,1990,,36,,XXXXX,\n"                         // 4
    "M\xC3\xBCller,Zo\xC3\xAB,1920,1980-07-04,,Bavaria,,,\n"        // 5
    "\"O'Brien, Jr\",Mary,1900,1901,,,,,\n"                         // 6
    "Christophersonville,Christopher,1910-13-01,1970-02-30,,,,,\n"  // 7
    ",Nobody,,,,,,,\n"                                              // 8
    "\xE6\x9D\x8E,Wei,,,,,,,\n"                                     // 9
    "Jones,\"Mary\nAnn\",,,,,,,\n"                                  // 10-11
    "Jones,Bob,2001-01-01,1899-01-01,12345,99,99999,00027,\n"       // 12
    "Jones,Bob,1950,1960\n"                                         // 13
    "Kutnowsky,Al,,,,,,,\n"                                         // 14
    "Lee,Al,,,,,,,\n"                                               // 15
    "\"Unclosed,x\n";                                               // 16

class BuildTest : public ::testing::Test {
  protected:
    BuildTest() {
        list = dir / "people.csv";
        out = dir / "set";
        WriteText(list, kPeople);
    }

    bool Build(BuildOptions options = {}) {
        options.input = options.input.empty() ? list : options.input;
        options.outDir = out;
        options.onProblem = [this](const RowProblem& p) {
            problems.push_back({p.line, p.message.substr(0, p.message.find(':'))});
        };
        summary = BuildSummary{};
        error.clear();
        problems.clear();
        return RunBuild(options, summary, error);
    }

    // Files beside the set other than the list: staging folders left behind.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator(dir.Path())) {
            const std::string name = e.path().filename().string();
            if (name != "people.csv" && name != "set" && name != "big.csv")
                names.push_back(name);
        }
        return names;
    }

    TempDir dir;
    std::string list;
    std::string out;
    BuildSummary summary;
    std::string error;
    std::vector<std::pair<long, std::string>> problems;  // line, column
};

}  // namespace

TEST_F(BuildTest, StoresGoodRowsReportsEveryProblemAndTheEngineFindsThePeople) {
    ASSERT_TRUE(Build()) << error;
    using Reported = std::set<std::pair<long, std::string>>;
    const Reported expected = {
        {5, "state"},        {6, "birth"},   {7, "birth"},       {7, "death"},
        {8, "surname"},      {9, "surname"}, {10, "first_name"}, {12, "birth"},
        {12, "death"},       {12, "ssn"},    {12, "state"},      {12, "zip_residence"},
        {12, "zip_payment"}, {13, "row"},    {16, "row"},        {16, "surname"},
    };
    EXPECT_EQ(Reported(problems.begin(), problems.end()), expected);
    EXPECT_EQ(summary.rows, 14);
    EXPECT_EQ(summary.records, 11);
    EXPECT_EQ(summary.rowsSkipped, 3);
    EXPECT_EQ(summary.rowsWithProblems, 9);
    EXPECT_EQ(summary.namesCut, 1);
    EXPECT_EQ(summary.ignoredColumns, std::vector<std::string>{"notes"});

    const std::string smithJohn =
        "SMITH       \tJOHN      \t7 Mar 1901\t31 Dec 1975\tOhio\t123-45-6789\t" + kResidence +
        "\t" + kPayment + "\t";
    const std::string smithJohn2 =
        "SMITH       \tJOHN      \t6 May\t--- 1990\tOhio\t000-00-0000\t---\tXXXXX\t";
    EXPECT_EQ(SearchSet(out, "smith", [](CSearchCriteria& c) { c.SetFirstName("john"); }),
              (std::vector<std::string>{smithJohn, smithJohn2}));
    // The 1800s flag: the birth year filter finds 1880, not 1980.
    EXPECT_EQ(SearchSet(out, "smith", [](CSearchCriteria& c) { c.SetBirthYear(1880); }),
              std::vector<std::string>{"SMITH       \tANN       \t1 Jan 1880\tFeb 1962\tNew York\t"
                                       "987-65-4321\tXX123\t---\t"});
    EXPECT_EQ(SearchSet(out, "muller"),
              std::vector<std::string>{"MULLER      \tZOE       \t--- 1920\t4 Jul 1980\t---\t"
                                       "000-00-0000\t---\t---\t"});
    // Birth "1900" alone cannot be stored; the death year 1901 can.
    EXPECT_EQ(SearchSet(out, "o'brien, jr"),
              std::vector<std::string>{"O'BRIEN, JR \tMARY      \t---\t--- 1901\t---\t"
                                       "000-00-0000\t---\t---\t"});
    EXPECT_EQ(
        SearchSet(out, "christophers", [](CSearchCriteria& c) { c.SetFirstName("christophe"); })
            .size(),
        1u);
    const std::vector<std::string> jones = SearchSet(out, "jones");
    ASSERT_EQ(jones.size(), 3u);
    EXPECT_EQ(jones[0].substr(0, 23), "JONES       \t          ");  // unknown first name first
    EXPECT_EQ(SearchSet(out, "jones", [](CSearchCriteria& c) { c.SetFirstName("bob"); }).size(),
              2u);
    EXPECT_EQ(SearchSet(out, "kutnowsky").size(), 1u);  // partition 7 on disc 1
    EXPECT_EQ(SearchSet(out, "lee").size(), 1u);        // and on disc 2

    EXPECT_TRUE(InspectDiscSet({out + "/disc1", "disc1/"}, {out + "/disc2", "disc2/"}, {})
                    .problems.empty());
}

TEST_F(BuildTest, WritesTheSettingsFileAndAnEmptyProgramFolder) {
    ASSERT_TRUE(Build()) << error;
    const std::string abs = fs::canonical(out).string();
    const std::vector<unsigned char> ini = ReadFileBytes(out + "/brisel.ini");
    EXPECT_EQ(std::string(ini.begin(), ini.end()), "[Vel7m]\nVelDir=" + abs +
                                                       "/program/\nCDPath=" + abs +
                                                       "/disc1/\nCD2Path=" + abs + "/disc2/\n");
    EXPECT_TRUE(fs::is_empty(out + "/program"));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuildTest, StrictBuildsNothingAndLeavesThePreviousSet) {
    ASSERT_TRUE(Build()) << error;
    const auto before = Snapshot(out);
    WriteText(list,
              "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n"
              "Adams,Eve,,,,,,\nAdams,Eve,1951-13-01,,,,,\n");
    BuildOptions options;
    options.strict = true;
    EXPECT_FALSE(Build(options));
    EXPECT_NE(error.find("--strict"), std::string::npos);
    EXPECT_EQ(problems.size(), 1u);  // every problem is still reported
    EXPECT_EQ(Snapshot(out), before);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuildTest, RefusesToReplaceAFolderThatIsNotADiscSet) {
    fs::create_directories(out);
    WriteText(out + "/thesis.txt", "mine");
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("thesis.txt"), std::string::npos);
    EXPECT_EQ(Snapshot(out).size(), 1u);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuildTest, ARebuildReplacesTheSetButKeepsTheProgramFolder) {
    ASSERT_TRUE(Build()) << error;
    WriteText(out + "/program/vel7m.hlp", "help");
    WriteText(list,
              "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n"
              "Adams,Eve,,,,,,\n");
    ASSERT_TRUE(Build()) << error;
    EXPECT_EQ(SearchSet(out, "smith").size(), 0u);
    EXPECT_EQ(SearchSet(out, "adams").size(), 1u);
    EXPECT_TRUE(fs::exists(out + "/program/vel7m.hlp"));
    EXPECT_TRUE(Leftovers().empty());
}

// A window left open over a set that the tool rebuilds: its next search reads the new set,
// although the engine keeps a disc's files between searches.
TEST_F(BuildTest, ASearchAfterARebuildReadsTheNewSet) {
    const std::string header =
        "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n";
    WriteText(list, header + "Smith,John,,,111-11-1111,,,\nSmith,Ann,,,222-22-2222,,,\n");
    ASSERT_TRUE(Build()) << error;
    ScriptedHost host;
    host.disc1Dir = out + "/disc1/";
    host.disc2Dir = out + "/disc2/";
    host.programDir = out + "/program/";
    CDeathIndex index;
    CResultSet results(&index);
    index.SetResultSet(&results);
    CSearchCriteria criteria;
    auto firstLines = [&] {
        criteria.SetSurname("smith");
        index.Search(&criteria);
        std::vector<std::string> lines;
        char line[kListLineSize];
        for (int row = 0; row < results.GetPageCount(); ++row) {
            results.FormatListLine(row, line);
            lines.push_back(std::string(line) + "\t" + results.FormatDetailLine(row));
        }
        return lines;
    };
    ASSERT_EQ(firstLines().size(), 2u);
    // The same runs, so the trees read alike: only the records and the names differ.
    WriteText(list, header + "Smith,Bea,,,333-33-3333,,,\nSmith,Cy,,,444-44-4444,,,\n");
    ASSERT_TRUE(Build()) << error;
    const std::vector<std::string> lines = firstLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 24), "SMITH       \tBEA       \t");
    EXPECT_NE(lines[0].find("333-33-3333"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("444-44-4444"), std::string::npos) << lines[1];
    EXPECT_TRUE(host.messages.empty());
}

namespace {

// A list long enough that the writing step reports progress, with many equal names so the
// order of equal people matters.
void WriteBigList(const std::string& path, int rows) {
    std::string text = "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n";
    const char* const firsts[] = {"John", "Mary", "Ann", "Bob", "Eve", "", "Zed"};
    for (int i = 0; i < rows; ++i) {
        char row[128];
        std::snprintf(row, sizeof row, "%c%03d,%s,19%02d,19%02d-%02d,%09d,%d,,\n",
                      'A' + (i * 13) % 26, (i * 7919) % 400, firsts[(i * 31) % 7], i % 60,
                      60 + i % 39, 1 + i % 12, i, i % 66);
        text += row;
    }
    WriteText(path, text);
}

// Runs `action` on "records written".
class OnWriting final : public Progress {
  public:
    explicit OnWriting(std::function<void()> action) : action(std::move(action)) {}
    void Update(const char* what, std::int64_t, double) override {
        if (std::string(what) == "records written")
            action();
    }

  private:
    std::function<void()> action;
};

}  // namespace

TEST_F(BuildTest, SortingThroughFilesGivesTheSameSetAsSortingInMemory) {
    WriteBigList(dir / "big.csv", 70000);
    BuildOptions options;
    options.input = dir / "big.csv";
    ASSERT_TRUE(Build(options)) << error;
    EXPECT_EQ(summary.sortRuns, 0);
    const auto inMemory = Snapshot(out);

    options.memoryBytes = 64 << 10;
    ASSERT_TRUE(Build(options)) << error;
    EXPECT_GT(summary.sortRuns, 40);
    EXPECT_EQ(Snapshot(out), inMemory);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuildTest, AnInterruptedBuildLeavesThePreviousSetUntouched) {
    ASSERT_TRUE(Build()) << error;
    const auto before = Snapshot(out);
    WriteBigList(dir / "big.csv", 70000);

    volatile std::sig_atomic_t stop = 0;
    OnWriting interrupt([&] { stop = 1; });
    BuildOptions options;
    options.input = dir / "big.csv";
    options.progress = &interrupt;
    options.stop.flag = &stop;
    EXPECT_FALSE(Build(options));
    EXPECT_NE(error.find("interrupted"), std::string::npos);
    EXPECT_EQ(Snapshot(out), before);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuildTest, AKilledBuildLeavesThePreviousSetUntouched) {
    ASSERT_TRUE(Build()) << error;
    const auto before = Snapshot(out);
    WriteBigList(dir / "big.csv", 70000);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Killed half-way through the data files: no chance to clean up.
        OnWriting kill([] { raise(SIGKILL); });
        BuildOptions options;
        options.input = dir / "big.csv";
        options.outDir = out;
        options.progress = &kill;
        BuildSummary ignored;
        std::string unused;
        RunBuild(options, ignored, unused);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Snapshot(out), before);
    EXPECT_EQ(SearchSet(out, "smith").size(), 3u);
    // What the killed build wrote stays in its own hidden folder, not in the set.
    const std::vector<std::string> left = Leftovers();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".set.partial-", 0), 0u);
    // Its lock died with it, so a later build clears it away.
    StagedDiscSet later;
    ASSERT_TRUE(later.Begin(out, error, std::chrono::seconds(0))) << error;
    EXPECT_FALSE(fs::exists(dir / left[0]));
    EXPECT_EQ(SearchSet(out, "smith").size(), 3u);
}
