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
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        float done = done_;
        if (done >= 0)
            std::fprintf(stderr, "\r%s %3d%% %.1f s ", label_.c_str(), int(done * 100), seconds);
        else
            std::fprintf(stderr, "\r%s %c %.1f s ", label_.c_str(), kSpinner[tick % 4], seconds);
        std::fflush(stderr);
        shown_ = true;
        wake_.wait_for(lock, kTick, [this] { return stop_; });
    }
    if (shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}
