// GEDCOM 5.5.1 out: one individual per hit, for family-tree programs. UTF-8, lines within the
// format's limits, every value checked against its tag's length, no empty values.
#pragma once

#include <cstddef>
#include <cstdio>

#include "result_row.h"

// What the header and the source record name.
struct ExportSource {
    // The disc set the rows came from, in words ("disc 1 /media/cdrom/, ..."); "" leaves it
    // out.
    const char* discSet = "";
    // The day of the export; 0 leaves the header's date out.
    int year = 0;
    int month = 0;
    int day = 0;
};

// A packed date (month * 1,000,000 + day * 10,000 + year, 0 parts unknown) as a GEDCOM date:
// "2 MAY 1872", "MAY 1872", "1872". The format has no date without a year, so day and month
// alone become a date phrase, "(2 MAY)"; a day the month does not have keeps its year and
// month as the date and the whole as the phrase, "INT FEB 1900 (31 FEB 1900)". False, and
// `out` empty, when nothing of the date is known (a day alone tells nothing).
bool FormatGedcomDate(int packed, char* out, std::size_t size);

// The NAME value "Given /SURNAME/": blank padding trimmed, the given name in the usual mixed
// case, the surname as the index has it, Latin-1 bytes as UTF-8; "/SURNAME/" without a given
// name. False when neither name has a letter to show.
bool FormatGedcomName(const char* givenName, const char* surname, char* out, std::size_t size);

class CGedcomWriter {
  public:
    CGedcomWriter(std::FILE* out, const ExportSource& source);

    // The header, the submitter and the one source record every individual cites.
    void Begin();
    void Write(const ResultRow& row);
    // The trailer.
    void End();

    // The longest line written so far, in bytes without its line break (for tests).
    std::size_t LongestLine() const { return longestLine; }

  private:
    void Line(int level, const char* tag, const char* value = nullptr);
    // A value that may be longer than one line allows: continued with CONC.
    void LongLine(int level, const char* tag, const char* value, std::size_t limit);
    void Residence(const ResultRow& row);

    std::FILE* out;
    ExportSource source;
    long individuals = 0;
    std::size_t longestLine = 0;
};
