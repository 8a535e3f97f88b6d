// Progress of the long commands, and the stop request they poll.
#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

namespace disctool {

class Progress {
  public:
    virtual ~Progress() = default;
    // `count` units of `what` done so far; `fraction` of the whole step done, or below 0 when
    // not known. Callers call it every few thousand units, not per unit.
    virtual void Update(const char* what, std::int64_t count, double fraction) = 0;
    // Takes the bar off the screen before other output and at the end.
    virtual void Clear() {}
};

class NoProgress final : public Progress {
  public:
    void Update(const char*, std::int64_t, double) override {}
};

// A one-line bar on standard error: percentage, count and rate. Drawn at most ten times a
// second, so calling it often costs little.
class TerminalProgress final : public Progress {
  public:
    void Update(const char* what, std::int64_t count, double fraction) override;
    void Clear() override;

  private:
    using Clock = std::chrono::steady_clock;
    std::string step;
    Clock::time_point stepStart;
    Clock::time_point lastDraw;
    bool shown = false;
};

// 1234567 -> "1,234,567".
std::string FormatCount(std::int64_t n);

// The commands stop cleanly when either is set: `flag` by the signal handlers of the
// executable, `cancel` by another thread of a program that runs a command in-process.
struct StopFlag {
    const volatile std::sig_atomic_t* flag = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    bool Requested() const {
        return (flag != nullptr && *flag != 0) ||
               (cancel != nullptr && cancel->load(std::memory_order_relaxed));
    }
};

}  // namespace disctool
