#include "name_pattern.h"

#include <algorithm>

#include "search_criteria.h"
#include "tree_file.h"

namespace {

std::string_view UpToNul(std::string_view s) {
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::string_view WithoutPadding(std::string_view s) {
    const std::size_t last = s.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

// The smallest key that sorts after every key beginning with `prefix` is the prefix with its
// last byte raised by one; 0xFF bytes cannot be raised and are dropped first. False when
// nothing is left: the range then runs to the last key.
bool UpperBoundOf(std::string_view prefix, char (&out)[kKeyLength + 1]) {
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.remove_suffix(1);
    if (prefix.empty())
        return false;
    prefix.copy(out, prefix.size());
    out[prefix.size() - 1] = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    out[prefix.size()] = '\0';
    return true;
}

// The last partition whose first key lies below `limit`: keys below `limit` can lie in it
// and in none after it. Keys below partition 0's first key belong to partition 0.
int LastPartitionBelow(const char* limit) {
    int last = 0;
    for (int p = 1; p < kPartitionCount; ++p) {
        if (CompareKeys(PartitionKeys[p], limit) < 0)
            last = p;
    }
    return last;
}

}  // namespace

bool KeyRange::IsBefore(const char* key) const {
    return CompareKeys(key, low) < 0;
}

bool KeyRange::IsPast(const char* key) const {
    return hasHigh && CompareKeys(key, high) >= 0;
}

bool NamePattern::Set(std::string_view typed) {
    const std::string_view source = WithoutPadding(UpToNul(typed));
    length = 0;
    prefixLength = 0;
    wildcards = false;
    if (source.empty() || source.size() > static_cast<std::size_t>(kMaxPatternLength))
        return false;
    bool inPrefix = true;
    for (const char c : source) {
        if (c == '*' && length > 0 && text[length - 1] == '*')
            continue;  // ** is *
        if (c == '*' || c == '?') {
            wildcards = true;
            inPrefix = false;
        }
        text[length++] = UpperAscii(c);
        if (inPrefix)
            prefixLength = length;
    }
    return true;
}

bool NamePattern::Matches(std::string_view name) const {
    const std::string_view n = WithoutPadding(UpToNul(name));
    // Greedy, with one way back: on a mismatch the last `*` takes one more character. Since
    // a later `*` can take anything an earlier one could, this never needs to go further
    // back, and a match costs at most pattern length times name length steps.
    int p = 0;
    std::size_t t = 0;
    int star = -1;
    std::size_t starText = 0;
    while (t < n.size()) {
        const char c = UpperAscii(n[t]);
        if (p < length && text[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < length && (text[p] == '?' || text[p] == c)) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < length && text[p] == '*')
        ++p;
    return p == length;
}

KeyRange NamePattern::Range() const {
    KeyRange range;
    // Keys are 12 characters, so a longer prefix is cut: the range only grows.
    const std::string_view prefix =
        Prefix().substr(0, std::min<std::size_t>(prefixLength, kKeyLength));
    prefix.copy(range.low, prefix.size());
    range.low[prefix.size()] = '\0';
    range.hasHigh = UpperBoundOf(prefix, range.high);
    return range;
}

int PartitionsFor(const KeyRange& range, PartitionRef (&out)[kMaxPartitionRefs]) {
    int count = 0;
    const int last = range.hasHigh ? LastPartitionBelow(range.high) : kPartitionCount - 1;
    const int splitPartition = CDeathIndex::PartitionOf(kDiscSplitKey);

    // Disc 1 holds the keys up to the split key.
    if (CompareKeys(range.low, kDiscSplitKey) <= 0) {
        const int end = std::min(last, splitPartition);
        for (int p = CDeathIndex::PartitionOf(range.low); p <= end; ++p)
            out[count++] = {1, p};
    }

    // Disc 2 the keys after it: there are some in the range when the range starts after the
    // split key, or when the first key after the split key (the split key and one byte 1)
    // is still below the range's end.
    char afterSplit[kKeyLength + 2];
    std::copy(kDiscSplitKey, kDiscSplitKey + kKeyLength, afterSplit);
    afterSplit[kKeyLength] = '\x01';
    afterSplit[kKeyLength + 1] = '\0';
    const bool startsOnDisc2 = CompareKeys(range.low, kDiscSplitKey) > 0;
    if (startsOnDisc2 || !range.hasHigh || CompareKeys(afterSplit, range.high) < 0) {
        const int first = startsOnDisc2 ? CDeathIndex::PartitionOf(range.low) : splitPartition;
        for (int p = first; p <= last; ++p)
            out[count++] = {2, p};
    }
    return count;
}
