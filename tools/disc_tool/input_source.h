// The list a build reads: a file or standard input, plain or gzip-compressed (zlib tells the
// two apart by the content, whatever the name), with its first bytes available before reading
// starts so the format can be recognised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace disctool {

class InputSource {
  public:
    InputSource() = default;
    ~InputSource();
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // `path` "-" is standard input.
    bool Open(const std::string& path, std::string& error);

    // Up to `size` bytes from the start of the (decompressed) content, without consuming
    // them; fewer when the content is shorter. Only before the first Read.
    std::string_view Peek(std::size_t size);

    // Up to `size` bytes; 0 at the end, -1 on a read error (then Error() says what).
    long Read(char* out, std::size_t size);

    const std::string& Error() const { return error; }
    bool Compressed() const { return compressed; }
    // The size of the file as stored, -1 when not known (a pipe), and how far into it the
    // reading is: the base of a progress fraction for compressed input as well.
    std::int64_t StoredSize() const { return storedSize; }
    std::int64_t StoredOffset() const;
    // Bytes handed out by Read: the decompressed size read so far.
    std::int64_t BytesRead() const { return bytesRead; }

  private:
    long ReadRaw(char* out, std::size_t size);

    void* gz = nullptr;  // gzFile, kept out of this header
    std::string name;
    std::string error;
    bool compressed = false;
    std::int64_t storedSize = -1;
    std::string peeked;  // bytes read ahead by Peek, handed out first
    std::size_t peekPos = 0;
    bool reading = false;
    std::int64_t bytesRead = 0;
};

}  // namespace disctool
