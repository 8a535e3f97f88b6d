#include <QApplication>

#include "widgets.h"

BOOL PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
    if (msg != nullptr)
        *msg = MSG{};
    if ((removeMsg & PM_REMOVE) != 0 && QApplication::instance() != nullptr)
        QApplication::processEvents(QEventLoop::AllEvents);
    return FALSE;
}
