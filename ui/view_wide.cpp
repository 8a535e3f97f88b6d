// CDeadView's searches beyond the form's own: surnames with wildcards or by their sound, given
// names with wildcards, and no surname at all. They run over many surnames or both discs,
// so the window stays painted meanwhile and Escape cancels them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "result_set.h"
#include "search_criteria.h"
#include "surname_edit.h"
#include "view_view.h"
#include "wide_search.h"

namespace {

bool HasWildcards(const char* text) {
    return std::strpbrk(text, "*?") != nullptr;
}

void ReadText(CEdit* edit, char (&text)[251]) {
    text[0] = '\0';
    if (edit != nullptr)
        edit->GetWindowText(text, sizeof text);
}

CountKind CountKindOf(SurnameKind kind) {
    switch (kind) {
        case SurnameKind::kPattern:
            return CountKind::kPattern;
        case SurnameKind::kSoundex:
            return CountKind::kSoundex;
        case SurnameKind::kDaitchMokotoff:
            return CountKind::kDaitchMokotoff;
        case SurnameKind::kNone:
        case SurnameKind::kExact:
            break;
    }
    return CountKind::kAnySurname;
}

}  // namespace

SurnameMatch CDeadView::SurnameMatchChosen() const {
    const auto* field = dynamic_cast<const CSurnameEdit*>(m_pEdit[0]);
    return field != nullptr ? field->GetMatch() : SurnameMatch::kSpelling;
}

bool CDeadView::IsFormQuery(const char* surname) const {
    if (surname[0] == '\0' || HasWildcards(surname) ||
        SurnameMatchChosen() != SurnameMatch::kSpelling) {
        return false;
    }
    char first[251];
    ReadText(m_pEdit[1], first);
    return !HasWildcards(first);
}

BOOL CDeadView::ReadYear(CEdit* field, int first, const char* message, int& year) {
    char text[251];
    ReadText(field, text);
    year = 0;
    if (text[0] == '\0')
        return TRUE;
    year = ParseLeadingInt(text);
    if (year < first || year > kLastYear) {
        char shown[64];
        std::snprintf(shown, sizeof shown, message, kLastYear);
        RefuseQuery(shown, field);
        return FALSE;
    }
    return TRUE;
}

void CDeadView::RunWideSearch(const char* surname) {
    m_nSelected = -1;
    m_pResultSet->Reset();
    m_pMoreInfoButton->EnableWindow(FALSE);

    // The years are read and checked as the form's own search does, with its messages.
    int death = 0;
    int birth = 0;
    if (!ReadYear(m_pEdit[3], kFirstDeathYear, "Death year must be between 1900 and %d", death) ||
        !ReadYear(m_pEdit[2], kFirstBirthYear, "Birth year must be between 1870 and %d", birth)) {
        return;
    }
    if (birth != 0 && death != 0 && birth > death) {
        RefuseQuery("Birth year must be the same or earlier than\nthe death year.", m_pEdit[2]);
        return;
    }

    // A sounds-like choice needs a name to sound like: without one, the other fields search.
    SearchQuery query;
    query.SetSurname(surname, surname[0] != '\0' ? SurnameMatchChosen() : SurnameMatch::kSpelling);
    char text[251];
    ReadText(m_pEdit[1], text);
    query.SetFirstName(text);
    char year[16];
    if (birth != 0) {
        std::snprintf(year, sizeof year, "%d", birth);
        query.SetBirth(year);
    }
    if (death != 0) {
        std::snprintf(year, sizeof year, "%d", death);
        query.SetDeath(year);
    }
    query.SetState(std::max(m_pStateCombo->GetCurSel(), 0));

    QueryProblem problem;
    if (!query.Check(problem)) {
        CEdit* field = m_pEdit[0];
        if (problem.field == QueryField::kFirstName)
            field = m_pEdit[1];
        RefuseQuery(problem.text, field);
        return;
    }

    auto search = std::make_unique<CWideSearch>(m_pResultSet);
    m_bWideSearching = 1;
    RedrawList();
    AfxGetGuiHost().BeginLongWork();
    const WideOutcome outcome = search->Search(query);
    m_bWideSearching = 0;
    if (outcome == WideOutcome::kDone) {
        MakeCountNote(m_countNote, CountKindOf(query.Surname()), query.SurnameText(),
                      search->MatchedSurnames());
    }
    if (!g_bViewClosing)
        RefreshLines();
}
