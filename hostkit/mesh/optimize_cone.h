// Direction cones for Optimize: the set of original face normals (or original line
// directions) a piece of the simplified surface stands for, kept as an axis and a spread.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cmath>
#include <numbers>

#include "host/api.h"
#include "host/geom.h"
#include "hostkit/mesh/arc_tangent.h"

namespace hostkit::opt {

// Double-precision vector for the geometric predicates.
struct Vec3d {
    double x = 0, y = 0, z = 0;

    Vec3d() = default;
    constexpr Vec3d(double px, double py, double pz) : x(px), y(py), z(pz) {}
    explicit Vec3d(const Point3& p) : x(p.x), y(p.y), z(p.z) {}

    Vec3d operator+(const Vec3d& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3d operator-(const Vec3d& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3d operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3d operator-() const { return {-x, -y, -z}; }
};

inline double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(const Vec3d& a) {
    return std::sqrt(dot(a, a));
}
// Whether every component is zero (of either sign), from the bits without a branch per
// component; NaN is not zero.
inline bool isZero(const Vec3d& a) {
    const uint64_t bits =
        std::bit_cast<uint64_t>(a.x) | std::bit_cast<uint64_t>(a.y) | std::bit_cast<uint64_t>(a.z);
    return (bits << 1) == 0; // all but the signs
}
// How far the dot product of two unit vectors rounded to floats (toFloat) may lie from their
// cosine, with room to spare: each length is off 1 by less than 2^-23.
constexpr double kUnitRounding = 1e-6;
// Whether a and b, unit to float precision, lie further apart than the angle whose cosine is
// cosLimit: by their dot product, scaled by their lengths only where these could decide.
inline bool turnsFurther(const Vec3d& a, const Vec3d& b, double cosLimit) {
    const double cosine = dot(a, b);
    if (std::abs(cosine - cosLimit) > kUnitRounding) return cosine < cosLimit;
    return cosine < cosLimit * std::sqrt(dot(a, a) * dot(b, b));
}
// a rounded to float storage, component by component.
inline Point3 toFloat(const Vec3d& a) {
    return Point3(float(a.x), float(a.y), float(a.z));
}
// Unit vector along a; the zero vector stays zero.
inline Vec3d unit(const Vec3d& a) {
    double len = length(a);
    return len > 0 ? a * (1.0 / len) : Vec3d();
}
// Angle between two directions in [0, pi], robust near 0 and pi; 0 when either is zero.
inline double angleBetween(const Vec3d& a, const Vec3d& b) {
    return arcTangent2(length(cross(a, b)), dot(a, b));
}

// "angleBetween(n1, n2) >= limit" for n1 and n2 unit or zero, without the arc tangent away
// from the boundary; unit to float precision is enough (kUnitRounding). Mostly the cosine
// decides alone: when positive (neither is zero) and well away from the limit's, it orders
// the angles (rounding, and lengths off 1 by float rounding, move it by less than the
// margin). Otherwise the angle is that of (n1 . n2, |n1 x n2|) in the upper half plane,
// compared with the limit's by the sign of a 2D cross product; near the boundary the angle
// itself decides.
class AngleTest {
  public:
    AngleTest() : AngleTest(0) {}
    explicit AngleTest(double limit)
        : limit_(limit), cos_(std::cos(limit)), sin_(std::sin(limit)), exact_(limit > 3) {}
    bool reached(const Vec3d& n1, const Vec3d& n2) const {
        const double c = dot(n1, n2);
        if (!exact_ && c > 0 && std::abs(c - cos_) > kCosineMargin) return c < cos_;
        const double s = length(cross(n1, n2));
        const double side = cos_ * s - sin_ * c; // r sin(angle - limit)
        if (!exact_ && std::abs(side) > 1e-9 * (s + std::abs(c))) return side > 0;
        return std::atan2(s, c) >= limit_;
    }

  private:
    static constexpr double kCosineMargin = kUnitRounding;
    double limit_, cos_, sin_;
    bool exact_; // limits near or past pi always take the arc tangent
};

// A cone of unit directions: every direction it stands for lies within spread radians of
// axis. A negative spread is the empty cone (a zero-area face stands for no normal).
struct DirectionCone {
    Point3 axis;
    float spread = -1.0f;

    bool empty() const { return spread < 0; }
};

// The cone of one direction; the empty cone when dir is the zero vector.
inline DirectionCone coneOf(const Vec3d& dir) {
    const Vec3d u = unit(dir);
    if (dot(u, u) == 0) return {};
    return {toFloat(u), 0.0f};
}

// Partial sums of the cosine's series, 1 - x^2/2! + x^4/4! - ..., for x^2 = xx up to pi^2/4,
// where every term is smaller than the last: ending on the x^12 term it is at least cos(x)
// (and within x^14/14!, 3e-9 at the most); ending on the x^10 term, at most cos(x).
// cosineAbove sums its terms in pairs (Estrin's scheme) rather than in one nested chain: the
// same sum up to rounding, known in half the time (a cone union's shortcut waits for it on
// every other union, where its branch goes either way).
inline double cosineAbove(double xx) {
    const double x4 = xx * xx, x8 = x4 * x4;
    const double low = 1 - xx * (1.0 / 2), mid = 1.0 / 24 - xx * (1.0 / 720);
    const double high = (1.0 / 40320 - xx * (1.0 / 3628800)) + x4 * (1.0 / 479001600);
    return low + x4 * mid + x8 * high;
}
inline double cosineBelow(double xx) {
    return 1 - xx * (1.0 / 2 - xx * (1.0 / 24 -
                                     xx * (1.0 / 720 - xx * (1.0 / 40320 - xx * (1.0 / 3628800)))));
}

// Below this angle (radians) the arc tangent of a cone union comes from a short series
// (one division): neighbouring faces and line pieces, whose cones are narrow, meet there.
constexpr double kSmallAngle = 1.0 / 32;
// Relative bound on the error of smallAngleOf's estimate against the library's arc tangent
// of the same s and c: rounding (a few units in the last place) and the series' rest
// (below t^10 / 11, 9e-17 for t up to kSmallAngle).
constexpr double kSmallAngleError = 1e-14;
// The angle between two vectors from the length s of their cross product and their dot
// product c, when it is below kSmallAngle: atan(s / c) by its series up to t^9 / 9, one
// division and no library call. False otherwise (also for NaN), leaving angle alone.
inline bool smallAngleOf(double s, double c, double& angle) {
    if (!(c > 0 && s < kSmallAngle * c)) return false;
    const double t = s / c, tt = t * t;
    angle = t * (1 + tt * (-1.0 / 3 + tt * (1.0 / 5 + tt * (-1.0 / 7 + tt * (1.0 / 9)))));
    return true;
}
// The factors of the sine's and the cosine's series in nested form: the k-th term is the
// one before times -x^2 / ((2k)(2k + 1)) in the sine, -x^2 / ((2k - 1)(2k)) in the cosine.
inline constexpr int kSinCosTerms = 12;
inline constexpr auto kSineSteps = [] {
    std::array<double, kSinCosTerms + 1> step{};
    for (int k = 1; k <= kSinCosTerms; ++k) step[k] = 1.0 / double((2 * k) * (2 * k + 1));
    return step;
}();
inline constexpr auto kCosineSteps = [] {
    std::array<double, kSinCosTerms + 1> step{};
    for (int k = 1; k <= kSinCosTerms; ++k) step[k] = 1.0 / double((2 * k - 1) * (2 * k));
    return step;
}();
// sin(x) and cos(x) for |x| <= pi / 2 by their series up to x^23 and x^24 (the rest is below
// 1e-20, the rounding a few units in the last place): no library call and no branch.
inline void sinCosUpToHalfPi(double x, double& sinX, double& cosX) {
    const double xx = x * x;
    double s = 1, c = 1;
    for (int k = kSinCosTerms; k >= 1; --k) {
        s = 1 - xx * kSineSteps[k] * s;
        c = 1 - xx * kCosineSteps[k] * c;
    }
    sinX = x * s;
    cosX = c;
}

// Whether the angle between two vectors, of dot product c and product of squared lengths
// lengthsSquared, is clearly below room: the cosine beats cosineAbove(room^2) by far more
// than rounding, or room passes a right angle and the cosine is positive. No square root,
// no division; false when it cannot tell.
inline bool clearlyCloser(double c, double lengthsSquared, double room) {
    if (!(c > 0) || !(room > 0)) return false;
    if (room >= 1.5708) return true; // just beyond pi / 2
    const double cosBound = cosineAbove(room * room);
    return c * c > cosBound * cosBound * lengthsSquared * (1 + 1e-12);
}
// Whether that angle is clearly above room: room is negative, or the cosine is not positive
// while room stays short of a right angle, or it falls below cosineBelow(room^2) by far
// more than rounding. False when it cannot tell.
inline bool clearlyFarther(double c, double lengthsSquared, double room) {
    if (room < 0) return true;
    if (!(room < 1.5707)) return false; // also NaN
    if (!(c > 0)) return c <= 0;        // NaN cannot tell
    const double cosBound = cosineBelow(room * room);
    return cosBound > 0 && c * c < cosBound * cosBound * lengthsSquared * (1 - 1e-12);
}

// Smallest cone (axis in the plane of both axes) holding both cones. Empty cones are
// neutral; axes more than pi apart at the rims give the full sphere (spread pi).
// coneUnionSlow writes the union to out (which may be a or b) in one store: returned, a
// cone comes back in two 8-byte halves, and the caller's next 16-byte read of it waits for
// both to reach memory (a stalled store-to-load forward, some 5% of Optimize on a cone).
HOSTKIT_API void coneUnionSlow(const DirectionCone& a, const DirectionCone& b, DirectionCone& out);
inline DirectionCone coneUnion(const DirectionCone& a, const DirectionCone& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (a.axis == b.axis) return a.spread >= b.spread ? a : b; // flat regions: the usual case
    DirectionCone both;
    coneUnionSlow(a, b, both);
    return both;
}
// The cone with its axis negated when that axis points away from ref: for undirected
// line directions, where d and -d are the same line.
inline DirectionCone alignedWith(const DirectionCone& cone, const Vec3d& ref) {
    if (cone.empty() || dot(Vec3d(cone.axis), ref) >= 0) return cone;
    return {-cone.axis, cone.spread};
}
// Largest angle between dir (unit or zero) and any direction in the cone; 0 for the
// empty cone, pi for a zero dir against a non-empty cone.
HOSTKIT_API double coneReach(const DirectionCone& cone, const Vec3d& dir);
// Exactly "coneReach(cone, dir) > limit" for a limit below pi; the arc tangent only when the
// reach is too near the limit for the cosine bounds to tell.
inline bool reachExceeds(const DirectionCone& cone, const Vec3d& dir, double limit) {
    if (!cone.empty()) {
        const Vec3d axis(cone.axis);
        const double c = dot(axis, dir), lengthsSquared = dot(axis, axis) * dot(dir, dir);
        constexpr double kMargin = 1e-12; // keeps both shortcuts to what the exact test decides
        const double room = limit - double(cone.spread);
        if (clearlyCloser(c, lengthsSquared, room - kMargin)) return false;
        if (clearlyFarther(c, lengthsSquared, room + kMargin)) return true;
    }
    return coneReach(cone, dir) > limit;
}

// Cosine form of "coneReach(cone, dir) <= limit" for repeated tests against one cone:
// a unit dir passes when dot(axis, dir) >= minCos.
struct ConeTest {
    Vec3d axis;
    double spread = 0;
    double minCos = -2; // passes everything (the empty cone)

    ConeTest() = default;
    // cosLimit is cos(limit), passed in to spare the call for a zero spread.
    ConeTest(const DirectionCone& cone, double limit, double cosLimit) {
        if (cone.empty()) return;
        axis = Vec3d(cone.axis);
        spread = cone.spread;
        if (cone.spread == 0) {
            minCos = cosLimit;
        } else {
            minCos = limit >= spread ? std::cos(limit - spread) : 2; // 2: nothing passes
        }
    }
    bool passes(const Vec3d& unitDir) const { return dot(axis, unitDir) >= minCos; }
    // Cheap increasing stand-in for coneReach: the spread plus the chord to the axis.
    double reach(const Vec3d& unitDir) const { return reachOfChord(chordSquared(unitDir)); }
    // The same in two steps, so the largest of many reaches costs one square root.
    double chordSquared(const Vec3d& unitDir) const {
        return std::max(0.0, 2.0 - 2.0 * dot(axis, unitDir));
    }
    double reachOfChord(double chordSquared) const { return spread + std::sqrt(chordSquared); }
};

} // namespace hostkit::opt
