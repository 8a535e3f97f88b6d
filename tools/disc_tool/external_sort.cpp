#include "external_sort.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "stdio_file.h"

namespace disctool {

namespace fs = std::filesystem;

std::atomic<int> ExternalSorter::nextSerial{0};

void SetSequence(SortEntry& entry, std::uint64_t sequence) {
    for (int i = 7; i >= 0; --i) {
        entry.sequence[i] = static_cast<unsigned char>(sequence);
        sequence >>= 8;
    }
}

std::uint64_t Sequence(const SortEntry& entry) {
    std::uint64_t sequence = 0;
    for (unsigned char byte : entry.sequence)
        sequence = sequence << 8 | byte;
    return sequence;
}

bool EntryLess(const SortEntry& a, const SortEntry& b) {
    // Keys and names hold no NUL, so byte order is the program's key order.
    if (const int c = std::memcmp(a.key, b.key, sizeof a.key); c != 0)
        return c < 0;
    if (const int c = std::memcmp(a.firstName, b.firstName, sizeof a.firstName); c != 0)
        return c < 0;
    return std::memcmp(a.sequence, b.sequence, sizeof a.sequence) < 0;
}

// A run file read through a buffer of whole entries.
struct ExternalSorter::RunReader {
    FilePtr file;
    std::vector<SortEntry> block;
    std::size_t pos = 0;
    std::size_t end = 0;
    bool failed = false;

    // Makes `Current()` the next entry; false at the end of the run or on a read error.
    bool Advance() {
        if (++pos < end)
            return true;
        end = std::fread(block.data(), sizeof(SortEntry), block.size(), file.get());
        pos = 0;
        if (end == 0)
            failed = std::ferror(file.get()) != 0;
        return end > 0;
    }
    const SortEntry& Current() const { return block[pos]; }
};

ExternalSorter::ExternalSorter(std::string dir, std::size_t memory, int maxFanIn,
                               EntryOrder entryOrder)
    : scratchDir(std::move(dir)),
      memoryBytes(std::max<std::size_t>(memory, 64 << 10)),
      order(entryOrder),
      serial(nextSerial++),
      fanIn(static_cast<std::size_t>(std::max(maxFanIn, 2))) {
    capacity = memoryBytes / sizeof(SortEntry);
    // Reserved once: growing by doubling would briefly need three times the buffer. Pages
    // not yet written take no memory.
    buffer.reserve(capacity);
}

ExternalSorter::~ExternalSorter() {
    readers.clear();
    std::error_code ec;
    for (const std::string& run : runs)
        fs::remove(run, ec);
}

std::string ExternalSorter::RunPath() {
    return (fs::path(scratchDir) /
            ("sort" + std::to_string(serial) + "-run" + std::to_string(runsWritten++) + ".bin"))
        .string();
}

bool ExternalSorter::Add(const SortEntry& entry) {
    if (!error.empty())
        return false;
    if (buffer.size() >= capacity && !Spill())
        return false;
    buffer.push_back(entry);
    ++count;
    return true;
}

bool ExternalSorter::Spill() {
    std::sort(buffer.begin(), buffer.end(), order);
    const std::string path = RunPath();
    FilePtr file = OpenFile(path.c_str(), "wb");
    if (!file ||
        std::fwrite(buffer.data(), sizeof(SortEntry), buffer.size(), file.get()) != buffer.size() ||
        std::fflush(file.get()) != 0) {
        error = "cannot write the sort file " + path + " (is the disk full?)";
        return false;
    }
    runs.push_back(path);
    buffer.clear();
    return true;
}

bool ExternalSorter::OpenReaders(const std::vector<std::string>& paths, std::size_t bufferBytes,
                                 std::vector<std::unique_ptr<RunReader>>& out) {
    const std::size_t entries = std::max<std::size_t>(bufferBytes / sizeof(SortEntry), 256);
    out.clear();
    for (const std::string& path : paths) {
        auto reader = std::make_unique<RunReader>();
        reader->file = OpenFile(path.c_str(), "rb");
        if (!reader->file) {
            error = "cannot read the sort file " + path;
            return false;
        }
        reader->block.resize(entries);
        reader->pos = entries;  // so the first Advance reads a block
        reader->end = entries;
        out.push_back(std::move(reader));
    }
    return true;
}

namespace {

// Orders reader indexes so that the smallest current entry is on top of a std heap.
template <typename Readers>
auto HeapOrder(const Readers& readers, EntryOrder order) {
    return [&readers, order](int a, int b) {
        return order(readers[b]->Current(), readers[a]->Current());
    };
}

}  // namespace

bool ExternalSorter::MergeGroup(std::size_t begin, std::size_t end, const std::string& path) {
    std::vector<std::unique_ptr<RunReader>> group;
    const std::vector<std::string> paths(runs.begin() + begin, runs.begin() + end);
    if (!OpenReaders(paths, memoryBytes / (paths.size() + 1), group))
        return false;
    FilePtr out = OpenFile(path.c_str(), "wb");
    if (!out) {
        error = "cannot write the sort file " + path;
        return false;
    }
    std::vector<int> live;
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (group[i]->Advance())
            live.push_back(static_cast<int>(i));
    }
    const auto less = HeapOrder(group, order);
    std::make_heap(live.begin(), live.end(), less);
    std::vector<SortEntry> outBlock;
    outBlock.reserve(
        std::max<std::size_t>(memoryBytes / (paths.size() + 1) / sizeof(SortEntry), 256));
    const auto flush = [&] {
        const bool ok = std::fwrite(outBlock.data(), sizeof(SortEntry), outBlock.size(),
                                    out.get()) == outBlock.size();
        outBlock.clear();
        return ok;
    };
    while (!live.empty()) {
        std::pop_heap(live.begin(), live.end(), less);
        RunReader& reader = *group[live.back()];
        outBlock.push_back(reader.Current());
        if (reader.Advance()) {
            std::push_heap(live.begin(), live.end(), less);
        } else {
            live.pop_back();
        }
        if (outBlock.size() == outBlock.capacity() && !flush())
            break;
    }
    for (const auto& reader : group) {
        if (reader->failed) {
            error = "cannot read a sort file";
            return false;
        }
    }
    if (!flush() || std::fflush(out.get()) != 0) {
        error = "cannot write the sort file " + path + " (is the disk full?)";
        return false;
    }
    group.clear();
    std::error_code ec;
    for (const std::string& used : paths)
        fs::remove(used, ec);
    return true;
}

bool ExternalSorter::Finish() {
    if (!error.empty())
        return false;
    if (runs.empty()) {
        std::sort(buffer.begin(), buffer.end(), order);
        next = 0;
        return true;
    }
    if (!buffer.empty() && !Spill())
        return false;
    std::vector<SortEntry>().swap(buffer);

    // Merge passes until one last merge can take every run at once.
    while (runs.size() > fanIn) {
        std::vector<std::string> merged;
        for (std::size_t begin = 0; begin < runs.size(); begin += fanIn) {
            const std::size_t end = std::min(runs.size(), begin + fanIn);
            const std::string path = RunPath();
            if (!MergeGroup(begin, end, path))
                return false;
            merged.push_back(path);
        }
        runs = merged;
    }

    if (!OpenReaders(runs, memoryBytes / (runs.size() + 1), readers))
        return false;
    heap.clear();
    for (std::size_t i = 0; i < readers.size(); ++i) {
        if (readers[i]->Advance())
            heap.push_back(static_cast<int>(i));
    }
    std::make_heap(heap.begin(), heap.end(), HeapOrder(readers, order));
    merging = true;
    return true;
}

bool ExternalSorter::Next(SortEntry& entry) {
    if (!merging) {
        if (next >= buffer.size())
            return false;
        entry = buffer[next++];
        return true;
    }
    if (heap.empty()) {
        for (const auto& reader : readers) {
            if (reader->failed && error.empty())
                error = "cannot read a sort file";
        }
        return false;
    }
    const auto less = HeapOrder(readers, order);
    std::pop_heap(heap.begin(), heap.end(), less);
    RunReader& reader = *readers[heap.back()];
    entry = reader.Current();
    if (reader.Advance()) {
        std::push_heap(heap.begin(), heap.end(), less);
    } else {
        heap.pop_back();
    }
    return true;
}

}  // namespace disctool
