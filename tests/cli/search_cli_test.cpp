#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "death_index.h"
#include "process.h"
#include "record_encoding.h"
#include "result_set.h"
#include "run_command.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "search_query.h"
#include "test_discs.h"
#include "wide_search.h"

namespace fs = std::filesystem;

namespace {

std::vector<builder::Person> People() {
    std::vector<builder::Person> people;
    for (int i = 1; i <= 23; ++i) {
        builder::Person p = MakePerson("smith", i % 3 == 0 ? "ann" : "john");
        p.ssn = static_cast<std::uint32_t>(100000000 + i);
        p.location = static_cast<std::uint8_t>(i % 2 == 0 ? 36 : 21);  // Ohio, Maryland
        p.birthWord = builder::DateWord(i, 3, 10 + i);
        p.deathWord = builder::DateWord(1, 1, 80);
        p.residenceZipWord = static_cast<std::uint16_t>(65535 - i);  // partial XXXX<i>
        people.push_back(p);
    }
    people.push_back(MakePerson("o\"dell,jr", "x"));  // characters CSV and JSON must escape
    people.push_back(MakePerson("o\"neil", "x"));
    people.push_back(MakePerson("van,dyke", "x"));
    people.push_back(MakePerson("adams", "eve"));
    return people;
}

class SearchCommandTest : public ::testing::Test {
  protected:
    SearchCommandTest() : set(People(), 10) { set.Use(host); }

    CommandResult Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
        env.push_back("TMPDIR=" + tmp.Path());
        return RunCommand(VEL7M_SEARCH, args, env);
    }
    Ended Launch(std::vector<std::string> args, Streams streams) {
        return ::Launch(VEL7M_SEARCH, args, {"TMPDIR=" + tmp.Path()}, streams);
    }
    std::unique_ptr<OnTerminal> OnATerminal(std::vector<std::string> args) {
        return std::make_unique<OnTerminal>(VEL7M_SEARCH, args,
                                            std::vector<std::string>{"TMPDIR=" + tmp.Path()});
    }
    // The names in the temporary folder.
    std::vector<std::string> InTmp() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(tmp.Path()))
            names.push_back(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> Discs() const { return {"--disc1", set.disc1, "--disc2", set.disc2}; }
    std::vector<std::string> With(std::vector<std::string> more) const {
        std::vector<std::string> args = Discs();
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // What the engine gives in process for a query: the window's texts.
    std::string Expected(const char* surname, int state = 0) {
        CDeathIndex index;
        CResultSet results(&index);
        index.SetResultSet(&results);
        CSearchCriteria criteria;
        criteria.SetSurname(surname);
        if (state > 0)
            criteria.SetState(state);
        index.Search(&criteria);
        std::ostringstream out;
        out << results.GetTotal() << " records found.\n";
        char line[kListLineSize];
        for (;;) {
            for (int r = 0; r < results.GetPageCount(); ++r) {
                results.FormatListLine(r, line);
                out << line << '\t' << results.FormatDetailLine(r) << '\n';
            }
            if (!results.HasNextPage())
                break;
            results.NextPage();
        }
        return out.str();
    }

    // The same for a search beyond the form.
    std::string WideExpected(SearchQuery query) {
        CDeathIndex index;
        CResultSet results(&index);
        CWideSearch wide(&results);
        QueryProblem problem;
        EXPECT_TRUE(query.Check(problem)) << problem.text;
        EXPECT_EQ(wide.Search(query), WideOutcome::kDone);
        std::ostringstream out;
        out << results.GetTotal() << " records found.\n";
        char line[kListLineSize];
        for (;;) {
            for (int r = 0; r < results.GetPageCount(); ++r) {
                results.FormatListLine(r, line);
                out << line << '\t' << results.FormatDetailLine(r) << '\n';
            }
            if (!results.HasNextPage())
                break;
            results.NextPage();
        }
        return out.str();
    }

    ScriptedHost host;
    TestDiscSet set;
    TempDir tmp;
};

}  // namespace

TEST_F(SearchCommandTest, LinesPrintWhatTheWindowShowsForEveryHit) {
    const CommandResult r = Run(With({"--surname", "smith", "--format", "lines"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Expected("smith"));
    EXPECT_EQ(r.out.substr(0, 18), "23 records found.\n");
    EXPECT_NE(r.out.find("SMITH       \tJOHN      \t1 Mar 1911\t1 Jan 1980\tMaryland\t"
                         "100-00-0001\tXXXX1\t---\t\n"),
              std::string::npos);

    const CommandResult ohio =
        Run(With({"--surname", "Smith", "--state", "ohio", "--format", "lines"}));
    EXPECT_EQ(ohio.out, Expected("smith", 36));
    EXPECT_EQ(ohio.out.substr(0, 18), "11 records found.\n");
    EXPECT_EQ(Run(With({"--surname", "smith", "--state", "36", "--format", "lines"})).out,
              ohio.out);
}

TEST_F(SearchCommandTest, TheOtherFormats) {
    const CommandResult table = Run(With({"--surname", "adams"}));
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.out,
              "1 records found.\n"
              "Surname       Given Name  Born         Died         Last Known Residence     "
              "SSN          ZIP    Payment ZIP  SSN Issued In\n"
              "ADAMS         EVE         ---          ---          ---                      "
              "000-00-0000  ---    ---\n");
    // Where the SSN was issued: area 100 went to New York.
    const CommandResult smith =
        Run(With({"--surname", "smith", "--first", "ann", "--format", "csv"}));
    EXPECT_NE(smith.out.find("\r\nSMITH,ANN,3 Mar 1913,1 Jan 1980,Maryland,100-00-0003,XXXX3,---,"
                             "New York\r\n"),
              std::string::npos)
        << smith.out;

    const CommandResult csv = Run(With({"--surname", "o\"dell,jr", "--format", "csv"}));
    EXPECT_EQ(csv.out,
              "surname,first_name,birth,death,location,ssn,zip_residence,zip_payment,"
              "ssn_issued_in\r\n"
              "\"O\"\"DELL,JR\",X,---,---,---,000-00-0000,---,---,\r\n");

    const CommandResult json = Run(With({"--surname", "o\"dell,jr", "--format", "json"}));
    EXPECT_EQ(json.out,
              "{\"surname\":\"O\\\"DELL,JR\",\"first_name\":\"X\",\"birth\":\"---\",\"death\":"
              "\"---\",\"location\":\"---\",\"ssn\":\"000-00-0000\",\"zip_residence\":\"---\","
              "\"zip_payment\":\"---\",\"ssn_issued_in\":\"\"}\n");

    const CommandResult none = Run(With({"--surname", "nobody", "--format", "json"}));
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
}

TEST_F(SearchCommandTest, RefusedQueriesPrintTheFormsMessagesAndExitTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--surname", ""},
         "vel7m-search: Please enter a surname, or at least one other criterion.\n"},
        {{"--state", "Unknown"},
         "vel7m-search: Please enter a surname, or at least one other criterion.\n"},
        {{"--surname", "abcdefghijklm"},
         "query error: Last name is too long.  Maximum length is 12..\n\n"},
        {{"--surname", "smith", "--first", "abcdefghijk"},
         "query error: First name is too long.  Maximum length is 10..\n\n"},
        {{"--surname", "smith", "--death", "1899"}, "Death year must be between 1900 and 1998\n"},
        {{"--surname", "smith", "--death", "1999"}, "Death year must be between 1900 and 1998\n"},
        {{"--surname", "smith", "--birth", "1869"}, "Birth year must be between 1870 and 1998\n"},
        {{"--surname", "smith", "--birth", "1951", "--death", "1950"},
         "Birth year must be the same or earlier than\nthe death year.\n"},
    };
    for (const Case& c : cases) {
        const CommandResult r = Run(With(c.args));
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--surname", "smith", "--state", "Atlantis"},
          {"--surname", "smith", "--state", "66"},
          {"--surname", "smith", "--first"},
          {"--surname", "smith", "--format", "xml"},
          {"--surname", "smith", "--bogus"},
          {"--surname"}}) {
        const CommandResult r = Run(With(args));
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
    // Accepted edges: 1900, 1998, equal years, 0 and "Unknown" for any state.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--surname", "smith", "--death", "1900"},
          {"--surname", "smith", "--birth", "1870", "--death", "1998"},
          {"--surname", "smith", "--birth", " +1950", "--death", "1950"},
          {"--surname", "smith", "--birth", "1950 ", "--death", "1998"},
          {"--surname", "smith", "--birth", ""},
          {"--surname=--x"}}) {
        EXPECT_EQ(Run(With(args)).status, 0) << args.back();
    }
}

// A year must be a number, and an option is never taken as the value of the one before it.
TEST_F(SearchCommandTest, ValuesThatAreNotWhatTheOptionTakesAreRefused) {
    struct Case {
        std::vector<std::string> args;
        const char* option;  // named in the message
    };
    const Case cases[] = {
        {{"--surname", "smith", "--birth", "1950abc"}, "--birth"},
        {{"--surname", "smith", "--birth", "1950.5"}, "--birth"},
        {{"--surname", "smith", "--birth=1950.5"}, "--birth"},
        {{"--surname", "smith", "--death", "abc"}, "--death"},
        {{"--surname", "smith", "--death", "19 50"}, "--death"},
        {{"--surname", "smith", "--death", "+"}, "--death"},
        {{"--surname", "--first", "ann"}, "--surname"},
        {{"--surname", "smith", "--first", "--birth", "1950"}, "--first"},
        {{"--surname", "smith", "--state", "--format", "csv"}, "--state"},
        {{"--surname", "smith", "--format", "xml"}, "--format"},
        {{"--surname", "smith", "--state", "Atlantis"}, "--state"},
    };
    for (const Case& c : cases) {
        const CommandResult r = Run(With(c.args));
        EXPECT_EQ(r.status, 2) << c.args[c.args.size() - 1];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind(std::string("vel7m-search: ") + c.option + " needs ", 0), 0u)
            << r.err;
    }
}

// "Unknown" is any state: every record of the surname, whatever its location code.
TEST_F(SearchCommandTest, UnknownStateFiltersNothing) {
    const std::string all = Expected("smith");
    ASSERT_EQ(all.substr(0, 18), "23 records found.\n");
    for (const char* state : {"Unknown", "unknown", "0"}) {
        const CommandResult r =
            Run(With({"--surname", "smith", "--state", state, "--format", "lines"}));
        EXPECT_EQ(r.status, 0) << state;
        EXPECT_EQ(r.out, all) << state;
    }
}

TEST_F(SearchCommandTest, CsvQuotesEveryValueThatHoldsAQuoteCommaOrBoth) {
    struct Case {
        const char* surname;
        const char* row;
    };
    const Case cases[] = {
        {"o\"neil", "\"O\"\"NEIL\",X,---,---,---,000-00-0000,---,---,\r\n"},
        {"van,dyke", "\"VAN,DYKE\",X,---,---,---,000-00-0000,---,---,\r\n"},
        {"o\"dell,jr", "\"O\"\"DELL,JR\",X,---,---,---,000-00-0000,---,---,\r\n"},
        {"adams", "ADAMS,EVE,---,---,---,000-00-0000,---,---,\r\n"},
    };
    for (const Case& c : cases) {
        const CommandResult r = Run(With({"--surname", c.surname, "--format", "csv"}));
        EXPECT_EQ(r.status, 0) << c.surname;
        EXPECT_EQ(r.out, std::string("surname,first_name,birth,death,location,ssn,zip_residence,"
                                     "zip_payment,ssn_issued_in\r\n") +
                             c.row)
            << c.surname;
    }
}

TEST_F(SearchCommandTest, DirectoriesComeFromTheSettingsFile) {
    TempDir config;
    std::ofstream(config / "brisel.ini")
        << "; demo\n[Other]\nCDPath=/nowhere\n[vel7m]\n"
        << " cdpath = " << set.disc1.substr(0, set.disc1.size() - 1) << "\nCD2Path=" << set.disc2
        << "\n";
    const std::vector<std::string> query = {"--surname", "smith", "--format", "lines"};
    const CommandResult byWindir = Run(query, {"WINDIR=" + config.Path()});
    EXPECT_EQ(byWindir.status, 0) << byWindir.err;
    EXPECT_EQ(byWindir.out, Expected("smith"));

    const CommandResult byXdg = Run(
        query, {"WINDIR=", "XDG_CONFIG_HOME=" + config.Path().substr(0, config.Path().size() - 1)});
    EXPECT_EQ(byXdg.out, byWindir.out);

    std::vector<std::string> explicitFile = {"--settings", config / "brisel.ini"};
    explicitFile.insert(explicitFile.end(), query.begin(), query.end());
    EXPECT_EQ(Run(explicitFile, {"WINDIR=/nonexistent"}).out, byWindir.out);
}

TEST_F(SearchCommandTest, AMissingDiscOrDataFileEndsWithItsOwnStatus) {
    fs::remove(set.disc2 + "disc2.id");
    const CommandResult noDisc = Run(With({"--surname", "smith"}));
    EXPECT_EQ(noDisc.status, 3);
    EXPECT_EQ(noDisc.err,
              "Please insert Pedrelle Disk 5\n\n( Vavaze Devedire Rizuz L - Z )\n\n"
              "Click OK when done.\n");
    EXPECT_EQ(noDisc.out, "");
    std::ofstream(set.disc2 + "disc2.id");

    for (const builder::SurnameRun& run : set.report.runs) {
        if (run.key == "SMITH       ") {
            fs::remove(set.disc2 + "dp" + std::to_string(run.first / kRecordsPerFile + 1) + ".car");
        }
    }
    const CommandResult noData = Run(With({"--surname", "smith"}));
    EXPECT_EQ(noData.status, 1);
    EXPECT_NE(noData.err.find("needs to be on this disc."), std::string::npos);
    EXPECT_TRUE(InTmp().empty()) << "the fatal exit removes the hit folder too";
}

TEST_F(SearchCommandTest, AProblemDuringTheSearchIsReportedWithStatusFour) {
    fs::remove(set.disc2 + "fname.fst");
    const CommandResult r =
        Run(With({"--surname", "smith", "--first", "ann", "--format", "lines"}));
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("fname.fst"), std::string::npos);
    EXPECT_EQ(r.out, "0 records found.\n");
}

TEST_F(SearchCommandTest, TheHitFileIsPrivateAndRemoved) {
    std::ofstream(set.program + "test.bin") << "the window's own hits";
    const CommandResult r = Run(With({"--surname", "smith", "--first", "john"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
    std::ifstream window(set.program + "test.bin");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(window), {}), "the window's own hits");
}

TEST_F(SearchCommandTest, HelpDescribesTheCommand) {
    const CommandResult r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--surname", "--format", "--settings", "Exit status"}) {
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
}

// The README's way of writing the settings, with a comment after each value, works.
TEST_F(SearchCommandTest, CommentsAfterSettingsValuesAreNotPartOfTheFolder) {
    TempDir config;
    std::ofstream(config / "brisel.ini")
        << "[Vel7m]\nVelDir=/unused/   ; writable\nCDPath=" << set.disc1
        << "\t; disc 1 (surnames A - K)\nCD2Path=" << set.disc2
        << "   ; disc 2; may name the same drive\n";
    const CommandResult r =
        Run({"--surname", "smith", "--format", "lines"}, {"WINDIR=" + config.Path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Expected("smith"));
}

// A settings file that cannot be used is named, with status 1, instead of a disc request.
TEST_F(SearchCommandTest, ASettingsFileThatCannotBeUsedIsNamed) {
    struct Case {
        const char* name;
        const char* content;  // null: no file; "/": a folder of that name
        const char* says;
    };
    const Case cases[] = {
        {"missing", nullptr, "does not exist"},
        {"a folder", "/", "is a folder"},
        {"byte-order mark", "\xEF\xBB\xBF[Vel7m]\nCDPath=/a/\nCD2Path=/b/\n", "byte-order mark"},
        {"no section", "[Vel7m.bak]\nCDPath=/a/\nCD2Path=/b/\n", "no [Vel7m] section"},
        {"no disc 2", "[Vel7m]\nCDPath=/a/\n", "gives no CD2Path"},
    };
    for (const Case& c : cases) {
        TempDir config;
        if (c.content != nullptr && std::string(c.content) == "/")
            fs::create_directory(config / "brisel.ini");
        else if (c.content != nullptr)
            std::ofstream(config / "brisel.ini") << c.content;
        const CommandResult r = Run({"--surname", "smith"}, {"WINDIR=" + config.Path()});
        EXPECT_EQ(r.status, 1) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_NE(r.err.find(config / "brisel.ini"), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.find("Please insert"), std::string::npos) << c.name;
    }
    // The same for a file named on the command line.
    const CommandResult named = Run({"--settings", tmp / "nowhere.ini", "--surname", "smith"});
    EXPECT_EQ(named.status, 1);
    EXPECT_NE(named.err.find(tmp / "nowhere.ini"), std::string::npos) << named.err;
}

TEST_F(SearchCommandTest, TmpdirThatIsNotAUsableFolderIsNamed) {
    std::ofstream(tmp / "a-file") << "x";
    for (const std::string& dir : {tmp / "missing", tmp / "a-file", tmp / std::string(5000, 'd')}) {
        const CommandResult r =
            RunCommand(VEL7M_SEARCH, With({"--surname", "smith"}), {"TMPDIR=" + dir});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("vel7m-search: cannot make a folder for the hit file in TMPDIR ", 0),
                  0u)
            << r.err;
    }
}

// The hit file never becomes standard output, and results that cannot be written are a
// failure, not a success.
TEST_F(SearchCommandTest, StandardOutputThatCannotBeWrittenIsAFailure) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        Streams streams;
    };
    const Case cases[] = {
        {"closed", With({"--surname", "smith"}), {false, Stdout::Closed, false}},
        {"closed with input", With({"--surname", "smith"}), {true, Stdout::Closed, false}},
        {"full disk",
         With({"--surname", "smith", "--format", "csv"}),
         {false, Stdout::Full, false}},
        {"help, closed", {"--help"}, {false, Stdout::Closed, false}},
    };
    for (const Case& c : cases) {
        const Ended r = Launch(c.args, c.streams);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err.rfind("vel7m-search: cannot write to standard output: ", 0), 0u)
            << c.name << ": " << r.err;
        EXPECT_TRUE(InTmp().empty()) << c.name;
    }
    // Closed input and error do not disturb a search either.
    const Ended quiet =
        Launch(With({"--surname", "smith", "--format", "lines"}), {true, Stdout::File, true});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, Expected("smith"));
}

TEST_F(SearchCommandTest, AReaderThatGoesAwayEndsTheRunWithoutLeftovers) {
    const Ended r = Launch(With({"--surname", "smith"}), {false, Stdout::BrokenPipe, false});
    EXPECT_EQ(r.signal, SIGPIPE) << "ended the way a pipeline expects";
    EXPECT_TRUE(InTmp().empty());
}

// Waiting for a disc on a terminal: the hit folder exists, and goes on every catchable end.
TEST_F(SearchCommandTest, SignalsWhileWaitingForADiscLeaveNoHitFolder) {
    fs::remove(set.disc2 + "disc2.id");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        auto run = OnATerminal(With({"--surname", "smith"}));
        ASSERT_TRUE(run->WaitFor("[O]K or [C]ancel? ")) << signal;
        EXPECT_EQ(InTmp().size(), 1u) << "the hit folder is there while the request waits";
        run->Signal(signal);
        const Ended r = run->Wait();
        EXPECT_EQ(r.signal, signal);
        EXPECT_TRUE(InTmp().empty()) << signal;
    }
}

TEST_F(SearchCommandTest, CancellingTheDiscRequestIsStatusThree) {
    fs::remove(set.disc2 + "disc2.id");
    for (const char* answer : {"c\n", "C\n", "\x04"}) {  // Ctrl-D: no more answers
        auto run = OnATerminal(With({"--surname", "smith"}));
        ASSERT_TRUE(run->WaitFor("Disk 5"));
        ASSERT_TRUE(run->WaitFor("[O]K or [C]ancel? "));
        ASSERT_TRUE(run->Type(answer));
        const Ended r = run->Wait();
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("vel7m-search: the disc request was cancelled"), std::string::npos)
            << r.err;
        EXPECT_TRUE(InTmp().empty());
    }
    // OK once the disc is in carries on with the search.
    auto run = OnATerminal(With({"--surname", "smith", "--format", "lines"}));
    ASSERT_TRUE(run->WaitFor("[O]K or [C]ancel? "));
    std::ofstream(set.disc2 + "disc2.id");
    ASSERT_TRUE(run->Type("o\n"));
    const Ended r = run->Wait();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Expected("smith"));
}

// A run killed outright leaves its folder; the next run removes it once it is a minute old,
// and leaves alone what is not an abandoned folder of ours.
TEST_F(SearchCommandTest, TheNextRunClearsWhatAKilledRunLeft) {
    fs::remove(set.disc2 + "disc2.id");
    auto run = OnATerminal(With({"--surname", "smith"}));
    ASSERT_TRUE(run->WaitFor("[O]K or [C]ancel? "));
    run->Signal(SIGKILL);
    run->Wait();
    const std::vector<std::string> left = InTmp();
    ASSERT_EQ(left.size(), 1u);
    std::ofstream(set.disc2 + "disc2.id");

    enum Kind { kFolder, kFile, kLink };
    struct Entry {
        std::string name;
        Kind kind;
        bool isOld;
        bool locked;
        bool removed;
    };
    const Entry entries[] = {
        {left[0], kFolder, true, false, true},
        {"vel7m-search-AbC123", kFolder, true, false, true},
        {"vel7m-search-fresh1", kFolder, false, false, false},
        {"vel7m-search-inuse1", kFolder, true, true, false},
        {"vel7m-search-afile1", kFile, true, false, false},
        {"vel7m-search-alink1", kLink, true, false, false},
        {"vel7m-search-toolong", kFolder, true, false, false},
        {"another-abcdef", kFolder, true, false, false},
    };
    int lock = -1;
    for (const Entry& e : entries) {
        const std::string path = tmp / e.name;
        if (e.kind == kFolder)
            fs::create_directories(path);
        if (e.kind == kFile)
            std::ofstream(path) << "not ours";
        if (e.kind == kLink)
            fs::create_directory_symlink(tmp / "another-abcdef", path);
        if (e.locked) {
            lock = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
        }
        if (e.isOld) {
            const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 120, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
        }
    }
    const CommandResult r = Run(With({"--surname", "adams"}));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const Entry& e : entries)
        EXPECT_EQ(!fs::exists(fs::symlink_status(tmp / e.name)), e.removed) << e.name;
    close(lock);
}

// Searches beyond the form print the window's texts too, each hit with its own surname.
TEST_F(SearchCommandTest, WideSearchesPrintEachHitWithItsSurname) {
    struct Case {
        std::vector<std::string> args;
        std::function<void(SearchQuery&)> query;
    };
    const Case cases[] = {
        {{"--surname", "*"}, [](SearchQuery& q) { q.SetSurname("*"); }},
        {{"--surname", "o?*"}, [](SearchQuery& q) { q.SetSurname("o?*"); }},
        {{"--surname", "smyth", "--sounds-like", "soundex", "--first", "ann"},
         [](SearchQuery& q) {
             q.SetSurname("smyth", SurnameMatch::kSoundex);
             q.SetFirstName("ann");
         }},
        {{"--surname", "schmidt", "--sounds-like", "dm"},
         [](SearchQuery& q) { q.SetSurname("schmidt", SurnameMatch::kDaitchMokotoff); }},
        {{"--first", "ann", "--birth", "1913-1920"},
         [](SearchQuery& q) {
             q.SetFirstName("ann");
             q.SetBirth("1913-1920");
         }},
        {{"--ssn", "100-00", "--state", "ohio"},
         [](SearchQuery& q) {
             q.SetSsn("100-00");
             q.SetState(36);
         }},
        {{"--residence-zip", "00012"}, [](SearchQuery& q) { q.SetResidenceZip("00012"); }},
        {{"--first", "e*", "--payment-zip", "123"},
         [](SearchQuery& q) {
             q.SetFirstName("e*");
             q.SetPaymentZip("123");
         }},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--format", "lines"});
        const CommandResult r = Run(With(args));
        EXPECT_EQ(r.status, 0) << c.args[0] << " " << r.err;
        EXPECT_EQ(r.err, "");
        SearchQuery query;
        c.query(query);
        EXPECT_EQ(r.out, WideExpected(query)) << c.args[0] << c.args[1];
        EXPECT_TRUE(InTmp().empty());
    }
    // Every surname is there, with the records of each in their order.
    const CommandResult all = Run(With({"--surname", "*", "--format", "csv"}));
    EXPECT_NE(all.out.find("\r\nADAMS,EVE,"), std::string::npos);
    EXPECT_NE(all.out.find("\r\n\"VAN,DYKE\",X,"), std::string::npos);
    EXPECT_NE(all.out.find("\r\nSMITH,ANN,3 Mar 1913,"), std::string::npos);
    const CommandResult json = Run(With({"--first", "eve", "--format", "json"}));
    EXPECT_EQ(json.out.rfind("{\"surname\":\"ADAMS\",\"first_name\":\"EVE\",", 0), 0u) << json.out;
    // A range of one year is the form's own search.
    EXPECT_EQ(Run(With({"--surname", "smith", "--birth", "1913-1913", "--format", "lines"})).out,
              Run(With({"--surname", "smith", "--birth", "1913", "--format", "lines"})).out);
}

TEST_F(SearchCommandTest, RefusedValuesOfTheNewOptionsAreNamedAndNothingIsSearched) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--surname", "sm*", "--sounds-like", "soundex"},
         "vel7m-search: --sounds-like: A sounds-like search takes a whole surname, without * or "
         "?.\n"},
        {{"--sounds-like", "dm", "--first", "ann"},
         "vel7m-search: --sounds-like: A sounds-like search needs a surname.\n"},
        {{"--surname", "smith", "--sounds-like", "metaphone"},
         "vel7m-search: --sounds-like needs soundex or dm, not 'metaphone'\n"},
        {{"--first", "ann", "--birth", "1910-1905"},
         "vel7m-search: --birth: Birth years 1910-1905 run backwards: give the earlier year "
         "first.\n"},
        {{"--first", "ann", "--birth", "1860-1880"},
         "vel7m-search: --birth: Birth year must be between 1870 and 1998.\n"},
        {{"--surname", "sm*", "--birth", "1860"},
         "vel7m-search: --birth: Birth year must be between 1870 and 1998.\n"},
        {{"--first", "ann", "--death", "1890-1900"},
         "vel7m-search: --death: Death year must be between 1900 and 1998.\n"},
        {{"--first", "ann", "--birth", "1905-x"},
         "vel7m-search: --birth needs a year in digits, or two as in 1905-1910, not '1905-x'\n"},
        {{"--first", "ann", "--birth", "1950-1960", "--death", "1940-1949"},
         "vel7m-search: Birth year must be the same or earlier than\nthe death year.\n"},
        {{"--ssn", "1234"},
         "vel7m-search: --ssn: SSN must be nine digits (123-45-6789), or the first three or "
         "five (123, 123-45).\n"},
        {{"--ssn", "12a"},
         "vel7m-search: --ssn needs nine digits, or the first three or five (123-45-6789, "
         "123-45, 123), not '12a'\n"},
        {{"--residence-zip", "1234"},
         "vel7m-search: --residence-zip: Residence ZIP must be five digits, or the first "
         "three.\n"},
        {{"--payment-zip", "12x45"},
         "vel7m-search: --payment-zip needs five digits, or the first three, not '12x45'\n"},
        {{"--surname", "sm*", "--first", "abcdefghijk"},
         "vel7m-search: --first: First name is too long.  Maximum length is 10.\n"},
        {{"--surname", "smith", "--surnames-only", "--first", "ann"},
         "vel7m-search: --surnames-only counts whole surnames: give it only --surname and "
         "--sounds-like\n"},
        {{"--surnames-only"}, "vel7m-search: --surnames-only needs --surname\n"},
        {{"--surname", "sm*", "--surnames-only=yes"},
         "vel7m-search: --surnames-only takes no value\n"},
    };
    // Without markers any search would ask for a disc and end with status 3.
    fs::remove(set.disc1 + "disc1.id");
    fs::remove(set.disc2 + "disc2.id");
    for (const Case& c : cases) {
        const CommandResult r = Run(With(c.args));
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
        EXPECT_TRUE(InTmp().empty());
    }
}

TEST_F(SearchCommandTest, SurnamesOnlyListsTheSurnamesAndTheirCounts) {
    const CommandResult lines =
        Run(With({"--surname", "*", "--surnames-only", "--format", "lines"}));
    EXPECT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(lines.out,
              "ADAMS       \t1\nO\"DELL,JR   \t1\nO\"NEIL      \t1\nSMITH       \t23\n"
              "VAN,DYKE    \t1\n");
    const CommandResult table =
        Run(With({"--surname", "smyth", "--sounds-like", "soundex", "--surnames-only"}));
    EXPECT_EQ(table.out, "Surname       Records\nSMITH         23\n1 surnames, 23 records.\n");
    const CommandResult csv = Run(With({"--surname", "o*", "--surnames-only", "--format", "csv"}));
    EXPECT_EQ(csv.out, "surname,records\r\n\"O\"\"DELL,JR\",1\r\n\"O\"\"NEIL\",1\r\n");
    const CommandResult json =
        Run(With({"--surname", "a*", "--surnames-only", "--format", "json"}));
    EXPECT_EQ(json.out, "{\"surname\":\"ADAMS\",\"records\":1}\n");
    EXPECT_TRUE(InTmp().empty());
}

TEST_F(SearchCommandTest, ASearchOfBothDiscsAsksForTheMissingOne) {
    fs::remove(set.disc1 + "disc1.id");
    const CommandResult r = Run(With({"--first", "eve"}));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err,
              "Please insert Pedrelle Disk 4\n\n( Vavaze Devedire Rizuz A - K )\n\n"
              "Click OK when done.\n");
    EXPECT_EQ(r.out, "");
}
