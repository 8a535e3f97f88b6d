// Resources kept as tables: the details dialog (template 114) and the main frame's menu.

#include "resource.h"

namespace {

// Read-only, borderless, transparent text fields of the details dialog.
constexpr DWORD kField = ES_READONLY | ES_AUTOHSCROLL;

const DLGITEM kRecordItems[] = {
    {1, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 252, 125, 50, 14},
    {-1, "STATIC", "Birth Date:", SS_LEFT, 0, 5, 15, 76, 12},
    {-1, "STATIC", "Death Date:", SS_LEFT, 0, 5, 30, 76, 12},
    {-1, "STATIC", "Social Security Number:", SS_LEFT, 0, 5, 50, 76, 12},
    {-1, "STATIC", "Zip of last residence:", SS_LEFT, 0, 5, 85, 76, 12},
    {-1, "STATIC", "Zip of last payment:", SS_LEFT, 0, 5, 100, 76, 12},
    {1003, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 15, 206, 12},
    {1004, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 30, 206, 12},
    {1006, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 50, 206, 12},
    {1007, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 85, 206, 12},
    {1008, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 100, 206, 12},
    {-1, "STATIC", "Last known location:", SS_LEFT, 0, 5, 65, 76, 12},
    {1009, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 65, 206, 12},
    // Where the SSN was issued: a row under the six, left of OK, so that none of them moves.
    {-1, "STATIC", "SSN issued in:", SS_LEFT, 0, 5, 120, 76, 12},
    {1010, "EDIT", "", kField, WS_EX_TRANSPARENT, 87, 120, 158, 12},
};

const DLGTEMPLATE_TABLE kRecordDialog = {
    114,
    "Dialog",
    "MS Sans Serif",
    8,
    DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    309,
    146,
    kRecordItems,
    static_cast<int>(sizeof kRecordItems / sizeof kRecordItems[0]),
};

// The frame's menu of resource 2 (removed as soon as the frame exists).
const MENUITEM_ROW kMainMenuRows[] = {
    {0, 0, "&File"},
    {0, ID_FILE_NEW, "&New\tCtrl+N"},
    {0, ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {0, 0xE141, "E&xit"},
    {1, 0, "&Edit"},
    {1, 0xE12B, "&Undo\tCtrl+Z"},
    {1, 0xE123, "Cu&t\tCtrl+X"},
    {1, 0xE122, "&Copy\tCtrl+C"},
    {1, 0xE125, "&Paste\tCtrl+V"},
};

const MENU_TABLE kMainMenu = {2, kMainMenuRows,
                              static_cast<int>(sizeof kMainMenuRows / sizeof kMainMenuRows[0])};

}  // namespace

AFX_REGISTER_RESOURCE(record_dialog, kRecordDialog);
AFX_REGISTER_RESOURCE(main_menu, kMainMenu);
