#include "disc_check.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_set>

#include "death_index.h"
#include "death_record.h"
#include "field_parsing.h"
#include "stdio_file.h"
#include "tree_file.h"

namespace disctool {

namespace fs = std::filesystem;

std::string FormatProblem(const CheckProblem& problem) {
    if (problem.offset < 0)
        return problem.file + ": " + problem.message;
    return problem.file + ": " + std::to_string(problem.offset) + ": " + problem.message;
}

namespace {

constexpr std::int64_t kRecordSize = sizeof(RawDeathRecord);
// No real list comes near this; a larger file is damage, not a list to read into memory.
constexpr std::int64_t kMaxListBytes = std::int64_t{64} << 20;
// Disorder in a damaged list is reported this often, then counted.
constexpr int kMaxListReports = 20;

// A key or name as it can be shown: padding dropped, bytes outside printable ASCII as \xNN.
std::string Shown(const char* bytes, std::size_t size) {
    std::size_t n = 0;
    while (n < size && bytes[n] != '\0')
        ++n;
    while (n > 0 && bytes[n - 1] == ' ')
        --n;
    return disctool::Shown(std::string_view(bytes, n));
}

std::string Range(std::int64_t first, std::int64_t count) {
    return "records " + std::to_string(first) + ".." + std::to_string(first + count - 1);
}

std::string DataFileName(std::int64_t number) {
    return "dp" + std::to_string(number) + ".car";
}

struct TreeRun {
    char key[kTreeKeySize + 1];  // NUL-terminated even when the stored key is not
    std::int32_t first;
    std::int32_t count;
    std::string tree;  // label of the tree file
    std::int64_t itemOffset;
};

struct FirstNameListImage {
    bool usable = false;
    std::vector<char> bytes;
    std::int64_t records = 0;
    bool IsFiller(std::int64_t i) const {
        return std::memchr(bytes.data() + i * kFirstNameRecordSize, '\0', kFirstNameRecordSize) !=
               nullptr;
    }
    // A record's first name is one the program's search can return.
    bool Findable(std::int64_t i) const {
        return i >= kFirstNameLeadingFillers && i <= records - kFirstNameTrailingFillers &&
               i < records && !IsFiller(i);
    }
};

class Inspector {
  public:
    Inspector(const DiscLocation (&discs)[2], const InspectOptions& options)
        : discs(discs), options(options) {}

    SetFacts Run() {
        for (int disc = 1; disc <= 2; ++disc) {
            if (!DiscFolderExists(disc))
                continue;
            CheckMarker(disc);
            ReadFirstNameList(disc);
            std::vector<TreeRun> runs;
            for (int p = disc == 1 ? 0 : 7; p <= (disc == 1 ? 7 : kPartitionCount - 1); ++p)
                WalkTree(disc, p, runs);
            std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
                return CompareKeys(a.key, b.key, kTreeKeySize + 1) < 0;
            });
            InventoryDataFiles(disc);
            CheckRuns(disc, runs);
            if (options.readRecords)
                CheckRecords(disc, runs);
            Count(disc, runs);
        }
        std::sort(facts.largest.begin(), facts.largest.end(),
                  [](const SurnameCount& a, const SurnameCount& b) { return a.count > b.count; });
        if (facts.largest.size() > 10)
            facts.largest.resize(10);
        return std::move(facts);
    }

  private:
    std::string Dir(int disc) const {
        std::string dir = discs[disc - 1].dir;
        if (!dir.empty() && dir.back() != '/')
            dir += '/';
        return dir;
    }
    std::string Label(int disc, const std::string& file) const {
        return discs[disc - 1].label + file;
    }
    void Problem(const std::string& file, std::int64_t offset, const std::string& message) {
        facts.problems.push_back({file, offset, message});
    }

    bool DiscFolderExists(int disc) {
        std::error_code ec;
        if (fs::is_directory(Dir(disc), ec))
            return true;
        Problem(discs[disc - 1].label.empty() ? Dir(disc) : discs[disc - 1].label, -1,
                "the folder of disc " + std::to_string(disc) + " is missing");
        return false;
    }

    void CheckMarker(int disc) {
        const std::string name = disc == 1 ? "disc1.id" : "disc2.id";
        std::error_code ec;
        if (!fs::exists(Dir(disc) + name, ec)) {
            Problem(Label(disc, name), -1,
                    "missing: the program asks for the disc and cannot find it");
        }
    }

    void ReadFirstNameList(int disc) {
        FirstNameListImage& list = lists[disc - 1];
        list = FirstNameListImage{};
        const std::string label = Label(disc, "fname.fst");
        FilePtr file = OpenFile((Dir(disc) + "fname.fst").c_str(), "rb");
        if (!file) {
            Problem(label, -1, "missing: searches by first name and the first-name column fail");
            return;
        }
        const std::int64_t size = StreamSize(file.get());
        if (size < 0 || size > kMaxListBytes) {
            Problem(label, -1, "is " + std::to_string(size) + " bytes, far more than a list");
            return;
        }
        if (size % kFirstNameRecordSize != 0) {
            Problem(label, size - size % kFirstNameRecordSize,
                    "ends with a partial record of " + std::to_string(size % kFirstNameRecordSize) +
                        " bytes");
        }
        list.records = size / kFirstNameRecordSize;
        list.bytes.resize(static_cast<std::size_t>(list.records * kFirstNameRecordSize));
        std::rewind(file.get());
        if (!list.bytes.empty() &&
            std::fread(list.bytes.data(), 1, list.bytes.size(), file.get()) != list.bytes.size()) {
            Problem(label, -1, "cannot be read");
            return;
        }
        const std::int64_t needed = kFirstNameLeadingFillers + kFirstNameTrailingFillers;
        if (list.records < needed) {
            Problem(label, -1,
                    "holds " + std::to_string(list.records) +
                        " records; the program needs at "
                        "least " +
                        std::to_string(needed) + " (11 fillers before the names, 10 after)");
            return;
        }
        list.usable = true;
        facts.disc[disc - 1].firstNames = 0;

        int reported = 0;
        std::int64_t unreported = 0;
        const auto report = [&](std::int64_t i, const std::string& message) {
            if (reported++ < kMaxListReports) {
                Problem(label, i * kFirstNameRecordSize, message);
            } else {
                ++unreported;
            }
        };
        char previous[kFirstNameRecordSize + 1] = {};
        for (std::int64_t i = 0; i < list.records; ++i) {
            char name[kFirstNameRecordSize + 1] = {};
            std::memcpy(name, list.bytes.data() + i * kFirstNameRecordSize, kFirstNameRecordSize);
            const bool filler = list.IsFiller(i);
            if (!filler)
                ++facts.disc[disc - 1].firstNames;
            if (i > 0) {
                const int order = CompareKeys(previous, name, kFirstNameRecordSize + 1);
                if (order > 0) {
                    report(i, "record " + std::to_string(i) + " " +
                                  Shown(name, kFirstNameRecordSize) +
                                  " sorts before the record "
                                  "above it; the list must be in byte order");
                } else if (order == 0 && !filler) {
                    report(i, "record " + std::to_string(i) + " " +
                                  Shown(name, kFirstNameRecordSize) +
                                  " repeats the record above it; records using it are never "
                                  "found by first name");
                }
            }
            const bool fillerPlace =
                i < kFirstNameLeadingFillers || i > list.records - kFirstNameTrailingFillers;
            if (fillerPlace && !filler) {
                report(i, "record " + std::to_string(i) + " " + Shown(name, kFirstNameRecordSize) +
                              " stands where a filler belongs; the program's search never "
                              "returns a name there");
            }
            std::memcpy(previous, name, sizeof previous);
        }
        if (unreported > 0) {
            Problem(label, -1, "and " + std::to_string(unreported) + " more records out of place");
        }
    }

    void WalkTree(int disc, int partition, std::vector<TreeRun>& runs) {
        const std::string name = "gst" + std::to_string(partition) + ".tre";
        const std::string label = Label(disc, name);
        FilePtr file = OpenFile((Dir(disc) + name).c_str(), "rb");
        if (!file) {
            Problem(label, -1,
                    "missing: no surname of partition " + std::to_string(partition) +
                        " can be found on this disc");
            return;
        }
        const std::int64_t size = StreamSize(file.get());
        if (size < kTreeHeaderSize + 1) {
            Problem(label, -1,
                    "is " + std::to_string(size) +
                        " bytes, too short for the header and the last byte 4");
            return;
        }
        unsigned char last = 0;
        unsigned char header[kTreeHeaderSize];
        if (std::fseek(file.get(), static_cast<long>(size - 1), SEEK_SET) != 0 ||
            std::fread(&last, 1, 1, file.get()) != 1 || std::fseek(file.get(), 0, SEEK_SET) != 0 ||
            std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
            Problem(label, -1, "cannot be read");
            return;
        }
        if (last != kTreeTrailer) {
            Problem(label, size - 1,
                    "the last byte is " + std::to_string(last) +
                        ", not 4: the program refuses the file (\"wrong file format!\") and ends");
        }
        const auto nodeFits = [&](std::int64_t offset) {
            return offset >= kTreeHeaderSize && offset + kTreeNodeSize <= size;
        };
        const std::int32_t root = static_cast<std::int32_t>(LoadLE32(header));
        const std::int32_t freeHead = static_cast<std::int32_t>(LoadLE32(header + 4));
        if (freeHead != kNoNode && !nodeFits(freeHead)) {
            Problem(label, 4,
                    "the free-list head " + std::to_string(freeHead) +
                        " is not the offset of a whole node in the file");
        }
        if (root == kNoNode)
            return;

        struct Frame {
            std::int32_t offset;
            int depth;
            std::int64_t referencedAt;  // where the offset was read
            std::string lower;          // keys the subtree must lie strictly between
            std::string upper;
            bool hasLower;
            bool hasUpper;
        };
        std::vector<Frame> stack{{root, 0, 0, "", "", false, false}};
        std::unordered_set<std::int32_t> visited;
        while (!stack.empty()) {
            const Frame frame = std::move(stack.back());
            stack.pop_back();
            if (!nodeFits(frame.offset)) {
                Problem(label, frame.referencedAt,
                        "node offset " + std::to_string(frame.offset) +
                            " does not name a whole node in the file");
                continue;
            }
            if (!visited.insert(frame.offset).second) {
                Problem(label, frame.referencedAt,
                        "node " + std::to_string(frame.offset) +
                            " is reached a second time (a cycle or a shared subtree)");
                continue;
            }
            if (frame.depth >= kTreeMaxDepth) {
                Problem(label, frame.offset,
                        "the tree is deeper than " + std::to_string(kTreeMaxDepth) +
                            " levels here; the program stops looking");
                continue;
            }
            unsigned char bytes[kTreeNodeSize];
            if (std::fseek(file.get(), frame.offset, SEEK_SET) != 0 ||
                std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes) {
                Problem(label, frame.offset, "the node cannot be read");
                continue;
            }
            TreeNode node;
            DecodeTreeNode(bytes, node);
            if (node.count < 1 || node.count > kTreeMaxItems) {
                Problem(label, frame.offset,
                        "node count " + std::to_string(node.count) +
                            " is outside 1..4; nothing below this node can be found");
                continue;
            }
            char keys[kTreeMaxItems][kTreeKeySize + 1];
            for (int i = 0; i < node.count; ++i) {
                const std::int64_t itemOffset = frame.offset + 4 + i * kTreeItemSize;
                CheckItem(disc, partition, label, itemOffset, node.items[i], keys[i], runs);
                if (i > 0 && CompareKeys(keys[i - 1], keys[i], kTreeKeySize + 1) >= 0) {
                    Problem(label, itemOffset + 8,
                            "key " + Shown(keys[i], kTreeKeySize) +
                                " does not come after the key before it in the node");
                }
                if (frame.hasLower &&
                    CompareKeys(keys[i], frame.lower.c_str(), kTreeKeySize + 1) <= 0) {
                    Problem(label, itemOffset + 8,
                            "key " + Shown(keys[i], kTreeKeySize) +
                                " lies below its subtree's "
                                "range (not after " +
                                Shown(frame.lower.c_str(), kTreeKeySize) + ")");
                }
                if (frame.hasUpper &&
                    CompareKeys(keys[i], frame.upper.c_str(), kTreeKeySize + 1) >= 0) {
                    Problem(label, itemOffset + 8,
                            "key " + Shown(keys[i], kTreeKeySize) +
                                " lies above its subtree's "
                                "range (not before " +
                                Shown(frame.upper.c_str(), kTreeKeySize) + ")");
                }
            }
            for (int i = node.count; i >= 0; --i) {
                if (node.child[i] == kNoNode)
                    continue;
                Frame child{node.child[i], frame.depth + 1, frame.offset + 100 + 4 * i,
                            frame.lower,   frame.upper,     frame.hasLower,
                            frame.hasUpper};
                if (i > 0) {
                    child.lower = keys[i - 1];
                    child.hasLower = true;
                }
                if (i < node.count) {
                    child.upper = keys[i];
                    child.hasUpper = true;
                }
                stack.push_back(std::move(child));
            }
        }
    }

    void CheckItem(int disc, int partition, const std::string& label, std::int64_t itemOffset,
                   const TreeItem& item, char (&key)[kTreeKeySize + 1],
                   std::vector<TreeRun>& runs) {
        std::memcpy(key, item.key, kTreeKeySize);
        key[kTreeKeySize] = '\0';
        const std::size_t length = std::strlen(key);
        const std::int64_t keyOffset = itemOffset + 8;
        if (length == kTreeKeySize) {
            Problem(label, keyOffset,
                    "key " + Shown(key, kTreeKeySize) + " has no terminating NUL");
        } else if (length != kKeyLength) {
            Problem(label, keyOffset,
                    "key " + Shown(key, kTreeKeySize) + " is " + std::to_string(length) +
                        " bytes; searches use 12, so it is never found");
        }
        const int keyPartition = CDeathIndex::PartitionOf(key);
        if (keyPartition != partition) {
            Problem(label, keyOffset,
                    "key " + Shown(key, kTreeKeySize) + " belongs to partition " +
                        std::to_string(keyPartition) + " (gst" + std::to_string(keyPartition) +
                        ".tre), so it is never looked for here");
        }
        const int keyDisc = CDeathIndex::DiscOf(key);
        if (keyDisc != disc) {
            Problem(label, keyOffset,
                    "key " + Shown(key, kTreeKeySize) + " belongs on disc " +
                        std::to_string(keyDisc) + ", so it is never looked for here");
        }
        TreeRun run;
        std::memcpy(run.key, key, sizeof run.key);
        run.first = item.first;
        run.count = item.count;
        run.tree = label;
        run.itemOffset = itemOffset;
        runs.push_back(std::move(run));
    }

    // Data files present on the disc, and what is wrong with their size.
    void InventoryDataFiles(int disc) {
        DiscFacts& d = facts.disc[disc - 1];
        std::error_code ec;
        fileSizes[disc - 1].clear();
        for (const fs::directory_entry& entry : fs::directory_iterator(Dir(disc), ec)) {
            if (!entry.is_regular_file(ec))
                continue;
            const std::int64_t size = static_cast<std::int64_t>(entry.file_size(ec));
            d.bytes += size;
            const std::string name = entry.path().filename().string();
            if (name.size() < 7 || name.compare(0, 2, "dp") != 0 ||
                name.compare(name.size() - 4, 4, ".car") != 0)
                continue;
            const std::string digits = name.substr(2, name.size() - 6);
            if (digits.empty() || digits.size() > 6 || digits[0] == '0' ||
                !std::all_of(digits.begin(), digits.end(),
                             [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            const int number = std::stoi(digits);
            fileSizes[disc - 1].push_back({number, size});
            ++d.dataFiles;
            d.firstFile = d.firstFile == 0 ? number : std::min(d.firstFile, number);
            d.lastFile = std::max(d.lastFile, number);
            const std::string label = Label(disc, name);
            if (size % kRecordSize != 0) {
                Problem(label, size - size % kRecordSize,
                        "ends with a partial record of " + std::to_string(size % kRecordSize) +
                            " bytes");
            }
            if (size > kLastFilePosition * kRecordSize) {
                Problem(label, kLastFilePosition * kRecordSize,
                        "holds more than 1,000,000 records; the program never reads past record "
                        "999,999 of a file");
            }
        }
        std::sort(fileSizes[disc - 1].begin(), fileSizes[disc - 1].end());
    }

    // Size of data file `number` on the disc, or -1 when it is not there.
    std::int64_t DataFileSize(int disc, std::int64_t number) const {
        const auto& sizes = fileSizes[disc - 1];
        const auto it = std::lower_bound(
            sizes.begin(), sizes.end(), std::pair<int, std::int64_t>{static_cast<int>(number), -1});
        return it != sizes.end() && it->first == number ? it->second : -1;
    }

    // Each run is a valid range inside one existing data file, and runs ascend with their keys.
    void CheckRuns(int disc, std::vector<TreeRun>& runs) {
        std::int64_t previousEnd = -1;
        std::string previousRun;  // "the run of KEY (records a..b)" of the run before
        for (TreeRun& run : runs) {
            const std::string what = "the run of " + Shown(run.key, kTreeKeySize) + " (";
            if (run.count < 1 || run.first < 0 ||
                std::int64_t{run.first} + run.count - 1 > INT_MAX) {
                Problem(run.tree, run.itemOffset,
                        what + "first " + std::to_string(run.first) + ", count " +
                            std::to_string(run.count) + ") is not a range of records");
                run.count = 0;  // not read below
                continue;
            }
            const std::int64_t first = run.first;
            const std::int64_t last = first + run.count - 1;
            const std::string range = what + Range(first, run.count) + ")";
            const std::int64_t file = first / kRecordsPerFile + 1;
            const std::int64_t lastFile = last / kRecordsPerFile + 1;
            const std::int64_t lastPosition = last % kRecordsPerFile;
            bool readable = true;
            if (file != lastFile) {
                Problem(run.tree, run.itemOffset,
                        range + " crosses from " + DataFileName(file) + " into " +
                            DataFileName(lastFile));
                readable = false;
            } else if (lastPosition == kLastFilePosition) {
                Problem(run.tree, run.itemOffset,
                        range + " reaches position 1,000,000 of " + DataFileName(file) +
                            ", which the program reads from the next file");
                readable = false;
            } else {
                const std::int64_t size = DataFileSize(disc, file);
                if (size < 0) {
                    Problem(run.tree, run.itemOffset,
                            range + " is in " + DataFileName(file) + ", which is not on disc " +
                                std::to_string(disc) +
                                " (the program stops: \"Missing Data File\")");
                    readable = false;
                } else if (size < (lastPosition + 1) * kRecordSize) {
                    Problem(run.tree, run.itemOffset,
                            range + " needs " + std::to_string(lastPosition + 1) + " records of " +
                                DataFileName(file) + ", which holds " +
                                std::to_string(size / kRecordSize));
                    readable = false;
                }
            }
            if (!previousRun.empty() && first < previousEnd) {
                Problem(run.tree, run.itemOffset,
                        range + " does not come after " + previousRun +
                            "; runs must ascend with their keys and not overlap");
            }
            previousEnd = std::max(previousEnd, last + 1);
            previousRun = range;
            if (!readable)
                run.count = -run.count;  // keeps the count for the facts, marks it unread
        }
    }

    // Within each run, first-name indexes ascend and name entries of the list.
    void CheckRecords(int disc, const std::vector<TreeRun>& runs) {
        const FirstNameListImage& list = lists[disc - 1];
        FilePtr file;
        std::int64_t openNumber = -1;
        std::vector<RawDeathRecord> block(4096);
        for (const TreeRun& run : runs) {
            if (run.count <= 0)
                continue;
            if (options.stop.Requested())
                return;
            const std::int64_t number = run.first / kRecordsPerFile + 1;
            const std::int64_t position = run.first % kRecordsPerFile;
            const std::string label = Label(disc, DataFileName(number));
            if (number != openNumber) {
                file = OpenFile((Dir(disc) + DataFileName(number)).c_str(), "rb");
                openNumber = number;
            }
            if (!file ||
                std::fseek(file.get(), static_cast<long>(position * kRecordSize), SEEK_SET) != 0) {
                Problem(label, position * kRecordSize, "cannot be read");
                continue;
            }
            int previousIndex = -1;
            std::int64_t unsorted = 0;
            std::int64_t outside = 0;
            std::int64_t firstUnsorted = -1;
            std::int64_t firstOutside = -1;
            int outsideIndex = 0;
            for (std::int64_t done = 0; done < run.count;) {
                const std::size_t want = static_cast<std::size_t>(
                    std::min<std::int64_t>(run.count - done, block.size()));
                if (std::fread(block.data(), sizeof(RawDeathRecord), want, file.get()) != want) {
                    Problem(label, (position + done) * kRecordSize, "cannot be read");
                    break;
                }
                for (std::size_t i = 0; i < want; ++i) {
                    const int index = FirstNameIndex(block[i]);
                    const std::int64_t at =
                        (position + done + static_cast<std::int64_t>(i)) * kRecordSize;
                    if (index < previousIndex && unsorted++ == 0)
                        firstUnsorted = at;
                    if (list.usable && !list.Findable(index) && outside++ == 0) {
                        firstOutside = at;
                        outsideIndex = index;
                    }
                    previousIndex = index;
                }
                done += static_cast<std::int64_t>(want);
                checked += static_cast<std::int64_t>(want);
                if (options.progress != nullptr)
                    options.progress->Update("records checked", checked, -1);
            }
            const std::string whose = " of " + Shown(run.key, kTreeKeySize);
            const auto more = [](std::int64_t n) {
                return n > 1 ? " (and " + std::to_string(n - 1) + " more in this run)"
                             : std::string();
            };
            if (unsorted > 0) {
                Problem(label, firstUnsorted,
                        "a record" + whose +
                            " has a first-name index below the record before it; a run must be "
                            "sorted by first name" +
                            more(unsorted));
            }
            if (outside > 0) {
                Problem(label, firstOutside,
                        "a record" + whose + " has first-name index " +
                            std::to_string(outsideIndex) + ", which is not a name of fname.fst" +
                            more(outside));
            }
        }
    }

    void Count(int disc, const std::vector<TreeRun>& runs) {
        DiscFacts& d = facts.disc[disc - 1];
        for (const TreeRun& run : runs) {
            const std::int32_t count = run.count < 0 ? -run.count : run.count;
            d.records += count;
            ++d.surnames;
            if (count < 5)
                ++facts.smallSurnames;
            std::string key = run.key;
            key.erase(key.find_last_not_of(' ') + 1);
            facts.largest.push_back({key, count});
            if (facts.largest.size() > 64) {
                std::sort(
                    facts.largest.begin(), facts.largest.end(),
                    [](const SurnameCount& a, const SurnameCount& b) { return a.count > b.count; });
                facts.largest.resize(10);
            }
        }
    }

    const DiscLocation (&discs)[2];
    const InspectOptions& options;
    SetFacts facts;
    FirstNameListImage lists[2];
    std::vector<std::pair<int, std::int64_t>> fileSizes[2];
    std::int64_t checked = 0;
};

}  // namespace

SetFacts InspectDiscSet(const DiscLocation& disc1, const DiscLocation& disc2,
                        const InspectOptions& options) {
    const DiscLocation discs[2] = {disc1, disc2};
    SetFacts facts = Inspector(discs, options).Run();
    if (options.progress != nullptr)
        options.progress->Clear();
    return facts;
}

}  // namespace disctool
