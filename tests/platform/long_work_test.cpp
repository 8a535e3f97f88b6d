// The GUI host's side of long work: while the engine calls KeepAlive, the windows are painted
// and timers and posted messages run, the user's input is dropped, and Escape or a close
// request cancels.

#include <gtest/gtest.h>

#include <QtTest/qtestspontaneevent.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

class CWorkWnd : public CWnd {
  public:
    int m_clicks = 0;
    int m_posted = 0;
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        if (LOWORD(wParam) == 1)
            ++m_clicks;
        return TRUE;
    }
    LRESULT OnPosted(WPARAM, LPARAM) {
        ++m_posted;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CWorkWnd, CWnd)
ON_MESSAGE(WM_USER, &CWorkWnd::OnPosted)
END_MESSAGE_MAP()

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Work {
    CWinApp app;
    uitest::ScriptedBoxes boxes;
    CWorkWnd wnd;
    CEdit edit;
    CButton button;
    Work() {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, "work", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr));
        EXPECT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP,
                                CRect(10, 10, 170, 39), &wnd, 108));
        EXPECT_TRUE(button.Create("&Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  CRect(10, 50, 106, 70), &wnd, 1));
        wnd.ShowWindow(SW_SHOWNORMAL);
        platform_test::Widget(&wnd)->activateWindow();
        edit.SetFocus();
        uitest::FlushEvents();
        AfxGetGuiHost().BeginLongWork();
    }
    ~Work() {
        wnd.DestroyWindow();
        uitest::FlushEvents();
    }
    QWidget* Field() const { return platform_test::Widget(&edit); }
    QWidget* Button() const { return platform_test::Widget(&button); }
    std::string Text() const {
        char text[64];
        edit.GetWindowText(text, sizeof text);
        return text;
    }
};

void PostKey(QWidget* target, int key, const QString& text = {}) {
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

void PostClick(QWidget* target) {
    const QPointF at = target->rect().center();
    const QPointF global = target->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QApplication::postEvent(
            target,
            new QMouseEvent(type, at, global, Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
    }
}

TEST(LongWork, PaintingTimersAndPostedMessagesRunButTheUsersInputIsDropped) {
    Work w;
    PaintCounter counter;
    platform_test::Widget(&w.wnd)->installEventFilter(&counter);
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    w.wnd.PostMessage(WM_USER);
    w.wnd.Invalidate();
    PostKey(w.Field(), Qt::Key_A, "a");
    PostKey(w.Field(), Qt::Key_Return);  // would press the default button
    PostClick(w.Button());

    EXPECT_TRUE(AfxGetGuiHost().KeepAlive());
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(w.wnd.m_posted, 1);
    EXPECT_GT(counter.paints, 0) << "the invalidated window was painted";
    EXPECT_EQ(w.Text(), "") << "typed letters are dropped";
    EXPECT_EQ(w.wnd.m_clicks, 0) << "neither Enter nor the click pressed the button";
    EXPECT_FALSE(AfxGetGuiHost().LongWorkCancelled());

    // Outside KeepAlive the same input works as ever, and nothing dropped comes back.
    uitest::FlushEvents();
    EXPECT_EQ(w.Text(), "");
    EXPECT_EQ(w.wnd.m_clicks, 0);
    PostKey(w.Field(), Qt::Key_A, "a");
    PostClick(w.Button());
    uitest::FlushEvents();
    EXPECT_EQ(w.Text(), "a");
    EXPECT_EQ(w.wnd.m_clicks, 1);
    platform_test::Widget(&w.wnd)->removeEventFilter(&counter);
}

TEST(LongWork, EscapeOrACloseRequestCancelsUntilTheNextLongWork) {
    struct Case {
        const char* what;
        std::function<void(Work&)> post;
        bool cancels;
    };
    const Case cases[] = {
        {"Escape in the field", [](Work& w) { PostKey(w.Field(), Qt::Key_Escape); }, true},
        {"Escape on the button", [](Work& w) { PostKey(w.Button(), Qt::Key_Escape); }, true},
        {"the window manager's close box",
         [](Work& w) {
             // As the window system delivers it: spontaneous, straight to the application.
             QTimer::singleShot(0, [&w] {
                 QCloseEvent close;
                 QSpontaneKeyEvent::setSpontaneous(&close);
                 QApplication::instance()->notify(platform_test::Widget(&w.wnd), &close);
             });
         },
         true},
        {"a close from the program itself",
         [](Work& w) { QApplication::postEvent(w.Field(), new QCloseEvent); }, false},
        {"Enter", [](Work& w) { PostKey(w.Field(), Qt::Key_Return); }, false},
    };
    for (const Case& c : cases) {
        Work w;
        c.post(w);
        EXPECT_EQ(AfxGetGuiHost().KeepAlive(), !c.cancels) << c.what;
        EXPECT_EQ(AfxGetGuiHost().KeepAlive(), !c.cancels) << c.what << ", asked again";
        EXPECT_TRUE(w.wnd.IsWindowVisible()) << c.what << ": the window stays";
        EXPECT_EQ(w.wnd.m_clicks, 0) << c.what;
        AfxGetGuiHost().BeginLongWork();
        EXPECT_TRUE(AfxGetGuiHost().KeepAlive()) << c.what << ": the next long work goes on";
    }
}

}  // namespace
