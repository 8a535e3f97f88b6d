// The formats a result can be written in. The command line prints with them and the window's
// "Save as" writes files with them, so both give the same bytes for the same hits.
#pragma once

#include <cstdio>

#include "gedcom_writer.h"
#include "result_row.h"

enum class OutputFormat {
    Table,   // aligned columns for people, with the count line
    Lines,   // the window's texts: the count line, then list line TAB detail line per hit
    Csv,     // RFC 4180: a header row, CRLF lines, quoted where needed
    Json,    // one object per hit per line
    Gedcom,  // GEDCOM 5.5.1 for family-tree programs
};

// The format of a name the command line takes ("table", "lines", "csv", "json", "gedcom");
// false for any other.
bool OutputFormatFromName(const char* name, OutputFormat& format);

class CResultWriter {
  public:
    CResultWriter(OutputFormat format, std::FILE* out, const ExportSource& source = {});

    // What comes before the hits: the count line, column names, GEDCOM's header.
    void Begin(long total);
    void Write(const ResultRow& row);
    // What comes after them, then flushes. False when any write failed.
    bool End();
    // True once a write has failed (a full disk, a closed output).
    bool Failed() const { return std::ferror(out) != 0; }

  private:
    OutputFormat format;
    std::FILE* out;
    CGedcomWriter gedcom;
};

// One CSV field (quoted when it holds a comma, a quote or a line break), then a comma or,
// after the last field, CRLF; and one JSON string (names are 8-bit, read as Latin-1).
void PutCsvField(std::FILE* out, const char* text, bool last);
void PutJsonString(std::FILE* out, const char* text);

// The window's two texts of a row, as CResultSet formats them for the page on display: the
// list line "surname\tfirst\tbirth\tdeath\tlocation" and the detail line "ssn\tzip\tzip\t".
void FormatRowListLine(const ResultRow& row, char* out, std::size_t size);
void FormatRowDetailLine(const ResultRow& row, char* out, std::size_t size);
