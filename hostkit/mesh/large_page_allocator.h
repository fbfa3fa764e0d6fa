// An allocator for the large working arrays of the mesh operations: on Linux, arrays of
// several megabytes are aligned to 2 MiB and offered to the kernel for transparent huge
// pages, so filling them takes one page fault per 2 MiB instead of one per 4 KiB. Smaller
// arrays, and other systems, use the ordinary allocator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace hostkit {

template <typename T> struct LargePageAllocator {
    using value_type = T;

    static constexpr size_t kPage = size_t(2) << 20;
    static constexpr size_t kLargeBytes = size_t(4) << 20; // from here on, huge pages

    LargePageAllocator() = default;
    template <typename U> LargePageAllocator(const LargePageAllocator<U>&) {}

    T* allocate(size_t n) {
#if defined(__linux__)
        const size_t bytes = n * sizeof(T);
        if (n <= SIZE_MAX / sizeof(T) && bytes >= kLargeBytes) {
            const size_t rounded = (bytes + kPage - 1) & ~(kPage - 1);
            void* p = std::aligned_alloc(kPage, rounded);
            if (!p) throw std::bad_alloc();
            madvise(p, rounded, MADV_HUGEPAGE); // a hint: without huge pages nothing changes
            return static_cast<T*>(p);
        }
#endif
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) {
#if defined(__linux__)
        if (n * sizeof(T) >= kLargeBytes) {
            std::free(p);
            return;
        }
#endif
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U> bool operator==(const LargePageAllocator<U>&) const {
        return true;
    }
};

// A vector whose storage, once large, lies on huge pages.
template <typename T> using LargeVector = std::vector<T, LargePageAllocator<T>>;

} // namespace hostkit
