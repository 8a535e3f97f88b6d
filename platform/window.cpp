#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <algorithm>
#include <cstring>
#include <set>

#include "widgets.h"

// Lets the platform code reach the protected parts of a CWnd.
struct WndAccess {
    static void DrawItem(CWnd* w, LPDRAWITEMSTRUCT dis) { w->DrawItem(dis); }
    static void PostNcDestroy(CWnd* w) { w->PostNcDestroy(); }
    static BOOL PreCreate(CWnd* w, CREATESTRUCT& cs) { return w->PreCreateWindow(cs); }
};

namespace {

std::set<HWND>& LiveWindows() {
    static std::set<HWND> live;
    return live;
}

QHash<const QWidget*, HWND>& WidgetMap() {
    static QHash<const QWidget*, HWND> map;
    return map;
}

// Handles of other copies' windows stay valid for the life of the process.
std::set<HWND>& RemoteHandles() {
    static auto* remote = new std::set<HWND>;
    return *remote;
}

quint32 g_nextSerial = 1;
int g_eventDepth = 0;
std::set<HWND> g_noPostNcDestroy;

std::string Upper(LPCSTR s) {
    std::string out = s != nullptr ? s : "";
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// "&Search" -> "Search"; "&&" -> "&".
QString StripMnemonic(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

void FreeHandleIfIdle(HWND h) {
    if (h->dispatchDepth == 0 && LiveWindows().count(h) == 0)
        delete h;
}

QMenu* PopupOf(const CMenu* menu) {
    return menu != nullptr && menu->m_hMenu != nullptr
               ? qobject_cast<QMenu*>(menu->m_hMenu->bar.data())
               : nullptr;
}

UINT_PTR CommandOf(const QAction* action) {
    return action != nullptr ? static_cast<UINT_PTR>(action->data().toULongLong()) : 0;
}

// The field's own edit commands, appended to `menu`. Their actions belong to the field's
// standard menu, which stays hidden and lives as long as `menu`.
bool AppendEditCommands(HWND h, QMenu* menu) {
    auto* edit = afx::IsLiveWindow(h) ? qobject_cast<QLineEdit*>(h->widget.data()) : nullptr;
    if (edit == nullptr || menu == nullptr)
        return false;
    QMenu* standard = edit->createStandardContextMenu();
    standard->setParent(menu, standard->windowFlags());
    menu->addActions(standard->actions());
    return true;
}

// Where a shortcut menu opens: the point of WM_CONTEXTMENU, or, from the keyboard (-1, -1),
// under the text cursor of a field and at the top left of other windows.
QPoint ContextMenuPoint(HWND h, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    if (x != -1 || y != -1 || !h->widget)
        return {x, y};
    if (auto* edit = qobject_cast<QLineEdit*>(h->widget.data()))
        return edit->mapToGlobal(
            edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().bottomLeft());
    return h->widget->mapToGlobal(QPoint(0, 0));
}

// Some styles (Fusion among them) open a drop-down list as a menu laid over the box, as tall
// as the screen, whatever its row count; the platform's list drops down under the box.
class DropDownProxyStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// One for all lists, kept by the application (widgets do not own the style they are given).
QStyle* DropDownStyle() {
    static QPointer<DropDownProxyStyle> style;
    if (style.isNull()) {
        style = new DropDownProxyStyle;
        style->setParent(QApplication::instance());
    }
    return style.data();
}

struct DispatchGuard {
    explicit DispatchGuard(HWND h) : h(h) { ++h->dispatchDepth; }
    ~DispatchGuard() {
        --h->dispatchDepth;
        FreeHandleIfIdle(h);
    }
    DispatchGuard(const DispatchGuard&) = delete;
    DispatchGuard& operator=(const DispatchGuard&) = delete;
    HWND h;
};

QWidget* MakeWidget(HWND h, QWidget* parent, const CREATESTRUCT& cs) {
    const std::string& cls = h->className;
    if (cls == "BUTTON") {
        if ((cs.style & BS_TYPEMASK) == BS_OWNERDRAW)
            return new afx::OwnerDrawButtonWidget(parent);
        auto* b = new afx::PushButtonWidget(parent);
        b->setDefault((cs.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        return b;
    }
    if (cls == "EDIT") {
        auto* e = new afx::EditWidget(parent);
        e->setFrame((cs.style & WS_BORDER) != 0);
        e->setReadOnly((cs.style & ES_READONLY) != 0);
        if ((cs.dwExStyle & WS_EX_TRANSPARENT) != 0) {
            QPalette pal = e->palette();
            pal.setColor(QPalette::Base, Qt::transparent);
            e->setPalette(pal);
        }
        return e;
    }
    if (cls == "COMBOBOX")
        return new afx::ComboWidget(parent);
    if (cls == "STATIC") {
        auto* label = new QLabel(parent);
        // Static texts break between words unless told not to, as on the platform.
        label->setWordWrap((cs.style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP);
        return label;
    }
    if (cls == "MSCTLS_PROGRESS32")
        return afx::MakeProgressBar(parent);
    return new afx::WndWidget(parent);
}

Qt::WindowFlags TopLevelFlags(DWORD style) {
    Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((style & WS_SYSMENU) != 0)
        f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((style & WS_MINIMIZEBOX) != 0)
        f |= Qt::WindowMinimizeButtonHint;
    if ((style & WS_MAXIMIZEBOX) != 0)
        f |= Qt::WindowMaximizeButtonHint;
    return f;
}

int MenuHeight(HWND h) {
    if (h->menu == nullptr || h->menu->m_hMenu == nullptr || !h->menu->m_hMenu->bar)
        return 0;
    return h->menu->m_hMenu->bar->sizeHint().height();
}

// Applies WM_GETMINMAXINFO's tracking limits to a top-level window.
void ApplyTrackingLimits(HWND h) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QSize screenSize = screen != nullptr ? screen->geometry().size() : QSize(640, 480);
    MINMAXINFO mmi{};
    mmi.ptMaxSize = {screenSize.width() + kNonClientWidth, screenSize.height() + kNonClientHeight};
    mmi.ptMaxTrackSize = mmi.ptMaxSize;
    mmi.ptMinTrackSize = {136, kNonClientHeight + 12};
    afx::Send(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    QSize minClient = afx::OuterToClient({mmi.ptMinTrackSize.x, mmi.ptMinTrackSize.y});
    QSize maxClient = afx::OuterToClient({mmi.ptMaxTrackSize.x, mmi.ptMaxTrackSize.y});
    maxClient = maxClient.expandedTo(minClient);
    int menu = MenuHeight(h);
    h->minClient = minClient;
    h->maxClient = maxClient;
    h->widget->setMinimumSize(minClient + QSize(0, menu));
    h->widget->setMaximumSize(maxClient + QSize(0, menu));
}

}  // namespace

namespace afx {

EventScope::EventScope() {
    ++g_eventDepth;
}
EventScope::~EventScope() {
    --g_eventDepth;
}
bool InsideEvent() {
    return g_eventDepth > 0;
}

bool IsLiveWindow(HWND h) {
    return h != nullptr && LiveWindows().count(h) != 0;
}

HWND HandleOfWidget(const QWidget* w) {
    for (; w != nullptr; w = w->parentWidget()) {
        auto it = WidgetMap().find(w);
        if (it != WidgetMap().end())
            return it.value();
    }
    return nullptr;
}

HWND NewRemoteHandle(const QString& server, quint32 serial) {
    for (HWND h : RemoteHandles()) {
        if (h->remoteServer == server && h->remoteSerial == serial)
            return h;
    }
    HWND h = new HWND__;
    h->remote = true;
    h->remoteServer = server;
    h->remoteSerial = serial;
    RemoteHandles().insert(h);
    return h;
}

bool IsRemoteHandle(HWND h) {
    return h != nullptr && RemoteHandles().count(h) != 0;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> out;
    for (HWND h : LiveWindows()) {
        if (h->parent == nullptr && h->widget && h->widget->isWindow())
            out.push_back(h);
    }
    std::sort(out.begin(), out.end(), [](HWND a, HWND b) { return a->serial < b->serial; });
    return out;
}

HWND FindLocalTopLevel(const QString& caption) {
    for (HWND h : TopLevelWindows()) {
        if (h->wnd != nullptr && h->widget->windowTitle() == caption)
            return h;
    }
    return nullptr;
}

HWND FindBySerial(quint32 serial) {
    for (HWND h : LiveWindows()) {
        if (h->serial == serial)
            return h;
    }
    return nullptr;
}

LRESULT Send(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLiveWindow(h) || h->wnd == nullptr)
        return 0;
    DispatchGuard guard(h);
    return h->wnd->WindowProc(message, wParam, lParam);
}

HWND RegisterForeignWindow(QWidget* w, const char* className) {
    HWND h = new HWND__;
    h->widget = w;
    h->className = className;
    h->serial = g_nextSerial++;
    LiveWindows().insert(h);
    WidgetMap().insert(w, h);
    return h;
}

void UnregisterForeignWindow(HWND h) {
    if (!IsLiveWindow(h))
        return;
    WidgetMap().remove(h->widget.data());
    LiveWindows().erase(h);
    FreeHandleIfIdle(h);
}

QColor ToColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

QSize ClientToOuter(QSize client) {
    return {client.width() + kNonClientWidth, client.height() + kNonClientHeight};
}

QSize OuterToClient(QSize outer) {
    return {std::max(0, outer.width() - kNonClientWidth),
            std::max(0, outer.height() - kNonClientHeight)};
}

void ResizePicture(HWND h, QSize size) {
    if (size.width() <= 0 || size.height() <= 0)
        size = QSize(1, 1);
    if (h->picture.size() == size)
        return;
    QImage next(size, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!h->picture.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, h->picture);
    }
    if (h->widget) {
        next.setDotsPerMeterX(qRound(h->widget->logicalDpiX() / 0.0254));
        next.setDotsPerMeterY(qRound(h->widget->logicalDpiY() / 0.0254));
    }
    h->picture = next;
    h->needsPaint = true;
}

void PaintWindow(QWidget* widget) {
    EventScope scope;
    HWND h = HandleOfWidget(widget);
    if (!IsLiveWindow(h))
        return;
    DispatchGuard guard(h);
    if (h->needsPaint)
        Send(h, WM_PAINT, 0, 0);
    if (!IsLiveWindow(h) || h->widget != widget)
        return;
    QPainter p(widget);
    p.drawImage(0, MenuHeight(h), h->picture);
}

void NotifyParent(QWidget* control, UINT code) {
    EventScope scope;
    HWND h = HandleOfWidget(control);
    if (!IsLiveWindow(h) || h->parent == nullptr)
        return;
    DispatchGuard guard(h);
    HWND parent = h->parent;
    Send(parent, WM_COMMAND, MAKEWPARAM(h->id, code), reinterpret_cast<LPARAM>(h));
}

void SendMouse(QWidget* widget, UINT message, const QPointF& pos, Qt::KeyboardModifiers mods) {
    EventScope scope;
    HWND h = HandleOfWidget(widget);
    if (!IsLiveWindow(h))
        return;
    UINT flags = MK_LBUTTON;
    if ((mods & Qt::ShiftModifier) != 0)
        flags |= MK_SHIFT;
    if ((mods & Qt::ControlModifier) != 0)
        flags |= MK_CONTROL;
    if (message == WM_LBUTTONUP)
        flags &= ~MK_LBUTTON;
    QPoint p = pos.toPoint() - QPoint(0, MenuHeight(h));
    Send(h, message, flags, MAKELPARAM(static_cast<unsigned>(p.x()), static_cast<unsigned>(p.y())));
}

void SendActivate(QWidget* widget) {
    EventScope scope;
    HWND h = HandleOfWidget(widget);
    if (!IsLiveWindow(h) || h->widget != widget)
        return;
    Send(h, WM_ACTIVATE, widget->isActiveWindow() ? WA_ACTIVE : WA_INACTIVE, 0);
}

void SendClose(QWidget* widget) {
    EventScope scope;
    HWND h = HandleOfWidget(widget);
    if (IsLiveWindow(h) && h->widget == widget)
        Send(h, WM_CLOSE, 0, 0);
}

WndWidget::WndWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Frames and views draw; they never hold the keyboard. A click on a view leaves the focus
    // in the control that had it, where typed letters are text, not button mnemonics.
    setFocusPolicy(Qt::NoFocus);
}

void WndWidget::paintEvent(QPaintEvent*) {
    PaintWindow(this);
}

void WndWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        SendMouse(this, WM_LBUTTONDOWN, e->position(), e->modifiers());
}

void WndWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        SendMouse(this, WM_LBUTTONUP, e->position(), e->modifiers());
}

void WndWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        SendMouse(this, WM_LBUTTONDBLCLK, e->position(), e->modifiers());
    }
}

// The right button or the menu key: WM_CONTEXTMENU with the point in screen coordinates,
// (-1, -1) from the keyboard, as the platform sends it.
void WndWidget::contextMenuEvent(QContextMenuEvent* e) {
    EventScope scope;
    HWND h = HandleOfWidget(this);
    if (!IsLiveWindow(h))
        return;
    const bool mouse = e->reason() == QContextMenuEvent::Mouse;
    const QPoint p = e->globalPos();
    const LPARAM where =
        mouse ? MAKELPARAM(static_cast<unsigned>(p.x()), static_cast<unsigned>(p.y()))
              : MAKELPARAM(0xFFFF, 0xFFFF);
    if (CWnd* wnd = CWnd::FromHandle(h))
        wnd->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), where);
}

void WndWidget::closeEvent(QCloseEvent* e) {
    // The window code decides: WM_CLOSE destroys the window or not.
    e->ignore();
    SendClose(this);
}

void WndWidget::resizeEvent(QResizeEvent*) {
    EventScope scope;
    HWND h = HandleOfWidget(this);
    if (!IsLiveWindow(h) || h->widget != this)
        return;
    int menu = MenuHeight(h);
    ResizePicture(h, size() - QSize(0, menu));
    if (h->menu != nullptr && h->menu->m_hMenu != nullptr && h->menu->m_hMenu->bar) {
        h->menu->m_hMenu->bar->setGeometry(0, 0, width(), menu);
    }
    Send(h, WM_SIZE, 0,
         MAKELPARAM(static_cast<unsigned>(width()), static_cast<unsigned>(height() - menu)));
}

void WndWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange)
        SendActivate(this);
    QWidget::changeEvent(e);
}

PushButtonWidget::PushButtonWidget(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setMouseTracking(true);
    // Tab reaches a button; a click presses it and leaves the focus in the field it was in.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { NotifyParent(this, BN_CLICKED); });
}

OwnerDrawButtonWidget::OwnerDrawButtonWidget(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);  // as push buttons
    connect(this, &QAbstractButton::clicked, this, [this] { NotifyParent(this, BN_CLICKED); });
}

void OwnerDrawButtonWidget::paintEvent(QPaintEvent*) {
    EventScope scope;
    HWND h = HandleOfWidget(this);
    if (!IsLiveWindow(h) || h->wnd == nullptr)
        return;
    DispatchGuard guard(h);
    HDC__ dc;
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Button));
    dc.target = &image;
    dc.font = font();
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = h->id;
    dis.itemAction = ODA_DRAWENTIRE;
    if (isDown())
        dis.itemState |= ODS_SELECTED;
    if (hasFocus())
        dis.itemState |= ODS_FOCUS;
    if (!isEnabled())
        dis.itemState |= ODS_DISABLED;
    dis.hwndItem = h;
    dis.hDC = &dc;
    dis.rcItem = {0, 0, width(), height()};
    WndAccess::DrawItem(h->wnd, &dis);
    QPainter p(this);
    p.drawImage(0, 0, image);
}

EditWidget::EditWidget(QWidget* parent) : QLineEdit(parent) {
    setMouseTracking(true);
    setMaxLength(30000);
}

void EditWidget::contextMenuEvent(QContextMenuEvent* e) {
    EventScope scope;
    e->accept();  // the field's, never the view's under it
    HWND h = HandleOfWidget(this);
    if (!IsLiveWindow(h) || h->widget != this)
        return;
    const QPoint p = e->globalPos();
    const LPARAM where =
        e->reason() == QContextMenuEvent::Mouse
            ? MAKELPARAM(static_cast<unsigned>(p.x()), static_cast<unsigned>(p.y()))
            : MAKELPARAM(0xFFFF, 0xFFFF);
    Send(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), where);
}

ComboWidget::ComboWidget(QWidget* parent) : QComboBox(parent) {
    setMouseTracking(true);
    setStyle(DropDownStyle());
    connect(this, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { NotifyParent(this, CBN_SELCHANGE); });
}

void ComboWidget::showPopup() {
    QComboBox::showPopup();
    QWidget* popup = view() != nullptr ? view()->window() : nullptr;
    int listHeight = m_droppedHeight - height();
    if (popup == nullptr || popup == window() || !popup->isVisible() || listHeight <= 0)
        return;
    // Qt sizes the list by whole rows of its own height; the platform's list is exactly as
    // tall as the rest of the dropped height. It drops down, or opens upwards where the
    // screen ends below the box and there is room above.
    QRect box(mapToGlobal(QPoint(0, 0)), size());
    QRect list(popup->x(), box.bottom() + 1, popup->width(), listHeight);
    if (QScreen* s = screen()) {
        QRect area = s->availableGeometry();
        if (list.bottom() > area.bottom() && box.top() - listHeight >= area.top())
            list.moveBottom(box.top() - 1);
    }
    popup->setGeometry(list);
    view()->scrollTo(view()->currentIndex());
}

}  // namespace afx

// ---------------------------------------------------------------------------------------
// CWnd

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (afx::IsLiveWindow(m_hWnd)) {
        // The object is going already: destroy the window without deleting it again.
        g_noPostNcDestroy.insert(m_hWnd);
        DestroyWindow();
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    return afx::IsLiveWindow(hWnd) ? hWnd->wnd : nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
    afx::EnsureApplication();
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCT cs{
        lpParam, AfxGetInstanceHandle(),     nIDorHMenu,     hWndParent,    nHeight,  nWidth, y,
        x,       static_cast<LONG>(dwStyle), lpszWindowName, lpszClassName, dwExStyle};
    if (!WndAccess::PreCreate(this, cs))
        return FALSE;
    HWND parent = afx::IsLiveWindow(cs.hwndParent) ? cs.hwndParent : nullptr;
    DWORD style = static_cast<DWORD>(cs.style);
    bool child = (style & WS_CHILD) != 0;
    if (child && parent == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }

    HWND h = new HWND__;
    h->wnd = this;
    h->className = Upper(cs.lpszClass);
    h->style = style;
    h->exStyle = cs.dwExStyle;
    h->serial = g_nextSerial++;
    QWidget* widget = MakeWidget(h, child ? parent->widget.data() : nullptr, cs);
    h->widget = widget;
    LiveWindows().insert(h);
    WidgetMap().insert(widget, h);
    m_hWnd = h;
    if (child) {
        h->parent = parent;
        h->id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(cs.hMenu));
        parent->children.push_back(h);
        if (h->className == "STATIC")
            widget->setFocusPolicy(Qt::NoFocus);
    } else {
        widget->setWindowFlags(TopLevelFlags(style));
    }
    if (cs.lpszName != nullptr)
        SetWindowText(cs.lpszName);

    if (child) {
        int w = cs.cx == CW_USEDEFAULT ? 0 : cs.cx;
        int hgt = cs.cy == CW_USEDEFAULT ? 0 : cs.cy;
        if (h->className == "COMBOBOX") {
            // The height given is the dropped list's; the closed box is as tall as its font.
            auto* combo = static_cast<QComboBox*>(widget);
            int field = combo->sizeHint().height();
            int item = std::max(1, combo->fontMetrics().height() + 2);
            combo->setMaxVisibleItems(std::max(1, (hgt - field) / item));
            static_cast<afx::ComboWidget*>(combo)->SetDroppedHeight(hgt);
            hgt = field;
        }
        widget->setGeometry(cs.x == CW_USEDEFAULT ? 0 : cs.x, cs.y == CW_USEDEFAULT ? 0 : cs.y, w,
                            hgt);
    } else {
        // A top-level window's menu handle is its menu bar, in place before WM_CREATE.
        if (cs.hMenu != nullptr && cs.hMenu->owner != nullptr)
            SetMenu(cs.hMenu->owner);
        QScreen* screen = QGuiApplication::primaryScreen();
        QSize screenSize = screen != nullptr ? screen->geometry().size() : QSize(640, 480);
        QSize outer(cs.cx == CW_USEDEFAULT ? screenSize.width() * 3 / 4 : cs.cx,
                    cs.cy == CW_USEDEFAULT ? screenSize.height() * 3 / 4 : cs.cy);
        ApplyTrackingLimits(h);
        if (!afx::IsLiveWindow(h))
            return FALSE;
        QSize client = afx::OuterToClient(outer).expandedTo(h->minClient).boundedTo(h->maxClient);
        widget->resize(client);
        widget->move(cs.x == CW_USEDEFAULT ? 0 : cs.x, cs.y == CW_USEDEFAULT ? 0 : cs.y);
    }
    afx::ResizePicture(h, widget->size());

    LRESULT created = afx::Send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs));
    if (created == -1) {
        // Destroying may delete this object (frames and views delete themselves).
        DestroyWindow();
        return FALSE;
    }
    if (!afx::IsLiveWindow(h))
        return FALSE;
    if ((style & WS_DISABLED) != 0)
        widget->setEnabled(false);
    if (child) {
        widget->setVisible((style & WS_VISIBLE) != 0);
    } else if ((style & WS_VISIBLE) != 0) {
        widget->show();
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || h->destroying)
        return FALSE;
    DispatchGuard guard(h);
    h->destroying = true;
    if (h->widget && h->parent == nullptr)
        h->widget->hide();
    afx::Send(h, WM_DESTROY, 0, 0);
    std::vector<HWND> kids = h->children;
    for (HWND k : kids) {
        if (!afx::IsLiveWindow(k) || k->destroying)
            continue;
        if (k->wnd != nullptr) {
            k->wnd->DestroyWindow();
        } else {
            afx::UnregisterForeignWindow(k);
        }
    }
    if (h->parent != nullptr) {
        auto& siblings = h->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
    }
    QWidget* widget = h->widget.data();
    afx::Send(h, WM_NCDESTROY, 0, 0);

    // The framework's part of WM_NCDESTROY: detach, and let the object delete itself.
    CWnd* wnd = h->wnd;
    WidgetMap().remove(widget);
    LiveWindows().erase(h);
    h->wnd = nullptr;
    h->widget = nullptr;
    if (h->menu != nullptr)
        h->menu = nullptr;
    if (widget != nullptr) {
        if (afx::InsideEvent()) {
            widget->hide();
            widget->deleteLater();
        } else {
            delete widget;
        }
    }
    if (wnd != nullptr) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd == wnd) {
            app->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        wnd->m_hWnd = nullptr;
        if (g_noPostNcDestroy.erase(h) == 0)
            WndAccess::PostNcDestroy(wnd);
    }
    return TRUE;
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return afx::Send(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return FALSE;
    QMetaObject::invokeMethod(
        h->widget.data(),
        [h, message, wParam, lParam] {
            afx::EventScope scope;
            afx::Send(h, message, wParam, lParam);
        },
        Qt::QueuedConnection);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::IsDialogMessage(LPMSG lpMsg) {
    return ::IsDialogMessageA(m_hWnd, lpMsg);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message);
    if (entry == nullptr)
        return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), nullptr, nullptr);
}

void CWnd::DrawItem(LPDRAWITEMSTRUCT) {}

// Handlers that window classes chain to explicitly; the default processing is here.
int CWnd::OnCreate(LPCREATESTRUCT) {
    return 0;
}
void CWnd::OnDestroy() {}
void CWnd::OnClose() {
    DestroyWindow();
}
void CWnd::OnPaint() {
    DefWindowProc(WM_PAINT, 0, 0);
}
BOOL CWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    return static_cast<BOOL>(DefWindowProc(
        WM_SETCURSOR, reinterpret_cast<WPARAM>(pWnd != nullptr ? pWnd->m_hWnd : nullptr),
        MAKELPARAM(nHitTest, message)));
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) {}
void CWnd::OnLButtonDown(UINT, CPoint) {}
void CWnd::OnLButtonUp(UINT, CPoint) {}
void CWnd::OnLButtonDblClk(UINT, CPoint) {}
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnActivate(UINT, CWnd*, BOOL) {}
void CWnd::OnContextMenu(CWnd* pWnd, CPoint pos) {
    DefWindowProc(WM_CONTEXTMENU,
                  reinterpret_cast<WPARAM>(pWnd != nullptr ? pWnd->m_hWnd : nullptr),
                  MAKELPARAM(static_cast<unsigned>(pos.x), static_cast<unsigned>(pos.y)));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return 0;
    QWidget* widget = h->widget.data();
    const std::string& cls = h->className;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow();
            return 0;
        case WM_PAINT:
            if (h->eraseOnPaint)
                h->picture.fill(Qt::white);
            h->eraseOnPaint = false;
            h->needsPaint = false;
            return 0;
        case WM_SETCURSOR: {
            // Parents decide first, as on the platform; otherwise the class cursor.
            if (h->parent != nullptr && afx::Send(h->parent, WM_SETCURSOR, wParam, lParam) != 0) {
                return TRUE;
            }
            ::SetCursor(LoadCursorA(nullptr, cls == "EDIT" ? IDC_IBEAM : IDC_ARROW));
            return FALSE;
        }
        case WM_SETTEXT:
            SetWindowText(reinterpret_cast<LPCSTR>(lParam));
            return TRUE;
        case WM_GETTEXT:
            return GetWindowText(reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return GetWindowTextLength();
        case BM_CLICK:
            if (auto* b = qobject_cast<QAbstractButton*>(widget))
                b->click();
            return 0;
        case WM_CONTEXTMENU:
            if (cls == "EDIT") {
                // The field's own menu, whose commands act on it and send no WM_COMMAND.
                QMenu menu;
                AppendEditCommands(h, &menu);
                menu.exec(ContextMenuPoint(h, lParam));
                return 0;
            }
            if (h->parent != nullptr)
                return afx::Send(h->parent, WM_CONTEXTMENU, wParam, lParam);
            return 0;
        default:
            break;
    }
    if (cls == "EDIT") {
        auto* edit = static_cast<QLineEdit*>(widget);
        switch (message) {
            case EM_LIMITTEXT: {
                int limit = static_cast<int>(wParam);
                edit->setMaxLength(limit <= 0 || limit > 32767 ? 32767 : limit);
                return 0;
            }
            case EM_GETLINE: {
                auto* buffer = reinterpret_cast<char*>(lParam);
                if (buffer == nullptr || wParam != 0)
                    return 0;
                WORD max = 0;
                std::memcpy(&max, buffer, sizeof max);
                QByteArray text = afx::ToAnsi(edit->text());
                int n = std::min<int>(max, static_cast<int>(text.size()));
                if (n > 0)
                    std::memcpy(buffer, text.constData(), static_cast<size_t>(n));
                return n;
            }
            case EM_SETSEL: {
                int start = static_cast<int>(static_cast<std::intptr_t>(wParam));
                int end = static_cast<int>(lParam);
                if (start == 0 && end == -1) {
                    edit->selectAll();
                } else if (start < 0) {
                    edit->deselect();
                } else {
                    edit->setSelection(start, end - start);
                }
                return 0;
            }
            default:
                break;
        }
    }
    if (cls == "MSCTLS_PROGRESS32")
        return afx::ProgressBarMessage(widget, message, wParam, lParam);
    if (cls == "COMBOBOX") {
        auto* combo = static_cast<QComboBox*>(widget);
        switch (message) {
            case CB_ADDSTRING:
                combo->addItem(afx::FromAnsi(reinterpret_cast<LPCSTR>(lParam)));
                return combo->count() - 1;
            case CB_GETCOUNT:
                return combo->count();
            case CB_GETCURSEL:
                return combo->currentIndex();
            case CB_SETCURSEL: {
                int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
                if (index < 0 || index >= combo->count()) {
                    combo->setCurrentIndex(-1);
                    return CB_ERR;
                }
                combo->setCurrentIndex(index);
                return index;
            }
            case CB_RESETCONTENT:
                combo->clear();
                return 0;
            default:
                break;
        }
    }
    return 0;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (!afx::IsLiveWindow(m_hWnd) || !m_hWnd->widget)
        return FALSE;
    BOOL wasDisabled = !m_hWnd->widget->isEnabled();
    m_hWnd->widget->setEnabled(bEnable != FALSE);
    if (bEnable) {
        m_hWnd->style &= ~WS_DISABLED;
    } else {
        m_hWnd->style |= WS_DISABLED;
    }
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return afx::IsLiveWindow(m_hWnd) && m_hWnd->widget && m_hWnd->widget->isEnabled();
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::IsWindowVisible() const {
    return afx::IsLiveWindow(m_hWnd) && m_hWnd->widget && m_hWnd->widget->isVisible();
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    QString text = afx::FromAnsi(lpszString != nullptr ? lpszString : "");
    QWidget* w = h->widget.data();
    if (w->isWindow()) {
        w->setWindowTitle(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
        // Mnemonics are the dialog keyboard's business, not Qt's shortcuts.
        b->setShortcut(QKeySequence());
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(StripMnemonic(text));
    }
    h->widget->setProperty("afxText", text);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    if (lpszStringBuf == nullptr || nMaxCount <= 0)
        return 0;
    lpszStringBuf[0] = '\0';
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return 0;
    QString text;
    QWidget* w = h->widget.data();
    if (w->isWindow()) {
        text = w->windowTitle();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        text = e->text();
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        text = c->currentText();
    } else {
        text = w->property("afxText").toString();
    }
    QByteArray bytes = afx::ToAnsi(text);
    int n = std::min<int>(nMaxCount - 1, static_cast<int>(bytes.size()));
    std::memcpy(lpszStringBuf, bytes.constData(), static_cast<size_t>(n));
    lpszStringBuf[n] = '\0';
    return n;
}

int CWnd::GetWindowTextLength() const {
    char buffer[32768];
    return GetWindowText(buffer, sizeof buffer);
}

CWnd* CWnd::SetFocus() {
    CWnd* previous = GetFocus();
    if (afx::IsLiveWindow(m_hWnd) && m_hWnd->widget)
        m_hWnd->widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) {
        // None of our windows is active, yet X may hand the main window keys (no window
        // manager): they go to its focus widget, which is then the focus that counts.
        CWnd* main = AfxGetMainWnd();
        if (main != nullptr && afx::IsLiveWindow(main->m_hWnd) && main->m_hWnd->widget)
            focus = main->m_hWnd->widget->focusWidget();
    }
    return focus != nullptr ? FromHandle(afx::HandleOfWidget(focus)) : nullptr;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    if (h->parent != nullptr) {
        if (auto* combo = dynamic_cast<afx::ComboWidget*>(h->widget.data())) {
            combo->SetDroppedHeight(nHeight);
            nHeight = h->widget->height();
        }
        h->widget->setGeometry(x, y, nWidth, nHeight);
    } else {
        QSize client = afx::OuterToClient({nWidth, nHeight});
        if (h->minClient.isValid())
            client = client.expandedTo(h->minClient).boundedTo(h->maxClient);
        h->widget->resize(client + QSize(0, MenuHeight(h)));
        h->widget->move(x, y);
    }
    if (bRepaint)
        Invalidate();
}

void CWnd::MoveWindow(LPCRECT r, BOOL bRepaint) {
    if (r != nullptr)
        MoveWindow(r->left, r->top, r->right - r->left, r->bottom - r->top, bRepaint);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    *lpRect = {0, 0, 0, 0};
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    *lpRect = {0, 0, h->widget->width(), h->widget->height() - MenuHeight(h)};
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    HWND h = m_hWnd;
    if (lpPoint == nullptr || !afx::IsLiveWindow(h) || !h->widget)
        return;
    const QPoint p = h->widget->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
    *lpPoint = {p.x(), p.y() - MenuHeight(h)};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    HWND h = m_hWnd;
    if (lpPoint == nullptr || !afx::IsLiveWindow(h) || !h->widget)
        return;
    const QPoint p = h->widget->mapToGlobal(QPoint(lpPoint->x, lpPoint->y + MenuHeight(h)));
    *lpPoint = {p.x(), p.y()};
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    if (lpRect == nullptr)
        return;
    *lpRect = {0, 0, 0, 0};
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    QWidget* w = h->widget.data();
    if (w->isWindow()) {
        QPoint p = w->pos();
        QSize outer = afx::ClientToOuter(w->size() - QSize(0, MenuHeight(h)));
        *lpRect = {p.x(), p.y(), p.x() + outer.width(), p.y() + outer.height()};
    } else {
        QPoint p = w->mapToGlobal(QPoint(0, 0));
        *lpRect = {p.x(), p.y(), p.x() + w->width(), p.y() + w->height()};
    }
}

DWORD CWnd::GetStyle() const {
    return afx::IsLiveWindow(m_hWnd) ? m_hWnd->style : 0;
}

int CWnd::GetDlgCtrlID() const {
    return afx::IsLiveWindow(m_hWnd) ? static_cast<int>(m_hWnd->id) : 0;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    if (!afx::IsLiveWindow(m_hWnd))
        return nullptr;
    for (HWND k : m_hWnd->children) {
        if (static_cast<int>(k->id) == nID)
            return k->wnd;
    }
    return nullptr;
}

CWnd* CWnd::GetParent() const {
    return afx::IsLiveWindow(m_hWnd) ? FromHandle(m_hWnd->parent) : nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    if (!afx::IsLiveWindow(m_hWnd))
        return nullptr;
    HWND h = m_hWnd;
    while (h->parent != nullptr)
        h = h->parent;
    return h->wnd;
}

BOOL CWnd::SetMenu(CMenu* pMenu) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || h->parent != nullptr)
        return FALSE;
    if (h->menu != nullptr && h->menu != pMenu && h->menu->m_hMenu != nullptr &&
        h->menu->m_hMenu->bar) {
        h->menu->m_hMenu->bar->hide();
        h->menu->m_hMenu->bar->setParent(nullptr);
    }
    h->menu = pMenu;
    if (pMenu != nullptr && pMenu->m_hMenu != nullptr && pMenu->m_hMenu->bar) {
        QWidget* bar = pMenu->m_hMenu->bar.data();
        bar->setParent(h->widget.data());
        bar->setGeometry(0, 0, h->widget->width(), bar->sizeHint().height());
        bar->show();
    }
    if (h->minClient.isValid()) {
        h->widget->setMinimumSize(h->minClient + QSize(0, MenuHeight(h)));
        h->widget->setMaximumSize(h->maxClient + QSize(0, MenuHeight(h)));
    }
    afx::ResizePicture(h, h->widget->size() - QSize(0, MenuHeight(h)));
    return TRUE;
}

CMenu* CWnd::GetMenu() const {
    return afx::IsLiveWindow(m_hWnd) ? m_hWnd->menu : nullptr;
}

void CWnd::SetForegroundWindow() {
    ::SetForegroundWindow(m_hWnd);
}
void CWnd::BringWindowToTop() {
    ::BringWindowToTop(m_hWnd);
}
CWnd* CWnd::GetLastActivePopup() const {
    return FromHandle(::GetLastActivePopup(m_hWnd));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h) || !h->widget)
        return;
    QWidget* w = h->widget.data();
    QWidget* owner = pAlternateOwner != nullptr && afx::IsLiveWindow(pAlternateOwner->m_hWnd)
                         ? pAlternateOwner->m_hWnd->widget.data()
                         : w->parentWidget();
    QRect area = owner != nullptr ? owner->window()->geometry()
                                  : (QGuiApplication::primaryScreen() != nullptr
                                         ? QGuiApplication::primaryScreen()->availableGeometry()
                                         : QRect(0, 0, 640, 480));
    w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

void CWnd::SetIcon(HICON hIcon, BOOL) {
    if (!afx::IsLiveWindow(m_hWnd) || !m_hWnd->widget || hIcon == nullptr)
        return;
    m_hWnd->widget->setWindowIcon(QIcon(QPixmap::fromImage(hIcon->image)));
}

void CWnd::Invalidate(BOOL bErase) {
    HWND h = m_hWnd;
    if (!afx::IsLiveWindow(h))
        return;
    h->needsPaint = true;
    if (bErase)
        h->eraseOnPaint = true;
    if (h->widget)
        h->widget->update();
}

void CWnd::InvalidateRect(LPCRECT, BOOL bErase) {
    Invalidate(bErase);
}

void CWnd::UpdateWindow() {
    HWND h = m_hWnd;
    if (afx::IsLiveWindow(h) && h->needsPaint)
        afx::Send(h, WM_PAINT, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Controls

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CBitmapButton, CButton)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID) {
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CBitmapButton::LoadBitmaps(LPCTSTR up, LPCTSTR sel, LPCTSTR focus, LPCTSTR disabled) {
    m_bitmap.DeleteObject();
    m_bitmapSel.DeleteObject();
    m_bitmapFocus.DeleteObject();
    m_bitmapDisabled.DeleteObject();
    if (!m_bitmap.LoadBitmap(up))
        return FALSE;
    BOOL ok = TRUE;
    if (sel != nullptr && !m_bitmapSel.LoadBitmap(sel))
        ok = FALSE;
    if (focus != nullptr && !m_bitmapFocus.LoadBitmap(focus))
        ok = FALSE;
    if (disabled != nullptr && !m_bitmapDisabled.LoadBitmap(disabled))
        ok = FALSE;
    return ok;
}

void CBitmapButton::SizeToContent() {
    BITMAP bm{};
    if (m_bitmap.GetBitmap(&bm) == 0 || !afx::IsLiveWindow(m_hWnd) || !m_hWnd->widget)
        return;
    m_hWnd->widget->resize(bm.bmWidth, bm.bmHeight);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
    const CBitmap* bitmap = &m_bitmap;
    if ((lpDIS->itemState & ODS_SELECTED) != 0 && m_bitmapSel.m_hObject != nullptr) {
        bitmap = &m_bitmapSel;
    } else if ((lpDIS->itemState & ODS_FOCUS) != 0 && m_bitmapFocus.m_hObject != nullptr) {
        bitmap = &m_bitmapFocus;
    } else if ((lpDIS->itemState & ODS_DISABLED) != 0 && m_bitmapDisabled.m_hObject != nullptr) {
        bitmap = &m_bitmapDisabled;
    }
    if (bitmap->m_hObject == nullptr || lpDIS->hDC == nullptr)
        return;
    CDC dc;
    dc.m_hDC = lpDIS->hDC;
    CDC memDC;
    memDC.CreateCompatibleDC(&dc);
    HBITMAP old = memDC.SelectObject(static_cast<HBITMAP>(*bitmap));
    const RECT& r = lpDIS->rcItem;
    dc.BitBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, &memDC, 0, 0, SRCCOPY);
    memDC.SelectObject(old);
    dc.m_hDC = nullptr;
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CEdit::LimitText(int nChars) {
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
}

int CEdit::GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const {
    if (lpszBuffer == nullptr || nMaxLength < static_cast<int>(sizeof(WORD)))
        return 0;
    WORD max = static_cast<WORD>(std::min(nMaxLength, 0xFFFF));
    std::memcpy(lpszBuffer, &max, sizeof max);
    return static_cast<int>(afx::Send(m_hWnd, EM_GETLINE, static_cast<WPARAM>(nIndex),
                                      reinterpret_cast<LPARAM>(lpszBuffer)));
}

void CEdit::SetSel(int nStartChar, int nEndChar) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}

BOOL CEdit::AppendStandardCommands(CMenu* pMenu) {
    return AppendEditCommands(m_hWnd, PopupOf(pMenu)) ? TRUE : FALSE;
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CComboBox::AddString(LPCTSTR s) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)));
}
int CComboBox::GetCount() const {
    return static_cast<int>(afx::Send(m_hWnd, CB_GETCOUNT, 0, 0));
}
int CComboBox::GetCurSel() const {
    return static_cast<int>(afx::Send(m_hWnd, CB_GETCURSEL, 0, 0));
}
int CComboBox::SetCurSel(int n) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(n), 0));
}
void CComboBox::ResetContent() {
    SendMessage(CB_RESETCONTENT, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Menus

IMPLEMENT_DYNAMIC(CMenu, CObject)

BOOL CMenu::LoadMenu(UINT nIDResource) {
    const MENU_TABLE* table = AfxFindMenu(nIDResource);
    if (table == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    afx::EnsureApplication();
    DestroyMenu();
    auto* bar = new QMenuBar;
    std::vector<QMenu*> popups;
    for (int i = 0; i < table->rowCount; ++i) {
        const MENUITEM_ROW& row = table->rows[i];
        if (row.id == 0) {
            popups.push_back(bar->addMenu(afx::FromAnsi(row.text)));
        } else if (row.popup >= 0 && row.popup < static_cast<int>(popups.size())) {
            popups[static_cast<size_t>(row.popup)]->addAction(afx::FromAnsi(row.text));
        }
    }
    m_hMenu = new HMENU__;
    m_hMenu->bar = bar;
    m_hMenu->owner = this;
    return TRUE;
}

BOOL CMenu::CreatePopupMenu() {
    afx::EnsureApplication();
    DestroyMenu();
    m_hMenu = new HMENU__;
    m_hMenu->bar = new QMenu;
    m_hMenu->owner = this;
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    QMenu* menu = PopupOf(this);
    if (menu == nullptr)
        return FALSE;
    if ((nFlags & MF_SEPARATOR) != 0) {
        menu->addSeparator();
        return TRUE;
    }
    if (lpszNewItem == nullptr)
        return FALSE;
    QAction* action = menu->addAction(afx::FromAnsi(lpszNewItem));
    action->setData(QVariant::fromValue<qulonglong>(nIDNewItem));
    action->setEnabled((nFlags & MF_GRAYED) == 0);
    if ((nFlags & MF_CHECKED) != 0) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    return TRUE;
}

BOOL CMenu::CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDCheck, UINT nFlags) {
    QMenu* menu = PopupOf(this);
    if (menu == nullptr || nFlags != MF_BYCOMMAND)
        return FALSE;
    // An exclusive group: the menu draws its items' marks as bullets.
    auto* group = new QActionGroup(menu);
    bool found = false;
    for (QAction* action : menu->actions()) {
        const UINT_PTR id = CommandOf(action);
        if (action->isSeparator() || id < nIDFirst || id > nIDLast)
            continue;
        group->addAction(action);
        action->setCheckable(true);
        action->setChecked(id == nIDCheck);
        found = found || id == nIDCheck;
    }
    return found ? TRUE : FALSE;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT) {
    QMenu* menu = PopupOf(this);
    if (menu == nullptr)
        return FALSE;
    // Runs its own loop until an item is chosen or the menu is dismissed.
    QPointer<QMenu> guard(menu);
    QAction* chosen = menu->exec(QPoint(x, y));
    const UINT id = guard.isNull() ? 0 : static_cast<UINT>(CommandOf(chosen));
    if ((nFlags & TPM_RETURNCMD) != 0)
        return static_cast<BOOL>(id);
    if (id != 0 && pWnd != nullptr && (nFlags & TPM_NONOTIFY) == 0)
        pWnd->PostMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    if (m_hMenu == nullptr)
        return FALSE;
    delete m_hMenu->bar.data();
    delete m_hMenu;
    m_hMenu = nullptr;
    return TRUE;
}

CMenu::~CMenu() {
    DestroyMenu();
}
