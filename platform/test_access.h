// For tests only: the window system underneath the platform layer, and hooks to steer what
// the real system would decide (work area, resources). Window code never includes this.
#pragma once

#include <QImage>
#include <QWidget>

#include "afxwin.h"

namespace platform_test {

// The widget behind a window (null when the window has none).
QWidget* Widget(const CWnd* wnd);

// The picture of a window's client area that its device contexts draw into.
QImage ClientPicture(const CWnd* wnd);

// SPI_GETWORKAREA answers `area` from now on; null makes the call fail; Restore goes back to
// the screen's real work area.
void SetWorkArea(const RECT* area);
void RestoreWorkArea();

// A resource module whose resources are the files of `dir` (for example an empty folder).
HINSTANCE ResourceModuleAt(const char* dir);

// How many raise requests (SetForegroundWindow) other copies have sent to this process.
int ForegroundRequestsReceived();
// The window that the last of those requests raised (null when it is gone).
CWnd* LastRaised();

// The help topic shown by WinHelpA, or -1 when the help window is closed.
int HelpTopicShown();
}  // namespace platform_test
