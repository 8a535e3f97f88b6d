// A tree file of arbitrary bytes, walked in key order from an arbitrary key and from the start.
// Input: one byte giving the key's length (0..15), the key, then the file (the tree_file
// target's seeds). Every walk must end; what it gives must be well-formed keys of the
// partition, strictly ascending, with real runs that ascend and never overlap.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "tree_walk.h"

namespace {

FuzzHost g_host;
std::string g_path;

void Walk(const char* from, const PartitionKeyBounds& bounds, std::int64_t lowest,
          std::size_t fileSize) {
    CTreeWalk walk(g_path.c_str(), bounds);
    walk.SetRunBounds(lowest, INT64_MAX);
    if (!walk.Seek(from))
        return;
    char last[kTreeKeySize] = {};
    bool any = false;
    std::int64_t end = lowest;
    // Each node is read at most once, and holds at most four items.
    const std::size_t most = kTreeMaxItems * (fileSize + 1);
    for (std::size_t n = 0;; ++n) {
        if (n > most)
            __builtin_trap();  // a walk that does not end
        TreeItem item;
        const WalkStep step = walk.Next(item);
        if (step != WalkStep::kItem)
            return;
        if (item.key[kKeyLength] != '\0' || std::memchr(item.key, '\0', kKeyLength) != nullptr)
            __builtin_trap();
        if (CompareKeys(item.key, from) < 0 || CompareKeys(item.key, bounds.low) < 0 ||
            (bounds.hasHigh && CompareKeys(item.key, bounds.high) >= 0) ||
            (any && CompareKeys(item.key, last) <= 0)) {
            __builtin_trap();
        }
        if (item.first < end || item.count < 0 ||
            static_cast<std::int64_t>(item.first) + item.count > INT32_MAX) {
            __builtin_trap();
        }
        end = static_cast<std::int64_t>(item.first) + item.count;
        std::memcpy(last, item.key, sizeof last);
        any = true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallHost(&g_host);
    g_path = MakeScratchDir("walk") + "gst12.tre";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > (1 << 20))
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(data[0] % 16, size - 1);
    char key[16] = {};
    std::memcpy(key, data + 1, keyLength);
    const std::size_t header = 1 + keyLength;
    if (!WriteWholeFile(g_path, data + header, size - header))
        return 0;
    // The seeds' keys lie in partition 12 (SKABAR up to THUILOT); those of partition 0 are
    // walked too, where most keys are damage.
    const PartitionKeyBounds bounds = KeyBoundsOf(2, 12);
    Walk("", bounds, 0, size);
    Walk(key, bounds, 0, size);
    Walk("SMITH       ", bounds, 3, size);
    Walk("", KeyBoundsOf(1, 0), 0, size);
    return 0;
}
