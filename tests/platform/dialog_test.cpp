// Dialog keyboard (IsDialogMessage), dialog templates in dialog units and data exchange.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <vector>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

std::vector<int> g_commands;

// A view-like window that behaves as a dialog, as the search form does.
class CFormWnd : public CWnd {
  public:
    BOOL PreTranslateMessage(MSG* pMsg) override { return IsDialogMessage(pMsg); }
    BOOL OnCmdMsg(UINT nID, int nCode, void*, void*) override {
        if (nCode == BN_CLICKED)
            g_commands.push_back(static_cast<int>(nID));
        return TRUE;
    }
};

struct Form {
    CWinApp app;
    CFormWnd form;
    CButton search, clear, disabled;
    CEdit surname, year;
    Form() {
        g_commands.clear();
        EXPECT_TRUE(form.CreateEx(0, nullptr, "form", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr,
                                  nullptr));
        app.m_pMainWnd = &form;
        const DWORD push = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        search.Create("&Search", push | BS_DEFPUSHBUTTON, CRect(0, 0, 80, 20), &form, 1);
        clear.Create("&Clear", push, CRect(90, 0, 170, 20), &form, 101);
        disabled.Create("&More", push, CRect(180, 0, 260, 20), &form, 104);
        disabled.EnableWindow(FALSE);
        surname.Create(push | WS_BORDER | ES_AUTOHSCROLL, CRect(0, 40, 150, 60), &form, 108);
        year.Create(push | WS_BORDER, CRect(0, 70, 50, 90), &form, 110);
        form.ShowWindow(SW_SHOWNORMAL);
        platform_test::Widget(&form)->activateWindow();
        uitest::FlushEvents();
    }
    ~Form() {
        app.m_pMainWnd = nullptr;
        form.DestroyWindow();
    }
};

// Delivers a key press the way the window system would, to the focused widget.
void Press(CWnd* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
           const QString& text = {}) {
    QWidget* w = platform_test::Widget(target);
    ASSERT_NE(w, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

TEST(DialogKeys, TabFollowsCreationOrderAndSkipsDisabledControls) {
    Form f;
    f.search.SetFocus();
    struct Step {
        Qt::KeyboardModifiers mods;
        CWnd* expected;
    };
    const Step steps[] = {{Qt::NoModifier, &f.clear},   {Qt::NoModifier, &f.surname},
                          {Qt::NoModifier, &f.year},    {Qt::NoModifier, &f.search},
                          {Qt::ShiftModifier, &f.year}, {Qt::ShiftModifier, &f.surname}};
    for (const Step& s : steps) {
        CWnd* from = CWnd::GetFocus();
        ASSERT_NE(from, nullptr);
        Press(from, s.mods == Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, s.mods);
        EXPECT_EQ(CWnd::GetFocus(), s.expected);
    }
}

TEST(DialogKeys, EnterRunsTheDefaultButtonOrTheFocusedOne) {
    Form f;
    struct Case {
        CWnd* focus;
        int key;
        int expected;
    } cases[] = {
        {&f.surname, Qt::Key_Return, 1},  // Enter in a field: the default button
        {&f.year, Qt::Key_Enter, 1},
        {&f.clear, Qt::Key_Return, 101},  // Enter on a push button: that button
        {&f.search, Qt::Key_Return, 1},
    };
    for (const Case& c : cases) {
        g_commands.clear();
        c.focus->SetFocus();
        Press(c.focus, c.key);
        EXPECT_EQ(g_commands, std::vector<int>{c.expected});
    }
}

TEST(DialogKeys, MnemonicsClickButtonsButLettersStayInFields) {
    Form f;
    f.surname.SetFocus();
    Press(&f.surname, Qt::Key_C, Qt::NoModifier, "c");
    EXPECT_TRUE(g_commands.empty()) << "a plain letter in a field is typed";
    Press(&f.surname, Qt::Key_C, Qt::AltModifier, "c");
    EXPECT_EQ(g_commands, std::vector<int>{101});
    g_commands.clear();
    f.search.SetFocus();
    Press(&f.search, Qt::Key_C, Qt::NoModifier, "c");
    EXPECT_EQ(g_commands, std::vector<int>{101}) << "on a button a plain letter is a mnemonic";
    g_commands.clear();
    Press(&f.search, Qt::Key_M, Qt::AltModifier, "m");
    EXPECT_TRUE(g_commands.empty()) << "a disabled button ignores its mnemonic";
}

TEST(Edit, LimitAndGetLine) {
    Form f;
    f.surname.LimitText(12);
    f.surname.SetWindowText("ABCDEFGHIJKLMNOP");
    char buffer[32] = {};
    int n = f.surname.GetLine(0, buffer, 19);
    EXPECT_EQ(n, 12);
    EXPECT_EQ(std::string(buffer, 12), "ABCDEFGHIJKL");
    std::memset(buffer, '#', sizeof buffer);
    n = f.surname.GetLine(0, buffer, 5);
    EXPECT_EQ(n, 5) << "at most the given count, without a terminator";
    EXPECT_EQ(buffer[5], '#');
}

class CTestDialog : public CDialog {
  public:
    CTestDialog() : CDialog(114) {}
    CString m_birth = "1 Jan 1900";
    CString m_location = "Ohio";
    CString m_caption = "SMITH, JOHN";
    CString m_readBack;
    RECT m_okRect{};
    RECT m_clientRect{};
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetWindowText(m_caption);
        GetDlgItem(IDOK)->GetWindowRect(&m_okRect);
        GetClientRect(&m_clientRect);
        char text[64];
        GetDlgItem(1003)->GetWindowText(text, sizeof text);
        m_readBack = text;
        // Close from the dialog's own loop, as the user's OK would.
        QTimer::singleShot(0, [this] { SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, 1003, m_birth);
        DDX_Text(pDX, 1009, m_location);
    }
};

TEST(Dialog, TemplateInDialogUnitsAndTextExchange) {
    CWinApp app;
    CTestDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_readBack, CString("1 Jan 1900"));
    EXPECT_EQ(dialog.m_location, CString("Ohio")) << "OK exchanges the fields back unchanged";
    // 309 x 146 dialog units: wider than tall, OK button in the lower right corner.
    int width = dialog.m_clientRect.right;
    int height = dialog.m_clientRect.bottom;
    EXPECT_GT(width, height);
    EXPECT_GT(width, 300);
    int okWidth = dialog.m_okRect.right - dialog.m_okRect.left;
    EXPECT_NEAR(okWidth * 309.0 / 50.0, width, width * 0.05) << "positions scale with the font";
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

class CEscapeDialog : public CDialog {
  public:
    CEscapeDialog() : CDialog(114) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        QTimer::singleShot(0, [this] {
            CWnd* focus = CWnd::GetFocus();
            Press(focus != nullptr ? focus : this, Qt::Key_Escape);
        });
        return TRUE;
    }
};

TEST(Dialog, EscapeCancels) {
    CWinApp app;
    CEscapeDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(Dialog, MissingTemplateFailsWithoutShowingAnything) {
    CDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
