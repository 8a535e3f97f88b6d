#include "death_index.h"

#include <algorithm>
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

bool CDeathIndex::EnsureDisc(int disc) {
    const char* found = FindDisc(disc);
    while (found == nullptr) {
        if (PromptForDisc(disc) != IDOK)
            return false;
        found = FindDisc(disc);
    }
    // Read the disc where its marker is: that is where the user put it.
    std::snprintf(discDir, sizeof discDir, "%s", found);
    return true;
}

bool CDeathIndex::OpenIndexFor(const char* key) {
    CloseAll();
    const int partition = PartitionOf(key);
    g_nCurrentDisc = DiscOf(key);
    if (!EnsureDisc(g_nCurrentDisc))
        return false;

    char path[kMaxPath];
    if (FormatPath(path, "%sfname.fst", discDir))
        firstNames = OpenFile(path, "r");
    ForgetCachedFirstName();
    // An over-long directory names no file; the tree below then reads as empty.
    if (!FormatPath(path, "%sgst%d.tre", discDir, partition))
        path[0] = '\0';
    tree = std::make_unique<CTreeFile>(path);
    dataFile.reset();
    currentFile = -1;
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
    results->Reset();

    char key[kKeyLength + 1];
    MakeSurnameKey(criteria->surname, key);
    if (!OpenIndexFor(key))
        return;

    tree->Lookup(key, criteria->firstRecord, criteria->recordCount);
    if (!ConfirmHit())
        return;
    if (!RunIsOnDisc(criteria->firstRecord, criteria->recordCount))
        return;

    results->SetRange(criteria->firstRecord, criteria->recordCount);
    results->SetSurname(key);
    RunFilter(*criteria);
}

void CDeathIndex::RunFilter(const CSearchCriteria& query) {
    const bool s = query.stateSet != 0;
    const bool f = query.firstNameSet != 0;
    const bool b = query.birthYearSet != 0;
    const bool d = query.deathYearSet != 0;

    int fn = -1;
    if (f) {
        fn = FindFirstName(query.firstName);
        if (fn < 0) {
            // Without the list a first-name filter cannot be applied; running unfiltered
            // would show other people's records as matches.
            AfxMessageBox(
                "The first-name list (fname.fst) on this disc cannot be read, so a search "
                "by given name is not possible.\n\nSearch without a given name, or check the "
                "disc.",
                MB_OK | MB_ICONEXCLAMATION);
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
    int file = FileNumberOf(last);
    long position = IndexInFile(last);
    if (position == kLastFilePosition) {
        ++file;
        position = 0;
    }
    if (!OpenDataFile(file))
        return false;
    const long size = StreamSize(dataFile.get());
    dataOffset = -1;
    if (size >= (position + 1) * static_cast<long>(sizeof(RawDeathRecord)))
        return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "The records of this surname cannot be read: data file dp%d.car is shorter "
                  "than the index says.\n\nThe disc may be damaged or incomplete.",
                  file);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CDeathIndex::OpenDataFile(int number) {
    if (number == currentFile)
        return true;
    dataFile.reset();
    currentFile = -1;
    dataOffset = -1;

    char path[kMaxPath];
    if (number > 0 && FormatPath(path, "%sdp%d.car", discDir, number)) {
        dataFile = OpenFile(path, "rb");
    }
    if (!dataFile) {
        char text[64];
        std::snprintf(text, sizeof text, "File #%d needs to be on this disc.", number);
        MessageBoxA(nullptr, text, "Missing Data File", MB_OK | MB_ICONEXCLAMATION);
        HostExit(1);
        return false;  // only a test host gets here; reads then deliver nothing
    }
    std::setvbuf(dataFile.get(), dataBuffer, _IOFBF, sizeof dataBuffer);
    currentFile = number;
    dataOffset = 0;
    return true;
}

bool CDeathIndex::SeekData(long offset) {
    if (!dataFile)
        return false;
    // Sequential reads continue where the last one ended, without a seek.
    if (offset == dataOffset)
        return true;
    if (std::fseek(dataFile.get(), offset, SEEK_SET) != 0) {
        dataOffset = -1;
        return false;
    }
    dataOffset = offset;
    return true;
}

int CDeathIndex::ReadRecord(int n) {
    const int got = ReadOne(n);
    if (got == 0)
        dataShort = true;
    return got;
}

int CDeathIndex::ReadOne(int n) {
    std::memset(&current, 0, sizeof current);
    if (n < 0)
        return 0;
    const int file = FileNumberOf(n);
    const int index = IndexInFile(n);
    bool positioned;
    if (index == kLastFilePosition) {
        positioned = OpenDataFile(file + 1) && SeekData(0);
    } else {
        positioned = OpenDataFile(file) && SeekData(static_cast<long>(index) * 16);
    }
    if (!positioned || std::fread(&current, sizeof current, 1, dataFile.get()) != 1) {
        dataOffset = -1;
        return 0;
    }
    dataOffset += static_cast<long>(sizeof current);
    return 1;
}

int CDeathIndex::ReadPage(int start, int end, RawDeathRecord* buffer) {
    if (start < 0)
        return 0;
    const int last = static_cast<int>(std::min<std::int64_t>(std::int64_t{start} + kPageRead, end));
    const int wanted = last - start;
    if (wanted <= 0)
        return 0;

    const int a = FileNumberOf(start);
    const int b = FileNumberOf(last);
    if (a != currentFile && !OpenDataFile(a))
        return 0;

    int arrived = 0;
    if (a == b) {
        // One seek and one read of 100 records, whatever the page needs.
        if (SeekData(static_cast<long>(IndexInFile(start)) * 16)) {
            const std::size_t got =
                std::fread(buffer, sizeof(RawDeathRecord), kPageRead, dataFile.get());
            dataOffset = got == kPageRead ? dataOffset + kPageRead * 16 : -1;
            arrived = static_cast<int>(got);
        }
    } else {
        // The page reaches into the next file: record by record, including record `last`.
        for (int j = start; j <= last; ++j) {
            if (ReadOne(j) == 0)
                break;
            buffer[arrived++] = current;
        }
    }
    if (arrived < wanted) {
        dataShort = true;
        return arrived;
    }
    return wanted;
}

void CDeathIndex::CloseAll() {
    tree.reset();
    firstNames.reset();
    dataFile.reset();
    currentFile = -1;
    dataOffset = -1;
}
