// Fixed lists behind the demo data: common US surnames and first names, ZIP prefixes by
// state, and how people spread over the locations.
#pragma once

#include <cstddef>

namespace disctool::demo {

// Common surnames, commonest first; the demo gives them the largest runs.
extern const char* const kCommonSurnames[];
extern const std::size_t kCommonSurnameCount;

// Common first names of people who died in the second half of the century, commonest first.
extern const char* const kCommonFirstNames[];
extern const std::size_t kCommonFirstNameCount;

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

}  // namespace disctool::demo
