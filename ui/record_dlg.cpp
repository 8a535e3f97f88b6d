#include "record_dlg.h"

#include "resource_ids.h"

BEGIN_MESSAGE_MAP(CRecordDlg, CDialog)
END_MESSAGE_MAP()

CRecordDlg::CRecordDlg(CWnd* pParent) : CDialog(IDD_RECORD, pParent) {}

CRecordDlg::~CRecordDlg() = default;

void CRecordDlg::SetTitle(LPCTSTR text) {
    if (text != nullptr)
        m_strTitle = text;
}

void CRecordDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_BIRTHDATE, m_strBirthDate);
    DDX_Text(pDX, IDC_DEATHDATE, m_strDeathDate);
    DDX_Text(pDX, IDC_SSN, m_strSSN);
    DDX_Text(pDX, IDC_RESIDENCEZIP, m_strResidenceZip);
    DDX_Text(pDX, IDC_PAYMENTZIP, m_strPaymentZip);
    DDX_Text(pDX, IDC_LOCATION, m_strLocation);
    DDX_Text(pDX, IDC_SSNISSUEDIN, m_strSsnIssuedIn);
}

BOOL CRecordDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_strTitle);
    return TRUE;
}
