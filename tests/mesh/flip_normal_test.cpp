// FlipNormal: winding, edge bits and texture corners; twice is the identity.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <cstring>

#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

bool sameBytes(const void* a, const void* b, size_t n) {
    return (a == nullptr) == (b == nullptr) && (!a || std::memcmp(a, b, n) == 0);
}

} // namespace

TEST(FlipNormal, TwiceRestoresEveryWordOnTheWholeFamily) {
    for (NamedMesh& named : testFamily()) {
        Mesh& mesh = named.mesh;
        if (mesh.faceCount) mesh.faces[0].flags |= 0x5A0u; // other flag bits ride along
        hostkit::buildCornerNormals(mesh);
        const Mesh before = mesh;
        for (int round = 0; round < 2; ++round)
            for (int f = 0; f < mesh.faceCount; ++f) mesh.FlipNormal(f);
        const size_t n = size_t(mesh.faceCount);
        EXPECT_TRUE(sameBytes(mesh.faces, before.faces, n * sizeof(MeshFace))) << named.name;
        EXPECT_TRUE(sameBytes(mesh.texFaces, before.texFaces, n * sizeof(TVFace))) << named.name;
        EXPECT_TRUE(sameBytes(mesh.faceNormals, before.faceNormals, n * sizeof(Point3)))
            << named.name;
        EXPECT_TRUE(sameBytes(mesh.cornerNormals, before.cornerNormals, 3 * n * sizeof(Point3)))
            << named.name;
    }
}

TEST(FlipNormal, ReversesWindingAndKeepsTheSameEdgesVisible) {
    Mesh mesh = hostkit::makeGridMesh(1, 1);
    MeshFace& face = mesh.faces[0];
    face.flags = (7u << 16) | 1u; // only edge v0-v1 visible, material 7
    face.smGroup = 0x30;
    const MeshFace original = face;
    const TVFace tex = mesh.texFaces[0];
    const double volumeSignBefore = signedVolume(mesh);

    mesh.FlipNormal(0);
    EXPECT_EQ(face.v[0], original.v[0]);
    EXPECT_EQ(face.v[1], original.v[2]);
    EXPECT_EQ(face.v[2], original.v[1]);
    // the visible edge {v0, v1} is now edge 2 (v2-v0 in the new order)
    EXPECT_EQ(face.flags & 7u, 4u);
    EXPECT_EQ(face.getMatID(), 7u);
    EXPECT_EQ(face.smGroup, 0x30u);
    EXPECT_EQ(mesh.texFaces[0].t[1], tex.t[2]);
    EXPECT_EQ(mesh.texFaces[0].t[2], tex.t[1]);
    EXPECT_EQ(signedVolume(mesh), volumeSignBefore); // z = 0: flat, still zero
}

TEST(FlipNormal, NegatesBuiltNormals) {
    Mesh mesh = hostkit::makeGridMesh(1, 1);
    hostkit::buildCornerNormals(mesh);
    const Point3 n = mesh.faceNormals[1];
    mesh.FlipNormal(1);
    EXPECT_EQ(mesh.faceNormals[1], -n);
    EXPECT_EQ(mesh.cornerNormals[3], Point3(0, 0, -1));
}

TEST(FlipNormal, OutOfRangeIndexChangesNothing) {
    Mesh mesh = hostkit::makeBoxMesh(1, 1, 1, 1);
    const Mesh before = mesh;
    mesh.FlipNormal(-1);
    mesh.FlipNormal(mesh.faceCount);
    EXPECT_TRUE(sameBytes(mesh.faces, before.faces, sizeof(MeshFace) * 12));
}
