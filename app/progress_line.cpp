// The progress line: a ticker thread redraws it ten times a second.
#include "app/progress_line.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>

namespace {
constexpr auto kDelay = std::chrono::milliseconds(500);
constexpr auto kTick = std::chrono::milliseconds(100);
const char kSpinner[] = "|/-\\";

// "12.3": seconds with one decimal and a point whatever the numeric locale (an export
// leaves the process with a decimal comma).
std::string tenths(std::chrono::steady_clock::duration elapsed) {
    const long long t =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100;
    return std::to_string(t / 10) + "." + std::to_string(t % 10);
}
} // namespace

ProgressLine::ProgressLine(std::string label, bool enabled) : label_(std::move(label)) {
    if (enabled) ticker_ = std::thread([this] { run(); });
}

ProgressLine::~ProgressLine() {
    if (!ticker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    ticker_.join();
}

void ProgressLine::fraction(float done) {
    done_ = done;
}

void ProgressLine::part(int current, int total) {
    parts_ = total;
    part_ = current;
}

bool ProgressLine::wanted(bool quiet) {
#ifdef _WIN32
    return !quiet && _isatty(_fileno(stderr));
#else
    return !quiet && isatty(STDERR_FILENO);
#endif
}

void ProgressLine::run() {
    const auto began = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    if (wake_.wait_for(lock, kDelay, [this] { return stop_; })) return;
    for (int tick = 0; !stop_; ++tick) {
        const std::string seconds = tenths(std::chrono::steady_clock::now() - began);
        float done = done_;
        int current = part_, total = parts_;
        if (done >= 0)
            std::fprintf(stderr, "\r%s %3d%% %s s ", label_.c_str(), int(done * 100),
                         seconds.c_str());
        else if (current > 0)
            std::fprintf(stderr, "\r%s: object %d of %d %c %s s \033[K", label_.c_str(), current,
                         total, kSpinner[tick % 4], seconds.c_str());
        else
            std::fprintf(stderr, "\r%s %c %s s ", label_.c_str(), kSpinner[tick % 4],
                         seconds.c_str());
        std::fflush(stderr);
        shown_ = true;
        wake_.wait_for(lock, kTick, [this] { return stop_; });
    }
    if (shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}
