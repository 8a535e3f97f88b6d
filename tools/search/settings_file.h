// Reading the disc directories from the application's settings file.
#pragma once

#include <string>

// Where a bare settings file name is found: $WINDIR, else $XDG_CONFIG_HOME, else ~/.config.
std::string ResolveSettingsPath(const std::string& name);

// The value of `key` in `[section]` of an INI file ("" when the file, section or key is
// missing). Section and key names compare case-insensitively; the value is trimmed.
std::string ReadSettingsValue(const std::string& path, const std::string& section,
                              const std::string& key);

// A directory with the separator appended when it lacks one; "" stays "".
std::string WithTrailingSlash(std::string dir);
