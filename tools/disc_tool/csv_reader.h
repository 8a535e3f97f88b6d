// Reads CSV text one record at a time: RFC 4180 (quoted fields may hold commas, doubled quotes
// and line breaks), with the leniency real exports need: LF or CR line ends, a UTF-8 byte
// order mark, blank lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace disctool {

class CsvReader {
  public:
    // Reads from `in`, which stays the caller's.
    explicit CsvReader(std::FILE* in);

    // The next record's fields; false at the end of the input or on a read error.
    bool Next(std::vector<std::string>& fields);
    // Line on which the last record began (the first line is 1).
    long Line() const { return recordLine; }
    // What was wrong with the last record's quoting; empty when nothing. The fields are
    // still given, as far as they could be read.
    const std::string& Problem() const { return problem; }
    bool ReadError() const { return readError; }
    std::int64_t BytesRead() const { return bytesRead; }

    // A field this long is cut: a stray quote must not pull the rest of a large file into
    // memory.
    static constexpr std::size_t kMaxFieldBytes = 64 * 1024;

  private:
    void Fill();
    int RawGet();
    int Get();
    void Append(std::string& field, int c);

    std::FILE* in;
    std::vector<char> buffer = std::vector<char>(1 << 20);
    std::size_t pos = 0;
    std::size_t end = 0;
    bool eof = false;
    bool readError = false;
    static constexpr int kNone = -2;
    int pushedBack = kNone;  // a byte read ahead after a CR
    long line = 1;
    long recordLine = 0;
    std::int64_t bytesRead = 0;
    std::string problem;
};

}  // namespace disctool
