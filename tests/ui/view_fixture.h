// The program's window on a disc set written by the builder, driven the way a user drives it:
// keys into the focused widget, mouse presses on controls and on the list.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "main_frame.h"
#include "test_discs.h"
#include "ui_test_support.h"
#include "view_app.h"
#include "view_view.h"

namespace viewtest {

// 25 SMITHs (disc 2), named ANN to ZELDA in list order, born 1900 + i on day i + 1 of month
// i % 12 + 1, died 1950 + i; ZELDA, the last, was born and died in 1950. Three ADAMSes (disc 1):
// one without a given name, MARY in Ohio, JOHN in Texas.
std::vector<builder::Person> Family();
// The given name of SMITH number `i` (0-based, list order).
std::string SmithName(int i);

// What one row of the list shows.
struct Row {
    std::string surname, first, birth, death, location;
};

class Window {
  public:
    explicit Window(const std::vector<builder::Person>& people = Family());
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    CWnd* Item(UINT id) const { return view->GetDlgItem(static_cast<int>(id)); }
    std::string Text(UINT id) const;
    bool Enabled(UINT id) const { return Item(id)->IsWindowEnabled() != FALSE; }
    UINT FocusId() const;

    // Makes the main window the active one again (offscreen, no window manager does it when
    // a dialog closes).
    void Activate();
    // Keys go to the focused widget, as the window system delivers them.
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {});
    // Keys as X hands them to the main window while none of ours is active (no window
    // manager): to the main window's own focus widget.
    void KeyToMainWindow(int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                         const QString& text = {});
    // Plain letters and digits, one key each, to the focused widget.
    void Letters(const std::string& text);
    void Type(UINT id, const std::string& text);  // focuses the field, selects all, types
    void Click(UINT id);                          // a mouse press and release on the control
    void ClickList(int x, int y);
    void DoubleClickList(int x, int y);
    // Types the query and presses Enter in the surname field; state is a list index.
    void Search(const std::string& surname, const std::string& first = "",
                const std::string& birth = "", const std::string& death = "", int state = 0);

    int TextHeight() const;
    // The y of the middle of `row`.
    int RowY(int row) const { return kListArea.top + row * TextHeight() + TextHeight() / 2; }
    QImage Picture() const;
    // The rows of the page as the view holds them.
    std::vector<Row> Rows() const;
    // The first names of the rows drawn.
    std::vector<std::string> FirstNames() const;
    // How many rows of the list area carry text.
    int RowsDrawn() const;
    // The count line reads exactly `text` (drawn by the platform's text renderer onto the
    // backdrop, as the window would).
    bool CountLineReads(const std::string& text) const;
    // ... on as many lines as given, one text height apart.
    bool CountLinesRead(const std::vector<std::string>& lines) const;

    // Runs `inside` from the event loop of the next modal dialog or box, then closes it with
    // Escape if it is still open. Nothing may run the event loop before the dialog opens.
    static void WhenModal(std::function<void()> inside);

    uitest::ScriptedBoxes boxes;
    TestDiscSet discs;
    CViewApp app;
    CMainFrame* frame = nullptr;
    CDeadView* view = nullptr;
};

// The texts of an open record details dialog, read from its controls.
struct DetailsShown {
    std::string caption, birth, death, ssn, location, residenceZip, paymentZip;
    bool open = false;
};
DetailsShown ReadOpenDetails();

}  // namespace viewtest
