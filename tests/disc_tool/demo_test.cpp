#include "demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "death_index.h"
#include "death_record.h"
#include "demo_names.h"
#include "disc_check.h"
#include "disc_tool_support.h"
#include "test_discs.h"
#include "zip_tables.h"

namespace fs = std::filesystem;
using namespace disctool;

TEST(DemoPlan, HasTheShapeOfTheRealIndexAtTheDefaultSize) {
    const std::vector<SurnamePlan> plan = PlanSurnames(kDefaultDemoRecords, 1);
    std::int64_t total = 0;
    std::int64_t disc1 = 0;
    std::int64_t small = 0;
    const SurnamePlan* largest = &plan[0];
    bool apostrophe = false, hyphen = false, space = false, full = false;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const SurnamePlan& s = plan[i];
        const std::string key(s.key, 12);
        if (i > 0) {
            ASSERT_LT(std::memcmp(plan[i - 1].key, s.key, 12), 0) << "keys ascend, once each";
        }
        ASSERT_GT(s.count, 0u);
        total += s.count;
        disc1 += CDeathIndex::DiscOf(key.c_str()) == 1 ? s.count : 0;
        small += s.count < 5;
        largest = s.count > largest->count ? &s : largest;
        const std::string name = key.substr(0, key.find_last_not_of(' ') + 1);
        apostrophe = apostrophe || name.find('\'') != std::string::npos;
        hyphen = hyphen || name.find('-') != std::string::npos;
        space = space || name.find(' ') != std::string::npos;
        full = full || name.size() == 12;
    }
    EXPECT_EQ(total, kDefaultDemoRecords);
    EXPECT_EQ(std::string(largest->key, 12), "SMITH       ");
    EXPECT_NEAR(static_cast<double>(largest->count) / total, 0.01, 0.001);
    EXPECT_GT(static_cast<double>(small) / plan.size(), 0.5) << "most surnames are rare";
    EXPECT_TRUE(apostrophe && hyphen && space && full);
    // Disc 1 fills dp1.car and spills into dp2.car; disc 2 then starts at dp3.car.
    EXPECT_GT(disc1, 1000000);
    EXPECT_GT(total - disc1, 0);
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

TEST(DemoNames, LocationWeightsCoverEveryLocationAndZipPrefixesNameRealLocations) {
    for (int code = 1; code <= 53; ++code)
        EXPECT_GT(demo::kLocationWeights[code], 0) << LocationNames[code];
    for (std::size_t i = 0; i < demo::kZipPrefixRangeCount; ++i) {
        const demo::ZipPrefixRange& r = demo::kZipPrefixRanges[i];
        EXPECT_TRUE(r.code >= 1 && r.code < kLocationNameCount && r.from <= r.to && r.to <= 999);
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
        ASSERT_TRUE(ssn == 0 ||
                    (ssn / 1000000 >= 1 && ssn / 1000000 <= 728 && ssn / 1000000 != 666));
        ASSERT_TRUE(PaymentZipWord(r) < kPaymentZipCount ||
                    PaymentZipWord(r) >= kFirstPartialZipWord);
    }
    for (const Share& s : shares) {
        const double share = static_cast<double>(s.count) / records.size();
        EXPECT_TRUE(share >= s.min && share <= s.max) << s.what << ": " << share;
    }
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
