// Optimize's direction cones: unions and the cosine shortcuts
// against the exact angles.
#include "hostkit/mesh/optimize_cone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using hostkit::opt::Vec3d;

namespace {
// A random vector in the cube [-1, 1]^3.
hostkit::opt::Vec3d randomVector(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(-1, 1);
    const double x = coord(rng), y = coord(rng), z = coord(rng);
    return {x, y, z};
}
// A unit vector turned from unit vector a by `angle`, towards a random side.
hostkit::opt::Vec3d turnedFrom(const hostkit::opt::Vec3d& a, double angle, std::mt19937& rng) {
    using namespace hostkit::opt;
    const Vec3d side = unit(cross(a, randomVector(rng)));
    return a * std::cos(angle) + side * std::sin(angle);
}
} // namespace

TEST(OptimizeCone, UnionHoldsBothCones) {
    using namespace hostkit::opt;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> spread(0, 0.3);
    for (int i = 0; i < 500; ++i) {
        DirectionCone a = coneOf(randomVector(rng));
        DirectionCone b = coneOf(randomVector(rng));
        a.spread = float(spread(rng));
        b.spread = float(spread(rng));
        if (i % 4 == 0) b.spread = a.spread; // equal spreads turn half way
        if (i % 8 == 0) a.spread = b.spread = 0;
        DirectionCone both = coneUnion(a, b);
        // each cone's farthest member from the union's axis still lies inside it
        EXPECT_LE(coneReach(a, Vec3d(both.axis)), both.spread + 1e-5);
        EXPECT_LE(coneReach(b, Vec3d(both.axis)), both.spread + 1e-5);
        // and the union is no wider than needed
        double between = angleBetween(Vec3d(a.axis), Vec3d(b.axis));
        EXPECT_LE(both.spread, std::max({double(a.spread), double(b.spread),
                                         0.5 * (between + a.spread + b.spread)}) +
                                   1e-5);
    }
}

TEST(OptimizeCone, NarrowUnionsHoldBothConesAndNoMore) {
    // neighbouring faces and line pieces: axes and spreads far below the small-angle bound,
    // and some near it, where the series give way to the library
    using namespace hostkit::opt;
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    for (int i = 0; i < 4000; ++i) {
        const double scale = i % 4 == 3 ? 2 * kSmallAngle : std::pow(10.0, -7 * unitInterval(rng));
        DirectionCone a = coneOf(randomVector(rng));
        DirectionCone b = coneOf(turnedFrom(Vec3d(a.axis), scale * unitInterval(rng), rng));
        a.spread = float(scale * unitInterval(rng));
        b.spread = i % 5 == 0 ? a.spread : float(scale * unitInterval(rng));
        const DirectionCone both = coneUnion(a, b);
        // the rim of each cone lies inside the union (up to the rounding of a cone that
        // comes back as it was, whose axis is a float vector of length near 1)
        EXPECT_LE(coneReach(a, unit(Vec3d(both.axis))), both.spread + 1e-15) << i;
        EXPECT_LE(coneReach(b, unit(Vec3d(both.axis))), both.spread + 1e-15) << i;
        const double between = angleBetween(Vec3d(a.axis), Vec3d(b.axis));
        const double needed =
            std::max({double(a.spread), double(b.spread), 0.5 * (between + a.spread + b.spread)});
        EXPECT_LE(both.spread, needed * (1 + 2e-6) + 2e-7) << i;
    }
}

TEST(OptimizeCone, SmallAngleSeriesStayWithinTheirBounds) {
    using namespace hostkit::opt;
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    int small = 0;
    for (int i = 0; i < 20000; ++i) {
        const Vec3d a = unit(randomVector(rng));
        // from 1e-12 to beyond the bound, and a hair either side of it
        double angle = std::pow(10.0, -12 + 11 * unitInterval(rng)) * 2 * kSmallAngle;
        if (i % 10 == 0) angle = std::atan(kSmallAngle) * (1 + (unitInterval(rng) - 0.5) * 1e-9);
        const Vec3d b = turnedFrom(a, angle, rng) * (0.5 + unitInterval(rng));
        const double s = length(cross(a, b)), c = dot(a, b);
        double estimate = -1;
        if (smallAngleOf(s, c, estimate)) {
            ++small;
            EXPECT_LT(s, kSmallAngle * c);
            const double exact = std::atan2(s, c);
            EXPECT_LE(std::abs(estimate - exact), kSmallAngleError * estimate) << angle;
        } else {
            EXPECT_GE(s, kSmallAngle * c) << angle;
        }
    }
    EXPECT_GT(small, 15000); // the series met most angles, and the bound some
    EXPECT_LT(small, 19900);
    double angle = 0;
    EXPECT_FALSE(smallAngleOf(0.0, 0.0, angle));   // no direction
    EXPECT_FALSE(smallAngleOf(1e-3, -1.0, angle)); // near pi, not near 0
    EXPECT_FALSE(smallAngleOf(std::nan(""), 1.0, angle));
}

TEST(OptimizeCone, SineAndCosineSeriesHoldUpToAHalfTurnEitherWay) {
    using namespace hostkit::opt;
    std::mt19937 rng(29);
    std::uniform_real_distribution<double> halfTurns(-1, 1);
    for (int i = 0; i <= 20000; ++i) {
        // the ends exactly, then spread over the range and crowded near 0
        double x = i == 0 ? std::numbers::pi / 2 : i == 1 ? -std::numbers::pi / 2 : 0;
        if (i > 1) x = std::numbers::pi / 2 * halfTurns(rng) * (i % 3 ? 1 : 1e-6);
        double sinX = 0, cosX = 0;
        sinCosUpToHalfPi(x, sinX, cosX);
        EXPECT_NEAR(sinX, std::sin(x), 4e-16 * std::max(std::abs(x), 1e-300)) << x;
        EXPECT_NEAR(cosX, std::cos(x), 4e-16) << x;
    }
}

TEST(OptimizeCone, EmptyConeIsNeutralAndAlignmentFlipsAxis) {
    using namespace hostkit::opt;
    DirectionCone up = coneOf({0, 0, 2});
    EXPECT_TRUE(coneOf({0, 0, 0}).empty());
    EXPECT_EQ(coneUnion(DirectionCone(), up).axis, up.axis);
    EXPECT_EQ(alignedWith(up, {0, 0, -1}).axis, Point3(0, 0, -1));
    EXPECT_NEAR(coneUnion(up, coneOf({1, 0, 0})).spread, std::numbers::pi / 4, 1e-5);
}

TEST(OptimizeCone, ShortcutsDecideAsTheExactAngleDoes) {
    using namespace hostkit::opt;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    int contained = 0, wideContained = 0;
    for (int i = 0; i < 20000; ++i) {
        DirectionCone a = coneOf(randomVector(rng));
        a.spread = float(0.5 * unitInterval(rng));
        const double angle = std::numbers::pi * unitInterval(rng) * (i % 2 ? 1 : 1e-4);
        const Vec3d dir = unit(turnedFrom(Vec3d(a.axis), angle, rng));
        // a limit (or second spread) at, or a tiny step either side of, the exact reach
        const double reach = angleBetween(Vec3d(a.axis), dir) + a.spread;
        const double step = (i % 3 - 1) * std::pow(10.0, -16 * unitInterval(rng));
        const double limit = reach + step;
        if (limit >= 0 && limit < 3) {
            EXPECT_EQ(reachExceeds(a, dir, limit), coneReach(a, dir) > limit) << i;
        }
        // a narrow cone against a narrow cone (where float spreads come finest) whose rim
        // it meets within a few units in the last place: the union is the first cone
        // exactly when it holds the second
        DirectionCone narrow = a;
        narrow.spread = float(1e-6 * unitInterval(rng));
        DirectionCone b = coneOf(turnedFrom(Vec3d(a.axis), 2e-6 * unitInterval(rng), rng));
        const double between = angleBetween(Vec3d(a.axis), Vec3d(b.axis));
        const double room = narrow.spread - between;
        b.spread = float(std::max(0.0, room + (i % 5 - 2) * 4e-16 * std::abs(room)));
        const bool holds = between + b.spread <= narrow.spread;
        const DirectionCone both = coneUnion(narrow, b);
        EXPECT_EQ(holds, both.axis == narrow.axis && both.spread == narrow.spread) << i;
        contained += holds;
        // the same for wider cones, up to beyond the cosine shortcut's reach, with the
        // second cone's rim a relative step of 1e-16 to 1e-4 inside or outside the first's
        DirectionCone wide = a;
        wide.spread = float(1.6 * unitInterval(rng));
        DirectionCone inner =
            coneOf(turnedFrom(Vec3d(a.axis), wide.spread * unitInterval(rng), rng));
        const double gap = wide.spread - angleBetween(Vec3d(a.axis), Vec3d(inner.axis));
        const double nudge = (i % 2 ? 1 : -1) * std::pow(10.0, -16 + 12 * unitInterval(rng));
        inner.spread = float(std::max(0.0, gap * (1 + nudge)));
        const bool wideHolds =
            angleBetween(Vec3d(wide.axis), Vec3d(inner.axis)) + inner.spread <= wide.spread;
        const DirectionCone wideBoth = coneUnion(wide, inner);
        EXPECT_EQ(wideHolds, wideBoth.axis == wide.axis && wideBoth.spread == wide.spread) << i;
        wideContained += wideHolds;
    }
    EXPECT_GT(contained, 1000); // the boundary was met from both sides
    EXPECT_LT(contained, 19000);
    EXPECT_GT(wideContained, 5000);
    EXPECT_LT(wideContained, 15000);
}

// The zero test reads bits: either sign of zero counts, the smallest denormal and NaN do not.
TEST(OptimizeCone, ZeroVectorsAreTheSignedZerosOnly) {
    using hostkit::opt::isZero;
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_TRUE(isZero(Vec3d(0, 0, 0)));
    EXPECT_TRUE(isZero(Vec3d(-0.0, 0, -0.0)));
    EXPECT_FALSE(isZero(Vec3d(0, tiny, 0)));
    EXPECT_FALSE(isZero(Vec3d(-tiny, 0, 0)));
    EXPECT_FALSE(isZero(Vec3d(0, 0, std::nan(""))));
    EXPECT_FALSE(isZero(Vec3d(0, -std::numeric_limits<double>::infinity(), 0)));
}
