// Resources kept as tables in code: dialog templates (positions in dialog units) and menus.
// A resource file registers its tables with AFX_REGISTER_RESOURCE; the framework finds them
// by id.
#pragma once

#include "windef.h"

struct DLGITEM {
    int id;            // -1 for static texts without an id
    LPCSTR className;  // "BUTTON", "STATIC" or "EDIT"
    LPCSTR text;
    DWORD style;  // WS_CHILD and WS_VISIBLE are added
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units
};

struct DLGTEMPLATE_TABLE {
    UINT id;
    LPCSTR caption;
    LPCSTR fontName;  // "MS Sans Serif" and "MS Shell Dlg" stand for the default font
    int pointSize;
    DWORD style;
    short cx, cy;  // client size in dialog units
    const DLGITEM* items;
    int itemCount;
};

struct MENUITEM_ROW {
    int popup;  // index of the drop-down menu this item belongs to
    UINT id;    // 0 for the drop-down menu's own title row
    LPCSTR text;
};

struct MENU_TABLE {
    UINT id;
    const MENUITEM_ROW* rows;
    int rowCount;
};

// Registers during static initialisation; link resource files as object files so that
// nothing drops them.
struct AFX_RESOURCE_REGISTRAR {
    explicit AFX_RESOURCE_REGISTRAR(const DLGTEMPLATE_TABLE* dialog);
    explicit AFX_RESOURCE_REGISTRAR(const MENU_TABLE* menu);
};
#define AFX_REGISTER_RESOURCE(name, table) \
    static const AFX_RESOURCE_REGISTRAR _afx_resource_##name(&(table))

const DLGTEMPLATE_TABLE* AfxFindDialogTemplate(UINT id);
const MENU_TABLE* AfxFindMenu(UINT id);
