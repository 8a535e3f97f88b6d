// How long the surname coders and the pattern matcher take per key: a sounds-like or
// wildcard search runs one of them over every key it walks (up to a million).
//
//     cmake --preset release -DVEL7M_BUILD_BENCH=ON
//     cmake --build --preset release --target vel7m-codes-bench
//     build/release/bench/vel7m-codes-bench
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "daitch_mokotoff.h"
#include "death_index.h"
#include "name_pattern.h"
#include "soundex.h"

namespace {

// Common surnames of several origins, varied letter by letter into a million keys.
const char* const kNames[] = {
    "SMITH",      "JOHNSON",     "WILLIAMS",   "BROWN",       "JONES",       "MILLER",
    "DAVIS",      "GARCIA",      "RODRIGUEZ",  "WILSON",      "MARTINEZ",    "ANDERSON",
    "TAYLOR",     "THOMAS",      "HERNANDEZ",  "MOORE",       "MARTIN",      "JACKSON",
    "THOMPSON",   "WHITE",       "KOWALSKI",   "SCHWARZ",     "O'BRIEN",     "DE LA CRUZ",
    "MCDONALD",   "VAN DYKE",    "NOWAKOWSKI", "LEWANDOWSKI", "WOJCIECHOWS", "KACZMAREK",
    "SZCZEPANSK", "CHRISTOPHER", "ZIELINSKI",  "HOFFMANN",    "SCHNEIDER",   "FISCHER",
    "WEBER",      "MEYER",       "WAGNER",     "BECKER",
};
constexpr int kNameCount = sizeof kNames / sizeof kNames[0];
constexpr int kKeys = 1000000;

double NanosecondsPerKey(std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / kKeys;
}

}  // namespace

int main() {
    std::vector<std::string> keys;
    keys.reserve(kKeys);
    for (int i = 0; i < kKeys; ++i) {
        std::string name = kNames[i % kNameCount];
        name[(i / kNameCount) % name.size()] = "AEIOURSTLNCZ"[i % 12];
        char key[kKeyLength + 1];
        CDeathIndex::MakeSurnameKey(name.c_str(), key);
        keys.emplace_back(key, kKeyLength);
    }
    long hits = 0;  // printed, so that no work is optimised away

    auto start = std::chrono::steady_clock::now();
    char target[kSoundexLength + 1];
    SoundexCode("SMITH", target);
    for (const std::string& key : keys) {
        char code[kSoundexLength + 1];
        hits += SoundexCode(key, code) && std::string_view(code) == target;
    }
    const double soundex = NanosecondsPerKey(start);

    start = std::chrono::steady_clock::now();
    DmCodes smith;
    DaitchMokotoffCodes("SMITH", smith);
    DmCodes codes;
    for (const std::string& key : keys)
        hits += DaitchMokotoffCodes(key, codes) && CodesShareOne(codes, smith);
    const double dm = NanosecondsPerKey(start);

    start = std::chrono::steady_clock::now();
    NamePattern pattern;
    pattern.Set("*SON");
    for (const std::string& key : keys)
        hits += pattern.Matches(key);
    const double wildcard = NanosecondsPerKey(start);

    std::printf(
        "per key over %d keys: Soundex %.0f ns, Daitch-Mokotoff %.0f ns, pattern *SON "
        "%.0f ns (%ld matches)\n",
        kKeys, soundex, dm, wildcard, hits);
    return 0;
}
