// The controls the search form is built from: drop-down list, bitmap buttons, and the cursor
// that a parent window decides for its controls.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

class CBusyWnd : public CWnd {
  public:
    BOOL m_bBusy = FALSE;
    BOOL OnSetCursor(CWnd*, UINT, UINT) {
        SetCursor(LoadCursor(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBusyWnd, CWnd)
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

struct Parent {
    CWinApp app;
    CBusyWnd wnd;
    Parent() {
        EXPECT_TRUE(
            wnd.CreateEx(0, nullptr, "p", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr));
        wnd.ShowWindow(SW_SHOWNORMAL);
    }
    ~Parent() {
        wnd.DestroyWindow();
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
};

TEST(ComboBox, DropDownListKeepsItsEntriesAndSelection) {
    Parent p;
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                             CRect(236, 101, 236 + 179, 101 + 250), &p.wnd, 113));
    for (const char* name : {"Unknown", "Alabama", "Alaska"})
        combo.AddString(name);
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), -1) << "an index outside the list selects nothing";
    combo.SetCurSel(0);
    char text[32];
    combo.GetWindowText(text, sizeof text);
    EXPECT_STREQ(text, "Unknown");
    // The height given is the dropped list's; the closed box is one line high.
    auto* widget = qobject_cast<QComboBox*>(platform_test::Widget(&combo));
    ASSERT_NE(widget, nullptr);
    EXPECT_LT(widget->height(), 60);
    EXPECT_FALSE(widget->isEditable());
    EXPECT_GT(widget->maxVisibleItems(), 5);
}

TEST(BitmapButton, SizedToItsBitmapsAndDrawnByState) {
    Parent p;
    CBitmapButton next;
    ASSERT_TRUE(next.Create(nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                            CRect(582, 179, 602, 199), &p.wnd, 107));
    ASSERT_TRUE(next.LoadBitmaps("IDB_NEXT_UP", "IDB_NEXT_DOWN", "IDB_NEXT_FOCUS", "IDB_NEXT_DIM"));
    next.SizeToContent();
    QWidget* w = platform_test::Widget(&next);
    EXPECT_EQ(w->size(), QSize(19, 23));
    EXPECT_EQ(w->pos(), QPoint(582, 179));

    auto shown = [&] { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto bitmap = [](const char* name) {
        HBITMAP h =
            static_cast<HBITMAP>(LoadImage(AfxGetResourceHandle(), name, IMAGE_BITMAP, 0, 0, 0));
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(h);
        QImage out(19, 23, QImage::Format_RGB32);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 19; ++x) {
                COLORREF c = dc.GetPixel(x, y);
                out.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
            }
        }
        DeleteObject(h);
        return out;
    };
    next.EnableWindow(FALSE);
    EXPECT_EQ(shown(), bitmap("IDB_NEXT_DIM"));
    next.EnableWindow(TRUE);
    EXPECT_EQ(shown(), bitmap("IDB_NEXT_UP"));
    EXPECT_NE(bitmap("IDB_NEXT_UP"), bitmap("IDB_PREV_UP"));
}

TEST(Cursor, ParentDecidesTheCursorOverItsControls) {
    Parent p;
    CButton button;
    ASSERT_TRUE(button.Create("&Quit", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 100, 30),
                              &p.wnd, 103));
    CEdit edit;
    ASSERT_TRUE(
        edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 40, 100, 60), &p.wnd, 108));
    auto moveOver = [](CWnd* target) {
        QWidget* w = platform_test::Widget(target);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    };
    p.wnd.m_bBusy = TRUE;
    for (CWnd* target :
         {static_cast<CWnd*>(&button), static_cast<CWnd*>(&edit), static_cast<CWnd*>(&p.wnd)}) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        moveOver(target);
        EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    }
    p.wnd.m_bBusy = FALSE;
    moveOver(&edit);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace
