// What the fuzz targets share: a host that survives the fatal exits, scratch folders, and the
// small disc set the search target damages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disc_set_writer.h"
#include "host.h"

// Answers every box at once (Cancel to a disc request, so no loop waits for a user), counts
// what it was shown, and returns from Exit: the fatal paths must then leave the engine safe.
class FuzzHost final : public Host {
  public:
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    const char* ProgramDir() const override { return programDir.c_str(); }
    const char* DiscDir(int disc) const override {
        return disc == 1 ? disc1Dir.c_str() : disc2Dir.c_str();
    }
    void Exit(int status) override;
    FileStatus IdentifyFile(const char* path, FileIdentity& identity) const override;

    std::string programDir;
    std::string disc1Dir;
    std::string disc2Dir;
    long messages = 0;
    long exits = 0;
};

// A fresh folder under the system's temporary folder, with a trailing '/', removed at exit.
std::string MakeScratchDir(const char* tag);
bool WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The search target's disc set: each record's SSN is its surname's number * 1000 + its own.
inline constexpr const char* kFuzzSurnames[] = {
    "ABBOTT", "BROWN",  "CLARK", "DAVIS",  "EVANS",   "FOSTER", "HUGHES",
    "JONES",  "KWAN",   "LOPEZ", "MURPHY", "NELSON",  "PRICE",  "RUSSELL",
    "SMITH",  "TURNER", "WHITE", "YOUNG",  "SANDERS", "TAYLOR",
};
inline constexpr int kFuzzSurnameCount = sizeof kFuzzSurnames / sizeof kFuzzSurnames[0];
std::vector<builder::Person> FuzzPeople();
inline int OwnerOf(int ssn) {
    return ssn / 1000;
}

// The files of a disc set that the search target replaces, in a fixed order.
std::vector<std::string> FuzzSetFiles(const std::string& root);
bool WriteFuzzSet(const std::string& root);
