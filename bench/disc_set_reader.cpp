#include "disc_set_reader.h"

#include <algorithm>
#include <cstring>

#include "tree_file.h"

namespace bench {

namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    FilePtr file = OpenFile(path.c_str(), "rb");
    if (!file)
        return false;
    const long size = StreamSize(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    return bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

}  // namespace

bool DiscSet::Open(const std::string& dir, std::string& error) {
    const std::string root = WithSlash(dir);
    discDirs[0] = root + "disc1/";
    discDirs[1] = root + "disc2/";
    programDir = root + "program/";
    runs.clear();
    for (int disc = 1; disc <= 2; ++disc) {
        if (!ReadFirstNames(disc, error) || !ReadTrees(disc, error))
            return false;
    }
    std::sort(runs.begin(), runs.end(),
              [](const SurnameRun& a, const SurnameRun& b) { return a.first < b.first; });
    records = 0;
    runEnds.clear();
    runEnds.reserve(runs.size());
    std::int64_t previousEnd = 0;
    for (const SurnameRun& run : runs) {
        // Loading and drawing queries both rely on runs that do not overlap.
        if (run.first < previousEnd) {
            error = "runs overlap at surname " + std::string(run.key);
            return false;
        }
        previousEnd = std::int64_t{run.first} + run.count;
        runEnds.push_back(previousEnd);
        records += run.count;
    }
    if (runs.empty()) {
        error = "no surnames in " + dir;
        return false;
    }
    return true;
}

bool DiscSet::ReadFirstNames(int disc, std::string& error) {
    std::vector<unsigned char> bytes;
    const std::string path = DiscDir(disc) + "fname.fst";
    if (!ReadWholeFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    firstNames[disc - 1].assign(bytes.begin(), bytes.end());
    return true;
}

bool DiscSet::ReadTrees(int disc, std::string& error) {
    for (int partition = 0; partition < kPartitionCount; ++partition) {
        const std::string path = DiscDir(disc) + "gst" + std::to_string(partition) + ".tre";
        std::vector<unsigned char> bytes;
        if (!ReadWholeFile(path, bytes))
            continue;  // each disc holds only its own partitions
        if (bytes.size() < kTreeHeaderSize + 1) {
            error = path + " is too short for a tree";
            return false;
        }
        // Depth-first over every node; the stack bounds the walk even in a damaged file.
        std::vector<std::int32_t> pending{static_cast<std::int32_t>(LoadLE32(bytes.data()))};
        std::size_t visited = 0;
        while (!pending.empty()) {
            const std::int32_t offset = pending.back();
            pending.pop_back();
            if (offset == kNoNode)
                continue;
            if (offset < kTreeHeaderSize ||
                static_cast<std::size_t>(offset) + kTreeNodeSize > bytes.size() ||
                ++visited > bytes.size() / kTreeNodeSize) {
                error = path + ": node offset " + std::to_string(offset) + " is not a node";
                return false;
            }
            unsigned char raw[kTreeNodeSize];
            std::memcpy(raw, bytes.data() + offset, sizeof raw);
            TreeNode node;
            DecodeTreeNode(raw, node);
            if (node.count < 1 || node.count > kTreeMaxItems) {
                error = path + ": node at " + std::to_string(offset) + " has a bad count";
                return false;
            }
            for (int i = 0; i < node.count; ++i) {
                const TreeItem& item = node.items[i];
                if (item.count <= 0)
                    continue;
                SurnameRun run{};
                std::memcpy(run.key, item.key, kKeyLength);
                run.key[kKeyLength] = '\0';
                for (int end = kKeyLength - 1; end >= 0 && run.key[end] == ' '; --end)
                    run.key[end] = '\0';
                run.disc = disc;
                run.first = item.first;
                run.count = item.count;
                // A run that crosses data files cannot be read by position in one file.
                if (run.first < 0 ||
                    run.first / kRecordsPerFile !=
                        (std::int64_t{run.first} + run.count - 1) / kRecordsPerFile) {
                    error = path + ": the run of " + run.key + " is not inside one data file";
                    return false;
                }
                runs.push_back(run);
            }
            for (int i = 0; i <= node.count; ++i)
                pending.push_back(node.child[i]);
        }
    }
    return true;
}

const SurnameRun* DiscSet::RunOf(std::int64_t n) const {
    const auto it = std::upper_bound(runEnds.begin(), runEnds.end(), n);
    if (it == runEnds.end())
        return nullptr;
    const SurnameRun& run = runs[static_cast<std::size_t>(it - runEnds.begin())];
    return n >= run.first ? &run : nullptr;
}

const SurnameRun* DiscSet::FindRun(const std::string& key) const {
    for (const SurnameRun& run : runs) {
        if (key == run.key)
            return &run;
    }
    return nullptr;
}

std::string DiscSet::FirstName(int disc, int index) const {
    const std::vector<char>& list = firstNames[disc - 1];
    const std::size_t at = static_cast<std::size_t>(index) * kFirstNameRecordSize;
    if (index < 0 || at + kFirstNameRecordSize > list.size())
        return "";
    std::string name(list.data() + at, kFirstNameRecordSize);
    name.erase(name.find_last_not_of(' ') + 1);  // npos + 1 clears an all-blank name
    const std::size_t nul = name.find('\0');
    if (nul != std::string::npos)
        name.resize(nul);  // list fillers
    return name;
}

bool RecordReader::Read(int disc, std::int32_t first, std::int32_t n, RawDeathRecord* out) {
    const int number = static_cast<int>(first / kRecordsPerFile + 1);
    const long offset = static_cast<long>(first % kRecordsPerFile) * sizeof(RawDeathRecord);
    if (disc != fileDisc || number != fileNumber || !file) {
        const std::string path = set.DiscDir(disc) + "dp" + std::to_string(number) + ".car";
        file = OpenFile(path.c_str(), "rb");
        fileDisc = disc;
        fileNumber = number;
        nextOffset = -1;
        if (!file)
            return false;
        std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
    }
    if (offset != nextOffset && std::fseek(file.get(), offset, SEEK_SET) != 0) {
        nextOffset = -1;
        return false;
    }
    const std::size_t got =
        std::fread(out, sizeof(RawDeathRecord), static_cast<std::size_t>(n), file.get());
    nextOffset = offset + static_cast<long>(got * sizeof(RawDeathRecord));
    return got == static_cast<std::size_t>(n);
}

}  // namespace bench
