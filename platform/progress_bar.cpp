// Progress bars: a range (0 to 100 until set) and a position that stays inside it.

#include <QProgressBar>
#include <QVariant>
#include <algorithm>

#include "widgets.h"

namespace {

// The top of the range as set (Qt's may be one more).
constexpr char kHigh[] = "vel7mRangeHigh";

int High(const QProgressBar* bar) {
    QVariant high = bar->property(kHigh);
    return high.isValid() ? high.toInt() : bar->maximum();
}

}  // namespace

namespace afx {

QWidget* MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

LRESULT ProgressBarMessage(QWidget* widget, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bar = static_cast<QProgressBar*>(widget);
    switch (message) {
        case PBM_SETRANGE32: {
            LRESULT previous = MAKELPARAM(static_cast<unsigned>(bar->minimum()) & 0xFFFF,
                                          static_cast<unsigned>(bar->maximum()) & 0xFFFF);
            int low = static_cast<int>(static_cast<std::intptr_t>(wParam));
            int high = static_cast<int>(lParam);
            high = std::max(high, low);
            // An empty range would turn Qt's bar into a busy indicator; the platform's stays
            // still, so Qt gets one step more than the range holds.
            bar->setRange(low, std::max(high, low + 1));
            bar->setProperty(kHigh, high);
            bar->setValue(low);
            return previous;
        }
        case PBM_SETPOS: {
            int previous = bar->value();
            // Qt ignores a value outside the range; the platform moves to the nearest end.
            int pos = static_cast<int>(static_cast<std::intptr_t>(wParam));
            bar->setValue(std::clamp(pos, bar->minimum(), High(bar)));
            return previous;
        }
        case PBM_GETPOS:
            return bar->value();
        case PBM_GETRANGE:
            return wParam != 0 ? bar->minimum() : High(bar);
        default:
            return 0;
    }
}

}  // namespace afx
