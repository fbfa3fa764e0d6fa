// Mesh::Optimize: decimation results, the invariants every result keeps, and the cones.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/optimize_collapse.h"
#include "hostkit/mesh/optimize_cone.h"
#include "hostkit/mesh/optimize_passes.h"
#include "hostkit/mesh/optimize_state.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

using hostkit::opt::Vec3d;

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);
constexpr float kFourDegrees = 4 * kDegree;
constexpr int kAllFlags = OPTIMIZE_KEEP_MATERIALS | OPTIMIZE_KEEP_SMOOTHING | OPTIMIZE_AUTO_EDGE;

Vec3d position(const Mesh& m, uint32_t v) {
    return Vec3d(m.vertices[v]);
}

Vec3d faceNormal(const Mesh& m, int f) {
    const MeshFace& face = m.faces[f];
    Vec3d a = position(m, face.v[0]);
    return hostkit::opt::unit(
        hostkit::opt::cross(position(m, face.v[1]) - a, position(m, face.v[2]) - a));
}

double minQuality(const Mesh& m) {
    double worst = 1;
    for (int f = 0; f < m.faceCount; ++f)
        worst = std::min(worst, hostkit::opt::triangleQuality(position(m, m.faces[f].v[0]),
                                                              position(m, m.faces[f].v[1]),
                                                              position(m, m.faces[f].v[2])));
    return worst;
}

using EdgeKey = std::pair<uint32_t, uint32_t>;

// Faces per undirected edge, over the faces with three distinct indices in range.
std::map<EdgeKey, int> edgeFaceCounts(const Mesh& m) {
    std::map<EdgeKey, int> counts;
    for (int f = 0; f < m.faceCount; ++f) {
        const MeshFace& face = m.faces[f];
        if (!hostkit::isProperFace(face, m.vertexCount)) continue;
        for (int k = 0; k < 3; ++k) {
            uint32_t a = face.v[k], b = face.v[(k + 1) % 3];
            ++counts[{std::min(a, b), std::max(a, b)}];
        }
    }
    return counts;
}

// What every optimised mesh keeps: indices in range where they were, per-face arrays in
// step, no face newly degenerate, no edge gaining faces beyond two, closed stays closed.
void expectValidResult(const Mesh& before, const Mesh& after, bool closed, const char* name) {
    ASSERT_LE(after.faceCount, before.faceCount) << name;
    EXPECT_EQ(after.texFaces != nullptr, before.texFaces != nullptr) << name;
    int degenerateBefore = 0, degenerateAfter = 0;
    for (int f = 0; f < before.faceCount; ++f) {
        const MeshFace& face = before.faces[f];
        degenerateBefore +=
            face.v[0] == face.v[1] || face.v[1] == face.v[2] || face.v[0] == face.v[2];
    }
    for (int f = 0; f < after.faceCount; ++f) {
        const MeshFace& face = after.faces[f];
        degenerateAfter +=
            face.v[0] == face.v[1] || face.v[1] == face.v[2] || face.v[0] == face.v[2];
        if (after.texFaces)
            for (uint32_t t : after.texFaces[f].t)
                if (t >= uint32_t(after.texVertCount)) ADD_FAILURE() << name << ": tex index";
    }
    EXPECT_EQ(degenerateAfter, degenerateBefore) << name;
    int nonManifoldBefore = 0, nonManifoldAfter = 0;
    for (const auto& [edge, count] : edgeFaceCounts(before)) nonManifoldBefore += count > 2;
    for (const auto& [edge, count] : edgeFaceCounts(after)) {
        nonManifoldAfter += count > 2;
        if (closed) {
            EXPECT_EQ(count, 2) << name;
        }
    }
    EXPECT_EQ(nonManifoldAfter, nonManifoldBefore) << name;
}

// A flat grid whose left half has material 1 and right half material 2.
Mesh twoMaterialGrid(int n) {
    Mesh m = hostkit::makeGridMesh(n, 2.0f);
    for (int f = 0; f < m.faceCount; ++f) {
        const MeshFace& face = m.faces[f];
        float cx = (m.vertices[face.v[0]].x + m.vertices[face.v[1]].x + m.vertices[face.v[2]].x);
        m.faces[f].setMatID(cx < 0 ? 1 : 2);
    }
    return m;
}

double areaWithMaterial(const Mesh& m, uint32_t id) {
    double area = 0;
    for (int f = 0; f < m.faceCount; ++f)
        if (m.faces[f].getMatID() == id) area += faceArea(m, f);
    return area;
}

// A flat n x n grid and its mirror glued along the rim: a closed pillow of zero thickness.
// Its two sides meet at every rim vertex, so collapses there must respect the link
// condition or the sides fuse into edges with four faces. Diagonals run towards the
// centre, so no diagonal joins two rim vertices.
Mesh zeroThicknessPillow(int n) {
    const int side = n + 1;
    auto index = [&](int x, int y, bool bottom) {
        bool rim = x == 0 || y == 0 || x == n || y == n;
        if (!bottom || rim) return uint32_t(y * side + x);
        return uint32_t(side * side + (y - 1) * (n - 1) + (x - 1));
    };
    Mesh m;
    m.setNumVerts(side * side + (n - 1) * (n - 1));
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            for (bool bottom : {false, true})
                m.vertices[index(x, y, bottom)] = Point3(float(x), float(y), 0);
    m.setNumFaces(4 * n * n);
    int f = 0;
    auto addQuad = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, bool flip) {
        // a b c d counter-clockwise seen from +z, split along a-c
        uint32_t tris[2][3] = {{a, b, c}, {a, c, d}};
        for (auto& t : tris) {
            if (flip) std::swap(t[1], t[2]);
            for (int k = 0; k < 3; ++k) m.faces[f].v[k] = t[k];
            ++f;
        }
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            for (bool bottom : {false, true}) {
                uint32_t p00 = index(x, y, bottom), p10 = index(x + 1, y, bottom);
                uint32_t p11 = index(x + 1, y + 1, bottom), p01 = index(x, y + 1, bottom);
                if ((x < n / 2) == (y < n / 2))
                    addQuad(p00, p10, p11, p01, bottom);
                else
                    addQuad(p10, p11, p01, p00, bottom);
            }
    return m;
}

// A flat fan around vertex 0 whose texture layout is not the geometry's: merging vertex 0
// into its nearest neighbour would turn one texture triangle over.
Mesh fanWithFoldingTexture() {
    Mesh m;
    m.setNumVerts(5);
    m.vertices[0] = Point3(0, 0, 0);
    m.vertices[1] = Point3(0.5f, 0, 0);
    m.vertices[2] = Point3(0, 1, 0);
    m.vertices[3] = Point3(-1, 0, 0);
    m.vertices[4] = Point3(0, -1, 0);
    m.setNumTVerts(5);
    m.texVerts[0] = UVVert(0, 0, 0);
    m.texVerts[1] = UVVert(1, 0, 0);
    m.texVerts[2] = UVVert(0, 1, 0);
    m.texVerts[3] = UVVert(-1, 3, 0);
    m.texVerts[4] = UVVert(0, -1, 0);
    m.setNumFaces(4);
    m.setTexFacesEnabled(true);
    for (uint32_t f = 0; f < 4; ++f) {
        const uint32_t a = f + 1, b = (f + 1) % 4 + 1;
        m.faces[f].v[0] = m.texFaces[f].t[0] = 0;
        m.faces[f].v[1] = m.texFaces[f].t[1] = a;
        m.faces[f].v[2] = m.texFaces[f].t[2] = b;
    }
    return m;
}

class StopAfter : public MeshOpProgress {
  public:
    explicit StopAfter(int calls) : left_(calls) {}
    void Init(int total) override { total_ = total; }
    bool Progress(int done) override {
        EXPECT_LE(done, total_);
        return --left_ > 0;
    }

  private:
    int left_;
    int total_ = -1;
};

} // namespace

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

TEST(OptimizeCone, EmptyConeIsNeutralAndAlignmentFlipsAxis) {
    using namespace hostkit::opt;
    DirectionCone up = coneOf({0, 0, 2});
    EXPECT_TRUE(coneOf({0, 0, 0}).empty());
    EXPECT_EQ(coneUnion(DirectionCone(), up).axis, up.axis);
    EXPECT_EQ(alignedWith(up, {0, 0, -1}).axis, Point3(0, 0, -1));
    EXPECT_NEAR(coneUnion(up, coneOf({1, 0, 0})).spread, std::numbers::pi / 4, 1e-5);
}

TEST(OptimizeCone, RoughAngleStaysWithinItsBound) {
    using namespace hostkit::opt;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    for (int i = 0; i < 20000; ++i) {
        const Vec3d a = unit(randomVector(rng));
        // angles spread over [0, pi] and crowded near 0, pi / 2 and pi
        const double centre = std::numbers::pi * 0.5 * (i % 3);
        const double offset = std::pow(10.0, -12 * unitInterval(rng)) * (i % 2 ? 1 : -1);
        const double angle =
            i % 4 == 3 ? std::numbers::pi * unitInterval(rng) : std::abs(centre + offset);
        const Vec3d b = turnedFrom(a, angle, rng) * (0.5 + unitInterval(rng));
        double err = -1;
        const double rough = roughAngleBetween(a, b, err);
        ASSERT_GE(rough, 0);
        EXPECT_LE(std::abs(rough - angleBetween(a, b)), err) << angle;
    }
    double err = 0;
    EXPECT_LT(roughAngleBetween(Vec3d(1, 0, 0), Vec3d(), err), 0);
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

TEST(Optimize, FlatGridEndsAsTwoFacesKeepingCornersAndArea) {
    for (int n : {1, 2, 7, 40}) {
        Mesh m = hostkit::makeGridMesh(n, 2.0f);
        const double area = totalArea(m);
        const Box3 box = hostkit::meshBoundingBox(m);
        EXPECT_EQ(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), 2 * n * n - 2);
        ASSERT_EQ(m.faceCount, 2) << n;
        EXPECT_EQ(m.vertexCount, 4) << "unused vertices are removed";
        EXPECT_NEAR(totalArea(m), area, 1e-5);
        EXPECT_EQ(hostkit::meshBoundingBox(m).pmin, box.pmin);
        EXPECT_EQ(hostkit::meshBoundingBox(m).pmax, box.pmax);
        for (int f = 0; f < 2; ++f) EXPECT_GT(faceNormal(m, f).z, 0.99);
    }
}

TEST(Optimize, SubdividedCubeEndsAsTwelveFaces) {
    for (int segments : {2, 9}) {
        Mesh m = subdividedCube(segments);
        const double volume = signedVolume(m);
        m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
        EXPECT_EQ(m.faceCount, 12) << segments;
        EXPECT_EQ(m.vertexCount, 8);
        EXPECT_NEAR(signedVolume(m), volume, 1e-5);
    }
}

TEST(Optimize, CubeCreasesHoldWithoutMaterialOrSmoothingChanges) {
    // one material, one smoothing group: only the geometry keeps the edges
    Mesh m = subdividedCube(6);
    for (int f = 0; f < m.faceCount; ++f) {
        m.faces[f].smGroup = 1;
        m.faces[f].setMatID(0);
    }
    m.setTexFacesEnabled(false);
    const double volume = signedVolume(m);
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
    EXPECT_EQ(m.faceCount, 12);
    EXPECT_NEAR(signedVolume(m), volume, 1e-5);
}

TEST(Optimize, SphereFacesStayWithinThresholdOfTheSurfaceTheyCover) {
    const float threshold = 6 * kDegree;
    const Mesh original = hostkit::makeSphereMesh(1, 128);
    Mesh m = original;
    const int removed = m.Optimize(threshold, threshold, 0.1f, kAllFlags, nullptr);
    EXPECT_GT(removed, 0);
    for (int f = 0; f < m.faceCount; ++f) {
        const MeshFace& face = m.faces[f];
        Vec3d centroid = position(m, face.v[0]) + position(m, face.v[1]) + position(m, face.v[2]);
        EXPECT_GT(hostkit::opt::dot(faceNormal(m, f), centroid), 0) << "inward face " << f;
    }
    // each original face centroid, seen from the centre, falls on one result face, whose
    // normal must be within the threshold of the original face's normal
    int checked = 0;
    for (int g = 0; g < original.faceCount; g += 7) {
        const MeshFace& of = original.faces[g];
        Vec3d ray =
            position(original, of.v[0]) + position(original, of.v[1]) + position(original, of.v[2]);
        for (int f = 0; f < m.faceCount; ++f) {
            const MeshFace& face = m.faces[f];
            Vec3d a = position(m, face.v[0]), b = position(m, face.v[1]),
                  c = position(m, face.v[2]);
            using hostkit::opt::cross, hostkit::opt::dot;
            if (dot(cross(a, b), ray) < 0 || dot(cross(b, c), ray) < 0 || dot(cross(c, a), ray) < 0)
                continue;
            EXPECT_LE(hostkit::opt::angleBetween(faceNormal(m, f), faceNormal(original, g)),
                      threshold + 1e-4);
            ++checked;
            break;
        }
    }
    EXPECT_GT(checked, original.faceCount / 7 - 2);
}

TEST(Optimize, NeverFlipsAFaceOfAHeightField) {
    // a height field's normals all point up; a flip would point one down
    Mesh m = noisySurface(40, 11);
    for (float degrees : {4.0f, 25.0f, 60.0f}) {
        Mesh copy = m;
        EXPECT_GT(copy.Optimize(degrees * kDegree, kFourDegrees, 0.0f, 0, nullptr), 0);
        for (int f = 0; f < copy.faceCount; ++f) EXPECT_GT(faceNormal(copy, f).z, 0) << degrees;
    }
}

TEST(Optimize, ThreeFacesOnOneEdgeKeepThatEdge) {
    Mesh m = threeFacesOnEdge();
    m.Optimize(60 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr);
    EXPECT_EQ(edgeFaceCounts(m)[EdgeKey(0, 1)], 3);
}

TEST(Optimize, PlanarTextureCoordinatesStayExact) {
    const Mesh original = hostkit::makeGridMesh(30, 2.0f);
    std::map<std::tuple<float, float, float>, UVVert> uvAt;
    for (int f = 0; f < original.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            const Point3& p = original.vertices[original.faces[f].v[k]];
            uvAt[{p.x, p.y, p.z}] = original.texVerts[original.texFaces[f].t[k]];
        }
    Mesh m = original;
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
    ASSERT_EQ(m.faceCount, 2);
    for (int f = 0; f < m.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            const Point3& p = m.vertices[m.faces[f].v[k]];
            EXPECT_EQ(m.texVerts[m.texFaces[f].t[k]], (uvAt[{p.x, p.y, p.z}]));
        }
    EXPECT_EQ(m.texVertCount, 4);
}

TEST(Optimize, MaterialBoundariesHoldOnlyWithTheirFlag) {
    Mesh kept = twoMaterialGrid(12);
    const double left = areaWithMaterial(kept, 1), right = areaWithMaterial(kept, 2);
    kept.Optimize(kFourDegrees, kFourDegrees, 0.1f, OPTIMIZE_KEEP_MATERIALS, nullptr);
    EXPECT_NEAR(areaWithMaterial(kept, 1), left, 1e-5);
    EXPECT_NEAR(areaWithMaterial(kept, 2), right, 1e-5);
    EXPECT_EQ(kept.faceCount, 4); // two rectangles

    Mesh merged = twoMaterialGrid(12);
    merged.setTexFacesEnabled(false);
    merged.Optimize(kFourDegrees, kFourDegrees, 0.1f, 0, nullptr);
    EXPECT_EQ(merged.faceCount, 2);
}

TEST(Optimize, SmoothingBoundariesHoldWithTheirFlag) {
    Mesh m = twoMaterialGrid(10);
    m.setTexFacesEnabled(false);
    for (int f = 0; f < m.faceCount; ++f) {
        m.faces[f].smGroup = m.faces[f].getMatID(); // groups 1 and 2 split down the middle
        m.faces[f].setMatID(0);
    }
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, OPTIMIZE_KEEP_SMOOTHING, nullptr);
    EXPECT_EQ(m.faceCount, 4);
}

TEST(Optimize, AutoEdgeShowsOutlineAndHidesDiagonal) {
    Mesh m = hostkit::makeGridMesh(5, 2.0f);
    for (int f = 0; f < m.faceCount; ++f) m.faces[f].flags &= ~MeshFace::kEdgeAll;
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
    ASSERT_EQ(m.faceCount, 2);
    int visible = 0;
    for (int f = 0; f < 2; ++f)
        for (int e = 0; e < 3; ++e) visible += m.faces[f].getEdgeVis(e);
    EXPECT_EQ(visible, 4);

    // on a cube every visible edge runs along a cube edge: both ends share two coordinates
    Mesh cube = subdividedCube(3);
    cube.Optimize(kFourDegrees, 30 * kDegree, 0.1f, kAllFlags, nullptr);
    for (int f = 0; f < cube.faceCount; ++f)
        for (int e = 0; e < 3; ++e) {
            const Point3& a = cube.vertices[cube.faces[f].v[e]];
            const Point3& b = cube.vertices[cube.faces[f].v[(e + 1) % 3]];
            int shared = (a.x == b.x) + (a.y == b.y) + (a.z == b.z);
            EXPECT_EQ(cube.faces[f].getEdgeVis(e), shared == 2);
        }
}

TEST(Optimize, BoundaryBendsOnlyWithinThreshold) {
    // a disc must not shrink towards a triangle: its rim may bend only 4 degrees
    Mesh m = fan(360, 0.0f);
    const double area = totalArea(m);
    EXPECT_GT(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), 0);
    EXPECT_GT(totalArea(m), 0.99 * area);
    EXPECT_GE(m.faceCount, 45);
}

TEST(Optimize, WideThresholdsNeverEraseTheSurface) {
    // cutting a corner of the square bends its rim by 45 degrees: refused at 30 degrees
    Mesh m = hostkit::makeGridMesh(10, 2.0f);
    const double area = totalArea(m);
    m.Optimize(30 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr);
    EXPECT_EQ(m.faceCount, 2);
    EXPECT_NEAR(totalArea(m), area, 1e-5);
    // at nearly 90 degrees corners may go, but the last face is no ear to drop
    Mesh wide = hostkit::makeGridMesh(10, 2.0f);
    wide.Optimize(89 * kDegree, 89 * kDegree, 0.1f, kAllFlags, nullptr);
    EXPECT_GE(wide.faceCount, 1);
    EXPECT_GT(totalArea(wide), 0.25 * area);
}

TEST(Optimize, FullBiasNeverWorsensTheWorstTriangle) {
    Mesh m = noisySurface(30, 5);
    const double before = minQuality(m);
    EXPECT_GT(m.Optimize(30 * kDegree, kFourDegrees, 1.0f, 0, nullptr), 0);
    EXPECT_GE(minQuality(m), before);
}

TEST(Optimize, KeepsEveryMeshOfTheFamilyValid) {
    for (NamedMesh& named : smallFamily()) {
        for (float degrees : {4.0f, 45.0f}) {
            Mesh m = named.mesh;
            const int faces = m.faceCount;
            const int removed =
                m.Optimize(degrees * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr);
            EXPECT_EQ(removed, faces - m.faceCount) << named.name;
            expectValidResult(named.mesh, m, named.closed, named.name.c_str());
            if (named.closed) {
                EXPECT_GT(signedVolume(m), 0) << named.name;
            }
        }
    }
}

// Outward direction of a crowded shape at a point, where one is easy to state.
Vec3d outwardAt(const std::string& shape, const Vec3d& p) {
    if (shape == "poles") return p;
    if (shape == "cylinder") return p - Vec3d(0, 0, 1);
    return {0, 0, 1}; // fan, cone, hub, strip and noisy face up everywhere
}

TEST(Optimize, CrowdedShapesKeepTheirInvariantsAtEveryThreshold) {
    struct Setting {
        float normal, edge, bias;
        int flags;
    };
    const Setting settings[] = {
        {4, 4, 0.1f, kAllFlags}, {0, 0, 0, kAllFlags}, {89, 89, 1, kAllFlags}, {89, 89, 0, 0}};
    for (NamedMesh& named : crowdedFamily(3000)) {
        for (const Setting& s : settings) {
            SCOPED_TRACE(named.name + " at " + std::to_string(s.normal) + " degrees, flags " +
                         std::to_string(s.flags));
            Mesh m = named.mesh;
            const int removed =
                m.Optimize(s.normal * kDegree, s.edge * kDegree, s.bias, s.flags, nullptr);
            EXPECT_EQ(removed, named.mesh.faceCount - m.faceCount);
            expectValidResult(named.mesh, m, named.closed, named.name.c_str());
            if (named.closed) {
                EXPECT_GT(signedVolume(m), 0);
            }
            // no face turned over: flat shapes at any threshold, the rest while faces stay
            // within a few degrees of the surface
            const bool flat = named.name == "fan" || named.name == "hub";
            if (named.name != "islands" && (flat || s.normal <= 4))
                for (int f = 0; f < m.faceCount; ++f) {
                    const MeshFace& face = m.faces[f];
                    const Vec3d centroid =
                        (position(m, face.v[0]) + position(m, face.v[1]) + position(m, face.v[2])) *
                        (1.0 / 3);
                    ASSERT_GT(hostkit::opt::dot(faceNormal(m, f), outwardAt(named.name, centroid)),
                              0)
                        << "face " << f;
                }
            // the caps of the cylinder keep their own materials on their own planes
            if (named.name == "cylinder" && (s.flags & OPTIMIZE_KEEP_MATERIALS))
                for (int f = 0; f < m.faceCount; ++f) {
                    const uint32_t id = m.faces[f].getMatID();
                    if (id > 1) continue;
                    for (uint32_t v : m.faces[f].v) ASSERT_EQ(m.vertices[v].z, id == 0 ? 0 : 2);
                }
            // the crowded centres do not stop the rest of the shape from simplifying
            if ((flat || named.name == "cylinder") && s.normal == 4) {
                EXPECT_LT(m.faceCount, named.mesh.faceCount / 5);
            }
        }
    }
}

// A fan of d faces around vertex 0 whose faces take material ids by part: a part starts
// at each given face.
Mesh fanWithMaterialParts(int d, std::initializer_list<int> partStarts) {
    Mesh m = fan(d, 0.0f);
    for (int f = 0; f < d; ++f) {
        int part = 0;
        for (int start : partStarts) part += f >= start;
        m.faces[f].setMatID(uint32_t(part % std::max<size_t>(partStarts.size(), 1)));
    }
    return m;
}

TEST(Optimize, SmallAndLargeStarsClassifyTheirCentreAlike) {
    using namespace hostkit::opt;
    // 12 faces are matched pairwise, 60 are tallied through vertex slots: both must see
    // the same lines
    for (int d : {12, 60}) {
        SCOPED_TRACE(d);
        auto centreOf = [&](Mesh& m, int flags) {
            WorkState ws(m, makeSettings(kFourDegrees, kFourDegrees, 0.1f, flags));
            initWorkState(ws);
            Star star;
            analyzeStar(ws, 0, star);
            return star;
        };
        Mesh plain = fan(d, 0.0f);
        Star star = centreOf(plain, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Interior);
        ASSERT_EQ(star.ring.size(), size_t(d));
        EXPECT_TRUE(std::is_sorted(star.ring.begin(), star.ring.end()));

        Mesh halves = fanWithMaterialParts(d, {0, d / 2});
        star = centreOf(halves, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Line);
        EXPECT_EQ(std::set<uint32_t>(star.lineEnds, star.lineEnds + 2),
                  (std::set<uint32_t>{1, uint32_t(d / 2 + 1)}));
        EXPECT_EQ(centreOf(halves, 0).cls, VertexClass::Interior) << "materials not kept";

        Mesh thirds = fanWithMaterialParts(d, {0, d / 3, 2 * d / 3});
        EXPECT_EQ(centreOf(thirds, kAllFlags).cls, VertexClass::Locked);
        Mesh zigzag = fan(d, 0.5f); // every spoke a crease
        EXPECT_EQ(centreOf(zigzag, kAllFlags).cls, VertexClass::Locked);

        // a third face on one spoke makes it non-manifold
        Mesh extra = fan(d, 0.0f);
        extra.setNumVerts(d + 2, true);
        extra.vertices[d + 1] = Point3(0.5f, 0.5f, 1);
        extra.setNumFaces(d + 1, true);
        extra.faces[d].v[0] = 0;
        extra.faces[d].v[1] = 1;
        extra.faces[d].v[2] = uint32_t(d + 1);
        EXPECT_EQ(centreOf(extra, kAllFlags).cls, VertexClass::Locked);
    }
}

TEST(Optimize, StopsWhenProgressSaysSoAndLeavesAValidMesh) {
    const Mesh original = hostkit::makeGridMesh(60, 2.0f);
    Mesh m = original;
    StopAfter stop(1);
    const int removed = m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, &stop);
    EXPECT_GT(m.faceCount, 2);
    EXPECT_EQ(removed, original.faceCount - m.faceCount);
    EXPECT_NEAR(totalArea(m), totalArea(original), 1e-4);
    expectValidResult(original, m, false, "stopped grid");
}

TEST(Optimize, RebuildsNormalsThatWereBuilt) {
    Mesh m = hostkit::makeGridMesh(6, 2.0f);
    m.buildNormals();
    if (!m.hasNormals) GTEST_SKIP() << "buildNormals not available";
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
    ASSERT_NE(m.faceNormals, nullptr);
    for (int f = 0; f < m.faceCount; ++f) EXPECT_NEAR(m.faceNormals[f].z, 1, 1e-6);
}

TEST(Optimize, TextureTrianglesKeepTheirWinding) {
    // the sphere's mapping runs one way round every face; no face may turn it over
    Mesh m = hostkit::makeSphereMesh(1, 96);
    auto windings = [](const Mesh& mesh) {
        int positive = 0, negative = 0;
        for (int f = 0; f < mesh.faceCount; ++f) {
            const UVVert& a = mesh.texVerts[mesh.texFaces[f].t[0]];
            const UVVert& b = mesh.texVerts[mesh.texFaces[f].t[1]];
            const UVVert& c = mesh.texVerts[mesh.texFaces[f].t[2]];
            double area = double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x);
            positive += area > 0;
            negative += area < 0;
        }
        return std::pair{positive, negative};
    };
    const auto [positiveBefore, negativeBefore] = windings(m);
    ASSERT_TRUE(positiveBefore == 0 || negativeBefore == 0);
    EXPECT_GT(m.Optimize(8 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr), 0);
    const auto [positiveAfter, negativeAfter] = windings(m);
    EXPECT_EQ(positiveBefore == 0 ? positiveAfter : negativeAfter, 0);
}

TEST(Optimize, KeepsVerticesThatNoFaceUsedBefore) {
    Mesh m = hostkit::makeGridMesh(8, 2.0f);
    const int used = m.vertexCount;
    m.setNumVerts(used + 1, true);
    m.vertices[used] = Point3(5, 6, 7); // a loose point the caller keeps for its own reasons
    m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr);
    ASSERT_EQ(m.faceCount, 2);
    EXPECT_EQ(m.vertexCount, 5);
    EXPECT_EQ(m.vertices[m.vertexCount - 1], Point3(5, 6, 7));
}

TEST(Optimize, LeavesZeroAreaAndImproperFacesAsTheyAre) {
    for (Mesh original : {zeroAreaFaces(), repeatedIndexFaces()}) {
        Mesh m = original;
        m.Optimize(45 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr);
        auto flatFaces = [](const Mesh& mesh) {
            std::multiset<std::tuple<float, float, float>> corners;
            for (int f = 0; f < mesh.faceCount; ++f) {
                if (faceArea(mesh, f) > 0) continue;
                for (uint32_t v : mesh.faces[f].v)
                    if (v < uint32_t(mesh.vertexCount))
                        corners.insert(
                            {mesh.vertices[v].x, mesh.vertices[v].y, mesh.vertices[v].z});
            }
            return corners;
        };
        EXPECT_EQ(flatFaces(m), flatFaces(original));
    }
}

TEST(Optimize, ZeroThicknessPillowStaysManifold) {
    const Mesh original = zeroThicknessPillow(6);
    for (const auto& [edge, count] : edgeFaceCounts(original)) ASSERT_EQ(count, 2);
    Mesh m = original;
    EXPECT_GT(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), 0);
    expectValidResult(original, m, true, "pillow");
}

TEST(Optimize, FlatTetrahedronKeepsItsFourFaces) {
    // merging the apex into a base corner passes the link condition but would lay the one
    // moved side face on the base, back to back
    Mesh m;
    m.setNumVerts(4);
    m.vertices[0] = Point3(1, 0, 0);
    m.vertices[1] = Point3(-0.5f, 0.866f, 0);
    m.vertices[2] = Point3(-0.5f, -0.866f, 0);
    m.vertices[3] = Point3(0, 0, 0.05f);
    m.setNumFaces(4);
    const uint32_t faces[4][3] = {{0, 2, 1}, {3, 0, 1}, {3, 1, 2}, {3, 2, 0}};
    for (int f = 0; f < 4; ++f)
        for (int k = 0; k < 3; ++k) m.faces[f].v[k] = faces[f][k];
    const Mesh original = m;
    EXPECT_EQ(m.Optimize(30 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr), 0);
    expectValidResult(original, m, true, "flat tetrahedron");
}

TEST(Optimize, RefusesACollapseThatFoldsTheTexture) {
    Mesh m = fanWithFoldingTexture();
    EXPECT_EQ(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), 2);
    for (int f = 0; f < m.faceCount; ++f) {
        const UVVert& a = m.texVerts[m.texFaces[f].t[0]];
        const UVVert& b = m.texVerts[m.texFaces[f].t[1]];
        const UVVert& c = m.texVerts[m.texFaces[f].t[2]];
        EXPECT_GT(double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x), 0);
    }
}

TEST(Optimize, SurvivesRandomFaceSoups) {
    // grids with some indices scrambled (some out of range) and random faces added
    std::mt19937 rng(17);
    int totalRemoved = 0;
    for (int round = 0; round < 200; ++round) {
        Mesh m = hostkit::makeGridMesh(3 + round % 4, 2.0f);
        m.setTexFacesEnabled(false);
        const int vertices = m.vertexCount, gridFaces = m.faceCount;
        if (round % 2) // lift some vertices off the plane
            for (int v = 0; v < vertices; ++v) m.vertices[v].z = float(rng() % 3) * 0.1f;
        m.setNumFaces(gridFaces + int(rng() % 4), true);
        for (int f = 0; f < m.faceCount; ++f)
            for (uint32_t& v : m.faces[f].v)
                if (f >= gridFaces || rng() % 16 == 0) v = uint32_t(rng() % uint32_t(vertices + 1));
        const Mesh original = m;
        const int removed = m.Optimize(30 * kDegree, kFourDegrees, 0.1f, kAllFlags, nullptr);
        EXPECT_EQ(removed, original.faceCount - m.faceCount);
        expectValidResult(original, m, false, "soup");
        totalRemoved += removed;
    }
    EXPECT_GT(totalRemoved, 0); // the soups did give collapses something to do
}

TEST(Optimize, StarsWithoutTheirConesChooseTheSameCollapse) {
    using namespace hostkit::opt;
    // the passes analyse a star without its side cones and work them out only once a target
    // passes the other tests: that must choose the same target at the same cost, or none,
    // as the full analysis, at thresholds where cones lock some stars and refuse some targets.
    // Once collapses have given faces wide cones (worn), a star analysed without its side
    // cones also refuses targets against its widest face cone before working them out
    const std::tuple<float, float> settings[] = {
        {kFourDegrees, 0.1f}, {30 * kDegree, 0.0f}, {90 * kDegree, 1.0f}};
    size_t collapses[2] = {0, 0}, refusals[2] = {0, 0};
    for (NamedMesh& named : testFamily()) {
        for (const auto& [angle, bias] : settings) {
            for (const bool worn : {false, true}) {
                Mesh mesh = named.mesh;
                WorkState ws(mesh, makeSettings(angle, angle, bias, kAllFlags));
                initWorkState(ws);
                Star full, shape;
                CollapseScratch fullScratch, shapeScratch;
                // wear the mesh: every legal collapse of every other vertex
                for (uint32_t u = 0; worn && u < uint32_t(mesh.vertexCount); u += 2) {
                    analyzeStar(ws, u, full);
                    double cost = -1;
                    const uint32_t v = bestCollapse(ws, full, fullScratch, cost);
                    if (v != kNone) applyCollapse(ws, full, v, fullScratch);
                }
                for (uint32_t u = 0; u < uint32_t(mesh.vertexCount); ++u) {
                    analyzeStar(ws, u, full);
                    analyzeStarShape(ws, u, shape);
                    double fullCost = -1, shapeCost = -1;
                    const uint32_t target = bestCollapse(ws, full, fullScratch, fullCost);
                    ASSERT_EQ(bestCollapse(ws, shape, shapeScratch, shapeCost), target)
                        << named.name << " vertex " << u << " at " << angle << " worn " << worn;
                    if (target == kNone) {
                        refusals[worn] += full.cls != VertexClass::Locked;
                        continue;
                    }
                    EXPECT_EQ(shapeCost, fullCost) << named.name << " vertex " << u; // same bits
                    ++collapses[worn];
                }
            }
        }
    }
    // fresh and worn stars both collapsed, and worn ones were refused
    EXPECT_GT(collapses[false], 1000u);
    EXPECT_GT(collapses[true], 1000u);
    EXPECT_GT(refusals[true], 1000u);
}

TEST(Optimize, ACentreMergesIntoItsNearestLegalNeighbour) {
    using namespace hostkit::opt;
    // flat fans whose rings are numbered out of angular order, at random distances (some
    // rings fold, so the nearest neighbours are refused now and then) or all at one distance
    // (ties go to the lower vertex index): the target chosen is the nearest of the targets
    // that pass every test, whichever the others are
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    const float even[8][2] = {{5, 0}, {3, 4}, {0, 5}, {-3, 4}, {-5, 0}, {-4, -3}, {0, -5}, {4, -3}};
    size_t chosen = 0, notNearest = 0, tied = 0;
    for (int i = 0; i < 400; ++i) {
        const bool ties = i % 4 == 0;
        const int d = ties ? 8 : 4 + i % 7;
        std::vector<uint32_t> order(static_cast<size_t>(d)); // ring place -> vertex
        std::iota(order.begin(), order.end(), 1u);
        std::shuffle(order.begin(), order.end(), rng);
        Mesh m;
        m.setNumVerts(d + 1);
        m.vertices[0] = Point3(0, 0, 0);
        for (int k = 0; k < d; ++k) {
            const double angle = 2 * std::numbers::pi * (k + 0.4 * unitInterval(rng)) / d;
            const double radius = 0.3 + 1.2 * unitInterval(rng);
            m.vertices[order[k]] =
                ties ? Point3(even[k][0], even[k][1], 0)
                     : Point3(float(radius * std::cos(angle)), float(radius * std::sin(angle)), 0);
        }
        m.setNumFaces(d);
        for (int k = 0; k < d; ++k) {
            m.faces[k].v[0] = 0;
            m.faces[k].v[1] = order[k];
            m.faces[k].v[2] = order[(k + 1) % d];
        }
        WorkState ws(m, makeSettings(30 * kDegree, 30 * kDegree, 0.0f, 0));
        initWorkState(ws);
        Star star;
        CollapseScratch scratch;
        analyzeStar(ws, 0, star);
        ASSERT_EQ(star.cls, VertexClass::Interior) << i;
        // the nearest legal target, and the nearest of all
        std::pair<double, uint32_t> best{0, kNone}, nearest{0, kNone};
        for (uint32_t v = 1; v <= uint32_t(d); ++v) {
            const Vec3d to = ws.position(v) - ws.position(0);
            const std::pair<double, uint32_t> entry{dot(to, to), v};
            if (nearest.second == kNone || entry < nearest) nearest = entry;
            if (collapseGeometryCost(ws, star, v, scratch) < 0 ||
                !collapseKeepsTopology(ws, star, v))
                continue;
            if (best.second == kNone || entry < best) best = entry;
        }
        double cost = -1;
        EXPECT_EQ(bestCollapse(ws, star, scratch, cost), best.second) << i;
        chosen += best.second != kNone;
        notNearest += best.second != kNone && best.second != nearest.second;
        tied += ties && best.second != kNone;
    }
    // most fans collapse, some not into their nearest neighbour, and ties were met
    EXPECT_GT(chosen, 300u);
    EXPECT_GT(notNearest, 10u);
    EXPECT_GT(tied, 50u);
}

TEST(Optimize, StarsTheScreenRefusesHaveNoLegalCollapse) {
    using namespace hostkit::opt;
    // the passes screen a small star before classifying it: a star the screen refuses must
    // have no legal collapse, and the neighbours it refused on the way (skipped later) must
    // not include the target the full analysis chooses; at biases where the quality bound
    // refuses most stars, some, or few
    const float biases[] = {1.0f, 0.5f, 0.1f};
    size_t screenRefused = 0, collapses = 0;
    for (NamedMesh& named : testFamily()) {
        for (const float bias : biases) {
            WorkState ws(named.mesh, makeSettings(90 * kDegree, 90 * kDegree, bias, kAllFlags));
            initWorkState(ws);
            Star full, screened;
            CollapseScratch fullScratch, screenedScratch;
            for (uint32_t u = 0; u < uint32_t(named.mesh.vertexCount); ++u) {
                analyzeStar(ws, u, full);
                double fullCost = -1, screenedCost = -1;
                const uint32_t target = bestCollapse(ws, full, fullScratch, fullCost);
                if (!gatherStar(ws, u, screened)) {
                    EXPECT_EQ(target, kNone) << named.name << " vertex " << u;
                    continue;
                }
                const bool refused = refusedByShape(ws, screened);
                for (uint32_t w : screened.refused) { // each for a reason the collapse tests share
                    if (full.cls != VertexClass::Locked) {
                        EXPECT_LT(collapseGeometryCost(ws, full, w, fullScratch), 0)
                            << named.name << " vertex " << u << " into " << w;
                    }
                }
                if (refused) {
                    ++screenRefused;
                    EXPECT_EQ(target, kNone) << named.name << " vertex " << u << " bias " << bias;
                    for (uint32_t w : full.ring) // every neighbour was tried
                        EXPECT_NE(std::find(screened.refused.begin(), screened.refused.end(), w),
                                  screened.refused.end())
                            << named.name << " vertex " << u << " neighbour " << w;
                    continue;
                }
                classifyStar(ws, screened);
                ASSERT_EQ(bestCollapse(ws, screened, screenedScratch, screenedCost), target)
                    << named.name << " vertex " << u << " bias " << bias;
                if (target == kNone) continue;
                EXPECT_EQ(screenedCost, fullCost) << named.name << " vertex " << u;
                ++collapses;
            }
        }
    }
    // the screen refused stars, and let through stars with collapses
    EXPECT_GT(screenRefused, 1000u);
    EXPECT_GT(collapses, 1000u);
}

TEST(Optimize, CrowdedStarsDecideAlikeInAnyFaceOrder) {
    using namespace hostkit::opt;
    // a crowded star looks for a target's refusal next to the faces on its edge first,
    // counting on faces coming in ring order: in any other order the same targets must be
    // refused and the others cost the same. Fans whose rims wander in and out, so that moves
    // to some rim vertices flip or flatten faces next to the edge, and with some rim vertices
    // near the centre, which it may move to
    std::mt19937 random(7);
    std::uniform_real_distribution<float> radius(0.97f, 1.03f), height(-0.0005f, 0.0005f);
    std::bernoulli_distribution pulled(0.05); // a rim vertex near the centre: a cheap target
    size_t refused = 0, passed = 0;
    for (int copy = 0; copy < 18; ++copy) {
        const int d = copy % 3 == 0 ? 30 : copy % 3 == 1 ? 64 : 200;
        for (const bool mapped : {false, true}) {
            Mesh m = fan(d, 0.0f);
            for (int i = 1; i <= d; ++i) {
                const float r = pulled(random) ? 0.02f : radius(random);
                m.vertices[i] = Point3(m.vertices[i].x * r, m.vertices[i].y * r, height(random));
            }
            if (mapped) m.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, Matrix3());
            for (const float bias : {1.0f, 0.3f}) {
                SCOPED_TRACE(testing::Message()
                             << d << " faces, bias " << bias << ", mapped " << mapped);
                WorkState ws(m, makeSettings(80 * kDegree, 80 * kDegree, bias, 0));
                initWorkState(ws);
                for (const bool cones : {false, true}) {
                    Star star;
                    if (cones)
                        analyzeStar(ws, 0, star);
                    else
                        analyzeStarShape(ws, 0, star);
                    ASSERT_EQ(star.faces.size(), size_t(d));
                    ASSERT_EQ(star.cls, VertexClass::Interior);
                    Star shuffled = star;
                    std::vector<uint32_t> order(star.faces.size());
                    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
                    std::shuffle(order.begin(), order.end(), random);
                    for (uint32_t i = 0; i < order.size(); ++i) {
                        shuffled.faces[i] = star.faces[order[i]];
                        if (mapped) shuffled.texture[i] = star.texture[order[i]];
                    }
                    CollapseScratch scratch, shuffledScratch;
                    for (uint32_t w : star.ring) {
                        const double cost = collapseGeometryCost(ws, star, w, scratch);
                        EXPECT_EQ(collapseGeometryCost(ws, shuffled, w, shuffledScratch), cost)
                            << "into " << w;
                        ++(cost < 0 ? refused : passed);
                    }
                }
            }
        }
    }
    // both outcomes were compared
    EXPECT_GT(refused, 1000u);
    EXPECT_GT(passed, 20u);
}

namespace {

// Stops the passes after a given number of reports (one per pass) and counts them.
class StopAfterPasses : public MeshOpProgress {
  public:
    explicit StopAfterPasses(int passes) : left_(passes) {}
    void Init(int) override {}
    bool Progress(int) override {
        ++reports;
        return --left_ > 0;
    }
    int reports = 0;

  private:
    int left_;
};

} // namespace

TEST(Optimize, RememberedDeferralsMakeTheSameCollapsesPassByPass) {
    using namespace hostkit::opt;
    // a vertex whose collapse waited for a higher limit is not looked at again while neither
    // its star nor its target's faces change: stopped after any pass, the passes must have
    // made the same collapses as when every queued vertex is looked at. Thresholds where
    // most collapses wait (90 degrees, no bias) and where few do
    const std::tuple<float, float, int> settings[] = {{90 * kDegree, 0.0f, 0},
                                                      {45 * kDegree, 0.3f, 3},
                                                      {kFourDegrees, 0.1f, kAllFlags},
                                                      {90 * kDegree, 1.0f, kAllFlags}};
    std::vector<NamedMesh> meshes = testFamily();
    meshes.push_back({"noisy40", noisySurface(40, 7)});
    meshes.push_back({"subdividedCube10", subdividedCube(10), true});
    Mesh mapped = noisySurface(30, 3); // texture seams make lines
    mapped.ApplyUVWMap(MAP_CYLINDRICAL, 2, 1, 1, 0, 0, 0, 1, Matrix3());
    meshes.push_back({"mappedNoisy30", std::move(mapped)});
    size_t compared = 0;
    for (const NamedMesh& named : meshes) {
        for (const auto& [angle, bias, flags] : settings) {
            // the first passes one by one, then to the end
            for (int passes : {1, 2, 3, 4, 5, 6, 1000}) {
                SCOPED_TRACE(named.name + " at " + std::to_string(angle / kDegree) +
                             " degrees, bias " + std::to_string(bias) + ", " +
                             std::to_string(passes) + " passes");
                Mesh remembered = named.mesh, looked = named.mesh;
                WorkState wsRemembered(remembered, makeSettings(angle, angle, bias, flags));
                WorkState wsLooked(looked, makeSettings(angle, angle, bias, flags));
                initWorkState(wsRemembered);
                initWorkState(wsLooked);
                StopAfterPasses stopRemembered(passes), stopLooked(passes);
                const int removed = runCollapsePasses(wsRemembered, &stopRemembered, true);
                ASSERT_EQ(runCollapsePasses(wsLooked, &stopLooked, false), removed);
                ASSERT_EQ(stopRemembered.reports, stopLooked.reports);
                for (int f = 0; f < remembered.faceCount; ++f) {
                    ASSERT_EQ(wsRemembered.faceDead[f], wsLooked.faceDead[f]) << "face " << f;
                    for (int k = 0; k < 3; ++k) {
                        ASSERT_EQ(remembered.faces[f].v[k], looked.faces[f].v[k]) << "face " << f;
                        if (remembered.texFaces) {
                            ASSERT_EQ(remembered.texFaces[f].t[k], looked.texFaces[f].t[k]);
                        }
                    }
                }
                ++compared;
                if (stopLooked.reports < passes) break; // the passes had ended
            }
        }
    }
    EXPECT_GT(compared, 300u) << compared; // many meshes ran more than a few passes
}

namespace {

// A vertex's live faces as a state of the passes left them: face, vertices, texture corners
// and what the collapses keep of the face (unit normal and cone, compared bit for bit).
std::vector<std::vector<uint32_t>> liveFacesAt(const hostkit::opt::WorkState& ws, uint32_t v) {
    std::vector<std::vector<uint32_t>> faces;
    for (int f = 0; f < ws.mesh.faceCount; ++f) {
        const MeshFace& face = ws.mesh.faces[f];
        if (ws.faceDead[f] || (face.v[0] != v && face.v[1] != v && face.v[2] != v)) continue;
        std::vector<uint32_t> entry{uint32_t(f), face.v[0], face.v[1], face.v[2]};
        if (ws.mesh.texFaces)
            entry.insert(entry.end(), ws.mesh.texFaces[f].t, ws.mesh.texFaces[f].t + 3);
        const hostkit::opt::FaceWork& work = ws.faceWork[f];
        uint32_t words[sizeof(work) / 4];
        std::memcpy(words, &work, sizeof(work));
        entry.insert(entry.end(), words, words + sizeof(work) / 4);
        faces.push_back(std::move(entry));
    }
    return faces;
}

} // namespace

TEST(Optimize, AStarNoCollapseTouchedChoosesItsTargetAgainUnlessTheTargetChanged) {
    using namespace hostkit::opt;
    // what lets the passes skip a look: while a vertex's faces (and line cone) stay as they
    // were, its look chooses the same target at the same cost as long as that target's faces
    // stay too; when only the target's faces changed, it refuses that target or keeps it,
    // never choosing a nearer neighbour; and a vertex with no legal collapse still has none.
    // Compared between the states two successive passes leave
    const std::tuple<float, float, int> settings[] = {
        {90 * kDegree, 0.0f, 0}, {30 * kDegree, 0.1f, 1}, {kFourDegrees, 0.1f, kAllFlags}};
    std::vector<NamedMesh> meshes = smallFamily();
    meshes.push_back({"strip", wavyStrip(1500)});
    meshes.push_back({"sphere40", hostkit::makeSphereMesh(1, 40), true});
    meshes.push_back({"subdividedCube10", subdividedCube(10), true});
    Mesh mapped = noisySurface(30, 3);
    mapped.ApplyUVWMap(MAP_CYLINDRICAL, 2, 1, 1, 0, 0, 0, 1, Matrix3());
    meshes.push_back({"mappedNoisy30", std::move(mapped)});
    size_t same = 0, targetChanged = 0;
    for (const NamedMesh& named : meshes) {
        for (const auto& [angle, bias, flags] : settings) {
            for (int passes = 1; passes <= 6; ++passes) {
                SCOPED_TRACE(named.name + " at " + std::to_string(angle / kDegree) +
                             " degrees, after " + std::to_string(passes) + " passes");
                Mesh before = named.mesh, after = named.mesh;
                WorkState wsBefore(before, makeSettings(angle, angle, bias, flags));
                WorkState wsAfter(after, makeSettings(angle, angle, bias, flags));
                initWorkState(wsBefore);
                initWorkState(wsAfter);
                StopAfterPasses stopBefore(passes), stopAfter(passes + 1);
                runCollapsePasses(wsBefore, &stopBefore, false);
                runCollapsePasses(wsAfter, &stopAfter, false);
                Star star;
                CollapseScratch scratch;
                for (uint32_t u = 0; u < uint32_t(before.vertexCount); ++u) {
                    if (wsAfter.vertexFlags[u] & kDead) continue;
                    if (liveFacesAt(wsBefore, u) != liveFacesAt(wsAfter, u) ||
                        std::memcmp(&wsBefore.lineCone[u], &wsAfter.lineCone[u],
                                    sizeof(DirectionCone)) != 0)
                        continue;
                    double costBefore = -1, costAfter = -1;
                    analyzeStarShape(wsBefore, u, star);
                    const uint32_t was = bestCollapse(wsBefore, star, scratch, costBefore);
                    analyzeStarShape(wsAfter, u, star);
                    const uint32_t is = bestCollapse(wsAfter, star, scratch, costAfter);
                    if (was == kNone) {
                        EXPECT_EQ(is, kNone) << "vertex " << u;
                        continue;
                    }
                    if (liveFacesAt(wsBefore, was) == liveFacesAt(wsAfter, was)) {
                        ASSERT_EQ(is, was) << "vertex " << u;
                        EXPECT_EQ(costAfter, costBefore) << "vertex " << u; // same bits
                        ++same;
                        continue;
                    }
                    ++targetChanged;
                    if (is == was) {
                        EXPECT_EQ(costAfter, costBefore) << "vertex " << u;
                    } else if (is != kNone) { // a farther neighbour (nearest first, then index)
                        auto rank = [&](uint32_t w) {
                            const Vec3d d = position(before, w) - position(before, u);
                            return std::make_pair(hostkit::opt::dot(d, d), w);
                        };
                        EXPECT_GT(rank(is), rank(was)) << "vertex " << u;
                    }
                }
            }
        }
    }
    // the passes left many stars untouched, some beside a changed target
    EXPECT_GT(same, 1000u) << same;
    EXPECT_GT(targetChanged, 20u) << targetChanged;
}

// The queue read back from the flags: every length around the eight-flag steps, flags of
// every combination (queued and merged away, other bits set or not), against one flag at a
// time.
TEST(Optimize, QueuedVerticesReadBackFromTheFlagsInOrder) {
    using namespace hostkit::opt;
    std::mt19937 random(29);
    for (size_t count = 0; count <= 40; ++count) {
        for (int trial = 0; trial < 20; ++trial) {
            hostkit::LargeVector<uint8_t> flags(count);
            for (uint8_t& f : flags) f = uint8_t(random());
            if (trial == 0) std::fill(flags.begin(), flags.end(), uint8_t(kDirty | kUsed));
            hostkit::LargeVector<uint32_t> expected{7}, found{7}; // appended to what is there
            for (size_t v = 0; v < count; ++v)
                if ((flags[v] & kDirty) && !(flags[v] & kDead)) expected.push_back(uint32_t(v));
            appendQueuedVertices(flags, found);
            ASSERT_EQ(found, expected) << count << " flags, trial " << trial;
        }
    }
}
