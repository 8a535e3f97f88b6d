// The record details dialog opened from the window: its caption and six fields, read-only
// fields that can still be copied, OK as the only stop, Escape; and the split of the lines.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstring>

#include "resource_ids.h"
#include "result_set.h"
#include "tab_fields.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

using viewtest::DetailsShown;
using viewtest::Window;

// Opens the details of `row` with the More Info button (or its Alt+M) and reads them.
DetailsShown OpenWithMoreInfo(Window& w, int row, bool byKey = false) {
    w.Activate();
    w.ClickList(30, w.RowY(row));
    DetailsShown shown;
    Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
    if (byKey) {
        w.Item(IDC_FIRSTNAME)->SetFocus();
        w.Key(Qt::Key_M, Qt::AltModifier, "m");
    } else {
        w.Click(IDC_MOREINFO);
    }
    uitest::FlushEvents();
    return shown;
}

TEST(RecordDialog, ShowsTheRowsNameInTheCaptionAndItsSixFields) {
    Window w;
    w.Search("adams");  // rows: no given name, JOHN, MARY
    struct Case {
        int row;
        DetailsShown expected;
    };
    const Case cases[] = {
        {2, {"ADAMS, MARY", "7 Mar 1951", "Jun 1997", "123-45-6789", "Ohio", "XX501", "XXXXX"}},
        {1, {"ADAMS, JOHN", "---", "---", "000-00-0000", "Texas", "---", "---"}},
        {0, {"ADAMS,", "---", "---", "000-00-0000", "---", "---", "---"}},  // ten blanks
    };
    for (const Case& c : cases) {
        DetailsShown shown = OpenWithMoreInfo(w, c.row, c.row == 1);
        ASSERT_TRUE(shown.open) << c.row;
        EXPECT_EQ(shown.caption, c.expected.caption);
        EXPECT_EQ(shown.birth, c.expected.birth) << c.expected.caption;
        EXPECT_EQ(shown.death, c.expected.death) << c.expected.caption;
        EXPECT_EQ(shown.ssn, c.expected.ssn) << c.expected.caption;
        EXPECT_EQ(shown.location, c.expected.location) << c.expected.caption;
        EXPECT_EQ(shown.residenceZip, c.expected.residenceZip) << c.expected.caption;
        EXPECT_EQ(shown.paymentZip, c.expected.paymentZip) << c.expected.caption;
    }
    // The dialog closed with Escape; the window carries on with the row still selected.
    EXPECT_EQ(w.view->m_nSelected, 0);
    EXPECT_TRUE(w.Enabled(IDC_MOREINFO));
    EXPECT_TRUE(w.boxes.Shown().empty());
}

TEST(RecordDialog, ShowsWhereTheSsnWasIssuedOrThatItCannotTell) {
    Window w;
    w.Search("adams");  // rows: no given name, JOHN, MARY
    const struct {
        int row;
        const char* issuedIn;
    } cases[] = {
        {2, "New York"},  // 123-45-6789: area 123 went to New York
        {1, "---"},       // no SSN
    };
    for (const auto& c : cases) {
        w.Activate();
        w.ClickList(30, w.RowY(c.row));
        std::string shown = "(not open)";
        Window::WhenModal([&] {
            CWnd* focus = CWnd::GetFocus();
            CWnd* dialog = focus != nullptr ? focus->GetParent() : nullptr;
            if (dialog == nullptr || dialog->GetDlgItem(IDC_SSNISSUEDIN) == nullptr)
                return;
            char text[64] = {};
            dialog->GetDlgItem(IDC_SSNISSUEDIN)->GetWindowText(text, sizeof text);
            shown = text;
        });
        w.Click(IDC_MOREINFO);
        uitest::FlushEvents();
        EXPECT_EQ(shown, c.issuedIn) << c.row;
    }
}

TEST(RecordDialog, ARowNotOnThePageLeavesTheDetailFieldsEmpty) {
    Window w;
    w.Search("smith");
    w.view->m_nSelected = 10;  // a page holds rows 0 to 9
    std::snprintf(w.view->m_szLines[10], kLineLength, "%s", "OLD         \tLINE      \tx\ty\tz");
    DetailsShown shown;
    Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
    w.view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MOREINFO, BN_CLICKED), 0);
    uitest::FlushEvents();
    ASSERT_TRUE(shown.open);
    EXPECT_EQ(shown.ssn, "");
    EXPECT_EQ(shown.residenceZip, "");
    EXPECT_EQ(shown.paymentZip, "");

    w.view->m_nSelected = 11;  // beyond the rows the dialog may open
    shown = {};
    Window::WhenModal([&] { shown = viewtest::ReadOpenDetails(); });
    w.view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MOREINFO, BN_CLICKED), 0);
    uitest::FlushEvents();
    EXPECT_FALSE(shown.open);
}

TEST(RecordDialog, FieldsCanBeCopiedNotChangedAndOKIsTheOnlyStop) {
    Window w;
    w.Search("adams");
    w.ClickList(30, w.RowY(2));
    struct Seen {
        bool open = false;
        UINT focusAfterTabs = 0;
        bool readOnly = true, framed = false, tabStop = false;
        std::string afterTyping, copied;
        int result = 0;
    } seen;
    Window::WhenModal([&] {
        CWnd* ok = CWnd::GetFocus();
        if (ok == nullptr || ok->GetDlgCtrlID() != IDOK)
            return;
        seen.open = true;
        w.Key(Qt::Key_Tab);
        w.Key(Qt::Key_Backtab, Qt::ShiftModifier);
        w.Key(Qt::Key_Tab);
        seen.focusAfterTabs = static_cast<UINT>(CWnd::GetFocus()->GetDlgCtrlID());
        CWnd* dialog = ok->GetParent();
        for (UINT id : {IDC_BIRTHDATE, IDC_DEATHDATE, IDC_SSN, IDC_RESIDENCEZIP, IDC_PAYMENTZIP,
                        IDC_LOCATION}) {
            auto* edit = static_cast<QLineEdit*>(platform_test::Widget(dialog->GetDlgItem(id)));
            seen.readOnly = seen.readOnly && edit->isReadOnly();
            seen.framed = seen.framed || edit->hasFrame();
            seen.tabStop = seen.tabStop || (dialog->GetDlgItem(id)->GetStyle() & WS_TABSTOP);
        }
        CWnd* ssn = dialog->GetDlgItem(IDC_SSN);
        ssn->SetFocus();
        w.Key(Qt::Key_A, Qt::ControlModifier);  // select all
        w.Key(Qt::Key_X, Qt::NoModifier, "x");
        char text[64];
        ssn->GetWindowText(text, sizeof text);
        seen.afterTyping = text;
        w.Key(Qt::Key_C, Qt::ControlModifier);
        seen.copied = QApplication::clipboard()->text().toStdString();
        ok->SetFocus();
        w.Key(Qt::Key_Return);  // OK, the default button
    });
    w.Click(IDC_MOREINFO);
    uitest::FlushEvents();
    ASSERT_TRUE(seen.open) << "the dialog opens with the focus on OK";
    EXPECT_EQ(seen.focusAfterTabs, static_cast<UINT>(IDOK)) << "Tab stays on OK";
    EXPECT_TRUE(seen.readOnly);
    EXPECT_FALSE(seen.framed);
    EXPECT_FALSE(seen.tabStop);
    EXPECT_EQ(seen.afterTyping, "123-45-6789");
    EXPECT_EQ(seen.copied, "123-45-6789");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Enter closed it";
}

TEST(RecordDialog, TheWindowClosingWhileTheDialogIsOpenLeavesNothingBroken) {
    // A close posted before the dialog opened is carried out by the dialog's own loop: the
    // main window, the view, the engine and the dialog all go, and nothing is used after.
    Window w;
    w.Search("smith");
    w.ClickList(30, w.RowY(0));
    bool closed = false;
    Window::WhenModal([&] {
        closed = viewtest::ReadOpenDetails().open;
        w.app.m_pMainWnd->DestroyWindow();
    });
    w.Click(IDC_MOREINFO);
    uitest::FlushEvents();
    EXPECT_TRUE(closed);
    EXPECT_EQ(w.app.m_pMainWnd, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(TabFields, SplitLikeStrtokAndNeverOverrun) {
    struct Case {
        const char* text;
        int maxFields;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"SMITH       \tMARY      \t1 Jan 1900\t---\tOhio",
         5,
         {"SMITH       ", "MARY      ", "1 Jan 1900", "---", "Ohio"}},
        {"123-45-6789\tXX501\tXXXXX\t", 3, {"123-45-6789", "XX501", "XXXXX"}},
        {"a\t\t\tb", 5, {"a", "b"}},  // a run of tabs is one separator
        {"\t\ta\tb\t\t", 5, {"a", "b"}},
        {"a\tb\tc\td\te\tf\tg", 5, {"a", "b", "c", "d", "e"}},  // the fifth ends at its tab
        {"", 5, {}},
        {"\t\t", 5, {}},
        {"one", 1, {"one"}},
    };
    for (const Case& c : cases) {
        char work[64];
        std::snprintf(work, sizeof work, "%s", c.text);
        char* fields[6];
        std::memset(fields, 0x7F, sizeof fields);
        int n = SplitTabFields(work, fields, c.maxFields);
        std::vector<std::string> got(fields, fields + n);
        EXPECT_EQ(got, c.fields) << c.text;
        for (int i = n; i < c.maxFields; ++i)
            EXPECT_EQ(fields[i], nullptr) << c.text;
    }
}

}  // namespace
