// Forked-child measurements from /proc/self/status and getrusage.
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "child_measure.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

static long readStatusKb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    const size_t len = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, len) == 0) kb = std::atol(line + len + 1);
    std::fclose(status);
    return kb;
}

// Resets the peak resident size to the current one; false when the kernel refuses.
static bool resetPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

static double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto toSeconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

void warmFreePages(size_t bytes) {
    if (bytes == 0) return;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return;
    madvise(block, bytes, MADV_HUGEPAGE);
    std::memset(block, 1, bytes);
    munmap(block, bytes);
}

Measure measureInChild(const std::function<void()>& prepare, const std::function<bool()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (prepare) prepare();
        resetPeak();
        Measure m;
        m.baseBytes = double(readStatusKb("VmRSS:")) * 1024.0;
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        m.ok = work();
        const auto stop = std::chrono::steady_clock::now();
        m.cpuSeconds = cpuSeconds() - cpuStart;
        m.seconds = std::chrono::duration<double>(stop - start).count();
        m.peakBytes = double(readStatusKb("VmHWM:")) * 1024.0;
        const ssize_t written = write(channel[1], &m, sizeof m);
        _exit(written == sizeof m ? 0 : 1);
    }
    close(channel[1]);
    Measure m;
    if (read(channel[0], &m, sizeof m) != sizeof m) m = {};
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return m;
}

void flushFromCaches(const void* memory, size_t bytes) {
#if defined(__x86_64__) || defined(__i386__)
    constexpr uintptr_t kLine = 64;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(memory) & ~(kLine - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(memory) + bytes;
    for (uintptr_t line = begin; line < end; line += kLine)
        _mm_clflush(reinterpret_cast<const void*>(line));
    _mm_mfence();
#else
    (void)memory;
    (void)bytes;
#endif
}

int pinToOneCpu() {
    const int cpu = sched_getcpu();
    if (cpu < 0) return -1;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    return sched_setaffinity(0, sizeof one, &one) == 0 ? cpu : -1;
}
