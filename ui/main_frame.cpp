#include "main_frame.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_GETMINMAXINFO()
END_MESSAGE_MAP()

CMainFrame::CMainFrame() : m_bFirstShow(TRUE) {}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style &= ~static_cast<LONG>(WS_MAXIMIZEBOX);
    // Created off-screen; the first ActivateFrame places it.
    cs.x = GetSystemMetrics(SM_CXSCREEN);
    cs.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    SetMenu(nullptr);
    return 0;
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    lpMMI->ptMinTrackSize = {kFrameWidth, kFrameHeight};
    lpMMI->ptMaxTrackSize = {kFrameWidth, kFrameHeight};
}

void CMainFrame::ActivateFrame(int nCmdShow) {
    if (!m_bFirstShow) {
        CFrameWnd::ActivateFrame(nCmdShow);
        return;
    }
    RECT workArea{};
    int width = kFrameWidth;
    int height = kFrameHeight;
    if (SystemParametersInfo(SPI_GETWORKAREA, 0, &workArea, 0)) {
        width = workArea.right;
        height = workArea.bottom;
    }
    // Not clamped: on a small work area the window overhangs it.
    int left = (width - kFrameWidth) / 2;
    int top = (height - kFrameHeight) / 2;
    m_bFirstShow = FALSE;

    WINDOWPLACEMENT placement{};
    placement.length = sizeof(WINDOWPLACEMENT);
    placement.flags = 0;
    placement.showCmd = static_cast<UINT>(nCmdShow);
    placement.ptMinPosition = {0, 0};
    placement.ptMaxPosition = {0, 0};
    placement.rcNormalPosition = {left, top, left + kFrameWidth, top + kFrameHeight};
    SetWindowPlacement(m_hWnd, &placement);
}
