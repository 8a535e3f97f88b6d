// The first-name list "fname.fst": fixed 10-byte upper-case names, sorted, with filler records
// at both ends that lookups never return.
#include <cstdio>
#include <cstring>

#include "death_index.h"
#include "death_record.h"
#include "first_names.h"
#include "tree_file.h"

namespace {

// One entry for the whole process: list lines of the same first name read the file once.
int g_cachedIndex = -1;
char g_cachedName[kFirstNameRecordSize + 1] = "n/a";

}  // namespace

const char kFirstNameFallback[] = "n/a";

void ForgetCachedFirstName() {
    g_cachedIndex = -1;
}

const char* CDeathIndex::GetFirstName(int index) {
    if (index == g_cachedIndex)
        return g_cachedName;
    char record[kFirstNameRecordSize + 1];
    if (ReadFirstNameRecord(index, record)) {
        record[kFirstNameRecordSize] = '\0';
        std::memcpy(g_cachedName, record, sizeof record);
        g_cachedIndex = index;
    } else {
        // Never show what a failed read left in the buffer.
        std::snprintf(g_cachedName, sizeof g_cachedName, "%s", kFirstNameFallback);
        g_cachedIndex = -1;
    }
    return g_cachedName;
}

bool CDeathIndex::ReadFirstNameRecord(int index, char* out) {
    DiscFiles& disc = *files;
    if (!disc.firstNames || !disc.pieces || index < 0)
        return false;
    // Whole pieces of the list, so that a name never straddles two of them.
    constexpr long kPieceBytes = sizeof(NamePiece::names);
    const long offset = static_cast<long>(index) * kFirstNameRecordSize;
    const long number = offset / kPieceBytes;
    NamePiece& piece = disc.pieces[number % kNamePieces];
    const long start = number * kPieceBytes;
    if (piece.start != start) {
        piece.start = -1;
        piece.bytes = 0;
        if (std::fseek(disc.firstNames.get(), start, SEEK_SET) != 0)
            return false;
        const std::size_t bytes =
            std::fread(piece.names, 1, sizeof piece.names, disc.firstNames.get());
        if (std::ferror(disc.firstNames.get())) {
            // A failed read is tried again, never kept as the list's end.
            std::clearerr(disc.firstNames.get());
            return false;
        }
        piece.start = start;
        piece.bytes = bytes;
    }
    if (offset + kFirstNameRecordSize > start + static_cast<long>(piece.bytes))
        return false;
    std::memcpy(out, piece.names + (offset - start), kFirstNameRecordSize);
    return true;
}

int CDeathIndex::FindFirstName(const char* name) {
    if (!files->firstNames || files->nameCount < 0)
        return kFirstNameUnreadable;
    const int n = files->nameCount;
    // The search needs records 10 and n - 10 inside the file; a list too short for that is not
    // a list this program can search.
    if (n < kFirstNameLeadingFillers + kFirstNameTrailingFillers)
        return kFirstNameUnreadable;

    bool readFailed = false;
    auto compareWith = [&](int i) {
        const char* rec = GetFirstName(i);
        if (g_cachedIndex != i)
            readFailed = true;
        return CompareKeys(name, rec, kFirstNameRecordSize + 1);
    };

    // The position found is the first name not below the typed one; the records of that
    // position are the typed name's only when the list holds exactly that name there.
    int result;
    bool equal;
    int hi = n - 10;
    if (compareWith(10) <= 0) {
        result = 0;
        equal = compareWith(0) == 0;
    } else if (const int atHi = compareWith(hi); atHi > 0) {
        result = hi;
        equal = false;
    } else {
        int atResult = atHi;
        int lo = 10;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            const int order = compareWith(mid);
            if (order > 0) {
                lo = mid;
            } else {
                hi = mid;
                atResult = order;
            }
        }
        result = hi;
        equal = atResult == 0;
    }
    if (readFailed)
        return kFirstNameUnreadable;
    namesReadable = true;
    return equal ? result : kFirstNameAbsent;
}

void CDeathIndex::CheckFirstNames(const DeathRecord* page, int count) {
    if (namesReported || count <= 0)
        return;
    if (!files->firstNames || files->nameCount < 0) {
        ReportFirstNameList(NameListProblem::kUnreadable, false);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (page[i].firstNameIndex < 0 || page[i].firstNameIndex >= files->nameCount) {
            ReportFirstNameList(NameListProblem::kTooShort, false);
            return;
        }
    }
    if (!namesReadable) {
        // The list line reads this name next, from the same piece of the list: trying it here
        // costs no read of its own.
        char record[kFirstNameRecordSize];
        if (!ReadFirstNameRecord(page[0].firstNameIndex, record)) {
            ReportFirstNameList(NameListProblem::kUnreadable, false);
            return;
        }
        namesReadable = true;
    }
}

void CDeathIndex::ReportFirstNameList(NameListProblem problem, bool byName) {
    if (namesReported)
        return;
    namesReported = true;
    const bool unreadable = problem == NameListProblem::kUnreadable;
    const char* text;
    if (byName) {
        text = unreadable ? "The first-name list (fname.fst) on this disc cannot be read, so a "
                            "search by given name is not possible.\n\nSearch without a given "
                            "name, or check the disc."
                          : "The first-name list (fname.fst) on this disc is too short for the "
                            "names its records use, so a search by given name is not possible."
                            "\n\nSearch without a given name, or check the disc.";
    } else {
        text = unreadable ? "The first-name list (fname.fst) on this disc cannot be read, so "
                            "given names show as \"n/a\".\n\nThe disc may be damaged or "
                            "incomplete."
                          : "The first-name list (fname.fst) on this disc is too short for the "
                            "names its records use, so some given names show as \"n/a\".\n\n"
                            "The disc may be damaged or incomplete.";
    }
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}
