// Common dialogs: the folder picker.
#pragma once

#include "afxwin.h"

// The folder picker reads lpstrInitialDir and lpstrTitle (null: the platform's own title)
// of the platform's file-dialog structure, OPENFILENAMEA (winapi.h).

// A modal dialog in which the user picks one existing folder.
class CFolderPickerDialog {
  public:
    // `lpszFolder` is where the dialog opens (null: the current folder); a null parent means
    // the window that is active, else the main window. No flags are used.
    explicit CFolderPickerDialog(LPCTSTR lpszFolder = nullptr, DWORD dwFlags = 0,
                                 CWnd* pParentWnd = nullptr);
    virtual ~CFolderPickerDialog() = default;

    // IDOK with a folder chosen, IDCANCEL otherwise.
    virtual INT_PTR DoModal();
    // The chosen folder as the file system names it (bytes, not re-encoded), without a
    // closing '/' unless it is the root.
    CString GetPathName() const { return m_strPath; }
    CString GetFolderPath() const { return m_strPath; }

    OPENFILENAMEA m_ofn;

  private:
    CString m_strInitialDir;
    CWnd* m_pParentWnd;
    CString m_strPath;
};
