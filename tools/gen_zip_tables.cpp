// Writes engine/zip_tables.cpp, the two ZIP tables that ZIP code words index, to stdout:
//
//     build/dev/tools/gen_zip_tables > engine/zip_tables.cpp
//
// It was run once; the committed output is what disc sets are coded against, so it must not
// be regenerated with different values. The fixed entries are known values; the rest are
// drawn with a fixed seed, weighted toward the three-digit ZIP prefixes that are in real use
// (more so in big cities and toward the low end of each prefix), and include a set of
// well-known real ZIPs so that tests and demo discs can use them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "zip_tables.h"

namespace {

// splitmix64: our own generator, so the output never depends on the standard library.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

struct PrefixRange {
    int first;
    int last;
    int weight;
};

// Three-digit prefixes in real use (weight 4) and the big metropolitan ones (weight 8); all
// other prefixes, military mail included, get weight 2. Later rows override earlier ones.
constexpr PrefixRange kPrefixWeights[] = {
    {5, 5, 4},     {6, 9, 4},     {10, 69, 4},   {70, 89, 4},   {100, 212, 4}, {214, 268, 4},
    {270, 342, 4}, {344, 347, 4}, {349, 352, 4}, {354, 418, 4}, {420, 427, 4}, {430, 458, 4},
    {460, 497, 4}, {500, 516, 4}, {520, 528, 4}, {530, 532, 4}, {534, 535, 4}, {537, 551, 4},
    {553, 567, 4}, {570, 577, 4}, {580, 588, 4}, {590, 620, 4}, {622, 631, 4}, {633, 641, 4},
    {644, 658, 4}, {660, 662, 4}, {664, 681, 4}, {683, 693, 4}, {700, 702, 4}, {704, 708, 4},
    {710, 714, 4}, {716, 731, 4}, {733, 741, 4}, {743, 770, 4}, {772, 816, 4}, {820, 838, 4},
    {840, 847, 4}, {850, 853, 4}, {855, 857, 4}, {859, 860, 4}, {863, 865, 4}, {870, 875, 4},
    {877, 885, 4}, {889, 891, 4}, {893, 895, 4}, {900, 908, 4}, {910, 928, 4}, {930, 961, 4},
    {967, 986, 4}, {988, 999, 4}, {21, 24, 8},   {70, 76, 8},   {100, 119, 8}, {190, 191, 8},
    {200, 205, 8}, {331, 334, 8}, {481, 482, 8}, {600, 608, 8}, {750, 753, 8}, {770, 775, 8},
    {900, 918, 8}, {941, 951, 8}, {980, 981, 8},
};

int Weight(int zip) {
    const int prefix = zip / 100;
    int weight = 2;
    for (const PrefixRange& r : kPrefixWeights) {
        if (prefix >= r.first && prefix <= r.last) {
            weight = r.weight;
        }
    }
    return zip % 100 < 50 ? weight * 3 : weight * 2;
}

// Well-known real ZIPs that both tables carry.
constexpr int kKnownZips[] = {501,   2108,  2134,  10001, 10016, 10022, 19103, 20001, 20500,
                              30301, 33101, 48201, 55401, 60601, 60614, 63101, 70112, 75201,
                              77001, 80202, 85001, 90001, 90210, 94102, 97201, 98101};

// Appends `count` distinct values from lo..hi, ascending: the known ZIPs in range first, then
// those with the highest weighted random keys.
bool AppendDrawn(std::vector<std::int32_t>& table, int lo, int hi, int count, std::uint64_t seed) {
    struct Candidate {
        std::uint64_t key;
        int zip;
    };
    SplitMix64 rng{seed};
    std::vector<Candidate> candidates;
    for (int zip = lo; zip <= hi; ++zip) {
        const std::uint64_t key = (rng.Next() >> 32) * static_cast<std::uint64_t>(Weight(zip));
        candidates.push_back({key, zip});
    }
    for (int known : kKnownZips) {
        if (known >= lo && known <= hi) {
            candidates[static_cast<std::size_t>(known - lo)].key = UINT64_MAX;
        }
    }
    if (count > static_cast<int>(candidates.size())) {
        return false;
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.key != b.key ? a.key > b.key : a.zip < b.zip;
    });
    std::vector<std::int32_t> drawn;
    for (int i = 0; i < count; ++i) {
        drawn.push_back(candidates[static_cast<std::size_t>(i)].zip);
    }
    std::sort(drawn.begin(), drawn.end());
    table.insert(table.end(), drawn.begin(), drawn.end());
    return true;
}

std::vector<std::int32_t> BuildResidenceTable() {
    std::vector<std::int32_t> t;
    for (int zip = 0; zip <= 26; ++zip) {
        t.push_back(zip);
    }
    t.insert(t.end(), {29, 30, 60, 73, 105});
    // Indexes 32..55,532, then the last addressable entry 98683, then the 693 entries that no
    // code word reaches, ending with 99999.
    if (!AppendDrawn(t, 106, 98682, 55501, 0x5245534944454E43ull)) {
        return {};
    }
    t.push_back(98683);
    if (!AppendDrawn(t, 98684, 99998, 692, 0x5245534944544F50ull)) {
        return {};
    }
    t.push_back(99999);
    return t;
}

std::vector<std::int32_t> BuildPaymentTable() {
    std::vector<std::int32_t> t = {0, 9, 66, 90, 130, 206, 247};
    if (!AppendDrawn(t, 248, 99949, 45205, 0x5041594D454E5453ull)) {
        return {};
    }
    t.push_back(99950);
    return t;
}

bool Valid(const std::vector<std::int32_t>& t, int size) {
    if (static_cast<int>(t.size()) != size || t.front() != 0 || t.back() > 99999) {
        return false;
    }
    return std::adjacent_find(t.begin(), t.end(),
                              [](std::int32_t a, std::int32_t b) { return a >= b; }) == t.end();
}

std::uint64_t Fnv1a64(const std::vector<std::int32_t>& t) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (std::int32_t v : t) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8) {
            h = (h ^ ((u >> shift) & 0xFFu)) * 0x100000001B3ull;
        }
    }
    return h;
}

void PrintTable(const char* name, const char* count, const std::vector<std::int32_t>& t) {
    std::printf("const std::int32_t %s[%s] = {\n", name, count);
    for (std::size_t i = 0; i < t.size(); ++i) {
        std::printf("%s%5d,%s", i % 12 == 0 ? "    " : " ", static_cast<int>(t[i]),
                    (i % 12 == 11 || i + 1 == t.size()) ? "\n" : "");
    }
    std::printf("};\n");
}

}  // namespace

int main() {
    const std::vector<std::int32_t> residence = BuildResidenceTable();
    const std::vector<std::int32_t> payment = BuildPaymentTable();
    if (!Valid(residence, kResidenceZipCount) || !Valid(payment, kPaymentZipCount)) {
        std::fprintf(stderr, "gen_zip_tables: generated tables break their invariants\n");
        return 1;
    }
    std::puts("// Generated once by tools/gen_zip_tables; do not edit. These values must never");
    std::puts("// change: the ZIP code words of every disc set are indexes into them.");
    std::puts("#include \"zip_tables.h\"\n");
    std::puts("// clang-format off");
    PrintTable("ResidenceZipTable", "kResidenceZipCount", residence);
    std::printf("\n");
    PrintTable("PaymentZipTable", "kPaymentZipCount", payment);
    std::puts("// clang-format on");
    std::fprintf(stderr, "residence FNV-1a 64: 0x%016llX\npayment FNV-1a 64: 0x%016llX\n",
                 static_cast<unsigned long long>(Fnv1a64(residence)),
                 static_cast<unsigned long long>(Fnv1a64(payment)));
    return 0;
}
