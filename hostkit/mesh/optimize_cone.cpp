// Direction cone arithmetic for Optimize.
#include "hostkit/mesh/optimize_cone.h"

#include <algorithm>
#include <numbers>

namespace hostkit::opt {

namespace {
DirectionCone unionOf(const DirectionCone& a, const DirectionCone& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const Vec3d axisA(a.axis), axisB(b.axis);
    const double cosLength = dot(axisA, axisB);
    const double lengthsSquared = dot(axisA, axisA) * dot(axisB, axisB);
    // a cone clearly inside the other needs no exact angle (only a wider cone can hold
    // the other: two single directions never skip it); the margin keeps the shortcut to
    // cases the exact test below decides the same way. The cosine first: no root, no
    // division
    constexpr double kMargin = 1e-12;
    if (a.spread > b.spread &&
        clearlyCloser(cosLength, lengthsSquared, double(a.spread) - b.spread - kMargin))
        return a;
    if (b.spread > a.spread &&
        clearlyCloser(cosLength, lengthsSquared, double(b.spread) - a.spread - kMargin))
        return b;
    const double sinLength = length(cross(axisA, axisB));
    // narrow cones with near axes (neighbouring faces and line pieces): a series estimate
    // of the angle, within kSmallAngleError * between of the arc tangent; when that tells
    // that neither cone holds the other, its upper end serves the union (whose spread is
    // rounded up far beyond it below)
    double between = 0;
    const bool small = smallAngleOf(sinLength, cosLength, between);
    const double err = kSmallAngleError * between;
    const double shortfall = double(a.spread) - b.spread; // a's room to hold b
    if (small && between + err < shortfall) return a;
    if (small && between + err < -shortfall) return b;
    if (small && between - err > std::abs(shortfall)) {
        between += err;
    } else {
        // nearer the rim (where a cone's members lie) the cosine cannot tell: the angle does
        between = arcTangent2(sinLength, cosLength);
        if (between + b.spread <= a.spread) return a;
        if (between + a.spread <= b.spread) return b;
    }
    const double spread = 0.5 * (between + a.spread + b.spread);
    if (spread >= std::numbers::pi) return {a.axis, float(std::numbers::pi)};
    if (!(sinLength * sinLength >= 1e-24 * lengthsSquared && lengthsSquared > 0)) {
        // (anti)parallel axes (the sine of the angle below 1e-12): no plane to turn in
        if (between > 1) return {a.axis, float(std::numbers::pi)};
        return {a.axis, float(std::max(a.spread, b.spread) + between + 1e-7)};
    }
    // the union's axis lies between the two, at turn = spread - a.spread from a's: half way
    // (the bisector, along axisA + axisB) turned on towards the wider cone by half the
    // spreads' difference (along axisB - axisA, square to the bisector). Unlike a turn from
    // a's axis by the whole angle, it waits neither for the arc tangent nor for a sine of it
    Vec3d toward = axisA + axisB;
    if (a.spread != b.spread) {
        const Vec3d across = axisB - axisA;
        double sinRest = 0, cosRest = 0; // |rest| < between / 2 <= pi / 2
        sinCosUpToHalfPi(0.5 * (double(b.spread) - a.spread), sinRest, cosRest);
        toward = toward * (cosRest / length(toward)) + across * (sinRest / length(across));
    }
    const Vec3d u = unit(toward);
    // round the spread up a little so float storage never loses a member
    return {toFloat(u), float(spread * (1 + 1e-6) + 1e-7)};
}

} // namespace

void coneUnionSlow(const DirectionCone& a, const DirectionCone& b, DirectionCone& out) {
    out = unionOf(a, b);
}

double coneReach(const DirectionCone& cone, const Vec3d& dir) {
    if (cone.empty()) return 0;
    if (dot(dir, dir) == 0) return std::numbers::pi;
    return std::min(std::numbers::pi, angleBetween(Vec3d(cone.axis), dir) + cone.spread);
}

} // namespace hostkit::opt
