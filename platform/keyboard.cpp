// Keys and the mouse cursor, the platform's way: every key press is first offered to the
// window code as a message (PreTranslateMessage, where dialogs and dialog-like views run
// IsDialogMessage), and a moving mouse asks the window under it for its cursor
// (WM_SETCURSOR).

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

#include "widgets.h"

namespace {

UINT VirtualKey(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            break;
    }
    if ((e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) ||
        (e->key() >= Qt::Key_0 && e->key() <= Qt::Key_9)) {
        return static_cast<UINT>(e->key());
    }
    return 0;
}

// Keys go to the focus widget first; when it ignores one Qt passes it on to the parents,
// which must not see it offered a second time. The focus widget is the window's own: X may
// hand a window keys while Qt counts none of our windows active (no window manager), and
// the application then has no focus widget although the keys land in the window's.
bool IsKeyTarget(const QWidget* target) {
    const QWidget* focus = target->window()->focusWidget();
    return focus != nullptr ? target == focus : target->isWindow();
}

class MessageFilter : public QObject {
  public:
    bool eventFilter(QObject* object, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                return KeyPress(object, static_cast<QKeyEvent*>(event));
            case QEvent::MouseMove:
                // A move a child window did not take travels on to its parents; only the
                // window under the cursor is asked, as on the platform.
                if (!UnderChildWindow(object, static_cast<QMouseEvent*>(event)->position()))
                    SetCursorFor(object);
                return false;
            case QEvent::Enter:
                SetCursorFor(object);
                return false;
            default:
                return false;
        }
    }

  private:
    static bool KeyPress(QObject* object, QKeyEvent* e) {
        if (!object->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(object);
        HWND h = afx::HandleOfWidget(target);
        // Keys of pop-ups (an open drop-down list) are theirs; a key passed on to a parent
        // widget was offered once already.
        if (h == nullptr || h->wnd == nullptr || !h->widget ||
            target->window() != h->widget->window() || !IsKeyTarget(target)) {
            return false;
        }
        UINT vk = VirtualKey(e);
        if (vk == 0)
            return false;
        afx::EventScope scope;
        bool alt = (e->modifiers() & Qt::AltModifier) != 0;
        MSG msg{};
        msg.hwnd = h;
        msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = vk;
        msg.lParam = alt ? KF_ALTDOWN_LPARAM : 0;
        if ((e->modifiers() & Qt::ShiftModifier) != 0 || e->key() == Qt::Key_Backtab) {
            msg.lParam |= 0x1;  // our own mark: Shift was down
        }
        if ((e->modifiers() & Qt::ControlModifier) != 0)
            msg.lParam |= 0x2;
        CWinApp* app = AfxGetApp();
        if (app != nullptr)
            return app->PreTranslateMessage(&msg) != FALSE;
        for (CWnd* w = h->wnd; w != nullptr; w = w->GetParent()) {
            if (w->PreTranslateMessage(&msg))
                return true;
        }
        return false;
    }

    static bool UnderChildWindow(QObject* object, const QPointF& position) {
        if (!object->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(object);
        QWidget* child = widget->childAt(position.toPoint());
        return child != nullptr && afx::HandleOfWidget(child) != afx::HandleOfWidget(widget);
    }

    static void SetCursorFor(QObject* object) {
        if (!object->isWidgetType())
            return;
        HWND h = afx::HandleOfWidget(static_cast<QWidget*>(object));
        if (h == nullptr || h->wnd == nullptr)
            return;
        afx::EventScope scope;
        afx::Send(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
};

bool IsPushButton(HWND h) {
    return h->className == "BUTTON" && ((h->style & BS_TYPEMASK) == BS_PUSHBUTTON ||
                                        (h->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ||
                                        (h->style & BS_TYPEMASK) == BS_OWNERDRAW);
}

bool WantsChars(HWND h) {
    return h->className == "EDIT" || h->className == "COMBOBOX";
}

bool CanTakeFocus(HWND h) {
    return h->widget && h->widget->isVisible() && h->widget->isEnabled() &&
           (h->style & WS_TABSTOP) != 0;
}

// The dialog's controls in creation order, nested children included.
void Collect(HWND h, std::vector<HWND>& out) {
    for (HWND k : h->children) {
        out.push_back(k);
        Collect(k, out);
    }
}

bool IsInside(HWND dialog, HWND h) {
    for (HWND w = h; w != nullptr; w = w->parent) {
        if (w == dialog)
            return true;
    }
    return false;
}

void Click(HWND button) {
    if (button->widget && button->widget->isEnabled()) {
        if (auto* b = qobject_cast<QAbstractButton*>(button->widget.data()))
            b->click();
    }
}

void FocusControl(HWND h) {
    h->widget->setFocus(Qt::TabFocusReason);
    // Tabbing into an edit field selects its text, as on the platform.
    if (auto* e = qobject_cast<QLineEdit*>(h->widget.data()))
        e->selectAll();
}

QChar MnemonicOf(HWND h) {
    QString text = h->widget ? h->widget->property("afxText").toString() : QString();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            return text[i + 1].toUpper();
        }
    }
    return {};
}

}  // namespace

void afx::InstallMessageFilter() {
    static MessageFilter* filter = new MessageFilter;
    QApplication::instance()->installEventFilter(filter);
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG msg) {
    if (!afx::IsLiveWindow(hDlg) || msg == nullptr || !afx::IsLiveWindow(msg->hwnd) ||
        !IsInside(hDlg, msg->hwnd)) {
        return FALSE;
    }
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return FALSE;
    HWND focus = msg->hwnd;
    bool alt = (msg->lParam & KF_ALTDOWN_LPARAM) != 0;
    bool shift = (msg->lParam & 0x1) != 0;
    bool control = (msg->lParam & 0x2) != 0;
    std::vector<HWND> controls;
    Collect(hDlg, controls);

    switch (msg->wParam) {
        case VK_TAB: {
            if (alt || control)
                return FALSE;
            std::vector<HWND> stops;
            std::copy_if(controls.begin(), controls.end(), std::back_inserter(stops), CanTakeFocus);
            if (stops.empty())
                return TRUE;
            auto it = std::find(stops.begin(), stops.end(), focus);
            size_t index = 0;
            if (it == stops.end()) {
                index = shift ? stops.size() - 1 : 0;
            } else {
                size_t current = static_cast<size_t>(it - stops.begin());
                index = shift ? (current + stops.size() - 1) % stops.size()
                              : (current + 1) % stops.size();
            }
            FocusControl(stops[index]);
            return TRUE;
        }
        case VK_RETURN: {
            if (alt)
                return FALSE;
            if (focus != hDlg && IsPushButton(focus)) {
                Click(focus);
                return TRUE;
            }
            // Enter anywhere else is the default button's command (IDOK without one).
            UINT id = IDOK;
            for (HWND c : controls) {
                if (c->className == "BUTTON" && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    id = c->id;
                    if (c->widget && !c->widget->isEnabled())
                        return TRUE;
                    break;
                }
            }
            afx::Send(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            return TRUE;
        }
        case VK_ESCAPE:
            afx::Send(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return TRUE;
        default:
            break;
    }
    // Mnemonics: with Alt anywhere, without it only where the focus takes no characters.
    bool letter =
        (msg->wParam >= 'A' && msg->wParam <= 'Z') || (msg->wParam >= '0' && msg->wParam <= '9');
    if (!letter || control || (!alt && WantsChars(focus)))
        return FALSE;
    QChar key(static_cast<char16_t>(msg->wParam));
    for (size_t i = 0; i < controls.size(); ++i) {
        HWND c = controls[i];
        if (!c->widget || !c->widget->isVisible() || !c->widget->isEnabled() ||
            MnemonicOf(c) != key) {
            continue;
        }
        if (IsPushButton(c)) {
            Click(c);
            return TRUE;
        }
        if (c->className == "STATIC") {
            // A caption's mnemonic goes to the control after it.
            for (size_t j = i + 1; j < controls.size(); ++j) {
                if (CanTakeFocus(controls[j])) {
                    FocusControl(controls[j]);
                    return TRUE;
                }
            }
        }
    }
    return alt ? TRUE : FALSE;
}
