#include "daitch_mokotoff.h"

#include <algorithm>
#include <utility>

namespace {

// One way of coding a letter group: up to two digits, or none ("not coded").
struct Reading {
    char digits[2];
    std::uint8_t length;
};

// The coding of a group in one situation: one reading, or two where the letters can sound
// two ways.
struct Coding {
    Reading reading[2];
    std::uint8_t count;
};

// "5" is one reading, "5|45" two, "" not coded, "|4" either not coded or 4.
constexpr Coding Parse(std::string_view text) {
    Coding coding{};
    coding.count = 1;
    for (const char c : text) {
        if (c == '|') {
            coding.count = 2;
            continue;
        }
        Reading& r = coding.reading[coding.count - 1];
        r.digits[r.length++] = c;
    }
    return coding;
}

enum Situation { kAtStart, kBeforeVowel, kElsewhere };

struct Rule {
    std::string_view letters;
    Coding coding[3];  // by Situation
};

constexpr Rule R(std::string_view letters, std::string_view atStart, std::string_view beforeVowel,
                 std::string_view elsewhere) {
    return {letters, {Parse(atStart), Parse(beforeVowel), Parse(elsewhere)}};
}

// The published coding chart of Randy Daitch and Gary Mokotoff (letters that are not in the
// names of the index, such as the Polish nasal vowels, left out). Grouped by first letter,
// longest groups first: the longest group that fits is the one coded.
constexpr Rule kRules[] = {
    R("AI", "0", "1", ""),
    R("AJ", "0", "1", ""),
    R("AY", "0", "1", ""),
    R("AU", "0", "7", ""),
    R("A", "0", "", ""),
    R("B", "7", "7", "7"),
    R("CHS", "5", "54", "54"),
    R("CSZ", "4", "4", "4"),
    R("CZS", "4", "4", "4"),
    R("CH", "5|4", "5|4", "5|4"),
    R("CK", "5|45", "5|45", "5|45"),
    R("CS", "4", "4", "4"),
    R("CZ", "4", "4", "4"),
    R("C", "5|4", "5|4", "5|4"),
    R("DRS", "4", "4", "4"),
    R("DRZ", "4", "4", "4"),
    R("DSH", "4", "4", "4"),
    R("DSZ", "4", "4", "4"),
    R("DZH", "4", "4", "4"),
    R("DZS", "4", "4", "4"),
    R("DS", "4", "4", "4"),
    R("DT", "3", "3", "3"),
    R("DZ", "4", "4", "4"),
    R("D", "3", "3", "3"),
    R("EI", "0", "1", ""),
    R("EJ", "0", "1", ""),
    R("EU", "1", "1", ""),
    R("EY", "0", "1", ""),
    R("E", "0", "", ""),
    R("FB", "7", "7", "7"),
    R("F", "7", "7", "7"),
    R("G", "5", "5", "5"),
    R("H", "5", "5", ""),
    R("IA", "1", "", ""),
    R("IE", "1", "", ""),
    R("IO", "1", "", ""),
    R("IU", "1", "", ""),
    R("I", "0", "", ""),
    R("J", "1|4", "|4", "|4"),
    R("KH", "5", "5", "5"),
    R("KS", "5", "54", "54"),
    R("K", "5", "5", "5"),
    R("L", "8", "8", "8"),
    R("MN", "66", "66", "66"),
    R("M", "6", "6", "6"),
    R("NM", "66", "66", "66"),
    R("N", "6", "6", "6"),
    R("OI", "0", "1", ""),
    R("OJ", "0", "1", ""),
    R("OY", "0", "1", ""),
    R("O", "0", "", ""),
    R("PF", "7", "7", "7"),
    R("PH", "7", "7", "7"),
    R("P", "7", "7", "7"),
    R("Q", "5", "5", "5"),
    R("RS", "94|4", "94|4", "94|4"),
    R("RZ", "94|4", "94|4", "94|4"),
    R("R", "9", "9", "9"),
    R("SCHTSCH", "2", "4", "4"),
    R("SCHTCH", "2", "4", "4"),
    R("SCHTSH", "2", "4", "4"),
    R("SHTSH", "2", "4", "4"),
    R("SHTCH", "2", "4", "4"),
    R("STSCH", "2", "4", "4"),
    R("SCHD", "2", "43", "43"),
    R("SCHT", "2", "43", "43"),
    R("SHCH", "2", "4", "4"),
    R("STCH", "2", "4", "4"),
    R("STRS", "2", "4", "4"),
    R("STRZ", "2", "4", "4"),
    R("STSH", "2", "4", "4"),
    R("SZCS", "2", "4", "4"),
    R("SZCZ", "2", "4", "4"),
    R("SCH", "4", "4", "4"),
    R("SHD", "2", "43", "43"),
    R("SHT", "2", "43", "43"),
    R("SZD", "2", "43", "43"),
    R("SZT", "2", "43", "43"),
    R("SC", "2", "4", "4"),
    R("SD", "2", "43", "43"),
    R("SH", "4", "4", "4"),
    R("ST", "2", "43", "43"),
    R("SZ", "4", "4", "4"),
    R("S", "4", "4", "4"),
    R("TTSCH", "4", "4", "4"),
    R("TSCH", "4", "4", "4"),
    R("TTCH", "4", "4", "4"),
    R("TTSZ", "4", "4", "4"),
    R("TCH", "4", "4", "4"),
    R("TRS", "4", "4", "4"),
    R("TRZ", "4", "4", "4"),
    R("TSH", "4", "4", "4"),
    R("TSZ", "4", "4", "4"),
    R("TTS", "4", "4", "4"),
    R("TTZ", "4", "4", "4"),
    R("TZS", "4", "4", "4"),
    R("TC", "4", "4", "4"),
    R("TH", "3", "3", "3"),
    R("TS", "4", "4", "4"),
    R("TZ", "4", "4", "4"),
    R("T", "3", "3", "3"),
    R("UI", "0", "1", ""),
    R("UJ", "0", "1", ""),
    R("UY", "0", "1", ""),
    R("UE", "0", "", ""),
    R("U", "0", "", ""),
    R("V", "7", "7", "7"),
    R("W", "7", "7", "7"),
    R("X", "5", "54", "54"),
    R("Y", "1", "", ""),
    R("ZHDZH", "2", "4", "4"),
    R("ZDZH", "2", "4", "4"),
    R("ZSCH", "4", "4", "4"),
    R("ZDZ", "2", "4", "4"),
    R("ZHD", "2", "43", "43"),
    R("ZSH", "4", "4", "4"),
    R("ZD", "2", "43", "43"),
    R("ZH", "4", "4", "4"),
    R("ZS", "4", "4", "4"),
    R("Z", "4", "4", "4"),
};
constexpr int kRuleCount = static_cast<int>(sizeof kRules / sizeof kRules[0]);

// Where each first letter's rules begin in kRules (A..Z, then the end).
struct RuleIndex {
    int first[27];
};

constexpr RuleIndex MakeRuleIndex() {
    RuleIndex index{};
    int r = 0;
    for (int letter = 0; letter < 26; ++letter) {
        index.first[letter] = r;
        while (r < kRuleCount && kRules[r].letters[0] == 'A' + letter)
            ++r;
    }
    index.first[26] = r;
    return index;
}
constexpr RuleIndex kRuleIndex = MakeRuleIndex();

// Every letter has its own rule, rules are grouped by letter, and within a letter a longer
// group comes before every shorter one.
constexpr bool RulesAreOrdered() {
    if (kRuleIndex.first[26] != kRuleCount)
        return false;
    for (int letter = 0; letter < 26; ++letter) {
        const int begin = kRuleIndex.first[letter];
        const int end = kRuleIndex.first[letter + 1];
        if (end == begin || kRules[end - 1].letters.size() != 1)
            return false;
        for (int r = begin + 1; r < end; ++r) {
            if (kRules[r].letters.size() > kRules[r - 1].letters.size())
                return false;
        }
    }
    return true;
}
static_assert(RulesAreOrdered(), "D-M rules must be grouped by letter, longest first");

constexpr int kMaxLetters = 64;
// Distinct partial codings alive at once; more than kMaxDmCodes since two branches may have
// the same digits so far but differ in the digit that the next group must not repeat.
constexpr int kMaxBranches = 2 * kMaxDmCodes;

constexpr std::uint32_t kPowersOfTen[kDmDigits + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// One partial coding of the name.
struct Branch {
    std::uint32_t value;  // the digits so far, as a number
    std::uint8_t length;  // how many digits
    char last;  // the last digit coded, which the next group does not repeat; 0 after a group
                // that was not coded
    bool operator==(const Branch&) const = default;
};

void Apply(const Reading& reading, Branch& b) {
    if (reading.length == 0) {
        b.last = 0;  // an uncoded group (a vowel) keeps the codes on either side apart
    } else {
        for (int k = 0; k < reading.length; ++k) {
            const char digit = reading.digits[k];
            // Adjacent groups that sound the same are coded once (TOPF is TO-PF); a group's
            // own digits are all kept (MN is 66).
            if (k == 0 && digit == b.last)
                continue;
            if (b.length < kDmDigits) {
                b.value = b.value * 10 + static_cast<std::uint32_t>(digit - '0');
                ++b.length;
            }
        }
        b.last = reading.digits[reading.length - 1];
    }
    if (b.length == kDmDigits)
        b.last = 0;  // complete: nothing more can change it, so complete twins merge
}

bool IsVowel(char c) {
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

// The rules that can fit where a letter is followed by another (or by nothing, index 26):
// those groups with that second letter, longest first, then the letter alone. Picking them
// by two letters saves trying every group of S or T at every S or T of every key.
constexpr int kMaxCandidates = 8;
struct Candidates {
    std::uint8_t count[26][27];
    std::uint8_t rule[26][27][kMaxCandidates];
};

constexpr Candidates MakeCandidates() {
    Candidates c{};
    for (int first = 0; first < 26; ++first) {
        for (int second = 0; second <= 26; ++second) {
            std::uint8_t& n = c.count[first][second];
            for (int r = kRuleIndex.first[first]; r < kRuleIndex.first[first + 1]; ++r) {
                const std::string_view group = kRules[r].letters;
                if (group.size() == 1 || (second < 26 && group[1] == 'A' + second))
                    c.rule[first][second][n++] = static_cast<std::uint8_t>(r);
            }
        }
    }
    return c;
}
constexpr Candidates kCandidates = MakeCandidates();

constexpr bool CandidatesFit() {
    for (int first = 0; first < 26; ++first) {
        for (int second = 0; second <= 26; ++second) {
            if (kCandidates.count[first][second] > kMaxCandidates)
                return false;
        }
    }
    return kRuleCount <= 255;
}
static_assert(CandidatesFit(), "too many D-M groups share two letters");

// The rule for the longest group of letters that begins at letters[i].
const Rule& RuleAt(const char* letters, int i, int n) {
    const int first = letters[i] - 'A';
    const int second = i + 1 < n ? letters[i + 1] - 'A' : 26;
    const int count = kCandidates.count[first][second];
    const std::uint8_t* rules = kCandidates.rule[first][second];
    for (int k = 0; k < count - 1; ++k) {
        const std::string_view group = kRules[rules[k]].letters;
        if (static_cast<int>(group.size()) <= n - i &&
            std::string_view(letters + i, group.size()) == group)
            return kRules[rules[k]];
    }
    return kRules[rules[count - 1]];  // the letter alone, which always fits
}

}  // namespace

bool DmCodes::Contains(std::uint32_t code) const {
    return std::binary_search(codes, codes + count, code);
}

void DmCodes::Format(int i, char (&text)[kDmDigits + 1]) const {
    std::uint32_t value = codes[i];
    for (int k = kDmDigits - 1; k >= 0; --k) {
        text[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text[kDmDigits] = '\0';
}

bool DaitchMokotoffCodes(std::string_view name, DmCodes& out) {
    out.count = 0;
    char letters[kMaxLetters];
    int n = 0;
    for (const char c : name) {
        if (c == '\0' || n == kMaxLetters)
            break;
        const auto u = static_cast<unsigned char>(c);
        const unsigned letter = (u | 0x20u) - static_cast<unsigned>('a');
        if (letter < 26)
            letters[n++] = static_cast<char>('A' + letter);
    }
    if (n == 0)
        return false;

    // Two lists used in turn: a split reads one and writes the other.
    Branch lists[2][kMaxBranches];
    Branch* branches = lists[0];
    Branch* next = lists[1];
    int count = 1;
    branches[0] = Branch{0, 0, 0};
    for (int i = 0; i < n;) {
        const Rule& rule = RuleAt(letters, i, n);
        const int end = i + static_cast<int>(rule.letters.size());
        const Situation situation = i == 0                             ? kAtStart
                                    : end < n && IsVowel(letters[end]) ? kBeforeVowel
                                                                       : kElsewhere;
        const Coding& coding = rule.coding[situation];
        i = end;
        if (coding.count == 1) {
            // One reading: every branch takes it in place. Twins it makes are merged at the
            // next split or at the end.
            bool open = false;
            for (int b = 0; b < count; ++b) {
                Apply(coding.reading[0], branches[b]);
                open = open || branches[b].length < kDmDigits;
            }
            if (!open)
                break;
            continue;
        }
        int nextCount = 0;
        bool open = false;  // a branch still short of six digits
        for (int b = 0; b < count; ++b) {
            for (int a = 0; a < coding.count; ++a) {
                Branch branch = branches[b];
                Apply(coding.reading[a], branch);
                if (std::find(next, next + nextCount, branch) != next + nextCount)
                    continue;
                // Not for a string of a key's length (the tests try the worst ones found);
                // should it ever happen, the readings beyond are dropped, not overrun.
                if (nextCount == kMaxBranches)
                    continue;
                next[nextCount++] = branch;
                open = open || branch.length < kDmDigits;
            }
        }
        std::swap(branches, next);
        count = nextCount;
        if (!open)
            break;
    }

    for (int b = 0; b < count; ++b) {
        const std::uint32_t code = branches[b].value * kPowersOfTen[kDmDigits - branches[b].length];
        if (std::find(out.codes, out.codes + out.count, code) == out.codes + out.count &&
            out.count < kMaxDmCodes)
            out.codes[out.count++] = code;
    }
    std::sort(out.codes, out.codes + out.count);
    return true;
}

bool CodesShareOne(const DmCodes& a, const DmCodes& b) {
    int i = 0;
    int j = 0;
    while (i < a.Count() && j < b.Count()) {
        if (a[i] == b[j])
            return true;
        if (a[i] < b[j])
            ++i;
        else
            ++j;
    }
    return false;
}
