#include "demo_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "death_index.h"
#include "death_record.h"
#include "demo_names.h"
#include "record_encoding.h"
#include "staged_output.h"
#include "zip_tables.h"

namespace disctool {

namespace fs = std::filesystem;

namespace {

// The demo's own generator (xoshiro256**), so a seed gives the same set everywhere; the
// standard distributions differ between libraries.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) {
        for (std::uint64_t& s : state)
            s = SplitMix(seed);
    }
    std::uint64_t Next() {
        const std::uint64_t result = Rotl(state[1] * 5, 7) * 9;
        const std::uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = Rotl(state[3], 45);
        return result;
    }
    // 0 .. n - 1.
    std::uint32_t Below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
    }
    // [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    bool Chance(double p) { return Unit() < p; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<std::uint32_t>(N))];
    }

    static std::uint64_t SplitMix(std::uint64_t& x) {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

  private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state[4];
};

// Separate streams for the surnames, the first names and the records, so that changing how
// one is drawn does not reshuffle the others.
std::uint64_t StreamSeed(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t x = seed * 0x2545F4914F6CDD1Dull + stream;
    return Rng::SplitMix(x);
}

constexpr std::int64_t kMaxRun = builder::kMaxRecordsPerDataFile;

// ---- Generated names ----------------------------------------------------------------------

// Share of surnames by initial, per mille, as in US surnames.
struct Initial {
    char letter;
    int weight;
};
const Initial kInitials[] = {
    {'A', 35}, {'B', 90}, {'C', 75}, {'D', 50}, {'E', 20},  {'F', 35}, {'G', 50},
    {'H', 75}, {'I', 5},  {'J', 20}, {'K', 40}, {'L', 45},  {'M', 95}, {'N', 20},
    {'O', 15}, {'P', 50}, {'Q', 2},  {'R', 55}, {'S', 100}, {'T', 35}, {'U', 3},
    {'V', 15}, {'W', 55}, {'X', 1},  {'Y', 5},  {'Z', 8},
};

// Single vowels mostly: runs of vowels and of consonants are what make made-up names
// unpronounceable.
const char* const kVowels[] = {"A", "A", "A", "A", "E", "E",  "E",  "E",  "I",  "I",  "I",
                               "O", "O", "O", "U", "U", "EA", "OU", "AI", "IE", "EE", "Y"};
// Consonants between two vowels.
const char* const kMiddles[] = {"B",  "D",  "G",  "K",  "L",  "M",  "N",  "P",  "R",  "S",
                                "T",  "V",  "Z",  "L",  "N",  "R",  "M",  "D",  "T",  "CH",
                                "SH", "TH", "ND", "NT", "RT", "LD", "ST", "CK", "SS", "LL",
                                "TT", "NN", "RR", "NS", "RD", "LM", "RB", "RL", "RM", "NK"};
// Consonants a name can end with.
const char* const kCodas[] = {"N",  "R",  "L",  "S",  "T",  "D",  "M",  "CK", "NG", "RD",
                              "RT", "LD", "ND", "RN", "RK", "ST", "LT", "NS", "X",  "Z",
                              "SH", "TH", "LL", "SS", "TT", "FF", "RG", "LK", "N",  "R"};
const char* const kEndings[] = {
    "SON",  "SEN",   "MAN",   "MANN",  "ER",   "ERS",  "EY",    "LEY",   "TON",  "FORD",
    "WOOD", "FIELD", "BERG",  "STEIN", "SKI",  "SKY",  "OWSKI", "EWSKI", "ICH",  "OVICH",
    "EZ",   "ES",    "INI",   "ELLI",  "ETTI", "ANO",  "ELLO",  "OV",    "ENKO", "AK",
    "ICK",  "OTT",   "ARD",   "ING",   "HOFF", "HAUS", "WELL",  "WORTH", "BY",   "DALE",
    "LAND", "STROM", "QUIST", "AUX",   "EAU",  "IAN",  "YAN",   "AS",    "IS",   "OPOULOS"};
const char* const kParticles[] = {"VAN ", "VON ", "DE ", "DEL ", "LA ",
                                  "LE ",  "DI ",  "DA ", "ST ",  "DE LA "};
const char* const kFirstNameEndings[] = {"A",   "IE", "INE", "ELLA", "ETTE", "O",   "ON",
                                         "ER",  "US", "ARD", "ERT",  "IA",   "ICE", "ANA",
                                         "ITA", "EL", "IN",  "ETH",  "Y",    "LYN"};

char PickInitial(Rng& rng) {
    int n = static_cast<int>(rng.Below(1000));
    for (const Initial& i : kInitials) {
        if (n < i.weight)
            return i.letter;
        n -= i.weight;
    }
    return 'S';
}

bool IsVowel(char c) {
    return std::strchr("AEIOUY", c) != nullptr;
}

// Clusters a name can start with, by its initial; a vowel starts a name on its own.
std::string Onset(char letter, Rng& rng) {
    switch (letter) {
        case 'B':
            return rng.Pick({"B", "B", "BR", "BL"});
        case 'C':
            return rng.Pick({"C", "CH", "CR", "CL"});
        case 'D':
            return rng.Pick({"D", "D", "DR"});
        case 'F':
            return rng.Pick({"F", "FR", "FL"});
        case 'G':
            return rng.Pick({"G", "GR", "GL"});
        case 'K':
            return rng.Pick({"K", "K", "KR", "KL"});
        case 'P':
            return rng.Pick({"P", "PR", "PL"});
        case 'Q':
            return "QU";
        case 'S':
            return rng.Pick({"S", "S", "SH", "ST", "SCH", "SP", "SW", "SM"});
        case 'T':
            return rng.Pick({"T", "T", "TR", "TH"});
        case 'W':
            return rng.Pick({"W", "W", "WH"});
        case 'Y':
            return "Y";
        default:
            return std::string(1, letter);
    }
}

// Onset, vowel, then `syllables` more consonant-vowel pairs; it ends in a vowel.
std::string Syllables(Rng& rng, int syllables) {
    const char letter = PickInitial(rng);
    std::string name = Onset(letter, rng);
    if (!IsVowel(letter))
        name += rng.Pick(kVowels);
    for (int i = 0; i < syllables; ++i) {
        name += rng.Pick(kMiddles);
        name += rng.Pick(kVowels);
    }
    return name;
}

// Ends a stem: a closing consonant, one of `count` endings, or neither.
std::string Close(std::string name, Rng& rng, const char* const* endings, std::size_t count) {
    const double u = rng.Unit();
    if (u < (count > 0 ? 0.45 : 0.6)) {
        name += rng.Pick(kCodas);
    } else if (u < 0.85 && count > 0) {
        const char* ending = endings[rng.Below(static_cast<std::uint32_t>(count))];
        // A vowel ending after the stem's vowel would run two vowels together.
        if (IsVowel(ending[0]))
            name.pop_back();
        name += ending;
    }
    return name;
}

std::string SurnameStem(Rng& rng) {
    const double u = rng.Unit();
    const int syllables = u < 0.35 ? 0 : u < 0.85 ? 1 : u < 0.97 ? 2 : 3;
    return Close(Syllables(rng, syllables), rng, kEndings, std::size(kEndings));
}

std::string Cut(std::string name, std::size_t limit) {
    if (name.size() > limit)
        name.resize(limit);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

// Tail surnames: mostly plain stems; some with an apostrophe, a particle and a space, a
// hyphen, or long enough to fill all twelve characters.
std::string GeneratedSurname(Rng& rng) {
    const double u = rng.Unit();
    if (u < 0.006)
        return Cut("O'" + SurnameStem(rng), 12);
    if (u < 0.008)
        return Cut("D'" + SurnameStem(rng), 12);
    if (u < 0.016)
        return Cut(rng.Pick(kParticles) + SurnameStem(rng), 12);
    if (u < 0.022) {
        const std::string first = Close(Syllables(rng, 0), rng, nullptr, 0);
        return Cut(
            first + "-" + Close(Syllables(rng, static_cast<int>(rng.Below(2))), rng, nullptr, 0),
            12);
    }
    std::string name = SurnameStem(rng);
    if (u < 0.04) {
        while (name.size() < 12)
            name += rng.Pick(kEndings);
    }
    return Cut(name, 12);
}

std::string GeneratedFirstName(Rng& rng) {
    const std::string stem = Syllables(rng, rng.Chance(0.6) ? 1 : 0);
    return Cut(Close(stem, rng, kFirstNameEndings, std::size(kFirstNameEndings)), 10);
}

// Records of a tail surname: mostly one or two.
std::int64_t TailCount(Rng& rng) {
    const double u = rng.Unit();
    if (u < 0.55)
        return 1;
    if (u < 0.75)
        return 2;
    if (u < 0.85)
        return 3;
    if (u < 0.92)
        return 4;
    if (u < 0.98)
        return 5 + rng.Below(5);
    return 10 + rng.Below(15);
}

// ---- Record fields --------------------------------------------------------------------------

int DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int z, int& y, int& m, int& d) {
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

int DaysInMonth(int month, int year) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Deaths are reported fully from 1962 and more each year; a few earlier ones.
int DeathYear(Rng& rng) {
    if (rng.Chance(0.04))
        return 1937 + static_cast<int>(25 * std::sqrt(rng.Unit()));
    const double x = std::sqrt(1 + 3 * rng.Unit()) - 1;  // density rising from 1 to 2
    return 1962 + std::min(36, static_cast<int>(37 * x));
}

// Age at death in days: mostly old age, some children and young adults.
int AgeInDays(Rng& rng) {
    const double u = rng.Unit();
    if (u < 0.015)
        return static_cast<int>(rng.Below(365));
    if (u < 0.06)
        return static_cast<int>((1 + rng.Below(45)) * 365 + rng.Below(365));
    const double sum = rng.Unit() + rng.Unit() + rng.Unit() + rng.Unit();
    const double age = std::clamp(75 + 11 * (sum - 2) * std::sqrt(3.0), 40.0, 106.0);
    return static_cast<int>(age * 365.25);
}

// Table entries whose ZIPs lie in each location's prefixes, for one ZIP table.
class ZipPicker {
  public:
    ZipPicker(const std::int32_t* table, int reachable) : table(table), reachable(reachable) {
        for (std::size_t i = 0; i < demo::kZipPrefixRangeCount; ++i) {
            const demo::ZipPrefixRange& r = demo::kZipPrefixRanges[i];
            const std::int32_t* end = table + reachable;
            const auto lo = std::lower_bound(table + 1, end, r.from * 100);
            const auto hi = std::upper_bound(table + 1, end, r.to * 100 + 99);
            if (lo < hi) {
                ranges[r.code].push_back(
                    {static_cast<int>(lo - table), static_cast<int>(hi - table)});
                totals[r.code] += static_cast<int>(hi - lo);
            }
        }
    }
    // A table index in the location, or -1 when it has no ZIP in the table.
    int InLocation(int code, Rng& rng) const {
        if (code < 0 || code >= kLocationNameCount || totals[code] == 0)
            return -1;
        int n = static_cast<int>(rng.Below(static_cast<std::uint32_t>(totals[code])));
        for (const auto& [begin, end] : ranges[code]) {
            if (n < end - begin)
                return begin + n;
            n -= end - begin;
        }
        return -1;
    }
    int Anywhere(Rng& rng) const {
        return 1 + static_cast<int>(rng.Below(static_cast<std::uint32_t>(reachable - 1)));
    }
    std::int32_t Zip(int index) const { return table[index]; }

  private:
    const std::int32_t* table;
    int reachable;
    std::vector<std::pair<int, int>> ranges[66];
    int totals[66] = {};
};

// A partial ZIP keeping one to four trailing digits of `zip`, sometimes none.
std::uint16_t PartialZipWord(std::int32_t zip, Rng& rng) {
    int value = 10000;  // XXXXX
    if (!rng.Chance(0.15)) {
        const int digits = 1 + static_cast<int>(rng.Below(4));
        const int modulus = digits == 1 ? 10 : digits == 2 ? 100 : digits == 3 ? 1000 : 10000;
        const int known = zip % modulus;
        if (digits == 3 && known == 0) {
            value = 10001;  // XX000
        } else if (known != 0) {
            value = known;
        }
    }
    return static_cast<std::uint16_t>(65535 - value);
}

// Everything a record needs besides its first name.
class RecordMaker {
  public:
    RecordMaker()
        : residence(ResidenceZipTable, std::min<int>(kResidenceZipCount, kFirstPartialZipWord)),
          payment(PaymentZipTable, std::min<int>(kPaymentZipCount, kFirstPartialZipWord)) {
        // Location codes 0..65 by weight, then the seven special codes, rarely.
        for (int code = 0; code < kLocationNameCount; ++code)
            AddLocation(code, demo::kLocationWeights[code] * 100);
        for (int code = 121; code <= 127; ++code)
            AddLocation(code, 15);
    }

    RawDeathRecord Make(int firstNameIndex, Rng& rng) const {
        const int location = PickLocation(rng);

        const int dy = DeathYear(rng);
        const int dm = 1 + static_cast<int>(rng.Below(12));
        const int dd =
            1 + static_cast<int>(rng.Below(static_cast<std::uint32_t>(DaysInMonth(dm, dy))));
        int by, bm, bd;
        CivilFromDays(DaysFromCivil(dy, dm, dd) - AgeInDays(rng), by, bm, bd);
        if (by < 1870) {
            by = 1870 + static_cast<int>(rng.Below(5));
            bm = 1 + static_cast<int>(rng.Below(12));
            bd = 1 + static_cast<int>(rng.Below(28));
        }

        std::uint16_t deathWord = kNoDateWord;
        if (const double u = rng.Unit(); u >= 0.002) {
            int d = dd, m = dm, y = dy - 1900;
            if (u < 0.005) {
                y = -1;
            } else if (u < 0.015) {
                d = 0;
                m = 0;
            } else if (u < 0.045) {
                d = 0;
            }
            deathWord = builder::DateWord(d, m, y);
        }
        std::uint16_t birthWord = kNoDateWord;
        bool bornIn1800s = false;
        if (const double u = rng.Unit(); u >= 0.006) {
            int d = bd, m = bm, y = by % 100;
            bornIn1800s = by < 1900;
            if (u < 0.008) {
                y = -1;
                bornIn1800s = false;
            } else if (u < 0.014) {
                d = 0;
                if (y != 0)  // 1900 with neither day nor month would read as no date
                    m = 0;
            } else if (u < 0.034) {
                d = 0;
            }
            birthWord = builder::DateWord(d, m, y);
        }

        std::uint32_t ssn = 0;
        if (!rng.Chance(0.001)) {
            std::uint32_t area = 1 + rng.Below(728);
            if (area == 666)
                area = 665;
            ssn = area * 1000000 + (1 + rng.Below(99)) * 10000 + (1 + rng.Below(9999));
        }

        std::uint16_t residenceWord = 0;
        std::int32_t residenceZip = 0;
        const bool inUs = location >= 1 && location <= 53;
        if (const double u = rng.Unit(); u < (inUs ? 0.90 : 0.35)) {
            const int index = inUs ? residence.InLocation(location, rng) : residence.Anywhere(rng);
            if (index > 0) {
                residenceZip = residence.Zip(index);
                residenceWord = u < 0.02 ? PartialZipWord(residenceZip, rng)
                                         : static_cast<std::uint16_t>(index);
            }
        }
        std::uint16_t paymentWord = 0;
        if (const double u = rng.Unit(); u >= 0.22) {
            int index = -1;
            if (u < 0.85 && residenceZip != 0)
                index = FindPaymentZipIndex(residenceZip);
            if (index < 0 && inUs)
                index = payment.InLocation(location, rng);
            if (index > 0) {
                paymentWord = u > 0.98 ? PartialZipWord(payment.Zip(index), rng)
                                       : static_cast<std::uint16_t>(index);
            }
        }

        const std::uint32_t wordA = (static_cast<std::uint32_t>(firstNameIndex) & kFirstNameMask) |
                                    static_cast<std::uint32_t>(location) << kLocationShift;
        const std::uint32_t wordB = ssn | (bornIn1800s ? kBornIn1800s : 0);
        return MakeRawRecord(wordA, wordB, deathWord, birthWord, residenceWord, paymentWord);
    }

  private:
    void AddLocation(int code, int weight) {
        if (weight <= 0)
            return;
        locationTotal += weight;
        locationCodes.push_back(code);
        locationCumulative.push_back(locationTotal);
    }
    int PickLocation(Rng& rng) const {
        const int n = static_cast<int>(rng.Below(static_cast<std::uint32_t>(locationTotal)));
        const auto it = std::upper_bound(locationCumulative.begin(), locationCumulative.end(), n);
        return locationCodes[static_cast<std::size_t>(it - locationCumulative.begin())];
    }

    ZipPicker residence;
    ZipPicker payment;
    std::vector<int> locationCodes;
    std::vector<int> locationCumulative;
    int locationTotal = 0;
};

std::int64_t FolderBytes(const fs::path& dir) {
    std::int64_t bytes = 0;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file(ec))
            bytes += static_cast<std::int64_t>(entry.file_size(ec));
    }
    return bytes;
}

}  // namespace

std::vector<SurnamePlan> PlanSurnames(std::int64_t records, std::uint64_t seed) {
    Rng rng(StreamSeed(seed, 1));
    std::vector<SurnamePlan> plan;
    const auto add = [&](const std::string& name, std::int64_t count) {
        SurnamePlan entry;
        std::memcpy(entry.key, builder::SurnameKey(name).data(), sizeof entry.key);
        entry.count = static_cast<std::uint32_t>(count);
        plan.push_back(entry);
    };

    // The head follows the shape of US surname counts: share 1% at rank 1 falling as
    // rank^-0.55 to about rank 200, then as 0.11 / rank up to rank 150,000, which covers
    // about 95% of all people. Fractions are rounded at random so small sets keep the shape.
    constexpr int kHeadRanks = 150000;
    const double bend = std::pow(11.0, 1 / 0.45);
    std::int64_t remaining = records;
    for (int rank = 1; rank <= kHeadRanks && remaining > 0; ++rank) {
        const double share = rank < bend ? 0.01 * std::pow(rank, -0.55) : 0.11 / rank;
        const double expected = share * static_cast<double>(records);
        const double whole = std::floor(expected);
        std::int64_t count = static_cast<std::int64_t>(whole) + (rng.Unit() < expected - whole);
        count = std::min({count, remaining, kMaxRun});
        if (count == 0)
            continue;
        const std::size_t common = static_cast<std::size_t>(rank - 1);
        add(common < demo::kCommonSurnameCount ? demo::kCommonSurnames[common]
                                               : GeneratedSurname(rng),
            count);
        remaining -= count;
    }

    // The rest goes to the tail. Generated names can repeat; repeats are one surname, and
    // what a full run cannot take goes to more tail names.
    for (;;) {
        while (remaining > 0) {
            const std::int64_t count = std::min(TailCount(rng), remaining);
            add(GeneratedSurname(rng), count);
            remaining -= count;
        }
        std::sort(plan.begin(), plan.end(), [](const SurnamePlan& a, const SurnamePlan& b) {
            return std::memcmp(a.key, b.key, sizeof a.key) < 0;
        });
        std::size_t out = 0;
        for (std::size_t i = 0; i < plan.size(); ++i) {
            if (out > 0 && std::memcmp(plan[out - 1].key, plan[i].key, sizeof plan[i].key) == 0) {
                const std::int64_t sum = std::int64_t{plan[out - 1].count} + plan[i].count;
                plan[out - 1].count = static_cast<std::uint32_t>(std::min(sum, kMaxRun));
                remaining += sum - plan[out - 1].count;
            } else {
                plan[out++] = plan[i];
            }
        }
        plan.resize(out);
        if (remaining == 0)
            return plan;
    }
}

FirstNameModel MakeFirstNameModel(std::uint64_t seed) {
    Rng rng(StreamSeed(seed, 2));
    FirstNameModel model;
    const auto addGroup = [&](std::size_t from, double share, double offset) {
        double sum = 0;
        for (std::size_t i = from; i < model.names.size(); ++i)
            sum += 1 / std::pow(static_cast<double>(i - from) + offset, 0.9);
        for (std::size_t i = from; i < model.names.size(); ++i)
            model.weights.push_back(share / sum /
                                    std::pow(static_cast<double>(i - from) + offset, 0.9));
    };
    // Real names carry most records; generated ones the long tail; then initials alone, and
    // the unknown first name.
    for (std::size_t i = 0; i < demo::kCommonFirstNameCount; ++i)
        model.names.push_back(demo::kCommonFirstNames[i]);
    addGroup(0, 0.84, 4);
    const std::size_t generated = model.names.size();
    for (int i = 0; i < 6000; ++i)
        model.names.push_back(GeneratedFirstName(rng));
    addGroup(generated, 0.135, 40);
    for (char c = 'A'; c <= 'Z'; ++c) {
        model.names.push_back(std::string(1, c));
        model.weights.push_back(0.02 / 26);
    }
    model.names.push_back("");
    model.weights.push_back(0.005);
    return model;
}

bool RunDemo(const DemoOptions& options, DemoSummary& summary, std::string& error) {
    if (options.records < 1 || options.records > kMaxDemoRecords) {
        error = "the number of records must be 1 to " + FormatCount(kMaxDemoRecords);
        return false;
    }
    NoProgress quiet;
    Progress& progress = options.progress != nullptr ? *options.progress : quiet;
    StagedDiscSet staged;
    if (!staged.Begin(options.outDir, error))
        return false;
    summary.outDir = staged.FinalDir().string();

    const std::vector<SurnamePlan> plan = PlanSurnames(options.records, options.seed);
    const FirstNameModel model = MakeFirstNameModel(options.seed);
    const builder::FirstNameList list(model.names);
    std::vector<int> listIndex;
    std::vector<double> cumulative;
    double total = 0;
    for (std::size_t i = 0; i < model.names.size(); ++i) {
        listIndex.push_back(list.IndexOf(model.names[i]));
        total += model.weights[i];
        cumulative.push_back(total);
    }
    const RecordMaker maker;

    builder::DiscSetOptions discOptions;
    discOptions.disc1Dir = staged.Disc1Dir();
    discOptions.disc2Dir = staged.Disc2Dir();
    discOptions.recordsPerFile = options.recordsPerFile;
    builder::DiscSetWriter writer(discOptions, list);

    Rng rng(StreamSeed(options.seed, 3));
    std::vector<int> names;
    std::int64_t written = 0;
    std::int64_t nextUpdate = 0;
    for (const SurnamePlan& surname : plan) {
        const std::string key(surname.key, sizeof surname.key);
        names.resize(surname.count);
        for (int& name : names) {
            const double u = rng.Unit() * total;
            const auto it = std::upper_bound(cumulative.begin(), cumulative.end(), u);
            name = listIndex[std::min<std::size_t>(
                static_cast<std::size_t>(it - cumulative.begin()), listIndex.size() - 1)];
        }
        // Within a run the program expects first names in list order.
        std::sort(names.begin(), names.end());
        for (const int name : names) {
            if (!writer.Add(key, maker.Make(name, rng))) {
                error = writer.Error();
                return false;
            }
        }
        written += surname.count;
        if (written >= nextUpdate) {
            nextUpdate = written + 65536;
            if (options.stop.Requested()) {
                error = "interrupted; nothing was changed";
                return false;
            }
            progress.Update("records written", written,
                            static_cast<double>(written) / static_cast<double>(options.records));
        }
    }
    builder::DiscSetReport report;
    if (!writer.Finish(&report)) {
        error = writer.Error();
        return false;
    }
    progress.Clear();
    summary.records = report.records;
    summary.surnames = static_cast<std::int64_t>(report.runs.size());
    summary.firstNames = list.Size() - builder::kLeadingFillers - builder::kTrailingFillers;
    summary.dataFiles = report.lastFile;
    summary.bytes =
        FolderBytes(staged.StagingDir() / "disc1") + FolderBytes(staged.StagingDir() / "disc2");
    if (options.stop.Requested()) {
        error = "interrupted; nothing was changed";
        return false;
    }
    return staged.Commit(error);
}

}  // namespace disctool
