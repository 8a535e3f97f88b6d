// `vel7m-disc demo`: a synthetic disc set shaped like the real index, so the program can be
// tried and measured without the discs. Records are generated in key order, surname by
// surname, so memory does not grow with the number of records.
//
// A program can make a set in-process with RunDemo: it reports through `progress` (called
// every 65,536 records, from the calling thread) and stops, leaving nothing behind, soon
// after `stop.cancel` is set from another thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disc_set_writer.h"
#include "progress.h"

namespace disctool {

// Enough that disc 1 fills dp1.car and both discs reach a second data file.
inline constexpr std::int64_t kDefaultDemoRecords = 2500000;
// Record numbers are 32-bit; this keeps every set well inside them.
inline constexpr std::int64_t kMaxDemoRecords = 1000000000;

struct DemoOptions {
    std::string outDir;
    std::int64_t records = kDefaultDemoRecords;
    std::uint64_t seed = 1;
    int recordsPerFile = builder::kMaxRecordsPerDataFile;
    Progress* progress = nullptr;
    StopFlag stop;
};

struct DemoSummary {
    std::int64_t records = 0;
    std::int64_t surnames = 0;
    std::int64_t firstNames = 0;
    int dataFiles = 0;
    std::int64_t bytes = 0;  // data, trees and lists on both discs
    std::string outDir;      // absolute
};

bool RunDemo(const DemoOptions& options, DemoSummary& summary, std::string& error);

// How many records each surname of the 1990 census gets: shares falling with the rank, the
// largest about 1% of all, as in US surname counts. In key order, keys unique; surnames with
// no record are left out.
struct SurnamePlan {
    char key[12];
    std::uint32_t count;
};
std::vector<SurnamePlan> PlanSurnames(std::int64_t records, std::uint64_t seed);

// The given names a demo set draws from: the census lists' (cut to ten characters), the
// initials alone and the blank (unknown) name.
std::vector<std::string> DemoGivenNames();

}  // namespace disctool
