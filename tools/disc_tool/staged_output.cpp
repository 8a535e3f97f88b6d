#include "staged_output.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <vector>

namespace disctool {

namespace fs = std::filesystem;

namespace {

const char* const kSetEntries[] = {"disc1", "disc2", "program", "brisel.ini"};

std::string WithSlash(const fs::path& dir) {
    std::string s = dir.string();
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

// Work folders beside the set are named ".NAME.partial-XXXXXX" and ".NAME.old-XXXXXX".
std::string SiblingPrefix(const fs::path& dir, const char* purpose) {
    std::string name(1, '.');
    name.append(dir.filename().string()).append(1, '.').append(purpose).append(1, '-');
    return name;
}

// A new folder beside `dir`, hidden, whose name says what it is for.
bool MakeSibling(const fs::path& dir, const char* purpose, fs::path& made) {
    std::string pattern = (dir.parent_path() / (SiblingPrefix(dir, purpose) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return false;
    // mkdtemp makes the folder private; the set is an ordinary folder once in place.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(pattern.c_str(), 0777 & ~mask);
    made = pattern;
    return true;
}

// Flushes a file or folder to the disk. Read-only is enough: fsync acts on the inode.
bool SyncPath(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Every file and folder of the new set on the disk before it is swapped in: otherwise a
// power cut soon after the swap could leave empty or short files where the old set stood.
bool SyncTree(const fs::path& root, std::string& error) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!SyncPath(it->path())) {
            error = "cannot write " + it->path().string() + " to the disk: " + std::strerror(errno);
            return false;
        }
    }
    if (ec || !SyncPath(root)) {
        error = "cannot write " + root.string() + " to the disk";
        return false;
    }
    return true;
}

// Opens and locks a work folder for as long as the returned descriptor stays open.
int LockFolder(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the folder changed within `window`: its contents (mtime) or its entry (ctime,
// which a rename moves).
bool ChangedWithin(const fs::path& path, std::chrono::seconds window) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return true;  // vanished or unreadable: not ours to judge
    const auto latest = std::max(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    return now - latest < window.count();
}

// Removes the work folders that builds killed before they could clean up left beside `dir`.
// A running build holds a lock on its folders; the grace period covers the moment between
// creating a folder and locking it.
void SweepAbandoned(const fs::path& dir, std::chrono::seconds grace) {
    std::error_code ec;
    const std::string prefixes[] = {SiblingPrefix(dir, "partial"), SiblingPrefix(dir, "old")};
    std::vector<fs::path> abandoned;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        const bool ours = std::any_of(std::begin(prefixes), std::end(prefixes), [&](const auto& p) {
            return name.size() == p.size() + 6 && name.compare(0, p.size(), p) == 0;
        });
        std::error_code typeError;
        if (!ours || entry.is_symlink(typeError) || !entry.is_directory(typeError) ||
            ChangedWithin(entry.path(), grace))
            continue;
        const int fd = LockFolder(entry.path());
        if (fd >= 0) {
            abandoned.push_back(entry.path());
            ::close(fd);
        }
    }
    for (const fs::path& path : abandoned)
        fs::remove_all(path, ec);
}

}  // namespace

std::string SettingsText(const fs::path& dir) {
    return "[Vel7m]\nVelDir=" + WithSlash(dir / "program") +
           "\nCDPath=" + WithSlash(dir / "disc1") + "\nCD2Path=" + WithSlash(dir / "disc2") + "\n";
}

bool MayReplace(const fs::path& dir, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (!fs::exists(status))
        return true;
    if (!fs::is_directory(status)) {
        error = dir.string() + " exists and is not a folder";
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (std::find(std::begin(kSetEntries), std::end(kSetEntries), name) ==
            std::end(kSetEntries)) {
            error = dir.string() + " holds " + name +
                    ", which is not part of a disc set; choose a new or empty folder";
            return false;
        }
    }
    if (ec) {
        error = "cannot read " + dir.string() + ": " + ec.message();
        return false;
    }
    return true;
}

StagedDiscSet::~StagedDiscSet() {
    if (!committed && !stagingDir.empty()) {
        std::error_code ec;
        fs::remove_all(stagingDir, ec);
    }
    for (const int fd : {stagingLock, oldLock}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool StagedDiscSet::Begin(const std::string& outDir, std::string& error,
                          std::chrono::seconds abandonedAfter) {
    std::error_code ec;
    if (outDir.empty()) {
        error = "no output folder given";
        return false;
    }
    // Through any symbolic link to the real folder, so the swap happens where the set is.
    fs::path dir = fs::weakly_canonical(fs::absolute(outDir, ec), ec);
    if (ec) {
        error = "cannot resolve " + outDir + ": " + ec.message();
        return false;
    }
    if (dir.filename().empty())
        dir = dir.parent_path();
    if (dir == dir.root_path()) {
        error = "the output folder cannot be the root folder";
        return false;
    }
    if (dir.string().find('\n') != std::string::npos) {
        error = "the output folder's name holds a line break, which brisel.ini cannot carry";
        return false;
    }
    if (!MayReplace(dir, error))
        return false;
    fs::create_directories(dir.parent_path(), ec);
    if (ec) {
        error = "cannot create " + dir.parent_path().string() + ": " + ec.message();
        return false;
    }
    SweepAbandoned(dir, abandonedAfter);
    fs::path staging;
    if (!MakeSibling(dir, "partial", staging)) {
        error = "cannot create a folder beside " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    finalDir = dir;
    stagingDir = staging;
    // Held until this object ends (or the process does): tells other builds this folder is
    // in use, and lets a later build clear it away if this one is killed.
    stagingLock = LockFolder(stagingDir);
    if (stagingLock < 0) {
        error = "cannot lock " + stagingDir.string() + ": " + std::strerror(errno);
        return false;
    }
    for (const char* sub : {"disc1", "disc2", "program", "scratch"}) {
        fs::create_directory(stagingDir / sub, ec);
        if (ec) {
            error = "cannot create " + (stagingDir / sub).string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

std::string StagedDiscSet::Disc1Dir() const {
    return WithSlash(stagingDir / "disc1");
}
std::string StagedDiscSet::Disc2Dir() const {
    return WithSlash(stagingDir / "disc2");
}
std::string StagedDiscSet::ScratchDir() const {
    return WithSlash(stagingDir / "scratch");
}

bool StagedDiscSet::Commit(std::string& error) {
    std::error_code ec;
    fs::remove_all(stagingDir / "scratch", ec);
    {
        std::ofstream ini(stagingDir / "brisel.ini", std::ios::binary | std::ios::trunc);
        ini << SettingsText(finalDir);
        ini.flush();
        if (!ini) {
            error = "cannot write " + (stagingDir / "brisel.ini").string();
            return false;
        }
    }
    if (!SyncTree(stagingDir, error))
        return false;
    // Checked again: something may have been put there while the set was written.
    if (!MayReplace(finalDir, error))
        return false;

    fs::path old;  // where the previous set ends up, to be removed
    if (!fs::exists(finalDir, ec)) {
        if (::rename(stagingDir.c_str(), finalDir.c_str()) != 0) {
            error = "cannot move the new set to " + finalDir.string() + ": " + std::strerror(errno);
            return false;
        }
    } else if (::renameat2(AT_FDCWD, stagingDir.c_str(), AT_FDCWD, finalDir.c_str(),
                           RENAME_EXCHANGE) == 0) {
        // One step: at no moment is there no set at the destination.
        old = stagingDir;
    } else {
        // The file system cannot swap: move the old set aside, then the new one in.
        if (!MakeSibling(finalDir, "old", old) || ::rename(finalDir.c_str(), old.c_str()) != 0) {
            error = "cannot move the old set aside: " + std::string(std::strerror(errno));
            return false;
        }
        if (::rename(stagingDir.c_str(), finalDir.c_str()) != 0) {
            const int saved = errno;
            ::rename(old.c_str(), finalDir.c_str());
            error = "cannot move the new set to " + finalDir.string() + ": " + std::strerror(saved);
            return false;
        }
    }
    committed = true;
    // The old set is now in a work folder; locked so that no other build sweeps it away
    // before its program folder has been moved across.
    if (!old.empty())
        oldLock = LockFolder(old);
    // The swap itself is an entry in the parent folder.
    SyncPath(finalDir.parent_path());

    if (!old.empty()) {
        // rename() replaces the new, empty program folder with the old one.
        if (fs::is_directory(old / "program", ec))
            ::rename((old / "program").c_str(), (finalDir / "program").c_str());
        fs::remove_all(old, ec);
    }
    return true;
}

}  // namespace disctool
