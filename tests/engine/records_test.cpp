#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "death_record.h"
#include "display_format.h"

namespace {

constexpr std::uint16_t DateWord(unsigned day, unsigned month, unsigned yearBits) {
    return static_cast<std::uint16_t>(day << 11 | month << 7 | yearBits);
}

DeathRecord Decode(const RawDeathRecord& raw) {
    DeathRecord d{};
    DecodeRecord(raw, d);
    return d;
}

}  // namespace

TEST(DeathRecord, MakeRawRecordStoresWordsLittleEndian) {
    const RawDeathRecord r = MakeRawRecord(0x04030201, 0x08070605, 0x0A09, 0x0C0B, 0x0E0D, 0x100F);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(r.bytes[i], i + 1);
    }
}

// Bits 26-31 of word A and bit 30 of word B are set here and must be ignored.
TEST(DeathRecord, WordsAAndB) {
    const RawDeathRecord r =
        MakeRawRecord(0xFC000000u | 11010053, 0xC0000000u | 123456789, 0, DateWord(0, 0, 80), 0, 0);
    const DeathRecord d = Decode(r);
    EXPECT_EQ(d.firstNameIndex, 5);
    EXPECT_EQ(FirstNameIndex(r), 5);
    EXPECT_EQ(d.locationCode, 21);
    EXPECT_EQ(LocationCode(r), 21);
    EXPECT_STREQ(LocationNames[21], "Maryland");
    EXPECT_EQ(d.ssn, 123456789);
    EXPECT_EQ(d.birthDate, 1880);
    EXPECT_EQ(BirthYear(r), 1880);
}

// The same word is decoded as death date and as birth date of one record.
TEST(DeathRecord, Dates) {
    struct Case {
        std::uint16_t word;
        bool bornIn1800s;
        int death, birth, deathYear, birthYear;
    } const cases[] = {
        {14771, false, 3071951, 3071951, 1951, 1951},  // 7 Mar 51
        {2256, true, 1011980, 1011880, 1980, 1880},    // 1 Jan 80
        {14846, true, 3070000, 3070000, 0, 0},         // year bits 126: not 2026 nor 1926
        {DateWord(7, 3, 127), false, 3070000, 3070000, 0, 0},
        {DateWord(15, 1, 105), false, 1150000, 1150000, 0, 0},  // not 11519105
        {DateWord(0, 0, 99), false, 1999, 1999, 1999, 1999},
        {DateWord(0, 0, 100), false, 0, 0, 0, 0},
        {DateWord(0, 1, 0), true, 1001900, 1001800, 1900, 1800},
        {DateWord(31, 15, 99), true, 15311999, 15311899, 1999, 1899},
        {0, true, 1900, 0, 1900, 0},  // a zero death word is 1900, a zero birth word no date
        {kNoDateWord, false, 0, 0, 0, 0},
        {126, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const RawDeathRecord r =
            MakeRawRecord(0, c.bornIn1800s ? kBornIn1800s : 0, c.word, c.word, 0, 0);
        const DeathRecord d = Decode(r);
        EXPECT_EQ(d.deathDate, c.death) << c.word;
        EXPECT_EQ(d.birthDate, c.birth) << c.word;
        EXPECT_EQ(DeathYear(r), c.deathYear) << c.word;
        EXPECT_EQ(BirthYear(r), c.birthYear) << c.word;
    }
}

TEST(DeathRecord, ZipWords) {
    struct Case {
        std::uint16_t residenceWord, paymentWord;
        int residence, residencePartial, payment, paymentPartial;
    } const cases[] = {
        {0, 0, 0, 0, 0, 0},
        {31, 6, 105, 0, 247, 0},
        {55533, 45212, 98683, 0, 99950, 0},
        {55534, 55534, 10001, 1, 10001, 1},
        {65535, 65535, 0, 1, 0, 1},
        {27, 45213, 29, 0, 0, 0},  // past the payment table's end: no ZIP
        {27, 55533, 29, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const DeathRecord d = Decode(MakeRawRecord(0, 0, 0, 0, c.residenceWord, c.paymentWord));
        EXPECT_EQ(d.residenceZip, c.residence) << c.residenceWord;
        EXPECT_EQ(d.residenceZipPartial, c.residencePartial) << c.residenceWord;
        EXPECT_EQ(d.paymentZip, c.payment) << c.paymentWord;
        EXPECT_EQ(d.paymentZipPartial, c.paymentPartial) << c.paymentWord;
    }
}

// Every date word: the decoded date is the four parts printed as two-digit groups and read
// back, the filter years agree with the displayed year, and the text is a valid list field.
TEST(DeathRecord, EveryDateWordDecodesAndFormats) {
    for (std::uint32_t flag : {0u, kBornIn1800s}) {
        for (unsigned w = 0; w <= 0xFFFF; ++w) {
            const auto word = static_cast<std::uint16_t>(w);
            const RawDeathRecord r = MakeRawRecord(0, flag, word, word, 0, 0);
            const DeathRecord d = Decode(r);

            // The print-and-read-back rule; year bits 100..127 mean year and century unknown.
            const auto reference = [w](unsigned century) {
                const unsigned bits = w & 0x7Fu;
                char digits[kFieldTextSize];
                std::snprintf(digits, sizeof digits, "%02u%02u%02u%02u", (w >> 7) & 0xFu, w >> 11,
                              bits < 100 ? century : 0, bits < 100 ? bits : 0);
                return std::atol(digits);
            };
            ASSERT_EQ(d.deathDate, word == kNoDateWord ? 0 : reference(19)) << w;
            ASSERT_EQ(d.birthDate,
                      (word == 0 || word == kNoDateWord) ? 0 : reference(flag != 0 ? 18 : 19))
                << w;
            ASSERT_EQ(BirthYear(r), d.birthDate % 10000) << w;
            ASSERT_EQ(DeathYear(r), d.deathDate % 10000) << w;
            for (int year : {BirthYear(r), DeathYear(r)}) {
                ASSERT_TRUE(year == 0 || (year >= 1800 && year <= 1999)) << w;
            }
            char text[kFieldTextSize];
            for (int packed : {d.birthDate, d.deathDate}) {
                FormatDate(packed, text, sizeof text);
                ASSERT_GT(std::strlen(text), 0u) << w;
                ASSERT_EQ(std::strchr(text, '\t'), nullptr) << w;
            }
        }
    }
}
