// Reading brisel.ini into the three directories.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ui_test_support.h"
#include "view_app.h"

namespace {

struct Settings {
    uitest::TempDir windir;
    uitest::ScopedEnv env{"WINDIR", windir.Path()};
    uitest::ScriptedBoxes boxes;
    CViewApp app;
};

struct Case {
    const char* name;
    std::string value;     // written for all three keys
    std::string expected;  // stored in all three fields
};

TEST(Settings, SeparatorIsAppendedOnlyWhenMissing) {
    const std::string longest(258, 'a');  // with its separator exactly fills a field
    const Case cases[] = {
        {"already ends in a separator", "/data/disc1/", "/data/disc1/"},
        {"separator appended", "/data/disc1", "/data/disc1/"},
        {"drive-like value", "D:", "D:/"},
        {"empty value stays empty", "", ""},
        {"a single separator", "/", "/"},
        {"longest value that fits", longest, longest + "/"},
        {"longest value that fits, with separator", longest + "/", longest + "/"},
    };
    for (const Case& c : cases) {
        Settings s;
        s.windir.Write("brisel.ini", "[Vel7m]\nVelDir=" + c.value + "\nCDPath=" + c.value +
                                         "\nCD2Path=" + c.value + "\n");
        EXPECT_TRUE(s.app.ReadSettings()) << c.name;
        EXPECT_EQ(std::string(s.app.m_pszVelDir), c.expected) << c.name;
        EXPECT_EQ(std::string(s.app.m_szCDPath), c.expected) << c.name;
        EXPECT_EQ(std::string(s.app.m_szCD2Path), c.expected) << c.name;
        EXPECT_TRUE(s.boxes.Shown().empty()) << c.name;
    }
}

TEST(Settings, MissingFileOrKeysGiveEmptyDirectories) {
    {
        Settings s;  // no brisel.ini at all
        EXPECT_TRUE(s.app.ReadSettings());
        ASSERT_NE(s.app.m_pszVelDir, nullptr);
        EXPECT_STREQ(s.app.m_pszVelDir, "");
        EXPECT_STREQ(s.app.m_szCDPath, "");
        EXPECT_STREQ(s.app.m_szCD2Path, "");
    }
    {
        Settings s;
        s.windir.Write("brisel.ini", "[Vel7m]\nCD2Path=/cd2\n[Other]\nCDPath=/elsewhere\n");
        EXPECT_TRUE(s.app.ReadSettings());
        EXPECT_STREQ(s.app.m_pszVelDir, "");
        EXPECT_STREQ(s.app.m_szCDPath, "");
        EXPECT_STREQ(s.app.m_szCD2Path, "/cd2/");
        EXPECT_TRUE(s.boxes.Shown().empty());
    }
}

TEST(Settings, OverlongValuesAreRefusedWithAMessageNotCut) {
    const std::string fits(258, 'b');
    const std::string tooLongForSeparator(259, 'c');  // fits only without its separator
    const std::string farTooLong(5000, 'd');
    Settings s;
    s.windir.Write("brisel.ini", "[Vel7m]\nVelDir=" + farTooLong + "\nCDPath=" +
                                     tooLongForSeparator + "\nCD2Path=" + fits + "\n");
    EXPECT_FALSE(s.app.ReadSettings());
    EXPECT_STREQ(s.app.m_pszVelDir, "");
    EXPECT_STREQ(s.app.m_szCDPath, "");
    EXPECT_EQ(std::string(s.app.m_szCD2Path), fits + "/");
    ASSERT_EQ(s.boxes.Shown().size(), 2u);
    EXPECT_NE(s.boxes.Shown()[0].text.find("VelDir"), std::string::npos);
    EXPECT_NE(s.boxes.Shown()[1].text.find("CDPath"), std::string::npos);
    EXPECT_EQ(s.boxes.Shown()[1].caption, kAppTitle);
}

TEST(Settings, ReadingAgainReplacesTheProgramFolder) {
    Settings s;
    s.windir.Write("brisel.ini", "[Vel7m]\nVelDir=/first\n");
    s.app.ReadSettings();
    EXPECT_STREQ(s.app.m_pszVelDir, "/first/");
    s.windir.Write("brisel.ini", "[Vel7m]\nVelDir=/second/\n");
    s.app.ReadSettings();
    EXPECT_STREQ(s.app.m_pszVelDir, "/second/");
    // The engine sees the directories through the host.
    EXPECT_STREQ(HostProgramDir(), "/second/");
    EXPECT_EQ(s.app.ExitInstance(), 0);
    EXPECT_EQ(s.app.m_pszVelDir, nullptr);
    EXPECT_STREQ(HostProgramDir(), "");
}

// A settings file that is there but cannot be used is named in a box at once, instead of
// the first search asking for a disc; a missing file is left to the first start.
TEST(Settings, AnUnusableFileIsNamedInABox) {
    struct FileCase {
        const char* name;
        const char* content;  // null: a folder named brisel.ini
        const char* says;
    };
    const FileCase cases[] = {
        {"a folder", nullptr, "is a folder"},
        {"byte-order mark", "\xEF\xBB\xBF[Vel7m]\nCDPath=/cd1\n", "byte-order mark"},
        {"no section", "[Vel7n]\nCDPath=/cd1\n", "has no [Vel7m] section"},
    };
    for (const FileCase& c : cases) {
        Settings s;
        if (c.content == nullptr)
            std::filesystem::create_directory(s.windir.File("brisel.ini"));
        else
            s.windir.Write("brisel.ini", c.content);
        EXPECT_FALSE(s.app.ReadSettings()) << c.name;
        ASSERT_EQ(s.boxes.Shown().size(), 1u) << c.name;
        const std::string& text = s.boxes.Shown()[0].text;
        EXPECT_NE(text.find(s.windir.File("brisel.ini")), std::string::npos) << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_STREQ(s.app.m_szCDPath, "") << c.name;
    }
    Settings usable;
    usable.windir.Write("brisel.ini", "[Vel7m]\nCDPath=/media/cd ; drive\n");
    EXPECT_TRUE(usable.app.ReadSettings());
    EXPECT_STREQ(usable.app.m_szCDPath, "/media/cd/");
    EXPECT_TRUE(usable.boxes.Shown().empty());
}

}  // namespace
