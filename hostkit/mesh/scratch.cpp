// Scratch memory: huge-page mappings on Linux, kept for reuse within an operation;
// malloc elsewhere.
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

#ifdef __linux__
namespace {

// A mapping of size bytes (a multiple of kHugePage) starting on a huge-page boundary,
// its pages not yet touched; null when the system refuses.
void* mapAligned(size_t size) {
    // map one huge page more than needed, then trim to a huge-page boundary
    void* raw =
        mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    if (const size_t tail = start + size + kHugePage - (aligned + size); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    return reinterpret_cast<void*>(aligned);
}

// The blocks a ScratchReuse keeps: mappings from mapAligned, already populated.
struct KeptBlock {
    char* memory;
    size_t size;
};
constexpr size_t kMostKept = 32; // beyond this, a freed block goes back at once
thread_local KeptBlock kept[kMostKept];
thread_local size_t keptCount = 0;
thread_local int reuseDepth = 0;

// Unmaps every kept block.
void releaseKept() {
    for (size_t i = 0; i < keptCount; ++i) munmap(kept[i].memory, kept[i].size);
    keptCount = 0;
}

// A kept block made into one of size bytes, or null when none is kept: the smallest that
// holds size, its tail unmapped, else the largest moved to a larger mapping whose new part
// is populated, the others unmapped (null, unmapping them all, when the system refuses that).
// Either way the scratch kept and in use together never exceeds the most scratch in use at
// once before or now: a grown block counts as a fresh one, with nothing else kept.
void* takeKept(size_t size) {
    if (keptCount == 0) return nullptr;
    size_t best = keptCount, largest = 0;
    for (size_t i = 0; i < keptCount; ++i) {
        if (kept[i].size >= size && (best == keptCount || kept[i].size < kept[best].size)) best = i;
        if (kept[i].size > kept[largest].size) largest = i;
    }
    if (best < keptCount) {
        char* memory = kept[best].memory;
        if (kept[best].size > size) munmap(memory + size, kept[best].size - size);
        kept[best] = kept[--keptCount];
        return memory;
    }
    const KeptBlock block = kept[largest];
    void* grown = mapAligned(size);
    // the block's pages, advised as they were, move over the start of the new mapping
    if (!grown || mremap(block.memory, block.size, block.size, MREMAP_MAYMOVE | MREMAP_FIXED,
                         grown) == MAP_FAILED) {
        if (grown) munmap(grown, size);
        releaseKept(); // the fresh mapping the caller makes then stays within the peak
        return nullptr;
    }
    adviseHugePages(static_cast<char*>(grown) + block.size, size - block.size);
    kept[largest] = kept[--keptCount];
    releaseKept();
    return grown;
}

} // namespace

ScratchReuse::ScratchReuse() {
    ++reuseDepth;
}

ScratchReuse::~ScratchReuse() {
    if (--reuseDepth == 0) releaseKept();
}
#else
ScratchReuse::ScratchReuse() = default;
ScratchReuse::~ScratchReuse() = default;
#endif

void* allocateScratch(size_t bytes) {
    if (bytes == 0) return nullptr;
#ifdef __linux__
    if (bytes >= kSmallest) {
        const size_t size = mappedBytes(bytes);
        if (void* reused = takeKept(size)) return reused;
        void* memory = mapAligned(size);
        if (!memory) throw std::bad_alloc();
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
        if (reuseDepth > 0 && keptCount < kMostKept) {
            kept[keptCount++] = {static_cast<char*>(memory), mappedBytes(bytes)};
            return;
        }
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
