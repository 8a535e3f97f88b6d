#include "disc.h"

#include <cstring>

#include "stdio_file.h"

namespace {

bool MarkerIn(const char* dir, int disc, const char* knownDir, const FileIdentity* known,
              DiscMarker& marker) {
    char path[kMaxPath];
    if (!JoinPath(path, dir, disc == 1 ? "disc1.id" : "disc2.id"))
        return false;
    FileIdentity identity;
    switch (HostIdentifyFile(path, identity)) {
        case FileStatus::kAbsent:
            return false;
        case FileStatus::kPresent:
            marker.identityKnown = true;
            marker.identity = identity;
            if (known != nullptr && knownDir != nullptr && std::strcmp(dir, knownDir) == 0 &&
                identity == *known) {
                return true;
            }
            break;
        case FileStatus::kUnknown:
            marker.identityKnown = false;
            break;
    }
    return OpenFile(path, "r") != nullptr;
}

}  // namespace

DiscMarker LocateDisc(int disc, const char* knownDir, const FileIdentity* known) {
    // Probing an empty drive must fail quietly rather than raise a system dialog.
    const unsigned previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    DiscMarker marker;
    if (MarkerIn(HostDiscDir(disc), disc, knownDir, known, marker)) {
        marker.dir = HostDiscDir(disc);
    } else if (MarkerIn(HostDiscDir(1), disc, knownDir, known, marker)) {
        // Either disc may sit in the first drive when only one is configured.
        marker.dir = HostDiscDir(1);
    } else {
        marker = {};
    }
    SetErrorMode(previous);
    return marker;
}

const char* FindDisc(int disc) {
    return LocateDisc(disc).dir;
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
