// Disc presence: the marker file check and the request to insert a disc.
#pragma once

#include "host.h"

// Where the marker of a disc was found, and what the host could tell of it.
struct DiscMarker {
    const char* dir = nullptr;  // nullptr when the disc is not there
    bool identityKnown = false;
    FileIdentity identity{};
};

// Looks for the marker of `disc` in its own directory, then in that of disc 1. A marker is
// there when it can be opened; one in `knownDir` whose identity is `known` is the very file
// that was opened before, and is not opened again. Never shows anything.
DiscMarker LocateDisc(int disc, const char* knownDir = nullptr,
                      const FileIdentity* known = nullptr);

// The directory in which the marker of `disc` was found (its own directory first, then that of
// disc 1), or nullptr when the disc is not there. Never shows anything.
const char* FindDisc(int disc);

// True when the marker of `disc` is found.
bool CheckDisc(int disc);

// Asks the user to insert the disc; returns IDOK or IDCANCEL.
int PromptForDisc(int disc);

// The request texts, by disc (any number but 1 asks for disc 2).
const char* DiscRequestText(int disc);
