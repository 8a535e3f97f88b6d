#include "disc_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "death_index.h"
#include "test_discs.h"
#include "tree_file.h"

namespace fs = std::filesystem;
using namespace disctool;

namespace {

// Six keys in partition 0 make a tree of two levels; SMITH's run has five first names.
std::vector<builder::Person> People() {
    std::vector<builder::Person> people;
    for (const char* surname : {"aaron", "abbott", "adams", "allen", "anderson", "atkins", "baker"})
        people.push_back(MakePerson(surname, "ann"));
    for (const char* first : {"ann", "bob", "cal", "dan", "eve"})
        people.push_back(MakePerson("smith", first));
    people.push_back(MakePerson("snow", "ann"));
    people.push_back(MakePerson("snow", "bob"));
    people.push_back(MakePerson("stone", "cal"));
    return people;
}

using Bytes = std::vector<unsigned char>;

void EditFile(const std::string& path, const std::function<void(Bytes&)>& edit) {
    Bytes bytes = ReadFileBytes(path);
    edit(bytes);
    WriteFileBytes(path, bytes);
}

void EditNode(const std::string& tree, std::int32_t offset,
              const std::function<void(TreeNode&)>& edit) {
    EditFile(tree, [&](Bytes& bytes) {
        unsigned char raw[kTreeNodeSize];
        std::memcpy(raw, bytes.data() + offset, sizeof raw);
        TreeNode node;
        DecodeTreeNode(raw, node);
        edit(node);
        EncodeTreeNode(node, raw);
        std::memcpy(bytes.data() + offset, raw, sizeof raw);
    });
}

std::int32_t Root(const std::string& tree) {
    return static_cast<std::int32_t>(LoadLE32(ReadFileBytes(tree).data()));
}

// The node and slot holding a surname's item.
std::pair<std::int32_t, int> FindItem(const std::string& tree, const char* surname) {
    const Bytes bytes = ReadFileBytes(tree);
    const std::string key = builder::SurnameKey(surname);
    for (std::size_t offset = kTreeHeaderSize; offset + kTreeNodeSize <= bytes.size();
         offset += kTreeNodeSize) {
        unsigned char raw[kTreeNodeSize];
        std::memcpy(raw, bytes.data() + offset, sizeof raw);
        TreeNode node;
        DecodeTreeNode(raw, node);
        for (int i = 0; i < node.count && i < kTreeMaxItems; ++i) {
            if (key == node.items[i].key)
                return {static_cast<std::int32_t>(offset), i};
        }
    }
    ADD_FAILURE() << surname << " not found in " << tree;
    return {kTreeHeaderSize, 0};
}

void EditItem(const std::string& tree, const char* surname,
              const std::function<void(TreeItem&)>& edit) {
    const auto [node, slot] = FindItem(tree, surname);
    EditNode(tree, node, [&, slot = slot](TreeNode& n) { edit(n.items[slot]); });
}

// Where a surname's first record is, as "path" and byte offset.
std::pair<std::string, long> FirstRecord(const TestDiscSet& set, const char* surname) {
    for (const builder::SurnameRun& run : set.report.runs) {
        if (run.key == builder::SurnameKey(surname)) {
            const std::string dir = run.disc == 1 ? set.disc1 : set.disc2;
            return {dir + "dp" + std::to_string(run.first / kRecordsPerFile + 1) + ".car",
                    (run.first % kRecordsPerFile) * 16L};
        }
    }
    ADD_FAILURE() << surname;
    return {"", 0};
}

SetFacts Inspect(const TestDiscSet& set) {
    return InspectDiscSet({set.disc1, "disc1/"}, {set.disc2, "disc2/"}, {});
}

}  // namespace

TEST(CheckDiscSet, FindsNothingWrongWithASoundSetAndCountsIt) {
    const TestDiscSet set(People(), 4);
    const SetFacts facts = Inspect(set);
    for (const CheckProblem& p : facts.problems)
        ADD_FAILURE() << FormatProblem(p);
    EXPECT_EQ(facts.disc[0].records + facts.disc[1].records, 15);
    EXPECT_EQ(facts.disc[0].surnames + facts.disc[1].surnames, 10);
    EXPECT_EQ(facts.disc[1].firstNames, 5);
    ASSERT_FALSE(facts.largest.empty());
    EXPECT_EQ(facts.largest[0].key, "SMITH");
    EXPECT_EQ(facts.largest[0].count, 5);
}

TEST(CheckDiscSet, ReportsEachKindOfDamageWithItsFileAndOffset) {
    struct Case {
        const char* damage;
        std::function<void(const TestDiscSet&)> apply;
        const char* file;     // the report names this file
        std::int64_t offset;  // at this offset; -2 for any
        const char* message;  // and says this
    };
    const auto tree0 = [](const TestDiscSet& s) { return s.disc1 + "gst0.tre"; };
    const auto tree12 = [](const TestDiscSet& s) { return s.disc2 + "gst12.tre"; };
    const Case cases[] = {
        {"marker missing", [](const TestDiscSet& s) { fs::remove(s.disc2 + "disc2.id"); },
         "disc2/disc2.id", -1, "missing"},
        {"disc folder missing", [](const TestDiscSet& s) { fs::remove_all(s.disc1); }, "disc1/", -1,
         "folder of disc 1 is missing"},
        {"tree trailer",
         [&](const TestDiscSet& s) { EditFile(tree12(s), [](Bytes& b) { b.back() = 3; }); },
         "disc2/gst12.tre", -2, "not 4"},
        {"tree too short",
         [](const TestDiscSet& s) {
             EditFile(s.disc1 + "gst1.tre", [](Bytes& b) { b.resize(5); });
         },
         "disc1/gst1.tre", -1, "too short"},
        {"tree missing", [](const TestDiscSet& s) { fs::remove(s.disc2 + "gst14.tre"); },
         "disc2/gst14.tre", -1, "missing"},
        {"root outside the file",
         [&](const TestDiscSet& s) {
             EditFile(tree12(s), [](Bytes& b) { StoreLE32(b.data(), 99999); });
         },
         "disc2/gst12.tre", 0, "does not name a whole node"},
        {"free-list head",
         [&](const TestDiscSet& s) {
             EditFile(tree12(s), [](Bytes& b) { StoreLE32(b.data() + 4, 3); });
         },
         "disc2/gst12.tre", 4, "free-list head"},
        {"node count",
         [&](const TestDiscSet& s) {
             EditNode(tree12(s), Root(tree12(s)), [](TreeNode& n) { n.count = 7; });
         },
         "disc2/gst12.tre", 8, "outside 1..4"},
        {"keys out of order in a node",
         [&](const TestDiscSet& s) {
             EditNode(tree12(s), Root(tree12(s)),
                      [](TreeNode& n) { std::swap(n.items[0], n.items[1]); });
         },
         "disc2/gst12.tre", 8 + 4 + 24 + 8, "does not come after the key before it"},
        {"cycle",
         [&](const TestDiscSet& s) {
             const std::int32_t root = Root(tree0(s));
             EditNode(tree0(s), root, [root](TreeNode& n) { n.child[1] = root; });
         },
         "disc1/gst0.tre", -2, "reached a second time"},
        {"key outside its subtree's range",
         [&](const TestDiscSet& s) {
             EditItem(tree0(s), "aaron",
                      [](TreeItem& i) { std::memcpy(i.key, "AZ          ", 13); });
         },
         "disc1/gst0.tre", -2, "above its subtree's range"},
        {"key in the wrong partition",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "snow",
                      [](TreeItem& i) { std::memcpy(i.key, "SKAA        ", 13); });
         },
         "disc2/gst12.tre", -2, "belongs to partition 11"},
        {"key on the wrong disc",
         [](const TestDiscSet& s) {
             EditItem(s.disc2 + "gst12.tre", "stone",
                      [](TreeItem& i) { std::memcpy(i.key, "KZZZZZZZZZZZ", 13); });
         },
         "disc2/gst12.tre", -2, "belongs on disc 1"},
        {"key without NUL",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "stone", [](TreeItem& i) { std::memset(i.key + 12, 'Z', 4); });
         },
         "disc2/gst12.tre", -2, "no terminating NUL"},
        {"short key",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "stone", [](TreeItem& i) { i.key[5] = '\0'; });
         },
         "disc2/gst12.tre", -2, "never found"},
        {"run not a range",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "snow", [](TreeItem& i) { i.count = -5; });
         },
         "disc2/gst12.tre", -2, "is not a range of records"},
        {"run longer than its data file",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "stone", [](TreeItem& i) { i.count = 50; });
         },
         "disc2/gst12.tre", -2, "which holds"},
        {"run across two data files",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "stone", [](TreeItem& i) {
                 i.first = kRecordsPerFile * 4 - 2;
                 i.count = 3;
             });
         },
         "disc2/gst12.tre", -2, "crosses from dp4.car into dp5.car"},
        {"run reaching position 1,000,000",
         [&](const TestDiscSet& s) {
             EditItem(tree12(s), "stone", [](TreeItem& i) {
                 i.first = kRecordsPerFile * 4 - 2;
                 i.count = 2;
             });
         },
         "disc2/gst12.tre", -2, "position 1,000,000"},
        {"runs overlapping",
         [&](const TestDiscSet& s) {
             const std::int32_t smith = s.report.runs[7].first;
             EditItem(tree12(s), "snow", [smith](TreeItem& i) { i.first = smith + 1; });
         },
         "disc2/gst12.tre", -2, "does not come after the run of \"SMITH\""},
        {"data file missing",
         [](const TestDiscSet& s) { fs::remove(FirstRecord(s, "stone").first); }, "disc2/gst12.tre",
         -2, "Missing Data File"},
        {"data file with a partial record",
         [](const TestDiscSet& s) {
             EditFile(FirstRecord(s, "stone").first, [](Bytes& b) { b.resize(b.size() + 5); });
         },
         "disc2/dp", -2, "partial record"},
        {"run not sorted by first name",
         [](const TestDiscSet& s) {
             const auto [path, offset] = FirstRecord(s, "smith");
             EditFile(path, [offset = offset](Bytes& b) {
                 std::swap_ranges(b.begin() + offset, b.begin() + offset + 16,
                                  b.begin() + offset + 16);
             });
         },
         "disc2/dp", -2, "sorted by first name"},
        {"first-name index outside the list",
         [](const TestDiscSet& s) {
             const auto [path, offset] = FirstRecord(s, "stone");
             EditFile(path, [offset = offset](Bytes& b) { StoreLE32(b.data() + offset, 3); });
         },
         "disc2/dp", -2, "not a name of fname.fst"},
        {"first-name list out of order",
         [](const TestDiscSet& s) {
             EditFile(s.disc2 + "fname.fst", [](Bytes& b) {
                 std::swap_ranges(b.begin() + 110, b.begin() + 120, b.begin() + 120);
             });
         },
         "disc2/fname.fst", 120, "sorts before the record above it"},
        {"first-name list with a partial record",
         [](const TestDiscSet& s) {
             EditFile(s.disc1 + "fname.fst", [](Bytes& b) { b.push_back('X'); });
         },
         "disc1/fname.fst", -2, "partial record"},
        {"first-name list too short",
         [](const TestDiscSet& s) {
             EditFile(s.disc1 + "fname.fst", [](Bytes& b) { b.resize(100); });
         },
         "disc1/fname.fst", -1, "at least 21"},
        {"first-name list missing", [](const TestDiscSet& s) { fs::remove(s.disc2 + "fname.fst"); },
         "disc2/fname.fst", -1, "missing"},
    };
    for (const Case& c : cases) {
        const TestDiscSet set(People(), 4);
        c.apply(set);
        const SetFacts facts = Inspect(set);
        bool found = false;
        for (const CheckProblem& p : facts.problems) {
            found = found ||
                    (p.file.rfind(c.file, 0) == 0 && (c.offset == -2 || p.offset == c.offset) &&
                     p.message.find(c.message) != std::string::npos);
        }
        std::string all;
        for (const CheckProblem& p : facts.problems)
            all += "\n  " + FormatProblem(p);
        EXPECT_TRUE(found) << c.damage << ":" << all;
    }
}

// Whatever the damage, the check reads within its files and ends.
TEST(CheckDiscSet, SurvivesRandomDamage) {
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) {
        const TestDiscSet set(People(), 4);
        std::vector<std::string> files;
        for (const std::string& dir : {set.disc1, set.disc2}) {
            for (const fs::directory_entry& e : fs::directory_iterator(dir))
                files.push_back(e.path().string());
        }
        const std::string& victim = files[random() % files.size()];
        EditFile(victim, [&](Bytes& b) {
            if (b.empty())
                return;
            if (random() % 4 == 0) {
                b.resize(random() % b.size());
                return;
            }
            for (int flips = 1 + static_cast<int>(random() % 12); flips > 0; --flips)
                b[random() % b.size()] = static_cast<unsigned char>(random());
        });
        const SetFacts facts = Inspect(set);
        EXPECT_LE(facts.problems.size(), 1000u) << victim;
    }
}
