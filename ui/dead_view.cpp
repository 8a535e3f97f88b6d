// CDeadView: the fields of the form, the checks of a query before it runs, and the mouse in
// the result list.
#include <cstdio>

#include "death_index.h"
#include "death_record.h"
#include "resource_ids.h"
#include "result_set.h"
#include "search_criteria.h"
#include "surname_edit.h"
#include "view_view.h"

namespace {

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kComboStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;

// Left, top, width, height, control id, character limit of the four fields.
constexpr short kEditLayout[4][6] = {
    {236, 71, 161, 29, IDC_SURNAME, 12},
    {461, 71, 161, 29, IDC_FIRSTNAME, 10},
    {461, 101, 52, 26, IDC_BIRTHYEAR, 4},
    {571, 101, 52, 26, IDC_DEATHYEAR, 4},
};

// Reads a field of the form, at most 250 characters.
void ReadField(CEdit* edit, char (&text)[251]) {
    text[0] = '\0';
    if (edit != nullptr)
        edit->GetWindowText(text, sizeof text);
}

}  // namespace

IMPLEMENT_DYNCREATE(CDeadView, CViewView)

BEGIN_MESSAGE_MAP(CDeadView, CViewView)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

CDeadView::CDeadView() : m_pStateCombo(nullptr) {}

int CDeadView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CViewView::OnCreate(lpCreateStruct) == -1)
        return -1;
    for (int i = 0; i < 4; ++i) {
        const short* row = kEditLayout[i];
        // The surname field's menu also chooses how the surname is matched.
        m_pEdit[i] = i == 0 ? new CSurnameEdit : new CQueryEdit;
        m_pEdit[i]->Create(kEditStyle, CRect(row[0], row[1], row[0] + row[2], row[1] + row[3]),
                           this, static_cast<UINT>(row[4]));
        m_pEdit[i]->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(row[5]), 0);
    }
    m_pStateCombo = new CComboBox;
    m_pStateCombo->Create(kComboStyle, CRect(236, 101, 236 + 179, 101 + 250), this, IDC_STATE);
    for (const char* name : LocationNames)
        m_pStateCombo->AddString(name);
    return 0;
}

void CDeadView::OnDestroy() {
    CViewView::OnDestroy();
    delete m_pStateCombo;
    m_pStateCombo = nullptr;
}

void CDeadView::OnInitialUpdate() {
    CViewView::OnInitialUpdate();
    m_pStateCombo->SetCurSel(0);
}

void CDeadView::OnDraw(CDC* pDC) {
    CViewView::OnDraw(pDC);
}

void CDeadView::ResetExtraFields() {
    m_pStateCombo->SetCurSel(0);
    if (auto* surname = dynamic_cast<CSurnameEdit*>(m_pEdit[0]))
        surname->SetMatch(SurnameMatch::kSpelling);
}

BOOL CDeadView::HasExtraCriteria() {
    for (int i = 1; i < 4; ++i) {
        if (m_pEdit[i] != nullptr && m_pEdit[i]->GetWindowTextLength() > 0)
            return TRUE;
    }
    return m_pStateCombo != nullptr && m_pStateCombo->GetCurSel() > 0;
}

void CDeadView::RefuseQuery(const char* text, CEdit* field) {
    AfxMessageBox(text, MB_OK);
    RefreshLines();
    if (field != nullptr)
        field->SetFocus();
}

void CDeadView::RunSearch(const char* surname) {
    m_countNote = CountNote{};
    if (!IsFormQuery(surname)) {
        RunWideSearch(surname);
        return;
    }

    m_nSelected = -1;
    m_pResultSet->Reset();
    m_pMoreInfoButton->EnableWindow(FALSE);

    m_pCriteria->SetSurname(surname);

    char text[251];
    ReadField(m_pEdit[1], text);
    if (text[0] != '\0')
        m_pCriteria->SetFirstName(text);

    char message[64];
    int death = 0;
    bool hasDeath = false;
    ReadField(m_pEdit[3], text);
    if (text[0] != '\0') {
        death = ParseLeadingInt(text);
        if (death < kFirstDeathYear || death > kLastYear) {
            std::snprintf(message, sizeof message, "Death year must be between 1900 and %d",
                          kLastYear);
            RefuseQuery(message, m_pEdit[3]);
            return;
        }
        m_pCriteria->SetDeathYear(death);
        hasDeath = true;
    }

    int birth = 0;
    bool hasBirth = false;
    ReadField(m_pEdit[2], text);
    if (text[0] != '\0') {
        birth = ParseLeadingInt(text);
        if (birth < kFirstBirthYear || birth > kLastYear) {
            std::snprintf(message, sizeof message, "Birth year must be between 1870 and %d",
                          kLastYear);
            RefuseQuery(message, m_pEdit[2]);
            return;
        }
        m_pCriteria->SetBirthYear(birth);
        hasBirth = true;
    }

    if (hasBirth && hasDeath && birth > death) {
        RefuseQuery("Birth year must be the same or earlier than\nthe death year.", m_pEdit[2]);
        return;
    }

    int state = m_pStateCombo->GetCurSel();
    if (state > 0)
        m_pCriteria->SetState(state);

    m_pDeathIndex->Search(m_pCriteria);
    if (!g_bViewClosing)
        RefreshLines();
}

void CDeadView::OnLButtonDown(UINT, CPoint point) {
    if (!CRect(kListArea).PtInRect(point) || m_pResultSet == nullptr)
        return;
    CDC* pDC = GetDC();
    if (pDC == nullptr)
        return;
    TEXTMETRIC tm{};
    pDC->GetTextMetrics(&tm);
    int pitch = ListRowPitch(tm.tmHeight, m_pResultSet->GetPageSize());
    int rows = m_pResultSet->GetPageCount();
    if (pitch > 0) {
        int row = (point.y - kListArea.top) / pitch;
        if (rows > 0 && row < rows && row < kLineRows) {
            if (m_nSelected >= 0 && m_nSelected < rows)
                InvertRow(pDC, m_nSelected, pitch);
            m_nSelected = row;
            InvertRow(pDC, m_nSelected, pitch);
            m_pMoreInfoButton->EnableWindow(TRUE);
        }
    }
    ReleaseDC(pDC);
}

void CDeadView::OnLButtonDblClk(UINT, CPoint point) {
    if (CRect(kListArea).PtInRect(point))
        OnMoreInfo();
}
