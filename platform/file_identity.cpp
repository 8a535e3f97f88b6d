#include "file_identity.h"

#include <sys/stat.h>

#include <cerrno>

FileStatus IdentifyFileByStat(const char* path, FileIdentity& identity) {
    struct stat st {};
    if (stat(path, &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileStatus::kAbsent : FileStatus::kUnknown;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::int64_t>(st.st_size);
    identity.modifiedNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity.changedNs =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return FileStatus::kPresent;
}
