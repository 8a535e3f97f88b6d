// The settings-file reader: what a hand-edited or damaged file gives.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "ui_test_support.h"

namespace {

std::string Read(const std::string& file, const char* section, const char* key,
                 const char* fallback = "dflt", DWORD size = 64) {
    std::string buffer(size + 8, '#');
    DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file.c_str());
    EXPECT_EQ(n, std::strlen(buffer.c_str())) << "the count is the length copied";
    EXPECT_EQ(buffer[size], '#') << "nothing written past the buffer";
    return buffer.c_str();
}

struct Case {
    const char* name;
    const char* content;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(Profile, FindsValuesTheWayThePlatformDoes) {
    static const std::string kNulInValue("[Vel7m]\nVelDir=/a\0b\n", 20);
    const Case cases[] = {
        {"plain", "[Vel7m]\nVelDir=/data/\n", "Vel7m", "VelDir", "/data/"},
        {"section and key ignore case", "[vel7M]\nveldir=/x\n", "Vel7m", "VELDIR", "/x"},
        {"blanks around key and value", "[Vel7m]\n  VelDir  =   /a b/  \n", "Vel7m", "VelDir",
         "/a b/"},
        {"CRLF line ends", "[Vel7m]\r\nCDPath=/cd\r\n", "Vel7m", "CDPath", "/cd"},
        {"one pair of quotes removed", "[Vel7m]\nCDPath=\"/my cd/\"\n", "Vel7m", "CDPath",
         "/my cd/"},
        {"comment lines skipped", "[Vel7m]\n;CDPath=/old\nCDPath=/new\n", "Vel7m", "CDPath",
         "/new"},
        {"first of two keys wins", "[Vel7m]\nCDPath=/one\nCDPath=/two\n", "Vel7m", "CDPath",
         "/one"},
        {"key in another section", "[Other]\nCDPath=/no\n[Vel7m]\nCDPath=/yes\n", "Vel7m", "CDPath",
         "/yes"},
        {"key only in another section", "[Vel7m]\nX=1\n[Other]\nCDPath=/no\n", "Vel7m", "CDPath",
         "dflt"},
        {"line without '=' ignored", "[Vel7m]\nCDPath\nCDPath=/ok\n", "Vel7m", "CDPath", "/ok"},
        {"empty value is empty, not the default", "[Vel7m]\nCDPath=\n", "Vel7m", "CDPath", ""},
        {"missing key gives the default", "[Vel7m]\nVelDir=/v\n", "Vel7m", "CDPath", "dflt"},
        {"missing section gives the default", "VelDir=/v\n", "Vel7m", "VelDir", "dflt"},
        {"unclosed section header ignored", "[Vel7m\nVelDir=/v\n", "Vel7m", "VelDir", "dflt"},
        {"value cut at a NUL byte", kNulInValue.c_str(), "Vel7m", "VelDir", "/a"},
    };
    for (const Case& c : cases) {
        uitest::TempDir dir;
        dir.Write("s.ini", c.content);
        EXPECT_EQ(Read(dir.File("s.ini"), c.section, c.key), c.expected) << c.name;
    }
}

TEST(Profile, JunkAndLongLinesNeverOverflow) {
    uitest::TempDir dir;
    std::string junk;
    for (int i = 0; i < 200000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    std::string longLine = "[Vel7m]\nVelDir=" + std::string(100000, 'x') + "\nCDPath=/after\n";
    dir.Write("junk.ini", junk + "\n[Vel7m]\nCDPath=/found\n");
    dir.Write("long.ini", longLine);

    EXPECT_EQ(Read(dir.File("junk.ini"), "Vel7m", "CDPath"), "/found");
    EXPECT_EQ(Read(dir.File("long.ini"), "Vel7m", "CDPath"), "/after");
    // A value longer than the buffer is cut to the buffer, terminated.
    EXPECT_EQ(Read(dir.File("long.ini"), "Vel7m", "VelDir", "", 16), std::string(15, 'x'));
}

TEST(Profile, BufferEdgeCases) {
    uitest::TempDir dir;
    dir.Write("s.ini", "[Vel7m]\nVelDir=/v/\n");
    std::string path = dir.File("s.ini");
    char one[1] = {'#'};
    EXPECT_EQ(GetPrivateProfileStringA("Vel7m", "VelDir", "", one, 1, path.c_str()), 0u);
    EXPECT_EQ(one[0], '\0');
    char untouched[2] = {'#', '#'};
    EXPECT_EQ(GetPrivateProfileStringA("Vel7m", "VelDir", "", untouched, 0, path.c_str()), 0u);
    EXPECT_EQ(untouched[0], '#');
    // The default loses its trailing blanks, a null default is empty.
    EXPECT_EQ(Read(path, "Vel7m", "Nope", "abc  "), "abc");
    EXPECT_EQ(Read(path, "Vel7m", "Nope", nullptr), "");
    EXPECT_EQ(Read(dir.File("absent.ini"), "Vel7m", "VelDir", "gone"), "gone");
}

TEST(Profile, BareFileNameIsLookedUpInWindirThenXdgThenHome) {
    uitest::TempDir windir, xdg, home;
    windir.Write("where.ini", "[S]\nK=windir\n");
    xdg.Write("where.ini", "[S]\nK=xdg\n");
    std::filesystem::create_directories(home.File(".config"));
    home.Write(".config/where.ini", "[S]\nK=home\n");

    uitest::ScopedEnv h("HOME", home.Path());
    {
        uitest::ScopedEnv w("WINDIR", windir.Path());
        uitest::ScopedEnv x("XDG_CONFIG_HOME", xdg.Path());
        EXPECT_EQ(Read("where.ini", "S", "K"), "windir");
    }
    {
        uitest::ScopedEnv w("WINDIR", std::nullopt);
        uitest::ScopedEnv x("XDG_CONFIG_HOME", xdg.Path());
        EXPECT_EQ(Read("where.ini", "S", "K"), "xdg");
    }
    {
        uitest::ScopedEnv w("WINDIR", "");
        uitest::ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(Read("where.ini", "S", "K"), "home");
    }
}

}  // namespace
