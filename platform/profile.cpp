// Settings files in the platform's INI format: "[section]" lines, "key=value" lines, ';'
// comment lines. Sections and keys match without regard to case; values are trimmed of
// blanks, of a comment after them (a ';' that follows a blank) and of one pair of enclosing
// quotes. The first matching section and key win.
//
// Everything in the file is untrusted: lines of any length, missing '=', NUL bytes and other
// junk are read without overflowing anything, and the file is read only up to a sane size.

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "profile.h"
#include "winapi.h"

namespace {

constexpr long kMaxSettingsFile = 1024 * 1024;

std::string Trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && (s[begin] == ' ' || s[begin] == '\t' || s[begin] == '\r'))
        ++begin;
    while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r'))
        --end;
    return s.substr(begin, end - begin);
}

bool SameName(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

// The file in a folder, without doubling a '/' the folder already ends in: the path is shown.
std::string InFolder(std::string folder, const char* fileName) {
    if (folder.back() != '/')
        folder += '/';
    return folder + fileName;
}

std::string ResolvePath(const char* fileName) {
    if (std::strchr(fileName, '/') != nullptr)
        return fileName;
    const char* windir = std::getenv("WINDIR");
    if (windir != nullptr && *windir != '\0')
        return InFolder(windir, fileName);
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0')
        return InFolder(config, fileName);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return InFolder(InFolder(home, ".config"), fileName);
    return {};
}

// Reads the file, up to a sane size; false with errno's reason when it cannot be read.
bool LoadFile(const std::string& path, std::string& content, int& error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = errno;
        return false;
    }
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 &&
           content.size() < static_cast<size_t>(kMaxSettingsFile)) {
        content.append(chunk, n);
    }
    const bool failed = std::ferror(file) != 0;
    error = failed ? errno : 0;
    std::fclose(file);
    if (content.size() > static_cast<size_t>(kMaxSettingsFile))
        content.resize(kMaxSettingsFile);
    return !failed;
}

// A ';' that starts the value or follows a blank begins a comment, so that a note can stand
// beside a value ("VelDir=/home/me/program/   ; writable"). A ';' inside a word is part of
// the value, as is anything inside the quotes that open it.
std::string CutComment(const std::string& text) {
    size_t from = 0;
    if (!text.empty() && (text[0] == '"' || text[0] == '\'')) {
        const size_t close = text.find(text[0], 1);
        if (close != std::string::npos)
            from = close + 1;
    }
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == ';' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t'))
            return text.substr(0, i);
    }
    return text;
}

std::string CleanValue(const std::string& raw) {
    std::string value = Trim(raw);
    // A NUL ends the value, as it ends any string of the calling code.
    size_t nul = value.find('\0');
    if (nul != std::string::npos)
        value.resize(nul);
    value = Trim(CutComment(value));
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\''))) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

enum class Found { NoSection, NoKey, Value };

// Finds the key in the first section of that name; a null key only looks for the section.
Found FindValue(const std::string& content, const char* section, const char* key,
                std::string& value) {
    bool inSection = false;
    bool sawSection = false;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t eol = content.find('\n', pos);
        if (eol == std::string::npos)
            eol = content.size();
        std::string line = Trim(content.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string::npos)
                continue;
            bool wasIn = inSection;
            inSection = SameName(Trim(line.substr(1, close - 1)), section);
            // The first section of that name is the one read.
            if (wasIn && !inSection)
                return Found::NoKey;
            sawSection = sawSection || inSection;
            if (inSection && key == nullptr)
                return Found::NoKey;
            continue;
        }
        if (!inSection)
            continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        if (!SameName(Trim(line.substr(0, equals)), key))
            continue;
        value = CleanValue(line.substr(equals + 1));
        return Found::Value;
    }
    return sawSection ? Found::NoKey : Found::NoSection;
}

// Finds the value; false when the file, the section or the key is missing.
bool Lookup(const char* fileName, const char* section, const char* key, std::string& value) {
    std::string path = ResolvePath(fileName);
    std::string content;
    int error = 0;
    if (path.empty() || !LoadFile(path, content, error))
        return false;
    return FindValue(content, section, key, value) == Found::Value;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (buffer == nullptr || size == 0)
        return 0;
    buffer[0] = '\0';
    std::string value;
    // Listing sections or keys (a null section or key) is not offered: nothing is copied.
    if (section == nullptr || key == nullptr || fileName == nullptr)
        return 0;
    if (!Lookup(fileName, section, key, value)) {
        value = defaultValue != nullptr ? defaultValue : "";
        // The platform trims trailing blanks of the default.
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
    }
    // Too long values are cut to the buffer, as the platform does; callers that must not
    // cut pass a larger buffer and compare.
    size_t n = value.size() < size ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

SettingsCheck CheckSettingsFile(const char* fileName, const char* section,
                                std::initializer_list<const char*> keys) {
    SettingsCheck check;
    check.path = ResolvePath(fileName);
    if (check.path.empty()) {
        check.problem = SettingsProblem::Missing;
        return check;
    }
    struct stat st {};
    if (::stat(check.path.c_str(), &st) != 0) {
        check.problem = errno == ENOENT ? SettingsProblem::Missing : SettingsProblem::Unreadable;
        check.detail = std::strerror(errno);
        return check;
    }
    if (S_ISDIR(st.st_mode)) {
        check.problem = SettingsProblem::Folder;
        return check;
    }
    std::string content;
    int error = 0;
    if (!LoadFile(check.path, content, error)) {
        check.problem = SettingsProblem::Unreadable;
        check.detail = std::strerror(error);
        return check;
    }
    if (StartsWith(content, "\xEF\xBB\xBF") || StartsWith(content, "\xFF\xFE") ||
        StartsWith(content, "\xFE\xFF")) {
        check.problem = SettingsProblem::ByteOrderMark;
        return check;
    }
    std::string value;
    if (FindValue(content, section, nullptr, value) == Found::NoSection) {
        check.problem = SettingsProblem::NoSection;
        return check;
    }
    for (const char* key : keys) {
        value.clear();
        if (FindValue(content, section, key, value) != Found::Value || value.empty()) {
            check.problem = SettingsProblem::NoValue;
            check.detail = key;
            return check;
        }
    }
    return check;
}

std::string SettingsProblemText(const SettingsCheck& check, const char* section) {
    const std::string file = "The settings file " + check.path;
    switch (check.problem) {
        case SettingsProblem::None:
            return {};
        case SettingsProblem::Missing:
            if (check.path.empty())
                return "There is no folder to look for the settings file in: set WINDIR, "
                       "XDG_CONFIG_HOME or HOME.";
            return file + " does not exist.";
        case SettingsProblem::Unreadable:
            return file + " cannot be read: " + check.detail + ".";
        case SettingsProblem::Folder:
            return file + " is a folder, not a file.";
        case SettingsProblem::ByteOrderMark:
            return file +
                   " begins with a byte-order mark (it was saved as UTF-8 with a mark, or as "
                   "UTF-16), so none of its lines can be read. Save it as plain text.";
        case SettingsProblem::NoSection:
            return file + " has no [" + section + "] section.";
        case SettingsProblem::NoValue:
            return file + " gives no " + check.detail + " in its [" + section + "] section.";
    }
    return {};
}

DWORD GetPrivateProfilePathA(LPCSTR fileName, LPSTR buffer, DWORD size) {
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    if (fileName == nullptr)
        return 0;
    std::string path = ResolvePath(fileName);
    if (buffer != nullptr && path.size() < size)
        std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
