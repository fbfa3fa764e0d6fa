// Large temporary arrays of the mesh operations. On Linux, arrays of a megabyte or more
// come from their own mapping in transparent huge pages, populated in one call: filling
// fresh memory 4 KB page by page costs a fault per page, which on large meshes (and
// above all in virtual machines) can cost more than the operation's own work.
// Elsewhere they come from malloc. Contents start uninitialised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/api.h"

namespace hostkit {

// At least bytes of writable memory (null only for 0 bytes; throws std::bad_alloc).
HOSTKIT_API void* allocateScratch(size_t bytes);
// Returns what allocateScratch(bytes) gave.
HOSTKIT_API void freeScratch(void* memory, size_t bytes) noexcept;
// Like calloc(bytes, 1), released with std::free, for the mesh's own arrays; large
// blocks are aligned to and advised into huge pages as above (null only for 0 bytes;
// throws std::bad_alloc).
HOSTKIT_API void* allocateZeroed(size_t bytes);
// The same without the zeroing, for arrays about to be filled (a copy, say).
HOSTKIT_API void* allocateUninitialized(size_t bytes);
// Like allocateUninitialized, but large blocks are only reserved: their (huge) pages
// fault in where first written. For arrays whose size is only bounded until they are
// filled, shrunk with std::realloc then; untouched pages cost address space only.
HOSTKIT_API void* reserveUninitialized(size_t bytes);

// While one lives on a thread, the large scratch blocks (a megabyte or more) freed on that
// thread are kept, and later scratch allocations on it take them again, trimmed or grown
// to size (a grown block keeps its pages and only its new part is populated), instead of
// handing the pages back to the system and getting fresh ones, which the kernel zeroes
// (slowly on a virtual machine that reclaims idle memory). For operations that allocate
// and free their large arrays in phases. Scratch kept and in use together never exceeds
// the most scratch in use at once before (see takeKept), but memory taken from elsewhere
// while a block is kept adds to it, so a peak may rise by about a kept block's size. What
// is still kept is released when the outermost one ends. Without Linux's mappings it does
// nothing.
class HOSTKIT_API ScratchReuse {
  public:
    ScratchReuse();
    ~ScratchReuse();
    ScratchReuse(const ScratchReuse&) = delete;
    ScratchReuse& operator=(const ScratchReuse&) = delete;
};

// Minimal allocator for std::vector over scratch memory.
template <typename T> struct ScratchAllocator {
    using value_type = T;
    ScratchAllocator() = default;
    template <typename U> ScratchAllocator(const ScratchAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(allocateScratch(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { freeScratch(p, n * sizeof(T)); }
    template <typename U> bool operator==(const ScratchAllocator<U>&) const { return true; }
};

// A vector whose storage, once large, lies in scratch memory on huge pages.
template <typename T> using LargeVector = std::vector<T, ScratchAllocator<T>>;

// A fixed-size array of trivially copyable T in scratch memory; move-only.
template <typename T> class ScratchArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

  public:
    ScratchArray() = default;
    explicit ScratchArray(size_t n)
        : data_(static_cast<T*>(allocateScratch(n * sizeof(T)))), size_(n) {}
    ScratchArray(size_t n, const T& value) : ScratchArray(n) {
        for (size_t i = 0; i < n; ++i) data_[i] = value;
    }
    ScratchArray(ScratchArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    ScratchArray& operator=(ScratchArray&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~ScratchArray() { release(); }

    size_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

  private:
    void release() {
        if (data_) freeScratch(data_, size_ * sizeof(T));
        data_ = nullptr;
        size_ = 0;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace hostkit
