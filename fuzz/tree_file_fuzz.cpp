// A tree file of arbitrary bytes, looked up with an arbitrary key and a few fixed ones.
// Input: one byte giving the key's length (0..15), the key, then the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "tree_file.h"

namespace {

FuzzHost g_host;
std::string g_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallHost(&g_host);
    g_path = MakeScratchDir("tree") + "gst0.tre";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 16, size - 1);
    char key[16] = {};
    std::memcpy(key, data + 1, keyLength);
    const std::size_t header = 1 + keyLength;
    if (!WriteWholeFile(g_path, data + header, size - header))
        return 0;

    CTreeFile tree(g_path.c_str());
    for (const char* k :
         {static_cast<const char*>(key), "SMITH       ", "A           ", "ZZZZZZZZZZZZ"}) {
        std::int32_t first = 0;
        std::int32_t count = 0;
        const TreeLookup found = tree.Lookup(k, first, count);
        // A found run is always a real range of record numbers; anything else gives none.
        if ((found == TreeLookup::kFound) != (first != -1))
            __builtin_trap();
        if (first != -1 &&
            (first < 0 || count < 0 || static_cast<std::int64_t>(first) + count > INT32_MAX)) {
            __builtin_trap();
        }
        if (first == -1 && count != 0)
            __builtin_trap();
    }
    for (const bool last : {false, true}) {
        TreeItem item{};
        if (tree.EdgeRun(last, item) == TreeLookup::kFound &&
            (item.first < 0 || item.count < 0 ||
             static_cast<std::int64_t>(item.first) + item.count > INT32_MAX)) {
            __builtin_trap();
        }
    }
    return 0;
}
