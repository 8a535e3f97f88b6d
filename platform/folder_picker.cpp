#include <QApplication>
#include <QFile>
#include <QFileDialog>

#include "afxdlgs.h"
#include "widgets.h"

CFolderPickerDialog::CFolderPickerDialog(LPCTSTR lpszFolder, DWORD, CWnd* pParentWnd)
    : m_strInitialDir(lpszFolder), m_pParentWnd(pParentWnd) {
    m_ofn.lpstrInitialDir = m_strInitialDir;
}

INT_PTR CFolderPickerDialog::DoModal() {
    afx::EnsureApplication();
    QWidget* owner = nullptr;
    if (m_pParentWnd != nullptr && afx::IsLiveWindow(m_pParentWnd->m_hWnd) &&
        m_pParentWnd->m_hWnd->widget) {
        owner = m_pParentWnd->m_hWnd->widget->window();
    } else if (QWidget* active = QApplication::activeModalWidget()) {
        owner = active;
    } else if (CWnd* main = AfxGetMainWnd(); main != nullptr && afx::IsLiveWindow(main->m_hWnd)) {
        owner = main->m_hWnd->widget.data();
    }
    // Folder names are bytes on this system: passed through as the file system has them.
    QFileDialog dialog(
        owner, m_ofn.lpstrTitle != nullptr ? afx::FromAnsi(m_ofn.lpstrTitle) : QString(),
        m_ofn.lpstrInitialDir != nullptr ? QFile::decodeName(m_ofn.lpstrInitialDir) : QString());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowModality(Qt::ApplicationModal);
    // Other copies can raise it like any window of ours.
    HWND handle = afx::RegisterForeignWindow(&dialog, "#32770");
    int result = QDialog::Rejected;
    {
        afx::EventScope scope;
        result = dialog.exec();
    }
    afx::UnregisterForeignWindow(handle);
    const QStringList chosen = dialog.selectedFiles();
    if (result != QDialog::Accepted || chosen.isEmpty() || chosen.front().isEmpty())
        return IDCANCEL;
    QByteArray path = QFile::encodeName(chosen.front());
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    m_strPath = path.constData();
    return IDOK;
}
