// Framework core: run-time classes (creation by class name), command targets with message
// maps, and the small value classes the window code uses.
#pragma once

#include <string>

#include "windef.h"

class CObject;
class CCmdTarget;

// A class known by name at run time; CreateObject makes a new heap object of it.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    // The registered class of that name, or null.
    static CRuntimeClass* FromName(LPCSTR className);
    static CObject* CreateObject(LPCSTR className);
};

// Registers a run-time class by name during static initialisation.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* runtimeClass);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)         \
  public:                                   \
    static CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)                               \
    CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class class_name), pfnNew, \
                                                   RUNTIME_CLASS(base_class_name)};               \
    static const AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);                \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                          \
        return RUNTIME_CLASS(class_name);                                                         \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() {                \
        return new class_name;                           \
    }                                                    \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, class_name::CreateObject)

class CObject {
  public:
    static CRuntimeClass classCObject;
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

  protected:
    CObject() = default;
};

// Message maps: static tables per class, each chained to its base class's table. An entry
// carries a small dispatcher that casts the target back to the class that declared it.
using AFX_DISPATCH = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or WM_COMMAND for command entries
    UINT nCode;     // notification code of command entries
    UINT nID;       // first and last control id of command entries
    UINT nLastID;
    AFX_DISPATCH pfn;  // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
  protected:                                      \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, nullptr }                                                                       \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define AFX_MSG_ENTRY(message, call)                                                      \
    {message, 0, 0, 0,                                                                    \
     [](CCmdTarget* t, [[maybe_unused]] WPARAM w, [[maybe_unused]] LPARAM l) -> LRESULT { \
         [[maybe_unused]] ThisClass* self = static_cast<ThisClass*>(t);                   \
         call;                                                                            \
     }},

// Command entries: memberFxn is a pointer to a member, e.g. &CViewView::OnSearch.
#define ON_COMMAND(id, memberFxn)                                          \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id), \
     [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {                        \
         (static_cast<ThisClass*>(t)->*(memberFxn))();                     \
         return TRUE;                                                      \
     }},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_CONTROL(code, id, memberFxn)                                                 \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
     [](CCmdTarget* t, WPARAM, LPARAM) -> LRESULT {                                     \
         (static_cast<ThisClass*>(t)->*(memberFxn))();                                  \
         return TRUE;                                                                   \
     }},
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)

#define ON_WM_CREATE() \
    AFX_MSG_ENTRY(WM_CREATE, return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(l)))
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, self->OnDestroy(); return 0)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, self->OnClose(); return 0)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, self->OnPaint(); return 0)
#define ON_WM_SIZE()                                                                             \
    AFX_MSG_ENTRY(WM_SIZE, self->OnSize(static_cast<UINT>(w), GET_X_LPARAM(l), GET_Y_LPARAM(l)); \
                  return 0)
#define ON_WM_ACTIVATE()                                                                          \
    AFX_MSG_ENTRY(                                                                                \
        WM_ACTIVATE,                                                                              \
        self->OnActivate(LOWORD(w), CWnd::FromHandle(reinterpret_cast<HWND>(l)), HIWORD(w) != 0); \
        return 0)
#define ON_WM_GETMINMAXINFO()                                                                \
    AFX_MSG_ENTRY(WM_GETMINMAXINFO, self->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(l)); \
                  return 0)
#define ON_WM_SETCURSOR()                                                               \
    AFX_MSG_ENTRY(WM_SETCURSOR,                                                         \
                  return self->OnSetCursor(CWnd::FromHandle(reinterpret_cast<HWND>(w)), \
                                           LOWORD(static_cast<std::uintptr_t>(l)),      \
                                           HIWORD(static_cast<std::uintptr_t>(l))))
#define ON_WM_LBUTTONDOWN()                                                                      \
    AFX_MSG_ENTRY(WM_LBUTTONDOWN, self->OnLButtonDown(static_cast<UINT>(w),                      \
                                                      CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l))); \
                  return 0)
#define ON_WM_LBUTTONUP()                                                                    \
    AFX_MSG_ENTRY(WM_LBUTTONUP, self->OnLButtonUp(static_cast<UINT>(w),                      \
                                                  CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l))); \
                  return 0)
#define ON_WM_LBUTTONDBLCLK()                                                                  \
    AFX_MSG_ENTRY(                                                                             \
        WM_LBUTTONDBLCLK,                                                                      \
        self->OnLButtonDblClk(static_cast<UINT>(w), CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l))); \
        return 0)
#define ON_WM_CONTEXTMENU()                                                                        \
    AFX_MSG_ENTRY(WM_CONTEXTMENU, self->OnContextMenu(CWnd::FromHandle(reinterpret_cast<HWND>(w)), \
                                                      CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)));   \
                  return 0)
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, return (self->*(memberFxn))(w, l))

// Points and rectangles with the framework's helpers.
class CPoint : public POINT {
  public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x, int y) : POINT{x, y} {}
};

class CSize : public SIZE {
  public:
    CSize() : SIZE{0, 0} {}
    CSize(int cx, int cy) : SIZE{cx, cy} {}
};

class CRect : public RECT {
  public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}  // NOLINT: converts like the framework's
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
    // Left and top inclusive, right and bottom exclusive.
    BOOL PtInRect(POINT p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

// A text value: the framework's string, byte-based like the "A" calls.
class CString {
  public:
    CString() = default;
    CString(LPCTSTR text) : m_text(text != nullptr ? text : "") {}  // NOLINT: as the framework
    CString& operator=(LPCTSTR text) {
        m_text = text != nullptr ? text : "";
        return *this;
    }
    CString& operator+=(LPCTSTR text) {
        if (text != nullptr)
            m_text += text;
        return *this;
    }
    operator LPCTSTR() const { return m_text.c_str(); }  // NOLINT: as the framework
    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    CString& TrimRight() {
        while (!m_text.empty() && (m_text.back() == ' ' || m_text.back() == '\t'))
            m_text.pop_back();
        return *this;
    }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }

  private:
    std::string m_text;
};

// A target of commands and messages: finds handlers in its class's message map chain.
class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
  public:
    // Runs the command handler for (id, code); FALSE when none handles it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

  protected:
    CCmdTarget() = default;
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // The first entry of the map chain for a window message, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message) const;
};
