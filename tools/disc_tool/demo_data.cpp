#include "demo_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <string_view>

#include "census_names.h"
#include "death_index.h"
#include "death_record.h"
#include "demo_names.h"
#include "record_encoding.h"
#include "ssn_areas.h"
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

// ---- SSN areas ----------------------------------------------------------------------------

// Areas from 587 on were given out from the 1970s, as a state's first ones ran out.
constexpr int kFirstLaterArea = 587;
constexpr int kFirstAreaAfter2000 = 750;

// The area of an SSN: most people got their number in the state where they last lived, many
// others in a state nearby, some anywhere.
class SsnAreaPicker {
  public:
    SsnAreaPicker() {
        for (int code = 1; code < kLocationNameCount; ++code) {
            SsnAreaRange ranges[kMaxSsnRangesPerLocation];
            const int count = SsnAreaRangesOf(code, ranges);
            for (int i = 0; i < count; ++i) {
                const SsnAreaRange& r = ranges[i];
                // Areas from 750 on were first given out after 2000: nobody of the index
                // holds one.
                if (r.first >= kFirstAreaAfter2000)
                    continue;
                (r.first >= kFirstLaterArea ? later : early)[code].push_back({r.first, r.last});
            }
        }
        for (int code = 1; code < kLocationNameCount; ++code) {
            if (early[code].empty() || demo::kDivisionOf[code] == 0)
                continue;
            division[demo::kDivisionOf[code]].push_back(code);
            anyTotal += demo::kLocationWeights[code];
            anyCodes.push_back(code);
            anyCumulative.push_back(anyTotal);
        }
    }

    std::uint32_t Area(int location, int birthYear, Rng& rng) const {
        // The railroad numbered its own workers until 1963.
        if (birthYear < 1935 && rng.Chance(0.01)) {
            return static_cast<std::uint32_t>(
                demo::kRailroadAreaFirst +
                rng.Below(demo::kRailroadAreaLast - demo::kRailroadAreaFirst + 1));
        }
        int state = location;
        const bool known = location > 0 && location < kLocationNameCount &&
                           !early[location].empty() && demo::kDivisionOf[location] != 0;
        const double u = rng.Unit();
        if (!known || u >= 0.88) {
            state = AnyState(rng);
        } else if (u >= 0.72) {
            const std::vector<int>& near = division[demo::kDivisionOf[location]];
            state = near[rng.Below(static_cast<std::uint32_t>(near.size()))];
        }
        // The areas added as the first ones ran out went to people born late.
        const bool late = birthYear >= 1965 && !later[state].empty() && rng.Chance(0.5);
        return Pick(late ? later[state] : early[state], rng);
    }

  private:
    int AnyState(Rng& rng) const {
        const int n = static_cast<int>(rng.Below(static_cast<std::uint32_t>(anyTotal)));
        const auto it = std::upper_bound(anyCumulative.begin(), anyCumulative.end(), n);
        return anyCodes[static_cast<std::size_t>(it - anyCumulative.begin())];
    }
    static std::uint32_t Pick(const std::vector<std::pair<int, int>>& ranges, Rng& rng) {
        int total = 0;
        for (const auto& [from, to] : ranges)
            total += to - from + 1;
        int n = static_cast<int>(rng.Below(static_cast<std::uint32_t>(total)));
        for (const auto& [from, to] : ranges) {
            if (n <= to - from)
                return static_cast<std::uint32_t>(from + n);
            n -= to - from + 1;
        }
        return static_cast<std::uint32_t>(ranges.front().first);
    }

    std::vector<std::pair<int, int>> early[kLocationNameCount];
    std::vector<std::pair<int, int>> later[kLocationNameCount];
    std::vector<int> division[16];
    std::vector<int> anyCodes;
    std::vector<int> anyCumulative;
    int anyTotal = 0;
};

// ---- Given names ----------------------------------------------------------------------------

// Draws one of n items by fixed weights in constant time (Walker's alias method).
class AliasTable {
  public:
    explicit AliasTable(const std::vector<double>& weights) {
        const std::size_t n = weights.size();
        probability.assign(n, 1.0);
        alias.resize(n);
        double total = 0;
        for (double w : weights)
            total += w;
        std::vector<double> scaled(n);
        std::vector<std::uint32_t> small, large;
        for (std::size_t i = 0; i < n; ++i) {
            scaled[i] = weights[i] * static_cast<double>(n) / total;
            alias[i] = static_cast<std::uint32_t>(i);
            (scaled[i] < 1 ? small : large).push_back(static_cast<std::uint32_t>(i));
        }
        while (!small.empty() && !large.empty()) {
            const std::uint32_t s = small.back();
            small.pop_back();
            const std::uint32_t l = large.back();
            probability[s] = scaled[s];
            alias[s] = l;
            scaled[l] -= 1 - scaled[s];
            if (scaled[l] < 1) {
                large.pop_back();
                small.push_back(l);
            }
        }
    }
    // One draw of the generator gives both the column and the coin.
    std::uint32_t Draw(Rng& rng) const {
        const std::uint64_t r = rng.Next();
        const auto i = static_cast<std::uint32_t>(((r >> 32) * probability.size()) >> 32);
        return static_cast<double>(r & 0xFFFFFFFFu) * 0x1.0p-32 < probability[i] ? i : alias[i];
    }

  private:
    std::vector<double> probability;
    std::vector<std::uint32_t> alias;
};

constexpr int kFirstBirthDecade = 1870;
constexpr int kBirthDecades = 13;  // 1870s .. 1990s
constexpr double kFemaleShare = 0.48;
constexpr double kInitialShare = 0.003;  // a given name known by its initial only
constexpr double kBlankShare = 0.001;    // no given name at all

// The census given names, drawn by sex and decade of birth: a name's share follows its rank
// in the census lists, except for the names of kNameEras, which follow their time.
class GivenNameModel {
  public:
    GivenNameModel() {
        const demo::CensusNames& census = demo::Census();
        std::map<std::string, int> index;
        const auto indexOf = [&](const std::string& name) {
            const auto [it, added] = index.emplace(name, static_cast<int>(names.size()));
            if (added)
                names.push_back(name);
            return it->second;
        };
        std::vector<double> weights[kBirthDecades];
        for (int sex = 0; sex < 2; ++sex) {
            const std::vector<std::string_view>& list = sex == 1 ? census.female : census.male;
            const double share = sex == 1 ? kFemaleShare : 1 - kFemaleShare;
            std::map<std::string, const demo::NameEra*> eras;
            for (std::size_t i = 0; i < demo::kNameEraCount; ++i) {
                if (demo::kNameEras[i].female == (sex == 1))
                    eras[demo::kNameEras[i].name] = &demo::kNameEras[i];
            }
            std::vector<double> own[kBirthDecades];
            for (std::size_t rank = 1; rank <= list.size(); ++rank) {
                const std::string full(list[rank - 1]);
                items.push_back(indexOf(Cut(full, 10)));
                // Shares in the census lists fall off about so with the rank.
                const double byRank = std::pow((rank + 5) / 6.0, -1.3);
                const auto era = eras.find(full);
                for (int d = 0; d < kBirthDecades; ++d) {
                    double w = byRank;
                    if (era != eras.end()) {
                        const demo::NameEra& e = *era->second;
                        const double year = kFirstBirthDecade + 10 * d + 5;
                        const double spread = e.peak < 1930 ? 20 : 12;
                        const double z = (year - e.peak) / spread;
                        w = e.level * std::exp(-0.5 * z * z);
                        // The old names never went out of use entirely.
                        if (e.peak < 1930)
                            w = std::max(w, 0.25 * byRank);
                    }
                    own[d].push_back(w);
                }
            }
            // Each sex's names in its share of the people.
            for (int d = 0; d < kBirthDecades; ++d) {
                double total = 0;
                for (double w : own[d])
                    total += w;
                for (double w : own[d])
                    weights[d].push_back(w / total * share * (1 - kInitialShare - kBlankShare));
            }
        }
        // Initials alone and the unknown name, in fixed shares of all.
        for (char c = 'A'; c <= 'Z'; ++c)
            items.push_back(indexOf(std::string(1, c)));
        items.push_back(indexOf(""));
        for (std::vector<double>& w : weights) {
            w.insert(w.end(), 26, kInitialShare / 26);
            w.push_back(kBlankShare);
        }
        for (int d = 0; d < kBirthDecades; ++d)
            tables.emplace_back(weights[d]);
    }

    // Every name drawn, in no particular order.
    const std::vector<std::string>& Names() const { return names; }

    // An index into Names(), for a man or a woman born in `birthYear`.
    int Draw(int birthYear, Rng& rng) const {
        const int decade = std::clamp((birthYear - kFirstBirthDecade) / 10, 0, kBirthDecades - 1);
        return items[tables[static_cast<std::size_t>(decade)].Draw(rng)];
    }

  private:
    static std::string Cut(std::string name, std::size_t limit) {
        if (name.size() > limit)
            name.resize(limit);
        return name;
    }

    std::vector<std::string> names;
    std::vector<int> items;          // men's names, women's names, initials, blank
    std::vector<AliasTable> tables;  // per decade of birth: items by their share
};

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
        // Most people were paid where they lived: the payment table's entry of each residence
        // ZIP, looked up once.
        const int reachable = std::min<int>(kResidenceZipCount, kFirstPartialZipWord);
        for (int i = 0; i < reachable; ++i)
            paymentOfResidence.push_back(FindPaymentZipIndex(ResidenceZipTable[i]));
    }

    // A record without its first name, and the year of birth the name is drawn by (also
    // when the record keeps it unknown).
    struct Made {
        RawDeathRecord raw;
        int birthYear;
    };

    Made Make(Rng& rng) {
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
            const std::uint32_t area = ssnAreas.Area(location, by, rng);
            ssn = area * 1000000 + NextGroupAndSerial(area);
        }

        std::uint16_t residenceWord = 0;
        int residenceIndex = 0;
        const bool inUs = location >= 1 && location <= 53;
        if (const double u = rng.Unit(); u < (inUs ? 0.90 : 0.35)) {
            const int index = inUs ? residence.InLocation(location, rng) : residence.Anywhere(rng);
            if (index > 0) {
                residenceIndex = index;
                residenceWord = u < 0.02 ? PartialZipWord(residence.Zip(index), rng)
                                         : static_cast<std::uint16_t>(index);
            }
        }
        std::uint16_t paymentWord = 0;
        if (const double u = rng.Unit(); u >= 0.22) {
            int index = -1;
            if (u < 0.85 && residenceIndex != 0)
                index = paymentOfResidence[static_cast<std::size_t>(residenceIndex)];
            if (index < 0 && inUs)
                index = payment.InLocation(location, rng);
            if (index > 0) {
                paymentWord = u > 0.98 ? PartialZipWord(payment.Zip(index), rng)
                                       : static_cast<std::uint16_t>(index);
            }
        }

        const std::uint32_t wordA = static_cast<std::uint32_t>(location) << kLocationShift;
        const std::uint32_t wordB = ssn | (bornIn1800s ? kBornIn1800s : 0);
        return {MakeRawRecord(wordA, wordB, deathWord, birthWord, residenceWord, paymentWord), by};
    }

  private:
    // Group and serial of the next number of `area`: a person's number is never anyone
    // else's, as on the real index. The area's n-th number is a fixed scramble of n over all
    // 99 x 9,999 group-serial pairs, so numbers look random yet stay unique until an area has
    // given out every one of them (about 990,000; no area comes near at 70 million records).
    std::uint32_t NextGroupAndSerial(std::uint32_t area) {
        constexpr std::uint64_t kPairs = 99ULL * 9999ULL;  // 3^4 x 11^2 x 101
        constexpr std::uint64_t kStep = 7919;              // prime, shares no factor with kPairs
        const std::uint64_t n = issued[area % kAreaSlots]++;
        const std::uint64_t x = (n * kStep + area * 104729ULL) % kPairs;
        return static_cast<std::uint32_t>((x / 9999 + 1) * 10000 + (x % 9999 + 1));
    }

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
    std::vector<int> paymentOfResidence;  // -1 where the payment table lacks the ZIP
    SsnAreaPicker ssnAreas;
    static constexpr std::uint32_t kAreaSlots = 1000;
    std::vector<std::uint64_t> issued = std::vector<std::uint64_t>(kAreaSlots, 0);
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
    const std::vector<std::string_view>& census = demo::Census().surnames;
    const std::size_t n = census.size();
    if (n == 0 || records < 1)
        return {};

    // Each census surname's share: 1% at rank 1 falling as ((rank + 1) / 2)^-0.6, then as
    // k / rank, the shape of US surname counts; families that mostly came after 1965 far
    // less; a little noise, so the order is not the census's to the letter.
    std::map<std::string_view, double> recent;
    for (std::size_t i = 0; i < demo::kRecentSurnameCount; ++i)
        recent[demo::kRecentSurnames[i].name] = demo::kRecentSurnames[i].factor;
    std::vector<double> head(n);  // the share before the bend
    std::vector<double> tail(n);  // the share after it, for k = 1
    for (std::size_t i = 0; i < n; ++i) {
        const double rank = static_cast<double>(i + 1);
        const auto it = recent.find(census[i]);
        double factor = it != recent.end() ? it->second : 1.0;
        if (i > 0)
            factor *= std::exp(0.1 * (2 * rng.Unit() - 1));
        head[i] = 0.01 * std::pow((rank + 1) / 2, -0.6) * factor;
        tail[i] = factor / rank;
    }
    // k such that the shares add up to 1, so the first keeps its 1%.
    const auto total = [&](double k) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i)
            sum += std::min(head[i], k * tail[i]);
        return sum;
    };
    double lo = 0;
    double hi = 1;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (total(mid) < 1 ? lo : hi) = mid;
    }
    std::vector<double> expected(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        expected[i] = std::min(head[i], hi * tail[i]);
        sum += expected[i];
    }
    for (double& e : expected)
        e *= static_cast<double>(records) / sum;

    // A run must fit in one data file: what the largest cannot hold goes to the others.
    const double cap = static_cast<double>(kMaxRun);
    for (bool capped = true; capped;) {
        capped = false;
        double excess = 0;
        double free = 0;
        for (double e : expected) {
            excess += std::max(0.0, e - cap);
            free += e < cap ? e : 0;
        }
        if (excess <= 0 || free <= 0)
            break;
        for (double& e : expected) {
            if (e >= cap) {
                e = cap;
            } else {
                e += excess * e / free;
                capped = capped || e > cap;
            }
        }
    }

    // Whole counts that add up to `records` exactly, each the expected count rounded down or
    // up: a running sum from a random start.
    std::vector<std::int64_t> counts(n);
    double running = rng.Unit();
    std::int64_t given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double next = running + expected[i];
        counts[i] = std::min(static_cast<std::int64_t>(std::floor(next)) -
                                 static_cast<std::int64_t>(std::floor(running)),
                             kMaxRun);
        running = next;
        given += counts[i];
    }
    // Rounding in floating point may leave a record or two over or short.
    for (std::size_t i = 0; given != records; i = (i + 1) % n) {
        if (given < records && counts[i] < kMaxRun) {
            ++counts[i];
            ++given;
        } else if (given > records && counts[i] > 0) {
            --counts[i];
            --given;
        }
    }

    // Keys cut to twelve characters can meet; such surnames are one.
    std::map<std::string, std::int64_t> byKey;
    for (std::size_t i = 0; i < n; ++i) {
        if (counts[i] > 0)
            byKey[builder::SurnameKey(std::string(census[i]))] += counts[i];
    }
    std::vector<SurnamePlan> plan;
    plan.reserve(byKey.size());
    std::int64_t over = 0;
    for (const auto& [key, count] : byKey) {
        SurnamePlan entry;
        std::memcpy(entry.key, key.data(), sizeof entry.key);
        entry.count = static_cast<std::uint32_t>(std::min(count, kMaxRun));
        over += count - entry.count;
        plan.push_back(entry);
    }
    for (SurnamePlan& entry : plan) {
        const std::int64_t room = std::min(over, kMaxRun - entry.count);
        entry.count += static_cast<std::uint32_t>(room);
        over -= room;
    }
    return plan;
}

std::vector<std::string> DemoGivenNames() {
    return GivenNameModel().Names();
}

bool RunDemo(const DemoOptions& options, DemoSummary& summary, std::string& error) {
    if (options.records < 1 || options.records > kMaxDemoRecords) {
        error = "the number of records must be 1 to " + FormatCount(kMaxDemoRecords);
        return false;
    }
    NoProgress quiet;
    Progress& progress = options.progress != nullptr ? *options.progress : quiet;
    const auto stopped = [&] {
        if (!options.stop.Requested())
            return false;
        error = "interrupted; nothing was changed";
        return true;
    };
    StagedDiscSet staged;
    if (!staged.Begin(options.outDir, error))
        return false;
    summary.outDir = staged.FinalDir().string();

    const std::vector<SurnamePlan> plan = PlanSurnames(options.records, options.seed);
    const GivenNameModel names;
    const builder::FirstNameList list(names.Names());
    std::vector<std::uint32_t> listIndex;
    for (const std::string& name : names.Names())
        listIndex.push_back(static_cast<std::uint32_t>(list.IndexOf(name)));
    RecordMaker maker;

    builder::DiscSetOptions discOptions;
    discOptions.disc1Dir = staged.Disc1Dir();
    discOptions.disc2Dir = staged.Disc2Dir();
    discOptions.recordsPerFile = options.recordsPerFile;
    builder::DiscSetWriter writer(discOptions, list);

    Rng rng(StreamSeed(options.seed, 3));
    // One surname's records, and their order by first-name index and then order of making:
    // within a run the program expects first names in list order.
    std::vector<RawDeathRecord> records;
    std::vector<std::uint64_t> order;
    std::int64_t written = 0;
    std::int64_t nextUpdate = 0;
    for (const SurnamePlan& surname : plan) {
        const std::string key(surname.key, sizeof surname.key);
        records.clear();
        order.clear();
        for (std::uint32_t i = 0; i < surname.count; ++i) {
            RecordMaker::Made made = maker.Make(rng);
            const std::uint32_t index =
                listIndex[static_cast<std::size_t>(names.Draw(made.birthYear, rng))];
            StoreLE32(made.raw.bytes, WordA(made.raw) | (index & kFirstNameMask));
            records.push_back(made.raw);
            order.push_back(std::uint64_t{index} << 32 | i);
        }
        std::sort(order.begin(), order.end());
        for (const std::uint64_t o : order) {
            if (!writer.Add(key, records[o & 0xFFFFFFFFu])) {
                error = writer.Error();
                return false;
            }
        }
        written += surname.count;
        if (written >= nextUpdate) {
            nextUpdate = written + 65536;
            if (stopped())
                return false;
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
    if (stopped())
        return false;
    return staged.Commit(error);
}

}  // namespace disctool
