// Daitch-Mokotoff Soundex, made for Central and Eastern European names: six digits, and a
// name whose letters can sound two ways has a code for each reading. Two names sound alike
// when any of their codes agree.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr int kDmDigits = 6;
// Real names have one to a few codes, but strings of J, C, CK and RS such as JCJCJCJCRSCJC
// have hundreds; this holds every string of a stored key's 16 bytes that we could find with
// a wide margin (the tests keep the worst ones).
inline constexpr int kMaxDmCodes = 512;

// The codes of one name, as numbers 0..999,999 in ascending order, each once. A fixed
// array: a sounds-like search codes every key of the index and must not allocate.
class DmCodes {
  public:
    int Count() const { return count; }
    std::uint32_t operator[](int i) const { return codes[i]; }
    bool Contains(std::uint32_t code) const;
    // Code `i` as six digits with leading zeros.
    void Format(int i, char (&text)[kDmDigits + 1]) const;

  private:
    friend bool DaitchMokotoffCodes(std::string_view name, DmCodes& out);
    int count = 0;
    std::uint32_t codes[kMaxDmCodes];
};

// Codes `name` up to its first NUL (or the end of the view). Only the letters A-Z count, in
// either case; blanks, apostrophes, hyphens and bytes from 0x80 up are dropped first, so a
// name of several words is coded as one word. False, with no codes, when the name holds no
// letter. Letters after the 64th are not read (no surname has that many); should a longer
// string ever have more readings than the capacities allow, the excess is dropped.
bool DaitchMokotoffCodes(std::string_view name, DmCodes& out);

// True when the two names have a code in common.
bool CodesShareOne(const DmCodes& a, const DmCodes& b);
