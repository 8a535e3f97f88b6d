#include "measure.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <thread>

extern char** environ;

namespace bench {

double Timing::Quantile(double q) const {
    if (seconds.empty())
        return 0;
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double at = q * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(at));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double part = at - static_cast<double>(below);
    return sorted[below] * (1 - part) + sorted[above] * part;
}

Timing Measure(const std::function<void()>& once, const Repetitions& reps) {
    using Clock = std::chrono::steady_clock;
    once();
    Timing timing;
    double total = 0;
    while (static_cast<int>(timing.seconds.size()) < reps.atLeast ||
           (total < reps.forSeconds && static_cast<int>(timing.seconds.size()) < reps.atMost)) {
        const auto start = Clock::now();
        once();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        timing.seconds.push_back(s);
        total += s;
    }
    return timing;
}

int RunQuietly(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

long PeakResidentKiB(const std::vector<std::string>& argv) {
    // Measured by /usr/bin/time, a small process: a child's peak counts the memory it had
    // before exec, which for a child of this process would be this process's own.
    char report[] = "/tmp/vel7m-bench-peak-XXXXXX";
    const int fd = mkstemp(report);
    if (fd < 0)
        return -1;
    close(fd);
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", report};
    timed.insert(timed.end(), argv.begin(), argv.end());
    const bool ran = RunQuietly(timed) == 0;
    long kib = -1;
    std::ifstream in(report);
    if (ran && !(in >> kib))
        kib = -1;
    unlink(report);
    return ran ? kib : -1;
}

Machine DescribeMachine() {
    Machine m;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            m.cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    m.cores = static_cast<int>(std::thread::hardware_concurrency());
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        if (line.rfind("MemTotal:", 0) == 0) {
            const long kib = std::stol(line.substr(9));
            m.memory = std::to_string((kib + (1 << 19)) >> 20) + " GiB";
            break;
        }
    }
    utsname name{};
    if (uname(&name) == 0)
        m.system = std::string(name.sysname) + " " + name.release;
#if defined(__clang__)
    m.compiler = "Clang " __clang_version__;
#elif defined(__GNUC__)
    m.compiler = "GCC " __VERSION__;
#endif
    std::ifstream loadavg("/proc/loadavg");
    loadavg >> m.load;
    const std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M %Z", std::localtime(&now));
    m.date = date;
    return m;
}

}  // namespace bench
