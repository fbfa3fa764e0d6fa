// A progress line on stderr for long work: shown only when stderr is a terminal and
// the work has run past half a second, with a percentage when one is known and a
// spinner with the elapsed time otherwise. It is erased when the work ends, so it
// never reaches files, pipes or the summary line.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "scenes/scene_loader.h"

class ProgressLine : public LoadProgress {
  public:
    // Starts timing label ("Importing model.glb"); enabled false shows nothing.
    ProgressLine(std::string label, bool enabled);
    ~ProgressLine() override; // erases the line
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The fraction done (0 to 1), from any thread.
    void fraction(float done) override;
    // Work in numbered parts: part (1-based) of total is under way, from any thread.
    // Shown as "object 2 of 5" with the spinner; a fraction, when set, wins.
    void part(int current, int total);

    // Whether progress may be shown at all: stderr is a terminal and not quiet.
    static bool wanted(bool quiet);

  private:
    void run();

    std::string label_;
    std::atomic<float> done_{-1};
    std::atomic<int> part_{0}, parts_{0};
    bool shown_ = false;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread ticker_;
};
