// The search form in the window: its controls, the checks of a query, the keyboard, the disc
// requests, Clear, Help and Quit, the wait cursor, and closing while a search waits.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <filesystem>

#include "resource_ids.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

using viewtest::Window;

TEST(SearchForm, ControlsHaveTheirTextsPlacesStylesAndStates) {
    Window w;
    struct Control {
        UINT id;
        const char* text;
        QRect place;
        DWORD style;
        bool enabled;
    };
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const DWORD field = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const Control controls[] = {
        {IDC_SEARCH, "&Search", {200, 135, 96, 20}, button | BS_DEFPUSHBUTTON, true},
        {IDC_CLEAR, "&Clear", {310, 135, 96, 20}, button, true},
        {IDC_MOREINFO, "&More Info", {420, 135, 96, 20}, button, false},
        {IDC_PREVPAGE, "", {541, 179, 19, 23}, button | BS_OWNERDRAW, false},
        {IDC_NEXTPAGE, "", {582, 179, 19, 23}, button | BS_OWNERDRAW, false},
        {IDC_HELPBUTTON, "Help", {219, 426, 96, 20}, button, true},
        {IDC_QUIT, "&Quit", {320, 426, 96, 20}, button, true},
        {IDC_SURNAME, "", {236, 71, 161, 29}, field, true},
        {IDC_FIRSTNAME, "", {461, 71, 161, 29}, field, true},
        {IDC_BIRTHYEAR, "", {461, 101, 52, 26}, field, true},
        {IDC_DEATHYEAR, "", {571, 101, 52, 26}, field, true},
    };
    for (const Control& c : controls) {
        CWnd* item = w.Item(c.id);
        ASSERT_NE(item, nullptr) << c.id;
        EXPECT_EQ(w.Text(c.id), c.text) << c.id;
        EXPECT_EQ(platform_test::Widget(item)->geometry(), c.place) << c.id;
        EXPECT_EQ(item->GetStyle() & ~WS_DISABLED, c.style) << c.id;
        EXPECT_EQ(w.Enabled(c.id), c.enabled) << c.id;
    }
    struct Limit {
        UINT id;
        int chars;
    } const limits[] = {
        {IDC_SURNAME, 12}, {IDC_FIRSTNAME, 10}, {IDC_BIRTHYEAR, 4}, {IDC_DEATHYEAR, 4}};
    for (const Limit& l : limits) {
        auto* edit = static_cast<QLineEdit*>(platform_test::Widget(w.Item(l.id)));
        EXPECT_EQ(edit->maxLength(), l.chars) << l.id;
    }

    auto* combo = static_cast<QComboBox*>(platform_test::Widget(w.Item(IDC_STATE)));
    EXPECT_EQ(combo->count(), 66);
    EXPECT_EQ(combo->itemText(0), "Unknown");
    EXPECT_EQ(combo->itemText(1), "Alabama");
    EXPECT_EQ(combo->itemText(65), "Guam");
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->geometry().topLeft(), QPoint(236, 101));
    EXPECT_EQ(w.FocusId(), IDC_SURNAME) << "the form starts in the surname field";
    EXPECT_TRUE(w.CountLineReads("0 records found."));
    EXPECT_EQ(w.RowsDrawn(), 0);
}

// The list's rectangle is 250 pixels tall with the list dropped: the list takes what the
// closed box leaves of it, under the box, or above it where the screen ends below the box.
TEST(SearchForm, TheStateListDropsToTheHeightOfItsRectangle) {
    struct Case {
        const char* what;
        int screenRowsBelowFrameTop;  // 0: the frame sits at the screen's top
        bool down;
    };
    const Case cases[] = {
        {"room below the box", 0, true},
        {"the screen ends under the box", 200, false},
    };
    for (const Case& c : cases) {
        Window w;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const int top = c.screenRowsBelowFrameTop == 0
                            ? screen.top()
                            : screen.bottom() - c.screenRowsBelowFrameTop;
        w.frame->MoveWindow(screen.left(), top, kFrameWidth, kFrameHeight, FALSE);
        auto* box = static_cast<QComboBox*>(platform_test::Widget(w.Item(IDC_STATE)));
        box->showPopup();
        QWidget* popup = box->view()->window();
        ASSERT_TRUE(popup != box->window() && popup->isVisible()) << c.what;
        const QRect closed(box->mapToGlobal(QPoint(0, 0)), box->size());
        const QRect list = popup->geometry();
        EXPECT_EQ(closed.height() + list.height(), 250) << c.what;
        if (c.down) {
            EXPECT_EQ(list.top(), closed.bottom() + 1) << c.what;
        } else {
            EXPECT_EQ(list.bottom() + 1, closed.top()) << c.what;
        }
        EXPECT_GE(list.width(), closed.width()) << c.what;
        EXPECT_TRUE(screen.contains(list)) << c.what;
        box->hidePopup();
    }
}

TEST(SearchForm, TabAndShiftTabFollowTheCreationOrderOverEnabledControls) {
    Window w;
    const UINT forward[] = {IDC_FIRSTNAME, IDC_BIRTHYEAR,  IDC_DEATHYEAR, IDC_STATE,  IDC_SEARCH,
                            IDC_CLEAR,     IDC_HELPBUTTON, IDC_QUIT,      IDC_SURNAME};
    for (UINT expected : forward) {
        w.Key(Qt::Key_Tab);
        EXPECT_EQ(w.FocusId(), expected);
    }
    const UINT backward[] = {IDC_QUIT, IDC_HELPBUTTON, IDC_CLEAR, IDC_SEARCH, IDC_STATE};
    for (UINT expected : backward) {
        w.Key(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(w.FocusId(), expected);
    }

    // With a page on view and a row selected, More Info and Next take their turn.
    w.Search("smith");
    w.ClickList(30, w.RowY(0));
    w.Item(IDC_CLEAR)->SetFocus();
    const UINT withResults[] = {IDC_MOREINFO, IDC_NEXTPAGE, IDC_HELPBUTTON};
    for (UINT expected : withResults) {
        w.Key(Qt::Key_Tab);
        EXPECT_EQ(w.FocusId(), expected);
    }
}

TEST(SearchForm, EnterInAnyFieldTheStateListOrOnSearchRunsTheSearch) {
    struct Case {
        const char* how;
        UINT focus;
        int key;
        Qt::KeyboardModifiers mods;
    };
    const Case cases[] = {
        {"Enter in the surname field", IDC_SURNAME, Qt::Key_Return, Qt::NoModifier},
        {"Enter in the first-name field", IDC_FIRSTNAME, Qt::Key_Return, Qt::NoModifier},
        {"keypad Enter in a year field", IDC_DEATHYEAR, Qt::Key_Enter, Qt::NoModifier},
        {"Enter in the state list", IDC_STATE, Qt::Key_Return, Qt::NoModifier},
        {"Enter on the focused Search button", IDC_SEARCH, Qt::Key_Return, Qt::NoModifier},
        {"Alt+S anywhere", IDC_BIRTHYEAR, Qt::Key_S, Qt::AltModifier},
        {"S on a button", IDC_HELPBUTTON, Qt::Key_S, Qt::NoModifier},
    };
    for (const Case& c : cases) {
        Window w;
        w.Type(IDC_SURNAME, "Smith");
        w.Item(c.focus)->SetFocus();
        w.Key(c.key, c.mods, c.key == Qt::Key_S ? "s" : "");
        EXPECT_TRUE(w.CountLineReads("25 records found.")) << c.how;
        EXPECT_EQ(w.RowsDrawn(), 10) << c.how;
        EXPECT_TRUE(w.boxes.Shown().empty()) << c.how;
    }
}

TEST(SearchForm, EnterOnAFocusedButtonClicksThatButton) {
    Window w;
    w.Search("smith");
    ASSERT_TRUE(w.CountLineReads("25 records found."));
    w.Item(IDC_CLEAR)->SetFocus();
    w.Key(Qt::Key_Return);
    EXPECT_TRUE(w.CountLineReads("0 records found.")) << "Enter on Clear clears, not searches";
    EXPECT_EQ(w.Text(IDC_SURNAME), "");
}

TEST(SearchForm, YearsAreCheckedBeforeTheSearchWithTheirMessages) {
    const std::string deathRange = "Death year must be between 1900 and 1998";
    const std::string birthRange = "Birth year must be between 1870 and 1998";
    const std::string order = "Birth year must be the same or earlier than\nthe death year.";
    struct Case {
        const char* birth;
        const char* death;
        std::string message;  // empty: the search runs
        UINT focus;
        int records;
    };
    const Case cases[] = {
        {"", "1899", deathRange, IDC_DEATHYEAR, 0},
        {"", "1900", "", 0, 0},
        {"", "1998", "", 0, 0},
        {"", "1999", deathRange, IDC_DEATHYEAR, 0},
        {"", "1955", "", 0, 1},
        {"1869", "", birthRange, IDC_BIRTHYEAR, 0},
        {"1870", "", "", 0, 0},
        {"1905", "", "", 0, 1},
        {"1951", "1950", order, IDC_BIRTHYEAR, 0},
        {"1950", "1950", "", 0, 1},
        {"1905", "1955", "", 0, 1},
        {"1869", "1899", deathRange, IDC_DEATHYEAR, 0},  // the death year is checked first
        {"abc", "", birthRange, IDC_BIRTHYEAR, 0},       // no digits reads as 0
        {"", "19x5", deathRange, IDC_DEATHYEAR, 0},      // the leading digits only: 19
        {"", "-195", deathRange, IDC_DEATHYEAR, 0},
        {" 195", "", birthRange, IDC_BIRTHYEAR, 0},
        {"+190", "", birthRange, IDC_BIRTHYEAR, 0},
    };
    Window w;
    for (const Case& c : cases) {
        std::string name = std::string("birth '") + c.birth + "', death '" + c.death + "'";
        w.Search("smith");
        w.ClickList(30, w.RowY(1));
        ASSERT_TRUE(w.Enabled(IDC_MOREINFO));
        size_t before = w.boxes.Shown().size();

        w.Search("smith", "", c.birth, c.death);
        if (c.message.empty()) {
            EXPECT_EQ(w.boxes.Shown().size(), before) << name;
            char count[32];
            std::snprintf(count, sizeof count, "%d records found.", c.records);
            EXPECT_TRUE(w.CountLineReads(count)) << name;
            EXPECT_EQ(w.RowsDrawn(), c.records) << name;
            continue;
        }
        ASSERT_EQ(w.boxes.Shown().size(), before + 1) << name;
        const MessageBoxRecord& box = w.boxes.Shown().back();
        EXPECT_EQ(box.text, c.message) << name;
        EXPECT_EQ(box.caption, kAppTitle) << name;
        EXPECT_EQ(box.style, MB_OK | MB_ICONEXCLAMATION) << name;
        EXPECT_TRUE(w.CountLineReads("0 records found.")) << name;
        EXPECT_EQ(w.RowsDrawn(), 0) << name << ": the list is redrawn empty";
        EXPECT_EQ(w.FocusId(), c.focus) << name;
        EXPECT_FALSE(w.Enabled(IDC_MOREINFO)) << name;
        EXPECT_FALSE(w.Enabled(IDC_NEXTPAGE)) << name;
        EXPECT_EQ(w.view->m_nSelected, -1) << name;
    }
}

TEST(SearchForm, EmptySurnameIsRefusedAndTheListStays) {
    Window w;
    w.Search("smith");
    w.Search("");  // with another field filled in, the search needs no surname
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].text, "Please enter a surname.");
    EXPECT_EQ(w.boxes.Shown()[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(w.FocusId(), IDC_SURNAME);
    EXPECT_TRUE(w.CountLineReads("25 records found.")) << "nothing else changes";
    EXPECT_EQ(w.RowsDrawn(), 10);

    w.Search("  ");  // blanks are a surname for the form; no such person
    EXPECT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_TRUE(w.CountLineReads("0 records found."));
}

TEST(SearchForm, FiltersFromTheFieldsAndTheStateList) {
    Window w;
    struct Case {
        const char* surname;
        const char* first;
        int state;
        std::vector<std::string> firstNames;
    };
    const Case cases[] = {
        {"adams", "", 0, {"", "JOHN", "MARY"}},
        {"Adams", "mary", 0, {"MARY"}},
        {"ADAMS", "", 36, {"MARY"}},  // Ohio
        {"adams", "", 45, {"JOHN"}},  // Texas
        {"adams", "mary", 45, {}},
        {"smith", "frank", 0, {"FRANK"}},
    };
    for (const Case& c : cases) {
        w.Search(c.surname, c.first, "", "", c.state);
        EXPECT_EQ(w.FirstNames(), c.firstNames) << c.surname << " " << c.first << " " << c.state;
        EXPECT_EQ(w.RowsDrawn(), static_cast<int>(c.firstNames.size()));
    }
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(SearchForm, ClearEmptiesTheFormAndTheList) {
    Window w;
    w.Search("smith", "", "1905", "1955", 3);
    w.Search("smith");
    w.ClickList(30, w.RowY(2));
    w.Type(IDC_FIRSTNAME, "ann");
    w.Type(IDC_BIRTHYEAR, "1900");
    w.Type(IDC_DEATHYEAR, "1950");
    static_cast<CComboBox*>(w.Item(IDC_STATE))->SetCurSel(5);
    w.Key(Qt::Key_C, Qt::AltModifier, "c");
    for (UINT id : {IDC_SURNAME, IDC_FIRSTNAME, IDC_BIRTHYEAR, IDC_DEATHYEAR})
        EXPECT_EQ(w.Text(id), "") << id;
    EXPECT_EQ(static_cast<CComboBox*>(w.Item(IDC_STATE))->GetCurSel(), 0);
    EXPECT_EQ(w.Text(IDC_STATE), "Unknown");
    EXPECT_EQ(w.FocusId(), IDC_SURNAME);
    EXPECT_FALSE(w.Enabled(IDC_MOREINFO));
    EXPECT_FALSE(w.Enabled(IDC_NEXTPAGE));
    EXPECT_EQ(w.view->m_nSelected, -1);
    EXPECT_TRUE(w.CountLineReads("0 records found."));
    EXPECT_EQ(w.RowsDrawn(), 0);
}

TEST(SearchForm, DiscRequests) {
    struct Case {
        const char* name;
        const char* removeMarker;  // of this disc folder, or null
        bool disc2OnDrive1;        // both settings name disc 1's folder
        std::vector<int> answers;
        const char* surname;
        std::vector<std::string> requests;  // "4" or "5", in order
        int records;
    };
    const Case cases[] = {
        {"disc 2 missing, Cancel", "disc2", false, {IDCANCEL}, "smith", {"5"}, 0},
        {"disc 2 missing, OK then Cancel",
         "disc2",
         false,
         {IDOK, IDCANCEL},
         "smith",
         {"5", "5"},
         0},
        {"disc 1 missing, Cancel", "disc1", false, {IDCANCEL}, "adams", {"4"}, 0},
        {"the drive holds disc 1: its surnames need nothing", nullptr, true, {}, "adams", {}, 3},
        {"the drive holds disc 1: disc 2 is asked for",
         nullptr,
         true,
         {IDCANCEL},
         "smith",
         {"5"},
         0},
    };
    for (const Case& c : cases) {
        Window w;
        if (c.removeMarker != nullptr) {
            std::string dir =
                std::string(c.removeMarker) == "disc1" ? w.discs.disc1 : w.discs.disc2;
            std::filesystem::remove(dir + c.removeMarker + ".id");
        }
        if (c.disc2OnDrive1) {
            std::snprintf(w.app.m_szCD2Path, sizeof w.app.m_szCD2Path, "%s", w.discs.disc1.c_str());
        }
        for (int answer : c.answers)
            AfxGetGuiHost().QueueAnswer(answer);
        w.Search(c.surname);
        ASSERT_EQ(w.boxes.Shown().size(), c.requests.size()) << c.name;
        for (size_t i = 0; i < c.requests.size(); ++i) {
            const MessageBoxRecord& box = w.boxes.Shown()[i];
            EXPECT_EQ(box.style, MB_OKCANCEL | MB_ICONEXCLAMATION) << c.name;
            EXPECT_NE(box.text.find("Please insert Pedrelle Disk " + c.requests[i]),
                      std::string::npos)
                << c.name << ": " << box.text;
        }
        char count[32];
        std::snprintf(count, sizeof count, "%d records found.", c.records);
        EXPECT_TRUE(w.CountLineReads(count)) << c.name;
        EXPECT_EQ(w.RowsDrawn(), c.records) << c.name;
    }
}

TEST(SearchForm, HelpOpensTopic18AndClosingTheWindowClosesIt) {
    Window w;
    w.Click(IDC_HELPBUTTON);
    EXPECT_EQ(platform_test::HelpTopicShown(), 18);
    EXPECT_TRUE(w.boxes.Shown().empty());
    w.app.m_pMainWnd->DestroyWindow();
    EXPECT_EQ(platform_test::HelpTopicShown(), -1);
}

TEST(SearchForm, QuitAndAltQCloseTheMainWindow) {
    for (bool byKey : {false, true}) {
        Window w;
        if (byKey) {
            w.Key(Qt::Key_Q, Qt::AltModifier, "q");
        } else {
            w.Click(IDC_QUIT);
        }
        EXPECT_TRUE(uitest::RunEventsUntil([&] { return w.app.m_pMainWnd == nullptr; }, 2000))
            << (byKey ? "Alt+Q" : "Quit");
    }
}

// Forwards to the GUI host and runs `hook` in every message box, as if the user did something
// while the box's own loop runs.
class HookedHost : public Host {
  public:
    explicit HookedHost(std::function<void()> hook) : m_hook(std::move(hook)) {
        m_previous = InstallHost(this);
    }
    ~HookedHost() override { InstallHost(m_previous); }
    HookedHost(const HookedHost&) = delete;
    HookedHost& operator=(const HookedHost&) = delete;
    int ShowMessage(const char* text, const char* caption, unsigned style) override {
        m_hook();
        return AfxGetGuiHost().ShowMessage(text, caption, style);
    }
    const char* ProgramDir() const override { return AfxGetGuiHost().ProgramDir(); }
    const char* DiscDir(int disc) const override { return AfxGetGuiHost().DiscDir(disc); }
    void Exit(int status) override { AfxGetGuiHost().Exit(status); }
    FileStatus IdentifyFile(const char* path, FileIdentity& identity) const override {
        return AfxGetGuiHost().IdentifyFile(path, identity);
    }

  private:
    std::function<void()> m_hook;
    Host* m_previous;
};

TEST(SearchForm, WhileASearchRunsEveryPartOfTheViewShowsTheWaitCursor) {
    Window w;
    std::filesystem::remove(w.discs.disc2 + "disc2.id");
    std::vector<std::pair<UINT, bool>> seen;  // control, wait cursor shown
    HookedHost host([&] {
        for (UINT id : {0u, IDC_SURNAME, IDC_STATE, IDC_SEARCH, IDC_NEXTPAGE, IDC_QUIT}) {
            CWnd* target = id == 0 ? static_cast<CWnd*>(w.view) : w.Item(id);
            QWidget* widget = platform_test::Widget(target);
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(widget, &move);
            seen.emplace_back(id, GetCursor() == LoadCursor(nullptr, IDC_WAIT));
        }
    });
    w.Search("smith");
    ASSERT_EQ(seen.size(), 6u) << "the disc request came";
    for (const auto& [id, wait] : seen)
        EXPECT_TRUE(wait) << "control " << id;
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << "the arrow is back afterwards";
    EXPECT_EQ(w.view->m_bBusy, 0);
}

TEST(SearchForm, ClosingTheWindowWhileASearchWaitsForTheDiscLeavesNothingBroken) {
    // The window goes while the disc request's loop runs (a Quit posted earlier, say). The
    // search must come back to live engine objects and a live view; then both go.
    Window w;
    std::filesystem::remove(w.discs.disc2 + "disc2.id");
    bool closed = false;
    HookedHost host([&] {
        if (!closed && w.app.m_pMainWnd != nullptr) {
            closed = true;
            w.app.m_pMainWnd->DestroyWindow();
        }
    });
    AfxGetGuiHost().QueueAnswer(IDCANCEL);
    w.Type(IDC_SURNAME, "smith");
    w.Key(Qt::Key_Return);
    EXPECT_TRUE(closed);
    EXPECT_EQ(w.app.m_pMainWnd, nullptr);
    EXPECT_EQ(g_bViewClosing, 1);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace
