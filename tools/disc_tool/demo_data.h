// `vel7m-disc demo`: a synthetic disc set shaped like the real index, so the program can be
// tried and measured without the discs. Records are generated in key order, surname by
// surname, so memory does not grow with the number of records.
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

// How many records each surname gets: a few very large runs (the largest about 1% of all),
// then a long tail in which most surnames have fewer than five. In key order, keys unique.
struct SurnamePlan {
    char key[12];
    std::uint32_t count;
};
std::vector<SurnamePlan> PlanSurnames(std::int64_t records, std::uint64_t seed);

// The first names the demo uses, real ones first, then generated ones, then initials and
// the blank (unknown) name; with the share of records each gets.
struct FirstNameModel {
    std::vector<std::string> names;
    std::vector<double> weights;
};
FirstNameModel MakeFirstNameModel(std::uint64_t seed);

}  // namespace disctool
