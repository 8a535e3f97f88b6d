#include "disc.h"

#include "host.h"
#include "stdio_file.h"

namespace {

bool MarkerIn(const char* dir, int disc) {
    char path[kMaxPath];
    if (!FormatPath(path, disc == 1 ? "%sdisc1.id" : "%sdisc2.id", dir))
        return false;
    return OpenFile(path, "r") != nullptr;
}

}  // namespace

const char* FindDisc(int disc) {
    // Probing an empty drive must fail quietly rather than raise a system dialog.
    const unsigned previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    const char* found = nullptr;
    if (MarkerIn(HostDiscDir(disc), disc)) {
        found = HostDiscDir(disc);
    } else if (MarkerIn(HostDiscDir(1), disc)) {
        // Either disc may sit in the first drive when only one is configured.
        found = HostDiscDir(1);
    }
    SetErrorMode(previous);
    return found;
}

bool CheckDisc(int disc) {
    return FindDisc(disc) != nullptr;
}

const char* DiscRequestText(int disc) {
    return disc == 1 ? "Please insert Pedrelle Disk 4\n\n( Vavaze Devedire Rizuz A - K )\n\n"
                       "Click OK when done."
                     : "Please insert Pedrelle Disk 5\n\n( Vavaze Devedire Rizuz L - Z )\n\n"
                       "Click OK when done.";
}

int PromptForDisc(int disc) {
    return AfxMessageBox(DiscRequestText(disc), MB_OKCANCEL | MB_ICONEXCLAMATION);
}
