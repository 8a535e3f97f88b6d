// A settings file of arbitrary bytes, read the way start-up and the command line read it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "profile.h"
#include "winapi.h"

namespace {

std::string g_path;

void Read(const char* section, const char* key, DWORD size) {
    char buffer[300];
    std::memset(buffer, 'x', sizeof buffer);
    const DWORD n = GetPrivateProfileStringA(section, key, "default", buffer, size, g_path.c_str());
    if (size == 0) {
        if (buffer[0] != 'x')
            __builtin_trap();  // nothing written to an empty buffer
        return;
    }
    // The copy always fits, with its terminator, and its length is what was returned.
    if (n >= size || buffer[n] != '\0' || std::strlen(buffer) != n || buffer[size] != 'x') {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_path = MakeScratchDir("settings") + "brisel.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!WriteWholeFile(g_path, data, size))
        return 0;
    for (const char* key : {"VelDir", "CDPath", "CD2Path"}) {
        Read("Vel7m", key, 260);
        Read("vel7m", key, 5);
        Read("Vel7m", key, 1);
        Read("Vel7m", key, 0);
    }
    // A section and key taken from the input itself, so odd names are read too.
    char name[17] = {};
    std::memcpy(name, data, std::min<std::size_t>(size, 16));
    Read(name, name, 260);
    Read("", "", 260);
    // The check before reading walks the same lines; a usable verdict must agree with them.
    const SettingsCheck check = CheckSettingsFile(g_path.c_str(), "Vel7m", {"CDPath", "CD2Path"});
    if (check.problem == SettingsProblem::None) {
        char value[8];
        if (GetPrivateProfileStringA("Vel7m", "CDPath", "", value, sizeof value, g_path.c_str()) ==
            0)
            __builtin_trap();
    }
    return 0;
}
