// The writer's own number formatting against the C runtime's "%.6f" under the
// decimal-comma locale, over exact ties, rounding boundaries and random floats.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "export/number_format.h"
#include "prep/prepare_mesh.h"

namespace {
// Compares one value; returns false (and records it) on a difference.
bool sameAsRuntime(float value) {
    char expected[64], actual[64];
    std::snprintf(expected, sizeof(expected), "%.6f", double(value));
    *formatFixed6(actual, value) = 0;
    if (std::strcmp(expected, actual) == 0) return true;
    ADD_FAILURE() << "value bits 0x" << std::hex << std::bit_cast<uint32_t>(value) << ": runtime "
                  << expected << ", ours " << actual;
    return false;
}

class FixedFormat : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(switchToDecimalCommaLocale()); }
};
} // namespace

TEST_F(FixedFormat, KnownValues) {
    char text[64];
    *formatFixed6(text, 0.5f) = 0;
    EXPECT_STREQ(text, "0,500000");
    *formatFixed6(text, -1.5f) = 0;
    EXPECT_STREQ(text, "-1,500000");
    *formatFixed6(text, -1e-9f) = 0;
    EXPECT_STREQ(text, "-0,000000");
    for (float v :
         {0.0f, -0.0f, 1e-7f, 5e-7f, 4.9999997e-7f, 1.5e-6f, 2.5e-6f, 3.4028235e38f, -3.4028235e38f,
          1e-45f, 16777216.0f, 0.1f, 0.25f, 1234567.875f, INFINITY, -INFINITY})
        sameAsRuntime(v);
}

TEST_F(FixedFormat, IntegersMatchTheRuntime) {
    char expected[32], actual[32];
    for (int32_t v : {0, 1, -1, 9, 10, 99, 100, 65535, 2147483647, -2147483647 - 1}) {
        std::snprintf(expected, sizeof(expected), "%d", v);
        *formatInt(actual, v) = 0;
        EXPECT_STREQ(actual, expected);
    }
    *formatUInt(actual, 0x80000000u) = 0;
    EXPECT_STREQ(actual, "2147483648");
}

// Every float whose scaled value lies next to a rounding boundary k + 1/2 (exact
// ties included), across the magnitudes where the sixth decimal still varies.
TEST_F(FixedFormat, NeighboursOfEveryRoundingBoundary) {
    int failures = 0;
    for (int64_t k = 0; k < 4000000 && failures < 10; ++k) {
        float boundary = float((double(k) + 0.5) / 1e6);
        float below = std::nextafter(boundary, 0.0f), above = std::nextafter(boundary, 1e30f);
        for (float v : {boundary, below, above, -boundary, -below, -above})
            if (!sameAsRuntime(v)) ++failures;
    }
    for (int e = -20; e <= 23 && failures < 10; ++e) // exact ties m / 2^n
        for (int m = 1; m < 4096; m += 2)
            if (!sameAsRuntime(std::ldexp(float(m), e) * 1e-6f)) ++failures;
}

TEST_F(FixedFormat, RandomBitPatterns) {
    // Half raw bit patterns (every magnitude), half coordinates of everyday size.
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> everyday(-2000.0f, 2000.0f);
    const long long count = 100000000; // one hundred million
    int failures = 0;
    for (long long i = 0; i < count && failures < 10; ++i) {
        float v = (i & 1) ? everyday(random) : std::bit_cast<float>(uint32_t(random()));
        if (std::isnan(v)) continue; // the runtime's nan sign is its own
        if (!sameAsRuntime(v)) ++failures;
    }
}
