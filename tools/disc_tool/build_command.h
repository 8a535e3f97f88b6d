// `vel7m-disc build`: a disc set from a CSV list of people.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "death_file.h"
#include "disc_set_writer.h"
#include "progress.h"

namespace disctool {

// The columns a list must have, by header name; others are ignored.
extern const char* const kCsvColumns[8];

// The first-name index has 19 bits and the list starts with 11 fillers: this many distinct
// first names fit.
inline constexpr int kMaxFirstNames = (1 << 19) - builder::kLeadingFillers;

inline constexpr std::size_t kDefaultSortMemory = std::size_t{256} << 20;

struct RowProblem {
    long line = 0;
    std::string message;  // "column: reason"
};

struct BuildOptions {
    std::string input;  // a CSV list or the public death file, plain or gzip; "-" for stdin
    InputFormat format = InputFormat::kUnknown;  // kUnknown: recognised by its content
    std::string outDir;
    std::size_t memoryBytes = kDefaultSortMemory;
    bool strict = false;
    int recordsPerFile = builder::kMaxRecordsPerDataFile;
    Progress* progress = nullptr;
    StopFlag stop;
    std::function<void(const RowProblem&)> onProblem;
};

struct BuildSummary {
    InputFormat format = InputFormat::kUnknown;
    std::int64_t rows = 0;  // data rows (lines of the death file) read
    std::int64_t records = 0;
    std::int64_t rowsWithProblems = 0;
    std::int64_t rowsSkipped = 0;
    std::int64_t namesCut = 0;
    std::int64_t surnames = 0;
    std::int64_t firstNames = 0;
    int dataFiles = 0;
    int sortRuns = 0;  // 0 when everything was sorted in memory
    // Change and delete lines of the death file, and the records they took away.
    std::int64_t changes = 0;
    std::int64_t deletes = 0;
    std::int64_t recordsRemoved = 0;
    // The input as read (decompressed) and as stored, and the whole build's time.
    std::int64_t inputBytes = 0;
    std::int64_t storedBytes = -1;
    bool compressed = false;
    double seconds = 0;
    std::vector<std::string> ignoredColumns;
    std::string outDir;  // absolute
};

// Reads the list, writes the set beside `outDir` and swaps it into place. On failure nothing
// at `outDir` has changed; a list whose format is not recognised is refused before anything
// is written.
bool RunBuild(const BuildOptions& options, BuildSummary& summary, std::string& error);

}  // namespace disctool
