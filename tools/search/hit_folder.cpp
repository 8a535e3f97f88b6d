#include "hit_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace search {

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "vel7m-search-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kNameLength = kPrefixLength + 6;  // mkdtemp's six characters
constexpr char kHitFileName[] = "test.bin";             // the engine's name for it

// Fixed buffers, so that a signal handler can use them.
char g_folder[4096];
char g_hitFile[4096 + sizeof kHitFileName];
volatile std::sig_atomic_t g_armed = 0;

// The signals whose default action ends the process without a crash.
const int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,   SIGALRM,
                              SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};

// Async-signal-safe: the folder holds the hit file only.
void RemoveNow() {
    if (g_armed != 0) {
        ::unlink(g_hitFile);
        ::rmdir(g_folder);
    }
}

void RemoveAtExit() {
    RemoveNow();
    if (g_armed != 0) {
        // Anything else the folder came to hold goes too.
        std::error_code ec;
        fs::remove_all(g_folder, ec);
        g_armed = 0;
    }
}

// The handler was installed with SA_RESETHAND, so raising the signal again ends the process
// with it, as the caller expects (a shell reports 130 for Ctrl-C, a pipeline sees SIGPIPE).
void OnEndingSignal(int signal) {
    RemoveNow();
    g_armed = 0;
    ::raise(signal);
}

void BlockEndingSignals(sigset_t* old) {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : kEndingSignals)
        sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, old);
}

void CatchEndingSignals() {
    for (const int s : kEndingSignals) {
        struct sigaction old {};
        sigaction(s, nullptr, &old);
        if (old.sa_handler == SIG_IGN)
            continue;  // ignored by whoever started us (nohup, a shell's trap): keep it so
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        action.sa_flags = SA_RESETHAND;
        sigfillset(&action.sa_mask);
        sigaction(s, &action, nullptr);
    }
}

// Opens and locks a folder; -1 when it cannot be opened or another process holds the lock.
int LockFolder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

void SweepAbandonedHitFolders(const std::string& tmpDir, std::chrono::seconds grace) {
    std::error_code ec;
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::vector<fs::path> abandoned;
    // Stepped with an error code: a folder that cannot be read is simply not swept.
    for (fs::directory_iterator it(tmpDir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (name.size() != kNameLength || name.compare(0, kPrefixLength, kPrefix) != 0)
            continue;
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid() || now - st.st_mtim.tv_sec < grace.count())
            continue;
        const int fd = LockFolder(entry.path().c_str());
        if (fd >= 0) {
            abandoned.push_back(entry.path());
            ::close(fd);
        }
    }
    for (const fs::path& path : abandoned)
        fs::remove_all(path, ec);
}

std::string MakeHitFolder(const std::string& tmpDir, std::string& error) {
    std::string pattern = tmpDir;
    if (pattern.empty() || pattern.back() != '/')
        pattern += '/';
    pattern += kPrefix;
    pattern += "XXXXXX";
    if (pattern.size() >= sizeof g_folder) {
        error = std::strerror(ENAMETOOLONG);
        return {};
    }
    // No signal may end the run between making the folder and arming its removal.
    sigset_t old;
    BlockEndingSignals(&old);
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = std::strerror(errno);
        sigprocmask(SIG_SETMASK, &old, nullptr);
        return {};
    }
    std::memcpy(g_folder, pattern.c_str(), pattern.size() + 1);
    std::memcpy(g_hitFile, pattern.c_str(), pattern.size());
    g_hitFile[pattern.size()] = '/';
    std::memcpy(g_hitFile + pattern.size() + 1, kHitFileName, sizeof kHitFileName);
    g_armed = 1;
    std::atexit(RemoveAtExit);
    CatchEndingSignals();
    // Held until the process ends: tells a later run's sweep that this folder is in use.
    if (LockFolder(g_folder) < 0) {
        error = std::strerror(errno);
        sigprocmask(SIG_SETMASK, &old, nullptr);
        RemoveAtExit();
        return {};
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return pattern + '/';
}

}  // namespace search
