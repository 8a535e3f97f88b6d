#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "death_record.h"
#include "ssn_areas.h"

// The table is published fact: any change to it must be deliberate.
TEST(SsnAreas, TableIsPinned) {
    ASSERT_EQ(kSsnAreaRangeCount, 78);
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (int i = 0; i < kSsnAreaRangeCount; ++i) {
        const SsnAreaRange& r = SsnAreaRanges[i];
        ASSERT_LE(r.first, r.last) << "range " << i;
        if (i > 0) {
            ASSERT_LT(SsnAreaRanges[i - 1].last, r.first) << "range " << i;
        }
        const bool place = r.issuer >= 1 && r.issuer < kLocationNameCount;
        EXPECT_TRUE(place || r.issuer == kIssuerRailroadBoard ||
                    r.issuer == kIssuerEnumerationAtEntry || r.issuer == kIssuerPacificIslands)
            << "range " << i;
        for (const unsigned v : {unsigned{r.first}, unsigned{r.last}, unsigned{r.issuer}}) {
            for (int shift = 0; shift < 16; shift += 8)
                h = (h ^ ((v >> shift) & 0xFFu)) * 0x100000001B3ull;
        }
    }
    EXPECT_EQ(SsnAreaRanges[0].first, 1);
    EXPECT_EQ(SsnAreaRanges[kSsnAreaRangeCount - 1].last, 772);
    EXPECT_EQ(h, 0x9044CDBF121121E7ull);
}

TEST(SsnAreas, FirstAndLastAreasAndGaps) {
    struct Case {
        int area;
        const char* text;
        int location;
    };
    const Case cases[] = {
        {0, "", 0},
        {1, "New Hampshire", 30},
        {3, "New Hampshire", 30},
        {4, "Maine", 20},
        {49, "Connecticut", 7},
        {50, "New York", 33},
        {134, "New York", 33},
        {135, "New Jersey", 31},
        {231, "Virginia", 49},
        {232, "West Virginia", 51},
        {237, "North Carolina", 34},
        {545, "California", 5},
        {573, "California", 5},
        {574, "Alaska", 2},
        {577, "District of Columbia", 9},
        {580, "Virgin Islands", 48},
        {581, "Puerto Rico", 40},
        {585, "New Mexico", 32},
        {586, "Guam, American Samoa, Philippine Islands", 0},
        {587, "Mississippi", 25},
        {599, "Puerto Rico", 40},
        {602, "California", 5},
        {626, "California", 5},
        {665, "Louisiana", 19},
        {666, "", 0},
        {667, "Georgia", 11},
        {699, "Virginia", 49},
        {700, "Railroad Retirement Board", 0},
        {728, "Railroad Retirement Board", 0},
        {729, "Enumeration at Entry", 0},
        {733, "Enumeration at Entry", 0},
        {734, "", 0},
        {749, "", 0},
        {750, "Hawaii", 12},
        {772, "Florida", 10},
        {773, "", 0},
        {899, "", 0},
        {900, "", 0},
        {999, "", 0},
        {-1, "", 0},
        {1000, "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(SsnIssuerText(SsnAreaIssuer(c.area)), c.text) << c.area;
        EXPECT_EQ(SsnAreaLocation(c.area), c.location) << c.area;
    }
}

// A record's SSN is the nine digits as one number; a part that is 0 is unknown, so only a
// known area tells where the number was issued.
TEST(SsnAreas, IssuedInForRecords) {
    struct Case {
        std::int32_t ssn;
        const char* text;
    };
    const Case cases[] = {
        {0, ""},
        {-5, ""},
        {1000001, "New Hampshire"},  // 001-00-0001
        {545123456, "California"},
        {123000000, "New York"},  // group and serial unknown
        {666123456, ""},
        {999999999, ""},
        {1000000000, ""},  // more than nine digits: no SSN at all
        {705123456, "Railroad Retirement Board"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(SsnIssuedIn(c.ssn), c.text) << c.ssn;
}

// What the demo generator draws from: each place's ranges, complete, and only its own.
TEST(SsnAreas, RangesOfEveryLocation) {
    int covered = 0;
    for (int code = 0; code < kLocationNameCount; ++code) {
        SsnAreaRange ranges[kMaxSsnRangesPerLocation];
        const int n = SsnAreaRangesOf(code, ranges);
        int expected = 0;
        for (const SsnAreaRange& r : SsnAreaRanges)
            expected += r.issuer == code;
        const bool pacific = code == 61 || code == 64 || code == 65;
        EXPECT_EQ(n, pacific ? 1 : expected) << LocationNames[code];
        for (int i = 0; i < n; ++i) {
            const int issuer = SsnAreaIssuer(ranges[i].first);
            EXPECT_EQ(issuer, pacific ? kIssuerPacificIslands : code) << LocationNames[code];
            EXPECT_EQ(SsnAreaIssuer(ranges[i].last), issuer) << LocationNames[code];
        }
        // The 50 states, the District, Puerto Rico and the Virgin Islands all have areas.
        if (code >= 1 && code <= 53) {
            EXPECT_GE(n, 1) << LocationNames[code];
        }
        if (!pacific)
            covered += n;
    }
    EXPECT_EQ(covered, kSsnAreaRangeCount - 3);  // all but the railroad, entry and 586

    SsnAreaRange ranges[kMaxSsnRangesPerLocation];
    ASSERT_EQ(SsnAreaRangesOf(5, ranges), 2);  // California
    EXPECT_EQ(ranges[0].first, 545);
    EXPECT_EQ(ranges[1].last, 626);
}
