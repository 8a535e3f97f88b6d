#include "tree_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "scripted_host.h"
#include "test_discs.h"
#include "tree_builder.h"

using builder::BuildTree;
using builder::MakeTreeItem;
using builder::TreeImage;

namespace {

std::string Key(int i) {
    char key[16];
    std::snprintf(key, sizeof key, "K%04d       ", i);
    return key;
}

// Items K0000.. with runs that ascend without gaps: item i holds records 10*i .. 10*i+9.
std::vector<TreeItem> Items(int n) {
    std::vector<TreeItem> items;
    for (int i = 0; i < n; ++i)
        items.push_back(MakeTreeItem(Key(i), 10 * i, 10));
    return items;
}

struct Answer {
    std::int32_t first;
    std::int32_t count;
};

Answer Find(CTreeFile& tree, const std::string& key) {
    Answer a{};
    tree.Lookup(key.c_str(), a.first, a.count);
    return a;
}

class TreeFileTest : public ::testing::Test {
  protected:
    std::string Write(const TreeImage& image, bool trailer = true) {
        const std::string path = dir / "tree.tre";
        EXPECT_TRUE(image.WriteTo(path, trailer));
        return path;
    }
    ScriptedHost host;
    TempDir dir;
};

}  // namespace

TEST_F(TreeFileTest, EveryKeyOfABuiltTreeIsFoundAndNoOtherKey) {
    for (int n : {1, 4, 5, 24, 25, 200, 1000}) {
        const std::string path = Write(BuildTree(Items(n)));
        CTreeFile tree(path.c_str());
        // Twice, the second time backwards, through the nodes the first pass kept.
        for (int pass = 0; pass < 2; ++pass) {
            for (int j = 0; j < n; ++j) {
                const int i = pass == 0 ? j : n - 1 - j;
                const Answer a = Find(tree, Key(i));
                EXPECT_EQ(a.first, 10 * i) << n << " " << Key(i);
                EXPECT_EQ(a.count, 10);
            }
        }
        for (const char* absent : {"A           ", "K0000", "K00005      ", "ZZZZ        "}) {
            EXPECT_EQ(Find(tree, absent).first, -1) << absent;
        }
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(TreeFileTest, ALookupReadsOnlyThePathItNeeds) {
    // A one-node tree: its root is held in memory, so lookups read nothing after open.
    {
        const std::string path = Write(BuildTree(Items(4)));
        CTreeFile tree(path.c_str());
        const long atOpen = tree.NodeReads();
        EXPECT_EQ(Find(tree, Key(3)).first, 30);
        EXPECT_EQ(Find(tree, "ZZ").first, -1);
        EXPECT_EQ(tree.NodeReads(), atOpen);
    }
    // 24 items in two full levels, 6 nodes: the read of the root at open brings the leaves
    // written before it, so no lookup reads again.
    {
        TreeImage image = BuildTree(Items(24));
        ASSERT_EQ(image.NodeAt(image.root).count, 4);
        const std::string path = Write(image);
        CTreeFile tree(path.c_str());
        const long atOpen = tree.NodeReads();
        for (int i : {0, 23, 9, 14})
            EXPECT_EQ(Find(tree, Key(i)).first, 10 * i);
        EXPECT_EQ(Find(tree, "A           ").first, -1);
        EXPECT_EQ(tree.NodeReads(), atOpen);
    }
    // Five full levels, 781 nodes: a lookup reads no more than once per level below the root,
    // and the same lookup again reads nothing.
    const std::string path = Write(BuildTree(Items(3124)));
    CTreeFile tree(path.c_str());
    for (int i : {0, 1, 1500, 3123, 777, 2000, 5, 3000}) {
        long reads = tree.NodeReads();
        EXPECT_EQ(Find(tree, Key(i)).first, 10 * i);
        EXPECT_LE(tree.NodeReads() - reads, 4) << i;
        reads = tree.NodeReads();
        EXPECT_EQ(Find(tree, Key(i)).first, 10 * i);
        EXPECT_EQ(tree.NodeReads(), reads) << i;
    }
}

TEST_F(TreeFileTest, SearchNodeFindsTheFirstItemNotBelowTheKey) {
    const std::vector<TreeItem> items = Items(4);
    struct Case {
        std::string key;
        int n;
        int expected;
    };
    const Case cases[] = {
        {Key(0), 4, 0}, {"A", 4, 0}, {Key(1), 4, 1}, {"K0001Z", 4, 2}, {Key(3), 4, 3},
        {"Z", 4, 4},    {"Z", 1, 1}, {Key(0), 1, 0}, {Key(2), 3, 2},   {"K0002A", 3, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CTreeFile::SearchNode(c.key.c_str(), items.data(), c.n), c.expected) << c.key;
    }
}

TEST_F(TreeFileTest, EmptyTreesFindNothing) {
    const std::string nine = dir / "nine.tre";
    ASSERT_TRUE(WriteFileBytes(nine, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x04}));
    CTreeFile tree(nine.c_str());
    EXPECT_TRUE(tree.IsOpen());
    EXPECT_EQ(Find(tree, "SMITH       ").first, -1);
    EXPECT_EQ(Find(tree, "SMITH       ").count, 0);
    EXPECT_EQ(tree.NodeReads(), 0);
    EXPECT_EQ(BuildTree({}).Bytes(), ReadFileBytes(nine));
}

// A search never writes to a disc: a tree that is not there, or not a readable file, is an
// empty partition in memory and stays as it was.
TEST_F(TreeFileTest, AMissingOrUnreadableTreeReadsAsEmptyAndIsNeverCreated) {
    struct Case {
        const char* what;
        std::string path;
        void (*make)(const std::string&);
        TreeFileState state;
    };
    const Case cases[] = {
        {"missing", dir / "gst3.tre", [](const std::string&) {}, TreeFileState::kMissing},
        {"in a missing folder", dir / "no-such-folder/gst1.tre", [](const std::string&) {},
         TreeFileState::kMissing},
        {"a folder in its place", dir / "gst4.tre",
         [](const std::string& p) { std::filesystem::create_directory(p); },
         TreeFileState::kUnreadable},
        {"a link to itself", dir / "gst5.tre",
         [](const std::string& p) { std::filesystem::create_symlink(p, p); },
         TreeFileState::kUnreadable},
    };
    for (const Case& c : cases) {
        c.make(c.path);
        std::error_code ec;
        const auto before = std::filesystem::symlink_status(c.path, ec).type();
        {
            CTreeFile tree(c.path.c_str());
            EXPECT_FALSE(tree.IsOpen()) << c.what;
            EXPECT_EQ(tree.State(), c.state) << c.what;
            Answer a{};
            EXPECT_EQ(tree.Lookup("SMITH       ", a.first, a.count), TreeLookup::kNotFound);
            EXPECT_EQ(a.first, -1) << c.what;
            TreeItem edge{};
            EXPECT_EQ(tree.EdgeRun(false, edge), TreeLookup::kNotFound) << c.what;
        }
        EXPECT_EQ(std::filesystem::symlink_status(c.path, ec).type(), before) << c.what;
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(TreeFileTest, ClosingAnExistingTreeChangesNothing) {
    // Existing trees are opened for reading only, as on a CD: the header write-back and the
    // trailer check cannot alter them.
    const std::string path = Write(BuildTree(Items(30)));
    const std::vector<unsigned char> before = ReadFileBytes(path);
    { CTreeFile tree(path.c_str()); }
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(TreeFileTest, AWrongTrailerEndsTheProgram) {
    const std::string path = Write(BuildTree(Items(3)), /*trailer=*/false);
    std::vector<unsigned char> bytes = ReadFileBytes(path);
    bytes.push_back(3);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    EXPECT_EXIT({ CTreeFile tree(path.c_str()); }, ::testing::ExitedWithCode(1),
                "wrong file format!");

    // The same content with a final 4 added is accepted.
    bytes.push_back(4);
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    CTreeFile tree(path.c_str());
    EXPECT_EQ(Find(tree, Key(1)).first, 10);
}

TEST_F(TreeFileTest, AWrongTrailerThatATestHostSurvivesReadsAsEmpty) {
    const std::string path = dir / "empty-file.tre";
    ASSERT_TRUE(WriteFileBytes(path, {}));
    host.survivesExit = true;
    const std::vector<unsigned char> before = ReadFileBytes(path);
    {
        CTreeFile tree(path.c_str());
        EXPECT_EQ(Find(tree, "SMITH       ").first, -1);
    }
    ASSERT_EQ(host.exits, std::vector<int>{1});
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "wrong file format!");
    EXPECT_EQ(host.messages[0].caption, kAppTitle);
    EXPECT_EQ(host.messages[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(ReadFileBytes(path), before);
}

// Each kind of damage must end the lookup with "not found" rather than loop, read out of
// bounds or hand on a range that cannot be right.
TEST_F(TreeFileTest, DamagedTreesAnswerNotFound) {
    struct Damage {
        const char* what;
        void (*apply)(TreeImage&);
        std::string key;  // looked up; found in the sound tree
    };
    const Damage cases[] = {
        {"child points back at the root",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[0]).child[0] = t.root; }, Key(0)},
        {"child points at itself",
         [](TreeImage& t) {
             TreeNode& root = t.NodeAt(t.root);
             t.NodeAt(root.child[0]).child[0] = root.child[0];
         },
         Key(0)},
        {"child offset past the end", [](TreeImage& t) { t.NodeAt(t.root).child[0] = 1 << 30; },
         Key(0)},
        {"negative child offset", [](TreeImage& t) { t.NodeAt(t.root).child[0] = -120; }, Key(0)},
        {"child offset inside the header", [](TreeImage& t) { t.NodeAt(t.root).child[0] = 4; },
         Key(0)},
        {"child offset one byte off", [](TreeImage& t) { t.NodeAt(t.root).child[0] += 1; }, Key(0)},
        {"node count 0", [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[0]).count = 0; },
         Key(0)},
        {"node count 5", [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[0]).count = 5; },
         Key(0)},
        {"node count negative",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[0]).count = -3; }, Key(0)},
        {"root count above 4", [](TreeImage& t) { t.NodeAt(t.root).count = 9; }, Key(9)},
        {"root offset past the end", [](TreeImage& t) { t.root = 999999; }, Key(9)},
        {"negative first record", [](TreeImage& t) { t.NodeAt(t.root).items[1].first = -5; },
         Key(9)},
        {"negative count", [](TreeImage& t) { t.NodeAt(t.root).items[1].count = -1; }, Key(9)},
        {"first + count overflows",
         [](TreeImage& t) {
             t.NodeAt(t.root).items[1].first = 2147483600;
             t.NodeAt(t.root).items[1].count = 100;
         },
         Key(9)},
        {"run moved into the next surname's records",
         [](TreeImage& t) { t.NodeAt(t.root).items[1].first += 5; }, Key(9)},
        {"run moved into the previous surname's records",
         [](TreeImage& t) { t.NodeAt(t.root).items[1].first -= 5; }, Key(9)},
        {"run moved far away", [](TreeImage& t) { t.NodeAt(t.root).items[1].first += 1 << 24; },
         Key(9)},
        {"run longer than the gap to the next",
         [](TreeImage& t) { t.NodeAt(t.root).items[1].count = 11; }, Key(9)},
        {"leaf run moved into its neighbour's records",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[1]).items[1].first += 3; }, Key(6)},
        {"leaf run longer than the gap to the next",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[1]).items[1].count = 12; }, Key(6)},
        {"subtree beside an inner item is damaged",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[1]).count = 0; }, Key(9)},
        {"keys out of order in a leaf",
         [](TreeImage& t) {
             TreeNode& leaf = t.NodeAt(t.NodeAt(t.root).child[0]);
             std::swap(leaf.items[0], leaf.items[1]);
         },
         Key(0)},
        {"leaf key outside its bracket",
         [](TreeImage& t) {
             TreeNode& leaf = t.NodeAt(t.NodeAt(t.root).child[1]);
             leaf.items[0] = MakeTreeItem(Key(0), 0, 10);
         },
         Key(6)},
    };
    for (const Damage& d : cases) {
        TreeImage image = BuildTree(Items(24));
        d.apply(image);
        const std::string path = Write(image);
        CTreeFile tree(path.c_str());
        Answer a{};
        EXPECT_EQ(tree.Lookup(d.key.c_str(), a.first, a.count), TreeLookup::kDamaged) << d.what;
        EXPECT_EQ(a.first, -1) << d.what;
        EXPECT_EQ(a.count, 0) << d.what;
    }
    EXPECT_TRUE(host.messages.empty());
}

// A found key says whether it is its tree's first or last key (its neighbour on that side is
// then in another tree), and the edge runs are what a neighbouring partition's lookup checks
// against: found in a few reads, and never from a damaged path.
TEST_F(TreeFileTest, KeysKnowWhetherTheyAreAtTheTreesEdges) {
    for (int n : {1, 2, 4, 5, 24, 25, 200}) {
        SCOPED_TRACE(n);
        const std::string path = Write(BuildTree(Items(n)));
        CTreeFile tree(path.c_str());
        for (int i = 0; i < n; ++i) {
            Answer a{};
            TreeEdges edges;
            ASSERT_EQ(tree.Lookup(Key(i).c_str(), a.first, a.count, &edges), TreeLookup::kFound);
            EXPECT_EQ(edges.firstKey, i == 0) << i;
            EXPECT_EQ(edges.lastKey, i == n - 1) << i;
        }
        const long before = tree.NodeReads();
        TreeItem item{};
        ASSERT_EQ(tree.EdgeRun(false, item), TreeLookup::kFound);
        EXPECT_EQ(item.first, 0);
        ASSERT_EQ(tree.EdgeRun(true, item), TreeLookup::kFound);
        EXPECT_EQ(item.first, 10 * (n - 1));
        EXPECT_EQ(item.count, 10);
        EXPECT_LE(tree.NodeReads() - before, 2 * 4) << "one path down each side";
    }

    const std::string empty = Write(BuildTree({}));
    CTreeFile none(empty.c_str());
    TreeItem item{};
    EXPECT_EQ(none.EdgeRun(true, item), TreeLookup::kNotFound);

    struct Damage {
        const char* what;
        void (*apply)(TreeImage&);
        bool last;
    };
    const Damage cases[] = {
        {"first leaf unreadable", [](TreeImage& t) { t.NodeAt(t.root).child[0] = 1 << 30; }, false},
        {"last run negative",
         [](TreeImage& t) { t.NodeAt(t.NodeAt(t.root).child[4]).items[3].first = -2; }, true},
    };
    for (const Damage& d : cases) {
        TreeImage image = BuildTree(Items(24));
        d.apply(image);
        const std::string path = Write(image);
        CTreeFile tree(path.c_str());
        EXPECT_EQ(tree.EdgeRun(d.last, item), TreeLookup::kDamaged) << d.what;
    }
}

// A file too short to hold its header is no tree, even with the trailer byte.
TEST_F(TreeFileTest, ATreeWithoutItsHeaderIsDamaged) {
    const std::string path = dir / "short.tre";
    ASSERT_TRUE(WriteFileBytes(path, {0xFF, 0xFF, 0x04}));
    CTreeFile tree(path.c_str());
    Answer a{};
    EXPECT_EQ(tree.Lookup("SMITH       ", a.first, a.count), TreeLookup::kDamaged);
    EXPECT_EQ(a.first, -1);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(TreeFileTest, KeysWithoutTheirNulAreComparedWithinSixteenBytes) {
    TreeImage image = BuildTree(Items(5));
    for (const std::int32_t offset : image.NodeOffsets()) {
        TreeNode& node = image.NodeAt(offset);
        for (TreeItem& item : node.items)
            std::memset(item.key, 'Q', sizeof item.key);
    }
    const std::string path = Write(image);
    CTreeFile tree(path.c_str());
    EXPECT_EQ(Find(tree, std::string(15, 'Q')).first, -1);
    EXPECT_EQ(Find(tree, "SMITH       ").first, -1);
}

TEST_F(TreeFileTest, ADeepChainOfValidLookingNodesIsCutOff) {
    // A chain deeper than any real tree, every node sound on its own.
    TreeImage image;
    std::int32_t below = kNoNode;
    for (int level = 0; level < kTreeMaxDepth + 8; ++level) {
        TreeNode node{};
        node.count = 1;
        char key[16];
        std::snprintf(key, sizeof key, "B%06d", level);
        node.items[0] = MakeTreeItem(key, level, 1);
        for (std::int32_t& child : node.child)
            child = kNoNode;
        node.child[0] = below;
        below = image.AddNode(node);
    }
    image.root = below;
    const std::string path = Write(image);
    CTreeFile tree(path.c_str());
    EXPECT_EQ(Find(tree, "A").first, -1);
    EXPECT_LE(tree.NodeReads(), kTreeMaxDepth);
}
