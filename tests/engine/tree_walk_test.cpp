#include "tree_walk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scripted_host.h"
#include "test_discs.h"
#include "tree_builder.h"

using builder::BuildTree;
using builder::MakeTreeItem;
using builder::TreeImage;

namespace {

// Keys K0000.. lie in partition 6 of disc 1 (JOHNGARLO up to KUTNOWSKY).
const PartitionKeyBounds kBounds = KeyBoundsOf(1, 6);

std::string Key(int i) {
    char key[16];
    std::snprintf(key, sizeof key, "K%04d       ", i);
    return key;
}

// Item i holds records 10*i .. 10*i+9.
std::vector<TreeItem> Items(int n) {
    std::vector<TreeItem> items;
    for (int i = 0; i < n; ++i)
        items.push_back(MakeTreeItem(Key(i), 10 * i, 10));
    return items;
}

struct Walked {
    std::vector<std::string> keys;
    std::vector<std::int32_t> firsts;
    bool damaged = false;
};

Walked WalkAll(CTreeWalk& walk, const char* from = "") {
    Walked w;
    if (!walk.Seek(from)) {
        w.damaged = true;
        return w;
    }
    for (int guard = 0; guard < 100000; ++guard) {
        TreeItem item;
        const WalkStep step = walk.Next(item);
        if (step == WalkStep::kEnd)
            return w;
        if (step == WalkStep::kDamaged) {
            w.damaged = true;
            EXPECT_EQ(walk.Next(item), WalkStep::kEnd) << "a damaged walk is over";
            return w;
        }
        w.keys.push_back(item.key);
        w.firsts.push_back(item.first);
    }
    ADD_FAILURE() << "the walk does not end";
    return w;
}

class TreeWalkTest : public ::testing::Test {
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

TEST(PartitionKeyBounds, FollowThePartitionTableAndTheSplit) {
    struct Case {
        int disc;
        int partition;
        const char* inside;
        const char* outside;
    };
    const Case cases[] = {
        {1, 0, "'T HOOFT    ", "BERVALDS    "}, {1, 0, "B           ", "C           "},
        {1, 1, "BERVALDS    ", "BERVALDR    "}, {1, 7, "KZZZZZZZZZZZ", "L           "},
        {1, 7, "KUTNOWSKY   ", "KUTNOWSKX   "}, {2, 7, "L           ", "KZZZZZZZZZZZ"},
        {2, 7, "MARGON      ", "MARGOO      "}, {2, 14, "\xFF           ", "WANICG      "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.disc) + "/" + std::to_string(c.partition));
        TempDir dir;
        for (const auto& [key, ok] : {std::pair{c.inside, true}, std::pair{c.outside, false}}) {
            const std::string path = dir / "t.tre";
            ASSERT_TRUE(BuildTree({MakeTreeItem(key, 0, 1)}).WriteTo(path));
            CTreeWalk walk(path.c_str(), KeyBoundsOf(c.disc, c.partition));
            EXPECT_EQ(WalkAll(walk).damaged, !ok) << key;
        }
    }
}

TEST_F(TreeWalkTest, EveryKeyComesInOrderAndEachNodeIsReadOnce) {
    for (int n : {0, 1, 4, 5, 24, 25, 200, 1000, 3000}) {
        SCOPED_TRACE(n);
        const TreeImage image = BuildTree(Items(n));
        const std::string path = Write(image);
        CTreeWalk walk(path.c_str(), kBounds);
        EXPECT_EQ(walk.State(), TreeFileState::kOpen);
        const Walked w = WalkAll(walk);
        EXPECT_FALSE(w.damaged);
        ASSERT_EQ(w.keys.size(), static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(w.keys[i], Key(i));
            EXPECT_EQ(w.firsts[i], 10 * i);
        }
        EXPECT_LE(walk.NodeReads(), static_cast<long>(image.NodeOffsets().size()));
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(TreeWalkTest, SeekStartsAtTheFirstKeyNotBelow) {
    const std::string path = Write(BuildTree(Items(200)));
    struct Case {
        const char* low;
        int first;  // index of the first key given, 200 for none
    };
    const Case cases[] = {
        {"", 0},
        {"A", 0},
        {"K0000", 0},
        {"K0000       ", 0},
        {"K00005", 1},
        {"K0117       ", 117},
        {"K0117 ", 117},
        {"K0118", 118},
        {"K0199       ", 199},
        {"K01995", 200},
        {"L", 200},
    };
    for (const Case& c : cases) {
        CTreeWalk walk(path.c_str(), kBounds);
        const Walked w = WalkAll(walk, c.low);
        EXPECT_FALSE(w.damaged) << c.low;
        ASSERT_EQ(w.keys.size(), static_cast<std::size_t>(200 - c.first)) << c.low;
        if (c.first < 200) {
            EXPECT_EQ(w.keys.front(), Key(c.first)) << c.low;
        }
    }
}

// Whatever is damaged, the walk ends, and what it gave before ending are the tree's own items
// in order.
TEST_F(TreeWalkTest, DamageEndsTheWalkWithoutAWrongItem) {
    const std::vector<TreeItem> items = Items(60);
    struct Case {
        const char* what;
        std::function<void(TreeImage&)> damage;
        const char* from = "";
        std::int64_t lowest = 0;
        std::int64_t beyond = INT64_MAX;
    };
    auto leafOf = [](TreeImage& image, int which) -> TreeNode& {
        int seen = 0;
        for (std::int32_t offset : image.NodeOffsets()) {
            TreeNode& node = image.NodeAt(offset);
            if (node.child[0] == kNoNode && seen++ == which)
                return node;
        }
        throw std::runtime_error("no such leaf");
    };
    auto itemWith = [](TreeImage& image, const std::string& key) -> TreeItem& {
        for (std::int32_t offset : image.NodeOffsets()) {
            TreeNode& node = image.NodeAt(offset);
            for (int i = 0; i < node.count; ++i) {
                if (key == node.items[i].key)
                    return node.items[i];
            }
        }
        throw std::runtime_error("no such key");
    };
    const Case cases[] = {
        {"a child that is the root", [](TreeImage& t) { t.NodeAt(t.root).child[1] = t.root; }},
        {"a leaf's child pointing back up", [&](TreeImage& t) { leafOf(t, 3).child[0] = t.root; }},
        {"a child pointing at its sibling",
         [](TreeImage& t) {
             TreeNode& root = t.NodeAt(t.root);
             root.child[1] = root.child[0];
         }},
        {"a node with no items", [&](TreeImage& t) { leafOf(t, 2).count = 0; }},
        {"a node with five items", [&](TreeImage& t) { leafOf(t, 2).count = 5; }},
        {"keys out of order",
         [&](TreeImage& t) { std::swap(leafOf(t, 1).items[0], leafOf(t, 1).items[1]); }},
        {"a key from another partition",
         [&](TreeImage& t) { std::memcpy(leafOf(t, 0).items[0].key, "A00", 3); }},
        {"a key without its end", [&](TreeImage& t) { leafOf(t, 4).items[1].key[12] = 'X'; }},
        {"a key cut short", [&](TreeImage& t) { leafOf(t, 4).items[1].key[10] = '\0'; }},
        {"a count reaching into the next run",
         [&](TreeImage& t) { leafOf(t, 5).items[0].count += 1; }},
        {"the first record inside the run before",
         [&](TreeImage& t) { leafOf(t, 5).items[1].first -= 1; }},
        {"an inner item's run overlapping its subtree",
         [](TreeImage& t) { t.NodeAt(t.root).items[0].first -= 1; }},
        {"a negative count", [&](TreeImage& t) { leafOf(t, 6).items[0].count = -3; }},
        {"a run past the last record number",
         [&](TreeImage& t) { leafOf(t, 6).items[0].first = INT32_MAX - 2; }},
        {"a child offset past the end", [](TreeImage& t) { t.NodeAt(t.root).child[2] = 1 << 30; }},
        {"a child offset inside the header", [](TreeImage& t) { t.NodeAt(t.root).child[2] = 3; }},
        {"a root offset past the end", [](TreeImage& t) { t.root = 999999; }},
        {"the last run beyond the next partition's first", [](TreeImage&) {}, "", 0, 595},
        {"the first run before the previous partition's last", [](TreeImage&) {}, "", 5},
        {"the key before a seek overlapping it",
         [&](TreeImage& t) { itemWith(t, Key(20)).count += 1; }, "K0021       "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TreeImage image = BuildTree(items);
        c.damage(image);
        const std::string path = Write(image);
        CTreeWalk walk(path.c_str(), kBounds);
        walk.SetRunBounds(c.lowest, c.beyond);
        const Walked w = WalkAll(walk, c.from);
        EXPECT_TRUE(w.damaged);
        // What came before the damage is the tree's own, in order, from the seek on.
        int next = c.from[0] == '\0' ? 0 : std::stoi(std::string(c.from + 1, 4));
        for (std::size_t i = 0; i < w.keys.size(); ++i, ++next) {
            EXPECT_EQ(w.keys[i], Key(next));
            EXPECT_EQ(w.firsts[i], 10 * next);
        }
    }
}

TEST_F(TreeWalkTest, FilesThatAreNoTreeAreSaidSoAndWalkEmpty) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        TreeFileState state;
        bool damaged;
    };
    const Case cases[] = {
        {"missing", [](const std::string&) {}, TreeFileState::kMissing, false},
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); },
         TreeFileState::kUnreadable, false},
        {"a wrong last byte",
         [](const std::string& p) { BuildTree(Items(9)).WriteTo(p, /*trailer=*/false); },
         TreeFileState::kWrongFormat, false},
        {"too short for its header",
         [](const std::string& p) {
             WriteFileBytes(p, {0xFF, 0xFF, 4});
         },
         TreeFileState::kOpen, true},
        {"empty", [](const std::string& p) { WriteFileBytes(p, BuildTree({}).Bytes()); },
         TreeFileState::kOpen, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir fresh;
        const std::string path = fresh / "gst6.tre";
        c.make(path);
        CTreeWalk walk(path.c_str(), kBounds);
        EXPECT_EQ(walk.State(), c.state);
        const Walked w = WalkAll(walk);
        EXPECT_TRUE(w.keys.empty());
        EXPECT_EQ(w.damaged, c.damaged);
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.exits.empty());
}
