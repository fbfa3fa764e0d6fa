// Restarting zefhost with glibc's huge-page tunables.
#include "app/large_pages.h"

#include <cstdlib> // defines __GLIBC__ with glibc

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) ||                         \
    __has_feature(thread_sanitizer)
#define ZEF_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZEF_SANITIZED 1
#endif

void restartOnLargePages(char** argv) {
#ifndef ZEF_SANITIZED
    if (std::getenv("GLIBC_TUNABLES") || std::getenv("LD_PRELOAD")) return;
    // Huge pages for the heap, and large arrays from the heap too (not from mmap,
    // where each would fault its pages in afresh every time).
    if (setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=1073741824",
               1) != 0)
        return;
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES"); // the restart failed: go on unchanged
#else
    (void)argv;
#endif
}

#else
void restartOnLargePages(char**) {}
#endif
