// The save dialog, files replaced in one step and the progress window (shortcut menus are with
// the other menus in window.cpp).
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "widgets.h"

// ---------------------------------------------------------------------------------------
// The save dialog

namespace {

struct Filter {
    QString description;
    QString pattern;  // "*.csv"
};

std::vector<Filter> ParseFilters(LPCSTR list) {
    std::vector<Filter> filters;
    for (const char* p = list; p != nullptr && *p != '\0';) {
        Filter f;
        f.description = afx::FromAnsi(p);
        p += std::strlen(p) + 1;
        if (*p == '\0')
            break;
        f.pattern = afx::FromAnsi(p);
        p += std::strlen(p) + 1;
        filters.push_back(f);
    }
    return filters;
}

}  // namespace

BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) {
    if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0)
        return FALSE;
    afx::EnsureApplication();
    const std::vector<Filter> filters = ParseFilters(ofn->lpstrFilter);
    QStringList names;
    for (const Filter& f : filters)
        names << f.description + " (" + f.pattern + ")";

    QWidget* owner = nullptr;
    if (ofn->hwndOwner != nullptr && afx::IsLiveWindow(ofn->hwndOwner))
        owner = ofn->hwndOwner->widget.data();
    // Qt's own dialog: the same on every desktop, and it runs without a display.
    QFileDialog dialog(owner, afx::FromAnsi(ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : ""));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (ofn->Flags & OFN_OVERWRITEPROMPT) == 0);
    dialog.setNameFilters(names);
    const DWORD index =
        ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= filters.size() ? ofn->nFilterIndex : 1;
    if (!names.isEmpty())
        dialog.selectNameFilter(names[static_cast<int>(index - 1)]);
    if (ofn->lpstrInitialDir != nullptr)
        dialog.setDirectory(QFile::decodeName(ofn->lpstrInitialDir));
    const QString suggested = afx::FromAnsi(ofn->lpstrFile);
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return FALSE;

    const int chosen = static_cast<int>(names.indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0)
        ofn->nFilterIndex = static_cast<DWORD>(chosen + 1);
    QString path = dialog.selectedFiles().first();
    if (QFileInfo(path).suffix().isEmpty()) {
        QString ext;
        if (chosen >= 0) {
            const QRegularExpressionMatch m =
                QRegularExpression(R"(^\*\.(\w+)$)").match(filters[chosen].pattern);
            if (m.hasMatch())
                ext = m.captured(1);
        }
        if (ext.isEmpty() && ofn->lpstrDefExt != nullptr)
            ext = afx::FromAnsi(ofn->lpstrDefExt);
        if (!ext.isEmpty())
            path += "." + ext;
    }
    const QByteArray bytes = QFile::encodeName(path);
    if (static_cast<DWORD>(bytes.size()) + 1 > ofn->nMaxFile)
        return FALSE;
    std::memcpy(ofn->lpstrFile, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Files

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT /*unique*/, LPSTR tempFileName) {
    if (pathName == nullptr || tempFileName == nullptr)
        return 0;
    char pattern[kMaxPath];
    const char* dir = *pathName != '\0' ? pathName : ".";
    const bool slash = dir[std::strlen(dir) - 1] == '/';
    const int n = std::snprintf(pattern, sizeof pattern, "%s%s%sXXXXXX", dir, slash ? "" : "/",
                                prefix != nullptr ? prefix : "");
    if (n < 0 || static_cast<size_t>(n) >= sizeof pattern) {
        SetLastError(ENAMETOOLONG);
        return 0;
    }
    const int fd = mkstemp(pattern);
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return 0;
    }
    // mkstemp makes the file private; a saved file should get the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    std::memcpy(tempFileName, pattern, static_cast<size_t>(n) + 1);
    return 1;
}

namespace {

bool SyncPath(const char* path, int flags) {
    const int fd = open(path, flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

}  // namespace

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
    if (existingFileName == nullptr || newFileName == nullptr)
        return FALSE;
    const bool writeThrough = (flags & MOVEFILE_WRITE_THROUGH) != 0;
    if (writeThrough && !SyncPath(existingFileName, O_RDONLY)) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && access(newFileName, F_OK) == 0) {
        SetLastError(EEXIST);
        return FALSE;
    }
    if (std::rename(existingFileName, newFileName) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    if (writeThrough) {
        // The new name is only on the disk once its folder is.
        const QByteArray folder =
            QFile::encodeName(QFileInfo(QFile::decodeName(newFileName)).absolutePath());
        SyncPath(folder.constData(), O_RDONLY | O_DIRECTORY);
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    if (fileName == nullptr || std::remove(fileName) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// The progress window

namespace {

// Work that ends sooner shows no window at all.
constexpr int kProgressDelayMs = 400;
// The bar counts in steps of at most this many, whatever the total.
constexpr long kProgressScale = 1000;

struct Progress {
    QPointer<QProgressDialog> dialog;
    long total = 0;
};

}  // namespace

HANDLE CreateProgressWindow(HWND owner, LPCSTR caption, LPCSTR text, long total) {
    afx::EnsureApplication();
    QWidget* parent = owner != nullptr && afx::IsLiveWindow(owner) ? owner->widget.data() : nullptr;
    auto* p = new Progress;
    p->total = total > 0 ? total : 1;
    p->dialog = new QProgressDialog(afx::FromAnsi(text != nullptr ? text : ""), "Cancel", 0,
                                    static_cast<int>(kProgressScale), parent);
    p->dialog->setWindowTitle(afx::FromAnsi(caption != nullptr ? caption : ""));
    p->dialog->setWindowModality(Qt::WindowModal);
    p->dialog->setMinimumDuration(kProgressDelayMs);
    p->dialog->setAutoClose(false);
    p->dialog->setAutoReset(false);
    p->dialog->setValue(0);
    return p;
}

BOOL StepProgressWindow(HANDLE progress, long done) {
    auto* p = static_cast<Progress*>(progress);
    if (p == nullptr || p->dialog.isNull())
        return FALSE;
    const long scaled = done >= p->total ? kProgressScale : done * kProgressScale / p->total;
    // Setting the value runs waiting events once the window is shown, which then keeps the
    // user's input from its owner. Before that, we run them, all but the user's input: a
    // click or key meant for the owner would act in the middle of the work.
    p->dialog->setValue(static_cast<int>(scaled));
    QApplication::processEvents(p->dialog->isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
    return !p->dialog.isNull() && !p->dialog->wasCanceled();
}

void DestroyProgressWindow(HANDLE progress) {
    auto* p = static_cast<Progress*>(progress);
    if (p == nullptr)
        return;
    delete p->dialog.data();
    delete p;
}
