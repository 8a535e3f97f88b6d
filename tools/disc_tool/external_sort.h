// Sorting more rows than memory holds: fixed-size entries are sorted in a bounded buffer,
// spilled as sorted runs to files, and merged back in order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace disctool {

// One person on the way to the data files. Byte arrays only, so a run file is the buffer
// written as it is, and the size is the same everywhere.
struct SortEntry {
    char key[12];               // surname key, blank-padded
    char firstName[10];         // first-name record, blank-padded
    unsigned char record[16];   // the raw record; its first-name index is set when written
    unsigned char sequence[8];  // input line, big-endian, so equal people keep input order
};
static_assert(sizeof(SortEntry) == 46, "run files hold packed entries");

void SetSequence(SortEntry& entry, std::uint64_t sequence);
std::uint64_t Sequence(const SortEntry& entry);

// Surname key, then first name (the order of the first-name list, and so of the names'
// indexes), then input order.
bool EntryLess(const SortEntry& a, const SortEntry& b);

using EntryOrder = bool (*)(const SortEntry& a, const SortEntry& b);

class ExternalSorter {
  public:
    // More run files than this are merged in several passes, to keep open files and merge
    // buffers few.
    static constexpr int kMaxFanIn = 64;

    // Run files go to `scratchDir`; `memoryBytes` bounds the sort buffer and, later, the
    // merge buffers together. Entries come out in `order`.
    ExternalSorter(std::string scratchDir, std::size_t memoryBytes, int fanIn = kMaxFanIn,
                   EntryOrder order = EntryLess);
    ~ExternalSorter();
    ExternalSorter(const ExternalSorter&) = delete;
    ExternalSorter& operator=(const ExternalSorter&) = delete;

    bool Add(const SortEntry& entry);
    // Ends the input. Afterwards Next gives the entries in order.
    bool Finish();
    // False at the end, or on a read error (then Error() says which).
    bool Next(SortEntry& entry);

    const std::string& Error() const { return error; }
    std::int64_t Count() const { return count; }
    int RunsWritten() const { return runsWritten; }

  private:
    struct RunReader;
    bool Spill();
    bool MergeGroup(std::size_t begin, std::size_t end, const std::string& path);
    bool OpenReaders(const std::vector<std::string>& paths, std::size_t bufferBytes,
                     std::vector<std::unique_ptr<RunReader>>& readers);
    std::string RunPath();

    std::string scratchDir;
    std::size_t memoryBytes;
    EntryOrder order;
    // Sorters may share a scratch folder: their run files are told apart by this.
    int serial;
    static std::atomic<int> nextSerial;
    std::size_t fanIn;
    std::vector<SortEntry> buffer;
    std::size_t capacity;
    std::vector<std::string> runs;
    int runsWritten = 0;
    std::int64_t count = 0;
    std::string error;

    // Reading back: straight from the buffer when nothing was spilled, else by merging.
    bool merging = false;
    std::size_t next = 0;
    std::vector<std::unique_ptr<RunReader>> readers;
    std::vector<int> heap;  // indexes of readers, smallest current entry on top
};

}  // namespace disctool
