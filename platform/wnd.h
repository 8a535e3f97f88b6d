// Windows and controls: CWnd and the four control classes the forms use. Each CWnd owns one
// window of the platform layer (a Qt widget underneath); messages reach it through
// WindowProc and its message map.
#pragma once

#include <vector>

#include "afx.h"
#include "winapi.h"

class CDC;
class CMenu;
struct CCreateContext;

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
  public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The CWnd of a handle of this process, or null.
    static CWnd* FromHandle(HWND hWnd);

    // Creates the window. Class names: "BUTTON", "EDIT", "COMBOBOX", "STATIC", or null for a
    // plain window (frames and views). Children are placed at `rect` in their parent's client
    // pixels; a top-level window's rectangle is its outer frame.
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    BOOL IsDialogMessage(LPMSG lpMsg);

    // State, text and geometry.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;
    CWnd* SetFocus();
    static CWnd* GetFocus();
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    void GetClientRect(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void GetWindowRect(LPRECT lpRect) const;
    DWORD GetStyle() const;
    int GetDlgCtrlID() const;
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    CWnd* GetTopLevelParent() const;
    BOOL SetMenu(CMenu* pMenu);
    CMenu* GetMenu() const;
    void SetForegroundWindow();
    void BringWindowToTop();
    CWnd* GetLastActivePopup() const;
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void SetIcon(HICON hIcon, BOOL bBigIcon);

    // Painting: the window keeps a picture of its client area; device contexts draw into it.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);

    // Runs the message through the message map, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy();
    // Owner-drawn controls draw themselves here.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnClose();
    void OnPaint();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnSize(UINT nType, int cx, int cy);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    // The default: an edit field shows its own edit menu; other child windows pass the
    // message on to their parent.
    void OnContextMenu(CWnd* pWnd, CPoint pos);

    friend struct WndAccess;
    DECLARE_MESSAGE_MAP()
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
  public:
    CButton() = default;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    using CWnd::Create;
};

class CBitmap;

class CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
  public:
    CGdiObject() = default;
    ~CGdiObject() override;
    HGDIOBJ m_hObject = nullptr;
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
};

class CBitmap : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
  public:
    CBitmap() = default;
    // Loads a bitmap resource of the program by name.
    BOOL LoadBitmap(LPCTSTR lpszResourceName);
    int GetBitmap(BITMAP* pBitMap) const;
    operator HBITMAP() const {
        return static_cast<HBITMAP>(m_hObject);
    }  // NOLINT: as the framework
};

// A push button drawn from four bitmaps: up, down, focused, disabled.
class CBitmapButton : public CButton {
    DECLARE_DYNAMIC(CBitmapButton)
  public:
    CBitmapButton() = default;
    BOOL LoadBitmaps(LPCTSTR lpszBitmapResource, LPCTSTR lpszBitmapResourceSel = nullptr,
                     LPCTSTR lpszBitmapResourceFocus = nullptr,
                     LPCTSTR lpszBitmapResourceDisabled = nullptr);
    // Resizes the button to its up bitmap.
    void SizeToContent();

    CBitmap m_bitmap;
    CBitmap m_bitmapSel;
    CBitmap m_bitmapFocus;
    CBitmap m_bitmapDisabled;

  protected:
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
  public:
    CEdit() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    using CWnd::Create;
    void LimitText(int nChars = 0);
    // Copies at most nMaxLength characters of the line, without a terminator.
    int GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const;
    void SetSel(int nStartChar, int nEndChar);
    // Appends the field's own edit commands (Undo, Cut, Copy, Paste, ... as the field's shortcut
    // menu has them) to a shortcut menu; chosen, they act on the field and TrackPopupMenu
    // reports no command for them.
    BOOL AppendStandardCommands(CMenu* pMenu);
};

// A drop-down list (CBS_DROPDOWNLIST); the height given at creation is that of the dropped list.
class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
  public:
    CComboBox() = default;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    using CWnd::Create;
    int AddString(LPCTSTR lpszString);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    void ResetContent();
};

// A menu bar loaded from a menu resource, or a shortcut menu.
class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)
  public:
    CMenu() = default;
    HMENU m_hMenu = nullptr;
    BOOL LoadMenu(UINT nIDResource);
    // A shortcut menu: items are added with AppendMenu and shown with TrackPopupMenu, which
    // with TPM_RETURNCMD returns the chosen item's id (0 when none was chosen).
    BOOL CreatePopupMenu();
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
    // Checks item nIDCheck with a bullet and unchecks the others from nIDFirst to nIDLast:
    // one choice of several.
    BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDCheck, UINT nFlags);
    BOOL DestroyMenu();
    ~CMenu() override;
};
