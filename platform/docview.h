// The application object and the document/view machinery: one template creates a document,
// its frame window and the view inside it from their run-time classes.
#pragma once

#include <memory>
#include <vector>

#include "gdi.h"
#include "wnd.h"

class CDocument;
class CView;
class CFrameWnd;
class CDocTemplate;

struct CCreateContext {
    CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};

// Storage for documents; ours keep nothing on disc, so only the direction is offered.
class CArchive {
  public:
    explicit CArchive(BOOL bStoring) : m_bStoring(bStoring) {}
    BOOL IsStoring() const { return m_bStoring; }
    BOOL IsLoading() const { return !m_bStoring; }

  private:
    BOOL m_bStoring;
};

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
  public:
    ~CDocument() override;

    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
    virtual void OnCloseDocument();
    virtual void DeleteContents();
    virtual void Serialize(CArchive& ar);
    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    BOOL IsModified() const { return m_bModified; }
    void SetPathName(LPCTSTR lpszPathName) { m_strPathName = lpszPathName; }
    const CString& GetPathName() const { return m_strPathName; }

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    const std::vector<CView*>& GetViews() const { return m_views; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

    // Deleted together with its last view.
    BOOL m_bAutoDelete = TRUE;

  protected:
    CDocument() = default;
    virtual void OnChangedViewList();

  private:
    friend class CDocTemplate;
    friend class CSingleDocTemplate;
    std::vector<CView*> m_views;
    CDocTemplate* m_pDocTemplate = nullptr;
    BOOL m_bModified = FALSE;
    CString m_strPathName;
};

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
  public:
    ~CView() override;
    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

    virtual void OnInitialUpdate();
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

  protected:
    CView() = default;
    virtual void OnDraw(CDC* pDC) = 0;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnDestroy();
    void OnPaint();

    CDocument* m_pDocument = nullptr;
    friend class CDocument;
    friend class CFrameWnd;
    DECLARE_MESSAGE_MAP()
};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
  public:
    CFrameWnd() = default;

    // Creates the frame with the icon and menu of resource nIDResource and, from pContext,
    // its view.
    virtual BOOL LoadFrame(UINT nIDResource,
                           DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    virtual void ActivateFrame(int nCmdShow = -1);
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual void RecalcLayout();
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

  protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnClose();
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);

    CView* m_pViewActive = nullptr;
    std::unique_ptr<CMenu> m_pLoadedMenu;
    friend class CView;
    DECLARE_MESSAGE_MAP()
};

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
  public:
    ~CDocTemplate() override;
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    CDocument* CreateNewDocument();
    CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual void AddDocument(CDocument* pDoc);
    virtual void RemoveDocument(CDocument* pDoc);
    UINT GetResourceId() const { return m_nIDResource; }

  protected:
    CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                 CRuntimeClass* pViewClass);
    UINT m_nIDResource;
    CRuntimeClass* m_pDocClass;
    CRuntimeClass* m_pFrameClass;
    CRuntimeClass* m_pViewClass;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
  public:
    CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                       CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;
    CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;
    CDocument* GetOnlyDocument() const { return m_pOnlyDoc; }

  private:
    CDocument* m_pOnlyDoc = nullptr;
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
  public:
    // Without a name the application takes its title string.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop; returns ExitInstance's result when the main window is gone.
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Takes ownership of the template.
    void AddDocTemplate(CDocTemplate* pTemplate);
    CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
    // Background and text colours of every dialog and message box.
    void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192),
                          COLORREF clrCtlText = RGB(0, 0, 0));
    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;
    HICON LoadIcon(UINT nIDResource) const;
    void DoWaitCursor(int nCode);

    CWnd* m_pMainWnd = nullptr;
    LPCTSTR m_pszAppName = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    void OnFileNew();
    void OnFileOpen();

  protected:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    int m_nWaitCursorCount = 0;
    HCURSOR m_hcurWaitCursorRestore = nullptr;
    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
LPCTSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);

// The program's entry into the framework: starts the window system, installs the GUI host,
// then InitInstance and Run (or ExitInstance when InitInstance fails); returns the exit status.
// Takes the platform's own options off the command line:
//   --screenshot FILE   after start-up, save the main window's picture as PNG and end; when
//                       start-up opens a modal dialog, that dialog is pictured over the main
//                       window instead and closed (IDCANCEL).
int AfxWinMain(int argc, char** argv);
