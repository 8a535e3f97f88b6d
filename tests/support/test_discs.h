// Temporary folders and disc sets written by the builder, removed when the test ends.
#pragma once

#include <string>
#include <vector>

#include "disc_set_writer.h"

class ScriptedHost;

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // With a trailing '/'.
    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + name; }

  private:
    std::string path;
};

// A disc set in a temporary folder: disc1/, disc2/ and a writable program/ folder.
class TestDiscSet {
  public:
    explicit TestDiscSet(const std::vector<builder::Person>& people, int recordsPerFile = 1000000,
                         bool filePerPartition = false);
    // Points the host's directories at this set.
    void Use(ScriptedHost& host) const;
    // Gives both discs new markers, as discs put in anew. A search keeps a disc's files while
    // its marker is the same file, so a test that changes a disc's files in place must do this
    // for the change to be read.
    void Reinsert() const;

    TempDir root;
    std::string disc1;  // each with a trailing '/'
    std::string disc2;
    std::string program;
    builder::DiscSetReport report;
};

// Puts a new marker file in place of the one in `discDir` (disc 1 or 2): written beside it
// and renamed over it, so it is another file whatever the clock's resolution.
void ReplaceMarker(const std::string& discDir, int disc);

// Shorthand for a person with the given names and nothing else known.
builder::Person MakePerson(const std::string& surname, const std::string& firstName = "JOHN");

// Reads a whole file; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
