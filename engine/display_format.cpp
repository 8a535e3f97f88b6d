#include "display_format.h"

#include <cstdio>

#include "death_record.h"

const char* const MonthNames[13] = {"---", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void SplitPacked(int value, int& high, int& middle, int& low) {
    // A damaged record or caller may hand in a negative number; its parts are all unknown.
    if (value < 0) {
        value = 0;
    }
    high = value / 1000000;
    middle = (value / 10000) % 100;
    low = value % 10000;
}

void FormatDate(int packed, char* out, std::size_t size) {
    if (size == 0) {
        return;
    }
    int month = 0;
    int day = 0;
    int year = 0;
    SplitPacked(packed, month, day, year);
    const char* name = MonthNames[(month >= 0 && month <= 12) ? month : 0];
    if (day != 0 && year != 0) {
        std::snprintf(out, size, "%d %s %d", day, name, year);
    } else if (day != 0) {
        std::snprintf(out, size, "%d %s", day, name);
    } else if (year != 0) {
        std::snprintf(out, size, "%s %d", name, year);
    } else {
        std::snprintf(out, size, "%s", name);
    }
}

void FormatSSN(int packed, char* out, std::size_t size) {
    if (size == 0) {
        return;
    }
    int area = 0;
    int group = 0;
    int serial = 0;
    SplitPacked(packed, area, group, serial);
    std::snprintf(out, size, "%03d-%02d-%04d", area, group, serial);
}

void FormatZip(int zip, int partial, char* out, std::size_t size) {
    if (size == 0) {
        return;
    }
    if (zip == 0) {
        std::snprintf(out, size, "---");
    } else if (partial == 0) {
        std::snprintf(out, size, "%05ld", static_cast<long>(zip));
    } else if (zip == 10000) {
        std::snprintf(out, size, "XXXXX");
    } else if (zip == 10001) {
        std::snprintf(out, size, "XX000");
    } else {
        // The unknown leading digits of a partial ZIP show as X.
        std::snprintf(out, size, "%05ld", static_cast<long>(zip));
        for (std::size_t i = 0; i < 5 && out[i] == '0'; ++i) {
            out[i] = 'X';
        }
    }
}

const char* LocationText(int code) {
    static const char* const kSpecial[] = {"V8", "IC", "BX", "FO", "HC", "VA", "PE"};
    if (code >= 1 && code < kLocationNameCount) {
        return LocationNames[code];
    }
    if (code >= 121 && code <= 127) {
        return kSpecial[code - 121];
    }
    return "---";
}
