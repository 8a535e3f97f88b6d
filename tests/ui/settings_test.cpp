// Reading brisel.ini into the three directories.

#include <gtest/gtest.h>

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

}  // namespace
