#include "first_start_dlg.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "afxdlgs.h"
#include "demo_set.h"
#include "first_start.h"

namespace {

// Roughly what a set takes on the disk per record: the record and its share of the trees.
constexpr double kBytesPerRecord = 18.0;

void Warn(const std::string& text) {
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// 1234567 -> "1,234,567".
std::string Grouped(std::int64_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, ',');
    return digits;
}

// The folder as people write it: the home folder as "~".
std::string Shown(const std::string& folder) {
    const char* home = std::getenv("HOME");
    const size_t n = home != nullptr ? std::strlen(home) : 0;
    if (n <= 1 || folder.compare(0, n, home) != 0 || folder.size() <= n || folder[n] != '/')
        return folder;
    std::string shown(1, '~');
    shown.append(folder, n, std::string::npos);
    return shown;
}

}  // namespace

BEGIN_MESSAGE_MAP(CFirstStartDlg, CDialog)
ON_BN_CLICKED(IDC_FS_DEMO, &CFirstStartDlg::OnMakeDemo)
ON_BN_CLICKED(IDC_FS_CHOOSE, &CFirstStartDlg::OnChooseFolder)
END_MESSAGE_MAP()

CFirstStartDlg::CFirstStartDlg(CWnd* pParent) : CDialog(IDD_FIRST_START, pParent), m_bBusy(FALSE) {}

CFirstStartDlg::~CFirstStartDlg() = default;

BOOL CFirstStartDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Before the main window exists: in the middle of the work area, where it will stand.
    if (m_pParentWnd == nullptr && AfxGetMainWnd() == nullptr)
        CenterWindow();
    const std::string folder = DemoSetFolder();
    const double megabytes = static_cast<double>(g_nDemoSetRecords) * kBytesPerRecord / 1e6;
    char size[32];
    std::snprintf(size, sizeof size, megabytes < 10 ? "%.1f" : "%.0f", megabytes);
    SetDlgText(IDC_FS_DEMO_NOTE, Grouped(g_nDemoSetRecords) +
                                     " invented records, shaped like the real index (about " +
                                     size + " MB), written to " + Shown(folder) + ".");
    if (folder.empty())
        GetDlgItem(IDC_FS_DEMO)->EnableWindow(FALSE);
    GetDlgItem(IDC_FS_PROGRESS)->SendMessage(PBM_SETRANGE32, 0, 1000);
    GetDlgItem(IDC_FS_PROGRESS)->ShowWindow(SW_HIDE);
    return TRUE;
}

void CFirstStartDlg::SetDlgText(UINT nID, const std::string& text) {
    if (CWnd* item = GetDlgItem(static_cast<int>(nID)))
        item->SetWindowText(text.c_str());
}

void CFirstStartDlg::SetBusy(BOOL bBusy) {
    m_bBusy = bBusy;
    for (UINT id : {IDC_FS_DEMO, IDC_FS_CHOOSE, static_cast<UINT>(IDCANCEL)})
        GetDlgItem(static_cast<int>(id))->EnableWindow(!bBusy);
    GetDlgItem(IDC_FS_PROGRESS)->SendMessage(PBM_SETPOS, 0);
    GetDlgItem(IDC_FS_PROGRESS)->ShowWindow(bBusy ? SW_SHOW : SW_HIDE);
    SetDlgText(IDC_FS_STATUS, "");
    if (bBusy) {
        BeginWaitCursor();
    } else {
        EndWaitCursor();
        // The focus went with the buttons; the keyboard needs it back.
        GetDlgItem(IDC_FS_DEMO)->SetFocus();
    }
}

void CFirstStartDlg::OnCancel() {
    // The set being written cannot be left half done; it takes seconds.
    if (!m_bBusy)
        CDialog::OnCancel();
}

void CFirstStartDlg::OnMakeDemo() {
    const std::string folder = DemoSetFolder();
    if (folder.empty() || m_bBusy)
        return;
    SetBusy(TRUE);
    // The builder runs beside the window, which keeps painting and showing the progress; the
    // window itself is only ever touched from here.
    DemoSetProgress progress;
    std::atomic<bool> done{false};
    bool built = false;
    std::string error;
    std::thread worker([&] {
        built = WriteDemoSet(folder, progress, error);
        done.store(true);
    });
    const HWND self = m_hWnd;
    auto alive = [&] { return ::IsWindow(self) && CWnd::FromHandle(self) == this; };
    while (!done.load()) {
        if (alive()) {
            GetDlgItem(IDC_FS_PROGRESS)->SendMessage(PBM_SETPOS, progress.permille.load());
            SetDlgText(IDC_FS_STATUS, progress.saving.load()
                                          ? std::string("Saving the set...")
                                          : Grouped(progress.records.load()) + " of " +
                                                Grouped(g_nDemoSetRecords) + " records written...");
        }
        MSG msg;
        ::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    // The dialog may have gone meanwhile (the program was closed): the set is kept all the
    // same, and named in the settings, so that the next start finds it.
    if (!alive()) {
        EndWaitCursor();
        std::string ignored;
        if (built)
            SaveDiscSetSettings(folder + "/program/", {folder + "/disc1/", folder + "/disc2/"},
                                ignored);
        return;
    }
    SetBusy(FALSE);
    if (!built) {
        Warn("The demo disc set could not be written.\n\n" + error);
        return;
    }
    Finish(folder + "/program/", folder + "/disc1/", folder + "/disc2/");
}

void CFirstStartDlg::OnChooseFolder() {
    if (m_bBusy)
        return;
    const char* home = std::getenv("HOME");
    CFolderPickerDialog picker(home, 0, this);
    picker.m_ofn.lpstrTitle = "Choose the Folder of a Disc Set";
    if (picker.DoModal() != IDOK)
        return;
    const std::string folder(picker.GetPathName());
    DiscSetFolders discs;
    if (!LocateDiscSet(folder, discs)) {
        Warn(folder +
             " holds no disc set.\n\nChoose the folder that holds the disc markers disc1.id "
             "and disc2.id, or the one that holds the folders disc1 and disc2 of a set.");
        return;
    }
    const std::string program = ProgramFolderFor(folder);
    if (program.empty()) {
        Warn("There is no folder the program could write its work file to: " + folder +
             "/program is missing or read-only, and " + DemoSetFolder() +
             "/program cannot be made.");
        return;
    }
    Finish(program, discs.disc1, discs.disc2);
}

void CFirstStartDlg::Finish(const std::string& programDir, const std::string& disc1,
                            const std::string& disc2) {
    std::string error;
    if (!SaveDiscSetSettings(programDir, {disc1, disc2}, error)) {
        Warn(error);
        return;
    }
    EndDialog(IDOK);
}
