// Device contexts. A window's context draws into the picture of its client area that the
// window keeps (and shows); a memory context draws into, or copies from, a bitmap.
#pragma once

#include "afx.h"
#include "winapi.h"

class CWnd;
class CBitmap;

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
  public:
    CDC();
    ~CDC() override;

    HDC m_hDC = nullptr;

    // A memory context with the text settings of pDC (or of the screen); select a bitmap
    // into it to copy from or draw into the bitmap.
    BOOL CreateCompatibleDC(CDC* pDC);
    HBITMAP SelectObject(HBITMAP hBitmap);
    CBitmap* SelectObject(CBitmap* pBitmap);

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                DWORD dwRop);
    // Single-line text: DT_SINGLELINE with DT_LEFT/DT_CENTER/DT_RIGHT and DT_TOP/DT_VCENTER/
    // DT_BOTTOM, clipped at the rectangle unless DT_NOCLIP; "&x" marks a mnemonic unless
    // DT_NOPREFIX. Returns the height of the text.
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    void InvertRect(LPCRECT lpRect);
    void FillSolidRect(LPCRECT lpRect, COLORREF color);
    BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const;
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int nBkMode);
    COLORREF GetPixel(int x, int y) const;

  protected:
    friend class CWnd;
    friend struct DcAccess;
};

// The context of a window's client area for drawing outside of painting.
class CClientDC : public CDC {
  public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

  protected:
    CWnd* m_pWnd;
};

// The context for WM_PAINT: erases what was invalidated with erasing and validates the window.
class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

  protected:
    CWnd* m_pWnd;
};
