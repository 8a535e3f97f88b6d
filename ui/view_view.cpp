#include "view_view.h"

IMPLEMENT_DYNCREATE(CViewView, CView)
IMPLEMENT_DYNCREATE(CDeadView, CViewView)

void CViewView::OnActivateView(BOOL, CView*, CView*) {}

void CViewView::OnDraw(CDC* pDC) {
    CViewDoc* doc = GetDocument();
    HBITMAP backdrop = doc != nullptr ? doc->GetBackdrop() : nullptr;
    if (backdrop == nullptr)
        return;
    BITMAP bm{};
    GetObject(backdrop, sizeof bm, &bm);
    CDC memDC;
    memDC.CreateCompatibleDC(pDC);
    HBITMAP old = memDC.SelectObject(backdrop);
    pDC->BitBlt(0, 0, bm.bmWidth, bm.bmHeight, &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(old);
}

void CDeadView::OnDraw(CDC* pDC) {
    CViewView::OnDraw(pDC);
}
