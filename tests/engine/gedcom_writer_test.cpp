#include "gedcom_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "display_format.h"
#include "result_writers.h"

namespace {

int Packed(int month, int day, int year) {
    return month * 1000000 + day * 10000 + year;
}

ResultRow Row(const char* surname, const char* given) {
    ResultRow row{};
    std::snprintf(row.surname, sizeof row.surname, "%s", surname);
    std::snprintf(row.givenName, sizeof row.givenName, "%s", given);
    row.ssnIssuedIn = "";
    return row;
}

std::string Write(const std::vector<ResultRow>& rows, const ExportSource& source = {}) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    CResultWriter writer(OutputFormat::Gedcom, out, source);
    writer.Begin(static_cast<long>(rows.size()));
    for (const ResultRow& row : rows)
        writer.Write(row);
    EXPECT_TRUE(writer.End());
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

struct GedLine {
    int level = 0;
    std::string xref;
    std::string tag;
    std::string value;
    bool hasValue = false;
};

bool IsUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : -1;
        if (more < 0 || i + more >= s.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += 1 + more;
    }
    return true;
}

// Parses a file and checks what every line must satisfy; failures name the line.
std::vector<GedLine> ParseChecked(const std::string& text) {
    static const std::regex kLine(
        R"(^(0|[1-9][0-9]?) (@[A-Za-z0-9]+@ )?([A-Z][A-Z0-9_]*)( (.*))?$)");
    static const std::map<std::string, std::size_t> kLimits = {
        {"NAME", 120}, {"ADDR", 60},  {"STAE", 60},  {"POST", 10},  {"CTRY", 60},
        {"SSN", 11},   {"DATE", 35},  {"PAGE", 248}, {"NOTE", 248}, {"TITL", 248},
        {"AUTH", 248}, {"PUBL", 248}, {"CONC", 248}, {"VERS", 15},  {"CHAR", 8},
        {"FORM", 14},  {"SOUR", 20},  {"SUBM", 22},  {"DEAT", 1}};
    std::vector<GedLine> lines;
    std::size_t at = 0;
    int previous = -1;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "no CRLF after the last line";
            break;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        SCOPED_TRACE(line);
        EXPECT_LE(line.size() + 2, 255u);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        EXPECT_TRUE(IsUtf8(line));
        std::smatch m;
        if (!std::regex_match(line, m, kLine)) {
            ADD_FAILURE() << "not a GEDCOM line";
            continue;
        }
        GedLine g;
        g.level = std::stoi(m[1]);
        g.xref = m[2].matched ? m[2].str().substr(0, m[2].length() - 1) : "";
        g.tag = m[3];
        g.hasValue = m[4].matched;
        g.value = m[5];
        EXPECT_LE(g.level, previous + 1);
        previous = g.level;
        if (g.hasValue) {
            EXPECT_FALSE(g.value.empty());
            EXPECT_NE(g.value.front(), ' ');
            EXPECT_NE(g.value.back(), ' ');
            const auto limit = kLimits.find(g.tag);
            if (limit != kLimits.end()) {
                EXPECT_LE(g.value.size(), limit->second) << g.tag;
            }
            // An '@' is a pointer's or doubled.
            if (!(g.value.front() == '@' && g.value.back() == '@')) {
                const std::string undoubled = std::regex_replace(g.value, std::regex("@@"), "");
                EXPECT_EQ(undoubled.find('@'), std::string::npos);
            }
        }
        lines.push_back(g);
    }
    return lines;
}

// The value of the first line with `tag` under line `parent` (its direct children only).
std::string Child(const std::vector<GedLine>& lines, std::size_t parent, const std::string& tag) {
    for (std::size_t i = parent + 1; i < lines.size() && lines[i].level > lines[parent].level;
         ++i) {
        if (lines[i].level == lines[parent].level + 1 && lines[i].tag == tag)
            return lines[i].hasValue ? lines[i].value : "<no value>";
    }
    return "";
}

}  // namespace

TEST(GedcomDateTest, EveryPartialFormIsValidGedcomOrLeftOut) {
    const struct {
        int packed;
        const char* expected;  // "" for no DATE
    } cases[] = {
        {Packed(5, 2, 1872), "2 MAY 1872"},
        {Packed(5, 0, 1872), "MAY 1872"},
        {Packed(0, 0, 1872), "1872"},
        {Packed(0, 7, 1951), "1951"},  // a day without its month tells nothing
        {Packed(5, 2, 0), "(2 MAY)"},  // no year: a phrase, not a date
        {Packed(5, 0, 0), "(MAY)"},
        {Packed(0, 7, 0), ""},
        {0, ""},
        {Packed(12, 31, 1999), "31 DEC 1999"},
        {Packed(2, 29, 1904), "29 FEB 1904"},
        {Packed(2, 29, 1900), "INT FEB 1900 (29 FEB 1900)"},  // 1900 was no leap year
        {Packed(2, 31, 1950), "INT FEB 1950 (31 FEB 1950)"},
        {Packed(4, 31, 1950), "INT APR 1950 (31 APR 1950)"},
        {Packed(2, 29, 0), "(29 FEB)"},
        {Packed(13, 7, 1951), "1951"},  // a damaged month counts as unknown
        {Packed(15, 31, 0), ""},
        {-5, ""},
    };
    for (const auto& c : cases) {
        char out[64];
        const bool written = FormatGedcomDate(c.packed, out, sizeof out);
        EXPECT_EQ(written, *c.expected != '\0') << c.packed;
        EXPECT_STREQ(out, c.expected) << c.packed;
        EXPECT_LE(std::string(out).size(), 35u);
    }
    char tiny[5];
    EXPECT_FALSE(FormatGedcomDate(Packed(5, 2, 1872), tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "");
}

TEST(GedcomNameTest, GivenInMixedCaseSurnameAsIndexed) {
    const struct {
        const char* given;
        const char* surname;
        const char* expected;  // "" when no NAME
    } cases[] = {
        {"MARY      ", "SMITH       ", "Mary /SMITH/"},
        {"MARY ANN  ", "SMITH       ", "Mary Ann /SMITH/"},
        {"MARY-ANN", "O'NEIL", "Mary-Ann /O'NEIL/"},
        {"D'ARCY", "VAN  DYKE", "D'Arcy /VAN DYKE/"},
        {"          ", "SMITH       ", "/SMITH/"},
        {"", "SMITH", "/SMITH/"},
        {"ANN", "", "Ann //"},
        {"JOS\xC9", "M\xDCLLER", "Jos\xC3\xA9 /M\xC3\x9CLLER/"},  // Latin-1 bytes as UTF-8
        {"A/B", "X@Y", "A B /X Y/"},  // '/' would end the surname, '@' start a pointer
        {"J\tR\x01", "SMITH", "J R /SMITH/"},
        {"   ", "   ", ""},
        {"//", "@", ""},
    };
    for (const auto& c : cases) {
        char out[200];
        const bool written = FormatGedcomName(c.given, c.surname, out, sizeof out);
        EXPECT_EQ(written, *c.expected != '\0') << c.given << "|" << c.surname;
        EXPECT_STREQ(out, c.expected) << c.given << "|" << c.surname;
    }
}

TEST(GedcomWriterTest, FileStructureLevelsTagsAndLengths) {
    std::vector<ResultRow> rows;
    const int dates[] = {Packed(5, 2, 1872),
                         Packed(5, 0, 1872),
                         Packed(0, 0, 1872),
                         Packed(5, 2, 0),
                         Packed(5, 0, 0),
                         Packed(0, 7, 0),
                         0,
                         Packed(2, 30, 1950)};
    int n = 0;
    for (int birth : dates) {
        for (int death : dates) {
            ResultRow row = Row(n % 5 == 0 ? "SMITH       " : "O'NEIL      ",
                                n % 7 == 0 ? "          " : "MARY      ");
            row.birthDate = birth;
            row.deathDate = death;
            row.ssn = n % 9 == 0 ? 0 : 123450000 + n;
            row.ssnIssuedIn = row.ssn != 0 ? "New York" : "";
            // Every kind of location: none, a state, a territory, a region, special, unassigned.
            const int locations[] = {0, 36, 40, 65, 58, 57, 63, 121, 90};
            row.locationCode = locations[n % 9];
            row.residenceZip = n % 4 == 0 ? 0 : 501 + n;
            row.residenceZipPartial = n % 4 == 3;
            row.paymentZip = n % 3 == 0 ? 0 : 10000 + (n % 2);
            row.paymentZipPartial = n % 2 == 0;
            rows.push_back(row);
            ++n;
        }
    }
    rows.push_back(Row("M\xDCLLER@", "JOS\xC9"));
    rows.back().ssn = 1073741823;  // more digits than an SSN has: a damaged record

    ExportSource source;
    const std::string longSet = "disc 1 /media/" + std::string(300, 'a') + "/ and a  few " +
                                std::string(100, 'b') + " blanks, disc 2 /x@y/";
    source.discSet = longSet.c_str();
    source.year = 2024;
    source.month = 3;
    source.day = 5;
    const std::string text = Write(rows, source);
    const std::vector<GedLine> lines = ParseChecked(text);
    ASSERT_FALSE(lines.empty());

    // Header first, trailer last, one of each.
    EXPECT_EQ(lines.front().tag, "HEAD");
    EXPECT_EQ(lines.back().tag, "TRLR");
    EXPECT_EQ(lines.back().level, 0);
    EXPECT_EQ(Child(lines, 0, "SOUR"), "VEL7M");
    EXPECT_EQ(Child(lines, 0, "CHAR"), "UTF-8");
    EXPECT_EQ(Child(lines, 0, "DATE"), "5 MAR 2024");
    std::size_t gedc = 0;
    while (gedc < lines.size() && lines[gedc].tag != "GEDC")
        ++gedc;
    ASSERT_LT(gedc, lines.size());
    EXPECT_EQ(Child(lines, gedc, "VERS"), "5.5.1");
    EXPECT_EQ(Child(lines, gedc, "FORM"), "LINEAGE-LINKED");

    // Every pointer names a record; records are named once.
    std::set<std::string> defined;
    std::vector<std::string> pointers;
    std::size_t individuals = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const GedLine& g = lines[i];
        if (g.level == 0 && !g.xref.empty()) {
            EXPECT_TRUE(defined.insert(g.xref).second) << g.xref;
        }
        if (g.hasValue && g.value.size() > 2 && g.value.front() == '@' && g.value.back() == '@' &&
            g.value.find(' ') == std::string::npos)
            pointers.push_back(g.value);
        if (g.level == 0 && g.tag == "INDI") {
            ++individuals;
            // Each individual died: a dated death or the bare assertion, and cites the source.
            const std::string deat = Child(lines, i, "DEAT");
            EXPECT_TRUE(deat == "Y" || deat == "<no value>") << g.xref;
            EXPECT_EQ(Child(lines, i, "SOUR"), "@S1@");
        }
        if (g.tag == "BIRT" || (g.tag == "DEAT" && !g.hasValue)) {
            EXPECT_NE(Child(lines, i, "DATE"), "") << "an event without its date";
        }
        if (g.tag == "DATE" && i > 0 && lines[i - 1].tag != "HEAD") {
            static const std::regex kDate(
                R"(^((([1-9]|[12][0-9]|3[01]) )?(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC) )?[0-9]{3,4}$|^\([^()]+\)$|^INT [A-Z]{3} [0-9]{4} \([^()]+\)$)");
            EXPECT_TRUE(std::regex_match(g.value, kDate)) << g.value;
        }
        if (g.tag == "SSN") {
            EXPECT_TRUE(std::regex_match(g.value, std::regex(R"([0-9]{3}-[0-9]{2}-[0-9]{4})")));
        }
        if (g.tag == "ADDR") {  // never an address line without a part of the address
            EXPECT_NE(Child(lines, i, "CTRY") + Child(lines, i, "POST"), "") << g.value;
        }
    }
    EXPECT_EQ(individuals, rows.size());
    for (const std::string& p : pointers)
        EXPECT_EQ(defined.count(p), 1u) << p;

    // The long disc set text came out whole, split where no reader would lose a blank.
    std::string publication;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].tag == "PUBL") {
            publication = lines[i].value;
            for (std::size_t k = i + 1; k < lines.size() && lines[k].tag == "CONC"; ++k) {
                EXPECT_EQ(lines[k].level, lines[i].level + 1);
                publication += lines[k].value;
            }
        }
    }
    EXPECT_EQ(publication, "vel7m disc set: disc 1 /media/" + std::string(300, 'a') +
                               "/ and a  few " + std::string(100, 'b') + " blanks, disc 2 /x@@y/");
}

TEST(GedcomWriterTest, OneIndividualAsAFamilyTreeProgramReadsIt) {
    ResultRow row = Row("SMITH       ", "MARY ANN  ");
    row.birthDate = Packed(5, 2, 1872);
    row.deathDate = Packed(0, 0, 1950);
    row.ssn = 3540254;
    row.ssnIssuedIn = "New Hampshire";
    row.locationCode = 36;  // Ohio
    row.residenceZip = 43210;
    row.paymentZip = 501;
    row.paymentZipPartial = true;
    ResultRow nothingKnown = Row("X           ", "          ");
    nothingKnown.residenceZip = 123;
    nothingKnown.residenceZipPartial = true;
    const std::string text = Write({row, nothingKnown});
    const std::size_t start = text.find("0 @I1@ INDI\r\n");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(text.substr(start),
              "0 @I1@ INDI\r\n"
              "1 NAME Mary Ann /SMITH/\r\n"
              "1 BIRT\r\n"
              "2 DATE 2 MAY 1872\r\n"
              "1 DEAT\r\n"
              "2 DATE 1950\r\n"
              "1 SSN 003-54-0254\r\n"
              "2 NOTE SSN issued in: New Hampshire\r\n"
              "1 RESI\r\n"
              "2 ADDR Ohio, 43210, USA\r\n"
              "3 STAE Ohio\r\n"
              "3 POST 43210\r\n"
              "3 CTRY USA\r\n"
              "1 NOTE ZIP of last payment: XX501\r\n"
              "1 SOUR @S1@\r\n"
              "2 PAGE SSN 003-54-0254\r\n"
              "0 @I2@ INDI\r\n"
              "1 NAME /X/\r\n"
              "1 DEAT Y\r\n"
              "1 RESI\r\n"
              "2 NOTE ZIP of last residence: XX123 (leading digits unknown)\r\n"
              "1 SOUR @S1@\r\n"
              "0 TRLR\r\n");
    // No export date given: none in the header.
    EXPECT_EQ(text.substr(0, text.find("0 @U1@")).find("1 DATE"), std::string::npos);
}
