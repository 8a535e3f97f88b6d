// Private to the platform layer: the Qt objects behind the handles.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "afxwin.h"

// Non-client metrics of our frames: the window manager draws the real frame, but the
// window code's arithmetic works on outer rectangles of this shape.
inline constexpr int kFrameBorder = 4;
inline constexpr int kCaptionHeight = 19;
inline constexpr int kNonClientWidth = 2 * kFrameBorder;
inline constexpr int kNonClientHeight = 2 * kFrameBorder + kCaptionHeight;

struct HWND__ {
    CWnd* wnd = nullptr;  // null for windows without a CWnd (message boxes)
    QPointer<QWidget> widget;
    HWND__* parent = nullptr;
    std::vector<HWND__*> children;  // creation order, which is also the Tab order
    std::string className;          // upper case
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0;
    quint32 serial = 0;  // never reused; names the window to other copies
    QImage picture;      // the client area as drawn by device contexts
    bool needsPaint = true;
    bool eraseOnPaint = true;
    bool destroying = false;
    int dispatchDepth = 0;
    // Tracking limits of top-level windows, as client sizes.
    QSize minClient, maxClient;
    CMenu* menu = nullptr;
    // A window of another copy of the program.
    bool remote = false;
    QString remoteServer;
    quint32 remoteSerial = 0;
};

struct HBITMAP__ {
    QImage image;
};

struct HINSTANCE__ {
    QString root;  // folder of the resource files: ":/vel7m" for the program's own
};

struct HCURSOR__ {
    int shape;  // Qt::CursorShape
};

struct HDC__ {
    QImage* target = nullptr;  // the window's picture or the selected bitmap's image
    HWND window = nullptr;     // set for window contexts
    HBITMAP selected = nullptr;
    QImage scratch;  // 1x1 target of a memory context without a bitmap
    QFont font;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    QRect dirty;  // union of what was drawn, to show on release
};

struct HMENU__ {
    QPointer<QWidget> bar;  // a menu bar, or a popup menu's QMenu
    CMenu* owner = nullptr;
};

namespace afx {

// Text of the byte-string calls: Latin-1, like the platform's Western code page.
inline QString FromAnsi(const char* s, int n = -1) {
    return QString::fromLatin1(s, n);
}
inline QByteArray ToAnsi(const QString& s) {
    return s.toLatin1();
}

// Starts the window system once (QApplication) if nothing has yet.
void EnsureApplication(int* argc = nullptr, char** argv = nullptr);

bool IsLiveWindow(HWND h);
HWND HandleOfWidget(const QWidget* w);  // nearest registered ancestor, or null
HWND NewRemoteHandle(const QString& server, quint32 serial);
HWND FindLocalTopLevel(const QString& caption);
HWND FindBySerial(quint32 serial);
std::vector<HWND> TopLevelWindows();

// Sends a message to the window's CWnd (nothing for windows without one).
LRESULT Send(HWND h, UINT message, WPARAM wParam, LPARAM lParam);

// Registers a widget that is not a CWnd (message boxes) as a window, and back.
HWND RegisterForeignWindow(QWidget* w, const char* className);
void UnregisterForeignWindow(HWND h);

QImage* BitmapImage(HBITMAP h);
QColor ToColor(COLORREF c);
QSize ClientToOuter(QSize client);
QSize OuterToClient(QSize outer);

// The window under modal focus of a top-level window, or the window itself.
HWND LastActivePopup(HWND h);
void CountForegroundRequest(HWND h);

// Dialog colours set by SetDialogBkColor.
void ApplyDialogColours(QWidget* w);
void SetDialogColours(COLORREF background, COLORREF text);

// The process-wide key and mouse translation into window messages.
void InstallMessageFilter();
void CloseHelp();
// --screenshot: a modal dialog opened during start-up is pictured (over the main window) in
// place of the main window, then closed.
bool DialogScreenshotPending();
void TakeDialogScreenshot(QWidget* dialog);
QString ResourcePath(HINSTANCE module, LPCSTR name, const char* kind);
// A file installed with the program's data (the help file), or empty when there is none.
QString InstalledDataFile(const QString& name);

}  // namespace afx

namespace afx {

bool IsRemoteHandle(HWND h);
// Sends one request line to the copy that owns a remote window; returns its answer line,
// or an empty string when that copy does not answer.
QByteArray AskRemote(HWND remote, const QByteArray& request);
// Asks the copies that hold the named mutexes this process opened for a window.
HWND FindRemoteWindow(const QString& caption);

}  // namespace afx
