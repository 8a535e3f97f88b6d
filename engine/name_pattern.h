// Name patterns: `*` stands for any run of characters (also none), `?` for exactly one.
// They match surname keys and first names, and tell which keys, partitions and discs a
// surname pattern can reach, so a search reads only those.
#pragma once

#include <string_view>

#include "death_index.h"

inline constexpr int kMaxPatternLength = 64;

// The keys a pattern can match: from `low` (inclusive) up to `high` (exclusive), compared
// as keys are (bytes unsigned, NUL-terminated). An empty `low` starts at the first key; a
// range without `high` runs to the last.
struct KeyRange {
    char low[kKeyLength + 1] = {};
    char high[kKeyLength + 1] = {};
    bool hasHigh = false;

    // `key` is a stored key: read up to its NUL, at most 16 bytes.
    bool IsBefore(const char* key) const;  // key < low
    bool IsPast(const char* key) const;    // key >= high
};

// A partition on one disc. Partition 7 is on both: its keys up to the split key on disc 1,
// the rest on disc 2.
struct PartitionRef {
    int disc;
    int partition;
    bool operator==(const PartitionRef&) const = default;
};
inline constexpr int kMaxPartitionRefs = kPartitionCount + 1;

class NamePattern {
  public:
    // Takes `text` up to its first NUL, without trailing blanks (padding means nothing in a
    // pattern). False when nothing is left or it is longer than kMaxPatternLength.
    bool Set(std::string_view text);

    bool HasWildcards() const { return wildcards; }

    // Whether `name` fits the whole pattern. `name` is a key or a first-name record: read up
    // to its first NUL (or the end of the view), its blank padding is not part of the name,
    // so SMIT? does not match SMIT. Blanks inside a name are characters like any other
    // (DE?LA matches DE LA). Letters a-z match their upper case, on both sides.
    bool Matches(std::string_view name) const;

    // The literal text before the first wildcard, upper case: every matching name begins
    // with it.
    std::string_view Prefix() const { return std::string_view(text, prefixLength); }

    // The range of keys that begin with the prefix (all keys for a leading wildcard).
    KeyRange Range() const;

  private:
    char text[kMaxPatternLength] = {};  // upper case, runs of `*` kept as one
    int length = 0;
    int prefixLength = 0;
    bool wildcards = false;
};

// The partitions that can hold keys of `range`, in the order a search reads them: disc 1's
// partitions, then disc 2's, each ascending. Returns how many were written to `out`.
int PartitionsFor(const KeyRange& range, PartitionRef (&out)[kMaxPartitionRefs]);
