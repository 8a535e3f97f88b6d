#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "death_record.h"
#include "display_format.h"

namespace {

// Every field text as one signature; the ZIP ones fix the partial flag.
using Formatter = void (*)(int, char*, std::size_t);
constexpr Formatter kDate = FormatDate;
constexpr Formatter kSsn = FormatSSN;
constexpr Formatter kZip = [](int v, char* out, std::size_t n) { FormatZip(v, 0, out, n); };
constexpr Formatter kPartialZip = [](int v, char* out, std::size_t n) { FormatZip(v, 1, out, n); };
constexpr Formatter kLocation = [](int v, char* out, std::size_t n) {
    std::snprintf(out, n, "%s", LocationText(v));
};

}  // namespace

TEST(DisplayFormat, FieldTexts) {
    struct Case {
        Formatter format;
        int value;
        const char* text;
    } const cases[] = {
        {kDate, 3071951, "7 Mar 1951"},
        {kDate, 3001951, "Mar 1951"},
        {kDate, 3070000, "7 Mar"},
        {kDate, 3000000, "Mar"},
        {kDate, 0, "---"},
        {kDate, 13071951, "7 --- 1951"},
        {kDate, 71951, "7 --- 1951"},
        {kDate, 1900, "--- 1900"},
        {kDate, 12311999, "31 Dec 1999"},
        {kDate, -3071951, "---"},
        {kSsn, 123456789, "123-45-6789"},
        {kSsn, 0, "000-00-0000"},
        {kSsn, 1002003, "001-00-2003"},
        {kSsn, 1073741823, "1073-74-1823"},
        {kSsn, -5, "000-00-0000"},
        {kZip, 0, "---"},
        {kZip, 501, "00501"},
        {kZip, 10001, "10001"},
        {kZip, 10000, "10000"},
        {kPartialZip, 0, "---"},
        {kPartialZip, 501, "XX501"},
        {kPartialZip, 5, "XXXX5"},
        {kPartialZip, 102, "XX102"},
        {kPartialZip, 1000, "X1000"},
        {kPartialZip, 10001, "XX000"},
        {kPartialZip, 10000, "XXXXX"},
        {kLocation, 0, "---"},
        {kLocation, 21, "Maryland"},
        {kLocation, 66, "---"},
        {kLocation, 120, "---"},
        {kLocation, 121, "V8"},
        {kLocation, 127, "PE"},
        {kLocation, 128, "---"},
        {kLocation, -1, "---"},
    };
    for (const Case& c : cases) {
        char out[kFieldTextSize];
        c.format(c.value, out, sizeof out);
        EXPECT_STREQ(out, c.text) << c.value;
    }
}

// A short buffer gets a truncated, terminated text and nothing past its end.
TEST(DisplayFormat, ShortBuffersAreNeverOverrun) {
    for (std::size_t size = 0; size <= 12; ++size) {
        for (Formatter format : {kDate, kSsn, kPartialZip}) {
            char buf[16];
            std::memset(buf, '#', sizeof buf);
            format(format == kPartialZip ? 501 : 1073741823, buf, size);
            if (size > 0) {
                EXPECT_LT(std::strlen(buf), size) << "size " << size;
            }
            EXPECT_EQ(std::string(buf + size, sizeof buf - size),
                      std::string(sizeof buf - size, '#'))
                << "size " << size;
        }
    }
}
