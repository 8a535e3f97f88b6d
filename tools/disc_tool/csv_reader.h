// Reads CSV text one record at a time: RFC 4180 (quoted fields may hold commas, doubled quotes
// and line breaks), with the leniency real exports need: LF or CR line ends, a UTF-8 byte
// order mark, blank lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "progress.h"

namespace disctool {

class CsvReader {
  public:
    // Reads through `read`, which gives up to n bytes, 0 at the end or -1 on an error.
    // `stop` is polled once per buffer read, so a record that never ends still lets the
    // reader be stopped.
    using ReadBytes = std::function<long(char* out, std::size_t n)>;
    explicit CsvReader(ReadBytes read, StopFlag stop = {});
    // Reads from `in`, which stays the caller's.
    explicit CsvReader(std::FILE* in, StopFlag stop = {});

    // The next record's fields; false at the end of the input, on a read error or when
    // stopped.
    bool Next(std::vector<std::string>& fields);
    // Line on which the last record began (the first line is 1).
    long Line() const { return recordLine; }
    // What was wrong with the last record's quoting; empty when nothing. The fields are
    // still given, as far as they could be read.
    const std::string& Problem() const { return problem; }
    // The last record broke a limit below; its fields are incomplete and it is no person.
    bool Overflowed() const { return overflowed; }
    bool ReadError() const { return readError; }
    bool Stopped() const { return stopped; }
    std::int64_t BytesRead() const { return bytesRead; }

    // A field this long is cut: a stray quote must not pull the rest of a large file into
    // memory.
    static constexpr std::size_t kMaxFieldBytes = 64 * 1024;
    // Fields past this many are counted but not kept, and a record's fields together keep at
    // most kMaxRecordBytes: a malformed line of commas costs no more memory than a long one.
    static constexpr std::size_t kMaxFields = 1024;
    static constexpr std::size_t kMaxRecordBytes = 1024 * 1024;

  private:
    void Fill();
    int RawGet();
    int Get();
    void Append(std::string& field, int c);
    void Keep(std::vector<std::string>& fields, std::string& field);

    ReadBytes read;
    StopFlag stop;
    bool stopped = false;
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
    bool overflowed = false;
    std::size_t fieldCount = 0;   // fields of the current record, kept or not
    std::size_t recordBytes = 0;  // bytes kept for the current record
};

}  // namespace disctool
