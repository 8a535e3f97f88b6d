// Saving every record of the result: the list's shortcut menu, the save dialog, and the file
// written beside its target and renamed over it once complete.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "resource_ids.h"
#include "result_set.h"
#include "result_writers.h"
#include "view_view.h"

namespace {

// The formats of the save dialog, in the order of its filter list.
constexpr char kSaveFilters[] =
    "CSV, for spreadsheets\0*.csv\0"
    "GEDCOM, for family-tree programs\0*.ged\0"
    "Plain text, the list and detail lines\0*.txt\0";
constexpr OutputFormat kSaveFormats[] = {OutputFormat::Csv, OutputFormat::Gedcom,
                                         OutputFormat::Lines};

// Rows written between two looks at the event queue: small enough that painting and Cancel
// never wait long, large enough that the looks cost nothing beside the writing.
constexpr int kSaveSlice = 500;

// The suggested file name: the surname searched, without its padding.
void SuggestedName(const char* surname, char* out, std::size_t size) {
    std::snprintf(out, size, "%s", surname != nullptr ? surname : "");
    std::size_t n = std::strlen(out);
    while (n > 0 && out[n - 1] == ' ')
        out[--n] = '\0';
    for (char* c = out; *c != '\0'; ++c) {
        if (*c == '/' || *c < ' ')
            *c = '_';
        else if (*c >= 'A' && *c <= 'Z')
            *c = static_cast<char>(*c - 'A' + 'a');
    }
    if (n == 0)
        std::snprintf(out, size, "records");
}

}  // namespace

void CDeadView::OnContextMenu(CWnd* /*pWnd*/, CPoint point) {
    if (m_pResultSet == nullptr || m_bBusy)
        return;
    CPoint client = point;
    if (point.x == -1 && point.y == -1) {
        // From the keyboard: at the top left of the list.
        client = CPoint(kListArea.left + 8, kListArea.top + 8);
        point = client;
        ClientToScreen(&point);
    } else {
        ScreenToClient(&client);
    }
    if (!CRect(kListArea).PtInRect(client))
        return;

    const long total = m_pResultSet->GetTotal();
    char text[64];
    std::snprintf(text, sizeof text, "Save all %ld records as...", total);
    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(total > 0 ? MF_STRING : MF_GRAYED, ID_SAVE_ALL_RECORDS, text);
    EnterNestedLoop();
    const UINT chosen = static_cast<UINT>(menu.TrackPopupMenu(
        TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, this));
    menu.DestroyMenu();
    if (chosen == ID_SAVE_ALL_RECORDS && !g_bViewClosing)
        SaveAllRecords();
    LeaveNestedLoop();
}

void CViewView::SaveAllRecords() {
    char path[kMaxPath * 4];
    SuggestedName(m_pResultSet->Surname(), path, sizeof path);
    OPENFILENAMEA ofn;
    CWnd* top = GetTopLevelParent();
    ofn.hwndOwner = top != nullptr ? top->m_hWnd : m_hWnd;
    ofn.lpstrFilter = kSaveFilters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Save all records as";
    ofn.Flags = OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = "csv";
    if (!GetSaveFileName(&ofn) || g_bViewClosing)
        return;
    const DWORD index = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= 3 ? ofn.nFilterIndex : 1;
    WriteAllRecords(path, kSaveFormats[index - 1]);
}

bool CViewView::WriteAllRecords(const char* path, OutputFormat format) {
    // Written beside the target and renamed over it when complete: a failed or cancelled save
    // leaves no partial file, and an older file of that name stays as it was.
    char folder[kMaxPath * 4];
    std::snprintf(folder, sizeof folder, "%s", path);
    char* slash = std::strrchr(folder, '/');
    if (slash != nullptr)
        slash[1] = '\0';
    else
        std::snprintf(folder, sizeof folder, "./");

    const long total = m_pResultSet->GetTotal();
    char temp[kMaxPath];
    int error = 0;
    bool complete = false;
    bool cancelled = false;
    if (GetTempFileName(folder, ".vel7m-save-", 0, temp) == 0) {
        error = static_cast<int>(GetLastError());
    } else if (std::FILE* file = std::fopen(temp, "wb")) {
        char discSet[2 * kMaxPath + 32];
        std::snprintf(discSet, sizeof discSet, "disc 1 %s, disc 2 %s", HostDiscDir(1),
                      HostDiscDir(2));
        ExportSource source;
        source.discSet = discSet;
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (localtime_r(&now, &local) != nullptr) {
            source.year = local.tm_year + 1900;
            source.month = local.tm_mon + 1;
            source.day = local.tm_mday;
        }

        char text[kMaxPath * 4 + 64];
        std::snprintf(text, sizeof text, "Saving %ld records to %s", total, path);
        CWnd* top = GetTopLevelParent();
        HANDLE progress = CreateProgressWindow(top != nullptr ? top->m_hWnd : m_hWnd,
                                               "Save all records", text, total);
        m_bBusy = 1;
        CResultWriter writer(format, file, source);
        writer.Begin(total);
        std::vector<ResultRow> rows(kSaveSlice);
        long done = 0;
        bool shortRead = false;
        while (done < total && !writer.Failed()) {
            const int want = static_cast<int>(std::min<long>(kSaveSlice, total - done));
            const int got = m_pResultSet->ReadRows(done, want, rows.data());
            for (int i = 0; i < got; ++i)
                writer.Write(rows[i]);
            done += got;
            if (got < want) {
                shortRead = true;
                break;
            }
            // The window may have been closed meanwhile: then the save is given up.
            if (!StepProgressWindow(progress, done) || g_bViewClosing) {
                cancelled = true;
                break;
            }
        }
        errno = 0;
        const bool written = writer.End();
        error = errno;
        const bool closed = std::fclose(file) == 0;
        if (error == 0 && !closed)
            error = errno;
        DestroyProgressWindow(progress);
        m_bBusy = 0;
        if (shortRead && !cancelled) {
            DeleteFile(temp);
            AfxMessageBox("Some records could not be read from the disc, so nothing was saved.",
                          MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        complete = !cancelled && written && closed;
        if (complete &&
            !MoveFileEx(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = static_cast<int>(GetLastError());
            complete = false;
        }
        if (!complete)
            DeleteFile(temp);
    } else {
        error = errno;
        DeleteFile(temp);
    }
    if (complete || cancelled)
        return complete;
    char message[kMaxPath * 4 + 200];
    std::snprintf(message, sizeof message,
                  "Cannot save the records to \"%s\":\n%s.\n\nNo file was written.", path,
                  error != 0 ? std::strerror(error) : "the disk may be full");
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    return false;
}
