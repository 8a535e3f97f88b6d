// One query: the surname that selects the records and the optional filters.
#pragma once

#include <cstdint>

inline constexpr int kMaxSurnameLength = 12;
inline constexpr int kMaxFirstNameLength = 10;

class CSearchCriteria {
  public:
    // Starts a new query: keeps the surname as typed and clears every optional criterion.
    // Refuses (with the query error box) a surname longer than 12 characters.
    void SetSurname(const char* text);
    // Stores the name upper-cased and blank-padded to 10; refuses one longer than 10.
    void SetFirstName(const char* text);
    void SetDeathYear(int year);
    void SetBirthYear(int year);
    // Keeps the low 8 bits, the location code.
    void SetState(int code);

    // Zeroed rather than left undefined: a query read before its first SetSurname must not
    // act on stack garbage.
    std::int32_t firstNameSet = 0;
    std::int32_t deathYearSet = 0;
    std::int32_t birthYearSet = 0;
    std::int32_t stateSet = 0;
    std::int32_t deathYear = 0;
    std::int32_t birthYear = 0;
    std::uint8_t state = 0;
    char firstName[kMaxFirstNameLength + 1] = {};
    char surname[kMaxSurnameLength + 1] = {};
    std::int32_t firstRecord = -1;  // written by the search: -1 when the surname was not found
    std::int32_t recordCount = 0;
};

// The years a query may ask for: the index ends with 1998.
inline constexpr int kFirstDeathYear = 1900;
inline constexpr int kFirstBirthYear = 1870;
inline constexpr int kLastYear = 1998;

// A typed number by the C library's atoi rule: optional leading blanks and sign, then the
// leading decimal digits; 0 when there are none. Saturates instead of overflowing.
int ParseLeadingInt(const char* text);

// Letters a..z become A..Z; every other byte stays, whatever the locale.
inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}
