// A whole search over a small valid disc set, one of whose files (a tree, a first-name list
// or a data file) the fuzzer replaces. Input: one byte choosing the file, then its new
// content. Every query must end, and with the index or list damaged no hit may come from
// another surname's records, nor from another first name's; nothing is created on the discs.
// The same for two searches beyond the form: every surname, and a given name alone.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "death_index.h"
#include "fuzz_support.h"
#include "result_set.h"
#include "search_criteria.h"
#include "search_query.h"
#include "wide_search.h"

namespace {

FuzzHost g_host;
std::vector<std::string> g_files;
std::vector<std::vector<std::uint8_t>> g_originals;

void RunQuery(CDeathIndex& index, CResultSet& results, int owner, int kind, bool checkOwner,
              bool listReplaced) {
    CSearchCriteria criteria;
    criteria.SetSurname(kFuzzSurnames[owner - 1]);
    if (kind & 1)
        criteria.SetState(2);
    if (kind & 2)
        criteria.SetFirstName("BOB");
    if (kind & 4)
        criteria.SetBirthYear(1921);
    index.Search(&criteria);
    for (int page = 0; page < 1000; ++page) {
        for (int r = 0; r < results.GetPageCount(); ++r) {
            const int ssn = results.PageRecord(r)->ssn;
            if (checkOwner && OwnerOf(ssn) != owner)
                __builtin_trap();
            // Only BOBs for BOB: a damaged list never matches by another name's position. A
            // replaced list may itself put BOB where another name was, which no reader can
            // tell: its hits must then at least be shown as BOB.
            if (checkOwner && (kind & 2) != 0 && ssn % 1000 % 4 != 1) {
                char line[kListLineSize];
                results.FormatListLine(r, line);
                if (!listReplaced || std::strchr(line, '\t') == nullptr ||
                    std::strncmp(std::strchr(line, '\t') + 1, "BOB       \t", 11) != 0) {
                    __builtin_trap();
                }
            }
        }
        if (results.GetPageCount() <= 0 || !results.HasNextPage())
            return;
        results.NextPage();
    }
    __builtin_trap();  // paging that never ends
}

// Every surname, and every BOB without a surname: each hit labelled with one of the set's
// surnames must be that surname's record.
void RunWideQueries(CResultSet& results, bool checkOwner) {
    CWideSearch wide(&results);
    for (int kind = 0; kind < 2; ++kind) {
        SearchQuery query;
        if (kind == 0) {
            query.SetSurname("*");
        } else {
            query.SetFirstName("BOB");
        }
        QueryProblem problem;
        if (!query.Check(problem))
            __builtin_trap();
        wide.Search(query);
        char line[kListLineSize];
        for (int page = 0; page < 1000; ++page) {
            for (int r = 0; r < results.GetPageCount(); ++r) {
                results.FormatListLine(r, line);
                const int ssn = results.PageRecord(r)->ssn;
                for (int owner = 1; owner <= kFuzzSurnameCount; ++owner) {
                    const std::size_t length = std::strlen(kFuzzSurnames[owner - 1]);
                    const bool named = std::strncmp(line, kFuzzSurnames[owner - 1], length) == 0 &&
                                       line[length] == ' ';
                    if (checkOwner && named && OwnerOf(ssn) != owner)
                        __builtin_trap();
                }
            }
            if (results.GetPageCount() <= 0 || !results.HasNextPage())
                break;
            results.NextPage();
            if (page == 999)
                __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallHost(&g_host);
    const std::string root = MakeScratchDir("search");
    if (!WriteFuzzSet(root))
        __builtin_trap();
    g_host.disc1Dir = root + "disc1/";
    g_host.disc2Dir = root + "disc2/";
    g_host.programDir = root;
    g_files = FuzzSetFiles(root);
    for (const std::string& file : g_files)
        g_originals.push_back(ReadWholeFile(file));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t which = data[0] % g_files.size();
    if (!WriteWholeFile(g_files[which], data + 1, size - 1))
        return 0;

    CDeathIndex index;
    CResultSet results(&index);
    index.SetResultSet(&results);
    // A replaced data file carries whatever the input says, so only a damaged index or list
    // can be judged by whose records come back.
    const bool checkOwner = g_files[which].find(".car") == std::string::npos;
    const bool listReplaced = g_files[which].find("fname.fst") != std::string::npos;
    for (int owner = 1; owner <= kFuzzSurnameCount; ++owner) {
        for (int kind : {0, 1, 2, 7})
            RunQuery(index, results, owner, kind, checkOwner, listReplaced);
    }
    RunWideQueries(results, checkOwner);
    // A search only reads: every other file of the set is still as it was.
    for (std::size_t i = 0; i < g_files.size(); ++i) {
        if (i != which && ReadWholeFile(g_files[i]) != g_originals[i])
            __builtin_trap();
    }
    const std::vector<std::uint8_t>& original = g_originals[which];
    WriteWholeFile(g_files[which], original.data(), original.size());
    return 0;
}
