// Measuring one piece of work in a forked child: wall and CPU time, and how far its
// resident size rose above what it was just before, so runs do not disturb each other.
#pragma once

#include <cstddef>
#include <functional>

struct Measure {
    bool ok = false;
    double seconds = 0;    // wall
    double cpuSeconds = 0; // user + system: steadier on a busy machine
    double baseBytes = 0;  // resident just before the work
    double peakBytes = 0;  // peak resident during the work
    double extraBytes() const { return peakBytes - baseBytes; }
};

// Runs prepare (not measured), then work, in a forked child; ok is work's result,
// false too when the child died.
Measure measureInChild(const std::function<void()>& prepare, const std::function<bool()>& work);

// Touches and frees `bytes` of fresh memory (huge pages where the system gives them), so
// that the work measured next finds the kernel's free pages ready. On a virtual machine
// that hands idle free memory back to its host, a page first touched after a pause costs
// many times one touched just after another was freed; without this, how long the
// machine sat idle before a run decides much of a memory-hungry operation's time.
void warmFreePages(size_t bytes);

// Writes [memory, memory + bytes) back and drops it from every cache level (x86's line
// flush; elsewhere nothing), so the work measured next meets it in memory, as it would
// meet a mesh built a while before, whatever the mesh's size beside the caches.
void flushFromCaches(const void* memory, size_t bytes);

// Pins this process, and every child it forks from then on, to the CPU it runs on, and
// returns that CPU (-1 when it cannot). Side-by-side figures need this on a virtual machine
// whose CPUs can run at lastingly different speeds (one at 60% of the other's for a minute
// has been seen, on memory-bound work): a reference timed on one CPU and the run compared
// with it on the other would give a ratio of their speeds, not of the work.
int pinToOneCpu();
