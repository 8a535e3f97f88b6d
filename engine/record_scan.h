// The data files' second reader and its record test, for searches beyond the form: runs of
// many surnames, or every record of a disc, read in record-number order with large reads into
// one fixed buffer, and tested where they lie.
#pragma once

#include <algorithm>
#include <bitset>
#include <cstdint>

#include "death_index.h"
#include "result_set.h"
#include "search_query.h"
#include "stdio_file.h"

// Records one read of CDiscRecords brings in at most, and so hands on at once.
inline constexpr int kScanBufferRecords = 16384;

// First-name positions are 19 bits, ZIP code words 16.
inline constexpr int kNamePositions = 1 << 19;
inline constexpr int kZipWords = 1 << 16;

// A set of small numbers as bits: first-name positions, ZIP code words.
template <int N>
struct BitSet {
    std::uint64_t words[N / 64] = {};
    void Add(unsigned n) { words[n / 64] |= std::uint64_t{1} << (n % 64); }
    bool Has(unsigned n) const { return (words[n / 64] >> (n % 64)) & 1u; }
    void Clear() {
        for (std::uint64_t& w : words)
            w = 0;
    }
};
using NamePositionSet = BitSet<kNamePositions>;
using ZipWordSet = BitSet<kZipWords>;

// The ZIP code words that decode to a ZIP the criterion matches, in the table of that field.
void ZipWordsMatching(const ZipCriterion& zip, bool residence, ZipWordSet& out);

// What a record must hold. The part the form's criteria can say (a location, one first-name
// position, single years) is tested as the block scan tests it, by masked comparison of the
// record's halves; the rest (a set of first-name positions, year ranges, an SSN, ZIP codes)
// only on the records that passed.
struct RecordTest {
    CResultSet::Criteria masked;
    const NamePositionSet* names = nullptr;
    YearRange birth;  // ranges only; single years go into `masked`
    YearRange death;
    SsnCriterion ssn;
    const ZipWordSet* residenceZip = nullptr;
    const ZipWordSet* paymentZip = nullptr;
};

// The records among `n` that pass, in their order: `kept` of them from the pointer returned,
// which is `records` itself when the test tests nothing (no copy), else `hits` (room for `n`).
const RawDeathRecord* CollectMatches(const RecordTest& test, const RawDeathRecord* records, int n,
                                     RawDeathRecord* hits, int& kept);

// How a run's records lie on a disc.
enum class RunPlace {
    kOnDisc,
    kDamagedIndex,  // it begins in a data file the disc has and ends in one it has not, or so
    kMissingFile,   // a data file it needs is not there
    kShortFile,     // its last record lies past the end of its data file
};

// Reads the data files of one disc in record-number order: a run, or one after another.
class CDiscRecords {
  public:
    // `discDir` ends in '/'; nothing is opened yet.
    explicit CDiscRecords(const char* discDir);
    CDiscRecords(const CDiscRecords&) = delete;
    CDiscRecords& operator=(const CDiscRecords&) = delete;

    // Whether the run's records are all there; `file` names the file at fault.
    RunPlace PlaceOf(std::int32_t first, std::int32_t count, int& file);

    // Hands records first .. first + count - 1 to `visit(records, n)` in pieces, in order. A
    // data file that cannot be opened is fatal ("Missing Data File"), as for the form's
    // search. False when the records stopped short of the run's end (a short file, Short()
    // then tells) or the host cancelled (Cancelled()).
    template <typename Visit>
    bool Read(std::int32_t first, std::int32_t count, Visit&& visit);

    // The form's fatal message for a data file the disc lacks; should the host survive it,
    // the records count as short.
    void ReportMissingFile(int file);

    bool Short() const { return wasShort; }
    bool Cancelled() const { return cancelled; }
    // Records read from the files, and how many reads it took.
    long long RecordsRead() const { return recordsRead; }
    long Reads() const { return reads; }

  private:
    // Records of data file `file` from `position`, at most `want`, where they lie: `got`
    // records from the returned pointer (0 when nothing could be read).
    const RawDeathRecord* View(int file, std::int32_t position, std::int32_t want, int& got);
    bool Open(int file);
    long RecordsIn(int file);

    char dir[kMaxPath] = {};
    FilePtr data;
    int openFile = -1;
    std::int32_t streamPosition = -1;  // record the open file's stream stands at, -1 unknown
    bool wasShort = false;
    bool cancelled = false;
    long long recordsRead = 0;
    long long sinceKeepAlive = 0;
    long reads = 0;

    // Record counts of the data files seen, by number; -2 not yet measured, -1 missing.
    static constexpr int kMaxFiles = INT32_MAX / kRecordsPerFile + 2;
    long fileRecords[kMaxFiles + 1];
    std::bitset<kMaxFiles + 1> toldMissing;  // each missing file is told once

    // One read fills this; runs that follow each other are read on without a seek.
    static constexpr int kBufferRecords = kScanBufferRecords;
    RawDeathRecord buffer[kBufferRecords];
    int bufferFile = -1;
    std::int32_t bufferPosition = 0;
    int bufferCount = 0;
};

template <typename Visit>
bool CDiscRecords::Read(std::int32_t first, std::int32_t count, Visit&& visit) {
    std::int64_t n = first;
    const std::int64_t end = std::int64_t{first} + count;
    while (n < end) {
        int file = static_cast<int>(n / kRecordsPerFile) + 1;
        std::int32_t position = static_cast<std::int32_t>(n % kRecordsPerFile);
        std::int64_t length = std::min<std::int64_t>(end - n, kLastFilePosition - position);
        if (position == kLastFilePosition) {
            // The last number of a block reads as the next file's first record.
            ++file;
            position = 0;
            length = 1;
        }
        while (length > 0) {
            int got = 0;
            const RawDeathRecord* records =
                View(file, position, static_cast<std::int32_t>(length), got);
            if (cancelled)
                return false;
            if (got <= 0) {
                wasShort = true;
                return false;
            }
            visit(records, got);
            n += got;
            position += got;
            length -= got;
        }
    }
    return true;
}
