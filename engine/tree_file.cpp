#include "tree_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "death_record.h"
#include "host.h"

namespace {

std::int32_t LoadInt(const unsigned char* p) {
    return static_cast<std::int32_t>(LoadLE32(p));
}
void StoreInt(unsigned char* p, std::int32_t v) {
    StoreLE32(p, static_cast<std::uint32_t>(v));
}

}  // namespace

bool NodeIsSane(const TreeNode& node) {
    if (node.count < 1 || node.count > kTreeMaxItems)
        return false;
    for (int i = 1; i < node.count; ++i) {
        if (CompareKeys(node.items[i - 1].key, node.items[i].key) >= 0)
            return false;
    }
    return true;
}

bool RunIsSane(const TreeItem& item) {
    return item.first >= 0 && item.count >= 0 &&
           static_cast<std::int64_t>(item.first) + item.count <= INT32_MAX;
}

void DecodeTreeNode(const unsigned char (&bytes)[kTreeNodeSize], TreeNode& node) {
    node.count = LoadInt(bytes);
    for (int i = 0; i < kTreeMaxItems; ++i) {
        const unsigned char* item = bytes + 4 + i * kTreeItemSize;
        node.items[i].first = LoadInt(item);
        node.items[i].count = LoadInt(item + 4);
        std::memcpy(node.items[i].key, item + 8, kTreeKeySize);
    }
    for (int i = 0; i <= kTreeMaxItems; ++i)
        node.child[i] = LoadInt(bytes + 100 + i * 4);
}

void EncodeTreeNode(const TreeNode& node, unsigned char (&bytes)[kTreeNodeSize]) {
    StoreInt(bytes, node.count);
    for (int i = 0; i < kTreeMaxItems; ++i) {
        unsigned char* item = bytes + 4 + i * kTreeItemSize;
        StoreInt(item, node.items[i].first);
        StoreInt(item + 4, node.items[i].count);
        std::memcpy(item + 8, node.items[i].key, kTreeKeySize);
    }
    for (int i = 0; i <= kTreeMaxItems; ++i)
        StoreInt(bytes + 100 + i * 4, node.child[i]);
}

int CompareKeys(const char* a, const char* b, int limit) {
    for (int i = 0; i < limit; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

TreeFileState OpenTreeStream(const char* path, FilePtr& file, long& fileSize) {
    errno = 0;
    file = OpenFile(path, "rb");
    if (!file)
        return errno == ENOENT ? TreeFileState::kMissing : TreeFileState::kUnreadable;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    fileSize = StreamSize(file.get());
    int last = EOF;
    if (fileSize > 0 && std::fseek(file.get(), fileSize - 1, SEEK_SET) == 0)
        last = std::fgetc(file.get());
    // A directory in the file's place opens, but neither measures nor reads: that is not a
    // tree of the wrong format but one that cannot be read.
    if (fileSize < 0 || std::ferror(file.get())) {
        file.reset();
        return TreeFileState::kUnreadable;
    }
    if (last != kTreeTrailer) {
        file.reset();
        return TreeFileState::kWrongFormat;
    }
    return TreeFileState::kOpen;
}

CTreeFile::CTreeFile(const char* path, bool wrongFormatIsFatal) {
    state = OpenTreeStream(path, file, fileSize);
    if (state == TreeFileState::kWrongFormat && wrongFormatIsFatal) {
        AfxMessageBox("wrong file format!", MB_OK | MB_ICONEXCLAMATION);
        HostExit(1);
    }
    // Missing, unreadable or (with a test host that survives the exit) of the wrong format:
    // read as an empty tree.
    if (state != TreeFileState::kOpen)
        return;

    unsigned char header[kTreeHeaderSize];
    if (std::fseek(file.get(), 0, SEEK_SET) == 0 &&
        std::fread(header, 1, sizeof header, file.get()) == sizeof header) {
        root = LoadInt(header);
        freeHead = LoadInt(header + 4);
        headerRead = true;
    }
    rootNode.count = 0;
    if (!ReadNode(root, 0, rootNode))
        rootNode.count = 0;
}

CTreeFile::~CTreeFile() = default;

CTreeFile::KeptNode* CTreeFile::SlotFor(std::int32_t offset, int depth) {
    if (!kept)
        kept = std::make_unique<KeptNode[]>(kUpperSlots + kDeepSlots);
    const auto n = static_cast<std::uint32_t>(offset - kTreeHeaderSize) / kTreeNodeSize;
    if (depth > kKeptLevels)
        return &kept[kUpperSlots + n % kDeepSlots];
    // Open addressing: the node's own slot, or the first free one after it.
    for (std::uint32_t i = 0; i < kUpperSlots; ++i) {
        KeptNode& slot = kept[(n + i) % kUpperSlots];
        if (slot.offset == offset || slot.offset == kNoNode)
            return &slot;
    }
    return nullptr;  // full (only a damaged tree has this many upper nodes): not kept
}

bool CTreeFile::ReadNode(std::int32_t offset, int depth, TreeNode& node) {
    if (offset == kNoNode)
        return false;
    if (offset == root && rootNode.count > 0) {
        node = rootNode;
        return true;
    }
    // Offsets must name a whole node between the header and the end of the file.
    if (offset < kTreeHeaderSize || static_cast<long>(offset) + kTreeNodeSize > fileSize) {
        return false;
    }
    KeptNode* slot = SlotFor(offset, depth);
    if (slot != nullptr && slot->offset == offset) {
        node = slot->node;
        return true;
    }
    const long end = static_cast<long>(offset) + kTreeNodeSize;
    if (blockStart < 0 || offset < blockStart || end > blockStart + blockBytes) {
        const long start = std::max<long>(kTreeHeaderSize, end - kBlockBytes);
        blockStart = -1;
        if (std::fseek(file.get(), start, SEEK_SET) != 0 ||
            std::fread(block, 1, static_cast<std::size_t>(end - start), file.get()) !=
                static_cast<std::size_t>(end - start)) {
            return false;
        }
        ++nodeReads;
        blockStart = start;
        blockBytes = end - start;
    }
    unsigned char bytes[kTreeNodeSize];
    std::memcpy(bytes, block + (offset - blockStart), sizeof bytes);
    DecodeTreeNode(bytes, node);
    if (!NodeIsSane(node))
        return false;
    if (slot != nullptr) {
        slot->offset = offset;
        slot->node = node;
    }
    return true;
}

int CTreeFile::SearchNode(const char* key, const TreeItem* items, int n) {
    if (CompareKeys(key, items[0].key) <= 0)
        return 0;
    int hi = n - 1;
    if (CompareKeys(key, items[hi].key) > 0)
        return n;
    int lo = 0;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (CompareKeys(key, items[mid].key) > 0) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi;
}

bool CTreeFile::ReadNodeWithin(std::int32_t offset, int depth, const Bracket& bracket,
                               TreeNode& node) {
    if (!ReadNode(offset, depth, node))
        return false;
    if (bracket.lower != nullptr && CompareKeys(node.items[0].key, bracket.lower->key) <= 0) {
        return false;
    }
    if (bracket.upper != nullptr &&
        CompareKeys(node.items[node.count - 1].key, bracket.upper->key) >= 0) {
        return false;
    }
    return true;
}

bool CTreeFile::EdgeItem(std::int32_t offset, Bracket bracket, int depth, bool last,
                         TreeItem& item) {
    // Follows the outermost child down to a leaf; that leaf's outermost item is the neighbour.
    for (; depth < kTreeMaxDepth; ++depth) {
        TreeNode node;
        if (!ReadNodeWithin(offset, depth, bracket, node))
            return false;
        const int edge = last ? node.count : 0;
        if (node.child[edge] == kNoNode) {
            item = node.items[last ? node.count - 1 : 0];
            return true;
        }
        offset = node.child[edge];
    }
    return false;
}

TreeLookup CTreeFile::EdgeRun(bool last, TreeItem& item) {
    if (!file)
        return TreeLookup::kNotFound;
    if (!headerRead)
        return TreeLookup::kDamaged;
    if (root == kNoNode)
        return TreeLookup::kNotFound;
    if (!EdgeItem(root, Bracket{}, 0, last, item) || !RunIsSane(item))
        return TreeLookup::kDamaged;
    return TreeLookup::kFound;
}

TreeLookup CTreeFile::Lookup(const char* key, std::int32_t& first, std::int32_t& count,
                             TreeEdges* edges) {
    first = -1;
    count = 0;
    if (!file)
        return TreeLookup::kNotFound;
    // A file too short for its header is no tree, though its last byte be 4.
    if (!headerRead)
        return TreeLookup::kDamaged;

    // The items met on the way bracket the key: in a sound tree every node below lies strictly
    // between them. That is what catches cycles and stray offsets.
    TreeItem lower{};
    TreeItem upper{};
    Bracket bracket;

    std::int32_t offset = root;
    for (int depth = 0; offset != kNoNode; ++depth) {
        TreeNode node;
        if (depth >= kTreeMaxDepth || !ReadNodeWithin(offset, depth, bracket, node))
            return TreeLookup::kDamaged;

        const int i = SearchNode(key, node.items, node.count);
        if (i < node.count && CompareKeys(key, node.items[i].key) == 0) {
            const TreeItem& found = node.items[i];
            if (!RunIsSane(found))
                return TreeLookup::kDamaged;
            // Runs ascend with their keys, so the run must lie between the runs of the keys
            // just before and just after it: a damaged record number cannot pass as another
            // surname's records. In an inner node those neighbours sit at the edges of the two
            // subtrees beside the item.
            TreeItem before = lower;
            TreeItem after = upper;
            bool hasBefore = bracket.lower != nullptr;
            bool hasAfter = bracket.upper != nullptr;
            if (node.child[i] != kNoNode) {
                const Bracket left{bracket.lower, &found};
                if (!EdgeItem(node.child[i], left, depth + 1, true, before))
                    return TreeLookup::kDamaged;
                hasBefore = true;
            } else if (i > 0) {
                before = node.items[i - 1];
                hasBefore = true;
            }
            if (node.child[i + 1] != kNoNode) {
                const Bracket right{&found, bracket.upper};
                if (!EdgeItem(node.child[i + 1], right, depth + 1, false, after))
                    return TreeLookup::kDamaged;
                hasAfter = true;
            } else if (i + 1 < node.count) {
                after = node.items[i + 1];
                hasAfter = true;
            }
            if (hasBefore && RunIsSane(before) && RunEnd(before) > found.first)
                return TreeLookup::kDamaged;
            if (hasAfter && RunIsSane(after) && RunEnd(found) > after.first)
                return TreeLookup::kDamaged;
            first = found.first;
            count = found.count;
            if (edges != nullptr) {
                edges->firstKey = !hasBefore;
                edges->lastKey = !hasAfter;
            }
            return TreeLookup::kFound;
        }
        if (i > 0) {
            lower = node.items[i - 1];
            bracket.lower = &lower;
        }
        if (i < node.count) {
            upper = node.items[i];
            bracket.upper = &upper;
        }
        offset = node.child[i];
    }
    return TreeLookup::kNotFound;
}
