// UnifyNormals: consistent, outward orientation on closed meshes; termination on odd ones.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

// Manifold edges whose two faces run along them in the same direction.
int inconsistentEdges(const Mesh& mesh) {
    const hostkit::EdgeTable table = hostkit::buildEdgeTable(mesh);
    int bad = 0;
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        const auto run = table.edgeCorners(e);
        if (run.size() == 2)
            bad += hostkit::cornerFrom(mesh, run[0]) == hostkit::cornerFrom(mesh, run[1]);
    }
    return bad;
}

void flipRandomFaces(Mesh& mesh, uint32_t seed) {
    std::mt19937 random(seed);
    for (int f = 0; f < mesh.faceCount; ++f)
        if (random() % 2) mesh.FlipNormal(f);
}

} // namespace

TEST(UnifyNormals, ClosedMeshesBecomeConsistentAndOutward) {
    for (NamedMesh& named : testFamily()) {
        if (!named.closed) continue;
        for (uint32_t seed : {1u, 2u, 3u}) {
            Mesh mesh = named.mesh;
            flipRandomFaces(mesh, seed);
            mesh.UnifyNormals(0);
            EXPECT_EQ(inconsistentEdges(mesh), 0) << named.name;
            EXPECT_NEAR(signedVolume(mesh), signedVolume(named.mesh), 1e-4) << named.name;
        }
    }
}

TEST(UnifyNormals, InsideOutClosedMeshIsTurnedOutward) {
    // at 40 segments, 40 faces meet at each pole: more edges start there than a short
    // bucket holds
    for (int segments : {20, 40}) {
        Mesh sphere = hostkit::makeSphereMesh(1, segments);
        for (int f = 0; f < sphere.faceCount; ++f) sphere.FlipNormal(f);
        sphere.UnifyNormals(0);
        EXPECT_GT(signedVolume(sphere), 0) << segments;
    }
}

TEST(UnifyNormals, NonzeroFlagOnlyMakesConsistent) {
    // an inside-out cube is consistent already, so nothing flips
    Mesh cube = hostkit::makeBoxMesh(1, 1, 1, 2);
    for (int f = 0; f < cube.faceCount; ++f) cube.FlipNormal(f);
    cube.UnifyNormals(1);
    EXPECT_LT(signedVolume(cube), 0);
    // one flipped face is outvoted by the rest of its patch
    Mesh mostly = hostkit::makeBoxMesh(1, 1, 1, 2);
    mostly.FlipNormal(5);
    mostly.UnifyNormals(1);
    EXPECT_EQ(inconsistentEdges(mostly), 0);
    EXPECT_GT(signedVolume(mostly), 0);
}

TEST(UnifyNormals, OpenPatchFlipsTheLesserArea) {
    Mesh grid = hostkit::makeGridMesh(6, 1);
    for (int f = 0; f < 10; ++f) grid.FlipNormal(f);
    grid.UnifyNormals(0);
    EXPECT_EQ(inconsistentEdges(grid), 0);
    grid.buildNormals();
    for (int f = 0; f < grid.faceCount; ++f) EXPECT_GT(grid.faceNormals[f].z, 0);
}

TEST(UnifyNormals, TerminatesOnOddMeshesAndKeepsFacesAndTexturesInStep) {
    for (NamedMesh& named : smallFamily()) {
        Mesh mesh = named.mesh;
        flipRandomFaces(mesh, 9);
        const Mesh before = mesh;
        mesh.UnifyNormals(0);
        ASSERT_EQ(mesh.faceCount, before.faceCount);
        for (int f = 0; f < mesh.faceCount; ++f) {
            // a face either stayed or flipped as a whole, texture corners included
            const bool flipped = mesh.faces[f].v[1] != before.faces[f].v[1];
            EXPECT_EQ(mesh.faces[f].v[0], before.faces[f].v[0]);
            EXPECT_EQ(mesh.faces[f].v[1], before.faces[f].v[flipped ? 2 : 1]);
            if (mesh.texFaces) {
                EXPECT_EQ(mesh.texFaces[f].t[1], before.texFaces[f].t[flipped ? 2 : 1]);
            }
        }
        if (named.orientable && named.name != "threeFacesOnEdge") {
            EXPECT_EQ(inconsistentEdges(mesh), 0) << named.name;
        }
    }
}

TEST(UnifyNormals, MobiusStripLeavesOneSeamOnly) {
    Mesh strip = mobiusStrip(16);
    strip.UnifyNormals(0);
    EXPECT_EQ(inconsistentEdges(strip), 1); // a non-orientable loop cannot do better
}

TEST(UnifyNormals, TurningOutwardChangesEveryArrayAsFlipNormalDoes) {
    // an inside-out sphere with texture faces, face and corner normals, and edge bits and
    // material ids that differ from face to face
    Mesh sphere = hostkit::makeSphereMesh(1, 12);
    ASSERT_NE(sphere.texFaces, nullptr);
    for (int f = 0; f < sphere.faceCount; ++f) {
        sphere.faces[f].flags = (uint32_t(f) * 5u & 7u) | uint32_t(f % 3) << 16;
        sphere.FlipNormal(f);
    }
    sphere.buildNormals();
    hostkit::buildCornerNormals(sphere);
    Mesh expected = sphere;
    for (int f = 0; f < expected.faceCount; ++f) expected.FlipNormal(f);
    sphere.UnifyNormals(0);
    for (int f = 0; f < sphere.faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(sphere.faces[f].v[k], expected.faces[f].v[k]);
            EXPECT_EQ(sphere.texFaces[f].t[k], expected.texFaces[f].t[k]);
            const Point3 &n = sphere.cornerNormals[f * 3 + k],
                         &m = expected.cornerNormals[f * 3 + k];
            EXPECT_TRUE(n.x == m.x && n.y == m.y && n.z == m.z) << f;
        }
        EXPECT_EQ(sphere.faces[f].flags, expected.faces[f].flags);
        EXPECT_EQ(sphere.faces[f].smGroup, expected.faces[f].smGroup);
        const Point3 &n = sphere.faceNormals[f], &m = expected.faceNormals[f];
        EXPECT_TRUE(n.x == m.x && n.y == m.y && n.z == m.z) << f;
    }
}

TEST(UnifyNormals, FinOnAnEdgeLeavesAnInsideOutTetrahedronClosed) {
    // A fin comes first on an edge of an inside-out tetrahedron, wound either way: the
    // edge then has three corners, so the tetrahedron stays one closed patch of its own
    // and turns outward; the fin, open, keeps its winding.
    const std::vector<Point3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.5f, -1, -1}};
    for (const std::array<uint32_t, 3> fin : {std::array<uint32_t, 3>{0, 1, 4}, {1, 0, 4}}) {
        Mesh mesh = triangleMesh(points, {fin, {0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {0, 2, 3}});
        mesh.UnifyNormals(0);
        EXPECT_EQ(mesh.faces[0].v[1], fin[1]);
        Mesh tetrahedron = mesh;
        MeshFace& measureless = tetrahedron.faces[0]; // the fin, out of the measure
        measureless.v[1] = measureless.v[2] = measureless.v[0];
        EXPECT_GT(signedVolume(tetrahedron), 0);
    }
}
