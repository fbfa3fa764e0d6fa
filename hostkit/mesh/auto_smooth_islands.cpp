// Islands of faces joined by smooth edges: see auto_smooth_islands.h.
#include "hostkit/mesh/auto_smooth_islands.h"

#include <cmath>
#include <utility>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::smoothing {

namespace {

struct Vec3d {
    double x = 0, y = 0, z = 0;
};

// A proper face's edge cross product in double and its squared length. The unit normal
// is n / sqrt(nn), and zero unless nn > 0.
struct FaceCross {
    Vec3d n;
    double nn = 0;
};

FaceCross faceCross(const Mesh& mesh, uint32_t f) { // f is a proper face
    const MeshFace& face = mesh.faces[f];
    const Point3 a = mesh.vertices[face.v[0]], b = mesh.vertices[face.v[1]],
                 c = mesh.vertices[face.v[2]];
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(c.x) - a.x, wy = double(c.y) - a.y, wz = double(c.z) - a.z;
    const Vec3d n{uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
    return {n, n.x * n.x + n.y * n.y + n.z * n.z};
}

// The smooth-edge angle test between two faces: both normals non-zero and
// atan2(|n1 x n2|, n1 . n2) < angle for the unit normals n1, n2 in double. Most pairs are
// decided from the unnormalised cross products, whose angle is the same: where that
// reckoning is clear of the threshold by far more than either computation's rounding, the
// unit normals would decide the same; otherwise they are computed and decide.
class SmoothTest {
  public:
    explicit SmoothTest(float angle)
        : cosA_(std::cos(double(angle))), sinA_(std::sin(double(angle))), cos2_(cosA_ * cosA_),
          sin2_(sinA_ * sinA_), everyAngle_(double(angle) > 3.141592653589793),
          acute_(cosA_ > 0 && sinA_ > 0) {}

    bool operator()(const FaceCross& p, const FaceCross& q) const {
        if (!(p.nn > 0) || !(q.nn > 0)) return false; // a zero (or undefined) normal
        if (everyAngle_) return true;
        // atan2(s, d) < angle, for s >= 0, is s * cos(angle) < d * sin(angle) when angle
        // is in (0, pi]
        if (p.nn > kLow && p.nn < kHigh && q.nn > kLow && q.nn < kHigh) {
            // Scaled by L = |p.n| |q.n|, relative rounding here and in the unit-normal
            // reckoning stays below 1e-13; decide only when clear by 1e-9 L.
            const double cc = crossSquared(p.n, q.n), d = dot(p.n, q.n), ll = p.nn * q.nn;
            if (acute_) {
                // both sides of s cos < d sin squared, without a square root: for d <= 0
                // the difference is at least the root of their squares' sum; for d > 0
                // it is the squares' difference over a sum of at most 2 L
                if (!(d > 0)) {
                    if (cc * cos2_ + d * d * sin2_ > 1e-18 * ll) return false;
                } else {
                    const double diff = cc * cos2_ - d * d * sin2_;
                    if (std::fabs(diff) > 2e-9 * ll) return diff < 0;
                }
            } else {
                const double t = std::sqrt(cc) * cosA_ - d * sinA_;
                if (t * t > 1e-18 * ll) return t < 0;
            }
        }
        const Vec3d n1 = unit(p), n2 = unit(q);
        return std::sqrt(crossSquared(n1, n2)) * cosA_ < dot(n1, n2) * sinA_;
    }

  private:
    // squared lengths within which no product above under- or overflows
    static constexpr double kLow = 1e-100, kHigh = 1e100;

    static Vec3d unit(const FaceCross& c) {
        const double len = std::sqrt(c.nn);
        return {c.n.x / len, c.n.y / len, c.n.z / len};
    }
    static double crossSquared(const Vec3d& a, const Vec3d& b) {
        const double cx = a.y * b.z - a.z * b.y, cy = a.z * b.x - a.x * b.z,
                     cz = a.x * b.y - a.y * b.x;
        return cx * cx + cy * cy + cz * cz;
    }
    static double dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

    double cosA_, sinA_, cos2_, sin2_;
    bool everyAngle_, acute_; // acute_: cos and sin of the angle both positive
};

// Disjoint sets of faces, each rooted at its lowest face: path halving, and a union
// hangs the higher root under the lower.
class FaceSets {
  public:
    explicit FaceSets(uint32_t n) : parent_(n) {
        for (uint32_t f = 0; f < n; ++f) parent_[f] = f;
    }
    void unite(uint32_t a, uint32_t b) {
        a = find(a), b = find(b);
        if (a < b)
            parent_[b] = a;
        else if (b < a)
            parent_[a] = b;
    }
    // Numbers the sets in order of their lowest face; returns each face's set number (in
    // the same memory) and the count. Every parent is below its child, so one pass
    // upwards finds each face's parent already numbered.
    ScratchArray<uint32_t> label(uint32_t& count) && {
        count = 0;
        for (uint32_t f = 0; f < uint32_t(parent_.size()); ++f)
            parent_[f] = parent_[f] == f ? count++ : parent_[parent_[f]];
        return std::move(parent_);
    }

  private:
    uint32_t find(uint32_t x) {
        while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
        return x;
    }
    ScratchArray<uint32_t> parent_;
};

} // namespace

ScratchArray<uint32_t> findIslands(const Mesh& mesh, const EdgeGroups* groups, float angle,
                                   uint32_t& islandCount) {
    FaceSets sets(uint32_t(mesh.faceCount));
    if (groups) {
        const SmoothTest smooth(angle);
        FaceCross cross[EdgeGroups::kShortList]; // of the faces in a short list
        groups->forEachEdge(
            [&](const uint32_t* list, uint32_t m) {
                for (uint32_t s = 0; s < m; ++s) cross[s] = faceCross(mesh, list[s] / 3);
            },
            [&](const uint32_t* corners, uint32_t n, const uint8_t* slots) {
                if (n != 2) return;
                const uint32_t c = corners[0], d = corners[1];
                // the two must run along the edge in opposite directions
                if (slots ? !((slots[0] ^ slots[1]) & EdgeGroups::kFromV)
                          : cornerFrom(mesh, c) != cornerTo(mesh, d))
                    return;
                constexpr uint8_t kSlot = EdgeGroups::kFromV - 1;
                if (slots ? smooth(cross[slots[0] & kSlot], cross[slots[1] & kSlot])
                          : smooth(faceCross(mesh, c / 3), faceCross(mesh, d / 3)))
                    sets.unite(c / 3, d / 3);
            });
    }
    return std::move(sets).label(islandCount);
}

} // namespace hostkit::smoothing
