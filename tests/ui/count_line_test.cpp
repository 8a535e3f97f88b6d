// The count line's text and how it is fitted to its small fixed rectangle, measured here with
// a font of fixed width (the window's own font is in the view's tests).

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "count_line.h"

namespace {

// 6 pixels a character.
int Measure(const char* text) {
    return 6 * static_cast<int>(std::strlen(text));
}

TEST(CountLine, DigitsAreGroupedInThrees) {
    const std::pair<long, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {70000000, "70,000,000"}, {-5, "0"}};
    for (const auto& [value, expected] : cases) {
        char out[32];
        FormatGrouped(value, out, sizeof out);
        EXPECT_STREQ(out, expected) << value;
    }
    char tiny[4];
    FormatGrouped(1234567, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "1,2") << "cut to the buffer, terminated";
}

TEST(CountLine, TheLongestFormThatFitsIsTaken) {
    struct Case {
        const char* what;
        CountKind kind;
        const char* typed;
        long surnames;
        long total;
        int width;       // the window's rectangle is 183 by 29
        int lineHeight;  // two lines fit up to 14
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"the form's own text, even too wide",
         CountKind::kForm,
         "",
         0,
         1204,
         60,
         40,
         {"1204 records found."}},
        {"room for it all",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         400,
         14,
         {"1,204 records found (sounds like SMITH: 9 surnames)."}},
        {"two lines",
         CountKind::kDaitchMokotoff,
         " smith\t",
         9,
         1204,
         183,
         14,
         {"1,204 records found.", "sounds like SMITH: 9 surnames"}},
        {"a longer name",
         CountKind::kSoundex,
         "kowalczyk",
         115,
         70,
         183,
         14,
         {"70 records found.", "115 surnames like KOWALCZYK"}},
        {"one surname",
         CountKind::kSoundex,
         "o'Brien",
         1,
         3,
         183,
         14,
         {"3 records found.", "sounds like O'BRIEN: 1 surname"}},
        {"no note with the name fits",
         CountKind::kSoundex,
         "wolfeschlegelst",
         12,
         5,
         183,
         14,
         {"5 records found.", "sounds like: 12 surnames"}},
        {"blanks are no name",
         CountKind::kSoundex,
         "  ",
         0,
         0,
         183,
         14,
         {"0 records found.", "sounds like: 0 surnames"}},
        {"a tall font: one line, a short note",
         CountKind::kSoundex,
         "smith",
         9,
         12,
         200,
         17,
         {"12 records found (9 surnames)."}},
        {"a tall font and no room: the count",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         183,
         17,
         {"1,204 records found."}},
        {"a pattern",
         CountKind::kPattern,
         "kowal*",
         14,
         312,
         183,
         14,
         {"312 records found.", "KOWAL*: 14 surnames"}},
        {"no surname",
         CountKind::kAnySurname,
         "",
         0,
         2204567,
         183,
         14,
         {"2,204,567 records found."}},
        {"a search runs",
         CountKind::kSearching,
         "",
         0,
         0,
         183,
         14,
         {"Searching...", "Press Esc to cancel."}},
    };
    for (const Case& c : cases) {
        CountNote note;
        MakeCountNote(note, c.kind, c.typed, c.surnames);
        const CountLineText text =
            LayOutCountLine(note, c.total, c.width, 29, c.lineHeight, Measure);
        EXPECT_EQ(std::vector<std::string>(text.lines, text.lines + text.count), c.lines) << c.what;
    }
}

}  // namespace
