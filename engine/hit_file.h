// The hit file: every record a filter accepts, appended in the order found, read back a page
// at a time. It keeps memory constant however many records match.
#pragma once

#include <cstdint>

#include "death_record.h"
#include "stdio_file.h"

inline constexpr int kHitFilePathSize = 256;

class CHitFile {
  public:
    // Remembers the path and empties the file.
    explicit CHitFile(const char* path);
    ~CHitFile() = default;
    CHitFile(const CHitFile&) = delete;
    CHitFile& operator=(const CHitFile&) = delete;

    // Empties (or creates) the file and opens it; returns whether it is open.
    bool Create();
    // (Re)opens the file for reading and writing; returns whether it is open.
    bool Open();
    // Adds one record at the end: 1 when buffered, -1 when the file is not open.
    int Append(const RawDeathRecord& raw);
    // Adds `n` records at the end in one write: n when buffered, -1 on failure.
    int AppendMany(const RawDeathRecord* records, int n);
    // Flushes what was appended and measures the file; the read position goes to the start.
    void CountHits();
    // Reads up to `n` records from byte `offset`; the number of whole records read, or -1 when
    // the file is not open.
    int ReadAt(long offset, int n, RawDeathRecord* out);

    bool IsOpen() const { return isOpen != 0; }
    std::int32_t HitCount() const { return hitCount; }
    // Byte offset after the last read: where the next page begins. 0 when not open.
    long ReadOffset() const { return isOpen != 0 ? position : 0; }
    // True when a write or flush failed since the last Create (disk full, medium gone).
    bool WriteFailed() const { return writeFailed; }
    const char* Path() const { return path; }

  private:
    bool Flush();

    FilePtr file;
    std::int32_t hitCount = 0;
    std::int32_t isOpen = 0;
    char path[kHitFilePathSize] = {};
    long position = 0;         // offset of the stream, tracked so appends need no seek
    bool atEnd = false;        // the stream is positioned at the end of the file
    bool writeFailed = false;  // sticky until the next Create
    bool pathTooLong = false;
    char streamBuffer[1 << 16];  // large writes: a hit costs no system call
};
