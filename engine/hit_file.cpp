#include "hit_file.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

CHitFile::CHitFile(const char* filePath) {
    pathTooLong = !FormatPath(path, "%s", filePath);
    fsPath = path;
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
    streamAt = -1;
    fileBytes = -1;
    appending = false;
    streamRead = false;
}

bool CHitFile::Create() {
    hitCount = 0;
    stagedCount = 0;  // the file is emptied anyway
    headHits = 0;
    position = 0;
    if (isOpen != 0 && !writeFailed && fileBytes == 0) {
        pathChecked = false;  // Open looks before the next hit is written
        return true;
    }
    // Emptied before the stream is closed, if it is: on ext4 the first close after a truncation
    // starts writing the file's data to the disk, so it must find none. A stream that was only
    // written stays open: it appends, so its next hits go to the start of the emptied file.
    // One that was read may hold the old contents in its buffer, and is opened again.
    bool emptied = false;
    if (isOpen != 0 && !writeFailed && (!appending || std::fflush(file.get()) == 0)) {
        std::error_code error;
        std::filesystem::resize_file(fsPath, 0, error);
        emptied = !error;
    }
    if (emptied && appending && !streamRead) {
        fileBytes = 0;
        streamAt = -1;
        pathChecked = true;
        return true;
    }
    Close();
    writeFailed = false;
    if (pathTooLong)
        return false;
    if (!emptied && !OpenFile(path, "wb+"))
        return false;
    if (!Open())
        return false;
    fileBytes = 0;
    return true;
}

bool CHitFile::Open() {
    if (isOpen != 0) {
        // An empty file kept open since an earlier search is still the one at the path: one
        // removed (its folder with it) is made again, or reported when it cannot be.
        std::error_code error;
        if (pathChecked || std::filesystem::exists(fsPath, error))
            return pathChecked = true;
    }
    Close();
    if (pathTooLong)
        return false;
    // Appending: hits always go to the end, wherever a read left the stream.
    file = OpenFile(path, "ab+");
    if (!file)
        return false;
    std::setvbuf(file.get(), streamBuffer, _IOFBF, sizeof streamBuffer);
    isOpen = 1;
    appending = true;
    pathChecked = true;
    fileBytes = StreamSize(file.get());
    return true;
}

bool CHitFile::WriteStaged() {
    if (stagedCount == 0 || !file)
        return true;
    const int n = stagedCount;
    stagedCount = 0;
    // After a read the stream must be positioned before it writes; consecutive appends go
    // straight into the stream buffer.
    if (!appending) {
        if (std::fseek(file.get(), 0, SEEK_END) != 0) {
            writeFailed = true;
            return false;
        }
        appending = true;
        streamAt = -1;
    }
    const std::size_t written = std::fwrite(staged, sizeof(RawDeathRecord), n, file.get());
    if (fileBytes >= 0)
        fileBytes += static_cast<long>(written * sizeof(RawDeathRecord));
    if (written != static_cast<std::size_t>(n)) {
        writeFailed = true;
        return false;
    }
    return true;
}

bool CHitFile::Flush() {
    const bool staged = WriteStaged();
    if (file && appending && std::fflush(file.get()) != 0) {
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
    headHits = 0;  // `staged` takes other records now
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
    // Nothing written yet: every hit is still staged, and stays readable there as the head.
    const int stagedHits = fileBytes == 0 ? stagedCount : 0;
    Flush();
    long size = fileBytes >= 0 ? fileBytes : StreamSize(file.get());
    if (fileBytes < 0) {
        appending = true;  // positioned at the end
        streamAt = -1;
    }
    if (size < 0)
        size = 0;
    const unsigned long records = static_cast<unsigned long>(size) / sizeof(RawDeathRecord);
    hitCount = records > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(records);
    headHits = writeFailed ? 0 : std::min<long>(stagedHits, hitCount);
    position = 0;
}

int CHitFile::ReadAt(long offset, int n, RawDeathRecord* out) {
    if (!isOpen)
        return -1;
    WriteStaged();
    if (offset < 0 || n <= 0) {
        position = offset < 0 ? 0 : offset;
        return 0;
    }
    const long want = n * static_cast<long>(sizeof(RawDeathRecord));
    const long headBytes = headHits * static_cast<long>(sizeof(RawDeathRecord));
    // From memory: the head is the whole result.
    if (offset % static_cast<long>(sizeof(RawDeathRecord)) == 0 && offset < headBytes) {
        const long bytes = std::min(want, headBytes - offset);
        std::memcpy(out, reinterpret_cast<const unsigned char*>(staged) + offset,
                    static_cast<std::size_t>(bytes));
        position = offset + bytes;
        return static_cast<int>(bytes / static_cast<long>(sizeof(RawDeathRecord)));
    }
    // The next page follows the last one: the stream is already there.
    if (offset != streamAt && std::fseek(file.get(), offset, SEEK_SET) != 0) {
        position = offset;
        streamAt = -1;
        return 0;
    }
    appending = false;
    streamRead = true;
    const std::size_t bytes = std::fread(out, 1, static_cast<std::size_t>(want), file.get());
    position = offset + static_cast<long>(bytes);
    streamAt = position;
    return static_cast<int>(bytes / sizeof(RawDeathRecord));
}

int CHitFile::ReadHits(long first, int n, RawDeathRecord* out) {
    if (!isOpen)
        return -1;
    if (first < 0 || first > hitCount)
        return 0;
    const long keep = position;
    const int got = ReadAt(first * static_cast<long>(sizeof(RawDeathRecord)), n, out);
    // The stream stands elsewhere now (streamAt says where): the next page seeks back to where
    // it belongs.
    position = keep;
    return got;
}
