// Damages every file of a small disc set in many ways and runs a fixed set of queries on each
// damaged copy. A query may come back right, find nothing, or end with one of the program's
// messages; it must never show a record from outside the surname's run, and it must end.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "death_index.h"
#include "record_encoding.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"
#include "tree_file.h"

namespace fs = std::filesystem;

namespace {

// Two or more per partition, on both discs, with partition 12 large enough for a deep tree.
// No two keys differ in a single byte, so one flipped byte cannot turn one into another.
const char* const kSurnames[] = {
    "ABBOTT",  "ALVAREZ", "BROWN",  "CARTER",  "CLARK",  "DAVIS", "EVANS", "DIXON",
    "FOSTER",  "GARCIA",  "HUGHES", "JACKSON", "JONES",  "KELLY", "KWAN",  "LOPEZ",
    "LYNCH",   "MORRIS",  "MURPHY", "NELSON",  "PEREZ",  "PRICE", "REED",  "RUSSELL",
    "SANDERS", "SMITH",   "TAYLOR", "TURNER",  "WALKER", "WHITE", "YOUNG",
};
const char* const kFirstNames[] = {"ANN", "BOB", "CARL", "DORA"};
const char* const kAbsent[] = {"AARDVARK", "MIDDLETON", "SOMEBODYELSE", "ZZTOP"};

// Every record's SSN says whose it is: surname number * 1000 + its number.
int Owner(int ssn) {
    return ssn / 1000;
}

std::vector<builder::Person> People() {
    std::vector<builder::Person> people;
    int id = 0;
    for (const char* surname : kSurnames) {
        ++id;
        const int count = 1 + id % 12;
        for (int i = 0; i < count; ++i) {
            builder::Person p = MakePerson(surname, kFirstNames[i % 4]);
            p.ssn = static_cast<std::uint32_t>(id * 1000 + i);
            p.location = static_cast<std::uint8_t>(1 + i % 3);
            p.birthWord = builder::DateWord(1, 1, 20 + i % 2);
            p.deathWord = builder::DateWord(2, 2, 80);
            people.push_back(p);
        }
    }
    // Filler surnames deepen the tree of partition 12; they are never queried.
    for (char a = 'A'; a <= 'Z'; ++a) {
        for (char b : {'A', 'M'}) {
            people.push_back(MakePerson(std::string("SQ") + a + b + "X", "ANN"));
        }
    }
    return people;
}

struct Query {
    std::string surname;
    int owner;  // surname number, 0 for an absent surname
    int kind;   // 0 alone, 1 state, 2 first name, 3 birth year
};

std::vector<Query> Queries() {
    std::vector<Query> queries;
    int id = 0;
    for (const char* surname : kSurnames) {
        ++id;
        for (int kind = 0; kind < 4; ++kind)
            queries.push_back({surname, id, kind});
    }
    for (const char* surname : kAbsent)
        queries.push_back({surname, 0, 0});
    return queries;
}

enum Outcome { kRight, kNotFound, kMessage, kPartial, kWrong, kOutcomes };
const char* const kOutcomeNames[] = {"right answer", "not found", "message", "fewer records",
                                     "WRONG"};

class Sweep {
  public:
    explicit Sweep(const TestDiscSet& set) : set(set) {
        set.Use(host);
        results = std::make_unique<CResultSet>(&index);
        host.survivesExit = true;
        results->SetPageSize(false);
        index.SetResultSet(results.get());
        for (const Query& q : Queries())
            expected.push_back(Run(q));
    }

    // Runs every query whose file may be affected; counts outcomes.
    void RunAll(const std::string& what, const std::function<bool(const Query&)>& affected) {
        ++mutations;
        // Each damaged copy is another disc to the engine; its queries share what it keeps.
        set.Reinsert();
        const std::vector<Query> queries = Queries();
        for (std::size_t i = 0; i < queries.size(); ++i) {
            if (!affected(queries[i]))
                continue;
            host.messages.clear();
            host.exits.clear();
            const std::vector<int> hits = Run(queries[i]);
            ++queriesRun;
            const Outcome outcome = Classify(queries[i], hits, expected[i]);
            ++counts[outcome];
            if (outcome == kWrong) {
                ADD_FAILURE() << what << ": " << queries[i].surname << " kind " << queries[i].kind
                              << " showed a record from outside its run";
            }
        }
    }

    ScriptedHost host;
    long mutations = 0;
    long queriesRun = 0;
    long counts[kOutcomes] = {};

  private:
    std::vector<int> Run(const Query& q) {
        criteria.SetSurname(q.surname.c_str());
        if (q.kind == 1)
            criteria.SetState(2);
        if (q.kind == 2)
            criteria.SetFirstName("BOB");
        if (q.kind == 3)
            criteria.SetBirthYear(1921);
        index.Search(&criteria);
        std::vector<int> hits;
        // Paging must end; a bound far above any answer turns a loop into a failure.
        for (int page = 0; page < 100; ++page) {
            for (int r = 0; r < results->GetPageCount(); ++r)
                hits.push_back(results->PageRecord(r)->ssn);
            if (results->GetPageCount() <= 0 || !results->HasNextPage())
                return hits;
            results->NextPage();
        }
        ADD_FAILURE() << "paging did not end for " << q.surname;
        return hits;
    }

    Outcome Classify(const Query& q, const std::vector<int>& hits, const std::vector<int>& right) {
        for (int ssn : hits) {
            if (q.owner == 0 || Owner(ssn) != q.owner)
                return kWrong;
            // A first-name search shows only people of that name, never those of a position
            // a damaged list gave.
            if (q.kind == 2 && kFirstNames[(ssn % 1000) % 4] != std::string("BOB"))
                return kWrong;
        }
        if (!host.messages.empty() || !host.exits.empty())
            return kMessage;
        if (hits == right)
            return kRight;
        if (hits.empty())
            return kNotFound;
        return kPartial;
    }

    const TestDiscSet& set;
    CDeathIndex index;
    CSearchCriteria criteria;
    std::unique_ptr<CResultSet> results;  // made once the host knows the program folder
    std::vector<std::vector<int>> expected;
};

std::string KeyOf(const std::string& surname) {
    char key[kKeyLength + 1];
    CDeathIndex::MakeSurnameKey(surname.c_str(), key);
    return key;
}

// Which queries can see a file: a tree only its partition's, fname.fst and a data file only
// their disc's.
std::function<bool(const Query&)> Affected(const std::string& disc, const std::string& file) {
    const int discNumber = disc == "disc1/" ? 1 : 2;
    int partition = -1;
    if (file.rfind("gst", 0) == 0)
        partition = std::stoi(file.substr(3));
    return [=](const Query& q) {
        const std::string key = KeyOf(q.surname);
        if (CDeathIndex::DiscOf(key.c_str()) != discNumber)
            return false;
        return partition < 0 || CDeathIndex::PartitionOf(key.c_str()) == partition;
    };
}

}  // namespace

TEST(CorruptionSweep, DamagedFilesNeverShowRecordsFromOutsideTheRun) {
    TestDiscSet set(People(), 40, /*filePerPartition=*/true);
    Sweep sweep(set);
    ASSERT_EQ(sweep.counts[kWrong], 0);

    long files = 0;
    for (const std::string disc : {"disc1/", "disc2/"}) {
        for (const auto& entry : fs::directory_iterator(set.root / disc)) {
            const std::string name = entry.path().filename().string();
            if (name.find(".id") != std::string::npos)
                continue;
            const std::string path = entry.path().string();
            const std::vector<unsigned char> original = ReadFileBytes(path);
            const auto affected = Affected(disc, name);
            ++files;

            // Every byte of a tree file, each flipped in a different bit.
            if (name.rfind("gst", 0) == 0) {
                for (std::size_t i = 0; i < original.size(); ++i) {
                    std::vector<unsigned char> bytes = original;
                    bytes[i] ^= static_cast<unsigned char>(1u << (i % 8));
                    WriteFileBytes(path, bytes);
                    // The two ways a run is read (straight and by first name) suffice here:
                    // a flipped tree byte changes which run is read, not how.
                    sweep.RunAll(name + " byte " + std::to_string(i), [&](const Query& q) {
                        return (q.kind == 0 || q.kind == 2) && affected(q);
                    });
                }
            }
            // Cut at many lengths: a tree at every length, the other files at every record
            // boundary and halfway through each record.
            const bool tree = name.rfind("gst", 0) == 0;
            const std::size_t record = tree ? 1 : name == "fname.fst" ? 10 : 16;
            for (std::size_t length = 0; length < original.size(); length += record) {
                for (std::size_t cut : {length, length + record / 2}) {
                    if (cut >= original.size() || (record == 1 && cut != length))
                        continue;
                    WriteFileBytes(
                        path, std::vector<unsigned char>(original.begin(), original.begin() + cut));
                    sweep.RunAll(name + " cut at " + std::to_string(cut), affected);
                }
            }
            // Missing: reported or not found, and never made again by a search.
            fs::remove(path);
            sweep.RunAll(name + " missing", affected);
            EXPECT_FALSE(fs::exists(path)) << disc << name;
            WriteFileBytes(path, original);
        }
    }

    std::printf("corruption sweep: %ld files, %ld damaged copies, %ld queries\n", files,
                sweep.mutations, sweep.queriesRun);
    for (int o = 0; o < kOutcomes; ++o) {
        std::printf("  %-14s %ld\n", kOutcomeNames[o], sweep.counts[o]);
    }
    EXPECT_EQ(sweep.counts[kWrong], 0);
    EXPECT_GT(sweep.counts[kRight], 0);
    EXPECT_GT(sweep.counts[kMessage], 0);
}

namespace {

// Byte offsets of the first and the last item of a sound tree file: down the outermost
// children to the leaves.
std::vector<std::size_t> EdgeItemOffsets(const std::vector<unsigned char>& tree) {
    auto word = [&](std::size_t at) {
        return static_cast<std::int32_t>(tree[at] | tree[at + 1] << 8 | tree[at + 2] << 16 |
                                         static_cast<std::uint32_t>(tree[at + 3]) << 24);
    };
    std::vector<std::size_t> items;
    if (tree.size() < 9 || word(0) == kNoNode)
        return items;
    for (const bool last : {false, true}) {
        std::size_t node = static_cast<std::size_t>(word(0));
        for (;;) {
            const int count = word(node);
            const std::int32_t child = word(node + 100 + 4 * (last ? count : 0));
            if (child == kNoNode) {
                items.push_back(node + 4 + kTreeItemSize * (last ? count - 1 : 0));
                break;
            }
            node = static_cast<std::size_t>(child);
        }
    }
    return items;
}

}  // namespace

// Partitions that share their data files, as on real discs: the records just past a tree's
// last run are the next partition's. Every field of the first and the last item of every tree
// is changed in turn; no query may then show another surname's records.
TEST(CorruptionSweep, TheEdgesOfEveryTreeNeverShowRecordsOfAnotherPartition) {
    TestDiscSet set(People());
    Sweep sweep(set);
    ASSERT_EQ(sweep.counts[kWrong], 0);

    // A word of an item moved by `delta`, or a byte of its key changed.
    struct Edit {
        const char* what;
        std::size_t at;  // offset in the item
        std::int32_t delta;
        unsigned char byte;  // for the key: the new byte, 0 to flip the lowest bit
    };
    const Edit edits[] = {
        {"first - 1", 0, -1, 0},
        {"first - 3", 0, -3, 0},
        {"first + 1", 0, 1, 0},
        {"first + 3", 0, 3, 0},
        {"first in the next file", 0, kRecordsPerFile, 0},
        {"count - 1", 4, -1, 0},
        {"count + 1", 4, 1, 0},
        {"count + 3", 4, 3, 0},
        {"count into the next file", 4, kRecordsPerFile, 0},
        {"key's first letter", 8, 0, 0},
        {"key without its end", 8 + kKeyLength, 0, 'A'},
    };
    auto apply = [](const Edit& edit, unsigned char* p) {
        if (edit.at >= 8) {
            *p = edit.byte != 0 ? edit.byte : static_cast<unsigned char>(*p ^ 1);
            return;
        }
        std::uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        v += static_cast<std::uint32_t>(edit.delta);
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<unsigned char>(v >> (8 * i));
    };

    long trees = 0;
    for (const std::string disc : {"disc1/", "disc2/"}) {
        for (const auto& entry : fs::directory_iterator(set.root / disc)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("gst", 0) != 0)
                continue;
            const std::string path = entry.path().string();
            const std::vector<unsigned char> original = ReadFileBytes(path);
            // A tree's edges are read by lookups in the neighbouring trees of its disc too.
            const auto affected = Affected(disc, "");
            ++trees;
            for (const std::size_t item : EdgeItemOffsets(original)) {
                for (const Edit& edit : edits) {
                    std::vector<unsigned char> bytes = original;
                    apply(edit, bytes.data() + item + edit.at);
                    WriteFileBytes(path, bytes);
                    sweep.RunAll(
                        disc + name + " item at " + std::to_string(item) + ": " + edit.what,
                        [&](const Query& q) {
                            return (q.kind == 0 || q.kind == 2) && affected(q);
                        });
                }
            }
            WriteFileBytes(path, original);
        }
    }

    std::printf("tree edges: %ld trees, %ld damaged copies, %ld queries\n", trees, sweep.mutations,
                sweep.queriesRun);
    for (int o = 0; o < kOutcomes; ++o)
        std::printf("  %-14s %ld\n", kOutcomeNames[o], sweep.counts[o]);
    EXPECT_EQ(sweep.counts[kWrong], 0);
    EXPECT_GT(sweep.counts[kMessage], 0);
}
