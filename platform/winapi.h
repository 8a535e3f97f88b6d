// The platform's flat calls that the window code makes: kernel objects, settings files,
// window lookup and activation, system metrics, bitmaps, cursors and help. The message boxes
// and the error mode come from host.h, shared with the engine.
#pragma once

#include "windef.h"

// Named mutex. A name is held by one process at a time; a later CreateMutexA of the same
// name gets a handle and ERROR_ALREADY_EXISTS. The holder also answers window look-ups from
// the other copies (FindWindowA) for as long as it runs.
HANDLE CreateMutexA(void* securityAttributes, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
void SetLastError(DWORD error);

// Settings files. A bare file name is looked up in $WINDIR, else $XDG_CONFIG_HOME, else
// ~/.config. Returns the number of characters copied, without the terminator.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
// Where that lookup leads: copies the path (at most size - 1 characters) and returns its
// length, which is size or more when it did not fit; 0 when there is nowhere to look.
DWORD GetPrivateProfilePathA(LPCSTR fileName, LPSTR buffer, DWORD size);
// Replaces the keys of a section with `keysAndValues`: "key=value" strings, each ending in
// a NUL, the list in an empty string. The file (and, for a bare name, its folder) is created
// when missing; other sections are kept; the file is replaced in one step. FALSE, with errno
// telling why, when it cannot be written or a value holds a line break.
BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR keysAndValues, LPCSTR fileName);

// Top-level windows, also those of another copy of the program (see CreateMutexA).
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
BOOL SetForegroundWindow(HWND hWnd);
HWND GetLastActivePopup(HWND hWnd);
BOOL IsIconic(HWND hWnd);
BOOL IsWindow(HWND hWnd);
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL BringWindowToTop(HWND hWnd);
BOOL SetWindowPlacement(HWND hWnd, const WINDOWPLACEMENT* placement);
BOOL GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT* placement);
BOOL IsDialogMessageA(HWND hDlg, LPMSG msg);
void PostQuitMessage(int exitCode);
// Qt delivers its own events, so none can be handed to the caller: with PM_REMOVE this
// delivers all that are pending (paints, input to the windows a modal dialog leaves usable)
// and returns FALSE, so the usual loop around it ends at once. Keeps windows painted while
// the caller waits for work done elsewhere.
BOOL PeekMessageA(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg);

int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* pvParam, UINT winIni);

// Bitmaps and icons: resources of a module, or files with LR_LOADFROMFILE.
HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, void* out);

// Cursors: the shown cursor is process-wide, as on the platform.
HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// Help: HELP_CONTEXT shows the topic with that number of our help file in the help window;
// HELP_QUIT closes the window.
BOOL WinHelpA(HWND hWndMain, LPCSTR helpFile, UINT command, ULONG_PTR data);

// The save dialog of the common dialogs. lpstrFilter holds pairs of NUL-terminated texts
// (description, pattern such as "*.csv") ended by an empty text; nFilterIndex is 1-based, in
// and out. lpstrFile gives the suggested name and receives the chosen path. lpstrDefExt
// (without the dot) is appended when the name has no extension: the chosen filter's
// pattern's, or this one. OFN_OVERWRITEPROMPT asks before an existing file is replaced.
struct OPENFILENAMEA {
    HWND hwndOwner = nullptr;
    LPCSTR lpstrInitialDir = nullptr;  // null: the current folder
    LPCSTR lpstrFilter = nullptr;
    DWORD nFilterIndex = 1;
    LPSTR lpstrFile = nullptr;
    DWORD nMaxFile = 0;
    LPCSTR lpstrTitle = nullptr;
    DWORD Flags = 0;
    LPCSTR lpstrDefExt = nullptr;
};
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
// FALSE when cancelled, or when the chosen path does not fit lpstrFile.
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn);

// Files: a new empty file with a unique name in `pathName` (prefix, then letters), its path
// in `tempFileName` (room for kMaxPath); 0 when none could be made. MoveFileExA with
// MOVEFILE_WRITE_THROUGH has the file's data on the disk before it takes the new name, and
// the name before it returns; with MOVEFILE_REPLACE_EXISTING an existing file is replaced in
// one step.
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;
BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
BOOL DeleteFileA(LPCSTR fileName);

// A progress window with a bar and Cancel, modal to `owner`, shown only once the work has
// taken a moment. StepProgressWindow sets how much of `total` is done and lets waiting events
// run (painting among them); it returns FALSE once Cancel was pressed.
HANDLE CreateProgressWindow(HWND owner, LPCSTR caption, LPCSTR text, long total);
BOOL StepProgressWindow(HANDLE progress, long done);
void DestroyProgressWindow(HANDLE progress);

#define GetSaveFileName GetSaveFileNameA
#define GetTempFileName GetTempFileNameA
#define MoveFileEx MoveFileExA
#define DeleteFile DeleteFileA
#define LoadImage LoadImageA
#define LoadCursor LoadCursorA
#define GetObject GetObjectA
#define WinHelp WinHelpA
#define FindWindow FindWindowA
#define CreateMutex CreateMutexA
#define GetPrivateProfileString GetPrivateProfileStringA
#define WritePrivateProfileSection WritePrivateProfileSectionA
#define PeekMessage PeekMessageA
#define SystemParametersInfo SystemParametersInfoA
#define IsDialogMessage IsDialogMessageA
