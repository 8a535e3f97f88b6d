// Reads a whole disc set back: every surname's run from the tree files of both discs, the
// first-name lists and the records, so that the same records can be loaded into the
// comparison database and queries can be drawn from the set's own distribution.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "death_index.h"
#include "death_record.h"
#include "stdio_file.h"

namespace bench {

struct SurnameRun {
    char key[kKeyLength + 1];  // blank padding removed
    int disc;
    std::int32_t first;
    std::int32_t count;
};

class DiscSet {
  public:
    // `dir` is a set as `vel7m-disc demo` writes it: disc1/, disc2/ and program/.
    bool Open(const std::string& dir, std::string& error);

    // Every run of both discs, in ascending record numbers (which is key order).
    const std::vector<SurnameRun>& Runs() const { return runs; }
    std::int64_t Records() const { return records; }
    // One past the highest record number in use.
    std::int64_t RecordLimit() const { return runEnds.empty() ? 0 : runEnds.back(); }
    // The run holding record `n`, or nullptr.
    const SurnameRun* RunOf(std::int64_t n) const;
    const SurnameRun* FindRun(const std::string& key) const;

    // Each ends with '/'.
    const std::string& DiscDir(int disc) const { return discDirs[disc - 1]; }
    const std::string& ProgramDir() const { return programDir; }

    // The name at `index` of the disc's list with its padding removed; "" for a blank name
    // or an index outside the list.
    std::string FirstName(int disc, int index) const;

  private:
    bool ReadTrees(int disc, std::string& error);
    bool ReadFirstNames(int disc, std::string& error);

    std::string discDirs[2];
    std::string programDir;
    std::vector<SurnameRun> runs;
    std::vector<std::int64_t> runEnds;  // record number after each run, for RunOf
    std::vector<char> firstNames[2];
    std::int64_t records = 0;
};

// Reads records in any order, keeping the last data file open; sequential reads are buffered.
class RecordReader {
  public:
    explicit RecordReader(const DiscSet& set, std::size_t bufferSize = 1 << 20)
        : set(set), buffer(bufferSize) {}
    // Reads `n` records from record `first` of `disc` (all in one data file) into `out`.
    bool Read(int disc, std::int32_t first, std::int32_t n, RawDeathRecord* out);

  private:
    const DiscSet& set;
    std::vector<char> buffer;  // outlives the stream using it
    FilePtr file;
    int fileDisc = 0;
    int fileNumber = 0;
    long nextOffset = -1;
};

}  // namespace bench
