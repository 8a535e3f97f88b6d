#include "settings_file.h"

#include <strings.h>
#include <cstdlib>
#include <fstream>

namespace {

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    const std::size_t begin = s.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return "";
    return s.substr(begin, s.find_last_not_of(blanks) - begin + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

std::string ResolveSettingsPath(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    for (const char* var : {"WINDIR", "XDG_CONFIG_HOME"}) {
        const char* dir = std::getenv(var);
        if (dir != nullptr && *dir != '\0')
            return WithTrailingSlash(dir) + name;
    }
    const char* home = std::getenv("HOME");
    return WithTrailingSlash(home != nullptr ? home : "") + ".config/" + name;
}

std::string ReadSettingsValue(const std::string& path, const std::string& section,
                              const std::string& key) {
    std::ifstream in(path);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            inSection =
                close != std::string::npos && SameName(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inSection && equals != std::string::npos &&
            SameName(Trim(line.substr(0, equals)), key)) {
            return Trim(line.substr(equals + 1));
        }
    }
    return "";
}

std::string WithTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}
