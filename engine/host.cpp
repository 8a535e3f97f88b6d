#include "host.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// Used until a front end installs its own: quiet about directories, honest on stderr.
class DefaultHost final : public Host {
  public:
    int ShowMessage(const char* text, const char* caption, unsigned style) override {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
    }
    const char* ProgramDir() const override { return ""; }
    const char* DiscDir(int) const override { return ""; }
    void Exit(int status) override { std::exit(status); }
};

DefaultHost g_defaultHost;
Host* g_host = &g_defaultHost;
std::atomic<unsigned> g_errorMode{0};

}  // namespace

Host* InstallHost(Host* host) {
    Host* previous = g_host == &g_defaultHost ? nullptr : g_host;
    g_host = host != nullptr ? host : &g_defaultHost;
    return previous;
}

Host& CurrentHost() {
    return *g_host;
}

int AfxMessageBox(const char* text, unsigned type, unsigned /*helpId*/) {
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    return g_host->ShowMessage(text != nullptr ? text : "", g_host->AppTitle(), type);
}

int MessageBoxA(void* /*owner*/, const char* text, const char* caption, unsigned type) {
    return g_host->ShowMessage(text != nullptr ? text : "", caption != nullptr ? caption : "Error",
                               type);
}

unsigned SetErrorMode(unsigned mode) {
    return g_errorMode.exchange(mode);
}

const char* HostProgramDir() {
    const char* dir = g_host->ProgramDir();
    return dir != nullptr ? dir : "";
}

const char* HostDiscDir(int disc) {
    const char* dir = g_host->DiscDir(disc);
    return dir != nullptr ? dir : "";
}

void HostExit(int status) {
    g_host->Exit(status);
}

bool HostKeepAlive() {
    return g_host->KeepAlive();
}
