// The view that fills the main window: the search form on top and the result list below it,
// both drawn over the backdrop picture. CViewView owns the engine objects and the buttons and
// draws the list; CDeadView, the class that runs, adds the fields, the query checks and the
// mouse in the list.
#pragma once

#include "afxwin.h"
#include "count_line.h"
#include "result_writers.h"
#include "search_query.h"
#include "view_doc.h"

class CDeathIndex;
class CSearchCriteria;
class CResultSet;

// The list area (rows of the page, and where a click selects) and the count line, in client
// pixels; right and bottom are exclusive.
inline constexpr RECT kListArea = {20, 249, 602, 413};
inline constexpr RECT kCountLine = {267, 181, 450, 210};

// Horizontal extents of the five columns; the gaps between them are never drawn on.
struct ListColumn {
    int left;
    int right;
};
inline constexpr int kListColumnCount = 5;
inline constexpr ListColumn kListColumns[kListColumnCount] = {
    {20, 140}, {158, 282}, {300, 384}, {400, 484}, {500, 601}};

inline constexpr COLORREF kListTextColour = RGB(15, 25, 8);
// From this text height on the system font counts as large: pages of 8 rows, and Help and
// Quit sit a little higher.
inline constexpr int kLargeFontHeight = 20;

// Rows are as tall as the text. Pages hold 10 rows, or 8 with a large font, and also with a
// font too tall for 10 rows to fit the list area; a font too tall even for 8 gets rows squeezed
// to fit, so that nothing is ever drawn below the list area.
bool IsLargeListFont(int textHeight);
int ListRowPitch(int textHeight, int pageSize);

inline constexpr int kLineRows = 15;
inline constexpr int kLineLength = 500;

// Cleared when a view creates its engine objects, set when it begins to close: a search that
// returns after its view began to close leaves the list alone.
extern BYTE g_bViewClosing;
// Set until the first full paint of a view in this process (the large-font button move runs
// once).
extern BYTE g_bFirstViewPaint;

// The text fields of the form: a plain edit control.
class CQueryEdit : public CEdit {};

class CViewView : public CView {
    DECLARE_DYNCREATE(CViewView)
  public:
    CViewDoc* GetDocument() const { return static_cast<CViewDoc*>(m_pDocument); }

    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnInitialUpdate() override;
    // Does nothing: the focus stays in the form's fields when the window is activated.
    void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) override;

    // Runs a search for `surname` with the other fields of the form; empty here.
    virtual void RunSearch(const char* surname);
    // Empties the fields that only a derived form has; empty here.
    virtual void ResetExtraFields();
    // Whether the fields besides the surname ask for anything: a search then needs no
    // surname. FALSE here.
    virtual BOOL HasExtraCriteria();

    // Formats the lines of the current page and repaints the list and the count line.
    void RefreshLines();
    // Repaints the list area and the count line from the backdrop and draws the list again.
    void RedrawList();
    // Draws the count line, `rows` rows of the page and the selection, and sets the enabled
    // state of Previous, Next and More Info.
    void DrawList(CDC* pDC, int rows, long total);

    // Asks for a file and a format and writes every record of the result into it.
    void SaveAllRecords();
    // Writes every record of the result to `path` in `format`, through a file beside it that
    // takes its name only when complete, with a progress window that can cancel; tells the
    // user why when it fails. True when the file was written.
    bool WriteAllRecords(const char* path, OutputFormat format);

    CEdit* m_pEdit[4];  // surname, first name, birth year, death year
    CButton* m_pMoreInfoButton;
    CButton* m_pSearchButton;
    CButton* m_pClearButton;
    CBitmapButton* m_pPrevButton;
    CBitmapButton* m_pNextButton;
    int m_nSelected;  // selected row of the page, -1 for none
    BYTE m_bBusy;     // a search runs
    CDeathIndex* m_pDeathIndex;
    CSearchCriteria* m_pCriteria;
    CResultSet* m_pResultSet;
    char m_szLines[kLineRows][kLineLength];
    CButton* m_pHelpButton;
    CButton* m_pQuitButton;
    // What the count line says besides the count, for the records shown.
    CountNote m_countNote;
    // A search over many surnames or both discs is filling the result set: the list shows
    // that it runs and reads nothing of the result set meanwhile.
    BYTE m_bWideSearching;

  protected:
    CViewView();
    void OnDraw(CDC* pDC) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnSearch();
    void OnClear();
    void OnHelp();
    void OnQuit();
    void OnMoreInfo();
    void OnPrev();
    void OnNext();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);

    // The count line for `total` records, or while a search runs.
    void DrawCountLine(CDC* pDC, long total, UINT format);
    // Inverts the five cells of `row` (rows `pitch` pixels apart) in place.
    void InvertRow(CDC* pDC, int row, int pitch);
    // Enables the page arrows that have a page in their direction, and disables the others.
    void SetPageButtons(BOOL hasPrev, BOOL hasNext);

    // Searches and the details dialog run nested message loops, in which the window may be
    // closed. The engine objects and this object then stay until the handler has returned.
    void EnterNestedLoop() { ++m_nNestedLoops; }
    // May delete this object: the caller must not touch it afterwards.
    void LeaveNestedLoop();

    DECLARE_MESSAGE_MAP()

  private:
    void DeleteEngine();
    int m_nNestedLoops;
    BOOL m_bEngineOrphaned;  // the window is gone; delete the engine when the loops end
    BOOL m_bSelfOrphaned;    // ... and this object
};

class CDeadView : public CViewView {
    DECLARE_DYNCREATE(CDeadView)
  public:
    void OnInitialUpdate() override;
    void RunSearch(const char* surname) override;
    void ResetExtraFields() override;
    BOOL HasExtraCriteria() override;

    CComboBox* m_pStateCombo;

  protected:
    CDeadView();
    void OnDraw(CDC* pDC) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    // The list's shortcut menu: "Save all N records as...".
    void OnContextMenu(CWnd* pWnd, CPoint point);

    // Shows `text`, repaints the emptied list and puts the focus into `field`.
    void RefuseQuery(const char* text, CEdit* field);

    // How the surname field's menu says to match the surname.
    SurnameMatch SurnameMatchChosen() const;
    // Whether the form's own search can run the query: a surname matched by its spelling,
    // and neither it nor the given name with wildcards.
    bool IsFormQuery(const char* surname) const;
    // Any other query: wildcards, sounds-like or no surname, over both discs, with the wait
    // cursor, the window kept painted and Escape to cancel.
    void RunWideSearch(const char* surname);
    // Reads a year field as the form does; FALSE (the user told) when it is out of range.
    BOOL ReadYear(CEdit* field, int first, const char* message, int& year);

    DECLARE_MESSAGE_MAP()
};
