// Shortcut menus, and the right button in edit fields: the field's own edit menu, or the
// menu of a field class that handles WM_CONTEXTMENU itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include "test_access.h"
#include "ui_test_support.h"

namespace {

using uitest::MenuItem;

// Counts the commands that reach it.
class CCommandWnd : public CWnd {
  public:
    std::vector<UINT> m_commands;
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        m_commands.push_back(LOWORD(wParam));
        return TRUE;
    }
};

struct Frame {
    CWinApp app;
    CCommandWnd wnd;
    Frame() {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, "menus", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr));
        wnd.ShowWindow(SW_SHOWNORMAL);
    }
    ~Frame() { wnd.DestroyWindow(); }
};

constexpr UINT kFirst = 11, kSecond = 12, kThird = 13, kGrayed = 14;

void FillMenu(CMenu& menu) {
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, kFirst, "&First");
    menu.AppendMenu(MF_STRING, kSecond, "&Second\tCtrl+S");
    menu.AppendMenu(MF_STRING, kThird, "T&hird");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_GRAYED, kGrayed, "&Grayed");
}

TEST(ShortcutMenus, ItemsChecksAndTheChosenCommand) {
    struct Case {
        const char* choose;  // null: the menu is dismissed
        UINT flags;
        UINT returned;
        std::vector<UINT> posted;
    };
    const Case cases[] = {
        {"Second", TPM_RETURNCMD, kSecond, {}},
        {"Third", TPM_RETURNCMD | TPM_RIGHTBUTTON, kThird, {}},
        {nullptr, TPM_RETURNCMD, 0, {}},
        {"Grayed", TPM_RETURNCMD, 0, {}},  // cannot be chosen
        {"First", TPM_LEFTALIGN, TRUE, {kFirst}},
        {"First", TPM_NONOTIFY, TRUE, {}},
    };
    for (const Case& c : cases) {
        const std::string name = c.choose != nullptr ? c.choose : "(dismissed)";
        Frame f;
        CMenu menu;
        FillMenu(menu);
        EXPECT_TRUE(menu.CheckMenuRadioItem(kFirst, kThird, kSecond, MF_BYCOMMAND));
        std::vector<MenuItem> seen;
        uitest::WhenMenu([&](QMenu* open) {
            seen = uitest::MenuItems(open);
            if (c.choose != nullptr)
                uitest::ChooseMenuItem(open, c.choose);
        });
        RECT r;
        f.wnd.GetWindowRect(&r);
        EXPECT_EQ(static_cast<UINT>(menu.TrackPopupMenu(c.flags, r.left + 20, r.top + 20, &f.wnd)),
                  c.returned)
            << name;
        const std::vector<MenuItem> expected = {{"First", true, false, true},
                                                {"Second", true, true, true},
                                                {"Third", true, false, true},
                                                {"Grayed", false, false, false}};
        EXPECT_EQ(seen, expected) << name;
        EXPECT_TRUE(f.wnd.m_commands.empty()) << name << ": a chosen command is posted";
        uitest::FlushEvents();
        EXPECT_EQ(f.wnd.m_commands, c.posted) << name;
    }
}

// A field class with a menu of its own, built as the surname field builds its menu.
class CMenuEdit : public CEdit {
  public:
    std::vector<CPoint> m_points;
    UINT m_chosen = 99;
    void OnContextMenu(CWnd* pWnd, CPoint point) {
        EXPECT_EQ(pWnd, this);
        m_points.push_back(point);
        CMenu menu;
        menu.CreatePopupMenu();
        EXPECT_TRUE(AppendStandardCommands(&menu));
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, 7, "&Extra");
        m_chosen = static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, this));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuEdit, CEdit)
ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

TEST(EditMenus, AFieldClassGetsThePointOrMinusOneAndCanAddItsOwnItems) {
    Frame f;
    CEdit plain;
    ASSERT_TRUE(plain.Create(kEditStyle, CRect(10, 50, 170, 79), &f.wnd, 109));
    CMenuEdit edit;
    ASSERT_TRUE(edit.Create(kEditStyle, CRect(10, 10, 170, 39), &f.wnd, 108));
    edit.SetWindowText("SMITH");
    auto* field = static_cast<QLineEdit*>(platform_test::Widget(&edit));

    // The plain field's own menu, for comparison: the class's menu begins with its items.
    std::vector<MenuItem> standard;
    uitest::WhenMenu([&](QMenu* open) { standard = uitest::MenuItems(open); });
    uitest::OpenContextMenu(platform_test::Widget(&plain));
    std::vector<std::string> texts;
    for (const MenuItem& item : standard)
        texts.push_back(item.text);
    for (const char* command : {"Undo", "Cut", "Copy", "Paste", "Select All"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), command), texts.end()) << command;

    struct Case {
        const char* choose;
        bool mouse;
        UINT chosen;
    };
    const Case cases[] = {{"Extra", true, 7}, {"Select All", false, 0}, {nullptr, true, 0}};
    for (const Case& c : cases) {
        const std::string name = c.choose != nullptr ? c.choose : "(dismissed)";
        std::vector<MenuItem> seen;
        uitest::WhenMenu([&](QMenu* open) {
            seen = uitest::MenuItems(open);
            if (c.choose != nullptr)
                uitest::ChooseMenuItem(open, c.choose);
        });
        const QPoint at(30, 12);
        edit.m_points.clear();
        uitest::OpenContextMenu(field, c.mouse ? &at : nullptr);
        ASSERT_EQ(edit.m_points.size(), 1u) << name;
        const QPoint global = field->mapToGlobal(at);
        const CPoint expected = c.mouse ? CPoint(global.x(), global.y()) : CPoint(-1, -1);
        EXPECT_EQ(edit.m_points[0].x, expected.x) << name;
        EXPECT_EQ(edit.m_points[0].y, expected.y) << name;
        EXPECT_EQ(edit.m_chosen, c.chosen) << name;
        ASSERT_EQ(seen.size(), standard.size() + 1) << name;
        for (size_t i = 0; i < standard.size(); ++i)
            EXPECT_EQ(seen[i].text, standard[i].text) << name;
        EXPECT_EQ(seen.back().text, "Extra") << name;
    }
    EXPECT_EQ(field->selectedText(), "SMITH") << "the field's own command acted on it";
    EXPECT_TRUE(f.wnd.m_commands.empty());
}

}  // namespace
