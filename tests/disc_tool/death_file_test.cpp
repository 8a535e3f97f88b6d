// The public death file into a disc set: recognising it, its lines, and whole builds checked
// by searching the set against answers worked out here from the lines themselves.
#include "death_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "build_command.h"
#include "disc_check.h"
#include "disc_tool_support.h"
#include "run_command.h"
#include "test_discs.h"

namespace fs = std::filesystem;
using namespace disctool;

namespace {

struct Person {
    char type = ' ';
    unsigned ssn = 0;
    std::string surname;
    std::string suffix;
    std::string given;
    std::string middle;
    char verified = 'V';
    std::string death = "00000000";  // MMDDCCYY
    std::string birth = "00000000";
};

std::string Field(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

std::string LineOf(const Person& p) {
    char ssn[16];
    std::snprintf(ssn, sizeof ssn, "%09u", p.ssn);
    const std::string line = std::string(1, p.type) + ssn + Field(p.surname, 20) +
                             Field(p.suffix, 4) + Field(p.given, 15) + Field(p.middle, 15) +
                             p.verified + p.death + p.birth + std::string(19, ' ');
    EXPECT_EQ(line.size(), 100u);
    return line;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// What a name column becomes: upper case, cut, without blanks at either end.
std::string Cut(const std::string& text, std::size_t limit) {
    std::string s = Upper(text);
    s.erase(0, s.find_first_not_of(' '));
    if (s.size() > limit)
        s.resize(limit);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// The date as the program shows it, from MMDDCCYY and the years the records can hold.
std::string Shown(const std::string& mmddccyy, bool birth) {
    int month = std::stoi(mmddccyy.substr(0, 2));
    int day = std::stoi(mmddccyy.substr(2, 2));
    int year = std::stoi(mmddccyy.substr(4, 4));
    if (month > 12)
        month = 0;
    static const int days[13] = {31, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int maxDay = month == 2 && year != 0 && !leap ? 28 : days[month];
    if (day > maxDay)
        day = 0;
    if (year != 0 && (year > 1999 || year < (birth ? 1800 : 1900)))
        year = 0;
    // A birth in 1900 or 1800 with neither month nor day would be the "no date" word.
    if (birth && month == 0 && day == 0 && year % 100 == 0)
        year = 0;
    if (month == 0 && day == 0 && year == 0)
        return "---";
    static const char* const names[13] = {"---", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string text = day != 0 ? std::to_string(day) + " " : "";
    text += names[month];
    if (year != 0)
        text += " " + std::to_string(year);
    return text;
}

// The list and detail line of a stored person, as SearchSet gives them.
std::string Hit(const Person& p) {
    char ssn[16];
    std::snprintf(ssn, sizeof ssn, "%03u-%02u-%04u", p.ssn / 1000000, p.ssn / 10000 % 100,
                  p.ssn % 10000);
    return Field(Cut(p.surname, 12), 12) + "\t" + Field(Cut(p.given, 10), 10) + "\t" +
           Shown(p.birth, true) + "\t" + Shown(p.death, false) + "\t---\t" + ssn + "\t---\t---\t";
}

// A file of every column case. Lines are numbered from 1 as they are written; `bad` collects
// the numbers of the lines that are no lines of the format.
struct DeathFile {
    std::vector<std::string> lines;
    std::vector<Person> people;  // the valid lines, with their line numbers below
    std::vector<long> numbers;
    std::set<long> bad;

    void Add(const Person& p) {
        lines.push_back(LineOf(p));
        people.push_back(p);
        numbers.push_back(static_cast<long>(lines.size()));
    }
    void Bad(const std::string& line) {
        lines.push_back(line);
        bad.insert(static_cast<long>(lines.size()));
    }
    std::string Text(const char* end = "\n") const {
        std::string text;
        for (const std::string& line : lines)
            text += line + end;
        return text;
    }

    // Every surname's stored people in the order a search gives them: by first name, then
    // by line. Changes and deletes applied the plain way, line by line.
    std::map<std::string, std::vector<std::string>> Expected() const {
        std::vector<std::pair<long, Person>> live;
        for (std::size_t i = 0; i < people.size(); ++i) {
            const Person& p = people[i];
            if (p.type == 'C' || p.type == 'D') {
                live.erase(std::remove_if(live.begin(), live.end(),
                                          [&](const auto& l) { return l.second.ssn == p.ssn; }),
                           live.end());
            }
            if (p.type != 'D' && !Cut(p.surname, 12).empty())
                live.push_back({numbers[i], p});
        }
        std::sort(live.begin(), live.end(), [](const auto& a, const auto& b) {
            const std::string na = Field(Cut(a.second.given, 10), 10);
            const std::string nb = Field(Cut(b.second.given, 10), 10);
            return na != nb ? na < nb : a.first < b.first;
        });
        std::map<std::string, std::vector<std::string>> bySurname;
        for (const Person& p : people)
            bySurname[Cut(p.surname, 12)];
        for (const auto& [line, p] : live)
            bySurname[Cut(p.surname, 12)].push_back(Hit(p));
        bySurname.erase("");
        return bySurname;
    }
};

DeathFile EveryCase(unsigned extra = 600) {
    DeathFile f;
    const auto person = [](char type, unsigned ssn, const char* surname, const char* given,
                           const char* death, const char* birth) {
        Person p;
        p.type = type;
        p.ssn = ssn;
        p.surname = surname;
        p.given = given;
        p.death = death;
        p.birth = birth;
        return p;
    };
    // Dates: whole, 00 parts, no date, impossible parts, years the records cannot hold.
    f.Add(person(' ', 123456789, "SMITH", "JOHN", "03071951", "11021880"));
    f.Add(person('A', 123456790, "SMITH", "MARY", "00001975", "03001901"));
    f.Add(person(' ', 123456791, "SMITH", "ANN", "00071962", "00000000"));
    f.Add(person(' ', 123456792, "SMITH", "", "03070000", "00001900"));
    f.Add(person(' ', 123456793, "SMITH", "ROSE", "13011970", "02301910"));
    f.Add(person(' ', 123456794, "SMITH", "JOHN", "02291900", "02291896"));
    f.Add(person(' ', 123456795, "SMITH", "EDNA", "05052005", "01011799"));
    f.Add(person(' ', 123456796, "SMITH", "LEO", "00000000", "00001800"));
    // Names: 20-character surnames, 15-character given names, suffixes and middle names
    // (not stored), blanks inside, lower case.
    Person jr = person(' ', 200000001, "WASHINGTON", "GEORGE", "12141999", "02221932");
    jr.suffix = "JR";
    jr.middle = "HERBERT WALKER";
    jr.verified = 'P';
    f.Add(jr);
    f.Add(
        person(' ', 200000002, "VANDERBILTWORTHINGTO", "CHRISTOPHERSONS", "01011990", "01011900"));
    f.Add(person(' ', 200000003, "DE LA CRUZ", "MARIA JOSEFINA", "07041976", "07041900"));
    f.Add(person(' ', 200000004, "o'brien-kelly", "sean", "08081988", "09091909"));
    f.Add(person(' ', 200000005, "   LEE", "  AL", "01011970", "01011900"));
    // Lines that are no lines of the file.
    f.Bad(LineOf(person(' ', 1, "SHORT", "X", "01011970", "01011900")).substr(0, 99));
    f.Bad(LineOf(person(' ', 1, "LONG", "X", "01011970", "01011900")) + " ");
    f.Bad("");
    f.Bad(std::string(5000, 'Z'));
    std::string letterSsn = LineOf(person(' ', 1, "BADSSN", "X", "01011970", "01011900"));
    letterSsn[5] = 'O';
    f.Bad(letterSsn);
    std::string blankDate = LineOf(person(' ', 1, "BADDATE", "X", "01011970", "01011900"));
    blankDate[70] = ' ';
    f.Bad(blankDate);
    std::string wrongType = LineOf(person(' ', 1, "BADTYPE", "X", "01011970", "01011900"));
    wrongType[0] = 'X';
    f.Bad(wrongType);
    // Changes and deletes: a surname changed, a person withdrawn, a change and a delete with
    // nothing before them, a delete then a new add, two adds of one SSN, a change that
    // cannot be stored.
    f.Add(person(' ', 300000001, "JONES", "BOB", "01011980", "01011910"));
    f.Add(person(' ', 300000002, "JONES", "AMY", "01011981", "01011911"));
    f.Add(person(' ', 300000005, "BROWN", "EVE", "01011982", "01011912"));
    f.Add(person(' ', 300000006, "BROWN", "TOM", "01011983", "01011913"));
    f.Add(person(' ', 300000007, "BROWN", "TOM", "01011984", "01011914"));
    f.Add(person(' ', 300000008, "BROWN", "IDA", "01011985", "01011915"));
    f.Add(person('C', 300000001, "JONES-SMITH", "ROBERT", "01011980", "01011910"));
    f.Add(person('D', 300000002, "", "", "00000000", "00000000"));
    f.Add(person('D', 300000003, "NOBODY", "", "00000000", "00000000"));
    f.Add(person('C', 300000004, "NEWMAN", "PAUL", "03031993", "04041914"));
    f.Add(person('C', 300000005, "BROWN", "EVA", "01011982", "01011912"));
    f.Add(person('D', 300000005, "BROWN", "EVA", "01011982", "01011912"));
    f.Add(person('D', 300000006, "BROWN", "TOM", "01011983", "01011913"));
    f.Add(person(' ', 300000006, "BROWN", "THOMAS", "01011983", "01011913"));
    f.Add(person(' ', 300000007, "BROWN", "TOMMY", "01011984", "01011914"));
    f.Add(person('C', 300000008, "", "IDA", "01011985", "01011915"));
    // Many people, so the sorts have work: equal names keep their line order.
    std::mt19937 twister(11);
    const auto random = [&twister] { return static_cast<unsigned>(twister()); };
    const char* const surnames[] = {"MILLER", "DAVIS", "GARCIA", "WILSON", "MOORE", "TAYLOR"};
    const char* const givens[] = {"JAMES", "MARY", "JOHN", "PATRICIA", "ROBERT", ""};
    for (unsigned i = 0; i < extra; ++i) {
        char death[16];
        char birth[16];
        std::snprintf(death, sizeof death, "%02u%02u%04u", random() % 13, random() % 32,
                      1937 + random() % 62);
        std::snprintf(birth, sizeof birth, "%02u%02u%04u", random() % 13, random() % 29,
                      1870 + random() % 60);
        f.Add(person(random() % 9 == 0 ? 'A' : ' ', 400000000 + random() % 400,
                     surnames[random() % 6], givens[random() % 6], death, birth));
        if (i % 50 == 7) {
            const Person& earlier = f.people[f.people.size() - 1 - random() % 20];
            Person change = earlier;
            change.type = random() % 2 == 0 ? 'C' : 'D';
            change.given = givens[random() % 6];
            change.surname = surnames[random() % 6];
            f.Add(change);
        }
    }
    return f;
}

class DeathFileBuild : public ::testing::Test {
  protected:
    bool Build(const std::string& text, BuildOptions options = {}) {
        WriteText(dir / "dmf.txt", text);
        options.input = options.input.empty() ? dir / "dmf.txt" : options.input;
        options.outDir = dir / "set";
        options.onProblem = [this](const RowProblem& p) { problems.push_back(p); };
        problems.clear();
        summary = BuildSummary{};
        error.clear();
        return RunBuild(options, summary, error);
    }
    std::set<long> Lines(const std::string& prefix) const {
        std::set<long> lines;
        for (const RowProblem& p : problems) {
            if (p.message.rfind(prefix, 0) == 0)
                lines.insert(p.line);
        }
        return lines;
    }

    TempDir dir;
    std::vector<RowProblem> problems;
    BuildSummary summary;
    std::string error;
};

}  // namespace

TEST(GuessFormat, TellsTheDeathFileFromCsvAndRefusesTheRest) {
    const std::string line = LineOf(Person{' ', 123456789, "SMITH", "", "JOHN", "", 'V'});
    const std::string change = LineOf(Person{'D', 123456789, "SMITH", "", "JOHN", "", 'V'});
    struct Case {
        const char* name;
        std::string head;
        InputFormat format;
    };
    const Case cases[] = {
        {"death file", line + "\n" + change + "\n", InputFormat::kDeathFile},
        {"with CR LF", line + "\r\n" + line + "\r\n", InputFormat::kDeathFile},
        {"one line, no line end", line, InputFormat::kDeathFile},
        {"cut off after the first line", line + "\n" + line.substr(0, 40), InputFormat::kDeathFile},
        {"a damaged line among good ones", line + "\n" + line.substr(1) + "\n" + line + "\n",
         InputFormat::kDeathFile},
        {"mostly damaged lines", line.substr(1) + "\n" + line.substr(1) + "\n" + line + "\n",
         InputFormat::kUnknown},
        {"CSV", "surname,first_name,birth\nSmith,John,1901\n", InputFormat::kCsv},
        {"CSV with a byte order mark", "\xEF\xBB\xBFsurname,first_name\n", InputFormat::kCsv},
        {"a text line with a comma", "Dear Sir,\n", InputFormat::kCsv},
        {"a letter", "Dear Sir\nplease find\n", InputFormat::kUnknown},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0,", 12), InputFormat::kUnknown},
        {"zeros", std::string(4096, '\0'), InputFormat::kUnknown},
        {"nothing", "", InputFormat::kUnknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GuessFormat(c.head), c.format) << c.name;
}

TEST(LineReader, SplitsLinesOfAnyLengthInBoundedMemory) {
    const std::string longLine(3 << 20, 'x');
    const std::string text = "a\r\nbc\n\n" + longLine + "\r\nlast";
    std::size_t at = 0;
    LineReader reader([&](char* out, std::size_t n) -> long {
        n = std::min<std::size_t>(n, 7777);  // reads that split lines and CR LF anywhere
        n = std::min(n, text.size() - at);
        text.copy(out, n, at);
        at += n;
        return static_cast<long>(n);
    });
    struct Got {
        std::string line;
        std::size_t length;
        long number;
    };
    std::vector<Got> got;
    std::string_view line;
    while (reader.Next(line))
        got.push_back({std::string(line), reader.Length(), reader.Line()});
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].line, "a");
    EXPECT_EQ(got[1].line, "bc");
    EXPECT_EQ(got[2].line, "");
    EXPECT_EQ(got[3].line, std::string(LineReader::kKeptBytes, 'x'));
    EXPECT_EQ(got[3].length, longLine.size());
    EXPECT_EQ(got[4].line, "last");
    EXPECT_EQ(got[4].number, 5);
    EXPECT_FALSE(reader.ReadError());
}

TEST_F(DeathFileBuild, StoresEveryColumnCaseAsTheLinesSayAndSkipsMalformedLines) {
    const DeathFile file = EveryCase();
    ASSERT_TRUE(Build(file.Text())) << error;
    EXPECT_EQ(summary.format, InputFormat::kDeathFile);
    EXPECT_EQ(Lines("line: "), file.bad);
    EXPECT_EQ(summary.rows, static_cast<std::int64_t>(file.lines.size()));
    EXPECT_GT(summary.changes, 0);
    EXPECT_GT(summary.deletes, 0);

    std::size_t stored = 0;
    for (const auto& [surname, hits] : file.Expected()) {
        EXPECT_EQ(SearchSet(dir / "set", surname.c_str()), hits) << surname;
        stored += hits.size();
    }
    EXPECT_EQ(summary.records, static_cast<std::int64_t>(stored));
    EXPECT_TRUE(InspectDiscSet({dir / "set/disc1", "disc1/"}, {dir / "set/disc2", "disc2/"}, {})
                    .problems.empty());

    // What cannot be stored is told by line: dates, a change or delete without an earlier
    // line, a change without a surname.
    const auto lineOf = [&](unsigned ssn, char type) {
        for (std::size_t i = 0; i < file.people.size(); ++i) {
            if (file.people[i].ssn == ssn && file.people[i].type == type)
                return file.numbers[i];
        }
        return -1L;
    };
    for (const char* column : {"birth: ", "death: "})
        EXPECT_TRUE(Lines(column).count(5)) << column << "month 13, 30 February";
    EXPECT_TRUE(Lines("death: ").count(6)) << "29 February 1900";
    EXPECT_FALSE(Lines("birth: ").count(6)) << "29 February 1896 is a date";
    EXPECT_TRUE(Lines("death: ").count(7)) << "2005 cannot be stored";
    const std::set<long> ssn = Lines("ssn: ");
    EXPECT_TRUE(ssn.count(lineOf(300000003, 'D')));
    EXPECT_TRUE(ssn.count(lineOf(300000004, 'C')));
    EXPECT_FALSE(ssn.count(lineOf(300000001, 'C')));
    EXPECT_TRUE(Lines("surname: ").count(lineOf(300000008, 'C')));
}

TEST_F(DeathFileBuild, ChangesGiveTheSameSetWhetherSortedInMemoryOrThroughFiles) {
    const std::string text = EveryCase(20000).Text("\r\n");
    ASSERT_TRUE(Build(text)) << error;
    EXPECT_EQ(summary.sortRuns, 0);
    const auto inMemory = Snapshot(dir / "set");
    BuildOptions small;
    small.memoryBytes = 64 << 10;  // the least the sort takes: some 1,400 entries a run
    ASSERT_TRUE(Build(text, small)) << error;
    EXPECT_GT(summary.sortRuns, 10);
    EXPECT_EQ(Snapshot(dir / "set"), inMemory);
}

TEST_F(DeathFileBuild, RefusesWhatItCannotRecogniseBeforeWritingAnything) {
    const std::string line = LineOf(Person{' ', 123456789, "SMITH", "", "JOHN", "", 'V'});
    const std::string shortLines = line.substr(0, 99) + "\n" + line.substr(0, 99) + "\n";
    struct Case {
        const char* name;
        std::string text;
        InputFormat format;
        bool builds;
        std::set<long> skipped;
    };
    const Case cases[] = {
        {"a picture",
         std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
         InputFormat::kUnknown,
         false,
         {}},
        {"an empty file", "", InputFormat::kUnknown, false, {}},
        {"lines one short, guessed", shortLines, InputFormat::kUnknown, false, {}},
        {"lines one short, said to be the death file",
         shortLines,
         InputFormat::kDeathFile,
         true,
         {1, 2}},
        {"the death file said to be CSV", line + "\n", InputFormat::kCsv, false, {}},
    };
    for (const Case& c : cases) {
        BuildOptions options;
        options.format = c.format;
        EXPECT_EQ(Build(c.text, options), c.builds) << c.name << ": " << error;
        EXPECT_EQ(Lines("line: "), c.skipped) << c.name;
        EXPECT_EQ(fs::exists(dir / "set"), c.builds) << c.name;
        std::vector<std::string> beside;
        for (const fs::directory_entry& e : fs::directory_iterator(dir.Path()))
            beside.push_back(e.path().filename().string());
        EXPECT_EQ(beside.size(), c.builds ? 2u : 1u) << c.name << ": no work folder is made";
        fs::remove_all(dir / "set");
    }
}

TEST_F(DeathFileBuild, ReadsGzipAndRefusesADamagedOne) {
    const DeathFile file = EveryCase();
    ASSERT_TRUE(Build(file.Text())) << error;
    const auto plain = Snapshot(dir / "set");
    const std::string gz = dir / "dmf.txt.gz";
    ASSERT_EQ(std::system(("gzip -c '" + dir / "dmf.txt" + "' > '" + gz + "'").c_str()), 0);
    BuildOptions options;
    options.input = gz;
    ASSERT_TRUE(Build(file.Text(), options)) << error;
    EXPECT_TRUE(summary.compressed);
    EXPECT_EQ(summary.storedBytes, static_cast<std::int64_t>(fs::file_size(gz)));
    EXPECT_EQ(summary.inputBytes, static_cast<std::int64_t>(file.Text().size()));
    EXPECT_EQ(Snapshot(dir / "set"), plain);

    // Cut short, it is damaged: the set built before stays as it was.
    fs::resize_file(gz, fs::file_size(gz) * 2 / 3);
    EXPECT_FALSE(Build(file.Text(), options));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(Snapshot(dir / "set"), plain);

    // A compressed CSV list reads as well.
    WriteText(dir / "people.csv",
              "surname,first_name,birth,death,ssn,state,zip_residence,zip_payment\n"
              "Adams,Eve,,,,,,\n");
    ASSERT_EQ(std::system(("gzip '" + dir / "people.csv" + "'").c_str()), 0);
    options.input = dir / "people.csv.gz";
    ASSERT_TRUE(Build("", options)) << error;
    EXPECT_EQ(summary.format, InputFormat::kCsv);
    EXPECT_EQ(SearchSet(dir / "set", "adams").size(), 1u);
}

TEST(DeathFileCommand, BuildsFromStandardInputAndReportsThroughput) {
    TempDir dir;
    WriteText(dir / "dmf.txt", EveryCase().Text());
    const CommandResult build =
        RunCommand("/bin/sh", {"-c", std::string(VEL7M_DISC) + " build --from - --out '" +
                                         dir / "set" + "' < '" + dir / "dmf.txt" + "'"});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_NE(build.out.find("lines read (the public death file)"), std::string::npos) << build.out;
    EXPECT_NE(build.out.find("lines/s"), std::string::npos) << build.out;
    EXPECT_NE(build.out.find("MB/s"), std::string::npos) << build.out;
    EXPECT_NE(build.err.find("stdin:14: line: 99 characters, not 100; line skipped"),
              std::string::npos)
        << build.err;
    const CommandResult wrong = RunCommand(VEL7M_DISC, {"build", "--from", dir / "dmf.txt", "--out",
                                                        dir / "x", "--input-format", "fixed"});
    EXPECT_EQ(wrong.status, 2);
}
