#include "first_start.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "first_start_dlg.h"
#include "view_app.h"

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(std::string dir) {
    if (dir.empty() || dir.back() != kPathSeparator)
        dir += kPathSeparator;
    return dir;
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool IsWritableFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool IsFirstStart() {
    char path[PATH_MAX];
    DWORD length = GetPrivateProfilePathA(kSettingsFile, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    // Anything by that name counts as there: a settings file that cannot be read is reported
    // when it is read, not replaced.
    std::error_code ec;
    return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

std::string DemoSetFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    // Only an absolute folder counts, as the base directory rules say.
    if (data != nullptr && data[0] == '/')
        return (fs::path(data) / "vel7m").lexically_normal().string();
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return (fs::path(home) / ".local/share/vel7m").lexically_normal().string();
    return {};
}

bool LocateDiscSet(const std::string& folder, DiscSetFolders& found) {
    if (folder.empty())
        return false;
    const fs::path dir(folder);
    if (IsFile(dir / "disc1" / "disc1.id") && IsFile(dir / "disc2" / "disc2.id")) {
        found = {WithSeparator((dir / "disc1").string()), WithSeparator((dir / "disc2").string())};
        return true;
    }
    if (IsFile(dir / "disc1.id") || IsFile(dir / "disc2.id")) {
        found = {WithSeparator(folder), WithSeparator(folder)};
        return true;
    }
    return false;
}

std::string ProgramFolderFor(const std::string& folder) {
    const fs::path own = fs::path(folder) / "program";
    if (IsWritableFolder(own))
        return WithSeparator(own.string());
    const std::string demo = DemoSetFolder();
    if (demo.empty())
        return {};
    const fs::path shared = fs::path(demo) / "program";
    std::error_code ec;
    fs::create_directories(shared, ec);
    return IsWritableFolder(shared) ? WithSeparator(shared.string()) : std::string();
}

bool SaveDiscSetSettings(const std::string& programDir, const DiscSetFolders& discs,
                         std::string& error) {
    char path[PATH_MAX];
    GetPrivateProfilePathA(kSettingsFile, path, sizeof path);
    const struct {
        const char* key;
        const std::string& value;
    } entries[] = {{"VelDir", programDir}, {"CDPath", discs.disc1}, {"CD2Path", discs.disc2}};
    std::string section;
    for (const auto& e : entries) {
        // Start-up refuses a folder longer than its field; better to say so now.
        if (e.value.size() > static_cast<size_t>(kMaxPath - 1)) {
            error = "The folder " + e.value + " is too long: the program can use folders of at " +
                    "most " + std::to_string(kMaxPath - 1) + " characters.";
            return false;
        }
        if (e.value.find_first_of("\r\n") != std::string::npos) {
            error = "The folder " + e.value + " has a line break in its name, which " +
                    kSettingsFile + " cannot hold.";
            return false;
        }
        section.append(e.key).append(1, '=').append(e.value).append(1, '\0');
    }
    section.append(1, '\0');
    if (!WritePrivateProfileSectionA(kSettingsSection, section.data(), kSettingsFile)) {
        error = std::string("The settings could not be saved in ") + path + ": " +
                std::strerror(errno) + ".";
        return false;
    }
    return true;
}

BOOL RunFirstStart(CWnd* pParent) {
    CFirstStartDlg dialog(pParent);
    return dialog.DoModal() == IDOK;
}
