// The hits of the current search and the page on display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "death_record.h"
#include "hit_file.h"
#include "hit_labels.h"
#include "result_row.h"

class CDeathIndex;

inline constexpr int kPageSlots = 11;
inline constexpr int kPageSizeNormal = 10;
inline constexpr int kPageSizeLarge = 8;
inline constexpr int kListLineSize = 500;
inline constexpr int kDetailLineSize = 128;
inline constexpr int kBlockRecords = 100;

class CResultSet {
  public:
    // Binds the reader and empties the hit file "test.bin" in the program folder.
    explicit CResultSet(CDeathIndex* reader);
    ~CResultSet();
    CResultSet(const CResultSet&) = delete;
    CResultSet& operator=(const CResultSet&) = delete;

    void Reset();
    void SetRange(std::int32_t start, std::int32_t length);
    void SetSurname(const char* text);

    // No optional criterion: page straight through the run.
    void ShowAll();

    // Filters: every hit goes to the hit file, then the first page is loaded. Names say which
    // criteria are tested; arguments come in that order.
    void FilterFirstName(int firstName);
    void FilterDeath(int death);
    void FilterBirth(int birth);
    void FilterState(int state);
    void FilterBirthDeath(int birth, int death);
    void FilterFirstNameBirth(int firstName, int birth);
    void FilterFirstNameDeath(int firstName, int death);
    void FilterStateFirstName(int state, int firstName);
    void FilterStateBirth(int state, int birth);
    void FilterStateDeath(int state, int death);
    void FilterFirstNameBirthDeath(int firstName, int birth, int death);
    void FilterStateBirthDeath(int state, int birth, int death);
    void FilterStateFirstNameBirth(int state, int firstName, int birth);
    void FilterStateFirstNameDeath(int state, int firstName, int death);
    void FilterStateFirstNameBirthDeath(int state, int firstName, int birth, int death);

    // Hits found by a search beyond the form (CWideSearch), after Reset: the search appends
    // them in their order, names each surname's first hit in Labels(), and ends with EndHits,
    // which loads the first page as a filter does. Pages then show each hit's own surname and
    // the given name from its own disc's list. BeginHits is false (and says so) when the hit
    // file cannot be opened.
    bool BeginHits();
    void AddHits(const RawDeathRecord* hits, int n);
    std::int32_t HitsAdded() const { return hitsAdded; }
    void EndHits();
    CHitLabels& Labels();
    bool IsLabelled() const { return labelled; }

    void NextPage();
    void PrevPage();
    bool HasNextPage() const;
    bool HasPrevPage() const;
    long GetTotal() const;
    int GetPageCount() const { return pageCount; }
    void SetPageSize(bool large) { pageSize = large ? kPageSizeLarge : kPageSizeNormal; }
    int GetPageSize() const { return pageSize; }

    // The texts of hit `row` of the page: "surname\tfirst\tbirth\tdeath\tlocation" into `out`,
    // and "ssn\tzip\tzip\t" in a buffer of the result set (nullptr for a row not on the page).
    void FormatListLine(int row, char* out, std::size_t size = kListLineSize);
    const char* FormatDetailLine(int row);

    // Reads hits `first` .. `first` + n - 1 of the whole result (0 is the first hit) as rows
    // for the writers, without touching the page on display or where paging goes on; returns
    // how many were read: fewer at the end, 0 past it or when nothing can be read.
    int ReadRows(long first, int n, ResultRow* rows);
    // Hit `row` of the page on display as a row for the writers; false for a row not on it.
    bool PageRow(int row, ResultRow& out);

    // Read access for tests and the command line.
    const DeathRecord* PageRecord(int row) const;
    bool IsDirectMode() const { return directMode != 0; }
    const char* Surname() const { return surname; }
    const CHitFile& HitFile() const { return *hitFile; }

    // Which criteria a filter tests.
    struct Criteria {
        bool hasState = false;
        int state = 0;  // location code; its low 8 bits count
        bool hasFirstName = false;
        int firstName = 0;  // position in the first-name list
        bool hasBirth = false;
        int birth = 0;
        bool hasDeath = false;
        int death = 0;
        bool Matches(const RawDeathRecord& raw) const;
    };

  private:
    // The surname and given name of hit number `hit` (its own when the hits are labelled),
    // safe to put between tabs.
    static constexpr int kHitSurnameSize = 30;
    void HitNames(const DeathRecord& record, std::int32_t hit, char (&hitSurname)[kHitSurnameSize],
                  char (&given)[kFirstNameRecordSize + 1]);
    void MakeRow(const DeathRecord& record, std::int32_t hit, ResultRow& out);
    void Filter(const Criteria& criteria);
    int SeekFirstName(int target);
    void SeekScan(const Criteria& criteria);
    void BlockScan(const Criteria& criteria);
    bool BeginScan();
    void LoadFirstPage();
    void DecodePage();
    void ReadDirectPage();
    void ReportDamagedData();
    void ReportHitFileError();

    std::int32_t rangeStart = 0;
    std::int32_t position = 0;
    std::int32_t rangeLength = 0;
    std::int32_t rangeEnd = 0;
    std::int32_t pageCount = 0;
    // Where the current page begins: a record number in direct mode, a hit number otherwise.
    std::int32_t pageStart = 0;
    std::unique_ptr<CHitFile> hitFile;
    CDeathIndex* reader;
    std::int32_t directMode = 0;
    // Made on the first search that needs it: the form's searches never touch its files.
    std::unique_ptr<CHitLabels> labels;
    bool labelled = false;
    std::int32_t hitsAdded = 0;
    RawDeathRecord rawPage[kPageSlots] = {};
    DeathRecord page[kPageSlots] = {};
    char surname[30] = {};
    char detail[kDetailLineSize] = {};
    int pageSize = kPageSizeNormal;
    bool damageReported = false;
};

// Copies the records among `n` that `criteria` accepts to `hits` (room for `n`), in their
// order; returns how many. The block scan's test.
int CollectHits(const CResultSet::Criteria& criteria, const RawDeathRecord* records, int n,
                RawDeathRecord* hits);
