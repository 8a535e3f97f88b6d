// Reader of the surname tree files: a disk-resident B-tree of order 5 that maps a surname key
// to the range of record numbers holding that surname.
#pragma once

#include <cstdint>
#include <memory>

#include "stdio_file.h"

inline constexpr int kTreeHeaderSize = 8;
inline constexpr int kTreeNodeSize = 120;
inline constexpr int kTreeItemSize = 24;
inline constexpr int kTreeKeySize = 16;
inline constexpr int kTreeMaxItems = 4;
inline constexpr unsigned char kTreeTrailer = 4;
inline constexpr std::int32_t kNoNode = -1;

// Deeper than any real tree (a balanced tree of 2^31 bytes is under 20 levels): a lookup
// that goes further is following a cycle in a damaged file.
inline constexpr int kTreeMaxDepth = 32;

struct TreeItem {
    std::int32_t first;
    std::int32_t count;
    char key[kTreeKeySize];
};

struct TreeNode {
    std::int32_t count;
    TreeItem items[kTreeMaxItems];
    std::int32_t child[kTreeMaxItems + 1];
};

// File layout of nodes and items (little-endian).
void DecodeTreeNode(const unsigned char (&bytes)[kTreeNodeSize], TreeNode& node);
void EncodeTreeNode(const TreeNode& node, unsigned char (&bytes)[kTreeNodeSize]);

// Byte-wise unsigned comparison of NUL-terminated keys that never looks past `limit` bytes,
// so a stored key without its NUL is still compared safely.
int CompareKeys(const char* a, const char* b, int limit = kTreeKeySize);

// What a lookup found out.
enum class TreeLookup {
    kFound,
    kNotFound,
    kDamaged,  // the path to the key, or the found run, cannot be right
};

// How the file came to be read.
enum class TreeFileState {
    kOpen,
    kMissing,      // no such file: read as an empty tree
    kUnreadable,   // there, but cannot be read as a file: read as an empty tree
    kWrongFormat,  // its last byte is not 4 (only a host that survives the fatal exit sees it)
};

// Opens the tree file at `path` read only and unbuffered (nodes are read from all over it,
// through the reader's own buffer) and checks its trailer byte. kOpen with `file` and
// `fileSize` set, or why it cannot be read as a tree (`file` then closed). Never creates
// anything: a search never writes to a disc.
TreeFileState OpenTreeStream(const char* path, FilePtr& file, long& fileSize);

// Whether a found key is the first or the last key of its tree: its neighbours on that side
// are then in the neighbouring partitions' trees.
struct TreeEdges {
    bool firstKey = false;
    bool lastKey = false;
};

// What every reader of a tree checks before trusting a node or a run: a node has 1 to 4
// items whose keys ascend strictly, and a run is a real range of 32-bit record numbers.
bool NodeIsSane(const TreeNode& node);
bool RunIsSane(const TreeItem& item);
inline std::int64_t RunEnd(const TreeItem& item) {
    return static_cast<std::int64_t>(item.first) + item.count;
}

class CTreeFile {
  public:
    // Opens the tree file at `path` for reading; nothing is ever written to it. A missing or
    // unreadable file reads as an empty tree (State() says which). A file whose last byte is
    // not 4 is refused with "wrong file format!" and ends the process, unless
    // `wrongFormatIsFatal` is false (a neighbouring partition's tree consulted on the side).
    explicit CTreeFile(const char* path, bool wrongFormatIsFatal = true);
    ~CTreeFile();
    CTreeFile(const CTreeFile&) = delete;
    CTreeFile& operator=(const CTreeFile&) = delete;

    // Exact-match lookup. `first` is -1 and `count` 0 unless the key is found; a damaged path
    // or run gives kDamaged, never a wrong range. A key found in an inner node costs a few more
    // reads, to check its run against the runs of its true neighbours. `edges`, when given,
    // tells whether a found key is at either end of the tree.
    TreeLookup Lookup(const char* key, std::int32_t& first, std::int32_t& count,
                      TreeEdges* edges = nullptr);
    // The first (or last) item of the tree: kNotFound for an empty tree.
    TreeLookup EdgeRun(bool last, TreeItem& item);

    // For tests: position of the first item not less than `key` among `n` items.
    static int SearchNode(const char* key, const TreeItem* items, int n);

    bool IsOpen() const { return file != nullptr; }
    TreeFileState State() const { return state; }
    // Reads of the file for nodes since construction (a read brings the levels below the node
    // it is for as well; a kept node costs none).
    long NodeReads() const { return nodeReads; }

  private:
    // Keys every node below a point of the descent must lie strictly between.
    struct Bracket {
        const TreeItem* lower = nullptr;
        const TreeItem* upper = nullptr;
    };

    // Sound nodes are kept once read, so that the same tree searched again reads little: the
    // three levels below the root for good (155 nodes at most, in 256 slots), deeper ones in
    // slots by offset that the next node of the same slot takes over. A file's nodes never
    // change while it is open: a disc is read only.
    static constexpr int kKeptLevels = 3;
    static constexpr int kUpperSlots = 256;
    static constexpr int kDeepSlots = 512;
    struct KeptNode {
        std::int32_t offset = kNoNode;
        TreeNode node;
    };
    KeptNode* SlotFor(std::int32_t offset, int depth);

    bool ReadNode(std::int32_t offset, int depth, TreeNode& node);
    bool ReadNodeWithin(std::int32_t offset, int depth, const Bracket& bracket, TreeNode& node);
    bool EdgeItem(std::int32_t offset, Bracket bracket, int depth, bool last, TreeItem& item);

    std::int32_t root = kNoNode;
    std::int32_t freeHead = kNoNode;
    TreeNode rootNode{};
    std::unique_ptr<KeptNode[]> kept;  // kUpperSlots, then kDeepSlots; made at the first read
    // Nodes are read in blocks that end with the node wanted: a tree written bottom-up (as the
    // disc sets are) has a node's subtree just before it, so the levels below come with it.
    static constexpr long kBlockBytes = 4096;
    long blockStart = -1;  // file offset of block[0], -1 when it holds nothing
    long blockBytes = 0;
    unsigned char block[kBlockBytes];
    FilePtr file;
    TreeFileState state = TreeFileState::kOpen;
    bool headerRead = false;
    long fileSize = 0;
    long nodeReads = 0;
};
