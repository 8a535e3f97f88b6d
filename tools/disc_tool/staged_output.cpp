#include "staged_output.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

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

// A new folder beside `dir`, hidden, whose name says what it is for.
bool MakeSibling(const fs::path& dir, const char* purpose, fs::path& made) {
    std::string name(1, '.');
    name.append(dir.filename().string()).append(1, '.').append(purpose).append("-XXXXXX");
    std::string pattern = (dir.parent_path() / name).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return false;
    // mkdtemp makes the folder private; the set is an ordinary folder once in place.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(pattern.c_str(), 0777 & ~mask);
    made = pattern;
    return true;
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
}

bool StagedDiscSet::Begin(const std::string& outDir, std::string& error) {
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
    fs::path staging;
    if (!MakeSibling(dir, "partial", staging)) {
        error = "cannot create a folder beside " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    finalDir = dir;
    stagingDir = staging;
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

    if (!old.empty()) {
        // rename() replaces the new, empty program folder with the old one.
        if (fs::is_directory(old / "program", ec))
            ::rename((old / "program").c_str(), (finalDir / "program").c_str());
        fs::remove_all(old, ec);
    }
    return true;
}

}  // namespace disctool
