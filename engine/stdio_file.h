// Owning stdio streams and bounded path formatting.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f != nullptr)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr OpenFile(const char* path, const char* mode) {
    return FilePtr(std::fopen(path, mode));
}

// printf into a fixed path buffer. False when the result does not fit: a cut path would name
// a different file, so callers treat it as a file that cannot be opened.
template <std::size_t N, typename... Args>
bool FormatPath(char (&out)[N], const char* format, Args... args) {
    const int n = std::snprintf(out, N, format, args...);
    if (n < 0 || static_cast<std::size_t>(n) >= N) {
        out[0] = '\0';
        return false;
    }
    return true;
}

// `dir` followed by `name` into a fixed path buffer, as FormatPath(out, "%s%s", dir, name)
// without the formatting: it runs before every search.
template <std::size_t N>
bool JoinPath(char (&out)[N], const char* dir, const char* name) {
    const std::size_t d = std::strlen(dir);
    const std::size_t n = std::strlen(name);
    if (d + n >= N) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, dir, d);
    std::memcpy(out + d, name, n + 1);
    return true;
}

// Size of an open stream in bytes, or -1. Leaves the position at the end.
long StreamSize(std::FILE* f);
