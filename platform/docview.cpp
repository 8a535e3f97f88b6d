#include <QApplication>
#include <algorithm>

#include "widgets.h"

// ---------------------------------------------------------------------------------------
// CDocument

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

CDocument::~CDocument() {
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
    if (m_pDocTemplate != nullptr)
        m_pDocTemplate->RemoveDocument(this);
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR) {
    DeleteContents();
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument() {
    // Closing the frames destroys their views, which deletes this document with the last.
    BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    std::vector<CView*> views = m_views;
    for (CView* view : views) {
        CFrameWnd* frame = view->GetParentFrame();
        if (frame != nullptr)
            frame->DestroyWindow();
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::DeleteContents() {}
void CDocument::Serialize(CArchive&) {}

void CDocument::AddView(CView* pView) {
    if (pView == nullptr || std::find(m_views.begin(), m_views.end(), pView) != m_views.end())
        return;
    m_views.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
    auto it = std::find(m_views.begin(), m_views.end(), pView);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    pView->m_pDocument = nullptr;
    OnChangedViewList();
}

void CDocument::OnChangedViewList() {
    if (m_views.empty() && m_bAutoDelete)
        OnCloseDocument();
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocTemplate != nullptr && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---------------------------------------------------------------------------------------
// CView

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_PAINT()
END_MESSAGE_MAP()

CView::~CView() {
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= WS_CLIPSIBLINGS;
    return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    auto* context = static_cast<CCreateContext*>(lpcs->lpCreateParams);
    if (context != nullptr && context->m_pCurrentDoc != nullptr) {
        context->m_pCurrentDoc->AddView(this);
    }
    return 0;
}

void CView::OnDestroy() {
    CFrameWnd* frame = GetParentFrame();
    if (frame != nullptr && frame->m_pViewActive == this)
        frame->m_pViewActive = nullptr;
    CWnd::OnDestroy();
}

void CView::OnPaint() {
    CPaintDC dc(this);
    OnDraw(&dc);
}

void CView::PostNcDestroy() {
    delete this;
}

void CView::OnInitialUpdate() {
    Invalidate(TRUE);
}

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
    if (bActivate && pActivateView == this)
        SetFocus();
}

CFrameWnd* CView::GetParentFrame() const {
    for (CWnd* w = GetParent(); w != nullptr; w = w->GetParent()) {
        if (w->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            return static_cast<CFrameWnd*>(w);
    }
    return nullptr;
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---------------------------------------------------------------------------------------
// CFrameWnd

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_ACTIVATE()
END_MESSAGE_MAP()

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
    cs.style |= WS_CLIPCHILDREN;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                          CCreateContext* pContext) {
    auto* menu = new CMenu;
    if (!menu->LoadMenu(nIDResource)) {
        delete menu;
        menu = nullptr;
    }
    HICON icon = AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(nIDResource) : nullptr;
    // The frame owns its menu until it is gone; a removed menu is deleted with the frame.
    m_pLoadedMenu.reset(menu);
    BOOL created = CreateEx(0, nullptr, AfxGetAppName(), dwDefaultStyle & ~FWS_ADDTOTITLE,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                            menu != nullptr ? menu->m_hMenu : nullptr, pContext);
    if (!created) {
        // The failed window has deleted this object already.
        if (icon != nullptr)
            DeleteObject(icon);
        return FALSE;
    }
    if (icon != nullptr) {
        SetIcon(icon, TRUE);
        DeleteObject(icon);
    }
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    auto* context = static_cast<CCreateContext*>(lpcs->lpCreateParams);
    if (!OnCreateClient(lpcs, context))
        return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext == nullptr || pContext->m_pNewViewClass == nullptr)
        return TRUE;
    return CreateView(pContext) != nullptr;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    CObject* object = pContext->m_pNewViewClass->CreateObject();
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(CWnd))) {
        delete object;
        return nullptr;
    }
    auto* view = static_cast<CWnd*>(object);
    RECT client{};
    GetClientRect(&client);
    // A view that fails to be created has deleted itself.
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, client, this, nID, pContext)) {
        return nullptr;
    }
    return view;
}

void CFrameWnd::RecalcLayout() {
    RECT client{};
    GetClientRect(&client);
    for (HWND k : m_hWnd != nullptr ? m_hWnd->children : std::vector<HWND>{}) {
        if (k->id == AFX_IDW_PANE_FIRST && k->widget) {
            int top = m_hWnd->widget->height() - client.bottom;
            k->widget->setGeometry(0, top, client.right, client.bottom);
        }
    }
}

void CFrameWnd::OnSize(UINT, int, int) {
    RecalcLayout();
}

void CFrameWnd::OnClose() {
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    CWnd::OnDestroy();
}

void CFrameWnd::OnActivate(UINT nState, CWnd*, BOOL) {
    if (nState != WA_INACTIVE && m_pViewActive != nullptr) {
        m_pViewActive->OnActivateView(TRUE, m_pViewActive, m_pViewActive);
    }
}

void CFrameWnd::PostNcDestroy() {
    delete this;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* old = m_pViewActive;
    if (pViewNew == old)
        return;
    m_pViewActive = pViewNew;
    if (bNotify && pViewNew != nullptr)
        pViewNew->OnActivateView(TRUE, pViewNew, old);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1)
        nCmdShow = IsWindowVisible() ? SW_SHOW : SW_SHOWNORMAL;
    ShowWindow(nCmdShow);
    if (IsWindowVisible())
        BringWindowToTop();
}

void CFrameWnd::InitialUpdateFrame(CDocument*, BOOL bMakeVisible) {
    CView* first = nullptr;
    for (HWND k : m_hWnd->children) {
        CWnd* w = k->wnd;
        if (w != nullptr && w->IsKindOf(RUNTIME_CLASS(CView))) {
            first = static_cast<CView*>(w);
            break;
        }
    }
    if (m_pViewActive == nullptr && first != nullptr)
        SetActiveView(first, FALSE);
    if (!bMakeVisible)
        return;
    std::vector<HWND> kids = m_hWnd->children;
    for (HWND k : kids) {
        if (afx::IsLiveWindow(k) && k->wnd != nullptr && k->wnd->IsKindOf(RUNTIME_CLASS(CView))) {
            static_cast<CView*>(k->wnd)->OnInitialUpdate();
        }
    }
    int nCmdShow = -1;
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) {
        nCmdShow = app->m_nCmdShow;
        app->m_nCmdShow = -1;
    }
    ActivateFrame(nCmdShow);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    // The active view (and its document) first, then the frame, then the application.
    if (m_pViewActive != nullptr && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) {
        return TRUE;
    }
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---------------------------------------------------------------------------------------
// Templates

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource),
      m_pDocClass(pDocClass),
      m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass) {}

CDocTemplate::~CDocTemplate() = default;

void CDocTemplate::AddDocument(CDocument* pDoc) {
    pDoc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
    pDoc->m_pDocTemplate = nullptr;
}

CDocument* CDocTemplate::CreateNewDocument() {
    CObject* object = m_pDocClass != nullptr ? m_pDocClass->CreateObject() : nullptr;
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(CDocument))) {
        delete object;
        return nullptr;
    }
    auto* doc = static_cast<CDocument*>(object);
    AddDocument(doc);
    return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd*) {
    CObject* object = m_pFrameClass != nullptr ? m_pFrameClass->CreateObject() : nullptr;
    if (object == nullptr || !object->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        delete object;
        return nullptr;
    }
    auto* frame = static_cast<CFrameWnd*>(object);
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        return nullptr;  // deleted itself
    }
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass,
                                       CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    if (m_pOnlyDoc != nullptr) {
        // Documents outliving their template forget it.
        m_pOnlyDoc->m_pDocTemplate = nullptr;
        m_pOnlyDoc = nullptr;
    }
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
    CDocTemplate::AddDocument(pDoc);
    m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
    CDocTemplate::RemoveDocument(pDoc);
    if (m_pOnlyDoc == pDoc)
        m_pOnlyDoc = nullptr;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
    if (m_pOnlyDoc != nullptr) {
        // The one document is reused: it is reloaded in place.
        CDocument* doc = m_pOnlyDoc;
        BOOL ok =
            lpszPathName == nullptr ? doc->OnNewDocument() : doc->OnOpenDocument(lpszPathName);
        if (!ok)
            return nullptr;
        if (lpszPathName != nullptr)
            doc->SetPathName(lpszPathName);
        for (CView* view : doc->GetViews())
            view->OnInitialUpdate();
        return doc;
    }
    CDocument* doc = CreateNewDocument();
    if (doc == nullptr)
        return nullptr;
    // Until the frame has a view the document must not delete itself.
    BOOL autoDelete = doc->m_bAutoDelete;
    doc->m_bAutoDelete = FALSE;
    CFrameWnd* frame = CreateNewFrame(doc, nullptr);
    doc->m_bAutoDelete = autoDelete;
    if (frame == nullptr) {
        delete doc;
        return nullptr;
    }
    BOOL ok = lpszPathName == nullptr ? doc->OnNewDocument() : doc->OnOpenDocument(lpszPathName);
    if (!ok) {
        // Destroying the frame destroys the view and, with it, the document.
        doc->m_bAutoDelete = FALSE;
        frame->DestroyWindow();
        delete doc;
        return nullptr;
    }
    if (lpszPathName != nullptr)
        doc->SetPathName(lpszPathName);
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == nullptr)
        app->m_pMainWnd = frame;
    InitialUpdateFrame(frame, doc, bMakeVisible);
    return doc;
}
