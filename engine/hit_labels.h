// What the hit file cannot say about a hit when a search reached many surnames: whose records
// they are, and from which disc's first-name list their given names come. Kept in files of
// their own beside the hit file, so memory stays constant however many surnames have hits:
//
//   test.srn   one entry per surname with hits, in hit order: the number of its first hit,
//              its disc and its 12-character key
//   test1.fst  copies of the first-name lists of the discs the hits come from: with one
//   test2.fst  drive, the disc of a hit shown may be out of it
//
// The form's own searches never touch these files.
#pragma once

#include <cstdint>

#include "death_index.h"
#include "stdio_file.h"

class CHitLabels {
  public:
    // The files go into `programDir` (ending in '/').
    explicit CHitLabels(const char* programDir);
    CHitLabels(const CHitLabels&) = delete;
    CHitLabels& operator=(const CHitLabels&) = delete;

    // Writing, during a search. Begin empties the files; false when they cannot be written.
    bool Begin();
    // The hits from number `firstHit` on are records of `key` (12 characters) on `disc`.
    void AddSurname(std::int32_t firstHit, int disc, const char* key);
    // The first-name list of `disc`, in pieces as it is read from the disc.
    void AddNames(int disc, const char* bytes, std::size_t size);
    // Writes everything out; false when some of it could not be written.
    bool Finish();
    const char* SurnamesPath() const { return surnamesPath; }

    // Reading back, for the pages.
    // The key of hit `hit` (12 characters, blank-padded), "" when not known.
    const char* SurnameOf(std::int32_t hit);
    int DiscOf(std::int32_t hit);
    // Name `index` of the copied list of `disc` (10 characters), nullptr when it has none.
    const char* FirstNameOf(int disc, int index);

  private:
    struct Entry {
        std::int32_t firstHit = 0;
        int disc = 0;
        char key[kKeyLength + 1] = {};
    };
    bool ReadEntry(long index, Entry& entry);
    bool LoadBlock(long index);
    bool Find(std::int32_t hit);
    void Close();

    char surnamesPath[kMaxPath] = {};
    char namesPath[2][kMaxPath] = {};
    FilePtr surnames;
    FilePtr names[2];
    bool writing = false;
    bool failed = false;
    char surnamesBuffer[8192];

    // Entries read back a block at a time: pages go through the hits in order. The block
    // holds one entry more than it serves, which says where the last one's hits end.
    static constexpr int kBlockEntries = 256;
    unsigned char block[(kBlockEntries + 1) * 20];
    long blockFirst = -1;       // entry number of block[0], -1 when nothing is loaded
    int blockCount = 0;         // entries served from the block
    std::int64_t blockEnd = 0;  // first hit past the block's entries
    long entryCount = -1;
    Entry entry;  // of the last hit asked for

    // A piece of one copied list.
    int piecesDisc = 0;
    long piecesStart = -1;
    std::size_t piecesBytes = 0;
    char pieces[400 * kFirstNameRecordSize];
    char name[kFirstNameRecordSize + 1] = {};
};
