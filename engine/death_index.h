// The search driver: turns a query into its disc, partition and tree lookup, hands the
// surname's run of records to the result set, and reads records for it from the data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "death_record.h"
#include "host.h"
#include "stdio_file.h"
#include "tree_file.h"

class CResultSet;
class CSearchCriteria;
struct DeathRecord;

inline constexpr int kPartitionCount = 15;
inline constexpr int kKeyLength = 12;
inline constexpr std::int32_t kRecordsPerFile = 1000001;
// Only positions 0..999,999 of a data file hold records; position 1,000,000 reads as the first
// record of the next file.
inline constexpr std::int32_t kLastFilePosition = 1000000;
inline constexpr int kPageRead = 100;
inline constexpr int kFirstNameRecordSize = 10;
// Leading and trailing records of the first-name list that lookups never return.
inline constexpr int kFirstNameLeadingFillers = 11;
inline constexpr int kFirstNameTrailingFillers = 10;

// The first key of each partition, blank-padded to 12 characters.
extern const char* const PartitionKeys[kPartitionCount];
// Keys above this one are on disc 2.
inline constexpr char kDiscSplitKey[] = "KZZZZZZZZZZZ";
// The partition of the split key: its keys up to the split are on disc 1, the rest on disc 2.
inline constexpr int kStraddlingPartition = 7;

// FindFirstName's answers besides a position.
inline constexpr int kFirstNameUnreadable = -1;
inline constexpr int kFirstNameAbsent = -2;  // the list does not hold the name: nobody has it

// The disc of the current search (1 or 2); kept between searches.
extern int g_nCurrentDisc;

class CDeathIndex {
  public:
    CDeathIndex();
    ~CDeathIndex();
    CDeathIndex(const CDeathIndex&) = delete;
    CDeathIndex& operator=(const CDeathIndex&) = delete;

    void SetResultSet(CResultSet* resultSet) { results = resultSet; }

    // Runs one query; the outcome is in the criteria's range and in the result set.
    void Search(CSearchCriteria* query);

    // Reads records start .. min(start + 100, end) - 1 into `buffer` (101 slots) and returns how
    // many arrived; never counts a record that was not read.
    int ReadPage(int start, int end, RawDeathRecord* buffer);
    // The same records as ReadPage, left where they were read when the page lies in one data
    // file (a copy in the index otherwise): for scans that only test them. `count` is what
    // ReadPage would return; the records stay valid until the next read.
    const RawDeathRecord* ViewPage(int start, int end, int& count);
    // Reads record n into Current(); 1 when read, 0 when not (callers then stop).
    int ReadRecord(int n);
    // Records first .. first + count - 1 are about to be read in no particular order: when
    // they fit in the read window, they are read in one piece now.
    void ReadAhead(int first, int count);
    const RawDeathRecord& Current() const { return current; }

    int FileNumberOf(int n) const { return n / recordsPerFile + 1; }
    int IndexInFile(int n) const { return n % recordsPerFile; }
    // Makes data file `number` the open one. A file that cannot be opened is fatal ("Missing
    // Data File"); false only when a test host survives that.
    bool OpenDataFile(int number);
    // Closes every file of both discs; the next search opens them again.
    void CloseAll();

    // First-name list: the position of a typed (10-character, upper-case, padded) name, where
    // the list holds exactly that name; kFirstNameAbsent when it holds no such name,
    // kFirstNameUnreadable when it cannot be searched. And the text at a position (a fallback
    // text when it cannot be read).
    int FindFirstName(const char* name);
    const char* GetFirstName(int index);
    // Whole names in the list, -1 when it could not be opened or measured.
    int FirstNameCount() const { return files->nameCount; }
    // Checks the first-name positions of a page about to be shown against the list, and tells
    // the user (once per search) when the list cannot give them.
    void CheckFirstNames(const DeathRecord* page, int count);

    // True once a read inside a run came back short since the last search: the data file is
    // damaged or incomplete.
    bool DataWasShort() const { return dataShort; }
    // Reads since the search began: records read one by one (ReadRecord), and tree nodes read
    // from the files, those of the neighbouring partitions' trees included.
    long RecordReads() const { return recordReads; }
    long TreeNodeReads() const { return treeNodeReads; }

    // The steps of a search, public for tests.
    static void MakeSurnameKey(const char* surname, char (&key)[kKeyLength + 1]);
    static int PartitionOf(const char* key);
    static int DiscOf(const char* key);
    // Finds the key's disc (asking for it as needed) and its partition's tree. The files of a
    // disc stay open from one search to the next while its marker is the same file.
    bool OpenIndexFor(const char* key);
    // Makes sure the disc is there, asking until it is or the user cancels.
    bool EnsureDisc(int disc);
    void RunFilter(const CSearchCriteria& query);
    const char* DiscDirectory() const { return discDir; }
    int CurrentFile() const { return files->dataFileNumber; }

  private:
    enum class NameListProblem { kUnreadable, kTooShort };

    // The first-name list is read in pieces of 400 names, a disc keeps 16 of them: a whole
    // list of 6,400 names, so that lookups in a list read before need no read.
    static constexpr int kNamesPerPiece = 400;
    static constexpr int kNamePieces = 16;
    struct NamePiece {
        long start = -1;  // file offset of names[0], -1 when it holds nothing
        std::size_t bytes = 0;
        char names[kNamesPerPiece * kFirstNameRecordSize];
    };

    // What is kept of one disc between searches. Its marker is checked before every search
    // and before every read as ever; only while it is the very file seen before (the host
    // tells by its identity) are the files below taken to be the same disc's.
    struct DiscFiles {
        bool open = false;  // the files below were opened from `dir`
        bool markerKnown = false;
        FileIdentity marker{};
        char dir[kMaxPath] = {};
        FilePtr firstNames;
        int nameCount = -1;
        std::unique_ptr<NamePiece[]> pieces;  // kNamePieces of them, with the list
        // Trees that opened as trees; one that did not is opened (and reported) afresh.
        std::unique_ptr<CTreeFile> trees[kPartitionCount];
        FilePtr dataFile;
        std::int32_t dataFileNumber = -1;
        long dataFileSize = -1;
    };

    bool FindMarker(int disc, bool afresh);
    void OpenDiscFiles(const char* dir, bool markerKnown, const FileIdentity& marker);
    void MakeCurrent(DiscFiles& disc);
    void Drop(DiscFiles& disc);
    void ForgetWindow();
    // The partition's tree of the current disc: a kept one, or one opened for this search
    // alone (held by `unkept`) when it did not open as a tree.
    CTreeFile* TreeFor(int partition, bool wrongFormatIsFatal, std::unique_ptr<CTreeFile>& unkept);

    bool ConfirmHit();
    bool RunFitsPartition(const TreeEdges& edges, std::int32_t first, std::int32_t count);
    bool NeighbourEdge(int partition, bool last, std::int64_t& first, std::int64_t& end);
    void ReportTree(const char* problem);
    void ReportFirstNameList(NameListProblem problem, bool byName);
    bool RunIsOnDisc(int first, int count);
    bool DataFileIsHere(int number) const;
    int ReadOne(int n);
    // Copies `bytes` bytes from `offset` of the open data file to `out` through the read
    // window; returns how many arrived (fewer at the end of the file).
    std::size_t Fetch(long offset, std::size_t bytes, void* out);
    bool FillWindow(long offset, std::size_t bytes);
    // The kept block of the current data file holding file offset `at`, read if need be;
    // `available` bytes from there. Nullptr when nothing can be read there.
    const unsigned char* ProbeBlockAt(long at, std::size_t& available);
    // Copies name `index` of the first-name list to `out` (10 bytes); false when it cannot be
    // read whole.
    bool ReadFirstNameRecord(int index, char* out);

    std::int32_t recordsPerFile = kRecordsPerFile;
    DiscFiles discs[2];
    DiscFiles* files = &discs[0];  // the current search's disc
    CTreeFile* tree = nullptr;     // the current partition's, kept in `files` or in `unkeptTree`
    std::unique_ptr<CTreeFile> unkeptTree;
    CSearchCriteria* criteria = nullptr;
    CResultSet* results = nullptr;
    RawDeathRecord current = {};

    char discDir[kMaxPath] = {};  // where the current disc was found
    int treePartition = 0;
    bool dataShort = false;
    long recordReads = 0;
    long treeNodeReads = 0;

    bool namesReadable = false;  // a name has been read from the list in this search
    bool namesReported = false;

    // The current disc's data file is read unbuffered into this window, so a record costs a
    // copy from it rather than a library call, and a read lands where it is used without a
    // second copy. 40 pages of 100 records: consecutive pages never straddle its end.
    long streamOffset = -1;  // where the data stream stands, -1 when unknown
    long windowStart = -1;   // file offset of window[0], -1 when it holds nothing
    std::size_t windowBytes = 0;
    RawDeathRecord window[40 * kPageRead];
    RawDeathRecord crossing[kPageRead + 1];  // a page that reaches into the next file
    // Single records read after a jump (the probes of a binary search, a run's first records)
    // come in blocks of 4 KiB, and 256 such blocks are kept by place: a search repeated, or
    // another of the same surname, probes the same places.
    static constexpr std::size_t kProbeBlockBytes = 4096;
    static constexpr int kProbeBlocks = 256;
    struct ProbeBlock {
        const DiscFiles* disc = nullptr;  // nullptr: holds nothing
        std::int32_t file = -1;
        long start = -1;
        std::size_t bytes = 0;
    };
    std::unique_ptr<ProbeBlock[]> probeBlocks;  // made at the first jump
    // Their bytes, block by block; left uninitialised, so memory is taken as blocks are used.
    std::unique_ptr<unsigned char[]> probeData;
    long probeEnd = -1;   // file offset after the last block used: a read from there continues
    int viewRecords = 0;  // records at the last page ViewPage gave, beyond the page included
};
