// Searches beyond the form: many surnames (a pattern, a sounds-like code) or none at all,
// year ranges, SSN and ZIP look-ups. They walk the keys of the partitions the surname can be
// in (CTreeWalk), read the runs of the matching surnames, or every run of both discs, with
// one large buffer (CDiscRecords), and hand the hits to the result set, which pages them as
// it pages a filter's. Hits come in the index's key order: disc 1's partitions, then disc
// 2's, keys ascending, each surname's records in their order on the disc; without a surname
// that is record-number order, disc 1 then disc 2.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "daitch_mokotoff.h"
#include "name_pattern.h"
#include "record_scan.h"
#include "search_query.h"
#include "soundex.h"
#include "tree_file.h"

class CResultSet;
class CTreeWalk;

enum class WideOutcome {
    kDone,       // the result set holds the hits, if any (problems met were reported)
    kCancelled,  // the host's KeepAlive said stop: no records, and a message said so
    kNoDisc,     // a disc request was cancelled: no records
    kFailed,     // the hit file or its companions could not be written (reported), or the
                 // query was not checked: no records
};

// A surname the search reached, with the records of its run.
struct SurnameCount {
    char key[kKeyLength + 1];
    int disc;
    std::int32_t records;
};

class CWideSearch {
  public:
    explicit CWideSearch(CResultSet* results);
    ~CWideSearch();
    CWideSearch(const CWideSearch&) = delete;
    CWideSearch& operator=(const CWideSearch&) = delete;

    // Runs a checked query (any query, though the form's own go through CDeathIndex).
    WideOutcome Search(const SearchQuery& query);

    // Every surname the query's surname criterion reaches (all of them without one), in key
    // order with the records of each, without reading a record; `visit` answers false to stop.
    // The result set is left alone.
    WideOutcome ListSurnames(const SearchQuery& query,
                             const std::function<bool(const SurnameCount&)>& visit);

    // Of the last search: the surnames the surname criterion reached, and those with hits.
    long MatchedSurnames() const { return matchedSurnames; }
    long SurnamesWithHits() const { return surnamesWithHits; }
    // Keys walked and records read, for tests and measurements.
    long KeysWalked() const { return keysWalked; }
    long long RecordsRead() const { return recordsRead; }

  private:
    enum class Stop { kNo, kPartition, kSearch };

    WideOutcome Run(const SearchQuery& query, bool readRecords,
                    const std::function<bool(const SurnameCount&)>* visit);
    void PrepareSurname(const SearchQuery& query);
    bool SurnameMatches(const char* key);
    bool EnsureDisc(int disc);
    // Resolves the given name against the disc's own list, and copies the list for the pages.
    void PrepareNames(int disc, const SearchQuery& query);
    void PrepareTest(const SearchQuery& query);
    void RunBoundsOf(int disc, int partition, std::int64_t& lowest, std::int64_t& beyond);
    Stop WalkPartition(int disc, int partition, bool readRecords,
                       const std::function<bool(const SurnameCount&)>* visit);
    Stop ScanRun(int disc, int partition, const TreeItem& item);
    void ReportTree(int partition, const char* problem);
    void Report(bool& once, const char* text);
    WideOutcome EndWithoutRecords(WideOutcome outcome);
    // The labels beside the hit file (each hit's surname) could not be written.
    void ReportLabelsUnwritable() const;

    CResultSet* results;

    // The surname criterion.
    SurnameKind surnameKind = SurnameKind::kNone;
    NamePattern pattern;
    char soundex[kSoundexLength + 1] = {};
    DmCodes typedCodes;
    DmCodes keyCodes;
    static constexpr int kMaxRanges = 3;
    KeyRange ranges[kMaxRanges];
    int rangeCount = 0;

    // The record test of the disc being read.
    RecordTest test;
    NamePositionSet names;
    ZipWordSet residenceZips;
    ZipWordSet paymentZips;
    bool nobodyOnDisc = false;  // the typed first name is in no list position of this disc
    bool namesListed = false;   // the disc's first-name list could be read
    int nameCount = 0;

    int currentDisc = 1;
    char discDir[kMaxPath] = {};
    std::unique_ptr<CDiscRecords> records;
    std::unique_ptr<RawDeathRecord[]> hits;

    long matchedSurnames = 0;
    long surnamesWithHits = 0;
    long keysWalked = 0;
    long long recordsRead = 0;
    bool cancelled = false;

    // Each problem is told once per search.
    bool toldTree[2][kPartitionCount] = {};
    bool toldShortFile = false;
    bool toldShortData = false;
    bool toldNamesUnreadable = false;
    bool toldNamesShort = false;
};
