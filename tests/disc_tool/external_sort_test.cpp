#include "external_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "test_discs.h"

using disctool::EntryLess;
using disctool::ExternalSorter;
using disctool::SortEntry;

namespace {

// Few distinct keys and names, so equal people are common and their order shows.
std::vector<SortEntry> Entries(int n) {
    std::mt19937 random(7);
    std::vector<SortEntry> entries(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        SortEntry& e = entries[static_cast<std::size_t>(i)];
        char key[13];
        char name[11];
        std::snprintf(key, sizeof key, "K%-11d", static_cast<int>(random() % 50));
        std::snprintf(name, sizeof name, "N%-9d", static_cast<int>(random() % 7));
        std::memcpy(e.key, key, 12);
        std::memcpy(e.firstName, name, 10);
        std::memset(e.record, i & 0xFF, 16);
        disctool::SetSequence(e, static_cast<std::uint64_t>(i) * 3);
    }
    return entries;
}

}  // namespace

// Through the buffer alone, one merge, and merges in several passes: the same order, which
// keeps equal people in input order.
TEST(ExternalSorter, GivesEveryEntryInOrderHoweverItSpills) {
    const std::vector<SortEntry> input = Entries(30000);
    std::vector<SortEntry> expected = input;
    std::sort(expected.begin(), expected.end(), EntryLess);

    const struct {
        std::size_t memory;
        int fanIn;
        bool spills;
    } cases[] = {{64 << 20, 64, false}, {64 << 10, 64, true}, {64 << 10, 3, true}};
    for (const auto& c : cases) {
        TempDir scratch;
        std::vector<SortEntry> got;
        {
            ExternalSorter sorter(scratch.Path(), c.memory, c.fanIn);
            for (const SortEntry& e : input)
                ASSERT_TRUE(sorter.Add(e));
            ASSERT_TRUE(sorter.Finish()) << sorter.Error();
            EXPECT_EQ(sorter.RunsWritten() > 0, c.spills);
            SortEntry e;
            while (sorter.Next(e))
                got.push_back(e);
            EXPECT_TRUE(sorter.Error().empty());
        }
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(SortEntry)), 0)
            << "memory " << c.memory << ", fan-in " << c.fanIn;
        EXPECT_TRUE(std::filesystem::is_empty(scratch.Path()));  // run files are removed
    }
}

TEST(ExternalSorter, ReportsARunFileThatCannotBeWritten) {
    ExternalSorter sorter("/nonexistent-folder/", 64 << 10);
    bool added = true;
    for (const SortEntry& e : Entries(5000))
        added = added && sorter.Add(e);
    EXPECT_FALSE(added && sorter.Finish());
    EXPECT_NE(sorter.Error().find("cannot write the sort file"), std::string::npos);
}
