// The first-start dialog (template 120), shown when there is no settings file yet.

#include "resource.h"

namespace {

const DLGITEM kFirstStartItems[] = {
    {-1, "STATIC",
     "There is no disc set to search yet. Make a demo set of invented records to try the "
     "program, or choose the folder of the disc set you have.",
     SS_LEFT, 0, 10, 8, 270, 20},
    {1201, "BUTTON", "Make a &Demo Set", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 10, 36, 94, 15},
    {1202, "STATIC", "", SS_LEFT, 0, 112, 35, 168, 27},
    {1203, "BUTTON", "&Choose a Folder...", BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 70, 94, 15},
    {-1, "STATIC",
     "A folder with the disc markers disc1.id and disc2.id, or with the folders disc1 and "
     "disc2 of a set that vel7m-disc made.",
     SS_LEFT, 0, 112, 69, 168, 27},
    {1204, PROGRESS_CLASS, "", 0, 0, 10, 104, 270, 9},
    {1205, "STATIC", "", SS_LEFTNOWORDWRAP, 0, 10, 116, 270, 10},
    {2, "BUTTON", "&Quit", BS_PUSHBUTTON | WS_TABSTOP, 0, 230, 132, 50, 14},
};

// Captioned with the program's title: shown before the main window exists, it is what
// another copy started meanwhile finds by that title and raises.
const DLGTEMPLATE_TABLE kFirstStartDialog = {
    120,
    kAppTitle,
    "MS Sans Serif",
    8,
    DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    290,
    154,
    kFirstStartItems,
    static_cast<int>(sizeof kFirstStartItems / sizeof kFirstStartItems[0]),
};

}  // namespace

AFX_REGISTER_RESOURCE(first_start_dialog, kFirstStartDialog);
