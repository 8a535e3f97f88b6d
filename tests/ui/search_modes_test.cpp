// Searches beyond the form's own in the window: * and ? in the surname and the given name, the
// surname field's menu of sounds-like searches, searches without a surname, the count line
// that says what was searched, and Escape during a long search.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "record_encoding.h"
#include "resource_ids.h"
#include "result_set.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

using viewtest::Row;
using viewtest::Window;

// The form's family, and surnames that look or sound alike, on both discs.
std::vector<builder::Person> Relatives() {
    std::vector<builder::Person> people = viewtest::Family();
    const std::pair<const char*, const char*> more[] = {
        {"Smythe", "Mary"},        {"Smythe", "John"},  {"Schmidt", "Anna"}, {"Tschmidt", "Karl"},
        {"Smithson", "Mary"},      {"Adamson", "Mary"}, {"O'Brien", "Mary"}, {"Kowalski", "Marie"},
        {"Kowalczyk", "Margaret"}, {"Lee", "Mary"},     {"Kzyk", "Mary"},  // the last key of disc 1
    };
    for (const auto& [surname, first] : more)
        people.push_back(MakePerson(surname, first));
    return people;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// * and ? over a whole name, by plain backtracking: the test's own reading of a pattern.
bool Glob(const char* pattern, const char* name) {
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Glob(pattern + 1, name) || (*name != '\0' && Glob(pattern, name + 1));
    return *name != '\0' && (*pattern == '?' || *pattern == *name) && Glob(pattern + 1, name + 1);
}

// The records a search should show, in the order it should show them: disc 1 before disc 2,
// surnames in key order, a surname's records by given name (the builder's order on the disc).
std::vector<Row> Expected(const std::vector<builder::Person>& people,
                          const std::function<bool(const builder::Person&)>& wanted) {
    std::vector<builder::Person> hits;
    for (const builder::Person& p : people) {
        if (wanted(p))
            hits.push_back(p);
    }
    auto key = [](const builder::Person& p) {
        const std::string s = Upper(p.surname);
        return std::make_tuple(s > "KZZZZZZZZZZZ" ? 2 : 1, s, Upper(p.firstName));
    };
    std::stable_sort(hits.begin(), hits.end(),
                     [&](const auto& a, const auto& b) { return key(a) < key(b); });
    std::vector<Row> rows;
    for (const builder::Person& p : hits)
        rows.push_back({Upper(p.surname), Upper(p.firstName), "", "", ""});
    return rows;
}

// The year of a date word, 0 when unknown.
int YearOf(std::uint16_t word, bool in1800s) {
    const int year = word & 0x7F;
    return year == 127 ? 0 : (in1800s ? 1800 : 1900) + year;
}

// Every row of the result, page after page with Next; then back to the first page.
std::vector<Row> AllRows(Window& w) {
    std::vector<Row> rows = w.Rows();
    int pages = 1;
    while (w.Enabled(IDC_NEXTPAGE) && pages < 100) {
        w.Click(IDC_NEXTPAGE);
        const std::vector<Row> page = w.Rows();
        rows.insert(rows.end(), page.begin(), page.end());
        ++pages;
    }
    while (w.Enabled(IDC_PREVPAGE))
        w.Click(IDC_PREVPAGE);
    return rows;
}

std::vector<std::pair<std::string, std::string>> Names(const std::vector<Row>& rows) {
    std::vector<std::pair<std::string, std::string>> names;
    for (const Row& r : rows)
        names.emplace_back(r.surname, r.first);
    return names;
}

// The surname field's menu: what it offers, and optionally a choice.
std::vector<uitest::MenuItem> SurnameMenu(Window& w, const char* choose = nullptr) {
    std::vector<uitest::MenuItem> items;
    uitest::WhenMenu([&](QMenu* menu) {
        items = uitest::MenuItems(menu);
        if (choose != nullptr) {
            EXPECT_TRUE(uitest::ChooseMenuItem(menu, choose)) << choose;
        }
    });
    const QPoint at(20, 10);
    uitest::OpenContextMenu(platform_test::Widget(w.Item(IDC_SURNAME)), &at);
    w.Activate();  // offscreen, no window manager gives the window back its focus
    return items;
}

std::string CheckedChoice(const std::vector<uitest::MenuItem>& items) {
    std::string checked;
    for (const uitest::MenuItem& item : items) {
        if (item.checked) {
            EXPECT_TRUE(item.bullet) << item.text << ": one choice of three";
            checked += item.text;
        }
    }
    return checked;
}

TEST(SearchModes, WildcardsFindEveryMatchingSurnameAndGivenNameInKeyOrder) {
    const std::vector<builder::Person> people = Relatives();
    Window w(people);
    const std::pair<const char*, const char*> cases[] = {
        {"sm*", ""},   {"*son", ""},      {"Sm?th", ""},   {"kowal*", "ma*"},
        {"*", "mary"}, {"smith", "MAR*"}, {"Smith", "*a"}, {"s*", "j?hn"},
        {"q*", ""},    {"*zyk", ""},      {"?", ""},       {"*'*", "*"},
    };
    for (const auto& [typedSurname, typedFirst] : cases) {
        const std::string name = std::string(typedSurname) + " " + typedFirst;
        w.Search(typedSurname, typedFirst);
        const std::string surname = Upper(typedSurname);
        const std::string first = Upper(typedFirst);
        const std::vector<Row> expected = Expected(people, [&](const builder::Person& p) {
            return Glob(surname.c_str(), Upper(p.surname).c_str()) &&
                   (first.empty() || Glob(first.c_str(), Upper(p.firstName).c_str()));
        });
        EXPECT_EQ(Names(AllRows(w)), Names(expected)) << name;
        EXPECT_EQ(w.view->m_pResultSet->GetTotal(), static_cast<long>(expected.size())) << name;
        EXPECT_EQ(w.RowsDrawn(), std::min<int>(10, static_cast<int>(expected.size()))) << name;
        EXPECT_TRUE(w.boxes.Shown().empty()) << name;

        // The count, and with a surname pattern how many surnames it reached, on two lines in
        // the window's font.
        std::set<std::string> reached;
        for (const builder::Person& p : people) {
            if (Glob(surname.c_str(), Upper(p.surname).c_str()))
                reached.insert(Upper(p.surname));
        }
        char count[48];
        std::snprintf(count, sizeof count, "%zu records found.", expected.size());
        char note[48];
        std::snprintf(note, sizeof note, "%s: %zu %s", surname.c_str(), reached.size(),
                      reached.size() == 1 ? "surname" : "surnames");
        if (surname.find_first_of("*?") == std::string::npos) {
            EXPECT_TRUE(w.CountLineReads(count)) << name << ": " << count;
        } else {
            EXPECT_TRUE(w.CountLinesRead({count, note})) << name << ": " << count << " " << note;
        }
    }
}

TEST(SearchModes, TheSurnameMenuChoosesHowTheSurnameSoundsUntilClear) {
    Window w(Relatives());
    const std::vector<uitest::MenuItem> first = SurnameMenu(w);
    ASSERT_GE(first.size(), 3u);
    const std::vector<std::string> choices = {"Exact spelling", "Sounds like (Soundex)",
                                              "Sounds like (Daitch-Mokotoff)"};
    std::vector<std::string> lastThree;
    for (size_t i = first.size() - 3; i < first.size(); ++i)
        lastThree.push_back(first[i].text);
    EXPECT_EQ(lastThree, choices);
    EXPECT_EQ(CheckedChoice(first), "Exact spelling");
    // The field's own edit commands come first, as in the other fields' menus.
    std::vector<uitest::MenuItem> given;
    uitest::WhenMenu([&](QMenu* menu) { given = uitest::MenuItems(menu); });
    uitest::OpenContextMenu(platform_test::Widget(w.Item(IDC_FIRSTNAME)));
    w.Activate();
    ASSERT_EQ(given.size() + 3, first.size()) << "the given name's menu has no choices";
    for (size_t i = 0; i < given.size(); ++i)
        EXPECT_EQ(given[i].text, first[i].text);

    struct Step {
        const char* choose;  // in the menu before the search; null: none
        const char* surname;
        std::set<std::string> surnames;
        std::vector<std::string> count;
    };
    const Step steps[] = {
        {"Sounds like (Soundex)",
         "Smith",
         {"SCHMIDT", "SMITH", "SMYTHE"},
         {"28 records found.", "3 surnames sound like SMITH"}},
        {nullptr, "o'brien", {"O'BRIEN"}, {"1 records found.", "1 surname like O'BRIEN"}},
        {"Sounds like (Daitch-Mokotoff)",
         "smith",
         {"SCHMIDT", "SMITH", "SMYTHE", "TSCHMIDT"},
         {"29 records found.", "4 surnames sound like SMITH"}},
        {"Exact spelling", "smith", {"SMITH"}, {"25 records found."}},
        {"Sounds like (Soundex)", "zzz", {}, {"0 records found.", "sounds like ZZZ: 0 surnames"}},
    };
    for (const Step& s : steps) {
        if (s.choose != nullptr)
            SurnameMenu(w, s.choose);
        w.Search(s.surname);
        std::set<std::string> found;
        for (const Row& r : AllRows(w))
            found.insert(r.surname);
        EXPECT_EQ(found, s.surnames) << s.surname;
        EXPECT_TRUE(s.count.size() == 1 ? w.CountLineReads(s.count[0]) : w.CountLinesRead(s.count))
            << s.surname << ": " << s.count.back();
    }
    EXPECT_EQ(CheckedChoice(SurnameMenu(w)), "Sounds like (Soundex)") << "the choice holds";

    // Sounds-like takes a whole name.
    w.Search("sm*");
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].text,
              "A sounds-like search takes a whole surname, without * or ?");
    EXPECT_EQ(w.FocusId(), IDC_SURNAME);
    EXPECT_TRUE(w.CountLineReads("0 records found."));

    // Clear goes back to the exact spelling, and the form's own search and count line.
    w.Click(IDC_CLEAR);
    EXPECT_EQ(CheckedChoice(SurnameMenu(w)), "Exact spelling");
    w.Search("smith");
    EXPECT_TRUE(w.CountLineReads("25 records found."));
    EXPECT_EQ(w.RowsDrawn(), 10);
}

TEST(SearchModes, ChoosingFromTheMenuNeverSearchesOrChangesTheList) {
    Window w(Relatives());
    w.Search("adams");
    ASSERT_TRUE(w.CountLineReads("3 records found."));
    const QImage before = w.Picture();
    SurnameMenu(w, "Sounds like (Soundex)");
    SurnameMenu(w);  // dismissed
    EXPECT_EQ(w.Picture(), before);
    EXPECT_EQ(w.Text(IDC_SURNAME), "adams");
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(SearchModes, WithoutASurnameTheOtherFieldsSearchBothDiscs) {
    const std::vector<builder::Person> people = Relatives();
    Window w(people);
    struct Case {
        const char* what;
        const char* first;
        const char* birth;
        const char* death;
        int state;
        std::function<bool(const builder::Person&)> wanted;
    };
    const Case cases[] = {
        {"a given name", "mary", "", "", 0,
         [](const builder::Person& p) { return Upper(p.firstName) == "MARY"; }},
        {"a given-name pattern", "?a*", "", "", 0,
         [](const builder::Person& p) { return Glob("?A*", Upper(p.firstName).c_str()); }},
        {"a state", "", "", "", 36, [](const builder::Person& p) { return p.location == 36; }},
        {"a year of birth", "", "1905", "", 0,
         [](const builder::Person& p) { return YearOf(p.birthWord, p.bornIn1800s) == 1905; }},
        {"a year of death", "", "", "1950", 0,
         [](const builder::Person& p) { return YearOf(p.deathWord, false) == 1950; }},
    };
    for (const Case& c : cases) {
        w.Search("", c.first, c.birth, c.death, c.state);
        const std::vector<Row> expected = Expected(people, c.wanted);
        ASSERT_FALSE(expected.empty()) << c.what;
        EXPECT_EQ(Names(AllRows(w)), Names(expected)) << c.what;
        char count[48];
        std::snprintf(count, sizeof count, "%zu records found.", expected.size());
        EXPECT_TRUE(w.CountLineReads(count)) << c.what << ": " << count;
        EXPECT_TRUE(w.boxes.Shown().empty()) << c.what;
    }

    // The years are checked as for any search; with nothing at all the form asks for a surname.
    w.Search("", "", "1869");
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].text, "Birth year must be between 1870 and 1998");
    EXPECT_EQ(w.FocusId(), IDC_BIRTHYEAR);
    w.Search("");
    ASSERT_EQ(w.boxes.Shown().size(), 2u);
    EXPECT_EQ(w.boxes.Shown()[1].text, "Please enter a surname.");

    // A sounds-like choice has nothing to sound like without a surname: the others search.
    SurnameMenu(w, "Sounds like (Daitch-Mokotoff)");
    w.Search("", "margaret");
    EXPECT_EQ(Names(w.Rows()),
              (std::vector<std::pair<std::string, std::string>>{{"KOWALCZYK", "MARGARET"}}));
    EXPECT_TRUE(w.CountLineReads("1 records found."));
}

TEST(SearchModes, TheDetailsOfAHitShowItsOwnSurname) {
    Window w(Relatives());
    w.Search("*son", "mary");
    ASSERT_EQ(Names(w.Rows()), (std::vector<std::pair<std::string, std::string>>{
                                   {"ADAMSON", "MARY"}, {"SMITHSON", "MARY"}}));
    w.ClickList(30, w.RowY(1));
    viewtest::DetailsShown shown;
    Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
    w.Click(IDC_MOREINFO);
    EXPECT_TRUE(shown.open);
    EXPECT_EQ(shown.caption, "SMITHSON, MARY");
}

TEST(SearchModes, SavingAllRecordsWritesEachHitsOwnSurnameAndGivenName) {
    Window w(Relatives());
    w.Search("*son", "mary");
    ASSERT_EQ(Names(w.Rows()).size(), 2u);
    uitest::TempDir out;
    const std::string path = out.File("hits.csv");
    QTimer::singleShot(0, [&] {
        // The list's menu, then its save dialog: CSV, the file's name.
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->selectNameFilter(dialog->nameFilters().value(0));
            dialog->selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        EXPECT_TRUE(uitest::ChooseMenuItem(menu, "Save all 2 records as..."));
    });
    QWidget* list = platform_test::Widget(w.view);
    const QPoint at(60, w.RowY(0));
    uitest::OpenContextMenu(list, &at);
    uitest::FlushEvents();
    std::ifstream in(path);
    std::string header, first, second;
    std::getline(in, header);
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first.rfind("ADAMSON,MARY,", 0), 0u) << first;
    EXPECT_EQ(second.rfind("SMITHSON,MARY,", 0), 0u) << second;
}

// Enough surnames that walking them all asks the host to keep the window alive.
std::vector<builder::Person> ManySurnames() {
    std::vector<builder::Person> people;
    for (int i = 0; i < 3000; ++i) {
        std::string surname;
        for (int n = i; surname.size() < 3 || n > 0; n /= 26)
            surname += static_cast<char>('A' + n % 26);
        people.push_back(MakePerson(i % 2 == 0 ? surname : "Z" + surname, "Mary"));
    }
    return people;
}

TEST(SearchModes, EscapeCancelsALongSearchAndTheWindowIsPaintedMeanwhile) {
    Window w(ManySurnames());
    w.Search("adams");  // an earlier result, which the long search replaces
    bool searchingShown = false;
    bool moreInfoDim = false;
    QTimer::singleShot(0, [&] {
        // Inside the search: its line is drawn; keys and clicks other than Escape are dropped.
        searchingShown = w.CountLinesRead({"Searching...", "Press Esc to cancel."});
        moreInfoDim = !w.Enabled(IDC_MOREINFO) && !w.Enabled(IDC_NEXTPAGE);
        w.Key(Qt::Key_Return);  // would search again
        w.Click(IDC_QUIT);
        w.Key(Qt::Key_Escape);
    });
    w.Search("*");
    EXPECT_TRUE(searchingShown);
    EXPECT_TRUE(moreInfoDim);
    ASSERT_EQ(w.boxes.Shown().size(), 1u) << "one search ran, and it was cancelled";
    EXPECT_EQ(w.boxes.Shown()[0].text, "The search was cancelled.\n\nNo records are shown.");
    EXPECT_TRUE(w.CountLineReads("0 records found."));
    EXPECT_EQ(w.RowsDrawn(), 0);
    uitest::FlushEvents();
    EXPECT_NE(w.app.m_pMainWnd, nullptr) << "Quit was not pressed";

    // The next search runs to its end.
    w.Search("*", "mary");
    EXPECT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_TRUE(w.CountLinesRead({"3,000 records found.", "*: 3,000 surnames"}));
}

}  // namespace
