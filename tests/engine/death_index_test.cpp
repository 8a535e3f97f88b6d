#include "death_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "disc.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"
#include "tree_builder.h"
#include "tree_file.h"

namespace fs = std::filesystem;

namespace {

std::string KeyOf(const char* surname) {
    char key[kKeyLength + 1];
    CDeathIndex::MakeSurnameKey(surname, key);
    return key;
}

// One search engine wired as the window wires it.
struct Engine {
    CDeathIndex index;
    CSearchCriteria criteria;
    std::unique_ptr<CResultSet> results = std::make_unique<CResultSet>(&index);
    Engine() { index.SetResultSet(results.get()); }

    void Search(const char* surname) {
        criteria.SetSurname(surname);
        index.Search(&criteria);
    }
};

}  // namespace

TEST(SurnameKey, IsPaddedToTwelveAndUpperCased) {
    EXPECT_EQ(KeyOf("smith"), "SMITH       ");
    EXPECT_EQ(KeyOf("a"), "A           ");
    EXPECT_EQ(KeyOf("abcdefghijkl"), "ABCDEFGHIJKL");
    EXPECT_EQ(KeyOf("o'brien-\xe9"), "O'BRIEN-\xe9   ");
    EXPECT_EQ(KeyOf(""), "            ");
}

TEST(SurnameKey, ChoosesPartitionAndDisc) {
    struct Case {
        const char* surname;
        int partition;
        int disc;
    };
    const Case cases[] = {
        {"smith", 12, 2},       {"a", 0, 1},          {"'t hooft", 0, 1},      {"1st", 0, 1},
        {"bervaldr", 0, 1},     {"bervalds", 1, 1},   {"cedarhalm", 2, 1},     {"delosada", 3, 1},
        {"ficaretta", 4, 1},    {"gudukowski", 5, 1}, {"johngarlo", 6, 1},     {"kutnowsky", 7, 1},
        {"kzzzzzzzzzzz", 7, 1}, {"l", 7, 2},          {"lee", 7, 2},           {"margoo", 8, 2},
        {"natseeway", 9, 2},    {"pilloise", 10, 2},  {"rouvaldt", 11, 2},     {"skabar", 12, 2},
        {"thuilot", 13, 2},     {"wanich", 14, 2},    {"zzzzzzzzzzzz", 14, 2}, {"\xff", 14, 2},
    };
    for (const Case& c : cases) {
        const std::string key = KeyOf(c.surname);
        EXPECT_EQ(CDeathIndex::PartitionOf(key.c_str()), c.partition) << c.surname;
        EXPECT_EQ(CDeathIndex::DiscOf(key.c_str()), c.disc) << c.surname;
    }
}

TEST(RecordNumbers, MapToFilesAndPositions) {
    CDeathIndex index;
    struct Case {
        int n;
        int file;
        int position;
    };
    const Case cases[] = {{0, 1, 0},       {999999, 1, 999999},   {1000000, 1, 1000000},
                          {1000001, 2, 0}, {2000001, 2, 1000000}, {2000002, 3, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(index.FileNumberOf(c.n), c.file) << c.n;
        EXPECT_EQ(index.IndexInFile(c.n), c.position) << c.n;
    }
}

class SmallSetTest : public ::testing::Test {
  protected:
    static std::vector<builder::Person> People() {
        std::vector<builder::Person> people;
        int n = 0;
        for (const char* surname :
             {"'t hooft",   "a",         "bervalds",     "cedarhalm",    "delosada", "ficaretta",
              "gudukowski", "johngarlo", "kutnowsky",    "kzzzzzzzzzzz", "l",        "lee",
              "margoo",     "natseeway", "pilloise",     "rouvaldt",     "skabar",   "smith",
              "thuilot",    "wanich",    "zzzzzzzzzzzz", "abcdefghijkl"}) {
            // A different number of records per surname, so a wrong run shows.
            for (int i = 0; i <= n % 7; ++i)
                people.push_back(MakePerson(surname));
            ++n;
        }
        return people;
    }

    SmallSetTest() : set(People(), /*recordsPerFile=*/12) { set.Use(host); }

    const builder::SurnameRun& Run(const char* surname) const {
        for (const builder::SurnameRun& run : set.report.runs) {
            if (run.key == KeyOf(surname))
                return run;
        }
        throw std::runtime_error("no such run");
    }

    ScriptedHost host;
    TestDiscSet set;
};

TEST_F(SmallSetTest, EverySurnameIsFoundOnItsDiscAndPartition) {
    for (const builder::SurnameRun& run : set.report.runs) {
        Engine engine;
        engine.Search(run.key.c_str());
        EXPECT_EQ(engine.criteria.firstRecord, run.first) << run.key;
        EXPECT_EQ(engine.criteria.recordCount, run.count) << run.key;
        EXPECT_EQ(engine.results->GetTotal(), run.count) << run.key;
        EXPECT_EQ(g_nCurrentDisc, run.disc) << run.key;
        EXPECT_EQ(engine.index.DiscDirectory(), run.disc == 1 ? set.disc1 : set.disc2);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SmallSetTest, AnAbsentSurnameLeavesTheResultEmpty) {
    Engine engine;
    engine.Search("smithers");
    EXPECT_EQ(engine.criteria.firstRecord, -1);
    EXPECT_EQ(engine.criteria.recordCount, 0);
    EXPECT_EQ(engine.results->GetTotal(), 0);
    EXPECT_EQ(engine.results->GetPageCount(), 0);
    EXPECT_FALSE(engine.results->HasNextPage());
    EXPECT_EQ(engine.index.CurrentFile(), -1);  // nothing was read
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SmallSetTest, AMissingDiscIsRequestedUntilCancelled) {
    fs::remove(set.disc1 + "disc1.id");
    host.answers = {IDOK, IDOK, IDCANCEL};
    Engine engine;
    engine.Search("kutnowsky");
    ASSERT_EQ(host.messages.size(), 3u);
    for (const ShownMessage& m : host.messages) {
        EXPECT_EQ(m.text,
                  "Please insert Pedrelle Disk 4\n\n( Vavaze Devedire Rizuz A - K )\n\n"
                  "Click OK when done.");
        EXPECT_EQ(m.caption, kAppTitle);
        EXPECT_EQ(m.style, MB_OKCANCEL | MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(engine.criteria.firstRecord, -1);
    EXPECT_EQ(engine.results->GetTotal(), 0);
}

TEST_F(SmallSetTest, TheSearchGoesOnOnceTheDiscIsInserted) {
    fs::rename(set.disc2 + "disc2.id", set.root / "disc2.id.out");
    host.onMessage = [&](const ShownMessage&) {
        if (host.messages.size() == 2)
            fs::rename(set.root / "disc2.id.out", set.disc2 + "disc2.id");
    };
    host.answers = {IDOK, IDOK};
    Engine engine;
    engine.Search("smith");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text,
              "Please insert Pedrelle Disk 5\n\n( Vavaze Devedire Rizuz L - Z )\n\n"
              "Click OK when done.");
    EXPECT_EQ(engine.criteria.firstRecord, Run("smith").first);
    EXPECT_EQ(engine.results->GetTotal(), Run("smith").count);
}

TEST_F(SmallSetTest, DiscTwoInTheFirstDriveIsReadThere) {
    // One drive: disc 2 sits where disc 1 is configured, and the second directory is empty.
    TempDir empty;
    host.disc1Dir = set.disc2;
    host.disc2Dir = empty.Path();
    EXPECT_TRUE(CheckDisc(2));
    EXPECT_FALSE(CheckDisc(1));
    Engine engine;
    engine.Search("smith");
    EXPECT_EQ(engine.criteria.firstRecord, Run("smith").first);
    EXPECT_EQ(engine.results->GetTotal(), Run("smith").count);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(fs::exists(empty / "gst12.tre"));
}

TEST_F(SmallSetTest, AnEmptyMarkerCountsAndTheErrorModeIsRestored) {
    ASSERT_EQ(fs::file_size(set.disc1 + "disc1.id"), 0u);
    SetErrorMode(0x1234);
    EXPECT_TRUE(CheckDisc(1));
    EXPECT_EQ(SetErrorMode(0), 0x1234u);
}

TEST_F(SmallSetTest, AMissingDataFileEndsTheProgram) {
    const builder::SurnameRun& run = Run("smith");
    const int file = run.first / kRecordsPerFile + 1;
    fs::remove(set.disc2 + "dp" + std::to_string(file) + ".car");
    EXPECT_EXIT(
        {
            Engine engine;
            engine.Search("smith");
        },
        ::testing::ExitedWithCode(1),
        "File #" + std::to_string(file) + " needs to be on this disc.");

    host.survivesExit = true;
    Engine engine;
    engine.Search("smith");
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages[0].caption, "Missing Data File");
    EXPECT_EQ(host.messages[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(host.exits.front(), 1);
    EXPECT_EQ(engine.results->GetPageCount(), 0);
}

TEST_F(SmallSetTest, ADamagedTreeFindsNothing) {
    std::vector<unsigned char> tree = ReadFileBytes(set.disc2 + "gst12.tre");
    ASSERT_GT(tree.size(), 9u);
    tree[8] = 0x7F;  // the first node's count
    tree[9] = 0x7F;
    WriteFileBytes(set.disc2 + "gst12.tre", tree);
    Engine engine;
    engine.Search("smith");
    EXPECT_EQ(engine.criteria.firstRecord, -1);
    EXPECT_EQ(engine.results->GetTotal(), 0);
}

TEST_F(SmallSetTest, ShortDataFilesDeliverOnlyWhatArrived) {
    const builder::SurnameRun& run = Run("ficaretta");
    ASSERT_GE(run.count, 3);
    const std::string path =
        set.disc1 + "dp" + std::to_string(run.first / kRecordsPerFile + 1) + ".car";
    const long position = run.first % kRecordsPerFile;
    fs::resize_file(path, (position + 2) * 16);  // only two records of the run survive

    CDeathIndex index;
    ASSERT_TRUE(index.OpenIndexFor(run.key.c_str()));
    RawDeathRecord buffer[101];
    EXPECT_EQ(index.ReadPage(run.first, run.first + run.count, buffer), 2);
    EXPECT_EQ(index.ReadRecord(run.first + 1), 1);
    EXPECT_EQ(index.ReadRecord(run.first + 2), 0);
    EXPECT_TRUE(index.DataWasShort());
}

// A disc set whose first data file holds a full 1,000,000 records, so record numbers reach the
// 1,000,000 position and the third file. Each record's SSN tells where it was written.
class FullFileTest : public ::testing::Test {
  protected:
    static int SsnAt(int file, int position) { return file * 10000000 + position; }

    static void SetUpTestSuite() {
        set = new TempDir;
        const builder::FirstNameList names({"JOHN"});
        builder::DiscSetOptions options{set->Path() + "disc1/", set->Path() + "disc2/",
                                        builder::kMaxRecordsPerDataFile, true};
        fs::create_directories(options.disc1Dir);
        fs::create_directories(options.disc2Dir);
        builder::DiscSetWriter writer(options, names);
        const int john = names.IndexOf("JOHN");
        const struct {
            const char* key;
            int file;
            int count;
        } runs[] = {
            {"AAA         ", 1, 1000000}, {"AAB         ", 2, 600000}, {"AAC         ", 3, 500000}};
        for (const auto& r : runs) {
            for (int i = 0; i < r.count; ++i) {
                builder::Person p = MakePerson(r.key);
                p.ssn = static_cast<std::uint32_t>(SsnAt(r.file, i));
                ASSERT_TRUE(writer.Add(r.key, builder::PersonRecord(p, john)));
            }
        }
        ASSERT_TRUE(writer.Finish()) << writer.Error();
    }
    static void TearDownTestSuite() { delete set; }

    void SetUp() override {
        host.disc1Dir = set->Path() + "disc1/";
        host.disc2Dir = set->Path() + "disc2/";
        host.programDir = program.Path();
        ASSERT_TRUE(index.OpenIndexFor("AAA         "));
    }

    int SsnOf(const RawDeathRecord& r) const { return static_cast<int>(WordB(r) & kSsnMask); }

    static TempDir* set;
    ScriptedHost host;
    TempDir program;
    CDeathIndex index;
};
TempDir* FullFileTest::set = nullptr;

TEST_F(FullFileTest, RecordsAreReadAcrossTheMillionBoundary) {
    struct Case {
        int n;
        int ssn;
        int openFile;
    };
    const Case cases[] = {
        {0, SsnAt(1, 0), 1},
        {999999, SsnAt(1, 999999), 1},
        {1000000, SsnAt(2, 0), 2},  // position 1,000,000 reads the next file's first record
        {1000001, SsnAt(2, 0), 2},
        {2000002, SsnAt(3, 0), 3},
        {1000001 + 599999, SsnAt(2, 599999), 2},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(index.ReadRecord(c.n), 1) << c.n;
        EXPECT_EQ(SsnOf(index.Current()), c.ssn) << c.n;
        EXPECT_EQ(index.CurrentFile(), c.openFile) << c.n;
    }
    EXPECT_EQ(index.ReadRecord(1000001 + 600000), 0);  // past the end of file 2
}

TEST_F(FullFileTest, PagesInsideOneFileAndAcrossAFileBoundary) {
    RawDeathRecord buffer[101] = {};
    EXPECT_EQ(index.ReadPage(0, 30, buffer), 30);
    EXPECT_EQ(SsnOf(buffer[29]), SsnAt(1, 29));
    EXPECT_EQ(SsnOf(buffer[99]), SsnAt(1, 99));  // one read of 100 records, whatever is needed

    EXPECT_EQ(index.ReadPage(999950, 1000100, buffer), 100);
    EXPECT_EQ(SsnOf(buffer[49]), SsnAt(1, 999999));
    EXPECT_EQ(SsnOf(buffer[50]), SsnAt(2, 0));    // number 1,000,000
    EXPECT_EQ(SsnOf(buffer[51]), SsnAt(2, 0));    // number 1,000,001
    EXPECT_EQ(SsnOf(buffer[100]), SsnAt(2, 49));  // the 101st record
    EXPECT_FALSE(index.DataWasShort());
}

// Reads are served from a window of the data file that moves with them; whatever the order
// of single records and pages, each must come from its own place in its own file.
TEST_F(FullFileTest, EveryOrderOfReadsGivesTheRecordsWhereTheyAre) {
    // Record number n holds SsnAt of its file and position; position 1,000,000 is the next
    // file's first record.
    auto expected = [](int n) {
        const int file = n / 1000001 + 1;
        const int position = n % 1000001;
        return position == 1000000 ? SsnAt(file + 1, 0) : SsnAt(file, position);
    };
    struct Step {
        char how;   // 'R' single records, 'P' pages through ReadPage, 'V' pages through ViewPage
        int first;  // record number
        int last;   // inclusive; pages run to last + 1 as their range end
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"pages from an odd start over several windows", {{'V', 3, 12345}}},
        {"records one by one over several windows", {{'R', 3995, 8010}}},
        {"pages, then records inside them, then pages again",
         {{'P', 100, 4399}, {'R', 4100, 4420}, {'V', 4421, 9000}}},
        {"probes back and forth, then forward from the last",
         {{'R', 500000, 500000},
          {'R', 250000, 250000},
          {'R', 375000, 375000},
          {'R', 374999, 374999},
          {'R', 999999, 999999},
          {'R', 3, 3},
          {'V', 3, 5000}}},
        {"pages up to and across the end of a file",
         {{'V', 995000, 999999}, {'V', 999950, 1000300}}},
        {"a page across a file boundary, then back in the first file",
         {{'P', 999990, 1000020}, {'V', 999000, 999099}, {'R', 1000000, 1000001}}},
        {"records across a file boundary and on",
         {{'R', 999990, 1000010}, {'V', 1000011, 1004500}}},
        {"a page whose last record is the last position of a file",
         {{'P', 999901, 1000000}, {'V', 999901, 1000000}}},
        {"a page that ends with the last record of a file", {{'P', 999900, 999999}}},
        {"the same positions in two files in turn",
         {{'R', 10, 12},
          {'R', 1000011, 1000013},
          {'V', 20, 119},
          {'V', 1000021, 1000120},
          {'R', 2000012, 2000012},
          {'R', 12, 12}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Step& step : c.steps) {
            const int end = step.last + 1;
            for (int n = step.first; n < end;) {
                if (step.how == 'R') {
                    ASSERT_EQ(index.ReadRecord(n), 1) << n;
                    ASSERT_EQ(SsnOf(index.Current()), expected(n)) << n;
                    ++n;
                    continue;
                }
                RawDeathRecord buffer[101] = {};
                int count = 0;
                const RawDeathRecord* page = buffer;
                if (step.how == 'P') {
                    count = index.ReadPage(n, end, buffer);
                } else {
                    page = index.ViewPage(n, end, count);
                }
                ASSERT_EQ(count, std::min(100, end - n)) << n;
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(SsnOf(page[i]), expected(n + i)) << n + i;
                n += count;
            }
        }
    }
    EXPECT_FALSE(index.DataWasShort());
}

TEST_F(FullFileTest, RunsOfTheTreeStartAtEachFile) {
    Engine engine;
    const struct {
        const char* surname;
        int first;
        int count;
    } cases[] = {{"aaa", 0, 1000000}, {"aab", 1000001, 600000}, {"aac", 2000002, 500000}};
    for (const auto& c : cases) {
        engine.Search(c.surname);
        EXPECT_EQ(engine.criteria.firstRecord, c.first) << c.surname;
        EXPECT_EQ(engine.criteria.recordCount, c.count) << c.surname;
    }
    EXPECT_TRUE(host.messages.empty());
}

// The search asks for the surname's disc again after the lookup: a disc taken out meanwhile is
// asked for, never read as if it were still there.
TEST_F(SmallSetTest, TheDiscIsCheckedAgainBetweenTheLookupAndTheRead) {
    const builder::SurnameRun& run = Run("smith");
    TempDir emptyDrive;
    struct Case {
        const char* what;
        int answer;
        long total;
    };
    const Case cases[] = {{"cancelled", IDCANCEL, 0}, {"put back", IDOK, run.count}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        host.disc2Dir = set.disc2;
        Engine engine;
        // Once the first check has found the disc (the index then knows where), it is gone.
        host.onDiscDir = [&](int) {
            if (engine.index.DiscDirectory()[0] != '\0')
                host.disc2Dir = emptyDrive.Path();
        };
        host.onMessage = [&](const ShownMessage&) {
            host.onDiscDir = nullptr;
            if (c.answer == IDOK)
                host.disc2Dir = set.disc2;
        };
        host.answers = {c.answer};
        engine.Search("smith");
        host.onDiscDir = nullptr;
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, DiscRequestText(2));
        EXPECT_EQ(engine.criteria.firstRecord, run.first);
        EXPECT_EQ(engine.results->GetTotal(), c.total);
        EXPECT_EQ(engine.results->GetPageCount(), std::min<long>(c.total, 10));
    }
}

// A tree that is missing or cannot be read is reported by name; nothing is created on the disc
// and nothing is shown.
TEST_F(SmallSetTest, AMissingOrUnreadableTreeIsReportedAndLeftAlone) {
    struct Case {
        const char* what;
        void (*damage)(const std::string& path);
        const char* says;
    };
    const Case cases[] = {
        {"missing", [](const std::string& p) { fs::remove(p); }, "is missing"},
        {"a folder in its place",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         "on this disc cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDiscSet fresh(People(), 12);
        fresh.Use(host);
        host.messages.clear();
        const std::string tree = fresh.disc2 + "gst12.tre";
        c.damage(tree);
        std::vector<std::string> before;
        for (const auto& entry : fs::directory_iterator(fresh.disc2))
            before.push_back(entry.path().filename().string());
        std::sort(before.begin(), before.end());
        {
            Engine engine;
            engine.Search("smith");
            EXPECT_EQ(engine.criteria.firstRecord, -1);
            EXPECT_EQ(engine.results->GetTotal(), 0);
            EXPECT_EQ(engine.results->GetPageCount(), 0);
            // Other partitions of the disc are not affected.
            engine.Search("thuilot");
            EXPECT_GT(engine.results->GetTotal(), 0);
        }
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_NE(host.messages[0].text.find("gst12.tre " + std::string(c.says)), std::string::npos)
            << host.messages[0].text;
        EXPECT_EQ(host.messages[0].style, MB_OK | MB_ICONEXCLAMATION);
        std::vector<std::string> after;
        for (const auto& entry : fs::directory_iterator(fresh.disc2))
            after.push_back(entry.path().filename().string());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);
    }
}

// Partitions share their data files, so the records just past a tree's last run are the next
// partition's. A run at a tree's edge is checked against the neighbouring partitions' edge runs
// on the same disc (passing over empty ones), and at a disc's ends against its data files.
class PartitionEdgeTest : public ::testing::Test {
  protected:
    static std::vector<builder::Person> People() {
        std::vector<builder::Person> people;
        int ssn = 0;
        // Partitions 2 to 5 and 9 to 11 and 13 stay empty.
        for (const char* surname :
             {"adams", "allen", "brown", "byrd", "jones", "kelly", "kwan", "lee", "lynch", "miller",
              "moore", "smith", "snow", "stone", "young", "zimmer"}) {
            for (int i = 0; i < 3; ++i) {
                builder::Person p = MakePerson(surname);
                p.ssn = static_cast<std::uint32_t>(++ssn);
                people.push_back(p);
            }
        }
        return people;
    }

    PartitionEdgeTest() : set(People()) { set.Use(host); }

    const builder::SurnameRun& Run(const char* surname) const {
        for (const builder::SurnameRun& run : set.report.runs) {
            if (run.key == KeyOf(surname))
                return run;
        }
        throw std::runtime_error("no such run");
    }

    // Rewrites the run of `surname` in its tree.
    void EditRun(const char* surname, std::int32_t firstDelta, std::int32_t countDelta) {
        const builder::SurnameRun& run = Run(surname);
        const std::string dir = run.disc == 1 ? set.disc1 : set.disc2;
        std::vector<TreeItem> items;
        for (const builder::SurnameRun& r : set.report.runs) {
            if (r.disc != run.disc || r.partition != run.partition)
                continue;
            const bool edited = r.key == run.key;
            items.push_back(builder::MakeTreeItem(r.key, r.first + (edited ? firstDelta : 0),
                                                  r.count + (edited ? countDelta : 0)));
        }
        ASSERT_TRUE(builder::BuildTree(items).WriteTo(dir + "gst" + std::to_string(run.partition) +
                                                      ".tre"));
    }

    ScriptedHost host;
    TestDiscSet set;
};

TEST_F(PartitionEdgeTest, ARunReachingIntoAnotherPartitionIsReportedAndNotShown) {
    struct Case {
        const char* what;
        const char* surname;
        std::int32_t firstDelta;
        std::int32_t countDelta;
        const char* says;  // in the message
    };
    const Case cases[] = {
        {"last of gst0 into gst1", "allen", 0, 1, "gst0.tre on this disc is damaged"},
        {"first of gst1 into gst0", "brown", -1, 0, "gst1.tre on this disc is damaged"},
        {"last of gst1 over four empty partitions", "byrd", 0, 3,
         "gst1.tre on this disc is damaged"},
        {"first of gst6 back over them", "jones", -2, 0, "gst6.tre on this disc is damaged"},
        {"moved past the first of the next", "kelly", 2, 0, "gst6.tre on this disc is damaged"},
        {"last of gst7 on disc 2 into gst8", "lynch", 0, 1, "gst7.tre on this disc is damaged"},
        {"first of gst12 into gst8", "smith", -1, 0, "gst12.tre on this disc is damaged"},
        {"last of gst12 over gst13 into gst14", "stone", 1, 0, "gst12.tre on this disc is damaged"},
        {"first of disc 1 before record 0", "adams", -1, 0, "gst0.tre on this disc is damaged"},
        {"first of disc 2 in a file of disc 1", "lee", -1, 0, "gst7.tre on this disc is damaged"},
        {"last of disc 1 past its data", "kwan", 0, 1, "dp1.car is shorter"},
        {"last of disc 2 past its data", "zimmer", 1, 0, "is shorter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        EditRun(c.surname, c.firstDelta, c.countDelta);
        Engine engine;
        engine.Search(c.surname);
        EXPECT_EQ(engine.results->GetTotal(), 0);
        EXPECT_EQ(engine.results->GetPageCount(), 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_NE(host.messages[0].text.find(c.says), std::string::npos) << host.messages[0].text;
        EditRun(c.surname, 0, 0);
    }
}

// Every run of the sound set is found; only a run at its tree's edge costs reads of other trees.
TEST_F(PartitionEdgeTest, OnlyARunAtItsTreesEdgeCostsReadsOfOtherTrees) {
    // A missing neighbour is passed over for the next one out, and is not reported here.
    fs::remove(set.disc2 + "gst13.tre");
    for (const builder::SurnameRun& run : set.report.runs) {
        Engine engine;
        engine.Search(run.key.c_str());
        EXPECT_EQ(engine.results->GetTotal(), run.count) << run.key;
        CTreeFile alone(((run.disc == 1 ? set.disc1 : set.disc2) + "gst" +
                         std::to_string(run.partition) + ".tre")
                            .c_str());
        std::int32_t first = 0;
        std::int32_t count = 0;
        TreeEdges edges;
        ASSERT_EQ(alone.Lookup(run.key.c_str(), first, count, &edges), TreeLookup::kFound);
        if (!edges.firstKey && !edges.lastKey) {
            EXPECT_EQ(engine.index.TreeNodeReads(), alone.NodeReads()) << run.key;
        } else {
            // The neighbours here are single-node trees: one read each for the root.
            EXPECT_LE(engine.index.TreeNodeReads(), alone.NodeReads() + 2) << run.key;
        }
    }
    EXPECT_EQ(Run("snow").partition, Run("smith").partition);  // the middle key
    EXPECT_TRUE(host.messages.empty());
}

namespace {

// Two sets with the same surnames and runs, so that their trees read alike, but other people:
// what the engine kept of one would show the wrong people for the other.
std::vector<builder::Person> SetPeople(int ssnBase, const char* firstName) {
    std::vector<builder::Person> people;
    int n = 0;
    for (const char* surname : {"adams", "smith"}) {
        for (int i = 0; i < 4; ++i) {
            builder::Person p = MakePerson(surname, firstName);
            p.ssn = static_cast<std::uint32_t>(ssnBase + ++n);
            people.push_back(p);
        }
    }
    return people;
}

// The SSNs and list lines of every hit, paged through.
std::vector<std::string> Hits(Engine& engine) {
    std::vector<std::string> hits;
    char line[kListLineSize];
    for (;;) {
        for (int row = 0; row < engine.results->GetPageCount(); ++row) {
            engine.results->FormatListLine(row, line);
            hits.push_back(std::to_string(engine.results->PageRecord(row)->ssn) + " " + line);
        }
        if (engine.results->GetPageCount() <= 0 || !engine.results->HasNextPage())
            return hits;
        engine.results->NextPage();
    }
}

}  // namespace

// The engine keeps a disc's files while its marker is the same file. Whatever way another set
// takes the place of the one searched, the next search reads it afresh.
TEST(DiscSwap, AnotherSetInThePlaceOfTheSearchedOneIsReadAfresh) {
    struct Case {
        const char* what;
        bool identifies;  // the host can tell files apart
        // Puts the second set (`next`, a built set) where the first one (`here`) is.
        void (*swap)(const TestDiscSet& here, const TestDiscSet& next, ScriptedHost& host);
    };
    static const auto moveIn = [](const TestDiscSet& here, const TestDiscSet& next) {
        for (const std::string* dir : {&here.disc1, &here.disc2})
            fs::remove_all(*dir);
        fs::rename(next.disc1, here.disc1);
        fs::rename(next.disc2, here.disc2);
    };
    static const auto copyOver = [](const TestDiscSet& here, const TestDiscSet& next) {
        for (const auto& [from, to] :
             {std::pair{next.disc1, here.disc1}, {next.disc2, here.disc2}}) {
            for (const auto& entry : fs::directory_iterator(from)) {
                if (entry.path().extension() != ".id")
                    fs::copy_file(entry.path(), to + entry.path().filename().string(),
                                  fs::copy_options::overwrite_existing);
            }
        }
    };
    const Case cases[] = {
        {"markers removed, the other set moved into the same folders", true,
         [](const TestDiscSet& here, const TestDiscSet& next, ScriptedHost&) {
             fs::remove(here.disc1 + "disc1.id");
             fs::remove(here.disc2 + "disc2.id");
             moveIn(here, next);
         }},
        {"the files written over in place and the markers replaced", true,
         [](const TestDiscSet& here, const TestDiscSet& next, ScriptedHost&) {
             copyOver(here, next);
             here.Reinsert();
         }},
        {"the folders swapped in one step, as the disc tool swaps a rebuilt set in", true,
         [](const TestDiscSet& here, const TestDiscSet& next, ScriptedHost&) {
             // The old set stays in existence (at the other place), so no file of it can be
             // reused for the new one.
             const std::string aside = here.root / "aside";
             fs::rename(here.disc1, aside);
             fs::rename(next.disc1, here.disc1);
             fs::rename(aside, next.disc1);
             fs::rename(here.disc2, aside);
             fs::rename(next.disc2, here.disc2);
             fs::rename(aside, next.disc2);
         }},
        {"a host that cannot tell, the files written over in place", false,
         [](const TestDiscSet& here, const TestDiscSet& next, ScriptedHost&) {
             copyOver(here, next);
         }},
        {"searched while the markers are gone, the other set put in at the request", true,
         [](const TestDiscSet& here, const TestDiscSet& next, ScriptedHost& host) {
             fs::remove(here.disc1 + "disc1.id");
             fs::remove(here.disc2 + "disc2.id");
             host.onMessage = [&here, &next, &host](const ShownMessage&) {
                 moveIn(here, next);
                 host.onMessage = nullptr;
             };
             host.answers = {IDOK};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDiscSet first(SetPeople(100, "john"));
        TestDiscSet second(SetPeople(200, "mary"));
        ScriptedHost host;
        host.identifiesFiles = c.identifies;
        first.Use(host);
        Engine engine;
        const struct {
            const char* surname;
            const char* first;
        } queries[] = {{"smith", nullptr}, {"adams", nullptr}, {"smith", "john"}};
        for (const auto& q : queries) {
            engine.criteria.SetSurname(q.surname);
            if (q.first != nullptr)
                engine.criteria.SetFirstName(q.first);
            engine.index.Search(&engine.criteria);
            ASSERT_EQ(engine.results->GetTotal(), 4) << q.surname;
        }
        const std::vector<std::string> before = Hits(engine);
        ASSERT_EQ(before.front().substr(0, 4), "105 ");  // smith john: the fifth person

        c.swap(first, second, host);
        engine.Search("smith");
        const std::vector<std::string> after = Hits(engine);
        ASSERT_EQ(after.size(), 4u);
        for (std::size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i],
                      std::to_string(205 + i) + " SMITH       \tMARY      \t---\t---\t---")
                << i;
        }
        engine.criteria.SetSurname("adams");
        engine.criteria.SetFirstName("mary");
        engine.index.Search(&engine.criteria);
        EXPECT_EQ(Hits(engine).size(), 4u);
        engine.criteria.SetSurname("smith");
        engine.criteria.SetFirstName("john");
        engine.index.Search(&engine.criteria);
        EXPECT_EQ(engine.results->GetTotal(), 0);
        for (const ShownMessage& m : host.messages)
            EXPECT_EQ(m.text, DiscRequestText(2)) << "only the request for the missing disc";
    }
}

// What a damaged disc makes the engine say, it says again at the next search of the same disc,
// though the engine keeps the disc's files between the two; a repaired disc put in anew is read
// as it is then.
TEST_F(SmallSetTest, ADamagedFileIsReportedAgainAtEverySearch) {
    struct Case {
        const char* what;
        const char* file;
        void (*damage)(const std::string& path);
        const char* surname;
        const char* first;  // a given name to search with, or nullptr
        const char* says;
    };
    const Case cases[] = {
        {"a tree with a damaged node", "disc2/gst12.tre",
         [](const std::string& p) {
             std::vector<unsigned char> tree = ReadFileBytes(p);
             tree[8] = 0x7F;
             WriteFileBytes(p, tree);
         },
         "smith", nullptr, "gst12.tre on this disc is damaged"},
        {"a missing tree", "disc2/gst12.tre", [](const std::string& p) { fs::remove(p); }, "smith",
         nullptr, "gst12.tre is missing"},
        {"a tree of the wrong format", "disc2/gst12.tre",
         [](const std::string& p) {
             std::vector<unsigned char> tree = ReadFileBytes(p);
             tree.back() = 5;
             WriteFileBytes(p, tree);
         },
         "smith", nullptr, "wrong file format!"},
        {"a short data file", "disc1/dp1.car", [](const std::string& p) { fs::resize_file(p, 16); },
         "a", nullptr, "shorter than the index says"},
        {"a missing first-name list", "disc1/fname.fst",
         [](const std::string& p) { fs::remove(p); }, "kutnowsky", "john", "fname.fst"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDiscSet fresh(People(), 12);
        fresh.Use(host);
        host.survivesExit = true;
        const std::string path = fresh.root / c.file;
        const std::vector<unsigned char> original = ReadFileBytes(path);
        c.damage(path);
        Engine engine;
        auto search = [&] {
            host.messages.clear();
            engine.criteria.SetSurname(c.surname);
            if (c.first != nullptr)
                engine.criteria.SetFirstName(c.first);
            engine.index.Search(&engine.criteria);
        };
        for (int time = 1; time <= 3; ++time) {
            search();
            ASSERT_EQ(host.messages.size(), 1u) << "search " << time;
            EXPECT_NE(host.messages[0].text.find(c.says), std::string::npos)
                << host.messages[0].text;
            EXPECT_EQ(engine.results->GetPageCount(), 0);
        }
        WriteFileBytes(path, original);
        fresh.Reinsert();
        search();
        EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
        EXPECT_GT(engine.results->GetTotal(), 0);
    }
}
