#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QTimer>
#include <cstring>

#include "widgets.h"

namespace {

// Dialog fonts of the original platform stand for our default font at their size.
QFont DialogFont(const DLGTEMPLATE_TABLE& t) {
    QFont font = QApplication::font();
    QString name = QString::fromLatin1(t.fontName != nullptr ? t.fontName : "");
    if (!name.isEmpty() && name != QStringLiteral("MS Sans Serif") &&
        name != QStringLiteral("MS Shell Dlg")) {
        font.setFamily(name);
    }
    if (t.pointSize > 0)
        font.setPointSize(t.pointSize);
    return font;
}

// Dialog units: a quarter of the average character width, an eighth of the text height.
QSize BaseUnits(const QFont& font) {
    QFontMetrics fm(font);
    static const QString sample =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int width = (fm.horizontalAdvance(sample) / 26 + 1) / 2;
    return {std::max(1, width), std::max(1, fm.height())};
}

}  // namespace

namespace afx {

DialogWidget::DialogWidget(QWidget* parent) : QDialog(parent) {
    setMouseTracking(true);
}

void DialogWidget::reject() {
    // Escape and the close box are IDCANCEL for the dialog's code to handle.
    EventScope scope;
    HWND h = HandleOfWidget(this);
    if (IsLiveWindow(h))
        Send(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DialogWidget::closeEvent(QCloseEvent* e) {
    e->ignore();
    SendClose(this);
}

}  // namespace afx

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (pDX == nullptr || pDX->m_pDlgWnd == nullptr)
        return;
    CWnd* control = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (control == nullptr)
        return;
    if (pDX->m_bSaveAndValidate) {
        int length = control->GetWindowTextLength();
        std::string text(static_cast<size_t>(length) + 1, '\0');
        control->GetWindowText(text.data(), length + 1);
        value = text.c_str();
    } else {
        control->SetWindowText(value);
    }
}

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
ON_WM_CLOSE()
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    m_items.clear();
    if (afx::IsLiveWindow(m_hWnd))
        DestroyWindow();
}

INT_PTR CDialog::DoModal() {
    afx::EnsureApplication();
    const DLGTEMPLATE_TABLE* t = AfxFindDialogTemplate(m_nIDTemplate);
    if (t == nullptr || m_hWnd != nullptr)
        return -1;
    CWnd* parent = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    QWidget* owner =
        parent != nullptr && afx::IsLiveWindow(parent->m_hWnd) && parent->m_hWnd->widget
            ? parent->m_hWnd->widget->window()
            : nullptr;

    // The owner may be destroyed while the dialog runs (a posted close), and Qt then deletes
    // the dialog with it.
    QPointer<afx::DialogWidget> dialog = new afx::DialogWidget(owner);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog->setWindowModality(Qt::ApplicationModal);
    QFont font = DialogFont(*t);
    dialog->setFont(font);
    afx::ApplyDialogColours(dialog);
    QSize units = BaseUnits(font);
    auto toPixels = [&](int x, int y) {
        return QPoint(MulDiv(x, units.width(), 4), MulDiv(y, units.height(), 8));
    };
    QPoint size = toPixels(t->cx, t->cy);
    dialog->setFixedSize(size.x(), size.y());
    dialog->setWindowTitle(QString::fromLatin1(t->caption != nullptr ? t->caption : ""));

    HWND h = afx::RegisterForeignWindow(dialog, "#32770");
    h->wnd = this;
    h->style = t->style;
    m_hWnd = h;
    afx::ResizePicture(h, dialog->size());

    for (int i = 0; i < t->itemCount; ++i) {
        const DLGITEM& item = t->items[i];
        auto control = std::make_unique<CWnd>();
        QPoint topLeft = toPixels(item.x, item.y);
        QPoint extent = toPixels(item.cx, item.cy);
        RECT r{topLeft.x(), topLeft.y(), topLeft.x() + extent.x(), topLeft.y() + extent.y()};
        if (!control->CreateEx(item.exStyle, item.className, item.text,
                               item.style | WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<std::intptr_t>(item.id)))) {
            continue;
        }
        m_items.push_back(std::move(control));
    }

    INT_PTR result = IDCANCEL;
    {
        afx::EventScope scope;
        if (OnInitDialog()) {
            // The default focus: the first control that takes it.
            for (HWND k : m_hWnd->children) {
                if ((k->style & WS_TABSTOP) != 0 && k->widget && k->widget->isEnabled()) {
                    k->widget->setFocus(Qt::OtherFocusReason);
                    break;
                }
            }
        }
        if (owner != nullptr) {
            dialog->move(owner->geometry().center() -
                         QPoint(dialog->width() / 2, dialog->height() / 2));
        }
        if (afx::IsLiveWindow(h) && h->wnd == this) {
            if (afx::DialogScreenshotPending()) {
                QTimer::singleShot(0, dialog, [this, dialog] {
                    afx::TakeDialogScreenshot(dialog);
                    EndDialog(IDCANCEL);
                });
            }
            result = dialog->exec();
        }
    }
    m_items.clear();
    if (afx::IsLiveWindow(m_hWnd)) {
        // Not a CWnd-created window: unregister and delete its widget here.
        for (HWND k : std::vector<HWND>(m_hWnd->children)) {
            if (k->wnd != nullptr)
                k->wnd->DestroyWindow();
        }
        afx::UnregisterForeignWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    if (dialog.isNull())
        return IDCANCEL;
    if (afx::InsideEvent()) {
        dialog->hide();
        dialog->deleteLater();
    } else {
        delete dialog.data();
    }
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    if (afx::IsLiveWindow(m_hWnd) && m_hWnd->widget) {
        static_cast<QDialog*>(m_hWnd->widget.data())->done(nResult);
    }
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnClose() {
    OnCancel();
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    return IsDialogMessage(pMsg);
}
