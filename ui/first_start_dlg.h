// The first-start dialog (template 120): make a demo disc set, choose the folder of a set, or
// quit. It ends with IDOK once the settings file names a disc set, IDCANCEL to quit. Shown
// before the main window is made, in the middle of the work area where that will stand.
#pragma once

#include <string>

#include "afxwin.h"

inline constexpr unsigned IDD_FIRST_START = 120;
inline constexpr unsigned IDC_FS_DEMO = 1201;
inline constexpr unsigned IDC_FS_DEMO_NOTE = 1202;
inline constexpr unsigned IDC_FS_CHOOSE = 1203;
inline constexpr unsigned IDC_FS_PROGRESS = 1204;
inline constexpr unsigned IDC_FS_STATUS = 1205;

class CFirstStartDlg : public CDialog {
  public:
    // A null parent means the main window.
    explicit CFirstStartDlg(CWnd* pParent = nullptr);
    ~CFirstStartDlg() override;

  protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnMakeDemo();
    void OnChooseFolder();

    // While the demo set is written the choices are closed and the progress shows.
    void SetBusy(BOOL bBusy);
    void SetDlgText(UINT nID, const std::string& text);
    // Saves the settings and ends the dialog; tells the user and stays when it cannot.
    void Finish(const std::string& programDir, const std::string& disc1, const std::string& disc2);

    BOOL m_bBusy;
    DECLARE_MESSAGE_MAP()
};
