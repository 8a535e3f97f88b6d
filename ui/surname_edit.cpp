#include "surname_edit.h"

#include "resource_ids.h"

namespace {

UINT CommandOf(SurnameMatch match) {
    switch (match) {
        case SurnameMatch::kSoundex:
            return ID_SURNAME_SOUNDEX;
        case SurnameMatch::kDaitchMokotoff:
            return ID_SURNAME_DAITCH_MOKOTOFF;
        case SurnameMatch::kSpelling:
            break;
    }
    return ID_SURNAME_EXACT;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSurnameEdit, CQueryEdit)
ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

void CSurnameEdit::OnContextMenu(CWnd*, CPoint point) {
    if (point.x == -1 && point.y == -1) {
        // From the keyboard: under the field.
        CRect field;
        GetWindowRect(&field);
        point = CPoint(field.left, field.bottom);
    }
    CMenu menu;
    menu.CreatePopupMenu();
    AppendStandardCommands(&menu);
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING, ID_SURNAME_EXACT, "&Exact spelling");
    menu.AppendMenu(MF_STRING, ID_SURNAME_SOUNDEX, "&Sounds like (Soundex)");
    menu.AppendMenu(MF_STRING, ID_SURNAME_DAITCH_MOKOTOFF, "Sounds like (&Daitch-Mokotoff)");
    menu.CheckMenuRadioItem(ID_SURNAME_EXACT, ID_SURNAME_DAITCH_MOKOTOFF, CommandOf(m_match),
                            MF_BYCOMMAND);

    // The menu runs its own loop, in which the window may be closed and this field deleted.
    HWND self = m_hWnd;
    const UINT chosen = static_cast<UINT>(menu.TrackPopupMenu(
        TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, this));
    if (CWnd::FromHandle(self) != this)
        return;
    if (chosen == ID_SURNAME_EXACT) {
        m_match = SurnameMatch::kSpelling;
    } else if (chosen == ID_SURNAME_SOUNDEX) {
        m_match = SurnameMatch::kSoundex;
    } else if (chosen == ID_SURNAME_DAITCH_MOKOTOFF) {
        m_match = SurnameMatch::kDaitchMokotoff;
    }
}
