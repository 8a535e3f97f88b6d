#include "death_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace disctool {

namespace {

bool Digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
    int n = 0;
    for (char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool HasShape(std::string_view line) {
    return line.size() == kDeathFileLineSize && std::strchr(" ACD", line[0]) != nullptr &&
           line[0] != '\0' && Digits(line.substr(1, 9));
}

// MMDDCCYY; 00 parts unknown.
DateParts DateOf(std::string_view digits) {
    return {Number(digits.substr(4, 4)), Number(digits.substr(0, 2)), Number(digits.substr(2, 2))};
}

}  // namespace

InputFormat GuessFormat(std::string_view head) {
    if (head.empty())
        return InputFormat::kUnknown;
    int lines = 0;
    int shaped = 0;
    std::string_view rest = head;
    while (!rest.empty() && lines < 200) {
        const std::size_t end = rest.find('\n');
        // A line cut off by the end of `head` may be whole; one of the file's length counts.
        const std::string_view line = WithoutCr(rest.substr(0, end));
        if (end != std::string_view::npos || line.size() == kDeathFileLineSize) {
            ++lines;
            shaped += HasShape(line) ? 1 : 0;
        }
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    if (lines > 0 && shaped * 2 >= lines)
        return InputFormat::kDeathFile;

    std::string_view first = head.substr(0, head.find('\n'));
    if (first.substr(0, 3) == "\xEF\xBB\xBF")
        first.remove_prefix(3);
    first = WithoutCr(first);
    const bool text = std::none_of(first.begin(), first.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7F;
    });
    return text && first.find(',') != std::string_view::npos ? InputFormat::kCsv
                                                             : InputFormat::kUnknown;
}

DeathFileEntry ConvertDeathFileLine(std::string_view line, std::size_t length) {
    DeathFileEntry entry;
    const auto malformed = [&](const std::string& why) {
        entry.malformed = true;
        entry.why = "line: " + why + "; line skipped";
        return entry;
    };
    if (length == std::string_view::npos)
        length = line.size();
    if (length != kDeathFileLineSize || line.size() != kDeathFileLineSize) {
        return malformed(std::to_string(length) + " characters, not " +
                         std::to_string(kDeathFileLineSize));
    }
    switch (line[0]) {
        case ' ':
        case 'A':
            entry.type = ChangeType::kAdd;
            break;
        case 'C':
            entry.type = ChangeType::kChange;
            break;
        case 'D':
            entry.type = ChangeType::kDelete;
            break;
        default:
            return malformed("change type " + Shown(line.substr(0, 1)) +
                             " is not blank, A, C or D");
    }
    const std::string_view ssn = line.substr(1, 9);
    const std::string_view death = line.substr(65, 8);
    const std::string_view birth = line.substr(73, 8);
    if (!Digits(ssn))
        return malformed("SSN " + Shown(ssn) + " is not 9 digits");
    if (!Digits(death))
        return malformed("date of death " + Shown(death) + " is not MMDDCCYY");
    if (!Digits(birth))
        return malformed("date of birth " + Shown(birth) + " is not MMDDCCYY");
    entry.ssn = static_cast<std::uint32_t>(Number(ssn));
    ConvertedRow& row = entry.row;
    row.person.ssn = entry.ssn;
    if (entry.type == ChangeType::kDelete) {
        row.keep = false;  // nothing of it is stored
        return entry;
    }
    StoreNames(line.substr(10, 20), line.substr(34, 15), row);
    if (!row.keep)
        return entry;
    const auto checked = [&](std::string_view digits, const char* column) {
        DateParts parts = DateOf(digits);
        std::vector<std::string> notes;
        CheckDateParts(parts, notes);
        for (const std::string& note : notes)
            row.problems.push_back(std::string(column) + ": " + note);
        return parts;
    };
    const DateParts deathParts = checked(death, "death");
    const DateParts birthParts = checked(birth, "birth");
    StoreDates(birthParts, deathParts, row);
    return entry;
}

LineReader::LineReader(ReadBytes readBytes, StopFlag stopFlag)
    : read(std::move(readBytes)), stop(stopFlag) {}

bool LineReader::Fill() {
    if (stop.Requested()) {
        stopped = true;
        return false;
    }
    if (eof)
        return false;
    const long got = read(buffer.data(), buffer.size());
    if (got <= 0) {
        eof = true;
        readError = got < 0;
        return false;
    }
    pos = 0;
    end = static_cast<std::size_t>(got);
    return true;
}

bool LineReader::Next(std::string_view& line) {
    kept.clear();
    length = 0;
    bool any = false;
    char last = '\0';
    for (;;) {
        if (pos == end && !Fill()) {
            if (stopped || !any)
                return false;
            break;  // the last line has no line end
        }
        any = true;
        const char* start = buffer.data() + pos;
        const void* newline = std::memchr(start, '\n', end - pos);
        const std::size_t n =
            newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - start)
                               : end - pos;
        if (kept.size() < kKeptBytes)
            kept.append(start, std::min(n, kKeptBytes - kept.size()));
        if (n > 0)
            last = start[n - 1];
        length += n;
        pos += n;
        if (newline != nullptr) {
            ++pos;
            break;
        }
    }
    ++lineNumber;
    if (last == '\r') {
        --length;
        if (kept.size() > length)
            kept.resize(length);
    }
    line = kept;
    return true;
}

}  // namespace disctool
