#include "view_doc.h"

IMPLEMENT_DYNCREATE(CViewDoc, CDocument)

CViewDoc::CViewDoc() : m_hBackdrop(nullptr) {}

CViewDoc::~CViewDoc() {
    if (m_hBackdrop != nullptr)
        DeleteObject(m_hBackdrop);
}

void CViewDoc::Serialize(CArchive&) {}

BOOL CViewDoc::OnNewDocument() {
    return CDocument::OnNewDocument();
}

BOOL CViewDoc::OnOpenDocument(LPCTSTR) {
    DeleteContents();
    BeginWaitCursor();
    // Opening again replaces the picture rather than leaking the old one.
    if (m_hBackdrop != nullptr)
        DeleteObject(m_hBackdrop);
    m_hBackdrop = static_cast<HBITMAP>(
        LoadImage(AfxGetResourceHandle(), "IDB_BACKDROP", IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    EndWaitCursor();
    if (m_hBackdrop != nullptr) {
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    MessageBoxA(nullptr, "Couldn't load background", nullptr, MB_ICONINFORMATION | MB_OK);
    return FALSE;
}
