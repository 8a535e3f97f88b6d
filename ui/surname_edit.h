// The surname field: a field of the form whose shortcut menu also chooses how a surname is
// matched, by its spelling (where * and ? are wildcards) or by how it sounds.
#pragma once

#include "search_query.h"
#include "view_view.h"

class CSurnameEdit : public CQueryEdit {
  public:
    CSurnameEdit() = default;

    // The choice holds until the menu changes it or the form is cleared.
    SurnameMatch GetMatch() const { return m_match; }
    void SetMatch(SurnameMatch match) { m_match = match; }

  protected:
    // The field's own edit commands, then the three ways of matching, the current one checked.
    void OnContextMenu(CWnd* pWnd, CPoint point);

    DECLARE_MESSAGE_MAP()

  private:
    SurnameMatch m_match = SurnameMatch::kSpelling;
};
