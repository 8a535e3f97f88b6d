// Writes the seed corpora of the fuzz targets from files the builder makes:
//   fuzz_make_corpus OUTDIR   ->  OUTDIR/<target>/seed-N
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "death_record.h"
#include "disc_set_writer.h"
#include "fuzz_support.h"
#include "record_encoding.h"
#include "tree_builder.h"

namespace fs = std::filesystem;

namespace {

int g_written = 0;

void Seed(const fs::path& dir, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(dir);
    const fs::path path = dir / ("seed-" + std::to_string(g_written++));
    WriteWholeFile(path.string(), bytes.data(), bytes.size());
}

std::vector<std::uint8_t> WithPrefix(std::vector<std::uint8_t> prefix,
                                     const std::vector<std::uint8_t>& rest) {
    prefix.insert(prefix.end(), rest.begin(), rest.end());
    return prefix;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_corpus OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    const std::string root = MakeScratchDir("corpus");
    if (!WriteFuzzSet(root))
        return 1;
    const std::vector<std::string> files = FuzzSetFiles(root);

    // search: each file of the set, chosen by its number.
    for (std::size_t i = 0; i < files.size(); ++i) {
        Seed(out / "search", WithPrefix({static_cast<std::uint8_t>(i)}, ReadWholeFile(files[i])));
    }
    // tree_file: the set's trees and a deeper one, each with a key that is in it.
    const char key[] = "SMITH       ";
    std::vector<std::uint8_t> keyPrefix = {12};
    keyPrefix.insert(keyPrefix.end(), key, key + 12);
    for (const std::string& file : files) {
        if (file.find("gst") != std::string::npos)
            Seed(out / "tree_file", WithPrefix(keyPrefix, ReadWholeFile(file)));
    }
    std::vector<TreeItem> items;
    for (int i = 0; i < 60; ++i) {
        char k[16];
        std::snprintf(k, sizeof k, "S%03dMITH    ", i);
        items.push_back(builder::MakeTreeItem(k, i * 5, 5));
    }
    items.push_back(builder::MakeTreeItem(key, 400, 3));
    std::sort(items.begin(), items.end(),
              [](const TreeItem& a, const TreeItem& b) { return CompareKeys(a.key, b.key) < 0; });
    Seed(out / "tree_file", WithPrefix(keyPrefix, builder::BuildTree(items).Bytes()));
    // first_names: the set's list with typed names inside, before and after it.
    const std::vector<std::uint8_t> list = ReadWholeFile(root + "disc1/fname.fst");
    for (const char* typed : {"BOB       ", "AAA       ", "ZZZZZZZZZZ"}) {
        std::vector<std::uint8_t> prefix(typed, typed + 10);
        prefix.insert(prefix.end(), {12, 0, 0, 0});
        Seed(out / "first_names", WithPrefix(prefix, list));
    }
    // record_format: records of the set and a few edge words.
    for (const std::string& file : files) {
        if (file.find(".car") == std::string::npos)
            continue;
        const std::vector<std::uint8_t> data = ReadWholeFile(file);
        for (std::size_t at = 0; at + 16 <= data.size(); at += 16 * 7) {
            Seed(out / "record_format",
                 std::vector<std::uint8_t>(data.begin() + at, data.begin() + at + 16));
        }
    }
    const RawDeathRecord edge = MakeRawRecord(0xFFFFFFFFu, 0xFFFFFFFFu, 0, 127, 55534, 45213);
    Seed(out / "record_format", std::vector<std::uint8_t>(edge.bytes, edge.bytes + 16));
    // settings: what the disc tool writes, and the forms people write by hand.
    for (const char* text :
         {"[Vel7m]\nVelDir=/home/me/vel7m/program/\nCDPath=/media/cdrom/\nCD2Path=/media/cdrom/\n",
          "; settings\r\n[vel7m]\r\n  cdpath = \"D:\" \r\nCD2Path=\r\n[Other]\r\nVelDir=x\r\n",
          "[Vel7m]\nCDPath\n=\n[Vel7m]\nCDPath=second\n"}) {
        Seed(out / "settings", std::vector<std::uint8_t>(text, text + std::strlen(text)));
    }
    std::printf("%d seeds in %s\n", g_written, out.c_str());
    return 0;
}
