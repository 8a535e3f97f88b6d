#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "internal.h"
#include "test_access.h"

namespace {

bool g_workAreaOverridden = false;
std::optional<RECT> g_workArea;
int g_foregroundRequests = 0;
HWND g_lastRaised = nullptr;

QWidget* TopWidget(HWND h) {
    if (!afx::IsLiveWindow(h) || !h->widget)
        return nullptr;
    return h->widget->window();
}

}  // namespace

int GetSystemMetrics(int index) {
    afx::EnsureApplication();
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect geometry = screen != nullptr ? screen->geometry() : QRect(0, 0, 640, 480);
    switch (index) {
        case SM_CXSCREEN:
            return geometry.width();
        case SM_CYSCREEN:
            return geometry.height();
        case SM_CYCAPTION:
            return kCaptionHeight;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return kFrameBorder;
        default:
            return 0;
    }
}

BOOL SystemParametersInfoA(UINT action, UINT, void* pvParam, UINT) {
    if (action != SPI_GETWORKAREA || pvParam == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT area{};
    if (g_workAreaOverridden) {
        if (!g_workArea) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        area = *g_workArea;
    } else {
        afx::EnsureApplication();
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        QRect r = screen->availableGeometry();
        area = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    std::memcpy(pvParam, &area, sizeof area);
    return TRUE;
}

// A shown window that is not on the screen: iconified by a window manager that unmaps, or
// withdrawn by someone else. For bringing it back that is the same as minimised.
static bool IsOffScreen(QWidget* w) {
    const QWindow* handle = w->windowHandle();
    return w->isVisible() && handle != nullptr && !handle->isExposed() &&
           QGuiApplication::platformName() != QLatin1String("offscreen");
}

BOOL IsWindow(HWND hWnd) {
    return afx::IsLiveWindow(hWnd) || afx::IsRemoteHandle(hWnd);
}

BOOL IsIconic(HWND hWnd) {
    if (afx::IsRemoteHandle(hWnd)) {
        return afx::AskRemote(hWnd, "ICONIC " + QByteArray::number(hWnd->remoteSerial)) == "1";
    }
    QWidget* w = TopWidget(hWnd);
    return w != nullptr && hWnd->widget == w && (w->isMinimized() || IsOffScreen(w));
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (afx::IsRemoteHandle(hWnd)) {
        return afx::AskRemote(hWnd, "SHOW " + QByteArray::number(hWnd->remoteSerial) + ' ' +
                                        QByteArray::number(nCmdShow)) == "1";
    }
    if (!afx::IsLiveWindow(hWnd) || !hWnd->widget)
        return FALSE;
    QWidget* w = hWnd->widget.data();
    BOOL wasVisible = w->isVisible();
    switch (nCmdShow) {
        case SW_HIDE:
            w->hide();
            break;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
            if (w->isWindow()) {
                w->showMinimized();
            } else {
                w->show();
            }
            break;
        case SW_SHOWMAXIMIZED:
            if (w->isWindow()) {
                w->showMaximized();
            } else {
                w->show();
            }
            break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            if (w->isWindow()) {
                // Qt still counts a window that was unmapped behind its back as shown: map it
                // again by hiding and showing it. Not a minimised one (Qt maps that itself)
                // nor a modal one: hiding a dialog ends it.
                if (IsOffScreen(w) && !w->isMinimized() && !w->isModal())
                    w->hide();
                w->showNormal();
            } else {
                w->show();
            }
            break;
        default:
            w->show();
            break;
    }
    if (nCmdShow != SW_HIDE)
        hWnd->style |= WS_VISIBLE;
    else
        hWnd->style &= ~WS_VISIBLE;
    return wasVisible;
}

BOOL SetForegroundWindow(HWND hWnd) {
    if (afx::IsRemoteHandle(hWnd)) {
        return afx::AskRemote(hWnd, "FOREGROUND " + QByteArray::number(hWnd->remoteSerial)) == "1";
    }
    QWidget* w = TopWidget(hWnd);
    if (w == nullptr)
        return FALSE;
    w->raise();
    w->activateWindow();
    return TRUE;
}

BOOL BringWindowToTop(HWND hWnd) {
    if (afx::IsRemoteHandle(hWnd)) {
        return afx::AskRemote(hWnd, "TOP " + QByteArray::number(hWnd->remoteSerial)) == "1";
    }
    QWidget* w = TopWidget(hWnd);
    if (w == nullptr)
        return FALSE;
    w->raise();
    return TRUE;
}

HWND GetLastActivePopup(HWND hWnd) {
    if (afx::IsRemoteHandle(hWnd)) {
        QByteArray answer = afx::AskRemote(hWnd, "POPUP " + QByteArray::number(hWnd->remoteSerial));
        bool ok = false;
        quint32 serial = answer.toUInt(&ok);
        return ok ? afx::NewRemoteHandle(hWnd->remoteServer, serial) : hWnd;
    }
    return afx::LastActivePopup(hWnd);
}

HWND afx::LastActivePopup(HWND h) {
    if (!IsLiveWindow(h) || !h->widget)
        return nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    // A modal window owned by this window's top-level window is its last active popup.
    for (QWidget* w = modal; w != nullptr; w = w->parentWidget()) {
        if (w == h->widget->window() && modal != w) {
            HWND popup = HandleOfWidget(modal);
            return popup != nullptr ? popup : h;
        }
    }
    return h;
}

void afx::CountForegroundRequest(HWND h) {
    ++g_foregroundRequests;
    g_lastRaised = h;
}

BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* wp) {
    if (!afx::IsLiveWindow(hWnd) || hWnd->wnd == nullptr || wp == nullptr)
        return FALSE;
    RECT r{};
    hWnd->wnd->GetWindowRect(&r);
    *wp = WINDOWPLACEMENT{};
    wp->length = sizeof(WINDOWPLACEMENT);
    wp->showCmd = IsIconic(hWnd) ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    wp->rcNormalPosition = r;
    return TRUE;
}

BOOL SetWindowPlacement(HWND hWnd, const WINDOWPLACEMENT* wp) {
    if (!afx::IsLiveWindow(hWnd) || hWnd->wnd == nullptr || wp == nullptr ||
        wp->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT& r = wp->rcNormalPosition;
    // Positions are taken as given, negative ones too: the window may overhang the screen.
    hWnd->wnd->MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    ShowWindow(hWnd, static_cast<int>(wp->showCmd));
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Test hooks

namespace platform_test {

QWidget* Widget(const CWnd* wnd) {
    return wnd != nullptr && afx::IsLiveWindow(wnd->m_hWnd) ? wnd->m_hWnd->widget.data() : nullptr;
}

QImage ClientPicture(const CWnd* wnd) {
    return wnd != nullptr && afx::IsLiveWindow(wnd->m_hWnd) ? wnd->m_hWnd->picture : QImage();
}

void SetWorkArea(const RECT* area) {
    g_workAreaOverridden = true;
    g_workArea = area != nullptr ? std::optional<RECT>(*area) : std::nullopt;
}

void RestoreWorkArea() {
    g_workAreaOverridden = false;
    g_workArea.reset();
}

HINSTANCE ResourceModuleAt(const char* dir) {
    // Kept for the process: handles stay valid like a loaded module's.
    static std::vector<std::unique_ptr<HINSTANCE__>> modules;
    modules.push_back(std::make_unique<HINSTANCE__>(HINSTANCE__{QString::fromLocal8Bit(dir)}));
    return modules.back().get();
}

int ForegroundRequestsReceived() {
    return g_foregroundRequests;
}

CWnd* LastRaised() {
    return CWnd::FromHandle(g_lastRaised);
}

}  // namespace platform_test
