#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "death_index.h"
#include "name_pattern.h"

namespace {

// A surname as the index keys it: upper case, blank-padded to 12.
std::string Key(std::string_view surname) {
    char key[kKeyLength + 1];
    CDeathIndex::MakeSurnameKey(std::string(surname).c_str(), key);
    return key;
}

}  // namespace

TEST(NamePattern, MatchesKeysAndFirstNames) {
    struct Case {
        const char* pattern;
        std::string_view name;
        bool match;
    };
    const Case cases[] = {
        {"KOWAL*", "KOWALSKI    ", true},
        {"KOWAL*", "KOWAL       ", true},  // * also stands for nothing
        {"KOWAL*", "KOWA        ", false},
        {"SM?TH", "SMITH       ", true},
        {"SM?TH", "SMYTH       ", true},
        {"SM?TH", "SMTH        ", false},
        {"SM?TH", "SMIITH      ", false},
        {"SMIT?", "SMIT        ", false},  // padding is not a character
        {"*SON", "JOHNSON     ", true},
        {"*SON", "SON         ", true},
        {"*SON", "SONS        ", false},
        {"DE?LA*", "DE LA CRUZ  ", true},  // a blank inside a name is a character
        {"DE *", "DE LA CRUZ  ", true},
        {"DE *", "DELACRUZ    ", false},
        {"O'*", "O'BRIEN     ", true},
        {"O?BRIEN", "O'BRIEN     ", true},
        {"*-*", "SMITH-JONES ", true},
        {"*-*", "SMITHJONES  ", false},
        {"?", "A           ", true},
        {"?", "AB          ", false},
        {"*", "A           ", true},
        {"kowal*", "KOWALSKI    ", true},
        {"KOWAL*", "kowalski", true},
        {"M?LLER", "M\xDCLLER     ", true},
        {"M\xFC*", "M\xDCLLER     ", false},  // only a-z have an upper case here
        {"SMITH   ", "SMITH       ", true},   // trailing blanks of a pattern mean nothing
        {"*A*B*C", "AXBXCXABC   ", true},
        {"*AB", "AAB         ", true},  // the star has to give back what it took
        {"A*A", "AA          ", true},
        {"A*A", "A           ", false},
        {"**?", "X           ", true},
        {"*?", "            ", false},
        {"MAR*", "MARY      ", true},  // first-name records are 10 bytes
        {"MAR*", "MARGARET  ", true},
        {"MAR?", "MARIE     ", false},
        {"*P", std::string_view("ABCDEFGHIJKLMNOP", 16), true},  // a field without its NUL
        {"ABC", std::string_view("ABC\0DEF", 7), true},
    };
    for (const Case& c : cases) {
        NamePattern pattern;
        ASSERT_TRUE(pattern.Set(c.pattern)) << c.pattern;
        EXPECT_EQ(pattern.Matches(c.name), c.match) << c.pattern << " / " << c.name;
    }
}

TEST(NamePattern, SetRefusesEmptyAndOverlongAndFindsThePrefix) {
    struct Case {
        std::string_view text;
        bool ok;
        bool wildcards;
        const char* prefix;
    };
    const std::string longest(kMaxPatternLength, 'A');
    const std::string tooLong(kMaxPatternLength + 1, 'A');
    const std::string longestPadded = longest + "   ";
    const Case cases[] = {
        {"", false, false, ""},          {"    ", false, false, ""},
        {tooLong, false, false, ""},     {longestPadded, true, false, longest.c_str()},
        {"SMITH", true, false, "SMITH"}, {"kowal*", true, true, "KOWAL"},
        {"SM?TH*", true, true, "SM"},    {"*SON", true, true, ""},
        {"DE L*", true, true, "DE L"},   {std::string_view("AB\0*", 4), true, false, "AB"},
    };
    for (const Case& c : cases) {
        NamePattern pattern;
        EXPECT_EQ(pattern.Set(c.text), c.ok) << c.text;
        if (!c.ok)
            continue;
        EXPECT_EQ(pattern.HasWildcards(), c.wildcards) << c.text;
        EXPECT_EQ(pattern.Prefix(), c.prefix) << c.text;
    }
}

TEST(NamePattern, KeyRangeOfThePrefix) {
    struct Case {
        const char* pattern;
        const char* low;
        const char* high;  // nullptr: to the last key
    };
    const Case cases[] = {
        {"KOWAL*", "KOWAL", "KOWAM"},
        {"*SON", "", nullptr},
        {"?ON", "", nullptr},
        {"A*", "A", "B"},
        {"Z*", "Z", "["},
        {"DE *", "DE ", "DE!"},
        {"\xFF*", "\xFF", nullptr},
        {"A\xFF\xFF*", "A\xFF\xFF", "B"},
        {"ABCDEFGHIJKLMNO*", "ABCDEFGHIJKL", "ABCDEFGHIJKM"},  // keys are 12 characters
    };
    for (const Case& c : cases) {
        NamePattern pattern;
        ASSERT_TRUE(pattern.Set(c.pattern));
        const KeyRange range = pattern.Range();
        EXPECT_STREQ(range.low, c.low) << c.pattern;
        EXPECT_EQ(range.hasHigh, c.high != nullptr) << c.pattern;
        if (c.high != nullptr) {
            EXPECT_STREQ(range.high, c.high) << c.pattern;
        }
    }
}

TEST(NamePattern, PartitionsOfARange) {
    using Refs = std::vector<PartitionRef>;
    Refs all;
    for (int p = 0; p <= 7; ++p)
        all.push_back({1, p});
    for (int p = 7; p < kPartitionCount; ++p)
        all.push_back({2, p});
    struct Case {
        const char* pattern;
        Refs refs;
    };
    const Case cases[] = {
        {"*SON", all},
        {"?", all},
        {"SMITH*", {{2, 12}}},
        {"A*", {{1, 0}}},
        {"B*", {{1, 0}, {1, 1}}},  // the surname B sorts before BERVALDS
        {"BERVALDS*", {{1, 0}, {1, 1}}},
        {"BERVALDT*", {{1, 1}}},
        {"K*", {{1, 6}, {1, 7}, {2, 7}}},  // K with a Latin-1 letter sorts after KZZ...Z
        {"KZZZZZZZZZZZ*", {{1, 7}, {2, 7}}},
        {"KZZZZZZZZZZY*", {{1, 7}}},
        {"L*", {{2, 7}}},
        {"MARGOO*", {{2, 7}, {2, 8}}},
        {"WANICH*", {{2, 13}, {2, 14}}},
        {"Z*", {{2, 14}}},
        {"\xFF*", {{2, 14}}},
        {"'T*", {{1, 0}}},
    };
    for (const Case& c : cases) {
        NamePattern pattern;
        ASSERT_TRUE(pattern.Set(c.pattern));
        PartitionRef out[kMaxPartitionRefs];
        const int n = PartitionsFor(pattern.Range(), out);
        EXPECT_EQ(Refs(out, out + n), c.refs) << c.pattern;
    }
}

// Every key a pattern matches lies in its range and in one of its partitions, on the disc
// the exact search would look for it on. Keys around every partition key and the disc split.
TEST(NamePattern, MatchingKeysLieInTheRangeAndPartitions) {
    std::vector<std::string> keys = {
        Key("A"),
        Key("B"),
        Key("Z"),
        Key("O'BRIEN"),
        Key("DE LA CRUZ"),
        Key("'T HOOFT"),
        Key("SMITH-JONES"),
        Key("K\xC4HLER"),
        Key("KZZZZZZZZZZZ"),
        Key("L"),
        Key("LEE"),
        Key("\xC9MILE"),
        Key("SMITH"),
        Key("SMYTHE"),
        Key("JOHNSON"),
        Key("ZZZZZZZZZZZZ"),
    };
    for (const char* partitionKey : PartitionKeys) {
        std::string k = partitionKey;
        keys.push_back(k);
        const std::size_t end = k.find(' ');
        const std::size_t last = (end == std::string::npos ? k.size() : end) - 1;
        std::string below = k;
        below[last] = static_cast<char>(below[last] - 1);
        std::string above = k;
        above[last] = static_cast<char>(above[last] + 1);
        keys.push_back(below);
        keys.push_back(above);
        keys.push_back(Key(k.substr(0, last + 1) + "A"));
    }

    std::vector<std::string> patterns = {"*", "*SON", "?", "S*H*", "K*", "L*", "*'*", "DE*"};
    for (const std::string& key : keys) {
        const std::string name = key.substr(0, key.find_last_not_of(' ') + 1);
        for (std::size_t n = 1; n <= name.size(); ++n) {
            patterns.push_back(name.substr(0, n) + "*");
            patterns.push_back(name.substr(0, n) + "?*");
        }
        patterns.push_back(name);
    }

    for (const std::string& text : patterns) {
        NamePattern pattern;
        ASSERT_TRUE(pattern.Set(text)) << text;
        const KeyRange range = pattern.Range();
        PartitionRef refs[kMaxPartitionRefs];
        const int n = PartitionsFor(range, refs);
        const std::vector<PartitionRef> list(refs, refs + n);
        for (const std::string& key : keys) {
            if (!pattern.Matches(key))
                continue;
            EXPECT_FALSE(range.IsBefore(key.c_str())) << text << " / " << key;
            EXPECT_FALSE(range.IsPast(key.c_str())) << text << " / " << key;
            const PartitionRef home = {CDeathIndex::DiscOf(key.c_str()),
                                       CDeathIndex::PartitionOf(key.c_str())};
            EXPECT_NE(std::find(list.begin(), list.end(), home), list.end())
                << text << " / " << key;
        }
    }
}
