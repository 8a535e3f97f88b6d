// Searches beyond the form, against answers worked out by brute force over the people the
// disc set was built from: patterns with fnmatch, years, SSNs and ZIPs from the people's own
// values, sounds-like codes with the coders (whose published examples are tested on their
// own), and the order the index keeps.
#include "wide_search.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "daitch_mokotoff.h"
#include "death_index.h"
#include "disc.h"
#include "record_encoding.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "soundex.h"
#include "stdio_file.h"
#include "test_discs.h"
#include "zip_tables.h"

namespace fs = std::filesystem;

namespace {

const char* const kAwkwardSurnames[] = {
    "DE LA CRUZ",
    "DE LA ROSA",
    "DELA",
    "VAN DYKE",
    "VAN",
    "VANDYKE",
    "O'BRIEN",
    "O'NEIL",
    "OBRIEN",
    "MC DONALD",
    "MCDONALD",
    "MACDONALD",
    "SMITH-JONES",
    "A",
    "B",
    "X",
    "Z",
    "'T HOOFT",
    " LEE",
    "\xC9MILE",
    "M\xDCLLER",
    "MUELLER",
    "MULLER",
    "MILLER",
    "SMITH",
    "SMYTH",
    "SMYTHE",
    "SCHMIDT",
    "SCHMITT",
    "SHMIT",
    "KOWALSKI",
    "KOWALCZYK",
    "KOVAL",
    "JOHNSON",
    "JONSSON",
    "ROBERT",
    "RUPERT",
    "LEE",
    "LEIGH",
    "PETERSON",
    "PETERSEN",
    "ASHCRAFT",
    "TYMCZAK",
    "PFISTER",
    "HONEYMAN",
    "SON",
    "SONS",
    "ANDERSSON",
    // At the partition keys, just before them, and at the disc split.
    "BERVALDR",
    "BERVALDS",
    "CEDARHALL",
    "CEDARHALM",
    "DELOSADA",
    "FICARETTA",
    "GUDUKOWSKI",
    "JOHNGARLO",
    "KUTNOWSKX",
    "KUTNOWSKY",
    "KZZZZZZZZZZY",
    "KZZZZZZZZZZZ",
    "L",
    "LA",
    "MARGON",
    "MARGOO",
    "NATSEEWAY",
    "PILLOISE",
    "ROUVALDT",
    "SKABAR",
    "THUILOT",
    "WANICH",
    "ZZZZZZZZZZZZ",
};

const char* const kFirstNames[] = {
    "MARY", "MARIE", "MARGARET", "MARTHA",   "ANN",       "ANNA",     "ANNE",   "JOHN",
    "JO",   "A",     "ZOE",      "MARY ANN", "JEAN-PAUL", "\xC9LISE", "O'DELL", "ELIZABETH",
};

// Awkward surnames, each a few times, and generated ones; every person a unique SSN.
std::vector<builder::Person> MakePeople() {
    std::mt19937 random(14);
    std::vector<std::string> surnames(std::begin(kAwkwardSurnames), std::end(kAwkwardSurnames));
    const char* const consonants = "BCDFGHJKLMNPRSTVWZ";
    const char* const vowels = "AEIOUY";
    for (int i = 0; i < 300; ++i) {
        std::string name;
        const int length = 3 + static_cast<int>(random() % 8);
        for (int j = 0; j < length; ++j)
            name += j % 2 == 0 ? consonants[random() % 18] : vowels[random() % 6];
        surnames.push_back(name);
    }
    std::vector<builder::Person> people;
    std::set<std::uint32_t> ssns;
    for (std::size_t s = 0; s < surnames.size(); ++s) {
        const int count = 1 + static_cast<int>(random() % 9);
        for (int i = 0; i < count; ++i) {
            builder::Person p;
            p.surname = surnames[s];
            p.firstName = kFirstNames[random() % std::size(kFirstNames)];
            p.location = static_cast<std::uint8_t>(random() % 6 == 0 ? 0 : 1 + random() % 65);
            // Areas 123 and 124 often, so area and group look-ups find several.
            std::uint32_t ssn;
            do {
                const std::uint32_t area =
                    random() % 3 == 0 ? 123 + random() % 2 : 1 + random() % 899;
                ssn = area * 1000000 + (random() % 3 == 0 ? 45 : random() % 100) * 10000 +
                      random() % 10000;
            } while (!ssns.insert(ssn).second);
            p.ssn = ssn;
            p.bornIn1800s = random() % 5 == 0;
            const int birthYear = random() % 10 == 0 ? -1 : static_cast<int>(random() % 100);
            p.birthWord =
                random() % 20 == 0 ? 0 : builder::DateWord(random() % 29, random() % 13, birthYear);
            const int deathYear = random() % 12 == 0 ? -1 : static_cast<int>(random() % 99);
            p.deathWord = builder::DateWord(random() % 29, random() % 13, deathYear);
            // Table ZIPs, partial ones (XX123 and the like, XXXXX, XX000) and none.
            auto zipWord = [&]() -> std::uint16_t {
                switch (random() % 5) {
                    case 0:
                        return 0;
                    case 1:
                        return static_cast<std::uint16_t>(kFirstPartialZipWord + random() % 10002);
                    case 2:
                        return static_cast<std::uint16_t>(random() % 3 == 0 ? 65535 - 10000
                                                                            : 65535 - 10001);
                    default:
                        return static_cast<std::uint16_t>(1 + random() % 45000);
                }
            };
            p.residenceZipWord = zipWord();
            p.paymentZipWord = zipWord();
            people.push_back(p);
        }
    }
    return people;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = UpperAscii(c);
    return s;
}

std::string Trimmed(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// fnmatch is an implementation of * and ? that is not ours.
bool Fits(const std::string& pattern, const std::string& name) {
    return fnmatch(Upper(pattern).c_str(), Upper(Trimmed(name)).c_str(), FNM_NOESCAPE) == 0;
}

int BirthYearOf(const builder::Person& p) {
    const int y = p.birthWord & 0x7F;
    if (p.birthWord == 0 || y >= 100)
        return 0;
    return (p.bornIn1800s ? 1800 : 1900) + y;
}

int DeathYearOf(const builder::Person& p) {
    const int y = p.deathWord & 0x7F;
    return y >= 100 ? 0 : 1900 + y;
}

// A ZIP as the details show it, from the person's code word.
std::string ZipText(std::uint16_t word, bool residence) {
    char text[8];
    if (word >= kFirstPartialZipWord) {
        const int v = 65535 - word;
        if (v == 0)
            return "---";
        if (v == 10000)
            return "XXXXX";
        if (v == 10001)
            return "XX000";
        std::snprintf(text, sizeof text, "%05d", v);
        for (int i = 0; i < 5 && text[i] == '0'; ++i)
            text[i] = 'X';
        return text;
    }
    const int zip =
        residence ? ResidenceZipTable[word] : (word < kPaymentZipCount ? PaymentZipTable[word] : 0);
    if (zip == 0)
        return "---";
    std::snprintf(text, sizeof text, "%05d", zip);
    return text;
}

// The typed digits against the shown ZIP, position by position: X is not known.
bool ZipFits(const std::string& typed, const std::string& shown) {
    if (shown == "---")
        return false;
    bool shared = false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (shown[i] == 'X')
            continue;
        if (shown[i] != typed[i])
            return false;
        shared = true;
    }
    return shared;
}

std::string SoundexOf(const std::string& name) {
    char code[kSoundexLength + 1];
    return SoundexCode(name, code) ? code : "";
}

bool SoundsAlikeDm(const std::string& a, const std::string& b) {
    DmCodes ca;
    DmCodes cb;
    return DaitchMokotoffCodes(a, ca) && DaitchMokotoffCodes(b, cb) && CodesShareOne(ca, cb);
}

struct Hit {
    std::string key;
    std::uint32_t ssn;
    std::string first;
    bool operator==(const Hit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Hit& h) {
    return out << '[' << h.key << "] " << h.ssn << ' ' << h.first;
}

// Every hit of the result set, page by page, with the surname and given name of its list line.
std::vector<Hit> AllHits(CResultSet& results) {
    std::vector<Hit> hits;
    char line[kListLineSize];
    for (int page = 0; page < 100000; ++page) {
        for (int r = 0; r < results.GetPageCount(); ++r) {
            results.FormatListLine(r, line);
            const std::string text = line;
            const std::size_t tab1 = text.find('\t');
            const std::size_t tab2 = text.find('\t', tab1 + 1);
            hits.push_back({text.substr(0, tab1),
                            static_cast<std::uint32_t>(results.PageRecord(r)->ssn),
                            Trimmed(text.substr(tab1 + 1, tab2 - tab1 - 1))});
        }
        if (results.GetPageCount() <= 0 || !results.HasNextPage())
            break;
        results.NextPage();
    }
    return hits;
}

// The people who pass, in the index's order: by key, then by the position of the given name
// in the list, then as listed (the builder's order within a name).
std::vector<Hit> Expected(const std::vector<builder::Person>& people,
                          const std::function<bool(const builder::Person&)>& passes) {
    std::vector<std::string> names;
    for (const builder::Person& p : people)
        names.push_back(p.firstName);
    const builder::FirstNameList list(names);
    struct Row {
        std::string key;
        int position;
        std::size_t index;
    };
    std::vector<Row> rows;
    for (std::size_t i = 0; i < people.size(); ++i) {
        if (passes(people[i]))
            rows.push_back(
                {builder::SurnameKey(people[i].surname), list.IndexOf(people[i].firstName), i});
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.key != b.key)
            return a.key < b.key;  // std::string compares bytes unsigned, as keys are
        return a.position != b.position ? a.position < b.position : a.index < b.index;
    });
    std::vector<Hit> hits;
    for (const Row& row : rows)
        hits.push_back({row.key, people[row.index].ssn,
                        Trimmed(builder::FirstNameRecord(people[row.index].firstName))});
    return hits;
}

struct Engine {
    CDeathIndex index;
    std::unique_ptr<CResultSet> results = std::make_unique<CResultSet>(&index);
    std::unique_ptr<CWideSearch> wide = std::make_unique<CWideSearch>(results.get());
    Engine() { index.SetResultSet(results.get()); }

    WideOutcome Search(SearchQuery query) {
        QueryProblem problem;
        EXPECT_TRUE(query.Check(problem)) << problem.text;
        return wide->Search(query);
    }
};

SearchQuery Surname(const char* text, SurnameMatch how = SurnameMatch::kSpelling) {
    SearchQuery q;
    q.SetSurname(text, how);
    return q;
}

class WideSearchTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        people = new std::vector<builder::Person>(MakePeople());
        // Small data files: runs of every search cross file boundaries on both discs.
        set = new TestDiscSet(*people, /*recordsPerFile=*/97);
    }
    static void TearDownTestSuite() {
        delete set;
        delete people;
    }
    WideSearchTest() { set->Use(host); }

    static std::vector<builder::Person>* people;
    static TestDiscSet* set;
    ScriptedHost host;
};

std::vector<builder::Person>* WideSearchTest::people = nullptr;
TestDiscSet* WideSearchTest::set = nullptr;

}  // namespace

TEST_F(WideSearchTest, EverySearchFindsWhatBruteForceFinds) {
    ASSERT_GT(set->report.firstFileOfDisc2, 3);
    using P = const builder::Person&;
    struct Case {
        const char* what;
        SearchQuery query;
        std::function<bool(P)> passes;
    };
    auto with = [](SearchQuery q, const std::function<void(SearchQuery&)>& more) {
        more(q);
        return q;
    };
    // A whole ZIP of some person for each field.
    auto wholeZip = [&](bool residence) {
        for (const builder::Person& p : *people) {
            const std::string text =
                ZipText(residence ? p.residenceZipWord : p.paymentZipWord, residence);
            if (text.find_first_of("X-") == std::string::npos)
                return text;
        }
        return std::string("00501");
    };
    const std::string zip5 = wholeZip(true);
    const std::string payZip = wholeZip(false);
    const Case cases[] = {
        {"SM*", Surname("sm*"), [](P p) { return Fits("SM*", p.surname); }},
        {"*SON", Surname("*SON"), [](P p) { return Fits("*SON", p.surname); }},
        {"SM?TH", Surname("SM?TH"), [](P p) { return Fits("SM?TH", p.surname); }},
        {"one letter", Surname("?"), [](P p) { return Fits("?", p.surname); }},
        {"DE LA*", Surname("DE LA*"), [](P p) { return Fits("DE LA*", p.surname); }},
        {"O'*", Surname("O'*"), [](P p) { return Fits("O'*", p.surname); }},
        {"VAN*", Surname("van*"), [](P p) { return Fits("VAN*", p.surname); }},
        {"MC*", Surname("MC*"), [](P p) { return Fits("MC*", p.surname); }},
        {"K* up to the split", Surname("K*"), [](P p) { return Fits("K*", p.surname); }},
        {"KZ* and L? across the split", Surname("?Z*"), [](P p) { return Fits("?Z*", p.surname); }},
        {"*Z*", Surname("*Z*"), [](P p) { return Fits("*Z*", p.surname); }},
        {"Latin-1", Surname("M\xDC*"), [](P p) { return Fits("M\xDC*", p.surname); }},
        {"blank first", Surname(" *"), [](P p) { return Fits(" *", p.surname); }},
        {"exact through the walk", with(Surname("smith"), [](SearchQuery& q) { q.SetSsn("123"); }),
         [](P p) { return Upper(p.surname) == "SMITH" && p.ssn / 1000000 == 123; }},
        {"Soundex SMITH", Surname("SMITH", SurnameMatch::kSoundex),
         [](P p) { return SoundexOf(p.surname) == "S530"; }},
        {"Soundex LEE", Surname("Lee", SurnameMatch::kSoundex),
         [](P p) { return SoundexOf(p.surname) == "L000"; }},
        {"Soundex O'BRIEN", Surname("O'BRIEN", SurnameMatch::kSoundex),
         [](P p) { return SoundexOf(p.surname) == SoundexOf("OBRIEN"); }},
        {"Soundex T (keys of other first bytes)", Surname("THOOFT", SurnameMatch::kSoundex),
         [](P p) { return SoundexOf(p.surname) == SoundexOf("THOOFT"); }},
        {"Soundex MUELLER", Surname("MUELLER", SurnameMatch::kSoundex),
         [](P p) { return SoundexOf(p.surname) == SoundexOf("MUELLER"); }},
        {"D-M SCHMIDT", Surname("SCHMIDT", SurnameMatch::kDaitchMokotoff),
         [](P p) { return SoundsAlikeDm(p.surname, "SCHMIDT"); }},
        {"D-M KOWALSKI", Surname("kowalski", SurnameMatch::kDaitchMokotoff),
         [](P p) { return SoundsAlikeDm(p.surname, "KOWALSKI"); }},
        {"no surname, MARY born 1908",
         with({},
              [](SearchQuery& q) {
                  q.SetFirstName("mary");
                  q.SetBirth("1908");
              }),
         [](P p) { return p.firstName == "MARY" && BirthYearOf(p) == 1908; }},
        {"no surname, MAR*", with({}, [](SearchQuery& q) { q.SetFirstName("MAR*"); }),
         [](P p) { return Fits("MAR*", p.firstName); }},
        {"no surname, given name with a blank",
         with({}, [](SearchQuery& q) { q.SetFirstName("mary ann"); }),
         [](P p) { return p.firstName == "MARY ANN"; }},
        {"no surname, year ranges",
         with({},
              [](SearchQuery& q) {
                  q.SetBirth("1900-1910");
                  q.SetDeath("1950 - 1960");
              }),
         [](P p) {
             const int b = BirthYearOf(p);
             const int d = DeathYearOf(p);
             return b >= 1900 && b <= 1910 && d >= 1950 && d <= 1960;
         }},
        {"no surname, born in the 1870s", with({}, [](SearchQuery& q) { q.SetBirth("1870-1879"); }),
         [](P p) { return BirthYearOf(p) >= 1870 && BirthYearOf(p) <= 1879; }},
        {"no surname, died 1900 (a death word of 0)",
         with({}, [](SearchQuery& q) { q.SetDeath("1900"); }),
         [](P p) { return DeathYearOf(p) == 1900; }},
        {"no surname, state", with({}, [](SearchQuery& q) { q.SetState(36); }),
         [](P p) { return p.location == 36; }},
        {"no surname, SSN area", with({}, [](SearchQuery& q) { q.SetSsn("123"); }),
         [](P p) { return p.ssn / 1000000 == 123; }},
        {"no surname, SSN area and group", with({}, [](SearchQuery& q) { q.SetSsn("124-45"); }),
         [](P p) { return p.ssn / 10000 == 12445; }},
        {"no surname, one SSN",
         with({},
              [&](SearchQuery& q) {
                  char ssn[16];
                  const std::uint32_t v = people->at(5).ssn;
                  std::snprintf(ssn, sizeof ssn, "%03u-%02u-%04u", v / 1000000, v / 10000 % 100,
                                v % 10000);
                  q.SetSsn(ssn);
              }),
         [&](P p) { return p.ssn == people->at(5).ssn; }},
        {"no surname, residence ZIP", with({}, [&](SearchQuery& q) { q.SetResidenceZip(zip5); }),
         [&](P p) { return ZipFits(zip5, ZipText(p.residenceZipWord, true)); }},
        {"no surname, residence ZIP prefix",
         with({}, [](SearchQuery& q) { q.SetResidenceZip("123"); }),
         [](P p) { return ZipFits("123", ZipText(p.residenceZipWord, true)); }},
        {"no surname, payment ZIP prefix 000",
         with({}, [](SearchQuery& q) { q.SetPaymentZip("000"); }),
         [](P p) { return ZipFits("000", ZipText(p.paymentZipWord, false)); }},
        {"no surname, payment ZIP", with({}, [&](SearchQuery& q) { q.SetPaymentZip(payZip); }),
         [&](P p) { return ZipFits(payZip, ZipText(p.paymentZipWord, false)); }},
        {"a given name no list holds", with({}, [](SearchQuery& q) { q.SetFirstName("NOBODY"); }),
         [](P) { return false; }},
        {"a given-name pattern nobody fits",
         with(Surname("S*"), [](SearchQuery& q) { q.SetFirstName("Q*"); }),
         [](P) { return false; }},
        {"everything at once",
         with(Surname("*O*"),
              [](SearchQuery& q) {
                  q.SetFirstName("?A*");
                  q.SetDeath("1920-1990");
                  q.SetBirth("1870-1950");
              }),
         [](P p) {
             return Fits("*O*", p.surname) && Fits("?A*", p.firstName) && DeathYearOf(p) >= 1920 &&
                    DeathYearOf(p) <= 1990 && BirthYearOf(p) >= 1870 && BirthYearOf(p) <= 1950;
         }},
    };
    Engine engine;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(engine.Search(c.query), WideOutcome::kDone);
        const std::vector<Hit> expected = Expected(*people, c.passes);
        EXPECT_EQ(AllHits(*engine.results), expected);
        EXPECT_EQ(engine.results->GetTotal(), static_cast<long>(expected.size()));
    }
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
}

// The number of surnames a pattern or code reaches, for the window's count line, and the
// listing without records.
TEST_F(WideSearchTest, SurnamesReachedAreCountedAndListed) {
    struct Case {
        const char* typed;
        SurnameMatch how;
        std::function<bool(const std::string&)> fits;
    };
    const Case cases[] = {
        {"SM*", SurnameMatch::kSpelling, [](const std::string& s) { return Fits("SM*", s); }},
        {"SMITH", SurnameMatch::kSoundex,
         [](const std::string& s) { return SoundexOf(s) == SoundexOf("SMITH"); }},
        {"SCHMIDT", SurnameMatch::kDaitchMokotoff,
         [](const std::string& s) { return SoundsAlikeDm(s, "SCHMIDT"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::map<std::string, int> expected;  // by key, so in key order
        for (const builder::Person& p : *people) {
            if (c.fits(p.surname))
                ++expected[builder::SurnameKey(p.surname)];
        }
        Engine engine;
        // Born in the 1800s: fewer surnames have hits than the sound reaches.
        SearchQuery query = Surname(c.typed, c.how);
        query.SetBirth("1870-1899");
        engine.Search(query);
        EXPECT_EQ(engine.wide->MatchedSurnames(), static_cast<long>(expected.size()));
        std::set<std::string> withHits;
        for (const Hit& h : AllHits(*engine.results))
            withHits.insert(h.key);
        EXPECT_EQ(engine.wide->SurnamesWithHits(), static_cast<long>(withHits.size()));
        EXPECT_LT(withHits.size(), expected.size());

        std::vector<std::pair<std::string, int>> listed;
        SearchQuery plain = Surname(c.typed, c.how);
        QueryProblem problem;
        ASSERT_TRUE(plain.Check(problem));
        EXPECT_EQ(engine.wide->ListSurnames(plain,
                                            [&](const SurnameCount& s) {
                                                listed.emplace_back(s.key, s.records);
                                                return true;
                                            }),
                  WideOutcome::kDone);
        using Listing = std::vector<std::pair<std::string, int>>;
        EXPECT_EQ(listed, Listing(expected.begin(), expected.end()));
        EXPECT_EQ(engine.wide->RecordsRead(), 0);
    }
}

// A wildcard that begins with a letter reads that letter's partitions only; Soundex its
// letter's and the keys that begin with no letter; no record is read for a surname that does
// not match.
TEST_F(WideSearchTest, OnlyTheKeysThatCanMatchAreWalked) {
    long all = 0;
    {
        Engine engine;
        engine.Search(Surname("*"));
        all = engine.wide->KeysWalked();
        EXPECT_EQ(all, static_cast<long>(set->report.runs.size()));
    }
    struct Case {
        SearchQuery query;
        long most;
    };
    const Case cases[] = {
        {Surname("SM*"), 12},
        {Surname("SMITH", SurnameMatch::kSoundex), all / 4},
    };
    for (const Case& c : cases) {
        Engine engine;
        engine.Search(c.query);
        EXPECT_GT(engine.wide->KeysWalked(), 0);
        EXPECT_LE(engine.wide->KeysWalked(), c.most);
    }
    Engine engine;
    engine.Search(Surname("SM?TH"));
    long smith = 0;
    for (const builder::Person& p : *people)
        smith += Fits("SM?TH", p.surname) ? 1 : 0;
    EXPECT_LE(engine.wide->RecordsRead(), smith + 2 * 256);  // the reads ahead of a jump
}

// Pages of a wide search go back and forth like a filter's, each row with its own surname.
TEST_F(WideSearchTest, PagingBackAndForthKeepsEachHitsSurname) {
    Engine engine;
    engine.Search(Surname("*"));
    const std::vector<Hit> all = AllHits(*engine.results);
    ASSERT_GT(all.size(), 1500u);
    ASSERT_GT(engine.wide->SurnamesWithHits(), 256);  // more than a block of surname entries
    engine.Search(Surname("*"));
    // Forward to the end, then all the way back.
    while (engine.results->HasNextPage())
        engine.results->NextPage();
    char line[kListLineSize];
    long shown = static_cast<long>(all.size()) - engine.results->GetPageCount();
    while (engine.results->HasPrevPage()) {
        engine.results->PrevPage();
        shown -= engine.results->GetPageSize();
        ASSERT_GE(shown, 0);
        for (int r = 0; r < engine.results->GetPageCount(); ++r) {
            engine.results->FormatListLine(r, line);
            EXPECT_EQ(std::string(line).substr(0, kKeyLength), all[shown + r].key);
            EXPECT_EQ(static_cast<std::uint32_t>(engine.results->PageRecord(r)->ssn),
                      all[shown + r].ssn);
        }
    }
    EXPECT_EQ(shown, 0);
}

// What "Save as" and the command line's writers read: every hit's own surname and given
// name, wherever the rows are read from and whatever page is on display.
TEST_F(WideSearchTest, RowsReadForExportCarryEachHitsOwnNames) {
    Engine engine;
    engine.Search(Surname("*"));
    const std::vector<Hit> all = AllHits(*engine.results);
    engine.Search(Surname("*"));
    engine.results->NextPage();  // a page other than the first is on display
    for (const long first : {0L, 7L, static_cast<long>(all.size()) - 5}) {
        ResultRow rows[5];
        ASSERT_EQ(engine.results->ReadRows(first, 5, rows), 5);
        for (int i = 0; i < 5; ++i) {
            const Hit& want = all[static_cast<std::size_t>(first + i)];
            EXPECT_EQ(rows[i].surname, want.key) << first + i;
            EXPECT_EQ(Trimmed(rows[i].givenName), want.first) << first + i;
            EXPECT_EQ(static_cast<std::uint32_t>(rows[i].ssn), want.ssn) << first + i;
        }
    }
    ResultRow row;
    ASSERT_TRUE(engine.results->PageRow(0, row));
    EXPECT_EQ(row.surname, all[static_cast<std::size_t>(engine.results->GetPageSize())].key);
}

// The hits of one search, without a given name (each disc's list is tested on its own below).
TEST_F(WideSearchTest, ACancelledSearchShowsNoRecordsAndSaysSo) {
    Engine engine;
    ASSERT_EQ(engine.Search(Surname("*")), WideOutcome::kDone);
    const long calls = host.keepAliveCalls;
    EXPECT_GE(calls, 16);  // at least once for each tree walked, 8 on each disc
    for (long n : {1L, 2L, 9L, calls}) {
        SCOPED_TRACE(n);
        host.messages.clear();
        host.keepAliveCalls = 0;
        host.cancelOnCall = n;
        EXPECT_EQ(engine.Search(Surname("*")), WideOutcome::kCancelled);
        EXPECT_EQ(engine.results->GetTotal(), 0);
        EXPECT_EQ(engine.results->GetPageCount(), 0);
        EXPECT_FALSE(engine.results->HasNextPage());
        EXPECT_EQ(host.keepAliveCalls, n) << "nothing more is asked once cancelled";
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, "The search was cancelled.\n\nNo records are shown.");
        EXPECT_EQ(fs::file_size(set->program + "test.bin"), 0u);
    }
}

TEST_F(WideSearchTest, ACancelledDiscRequestEndsTheSearchWithNoRecords) {
    fs::rename(set->disc2 + "disc2.id", set->root / "disc2.out");
    Engine engine;
    EXPECT_EQ(engine.Search(Surname("*")), WideOutcome::kNoDisc);
    EXPECT_EQ(engine.results->GetTotal(), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, DiscRequestText(2));
    // A surname on disc 1 needs no disc 2 (K* would: keys after the split key begin with K).
    host.messages.clear();
    EXPECT_EQ(engine.Search(Surname("J*")), WideOutcome::kDone);
    EXPECT_GT(engine.results->GetTotal(), 0);
    EXPECT_TRUE(host.messages.empty());
    fs::rename(set->root / "disc2.out", set->disc2 + "disc2.id");
}

// The form's searches stay as they were: they neither make nor change the wide searches'
// files, and give the same hit file whatever ran before.
TEST_F(WideSearchTest, TheFormsSearchesTouchNoNewFile) {
    TestDiscSet fresh(*people, 97);
    fresh.Use(host);
    auto exact = [&] {
        CDeathIndex index;
        CResultSet results(&index);
        index.SetResultSet(&results);
        CSearchCriteria criteria;
        criteria.SetSurname("smith");
        criteria.SetState(36);
        index.Search(&criteria);
        criteria.SetSurname("lee");
        criteria.SetFirstName("mary");
        index.Search(&criteria);
        return ReadFileBytes(fresh.program + "test.bin");
    };
    auto files = [&] {
        std::map<std::string, std::vector<unsigned char>> found;
        for (const auto& entry : fs::directory_iterator(fresh.program))
            found[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
        return found;
    };
    const std::vector<unsigned char> alone = exact();
    EXPECT_EQ(files().size(), 1u);  // test.bin only
    {
        Engine engine;
        engine.Search(Surname("S*"));
    }
    const auto afterWide = files();
    EXPECT_EQ(afterWide.size(), 4u);  // and test.srn, test1.fst, test2.fst
    EXPECT_EQ(exact(), alone);
    auto after = files();
    after.erase("test.bin");
    auto wideOnly = afterWide;
    wideOnly.erase("test.bin");
    EXPECT_EQ(after, wideOnly);
}

TEST_F(WideSearchTest, ShortAndMissingDataFilesAreToldAndNoRecordIsMadeUp) {
    TestDiscSet fresh(*people, 97);
    fresh.Use(host);
    host.survivesExit = true;
    // Cut a data file of disc 2 in the middle of a run.
    const int cutFile = fresh.report.firstFileOfDisc2 + 2;
    const std::string cutPath = fresh.disc2 + "dp" + std::to_string(cutFile) + ".car";
    const std::uintmax_t keep = fs::file_size(cutPath) / 32 * 16;
    fs::resize_file(cutPath, keep);
    std::set<std::string> lost;
    for (const builder::SurnameRun& run : fresh.report.runs) {
        const long position = run.first % kRecordsPerFile;
        if (run.first / kRecordsPerFile + 1 == cutFile &&
            (position + run.count) * 16 > static_cast<long>(keep)) {
            lost.insert(run.key);
        }
    }
    ASSERT_FALSE(lost.empty());
    Engine engine;
    EXPECT_EQ(engine.Search(Surname("*")), WideOutcome::kDone);
    std::vector<Hit> expected;
    for (const Hit& h : Expected(*people, [](const builder::Person&) { return true; })) {
        if (lost.count(h.key) == 0)
            expected.push_back(h);
    }
    EXPECT_EQ(AllHits(*engine.results), expected);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Some records cannot be read: data file dp" + std::to_string(cutFile) +
                  ".car is shorter than the index says.\n\nThe disc may be damaged or incomplete.");

    // A data file missing from a disc is the form's fatal "Missing Data File".
    host.messages.clear();
    fs::remove(fresh.disc1 + "dp2.car");
    engine.Search(Surname("*"));
    ASSERT_FALSE(host.messages.empty());
    EXPECT_EQ(host.messages[0].text, "File #2 needs to be on this disc.");
    EXPECT_EQ(host.messages[0].caption, "Missing Data File");
    EXPECT_EQ(host.exits, std::vector<int>{1});
}

namespace {

// Each disc with its own first-name list: disc 2's list holds names disc 1's has not, so the
// same name sits at different positions on the two discs.
class TwoListsTest : public ::testing::Test {
  protected:
    static std::vector<builder::Person> Disc1People() {
        std::vector<builder::Person> people;
        int ssn = 100000000;
        for (const char* surname : {"ADAMS", "BAKER", "KELLY", "KZZZZZZZZZZZ"}) {
            for (const char* first : {"ANN", "MARY", "JOHN", "MARY"}) {
                builder::Person p = MakePerson(surname, first);
                p.ssn = static_cast<std::uint32_t>(++ssn);
                people.push_back(p);
            }
        }
        return people;
    }
    static std::vector<builder::Person> Disc2People(bool moreNames) {
        std::vector<builder::Person> people;
        int ssn = 200000000;
        for (const char* surname : {"L", "LEE", "SMITH", "YOUNG"}) {
            for (const char* first : {"ANN", "MARY", "JOHN", "MARY"}) {
                builder::Person p = MakePerson(surname, first);
                p.ssn = static_cast<std::uint32_t>(++ssn);
                people.push_back(p);
            }
        }
        if (moreNames) {
            for (const char* first : {"AARON", "ZELDA", "MARYBETH"}) {
                builder::Person p = MakePerson("LEE", first);
                p.ssn = static_cast<std::uint32_t>(++ssn);
                people.push_back(p);
            }
        }
        return people;
    }
    static std::vector<builder::Person> Join(std::vector<builder::Person> a,
                                             const std::vector<builder::Person>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    TwoListsTest()
        : shortList(Join(Disc1People(), Disc2People(false)), 5),
          longList(Join(Disc1People(), Disc2People(true)), 5),
          people(Join(Disc1People(), Disc2People(true))) {
        // Disc 1 of the one, disc 2 of the other: the record numbers fit together.
        EXPECT_EQ(shortList.report.firstFileOfDisc2, longList.report.firstFileOfDisc2);
        host.disc1Dir = shortList.disc1;
        host.disc2Dir = longList.disc2;
        host.programDir = shortList.program;
    }

    std::vector<Hit> Found(const char* first) {
        Engine engine;
        SearchQuery q;
        q.SetFirstName(first);
        EXPECT_EQ(engine.Search(q), WideOutcome::kDone);
        return AllHits(*engine.results);
    }

    ScriptedHost host;
    TestDiscSet shortList;
    TestDiscSet longList;
    std::vector<builder::Person> people;
};

}  // namespace

TEST_F(TwoListsTest, AGivenNameIsLookedUpInTheListOfTheDiscBeingRead) {
    ASSERT_NE(ReadFileBytes(shortList.disc1 + "fname.fst"),
              ReadFileBytes(longList.disc2 + "fname.fst"));
    for (const char* first : {"MARY", "AARON", "ZELDA", "MARY*", "*A*", "?O*"}) {
        SCOPED_TRACE(first);
        const std::vector<Hit> found = Found(first);
        EXPECT_EQ(found, Expected(people, [&](const builder::Person& p) {
                      return Fits(first, p.firstName);
                  }));
        EXPECT_FALSE(found.empty());
    }
    EXPECT_TRUE(host.messages.empty());
}

// With one drive the discs are asked for in turn, and the given names of disc 1's hits are
// still shown once disc 2 is in the drive.
TEST_F(TwoListsTest, OneDriveAsksForEachDiscInTurn) {
    TempDir drive;
    const std::string mount = drive / "cdrom";
    fs::create_directory_symlink(shortList.disc1, mount);
    host.disc1Dir = host.disc2Dir = mount + "/";
    host.onMessage = [&](const ShownMessage& m) {
        if (m.text == DiscRequestText(2)) {
            fs::remove(mount);
            fs::create_directory_symlink(longList.disc2, mount);
        }
    };
    host.answers = {IDOK};
    EXPECT_EQ(Found("MARY"),
              Expected(people, [](const builder::Person& p) { return p.firstName == "MARY"; }));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, DiscRequestText(2));

    // Disc 2 is in the drive now: a search of both discs asks for disc 1 first; Cancel ends it.
    host.messages.clear();
    host.onMessage = nullptr;
    Engine engine;
    SearchQuery q;
    q.SetFirstName("ANN");
    EXPECT_EQ(engine.Search(q), WideOutcome::kNoDisc);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, DiscRequestText(1));
    EXPECT_EQ(engine.results->GetTotal(), 0);
}

namespace {

// No two keys differ in a single byte, so a flipped byte cannot turn one into another.
const char* const kDistinct[] = {
    "ABBOTT",  "ALVAREZ", "BROWN",  "CARTER",  "CLARK",  "DAVIS", "EVANS", "DIXON",
    "FOSTER",  "GARCIA",  "HUGHES", "JACKSON", "JONES",  "KELLY", "KWAN",  "LOPEZ",
    "LYNCH",   "MORRIS",  "MURPHY", "NELSON",  "PEREZ",  "PRICE", "REED",  "RUSSELL",
    "SANDERS", "SMITH",   "TAYLOR", "TURNER",  "WALKER", "WHITE", "YOUNG",
};

}  // namespace

// Every byte of every tree changed: a walk that meets damage ends that tree with
// a message; no hit is ever labelled with another surname of the index.
TEST(WideSearchDamage, ADamagedTreeNeverLabelsRecordsWithAnotherSurname) {
    std::vector<builder::Person> people;
    std::map<std::string, int> owner;  // key -> surname number
    for (int id = 1; id <= static_cast<int>(std::size(kDistinct)); ++id) {
        owner[builder::SurnameKey(kDistinct[id - 1])] = id;
        for (int i = 0; i <= id % 6; ++i) {
            builder::Person p = MakePerson(kDistinct[id - 1], i % 2 ? "ANN" : "BOB");
            p.ssn = static_cast<std::uint32_t>(id * 1000 + i);
            people.push_back(p);
        }
    }
    ScriptedHost host;
    host.survivesExit = true;
    TestDiscSet set(people, 7);
    set.Use(host);
    std::vector<std::string> trees;
    for (const auto& entry : fs::directory_iterator(set.disc1))
        trees.push_back(entry.path().string());
    for (const auto& entry : fs::directory_iterator(set.disc2))
        trees.push_back(entry.path().string());
    std::erase_if(trees, [](const std::string& p) { return p.find(".tre") == std::string::npos; });
    ASSERT_EQ(trees.size(), 16u);

    Engine engine;
    long damaged = 0;
    long told = 0;
    for (const std::string& tree : trees) {
        const std::vector<unsigned char> original = ReadFileBytes(tree);
        // Changed in place: a file rewritten from the start costs a flush to the disk each time.
        auto poke = [&](std::size_t at, unsigned char value) {
            FilePtr f = OpenFile(tree.c_str(), "r+b");
            ASSERT_TRUE(f && std::fseek(f.get(), static_cast<long>(at), SEEK_SET) == 0 &&
                        std::fputc(value, f.get()) != EOF);
        };
        for (std::size_t at = 0; at + 1 < original.size(); ++at) {
            // Every byte turned over; the low byte of each number also one up or down.
            const std::size_t inNode = (at - kTreeHeaderSize) % kTreeNodeSize;
            const bool lowByte = at < kTreeHeaderSize || inNode == 0 || inNode >= 100 ||
                                 (inNode - 4) % kTreeItemSize == 0 ||
                                 (inNode - 4) % kTreeItemSize == 4;
            for (unsigned char flip : {0xFF, 0x01}) {
                if (flip == 0x01 && !(lowByte && at % 4 == 0))
                    continue;
                poke(at, original[at] ^ flip);
                host.messages.clear();
                SearchQuery all;
                all.SetBirth("");
                all.SetFirstName("*");
                engine.Search(all);
                const std::vector<Hit> hits = AllHits(*engine.results);
                std::map<std::string, int> labelOwner;
                for (const Hit& h : hits) {
                    const int whose = static_cast<int>(h.ssn / 1000);
                    const auto known = owner.find(h.key);
                    if (known != owner.end()) {
                        ASSERT_EQ(known->second, whose)
                            << tree << " byte " << at << " ^ " << int(flip);
                    }
                    // A damaged key still names one surname's records only.
                    const auto [it, fresh] = labelOwner.emplace(h.key, whose);
                    ASSERT_EQ(it->second, whose) << tree << " byte " << at;
                }
                damaged += hits.size() != people.size() ? 1 : 0;
                told += host.messages.empty() ? 0 : 1;
            }
            poke(at, original[at]);
        }
        EXPECT_EQ(ReadFileBytes(tree), original);
    }
    // Most damage is seen and told; a byte that carries nothing changes nothing.
    EXPECT_GT(told, damaged / 2);
    std::printf("  damaged copies with fewer hits %ld, with a message %ld\n", damaged, told);
}
