// The tree files' second reader: the keys of one partition's tree in ascending order, each
// with its run of records, for searches that reach many surnames (patterns, sounds-like codes,
// no surname). The lookup (CTreeFile) stays the reader of the exact search.
#pragma once

#include <cstdint>

#include "death_index.h"
#include "stdio_file.h"
#include "tree_file.h"

// The keys a partition's tree may hold on its disc: from `low` (inclusive) to `high`, which
// is exclusive unless `highInclusive` (disc 1's part of the partition that straddles the split
// ends with the split key itself).
struct PartitionKeyBounds {
    char low[kKeyLength + 1] = {};
    char high[kKeyLength + 1] = {};
    bool hasHigh = false;
    bool highInclusive = false;
};
PartitionKeyBounds KeyBoundsOf(int disc, int partition);

enum class WalkStep {
    kItem,     // the next key and its run
    kEnd,      // no more keys
    kDamaged,  // the tree cannot be read on from here: the walk is over
};

class CTreeWalk {
  public:
    // Opens the tree file for reading (nothing is ever written); a missing, unreadable or
    // wrongly formatted file is reported by State(), never fatal, and walks as an empty tree.
    CTreeWalk(const char* path, const PartitionKeyBounds& keys);
    CTreeWalk(const CTreeWalk&) = delete;
    CTreeWalk& operator=(const CTreeWalk&) = delete;

    TreeFileState State() const { return state; }

    // Runs ascend with their keys over a whole disc, so every run of this tree lies between the
    // last run of the partition before it and the first run of the one after it, on the same
    // disc: records from `lowest` up to, not including, `beyond`.
    void SetRunBounds(std::int64_t lowest, std::int64_t beyond);

    // Places the walk before the first key not below `low` ("" for the first key of all).
    // False when the way there is damaged (Next then ends the walk at once).
    bool Seek(const char* low);

    // The next key in order, with its run. Every key lies in the partition and in its node's
    // bracket, every run is a real range of record numbers, and a run is handed on only once
    // the runs of the keys on both sides of it are known to leave room for it, so a damaged
    // count or first record number never passes as another surname's records. After kDamaged
    // or kEnd the walk is over (until the next Seek).
    WalkStep Next(TreeItem& item);

    long NodeReads() const { return nodeReads; }

  private:
    struct Frame {
        TreeNode node;
        int next = 0;                 // the item handed on next
        bool childDone = false;       // the subtree before item `next` has been entered
        const char* lower = nullptr;  // keys of this node lie strictly between these
        const char* upper = nullptr;
    };

    WalkStep Fail();
    bool Push(std::int32_t offset, const char* lower, const char* upper);
    bool ReadNode(std::int32_t offset, TreeNode& node);
    bool KeyIsInPartition(const char* key) const;
    WalkStep Advance(TreeItem& item);  // in order, without the run checks

    FilePtr file;
    TreeFileState state = TreeFileState::kOpen;
    long fileSize = 0;
    std::int32_t root = kNoNode;
    bool headerRead = false;
    PartitionKeyBounds keys;
    std::int64_t lowestRecord = 0;
    std::int64_t beyondRecord = INT64_MAX;

    Frame stack[kTreeMaxDepth];
    int depth = 0;
    bool over = true;
    bool primed = false;  // `pending` holds the item handed on next, once checked
    bool hasPending = false;
    TreeItem pending{};
    std::int64_t previousEnd = 0;  // where the last run handed on (or the key before) ended

    // Nodes are read in 120-byte pieces from all over the file; a walk goes through the leaves
    // nearly in file order, so a read just ahead of the last one brings in a whole piece.
    static constexpr long kChunkBytes = 64 * 1024;
    unsigned char chunk[kChunkBytes];
    long chunkStart = -1;
    long chunkBytes = 0;
    long lastOffset = -1;
    long nodeReads = 0;
};
