// A first-name list of arbitrary bytes, searched for an arbitrary typed name and read at
// arbitrary positions. Input: 10 bytes of typed name, 4 bytes of position, then the list.
#include <cstdint>
#include <cstring>
#include <string>

#include "death_index.h"
#include "fuzz_support.h"
#include "search_criteria.h"

namespace {

FuzzHost g_host;
std::string g_list;

void CheckName(const char* text) {
    // Every text handed out is a terminated name of at most 10 bytes.
    if (std::strlen(text) > kFirstNameRecordSize)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallHost(&g_host);
    const std::string disc = MakeScratchDir("names");
    g_host.disc1Dir = disc;
    g_host.disc2Dir = disc;
    WriteWholeFile(disc + "disc1.id", nullptr, 0);
    g_list = disc + "fname.fst";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 14)
        return 0;
    char typed[kFirstNameRecordSize + 1] = {};
    std::memcpy(typed, data, kFirstNameRecordSize);
    std::int32_t position;
    std::memcpy(&position, data + 10, sizeof position);
    if (!WriteWholeFile(g_list, data + 14, size - 14))
        return 0;

    CSearchCriteria criteria;
    criteria.SetFirstName(typed);  // upper-cased and padded the way the form stores it
    CDeathIndex index;
    if (!index.OpenIndexFor("A           "))
        return 0;
    const int found = index.FindFirstName(criteria.firstName);
    const long records = static_cast<long>((size - 14) / kFirstNameRecordSize);
    if (found < kFirstNameAbsent || found > records)
        __builtin_trap();
    // A position is given only for exactly the typed name.
    if (found >= 0 && std::strcmp(index.GetFirstName(found), criteria.firstName) != 0)
        __builtin_trap();
    CheckName(index.GetFirstName(position));
    CheckName(index.GetFirstName(found));
    CheckName(index.GetFirstName(found));  // the cached path
    return 0;
}
