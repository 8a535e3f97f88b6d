#include "record_encoding.h"

#include "death_record.h"

namespace builder {

std::uint16_t DateWord(int day, int month, int yearInCentury) {
    const int year = yearInCentury < 0 || yearInCentury > 99 ? 127 : yearInCentury;
    const int d = day < 0 || day > 31 ? 0 : day;
    const int m = month < 0 || month > 12 ? 0 : month;
    return static_cast<std::uint16_t>(d << 11 | m << 7 | year);
}

}  // namespace builder
