// The hit file: every record a filter accepts, appended in the order found, read back a page
// at a time. It keeps memory constant however many records match.
#pragma once

#include <cstdint>

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
    // Makes sure the file is open for reading and writing (opening it if it is not); returns
    // whether it is open.
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
    long position = 0;         // offset of the stream, tracked so appends need no seek
    bool atEnd = false;        // the stream is positioned at the end of the file
    bool reading = false;      // the last operation read, so a read that continues needs no seek
    bool writeFailed = false;  // sticky until the next Create
    bool pathTooLong = false;
    int stagedCount = 0;
    RawDeathRecord staged[kStagedHits];
    char streamBuffer[1 << 16];  // large writes: a hit costs no system call
};
