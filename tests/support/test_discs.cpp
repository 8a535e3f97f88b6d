#include "test_discs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "scripted_host.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vel7m-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

TestDiscSet::TestDiscSet(const std::vector<builder::Person>& people, int recordsPerFile,
                         bool filePerPartition) {
    disc1 = root / "disc1/";
    disc2 = root / "disc2/";
    program = root / "program/";
    fs::create_directories(program);
    builder::DiscSetOptions options;
    options.disc1Dir = disc1;
    options.disc2Dir = disc2;
    options.recordsPerFile = recordsPerFile;
    options.filePerPartition = filePerPartition;
    std::string error;
    if (!builder::WriteDiscSet(people, options, &report, &error)) {
        ADD_FAILURE() << "cannot write the test disc set: " << error;
    }
}

void TestDiscSet::Use(ScriptedHost& host) const {
    host.disc1Dir = disc1;
    host.disc2Dir = disc2;
    host.programDir = program;
}

void TestDiscSet::Reinsert() const {
    ReplaceMarker(disc1, 1);
    ReplaceMarker(disc2, 2);
}

void ReplaceMarker(const std::string& discDir, int disc) {
    const std::string marker = discDir + (disc == 1 ? "disc1.id" : "disc2.id");
    std::ofstream(marker + ".new").flush();
    std::error_code ec;
    fs::rename(marker + ".new", marker, ec);
    if (ec)
        ADD_FAILURE() << "cannot replace " << marker << ": " << ec.message();
}

builder::Person MakePerson(const std::string& surname, const std::string& firstName) {
    builder::Person person;
    person.surname = surname;
    person.firstName = firstName;
    return person;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
