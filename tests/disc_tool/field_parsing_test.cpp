#include "field_parsing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "death_record.h"
#include "display_format.h"
#include "zip_tables.h"

using namespace disctool;

namespace {

// What the program shows for stored words: the real test of an encoding.
std::string ShownDate(std::uint16_t word, bool bornIn1800s, bool birth) {
    const RawDeathRecord raw =
        MakeRawRecord(0, bornIn1800s ? kBornIn1800s : 0, birth ? kNoDateWord : word,
                      birth ? word : kNoDateWord, 0, 0);
    DeathRecord decoded;
    DecodeRecord(raw, decoded);
    char text[kFieldTextSize];
    FormatDate(birth ? decoded.birthDate : decoded.deathDate, text, sizeof text);
    return text;
}

std::string ShownZip(std::uint16_t word) {
    DeathRecord decoded;
    DecodeRecord(MakeRawRecord(0, 0, kNoDateWord, kNoDateWord, word, 0), decoded);
    char text[kFieldTextSize];
    FormatZip(decoded.residenceZip, decoded.residenceZipPartial, text, sizeof text);
    return text;
}

}  // namespace

TEST(CleanNameText, StoresWhatTheKeyCanCarryAndNothingElse) {
    struct Case {
        const char* raw;
        std::size_t limit;
        const char* text;  // nullptr: unknown
        bool cut;
    };
    const Case cases[] = {
        {"  smith ", 12, "SMITH", false},
        {"o'brien-jones", 12, "O'BRIEN-JONE", true},
        {"de la cruz", 12, "DE LA CRUZ", false},
        {"ABCDEFGHIJKL", 12, "ABCDEFGHIJKL", false},
        {"abcdefghijk lmn", 12, "ABCDEFGHIJK", true},  // the cut leaves a blank the key pads anyway
        {"M\xC3\xBCller", 12, "MULLER", false},        // ü
        {"\xC3\x89mile", 10, "EMILE", false},          // É
        {"Stra\xC3\x9F"
         "e",
         12, "STRASSE", false},                      // ß -> SS
        {"\xC5\x81ukasz", 10, "LUKASZ", false},      // Ł
        {"O\xE2\x80\x99Neil", 12, "O'NEIL", false},  // typographic apostrophe
        {"\xE6\x9D\x8E", 12, nullptr, false},        // a CJK character has no ASCII form
        {"Jos\xE9", 10, nullptr, false},             // Latin-1, not UTF-8
        {"a\tb", 10, nullptr, false},
        {"", 12, "", false},
    };
    for (const Case& c : cases) {
        const CleanName name = CleanNameText(c.raw, c.limit);
        if (c.text == nullptr) {
            EXPECT_TRUE(name.unknown) << c.raw;
            EXPECT_FALSE(name.why.empty()) << c.raw;
        } else {
            EXPECT_FALSE(name.unknown) << c.raw << ": " << name.why;
            EXPECT_EQ(name.text, c.text) << c.raw;
            EXPECT_EQ(name.cut, c.cut) << c.raw;
        }
    }
}

TEST(ParseDate, ReadsEveryPartialFormAndShowsAsTheProgramWould) {
    struct Case {
        const char* text;
        bool death;
        const char* shown;  // nullptr: not a date
        int problems;
    };
    const Case cases[] = {
        {"1951-03-07", true, "7 Mar 1951", 0},
        {"1951-3-7", true, "7 Mar 1951", 0},
        {"1951-03", true, "Mar 1951", 0},
        {"1951", true, "--- 1951", 0},
        {"--03-07", true, "7 Mar", 0},
        {"---07", true, "7 ---", 0},
        {"1951--07", true, "7 --- 1951", 0},
        {"1951-00-07", true, "7 --- 1951", 0},
        {"1951-XX-07", true, "7 --- 1951", 0},
        {"\?\?\?\?-03-07", true, "7 Mar", 0},
        {"", true, "---", 0},
        {"1900", true, "--- 1900", 0},  // the death word 0 is a real date
        {"1951-13-07", true, "7 --- 1951", 1},
        {"1951-04-31", true, "Apr 1951", 1},
        {"1951-02-29", true, "Feb 1951", 1},
        {"1952-02-29", true, "29 Feb 1952", 0},
        {"--02-29", true, "29 Feb", 0},
        // Century years are leap years only every 400 years.
        {"1900-02-29", true, "Feb 1900", 1},
        {"1900-02-29", false, "Feb 1900", 1},
        {"1800-02-29", false, "Feb 1800", 1},
        {"1904-02-29", true, "29 Feb 1904", 0},
        {"1896-02-29", false, "29 Feb 1896", 0},
        {"2000-02-29", true, "29 Feb", 1},  // a leap day; no death year after 1999 is stored
        {"1899-05-05", true, "5 May", 1},   // no century for deaths before 1900
        {"2001-05-05", true, "5 May", 1},
        {"1880-01-01", false, "1 Jan 1880", 0},
        {"1880", false, "--- 1880", 0},
        {"1900-05", false, "May 1900", 0},
        {"1900", false, "---", 1},  // would be the word 0, "no birth date"
        {"1800", false, "---", 1},
        {"1799-01-01", false, "1 Jan", 1},
        {"51-03-07", true, nullptr, 0},
        {"7 March 1951", true, nullptr, 0},
        {"03/07/1951", true, nullptr, 0},
        {"1951-03-07-01", true, nullptr, 0},
        {"19XX", true, nullptr, 0},
    };
    for (const Case& c : cases) {
        DateParts parts;
        std::vector<std::string> problems;
        const bool ok = ParseDate(c.text, parts, problems);
        if (c.shown == nullptr) {
            EXPECT_FALSE(ok) << c.text;
            continue;
        }
        ASSERT_TRUE(ok) << c.text;
        bool in1800s = false;
        const std::uint16_t word =
            c.death ? DeathDateWord(parts, problems) : BirthDateWord(parts, in1800s, problems);
        EXPECT_EQ(ShownDate(word, in1800s, !c.death), c.shown) << c.text;
        EXPECT_EQ(static_cast<int>(problems.size()), c.problems) << c.text;
    }
}

TEST(ParseSsnAndLocation, AcceptTheDocumentedFormsOnly) {
    const struct {
        const char* text;
        bool ok;
        std::uint32_t ssn;
    } ssns[] = {
        {"123456789", true, 123456789}, {"123-45-6789", true, 123456789},
        {"001 02 0003", true, 1020003}, {"", true, 0},
        {"12345678", false, 0},         {"1234567890", false, 0},
        {"123-456-789", false, 0},      {"12345678x", false, 0},
    };
    for (const auto& c : ssns) {
        std::uint32_t ssn = 7;
        EXPECT_EQ(ParseSsn(c.text, ssn), c.ok) << c.text;
        EXPECT_EQ(ssn, c.ssn) << c.text;
    }

    const struct {
        const char* text;
        int code;  // -1: refused
    } locations[] = {
        {"New York", 33},
        {"new york", 33},
        {"NY", 33},
        {"va", 49},
        {"DC", 9},
        {"PR", 40},
        {"GU", 65},
        {"0", 0},
        {"65", 65},
        {"121", 121},
        {"127", 127},
        {"Unknown", 0},
        {"", 0},
        {"66", -1},
        {"120", -1},
        {"128", -1},
        {"ZZ", -1},
        {"Narnia", -1},
        {"Cent.America & W.Indies", 57},
    };
    for (const auto& c : locations) {
        std::uint8_t code = 99;
        EXPECT_EQ(ParseLocation(c.text, code), c.code >= 0) << c.text;
        EXPECT_EQ(code, c.code >= 0 ? c.code : 0) << c.text;
    }
}

TEST(ParseZip, StoresExactAndPartialZipsSoTheyShowAsGiven) {
    char exact[8];
    std::snprintf(exact, sizeof exact, "%05d", ResidenceZipTable[1234]);
    const std::string plus4 = std::string(exact) + "-1234";
    struct Case {
        std::string text;
        bool ok;
        std::string shown;
        bool note;
    };
    const Case cases[] = {
        {exact, true, exact, false},
        {plus4, true, exact, false},
        {"XX123", true, "XX123", false},
        {"xxxx5", true, "XXXX5", false},
        {"X1234", true, "X1234", false},
        {"XXXXX", true, "XXXXX", false},
        {"XX000", true, "XX000", false},
        {"XX012", true, "XXX12", true},  // a known leading 0 cannot be shown, so it is unknown
        {"X0000", true, "XX000", true},
        {"XXX00", true, "XXXXX", true},
        {"", true, "---", false},
        {"00000", true, "---", false},
        {"99999", false, "---", false},  // beyond the part of the table a word can reach
        {"00027", false, "---", false},  // between table entries 26 and 29
        {"1234", false, "---", false},
        {"1X345", false, "---", false},
        {"ABCDE", false, "---", false},
    };
    for (const Case& c : cases) {
        std::uint16_t word = 1;
        std::string why;
        std::string note;
        EXPECT_EQ(ParseZip(c.text, ZipTable::kResidence, word, why, note), c.ok) << c.text;
        EXPECT_EQ(why.empty(), c.ok) << c.text;
        EXPECT_EQ(!note.empty(), c.note) << c.text;
        EXPECT_EQ(ShownZip(word), c.shown) << c.text;
    }

    // The payment table is a different list: a residence ZIP need not be in it.
    std::uint16_t word = 0;
    std::string why;
    std::string note;
    char payment[8];
    std::snprintf(payment, sizeof payment, "%05d", PaymentZipTable[kPaymentZipCount - 1]);
    EXPECT_TRUE(ParseZip(payment, ZipTable::kPayment, word, why, note));
    EXPECT_EQ(word, kPaymentZipCount - 1);
}

TEST(ConvertRow, ReportsEveryColumnItCannotStoreAndKeepsTheRest) {
    PersonText text{"Smith", "Zo\xC3\xAB", "1901-02-30", "1850-01-01",
                    "12-34", "Atlantis",   "ABCDE",      "XX012"};
    const ConvertedRow row = ConvertRow(text);
    ASSERT_TRUE(row.keep);
    EXPECT_EQ(row.person.surname, "SMITH");
    EXPECT_EQ(row.person.firstName, "ZOE");
    std::vector<std::string> columns;
    for (const std::string& p : row.problems)
        columns.push_back(p.substr(0, p.find(':')));
    EXPECT_EQ(columns, (std::vector<std::string>{"birth", "death", "ssn", "state", "zip_residence",
                                                 "zip_payment"}));

    PersonText late{"Smith", "Ann", "1960-05-01", "1950-01-01", "", "", "", ""};
    EXPECT_EQ(ConvertRow(late).problems.size(), 1u);  // born after death: told, both kept

    PersonText nameless{"  ", "Ann", "", "", "", "", "", ""};
    EXPECT_FALSE(ConvertRow(nameless).keep);
}
