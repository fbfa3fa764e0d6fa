// buildNormals: unit face normals, smoothing-group corner normals, cache invalidation.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <cmath>

#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

float len(const Point3& p) {
    return std::sqrt(DotProd(p, p));
}

} // namespace

TEST(BuildNormals, FaceNormalsAreUnitOrZeroForZeroArea) {
    for (NamedMesh& named : testFamily()) {
        Mesh& mesh = named.mesh;
        hostkit::buildCornerNormals(mesh);
        EXPECT_EQ(mesh.hasNormals, 1);
        for (int f = 0; f < mesh.faceCount; ++f) {
            const Point3 n = mesh.faceNormals[f];
            if (faceArea(mesh, f) == 0) {
                EXPECT_EQ(n, Point3()) << named.name << " face " << f;
            } else {
                EXPECT_NEAR(len(n), 1.0f, 1e-6f) << named.name << " face " << f;
            }
            for (int k = 0; k < 3; ++k) {
                const float l = len(mesh.cornerNormals[f * 3 + k]);
                EXPECT_TRUE(l == 0 || std::abs(l - 1) < 1e-6f) << named.name;
            }
        }
    }
}

TEST(BuildNormals, FaceNormalFollowsWinding) {
    Mesh sphere = hostkit::makeSphereMesh(1, 24);
    sphere.buildNormals();
    for (int f = 0; f < sphere.faceCount; ++f) {
        const Point3 centre =
            (sphere.vertices[sphere.faces[f].v[0]] + sphere.vertices[sphere.faces[f].v[1]] +
             sphere.vertices[sphere.faces[f].v[2]]) *
            (1.0f / 3);
        EXPECT_GT(DotProd(sphere.faceNormals[f], centre), 0) << f;
    }
}

TEST(BuildNormals, AllSmoothCubeCornersPointAlongDiagonalsAtEveryScale) {
    // at 1e12 and 1e-12 the squares of the faces' cross products leave the float range,
    // at 1e20 and 1e-20 the cross products themselves
    for (float scale : {1.0f, 1e12f, 1e-12f, 1e20f, 1e-20f}) {
        Mesh cube = hostkit::makeBoxMesh(2, 2, 2, 1);
        for (int v = 0; v < cube.vertexCount; ++v) cube.vertices[v] = cube.vertices[v] * scale;
        for (int f = 0; f < cube.faceCount; ++f) cube.faces[f].smGroup = 1;
        hostkit::buildCornerNormals(cube);
        for (int f = 0; f < cube.faceCount; ++f)
            EXPECT_NEAR(len(cube.faceNormals[f]), 1.0f, 1e-6f) << scale << " face " << f;
        const float d = 1 / std::sqrt(3.0f);
        const Point3 centre = Point3(0, 0, 1) * scale;
        for (int c = 0; c < cube.faceCount * 3; ++c) {
            const Point3 p = cube.vertices[cube.faces[c / 3].v[c % 3]] - centre;
            const Point3 n = cube.cornerNormals[c];
            EXPECT_NEAR(n.x, p.x > 0 ? d : -d, 1e-6f) << scale;
            EXPECT_NEAR(n.y, p.y > 0 ? d : -d, 1e-6f) << scale;
            EXPECT_NEAR(n.z, p.z > 0 ? d : -d, 1e-6f) << scale;
        }
    }
}

TEST(BuildNormals, SeparateGroupsAndWordZeroKeepFaceNormals) {
    Mesh cube = hostkit::makeBoxMesh(1, 1, 1, 1); // one bit per side
    cube.faces[0].smGroup = 0;
    hostkit::buildCornerNormals(cube);
    for (int c = 0; c < cube.faceCount * 3; ++c)
        EXPECT_EQ(cube.cornerNormals[c], cube.faceNormals[c / 3]) << c;
}

TEST(BuildNormals, BitsSharedThroughOneFaceJoinOneClass) {
    // faces alternate bits 1 and 2; face 0 carries both, joining them at its vertices
    Mesh noisy = noisySurface(6, 3);
    for (int f = 0; f < noisy.faceCount; ++f) noisy.faces[f].smGroup = f % 2 ? 1u : 2u;
    Mesh joined = noisy;
    joined.faces[0].smGroup = 3;
    Mesh reference = noisy;
    for (int f = 0; f < reference.faceCount; ++f) reference.faces[f].smGroup = 1;
    hostkit::buildCornerNormals(joined);
    hostkit::buildCornerNormals(reference);
    int checked = 0;
    for (int c = 0; c < joined.faceCount * 3; ++c) {
        const uint32_t v = joined.faces[c / 3].v[c % 3];
        const uint32_t* first = joined.faces[0].v;
        if (v != first[0] && v != first[1] && v != first[2]) continue; // classes stay apart
        ++checked;
        EXPECT_NEAR(joined.cornerNormals[c].x, reference.cornerNormals[c].x, 1e-6f);
        EXPECT_NEAR(joined.cornerNormals[c].z, reference.cornerNormals[c].z, 1e-6f);
    }
    EXPECT_GT(checked, 3);
}

TEST(BuildNormals, InvalidateDropsBuiltNormals) {
    Mesh grid = hostkit::makeGridMesh(2, 1);
    hostkit::buildCornerNormals(grid);
    grid.InvalidateGeomCache();
    EXPECT_EQ(grid.hasNormals, 0);
    const Point3* kept = grid.faceNormals; // kept for the next build, filled in place
    grid.faces[0].v[1] = grid.faces[0].v[2];
    grid.buildNormals();
    EXPECT_EQ(grid.faceNormals, kept);
    EXPECT_EQ(grid.faceNormals[0], Point3()); // rebuilt: now a zero-area face
    Mesh empty;
    empty.buildNormals();
    EXPECT_EQ(empty.faceNormals, nullptr);
    Mesh faceOnly = hostkit::makeGridMesh(2, 1); // corner normals only on request
    faceOnly.buildNormals();
    EXPECT_NE(faceOnly.faceNormals, nullptr);
    EXPECT_EQ(faceOnly.cornerNormals, nullptr);
}
