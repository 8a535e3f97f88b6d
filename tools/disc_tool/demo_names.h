// Fixed facts behind the demo data: ZIP prefixes and SSN areas by state, where people lived,
// and how common names were at different times.
#pragma once

#include <cstddef>

namespace disctool::demo {

// Three-digit ZIP prefixes `from`..`to` belong to location `code`.
struct ZipPrefixRange {
    int code;
    int from;
    int to;
};
extern const ZipPrefixRange kZipPrefixRanges[];
extern const std::size_t kZipPrefixRangeCount;

// Relative share of the records per location code 0..65 (0: location unknown).
extern const int kLocationWeights[66];

// Areas of the railroad's own numbering, given out until 1963 whatever the state.
inline constexpr int kRailroadAreaFirst = 700;
inline constexpr int kRailroadAreaLast = 728;

// The census division (1..9) of each location code; 0 for codes outside the states, and
// 10 and up for territories that make a division of their own.
extern const int kDivisionOf[66];

// Given names whose use rose and fell with the times: most given to children born around
// `peak`, and then about `level` times as often as the commonest name of the lists. Names
// not in this table were given alike in every decade.
struct NameEra {
    const char* name;
    bool female;
    int peak;
    double level;
};
extern const NameEra kNameEras[];
extern const std::size_t kNameEraCount;

// Surnames of families that mostly came after 1965: the census of 1990 counts them among
// the living far more often than the deaths of 1937-1998 do. Their share is multiplied by
// `factor`.
struct SurnameShare {
    const char* name;
    double factor;
};
extern const SurnameShare kRecentSurnames[];
extern const std::size_t kRecentSurnameCount;

}  // namespace disctool::demo
