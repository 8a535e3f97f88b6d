// Running vel7m-search the ways a shell or a terminal can start it: with standard streams
// closed or failing, and on a pseudo-terminal where it asks for a disc and can be answered
// or sent signals.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Ended {
    int status = -1;  // exit status, or -1 when a signal ended it
    int signal = 0;   // the signal that ended it, or 0
    std::string out;
    std::string err;  // on a terminal: everything the terminal showed
};

enum class Stdout { File, Closed, Full, BrokenPipe };

struct Streams {
    bool closeStdin = false;
    Stdout out = Stdout::File;
    bool closeStderr = false;
};

// Runs `program` with `env` entries ("NAME=value") added to the environment; standard input
// from /dev/null unless closed.
Ended Launch(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env, Streams streams);

// The program with standard input and error on a new pseudo-terminal, standard output to a
// file.
class OnTerminal {
  public:
    OnTerminal(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env);
    ~OnTerminal();
    OnTerminal(const OnTerminal&) = delete;
    OnTerminal& operator=(const OnTerminal&) = delete;

    // True once the terminal has shown `text`; false after ten seconds.
    bool WaitFor(const std::string& text);
    bool Type(const std::string& keys);
    void Signal(int signal);
    // Waits for the end (killing it after ten seconds).
    Ended Wait();

  private:
    void ReadAvailable(int timeoutMs);
    pid_t pid = -1;
    int master = -1;
    std::string outPath;
    std::string screen;
};
