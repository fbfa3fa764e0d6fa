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
    const double lengths = std::sqrt(lengthsSquared);
    const double sinBetween = lengths > 0 ? sinLength / lengths : 0;
    if (!(sinBetween >= 1e-12)) {
        // (anti)parallel axes: no plane to turn in
        if (between > 1) return {a.axis, float(std::numbers::pi)};
        return {a.axis, float(std::max(a.spread, b.spread) + between + 1e-7)};
    }
    // rotate a's axis towards b's by turn = spread - a.spread within their common plane:
    // axisA sin(between - turn) + axisB sin(turn), up to a positive factor
    Vec3d toward;
    if (a.spread == b.spread) {
        toward = axisA + axisB; // turning half way: sin(between - turn) = sin(turn)
    } else {
        const double turn = spread - a.spread;
        double sinTurn = 0, cosTurn = 0;
        if (!smallSinCos(turn, sinTurn, cosTurn)) {
            sinTurn = std::sin(turn);
            cosTurn = std::cos(turn);
        }
        const double cosBetween = cosLength / lengths;
        toward = axisA * (sinBetween * cosTurn - cosBetween * sinTurn) + axisB * sinTurn;
    }
    const Vec3d u = unit(toward);
    // round the spread up a little so float storage never loses a member
    return {Point3(float(u.x), float(u.y), float(u.z)), float(spread * (1 + 1e-6) + 1e-7)};
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
