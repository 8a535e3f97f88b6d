// The record details dialog (template 114): one hit's dates, SSN and where it was issued,
// location and ZIP codes in read-only fields, the person's name in the caption.
#pragma once

#include "afxwin.h"

class CRecordDlg : public CDialog {
  public:
    // A null parent means the main window.
    explicit CRecordDlg(CWnd* pParent = nullptr);
    ~CRecordDlg() override;

    // The caption; a null text leaves it as it was.
    void SetTitle(LPCTSTR text);

    CString m_strBirthDate;
    CString m_strDeathDate;
    CString m_strSSN;
    CString m_strResidenceZip;
    CString m_strPaymentZip;
    CString m_strLocation;
    CString m_strSsnIssuedIn;
    CString m_strTitle;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    DECLARE_MESSAGE_MAP()
};
