// A settings file checked before its values are used. The reader itself answers every
// failure with the default value, which for a disc folder turns a mistyped or damaged file
// into a request for a disc; the front ends ask here first and name the file instead.
#pragma once

#include <initializer_list>
#include <string>

enum class SettingsProblem {
    None,
    Missing,        // no such file, or no folder to look for a bare name in
    Unreadable,     // it exists but cannot be opened or read
    Folder,         // the name is a folder
    ByteOrderMark,  // saved as UTF-8 with a byte-order mark or as UTF-16: nothing would match
    NoSection,      // the section is not in the file
    NoValue,        // a key the caller needs is missing or empty
};

struct SettingsCheck {
    SettingsProblem problem = SettingsProblem::None;
    std::string path;    // where the file was looked for; empty when there was nowhere to look
    std::string detail;  // the system's reason (Unreadable) or the key (NoValue)
};

// Looks `fileName` up as GetPrivateProfileStringA does and checks that it is a readable file
// without a byte-order mark that holds `section` with a non-empty value for each of `keys`.
SettingsCheck CheckSettingsFile(const char* fileName, const char* section,
                                std::initializer_list<const char*> keys = {});

// One sentence for the user that names the file and what is wrong with it.
std::string SettingsProblemText(const SettingsCheck& check, const char* section);
