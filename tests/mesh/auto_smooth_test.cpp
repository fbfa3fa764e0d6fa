// AutoSmooth: shared bits exactly across smooth edges, never across sharp edges or corners.
#include "hostkit/mesh/auto_smooth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);

Point3 faceNormal(const Mesh& mesh, uint32_t face) {
    const MeshFace& m = mesh.faces[face];
    const Point3 a = mesh.vertices[m.v[0]];
    return CrossProd(mesh.vertices[m.v[1]] - a, mesh.vertices[m.v[2]] - a);
}

// Reference islands: union of faces over edges this test itself judges smooth.
std::vector<uint32_t> referenceIslands(const Mesh& mesh, float angle) {
    const std::vector<uint32_t> mate = hostkit::manifoldMates(mesh);
    hostkit::UnionFind sets(size_t(mesh.faceCount));
    for (uint32_t c = 0; c < mate.size(); ++c) {
        if (mate[c] >= hostkit::kNonManifoldMate) continue;
        const uint32_t f = c / 3, g = mate[c] / 3;
        if (hostkit::cornerFrom(mesh, c) != hostkit::cornerTo(mesh, mate[c])) continue;
        if (faceArea(mesh, int(f)) == 0 || faceArea(mesh, int(g)) == 0) continue;
        const Point3 n1 = faceNormal(mesh, f), n2 = faceNormal(mesh, g);
        if (std::atan2(double(Length(CrossProd(n1, n2))), double(DotProd(n1, n2))) < angle)
            sets.unite(f, g);
    }
    std::vector<uint32_t> labels;
    sets.label(labels);
    return labels;
}

// Every face has one bit and faces of one island share it.
void expectOneBitPerIsland(const Mesh& mesh, const std::vector<uint32_t>& island,
                           const std::string& name) {
    std::vector<uint32_t> islandWord(mesh.faceCount > 0 ? size_t(mesh.faceCount) : 0, 0);
    for (int f = 0; f < mesh.faceCount; ++f) {
        const uint32_t word = mesh.faces[f].smGroup;
        ASSERT_EQ(__builtin_popcount(word), 1) << name;
        if (!islandWord[island[f]]) islandWord[island[f]] = word;
        EXPECT_EQ(word, islandWord[island[f]]) << name << " face " << f;
    }
}

// As expectOneBitPerIsland, and at each vertex, faces of different islands have
// different bits.
void expectBitsFollowIslands(const Mesh& mesh, const std::vector<uint32_t>& island,
                             const std::string& name) {
    expectOneBitPerIsland(mesh, island, name);
    const hostkit::VertexCorners around = hostkit::buildVertexCorners(mesh);
    for (int v = 0; v < mesh.vertexCount; ++v)
        for (uint32_t c : around.of(uint32_t(v)))
            for (uint32_t d : around.of(uint32_t(v)))
                if (island[c / 3] != island[d / 3]) {
                    EXPECT_NE(mesh.faces[c / 3].smGroup, mesh.faces[d / 3].smGroup)
                        << name << " vertex " << v;
                }
}

// Two triangles hinged on edge 0-1, the second folded up by the given angle.
Mesh hinge(double degrees) {
    Mesh mesh;
    mesh.setNumVerts(4);
    mesh.setNumFaces(2);
    const double a = degrees * std::numbers::pi / 180;
    mesh.vertices[0] = Point3(0, 0, 0);
    mesh.vertices[1] = Point3(1, 0, 0);
    mesh.vertices[2] = Point3(0.5f, -1, 0);
    mesh.vertices[3] = Point3(0.5f, float(std::cos(a)), float(std::sin(a)));
    mesh.faces[0].v[0] = 0, mesh.faces[0].v[1] = 2, mesh.faces[0].v[2] = 1;
    mesh.faces[1].v[0] = 0, mesh.faces[1].v[1] = 1, mesh.faces[1].v[2] = 3;
    return mesh;
}

// Two coplanar triangles that share only vertex 0.
Mesh bowtie() {
    Mesh mesh;
    mesh.setNumVerts(5);
    mesh.setNumFaces(2);
    mesh.vertices[1] = Point3(1, 0.5f, 0);
    mesh.vertices[2] = Point3(1, -0.5f, 0);
    mesh.vertices[3] = Point3(-1, 0.5f, 0);
    mesh.vertices[4] = Point3(-1, -0.5f, 0);
    mesh.faces[0].v[0] = 0, mesh.faces[0].v[1] = 2, mesh.faces[0].v[2] = 1;
    mesh.faces[1].v[0] = 0, mesh.faces[1].v[1] = 3, mesh.faces[1].v[2] = 4;
    return mesh;
}

// A hinge as above, scaled and with its fold vertex moved along the hinge by shift.
Mesh scaledHinge(double radians, float scale, float shift) {
    Mesh mesh = hinge(0);
    mesh.vertices[1] = Point3(scale, 0, 0);
    mesh.vertices[2] = Point3(0.5f * scale, -scale, 0);
    mesh.vertices[3] = Point3((0.5f + shift) * scale, float(std::cos(radians)) * scale,
                              float(std::sin(radians)) * scale);
    return mesh;
}

// The angle test as the contract states it: unit normals computed in double, and
// atan2(|n1 x n2|, n1 . n2) < angle, i.e. |n1 x n2| cos(angle) < (n1 . n2) sin(angle).
bool smoothByUnitNormals(const Mesh& mesh, float angle) {
    double n[2][3];
    for (int f = 0; f < 2; ++f) {
        const MeshFace& face = mesh.faces[f];
        const Point3 a = mesh.vertices[face.v[0]], b = mesh.vertices[face.v[1]],
                     c = mesh.vertices[face.v[2]];
        const double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
        const double w[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
        const double m[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                             u[0] * w[1] - u[1] * w[0]};
        const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
        if (!(len > 0)) return false;
        for (int k = 0; k < 3; ++k) n[f][k] = m[k] / len;
    }
    const double cx = n[0][1] * n[1][2] - n[0][2] * n[1][1],
                 cy = n[0][2] * n[1][0] - n[0][0] * n[1][2],
                 cz = n[0][0] * n[1][1] - n[0][1] * n[1][0];
    const double d = n[0][0] * n[1][0] + n[0][1] * n[1][1] + n[0][2] * n[1][2];
    return std::sqrt(cx * cx + cy * cy + cz * cz) * std::cos(double(angle)) <
           d * std::sin(double(angle));
}

// Runs autoSmooth on a copy of mesh and checks it against the reference islands: as many
// islands, none sharing a bit across a sharp edge, one bit each, and (flag 0, when no
// vertex forced a share) different bits for islands that meet at a vertex.
void expectSmoothedAsItsIslands(const Mesh& before, float angle, int flag,
                                const std::string& name) {
    Mesh mesh = before;
    const std::vector<uint32_t> island = referenceIslands(mesh, angle);
    const hostkit::AutoSmoothReport report = hostkit::autoSmooth(mesh, angle, flag);
    const uint32_t islands =
        island.empty() ? 0 : *std::max_element(island.begin(), island.end()) + 1;
    EXPECT_EQ(report.islands, islands) << name;
    EXPECT_EQ(report.edgeConflicts, 0u) << name;
    if (flag == 0 && report.vertexShares == 0) {
        expectBitsFollowIslands(mesh, island, name);
        return;
    }
    expectOneBitPerIsland(mesh, island, name);
    // islands across a sharp edge still differ
    const std::vector<uint32_t> mate = hostkit::manifoldMates(mesh);
    for (uint32_t c = 0; c < mate.size(); ++c) {
        if (mate[c] < hostkit::kNonManifoldMate && island[c / 3] != island[mate[c] / 3]) {
            ASSERT_NE(mesh.faces[c / 3].smGroup, mesh.faces[mate[c] / 3].smGroup) << name;
        }
    }
}

} // namespace

TEST(AutoSmooth, SplitsEdgeSharperThanAngle) {
    Mesh sharp = hinge(30);
    hostkit::autoSmooth(sharp, 29 * kDegree, 0);
    EXPECT_NE(sharp.faces[0].smGroup, sharp.faces[1].smGroup);
    Mesh smooth = hinge(30);
    hostkit::autoSmooth(smooth, 31 * kDegree, 0);
    EXPECT_EQ(smooth.faces[0].smGroup, smooth.faces[1].smGroup);
}

// Folds within a millionth of a radian of the angle, acute and obtuse, on hinges of tiny,
// plain and huge size: the operation decides most edges without unit normals, and must
// still decide exactly as they do.
TEST(AutoSmooth, EdgesNearTheAngleAreJudgedByTheUnitNormals) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-2e-6, 2e-6);
    std::uniform_real_distribution<float> shift(-0.4f, 0.4f);
    int smooth = 0, sharp = 0;
    for (float scale : {1e-40f, 1e-20f, 1.0f, 3e18f, 1e30f})
        for (float degrees : {0.5f, 10.0f, 30.0f, 60.0f, 90.0f, 100.0f, 150.0f, 179.5f})
            for (int trial = 0; trial < 40; ++trial) {
                const float angle = degrees * kDegree;
                Mesh mesh = scaledHinge(double(angle) + offset(random), scale, shift(random));
                const bool expected = smoothByUnitNormals(mesh, angle);
                (expected ? smooth : sharp) += 1;
                EXPECT_EQ(hostkit::autoSmooth(mesh, angle, 0).islands, expected ? 1u : 2u)
                    << degrees << " degrees at scale " << scale << ", trial " << trial;
            }
    EXPECT_GT(smooth, 100); // both outcomes well represented
    EXPECT_GT(sharp, 100);
}

TEST(AutoSmooth, InconsistentWindingOrZeroAreaIsNeverSmooth) {
    Mesh folded = hinge(0);
    folded.FlipNormal(1);
    EXPECT_EQ(hostkit::autoSmooth(folded, 179 * kDegree, 0).islands, 2u);
    Mesh glued = zeroAreaFaces();
    // faces 0 and 1 are coplanar but meet only through vertices 1 and 3 and the zero face,
    // apart even at an angle past 180 degrees, where any two other faces are smooth
    for (float degrees : {179.0f, 270.0f})
        EXPECT_EQ(hostkit::autoSmooth(glued, degrees * kDegree, 0).islands, 3u) << degrees;
}

TEST(AutoSmooth, BitsFollowSmoothIslandsOnTheFamily) {
    for (NamedMesh& named : smallFamily()) {
        for (float degrees : {1.0f, 20.0f, 45.0f, 100.0f}) {
            Mesh mesh = named.mesh;
            const std::vector<uint32_t> island = referenceIslands(mesh, degrees * kDegree);
            const hostkit::AutoSmoothReport report =
                hostkit::autoSmooth(mesh, degrees * kDegree, 0);
            expectBitsFollowIslands(mesh, island, named.name);
            EXPECT_EQ(report.vertexShares + report.edgeConflicts, 0u) << named.name;
        }
    }
}

TEST(AutoSmooth, CrowdedShapesKeepIslandsWholeAndSharpEdgesApart) {
    for (NamedMesh& named : crowdedFamily(3000)) {
        for (float degrees : {0.0f, 30.0f, 180.0f}) {
            for (int flag : {0, 1}) {
                SCOPED_TRACE(named.name + " at " + std::to_string(degrees) + " flag " +
                             std::to_string(flag));
                expectSmoothedAsItsIslands(named.mesh, degrees * kDegree, flag, named.name);
            }
        }
    }
    // at angle 0 every face of a fan is its own island, far more than 32 at the centre
    Mesh flat = fan(3000, 0.0f);
    const hostkit::AutoSmoothReport report = hostkit::autoSmooth(flat, 0, 0);
    EXPECT_EQ(report.islands, 3000u);
    EXPECT_GT(report.vertexShares, 0u);
}

TEST(AutoSmooth, IslandsTouchingOnlyAtAVertexShareABitOnlyWithFlag) {
    Mesh strict = bowtie();
    hostkit::autoSmooth(strict, 30 * kDegree, 0);
    EXPECT_NE(strict.faces[0].smGroup, strict.faces[1].smGroup);
    Mesh relaxed = bowtie();
    hostkit::autoSmooth(relaxed, 30 * kDegree, 1);
    EXPECT_EQ(relaxed.faces[0].smGroup, relaxed.faces[1].smGroup);
}

TEST(AutoSmooth, MoreThan32IslandsAtAVertexShareAcrossTheVertexOnly) {
    Mesh zigzag = fan(40, 1.0f); // every spoke sharp
    const hostkit::AutoSmoothReport report = hostkit::autoSmooth(zigzag, 10 * kDegree, 0);
    EXPECT_EQ(report.islands, 40u);
    EXPECT_GT(report.vertexShares, 0u);
    EXPECT_EQ(report.edgeConflicts, 0u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(__builtin_popcount(zigzag.faces[i].smGroup), 1);
        EXPECT_NE(zigzag.faces[i].smGroup, zigzag.faces[(i + 1) % 40].smGroup) << i;
    }
}

TEST(AutoSmooth, AnIslandOfMoreThan32SharpNeighboursSharesTheBitOfLeastLength) {
    // A cone on an uneven base, every edge sharp: its sides meet at the tip, so past 32
    // they share bits across the tip only; the base borders every side along an edge and
    // must share one bit across edges, the one whose sides border it least.
    for (int sides : {34, 36, 40, 48}) {
        std::vector<Point3> points = {{0, 0, 3}, {0, 0, 0}};
        std::vector<std::array<uint32_t, 3>> faces;
        for (int k = 0; k < sides; ++k) {
            const float angle = 6.2831853f * float(k) / float(sides);
            const float radius = 1 + 0.125f * float(k * 7 % 5);
            points.push_back({radius * std::cos(angle), radius * std::sin(angle), 0});
            const uint32_t here = 2 + uint32_t(k), next = 2 + uint32_t((k + 1) % sides);
            faces.push_back({0, here, next});
            faces.push_back({1, next, here});
        }
        Mesh cone = triangleMesh(points, faces);
        const hostkit::AutoSmoothReport report = hostkit::autoSmooth(cone, 5 * kDegree, 0);
        ASSERT_EQ(report.islands, uint32_t(sides + 1)) << sides;
        ASSERT_EQ(report.edgeConflicts, 1u) << sides;
        double shared[32] = {};
        for (int k = 0; k < sides; ++k) {
            const Point3 a = points[2 + k], b = points[2 + (k + 1) % sides];
            shared[std::countr_zero(cone.faces[2 * k].smGroup)] += Length(a - b);
        }
        const double least = *std::min_element(shared, shared + 32);
        EXPECT_LE(shared[std::countr_zero(cone.faces[1].smGroup)], least + 1e-6) << sides;
    }
}

TEST(AutoSmooth, ReplacesExistingWordsAndWideAngleMakesOneGroup) {
    Mesh cube = hostkit::makeBoxMesh(1, 1, 1, 2);
    EXPECT_EQ(hostkit::autoSmooth(cube, 91 * kDegree, 0).islands, 1u);
    for (int f = 0; f < cube.faceCount; ++f) EXPECT_EQ(cube.faces[f].smGroup, 1u);
    Mesh sphere = hostkit::makeSphereMesh(1, 32);
    EXPECT_EQ(hostkit::autoSmooth(sphere, 30 * kDegree, 0).islands, 1u);
}

TEST(AutoSmooth, RandomScenesAreSmoothedAsTheirIslands) {
    // Shells that share vertices, carry fins on their edges or miss a face, some faces
    // turned the other way (never smooth with their neighbours), at angles from 0 to 180.
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        Mesh scene = randomShells(random);
        if (trial % 2)
            for (int f = 0; f < scene.faceCount; ++f)
                if (random() % 8 == 0) scene.FlipNormal(f);
        const float degrees = float(random() % 7) * 30;
        const int flag = int(random() % 2);
        expectSmoothedAsItsIslands(scene, degrees * kDegree, flag,
                                   "trial " + std::to_string(trial));
    }
}
