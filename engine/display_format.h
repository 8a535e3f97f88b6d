// Texts shown for one hit: dates, SSN, ZIP codes and locations. Every field has a fallback,
// so a line split on tabs never has an empty field.
#pragma once

#include <cstddef>

// Room for any single field text built here, terminator included.
inline constexpr std::size_t kFieldTextSize = 32;

// Splits a packed decimal number into high = v / 1,000,000, middle = (v / 10,000) % 100 and
// low = v % 10,000. Dates are month/day/year, SSNs area/group/serial. A negative value (a
// damaged record) splits into three zeros.
void SplitPacked(int value, int& high, int& middle, int& low);

// "7 Mar 1951", "7 Mar", "Mar 1951", "Mar"; "---" for no date.
void FormatDate(int packed, char* out, std::size_t size);

// "123-45-6789", always with its leading zeros.
void FormatSSN(int packed, char* out, std::size_t size);

// "00501", a partial "XX501", "XXXXX" or "XX000"; "---" for no ZIP.
void FormatZip(int zip, int partial, char* out, std::size_t size);

// The location column text of a location code; "---" for codes without a name.
const char* LocationText(int code);

// Month abbreviations by month number; entry 0 is "---".
extern const char* const MonthNames[13];
