#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_discs.h"

extern char** environ;

namespace {

// Argument and environment arrays built before fork, so the child only calls exec.
struct ExecArgs {
    std::vector<std::string> argStore, envStore;
    std::vector<char*> argv, envp;

    ExecArgs(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env) {
        argStore.push_back(program);
        argStore.insert(argStore.end(), args.begin(), args.end());
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& mine : env)
                replaced = replaced || mine.compare(0, name.size(), name) == 0;
            if (!replaced)
                envStore.push_back(entry);
        }
        envStore.insert(envStore.end(), env.begin(), env.end());
        for (std::string& a : argStore)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : envStore)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }

    [[noreturn]] void Exec() {
        // Whatever the test runner set, the program starts with the usual signal state.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int s = 1; s < NSIG; ++s)
            signal(s, SIG_DFL);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Decode(int raw, Ended& ended) {
    if (WIFEXITED(raw))
        ended.status = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        ended.signal = WTERMSIG(raw);
}

// Waits up to ten seconds, then kills.
int Reap(pid_t pid) {
    int raw = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return raw;
}

}  // namespace

Ended Launch(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env, Streams streams) {
    TempDir capture;
    ExecArgs exec(program, args, env);
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const int outFd = open((capture / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int errFd = open((capture / "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) == 0)
        close(pipeFds[0]);  // nobody will ever read
    const pid_t pid = fork();
    if (pid == 0) {
        if (streams.closeStdin)
            close(0);
        else
            dup2(devNull, 0);
        switch (streams.out) {
            case Stdout::File:
                dup2(outFd, 1);
                break;
            case Stdout::Closed:
                close(1);
                break;
            case Stdout::Full:
                dup2(full, 1);
                break;
            case Stdout::BrokenPipe:
                dup2(pipeFds[1], 1);
                break;
        }
        if (streams.closeStderr)
            close(2);
        else
            dup2(errFd, 2);
        exec.Exec();
    }
    for (const int fd : {devNull, full, outFd, errFd, pipeFds[1]})
        close(fd);
    Ended ended;
    if (pid > 0)
        Decode(Reap(pid), ended);
    ended.out = Slurp(capture / "out");
    ended.err = Slurp(capture / "err");
    return ended;
}

OnTerminal::OnTerminal(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
    static int serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/vel7m-terminal-out-%d-%d", getpid(), ++serial);
    outPath = name;
    ExecArgs exec(program, args, env);
    const int outFd = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        dup2(outFd, 1);
        exec.Exec();
    }
    close(outFd);
}

OnTerminal::~OnTerminal() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (master >= 0)
        close(master);
    unlink(outPath.c_str());
}

void OnTerminal::ReadAvailable(int timeoutMs) {
    pollfd p{master, POLLIN, 0};
    if (master < 0 || poll(&p, 1, timeoutMs) <= 0)
        return;
    char buffer[4096];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0)
        screen.append(buffer, static_cast<size_t>(n));
    else if (p.revents & (POLLHUP | POLLERR))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool OnTerminal::WaitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (screen.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline || pid <= 0)
            return false;
        ReadAvailable(50);
    }
    return true;
}

bool OnTerminal::Type(const std::string& keys) {
    return write(master, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
}

void OnTerminal::Signal(int signal) {
    kill(pid, signal);
}

Ended OnTerminal::Wait() {
    Ended ended;
    if (pid <= 0)
        return ended;
    const int raw = Reap(pid);
    pid = -1;
    for (int i = 0; i < 20; ++i)
        ReadAvailable(0);
    Decode(raw, ended);
    ended.out = Slurp(outPath);
    ended.err = screen;
    return ended;
}
