// The first start. Without a settings file there is no disc set to search, and asking for a
// disc would lead nowhere; so the user is first helped to a set: a demo set made here, or the
// folder of a set of their own. What is chosen is written to the settings file, and from then
// on start-up reads it as always.
#pragma once

#include <string>

#include "afxwin.h"

// True when the settings file can be named and nothing is there.
bool IsFirstStart();

// Where the demo set goes: $XDG_DATA_HOME/vel7m, else ~/.local/share/vel7m; empty when
// neither can be named.
std::string DemoSetFolder();

// The two disc folders of a disc set, each ending in '/'.
struct DiscSetFolders {
    std::string disc1;
    std::string disc2;
};

// Where the discs of a chosen folder are: in its disc1/ and disc2/ folders (as the disc tool
// writes a set), else the folder itself when it holds either marker (both discs' files, or a
// drive into which the program asks for the other disc). False when neither holds.
bool LocateDiscSet(const std::string& folder, DiscSetFolders& found);

// A writable program folder (for the hit file) for a set in `folder`: its own program/ when
// that is writable, else one beside the demo set, created here. Empty when none can be had.
std::string ProgramFolderFor(const std::string& folder);

// Writes the three folders to the settings file. `error` tells the user why not.
bool SaveDiscSetSettings(const std::string& programDir, const DiscSetFolders& discs,
                         std::string& error);

// Shows the first-start dialog (over `pParent`, or where the main window will stand when
// null); TRUE when a disc set has been set up.
BOOL RunFirstStart(CWnd* pParent);
