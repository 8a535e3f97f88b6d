#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "file_identity.h"
#include "record_encoding.h"

namespace fs = std::filesystem;

int FuzzHost::ShowMessage(const char*, const char*, unsigned style) {
    ++messages;
    return (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
}

void FuzzHost::Exit(int) {
    ++exits;
}

FileStatus FuzzHost::IdentifyFile(const char* path, FileIdentity& identity) const {
    return IdentifyFileByStat(path, identity);
}

namespace {

std::vector<std::string> g_scratch;

void RemoveScratch() {
    std::error_code ec;
    for (const std::string& dir : g_scratch)
        fs::remove_all(dir, ec);
}

}  // namespace

std::string MakeScratchDir(const char* tag) {
    std::string pattern =
        (fs::temp_directory_path() / (std::string("vel7m-fuzz-") + tag + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    if (g_scratch.empty())
        std::atexit(RemoveScratch);
    g_scratch.push_back(pattern);
    return pattern + "/";
}

bool WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<builder::Person> FuzzPeople() {
    static const char* const firstNames[] = {"ANN", "BOB", "CARL", "DORA"};
    std::vector<builder::Person> people;
    for (int id = 1; id <= kFuzzSurnameCount; ++id) {
        for (int i = 0; i < 1 + id % 9; ++i) {
            builder::Person p;
            p.surname = kFuzzSurnames[id - 1];
            p.firstName = firstNames[i % 4];
            p.ssn = static_cast<std::uint32_t>(id * 1000 + i);
            p.location = static_cast<std::uint8_t>(1 + i % 3);
            p.birthWord = builder::DateWord(1 + i, 1 + i % 12, 20 + i % 2);
            p.deathWord = builder::DateWord(2, 2, 80);
            p.residenceZipWord = static_cast<std::uint16_t>(i * 997);
            people.push_back(p);
        }
    }
    return people;
}

std::vector<std::string> FuzzSetFiles(const std::string& root) {
    std::vector<std::string> files;
    for (const char* disc : {"disc1/", "disc2/"}) {
        const int first = disc[4] == '1' ? 0 : 7;
        for (int p = first; p <= first + 7; ++p)
            files.push_back(root + disc + "gst" + std::to_string(p) + ".tre");
        files.push_back(root + disc + "fname.fst");
    }
    for (int n = 1; n <= 20; ++n) {
        for (const char* disc : {"disc1/", "disc2/"}) {
            const std::string path = root + disc + "dp" + std::to_string(n) + ".car";
            if (fs::exists(path))
                files.push_back(path);
        }
    }
    return files;
}

bool WriteFuzzSet(const std::string& root) {
    builder::DiscSetOptions options;
    options.disc1Dir = root + "disc1/";
    options.disc2Dir = root + "disc2/";
    options.recordsPerFile = 24;
    options.filePerPartition = true;
    return builder::WriteDiscSet(FuzzPeople(), options);
}
