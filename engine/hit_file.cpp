#include "hit_file.h"

#include <algorithm>
#include <climits>
#include <cstring>

CHitFile::CHitFile(const char* filePath) {
    pathTooLong = !FormatPath(path, "%s", filePath);
    Create();
}

CHitFile::~CHitFile() {
    Close();
}

void CHitFile::Close() {
    Flush();
    file.reset();
    isOpen = 0;
    position = 0;
    atEnd = false;
    reading = false;
}

bool CHitFile::Create() {
    hitCount = 0;
    stagedCount = 0;  // the file is emptied anyway
    Close();
    writeFailed = false;
    if (pathTooLong)
        return false;
    // Emptied by a stream of its own that is closed again at once: on ext4 the first close
    // after a truncation starts writing the file's data to the disk, so it must come while
    // there is none. The stream that stays open is then reopened without truncation.
    if (!OpenFile(path, "wb+"))
        return false;
    if (!Open())
        return false;
    atEnd = true;  // of an empty file
    return true;
}

bool CHitFile::Open() {
    if (isOpen != 0)
        return true;
    Close();
    if (pathTooLong)
        return false;
    file = OpenFile(path, "rb+");
    if (!file)
        return false;
    std::setvbuf(file.get(), streamBuffer, _IOFBF, sizeof streamBuffer);
    isOpen = 1;
    return true;
}

bool CHitFile::WriteStaged() {
    if (stagedCount == 0 || !file)
        return true;
    const int n = stagedCount;
    stagedCount = 0;
    // Seek only when a read moved the stream away from the end; consecutive appends go
    // straight into the stream buffer.
    if (!atEnd) {
        if (std::fseek(file.get(), 0, SEEK_END) != 0) {
            writeFailed = true;
            return false;
        }
        position = std::ftell(file.get());
        atEnd = true;
    }
    reading = false;
    const std::size_t written = std::fwrite(staged, sizeof(RawDeathRecord), n, file.get());
    position += static_cast<long>(written * sizeof(RawDeathRecord));
    if (written != static_cast<std::size_t>(n)) {
        writeFailed = true;
        atEnd = false;
        return false;
    }
    return true;
}

bool CHitFile::Flush() {
    const bool staged = WriteStaged();
    if (file && std::fflush(file.get()) != 0) {
        writeFailed = true;
        return false;
    }
    return staged;
}

int CHitFile::Append(const RawDeathRecord& raw) {
    return AppendMany(&raw, 1);
}

int CHitFile::AppendMany(const RawDeathRecord* records, int n) {
    if (!isOpen)
        return -1;
    for (int done = 0; done < n;) {
        if (stagedCount == kStagedHits && !WriteStaged())
            return -1;
        const int take = std::min(n - done, kStagedHits - stagedCount);
        std::memcpy(staged + stagedCount, records + done, take * sizeof(RawDeathRecord));
        stagedCount += take;
        done += take;
    }
    return std::max(n, 0);
}

void CHitFile::CountHits() {
    if (!isOpen) {
        hitCount = 0;
        return;
    }
    Flush();
    // After appending, the stream stands at the end: its offset is the size.
    long size = atEnd ? position : StreamSize(file.get());
    if (size < 0)
        size = 0;
    const unsigned long records = static_cast<unsigned long>(size) / sizeof(RawDeathRecord);
    hitCount = records > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(records);
    std::fseek(file.get(), 0, SEEK_SET);
    position = 0;
    atEnd = false;
    reading = true;  // just positioned: the first page is read without another seek
}

int CHitFile::ReadAt(long offset, int n, RawDeathRecord* out) {
    if (!isOpen)
        return -1;
    WriteStaged();
    atEnd = false;
    if (offset < 0 || n <= 0) {
        position = offset < 0 ? 0 : offset;
        reading = false;
        return 0;
    }
    // The next page follows the last one: the stream is already there.
    if (!(reading && offset == position) && std::fseek(file.get(), offset, SEEK_SET) != 0) {
        position = offset;
        reading = false;
        return 0;
    }
    const std::size_t bytes = std::fread(out, 1, n * sizeof(RawDeathRecord), file.get());
    position = offset + static_cast<long>(bytes);
    reading = true;
    return static_cast<int>(bytes / sizeof(RawDeathRecord));
}

int CHitFile::ReadHits(long first, int n, RawDeathRecord* out) {
    if (!isOpen)
        return -1;
    if (first < 0 || first > hitCount)
        return 0;
    const long keep = position;
    const int got = ReadAt(first * static_cast<long>(sizeof(RawDeathRecord)), n, out);
    // The stream stands elsewhere now: the next page seeks back to where it belongs.
    position = keep;
    reading = false;
    return got;
}
