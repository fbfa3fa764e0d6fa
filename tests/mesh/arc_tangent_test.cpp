// The table-driven two-argument arc tangent against the C library's.
#include "hostkit/mesh/arc_tangent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>

namespace {
// Units in the last place between two finite doubles of the same sign.
int64_t ulpsApart(double a, double b) {
    int64_t x = 0, y = 0;
    std::memcpy(&x, &a, 8);
    std::memcpy(&y, &b, 8);
    return x > y ? x - y : y - x;
}
} // namespace

TEST(ArcTangent, StaysWithinTwoUnitsOfTheLibraryInEveryQuadrant) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    int64_t worst = 0;
    int same = 0;
    constexpr int kTries = 200000;
    for (int i = 0; i < kTries; ++i) {
        // angles all round the circle, crowded near the multiples of pi / 4, where the
        // table's ends and the reflections meet
        const double centre = std::numbers::pi * 0.25 * (i % 8 - 4);
        const double offset = std::pow(10.0, -12 * unitInterval(rng)) * (i % 2 ? 1 : -1);
        const double angle =
            i % 7 == 6 ? std::numbers::pi * (2 * unitInterval(rng) - 1) : centre + offset;
        const double scale = std::pow(10.0, 40 * unitInterval(rng) - 20);
        const double y = std::sin(angle) * scale, x = std::cos(angle) * scale;
        const double mine = hostkit::arcTangent2(y, x), library = std::atan2(y, x);
        ASSERT_EQ(std::signbit(mine), std::signbit(library)) << y << ' ' << x;
        worst = std::max(worst, ulpsApart(mine, library));
        same += mine == library;
    }
    EXPECT_LE(worst, 2);
    EXPECT_GT(same, kTries * 3 / 4); // mostly the very same double
}

TEST(ArcTangent, LeavesZerosInfinitiesAndNaNToTheLibrary) {
    using hostkit::arcTangent2;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (const double y : {0.0, -0.0, 1.0, -1.0, kInf, -kInf, 1e-320})
        for (const double x : {0.0, -0.0, 1.0, -1.0, kInf, -kInf, 1e-320}) {
            const double mine = arcTangent2(y, x), library = std::atan2(y, x);
            EXPECT_EQ(std::signbit(mine), std::signbit(library)) << y << ' ' << x;
            EXPECT_LE(ulpsApart(std::abs(mine), std::abs(library)), 2) << y << ' ' << x;
        }
    EXPECT_EQ(arcTangent2(1e308, 1e308), std::atan2(1e308, 1e308));
    EXPECT_TRUE(std::isnan(arcTangent2(std::nan(""), 1)));
    EXPECT_TRUE(std::isnan(arcTangent2(1, std::nan(""))));
}
