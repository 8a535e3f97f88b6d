#include "wide_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "disc.h"
#include "host.h"
#include "result_set.h"
#include "search_criteria.h"
#include "tree_walk.h"

namespace {

// The host is asked whether to go on after this many keys (and after every buffer of records).
constexpr long kKeysPerKeepAlive = 1024;

// The partitions each disc holds, ascending.
int FirstPartitionOf(int disc) {
    return disc == 1 ? 0 : kStraddlingPartition;
}
int LastPartitionOf(int disc) {
    return disc == 1 ? kStraddlingPartition : kPartitionCount - 1;
}

bool Reaches(const KeyRange& range, int disc, int partition) {
    PartitionRef refs[kMaxPartitionRefs];
    const int n = PartitionsFor(range, refs);
    for (int i = 0; i < n; ++i) {
        if (refs[i] == PartitionRef{disc, partition})
            return true;
    }
    return false;
}

KeyRange MakeRange(const char* low, const char* high) {
    KeyRange range;
    std::snprintf(range.low, sizeof range.low, "%s", low);
    range.hasHigh = high != nullptr;
    if (high != nullptr)
        std::snprintf(range.high, sizeof range.high, "%s", high);
    return range;
}

}  // namespace

CWideSearch::CWideSearch(CResultSet* resultSet)
    : results(resultSet), hits(std::make_unique<RawDeathRecord[]>(kScanBufferRecords)) {}

CWideSearch::~CWideSearch() = default;

WideOutcome CWideSearch::Search(const SearchQuery& query) {
    return Run(query, true, nullptr);
}

WideOutcome CWideSearch::ListSurnames(const SearchQuery& query,
                                      const std::function<bool(const SurnameCount&)>& visit) {
    return Run(query, false, &visit);
}

void CWideSearch::PrepareSurname(const SearchQuery& query) {
    surnameKind = query.Surname();
    rangeCount = 0;
    switch (surnameKind) {
        case SurnameKind::kNone:
            ranges[rangeCount++] = KeyRange{};
            return;
        case SurnameKind::kExact:
        case SurnameKind::kPattern:
            // A blank surname is no name a pattern can hold: it matches nothing.
            if (pattern.Set(query.SurnameText()))
                ranges[rangeCount++] = pattern.Range();
            return;
        case SurnameKind::kSoundex:
            // A code keeps the first letter, and letters are all that is coded: a key whose
            // first byte is not a letter (an apostrophe, a blank, a byte from 0x80 up) can
            // still begin with it. Those keys sort before "A" or after "Z".
            if (SoundexCode(query.SurnameText(), soundex)) {
                const char letter[2] = {soundex[0], '\0'};
                const char next[2] = {static_cast<char>(soundex[0] + 1), '\0'};
                ranges[rangeCount++] = MakeRange("", "A");
                ranges[rangeCount++] = MakeRange(letter, next);
                ranges[rangeCount++] = MakeRange("[", nullptr);
            }
            return;
        case SurnameKind::kDaitchMokotoff:
            if (DaitchMokotoffCodes(query.SurnameText(), typedCodes))
                ranges[rangeCount++] = KeyRange{};
            return;
    }
}

bool CWideSearch::SurnameMatches(const char* key) {
    switch (surnameKind) {
        case SurnameKind::kNone:
            return true;
        case SurnameKind::kExact:
        case SurnameKind::kPattern:
            return pattern.Matches(std::string_view(key, kKeyLength));
        case SurnameKind::kSoundex: {
            char code[kSoundexLength + 1];
            return SoundexCode(std::string_view(key, kKeyLength), code) &&
                   std::strcmp(code, soundex) == 0;
        }
        case SurnameKind::kDaitchMokotoff:
            return DaitchMokotoffCodes(std::string_view(key, kKeyLength), keyCodes) &&
                   CodesShareOne(typedCodes, keyCodes);
    }
    return false;
}

bool CWideSearch::EnsureDisc(int disc) {
    // Asked for as the form's search asks, once for each disc in turn.
    const char* found = FindDisc(disc);
    while (found == nullptr) {
        if (PromptForDisc(disc) != IDOK)
            return false;
        found = FindDisc(disc);
    }
    return FormatPath(discDir, "%s", found);
}

void CWideSearch::Report(bool& once, const char* text) {
    if (once)
        return;
    once = true;
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

void CWideSearch::ReportTree(int partition, const char* problem) {
    bool& once = toldTree[currentDisc - 1][partition];
    if (once)
        return;
    char text[240];
    std::snprintf(text, sizeof text,
                  "The surname index gst%d.tre %s, so the surnames it holds cannot all be "
                  "searched.\n\nThe disc may be damaged or incomplete.",
                  partition, problem);
    Report(once, text);
}

void CWideSearch::PrepareNames(int disc, const SearchQuery& query) {
    // Each disc has its own list: the typed name (or pattern) becomes the positions of that
    // list, and the given names of its hits are shown from a copy of it.
    const FirstNameKind kind = query.FirstName();
    names.Clear();
    nameCount = 0;
    namesListed = false;
    test.masked.hasFirstName = false;
    test.names = nullptr;
    nobodyOnDisc = kind != FirstNameKind::kNone;  // until the list has the name
    char path[kMaxPath];
    FilePtr list;
    if (FormatPath(path, "%sfname.fst", discDir))
        list = OpenFile(path, "rb");
    const long size = list ? StreamSize(list.get()) : -1;
    if (size < 0 || std::fseek(list.get(), 0, SEEK_SET) != 0) {
        if (kind != FirstNameKind::kNone) {
            Report(toldNamesUnreadable,
                   "The first-name list (fname.fst) on this disc cannot be read, so a search by "
                   "given name is not possible.\n\nSearch without a given name, or check the "
                   "disc.");
        }
        return;
    }
    // Positions are 19 bits: names beyond them are no record's.
    const long count = std::min<long>(size / kFirstNameRecordSize, kNamePositions);
    char typed[kFirstNameRecordSize];
    NamePattern firstPattern;
    if (kind == FirstNameKind::kExact) {
        const char* text = query.FirstNameText();
        std::memset(typed, ' ', sizeof typed);
        for (int i = 0; i < kFirstNameRecordSize && text[i] != '\0'; ++i)
            typed[i] = UpperAscii(text[i]);
    } else if (kind == FirstNameKind::kPattern) {
        firstPattern.Set(query.FirstNameText());
    }

    // Fillers at both ends are no names.
    const long firstName = kFirstNameLeadingFillers;
    const long pastNames = count - kFirstNameTrailingFillers;
    char piece[400 * kFirstNameRecordSize];
    long matches = 0;
    int single = -1;
    long read = 0;
    while (read < count) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<long>(count - read, 400) * kFirstNameRecordSize);
        const std::size_t got = std::fread(piece, 1, want, list.get());
        const long whole = static_cast<long>(got / kFirstNameRecordSize);
        results->Labels().AddNames(disc, piece, whole * kFirstNameRecordSize);
        if (kind != FirstNameKind::kNone) {
            for (long i = 0; i < whole; ++i) {
                const long position = read + i;
                const char* name = piece + i * kFirstNameRecordSize;
                if (position < firstName || position >= pastNames ||
                    std::memchr(name, '\0', kFirstNameRecordSize) != nullptr) {
                    continue;
                }
                const bool hit =
                    kind == FirstNameKind::kExact
                        ? std::memcmp(name, typed, kFirstNameRecordSize) == 0
                        : firstPattern.Matches(std::string_view(name, kFirstNameRecordSize));
                if (hit) {
                    names.Add(static_cast<unsigned>(position));
                    single = static_cast<int>(position);
                    ++matches;
                }
            }
        }
        read += whole;
        if (got < want)
            break;  // a list cut short: its names so far are all it has
    }
    nameCount = static_cast<int>(read);
    namesListed = true;
    if (kind != FirstNameKind::kNone && matches > 0) {
        nobodyOnDisc = false;
        if (matches == 1) {
            // One position: the block scan's masked comparison takes it.
            test.masked.hasFirstName = true;
            test.masked.firstName = single;
        } else {
            test.names = &names;
        }
    }
}

void CWideSearch::PrepareTest(const SearchQuery& query) {
    test = RecordTest{};
    if (query.State() > 0) {
        test.masked.hasState = true;
        test.masked.state = query.State();
    }
    if (query.Birth().Given()) {
        if (query.Birth().IsSingle()) {
            test.masked.hasBirth = true;
            test.masked.birth = query.Birth().from;
        } else {
            test.birth = query.Birth();
        }
    }
    if (query.Death().Given()) {
        if (query.Death().IsSingle()) {
            test.masked.hasDeath = true;
            test.masked.death = query.Death().from;
        } else {
            test.death = query.Death();
        }
    }
    test.ssn = query.Ssn();
    if (query.ResidenceZip().Given()) {
        ZipWordsMatching(query.ResidenceZip(), true, residenceZips);
        test.residenceZip = &residenceZips;
    }
    if (query.PaymentZip().Given()) {
        ZipWordsMatching(query.PaymentZip(), false, paymentZips);
        test.paymentZip = &paymentZips;
    }
}

void CWideSearch::RunBoundsOf(int disc, int partition, std::int64_t& lowest, std::int64_t& beyond) {
    // Runs ascend over a whole disc: the nearest partitions on the same disc that can say
    // bound this one's runs; empty, missing and damaged ones are passed over.
    lowest = 0;
    beyond = INT64_MAX;
    auto edge = [&](int p, bool last, TreeItem& item) {
        char path[kMaxPath];
        if (!FormatPath(path, "%sgst%d.tre", discDir, p))
            return false;
        CTreeFile neighbour(path, /*wrongFormatIsFatal=*/false);
        return neighbour.EdgeRun(last, item) == TreeLookup::kFound;
    };
    TreeItem item{};
    for (int p = partition - 1; p >= FirstPartitionOf(disc); --p) {
        if (edge(p, true, item)) {
            lowest = std::int64_t{item.first} + item.count;
            break;
        }
    }
    for (int p = partition + 1; p <= LastPartitionOf(disc); ++p) {
        if (edge(p, false, item)) {
            beyond = item.first;
            break;
        }
    }
}

CWideSearch::Stop CWideSearch::ScanRun(int disc, int partition, const TreeItem& item) {
    int file = 0;
    switch (records->PlaceOf(item.first, item.count, file)) {
        case RunPlace::kOnDisc:
            break;
        case RunPlace::kDamagedIndex:
            ReportTree(partition, "on this disc is damaged");
            return Stop::kPartition;
        case RunPlace::kMissingFile:
            records->ReportMissingFile(file);
            return Stop::kNo;  // only a test host gets here: the run is passed over
        case RunPlace::kShortFile: {
            char text[200];
            std::snprintf(text, sizeof text,
                          "Some records cannot be read: data file dp%d.car is shorter than the "
                          "index says.\n\nThe disc may be damaged or incomplete.",
                          file);
            Report(toldShortFile, text);
            return Stop::kNo;
        }
    }

    const std::int32_t firstHit = results->HitsAdded();
    records->Read(item.first, item.count, [&](const RawDeathRecord* block, int n) {
        int kept = 0;
        const RawDeathRecord* found = CollectMatches(test, block, n, hits.get(), kept);
        if (kept == 0)
            return;
        // The list must have every position its hits use, or their names cannot be shown.
        if (!namesListed) {
            Report(toldNamesUnreadable,
                   "The first-name list (fname.fst) on this disc cannot be read, so given "
                   "names show as \"n/a\".\n\nThe disc may be damaged or incomplete.");
        } else {
            for (int i = 0; i < kept; ++i) {
                if (FirstNameIndex(found[i]) >= nameCount) {
                    Report(toldNamesShort,
                           "The first-name list (fname.fst) on this disc is too short for the "
                           "names its records use, so some given names show as \"n/a\".\n\n"
                           "The disc may be damaged or incomplete.");
                    break;
                }
            }
        }
        results->AddHits(found, kept);
    });
    if (records->Cancelled()) {
        cancelled = true;
        return Stop::kSearch;
    }
    if (results->HitsAdded() > firstHit) {
        results->Labels().AddSurname(firstHit, disc, item.key);
        ++surnamesWithHits;
    }
    return Stop::kNo;
}

CWideSearch::Stop CWideSearch::WalkPartition(
    int disc, int partition, bool readRecords,
    const std::function<bool(const SurnameCount&)>* visit) {
    if (!HostKeepAlive()) {
        cancelled = true;
        return Stop::kSearch;
    }
    char path[kMaxPath];
    if (!FormatPath(path, "%sgst%d.tre", discDir, partition))
        path[0] = '\0';
    auto walk = std::make_unique<CTreeWalk>(path, KeyBoundsOf(disc, partition));
    switch (walk->State()) {
        case TreeFileState::kOpen:
            break;
        case TreeFileState::kMissing:
            ReportTree(partition, "is missing from this disc");
            return Stop::kNo;
        case TreeFileState::kUnreadable:
            ReportTree(partition, "on this disc cannot be read");
            return Stop::kNo;
        case TreeFileState::kWrongFormat:
            ReportTree(partition, "on this disc is damaged");
            return Stop::kNo;
    }
    std::int64_t lowest = 0;
    std::int64_t beyond = INT64_MAX;
    RunBoundsOf(disc, partition, lowest, beyond);
    walk->SetRunBounds(lowest, beyond);

    for (int r = 0; r < rangeCount; ++r) {
        const KeyRange& range = ranges[r];
        if (!Reaches(range, disc, partition))
            continue;
        if (!walk->Seek(range.low)) {
            ReportTree(partition, "on this disc is damaged");
            return Stop::kNo;
        }
        for (;;) {
            TreeItem item;
            const WalkStep step = walk->Next(item);
            if (step == WalkStep::kEnd)
                break;
            if (step == WalkStep::kDamaged) {
                ReportTree(partition, "on this disc is damaged");
                return Stop::kNo;
            }
            if (range.IsPast(item.key))
                break;
            if (++keysWalked % kKeysPerKeepAlive == 0 && !HostKeepAlive()) {
                cancelled = true;
                return Stop::kSearch;
            }
            if (!SurnameMatches(item.key))
                continue;
            ++matchedSurnames;
            if (visit != nullptr) {
                SurnameCount found{};
                std::memcpy(found.key, item.key, kKeyLength);
                found.disc = disc;
                found.records = item.count;
                if (!(*visit)(found))
                    return Stop::kSearch;
            }
            if (!readRecords || nobodyOnDisc)
                continue;
            const Stop stop = ScanRun(disc, partition, item);
            if (stop == Stop::kPartition)
                return Stop::kNo;
            if (stop == Stop::kSearch)
                return stop;
        }
    }
    return Stop::kNo;
}

void CWideSearch::ReportLabelsUnwritable() const {
    char text[kMaxPath + 200];
    std::snprintf(text, sizeof text,
                  "Cannot write \"%s\" beside the hit file.\n\nNo records can be shown. Check "
                  "that the program folder exists, that it is writable and that the disk is not "
                  "full.",
                  results->Labels().SurnamesPath());
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

WideOutcome CWideSearch::EndWithoutRecords(WideOutcome outcome) {
    results->Labels().Finish();
    results->Reset();
    recordsRead += records ? records->RecordsRead() : 0;
    records.reset();
    if (outcome == WideOutcome::kCancelled) {
        AfxMessageBox("The search was cancelled.\n\nNo records are shown.",
                      MB_OK | MB_ICONINFORMATION);
    }
    return outcome;
}

WideOutcome CWideSearch::Run(const SearchQuery& query, bool readRecords,
                             const std::function<bool(const SurnameCount&)>* visit) {
    // An unchecked query may say anything: searching it could show every record as a hit.
    if (!query.IsChecked())
        return WideOutcome::kFailed;
    matchedSurnames = 0;
    surnamesWithHits = 0;
    keysWalked = 0;
    recordsRead = 0;
    cancelled = false;
    std::memset(toldTree, 0, sizeof toldTree);
    toldShortFile = toldShortData = toldNamesUnreadable = toldNamesShort = false;
    records.reset();

    if (readRecords) {
        results->Reset();
        if (!results->BeginHits())
            return WideOutcome::kFailed;
        if (!results->Labels().Begin()) {
            ReportLabelsUnwritable();
            results->Labels().Finish();
            results->Reset();
            return WideOutcome::kFailed;
        }
    }
    PrepareSurname(query);
    PrepareTest(query);
    const bool anySurname = query.Surname() != SurnameKind::kNone;

    for (int disc = 1; disc <= 2; ++disc) {
        bool reached = false;
        for (int p = FirstPartitionOf(disc); p <= LastPartitionOf(disc) && !reached; ++p) {
            for (int r = 0; r < rangeCount && !reached; ++r)
                reached = Reaches(ranges[r], disc, p);
        }
        if (!reached)
            continue;
        currentDisc = disc;
        if (!EnsureDisc(disc))
            return readRecords ? EndWithoutRecords(WideOutcome::kNoDisc) : WideOutcome::kNoDisc;

        nobodyOnDisc = false;
        if (readRecords) {
            PrepareNames(disc, query);
            // Without a surname to count, a disc where nobody can match is not read at all.
            if (nobodyOnDisc && !anySurname)
                continue;
            records = std::make_unique<CDiscRecords>(discDir);
        }
        for (int p = FirstPartitionOf(disc); p <= LastPartitionOf(disc); ++p) {
            if (WalkPartition(disc, p, readRecords, visit) != Stop::kSearch)
                continue;
            if (!cancelled)
                return WideOutcome::kDone;  // the listing had what it wanted
            if (readRecords)
                return EndWithoutRecords(WideOutcome::kCancelled);
            AfxMessageBox("The search was cancelled.", MB_OK | MB_ICONINFORMATION);
            return WideOutcome::kCancelled;
        }
        if (records) {
            if (records->Short()) {
                Report(toldShortData,
                       "Some records could not be read: the data files on the disc are damaged "
                       "or incomplete.\n\nThe records shown may not be all the records there "
                       "are.");
            }
            recordsRead += records->RecordsRead();
            records.reset();
        }
    }

    if (!readRecords)
        return WideOutcome::kDone;
    if (!results->Labels().Finish()) {
        ReportLabelsUnwritable();
        results->Reset();
        return WideOutcome::kFailed;
    }
    results->EndHits();
    return WideOutcome::kDone;
}
