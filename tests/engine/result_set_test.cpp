#include "result_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "death_index.h"
#include "record_encoding.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"
#include "tree_builder.h"

namespace fs = std::filesystem;
using builder::DateWord;
using builder::Person;

namespace {

// Records are told apart by their SSN, which the tests number.
int Ssn(const DeathRecord& r) {
    return r.ssn;
}

Person Numbered(const std::string& surname, int ssn, const std::string& first = "JOHN") {
    Person p = MakePerson(surname, first);
    p.ssn = static_cast<std::uint32_t>(ssn);
    return p;
}

class ResultSetTest : public ::testing::Test {
  protected:
    void Build(const std::vector<Person>& people, int recordsPerFile = 1000000) {
        set = std::make_unique<TestDiscSet>(people, recordsPerFile);
        set->Use(host);
        index = std::make_unique<CDeathIndex>();
        results = std::make_unique<CResultSet>(index.get());
        index->SetResultSet(results.get());
    }

    void Search(const std::string& surname,
                const std::function<void(CSearchCriteria&)>& more = {}) {
        criteria.SetSurname(surname.c_str());
        if (more)
            more(criteria);
        index->Search(&criteria);
    }

    std::vector<int> Page() const {
        std::vector<int> ssns;
        for (int i = 0; i < results->GetPageCount(); ++i)
            ssns.push_back(Ssn(*results->PageRecord(i)));
        return ssns;
    }

    // Every hit, by paging forward from the first page.
    std::vector<int> AllHits() {
        std::vector<int> all = Page();
        while (results->HasNextPage()) {
            results->NextPage();
            const std::vector<int> page = Page();
            if (page.empty())
                break;
            all.insert(all.end(), page.begin(), page.end());
        }
        return all;
    }

    static std::vector<int> Range(int from, int to) {
        std::vector<int> v;
        for (int i = from; i <= to; ++i)
            v.push_back(i);
        return v;
    }

    ScriptedHost host;
    std::unique_ptr<TestDiscSet> set;
    std::unique_ptr<CDeathIndex> index;
    std::unique_ptr<CResultSet> results;
    CSearchCriteria criteria;
};

std::vector<Person> Many(const std::string& surname, int n) {
    std::vector<Person> people;
    for (int i = 1; i <= n; ++i)
        people.push_back(Numbered(surname, i));
    people.push_back(Numbered("zed", 9999));  // a neighbour, so a run boundary is real
    return people;
}

}  // namespace

// Each step: the page shown, then whether Previous and Next are enabled.
struct PagingStep {
    char action;  // 'S' search, 'N' next, 'P' previous
    std::vector<int> page;
    bool prev;
    bool next;
};

struct PagingCase {
    const char* name;
    int records;
    bool filtered;  // through the hit file (a state filter every record passes)
    bool largeFont;
    std::vector<PagingStep> steps;
};

TEST_F(ResultSetTest, PagingFollowsTheExactRules) {
    auto r = [](int a, int b) { return Range(a, b); };
    const PagingCase cases[] = {
        {"direct 25",
         25,
         false,
         false,
         {{'S', r(1, 10), false, true},
          {'N', r(11, 20), true, true},
          {'N', r(21, 25), true, false},
          {'P', r(11, 20), true, true},  // back from a short last page: the page before it
          {'N', r(21, 25), true, false},
          {'P', r(11, 20), true, true},
          {'P', r(1, 10), false, true}}},
        {"direct 10", 10, false, false, {{'S', r(1, 10), false, false}}},
        {"direct 11",
         11,
         false,
         false,
         {{'S', r(1, 10), false, true}, {'N', {11}, true, false}, {'P', r(1, 10), false, true}}},
        {"hits 10", 10, true, false, {{'S', r(1, 10), false, false}}},
        {"hits 11", 11, true, false, {{'S', r(1, 10), false, true}, {'N', {11}, true, false}}},
        {"hits 28",
         28,
         true,
         false,
         {{'S', r(1, 10), false, true},
          {'N', r(11, 20), true, true},
          {'N', r(21, 28), true, false},
          {'P', r(11, 20), true, true},
          {'N', r(21, 28), true, false},
          {'P', r(11, 20), true, true},
          {'P', r(1, 10), false, true}}},
        {"direct 25, pages of 8",
         25,
         false,
         true,
         {{'S', r(1, 8), false, true},
          {'N', r(9, 16), true, true},
          {'N', r(17, 24), true, true},
          {'P', r(9, 16), true, true},
          {'N', r(17, 24), true, true},
          {'N', {25}, true, false},
          {'P', r(17, 24), true, true}}},
        {"hits 20, pages of 8",
         20,
         true,
         true,
         {{'S', r(1, 8), false, true},
          {'N', r(9, 16), true, true},
          {'N', r(17, 20), true, false},
          {'P', r(9, 16), true, true},
          {'N', r(17, 20), true, false}}},
    };
    for (const PagingCase& c : cases) {
        SCOPED_TRACE(c.name);
        Build(Many("pager", c.records));
        results->SetPageSize(c.largeFont);
        for (const PagingStep& step : c.steps) {
            if (step.action == 'S') {
                Search("pager", [&](CSearchCriteria& q) {
                    if (c.filtered)
                        q.SetState(0);
                });
                EXPECT_EQ(results->GetTotal(), c.records);
                EXPECT_EQ(results->IsDirectMode(), !c.filtered);
            } else if (step.action == 'N') {
                results->NextPage();
            } else {
                results->PrevPage();
            }
            EXPECT_EQ(Page(), step.page) << step.action;
            EXPECT_EQ(results->HasPrevPage(), step.prev) << step.action;
            EXPECT_EQ(results->HasNextPage(), step.next) << step.action;
        }
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ResultSetTest, ResetEmptiesEverything) {
    Build(Many("pager", 12));
    Search("pager", [](CSearchCriteria& q) { q.SetState(0); });
    ASSERT_EQ(results->GetTotal(), 12);
    results->Reset();
    EXPECT_EQ(results->GetTotal(), 0);
    EXPECT_EQ(results->GetPageCount(), 0);
    EXPECT_FALSE(results->HasNextPage());
    EXPECT_FALSE(results->HasPrevPage());
    EXPECT_EQ(fs::file_size(set->program + "test.bin"), 0u);
}

// Sixteen people of one surname, one per combination of state, first name, birth and death
// year, plus decoys of other surnames. Every query shape must give exactly the people that
// match, in record order.
TEST_F(ResultSetTest, EverySetOfCriteriaSelectsExactlyItsMatches) {
    std::vector<Person> people;
    struct Who {
        int ssn;
        int state;
        std::string first;
        int birth;
        int death;
    };
    std::vector<Who> tester;
    int ssn = 100;
    for (int s : {5, 9}) {
        for (const char* f : {"ANN", "BOB"}) {
            for (int b : {20, 31}) {
                for (int d : {70, 88}) {
                    for (int copy = 0; copy < 2; ++copy) {
                        Person p = Numbered("tester", ++ssn, f);
                        p.location = static_cast<std::uint8_t>(s);
                        p.birthWord = DateWord(1, 2, b);
                        p.deathWord = DateWord(3, 4, d);
                        people.push_back(p);
                        tester.push_back({ssn, s, f, 1900 + b, 1900 + d});
                    }
                }
            }
        }
    }
    for (const char* other : {"tesses", "testers"}) {
        Person p = Numbered(other, 1, "ANN");
        p.location = 5;
        people.push_back(p);
    }
    Build(people);

    for (int mask = 0; mask < 16; ++mask) {
        const bool s = mask & 1, f = mask & 2, b = mask & 4, d = mask & 8;
        SCOPED_TRACE(testing::Message()
                     << "state " << s << " first " << f << " birth " << b << " death " << d);
        Search("Tester", [&](CSearchCriteria& q) {
            if (f)
                q.SetFirstName("bob");
            if (d)
                q.SetDeathYear(1988);
            if (b)
                q.SetBirthYear(1920);
            if (s)
                q.SetState(9);
        });
        std::vector<int> expected;
        for (const Who& w : tester) {
            if ((!s || w.state == 9) && (!f || w.first == "BOB") && (!b || w.birth == 1920) &&
                (!d || w.death == 1988)) {
                expected.push_back(w.ssn);
            }
        }
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return tester[a - 101].first < tester[b - 101].first;  // runs are in first-name order
        });
        EXPECT_EQ(results->IsDirectMode(), mask == 0);
        EXPECT_EQ(results->GetTotal(), static_cast<long>(expected.size()));
        EXPECT_EQ(AllHits(), expected);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ResultSetTest, FirstNamesBelowInsideBetweenAndAboveTheList) {
    std::vector<Person> people;
    int ssn = 0;
    for (const char* first : {"BETTY", "CARL", "CARL", "DORA", "FRED"}) {
        people.push_back(Numbered("family", ++ssn, first));
    }
    people.push_back(Numbered("other", 50, "ALAN"));  // the list's first real name
    people.push_back(Numbered("other", 51, "ZORA"));  // and its last
    Build(people);
    struct Case {
        const char* typed;
        std::vector<int> hits;
    };
    // Only people with exactly the typed name are found: a name the list does not hold
    // matches nobody, not the next name in sort order.
    const Case cases[] = {
        {"AARON", {}},     // below every name of the list
        {"BETTY", {1}},    // inside
        {"carl", {2, 3}},  // case does not matter
        {"CARLA", {}},     // between CARL and DORA
        {"EVE", {}},       // between DORA and FRED
        {"ZZZ", {}},       // above every name
        {"ZORA", {}},      // the last real name, not in FAMILY
    };
    for (const Case& c : cases) {
        Search("family", [&](CSearchCriteria& q) { q.SetFirstName(c.typed); });
        EXPECT_EQ(AllHits(), c.hits) << c.typed;
    }
    Search("other", [](CSearchCriteria& q) { q.SetFirstName("ZORA"); });
    EXPECT_EQ(AllHits(), std::vector<int>{51});
    Search("other", [](CSearchCriteria& q) { q.SetFirstName("AARON"); });
    EXPECT_EQ(AllHits(), std::vector<int>{});
    EXPECT_EQ(results->GetTotal(), 0);
    EXPECT_TRUE(host.messages.empty());
}

// A list of many names is read in pieces; names at the edges of the pieces and at the end of
// the list must be found by the search and shown in the list lines like any other.
TEST_F(ResultSetTest, EveryNameOfALongListIsFoundAndShown) {
    const int n = 1234;  // the list: 11 fillers, these names, 10 fillers
    auto name = [](int i) {
        char text[16];
        std::snprintf(text, sizeof text, "N%04d", i);
        return std::string(text);
    };
    std::vector<Person> people;
    for (int i = 0; i < n; ++i)
        people.push_back(Numbered("many", i + 1, name(i)));
    Build(people);

    // Each shown line names the person whose SSN it carries.
    Search("many");
    ASSERT_EQ(results->GetTotal(), n);
    int shown = 0;
    char line[kListLineSize];
    do {
        for (int row = 0; row < results->GetPageCount(); ++row) {
            results->FormatListLine(row, line);
            const int i = Ssn(*results->PageRecord(row)) - 1;
            EXPECT_EQ(std::string(line).substr(0, 24), "MANY        \t" + name(i) + "     \t") << i;
            ++shown;
        }
        results->NextPage();
    } while (results->GetPageCount() > 0);
    EXPECT_EQ(shown, n);

    for (const int i : {0, 388, 389, 390, 788, 789, 1188, 1189, 1190, n - 1}) {
        Search("many", [&](CSearchCriteria& q) { q.SetFirstName(name(i).c_str()); });
        EXPECT_EQ(AllHits(), std::vector<int>{i + 1}) << name(i);
    }
    Search("many", [](CSearchCriteria& q) { q.SetFirstName("N9999"); });
    EXPECT_EQ(AllHits(), std::vector<int>{});
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ResultSetTest, UnknownYearsMatchOnlyAsTheFormatSays) {
    std::vector<Person> people;
    Person noBirth = Numbered("years", 1);
    noBirth.birthWord = 0;  // no date
    noBirth.deathWord = 0;  // the year 1900
    people.push_back(noBirth);
    Person old = Numbered("years", 2);
    old.bornIn1800s = true;
    old.birthWord = DateWord(1, 1, 80);
    old.deathWord = DateWord(0, 0, -1);
    people.push_back(old);
    Build(people);

    Search("years", [](CSearchCriteria& q) { q.SetDeathYear(1900); });
    EXPECT_EQ(AllHits(), std::vector<int>{1});
    Search("years", [](CSearchCriteria& q) { q.SetBirthYear(1900); });
    EXPECT_EQ(AllHits(), std::vector<int>{});
    Search("years", [](CSearchCriteria& q) { q.SetBirthYear(1880); });
    EXPECT_EQ(AllHits(), std::vector<int>{2});
}

// The block scan tests most criteria as bits of the raw record and the rest with the
// accessors; either way it must accept exactly the records the accessors accept. Records with
// every year-bits value of both date words, both birth centuries, dates with and without day
// and month, every location and a few first names, against criteria at the edges.
TEST(CollectHits, AcceptsExactlyWhatTheAccessorsAccept) {
    std::vector<RawDeathRecord> records;
    int i = 0;
    for (const std::uint32_t bornIn1800s : {0u, kBornIn1800s}) {
        for (int birthYearBits = 0; birthYearBits < 128; ++birthYearBits) {
            for (const int dayMonth : {0, (7 << 4) | 3}) {  // unknown, 7 March
                const int deathYearBits = (i * 37) % 128;
                const auto birth = static_cast<std::uint16_t>(dayMonth << 7 | birthYearBits);
                const auto death = static_cast<std::uint16_t>((i % 3) << 7 | deathYearBits);
                const std::uint32_t first = i % 5 == 4 ? kFirstNameMask : i % 5;
                const std::uint32_t location = static_cast<std::uint32_t>(i % 128);
                records.push_back(MakeRawRecord(first | location << kLocationShift,
                                                bornIn1800s | 12345u, death, birth, 0, 0));
                ++i;
            }
        }
        records.push_back(MakeRawRecord(1, bornIn1800s, 0, 0, 0, 0));  // no dates at all
    }

    struct Case {
        const char* name;
        CResultSet::Criteria criteria;
    };
    using C = CResultSet::Criteria;
    const Case cases[] = {
        {"state", C{.hasState = true, .state = 21}},
        {"unknown location", C{.hasState = true, .state = 0}},
        {"state in the low 8 bits", C{.hasState = true, .state = 256 + 21}},
        {"state no record holds", C{.hasState = true, .state = 200}},
        {"first name", C{.hasFirstName = true, .firstName = 3}},
        {"highest first name", C{.hasFirstName = true, .firstName = int{kFirstNameMask}}},
        {"first name beyond the field", C{.hasFirstName = true, .firstName = 1 << 20}},
        {"born 1908", C{.hasBirth = true, .birth = 1908}},
        {"born 1870", C{.hasBirth = true, .birth = 1870}},
        {"born 1899", C{.hasBirth = true, .birth = 1899}},
        {"born 1900: needs a date word", C{.hasBirth = true, .birth = 1900}},
        {"born 1800", C{.hasBirth = true, .birth = 1800}},
        {"born 1999", C{.hasBirth = true, .birth = 1999}},
        {"birth year 0: the unknown", C{.hasBirth = true, .birth = 0}},
        {"born 2026", C{.hasBirth = true, .birth = 2026}},
        {"died 1900", C{.hasDeath = true, .death = 1900}},
        {"died 1984", C{.hasDeath = true, .death = 1984}},
        {"died 1999", C{.hasDeath = true, .death = 1999}},
        {"death year 0: the unknown", C{.hasDeath = true, .death = 0}},
        {"died 2026", C{.hasDeath = true, .death = 2026}},
        {"born and died", C{.hasBirth = true, .birth = 1908, .hasDeath = true, .death = 1984}},
        {"everything", C{true, 21, true, 3, true, 1899, true, 1950}},
        {"everything, birth by the accessors", C{true, 21, true, 3, true, 1900, true, 1950}},
    };
    for (const Case& c : cases) {
        std::vector<RawDeathRecord> expected;
        for (const RawDeathRecord& r : records) {
            if (c.criteria.Matches(r))
                expected.push_back(r);
        }
        // In blocks of 100 and less, as the scan hands them over.
        std::vector<RawDeathRecord> got;
        for (std::size_t at = 0; at < records.size(); at += 100) {
            const int n = static_cast<int>(std::min<std::size_t>(100, records.size() - at));
            RawDeathRecord hits[100];
            const int found = CollectHits(c.criteria, records.data() + at, n, hits);
            got.insert(got.end(), hits, hits + found);
        }
        ASSERT_EQ(got.size(), expected.size()) << c.name;
        for (std::size_t k = 0; k < got.size(); ++k)
            ASSERT_EQ(std::memcmp(got[k].bytes, expected[k].bytes, 16), 0) << c.name << " " << k;
    }
}

// Hits are handed to the hit file in batches; a result larger than a batch must still come
// back whole and in record order, from either scan, in a file of exactly the hits.
TEST_F(ResultSetTest, ResultsLargerThanOneBatchOfHitsComeBackWholeAndInOrder) {
    const int n = 3 * kStagedHits + 17;
    Build(Many("many", n));
    const struct {
        const char* name;
        std::function<void(CSearchCriteria&)> criteria;
    } cases[] = {
        {"block scan", [](CSearchCriteria& q) { q.SetState(0); }},
        {"seek scan", [](CSearchCriteria& q) { q.SetFirstName("john"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Search("many", c.criteria);
        ASSERT_EQ(results->GetTotal(), n);
        EXPECT_EQ(fs::file_size(set->program + "test.bin"), n * sizeof(RawDeathRecord));
        EXPECT_EQ(AllHits(), Range(1, n));
        results->PrevPage();  // back from the short last page, as the window allows
        EXPECT_EQ(Page(), Range(n - 18, n - 9));
    }
    EXPECT_TRUE(host.messages.empty());
}

// One result set for a run of searches, as the window has: the hit file is emptied in place
// between them, and a result of one batch or less is paged from memory. After every search the
// file holds exactly that search's hits, and paging both ways shows them.
TEST_F(ResultSetTest, TheHitFileHoldsExactlyTheLastSearchsHitsThroughARunOfSearches) {
    const struct {
        const char* surname;
        int ssn;  // of the first; the others follow
        int count;
    } runs[] = {
        {"batch", 10001, kStagedHits},
        {"big", 1, kStagedHits + 5},
        {"few", 20001, 3},
        {"one", 30001, 1},
    };
    std::vector<Person> people;
    for (const auto& r : runs) {
        for (int i = 0; i < r.count; ++i)
            people.push_back(Numbered(r.surname, r.ssn + i));
    }
    Build(people);
    auto fileSsns = [&] {
        const std::vector<unsigned char> bytes = ReadFileBytes(set->program + "test.bin");
        std::vector<int> ssns;
        for (std::size_t at = 0; at + 16 <= bytes.size(); at += 16) {
            RawDeathRecord raw;
            std::memcpy(raw.bytes, bytes.data() + at, 16);
            DeathRecord record;
            DecodeRecord(raw, record);
            ssns.push_back(Ssn(record));
        }
        EXPECT_EQ(bytes.size() % 16, 0u);
        return ssns;
    };
    const char* const order[] = {"few", "big", "one", "absent", "batch",  "few",
                                 "big", "big", "one", "batch",  "absent", "one"};
    for (const char* surname : order) {
        SCOPED_TRACE(surname);
        std::vector<int> expected;
        for (const auto& r : runs) {
            if (std::string(r.surname) == surname)
                expected = Range(r.ssn, r.ssn + r.count - 1);
        }
        Search(surname, [](CSearchCriteria& q) { q.SetState(0); });
        EXPECT_EQ(results->GetTotal(), static_cast<long>(expected.size()));
        EXPECT_EQ(fileSsns(), expected);
        EXPECT_EQ(AllHits(), expected);
        // Back from the end to the start, a page at a time.
        while (results->HasPrevPage())
            results->PrevPage();
        const std::size_t first = std::min<std::size_t>(10, expected.size());
        EXPECT_EQ(Page(), std::vector<int>(expected.begin(), expected.begin() + first));
    }
    EXPECT_TRUE(host.messages.empty());
}

// A first-name list longer than the pieces a disc keeps of it: pieces that share a place
// take turns, and every lookup and list line still reads its own name.
TEST_F(ResultSetTest, FirstNamesOfALongListAreFoundWhateverPiecesWereReadBefore) {
    constexpr int kNames = 7000;  // 17.5 pieces of 400
    auto name = [](int rank) {
        char text[8];
        std::snprintf(text, sizeof text, "N%04d", rank);
        return std::string(text);
    };
    std::vector<Person> people;
    for (int rank = 0; rank < kNames; ++rank)
        people.push_back(Numbered("many", rank + 1, name(rank)));
    Build(people);
    // Ranks at piece edges, and pieces 16 apart, which share a place, in turn.
    for (const int rank : {0, 6999, 389, 390, 6789, 100, 6500, 100, 3000, 6400, 388, 6999}) {
        SCOPED_TRACE(rank);
        Search("many", [&](CSearchCriteria& q) { q.SetFirstName(name(rank).c_str()); });
        ASSERT_EQ(results->GetTotal(), 1);
        EXPECT_EQ(Page(), std::vector<int>{rank + 1});
        char line[kListLineSize];
        results->FormatListLine(0, line);
        EXPECT_EQ(std::string(line).substr(13, 10), name(rank) + "     ");
    }
    Search("many", [](CSearchCriteria& q) { q.SetFirstName("N7000"); });
    EXPECT_EQ(results->GetTotal(), 0);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ResultSetTest, ListAndDetailLinesCarryTheShownTexts) {
    Person p = Numbered("smith", 123456789, "mary");
    p.location = 21;
    p.birthWord = DateWord(7, 3, 51);
    p.deathWord = DateWord(0, 11, 98);
    p.residenceZipWord = 65535 - 501;  // partial ZIP 501
    p.paymentZipWord = 0;
    Person q = Numbered("smith", 5, "mary");
    q.location = 127;
    q.birthWord = 127;
    q.deathWord = DateWord(9, 0, -1);
    Build({p, q});
    Search("smith");
    ASSERT_EQ(results->GetPageCount(), 2);

    char line[kListLineSize];
    results->FormatListLine(0, line);
    EXPECT_STREQ(line, "SMITH       \tMARY      \t7 Mar 1951\tNov 1998\tMaryland");
    EXPECT_STREQ(results->FormatDetailLine(0), "123-45-6789\tXX501\t---\t");
    results->FormatListLine(1, line);
    EXPECT_STREQ(line, "SMITH       \tMARY      \t---\t9 ---\tPE");
    EXPECT_STREQ(results->FormatDetailLine(1), "000-00-0005\t---\t---\t");

    for (int row : {0, 1}) {
        results->FormatListLine(row, line);
        EXPECT_EQ(std::count(line, line + std::strlen(line), '\t'), 4);
        const char* detail = results->FormatDetailLine(row);
        EXPECT_EQ(std::count(detail, detail + std::strlen(detail), '\t'), 3);
    }
    results->FormatListLine(2, line);  // not on the page
    EXPECT_STREQ(line, "");
    EXPECT_EQ(results->FormatDetailLine(2), nullptr);
}

TEST_F(ResultSetTest, AHitFileThatCannotBeWrittenIsReportedAndShowsNothing) {
    Build(Many("pager", 30));
    // Full disk: the hit file is a link to a device that refuses every write.
    fs::remove(set->program + "test.bin");
    fs::create_symlink("/dev/full", set->program + "test.bin");
    index = std::make_unique<CDeathIndex>();
    results = std::make_unique<CResultSet>(index.get());
    index->SetResultSet(results.get());
    Search("pager", [](CSearchCriteria& q) { q.SetState(0); });
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(
        host.messages[0].text.find("Cannot write the hit file \"" + set->program + "test.bin\""),
        std::string::npos);
    EXPECT_EQ(results->GetTotal(), 0);
    EXPECT_EQ(results->GetPageCount(), 0);

    // A program folder that does not exist: nothing can be created at all.
    host.messages.clear();
    host.programDir = set->root / "no-such-folder/";
    index = std::make_unique<CDeathIndex>();
    results = std::make_unique<CResultSet>(index.get());
    index->SetResultSet(results.get());
    Search("pager", [](CSearchCriteria& q) { q.SetFirstName("john"); });
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("no-such-folder/test.bin"), std::string::npos);
    EXPECT_EQ(results->GetTotal(), 0);

    // Without a filter the hit file is not needed: the run is paged directly.
    host.messages.clear();
    Search("pager");
    EXPECT_EQ(results->GetTotal(), 30);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ResultSetTest, AnUnreadableFirstNameListNeverRunsUnfiltered) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> damage;
    };
    const Case cases[] = {
        {"missing", [](const std::string& list) { fs::remove(list); }},
        {"too short", [](const std::string& list) { fs::resize_file(list, 10 * 20); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.messages.clear();
        Build(Many("pager", 12));
        c.damage(set->disc2 + "fname.fst");
        Search("pager", [](CSearchCriteria& q) { q.SetFirstName("john"); });
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_NE(host.messages[0].text.find("fname.fst"), std::string::npos);
        EXPECT_EQ(results->GetTotal(), 0);
        EXPECT_EQ(results->GetPageCount(), 0);
    }
    // The list lines of a search without a first name show the fallback, not garbage.
    fs::remove(set->disc2 + "fname.fst");
    set->Reinsert();
    Search("pager");
    ASSERT_GT(results->GetPageCount(), 0);
    char line[kListLineSize];
    results->FormatListLine(0, line);
    EXPECT_STREQ(line, "PAGER       \tn/a\t---\t---\t---");
}

TEST_F(ResultSetTest, ShortDataStopsScansAndIsReportedOnce) {
    Build(Many("pager", 250));
    fs::resize_file(set->disc2 + "dp1.car", 0);  // keep the file, lose its records
    std::vector<unsigned char> bytes(16 * 140);  // 140 records of zeros, the run needs 250
    WriteFileBytes(set->disc2 + "dp1.car", bytes);
    for (const auto& filter : std::vector<std::function<void(CSearchCriteria&)>>{
             [](CSearchCriteria& q) { q.SetState(0); },
             [](CSearchCriteria& q) { q.SetFirstName("JOHN"); },
             {}}) {
        host.messages.clear();
        Search("pager", filter);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_NE(host.messages[0].text.find("shorter than the index says"), std::string::npos);
        EXPECT_EQ(results->GetTotal(), 0);
    }
}

TEST_F(ResultSetTest, PagesNeverReachPastTheRangeEnd) {
    Build(Many("pager", 250));
    index->OpenIndexFor("PAGER       ");
    RawDeathRecord block[101];
    EXPECT_EQ(index->ReadPage(0, 250, block), 100);
    EXPECT_EQ(index->ReadPage(240, 250, block), 10);
    EXPECT_EQ(index->ReadPage(250, 250, block), 0);  // an empty range reads nothing
    EXPECT_FALSE(index->DataWasShort());
}

TEST_F(ResultSetTest, AnEmptyRunIsNeverReadOutsideItself) {
    Build(Many("pager", 5));
    // Give the last surname of the disc an empty run just past the end of the data: any read
    // would fail.
    const std::string tree = set->disc2 + "gst14.tre";
    builder::BuildTree(
        {builder::MakeTreeItem("ZED         ", 5, 1), builder::MakeTreeItem("ZZZ         ", 6, 0)})
        .WriteTo(tree);
    for (const auto& filter : std::vector<std::function<void(CSearchCriteria&)>>{
             [](CSearchCriteria& q) { q.SetFirstName("JOHN"); },
             [](CSearchCriteria& q) { q.SetState(3); },
             {}}) {
        Search("zzz", filter);
        EXPECT_EQ(criteria.firstRecord, 6);
        EXPECT_EQ(results->GetTotal(), 0);
        EXPECT_EQ(results->GetPageCount(), 0);
        EXPECT_FALSE(index->DataWasShort());
    }
    EXPECT_TRUE(host.messages.empty());
}

namespace {

// One surname whose records carry the given first-name positions (SSN = position + 1000),
// over a list of the given names, with or without the usual fillers.
class PositionsTest : public ::testing::Test {
  protected:
    void Build(const std::vector<int>& positions, const std::vector<std::string>& listNames,
               bool fillers) {
        set = std::make_unique<TempDir>();
        const std::string disc1 = set->Path() + "disc1/";
        const std::string disc2 = set->Path() + "disc2/";
        fs::create_directories(disc1);
        fs::create_directories(disc2);
        fs::create_directories(set->Path() + "program/");
        const builder::FirstNameList list({"JOHN"});
        builder::DiscSetWriter writer({disc1, disc2}, list);
        for (const int position : positions) {
            const Person p = Numbered("edge", position + 1000);
            ASSERT_TRUE(writer.Add("EDGE        ", builder::PersonRecord(p, position)));
        }
        ASSERT_TRUE(writer.Finish()) << writer.Error();
        std::vector<unsigned char> bytes;
        if (fillers) {
            bytes = builder::FirstNameList(listNames).Bytes();
        } else {
            for (const std::string& name : listNames) {
                const std::string record = builder::FirstNameRecord(name);
                bytes.insert(bytes.end(), record.begin(), record.end());
            }
        }
        ASSERT_TRUE(WriteFileBytes(disc1 + "fname.fst", bytes));
        host.disc1Dir = disc1;
        host.disc2Dir = disc2;
        host.programDir = set->Path() + "program/";
        index = std::make_unique<CDeathIndex>();
        results = std::make_unique<CResultSet>(index.get());
        index->SetResultSet(results.get());
    }

    std::vector<int> Find(const char* typed) {
        CSearchCriteria criteria;
        criteria.SetSurname("edge");
        criteria.SetFirstName(typed);
        index->Search(&criteria);
        std::vector<int> positions;
        for (int i = 0; i < results->GetPageCount(); ++i)
            positions.push_back(results->PageRecord(i)->ssn - 1000);
        return positions;
    }

    ScriptedHost host;
    std::unique_ptr<TempDir> set;
    std::unique_ptr<CDeathIndex> index;
    std::unique_ptr<CResultSet> results;
};

}  // namespace

// A typed name matches the records of its position only when the list holds exactly that name
// there. The list's search gives position 0 for any name up to record 10 and n - 10 for any
// name after record n - 10; a name there that the list does not hold matches nobody, also
// where those positions are fillers or records use them.
TEST_F(PositionsTest, ATypedNameMatchesOnlyRecordsOfThatName) {
    struct Case {
        const char* typed;
        std::vector<int> positions;
    };
    // With fillers: ALAN 11, ZORA 12, fillers 0..10 and 13..22 (n - 10 = 13).
    Build({0, 11, 12, 13, 22}, {"ALAN", "ZORA"}, true);
    const Case withFillers[] = {
        {"ALAN", {11}},
        {"ZORA", {12}},
        {"AARON", {}},                                     // before ALAN
        {"BOB", {}},                                       // between
        {"ZZZ", {}},                                       // after ZORA, before the fillers
        {"\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", {}},  // after record n - 10
    };
    for (const Case& c : withFillers)
        EXPECT_EQ(Find(c.typed), c.positions) << c.typed;

    // Without fillers: N00..N22, so records 10 and n - 10 = 13 are real names.
    std::vector<std::string> names;
    for (int i = 0; i < 23; ++i)
        names.push_back((i < 10 ? "N0" : "N") + std::to_string(i));
    Build({0, 5, 10, 12, 13, 15, 22}, names, false);
    const Case withoutFillers[] = {
        {"N00", {0}},  // up to record 10 the search says 0: that is N00's own position
        {"N05", {}},   // also 0, which is not N05
        {"N10", {}},   {"N12", {12}},
        {"N13", {13}}, {"N15", {}},  // after record n - 10: the search says 13, which is not N15
        {"N22", {}},   {"N125", {}},
    };
    for (const Case& c : withoutFillers)
        EXPECT_EQ(Find(c.typed), c.positions) << c.typed;
    EXPECT_TRUE(host.messages.empty());
}

// A damaged first-name list is reported once per search and never matches by a wrong position.
// "Too short" is measured, not guessed from filler bytes: a list is too short when a record uses
// a position at or beyond its last whole name. Every page shown is checked; a typed name the
// list does not hold is checked against the run's last record, which has the run's highest
// position (runs are sorted by first name).
TEST_F(ResultSetTest, ADamagedFirstNameListIsReportedOnceAndNeverMatchesByAWrongPosition) {
    // 30 people of one surname, N00..N29 at positions 11..40; a decoy surname after them.
    std::vector<Person> people;
    for (int i = 0; i < 30; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "N%02d", i);
        people.push_back(Numbered("johnson", i + 1, name));
    }
    people.push_back(Numbered("jonas", 99, "N29"));
    struct Case {
        const char* what;
        std::function<void(const std::string&)> damage;
        const char* says;  // nullptr: no message
        std::vector<int> noName;
        std::vector<int> beforeTheCut;
        std::vector<int> afterTheCut;
    };
    auto cut = [](std::uintmax_t bytes) {
        return [bytes](const std::string& list) { fs::resize_file(list, bytes); };
    };
    const std::vector<int> all = Range(1, 30);
    const Case cases[] = {
        {"sound", [](const std::string&) {}, nullptr, all, {6}, {26}},
        // 30 names: positions 0..29, so N19 (30) and after are lost.
        {"cut at a name's end", cut(300), "is too short", all, {6}, {}},
        {"cut inside a name", cut(305), "is too short", all, {6}, {}},
        {"missing",
         [](const std::string& list) { fs::remove(list); },
         "cannot be read",
         all,
         {},
         {}},
        {"a folder in its place",
         [](const std::string& list) {
             fs::remove(list);
             fs::create_directory(list);
         },
         "cannot be read",
         all,
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build(people);
        c.damage(set->disc1 + "fname.fst");
        const struct {
            const char* first;
            const std::vector<int>& hits;
        } queries[] = {{nullptr, c.noName}, {"N05", c.beforeTheCut}, {"N25", c.afterTheCut}};
        for (const auto& q : queries) {
            SCOPED_TRACE(q.first != nullptr ? q.first : "no first name");
            host.messages.clear();
            Search("johnson", [&](CSearchCriteria& criteria) {
                if (q.first != nullptr)
                    criteria.SetFirstName(q.first);
            });
            EXPECT_EQ(AllHits(), q.hits);  // pages through every hit
            results->PrevPage();
            const bool told = c.says != nullptr && (q.first == nullptr || q.hits.empty());
            ASSERT_EQ(host.messages.size(), told ? 1u : 0u);
            if (told) {
                EXPECT_NE(host.messages[0].text.find("fname.fst"), std::string::npos);
                EXPECT_NE(host.messages[0].text.find(c.says), std::string::npos)
                    << host.messages[0].text;
                EXPECT_EQ(host.messages[0].style, MB_OK | MB_ICONEXCLAMATION);
            }
        }
    }
}

// The seek scan stops at the first record after the typed name's records: a name's search
// costs the binary search's probes and its own records, whatever follows it in the run.
TEST_F(ResultSetTest, TheFirstNameScanReadsOnlyUpToTheNamesLastRecord) {
    std::vector<Person> people;
    int ssn = 0;
    for (int name = 0; name < 20; ++name) {
        char first[8];
        std::snprintf(first, sizeof first, "F%02d", name);
        for (int i = 0; i < 10; ++i)
            people.push_back(Numbered("many", ++ssn, first));
    }
    people.push_back(Numbered("zed", 9999));
    Build(people);
    // At most two probes at the ends and eight halvings of 200 records, then the name's ten
    // records and the one after them.
    const long probes = 2 + 8;
    for (const char* first : {"F00", "F01", "F07", "F12", "F18", "F19"}) {
        Search("many", [&](CSearchCriteria& q) { q.SetFirstName(first); });
        EXPECT_EQ(results->GetTotal(), 10) << first;
        EXPECT_LE(index->RecordReads(), probes + 10 + 1) << first;
        EXPECT_GE(index->RecordReads(), 10) << first;
    }
}
