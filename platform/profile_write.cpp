// Writing a section of a settings file. The new file is written beside the old one and
// renamed over it, so a crash or a full disk never leaves a settings file half written.

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "winapi.h"

namespace {

constexpr size_t kMaxSettingsFile = 1024 * 1024;

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    size_t end = s.find_last_not_of(" \t\r");
    return s.substr(begin, end - begin + 1);
}

// Whether a line opens a section, and which.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool ReadWhole(const std::string& path, std::string& content) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
        content.append(chunk, static_cast<size_t>(n));
        if (content.size() > kMaxSettingsFile) {
            // Not a settings file we could rewrite without losing some of it.
            ::close(fd);
            errno = EFBIG;
            return false;
        }
    }
    int readError = n < 0 ? errno : 0;
    ::close(fd);
    errno = readError;
    return readError == 0;
}

// `content` with the first section named `section` replaced by `body` (appended when the
// file has no such section).
std::string Rewrite(const std::string& content, const char* section, const std::string& body) {
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < content.size();) {
        size_t eol = content.find('\n', pos);
        size_t end = eol == std::string::npos ? content.size() : eol;
        lines.push_back(content.substr(pos, end - pos));
        pos = end + 1;
    }
    std::string out;
    bool replaced = false;
    bool skipping = false;
    for (const std::string& line : lines) {
        std::string name;
        if (SectionOf(line, name)) {
            skipping = false;
            if (!replaced && strcasecmp(name.c_str(), section) == 0) {
                out += body;
                replaced = true;
                skipping = true;
                continue;
            }
        }
        if (!skipping)
            out += line + "\n";
    }
    if (!replaced) {
        if (!out.empty() && out.find_first_not_of(" \t\r\n") != std::string::npos)
            out += "\n";
        out += body;
    }
    return out;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR keysAndValues, LPCSTR fileName) {
    if (section == nullptr || keysAndValues == nullptr || fileName == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    std::string body = std::string("[") + section + "]\n";
    for (const char* entry = keysAndValues; *entry != '\0'; entry += std::strlen(entry) + 1) {
        // A line break would end the value early and start a line of its own.
        if (std::strpbrk(entry, "\r\n") != nullptr) {
            errno = EINVAL;
            return FALSE;
        }
        body += std::string(entry) + "\n";
    }

    char resolved[PATH_MAX];
    DWORD length = GetPrivateProfilePathA(fileName, resolved, sizeof resolved);
    if (length == 0 || length >= sizeof resolved) {
        errno = length == 0 ? ENOENT : ENAMETOOLONG;
        return FALSE;
    }
    std::string path = resolved;
    std::error_code ec;
    if (std::strchr(fileName, '/') == nullptr) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        if (ec) {
            errno = ec.value();
            return FALSE;
        }
    }
    // A settings file that is a link (kept with the user's other settings elsewhere) stays
    // one: its target is what gets replaced.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char target[PATH_MAX];
        if (::realpath(path.c_str(), target) != nullptr)
            path = target;
    }

    std::string content;
    if (!ReadWhole(path, content))
        return FALSE;
    std::string text = Rewrite(content, section, body);

    std::string temp = path + ".new";
    ::unlink(temp.c_str());
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return FALSE;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error;
        return FALSE;
    }
    SyncFolder(std::filesystem::path(path).parent_path().string());
    return TRUE;
}
