#include "disc_set_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "death_index.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"
#include "tree_builder.h"

namespace fs = std::filesystem;
using builder::BuildTree;
using builder::FirstNameList;
using builder::MakeTreeItem;
using builder::TreeImage;

namespace {

struct TreeShape {
    int leafDepth = -1;
    bool balanced = true;
    bool countsInRange = true;
    std::vector<std::string> inOrder;
};

void Walk(TreeImage& image, std::int32_t offset, int depth, TreeShape& shape) {
    const TreeNode node = image.NodeAt(offset);
    if (node.count < 1 || node.count > 4)
        shape.countsInRange = false;
    const bool leaf = node.child[0] == kNoNode;
    for (int i = 0; i <= node.count; ++i) {
        if ((node.child[i] == kNoNode) != leaf)
            shape.balanced = false;
        if (!leaf)
            Walk(image, node.child[i], depth + 1, shape);
        if (i < node.count)
            shape.inOrder.push_back(node.items[i].key);
    }
    if (leaf) {
        if (shape.leafDepth == -1)
            shape.leafDepth = depth;
        if (shape.leafDepth != depth)
            shape.balanced = false;
    }
}

}  // namespace

TEST(TreeBuilder, TreesAreBalancedOrderFiveBTreesInKeyOrder) {
    for (int n : {1, 2, 4, 5, 6, 24, 25, 124, 125, 1000, 3125}) {
        std::vector<TreeItem> items;
        std::vector<std::string> keys;
        for (int i = 0; i < n; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "S%07d    ", i);
            items.push_back(MakeTreeItem(key, i, 1));
            keys.push_back(key);
        }
        TreeImage image = BuildTree(items);
        TreeShape shape;
        Walk(image, image.root, 0, shape);
        EXPECT_TRUE(shape.balanced) << n;
        EXPECT_TRUE(shape.countsInRange) << n;
        EXPECT_EQ(shape.inOrder, keys) << n;
        EXPECT_EQ(image.Bytes().back(), kTreeTrailer);
        EXPECT_EQ(image.Bytes().size(), 8u + image.NodeOffsets().size() * 120 + 1);
    }
}

TEST(FirstNameListTest, RealNamesSitBetweenFillersThatNoTypedNameCanEqual) {
    const FirstNameList list({"mary", "JOHN", "ann", "John", "zoe", ""});
    const std::vector<std::string>& records = list.Records();
    ASSERT_EQ(list.Size(), 11 + 5 + 10);  // JOHN once, the empty name kept as ten blanks
    EXPECT_EQ(records[11], "          ");
    EXPECT_EQ(records[12], "ANN       ");
    EXPECT_EQ(records[15], "ZOE       ");
    EXPECT_EQ(list.IndexOf("john"), 13);
    EXPECT_EQ(list.IndexOf("JOHN      "), 13);
    EXPECT_EQ(list.IndexOf("bob"), -1);
    EXPECT_TRUE(std::is_sorted(records.begin(), records.end(), [](auto& a, auto& b) {
        return CompareKeys(a.c_str(), b.c_str(), 11) < 0;
    }));
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(records[i].find('\0'), 0u);
    for (int i = list.Size() - 10; i < list.Size(); ++i)
        EXPECT_EQ(records[i].find('\0'), 9u);
    EXPECT_EQ(list.Bytes().size(), static_cast<std::size_t>(list.Size()) * 10);
}

namespace {

// Looks every name up through the program's own search of "fname.fst".
int FindInList(const std::string& dir, const std::string& name, ScriptedHost& host) {
    host.disc1Dir = dir;
    host.disc2Dir = dir;
    CDeathIndex index;
    char key[13];
    CDeathIndex::MakeSurnameKey("a", key);
    if (!index.OpenIndexFor(key))
        return -2;
    return index.FindFirstName(builder::FirstNameRecord(name).c_str());
}

}  // namespace

// The program's first-name search never compares records 0..9, and returns the record 10
// for any name up to it and n - 10 for any name after it. A list without fillers therefore
// loses names at both ends; with 11 leading and 10 trailing fillers every name is found.
TEST(FirstNameListTest, FillersMakeEveryNameFindable) {
    ScriptedHost host;
    std::vector<std::string> names;
    for (char c = 'A'; c <= 'Z'; ++c)
        names.push_back(std::string(3, c));
    const FirstNameList list(names);

    TempDir padded;
    WriteFileBytes(padded / "fname.fst", list.Bytes());
    WriteFileBytes(padded / "disc1.id", {});
    for (const std::string& name : names) {
        EXPECT_EQ(FindInList(padded.Path(), name, host), list.IndexOf(name)) << name;
    }

    TempDir bare;
    std::vector<unsigned char> bytes;
    for (const std::string& name : names) {
        const std::string record = builder::FirstNameRecord(name);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    WriteFileBytes(bare / "fname.fst", bytes);
    WriteFileBytes(bare / "disc1.id", {});
    int lost = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (FindInList(bare.Path(), names[i], host) != static_cast<int>(i))
            ++lost;
    }
    EXPECT_EQ(lost, 10 + 9);  // positions 0..9 and the last nine
}

TEST(DiscSetWriterTest, RunsStayInOneFileAndDiscTwoNumbersFollowDiscOne) {
    std::vector<builder::Person> people;
    const std::vector<std::pair<std::string, int>> surnames = {
        {"ADAMS", 4}, {"BAKER", 7}, {"KUTNOWSKY", 3}, {"KZZZZZZZZZZZ", 2},
        {"LEE", 6},   {"SMITH", 9}, {"ZYLSTRA", 1},
    };
    for (const auto& [surname, count] : surnames) {
        for (int i = 0; i < count; ++i)
            people.push_back(MakePerson(surname));
    }
    TestDiscSet set(people, /*recordsPerFile=*/8);
    const builder::DiscSetReport& report = set.report;
    ASSERT_EQ(report.runs.size(), surnames.size());
    EXPECT_EQ(report.records, 32);

    for (const builder::SurnameRun& run : report.runs) {
        const int file = run.first / kRecordsPerFile + 1;
        const int lastFile = (run.first + run.count - 1) / kRecordsPerFile + 1;
        EXPECT_EQ(file, lastFile) << run.key;
        EXPECT_LT((run.first + run.count - 1) % kRecordsPerFile, 1000000) << run.key;
        const std::string& dir = run.disc == 1 ? set.disc1 : set.disc2;
        EXPECT_TRUE(fs::exists(dir + "dp" + std::to_string(file) + ".car")) << run.key;
    }
    // ADAMS+BAKER exceed the cap of 8, so BAKER starts file 2; disc 2 starts a file of its own.
    EXPECT_EQ(report.runs[1].first, 1 * kRecordsPerFile);
    EXPECT_EQ(report.runs[2].disc, 1);  // KUTNOWSKY: partition 7 on disc 1
    EXPECT_EQ(report.runs[2].partition, 7);
    EXPECT_EQ(report.runs[3].disc, 1);  // the split key itself
    EXPECT_EQ(report.runs[4].disc, 2);  // LEE: partition 7 on disc 2
    EXPECT_EQ(report.runs[4].partition, 7);
    EXPECT_EQ(report.firstFileOfDisc2, report.runs[4].first / kRecordsPerFile + 1);
    EXPECT_GT(report.firstFileOfDisc2, report.runs[3].first / kRecordsPerFile + 1);

    for (int p = 0; p <= 7; ++p)
        EXPECT_TRUE(fs::exists(set.disc1 + "gst" + std::to_string(p) + ".tre"));
    for (int p = 7; p <= 14; ++p)
        EXPECT_TRUE(fs::exists(set.disc2 + "gst" + std::to_string(p) + ".tre"));
    EXPECT_FALSE(fs::exists(set.disc1 + "gst8.tre"));
    EXPECT_EQ(fs::file_size(set.disc1 + "gst3.tre"), 9u);  // empty partition
    for (const char* file :
         {"disc1/disc1.id", "disc2/disc2.id", "disc1/fname.fst", "disc2/fname.fst"}) {
        EXPECT_TRUE(fs::exists(set.root / file)) << file;
    }
}

TEST(DiscSetWriterTest, RecordsAreRefusedOutOfOrder) {
    TempDir dir;
    const FirstNameList list({"ANN", "BOB"});
    builder::DiscSetWriter writer({dir / "d1", dir / "d2", 100, true}, list);
    fs::create_directories(dir / "d1");
    const RawDeathRecord bob = builder::PersonRecord(MakePerson("X", "BOB"), list.IndexOf("BOB"));
    const RawDeathRecord ann = builder::PersonRecord(MakePerson("X", "ANN"), list.IndexOf("ANN"));
    EXPECT_TRUE(writer.Add("SMITH       ", bob));
    EXPECT_FALSE(writer.Add("SMITH       ", ann));
    EXPECT_NE(writer.Error().find("first names out of order"), std::string::npos);

    builder::DiscSetWriter second({dir / "d1", dir / "d2", 100, true}, list);
    EXPECT_TRUE(second.Add("SMITH       ", ann));
    EXPECT_FALSE(second.Add("JONES       ", ann));
    EXPECT_NE(second.Error().find("surname keys out of order"), std::string::npos);
}
