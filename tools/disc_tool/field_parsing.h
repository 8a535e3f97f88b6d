// Turning the text columns of a person's row into the values a record stores. A value the
// record cannot hold is stored as unknown, never as a different value, and the reason is
// given back so the row can be reported.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "disc_set_writer.h"

namespace disctool {

// Text as it can be shown in a report line: at most 40 bytes, bytes outside printable ASCII
// as \xNN, in double quotes.
std::string Shown(std::string_view s);

inline constexpr std::size_t kSurnameLimit = 12;
inline constexpr std::size_t kFirstNameLimit = 10;

struct CleanName {
    std::string text;  // upper case, printable ASCII, at most `limit` characters
    bool unknown = false;
    bool cut = false;
    std::string why;  // set when unknown
};

// Trims, upper-cases and cuts a name. Accented Latin letters become their plain letters
// (É -> E, ß -> SS), typographic apostrophes and dashes their ASCII forms. Any other byte the
// key cannot carry makes the whole name unknown: a name with a letter dropped would be a
// different name.
CleanName CleanNameText(std::string_view raw, std::size_t limit);

// A date as given: 0 for each part not known.
struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Reads YYYY-MM-DD, YYYY-MM, YYYY, --MM-DD, --MM and ---DD; a part may also be empty, all
// zeros, all X or all ? for "unknown" (1951-00-07, 19XX is not accepted: the year is one
// part). False when the text is no date in these forms; impossible parts (month 13, 31
// April) are returned as unknown with a reason in `problems`.
bool ParseDate(std::string_view text, DateParts& out, std::vector<std::string>& problems);

// Makes impossible parts unknown, with the reason in `problems`: a month above 12, a day
// the month does not have (29 February only in leap years).
void CheckDateParts(DateParts& date, std::vector<std::string>& problems);

// The stored date words. Death years outside 1900..1999 and birth years outside
// 1800..1999 cannot be stored and become unknown. A birth in 1900 or 1800 with month and day
// both unknown would be the word 0, which reads as "no date": it is stored as no date.
std::uint16_t DeathDateWord(const DateParts& date, std::vector<std::string>& problems);
std::uint16_t BirthDateWord(const DateParts& date, bool& bornIn1800s,
                            std::vector<std::string>& problems);

// 123456789 or 123-45-6789; empty for unknown (0).
bool ParseSsn(std::string_view text, std::uint32_t& ssn);
// A location name ("New York", any case), a two-letter postal abbreviation of a state or
// territory, or a code 0..65 or 121..127. Empty is unknown (0).
bool ParseLocation(std::string_view text, std::uint8_t& code);

// The code word of a ZIP: 5 digits (ZIP+4 allowed, the +4 is not stored), or leading X's and
// the known trailing digits (XX123, XXXXX). The exact ZIP must be in the program's table
// for that field. A partial ZIP whose first known digit is 0 (XX012) cannot be stored as
// given: the leading known zeros are stored as unknown (XXX12) and `note` says so.
enum class ZipTable { kResidence, kPayment };
bool ParseZip(std::string_view text, ZipTable table, std::uint16_t& word, std::string& why,
              std::string& note);

// The eight columns of a row, by name.
struct PersonText {
    std::string surname;
    std::string firstName;
    std::string birth;
    std::string death;
    std::string ssn;
    std::string state;
    std::string zipResidence;
    std::string zipPayment;
};

struct ConvertedRow {
    bool keep = true;  // false: the row cannot be stored at all (no surname to key it by)
    builder::Person person;
    std::vector<std::string> problems;  // "column: reason"
    bool nameCut = false;
};

ConvertedRow ConvertRow(const PersonText& row);

// The steps of a conversion that every list format shares: the names (a row without a
// storable surname is not kept), and the date words from parts already checked.
void StoreNames(std::string_view surname, std::string_view firstName, ConvertedRow& out);
void StoreDates(const DateParts& birth, const DateParts& death, ConvertedRow& out);

}  // namespace disctool
