// The application object: single running copy, settings, document/view set-up, error mode.
#pragma once

#include "afxwin.h"
#include "search_query.h"

// Settings file, its section and keys.
inline constexpr char kSettingsFile[] = "brisel.ini";
inline constexpr char kSettingsSection[] = "Vel7m";
// Directories end in this separator.
inline constexpr char kPathSeparator = '/';

class CViewApp : public CWinApp {
  public:
    CViewApp();
    ~CViewApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    // Reads the three directories from the settings file; may be called again. Returns
    // FALSE when a value had to be refused or the file cannot be used (the user has been
    // told; a missing file is not reported).
    BOOL ReadSettings();
    // A search to run once the window is up (the command line's --query): the surname and
    // given name (may be null), a row of the first page to select (-1 for none), whether
    // to open its details, and how the surname is matched (the surname field's menu).
    void SetStartQuery(const char* surname, const char* firstName, int row, BOOL details,
                       SurnameMatch match = SurnameMatch::kSpelling);

    char* m_pszVelDir;          // program folder, heap string, null until read
    char m_szCDPath[kMaxPath];  // disc 1 folder
    char m_szCD2Path[kMaxPath];
    unsigned m_nOldErrorMode;  // 0: start-up has not changed the error mode

  protected:
    // Set when start-up had to stop for a failure, so that the exit status tells it.
    BOOL m_bStartFailed;
    CString m_strStartQuery;
    CString m_strStartFirstName;
    int m_nStartRow;
    BOOL m_bStartDetails;
    SurnameMatch m_startMatch;
    void RunStartQuery();
    DECLARE_MESSAGE_MAP()
};
