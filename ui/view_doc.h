// The one document: the backdrop picture that the view draws.
#pragma once

#include "afxwin.h"

class CViewDoc : public CDocument {
    DECLARE_DYNCREATE(CViewDoc)
  public:
    ~CViewDoc() override;
    void Serialize(CArchive& ar) override;
    BOOL OnNewDocument() override;
    // Loads the backdrop resource; the path name is not used.
    BOOL OnOpenDocument(LPCTSTR lpszPathName) override;
    HBITMAP GetBackdrop() const { return m_hBackdrop; }

  protected:
    CViewDoc();
    HBITMAP m_hBackdrop;
};
