// What the Optimize test programs share: option values and a vertex's position in the
// precision the operation works in.
#pragma once

#include <cstdint>
#include <numbers>

#include "host/mesh.h"
#include "hostkit/mesh/optimize_cone.h"

namespace optimize_test {

constexpr float kDegree = float(std::numbers::pi / 180);
constexpr float kFourDegrees = 4 * kDegree;
constexpr int kAllFlags = OPTIMIZE_KEEP_MATERIALS | OPTIMIZE_KEEP_SMOOTHING | OPTIMIZE_AUTO_EDGE;

inline hostkit::opt::Vec3d position(const Mesh& m, uint32_t v) {
    return hostkit::opt::Vec3d(m.vertices[v]);
}

} // namespace optimize_test
