// The first-name list "fname.fst": fixed 10-byte upper-case names, sorted, with filler records
// at both ends that lookups never return.
#include <climits>
#include <cstdio>
#include <cstring>

#include "death_index.h"
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
    if (!firstNames || index < 0)
        return false;
    const long offset = static_cast<long>(index) * kFirstNameRecordSize;
    if (namesStart < 0 || offset < namesStart ||
        offset + kFirstNameRecordSize > namesStart + static_cast<long>(namesBytes)) {
        // Whole pieces of the list, so that a name never straddles two of them.
        namesStart = offset - offset % static_cast<long>(sizeof names);
        namesBytes = 0;
        if (std::fseek(firstNames.get(), namesStart, SEEK_SET) != 0) {
            namesStart = -1;
            return false;
        }
        namesBytes = std::fread(names, 1, sizeof names, firstNames.get());
        if (offset + kFirstNameRecordSize > namesStart + static_cast<long>(namesBytes))
            return false;
    }
    std::memcpy(out, names + (offset - namesStart), kFirstNameRecordSize);
    return true;
}

int CDeathIndex::FindFirstName(const char* name) {
    if (!firstNames)
        return -1;
    const long size = StreamSize(firstNames.get());
    if (size < 0)
        return -1;
    const long n = size / kFirstNameRecordSize;
    // The search needs records 10 and n - 10 inside the file; a list too short for that is not
    // a list this program can search.
    if (n < kFirstNameLeadingFillers + kFirstNameTrailingFillers || n > INT_MAX)
        return -1;

    bool readFailed = false;
    auto compareWith = [&](int i) {
        const char* rec = GetFirstName(i);
        if (g_cachedIndex != i)
            readFailed = true;
        return CompareKeys(name, rec, kFirstNameRecordSize + 1);
    };

    int result;
    int hi = static_cast<int>(n) - 10;
    if (compareWith(10) <= 0) {
        result = 0;
    } else if (compareWith(hi) > 0) {
        result = hi;
    } else {
        int lo = 10;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            if (compareWith(mid) > 0) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        result = hi;
    }
    return readFailed ? -1 : result;
}
