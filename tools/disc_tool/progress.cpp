#include "progress.h"

#include <cstdio>

namespace disctool {

std::string FormatCount(std::int64_t n) {
    const bool negative = n < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

void TerminalProgress::Update(const char* what, std::int64_t count, double fraction) {
    const Clock::time_point now = Clock::now();
    if (step != what) {
        step = what;
        stepStart = now;
    } else if (shown && now - lastDraw < std::chrono::milliseconds(100)) {
        return;
    }
    lastDraw = now;
    shown = true;

    const double seconds = std::chrono::duration<double>(now - stepStart).count();
    const std::int64_t rate = seconds > 0.2 ? static_cast<std::int64_t>(count / seconds) : 0;
    std::string bar;
    if (fraction >= 0) {
        const double f = fraction > 1 ? 1 : fraction;
        const int width = 24;
        const int filled = static_cast<int>(f * width);
        bar.append(1, '[').append(filled, '#').append(width - filled, '.').append("] ");
        bar.append(std::to_string(static_cast<int>(f * 100))).append("%  ");
    }
    std::fprintf(stderr, "\r\033[K%s%s %s", bar.c_str(), FormatCount(count).c_str(), what);
    if (rate > 0)
        std::fprintf(stderr, "  %s/s", FormatCount(rate).c_str());
    std::fflush(stderr);
}

void TerminalProgress::Clear() {
    if (!shown)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown = false;
}

}  // namespace disctool
