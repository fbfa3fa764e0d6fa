// Direction cone arithmetic for Optimize.
#include "hostkit/mesh/optimize_cone.h"

#include <algorithm>
#include <numbers>

namespace hostkit::opt {

DirectionCone coneUnionSlow(const DirectionCone& a, const DirectionCone& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const Vec3d axisA(a.axis), axisB(b.axis);
    // a cone clearly inside the other needs no exact angle (only a wider cone can hold
    // the other: two single directions never skip it)
    if (a.spread != b.spread) {
        double err = 0;
        const double rough = roughAngleBetween(axisA, axisB, err);
        if (rough >= 0) {
            if (rough + err + b.spread < a.spread) return a;
            if (rough + err + a.spread < b.spread) return b;
        }
    }
    const double between = angleBetween(axisA, axisB);
    if (between + b.spread <= a.spread) return a;
    if (between + a.spread <= b.spread) return b;
    const double spread = 0.5 * (between + a.spread + b.spread);
    if (spread >= std::numbers::pi) return {a.axis, float(std::numbers::pi)};
    // rotate a's axis towards b's by (spread - a.spread) within their common plane
    const double turn = spread - a.spread;
    const double sinBetween = std::sin(between);
    if (sinBetween < 1e-12) {
        // (anti)parallel axes: no plane to turn in
        if (between > 1) return {a.axis, float(std::numbers::pi)};
        return {a.axis, float(std::max(a.spread, b.spread) + between + 1e-7)};
    }
    Vec3d u = unit(axisA * (std::sin(between - turn) / sinBetween) +
                   axisB * (std::sin(turn) / sinBetween));
    // round the spread up a little so float storage never loses a member
    return {Point3(float(u.x), float(u.y), float(u.z)), float(spread * (1 + 1e-6) + 1e-7)};
}

double coneReach(const DirectionCone& cone, const Vec3d& dir) {
    if (cone.empty()) return 0;
    if (dot(dir, dir) == 0) return std::numbers::pi;
    return std::min(std::numbers::pi, angleBetween(Vec3d(cone.axis), dir) + cone.spread);
}

} // namespace hostkit::opt
