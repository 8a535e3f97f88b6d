// Where the keyboard focus is: it stays in the form's fields through clicks in the list, page
// steps and the details, so typed letters stay text; keys reach the form while the window is
// not the active one; a page arrow that goes dim hands the focus on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <functional>

#include "resource_ids.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

using viewtest::Window;

// Opens the details of the row and closes them as a user would (Escape); no window manager
// gives the main window back its activation offscreen, so the test does.
void CloseDetailsThenActivate(Window& w, const std::function<void()>& open) {
    bool opened = false;
    Window::WhenModal([&] { opened = viewtest::ReadOpenDetails().open; });
    open();
    uitest::FlushEvents();
    EXPECT_TRUE(opened) << "the details opened";
    w.Activate();
}

TEST(KeyboardFocus, ClicksPagingAndTheDetailsLeaveTheFocusInItsFieldAndLettersStayText) {
    struct Case {
        const char* what;
        UINT field;
        std::function<void(Window&)> act;
    };
    const Case cases[] = {
        {"a click on a row", IDC_SURNAME, [](Window& w) { w.ClickList(30, w.RowY(1)); }},
        {"a click on a row, typing a given name", IDC_FIRSTNAME,
         [](Window& w) { w.ClickList(300, w.RowY(4)); }},
        {"a click below the last row", IDC_BIRTHYEAR,
         [](Window& w) { w.ClickList(30, kListArea.bottom - 1); }},
        {"a click on Next", IDC_SURNAME, [](Window& w) { w.Click(IDC_NEXTPAGE); }},
        {"Next, then a click on Back", IDC_DEATHYEAR,
         [](Window& w) {
             w.Click(IDC_NEXTPAGE);
             w.Click(IDC_PREVPAGE);
         }},
        {"More Info clicked, details closed", IDC_SURNAME,
         [](Window& w) {
             w.ClickList(30, w.RowY(1));
             CloseDetailsThenActivate(w, [&] { w.Click(IDC_MOREINFO); });
         }},
        {"Alt+M, details closed", IDC_FIRSTNAME,
         [](Window& w) {
             w.ClickList(30, w.RowY(2));
             CloseDetailsThenActivate(w, [&] { w.Key(Qt::Key_M, Qt::AltModifier, "m"); });
         }},
        {"a double-click on a row, details closed", IDC_SURNAME,
         [](Window& w) { CloseDetailsThenActivate(w, [&] { w.DoubleClickList(30, w.RowY(3)); }); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.Search("smith");
        w.Item(c.field)->SetFocus();
        const std::string before = w.Text(c.field);
        c.act(w);
        EXPECT_EQ(w.FocusId(), c.field);

        // The letters of Quit, Clear, Search and More Info: text in a field, never commands.
        bool opened = false;
        Window::WhenModal([&] { opened = QApplication::activeModalWidget() != nullptr; });
        w.Letters("qcsm");
        uitest::FlushEvents();
        ASSERT_NE(w.app.m_pMainWnd, nullptr) << "the program quit";
        EXPECT_FALSE(opened);
        EXPECT_EQ(w.Text(c.field), before + "qcsm");
        EXPECT_TRUE(w.CountLineReads("25 records found.")) << "neither cleared nor searched";
        EXPECT_TRUE(w.boxes.Shown().empty());
    }
}

TEST(KeyboardFocus, KeysReachTheFormWhileAnotherWindowIsActive) {
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        const char* count;
        const char* surname;
    };
    const Case cases[] = {
        {"Enter searches what the field shows", Qt::Key_Return, Qt::NoModifier, "25 records found.",
         "smith"},
        {"Alt+S searches", Qt::Key_S, Qt::AltModifier, "25 records found.", "smith"},
        {"Alt+C clears", Qt::Key_C, Qt::AltModifier, "0 records found.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.Search("adams");
        ASSERT_TRUE(w.CountLineReads("3 records found."));
        QWidget other;
        other.setWindowTitle("another program");
        other.show();
        other.activateWindow();
        ASSERT_TRUE(
            uitest::RunEventsUntil([&] { return QApplication::activeWindow() == &other; }, 1000));

        w.KeyToMainWindow(Qt::Key_A, Qt::ControlModifier);
        w.KeyToMainWindow(Qt::Key_Backspace);
        for (char letter : std::string("smith"))
            w.KeyToMainWindow(Qt::Key_A + (letter - 'a'), Qt::NoModifier, QString(QChar(letter)));
        ASSERT_EQ(w.Text(IDC_SURNAME), "smith");
        w.KeyToMainWindow(c.key, c.mods, c.key == Qt::Key_Return ? "" : "x");
        EXPECT_TRUE(w.CountLineReads(c.count));
        EXPECT_EQ(w.Text(IDC_SURNAME), c.surname);
    }
}

TEST(KeyboardFocus, AFocusedPageArrowThatGoesDimHandsTheFocusToTheOtherOrToTheSurname) {
    Window w;
    w.Search("smith");  // pages 1-10, 11-20, 21-25
    w.Item(IDC_NEXTPAGE)->SetFocus();
    struct Step {
        const char* what;
        UINT focus;
        bool prev, next;
    };
    const Step steps[] = {
        {"Enter on Next: the middle page", IDC_NEXTPAGE, true, true},
        {"Enter on Next: the last page", IDC_PREVPAGE, true, false},
        {"Enter on Back: a middle page", IDC_PREVPAGE, true, true},
        {"Enter on Back: the first page", IDC_NEXTPAGE, false, true},
    };
    for (const Step& s : steps) {
        w.Key(Qt::Key_Return);
        EXPECT_EQ(w.FocusId(), s.focus) << s.what;
        EXPECT_EQ(w.Enabled(IDC_PREVPAGE), s.prev) << s.what;
        EXPECT_EQ(w.Enabled(IDC_NEXTPAGE), s.next) << s.what;
    }

    // A search with a single page while an arrow has the focus dims both.
    w.Item(IDC_SURNAME)->SetWindowText("adams");
    w.Item(IDC_NEXTPAGE)->SetFocus();
    w.Key(Qt::Key_S, Qt::AltModifier, "s");
    ASSERT_TRUE(w.CountLineReads("3 records found."));
    EXPECT_EQ(w.FocusId(), IDC_SURNAME);
    EXPECT_EQ(platform_test::HelpTopicShown(), -1) << "the focus never reached Help";
}

}  // namespace
