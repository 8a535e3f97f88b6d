// Settings files in the platform's INI format: "[section]" lines, "key=value" lines, ';'
// comment lines. Sections and keys match without regard to case; values are trimmed of
// blanks and of one pair of enclosing quotes. The first matching section and key win.
//
// Everything in the file is untrusted: lines of any length, missing '=', NUL bytes and other
// junk are read without overflowing anything, and the file is read only up to a sane size.

#include <strings.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

std::string ResolvePath(const char* fileName) {
    if (std::strchr(fileName, '/') != nullptr)
        return fileName;
    const char* windir = std::getenv("WINDIR");
    if (windir != nullptr && *windir != '\0')
        return std::string(windir) + "/" + fileName;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0')
        return std::string(config) + "/" + fileName;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return std::string(home) + "/.config/" + fileName;
    return {};
}

// Finds the value; false when the file, the section or the key is missing.
bool Lookup(const char* fileName, const char* section, const char* key, std::string& value) {
    std::string path = ResolvePath(fileName);
    if (path.empty())
        return false;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    std::string content;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 &&
           content.size() < static_cast<size_t>(kMaxSettingsFile)) {
        content.append(chunk, n);
    }
    std::fclose(file);
    if (content.size() > static_cast<size_t>(kMaxSettingsFile))
        content.resize(kMaxSettingsFile);

    bool inSection = false;
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
                return false;
            continue;
        }
        if (!inSection)
            continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        if (!SameName(Trim(line.substr(0, equals)), key))
            continue;
        value = Trim(line.substr(equals + 1));
        // A NUL ends the value, as it ends any string of the calling code.
        size_t nul = value.find('\0');
        if (nul != std::string::npos)
            value.resize(nul);
        if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                                  (value.front() == '\'' && value.back() == '\''))) {
            value = value.substr(1, value.size() - 2);
        }
        return true;
    }
    return false;
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
