#include "tree_builder.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "death_record.h"
#include "stdio_file.h"

namespace builder {

std::int32_t TreeImage::AddNode(const TreeNode& node) {
    const auto offset = static_cast<std::int32_t>(kTreeHeaderSize + nodes.size() * kTreeNodeSize);
    nodes.push_back(node);
    offsets.push_back(offset);
    return offset;
}

TreeNode& TreeImage::NodeAt(std::int32_t offset) {
    const std::size_t index = static_cast<std::size_t>(offset - kTreeHeaderSize) / kTreeNodeSize;
    if (offset < kTreeHeaderSize || index >= nodes.size() || offsets[index] != offset) {
        throw std::out_of_range("no tree node at that offset");
    }
    return nodes[index];
}

std::vector<unsigned char> TreeImage::Bytes(bool trailer) const {
    std::vector<unsigned char> bytes(kTreeHeaderSize + nodes.size() * kTreeNodeSize);
    StoreLE32(bytes.data(), static_cast<std::uint32_t>(root));
    StoreLE32(bytes.data() + 4, static_cast<std::uint32_t>(freeHead));
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        unsigned char node[kTreeNodeSize];
        EncodeTreeNode(nodes[i], node);
        std::memcpy(bytes.data() + offsets[i], node, sizeof node);
    }
    if (trailer)
        bytes.push_back(kTreeTrailer);
    return bytes;
}

bool TreeImage::WriteTo(const std::string& path, bool trailer) const {
    const std::vector<unsigned char> bytes = Bytes(trailer);
    FilePtr file = OpenFile(path.c_str(), "wb");
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}

TreeItem MakeTreeItem(const std::string& key, std::int32_t first, std::int32_t count) {
    TreeItem item{};
    item.first = first;
    item.count = count;
    std::snprintf(item.key, sizeof item.key, "%s", key.c_str());
    return item;
}

namespace {

TreeNode EmptyNode() {
    TreeNode node{};
    for (std::int32_t& child : node.child)
        child = kNoNode;
    return node;
}

// Items a subtree of `height` levels holds at most.
long Capacity(int height) {
    long capacity = 1;
    for (int i = 0; i < height; ++i)
        capacity *= kTreeMaxItems + 1;
    return capacity - 1;
}

std::int32_t BuildSubtree(TreeImage& image, const std::vector<TreeItem>& items, std::size_t lo,
                          std::size_t hi, int height) {
    TreeNode node = EmptyNode();
    const long n = static_cast<long>(hi - lo);
    if (height == 1) {
        node.count = static_cast<std::int32_t>(n);
        for (long i = 0; i < n; ++i)
            node.items[i] = items[lo + i];
        return image.AddNode(node);
    }
    // The fewest separators whose children can take the rest keeps the children full enough
    // to reach the same depth.
    const long childCapacity = Capacity(height - 1);
    long separators = 1;
    while (n - separators > (separators + 1) * childCapacity)
        ++separators;
    const long childItems = n - separators;
    const long base = childItems / (separators + 1);
    const long extra = childItems % (separators + 1);

    node.count = static_cast<std::int32_t>(separators);
    std::size_t next = lo;
    for (long j = 0; j <= separators; ++j) {
        const std::size_t size = static_cast<std::size_t>(base + (j < extra ? 1 : 0));
        node.child[j] = BuildSubtree(image, items, next, next + size, height - 1);
        next += size;
        if (j < separators)
            node.items[j] = items[next++];
    }
    return image.AddNode(node);
}

}  // namespace

TreeImage BuildTree(const std::vector<TreeItem>& sortedItems) {
    TreeImage image;
    if (sortedItems.empty())
        return image;
    int height = 1;
    while (Capacity(height) < static_cast<long>(sortedItems.size()))
        ++height;
    image.root = BuildSubtree(image, sortedItems, 0, sortedItems.size(), height);
    return image;
}

}  // namespace builder
