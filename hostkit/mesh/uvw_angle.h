// Texture coordinates from angles and lengths, float(atan2(y, x) / divisor + 0.5) and
// float(hypot-like lengths), bit for bit as the C library gives them, at a fraction of
// its cost. An estimate accurate to about 1e-15 (the table-driven arcTangent2, a plain
// square root) decides the float whenever it lies farther than 1e-13 from a float
// rounding boundary, which is all but about one value in a thousand; the caller asks
// the library for the rest, and for every zero, infinity and NaN.
#pragma once

#include <cmath>
#include <limits>

#include "hostkit/mesh/arc_tangent.h"

namespace hostkit::uvw {

// float(v) when an estimate within a relative 1e-15 of v settles it (v finite, the
// estimate not negative): false when v may round either way.
inline bool settledFloat(double estimate, float& out) {
    constexpr double kSlack = 1e-13; // relative
    const float below = float(estimate * (1 - kSlack)), above = float(estimate * (1 + kSlack));
    out = below;
    return below == above;
}

// float(std::atan2(y, x) / divisor + 0.5) when it is settled without the library (see
// the top of this file; inverse is 1 / divisor, divisor pi or 2 pi): false when it is not.
inline bool settledAngle(double y, double x, double inverse, float& out) {
    if (y == 0 && x > 0 && x <= std::numeric_limits<double>::max()) {
        out = 0.5f; // atan2(+-0, x) is +-0 for positive x, and +-0 / divisor + 0.5 is 0.5
        return true;
    }
    if (!(x != 0 && y != 0 && std::isfinite(x) && std::isfinite(y))) return false;
    // The library's atan2 is within an ulp of the true angle, arcTangent2 within a few;
    // both quotients then lie within 1e-15 of d, far inside the slack. Each step after
    // atan2 rounds monotonically, so when both ends of the slack round to one float
    // the library's angle rounds to it too.
    constexpr double kSlack = 2e-13;
    const double d = arcTangent2(y, x) * inverse + 0.5;
    const float below = float(d - kSlack), above = float(d + kSlack);
    out = below;
    return below == above;
}

} // namespace hostkit::uvw
