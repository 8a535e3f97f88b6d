// The line above the list that counts the records found. The form's own searches say
// "N records found." as they always have; searches that reach many surnames also say what they
// reached, e.g. "1,204 records found (sounds like SMITH: 9 surnames).". The line's rectangle is
// small and fixed, so a long text goes on two lines where two lines of the font fit, and
// shorter forms of it are used where not even that fits.
#pragma once

#include <functional>

enum class CountKind {
    kForm,            // "%ld records found."
    kAnySurname,      // no surname, or one surname with a given-name pattern: grouped digits
    kPattern,         // a surname with * or ?
    kSoundex,         // sounds like, by Soundex
    kDaitchMokotoff,  // sounds like, by Daitch-Mokotoff
    kSearching,       // a long search is running
};

// What the count line says of the search whose records are shown.
struct CountNote {
    CountKind kind = CountKind::kForm;
    char name[32] = {};  // the surname as typed, upper case, without blanks at either end
    long surnames = 0;   // the surnames the surname criterion reached
};

// Fills `note` for a search of `kind` for the typed surname `typed`.
void MakeCountNote(CountNote& note, CountKind kind, const char* typed, long surnames);

// "1,234,567": digits grouped in threes.
void FormatGrouped(long value, char* out, int size);

// The text of the count line as it is drawn: one line, or two.
struct CountLineText {
    static constexpr int kLength = 160;
    char lines[2][kLength] = {};
    int count = 0;
};

// Lays out the count line of `total` records for a rectangle `width` by `height` pixels in a
// font whose lines are `lineHeight` apart, measuring a text's width with `measure`. The first
// of these that fits is taken: the whole text on one line; the count on the first line and
// the note on the second (longest form of the note first); one line with a shorter note; the
// count alone (cut at the right edge if even that is too wide).
CountLineText LayOutCountLine(const CountNote& note, long total, int width, int height,
                              int lineHeight, const std::function<int(const char*)>& measure);
