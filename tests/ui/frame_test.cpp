// The main frame: size limits, placement at first showing, no menu, no maximise box, the
// backdrop document.

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstring>

#include "main_frame.h"
#include "resource_ids.h"
#include "test_access.h"
#include "ui_test_support.h"
#include "view_app.h"
#include "view_doc.h"
#include "view_view.h"

namespace {

// An application with its document template, as start-up makes it.
struct App {
    uitest::ScriptedBoxes boxes;
    uitest::TempDir program;  // the view's hit file goes here
    CViewApp app;
    CSingleDocTemplate* tmpl =
        new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CViewDoc), RUNTIME_CLASS(CMainFrame),
                               RUNTIME_CLASS(CDeadView));
    App() {
        std::string dir = program.Path() + "/";
        app.m_pszVelDir = new char[dir.size() + 1];
        std::memcpy(app.m_pszVelDir, dir.c_str(), dir.size() + 1);
        app.AddDocTemplate(tmpl);
    }
    // Document, frame and view, not shown yet: the first showing is the test's.
    CDocument* Open() { return tmpl->OpenDocumentFile("IDB_BACKDROP", FALSE); }
    ~App() {
        if (app.m_pMainWnd != nullptr)
            app.m_pMainWnd->DestroyWindow();
        AfxSetResourceHandle(nullptr);
        platform_test::RestoreWorkArea();
        uitest::FlushEvents();
        uitest::ClearQuitRequest();
    }
    CMainFrame* Frame() { return static_cast<CMainFrame*>(app.m_pMainWnd); }
};

TEST(MainFrame, SizeIsFixedByTheTrackingLimits) {
    App a;
    ASSERT_NE(a.Open(), nullptr);
    CMainFrame* frame = a.Frame();
    ASSERT_NE(frame, nullptr);
    MINMAXINFO mmi{};
    frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 640);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 480);
    EXPECT_EQ(mmi.ptMaxTrackSize.x, 640);
    EXPECT_EQ(mmi.ptMaxTrackSize.y, 480);

    QWidget* w = platform_test::Widget(frame);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(632, 453)) << "the client area is the backdrop's size";
    w->resize(900, 700);  // as a drag on the border would ask
    EXPECT_EQ(w->size(), QSize(632, 453));
    CView* view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    RECT client{};
    view->GetClientRect(&client);
    EXPECT_EQ(client.right, 632) << "the view fills the client area";
    EXPECT_EQ(client.bottom, 453);
    frame->MoveWindow(0, 0, 300, 200);
    RECT r{};
    frame->GetWindowRect(&r);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
}

TEST(MainFrame, NoMaximiseBoxNoMenuAndCreatedOffScreen) {
    App a;
    ASSERT_NE(a.Open(), nullptr);
    CMainFrame* frame = a.Frame();
    EXPECT_EQ(frame->GetStyle() & WS_MAXIMIZEBOX, 0u);
    EXPECT_FALSE(platform_test::Widget(frame)->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(platform_test::Widget(frame)->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(frame->GetMenu(), nullptr) << "the menu of resource 2 is removed at creation";
    RECT r{};
    frame->GetWindowRect(&r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN)) << "not placed before the first showing";
    EXPECT_FALSE(frame->IsWindowVisible());
}

TEST(MainFrame, FirstShowingCentresInTheWorkArea) {
    struct Case {
        const char* name;
        bool fails;
        RECT area;
        RECT expected;
    };
    const Case cases[] = {
        {"1024 by 768", false, {0, 0, 1024, 768}, {192, 144, 832, 624}},
        {"smaller than the window: overhangs, not clamped",
         false,
         {0, 0, 600, 400},
         {-20, -40, 620, 440}},
        {"odd sizes truncate", false, {0, 0, 801, 601}, {80, 60, 720, 540}},
        {"right and bottom edges count, not the width",
         false,
         {100, 50, 1124, 818},
         {242, 169, 882, 649}},
        {"no work area: placed at (0,0)", true, {}, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        App a;
        ASSERT_NE(a.Open(), nullptr);
        platform_test::SetWorkArea(c.fails ? nullptr : &c.area);
        CMainFrame* frame = a.Frame();
        frame->ActivateFrame(SW_SHOWNORMAL);
        WINDOWPLACEMENT wp{};
        ASSERT_TRUE(GetWindowPlacement(frame->m_hWnd, &wp));
        EXPECT_EQ(wp.rcNormalPosition.left, c.expected.left) << c.name;
        EXPECT_EQ(wp.rcNormalPosition.top, c.expected.top) << c.name;
        EXPECT_EQ(wp.rcNormalPosition.right, c.expected.right) << c.name;
        EXPECT_EQ(wp.rcNormalPosition.bottom, c.expected.bottom) << c.name;
        EXPECT_TRUE(frame->IsWindowVisible()) << c.name;
        EXPECT_FALSE(frame->m_bFirstShow);

        // Later activations leave the place alone.
        RECT other{0, 0, 2000, 2000};
        platform_test::SetWorkArea(&other);
        frame->ActivateFrame(SW_SHOWNORMAL);
        ASSERT_TRUE(GetWindowPlacement(frame->m_hWnd, &wp));
        EXPECT_EQ(wp.rcNormalPosition.left, c.expected.left) << c.name;
    }
}

TEST(Backdrop, ViewShowsTheBackdropPicture) {
    App a;
    auto* doc = static_cast<CViewDoc*>(a.Open());
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(doc->GetBackdrop(), nullptr);
    EXPECT_FALSE(doc->IsModified());
    CView* view = a.Frame()->GetActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->IsKindOf(RUNTIME_CLASS(CDeadView)));
    view->UpdateWindow();
    QImage picture = platform_test::ClientPicture(view);
    QImage backdrop(QString::fromStdString(uitest::SourcePath("res/IDB_BACKDROP.bmp")));
    ASSERT_EQ(picture.size(), QSize(632, 453));
    ASSERT_EQ(backdrop.size(), picture.size());
    for (QPoint p : {QPoint(0, 0), QPoint(316, 20), QPoint(100, 300), QPoint(631, 452)}) {
        EXPECT_EQ(picture.pixel(p), backdrop.pixel(p)) << p.x() << "," << p.y();
    }
    EXPECT_TRUE(a.boxes.Shown().empty());
}

TEST(Backdrop, MissingBitmapIsReportedAndNoWindowRemains) {
    uitest::TempDir empty;
    App a;
    AfxSetResourceHandle(platform_test::ResourceModuleAt(empty.Path().c_str()));
    EXPECT_EQ(a.Open(), nullptr);
    EXPECT_EQ(a.app.m_pMainWnd, nullptr);
    ASSERT_EQ(a.boxes.Shown().size(), 1u);
    const MessageBoxRecord& box = a.boxes.Shown()[0];
    EXPECT_EQ(box.text, "Couldn't load background");
    EXPECT_EQ(box.caption, "Error") << "no caption of its own: the platform's default";
    EXPECT_EQ(box.style, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << "the wait cursor is gone again";
}

TEST(StartUp, WithoutTheBackdropStartUpStopsAndSaysSoInTheExitStatus) {
    uitest::TempDir empty, runtime;
    uitest::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path());
    uitest::ScopedEnv windir("WINDIR", empty.Path());
    empty.Write("brisel.ini", "[Vel7m]\nVelDir=" + runtime.Path() + "\n");
    uitest::ScriptedBoxes boxes;
    CViewApp app;
    AfxSetResourceHandle(platform_test::ResourceModuleAt(empty.Path().c_str()));
    unsigned before = SetErrorMode(0);
    EXPECT_FALSE(app.InitInstance());
    AfxSetResourceHandle(nullptr);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(SetErrorMode(before), 0u) << "the error mode is not changed when start-up stops";
    EXPECT_EQ(app.ExitInstance(), 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
}

TEST(StartUp, ShowsTheCaptionedWindowAndSetsTheErrorMode) {
    uitest::TempDir dir, runtime;
    dir.Write("brisel.ini", "[Vel7m]\nVelDir=" + dir.Path() + "\nCDPath=/cd1\nCD2Path=/cd2/\n");
    uitest::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path());
    uitest::ScopedEnv windir("WINDIR", dir.Path());
    uitest::ScriptedBoxes boxes;
    RECT area{0, 0, 1024, 768};
    platform_test::SetWorkArea(&area);
    unsigned before = SetErrorMode(0x0004);
    {
        CViewApp app;
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(app.m_pMainWnd, nullptr);
        char caption[64];
        app.m_pMainWnd->GetWindowText(caption, sizeof caption);
        EXPECT_STREQ(caption, "Vavaze Devedire Rizuz");
        EXPECT_EQ(FindWindowA(nullptr, "Vavaze Devedire Rizuz"), app.m_pMainWnd->m_hWnd);
        EXPECT_TRUE(app.m_pMainWnd->IsWindowVisible());
        RECT r{};
        app.m_pMainWnd->GetWindowRect(&r);
        EXPECT_EQ(r.left, 192);
        EXPECT_EQ(r.top, 144);
        EXPECT_EQ(app.m_nOldErrorMode, 0x0004u);
        EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
                  SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        EXPECT_EQ(std::string(app.m_szCDPath), "/cd1/");
        app.m_pMainWnd->SendMessage(WM_CLOSE);
        EXPECT_EQ(app.m_pMainWnd, nullptr) << "closing the frame ends the main window";
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_EQ(SetErrorMode(before), 0x0004u) << "the earlier mode is restored at exit";
    }
    platform_test::RestoreWorkArea();
    uitest::FlushEvents();
    uitest::ClearQuitRequest();
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(StartUp, QuitPostsCloseAndTheMessageLoopEnds) {
    uitest::TempDir dir, runtime;
    uitest::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path());
    uitest::ScopedEnv windir("WINDIR", dir.Path());
    dir.Write("brisel.ini", "[Vel7m]\nVelDir=" + dir.Path() + "\n");
    uitest::ScriptedBoxes boxes;
    CViewApp app;
    ASSERT_TRUE(app.InitInstance());
    // What the Quit button does: post WM_CLOSE to the main window.
    app.m_pMainWnd->PostMessage(WM_CLOSE);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    uitest::FlushEvents();
}

}  // namespace
