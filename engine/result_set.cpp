#include "result_set.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "death_index.h"
#include "display_format.h"
#include "first_names.h"
#include "host.h"
#include "search_criteria.h"

namespace {

// Tabs separate the fields of a line, so no field may carry one (nor a line break).
void MakeFieldSafe(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text == '\t' || *text == '\n' || *text == '\r')
            *text = ' ';
    }
}

}  // namespace

bool CResultSet::Criteria::Matches(const RawDeathRecord& raw) const {
    if (hasState && LocationCode(raw) != (state & 0xFF))
        return false;
    if (hasFirstName && FirstNameIndex(raw) != firstName)
        return false;
    if (hasBirth && BirthYear(raw) != birth)
        return false;
    if (hasDeath && DeathYear(raw) != death)
        return false;
    return true;
}

namespace {

std::uint64_t LoadLE64(const unsigned char* p) {
    return LoadLE32(p) | std::uint64_t{LoadLE32(p + 4)} << 32;
}

// The criteria as bits to compare in the two halves of a record: a record is a hit when
// (low half & lowMask) == low and (high half & highMask) == high. The low half holds word A
// (first name, location) and word B (its top bit the birth century), the high half the death
// and the birth date words.
struct RecordPattern {
    std::uint64_t lowMask = 0;
    std::uint64_t low = 0;
    std::uint64_t highMask = 0;
    std::uint64_t high = 0;
};

constexpr std::uint64_t kYearBitsMask = 0x7F;
constexpr int kDeathWordShift = 0;   // in the high half
constexpr int kBirthWordShift = 16;  // in the high half
constexpr int kWordBShift = 32;      // in the low half

// False when a criterion is not a matter of bits alone: year 0 matches the unknown dates, a
// birth year ending in 00 also needs a birth date word that is not 0, and values no record
// can hold. Those are tested with the accessors.
bool MakePattern(const CResultSet::Criteria& c, RecordPattern& p) {
    if (c.hasState) {
        const int state = c.state & 0xFF;
        if (state > static_cast<int>(kLocationMask))
            return false;
        p.lowMask |= std::uint64_t{kLocationMask} << kLocationShift;
        p.low |= static_cast<std::uint64_t>(state) << kLocationShift;
    }
    if (c.hasFirstName) {
        if (c.firstName < 0 || c.firstName > static_cast<int>(kFirstNameMask))
            return false;
        p.lowMask |= kFirstNameMask;
        p.low |= static_cast<std::uint64_t>(c.firstName);
    }
    if (c.hasBirth) {
        const int yearBits = c.birth % 100;
        if (c.birth < 1800 || c.birth > 1999 || yearBits == 0)
            return false;
        p.lowMask |= std::uint64_t{kBornIn1800s} << kWordBShift;
        if (c.birth < 1900)
            p.low |= std::uint64_t{kBornIn1800s} << kWordBShift;
        p.highMask |= kYearBitsMask << kBirthWordShift;
        p.high |= static_cast<std::uint64_t>(yearBits) << kBirthWordShift;
    }
    if (c.hasDeath) {
        if (c.death < 1900 || c.death > 1999)
            return false;
        p.highMask |= kYearBitsMask << kDeathWordShift;
        p.high |= static_cast<std::uint64_t>(c.death - 1900) << kDeathWordShift;
    }
    return true;
}

// The loop for a pattern; a half that no criterion looks at is not loaded at all.
template <bool TestLow, bool TestHigh>
RawDeathRecord* CollectMatching(const RecordPattern& p, const RawDeathRecord* records, int n,
                                RawDeathRecord* next) {
    for (const RawDeathRecord* raw = records; raw != records + n; ++raw) {
        std::uint64_t differs = 0;
        if constexpr (TestLow)
            differs |= (LoadLE64(raw->bytes) & p.lowMask) ^ p.low;
        if constexpr (TestHigh)
            differs |= (LoadLE64(raw->bytes + 8) & p.highMask) ^ p.high;
        *next = *raw;
        next += differs == 0 ? 1 : 0;
    }
    return next;
}

}  // namespace

int CollectHits(const CResultSet::Criteria& criteria, const RawDeathRecord* records, int n,
                RawDeathRecord* hits) {
    // Every record is copied and kept only when it is a hit: hits come at random within a
    // run, and a branch on each record would often be mispredicted.
    RawDeathRecord* next = hits;
    RecordPattern p;
    if (!MakePattern(criteria, p)) {
        for (const RawDeathRecord* raw = records; raw != records + n; ++raw) {
            const bool hit = criteria.Matches(*raw);
            *next = *raw;
            next += hit ? 1 : 0;
        }
    } else if (p.highMask == 0) {
        next = CollectMatching<true, false>(p, records, n, next);
    } else if (p.lowMask == 0) {
        next = CollectMatching<false, true>(p, records, n, next);
    } else {
        next = CollectMatching<true, true>(p, records, n, next);
    }
    return static_cast<int>(next - hits);
}

CResultSet::CResultSet(CDeathIndex* recordReader) : reader(recordReader) {
    char path[kMaxPath];
    // An over-long program folder leaves the path empty; filters then report the hit file.
    FormatPath(path, "%stest.bin", HostProgramDir());
    hitFile = std::make_unique<CHitFile>(path);
}

CResultSet::~CResultSet() = default;

void CResultSet::Reset() {
    rangeStart = position = rangeLength = rangeEnd = -1;
    pageCount = 0;
    pageStart = 0;
    hitFile->Create();
    directMode = 0;
    damageReported = false;
    labelled = false;
    hitsAdded = 0;
}

CHitLabels& CResultSet::Labels() {
    if (!labels)
        labels = std::make_unique<CHitLabels>(HostProgramDir());
    return *labels;
}

bool CResultSet::BeginHits() {
    if (!hitFile->Open()) {
        ReportHitFileError();
        return false;
    }
    return true;
}

void CResultSet::AddHits(const RawDeathRecord* hits, int n) {
    if (n <= 0)
        return;
    hitFile->AppendMany(hits, n);
    hitsAdded += n;
}

void CResultSet::EndHits() {
    labelled = true;
    LoadFirstPage();
}

void CResultSet::SetRange(std::int32_t start, std::int32_t length) {
    rangeStart = position = start;
    rangeLength = length;
    rangeEnd = start + length;  // the tree reader only hands on ranges that fit
    pageCount = 0;
    reader->OpenDataFile(reader->FileNumberOf(rangeStart));
}

void CResultSet::SetSurname(const char* text) {
    std::size_t i = 0;
    for (; i + 1 < sizeof surname && text[i] != '\0'; ++i)
        surname[i] = UpperAscii(text[i]);
    surname[i] = '\0';
    MakeFieldSafe(surname);
}

void CResultSet::ShowAll() {
    directMode = 1;
    ReadDirectPage();
}

void CResultSet::ReadDirectPage() {
    pageCount = 0;
    pageStart = position;
    while (position < rangeEnd) {
        if (reader->ReadRecord(position) == 0) {
            // A damaged run is not paged any further.
            position = rangeEnd;
            break;
        }
        rawPage[pageCount] = reader->Current();
        ++position;
        if (++pageCount >= pageSize)
            break;
    }
    DecodePage();
    ReportDamagedData();
}

void CResultSet::DecodePage() {
    for (int i = 0; i < pageCount; ++i)
        DecodeRecord(rawPage[i], page[i]);
    // The lists of labelled hits are the search's own concern.
    if (!labelled)
        reader->CheckFirstNames(page, pageCount);
}

void CResultSet::LoadFirstPage() {
    hitFile->CountHits();
    if (hitFile->WriteFailed()) {
        // A hit list that could not be written whole must not be shown as the answer.
        ReportHitFileError();
        hitFile->Create();
        pageCount = 0;
        return;
    }
    pageStart = 0;
    pageCount = hitFile->ReadAt(0, pageSize, rawPage);
    DecodePage();
}

void CResultSet::ReportHitFileError() {
    char text[kHitFilePathSize + 200];
    std::snprintf(text, sizeof text,
                  "Cannot write the hit file \"%s\".\n\nNo records can be shown. Check that the "
                  "program folder exists, that it is writable and that the disk is not full.",
                  hitFile->Path());
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void CResultSet::ReportDamagedData() {
    if (damageReported || !reader->DataWasShort())
        return;
    damageReported = true;
    AfxMessageBox(
        "Some records of this surname could not be read: the data files on the disc are "
        "damaged or incomplete.\n\nThe records shown may not be all the records there are.",
        MB_OK | MB_ICONEXCLAMATION);
}

void CResultSet::Filter(const Criteria& criteria) {
    if (!hitFile->Open()) {
        ReportHitFileError();
        return;
    }
    if (criteria.hasFirstName) {
        SeekScan(criteria);
    } else {
        BlockScan(criteria);
    }
    LoadFirstPage();
    ReportDamagedData();
}

int CResultSet::SeekFirstName(int target) {
    // Binary search for the first record whose first-name index is not below the target; the
    // run is sorted by that index. A run that cannot be read yields the end (no hits).
    if (rangeLength <= 0)
        return rangeEnd;
    int lo = rangeStart;
    int hi = rangeEnd - 1;
    auto indexAt = [&](int n, int& index) {
        if (reader->ReadRecord(n) == 0)
            return false;
        index = FirstNameIndex(reader->Current());
        return true;
    };
    int index;
    if (!indexAt(lo, index))
        return rangeEnd;
    if (target <= index)
        return lo;
    if (!indexAt(hi, index))
        return rangeEnd;
    if (target > index)
        return hi;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (!indexAt(mid, index))
            return rangeEnd;
        if (target > index) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

void CResultSet::SeekScan(const Criteria& criteria) {
    position = SeekFirstName(criteria.firstName);
    while (position < rangeEnd) {
        if (reader->ReadRecord(position) == 0)
            break;
        const RawDeathRecord& raw = reader->Current();
        const int f = FirstNameIndex(raw);
        if (f == criteria.firstName) {
            if (criteria.Matches(raw))
                hitFile->Append(raw);
        } else if (f > criteria.firstName) {
            break;
        }
        ++position;
    }
}

void CResultSet::BlockScan(const Criteria& criteria) {
    position = rangeStart;
    do {
        // Blocks of 100 records, tested where the reader holds them.
        int n = 0;
        const RawDeathRecord* records = reader->ViewPage(position, rangeEnd, n);
        if (n <= 0)
            break;  // nothing more can be read: never test what did not arrive
        // Hits of one block go to the hit file together, in their order.
        RawDeathRecord hits[kBlockRecords];
        hitFile->AppendMany(hits, CollectHits(criteria, records, n, hits));
        position += n;
    } while (position < rangeEnd);
}

void CResultSet::FilterFirstName(int firstName) {
    Filter({.hasFirstName = true, .firstName = firstName});
}
void CResultSet::FilterDeath(int death) {
    Filter({.hasDeath = true, .death = death});
}
void CResultSet::FilterBirth(int birth) {
    Filter({.hasBirth = true, .birth = birth});
}
void CResultSet::FilterState(int state) {
    Filter({.hasState = true, .state = state});
}
void CResultSet::FilterBirthDeath(int birth, int death) {
    Filter({.hasBirth = true, .birth = birth, .hasDeath = true, .death = death});
}
void CResultSet::FilterFirstNameBirth(int firstName, int birth) {
    Filter({.hasFirstName = true, .firstName = firstName, .hasBirth = true, .birth = birth});
}
void CResultSet::FilterFirstNameDeath(int firstName, int death) {
    Filter({.hasFirstName = true, .firstName = firstName, .hasDeath = true, .death = death});
}
void CResultSet::FilterStateFirstName(int state, int firstName) {
    Filter({.hasState = true, .state = state, .hasFirstName = true, .firstName = firstName});
}
void CResultSet::FilterStateBirth(int state, int birth) {
    Filter({.hasState = true, .state = state, .hasBirth = true, .birth = birth});
}
void CResultSet::FilterStateDeath(int state, int death) {
    Filter({.hasState = true, .state = state, .hasDeath = true, .death = death});
}
void CResultSet::FilterFirstNameBirthDeath(int firstName, int birth, int death) {
    Filter({.hasFirstName = true,
            .firstName = firstName,
            .hasBirth = true,
            .birth = birth,
            .hasDeath = true,
            .death = death});
}
void CResultSet::FilterStateBirthDeath(int state, int birth, int death) {
    Filter({.hasState = true,
            .state = state,
            .hasBirth = true,
            .birth = birth,
            .hasDeath = true,
            .death = death});
}
void CResultSet::FilterStateFirstNameBirth(int state, int firstName, int birth) {
    Filter({.hasState = true,
            .state = state,
            .hasFirstName = true,
            .firstName = firstName,
            .hasBirth = true,
            .birth = birth});
}
void CResultSet::FilterStateFirstNameDeath(int state, int firstName, int death) {
    Filter({.hasState = true,
            .state = state,
            .hasFirstName = true,
            .firstName = firstName,
            .hasDeath = true,
            .death = death});
}
void CResultSet::FilterStateFirstNameBirthDeath(int state, int firstName, int birth, int death) {
    Filter({.hasState = true,
            .state = state,
            .hasFirstName = true,
            .firstName = firstName,
            .hasBirth = true,
            .birth = birth,
            .hasDeath = true,
            .death = death});
}

void CResultSet::NextPage() {
    if (directMode != 0) {
        ReadDirectPage();
        return;
    }
    const long offset = hitFile->ReadOffset();
    pageStart = static_cast<std::int32_t>(offset / static_cast<long>(sizeof(RawDeathRecord)));
    pageCount = hitFile->ReadAt(offset, pageSize, rawPage);
    DecodePage();
}

// Back shows the page that Next came from: one page size before the current page's start,
// also when the current page is a short last one.
void CResultSet::PrevPage() {
    if (directMode != 0) {
        position = std::max(rangeStart, pageStart - pageSize);
        ReadDirectPage();
        return;
    }
    pageStart = std::max(0, pageStart - pageSize);
    pageCount =
        hitFile->ReadAt(pageStart * static_cast<long>(sizeof(RawDeathRecord)), pageSize, rawPage);
    DecodePage();
}

bool CResultSet::HasNextPage() const {
    if (directMode != 0)
        return position < rangeEnd;
    return hitFile->IsOpen() &&
           static_cast<unsigned long>(hitFile->ReadOffset()) <
               static_cast<unsigned long>(hitFile->HitCount()) * sizeof(RawDeathRecord);
}

bool CResultSet::HasPrevPage() const {
    if (directMode != 0)
        return pageStart > rangeStart;
    return hitFile->IsOpen() && pageStart > 0;
}

long CResultSet::GetTotal() const {
    if (directMode != 0)
        return std::max(0L, static_cast<long>(rangeEnd) - rangeStart);
    return std::max<long>(0, hitFile->HitCount());
}

const DeathRecord* CResultSet::PageRecord(int row) const {
    return row >= 0 && row < pageCount ? &page[row] : nullptr;
}

void CResultSet::HitNames(const DeathRecord& record, std::int32_t hit,
                          char (&hitSurname)[kHitSurnameSize],
                          char (&given)[kFirstNameRecordSize + 1]) {
    if (labelled) {
        // Each hit its own surname, and its given name from its own disc's list.
        std::snprintf(hitSurname, sizeof hitSurname, "%s", labels->SurnameOf(hit));
        if (hitSurname[0] == '\0')
            std::snprintf(hitSurname, sizeof hitSurname, "---");
        const char* name = labels->FirstNameOf(labels->DiscOf(hit), record.firstNameIndex);
        std::snprintf(given, sizeof given, "%s", name != nullptr ? name : kFirstNameFallback);
    } else {
        std::snprintf(hitSurname, sizeof hitSurname, "%s", surname);
        std::snprintf(given, sizeof given, "%s", reader->GetFirstName(record.firstNameIndex));
    }
    MakeFieldSafe(hitSurname);
    MakeFieldSafe(given);
}

void CResultSet::FormatListLine(int row, char* out, std::size_t size) {
    if (size == 0)
        return;
    out[0] = '\0';
    const DeathRecord* record = PageRecord(row);
    if (record == nullptr)
        return;

    char birth[kFieldTextSize];
    char death[kFieldTextSize];
    FormatDate(record->birthDate, birth, sizeof birth);
    FormatDate(record->deathDate, death, sizeof death);
    char hitSurname[kHitSurnameSize];
    char first[kFirstNameRecordSize + 1];
    HitNames(*record, pageStart + row, hitSurname, first);
    std::snprintf(out, size, "%s\t%s\t%s\t%s\t%s", hitSurname, first, birth, death,
                  LocationText(record->locationCode));
}

const char* CResultSet::FormatDetailLine(int row) {
    const DeathRecord* record = PageRecord(row);
    if (record == nullptr)
        return nullptr;
    char ssn[kFieldTextSize];
    char residence[kFieldTextSize];
    char payment[kFieldTextSize];
    FormatSSN(record->ssn, ssn, sizeof ssn);
    FormatZip(record->residenceZip, record->residenceZipPartial, residence, sizeof residence);
    FormatZip(record->paymentZip, record->paymentZipPartial, payment, sizeof payment);
    std::snprintf(detail, sizeof detail, "%s\t%s\t%s\t", ssn, residence, payment);
    return detail;
}

int CResultSet::ReadRows(long first, int n, ResultRow* rows) {
    const long total = GetTotal();
    if (rows == nullptr || first < 0 || n <= 0 || first >= total)
        return 0;
    if (n > total - first)
        n = static_cast<int>(total - first);
    // The page on display is decoded already and paging keeps its own place, so reading
    // elsewhere in the run or the hit file leaves both as they are.
    RawDeathRecord raw[kPageRead + 1];
    int done = 0;
    while (done < n) {
        const int want = std::min(n - done, kPageRead);
        int got = 0;
        if (directMode != 0) {
            const std::int32_t start = rangeStart + static_cast<std::int32_t>(first + done);
            got = reader->ReadPage(start, start + want, raw);
        } else {
            got = hitFile->ReadHits(first + done, want, raw);
        }
        if (got <= 0)
            break;
        for (int i = 0; i < got; ++i) {
            DeathRecord record;
            DecodeRecord(raw[i], record);
            MakeRow(record, static_cast<std::int32_t>(first + done + i), rows[done + i]);
        }
        done += got;
        if (got < want)
            break;  // a short file: never hand on what did not arrive
    }
    return done;
}

bool CResultSet::PageRow(int row, ResultRow& out) {
    const DeathRecord* record = PageRecord(row);
    if (record == nullptr)
        return false;
    MakeRow(*record, pageStart + row, out);
    return true;
}

void CResultSet::MakeRow(const DeathRecord& record, std::int32_t hit, ResultRow& out) {
    char hitSurname[kHitSurnameSize];
    char given[kFirstNameRecordSize + 1];
    HitNames(record, hit, hitSurname, given);
    MakeResultRow(hitSurname, given, record, out);
}
