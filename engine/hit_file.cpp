#include "hit_file.h"

#include <climits>

CHitFile::CHitFile(const char* filePath) {
    pathTooLong = !FormatPath(path, "%s", filePath);
    Create();
}

bool CHitFile::Create() {
    hitCount = 0;
    Flush();
    file.reset();
    isOpen = 0;
    writeFailed = false;
    if (pathTooLong)
        return false;
    if (!OpenFile(path, "wb+"))
        return false;
    return Open();
}

bool CHitFile::Open() {
    Flush();
    file.reset();
    isOpen = 0;
    position = 0;
    atEnd = false;
    if (pathTooLong)
        return false;
    file = OpenFile(path, "rb+");
    if (!file)
        return false;
    std::setvbuf(file.get(), streamBuffer, _IOFBF, sizeof streamBuffer);
    isOpen = 1;
    return true;
}

bool CHitFile::Flush() {
    if (file && std::fflush(file.get()) != 0) {
        writeFailed = true;
        return false;
    }
    return true;
}

int CHitFile::Append(const RawDeathRecord& raw) {
    return AppendMany(&raw, 1);
}

int CHitFile::AppendMany(const RawDeathRecord* records, int n) {
    if (!isOpen)
        return -1;
    if (n <= 0)
        return 0;
    // Seek only when a read moved the stream away from the end; consecutive appends go
    // straight into the stream buffer.
    if (!atEnd) {
        if (std::fseek(file.get(), 0, SEEK_END) != 0) {
            writeFailed = true;
            return -1;
        }
        position = std::ftell(file.get());
        atEnd = true;
    }
    const std::size_t written = std::fwrite(records, sizeof(RawDeathRecord), n, file.get());
    position += static_cast<long>(written * sizeof(RawDeathRecord));
    if (written != static_cast<std::size_t>(n)) {
        writeFailed = true;
        atEnd = false;
        return -1;
    }
    return n;
}

void CHitFile::CountHits() {
    if (!isOpen || !Open()) {
        hitCount = 0;
        return;
    }
    long size = StreamSize(file.get());
    if (size < 0)
        size = 0;
    const unsigned long records = static_cast<unsigned long>(size) / sizeof(RawDeathRecord);
    hitCount = records > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(records);
    std::fseek(file.get(), 0, SEEK_SET);
    position = 0;
    atEnd = false;
}

int CHitFile::ReadAt(long offset, int n, RawDeathRecord* out) {
    if (!isOpen)
        return -1;
    atEnd = false;
    if (offset < 0 || n <= 0 || std::fseek(file.get(), offset, SEEK_SET) != 0) {
        position = offset < 0 ? 0 : offset;
        return 0;
    }
    const std::size_t bytes = std::fread(out, 1, n * sizeof(RawDeathRecord), file.get());
    position = offset + static_cast<long>(bytes);
    return static_cast<int>(bytes / sizeof(RawDeathRecord));
}
