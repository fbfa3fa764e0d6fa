// Primitives: closed shapes are closed and outward, counts and attributes as documented.
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "hostkit/mesh/edge_table.h"
#include "support/mesh_family.h"

namespace {

// Every edge of the mesh has exactly two faces running along it in opposite directions.
bool isClosedAndConsistent(const Mesh& mesh) {
    hostkit::EdgeTable table = hostkit::buildEdgeTable(mesh);
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        auto run = table.edgeCorners(e);
        if (run.size() != 2) return false;
        if (hostkit::cornerFrom(mesh, run[0]) != hostkit::cornerTo(mesh, run[1])) return false;
    }
    return true;
}

// Each texture triangle winds the same way as its face seen along the face normal.
bool textureWindsWithFaces(const Mesh& mesh) {
    for (int f = 0; f < mesh.faceCount; ++f) {
        const UVVert a = mesh.texVerts[mesh.texFaces[f].t[0]];
        const UVVert b = mesh.texVerts[mesh.texFaces[f].t[1]];
        const UVVert c = mesh.texVerts[mesh.texFaces[f].t[2]];
        const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (area <= 0) return false;
    }
    return true;
}

} // namespace

TEST(Primitives, BoxIsClosedOutwardWithExpectedCounts) {
    for (int s : {1, 2, 5}) {
        Mesh box = hostkit::makeBoxMesh(2, 3, 4, s);
        EXPECT_EQ(box.faceCount, 12 * s * s);
        EXPECT_EQ(box.vertexCount, 6 * s * s + 2);
        EXPECT_TRUE(isClosedAndConsistent(box)) << s;
        EXPECT_NEAR(signedVolume(box), 24.0, 1e-4) << s;
        EXPECT_TRUE(textureWindsWithFaces(box)) << s;
        Box3 bounds = hostkit::meshBoundingBox(box);
        EXPECT_EQ(bounds.pmin, Point3(-1, -1.5f, 0));
        EXPECT_EQ(bounds.pmax, Point3(1, 1.5f, 4));
    }
}

TEST(Primitives, BoxSidesHaveOwnGroupAndMaterialAndHiddenDiagonals) {
    Mesh box = hostkit::makeBoxMesh(1, 1, 1, 3);
    for (int f = 0; f < box.faceCount; ++f) {
        const MeshFace& face = box.faces[f];
        const uint32_t side = face.getMatID();
        ASSERT_LT(side, 6u);
        EXPECT_EQ(face.smGroup, 1u << side);
        // exactly one hidden edge per triangle: the quad's diagonal
        EXPECT_EQ(__builtin_popcount(face.flags & MeshFace::kEdgeAll), 2);
    }
}

TEST(Primitives, SphereIsClosedOutwardAndNearTheTrueVolume) {
    Mesh sphere = hostkit::makeSphereMesh(2, 64);
    EXPECT_EQ(sphere.faceCount, 2 * 64 * 31);
    EXPECT_TRUE(isClosedAndConsistent(sphere));
    const double exact = 4.0 / 3.0 * std::numbers::pi * 8.0;
    EXPECT_GT(signedVolume(sphere), 0.98 * exact);
    EXPECT_LT(signedVolume(sphere), exact);
    EXPECT_TRUE(textureWindsWithFaces(sphere));
    for (int f = 0; f < sphere.faceCount; ++f) EXPECT_EQ(sphere.faces[f].smGroup, 1u);
}

TEST(Primitives, GridIsFlatAndFacesUp) {
    Mesh grid = hostkit::makeGridMesh(5, 2);
    EXPECT_EQ(grid.faceCount, 50);
    EXPECT_NEAR(totalArea(grid), 4.0, 1e-5);
    for (int f = 0; f < grid.faceCount; ++f) {
        const MeshFace& face = grid.faces[f];
        Point3 n = CrossProd(grid.vertices[face.v[1]] - grid.vertices[face.v[0]],
                             grid.vertices[face.v[2]] - grid.vertices[face.v[0]]);
        EXPECT_GT(n.z, 0);
        EXPECT_EQ(n.x, 0);
        EXPECT_EQ(n.y, 0);
    }
    EXPECT_TRUE(textureWindsWithFaces(grid));
}

TEST(Primitives, CappedCylinderIsClosedAndOpenTubeIsNot) {
    Mesh capped = hostkit::makeCylinderMesh(1, 2, 24, 3, true);
    EXPECT_EQ(capped.faceCount, 2 * 24 * 3 + 2 * 24);
    EXPECT_TRUE(isClosedAndConsistent(capped));
    EXPECT_GT(signedVolume(capped), 0.97 * std::numbers::pi * 2);
    EXPECT_TRUE(textureWindsWithFaces(capped));

    Mesh tube = hostkit::makeCylinderMesh(1, 2, 24, 3, false);
    EXPECT_EQ(tube.faceCount, 2 * 24 * 3);
    EXPECT_FALSE(isClosedAndConsistent(tube));
}
