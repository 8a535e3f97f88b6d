#include "csv_reader.h"

#include <utility>

namespace disctool {

CsvReader::CsvReader(std::FILE* in, StopFlag stopFlag)
    : CsvReader(
          [in](char* out, std::size_t n) -> long {
              const std::size_t got = std::fread(out, 1, n, in);
              return got == 0 && std::ferror(in) != 0 ? -1 : static_cast<long>(got);
          },
          stopFlag) {}

CsvReader::CsvReader(ReadBytes readBytes, StopFlag stopFlag)
    : read(std::move(readBytes)), stop(stopFlag) {
    // A byte order mark is not part of the first field.
    Fill();
    if (end >= 3 && static_cast<unsigned char>(buffer[0]) == 0xEF &&
        static_cast<unsigned char>(buffer[1]) == 0xBB &&
        static_cast<unsigned char>(buffer[2]) == 0xBF) {
        pos = 3;
        bytesRead = 3;
    }
}

void CsvReader::Fill() {
    pos = 0;
    if (stop.Requested()) {
        stopped = true;
        eof = true;
    }
    const long got = eof ? 0 : read(buffer.data(), buffer.size());
    end = got > 0 ? static_cast<std::size_t>(got) : 0;
    if (end == 0) {
        eof = true;
        readError = readError || got < 0;
    }
}

int CsvReader::RawGet() {
    if (pos == end) {
        Fill();
        if (end == 0)
            return EOF;
    }
    ++bytesRead;
    return static_cast<unsigned char>(buffer[pos++]);
}

// One byte, with CR LF and a lone CR both read as LF; counts the lines.
int CsvReader::Get() {
    int c = pushedBack != kNone ? pushedBack : RawGet();
    pushedBack = kNone;
    if (c == '\r') {
        const int next = RawGet();
        if (next != '\n' && next != EOF)
            pushedBack = next;
        c = '\n';
    }
    if (c == '\n')
        ++line;
    return c;
}

void CsvReader::Append(std::string& field, int c) {
    if (recordBytes >= kMaxRecordBytes) {
        overflowed = true;
    } else if (field.size() < kMaxFieldBytes) {
        field += static_cast<char>(c);
        ++recordBytes;
    } else if (problem.empty()) {
        problem = "a field is longer than " + std::to_string(kMaxFieldBytes) + " bytes";
    }
}

void CsvReader::Keep(std::vector<std::string>& fields, std::string& field) {
    if (++fieldCount <= kMaxFields)
        fields.push_back(std::move(field));
    field.clear();
}

bool CsvReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    problem.clear();
    overflowed = false;
    fieldCount = 0;
    recordBytes = 0;
    int c = Get();
    while (c == '\n')  // blank lines separate nothing
        c = Get();
    if (c == EOF)
        return false;
    recordLine = line;

    std::string field;
    for (;;) {
        if (c == '"') {
            const long opened = line;
            for (;;) {
                c = Get();
                if (c == EOF) {
                    problem = "the quoted field opened on line " + std::to_string(opened) +
                              " is never closed";
                    break;
                }
                if (c == '"') {
                    c = Get();
                    if (c != '"')
                        break;
                }
                Append(field, c);
            }
            // Text after the closing quote is kept, as most readers do, but it is not CSV.
            if (c != ',' && c != '\n' && c != EOF && problem.empty())
                problem = "characters follow a closing quote";
        }
        // Unquoted, a quote inside a field is taken literally.
        while (c != ',' && c != '\n' && c != EOF) {
            Append(field, c);
            c = Get();
        }
        Keep(fields, field);
        if (c != ',')
            break;
        c = Get();
    }
    if (stopped) {
        fields.clear();
        return false;
    }
    if (fieldCount > kMaxFields) {
        overflowed = true;
        problem = FormatCount(static_cast<std::int64_t>(fieldCount)) + " fields, more than the " +
                  FormatCount(kMaxFields) + " a row may have";
    } else if (overflowed) {
        problem = "longer than " + FormatCount(kMaxRecordBytes) + " bytes";
    }
    return true;
}

}  // namespace disctool
