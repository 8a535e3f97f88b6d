// The host seam of the window program: message boxes as modal windows, the application's
// directories, and a scripted mode for tests in which boxes are recorded and answered from a
// queue without any window appearing.
#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

#include "host.h"

class QEvent;

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    unsigned style;  // MB_OK or MB_OKCANCEL with an MB_ICON... value
    int answer;      // what the box returned
};

class LongWorkFilter;

class GuiHost : public Host {
  public:
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    const char* ProgramDir() const override;
    const char* DiscDir(int disc) const override;
    void Exit(int status) override;
    const char* AppTitle() const override;
    FileStatus IdentifyFile(const char* path, FileIdentity& identity) const override;

    // Long work (a search over many surnames or both discs) calls this regularly. It lets
    // waiting painting, timers and posted messages run, so the windows stay painted, and
    // meanwhile drops the user's keys, clicks and close requests, so that nothing starts or
    // closes under the work; Escape or a close request cancels it. False once cancelled,
    // until BeginLongWork.
    bool KeepAlive() override;
    // Forgets an earlier cancel: called before each long search.
    void BeginLongWork();
    bool LongWorkCancelled() const { return m_cancelled; }

    // The application's directory fields, read at every call so that re-reading the
    // settings is seen. `programDir` points at the field that holds the heap string.
    void BindDirectories(char* const* programDir, const char* disc1Dir, const char* disc2Dir);
    void UnbindDirectories();

    // Test hook: from here on no box is shown; each is recorded and answered with the next
    // queued answer (IDOK for an OK box, IDCANCEL for an OK/Cancel box when the queue is
    // empty). Exit records its status and returns.
    void StartScript(std::initializer_list<int> answers = {});
    void QueueAnswer(int answer);
    void StopScript();
    bool Scripted() const { return m_scripted; }
    const std::vector<MessageBoxRecord>& Shown() const { return m_shown; }
    const std::vector<int>& Exits() const { return m_exits; }

  private:
    friend class LongWorkFilter;
    // Whether the long-work filter takes `event` (user input while KeepAlive runs events).
    bool TakeInputDuringLongWork(QEvent* event);

    char* const* m_programDir = nullptr;
    const char* m_disc1Dir = nullptr;
    const char* m_disc2Dir = nullptr;
    bool m_scripted = false;
    std::deque<int> m_answers;
    std::vector<MessageBoxRecord> m_shown;
    std::vector<int> m_exits;
    bool m_cancelled = false;
    int m_keepingAlive = 0;  // KeepAlive is running events
    std::chrono::steady_clock::time_point m_lastEvents{};
};

// The one GUI host of the process; AfxWinMain installs it.
GuiHost& AfxGetGuiHost();
