// `vel7m-disc check` and `stats`: reads a disc set the way the program does and verifies what
// the program relies on, with every count and offset checked before use, so a damaged set is
// reported and never crashes the check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "progress.h"

namespace disctool {

struct CheckProblem {
    std::string file;          // as given in the disc's label, e.g. "disc1/gst3.tre"
    std::int64_t offset = -1;  // byte offset in the file, -1 for the file as a whole
    std::string message;
};
// "file: offset: message", or "file: message".
std::string FormatProblem(const CheckProblem& problem);

struct SurnameCount {
    std::string key;  // without its padding
    std::int32_t count = 0;
};

struct DiscFacts {
    std::int64_t records = 0;
    std::int64_t surnames = 0;
    std::int64_t firstNames = 0;  // real names in its list, fillers not counted
    int dataFiles = 0;
    int firstFile = 0;  // lowest and highest data file number present
    int lastFile = 0;
    std::int64_t bytes = 0;  // all files of the disc folder
};

struct SetFacts {
    std::vector<CheckProblem> problems;
    DiscFacts disc[2];
    std::int64_t smallSurnames = 0;     // surnames with fewer than five records
    std::vector<SurnameCount> largest;  // the ten largest runs, largest first
};

struct DiscLocation {
    std::string dir;    // with or without a trailing '/'
    std::string label;  // prefix for file names in reports, e.g. "disc1/"
};

struct InspectOptions {
    // Reading every record (check) costs a pass over the data files; stats needs only the trees.
    bool readRecords = true;
    Progress* progress = nullptr;
    StopFlag stop;
};

SetFacts InspectDiscSet(const DiscLocation& disc1, const DiscLocation& disc2,
                        const InspectOptions& options);

}  // namespace disctool
