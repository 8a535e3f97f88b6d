#include <gtest/gtest.h>

#include <cstdint>

#include "zip_tables.h"

namespace {

std::uint64_t Fnv1a64(const std::int32_t* table, int count) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (int i = 0; i < count; ++i) {
        const auto u = static_cast<std::uint32_t>(table[i]);
        for (int shift = 0; shift < 32; shift += 8) {
            h = (h ^ ((u >> shift) & 0xFFu)) * 0x100000001B3ull;
        }
    }
    return h;
}

void ExpectAscendingZips(const std::int32_t* table, int count) {
    EXPECT_EQ(table[0], 0);
    EXPECT_LE(table[count - 1], 99999);
    for (int i = 1; i < count; ++i) {
        ASSERT_LT(table[i - 1], table[i]) << "entry " << i;
    }
}

}  // namespace

// Disc sets are coded against these exact values; any change to them breaks every disc.
TEST(ZipTables, ResidenceTableIsPinned) {
    ASSERT_EQ(kResidenceZipCount, 56227);
    ExpectAscendingZips(ResidenceZipTable, kResidenceZipCount);
    const std::int32_t head[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 29, 30, 60, 73, 105};
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(ResidenceZipTable[i], head[i]) << "entry " << i;
    }
    EXPECT_EQ(ResidenceZipTable[55533], 98683);
    EXPECT_GE(ResidenceZipTable[55534], 98684);
    EXPECT_EQ(ResidenceZipTable[kResidenceZipCount - 1], 99999);
    EXPECT_EQ(Fnv1a64(ResidenceZipTable, kResidenceZipCount), 0x54A7B1EEE1109652ull);
}

TEST(ZipTables, PaymentTableIsPinned) {
    ASSERT_EQ(kPaymentZipCount, 45213);
    ExpectAscendingZips(PaymentZipTable, kPaymentZipCount);
    const std::int32_t head[] = {0, 9, 66, 90, 130, 206, 247};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(PaymentZipTable[i], head[i]) << "entry " << i;
    }
    EXPECT_EQ(PaymentZipTable[kPaymentZipCount - 1], 99950);
    EXPECT_EQ(Fnv1a64(PaymentZipTable, kPaymentZipCount), 0xA8AC63A8F794245Dull);
}

// Residence entries past 55,533 exist but no code word reaches them.
TEST(ZipTables, FindIndexOnlyWithinTheReachablePart) {
    struct Case {
        int zip, residence, payment;
    } const cases[] = {
        {0, 0, 0},          {9, 9, 1},       {26, 26, -1},  {27, -1, -1},
        {60, 29, -1},       {66, -1, 2},     {105, 31, -1}, {98683, 55533, -1},
        {99950, -1, 45212}, {99999, -1, -1}, {-1, -1, -1},  {100000, -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindResidenceZipIndex(c.zip), c.residence) << c.zip;
        EXPECT_EQ(FindPaymentZipIndex(c.zip), c.payment) << c.zip;
    }
}
