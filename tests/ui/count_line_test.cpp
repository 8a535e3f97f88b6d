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

std::vector<std::string> Lines(const CountLineText& text) {
    std::vector<std::string> lines;
    for (int i = 0; i < text.count; ++i)
        lines.emplace_back(text.lines[i]);
    return lines;
}

TEST(CountLine, DigitsAreGroupedInThrees) {
    const std::pair<long, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1,000"},
        {1204, "1,204"},
        {70000000, "70,000,000"},
        {123456789, "123,456,789"},
        {-5, "0"},  // a count is never negative
    };
    for (const auto& [value, expected] : cases) {
        char out[32];
        FormatGrouped(value, out, sizeof out);
        EXPECT_STREQ(out, expected) << value;
    }
    char tiny[4];
    FormatGrouped(1234567, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "1,2") << "cut to the buffer, terminated";
}

TEST(CountLine, TheTypedSurnameIsShownInCapitalsWithoutBlanksAround) {
    const std::pair<const char*, const char*> cases[] = {
        {"smith", "SMITH"},
        {"  o'Brien\t ", "O'BRIEN"},
        {"kowal*", "KOWAL*"},
        {"   ", ""},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDE"},
    };
    for (const auto& [typed, shown] : cases) {
        CountNote note;
        MakeCountNote(note, CountKind::kSoundex, typed, 3);
        EXPECT_STREQ(note.name, shown) << typed;
        EXPECT_EQ(note.surnames, 3);
    }
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
        {"the form's own text never changes",
         CountKind::kForm,
         "",
         0,
         1204,
         183,
         14,
         {"1204 records found."}},
        {"... even where it does not fit",
         CountKind::kForm,
         "",
         0,
         1204,
         60,
         40,
         {"1204 records found."}},
        {"room for all of it",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         400,
         14,
         {"1,204 records found (sounds like SMITH: 9 surnames)."}},
        {"two lines",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         183,
         14,
         {"1,204 records found.", "sounds like SMITH: 9 surnames"}},
        {"Daitch-Mokotoff says the same",
         CountKind::kDaitchMokotoff,
         "smith",
         9,
         1204,
         183,
         14,
         {"1,204 records found.", "sounds like SMITH: 9 surnames"}},
        {"a longer name: the count first",
         CountKind::kSoundex,
         "kowalczyk",
         115,
         70,
         183,
         14,
         {"70 records found.", "115 surnames like KOWALCZYK"}},
        {"one surname",
         CountKind::kSoundex,
         "lee",
         1,
         3,
         183,
         14,
         {"3 records found.", "sounds like LEE: 1 surname"}},
        {"the name too long for any note with it",
         CountKind::kSoundex,
         "wolfeschlegelst",
         12,
         5,
         183,
         14,
         {"5 records found.", "sounds like: 12 surnames"}},
        {"no name to sound like",
         CountKind::kSoundex,
         "  ",
         0,
         0,
         183,
         14,
         {"0 records found.", "sounds like: 0 surnames"}},
        {"a tall font: one line, a shorter note",
         CountKind::kSoundex,
         "smith",
         9,
         12,
         250,
         17,
         {"12 records found (9 surnames like SMITH)."}},
        {"a tall font: one line, the shortest note",
         CountKind::kSoundex,
         "smith",
         9,
         12,
         200,
         17,
         {"12 records found (9 surnames)."}},
        {"a tall font and no room: the count alone",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         183,
         17,
         {"1,204 records found."}},
        {"a font taller than the rectangle",
         CountKind::kSoundex,
         "smith",
         9,
         1204,
         183,
         40,
         {"1,204 records found."}},
        {"a pattern",
         CountKind::kPattern,
         "kowal*",
         14,
         312,
         183,
         14,
         {"312 records found.", "KOWAL*: 14 surnames"}},
        {"a pattern on one line",
         CountKind::kPattern,
         "sm*",
         14,
         312,
         250,
         14,
         {"312 records found (SM*: 14 surnames)."}},
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
        {"a search runs, tall font", CountKind::kSearching, "", 0, 0, 183, 17, {"Searching..."}},
    };
    for (const Case& c : cases) {
        CountNote note;
        MakeCountNote(note, c.kind, c.typed, c.surnames);
        const CountLineText text =
            LayOutCountLine(note, c.total, c.width, 29, c.lineHeight, Measure);
        EXPECT_EQ(Lines(text), c.lines) << c.what;
    }
}

}  // namespace
