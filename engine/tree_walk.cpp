#include "tree_walk.h"

#include <cstring>

#include "death_record.h"

namespace {

// A stored key is a surname key: twelve bytes that are not NUL, then its NUL. Anything else
// is no key a search could have made.
bool IsWellFormedKey(const char* key) {
    for (int i = 0; i < kKeyLength; ++i) {
        if (key[i] == '\0')
            return false;
    }
    return key[kKeyLength] == '\0';
}

}  // namespace

PartitionKeyBounds KeyBoundsOf(int disc, int partition) {
    PartitionKeyBounds bounds;
    // Keys below the first partition key belong to partition 0.
    if (partition > 0)
        std::memcpy(bounds.low, PartitionKeys[partition], kKeyLength);
    if (partition + 1 < kPartitionCount) {
        std::memcpy(bounds.high, PartitionKeys[partition + 1], kKeyLength);
        bounds.hasHigh = true;
    }
    if (partition == kStraddlingPartition) {
        if (disc == 1) {
            std::memcpy(bounds.high, kDiscSplitKey, kKeyLength);
            bounds.highInclusive = true;
        } else {
            // Disc 2 holds the keys after the split key: the split key and one byte more is
            // the first of them.
            std::memcpy(bounds.low, kDiscSplitKey, kKeyLength);
            bounds.low[kKeyLength - 1] = static_cast<char>(bounds.low[kKeyLength - 1] + 1);
        }
    }
    return bounds;
}

CTreeWalk::CTreeWalk(const char* path, const PartitionKeyBounds& partitionKeys)
    : keys(partitionKeys) {
    state = OpenTreeStream(path, file, fileSize);
    if (state != TreeFileState::kOpen)
        return;
    unsigned char header[kTreeHeaderSize];
    if (std::fseek(file.get(), 0, SEEK_SET) == 0 &&
        std::fread(header, 1, sizeof header, file.get()) == sizeof header) {
        root = static_cast<std::int32_t>(LoadLE32(header));
        headerRead = true;
    }
}

void CTreeWalk::SetRunBounds(std::int64_t lowest, std::int64_t beyond) {
    lowestRecord = lowest;
    beyondRecord = beyond;
}

bool CTreeWalk::ReadNode(std::int32_t offset, TreeNode& node) {
    if (offset < kTreeHeaderSize || static_cast<long>(offset) + kTreeNodeSize > fileSize)
        return false;
    const long at = offset;
    unsigned char single[kTreeNodeSize];
    const unsigned char* bytes = nullptr;
    if (chunkStart >= 0 && at >= chunkStart && at + kTreeNodeSize <= chunkStart + chunkBytes) {
        bytes = chunk + (at - chunkStart);
    } else if (lastOffset >= 0 && at > lastOffset && at < lastOffset + kChunkBytes) {
        // Just ahead of the last node: the walk is going through the file, take a whole piece.
        chunkStart = -1;
        if (std::fseek(file.get(), at, SEEK_SET) != 0)
            return false;
        chunkBytes = static_cast<long>(std::fread(chunk, 1, sizeof chunk, file.get()));
        if (chunkBytes < kTreeNodeSize)
            return false;
        chunkStart = at;
        bytes = chunk;
    } else {
        if (std::fseek(file.get(), at, SEEK_SET) != 0 ||
            std::fread(single, 1, sizeof single, file.get()) != sizeof single) {
            return false;
        }
        bytes = single;
    }
    lastOffset = at;
    ++nodeReads;
    DecodeTreeNode(*reinterpret_cast<const unsigned char(*)[kTreeNodeSize]>(bytes), node);
    return NodeIsSane(node);
}

bool CTreeWalk::KeyIsInPartition(const char* key) const {
    if (!IsWellFormedKey(key) || CompareKeys(key, keys.low) < 0)
        return false;
    if (!keys.hasHigh)
        return true;
    const int order = CompareKeys(key, keys.high);
    return keys.highInclusive ? order <= 0 : order < 0;
}

bool CTreeWalk::Push(std::int32_t offset, const char* lower, const char* upper) {
    // Deeper than any real tree: a cycle that the brackets did not catch yet.
    if (depth >= kTreeMaxDepth)
        return false;
    Frame& f = stack[depth];
    if (!ReadNode(offset, f.node))
        return false;
    // Every key below an item lies strictly between the items around the way down; a node
    // reached again through a cycle cannot.
    if (lower != nullptr && CompareKeys(f.node.items[0].key, lower) <= 0)
        return false;
    if (upper != nullptr && CompareKeys(f.node.items[f.node.count - 1].key, upper) >= 0)
        return false;
    f.next = 0;
    f.childDone = false;
    f.lower = lower;
    f.upper = upper;
    ++depth;
    return true;
}

WalkStep CTreeWalk::Fail() {
    over = true;
    depth = 0;
    hasPending = false;
    return WalkStep::kDamaged;
}

bool CTreeWalk::Seek(const char* low) {
    depth = 0;
    over = false;
    primed = false;
    hasPending = false;
    previousEnd = lowestRecord;
    if (!file)
        return true;  // no keys
    // A file too short for its header is no tree, though its last byte be 4.
    if (!headerRead) {
        Fail();
        return false;
    }
    if (root == kNoNode)
        return true;

    // Down to the first key not below `low`; the last item below it on the way is the key
    // just before, whose run bounds the first run handed on.
    std::int32_t offset = root;
    const char* lower = nullptr;
    const char* upper = nullptr;
    for (;;) {
        if (!Push(offset, lower, upper)) {
            Fail();
            return false;
        }
        Frame& f = stack[depth - 1];
        const int i = low[0] == '\0' ? 0 : CTreeFile::SearchNode(low, f.node.items, f.node.count);
        f.next = i;
        f.childDone = true;
        if (i > 0) {
            const TreeItem& before = f.node.items[i - 1];
            // Only a sound key before bounds the runs after it, as in the lookup.
            if (RunIsSane(before) && RunEnd(before) > previousEnd)
                previousEnd = RunEnd(before);
            lower = before.key;
        }
        if (i < f.node.count)
            upper = f.node.items[i].key;
        offset = f.node.child[i];
        if (offset == kNoNode)
            return true;
    }
}

WalkStep CTreeWalk::Advance(TreeItem& item) {
    while (depth > 0) {
        Frame& f = stack[depth - 1];
        if (!f.childDone) {
            f.childDone = true;
            const std::int32_t child = f.node.child[f.next];
            if (child != kNoNode) {
                const char* lower = f.next > 0 ? f.node.items[f.next - 1].key : f.lower;
                const char* upper = f.next < f.node.count ? f.node.items[f.next].key : f.upper;
                if (!Push(child, lower, upper))
                    return WalkStep::kDamaged;
                continue;
            }
        }
        if (f.next < f.node.count) {
            item = f.node.items[f.next++];
            f.childDone = false;
            if (!RunIsSane(item) || !KeyIsInPartition(item.key))
                return WalkStep::kDamaged;
            return WalkStep::kItem;
        }
        --depth;
    }
    return WalkStep::kEnd;
}

WalkStep CTreeWalk::Next(TreeItem& item) {
    if (over)
        return WalkStep::kEnd;
    if (!primed) {
        primed = true;
        const WalkStep first = Advance(pending);
        if (first == WalkStep::kDamaged)
            return Fail();
        hasPending = first == WalkStep::kItem;
    }
    if (!hasPending) {
        over = true;
        return WalkStep::kEnd;
    }
    // The key after this one (or the next partition's first run) bounds this run from above.
    TreeItem after{};
    const WalkStep next = Advance(after);
    if (next == WalkStep::kDamaged)
        return Fail();
    const std::int64_t ceiling = next == WalkStep::kItem ? after.first : beyondRecord;
    if (pending.first < previousEnd || RunEnd(pending) > ceiling)
        return Fail();
    item = pending;
    previousEnd = RunEnd(pending);
    pending = after;
    hasPending = next == WalkStep::kItem;
    return WalkStep::kItem;
}
