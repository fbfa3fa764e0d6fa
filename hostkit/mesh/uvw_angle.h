// Texture coordinates from angles and lengths, float(atan2(y, x) / divisor + 0.5) and
// float(hypot-like lengths), bit for bit as the C library gives them, at a fraction of
// its cost. An estimate accurate to about 1e-15 (a table-driven arctangent, a plain
// square root) decides the float whenever it lies farther than 1e-13 from a float
// rounding boundary, which is all but about one value in a thousand; the caller asks
// the library for the rest, and for every zero, infinity and NaN.
#pragma once

#include <cmath>
#include <limits>
#include <numbers>

namespace hostkit::uvw {

// atan2(y, x) within about 1e-15 for finite, nonzero x and y. The ratio t of the
// smaller magnitude n to the larger m is taken to the nearest k / 8, whose arctangent
// is tabulated: atan(t) = atan(k / 8) + atan(r) with r = (n - m k / 8) / (m + n k / 8),
// |r| <= 1 / 16 + 3e-7, off by a few 1e-16 at most. The odd series to r^13 leaves out
// less than 1e-19.
inline double nearAtan2(double y, double x) {
    static constexpr double kAtanEighths[9] = {
        0x0p+0,
        0x1.fd5ba9aac2f6ep-4, // atan(1 / 8), correctly rounded
        0x1.f5b75f92c80ddp-3,
        0x1.6f61941e4def1p-2,
        0x1.dac670561bb4fp-2,
        0x1.1e00babdefeb4p-1,
        0x1.4978fa3269ee1p-1,
        0x1.700a7c5784634p-1,
        0x1.921fb54442d18p-1, // atan(1)
    };
    const double ax = std::abs(x), ay = std::abs(y);
    const bool steep = ay > ax;
    const double n = steep ? ax : ay, m = steep ? ay : ax;
    // k from a float quotient (cheaper; within 3e-7 of t, so |r| <= 1 / 16 + 3e-7) where
    // m fits a float, beside r's quotient, not before it
    const int k = m <= std::numeric_limits<float>::max() ? int(float(n) / float(m) * 8 + 0.5f)
                                                         : int(n / m * 8 + 0.5);
    const double c = k * 0.125;
    const double r = (n - m * c) / (m + n * c);
    const double s = r * r, s2 = s * s;
    // -1/3 + s/5 - s^2/7 + s^3/9 - s^4/11 + s^5/13, in pairs
    const double p = (-1.0 / 3 + s * (1.0 / 5)) + s2 * (-1.0 / 7 + s * (1.0 / 9)) +
                     s2 * s2 * (-1.0 / 11 + s * (1.0 / 13));
    double a = kAtanEighths[k] + (r + r * s * p);
    if (steep) a = std::numbers::pi / 2 - a;
    if (x < 0) a = std::numbers::pi - a;
    return y < 0 ? -a : a;
}

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
    // The library's atan2 is within an ulp of the true angle, nearAtan2 within a few;
    // both quotients then lie within 1e-15 of d, far inside the slack. Each step after
    // atan2 rounds monotonically, so when both ends of the slack round to one float
    // the library's angle rounds to it too.
    constexpr double kSlack = 2e-13;
    const double d = nearAtan2(y, x) * inverse + 0.5;
    const float below = float(d - kSlack), above = float(d + kSlack);
    out = below;
    return below == above;
}

} // namespace hostkit::uvw
