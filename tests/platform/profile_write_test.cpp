// Writing a section of a settings file: what is kept, what is replaced, where a bare name
// goes, and what is refused.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui_test_support.h"

namespace {

const char kNewSection[] = "VelDir=/p/\0CDPath=/d1/\0CD2Path=/d2/\0";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProfileWrite, ReplacesOnlyItsSectionAndKeepsTheRest) {
    struct Case {
        const char* name;
        const char* before;  // nullptr: no file
        const char* after;
    };
    const Case cases[] = {
        {"new file", nullptr, "[Vel7m]\nVelDir=/p/\nCDPath=/d1/\nCD2Path=/d2/\n"},
        {"empty file", "", "[Vel7m]\nVelDir=/p/\nCDPath=/d1/\nCD2Path=/d2/\n"},
        {"other sections and comments kept, section appended", "; mine\n[Other]\nKey=1",
         "; mine\n[Other]\nKey=1\n\n[Vel7m]\nVelDir=/p/\nCDPath=/d1/\n"
         "CD2Path=/d2/\n"},
        {"old keys of the section dropped, its place kept",
         "[a]\nx=1\n[ vel7m ]\nVelDir=/old/\nStale=1\n[b]\ny=2\n",
         "[a]\nx=1\n[Vel7m]\nVelDir=/p/\nCDPath=/d1/\nCD2Path=/d2/\n[b]\ny=2\n"},
        {"only the first of two sections replaced, as only it is read",
         "[Vel7m]\nVelDir=/one/\n[Vel7m]\nVelDir=/two/\n",
         "[Vel7m]\nVelDir=/p/\nCDPath=/d1/\nCD2Path=/d2/\n[Vel7m]\nVelDir=/two/\n"},
    };
    for (const Case& c : cases) {
        uitest::TempDir dir;
        if (c.before != nullptr)
            dir.Write("s.ini", c.before);
        ASSERT_TRUE(WritePrivateProfileSectionA("Vel7m", kNewSection, dir.File("s.ini").c_str()))
            << c.name;
        EXPECT_EQ(Slurp(dir.File("s.ini")), c.after) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir.File("s.ini.new"))) << c.name;
        char value[64];
        GetPrivateProfileStringA("Vel7m", "CD2Path", "", value, sizeof value,
                                 dir.File("s.ini").c_str());
        EXPECT_STREQ(value, "/d2/") << c.name << ": the reader finds what was written";
    }
}

TEST(ProfileWrite, ABareNameGoesWhereTheReaderLooksAndItsFolderIsMade) {
    uitest::TempDir home;
    const std::string config = home.File("deep/config");
    uitest::ScopedEnv windir("WINDIR", std::nullopt);
    uitest::ScopedEnv xdg("XDG_CONFIG_HOME", config);
    char path[256];
    EXPECT_EQ(GetPrivateProfilePathA("brisel.ini", path, sizeof path),
              config.size() + std::strlen("/brisel.ini"));
    EXPECT_EQ(std::string(path), config + "/brisel.ini");
    ASSERT_TRUE(WritePrivateProfileSectionA("Vel7m", kNewSection, "brisel.ini"));
    char value[64];
    GetPrivateProfileStringA("Vel7m", "VelDir", "", value, sizeof value, "brisel.ini");
    EXPECT_STREQ(value, "/p/");

    // Too small a buffer gets nothing cut: the length says how much is needed.
    char small[8] = "xxxxxxx";
    EXPECT_GT(GetPrivateProfilePathA("brisel.ini", small, sizeof small), sizeof small);
    EXPECT_STREQ(small, "");
}

TEST(ProfileWrite, ALinkedSettingsFileStaysALink) {
    uitest::TempDir dir;
    dir.Write("real.ini", "[Other]\nk=v\n");
    ASSERT_EQ(::symlink(dir.File("real.ini").c_str(), dir.File("link.ini").c_str()), 0);
    ASSERT_TRUE(WritePrivateProfileSectionA("Vel7m", kNewSection, dir.File("link.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_NE(Slurp(dir.File("real.ini")).find("CDPath=/d1/"), std::string::npos);
}

TEST(ProfileWrite, RefusesWhatCannotBeWrittenAndLeavesTheFileAlone) {
    uitest::TempDir dir;
    dir.Write("s.ini", "[Vel7m]\nVelDir=/keep/\n");
    // A line break would put a line of its own into the file.
    const char broken[] = "VelDir=/a\n[Evil]\0";
    EXPECT_FALSE(WritePrivateProfileSectionA("Vel7m", broken, dir.File("s.ini").c_str()));
    EXPECT_EQ(errno, EINVAL);
    // A file too large to be a settings file is not rewritten (and so not cut).
    dir.Write("big.ini", std::string(1024 * 1024 + 1, ';'));
    EXPECT_FALSE(WritePrivateProfileSectionA("Vel7m", kNewSection, dir.File("big.ini").c_str()));
    // A folder that cannot be written.
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    if (::access(locked.c_str(), W_OK) != 0) {  // root may write anyway
        EXPECT_FALSE(
            WritePrivateProfileSectionA("Vel7m", kNewSection, (locked + "/s.ini").c_str()));
        EXPECT_EQ(errno, EACCES);
    }
    ::chmod(locked.c_str(), 0700);
    EXPECT_EQ(Slurp(dir.File("s.ini")), "[Vel7m]\nVelDir=/keep/\n");
    EXPECT_EQ(std::filesystem::file_size(dir.File("big.ini")), 1024u * 1024u + 1u);
}

}  // namespace
