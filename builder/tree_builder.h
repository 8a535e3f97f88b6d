// Builds surname tree files: balanced B-trees of order 5 in the reader's byte layout, and, for
// tests, trees with deliberate damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tree_file.h"

namespace builder {

// A tree file's content, node by node, before it is written.
class TreeImage {
  public:
    // Appends a node and returns its offset.
    std::int32_t AddNode(const TreeNode& node);
    TreeNode& NodeAt(std::int32_t offset);
    const std::vector<std::int32_t>& NodeOffsets() const { return offsets; }

    std::int32_t root = kNoNode;
    std::int32_t freeHead = kNoNode;

    // Header, nodes, and the trailer byte 4 unless `trailer` is false.
    std::vector<unsigned char> Bytes(bool trailer = true) const;
    bool WriteTo(const std::string& path, bool trailer = true) const;

  private:
    std::vector<TreeNode> nodes;
    std::vector<std::int32_t> offsets;
};

// An item with its key given as text (blank-padding is the caller's business).
TreeItem MakeTreeItem(const std::string& key, std::int32_t first, std::int32_t count);

// A balanced tree over items in strictly ascending key order: every leaf at the same depth,
// nodes of 1 to 4 items. No items gives the empty tree (the 9-byte file).
TreeImage BuildTree(const std::vector<TreeItem>& sortedItems);

}  // namespace builder
