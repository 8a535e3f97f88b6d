// The public death file as it is distributed: fixed-width text lines of 100 characters, one
// person each, with change lines that correct or withdraw earlier ones.
//
//   column  1       change type: blank or A adds, C changes, D deletes (by SSN)
//           2-10    SSN
//           11-30   surname          31-34  name suffix (not stored)
//           35-49   given name       50-64  middle name (not stored)
//           65      verification code (not stored)
//           66-73   date of death, MMDDCCYY
//           74-81   date of birth, MMDDCCYY
//           82-100  unused
//
// A month or day of 00 is unknown, 00000000 no date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "field_parsing.h"
#include "progress.h"

namespace disctool {

inline constexpr std::size_t kDeathFileLineSize = 100;

enum class ChangeType : std::uint8_t { kAdd = 0, kChange = 1, kDelete = 2 };

// The format of a list, as given or as guessed from its first bytes.
enum class InputFormat { kUnknown, kCsv, kDeathFile };

// The public death file when at least half of the whole lines among `head` (and at least one)
// have its shape: 100 characters, a change type of blank, A, C or D, and digits in the SSN
// columns. Otherwise CSV when the first line is text with a comma in it. Otherwise unknown.
InputFormat GuessFormat(std::string_view head);

struct DeathFileEntry {
    bool malformed = false;  // not a line of the file: reported and skipped
    std::string why;         // "line: reason" when malformed
    ChangeType type = ChangeType::kAdd;
    std::uint32_t ssn = 0;
    ConvertedRow row;  // for adds and changes: the person, as a CSV row would give it
};

// `line` without its line end; `length` is the line's full length when `line` holds only its
// start.
DeathFileEntry ConvertDeathFileLine(std::string_view line,
                                    std::size_t length = std::string_view::npos);

// Splits the input into lines (LF or CR LF). A line longer than the format's is not kept
// whole: its first bytes are, and the rest is counted, so a file without line ends costs no
// memory. `stop` is polled once per buffer read.
class LineReader {
  public:
    using ReadBytes = std::function<long(char* out, std::size_t n)>;
    explicit LineReader(ReadBytes read, StopFlag stop = {});

    // The next line; false at the end, on a read error or when stopped.
    bool Next(std::string_view& line);
    long Line() const { return lineNumber; }
    // The full length of the last line, which may be more than `line` holds.
    std::size_t Length() const { return length; }
    bool ReadError() const { return readError; }
    bool Stopped() const { return stopped; }

    static constexpr std::size_t kKeptBytes = 128;

  private:
    bool Fill();

    ReadBytes read;
    StopFlag stop;
    std::vector<char> buffer = std::vector<char>(1 << 20);
    std::size_t pos = 0;
    std::size_t end = 0;
    bool eof = false;
    bool readError = false;
    bool stopped = false;
    long lineNumber = 0;
    std::size_t length = 0;
    std::string kept;
};

}  // namespace disctool
