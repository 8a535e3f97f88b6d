#include "build_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>

#include "csv_reader.h"
#include "death_index.h"
#include "death_record.h"
#include "external_sort.h"
#include "field_parsing.h"
#include "input_source.h"
#include "staged_output.h"

namespace disctool {

const char* const kCsvColumns[8] = {"surname", "first_name", "birth",         "death",
                                    "ssn",     "state",      "zip_residence", "zip_payment"};

namespace {

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    const auto begin = s.find_first_not_of(" \t");
    const auto end = s.find_last_not_of(" \t");
    return begin == std::string::npos ? "" : s.substr(begin, end - begin + 1);
}

// Where each wanted column is in the rows.
bool MapColumns(const std::vector<std::string>& header, int (&where)[8],
                std::vector<std::string>& ignored, std::string& error) {
    std::fill(std::begin(where), std::end(where), -1);
    for (std::size_t i = 0; i < header.size(); ++i) {
        const std::string name = Lower(header[i]);
        const auto it = std::find_if(std::begin(kCsvColumns), std::end(kCsvColumns),
                                     [&](const char* c) { return name == c; });
        if (it == std::end(kCsvColumns)) {
            ignored.push_back(header[i]);
            continue;
        }
        int& slot = where[it - std::begin(kCsvColumns)];
        if (slot >= 0) {
            error = "the header names the column " + name + " twice";
            return false;
        }
        slot = static_cast<int>(i);
    }
    std::string missing;
    for (int c = 0; c < 8; ++c) {
        if (where[c] < 0)
            missing += std::string(missing.empty() ? "" : ", ") + kCsvColumns[c];
    }
    if (!missing.empty()) {
        error = "the header row lacks the column(s) " + missing +
                "; the first row must name surname, first_name, birth, death, ssn, state, "
                "zip_residence, zip_payment";
        return false;
    }
    return true;
}

// Positions of first names in the finished list, looked up once per change of name: within
// a surname the names arrive in list order.
class NameIndex {
  public:
    explicit NameIndex(const builder::FirstNameList& list) : records(list.Records()) {}
    int Of(const char* name) {
        if (last >= 0 && std::memcmp(name, records[last].data(), 10) == 0)
            return last;
        const auto begin = records.begin() + builder::kLeadingFillers;
        const auto end = records.end() - builder::kTrailingFillers;
        const auto it = std::lower_bound(begin, end, name, [](const std::string& r, const char* n) {
            return std::memcmp(r.data(), n, 10) < 0;
        });
        last = (it != end && std::memcmp(it->data(), name, 10) == 0)
                   ? static_cast<int>(it - records.begin())
                   : -1;
        return last;
    }

  private:
    const std::vector<std::string>& records;
    int last = -1;
};

// Change lines travel with their records through the sort in bits of word A that records
// never use; they are cleared before a record is written.
constexpr int kKindShift = 26;
constexpr std::uint32_t kKindMask = 3u << kKindShift;

ChangeType KindOf(const SortEntry& e) {
    return static_cast<ChangeType>((LoadLE32(e.record) & kKindMask) >> kKindShift);
}

void SetKind(SortEntry& e, ChangeType kind) {
    StoreLE32(e.record, (LoadLE32(e.record) & ~kKindMask) | static_cast<std::uint32_t>(kind)
                                                                << kKindShift);
}

std::uint32_t SsnOf(const SortEntry& e) {
    return LoadLE32(e.record + 4) & kSsnMask;
}

// By SSN, and within one SSN the latest line first: a change or delete then comes before
// the lines it takes away.
bool BySsnLatestFirst(const SortEntry& a, const SortEntry& b) {
    const std::uint32_t sa = SsnOf(a);
    const std::uint32_t sb = SsnOf(b);
    if (sa != sb)
        return sa < sb;
    return std::memcmp(b.sequence, a.sequence, sizeof a.sequence) < 0;
}

std::string SsnText(std::uint32_t ssn) {
    char text[16];
    std::snprintf(text, sizeof text, "%03u-%02u-%04u", ssn / 1000000, ssn / 10000 % 100,
                  ssn % 10000);
    return text;
}

}  // namespace

bool RunBuild(const BuildOptions& options, BuildSummary& summary, std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    NoProgress quiet;
    Progress& progress = options.progress != nullptr ? *options.progress : quiet;
    const auto report = [&](long line, const std::string& message) {
        if (options.onProblem)
            options.onProblem({line, message});
    };
    const auto stopped = [&] {
        if (!options.stop.Requested())
            return false;
        error = "interrupted; nothing was changed";
        return true;
    };

    InputSource input;
    if (!input.Open(options.input, error))
        return false;
    const std::string name = options.input == "-" ? "standard input" : options.input;
    const auto readBytes = [&input](char* out, std::size_t n) { return input.Read(out, n); };
    const auto readFraction = [&input] {
        return input.StoredSize() > 0
                   ? static_cast<double>(input.StoredOffset()) / input.StoredSize()
                   : -1.0;
    };

    // What the list is, and for CSV its header: all before anything is written.
    InputFormat format = options.format;
    if (format == InputFormat::kUnknown) {
        const std::string_view head = input.Peek(64 * 1024);
        if (head.empty()) {
            error = input.Error().empty() ? name + " is empty" : input.Error();
            return false;
        }
        format = GuessFormat(head);
        if (format == InputFormat::kUnknown) {
            error = name +
                    " is neither a CSV list with a header row nor the public death file (lines "
                    "of 100 characters with the SSN in columns 2-10); --input-format csv or dmf "
                    "says which it is";
            return false;
        }
    }
    summary.format = format;

    // Only the reader of the list's format: each reads ahead from the start.
    std::optional<CsvReader> csvReader;
    std::optional<LineReader> lineReader;
    if (format == InputFormat::kCsv) {
        csvReader.emplace(readBytes, options.stop);
    } else {
        lineReader.emplace(readBytes, options.stop);
    }
    std::vector<std::string> fields;
    int where[8];
    std::size_t headerFields = 0;
    int lastWanted = 0;
    if (format == InputFormat::kCsv) {
        CsvReader& csv = *csvReader;
        if (!csv.Next(fields)) {
            if (stopped())
                return false;
            error =
                !input.Error().empty() ? input.Error() : name + " is empty: it needs a header row";
            return false;
        }
        if (csv.Overflowed()) {
            error = "the header row of " + name + ": " + csv.Problem();
            return false;
        }
        if (!MapColumns(fields, where, summary.ignoredColumns, error))
            return false;
        headerFields = fields.size();
        lastWanted = *std::max_element(std::begin(where), std::end(where));
    }

    StagedDiscSet staged;
    if (!staged.Begin(options.outDir, error))
        return false;
    summary.outDir = staged.FinalDir().string();

    // First pass: every row checked, converted and handed to the sort; first names collected,
    // since a record stores its name's position in the finished list.
    auto sorter = std::make_unique<ExternalSorter>(staged.ScratchDir(), options.memoryBytes);
    std::unordered_set<std::string> names;
    const std::string blankName(kFirstNameRecordSize, ' ');
    std::vector<std::string> problems;
    const auto add = [&](const ConvertedRow& row, long line, ChangeType kind) {
        summary.namesCut += row.nameCut ? 1 : 0;
        if (kind == ChangeType::kChange && !row.keep) {
            problems.push_back(
                "ssn: the change cannot be stored; the earlier line with its SSN is removed "
                "all the same");
            kind = ChangeType::kDelete;
        }
        if (kind == ChangeType::kAdd && !row.keep) {
            ++summary.rowsSkipped;
            return true;
        }
        SortEntry entry;
        std::string firstName = blankName;
        if (kind == ChangeType::kDelete) {
            // Only its SSN and its place in the file matter.
            std::memset(entry.key, ' ', sizeof entry.key);
        } else {
            std::memcpy(entry.key, builder::SurnameKey(row.person.surname).data(), 12);
            firstName = builder::FirstNameRecord(row.person.firstName);
            if (names.count(firstName) == 0 && firstName != blankName) {
                // The blank name keeps a place for the names that do not fit.
                if (names.size() + 1 >= static_cast<std::size_t>(kMaxFirstNames)) {
                    problems.push_back(
                        "first_name: more distinct first names than the list holds (" +
                        FormatCount(kMaxFirstNames) + "); stored as unknown");
                    firstName = blankName;
                } else {
                    names.insert(firstName);
                }
            }
            if (firstName == blankName)
                names.insert(firstName);
        }
        std::memcpy(entry.firstName, firstName.data(), 10);
        const RawDeathRecord raw = builder::PersonRecord(row.person, 0);
        std::memcpy(entry.record, raw.bytes, 16);
        SetKind(entry, kind);
        SetSequence(entry, static_cast<std::uint64_t>(line));
        if (!sorter->Add(entry)) {
            error = sorter->Error();
            return false;
        }
        return true;
    };
    const auto reportRow = [&](long line) {
        if (problems.empty())
            return;
        ++summary.rowsWithProblems;
        progress.Clear();
        for (const std::string& p : problems)
            report(line, p);
    };
    const auto tick = [&] {
        if ((summary.rows & 0xFFF) != 0)
            return true;
        if (stopped())
            return false;
        progress.Update(format == InputFormat::kCsv ? "rows read" : "lines read", summary.rows,
                        readFraction());
        return true;
    };

    bool changesSeen = false;
    if (format == InputFormat::kCsv) {
        CsvReader& csv = *csvReader;
        while (csv.Next(fields)) {
            ++summary.rows;
            problems.clear();
            if (csv.Overflowed()) {
                ++summary.rowsSkipped;
                problems.push_back("row: " + csv.Problem() + "; row skipped");
                reportRow(csv.Line());
                continue;
            }
            if (!csv.Problem().empty())
                problems.push_back("row: " + csv.Problem());
            // A short row matters only when it lacks a column that is read.
            if (fields.size() > headerFields ||
                fields.size() <= static_cast<std::size_t>(lastWanted)) {
                problems.push_back("row: " + std::to_string(fields.size()) +
                                   " fields where the header has " + std::to_string(headerFields));
            }
            fields.resize(std::max(fields.size(), headerFields));
            const auto column = [&](int c) { return fields[static_cast<std::size_t>(where[c])]; };
            const PersonText text{column(0), column(1), column(2), column(3),
                                  column(4), column(5), column(6), column(7)};
            ConvertedRow row = ConvertRow(text);
            problems.insert(problems.end(), row.problems.begin(), row.problems.end());
            if (!add(row, csv.Line(), ChangeType::kAdd))
                return false;
            reportRow(csv.Line());
            if (!tick())
                return false;
        }
        if (stopped())
            return false;
        if (csv.ReadError()) {
            error = !input.Error().empty() ? input.Error() : "cannot read " + name;
            return false;
        }
    } else {
        LineReader& lines = *lineReader;
        std::string_view line;
        while (lines.Next(line)) {
            ++summary.rows;
            DeathFileEntry entry = ConvertDeathFileLine(line, lines.Length());
            problems = std::move(entry.row.problems);
            if (entry.malformed) {
                ++summary.rowsSkipped;
                problems.push_back(entry.why);
            } else {
                summary.changes += entry.type == ChangeType::kChange ? 1 : 0;
                summary.deletes += entry.type == ChangeType::kDelete ? 1 : 0;
                changesSeen = changesSeen || entry.type != ChangeType::kAdd;
                if (!add(entry.row, lines.Line(), entry.type))
                    return false;
            }
            reportRow(lines.Line());
            if (!tick())
                return false;
        }
        if (stopped())
            return false;
        if (lines.ReadError()) {
            error = !input.Error().empty() ? input.Error() : "cannot read " + name;
            return false;
        }
    }
    if (options.strict && summary.rowsWithProblems > 0) {
        error = FormatCount(summary.rowsWithProblems) +
                " row(s) have problems and --strict is given; nothing was written";
        return false;
    }
    if (stopped() || !sorter->Finish()) {
        if (error.empty())
            error = sorter->Error();
        return false;
    }
    summary.sortRuns = sorter->RunsWritten();

    // Change and delete lines: everything once more in SSN order, latest line first, so each
    // change or delete comes just before the lines it takes away; what stays goes to a new
    // sort by surname. Only lists with such lines pay for this.
    if (changesSeen) {
        const std::size_t half = options.memoryBytes / 2;
        ExternalSorter bySsn(staged.ScratchDir(), half, ExternalSorter::kMaxFanIn,
                             BySsnLatestFirst);
        const std::int64_t total = sorter->Count();
        std::int64_t moved = 0;
        SortEntry entry;
        while (sorter->Next(entry)) {
            if (!bySsn.Add(entry)) {
                error = bySsn.Error();
                return false;
            }
            if ((++moved & 0xFFFF) == 0) {
                if (stopped())
                    return false;
                progress.Update("changes sorted", moved, static_cast<double>(moved) / total);
            }
        }
        if (!sorter->Error().empty()) {
            error = sorter->Error();
            return false;
        }
        sorter = std::make_unique<ExternalSorter>(staged.ScratchDir(), half);
        if (stopped() || !bySsn.Finish()) {
            if (error.empty())
                error = bySsn.Error();
            return false;
        }
        bool group = false;
        std::uint32_t ssn = 0;
        bool takenAway = false;  // a later change or delete of this SSN was seen
        SortEntry earliest;      // the group's first line in the file so far
        bool earliestKept = false;
        const auto endGroup = [&] {  // a change or delete with nothing before it is told
            if (!group || KindOf(earliest) == ChangeType::kAdd)
                return;
            const char* what = KindOf(earliest) == ChangeType::kDelete
                                   ? "; the delete removes nothing"
                               : earliestKept ? "; the change is stored as a new record"
                                              : "; the change changes nothing";
            progress.Clear();
            report(static_cast<long>(Sequence(earliest)),
                   "ssn: no earlier line has the SSN " + SsnText(SsnOf(earliest)) + what);
        };
        moved = 0;
        while (bySsn.Next(entry)) {
            if (!group || SsnOf(entry) != ssn) {
                endGroup();
                group = true;
                ssn = SsnOf(entry);
                takenAway = false;
            }
            earliest = entry;
            earliestKept = false;
            const ChangeType kind = KindOf(entry);
            if (takenAway) {
                summary.recordsRemoved += kind == ChangeType::kDelete ? 0 : 1;
            } else if (kind != ChangeType::kDelete) {
                SetKind(entry, ChangeType::kAdd);
                if (!sorter->Add(entry)) {
                    error = sorter->Error();
                    return false;
                }
                earliestKept = true;
            }
            takenAway = takenAway || kind != ChangeType::kAdd;
            if ((++moved & 0xFFFF) == 0) {
                if (stopped())
                    return false;
                progress.Update("changes applied", moved, static_cast<double>(moved) / total);
            }
        }
        endGroup();
        if (!bySsn.Error().empty()) {
            error = bySsn.Error();
            return false;
        }
        if (stopped() || !sorter->Finish()) {
            if (error.empty())
                error = sorter->Error();
            return false;
        }
    }

    // Second pass: the merged rows in key and name order into the data files.
    std::vector<std::string> nameList(names.begin(), names.end());
    std::unordered_set<std::string>().swap(names);
    const builder::FirstNameList list(nameList);
    std::vector<std::string>().swap(nameList);
    summary.firstNames = list.Size() - builder::kLeadingFillers - builder::kTrailingFillers;
    NameIndex nameIndex(list);

    builder::DiscSetOptions discOptions;
    discOptions.disc1Dir = staged.Disc1Dir();
    discOptions.disc2Dir = staged.Disc2Dir();
    discOptions.recordsPerFile = options.recordsPerFile;
    builder::DiscSetWriter writer(discOptions, list);

    const std::int64_t total = sorter->Count();
    std::int64_t merged = 0;
    std::int64_t inRun = 0;
    std::int64_t dropped = 0;
    std::string key;
    SortEntry entry;
    while (sorter->Next(entry)) {
        ++merged;
        if (key.compare(0, std::string::npos, entry.key, 12) != 0) {
            key.assign(entry.key, 12);
            inRun = 0;
        }
        if (++inRun > builder::kMaxRecordsPerDataFile) {
            ++dropped;
            progress.Clear();
            report(static_cast<long>(Sequence(entry)),
                   "surname: more than " + FormatCount(builder::kMaxRecordsPerDataFile) +
                       " people are named " + key.substr(0, key.find_last_not_of(' ') + 1) +
                       ", and one surname's records must fit in one data file; row skipped");
            continue;
        }
        RawDeathRecord raw;
        std::memcpy(raw.bytes, entry.record, 16);
        const int index = nameIndex.Of(entry.firstName);
        if (index < 0) {
            error = "internal error: a first name is missing from the list";
            return false;
        }
        StoreLE32(raw.bytes, (WordA(raw) & ~kKindMask) | static_cast<std::uint32_t>(index));
        if (!writer.Add(key, raw)) {
            error = writer.Error();
            return false;
        }
        if ((merged & 0xFFFF) == 0) {
            if (stopped())
                return false;
            progress.Update("records written", merged, static_cast<double>(merged) / total);
        }
    }
    if (!sorter->Error().empty()) {
        error = sorter->Error();
        return false;
    }
    summary.rowsSkipped += dropped;
    summary.rowsWithProblems += dropped;
    if (options.strict && dropped > 0) {
        error = FormatCount(dropped) + " row(s) cannot be stored and --strict is given";
        return false;
    }

    builder::DiscSetReport written;
    if (stopped() || !writer.Finish(&written)) {
        if (error.empty())
            error = writer.Error();
        return false;
    }
    summary.records = written.records;
    summary.surnames = static_cast<std::int64_t>(written.runs.size());
    summary.dataFiles = written.lastFile;
    summary.inputBytes = input.BytesRead();
    summary.storedBytes = input.StoredSize();
    summary.compressed = input.Compressed();
    progress.Clear();
    if (stopped() || !staged.Commit(error))
        return false;
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}

}  // namespace disctool
