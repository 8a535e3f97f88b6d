#include "demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "census_names.h"
#include "death_index.h"
#include "death_record.h"
#include "demo_names.h"
#include "disc_check.h"
#include "disc_tool_support.h"
#include "ssn_areas.h"
#include "test_discs.h"
#include "zip_tables.h"

namespace fs = std::filesystem;
using namespace disctool;

TEST(DemoPlan, HasTheShapeOfTheRealIndexAtTheDefaultSize) {
    const std::vector<SurnamePlan> plan = PlanSurnames(kDefaultDemoRecords, 1);
    std::set<std::string> census;
    for (std::string_view name : demo::Census().surnames)
        census.insert(builder::SurnameKey(std::string(name)));
    std::int64_t total = 0;
    std::int64_t disc1 = 0;
    std::int64_t small = 0;
    bool full = false;
    std::vector<std::pair<std::uint32_t, std::string>> bySize;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const SurnamePlan& s = plan[i];
        const std::string key(s.key, 12);
        if (i > 0) {
            ASSERT_LT(std::memcmp(plan[i - 1].key, s.key, 12), 0) << "keys ascend, once each";
        }
        ASSERT_GT(s.count, 0u);
        ASSERT_TRUE(census.count(key)) << key << " is no census surname";
        total += s.count;
        disc1 += CDeathIndex::DiscOf(key.c_str()) == 1 ? s.count : 0;
        small += s.count < 5;
        full = full || key.back() != ' ';
        bySize.push_back({s.count, key.substr(0, key.find_last_not_of(' ') + 1)});
    }
    EXPECT_EQ(total, kDefaultDemoRecords);
    EXPECT_GT(plan.size(), 88000u) << "nearly every census surname has records";
    std::sort(bySize.rbegin(), bySize.rend());
    EXPECT_EQ(bySize[0].second, "SMITH");
    EXPECT_NEAR(static_cast<double>(bySize[0].first) / total, 0.01, 0.001);
    EXPECT_GT(static_cast<double>(small) / plan.size(), 0.1) << "a long tail of rare surnames";
    EXPECT_TRUE(full) << "some keys fill all twelve characters";
    // Families that mostly came after 1965 rank far below their place among the living.
    const auto rankOf = [&](const std::string& name) {
        for (std::size_t i = 0; i < bySize.size(); ++i) {
            if (bySize[i].second == name)
                return i + 1;
        }
        return bySize.size() + 1;
    };
    EXPECT_GT(rankOf("GARCIA"), 40u);    // 18th in the census
    EXPECT_GT(rankOf("NGUYEN"), 3000u);  // 229th
    EXPECT_LT(rankOf("MILLER"), 10u);
    // Disc 1 fills dp1.car and spills into dp2.car; disc 2 then starts at dp3.car.
    EXPECT_GT(disc1, 1000000);
    EXPECT_GT(total - disc1, 1000000);
}

TEST(DemoPlan, DependsOnTheSeedOnly) {
    const auto same = [](const std::vector<SurnamePlan>& a, const std::vector<SurnamePlan>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
    };
    EXPECT_TRUE(same(PlanSurnames(100000, 3), PlanSurnames(100000, 3)));
    EXPECT_FALSE(same(PlanSurnames(100000, 3), PlanSurnames(100000, 4)));
    for (std::int64_t n : {1, 7, 1000}) {
        std::int64_t total = 0;
        for (const SurnamePlan& s : PlanSurnames(n, 1))
            total += s.count;
        EXPECT_EQ(total, n);
    }
}

TEST(DemoNames, TablesNameRealLocationsAndEveryStateHasItsSsnAreas) {
    for (int code = 1; code <= 53; ++code) {
        EXPECT_GT(demo::kLocationWeights[code], 0) << LocationNames[code];
        EXPECT_GT(demo::kDivisionOf[code], 0) << LocationNames[code];
    }
    for (std::size_t i = 0; i < demo::kZipPrefixRangeCount; ++i) {
        const demo::ZipPrefixRange& r = demo::kZipPrefixRanges[i];
        EXPECT_TRUE(r.code >= 1 && r.code < kLocationNameCount && r.from <= r.to && r.to <= 999);
    }
    // The demo gives out the areas of the program's own table (pinned by its tests) from
    // before 750: every state and territory has some.
    for (int code = 1; code <= 53; ++code) {
        SsnAreaRange ranges[kMaxSsnRangesPerLocation];
        const int count = SsnAreaRangesOf(code, ranges);
        EXPECT_TRUE(count > 0 && ranges[0].first < 750) << LocationNames[code];
    }
}

TEST(DemoNames, GivenNamesAreTheCensusNamesAndEveryEraNameIsInThem) {
    std::set<std::string> census;
    for (const auto* list : {&demo::Census().male, &demo::Census().female}) {
        for (std::string_view name : *list)
            census.insert(std::string(name.substr(0, 10)));
    }
    for (const std::string& name : DemoGivenNames()) {
        EXPECT_TRUE(census.count(name) || name.size() <= 1) << name;
    }
    for (const char* name : {"AARON", "ADAM", "GARY", "LARRY", "RONALD", "KEVIN", "MARY"})
        EXPECT_TRUE(census.count(name)) << name;
    for (std::size_t i = 0; i < demo::kNameEraCount; ++i) {
        const demo::NameEra& e = demo::kNameEras[i];
        const auto& list = e.female ? demo::Census().female : demo::Census().male;
        EXPECT_NE(std::find(list.begin(), list.end(), e.name), list.end()) << e.name;
    }
    for (std::size_t i = 0; i < demo::kRecentSurnameCount; ++i) {
        const auto& list = demo::Census().surnames;
        EXPECT_NE(std::find(list.begin(), list.end(), demo::kRecentSurnames[i].name), list.end())
            << demo::kRecentSurnames[i].name;
    }
}

namespace {

std::vector<RawDeathRecord> AllRecords(const std::string& set) {
    std::vector<RawDeathRecord> records;
    for (const char* disc : {"/disc1", "/disc2"}) {
        for (const fs::directory_entry& e : fs::directory_iterator(set + disc)) {
            if (e.path().extension() != ".car")
                continue;
            const std::vector<unsigned char> bytes = ReadFileBytes(e.path());
            for (std::size_t i = 0; i + 16 <= bytes.size(); i += 16) {
                RawDeathRecord r;
                std::memcpy(r.bytes, bytes.data() + i, 16);
                records.push_back(r);
            }
        }
    }
    return records;
}

}  // namespace

TEST(Demo, WritesTheSameSoundSetForASeedWithRealisticFields) {
    TempDir dir;
    DemoOptions options;
    options.records = 40000;
    options.seed = 5;
    DemoSummary summary;
    std::string error;
    for (const char* name : {"a", "b"}) {
        options.outDir = dir / name;
        ASSERT_TRUE(RunDemo(options, summary, error)) << error;
    }
    EXPECT_EQ(summary.records, 40000);
    for (const char* disc : {"/disc1", "/disc2"})
        EXPECT_EQ(Snapshot(dir / "a" + disc), Snapshot(dir / "b" + disc));
    const SetFacts facts =
        InspectDiscSet({dir / "a/disc1", "disc1/"}, {dir / "a/disc2", "disc2/"}, {});
    for (const CheckProblem& p : facts.problems)
        ADD_FAILURE() << FormatProblem(p);
    EXPECT_FALSE(SearchSet(dir / "a", "smith").empty());

    const std::vector<RawDeathRecord> records = AllRecords(dir / "a");
    ASSERT_EQ(records.size(), 40000u);
    struct Share {
        const char* what;
        int count = 0;
        double min;
        double max;
    };
    Share shares[] = {
        {"death from 1962", 0, 0.90, 0.99},      {"death before 1962", 0, 0.01, 0.10},
        {"death day unknown", 0, 0.01, 0.08},    {"death year unknown", 0, 0.001, 0.02},
        {"no death date", 0, 0.0005, 0.01},      {"birth in the 1800s", 0, 0.02, 0.5},
        {"no birth date", 0, 0.002, 0.02},       {"location 1..65", 0, 0.85, 0.98},
        {"location unknown", 0, 0.02, 0.10},     {"special location", 0, 0.0005, 0.01},
        {"residence ZIP missing", 0, 0.05, 0.3}, {"residence ZIP partial", 0, 0.005, 0.05},
        {"payment ZIP missing", 0, 0.1, 0.4},    {"SSN unknown", 0, 0, 0.01},
    };
    const auto count = [&](int i, bool yes) { shares[i].count += yes ? 1 : 0; };
    for (const RawDeathRecord& r : records) {
        const int death = DeathYear(r);
        const int birth = BirthYear(r);
        const std::uint16_t deathWord = DeathDateWord(r);
        count(0, death >= 1962);
        count(1, death > 0 && death < 1962);
        count(2, deathWord != kNoDateWord && (deathWord >> 11) == 0);
        count(3, deathWord != kNoDateWord && (deathWord & 0x7F) == 127);
        count(4, deathWord == kNoDateWord);
        count(5, (WordB(r) & kBornIn1800s) != 0);
        count(6, BirthDateWord(r) == kNoDateWord);
        const int location = LocationCode(r);
        count(7, location >= 1 && location <= 65);
        count(8, location == 0);
        count(9, location >= 121);
        count(10, ResidenceZipWord(r) == 0);
        count(11, ResidenceZipWord(r) >= kFirstPartialZipWord);
        count(12, PaymentZipWord(r) == 0);
        const std::uint32_t ssn = WordB(r) & kSsnMask;
        count(13, ssn == 0);

        ASSERT_TRUE(death == 0 || (death >= 1937 && death <= 1998)) << death;
        ASSERT_TRUE(birth == 0 || (birth >= 1870 && birth <= 1998)) << birth;
        if (birth != 0) {
            ASSERT_EQ((WordB(r) & kBornIn1800s) != 0, birth < 1900);
        }
        if (birth != 0 && death != 0) {
            ASSERT_LE(birth, death);
        }
        ASSERT_TRUE(location <= 65 || location >= 121) << location;
        ASSERT_TRUE(PaymentZipWord(r) < kPaymentZipCount ||
                    PaymentZipWord(r) >= kFirstPartialZipWord);
    }
    for (const Share& s : shares) {
        const double share = static_cast<double>(s.count) / records.size();
        EXPECT_TRUE(share >= s.min && share <= s.max) << s.what << ": " << share;
    }

    // Nobody shares a number with anyone else.
    std::set<std::uint32_t> numbers;
    for (const RawDeathRecord& r : records) {
        const std::uint32_t ssn = WordB(r) & kSsnMask;
        if (ssn != 0) {
            EXPECT_TRUE(numbers.insert(ssn).second) << ssn << " given twice";
            EXPECT_GE(ssn / 10000 % 100, 1u) << ssn;  // group 00 and serial 0000 were never used
            EXPECT_GE(ssn % 10000, 1u) << ssn;
        }
    }

    // SSNs mostly issued where the person last lived, or nearby.
    int withState = 0, sameState = 0, sameDivision = 0;
    for (const RawDeathRecord& r : records) {
        const int location = LocationCode(r);
        const int area = static_cast<int>((WordB(r) & kSsnMask) / 1000000);
        if (area == 0)
            continue;
        ASSERT_TRUE(area < 750 && SsnAreaIssuer(area) != 0) << area << " was not given out";
        if (location < 1 || location > 53 || area >= demo::kRailroadAreaFirst)
            continue;
        ++withState;
        const int issuedIn = SsnAreaLocation(area);
        sameState += issuedIn == location ? 1 : 0;
        sameDivision += demo::kDivisionOf[issuedIn] == demo::kDivisionOf[location];
    }
    EXPECT_NEAR(static_cast<double>(sameState) / withState, 0.75, 0.06);
    EXPECT_NEAR(static_cast<double>(sameDivision) / withState, 0.88, 0.05);

    // Given names: rarely blank or an initial alone, and of their time.
    const std::vector<unsigned char> list = ReadFileBytes(dir / "a/disc1/fname.fst");
    const auto nameOf = [&](const RawDeathRecord& r) {
        const std::size_t at = static_cast<std::size_t>(FirstNameIndex(r)) * 10;
        std::string name(list.begin() + static_cast<long>(at),
                         list.begin() + static_cast<long>(at) + 10);
        return name.substr(0, name.find_last_not_of(' ') + 1);
    };
    const std::set<std::string> late = {"JENNIFER", "JASON",  "JESSICA",    "ASHLEY",  "AMANDA",
                                        "BRITTANY", "JOSHUA", "CHRISTOPHE", "MELISSA", "KIMBERLY"};
    int blank = 0, initial = 0, old = 0, oldLate = 0, young = 0, youngLate = 0;
    for (const RawDeathRecord& r : records) {
        const std::string name = nameOf(r);
        blank += name.empty();
        initial += name.size() == 1;
        const int birth = BirthYear(r);
        if (birth != 0 && birth < 1930) {
            ++old;
            oldLate += late.count(name) ? 1 : 0;
        } else if (birth >= 1960) {
            ++young;
            youngLate += late.count(name) ? 1 : 0;
        }
    }
    EXPECT_NEAR(static_cast<double>(blank) / records.size(), 0.001, 0.0008);
    EXPECT_NEAR(static_cast<double>(initial) / records.size(), 0.003, 0.002);
    ASSERT_GT(young, 200);
    EXPECT_LT(static_cast<double>(oldLate) / old, 0.002);
    EXPECT_GT(static_cast<double>(youngLate) / young, 0.05);
}

TEST(Demo, StopsWhenCancelledFromAnotherThreadAndLeavesNothing) {
    TempDir dir;
    std::atomic<bool> cancel{false};
    struct Cancel final : Progress {
        std::atomic<bool>* flag;
        std::int64_t calls = 0;
        void Update(const char*, std::int64_t, double) override {
            ++calls;
            *flag = true;
        }
    } progress;
    progress.flag = &cancel;
    DemoOptions options;
    options.outDir = dir / "set";
    options.records = 300000;
    options.progress = &progress;
    options.stop.cancel = &cancel;
    DemoSummary summary;
    std::string error;
    EXPECT_FALSE(RunDemo(options, summary, error));
    EXPECT_NE(error.find("interrupted"), std::string::npos) << error;
    EXPECT_EQ(progress.calls, 1);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(Demo, RefusesAnEmptySet) {
    TempDir dir;
    DemoOptions options;
    options.outDir = dir / "set";
    options.records = 0;
    DemoSummary summary;
    std::string error;
    EXPECT_FALSE(RunDemo(options, summary, error));
    EXPECT_FALSE(fs::exists(dir / "set"));
}
