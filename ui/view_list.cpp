// CViewView's result list: the full paint, the list drawn over the backdrop, paging and the
// details of the selected row.
#include <algorithm>
#include <cstdio>

#include "record_dlg.h"
#include "resource_ids.h"
#include "result_set.h"
#include "tab_fields.h"
#include "view_view.h"

BYTE g_bFirstViewPaint = 1;

namespace {

constexpr int kListHeight = kListArea.bottom - kListArea.top;

// The cell of `column` in `row`, never reaching below the list area.
RECT Cell(int row, int column, int pitch) {
    int top = kListArea.top + row * pitch;
    int bottom = std::min(top + pitch, static_cast<int>(kListArea.bottom));
    return {kListColumns[column].left, top, kListColumns[column].right, bottom};
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// Copies `source` into the work buffer, cut to fit, and splits it at tabs.
template <size_t N>
int CopyAndSplit(const char* source, char (&work)[N], char** fields, int maxFields) {
    std::snprintf(work, N, "%s", source != nullptr ? source : "");
    return SplitTabFields(work, fields, maxFields);
}

const char* OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

}  // namespace

bool IsLargeListFont(int textHeight) {
    return textHeight >= kLargeFontHeight || textHeight * kPageSizeNormal > kListHeight;
}

int ListRowPitch(int textHeight, int pageSize) {
    if (pageSize > 0 && textHeight * pageSize > kListHeight)
        return kListHeight / pageSize;
    return textHeight;
}

void CViewView::OnDraw(CDC* pDC) {
    CViewDoc* doc = GetDocument();
    HBITMAP backdrop = doc != nullptr ? doc->GetBackdrop() : nullptr;
    if (backdrop != nullptr) {
        BITMAP bm{};
        GetObject(backdrop, sizeof bm, &bm);
        CDC memDC;
        memDC.CreateCompatibleDC(pDC);
        HBITMAP old = memDC.SelectObject(backdrop);
        pDC->BitBlt(0, 0, bm.bmWidth, bm.bmHeight, &memDC, 0, 0, SRCCOPY);
        memDC.SelectObject(old);
        if (m_pResultSet != nullptr)
            DrawList(pDC, m_pResultSet->GetPageCount(), m_pResultSet->GetTotal());
    }

    if (g_bFirstViewPaint) {
        TEXTMETRIC tm{};
        pDC->GetTextMetrics(&tm);
        if (tm.tmHeight >= kLargeFontHeight) {
            if (m_pHelpButton != nullptr)
                m_pHelpButton->MoveWindow(219, 423, 96, 20, TRUE);
            if (m_pQuitButton != nullptr)
                m_pQuitButton->MoveWindow(320, 423, 96, 20, TRUE);
        }
        g_bFirstViewPaint = 0;
    }

    if (m_pEdit[0] != nullptr)
        m_pEdit[0]->SetFocus();
}

void CViewView::RefreshLines() {
    if (m_pResultSet == nullptr)
        return;
    int rows = std::clamp(m_pResultSet->GetPageCount(), 0, kLineRows);
    for (int r = 0; r < rows; ++r)
        m_pResultSet->FormatListLine(r, m_szLines[r], sizeof m_szLines[r]);
    RedrawList();
}

void CViewView::RedrawList() {
    CViewDoc* doc = GetDocument();
    HBITMAP backdrop = doc != nullptr ? doc->GetBackdrop() : nullptr;
    if (backdrop == nullptr || m_pResultSet == nullptr)
        return;
    CDC* pDC = GetDC();
    if (pDC == nullptr)
        return;
    CDC memDC;
    memDC.CreateCompatibleDC(pDC);
    HBITMAP old = memDC.SelectObject(backdrop);
    for (const RECT& r : {kListArea, kCountLine}) {
        pDC->BitBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, &memDC, r.left, r.top,
                    SRCCOPY);
    }
    memDC.SelectObject(old);
    DrawList(pDC, m_pResultSet->GetPageCount(), m_pResultSet->GetTotal());
    ReleaseDC(pDC);
}

void CViewView::DrawList(CDC* pDC, int rows, long total) {
    // Record texts are data, not markup: an "&" in them is shown, not taken as a mnemonic.
    const UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX;
    if (m_bWideSearching) {
        pDC->SetBkMode(TRANSPARENT);
        pDC->SetTextColor(kListTextColour);
        DrawCountLine(pDC, 0, format);
        SetPageButtons(FALSE, FALSE);
        if (m_pMoreInfoButton != nullptr)
            m_pMoreInfoButton->EnableWindow(FALSE);
        return;
    }

    TEXTMETRIC tm{};
    pDC->GetTextMetrics(&tm);
    m_pResultSet->SetPageSize(IsLargeListFont(tm.tmHeight));
    const int pitch = ListRowPitch(tm.tmHeight, m_pResultSet->GetPageSize());

    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(kListTextColour);

    if (m_countNote.kind == CountKind::kForm) {
        char count[48];
        std::snprintf(count, sizeof count, "%ld records found.", std::max(total, 0L));
        CRect countRect(kCountLine);
        pDC->DrawText(count, -1, countRect, format);
    } else {
        DrawCountLine(pDC, total, format);
    }

    SetPageButtons(m_pResultSet->HasPrevPage(), m_pResultSet->HasNextPage());

    rows = std::clamp(rows, 0, kLineRows);
    for (int r = 0; r < rows; ++r) {
        char work[kLineLength];
        char* fields[kListColumnCount];
        int n = CopyAndSplit(m_szLines[r], work, fields, kListColumnCount);
        for (int c = 0; c < n; ++c) {
            RECT cell = Cell(r, c, pitch);
            if (!IsEmpty(cell))
                pDC->DrawText(fields[c], -1, &cell, format);
        }
    }

    BOOL selected = m_nSelected >= 0 && m_nSelected < rows;
    if (selected)
        InvertRow(pDC, m_nSelected, pitch);
    if (m_pMoreInfoButton != nullptr)
        m_pMoreInfoButton->EnableWindow(selected);
}

void CViewView::DrawCountLine(CDC* pDC, long total, UINT format) {
    CountNote searching;
    searching.kind = CountKind::kSearching;
    const CountNote& note = m_bWideSearching ? searching : m_countNote;
    TEXTMETRIC tm{};
    pDC->GetTextMetrics(&tm);
    const CRect area(kCountLine);
    const CountLineText text =
        LayOutCountLine(note, total, area.Width(), area.Height(), tm.tmHeight,
                        [pDC](const char* line) { return pDC->GetTextExtent(line, -1).cx; });
    for (int l = 0; l < text.count; ++l) {
        // Never below the rectangle, where no repaint of the list would erase it.
        CRect line(area.left, area.top + l * tm.tmHeight, area.right, area.bottom);
        pDC->DrawText(text.lines[l], -1, line, format);
    }
}

void CViewView::SetPageButtons(BOOL hasPrev, BOOL hasNext) {
    if (m_pPrevButton == nullptr || m_pNextButton == nullptr)
        return;
    // A focused arrow that is about to be disabled hands the focus to the other arrow, or to
    // the surname field when both go; the window system would pass it on to Help, where the
    // next Enter opens the help instead of turning a page.
    CWnd* focus = GetFocus();
    CWnd* next = nullptr;
    if (focus == m_pNextButton && !hasNext)
        next = hasPrev ? static_cast<CWnd*>(m_pPrevButton) : m_pEdit[0];
    else if (focus == m_pPrevButton && !hasPrev)
        next = hasNext ? static_cast<CWnd*>(m_pNextButton) : m_pEdit[0];
    // Enabled first, so that the focus can move before the arrow that had it goes dim.
    if (hasPrev)
        m_pPrevButton->EnableWindow(TRUE);
    if (hasNext)
        m_pNextButton->EnableWindow(TRUE);
    if (next != nullptr)
        next->SetFocus();
    if (!hasPrev)
        m_pPrevButton->EnableWindow(FALSE);
    if (!hasNext)
        m_pNextButton->EnableWindow(FALSE);
}

void CViewView::InvertRow(CDC* pDC, int row, int pitch) {
    for (int c = 0; c < kListColumnCount; ++c) {
        RECT cell = Cell(row, c, pitch);
        if (!IsEmpty(cell))
            pDC->InvertRect(&cell);
    }
}

void CViewView::OnPrev() {
    m_nSelected = -1;
    m_pResultSet->PrevPage();
    RefreshLines();
}

void CViewView::OnNext() {
    m_nSelected = -1;
    m_pResultSet->NextPage();
    RefreshLines();
}

void CViewView::OnMoreInfo() {
    if (m_nSelected < 0 || m_nSelected > 10)
        return;
    CRecordDlg dialog(nullptr);

    // The list line: surname, first name, birth date, death date, location.
    char work[256];
    char* fields[kListColumnCount];
    CopyAndSplit(m_szLines[m_nSelected], work, fields, kListColumnCount);
    CString caption = OrEmpty(fields[0]);
    caption.TrimRight();
    caption += ", ";
    caption += OrEmpty(fields[1]);
    caption.TrimRight();
    dialog.SetTitle(caption);
    dialog.m_strBirthDate = OrEmpty(fields[2]);
    dialog.m_strDeathDate = OrEmpty(fields[3]);
    dialog.m_strLocation = OrEmpty(fields[4]);

    // The detail line: SSN, ZIP of last residence, ZIP of last payment.
    const char* detail = m_pResultSet->FormatDetailLine(m_nSelected);
    if (detail != nullptr) {
        char detailWork[256];
        char* details[3];
        CopyAndSplit(detail, detailWork, details, 3);
        dialog.m_strSSN = OrEmpty(details[0]);
        dialog.m_strResidenceZip = OrEmpty(details[1]);
        dialog.m_strPaymentZip = OrEmpty(details[2]);
    }
    // Unknown, as every other field of the dialog shows it.
    ResultRow row;
    const bool known = m_pResultSet->PageRow(m_nSelected, row) && *row.ssnIssuedIn != '\0';
    dialog.m_strSsnIssuedIn = known ? row.ssnIssuedIn : "---";

    EnterNestedLoop();
    dialog.DoModal();
    LeaveNestedLoop();
}
