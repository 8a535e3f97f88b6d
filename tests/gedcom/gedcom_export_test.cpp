// `vel7m-search --format gedcom` as a family-tree program takes it. The import into Gramps
// runs when Gramps is installed (tools/setup-deps.sh gedcom-check) and is skipped otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "record_encoding.h"
#include "run_command.h"
#include "test_discs.h"

namespace fs = std::filesystem;
using builder::DateWord;
using builder::Person;

namespace {

constexpr int kHits = 10000;

// Ten thousand records of one surname with every partial date, location kind, ZIP kind and
// SSN kind the records can hold, and names with Latin-1 letters and none at all.
std::vector<Person> People() {
    const char* const given[] = {"MARY", "JOHN", "", "ANNA MAE", "JOS\xC9", "BILLY-JOE", "ZO\xCB"};
    std::vector<Person> people;
    for (int i = 0; i < kHits; ++i) {
        Person p = MakePerson("jones", given[i % 7]);
        const int day = i % 5 == 0 ? 0 : 1 + i % 31;  // 31 for months that lack it, too
        const int month = i % 7 == 0 ? 0 : 1 + i % 12;
        const int year = i % 11 == 0 ? -1 : i % 100;
        p.birthWord = DateWord(day, month, year);
        p.bornIn1800s = i % 3 == 0;
        p.deathWord = i % 13 == 0 ? kNoDateWord
                                  : DateWord(i % 4 == 0 ? 0 : 1 + i % 28,
                                             i % 17 == 0 ? 0 : 1 + i % 12, 37 + i % 62);
        p.location = static_cast<std::uint8_t>(i % 128);
        const int ssnKinds[] = {0, 666001234, 700123456, 586001111, 999999999};
        p.ssn = static_cast<std::uint32_t>(i % 10 < 5 ? ssnKinds[i % 5] : 1000000 + i * 99991);
        p.residenceZipWord = static_cast<std::uint16_t>(i % 4 == 0 ? 65535 - i % 10002 : i);
        p.paymentZipWord = static_cast<std::uint16_t>(i % 6 == 0 ? 55534 + i % 3 : i % 45213);
        people.push_back(p);
    }
    people.push_back(MakePerson("jonas", "X"));
    people.push_back(MakePerson("jonson", "Y"));
    return people;
}

class GedcomExportTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { set = new TestDiscSet(People()); }
    static void TearDownTestSuite() {
        delete set;
        set = nullptr;
    }
    CommandResult Search(const std::string& surname) {
        return RunCommand(VEL7M_SEARCH,
                          {"--disc1", set->disc1, "--disc2", set->disc2, "--surname", surname,
                           "--format", "gedcom"},
                          {"TMPDIR=" + tmp.Path()});
    }

    static TestDiscSet* set;
    TempDir tmp;
};

TestDiscSet* GedcomExportTest::set = nullptr;

std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

}  // namespace

TEST_F(GedcomExportTest, TheCommandWritesOneIndividualPerHitCitingTheDiscSet) {
    const CommandResult r = Search("jones");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("0 HEAD\r\n1 SOUR VEL7M\r\n", 0), 0u);
    EXPECT_EQ(r.out.substr(r.out.size() - 8), "0 TRLR\r\n");
    EXPECT_EQ(Lines(r.out, "0 @I").size(), static_cast<std::size_t>(kHits));
    EXPECT_EQ(Lines(r.out, "1 DEAT").size(), static_cast<std::size_t>(kHits));
    EXPECT_NE(r.out.find("1 PUBL vel7m disc set: disc 1 " + set->disc1 + ", disc 2 " + set->disc2 +
                         "\r\n"),
              std::string::npos);
    // Today's date in the header, in GEDCOM's form.
    EXPECT_TRUE(
        std::regex_search(r.out, std::regex("\r\n1 DATE [0-9]{1,2} [A-Z]{3} [0-9]{4}\r\n")));

    const CommandResult none = Search("nobody");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(Lines(none.out, "0 @I").size(), 0u);
    EXPECT_EQ(none.out.substr(none.out.size() - 8), "0 TRLR\r\n");
}

TEST_F(GedcomExportTest, GrampsImportsTenThousandHitsWithoutAnErrorOrWarning) {
    if (!OnPath("gramps"))
        GTEST_SKIP() << "Gramps is not installed (tools/setup-deps.sh gedcom-check)";
    const CommandResult search = Search("jones");
    ASSERT_EQ(search.status, 0) << search.err;
    TempDir work;
    { std::ofstream(work / "jones.ged", std::ios::binary) << search.out; }
    // A home of its own, so the test neither reads nor changes the user's family trees.
    const std::vector<std::string> env = {"HOME=" + work.Path(), "LANG=C.UTF-8",
                                          "XDG_DATA_HOME=" + work.Path() + "data",
                                          "XDG_CONFIG_HOME=" + work.Path() + "config"};
    const CommandResult import =
        RunCommand("gramps", {"-y", "-C", "export15", "-i", work / "jones.ged"}, env);
    EXPECT_EQ(import.status, 0) << import.err;
    // Gramps reports problems of the file, errors and warnings alike, in its import report.
    const std::string all = import.out + import.err;
    std::smatch report;
    ASSERT_TRUE(std::regex_search(all, report, std::regex("GEDCOM import report: ([^\n]*)")))
        << all;
    EXPECT_EQ(report[1].str().rfind("No errors detected", 0), 0u) << report[1].str();
    EXPECT_EQ(all.find("Line ignored"), std::string::npos);
    EXPECT_EQ(all.find("Tag recognized but not supported"), std::string::npos);

    // What Gramps holds is what was written: its own export has every individual, date,
    // number and citation.
    const CommandResult exported =
        RunCommand("gramps", {"-O", "export15", "-e", work / "back.ged"}, env);
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string back = Slurp(work / "back.ged");
    EXPECT_EQ(Lines(back, "0 @I").size(), static_cast<std::size_t>(kHits));
    EXPECT_EQ(Lines(back, "1 SSN "), Lines(search.out, "1 SSN "));
    EXPECT_EQ(Lines(back, "2 PAGE "), Lines(search.out, "2 PAGE "));
    EXPECT_EQ(Lines(back, "1 DEAT").size(), static_cast<std::size_t>(kHits));
    EXPECT_EQ(Lines(back, "1 BIRT"), Lines(search.out, "1 BIRT"));
    EXPECT_EQ(Lines(back, "1 RESI"), Lines(search.out, "1 RESI"));
    // Event dates; Gramps adds dates of its own under CHAN.
    std::vector<std::string> dates;
    std::istringstream in(back);
    std::string previous;
    for (std::string line; std::getline(in, line); previous = line) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("2 DATE ", 0) == 0 && previous.rfind("1 CHAN", 0) != 0)
            dates.push_back(line);
    }
    std::sort(dates.begin(), dates.end());
    // Gramps writes an interpreted date back without its INT, the date and phrase kept.
    std::vector<std::string> written;
    for (const std::string& d : Lines(search.out, "2 DATE "))
        written.push_back(d.rfind("2 DATE INT ", 0) == 0 ? "2 DATE " + d.substr(11) : d);
    std::sort(written.begin(), written.end());
    std::vector<std::string> lost;
    std::vector<std::string> changed;
    std::set_difference(written.begin(), written.end(), dates.begin(), dates.end(),
                        std::back_inserter(lost));
    std::set_difference(dates.begin(), dates.end(), written.begin(), written.end(),
                        std::back_inserter(changed));
    EXPECT_TRUE(lost.empty() && changed.empty())
        << lost.size() << " dates lost, the first: " << (lost.empty() ? "" : lost[0]) << "; "
        << changed.size() << " dates changed, the first: " << (changed.empty() ? "" : changed[0]);
    // The Latin-1 names arrived as the letters they are.
    EXPECT_NE(back.find("1 NAME Jos\xC3\xA9 /JONES/"), std::string::npos);
}
