// The hit file: every record a filter accepts, appended in the order found, read back a page
// at a time. It keeps memory constant however many records match.
#pragma once

#include <cstdint>
#include <filesystem>

#include "death_record.h"
#include "stdio_file.h"

inline constexpr int kHitFilePathSize = 256;
// Hits wait here and go to the stream together: a library call per hit would cost more than
// the scan that found it.
inline constexpr int kStagedHits = 1024;

class CHitFile {
  public:
    // Remembers the path and empties the file.
    explicit CHitFile(const char* path);
    ~CHitFile();
    CHitFile(const CHitFile&) = delete;
    CHitFile& operator=(const CHitFile&) = delete;

    // Empties (or creates) the file and opens it; returns whether it is open.
    bool Create();
    // Makes sure the file is open for reading and writing (opening it, or making it again when
    // it is no longer there, as needed); returns whether it is open.
    bool Open();
    // Adds one record at the end: 1 when buffered, -1 when the file is not open.
    int Append(const RawDeathRecord& raw);
    // Adds `n` records at the end: n when buffered, -1 on failure.
    int AppendMany(const RawDeathRecord* records, int n);
    // Writes out what was appended and measures the file; the read position goes to the start.
    void CountHits();
    // Reads up to `n` records from byte `offset`; the number of whole records read, or -1 when
    // the file is not open.
    int ReadAt(long offset, int n, RawDeathRecord* out);
    // Reads up to `n` records from hit `first` on (0-based) without moving where the next
    // page is read from: for writing the hits out while a page is on display.
    int ReadHits(long first, int n, RawDeathRecord* out);

    bool IsOpen() const { return isOpen != 0; }
    std::int32_t HitCount() const { return hitCount; }
    // Byte offset after the last read: where the next page begins. 0 when not open.
    long ReadOffset() const { return isOpen != 0 ? position : 0; }
    // True when a write or flush failed since the last Create (disk full, medium gone).
    bool WriteFailed() const { return writeFailed; }
    const char* Path() const { return path; }

  private:
    bool WriteStaged();
    bool Flush();
    void Close();

    FilePtr file;
    std::int32_t hitCount = 0;
    std::int32_t isOpen = 0;
    char path[kHitFilePathSize] = {};
    std::filesystem::path fsPath;  // the same, for emptying and checking it in place
    long position = 0;             // where the last page read ended: where the next one begins
    long streamAt = -1;            // where a read would continue without a seek, -1 when unknown
    long fileBytes = -1;           // bytes handed to the file since it was emptied, -1 when unknown
    bool appending = false;        // the stream was last written or positioned, not read
    bool streamRead = false;       // the stream has been read since it was opened
    bool pathChecked = false;      // the path is known to name the open file in this search
    bool writeFailed = false;      // sticky until the next Create
    bool pathTooLong = false;
    int stagedCount = 0;
    // The hits of a result that fit in one batch, which `staged` still holds after they were
    // written: such a result is paged from memory. 0 otherwise.
    int headHits = 0;
    RawDeathRecord staged[kStagedHits];
    char streamBuffer[1 << 16];  // large writes: a hit costs no system call
};
