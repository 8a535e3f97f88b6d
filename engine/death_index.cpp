#include "death_index.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "disc.h"
#include "first_names.h"
#include "result_set.h"
#include "search_criteria.h"
#include "tree_file.h"

const char* const PartitionKeys[kPartitionCount] = {
    "A           ", "BERVALDS    ", "CEDARHALM   ", "DELOSADA    ", "FICARETTA   ",
    "GUDUKOWSKI  ", "JOHNGARLO   ", "KUTNOWSKY   ", "MARGOO      ", "NATSEEWAY   ",
    "PILLOISE    ", "ROUVALDT    ", "SKABAR      ", "THUILOT     ", "WANICH      ",
};

int g_nCurrentDisc = 1;

CDeathIndex::CDeathIndex() = default;

CDeathIndex::~CDeathIndex() {
    CloseAll();
}

void CDeathIndex::MakeSurnameKey(const char* surname, char (&key)[kKeyLength + 1]) {
    // Left-justified and blank-padded to 12, then upper-cased. Longer surnames never get here
    // (the criteria refuse them); they are cut rather than overrun the key.
    std::size_t i = 0;
    for (; i < kKeyLength && surname[i] != '\0'; ++i)
        key[i] = UpperAscii(surname[i]);
    for (; i < kKeyLength; ++i)
        key[i] = ' ';
    key[kKeyLength] = '\0';
}

int CDeathIndex::PartitionOf(const char* key) {
    int count = 0;
    for (const char* partitionKey : PartitionKeys) {
        if (CompareKeys(key, partitionKey) < 0)
            break;
        ++count;
    }
    return std::max(count - 1, 0);
}

int CDeathIndex::DiscOf(const char* key) {
    return CompareKeys(key, kDiscSplitKey) > 0 ? 2 : 1;
}

void CDeathIndex::Drop(DiscFiles& disc) {
    if (probeBlocks) {
        for (int i = 0; i < kProbeBlocks; ++i) {
            if (probeBlocks[i].disc == &disc)
                probeBlocks[i].disc = nullptr;
        }
    }
    probeEnd = -1;
    disc.open = false;
    disc.markerKnown = false;
    disc.dir[0] = '\0';
    disc.firstNames.reset();
    disc.nameCount = -1;
    disc.pieces.reset();
    for (std::unique_ptr<CTreeFile>& tree : disc.trees)
        tree.reset();
    disc.dataFile.reset();
    disc.dataFileNumber = -1;
    disc.dataFileSize = -1;
}

void CDeathIndex::ForgetWindow() {
    streamOffset = -1;
    windowStart = -1;
    windowBytes = 0;
    probeEnd = -1;
}

void CDeathIndex::MakeCurrent(DiscFiles& disc) {
    if (files != &disc) {
        // The window and the stream position belong to the other disc's data file.
        ForgetWindow();
        files = &disc;
    }
}

bool CDeathIndex::FindMarker(int disc, bool afresh) {
    DiscFiles& kept = discs[disc == 1 ? 0 : 1];
    const DiscMarker found = LocateDisc(disc, kept.open && kept.markerKnown ? kept.dir : nullptr,
                                        kept.open && kept.markerKnown ? &kept.marker : nullptr);
    if (found.dir == nullptr)
        return false;
    MakeCurrent(kept);
    const bool same = kept.open && std::strcmp(kept.dir, found.dir) == 0 && found.identityKnown &&
                      kept.markerKnown && found.identity == kept.marker;
    // A marker the host cannot identify may be another disc's: a search then opens everything
    // afresh, a check before reading keeps what the search opened.
    if (!same && (afresh || found.identityKnown || !kept.open))
        OpenDiscFiles(found.dir, found.identityKnown, found.identity);
    // Read the disc where its marker is: that is where the user put it.
    if (std::strcmp(discDir, found.dir) != 0)
        std::snprintf(discDir, sizeof discDir, "%s", found.dir);
    return true;
}

bool CDeathIndex::EnsureDisc(int disc) {
    while (!FindMarker(disc, /*afresh=*/false)) {
        // Nothing stays open while the user changes discs: a drive holding open files may
        // refuse to give its disc up.
        CloseAll();
        if (PromptForDisc(disc) != IDOK)
            return false;
    }
    return true;
}

void CDeathIndex::OpenDiscFiles(const char* dir, bool markerKnown, const FileIdentity& marker) {
    DiscFiles& disc = *files;
    tree = nullptr;
    unkeptTree.reset();
    Drop(disc);
    ForgetWindow();
    ForgetCachedFirstName();
    // A folder holds one disc: what another disc kept there is gone with it.
    DiscFiles& other = &disc == &discs[0] ? discs[1] : discs[0];
    if (other.open && std::strcmp(other.dir, dir) == 0)
        Drop(other);
    std::snprintf(disc.dir, sizeof disc.dir, "%s", dir);
    disc.open = true;
    disc.markerKnown = markerKnown;
    disc.marker = marker;

    char path[kMaxPath];
    if (FormatPath(path, "%sfname.fst", dir))
        disc.firstNames = OpenFile(path, "r");
    if (disc.firstNames) {
        std::setvbuf(disc.firstNames.get(), nullptr, _IONBF, 0);  // read through the pieces
        const long size = StreamSize(disc.firstNames.get());
        if (size >= 0 && size / kFirstNameRecordSize <= INT_MAX)
            disc.nameCount = static_cast<int>(size / kFirstNameRecordSize);
        disc.pieces = std::make_unique<NamePiece[]>(kNamePieces);
    }
}

CTreeFile* CDeathIndex::TreeFor(int partition, bool wrongFormatIsFatal,
                                std::unique_ptr<CTreeFile>& unkept) {
    unkept.reset();
    std::unique_ptr<CTreeFile>& kept = files->trees[partition];
    if (kept)
        return kept.get();
    char path[kMaxPath];
    // An over-long directory names no file; the tree then reads as missing.
    if (!FormatPath(path, "%sgst%d.tre", files->dir, partition))
        path[0] = '\0';
    auto opened = std::make_unique<CTreeFile>(path, wrongFormatIsFatal);
    treeNodeReads += opened->NodeReads();
    // A tree that did not open as one is opened again by the next search that needs it, and
    // reported again.
    std::unique_ptr<CTreeFile>& holder = opened->State() == TreeFileState::kOpen ? kept : unkept;
    holder = std::move(opened);
    return holder.get();
}

bool CDeathIndex::OpenIndexFor(const char* key) {
    const int partition = PartitionOf(key);
    g_nCurrentDisc = DiscOf(key);
    tree = nullptr;
    unkeptTree.reset();
    // The one-name cache of list lines may hold the other disc's name at that position.
    ForgetCachedFirstName();
    while (!FindMarker(g_nCurrentDisc, /*afresh=*/true)) {
        CloseAll();
        if (PromptForDisc(g_nCurrentDisc) != IDOK)
            return false;
    }
    treePartition = partition;
    tree = TreeFor(partition, /*wrongFormatIsFatal=*/true, unkeptTree);
    return true;
}

bool CDeathIndex::ConfirmHit() {
    if (criteria->firstRecord == -1)
        return false;
    return EnsureDisc(g_nCurrentDisc);
}

void CDeathIndex::Search(CSearchCriteria* query) {
    criteria = query;
    criteria->firstRecord = -1;
    dataShort = false;
    namesReadable = false;
    namesReported = false;
    recordReads = 0;
    treeNodeReads = 0;
    results->Reset();

    char key[kKeyLength + 1];
    MakeSurnameKey(criteria->surname, key);
    if (!OpenIndexFor(key))
        return;

    TreeEdges edges;
    const long readsBefore = tree->NodeReads();
    const TreeLookup lookup =
        tree->Lookup(key, criteria->firstRecord, criteria->recordCount, &edges);
    treeNodeReads += tree->NodeReads() - readsBefore;
    bool usable = true;
    switch (tree->State()) {
        case TreeFileState::kMissing:
            ReportTree("is missing from this disc");
            usable = false;
            break;
        case TreeFileState::kUnreadable:
            ReportTree("on this disc cannot be read");
            usable = false;
            break;
        case TreeFileState::kWrongFormat:  // already told, and fatal outside tests
            usable = false;
            break;
        case TreeFileState::kOpen:
            if (lookup == TreeLookup::kDamaged ||
                (lookup == TreeLookup::kFound &&
                 !RunFitsPartition(edges, criteria->firstRecord, criteria->recordCount))) {
                ReportTree("on this disc is damaged");
                usable = false;
            }
            break;
    }
    if (!usable) {
        // Nothing this tree says about the surname can be trusted.
        criteria->firstRecord = -1;
        criteria->recordCount = 0;
        return;
    }
    if (!ConfirmHit())
        return;
    if (!RunIsOnDisc(criteria->firstRecord, criteria->recordCount))
        return;

    results->SetRange(criteria->firstRecord, criteria->recordCount);
    results->SetSurname(key);
    RunFilter(*criteria);
}

void CDeathIndex::ReportTree(const char* problem) {
    char text[240];
    std::snprintf(text, sizeof text,
                  "The surname index gst%d.tre %s, so the records of this surname cannot be "
                  "found.\n\nThe disc may be damaged or incomplete.",
                  treePartition, problem);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

bool CDeathIndex::NeighbourEdge(int partition, bool last, std::int64_t& first, std::int64_t& end) {
    // Only consulted: its own damage is reported when its own surnames are searched.
    std::unique_ptr<CTreeFile> unkept;
    CTreeFile& neighbour = *TreeFor(partition, /*wrongFormatIsFatal=*/false, unkept);
    TreeItem item{};
    const long readsBefore = neighbour.NodeReads();
    const bool found = neighbour.EdgeRun(last, item) == TreeLookup::kFound;
    treeNodeReads += neighbour.NodeReads() - readsBefore;
    first = item.first;
    end = std::int64_t{item.first} + item.count;
    return found;
}

bool CDeathIndex::RunFitsPartition(const TreeEdges& edges, std::int32_t first, std::int32_t count) {
    // Runs ascend with their keys over the whole disc, so a run at its tree's edge must end
    // before the next partition's first run and begin after the previous partition's last.
    // A neighbouring partition that is empty or cannot say is passed over for the next one out;
    // past the disc's outermost partition the data files' own start and end bound the run
    // (RunIsOnDisc checks the end). Partition 7 is on both discs, each with its own tree.
    const int lowest = g_nCurrentDisc == 1 ? 0 : kStraddlingPartition;
    const int highest = g_nCurrentDisc == 1 ? kStraddlingPartition : kPartitionCount - 1;
    std::int64_t edgeFirst = 0;
    std::int64_t edgeEnd = 0;
    if (edges.firstKey) {
        for (int p = treePartition - 1; p >= lowest; --p) {
            if (NeighbourEdge(p, /*last=*/true, edgeFirst, edgeEnd)) {
                if (first < edgeEnd)
                    return false;
                break;
            }
        }
    }
    if (edges.lastKey) {
        for (int p = treePartition + 1; p <= highest; ++p) {
            if (NeighbourEdge(p, /*last=*/false, edgeFirst, edgeEnd)) {
                if (std::int64_t{first} + count > edgeFirst)
                    return false;
                break;
            }
        }
    }
    return true;
}

void CDeathIndex::RunFilter(const CSearchCriteria& query) {
    const bool s = query.stateSet != 0;
    const bool f = query.firstNameSet != 0;
    const bool b = query.birthYearSet != 0;
    const bool d = query.deathYearSet != 0;

    int fn = -1;
    if (f) {
        fn = FindFirstName(query.firstName);
        if (fn == kFirstNameUnreadable) {
            // Without the list a first-name filter cannot be applied; running unfiltered
            // would show other people's records as matches.
            ReportFirstNameList(NameListProblem::kUnreadable, true);
            return;
        }
        if (fn == kFirstNameAbsent) {
            // Nobody has a name the list does not hold, unless the list was cut short of names
            // the records use. The run is sorted by first name, so its last record has the
            // highest position.
            if (query.recordCount > 0 &&
                ReadRecord(query.firstRecord + (query.recordCount - 1)) == 1 &&
                FirstNameIndex(current) >= files->nameCount) {
                ReportFirstNameList(NameListProblem::kTooShort, true);
            }
            return;
        }
    }

    const int state = query.state;
    const int birth = query.birthYear;
    const int death = query.deathYear;
    CResultSet& r = *results;
    if (s) {
        if (b || d) {
            if (b && d) {
                f ? r.FilterStateFirstNameBirthDeath(state, fn, birth, death)
                  : r.FilterStateBirthDeath(state, birth, death);
            } else if (b) {
                f ? r.FilterStateFirstNameBirth(state, fn, birth)
                  : r.FilterStateBirth(state, birth);
            } else {
                f ? r.FilterStateFirstNameDeath(state, fn, death)
                  : r.FilterStateDeath(state, death);
            }
        } else {
            f ? r.FilterStateFirstName(state, fn) : r.FilterState(state);
        }
    } else if (b || d) {
        if (b && d) {
            f ? r.FilterFirstNameBirthDeath(fn, birth, death) : r.FilterBirthDeath(birth, death);
        } else if (b) {
            f ? r.FilterFirstNameBirth(fn, birth) : r.FilterBirth(birth);
        } else {
            f ? r.FilterFirstNameDeath(fn, death) : r.FilterDeath(death);
        }
    } else {
        f ? r.FilterFirstName(fn) : r.ShowAll();
    }
}

bool CDeathIndex::RunIsOnDisc(int first, int count) {
    // Checked once per search, so a damaged index entry is reported instead of showing
    // whatever records happen to follow in the file.
    if (count <= 0)
        return true;
    const int last = first + (count - 1);
    // A run that begins in one data file and ends in another needs both on this disc. When
    // only one of them is here, the index entry points past the disc's data (a run at the
    // disc's start or end moved by damage), which is no reason to stop the program for a
    // missing file.
    if (FileNumberOf(first) != FileNumberOf(last) &&
        DataFileIsHere(FileNumberOf(first)) != DataFileIsHere(FileNumberOf(last))) {
        ReportTree("on this disc is damaged");
        return false;
    }
    int file = FileNumberOf(last);
    long position = IndexInFile(last);
    if (position == kLastFilePosition) {
        ++file;
        position = 0;
    }
    if (!OpenDataFile(file))
        return false;
    if (files->dataFileSize >= (position + 1) * static_cast<long>(sizeof(RawDeathRecord)))
        return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "The records of this surname cannot be read: data file dp%d.car is shorter "
                  "than the index says.\n\nThe disc may be damaged or incomplete.",
                  file);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CDeathIndex::DataFileIsHere(int number) const {
    char path[kMaxPath];
    return number > 0 && FormatPath(path, "%sdp%d.car", discDir, number) &&
           OpenFile(path, "rb") != nullptr;
}

bool CDeathIndex::OpenDataFile(int number) {
    DiscFiles& disc = *files;
    if (number == disc.dataFileNumber)
        return true;
    disc.dataFile.reset();
    disc.dataFileNumber = -1;
    disc.dataFileSize = -1;
    ForgetWindow();

    char path[kMaxPath];
    if (number > 0 && FormatPath(path, "%sdp%d.car", discDir, number)) {
        disc.dataFile = OpenFile(path, "rb");
    }
    if (!disc.dataFile) {
        char text[64];
        std::snprintf(text, sizeof text, "File #%d needs to be on this disc.", number);
        MessageBoxA(nullptr, text, "Missing Data File", MB_OK | MB_ICONEXCLAMATION);
        HostExit(1);
        return false;  // only a test host gets here; reads then deliver nothing
    }
    // The window does the buffering.
    std::setvbuf(disc.dataFile.get(), nullptr, _IONBF, 0);
    disc.dataFileNumber = number;
    // Measured once while the disc stays in: every search checks its run's end against it.
    disc.dataFileSize = StreamSize(disc.dataFile.get());
    streamOffset = -1;
    return true;
}

bool CDeathIndex::FillWindow(long offset, std::size_t bytes) {
    windowStart = offset;
    windowBytes = 0;
    std::FILE* const data = files->dataFile.get();
    if (data == nullptr)
        return false;
    if (offset != streamOffset && std::fseek(data, offset, SEEK_SET) != 0) {
        streamOffset = -1;
        return false;
    }
    const std::size_t want = std::min(bytes, sizeof window);
    windowBytes = std::fread(reinterpret_cast<unsigned char*>(window), 1, want, data);
    // After a short read the stream may carry its end-of-file flag: seek before the next read.
    streamOffset = windowBytes == want ? offset + static_cast<long>(windowBytes) : -1;
    return windowBytes > 0;
}

// Reads ahead by a whole window when a read continues the last one, as scans and paging do;
// after a jump (the first page of a run) only this much, since the records beyond it may never
// be needed.
constexpr std::size_t kJumpRead = 4096;

const unsigned char* CDeathIndex::ProbeBlockAt(long at, std::size_t& available) {
    std::FILE* const data = files->dataFile.get();
    if (data == nullptr)
        return nullptr;
    if (!probeBlocks) {
        probeBlocks = std::make_unique<ProbeBlock[]>(kProbeBlocks);
        probeData.reset(new unsigned char[kProbeBlocks * kProbeBlockBytes]);
    }
    const long start = at - at % static_cast<long>(kProbeBlockBytes);
    const std::int32_t file = files->dataFileNumber;
    const auto slot = (static_cast<unsigned long>(file) * 7919u +
                       static_cast<unsigned long>(start) / kProbeBlockBytes) %
                      kProbeBlocks;
    ProbeBlock& block = probeBlocks[slot];
    unsigned char* const bytes = probeData.get() + slot * kProbeBlockBytes;
    if (block.disc != files || block.file != file || block.start != start) {
        block.disc = nullptr;
        if (start != streamOffset && std::fseek(data, start, SEEK_SET) != 0) {
            streamOffset = -1;
            return nullptr;
        }
        block.bytes = std::fread(bytes, 1, kProbeBlockBytes, data);
        streamOffset =
            block.bytes == kProbeBlockBytes ? start + static_cast<long>(block.bytes) : -1;
        if (std::ferror(data)) {
            std::clearerr(data);  // tried again next time, never kept as the file's end
            return nullptr;
        }
        block.disc = files;
        block.file = file;
        block.start = start;
    }
    probeEnd = start + static_cast<long>(block.bytes);
    if (at >= probeEnd)
        return nullptr;
    available = static_cast<std::size_t>(probeEnd - at);
    return bytes + (at - start);
}

std::size_t CDeathIndex::Fetch(long offset, std::size_t bytes, void* out) {
    auto* to = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < bytes) {
        const long at = offset + static_cast<long>(done);
        const long windowEnd = windowStart + static_cast<long>(windowBytes);
        if (at >= windowStart && at < windowEnd) {
            const std::size_t n = std::min(bytes - done, static_cast<std::size_t>(windowEnd - at));
            std::memcpy(to + done, reinterpret_cast<unsigned char*>(window) + (at - windowStart),
                        n);
            done += n;
            continue;
        }
        if (at == windowEnd || at == probeEnd) {
            // Continuing: the window reads ahead.
            if (!FillWindow(at, std::max(sizeof window, bytes - done)))
                break;
            continue;
        }
        // A jump (a probe of a binary search, a run's first records): a block of its own.
        std::size_t available = 0;
        const unsigned char* block = ProbeBlockAt(at, available);
        if (block == nullptr)
            break;
        const std::size_t n = std::min(bytes - done, available);
        std::memcpy(to + done, block, n);
        done += n;
    }
    return done;
}

void CDeathIndex::ReadAhead(int first, int count) {
    if (first < 0 || count <= 0 || count * sizeof(RawDeathRecord) > sizeof window)
        return;
    const int last = first + (count - 1);
    if (FileNumberOf(first) != FileNumberOf(last) || IndexInFile(last) == kLastFilePosition ||
        !OpenDataFile(FileNumberOf(first))) {
        return;
    }
    const long offset = static_cast<long>(IndexInFile(first)) * 16;
    const long bytes = static_cast<long>(count) * 16;
    if (offset >= windowStart && offset + bytes <= windowStart + static_cast<long>(windowBytes))
        return;
    FillWindow(offset, static_cast<std::size_t>(bytes));
}

int CDeathIndex::ReadRecord(int n) {
    ++recordReads;
    const int got = ReadOne(n);
    if (got == 0)
        dataShort = true;
    return got;
}

int CDeathIndex::ReadOne(int n) {
    std::memset(&current, 0, sizeof current);
    if (n < 0)
        return 0;
    int file = FileNumberOf(n);
    long index = IndexInFile(n);
    if (index == kLastFilePosition) {
        ++file;
        index = 0;
    }
    if (!OpenDataFile(file))
        return 0;
    return Fetch(index * 16, sizeof current, &current) == sizeof current ? 1 : 0;
}

int CDeathIndex::ReadPage(int start, int end, RawDeathRecord* buffer) {
    int count = 0;
    const RawDeathRecord* page = ViewPage(start, end, count);
    // Everything read: 100 records in one file whatever the page needs, one more than the
    // page when it crosses into the next file.
    if (viewRecords > 0)
        std::memcpy(buffer, page, viewRecords * sizeof(RawDeathRecord));
    return count;
}

const RawDeathRecord* CDeathIndex::ViewPage(int start, int end, int& count) {
    count = 0;
    viewRecords = 0;
    if (start < 0)
        return window;
    const int last = static_cast<int>(std::min<std::int64_t>(std::int64_t{start} + kPageRead, end));
    const int wanted = last - start;
    if (wanted <= 0)
        return window;

    const int a = FileNumberOf(start);
    const int b = FileNumberOf(last);
    if (a != files->dataFileNumber && !OpenDataFile(a))
        return window;

    const RawDeathRecord* page = window;
    int arrived = 0;
    if (a == b) {
        // 100 records, whatever the page needs, in one piece of the window.
        const long offset = static_cast<long>(IndexInFile(start)) * 16;
        const long bytes = kPageRead * static_cast<long>(sizeof(RawDeathRecord));
        const long windowEnd = windowStart + static_cast<long>(windowBytes);
        if (offset < windowStart || offset + bytes > windowEnd ||
            (offset - windowStart) % 16 != 0) {
            // Continuing a scan: the window moves on to here. A jump reads less ahead.
            const bool onward = offset >= windowStart && offset <= windowEnd;
            FillWindow(offset, onward ? sizeof window : std::max<std::size_t>(kJumpRead, bytes));
        }
        const long inWindow = windowStart + static_cast<long>(windowBytes) - offset;
        if (offset >= windowStart && inWindow > 0 && (offset - windowStart) % 16 == 0) {
            page = window + (offset - windowStart) / 16;
            viewRecords = static_cast<int>(std::min(inWindow, bytes) / 16);
            arrived = viewRecords;
        }
    } else {
        // The page reaches into the next file: record by record, including record `last`.
        page = crossing;
        for (int j = start; j <= last; ++j) {
            if (ReadOne(j) == 0)
                break;
            crossing[arrived++] = current;
        }
        viewRecords = arrived;
        arrived = std::min(arrived, wanted);
    }
    if (arrived < wanted) {
        dataShort = true;
        count = arrived;
    } else {
        count = wanted;
    }
    return page;
}

void CDeathIndex::CloseAll() {
    tree = nullptr;
    unkeptTree.reset();
    for (DiscFiles& disc : discs)
        Drop(disc);
    ForgetWindow();
    ForgetCachedFirstName();
}
