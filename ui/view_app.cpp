#include "view_app.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "first_start.h"
#include "main_frame.h"
#include "profile.h"
#include "resource_ids.h"
#include "result_set.h"
#include "surname_edit.h"
#include "view_doc.h"
#include "view_view.h"

namespace {

// One more than a stored directory can hold, so that a value too long to store is seen
// rather than silently cut by the reader.
constexpr DWORD kReadBufferSize = kMaxPath + 1;

// A directory fits a field of kMaxPath bytes when it still fits with its separator.
bool FitsWithSeparator(const char* value, size_t length) {
    bool needsSeparator = length > 0 && value[length - 1] != kPathSeparator;
    return length + (needsSeparator ? 1 : 0) <= static_cast<size_t>(kMaxPath - 1);
}

void ReportTooLong(const char* key) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "The folder given for %s in %s is too long: a folder may have at most %d "
                  "characters, including its closing \"%c\".\n\nThis setting is not used. "
                  "Please shorten it and start the program again.",
                  key, kSettingsFile, kMaxPath - 1, kPathSeparator);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

// Reads one directory; an empty value stays empty (no separator is added to nothing, which
// would turn "not set" into the root folder). Returns FALSE when the value was refused.
BOOL ReadDirectory(const char* key, char* buffer, size_t& length) {
    GetPrivateProfileStringA(kSettingsSection, key, "", buffer, kReadBufferSize, kSettingsFile);
    length = std::strlen(buffer);
    if (!FitsWithSeparator(buffer, length)) {
        ReportTooLong(key);
        buffer[0] = '\0';
        length = 0;
        return FALSE;
    }
    return TRUE;
}

BOOL StoreDirectory(const char* key, char* buffer, char (&field)[kMaxPath]) {
    size_t length = 0;
    BOOL ok = ReadDirectory(key, buffer, length);
    std::memcpy(field, buffer, length);
    if (length > 0 && field[length - 1] != kPathSeparator)
        field[length++] = kPathSeparator;
    field[length] = '\0';
    return ok;
}

}  // namespace

BEGIN_MESSAGE_MAP(CViewApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_OPEN, &CWinApp::OnFileOpen)
END_MESSAGE_MAP()

CViewApp::CViewApp()
    : m_pszVelDir(nullptr),
      m_szCDPath{},
      m_szCD2Path{},
      m_nOldErrorMode(0),
      m_bStartFailed(FALSE),
      m_nStartRow(-1),
      m_bStartDetails(FALSE),
      m_startMatch(SurnameMatch::kSpelling) {
    // The engine reaches the three directories through the GUI host.
    AfxGetGuiHost().BindDirectories(&m_pszVelDir, m_szCDPath, m_szCD2Path);
}

CViewApp::~CViewApp() {
    AfxGetGuiHost().UnbindDirectories();
    delete[] m_pszVelDir;
}

BOOL CViewApp::InitInstance() {
    char mutexName[128];
    std::snprintf(mutexName, sizeof mutexName, "PreventAnother%s", kAppTitle);
    HANDLE hMutex = CreateMutexA(nullptr, TRUE, mutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another copy runs: bring its window (and its open dialog) forward, show nothing.
        HWND hWnd = FindWindowA(nullptr, kAppTitle);
        if (hWnd == nullptr)
            return FALSE;
        SetForegroundWindow(hWnd);
        SetForegroundWindow(GetLastActivePopup(hWnd));
        if (IsIconic(hWnd))
            ::ShowWindow(hWnd, SW_SHOWNORMAL);
        // A window manager iconifies an open dialog with its window and leaves it iconic when
        // the window comes back, where it would keep the window from taking any click or key.
        HWND hPopup = GetLastActivePopup(hWnd);
        if (hPopup != nullptr && hPopup != hWnd && IsIconic(hPopup))
            ::ShowWindow(hPopup, SW_SHOWNORMAL);
        ::BringWindowToTop(hWnd);
        ::BringWindowToTop(GetLastActivePopup(hWnd));
        return FALSE;
    }

    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CViewDoc),
                                          RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDeadView)));
    // A fresh installation has no settings file, so no disc set: the first start helps the
    // user to one, or ends start-up when they would rather quit. It comes before anything
    // reads the settings: the view fixes the hit file's folder when it is made.
    if (IsFirstStart() && !RunFirstStart(nullptr))
        return FALSE;
    ReadSettings();
    // Without a mutex (it could not be created) there is nothing to release; the handle
    // stays open for the life of the process so that later copies find the name taken.
    if (hMutex != nullptr)
        ReleaseMutex(hMutex);

    // Without the backdrop the document refuses to open and no window exists: stop here
    // instead of activating a frame that is gone.
    if (OpenDocumentFile("IDB_BACKDROP") == nullptr || m_pMainWnd == nullptr) {
        m_bStartFailed = TRUE;
        return FALSE;
    }
    static_cast<CFrameWnd*>(m_pMainWnd)->ActivateFrame(SW_SHOWNORMAL);
    m_pMainWnd->SetWindowText(kAppTitle);
    m_nOldErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!m_strStartQuery.IsEmpty())
        RunStartQuery();
    return TRUE;
}

void CViewApp::SetStartQuery(const char* surname, const char* firstName, int row, BOOL details,
                             SurnameMatch match) {
    m_strStartQuery = surname;
    m_strStartFirstName = firstName;
    m_nStartRow = row;
    m_bStartDetails = details;
    m_startMatch = match;
}

// Does what a user would: types the surname (choosing how it is matched), presses Search,
// clicks the row, More Info.
void CViewApp::RunStartQuery() {
    auto* view = dynamic_cast<CViewView*>(static_cast<CFrameWnd*>(m_pMainWnd)->GetActiveView());
    CWnd* surname = view != nullptr ? view->GetDlgItem(IDC_SURNAME) : nullptr;
    if (surname == nullptr)
        return;
    // The first paint sets the page size from the font, as it does before any user's search.
    view->UpdateWindow();
    surname->SetWindowText(m_strStartQuery);
    if (auto* field = dynamic_cast<CSurnameEdit*>(surname))
        field->SetMatch(m_startMatch);
    if (CWnd* first = view->GetDlgItem(IDC_FIRSTNAME))
        first->SetWindowText(m_strStartFirstName);
    view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SEARCH, BN_CLICKED), 0);
    if (m_nStartRow < 0 || view->m_pResultSet == nullptr)
        return;
    CClientDC dc(view);
    TEXTMETRIC tm{};
    dc.GetTextMetrics(&tm);
    int pitch = ListRowPitch(tm.tmHeight, view->m_pResultSet->GetPageSize());
    int y = kListArea.top + m_nStartRow * pitch + pitch / 2;
    view->SendMessage(
        WM_LBUTTONDOWN, MK_LBUTTON,
        MAKELPARAM(static_cast<unsigned>(kListColumns[0].left + 4), static_cast<unsigned>(y)));
    if (m_bStartDetails)
        view->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_MOREINFO, BN_CLICKED), 0);
}

int CViewApp::ExitInstance() {
    if (m_nOldErrorMode != 0)
        SetErrorMode(m_nOldErrorMode);
    delete[] m_pszVelDir;
    m_pszVelDir = nullptr;
    return m_bStartFailed ? 1 : 0;
}

BOOL CViewApp::ReadSettings() {
    delete[] m_pszVelDir;
    m_pszVelDir = nullptr;
    auto buffer = std::make_unique<char[]>(kReadBufferSize);

    // A file that is there but cannot be used is named now, before the first search asks for
    // a disc because of it. A missing file is the first start's business, not an error.
    const SettingsCheck check = CheckSettingsFile(kSettingsFile, kSettingsSection);
    const bool usable =
        check.problem == SettingsProblem::None || check.problem == SettingsProblem::Missing;
    if (!usable) {
        const std::string text = SettingsProblemText(check, kSettingsSection) +
                                 "\n\nThe program cannot find its discs until this is corrected.";
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }

    size_t length = 0;
    BOOL ok = ReadDirectory("VelDir", buffer.get(), length);
    bool addSeparator = length > 0 && buffer[length - 1] != kPathSeparator;
    m_pszVelDir = new char[length + 1 + (addSeparator ? 1 : 0)];
    std::memcpy(m_pszVelDir, buffer.get(), length);
    if (addSeparator)
        m_pszVelDir[length++] = kPathSeparator;
    m_pszVelDir[length] = '\0';

    ok = StoreDirectory("CDPath", buffer.get(), m_szCDPath) && ok;
    ok = StoreDirectory("CD2Path", buffer.get(), m_szCD2Path) && ok;
    return ok && usable;
}
