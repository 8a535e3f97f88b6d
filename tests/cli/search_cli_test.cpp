#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "death_index.h"
#include "record_encoding.h"
#include "result_set.h"
#include "run_command.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"

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
              "SSN          ZIP    Payment ZIP\n"
              "ADAMS         EVE         ---          ---          ---                      "
              "000-00-0000  ---    ---\n");

    const CommandResult csv = Run(With({"--surname", "o\"dell,jr", "--format", "csv"}));
    EXPECT_EQ(csv.out,
              "surname,first_name,birth,death,location,ssn,zip_residence,zip_payment\r\n"
              "\"O\"\"DELL,JR\",X,---,---,---,000-00-0000,---,---\r\n");

    const CommandResult json = Run(With({"--surname", "o\"dell,jr", "--format", "json"}));
    EXPECT_EQ(json.out,
              "{\"surname\":\"O\\\"DELL,JR\",\"first_name\":\"X\",\"birth\":\"---\",\"death\":"
              "\"---\",\"location\":\"---\",\"ssn\":\"000-00-0000\",\"zip_residence\":\"---\","
              "\"zip_payment\":\"---\"}\n");

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
        {{"--surname", ""}, "Please enter a surname.\n"},
        {{"--first", "ann"}, "Please enter a surname.\n"},
        {{"--surname", "abcdefghijklm"},
         "query error: Last name is too long.  Maximum length is 12..\n\n"},
        {{"--surname", "smith", "--first", "abcdefghijk"},
         "query error: First name is too long.  Maximum length is 10..\n\n"},
        {{"--surname", "smith", "--death", "1899"}, "Death year must be between 1900 and 1998\n"},
        {{"--surname", "smith", "--death", "1999"}, "Death year must be between 1900 and 1998\n"},
        {{"--surname", "smith", "--death", "abc"}, "Death year must be between 1900 and 1998\n"},
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
          {"--surname", "smith", "--state", "0"},
          {"--surname", "smith", "--state", "unknown"}}) {
        EXPECT_EQ(Run(With(args)).status, 0) << args.back();
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
