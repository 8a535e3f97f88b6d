#include "scripted_host.h"

#include <cstdio>
#include <cstdlib>

ScriptedHost::ScriptedHost() : previous(InstallHost(this)) {}

ScriptedHost::~ScriptedHost() {
    InstallHost(previous);
}

int ScriptedHost::ShowMessage(const char* text, const char* caption, unsigned style) {
    messages.push_back({text, caption, style});
    if (onMessage)
        onMessage(messages.back());
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
}

void ScriptedHost::Exit(int status) {
    exits.push_back(status);
    if (survivesExit)
        return;
    std::fprintf(stderr, "exit %d after: %s\n", status,
                 messages.empty() ? "(no message)" : messages.back().text.c_str());
    std::exit(status);
}

std::vector<std::string> ScriptedHost::Texts() const {
    std::vector<std::string> texts;
    for (const ShownMessage& m : messages)
        texts.push_back(m.text);
    return texts;
}

bool ScriptedHost::KeepAlive() {
    ++keepAliveCalls;
    return cancelOnCall == 0 || keepAliveCalls < cancelOnCall;
}
