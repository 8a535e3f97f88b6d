// 100,000 random queries in one process, of every filter kind, on surnames present and
// absent: memory and open files must not grow between the first and the last thousand.
#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "death_index.h"
#include "record_encoding.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEL7M_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEL7M_ASAN 1
#endif
#endif

namespace {

long OpenFiles() {
    long n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++n;
        closedir(dir);
    }
    return n;
}

long ResidentKilobytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string Surname(int i) {
    // Spread over every partition and both discs.
    static const char* const starts[] = {"AB", "BO", "CH", "DI", "FO", "HA", "JU", "KW",
                                         "LI", "MO", "NO", "PR", "RY", "SM", "TU", "WO"};
    return std::string(starts[i % 16]) + static_cast<char>('A' + i / 16 % 26) + "SON";
}

}  // namespace

TEST(Load, ManyQueriesInOneProcessHoldNoMoreMemoryOrFiles) {
    std::vector<builder::Person> people;
    std::mt19937 random(7);
    for (int i = 0; i < 160; ++i) {
        const int count = 1 + static_cast<int>(random() % 60);
        for (int j = 0; j < count; ++j) {
            builder::Person p = MakePerson(Surname(i), j % 3 ? "ANN" : "BOB");
            p.location = static_cast<std::uint8_t>(1 + random() % 5);
            p.birthWord = builder::DateWord(1, 1, static_cast<int>(random() % 5));
            p.deathWord = builder::DateWord(1, 1, 80 + static_cast<int>(random() % 5));
            people.push_back(p);
        }
    }
    TestDiscSet set(people, 500);
    ScriptedHost host;
    set.Use(host);

    CDeathIndex index;
    CSearchCriteria criteria;
    auto results = std::make_unique<CResultSet>(&index);
    index.SetResultSet(results.get());
    const long filesBefore = OpenFiles();
    long files = 0;
    long memory = 0;
    long hits = 0;
    long lastFiles = 0;
    constexpr int kQueries = 100000;
    for (int q = 0; q < kQueries; ++q) {
        const int which = static_cast<int>(random() % 200);  // 160 present, 40 absent
        criteria.SetSurname(which < 160 ? Surname(which).c_str()
                                        : ("QX" + std::to_string(which)).c_str());
        const unsigned kinds = random() % 16;
        if (kinds & 1)
            criteria.SetState(1 + static_cast<int>(random() % 5));
        if (kinds & 2)
            criteria.SetFirstName(random() % 2 ? "ann" : "bob");
        if (kinds & 4)
            criteria.SetBirthYear(1900 + static_cast<int>(random() % 5));
        if (kinds & 8)
            criteria.SetDeathYear(1980 + static_cast<int>(random() % 5));
        index.Search(&criteria);
        hits += results->GetTotal();
        if (results->HasNextPage())
            results->NextPage();
        // Which files stay open depends on the last query, so compare the most seen.
        if (q < 1000)
            files = std::max(files, OpenFiles());
        if (q >= kQueries - 1000)
            lastFiles = std::max(lastFiles, OpenFiles());
        if (q == 999)
            memory = ResidentKilobytes();
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_GT(hits, 0);
    EXPECT_EQ(lastFiles, files);
    // What the engine keeps open: per disc its first-name list, its trees and one data file;
    // and the hit file.
    EXPECT_LE(lastFiles - filesBefore, 2 * (kPartitionCount + 2) + 1);
#ifndef VEL7M_ASAN
    // The allocator may keep a few pages; growth per query would show as megabytes.
    EXPECT_LT(ResidentKilobytes() - memory, 512) << "from " << memory << " kB";
#else
    (void)memory;  // the sanitizer's quarantine holds freed memory on purpose
#endif
}
