#include "build_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "csv_reader.h"
#include "death_index.h"
#include "death_record.h"
#include "external_sort.h"
#include "field_parsing.h"
#include "staged_output.h"
#include "stdio_file.h"

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

struct InputFile {
    FilePtr owned;
    std::FILE* file = nullptr;
    std::int64_t size = -1;
};

bool OpenInput(const std::string& path, InputFile& in, std::string& error) {
    if (path == "-") {
        in.file = stdin;
        return true;
    }
    in.owned = OpenFile(path.c_str(), "rb");
    if (!in.owned) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    in.file = in.owned.get();
    if (std::fseek(in.file, 0, SEEK_END) == 0) {
        in.size = std::ftell(in.file);
        std::rewind(in.file);
    }
    return true;
}

}  // namespace

bool RunBuild(const BuildOptions& options, BuildSummary& summary, std::string& error) {
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

    InputFile input;
    if (!OpenInput(options.input, input, error))
        return false;
    StagedDiscSet staged;
    if (!staged.Begin(options.outDir, error))
        return false;
    summary.outDir = staged.FinalDir().string();

    CsvReader csv(input.file, options.stop);
    std::vector<std::string> fields;
    if (!csv.Next(fields)) {
        if (stopped())
            return false;
        error = options.input + " is empty: it needs a header row";
        return false;
    }
    if (csv.Overflowed()) {
        error = "the header row of " + options.input + ": " + csv.Problem();
        return false;
    }
    int where[8];
    if (!MapColumns(fields, where, summary.ignoredColumns, error))
        return false;
    const std::size_t headerFields = fields.size();
    const int lastWanted = *std::max_element(std::begin(where), std::end(where));

    // First pass: every row checked, converted and handed to the sort; first names collected,
    // since a record stores its name's position in the finished list.
    ExternalSorter sorter(staged.ScratchDir(), options.memoryBytes);
    std::unordered_set<std::string> names;
    const std::string blankName(kFirstNameRecordSize, ' ');
    while (csv.Next(fields)) {
        ++summary.rows;
        if (csv.Overflowed()) {
            ++summary.rowsSkipped;
            ++summary.rowsWithProblems;
            progress.Clear();
            report(csv.Line(), "row: " + csv.Problem() + "; row skipped");
            continue;
        }
        std::vector<std::string> problems;
        if (!csv.Problem().empty())
            problems.push_back("row: " + csv.Problem());
        // A short row matters only when it lacks a column that is read.
        if (fields.size() > headerFields || fields.size() <= static_cast<std::size_t>(lastWanted)) {
            problems.push_back("row: " + std::to_string(fields.size()) +
                               " fields where the header has " + std::to_string(headerFields));
        }
        fields.resize(std::max(fields.size(), headerFields));
        const auto column = [&](int c) { return fields[static_cast<std::size_t>(where[c])]; };
        const PersonText text{column(0), column(1), column(2), column(3),
                              column(4), column(5), column(6), column(7)};
        ConvertedRow row = ConvertRow(text);
        problems.insert(problems.end(), row.problems.begin(), row.problems.end());
        summary.namesCut += row.nameCut ? 1 : 0;

        if (row.keep) {
            SortEntry entry;
            std::memcpy(entry.key, builder::SurnameKey(row.person.surname).data(), 12);
            std::string name = builder::FirstNameRecord(row.person.firstName);
            if (names.count(name) == 0 && name != blankName) {
                // The blank name keeps a place for the names that do not fit.
                if (names.size() + 1 >= static_cast<std::size_t>(kMaxFirstNames)) {
                    problems.push_back(
                        "first_name: more distinct first names than the list "
                        "holds (" +
                        FormatCount(kMaxFirstNames) + "); stored as unknown");
                    name = blankName;
                } else {
                    names.insert(name);
                }
            }
            if (name == blankName)
                names.insert(name);
            std::memcpy(entry.firstName, name.data(), 10);
            const RawDeathRecord raw = builder::PersonRecord(row.person, 0);
            std::memcpy(entry.record, raw.bytes, 16);
            SetSequence(entry, static_cast<std::uint64_t>(csv.Line()));
            if (!sorter.Add(entry)) {
                error = sorter.Error();
                return false;
            }
        } else {
            ++summary.rowsSkipped;
        }
        if (!problems.empty()) {
            ++summary.rowsWithProblems;
            progress.Clear();
            for (const std::string& p : problems)
                report(csv.Line(), p);
        }
        if ((summary.rows & 0xFFF) == 0) {
            if (stopped())
                return false;
            progress.Update(
                "rows read", summary.rows,
                input.size > 0 ? static_cast<double>(csv.BytesRead()) / input.size : -1);
        }
    }
    if (stopped())
        return false;
    if (csv.ReadError()) {
        error = "cannot read " + options.input + ": " + std::strerror(errno);
        return false;
    }
    if (options.strict && summary.rowsWithProblems > 0) {
        error = FormatCount(summary.rowsWithProblems) +
                " row(s) have problems and --strict is given; nothing was written";
        return false;
    }
    if (stopped() || !sorter.Finish()) {
        if (error.empty())
            error = sorter.Error();
        return false;
    }
    summary.sortRuns = sorter.RunsWritten();

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

    const std::int64_t total = sorter.Count();
    std::int64_t merged = 0;
    std::int64_t inRun = 0;
    std::int64_t dropped = 0;
    std::string key;
    SortEntry entry;
    while (sorter.Next(entry)) {
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
        StoreLE32(raw.bytes, WordA(raw) | static_cast<std::uint32_t>(index));
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
    if (!sorter.Error().empty()) {
        error = sorter.Error();
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
    progress.Clear();
    if (stopped())
        return false;
    return staged.Commit(error);
}

}  // namespace disctool
