// Building the stored words of a record from readable values.
#pragma once

#include <cstdint>

namespace builder {

// A date word from its parts: day 1..31 and month 1..12, 0 for unknown; the year within its
// century 0..99, or -1 for unknown (stored as 127). All parts unknown gives the "no date" word.
std::uint16_t DateWord(int day, int month, int yearInCentury);

}  // namespace builder
