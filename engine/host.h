// The engine's only way to the outside world.
//
// The engine calls a handful of platform services under their platform names. Each front end
// (the window, the command line, the tests, the fuzzers) installs a Host that carries them
// out; the engine itself never includes a window-system or terminal header.
#pragma once

// Message box styles and answers, with the platform's values.
inline constexpr unsigned MB_OK = 0x00000000u;
inline constexpr unsigned MB_OKCANCEL = 0x00000001u;
inline constexpr unsigned MB_TYPEMASK = 0x0000000Fu;
inline constexpr unsigned MB_ICONHAND = 0x00000010u;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020u;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030u;
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040u;
inline constexpr unsigned MB_ICONMASK = 0x000000F0u;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Process error modes.
inline constexpr unsigned SEM_FAILCRITICALERRORS = 0x0001u;
inline constexpr unsigned SEM_NOOPENFILEERRORBOX = 0x8000u;

// Longest path the engine builds, terminator included.
inline constexpr int kMaxPath = 260;

// The title the program shows in its caption and message boxes.
inline constexpr const char kAppTitle[] = "Vavaze Devedire Rizuz";

class Host {
  public:
    virtual ~Host() = default;

    // Shows a modal message box and returns the button that closed it (IDOK or IDCANCEL).
    // `caption` is never null here.
    virtual int ShowMessage(const char* text, const char* caption, unsigned style) = 0;

    // The three application directories, each empty or ending in '/'.
    virtual const char* ProgramDir() const = 0;
    virtual const char* DiscDir(int disc) const = 0;

    // Ends the process with `status` after a fatal error. Real hosts do not return; hosts
    // that must survive (tests, fuzzers) may return, and the engine then carries on safely
    // as if the failed file were empty.
    virtual void Exit(int status) = 0;

    // Caption for boxes that name no caption of their own.
    virtual const char* AppTitle() const { return kAppTitle; }

    // Called regularly during long work (a scan of every data file, a walk of every surname
    // key): a window keeps itself painted here and answers false once the user has cancelled.
    virtual bool KeepAlive() { return true; }
};

// Installs `host` for the whole process (nullptr restores the default host, which prints to
// stderr, answers Cancel to every question and knows no directories). Returns the previous.
Host* InstallHost(Host* host);
Host& CurrentHost();

// The framework's message box: caption is the application title; an exclamation icon is
// added when the style asks for none.
int AfxMessageBox(const char* text, unsigned type = MB_OK, unsigned helpId = 0);

// The owner-less platform message box. A null caption gets the platform's default "Error".
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned type);

// Sets the process error mode and returns the previous one. The mode is only kept: POSIX
// has no critical-error dialogs to suppress.
unsigned SetErrorMode(unsigned mode);

// Directory accessors used by the engine; never null.
const char* HostProgramDir();
const char* HostDiscDir(int disc);

// A fatal error's exit, routed through the host so that tests can see it.
void HostExit(int status);

// The host's KeepAlive: false when the user wants the long search stopped.
bool HostKeepAlive();
