// The settings-file reader: what a hand-edited or damaged file gives.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "profile.h"
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
        {"comment after blanks", "[Vel7m]\nVelDir=/p/   ; writable; keep\n", "Vel7m", "VelDir",
         "/p/"},
        {"comment after a tab", "[Vel7m]\nVelDir=/p/\t;x\n", "Vel7m", "VelDir", "/p/"},
        {"';' inside a word stays", "[Vel7m]\nCDPath=/media/cd;1/ ;drive\n", "Vel7m", "CDPath",
         "/media/cd;1/"},
        {"a value that is only a comment", "[Vel7m]\nCDPath=  ; not yet\n", "Vel7m", "CDPath", ""},
        {"';' right after '='", "[Vel7m]\nCDPath=;x\n", "Vel7m", "CDPath", ""},
        {"quotes keep ' ;'", "[Vel7m]\nCDPath=\"/my ;cd/\"  ; note\n", "Vel7m", "CDPath",
         "/my ;cd/"},
        {"unclosed quote: comment still cut", "[Vel7m]\nCDPath=\"/a ;b\n", "Vel7m", "CDPath",
         "\"/a"},
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

// The example that the README gives for brisel.ini, comments and all, read as written.
TEST(Profile, TheReadmeExampleGivesCleanFolders) {
    std::ifstream readme(uitest::SourcePath("README.md"));
    std::stringstream text;
    text << readme.rdbuf();
    const std::string all = text.str();
    const size_t begin = all.find("```ini\n");
    ASSERT_NE(begin, std::string::npos);
    const size_t end = all.find("```", begin + 7);
    ASSERT_NE(end, std::string::npos);
    const std::string example = all.substr(begin + 7, end - begin - 7);
    ASSERT_NE(example.find(';'), std::string::npos) << "the example shows a comment";

    uitest::TempDir dir;
    dir.Write("brisel.ini", example);
    const std::string file = dir.File("brisel.ini");
    EXPECT_EQ(Read(file, "Vel7m", "VelDir"), "/home/me/vel7m/program/");
    EXPECT_EQ(Read(file, "Vel7m", "CDPath"), "/media/cdrom/");
    EXPECT_EQ(Read(file, "Vel7m", "CD2Path"), "/media/cdrom/");
    EXPECT_EQ(CheckSettingsFile(file.c_str(), "Vel7m", {"VelDir", "CDPath", "CD2Path"}).problem,
              SettingsProblem::None);
}

TEST(Profile, CheckNamesWhatMakesAFileUnusable) {
    struct CheckCase {
        const char* name;
        std::optional<std::string> content;  // none: no file; "/": a folder of that name
        SettingsProblem expected;
        const char* detail;  // for NoValue, the key
    };
    static const std::string kUtf16(
        "\xFF\xFE[\0V\0e\0l\0"
        "7\0m\0]\0",
        16);
    const CheckCase cases[] = {
        {"usable", "[Vel7m]\nCDPath=/a\nCD2Path=/b\n", SettingsProblem::None, ""},
        {"keys in any case", "[vel7m]\ncdpath=/a\nCD2PATH=/b\n", SettingsProblem::None, ""},
        {"missing", std::nullopt, SettingsProblem::Missing, ""},
        {"a folder", "/", SettingsProblem::Folder, ""},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Vel7m]\nCDPath=/a\nCD2Path=/b\n",
         SettingsProblem::ByteOrderMark, ""},
        {"UTF-16", kUtf16, SettingsProblem::ByteOrderMark, ""},
        {"empty file", "", SettingsProblem::NoSection, ""},
        {"another section only", "[Other]\nCDPath=/a\nCD2Path=/b\n", SettingsProblem::NoSection,
         ""},
        {"a key missing", "[Vel7m]\nCDPath=/a\n", SettingsProblem::NoValue, "CD2Path"},
        {"a key only in a later section", "[Vel7m]\nCDPath=/a\n[X]\nCD2Path=/b\n",
         SettingsProblem::NoValue, "CD2Path"},
        {"a value that is only a comment", "[Vel7m]\nCDPath=  ; to do\nCD2Path=/b\n",
         SettingsProblem::NoValue, "CDPath"},
    };
    for (const CheckCase& c : cases) {
        uitest::TempDir dir;
        if (c.content == "/")
            std::filesystem::create_directory(dir.File("s.ini"));
        else if (c.content)
            dir.Write("s.ini", *c.content);
        const SettingsCheck check =
            CheckSettingsFile(dir.File("s.ini").c_str(), "Vel7m", {"CDPath", "CD2Path"});
        EXPECT_EQ(check.problem, c.expected) << c.name;
        EXPECT_EQ(check.path, dir.File("s.ini")) << c.name;
        if (c.expected == SettingsProblem::NoValue) {
            EXPECT_EQ(check.detail, c.detail) << c.name;
        }
        const std::string text = SettingsProblemText(check, "Vel7m");
        if (c.expected == SettingsProblem::None) {
            EXPECT_EQ(text, "") << c.name;
        } else {
            EXPECT_NE(text.find(dir.File("s.ini")), std::string::npos) << c.name << ": " << text;
        }
    }
}

TEST(Profile, CheckLooksWhereTheReaderLooks) {
    uitest::TempDir windir, home;
    windir.Write("brisel.ini", "[Vel7m]\n");
    uitest::ScopedEnv h("HOME", home.Path());
    uitest::ScopedEnv x("XDG_CONFIG_HOME", std::nullopt);
    {
        uitest::ScopedEnv w("WINDIR", windir.Path());
        const SettingsCheck check = CheckSettingsFile("brisel.ini", "Vel7m");
        EXPECT_EQ(check.problem, SettingsProblem::None);
        EXPECT_EQ(check.path, windir.Path() + "/brisel.ini");
    }
    {
        // WINDIR naming a file: the settings cannot be reached, which is not "missing".
        uitest::ScopedEnv w("WINDIR", windir.File("brisel.ini"));
        EXPECT_EQ(CheckSettingsFile("brisel.ini", "Vel7m").problem, SettingsProblem::Unreadable);
    }
    {
        uitest::ScopedEnv w("WINDIR", std::nullopt);
        const SettingsCheck check = CheckSettingsFile("brisel.ini", "Vel7m");
        EXPECT_EQ(check.problem, SettingsProblem::Missing);
        EXPECT_EQ(check.path, home.Path() + "/.config/brisel.ini");
    }
    {
        uitest::ScopedEnv w("WINDIR", std::nullopt);
        uitest::ScopedEnv noHome("HOME", std::nullopt);
        const SettingsCheck check = CheckSettingsFile("brisel.ini", "Vel7m");
        EXPECT_EQ(check.problem, SettingsProblem::Missing);
        EXPECT_EQ(check.path, "");
        EXPECT_NE(SettingsProblemText(check, "Vel7m").find("WINDIR"), std::string::npos);
    }
}

}  // namespace
