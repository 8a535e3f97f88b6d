// Modal dialogs built from a dialog template table, with text data exchange.
#pragma once

#include <memory>
#include <vector>

#include "docview.h"
#include "resource.h"

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Moves text between a control of the dialog and `value`.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
  public:
    // A null parent means the main window.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Shows the dialog modally; returns the EndDialog result, or -1 when the template is
    // missing.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* pMsg) override;

  protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();
    void OnClose();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

  private:
    std::vector<std::unique_ptr<CWnd>> m_items;
    DECLARE_MESSAGE_MAP()
};
