// Scratch memory: huge-page mappings on Linux, malloc elsewhere.
#include "hostkit/mesh/scratch.h"

#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace hostkit {

namespace {
#ifdef __linux__
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kSmallest = size_t(1) << 20; // below this, malloc is as good

size_t mappedBytes(size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// memory and size are multiples of kHugePage; populate: fault every page in now.
void adviseHugePages(void* memory, size_t size, bool populate = true) {
    madvise(memory, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    if (populate)
        madvise(memory, size, MADV_POPULATE_WRITE); // older kernels refuse: pages fault in
#else
    (void)populate;
#endif
}
#endif
} // namespace

void* allocateScratch(size_t bytes) {
    if (bytes == 0) return nullptr;
#ifdef __linux__
    if (bytes >= kSmallest) {
        // map one huge page more than needed, then trim to a huge-page boundary
        const size_t size = mappedBytes(bytes);
        void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED) throw std::bad_alloc();
        const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
        const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
        if (aligned > start) munmap(raw, aligned - start);
        if (const size_t tail = start + size + kHugePage - (aligned + size); tail > 0)
            munmap(reinterpret_cast<void*>(aligned + size), tail);
        void* memory = reinterpret_cast<void*>(aligned);
        adviseHugePages(memory, size);
        return memory;
    }
#endif
    void* memory = std::malloc(bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void freeScratch(void* memory, size_t bytes) noexcept {
    if (!memory) return;
#ifdef __linux__
    if (bytes >= kSmallest) {
        munmap(memory, mappedBytes(bytes));
        return;
    }
#else
    (void)bytes;
#endif
    std::free(memory);
}

namespace {
void* allocateFreeable(size_t bytes, bool zeroed, bool populate = true) {
    if (bytes == 0) return nullptr;
#ifdef __linux__
    if (bytes >= 2 * kSmallest) {
        const size_t size = mappedBytes(bytes);
        void* memory = std::aligned_alloc(kHugePage, size);
        if (!memory) throw std::bad_alloc();
        adviseHugePages(memory, size, populate);
        if (zeroed) std::memset(memory, 0, bytes);
        return memory;
    }
#else
    (void)populate; // only huge pages are populated ahead
#endif
    void* memory = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
}
} // namespace

void* allocateZeroed(size_t bytes) {
    return allocateFreeable(bytes, true);
}

void* allocateUninitialized(size_t bytes) {
    return allocateFreeable(bytes, false);
}

void* reserveUninitialized(size_t bytes) {
    return allocateFreeable(bytes, false, false);
}

} // namespace hostkit
