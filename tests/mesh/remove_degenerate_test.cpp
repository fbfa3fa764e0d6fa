// RemoveDegenerateFaces: repeated and out-of-range indices go, everything else stays in step.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

TEST(RemoveDegenerate, RemovesRepeatedAndOutOfRangeIndicesStably) {
    Mesh mesh = repeatedIndexFaces();
    mesh.setTexFacesEnabled(true);
    mesh.setNumTVerts(1);
    for (int f = 0; f < mesh.faceCount; ++f) {
        mesh.faces[f].setMatID(uint32_t(f)); // tags to follow the faces
        mesh.texFaces[f].t[0] = uint32_t(f);
    }
    mesh.buildNormals();
    hostkit::buildCornerNormals(mesh);
    for (int c = 0; c < 3 * mesh.faceCount; ++c) mesh.cornerNormals[c] = Point3(float(c), 0, 0);
    const Point3 normalOfFace2 = mesh.faceNormals[2];
    const int vertexCount = mesh.vertexCount;

    EXPECT_EQ(mesh.RemoveDegenerateFaces(), 4);
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.faces[0].getMatID(), 0u);
    EXPECT_EQ(mesh.faces[1].getMatID(), 2u);
    EXPECT_EQ(mesh.texFaces[1].t[0], 2u);
    EXPECT_EQ(mesh.faceNormals[1], normalOfFace2);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh.cornerNormals[3 + k], Point3(float(6 + k), 0, 0));
    EXPECT_EQ(mesh.vertexCount, vertexCount); // vertices are never compacted
}

TEST(RemoveDegenerate, KeepsZeroAreaFacesWithDistinctIndices) {
    Mesh mesh = zeroAreaFaces();
    EXPECT_EQ(mesh.RemoveDegenerateFaces(), 0);
    EXPECT_EQ(mesh.faceCount, 4);
}

TEST(RemoveDegenerate, CleanMeshIsUntouchedAndAllBadMeshEmpties) {
    Mesh cube = hostkit::makeBoxMesh(1, 1, 1, 2);
    TVFace* texFacesBefore = cube.texFaces;
    EXPECT_EQ(cube.RemoveDegenerateFaces(), 0);
    EXPECT_EQ(cube.texFaces, texFacesBefore); // not even reallocated

    Mesh bad;
    bad.setNumVerts(2);
    bad.setNumFaces(3); // all faces (0, 0, 0)
    EXPECT_EQ(bad.RemoveDegenerateFaces(), 3);
    EXPECT_EQ(bad.faceCount, 0);
    EXPECT_EQ(bad.faces, nullptr);

    Mesh empty;
    EXPECT_EQ(empty.RemoveDegenerateFaces(), 0);
}
