// The main window: a fixed 640 by 480 frame without menu bar or maximise box, centred in
// the work area when first shown.
#pragma once

#include "afxwin.h"

inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
  public:
    CMainFrame();
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void ActivateFrame(int nCmdShow = -1) override;

    BOOL m_bFirstShow;

  protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    DECLARE_MESSAGE_MAP()
};
