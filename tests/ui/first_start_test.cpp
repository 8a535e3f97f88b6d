// The first start: with no settings file the program offers a demo set, the folder of a set,
// or quitting, and afterwards carries on as always with what was chosen.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "demo_set.h"
#include "first_start.h"
#include "first_start_dlg.h"
#include "resource_ids.h"
#include "result_set.h"
#include "test_access.h"
#include "view_fixture.h"

namespace {

namespace fs = std::filesystem;
using viewtest::Window;

// A fresh installation: no settings file, an empty data folder.
struct FreshStart {
    uitest::TempDir config, data, runtime;
    uitest::ScopedEnv windir{"WINDIR", config.Path()};
    uitest::ScopedEnv xdgData{"XDG_DATA_HOME", data.Path()};
    uitest::ScopedEnv xdgRuntime{"XDG_RUNTIME_DIR", runtime.Path()};
    uitest::ScriptedBoxes boxes;
    std::int64_t records = g_nDemoSetRecords;
    CViewApp app;

    FreshStart() { g_nDemoSetRecords = 20000; }
    ~FreshStart() {
        if (app.m_pMainWnd != nullptr)
            app.m_pMainWnd->DestroyWindow();
        app.ExitInstance();
        uitest::FlushEvents();
        uitest::ClearQuitRequest();
        g_nDemoSetRecords = records;
    }
    std::string Settings() const {
        std::ifstream in(config.File("brisel.ini"));
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string DemoFolder() const { return data.File("vel7m"); }
    // Searches for `surname` as the user would, and gives the number of records found.
    long Search(const char* surname) {
        auto* frame = static_cast<CFrameWnd*>(app.m_pMainWnd);
        auto* view = dynamic_cast<CViewView*>(frame->GetActiveView());
        if (view == nullptr)
            return -1;
        view->GetDlgItem(IDC_SURNAME)->SetWindowText(surname);
        view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SEARCH, BN_CLICKED), 0);
        return view->m_pResultSet->GetTotal();
    }
};

// The open first-start dialog: the focus is on one of its buttons.
CWnd* OpenDialog() {
    CWnd* focus = CWnd::GetFocus();
    CWnd* dialog = focus != nullptr ? focus->GetParent() : nullptr;
    return dialog != nullptr && dialog->GetDlgItem(IDC_FS_DEMO) != nullptr ? dialog : nullptr;
}

// Whether `dialog` is still the open modal window.
bool StillOpen(CWnd* dialog) {
    return QApplication::activeModalWidget() == platform_test::Widget(dialog);
}

std::string TextOf(CWnd* w) {
    char text[512] = {};
    if (w != nullptr)
        w->GetWindowText(text, sizeof text);
    return text;
}

// A key to the focused widget; when no window of ours is active (offscreen after a nested
// dialog, with no window manager to give the focus back), where Qt would send it.
void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) {
        // As Qt delivers a window's keys while none of ours is active: to the widget that
        // holds the window's own focus, else to the window.
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        QWidget* own = modal->focusWidget();
        target = own != nullptr && own->isEnabled() ? own : modal;
    }
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
}

TEST(FirstStart, OffersItsChoicesOverTheWindowAndQuitEndsStartUp) {
    FreshStart s;
    bool seen = false;
    Window::WhenModal([&] {
        CWnd* dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(FindWindowA(nullptr, kAppTitle), dialog->m_hWnd)
            << "another copy finds it by the program's title, and raises it";
        EXPECT_EQ(s.app.m_pMainWnd, nullptr) << "shown before the window is made";
        EXPECT_EQ(CWnd::GetFocus(), dialog->GetDlgItem(IDC_FS_DEMO)) << "Enter makes the demo";
        EXPECT_NE(TextOf(dialog->GetDlgItem(IDC_FS_DEMO_NOTE)).find(s.DemoFolder()),
                  std::string::npos)
            << "the note says where the demo set goes";
        EXPECT_FALSE(dialog->GetDlgItem(IDC_FS_PROGRESS)->IsWindowVisible());
        // Within the 640 by 480 window to come, in the middle of the work area.
        QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QRect window(area.center() - QPoint(320, 240), QSize(640, 480));
        QRect shown = platform_test::Widget(dialog)->geometry();
        EXPECT_TRUE(window.contains(shown)) << "dialog larger than the window";
        EXPECT_LE((shown.center() - area.center()).manhattanLength(), 2) << "not centred";
        auto* quit =
            qobject_cast<QAbstractButton*>(platform_test::Widget(dialog->GetDlgItem(IDCANCEL)));
        ASSERT_NE(quit, nullptr);
        quit->click();
    });
    EXPECT_FALSE(s.app.InitInstance());
    EXPECT_TRUE(seen);
    EXPECT_FALSE(fs::exists(s.config.File("brisel.ini"))) << "nothing is saved on quitting";
    EXPECT_FALSE(fs::exists(s.DemoFolder()));
    EXPECT_TRUE(s.boxes.Shown().empty());
    if (s.app.m_pMainWnd != nullptr)
        s.app.m_pMainWnd->DestroyWindow();
    EXPECT_EQ(s.app.ExitInstance(), 0) << "quitting is no failure";
}

TEST(FirstStart, ADemoSetIsWrittenWithProgressSavedAndSearchable) {
    FreshStart s;
    struct During {
        bool pumped = false, progressShown = false, choicesClosed = false, stillOpen = false;
        std::string status;
    } during;
    Window::WhenModal([&] {
        CWnd* dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        // Runs while the set is written, from the events the waiting dialog lets through.
        QTimer::singleShot(0, [&, dialog] {
            during.pumped = true;
            during.progressShown = dialog->GetDlgItem(IDC_FS_PROGRESS)->IsWindowVisible();
            during.choicesClosed = !dialog->GetDlgItem(IDC_FS_DEMO)->IsWindowEnabled() &&
                                   !dialog->GetDlgItem(IDC_FS_CHOOSE)->IsWindowEnabled() &&
                                   !dialog->GetDlgItem(IDCANCEL)->IsWindowEnabled();
            during.status = TextOf(dialog->GetDlgItem(IDC_FS_STATUS));
            // Escape cannot leave a set half written.
            Press(Qt::Key_Escape);
            during.stillOpen = StillOpen(dialog);
        });
        Press(Qt::Key_Return);
    });
    ASSERT_TRUE(s.app.InitInstance());
    EXPECT_TRUE(during.pumped) << "the window was left without events while the set was written";
    EXPECT_TRUE(during.progressShown);
    EXPECT_TRUE(during.choicesClosed);
    EXPECT_TRUE(during.stillOpen);
    EXPECT_NE(during.status.find("records written"), std::string::npos) << during.status;

    const std::string demo = s.DemoFolder();
    EXPECT_EQ(s.Settings(), "[Vel7m]\nVelDir=" + demo + "/program/\nCDPath=" + demo +
                                "/disc1/\nCD2Path=" + demo + "/disc2/\n");
    EXPECT_EQ(std::string(s.app.m_szCDPath), demo + "/disc1/") << "start-up read them";
    EXPECT_EQ(std::string(s.app.m_pszVelDir), demo + "/program/");
    EXPECT_GT(s.Search("smith"), 0);
    EXPECT_GT(s.Search("wilson"), 0) << "a disc 2 surname";
    EXPECT_TRUE(fs::exists(demo + "/program/test.bin")) << "the hit file is in the set";
    EXPECT_TRUE(s.boxes.Shown().empty());
}

TEST(FirstStart, AChosenFolderIsCheckedForDiscsBeforeItIsSaved) {
    TestDiscSet set(viewtest::Family());
    FreshStart s;
    uitest::TempDir empty;
    int boxesWhileOpen = -1;
    Window::WhenModal([&] {
        CWnd* dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        uitest::AnswerFolderPicker("");  // Cancel: nothing happens
        Press(Qt::Key_C, Qt::AltModifier, "c");
        uitest::AnswerFolderPicker(empty.Path());
        Press(Qt::Key_C, Qt::AltModifier, "c");
        boxesWhileOpen = static_cast<int>(s.boxes.Shown().size());
        ASSERT_TRUE(StillOpen(dialog)) << "a folder without discs leaves the dialog open";
        uitest::AnswerFolderPicker(set.root.Path());
        Press(Qt::Key_C, Qt::AltModifier, "c");
    });
    ASSERT_TRUE(s.app.InitInstance());
    EXPECT_EQ(boxesWhileOpen, 1);
    ASSERT_EQ(s.boxes.Shown().size(), 1u);
    EXPECT_NE(s.boxes.Shown()[0].text.find(empty.Path() + " holds no disc set"), std::string::npos)
        << s.boxes.Shown()[0].text;
    EXPECT_EQ(s.Settings(), "[Vel7m]\nVelDir=" + set.program + "\nCDPath=" + set.disc1 +
                                "\nCD2Path=" + set.disc2 + "\n");
    EXPECT_EQ(s.Search("smith"), 25);
    EXPECT_EQ(s.Search("adams"), 3);
    EXPECT_TRUE(fs::exists(set.program + "test.bin")) << "the hit file is in the set";
}

TEST(FirstStart, AFailedDemoIsReportedAndTheChoiceStays) {
    FreshStart s;
    // Something of the user's where the set would go: it is not replaced.
    fs::create_directories(s.DemoFolder());
    std::ofstream(s.DemoFolder() + "/notes.txt") << "mine\n";
    bool stillOpen = false;
    Window::WhenModal([&] {
        CWnd* dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        Press(Qt::Key_Return);
        stillOpen = StillOpen(dialog) && dialog->GetDlgItem(IDC_FS_DEMO)->IsWindowEnabled() &&
                    CWnd::GetFocus() == dialog->GetDlgItem(IDC_FS_DEMO);
        Press(Qt::Key_Escape);
    });
    EXPECT_FALSE(s.app.InitInstance());
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(s.boxes.Shown().size(), 1u);
    EXPECT_NE(s.boxes.Shown()[0].text.find("notes.txt"), std::string::npos)
        << s.boxes.Shown()[0].text;
    EXPECT_FALSE(fs::exists(s.config.File("brisel.ini")));
    EXPECT_TRUE(fs::exists(s.DemoFolder() + "/notes.txt"));
}

TEST(FirstStart, OnlyAMissingSettingsFileStartsIt) {
    struct Case {
        const char* name;
        std::function<void(const uitest::TempDir& config)> prepare;
        bool first;
    };
    const Case cases[] = {
        {"no file", [](const uitest::TempDir&) {}, true},
        {"an empty file", [](const uitest::TempDir& c) { c.Write("brisel.ini", ""); }, false},
        {"a folder in its place",
         [](const uitest::TempDir& c) { fs::create_directory(c.File("brisel.ini")); }, false},
        {"a link to nowhere",
         [](const uitest::TempDir& c) { fs::create_symlink("/nonexistent", c.File("brisel.ini")); },
         false},
    };
    for (const Case& c : cases) {
        uitest::TempDir config;
        uitest::ScopedEnv windir("WINDIR", config.Path());
        c.prepare(config);
        EXPECT_EQ(IsFirstStart(), c.first) << c.name;
    }
    // Nowhere to keep a settings file: start-up goes on as it always did.
    uitest::ScopedEnv windir("WINDIR", std::nullopt);
    uitest::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    uitest::ScopedEnv home("HOME", std::nullopt);
    EXPECT_FALSE(IsFirstStart());
    EXPECT_EQ(DemoSetFolder(), "");
}

TEST(FirstStart, DiscSetFoldersAreFoundInTheFolderOrItsDiscFolders) {
    struct Case {
        const char* name;
        std::vector<const char*> files;  // created; a name ending in '/' is a folder
        const char* disc1;               // relative to the chosen folder; nullptr: refused
        const char* disc2;
    };
    const Case cases[] = {
        {"a set as the disc tool writes it",
         {"disc1/disc1.id", "disc2/disc2.id"},
         "disc1/",
         "disc2/"},
        {"both markers in one folder", {"disc1.id", "disc2.id"}, "", ""},
        {"a drive holding disc 1", {"disc1.id"}, "", ""},
        {"a drive holding disc 2", {"disc2.id"}, "", ""},
        {"only one disc folder", {"disc1/disc1.id"}, nullptr, nullptr},
        {"markers in the wrong folders", {"disc1/disc2.id", "disc2/disc1.id"}, nullptr, nullptr},
        {"markers that are folders", {"disc1.id/", "disc2.id/"}, nullptr, nullptr},
        {"nothing", {}, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        uitest::TempDir dir;
        for (const char* f : c.files) {
            const std::string path = dir.File(f);
            fs::create_directories(fs::path(path).parent_path());
            if (path.back() == '/')
                fs::create_directory(path);
            else
                std::ofstream(path) << "x";
        }
        DiscSetFolders found;
        const bool ok = LocateDiscSet(dir.Path(), found);
        EXPECT_EQ(ok, c.disc1 != nullptr) << c.name;
        if (ok && c.disc1 != nullptr) {
            EXPECT_EQ(found.disc1, dir.Path() + "/" + c.disc1) << c.name;
            EXPECT_EQ(found.disc2, dir.Path() + "/" + c.disc2) << c.name;
        }
    }
}

TEST(FirstStart, TheHitFileGoesToAWritableProgramFolder) {
    uitest::TempDir set, data;
    uitest::ScopedEnv xdg("XDG_DATA_HOME", data.Path());
    // A set without a program folder (a disc, a copy of one): the program's own.
    EXPECT_EQ(ProgramFolderFor(set.Path()), data.File("vel7m/program/"));
    EXPECT_TRUE(fs::is_directory(data.File("vel7m/program")));
    fs::create_directory(set.File("program"));
    EXPECT_EQ(ProgramFolderFor(set.Path()), set.File("program/"));

    // Folders the settings file cannot hold are refused before anything is written.
    uitest::TempDir config;
    uitest::ScopedEnv windir("WINDIR", config.Path());
    std::string error;
    EXPECT_FALSE(SaveDiscSetSettings("/p/", {"/a\nb/", "/d2/"}, error));
    EXPECT_NE(error.find("line break"), std::string::npos);
    EXPECT_FALSE(
        SaveDiscSetSettings("/" + std::string(kMaxPath, 'x') + "/", {"/d1/", "/d2/"}, error));
    EXPECT_NE(error.find("too long"), std::string::npos);
    EXPECT_FALSE(fs::exists(config.File("brisel.ini")));
}

}  // namespace
