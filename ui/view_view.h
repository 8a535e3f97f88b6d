// The view that fills the main window. This first version draws the backdrop; the search
// form and the result list are built on it.
#pragma once

#include "afxwin.h"
#include "view_doc.h"

class CViewView : public CView {
    DECLARE_DYNCREATE(CViewView)
  public:
    CViewDoc* GetDocument() const { return static_cast<CViewDoc*>(m_pDocument); }
    // Does nothing: the focus stays in the form's fields when the window is activated.
    void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) override;

  protected:
    CViewView() = default;
    void OnDraw(CDC* pDC) override;
};

class CDeadView : public CViewView {
    DECLARE_DYNCREATE(CDeadView)
  protected:
    CDeadView() = default;
    void OnDraw(CDC* pDC) override;
};
