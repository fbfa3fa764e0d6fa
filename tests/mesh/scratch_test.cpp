// Scratch blocks kept and taken again within a ScratchReuse, and given back outside one.
#include "hostkit/mesh/scratch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>

using namespace hostkit;

namespace {

constexpr size_t kMB = size_t(1) << 20;

// Whether every page of the range is mapped (mincore refuses a range with a hole).
bool mapped(const char* memory, size_t bytes) {
    std::vector<unsigned char> pages(bytes / 4096 + 1);
    return mincore(const_cast<char*>(memory), bytes, pages.data()) == 0;
}

bool holds(const char* memory, size_t bytes, unsigned char value) {
    for (size_t i = 0; i < bytes; ++i)
        if (static_cast<unsigned char>(memory[i]) != value) return false;
    return true;
}

char* allocateFilled(size_t bytes, unsigned char value) {
    char* memory = static_cast<char*>(allocateScratch(bytes));
    std::memset(memory, value, bytes);
    return memory;
}

} // namespace

TEST(ScratchReuse, TakesTheSmallestKeptBlockThatHoldsTheSizeAndTrimsIt) {
    const ScratchReuse reuse;
    char* large = allocateFilled(12 * kMB, 0x11);
    char* small = allocateFilled(4 * kMB, 0x22);
    freeScratch(large, 12 * kMB);
    freeScratch(small, 4 * kMB);

    char* first = static_cast<char*>(allocateScratch(3 * kMB)); // 4 MB of huge pages
    EXPECT_EQ(first, small);
    EXPECT_TRUE(holds(first, 3 * kMB, 0x22)); // its own pages, not fresh zeroed ones

    char* second = static_cast<char*>(allocateScratch(5 * kMB)); // 6 MB
    EXPECT_EQ(second, large);
    EXPECT_TRUE(holds(second, 5 * kMB, 0x11));
    EXPECT_TRUE(mapped(second, 6 * kMB));
    EXPECT_FALSE(mapped(second + 6 * kMB, 2 * kMB)); // the rest went back at once

    freeScratch(first, 3 * kMB);
    freeScratch(second, 5 * kMB);
}

TEST(ScratchReuse, GrowsTheLargestKeptBlockWhenNoneHoldsTheSizeAndLetsTheOthersGo) {
    const ScratchReuse reuse;
    char* block = allocateFilled(4 * kMB, 0x33);
    char* smaller = allocateFilled(2 * kMB, 0x66);
    freeScratch(block, 4 * kMB);
    freeScratch(smaller, 2 * kMB);

    char* grown = static_cast<char*>(allocateScratch(10 * kMB));
    EXPECT_TRUE(holds(grown, 4 * kMB, 0x33));        // the kept pages moved along
    EXPECT_TRUE(holds(grown + 4 * kMB, 6 * kMB, 0)); // and only the new part is fresh
    EXPECT_EQ(reinterpret_cast<uintptr_t>(grown) % (2 * kMB), 0u);
    EXPECT_FALSE(mapped(block, 4 * kMB)); // nothing left behind where it was
    // kept beside the grown block, it would add to the most ever in use
    EXPECT_FALSE(mapped(smaller, 2 * kMB));
    freeScratch(grown, 10 * kMB);
}

TEST(ScratchReuse, KeepsOnlyWhileOneLivesAndReleasesWithTheOutermost) {
    char* block = nullptr;
    {
        const ScratchReuse outer;
        {
            const ScratchReuse inner;
            block = allocateFilled(4 * kMB, 0x44);
            freeScratch(block, 4 * kMB);
        }
        EXPECT_TRUE(mapped(block, 4 * kMB)); // still kept for the outer one
    }
    EXPECT_FALSE(mapped(block, 4 * kMB));

    block = allocateFilled(4 * kMB, 0x55);
    freeScratch(block, 4 * kMB); // no reuse: back to the system at once
    EXPECT_FALSE(mapped(block, 4 * kMB));
}

#endif
