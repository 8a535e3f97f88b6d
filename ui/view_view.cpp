// CViewView: the engine objects, the buttons, the commands of the form and the window's
// teardown. The list part of the class is in view_list.cpp.
#include "view_view.h"

#include <cstdio>

#include "death_index.h"
#include "resource_ids.h"
#include "result_set.h"
#include "search_criteria.h"
#include "view_app.h"

BYTE g_bViewClosing = 0;

namespace {

constexpr DWORD kPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kPageButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 20;

CButton* MakeButton(CWnd* parent, const char* text, DWORD style, int x, int y, UINT id) {
    auto* button = new CButton;
    button->Create(text, style, CRect(x, y, x + kButtonWidth, y + kButtonHeight), parent, id);
    return button;
}

CBitmapButton* MakePageButton(CWnd* parent, int x, int y, UINT id, const char* up, const char* down,
                              const char* focus, const char* dim) {
    auto* button = new CBitmapButton;
    button->Create(nullptr, kPageButton, CRect(x, y, x + 20, y + 20), parent, id);
    button->LoadBitmaps(up, down, focus, dim);
    button->SizeToContent();
    button->EnableWindow(FALSE);
    return button;
}

template <typename T>
void DeleteControl(T*& control) {
    delete control;
    control = nullptr;
}

// "<program folder>vel7m.hlp"; the folder may be up to a whole path long.
void HelpPath(char (&path)[kMaxPath + 16]) {
    const auto* app = dynamic_cast<const CViewApp*>(AfxGetApp());
    const char* dir = app != nullptr && app->m_pszVelDir != nullptr ? app->m_pszVelDir : "";
    std::snprintf(path, sizeof path, "%s%s", dir, "vel7m.hlp");
}

}  // namespace

IMPLEMENT_DYNCREATE(CViewView, CView)

BEGIN_MESSAGE_MAP(CViewView, CView)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_COMMAND(IDC_SEARCH, &CViewView::OnSearch)
ON_COMMAND(IDC_CLEAR, &CViewView::OnClear)
ON_COMMAND(IDC_HELPBUTTON, &CViewView::OnHelp)
ON_COMMAND(IDC_QUIT, &CViewView::OnQuit)
ON_COMMAND(IDC_MOREINFO, &CViewView::OnMoreInfo)
ON_COMMAND(IDC_PREVPAGE, &CViewView::OnPrev)
ON_COMMAND(IDC_NEXTPAGE, &CViewView::OnNext)
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CViewView::CViewView()
    : m_pEdit{},
      m_pMoreInfoButton(nullptr),
      m_pSearchButton(nullptr),
      m_pClearButton(nullptr),
      m_pPrevButton(nullptr),
      m_pNextButton(nullptr),
      m_nSelected(-1),
      m_bBusy(0),
      m_pDeathIndex(nullptr),
      m_pCriteria(nullptr),
      m_pResultSet(nullptr),
      m_szLines{},
      m_pHelpButton(nullptr),
      m_pQuitButton(nullptr),
      m_countNote{},
      m_bWideSearching(0),
      m_nNestedLoops(0),
      m_bEngineOrphaned(FALSE),
      m_bSelfOrphaned(FALSE) {}

int CViewView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;

    m_pDeathIndex = new CDeathIndex;
    m_pCriteria = new CSearchCriteria;
    m_pResultSet = new CResultSet(m_pDeathIndex);
    m_pDeathIndex->SetResultSet(m_pResultSet);
    g_bViewClosing = 0;

    m_pSearchButton =
        MakeButton(this, "&Search", kPushButton | BS_DEFPUSHBUTTON, 200, 135, IDC_SEARCH);
    m_pClearButton = MakeButton(this, "&Clear", kPushButton, 310, 135, IDC_CLEAR);
    m_pMoreInfoButton = MakeButton(this, "&More Info", kPushButton, 420, 135, IDC_MOREINFO);
    m_pMoreInfoButton->EnableWindow(FALSE);
    m_pPrevButton = MakePageButton(this, 541, 179, IDC_PREVPAGE, "IDB_PREV_UP", "IDB_PREV_DOWN",
                                   "IDB_PREV_FOCUS", "IDB_PREV_DIM");
    m_pNextButton = MakePageButton(this, 582, 179, IDC_NEXTPAGE, "IDB_NEXT_UP", "IDB_NEXT_DOWN",
                                   "IDB_NEXT_FOCUS", "IDB_NEXT_DIM");
    m_pHelpButton = MakeButton(this, "Help", kPushButton, 219, 426, IDC_HELPBUTTON);
    m_pQuitButton = MakeButton(this, "&Quit", kPushButton, 320, 426, IDC_QUIT);
    return 0;
}

void CViewView::OnDestroy() {
    char path[kMaxPath + 16];
    HelpPath(path);
    WinHelp(m_hWnd, path, HELP_QUIT, 0);
    CView::OnDestroy();

    for (CEdit*& edit : m_pEdit)
        DeleteControl(edit);
    DeleteControl(m_pSearchButton);
    DeleteControl(m_pClearButton);
    DeleteControl(m_pMoreInfoButton);
    DeleteControl(m_pPrevButton);
    DeleteControl(m_pNextButton);
    DeleteControl(m_pHelpButton);
    DeleteControl(m_pQuitButton);

    g_bViewClosing = 1;
    if (m_nNestedLoops > 0) {
        // A search or the details dialog is still running on the engine objects.
        m_bEngineOrphaned = TRUE;
        return;
    }
    DeleteEngine();
}

void CViewView::DeleteEngine() {
    if (m_pDeathIndex != nullptr)
        m_pDeathIndex->CloseAll();
    delete m_pDeathIndex;
    m_pDeathIndex = nullptr;
    delete m_pCriteria;
    m_pCriteria = nullptr;
    delete m_pResultSet;
    m_pResultSet = nullptr;
    m_bEngineOrphaned = FALSE;
}

void CViewView::PostNcDestroy() {
    if (m_nNestedLoops > 0) {
        m_bSelfOrphaned = TRUE;
        return;
    }
    CView::PostNcDestroy();
}

void CViewView::LeaveNestedLoop() {
    if (--m_nNestedLoops > 0)
        return;
    if (m_bEngineOrphaned)
        DeleteEngine();
    if (m_bSelfOrphaned)
        CView::PostNcDestroy();
}

BOOL CViewView::PreTranslateMessage(MSG* pMsg) {
    return IsDialogMessage(pMsg);
}

void CViewView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    if (m_pEdit[0] != nullptr)
        m_pEdit[0]->SetFocus();
}

void CViewView::OnActivateView(BOOL, CView*, CView*) {}

void CViewView::RunSearch(const char*) {}

void CViewView::ResetExtraFields() {}

BOOL CViewView::HasExtraCriteria() {
    return FALSE;
}

void CViewView::OnSearch() {
    EnterNestedLoop();
    m_bBusy = 1;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));

    char surname[20];
    int length = 0;
    if (m_pEdit[0] != nullptr)
        length = m_pEdit[0]->GetLine(0, surname, 19);
    surname[length] = '\0';
    // Without a surname the other fields must ask for something.
    if (length == 0 && !HasExtraCriteria()) {
        AfxMessageBox("Please enter a surname.", MB_OK);
        if (m_pEdit[0] != nullptr)
            m_pEdit[0]->SetFocus();
    } else {
        RunSearch(surname);
    }

    m_bBusy = 0;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    LeaveNestedLoop();
}

void CViewView::OnClear() {
    ResetExtraFields();
    m_pMoreInfoButton->EnableWindow(FALSE);
    m_pResultSet->Reset();
    m_countNote = CountNote{};
    RedrawList();
    for (CEdit* edit : m_pEdit) {
        if (edit != nullptr)
            edit->SetWindowText("");
    }
    if (m_pEdit[0] != nullptr)
        m_pEdit[0]->SetFocus();
    m_nSelected = -1;
}

void CViewView::OnHelp() {
    char path[kMaxPath + 16];
    HelpPath(path);
    WinHelp(m_hWnd, path, HELP_CONTEXT, kHelpContextSearch);
}

void CViewView::OnQuit() {
    CWnd* main = AfxGetMainWnd();
    if (main != nullptr)
        main->PostMessage(WM_CLOSE);
}

BOOL CViewView::OnSetCursor(CWnd*, UINT, UINT) {
    SetCursor(LoadCursor(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
    return TRUE;
}
