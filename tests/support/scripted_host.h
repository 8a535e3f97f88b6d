// A host for tests: records every message box, answers from a script, and knows the
// directories the test gives it. Installs itself for its lifetime.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

class ScriptedHost : public Host {
  public:
    ScriptedHost();
    ~ScriptedHost() override;
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    const char* ProgramDir() const override { return programDir.c_str(); }
    const char* DiscDir(int disc) const override {
        if (onDiscDir)
            onDiscDir(disc);
        return disc == 1 ? disc1Dir.c_str() : disc2Dir.c_str();
    }
    void Exit(int status) override;
    // Counts the calls; answers false (the user cancelled) from call `cancelOnCall` on.
    bool KeepAlive() override;

    // What the test sets up.
    std::string programDir;
    std::string disc1Dir;
    std::string disc2Dir;
    // Answers for the boxes, in order; when empty, OK boxes get IDOK and OK/Cancel boxes
    // IDCANCEL (so a disc request never loops).
    std::deque<int> answers;
    // Called for each box before it is answered (e.g. to "insert" a disc).
    std::function<void(const ShownMessage&)> onMessage;
    // Called whenever the engine asks for a disc directory, as each disc check does (e.g. to
    // take the disc out between two checks).
    std::function<void(int disc)> onDiscDir;
    // When true, Exit records the status and returns (the engine must then carry on safely);
    // otherwise it prints the last message on stderr and ends the process, for death tests.
    bool survivesExit = false;
    // The KeepAlive call from which on the user has cancelled; 0: never.
    long cancelOnCall = 0;

    // What the engine did.
    std::vector<ShownMessage> messages;
    std::vector<int> exits;
    long keepAliveCalls = 0;

    // Texts of all boxes so far, for assertions.
    std::vector<std::string> Texts() const;

  private:
    Host* previous;
};
