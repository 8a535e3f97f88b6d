#include "input_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace disctool {

namespace {

gzFile File(void* gz) {
    return static_cast<gzFile>(gz);
}

}  // namespace

InputSource::~InputSource() {
    if (gz != nullptr)
        gzclose_r(File(gz));
}

bool InputSource::Open(const std::string& path, std::string& errorOut) {
    name = path == "-" ? "standard input" : path;
    const int fd = path == "-" ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorOut = "cannot open " + name + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            close(fd);
            errorOut = name + " is a folder, not a list";
            return false;
        }
        if (S_ISREG(info.st_mode))
            storedSize = info.st_size;
    }
    gz = gzdopen(fd, "rb");
    if (gz == nullptr) {
        close(fd);
        errorOut = "cannot read " + name + ": out of memory";
        return false;
    }
    gzbuffer(File(gz), 256 * 1024);
    return true;
}

long InputSource::ReadRaw(char* out, std::size_t size) {
    const int got =
        gzread(File(gz), out, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
    if (got < 0 || (got == 0 && size > 0)) {
        int code = Z_OK;
        const char* message = gzerror(File(gz), &code);
        if (code == Z_ERRNO) {
            error = "cannot read " + name + ": " + std::strerror(errno);
            return -1;
        }
        if (code != Z_OK && code != Z_STREAM_END) {
            // A damaged or cut compressed file: what came before it is not the whole list.
            error = name + " is damaged: " + (message != nullptr ? message : "unreadable");
            return -1;
        }
    }
    if (!compressed && got > 0)
        compressed = gzdirect(File(gz)) == 0;
    return got;
}

std::string_view InputSource::Peek(std::size_t size) {
    while (!reading && peeked.size() < size) {
        char block[64 * 1024];
        const long got = ReadRaw(block, std::min(sizeof block, size - peeked.size()));
        if (got <= 0)
            break;
        peeked.append(block, static_cast<std::size_t>(got));
    }
    return std::string_view(peeked).substr(0, size);
}

long InputSource::Read(char* out, std::size_t size) {
    reading = true;
    if (peekPos < peeked.size()) {
        const std::size_t n = std::min(size, peeked.size() - peekPos);
        std::memcpy(out, peeked.data() + peekPos, n);
        peekPos += n;
        if (peekPos == peeked.size()) {
            std::string().swap(peeked);
            peekPos = 0;
        }
        bytesRead += static_cast<std::int64_t>(n);
        return static_cast<long>(n);
    }
    if (!error.empty())
        return -1;
    const long got = ReadRaw(out, size);
    if (got > 0)
        bytesRead += got;
    return got;
}

std::int64_t InputSource::StoredOffset() const {
    if (gz == nullptr)
        return 0;
    if (!compressed)
        return bytesRead;
    const z_off_t offset = gzoffset(File(gz));
    return offset < 0 ? 0 : static_cast<std::int64_t>(offset);
}

}  // namespace disctool
