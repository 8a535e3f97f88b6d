// Private: the Qt widgets behind windows, and how their events become window messages.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "internal.h"

namespace afx {

// Counts Qt event handlers of ours on the stack: widgets are only deleted at once when none
// is running, otherwise when control is back in the event loop.
struct EventScope {
    EventScope();
    ~EventScope();
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;
};
bool InsideEvent();

// Paints a window: runs WM_PAINT when the window was invalidated, then shows its picture.
void PaintWindow(QWidget* widget);
void ResizePicture(HWND h, QSize size);
// WM_COMMAND from a control to its parent.
void NotifyParent(QWidget* control, UINT code);
// Mouse button messages with the platform's flags and packed client coordinates.
void SendMouse(QWidget* widget, UINT message, const QPointF& pos, Qt::KeyboardModifiers mods);
void SendActivate(QWidget* widget);
void SendClose(QWidget* widget);

// Frames and views: a plain window that shows its picture.
class WndWidget : public QWidget {
  public:
    explicit WndWidget(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};

class PushButtonWidget : public QPushButton {
  public:
    explicit PushButtonWidget(QWidget* parent);
};

// BS_OWNERDRAW buttons: the CWnd draws each state through DrawItem.
class OwnerDrawButtonWidget : public QAbstractButton {
  public:
    explicit OwnerDrawButtonWidget(QWidget* parent);
    QSize sizeHint() const override { return size(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class EditWidget : public QLineEdit {
  public:
    explicit EditWidget(QWidget* parent);

  protected:
    // The right button or the menu key: WM_CONTEXTMENU, as for the platform's edit fields, so
    // that a window class can put its own menu in place of the field's.
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// Drop-down lists: the height a list box is created with is its height with the list dropped,
// so the list under the closed box takes the rest of it.
class ComboWidget : public QComboBox {
  public:
    explicit ComboWidget(QWidget* parent);
    void SetDroppedHeight(int height) { m_droppedHeight = height; }
    void showPopup() override;

  private:
    int m_droppedHeight = 0;
};

// Progress bars: the widget, and the PBM_ messages.
QWidget* MakeProgressBar(QWidget* parent);
LRESULT ProgressBarMessage(QWidget* bar, UINT message, WPARAM wParam, LPARAM lParam);

class DialogWidget : public QDialog {
  public:
    explicit DialogWidget(QWidget* parent);
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace afx
