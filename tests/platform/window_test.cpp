// Message maps, command routing and the device contexts over a window's picture.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <vector>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

std::vector<std::string> g_calls;

class CBaseWnd : public CWnd {
  public:
    void OnBaseCommand() { g_calls.push_back("base 200"); }
    void OnOverridden() { g_calls.push_back("base 201"); }
    int OnCreate(LPCREATESTRUCT cs) {
        g_calls.push_back("base create");
        return CWnd::OnCreate(cs);
    }
    void OnDestroy() { g_calls.push_back("base destroy"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_COMMAND(200, &CBaseWnd::OnBaseCommand)
ON_COMMAND(201, &CBaseWnd::OnOverridden)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
  public:
    void OnDerived() { g_calls.push_back("derived 201"); }
    int OnCreate(LPCREATESTRUCT cs) {
        g_calls.push_back("derived create");
        return failCreate ? -1 : CBaseWnd::OnCreate(cs);
    }
    void OnLButtonDown(UINT, CPoint p) {
        g_calls.push_back("down " + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    bool failCreate = false;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
ON_COMMAND(201, &CDerivedWnd::OnDerived)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesWinAndBaseEntriesAreReachedThroughTheChain) {
    g_calls.clear();
    CDerivedWnd wnd;
    ASSERT_TRUE(
        wnd.CreateEx(0, nullptr, "t", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(200, BN_CLICKED), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(201, BN_CLICKED), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(999, BN_CLICKED), 0);  // no handler: nothing
    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40));
    wnd.DestroyWindow();
    std::vector<std::string> expected = {"derived create", "base create", "base 200",
                                         "derived 201",    "down 30,40",  "base destroy"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(MessageMap, FailedCreateLeavesNoWindow) {
    g_calls.clear();
    CDerivedWnd wnd;
    wnd.failCreate = true;
    EXPECT_FALSE(
        wnd.CreateEx(0, nullptr, "t", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(g_calls.back(), "base destroy") << "a refused window is destroyed like any other";
}

TEST(MessageMap, ButtonClickReachesParentAsCommand) {
    g_calls.clear();
    CDerivedWnd parent;
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, "p", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
    CButton button;
    ASSERT_TRUE(button.Create("&Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 90, 30),
                              &parent, 200));
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(g_calls.back(), "base 200");
    // A disabled button does not click.
    button.EnableWindow(FALSE);
    g_calls.clear();
    button.SendMessage(BM_CLICK);
    EXPECT_TRUE(g_calls.empty());
    parent.DestroyWindow();
    EXPECT_EQ(button.m_hWnd, nullptr) << "children go with their parent";
}

struct Canvas {
    CWnd wnd;
    Canvas() {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, "c", WS_OVERLAPPED, 0, 0, 200 + 8, 100 + 27, nullptr,
                                 nullptr));
        CClientDC dc(&wnd);
        CRect all(0, 0, 200, 100);
        dc.FillSolidRect(&all, RGB(200, 200, 200));
    }
    QImage Picture() const { return platform_test::ClientPicture(&wnd); }
};

TEST(DeviceContext, InvertTwiceRestoresAndTouchesOnlyTheRectangle) {
    Canvas canvas;
    {
        CClientDC dc(&canvas.wnd);
        CRect r(10, 10, 20, 20);
        dc.InvertRect(&r);
        EXPECT_EQ(dc.GetPixel(10, 10), RGB(55, 55, 55));
        EXPECT_EQ(dc.GetPixel(19, 19), RGB(55, 55, 55));
        EXPECT_EQ(dc.GetPixel(20, 20), RGB(200, 200, 200)) << "right and bottom are exclusive";
        EXPECT_EQ(dc.GetPixel(9, 10), RGB(200, 200, 200));
        dc.InvertRect(&r);
        EXPECT_EQ(dc.GetPixel(10, 10), RGB(200, 200, 200));
        // Rectangles reaching outside the picture are clipped, not written past it.
        CRect outside(-50, -50, 500, 5);
        dc.InvertRect(&outside);
        EXPECT_EQ(dc.GetPixel(0, 0), RGB(55, 55, 55));
    }
}

TEST(DeviceContext, SingleLineTextIsClippedAtItsRectangleWithTransparentBackground) {
    Canvas canvas;
    CClientDC dc(&canvas.wnd);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(15, 25, 8));
    TEXTMETRIC tm{};
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    EXPECT_GT(tm.tmHeight, 8);
    CRect cell(10, 10, 40, 10 + tm.tmHeight);
    const char* wide = "WWWWWWWWWWWWWWWWWWWWWWWW";
    dc.DrawText(wide, -1, &cell, DT_SINGLELINE | DT_LEFT | DT_TOP);
    QImage picture = canvas.Picture();
    bool inked = false;
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x)
            inked |= picture.pixel(x, y) != qRgb(200, 200, 200);
    }
    EXPECT_TRUE(inked) << "text is drawn inside the cell";
    for (int y = 0; y < 100; ++y) {
        for (int x = 40; x < 200; ++x) {
            ASSERT_EQ(picture.pixel(x, y), qRgb(200, 200, 200))
                << "nothing right of the cell at " << x;
        }
    }
    // Transparent: the background between the letters stays as it was.
    EXPECT_EQ(picture.pixel(cell.left, cell.bottom - 1), qRgb(200, 200, 200));
}

TEST(DeviceContext, BitBltCopiesABitmapThroughAMemoryContext) {
    Canvas canvas;
    HBITMAP backdrop = static_cast<HBITMAP>(
        LoadImage(AfxGetResourceHandle(), "IDB_PREV_UP", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(backdrop, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObject(backdrop, sizeof bm, &bm), static_cast<int>(sizeof bm));
    CClientDC dc(&canvas.wnd);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(&dc));
    HBITMAP old = memory.SelectObject(backdrop);
    ASSERT_TRUE(dc.BitBlt(50, 20, bm.bmWidth, bm.bmHeight, &memory, 0, 0, SRCCOPY));
    for (int y = 0; y < bm.bmHeight; ++y) {
        for (int x = 0; x < bm.bmWidth; ++x) {
            ASSERT_EQ(dc.GetPixel(50 + x, 20 + y), memory.GetPixel(x, y));
        }
    }
    EXPECT_EQ(dc.GetPixel(49, 20), RGB(200, 200, 200));
    memory.SelectObject(old);
    EXPECT_TRUE(DeleteObject(backdrop));
    EXPECT_FALSE(DeleteObject(backdrop)) << "a deleted handle is refused, not freed twice";
}

TEST(Cursor, WaitCursorNestsAndRestores) {
    CCmdTarget* target = nullptr;
    CWinApp app;
    target = &app;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    target->BeginWaitCursor();
    target->BeginWaitCursor();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    target->EndWaitCursor();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    target->EndWaitCursor();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace
