// Mesh::Optimize: decimation results and the invariants every result keeps (the cones and
// the steps have tests of their own).
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/optimize_cone.h"
#include "hostkit/mesh/optimize_order.h"
#include "hostkit/mesh/optimize_state.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "optimize_test_support.h"
#include "support/mesh_family.h"

using hostkit::opt::Vec3d;
using namespace optimize_test;

namespace {

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

// The working normals are kept in floats, so two faces of one plane can have normals whose
// dot product falls short of 1 by float rounding: a threshold far below a degree must still
// read them as flat, and still hold a fold above it.
TEST(Optimize, TinyThresholdsTellAFlatTiltedPlaneFromAFold) {
    const double a = 0.7, b = 0.4; // turns about z, then about x
    auto tilted = [&](float foldSlope) {
        Mesh m = hostkit::makeGridMesh(12, 2.0f);
        for (int v = 0; v < m.vertexCount; ++v) {
            const Point3 p = m.vertices[v];
            const double z = p.x > 0 ? foldSlope * p.x : 0; // folded along x = 0
            const double x = std::cos(a) * p.x - std::sin(a) * p.y;
            const double y = std::sin(a) * p.x + std::cos(a) * p.y;
            m.vertices[v] = Point3(float(x), float(std::cos(b) * y - std::sin(b) * z),
                                   float(std::sin(b) * y + std::cos(b) * z));
        }
        for (int f = 0; f < m.faceCount; ++f) m.faces[f].flags &= ~MeshFace::kEdgeAll;
        return m;
    };
    const float tiny = 2e-5f; // about a thousandth of a degree
    Mesh flat = tilted(0);
    flat.Optimize(tiny, tiny, 0.1f, kAllFlags, nullptr);
    ASSERT_EQ(flat.faceCount, 2);
    int visible = 0;
    for (int f = 0; f < flat.faceCount; ++f)
        for (int e = 0; e < 3; ++e) visible += flat.faces[f].getEdgeVis(e);
    EXPECT_EQ(visible, 4) << "the outline shows, the diagonal does not";

    // a fold of 1e-4 radians, five times the threshold: each side simplifies, and no face
    // reaches across the fold
    Mesh folded = tilted(1e-4f);
    const int before = folded.faceCount;
    EXPECT_GT(folded.Optimize(tiny, tiny, 0.1f, kAllFlags, nullptr), before / 2);
    for (int f = 0; f < folded.faceCount; ++f) {
        bool left = false, right = false;
        for (uint32_t v : folded.faces[f].v) { // the grid's x, the turns undone
            const Point3 p = folded.vertices[v];
            const double y = std::cos(b) * p.y + std::sin(b) * p.z;
            const double x = std::cos(a) * p.x + std::sin(a) * y;
            left |= x < -1e-4;
            right |= x > 1e-4;
        }
        EXPECT_FALSE(left && right) << "face " << f << " reaches across the fold";
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

// Edge visibility set by the operation, edge by edge, against the angle between the
// normals of the faces the result has there (edges too near the threshold to tell are left
// out): on curved surfaces most faces have moved, so a normal kept from before a move, or
// one of another face, shows here.
void expectEdgesFollowTheResultsNormals(const Mesh& m, double threshold, const char* name) {
    struct Use {
        int face;
        int edge;
        bool outgoing; // runs from the lower vertex to the higher
    };
    std::map<EdgeKey, std::vector<Use>> uses;
    for (int f = 0; f < m.faceCount; ++f)
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = m.faces[f].v[k], b = m.faces[f].v[(k + 1) % 3];
            uses[{std::min(a, b), std::max(a, b)}].push_back({f, k, a < b});
        }
    int compared = 0;
    for (const auto& [edge, faces] : uses) {
        bool visible = true;
        if (faces.size() == 2) {
            const Vec3d n1 = faceNormal(m, faces[0].face);
            Vec3d n2 = faceNormal(m, faces[1].face);
            if (faces[0].outgoing == faces[1].outgoing) n2 = -n2;
            const double angle = hostkit::opt::angleBetween(n1, n2);
            if (std::abs(angle - threshold) < 1e-9) continue;
            visible = angle >= threshold;
            ++compared;
        }
        for (const Use& use : faces)
            ASSERT_EQ(m.faces[use.face].getEdgeVis(use.edge), visible)
                << name << ": edge " << edge.first << "-" << edge.second;
    }
    EXPECT_GT(compared, 50) << name;
}

// A zero-area face has no normal: its edges shared with a face count as no turn at all, so
// only its free edge shows (a fast path on the normals' cosine must not read the zero
// normal's cosine 0 as a right angle).
TEST(Optimize, AutoEdgeShowsOnlyTheFreeEdgeOfAZeroAreaFace) {
    Mesh m = zeroAreaFaces();
    m.Optimize(kFourDegrees, 10 * kDegree, 0.1f, kAllFlags, nullptr);
    ASSERT_EQ(m.faceCount, 4); // every star holds a zero-area face: nothing moves
    const MeshFace& collinear = m.faces[2];
    ASSERT_EQ(faceArea(m, 2), 0);
    for (int e = 0; e < 3; ++e) {
        const uint32_t a = collinear.v[e], b = collinear.v[(e + 1) % 3];
        const bool free = std::min(a, b) == 0 && std::max(a, b) == 2; // the crack's bottom
        EXPECT_EQ(collinear.getEdgeVis(e), free) << "edge " << a << "-" << b;
    }
}

TEST(Optimize, AutoEdgeFollowsTheNormalsOfMovedFaces) {
    const double threshold = 10 * kDegree;
    Mesh noisy = noisySurface(40, 3);
    EXPECT_GT(noisy.Optimize(20 * kDegree, float(threshold), 0.3f, kAllFlags, nullptr), 0);
    expectEdgesFollowTheResultsNormals(noisy, float(threshold), "noisy");

    Mesh sphere = hostkit::makeSphereMesh(1.0f, 48);
    EXPECT_GT(sphere.Optimize(15 * kDegree, float(threshold), 0.1f, kAllFlags, nullptr), 0);
    expectEdgesFollowTheResultsNormals(sphere, float(threshold), "sphere");
}

// On a rough surface most vertices are told locked by their edges and have their edges'
// visibility set on the way; a fin on one edge (a third face, running along it as one of
// the two does) must not pass for a fan there: the edge shows on all three faces.
TEST(Optimize, AutoEdgeShowsAFinOnARoughSurface) {
    Mesh m = noisySurface(40, 5);
    const uint32_t a = 3 * 41 + 3; // an inner vertex early in the order, and a face there
    int host = -1, place = 0;
    for (int f = 0; f < m.faceCount && host < 0; ++f)
        for (int k = 0; k < 3; ++k)
            if (m.faces[f].v[k] == a) host = f, place = k;
    ASSERT_GE(host, 0);
    const uint32_t b = m.faces[host].v[(place + 1) % 3];
    m.setNumVerts(m.vertexCount + 1, true);
    const Point3 pa = m.vertices[a], pb = m.vertices[b];
    m.vertices[m.vertexCount - 1] = Point3(0.5f * (pa.x + pb.x), 0.5f * (pa.y + pb.y), pa.z + 1);
    m.setNumFaces(m.faceCount + 1, true);
    MeshFace& fin = m.faces[m.faceCount - 1];
    fin.v[0] = a; // from a to b, as the host face runs
    fin.v[1] = b;
    fin.v[2] = uint32_t(m.vertexCount - 1);
    fin.flags = 0;
    const double threshold = 60 * kDegree; // most edges between two faces hide
    m.Optimize(kFourDegrees, float(threshold), 0.1f, kAllFlags, nullptr);
    expectEdgesFollowTheResultsNormals(m, threshold, "rough surface with a fin");
}

// A centre of many faces has its edges settled apart from the few-face vertices: here one
// of its edges has a third face, one face is wound against its flat neighbourhood, the
// rest of the rim is jittered (its edges visible and hidden by turns) and the faces come
// in no order around it. At a zero normal threshold nothing moves.
TEST(Optimize, AutoEdgeAtACrowdedCentreWithANonManifoldEdgeAndAFlippedFace) {
    Mesh m = fan(64, 0.0f);
    std::mt19937 rng(11);
    for (int v = 1; v < m.vertexCount; ++v)
        if (v < 19 || v > 24) m.vertices[v].z = float(rng() % 100) * 0.0002f;
    std::swap(m.faces[20].v[1], m.faces[20].v[2]); // between faces 18 to 22, all flat
    std::shuffle(m.faces, m.faces + m.faceCount, rng);
    const int rimFaces = m.faceCount;
    m.setNumVerts(m.vertexCount + 1, true);
    m.vertices[m.vertexCount - 1] = Point3(0.5f, 0.0f, -1.0f);
    m.setNumFaces(rimFaces + 1, true);
    m.faces[rimFaces].v[0] = 0; // on the edge 0-1 with two faces of the fan
    m.faces[rimFaces].v[1] = uint32_t(m.vertexCount - 1);
    m.faces[rimFaces].v[2] = 1;
    for (int f = 0; f < m.faceCount; ++f) m.faces[f].flags &= ~MeshFace::kEdgeAll;
    const double threshold = 3 * kDegree;
    EXPECT_EQ(m.Optimize(0, float(threshold), 0.1f, kAllFlags, nullptr), 0);
    expectEdgesFollowTheResultsNormals(m, threshold, "crowded fan");
    int hidden = 0;
    for (int f = 0; f < m.faceCount; ++f) hidden += !m.faces[f].getEdgeVis(0);
    EXPECT_GT(hidden, 10); // the jitter leaves some of the centre's edges flat enough
}

// Two crowded centres, the apexes of a double cone, share every neighbour on the rim: what
// the first one's edges leave behind must not mix into the second one's.
TEST(Optimize, AutoEdgeAtTwoCrowdedCentresSharingTheirNeighbours) {
    const int rim = 48;
    std::vector<Point3> points{Point3(0, 0, 1), Point3(0, 0, -1)};
    std::mt19937 rng(3);
    for (int i = 0; i < rim; ++i) {
        const double t = 2 * std::numbers::pi * i / rim;
        points.emplace_back(float(std::cos(t)), float(std::sin(t)), float(rng() % 100) * 0.001f);
    }
    std::vector<std::array<uint32_t, 3>> faces;
    for (uint32_t i = 0; i < uint32_t(rim); ++i) {
        const uint32_t a = 2 + i, b = 2 + (i + 1) % uint32_t(rim);
        faces.push_back({0, a, b});
        faces.push_back({1, b, a});
    }
    Mesh m = triangleMesh(points, faces);
    const double threshold = 3 * kDegree;
    EXPECT_EQ(m.Optimize(0, float(threshold), 0.1f, kAllFlags, nullptr), 0);
    expectEdgesFollowTheResultsNormals(m, threshold, "double cone");
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

// Vertex 0's star as Optimize's set-up and classification see it, with its side cones
// settled (which lock it where they spread beyond the threshold) unless shapeOnly.
hostkit::opt::Star centreStar(Mesh& m, float threshold, int flags, bool shapeOnly = false) {
    using namespace hostkit::opt;
    WorkState ws(m, makeSettings(threshold, threshold, 0.1f, flags));
    initWorkState(ws);
    Star star;
    if (shapeOnly)
        analyzeStarShape(ws, 0, star);
    else
        analyzeStar(ws, 0, star);
    return star;
}

TEST(Optimize, SmallAndLargeStarsClassifyTheirCentreAlike) {
    using namespace hostkit::opt;
    // 12 faces are matched pairwise, 60 are tallied through vertex slots: both must see
    // the same lines
    for (int d : {12, 60}) {
        SCOPED_TRACE(d);
        auto centreOf = [](Mesh& m, int flags) { return centreStar(m, kFourDegrees, flags); };
        Mesh plain = fan(d, 0.0f);
        Star star = centreOf(plain, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Interior);
        ASSERT_EQ(star.ring.size(), size_t(d));
        EXPECT_EQ(std::set<uint32_t>(star.ring.begin(), star.ring.end()).size(), size_t(d));
        if (star.ringSorted()) {
            EXPECT_TRUE(std::is_sorted(star.ring.begin(), star.ring.end()));
        }

        // each side is one material's faces
        auto sidesAreMaterials = [](const Mesh& m, const Star& s) {
            std::set<std::pair<uint32_t, uint32_t>> sideOfMaterial;
            for (const StarFace& sf : s.faces)
                sideOfMaterial.insert({m.faces[sf.face].getMatID(), sf.group});
            return s.sides == 2 && sideOfMaterial.size() == 2;
        };
        Mesh halves = fanWithMaterialParts(d, {0, d / 2});
        star = centreOf(halves, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Line);
        EXPECT_EQ(std::set<uint32_t>(star.lineEnds, star.lineEnds + 2),
                  (std::set<uint32_t>{1, uint32_t(d / 2 + 1)}));
        EXPECT_TRUE(sidesAreMaterials(halves, star));
        EXPECT_EQ(centreOf(halves, 0).cls, VertexClass::Interior) << "materials not kept";

        // the same fans with their faces numbered the other way around
        std::reverse(plain.faces, plain.faces + d);
        star = centreOf(plain, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Interior);
        EXPECT_EQ(std::set<uint32_t>(star.ring.begin(), star.ring.end()).size(), size_t(d));
        std::reverse(halves.faces, halves.faces + d);
        star = centreOf(halves, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Line);
        EXPECT_EQ(std::set<uint32_t>(star.lineEnds, star.lineEnds + 2),
                  (std::set<uint32_t>{1, uint32_t(d / 2 + 1)}));
        EXPECT_TRUE(sidesAreMaterials(halves, star));

        // a fan wound twice around the centre, every face repeated: four faces on each spoke
        Mesh twice = fan(d / 2, 0.0f);
        twice.setNumFaces(d, true);
        for (int f = d / 2; f < d; ++f) twice.faces[f] = twice.faces[f - d / 2];
        EXPECT_EQ(centreOf(twice, kAllFlags).cls, VertexClass::Locked);

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
        // and so does one lying flat among the others: no crease tells it apart
        extra.vertices[d + 1] = Point3(0.5f, 0.1f, 0);
        EXPECT_EQ(centreOf(extra, kAllFlags).cls, VertexClass::Locked);
        std::swap(extra.faces[d].v[1], extra.faces[d].v[2]); // running into the spoke
        EXPECT_EQ(centreOf(extra, kAllFlags).cls, VertexClass::Locked);

        // one face wound against the rest: its two spokes are seams, and it a side alone
        Mesh turned = fan(d, 0.0f);
        std::swap(turned.faces[d / 2].v[1], turned.faces[d / 2].v[2]);
        star = centreOf(turned, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Line);
        EXPECT_EQ(std::set<uint32_t>(star.lineEnds, star.lineEnds + 2),
                  (std::set<uint32_t>{uint32_t(d / 2 + 1), uint32_t(d / 2 + 2)}));

        // two closed fans pinched at the centre: every spoke has two faces, yet the centre
        // joins two surfaces
        Mesh pinched = fan(d / 2, 0.0f);
        const int half = pinched.faceCount, ring = pinched.vertexCount - 1;
        pinched.setNumVerts(2 * ring + 1, true);
        pinched.setNumFaces(2 * half, true);
        for (int v = 1; v <= ring; ++v) {
            const Point3& p = pinched.vertices[v];
            pinched.vertices[ring + v] = Point3(p.x, p.y, p.z + 1);
        }
        for (int f = 0; f < half; ++f)
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = pinched.faces[f].v[k];
                pinched.faces[half + f].v[k] = v == 0 ? 0 : v + uint32_t(ring);
            }
        EXPECT_EQ(centreOf(pinched, kAllFlags).cls, VertexClass::Locked);
    }
}

// A closed fan of d + 1 faces (fanWithMaterialParts) less its last face: vertex 0 lies on
// the boundary, between rim vertices 1 and d + 1.
Mesh openFan(int d, std::initializer_list<int> partStarts = {}) {
    Mesh m = fanWithMaterialParts(d + 1, partStarts);
    m.setNumFaces(d, true);
    return m;
}

TEST(Optimize, OpenFansClassifyTheirCentreAsTheGeneralScanDoes) {
    using namespace hostkit::opt;
    // up to 24 faces the fan is matched face to face, beyond that tallied through slots
    for (int d : {1, 3, 12, 30}) {
        SCOPED_TRACE(d);
        Mesh plain = openFan(d);
        Star star = centreStar(plain, kFourDegrees, kAllFlags);
        EXPECT_EQ(star.cls, VertexClass::Line);
        EXPECT_EQ(std::set<uint32_t>(star.lineEnds, star.lineEnds + 2),
                  (std::set<uint32_t>{1, uint32_t(d + 1)}));
        EXPECT_EQ(star.ring.size(), size_t(d + 1));
        if (d < 3) continue;

        // a line inside besides the two boundary edges: a third line locks the centre
        Mesh halves = openFan(d, {0, d / 2});
        EXPECT_EQ(centreStar(halves, kFourDegrees, kAllFlags).cls, VertexClass::Locked);
        EXPECT_EQ(centreStar(halves, kFourDegrees, 0).cls, VertexClass::Line);

        // a flat closed cone pinched onto the centre: each of its faces is matched and none
        // makes a crease, yet the centre joins two surfaces
        Mesh pinched = openFan(d);
        const int base = pinched.vertexCount, faces = pinched.faceCount;
        pinched.setNumVerts(base + 3, true);
        pinched.setNumFaces(faces + 3, true);
        for (int k = 0; k < 3; ++k) {
            const double t = 2 * std::numbers::pi * k / 3;
            pinched.vertices[base + k] = Point3(float(std::cos(t)), float(std::sin(t)), 0.01f);
            pinched.faces[faces + k].v[0] = 0;
            pinched.faces[faces + k].v[1] = uint32_t(base + k);
            pinched.faces[faces + k].v[2] = uint32_t(base + (k + 1) % 3);
        }
        EXPECT_EQ(centreStar(pinched, kFourDegrees, kAllFlags, true).cls, VertexClass::Locked);
    }
}

TEST(Optimize, AFinOnAFlatDiscLocksItsCentre) {
    using namespace hostkit::opt;
    // four faces close a flat disc around vertex 0 and a fifth lies flat on it, sharing the
    // spoke to vertex 2, which then has three faces: one face with no face running into it
    // and one with none running out, as on an open fan, but no line tells it apart
    const std::vector<Point3> positions{{0, 0, 0}, {0.5f, -0.5f, 0}, {1, 0, 0},
                                        {0, 1, 0}, {-1, 0, 0},       {0, -1, 0}};
    const std::vector<std::array<uint32_t, 3>> disc{{0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 2}};
    const std::array<uint32_t, 3> fin{0, 1, 2};
    for (const bool finFirst : {true, false}) { // the order the corners are met in
        SCOPED_TRACE(finFirst);
        std::vector<std::array<uint32_t, 3>> faces = disc;
        faces.insert(finFirst ? faces.begin() : faces.end(), fin);
        Mesh m = triangleMesh(positions, faces);
        EXPECT_EQ(centreStar(m, kFourDegrees, kAllFlags, true).cls, VertexClass::Locked);
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

// A face whose texture index lies beyond the texture vertices freezes its corners: the rest
// of the flat mapped grid collapses around it, and it comes through with its corners where
// they were and its index as it was (no coordinate is read from beyond the array).
TEST(Optimize, KeepsAFaceWithATextureIndexOutOfRangeAsItWas) {
    Mesh m = hostkit::makeGridMesh(8, 2.0f);
    ASSERT_NE(m.texFaces, nullptr);
    const int bad = m.faceCount / 2 + 8; // inside the grid
    const uint32_t outOfRange = uint32_t(m.texVertCount) + 5;
    m.texFaces[bad].t[1] = outOfRange;
    auto cornersOf = [](const Mesh& mesh, int f) {
        std::array<std::tuple<float, float, float>, 3> corners;
        for (int k = 0; k < 3; ++k) {
            const Point3& p = mesh.vertices[mesh.faces[f].v[k]];
            corners[size_t(k)] = {p.x, p.y, p.z};
        }
        return corners;
    };
    const auto before = cornersOf(m, bad);
    const int faces = m.faceCount;
    EXPECT_GT(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), faces / 2);
    int found = 0;
    for (int f = 0; f < m.faceCount; ++f)
        if (m.texFaces[f].t[1] == outOfRange) {
            ++found;
            EXPECT_EQ(cornersOf(m, f), before);
        }
    EXPECT_EQ(found, 1);
}

// Vertices that only improper faces use are never in a vertex list, yet stay used: when
// the collapses elsewhere compact the mesh, those faces keep their corners.
TEST(Optimize, CompactionKeepsVerticesOnlyImproperFacesUse) {
    Mesh m = hostkit::makeGridMesh(8, 2.0f);
    m.setTexFacesEnabled(false);
    const uint32_t a = uint32_t(m.vertexCount), b = a + 1, c = a + 2;
    m.setNumVerts(m.vertexCount + 3, true);
    m.vertices[a] = Point3(5, 5, 5);
    m.vertices[b] = Point3(6, 5, 5);
    m.vertices[c] = Point3(7, 5, 5);
    const int gridFaces = m.faceCount;
    m.setNumFaces(gridFaces + 2, true);
    m.faces[gridFaces].v[0] = a; // repeated index
    m.faces[gridFaces].v[1] = a;
    m.faces[gridFaces].v[2] = b;
    m.faces[gridFaces + 1].v[0] = c; // index out of range
    m.faces[gridFaces + 1].v[1] = b;
    m.faces[gridFaces + 1].v[2] = 1u << 30;
    ASSERT_GT(m.Optimize(kFourDegrees, kFourDegrees, 0.1f, kAllFlags, nullptr), 0);
    auto cornersAt = [&](int f) {
        std::vector<std::tuple<float, float, float>> corners;
        for (uint32_t v : m.faces[f].v)
            if (v < uint32_t(m.vertexCount))
                corners.emplace_back(m.vertices[v].x, m.vertices[v].y, m.vertices[v].z);
            else
                corners.emplace_back(-1.0f, -1.0f, -1.0f);
        return corners;
    };
    using Corner = std::tuple<float, float, float>;
    const std::vector<Corner> repeated = {{5, 5, 5}, {5, 5, 5}, {6, 5, 5}};
    const std::vector<Corner> outOfRange = {{7, 5, 5}, {6, 5, 5}, {-1, -1, -1}};
    ASSERT_GE(m.faceCount, 2);
    EXPECT_EQ(cornersAt(m.faceCount - 2), repeated);
    EXPECT_EQ(cornersAt(m.faceCount - 1), outOfRange);
}

// A boundary that bends by 6 degrees at one vertex: the line's directions there spread 3
// degrees, within a 4-degree threshold, so the strip still comes down to its two faces. A
// line refused for bending past the threshold itself (instead of twice it) would keep it.
TEST(Optimize, LineBendingWithinTwiceTheThresholdCollapses) {
    const float bend = 6 * kDegree;
    std::vector<Point3> vertices;
    for (int i = 0; i <= 4; ++i) { // bottom: straight to x = 2, then turned by the bend
        const float along = float(std::max(i - 2, 0));
        vertices.emplace_back(float(std::min(i, 2)) + along * std::cos(bend),
                              along * std::sin(bend), 0.0f);
    }
    for (int i = 0; i <= 4; ++i) vertices.emplace_back(float(i) * 1.1f, 3.0f, 0.0f);
    std::vector<std::array<uint32_t, 3>> faces;
    for (uint32_t i = 0; i < 4; ++i) { // quads between the rows, counter-clockwise seen from +z
        faces.push_back({i, i + 1, i + 6});
        faces.push_back({i, i + 6, i + 5});
    }
    Mesh m = triangleMesh(vertices, faces);
    const Mesh original = m;
    m.Optimize(kFourDegrees, kFourDegrees, 0.0f, 0, nullptr);
    EXPECT_EQ(m.faceCount, 2);
    expectValidResult(original, m, false, "bent strip");
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

TEST(Optimize, ScatteredFacesComeBackInTheirOwnOrderWithTheirMapping) {
    // a mapped sphere with its faces shuffled, each tagged with its place by its smoothing
    // group (which no flag reads here): in vertex order its faces lie all over memory, so
    // they are worked on rearranged and must come back in their order, with their texture
    // faces and without the faces the collapses removed
    const Mesh sphere = hostkit::makeSphereMesh(1.0f, 64);
    std::vector<int> order(size_t(sphere.faceCount));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    Mesh m = sphere;
    for (int f = 0; f < m.faceCount; ++f) {
        m.faces[f] = sphere.faces[order[size_t(f)]];
        m.faces[f].smGroup = uint32_t(f);
        m.texFaces[f] = sphere.texFaces[order[size_t(f)]];
    }
    {
        Mesh probe = m;
        hostkit::opt::WorkState ws(probe, hostkit::opt::makeSettings(0, 0, 0, 0));
        hostkit::opt::initWorkState(ws);
        ASSERT_TRUE(hostkit::opt::facesScattered(ws)); // the case under test
    }
    std::set<std::tuple<float, float, float, float, float>> corners; // position and uv
    auto cornerOf = [](const Mesh& mesh, int f, int k) {
        const Point3& p = mesh.vertices[mesh.faces[f].v[k]];
        const UVVert& uv = mesh.texVerts[mesh.texFaces[f].t[k]];
        return std::tuple{p.x, p.y, p.z, uv.x, uv.y};
    };
    for (int f = 0; f < m.faceCount; ++f)
        for (int k = 0; k < 3; ++k) corners.insert(cornerOf(m, f, k));
    const Mesh original = m;
    ASSERT_GT(m.Optimize(10 * kDegree, kFourDegrees, 0.1f, OPTIMIZE_AUTO_EDGE, nullptr), 0);
    expectValidResult(original, m, true, "shuffled sphere");
    for (int f = 1; f < m.faceCount; ++f) EXPECT_LT(m.faces[f - 1].smGroup, m.faces[f].smGroup);
    for (int f = 0; f < m.faceCount; ++f)
        for (int k = 0; k < 3; ++k) EXPECT_TRUE(corners.count(cornerOf(m, f, k))) << f;
}

TEST(Optimize, ScatterIsToldFromTheFacesAsTheSetUpTellsIt) {
    // the list heads worked out before the set-up are the set-up's own, improper faces
    // (skipped by both) and unused vertices included, so both tell scatter alike; the cheap
    // sample stays quiet on faces numbered along their vertices (a grid, small and large
    // enough to be sampled) and speaks on shuffled ones
    const Mesh sphere = hostkit::makeSphereMesh(1.0f, 48);
    Mesh shuffled = sphere;
    std::vector<int> order(size_t(sphere.faceCount));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(9));
    for (int f = 0; f < shuffled.faceCount; ++f) shuffled.faces[f] = sphere.faces[order[size_t(f)]];
    Mesh broken = shuffled; // a repeated vertex, one out of range, and a vertex no face uses
    broken.faces[3].v[1] = broken.faces[3].v[0];
    broken.faces[7].v[2] = uint32_t(broken.vertexCount);
    broken.setNumVerts(broken.vertexCount + 1, true);
    const Mesh grid = hostkit::makeGridMesh(40, 1.0f);
    using Case = std::tuple<const char*, const Mesh*, bool>;
    for (const auto& [name, mesh, scattered] :
         {Case{"sphere", &sphere, false}, Case{"shuffled", &shuffled, true},
          Case{"broken", &broken, true}, Case{"grid", &grid, false}}) {
        SCOPED_TRACE(name);
        Mesh m = *mesh;
        hostkit::opt::WorkState ws(m, hostkit::opt::makeSettings(0, 0, 0, 0));
        hostkit::opt::initWorkState(ws);
        const auto heads = hostkit::opt::listHeadsOf(*mesh);
        EXPECT_TRUE(
            std::equal(heads.begin(), heads.end(), ws.vertexHead.begin(), ws.vertexHead.end()));
        EXPECT_EQ(hostkit::opt::headsScattered(heads, mesh->faceCount), scattered);
        EXPECT_EQ(hostkit::opt::facesScattered(ws), scattered);
    }
    EXPECT_FALSE(hostkit::opt::facesMayLieScattered(grid));
    EXPECT_TRUE(hostkit::opt::facesMayLieScattered(shuffled));
    EXPECT_FALSE(hostkit::opt::facesMayLieScattered(hostkit::makeGridMesh(400, 1.0f)));
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

TEST(Optimize, KeepsRandomScenesOfShellsValid) {
    // Flat pillows and the flat bases of many-sided cones give collapses work beside fins,
    // vertices shared between shells and missing faces.
    std::mt19937 random(23);
    int totalRemoved = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const Mesh scene = randomShells(random);
        for (float degrees : {4.0f, 45.0f, 89.0f}) {
            Mesh m = scene;
            const int removed =
                m.Optimize(degrees * kDegree, degrees * kDegree, 0.1f, int(random() % 8), nullptr);
            EXPECT_EQ(removed, scene.faceCount - m.faceCount);
            expectValidResult(scene, m, false, ("trial " + std::to_string(trial)).c_str());
            totalRemoved += removed;
        }
    }
    EXPECT_GT(totalRemoved, 0);
}
