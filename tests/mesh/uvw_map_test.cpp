// ApplyUVWMap: ranges, seams, box sides without mirroring, tiles and flips, and the
// coordinates bit for bit as the C library's functions give them.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <set>

#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

const Matrix3 kIdentity;

UVVert tv(const Mesh& mesh, int face, int k) {
    return mesh.texVerts[mesh.texFaces[face].t[k]];
}

// Twice the signed area of a face's texture triangle in (u, v).
float texArea(const Mesh& mesh, int f) {
    const UVVert a = tv(mesh, f, 0), b = tv(mesh, f, 1), c = tv(mesh, f, 2);
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

void expectValidIndices(const Mesh& mesh, const std::string& name) {
    ASSERT_NE(mesh.texFaces, nullptr) << name;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t t : mesh.texFaces[f].t) ASSERT_LT(t, uint32_t(mesh.texVertCount)) << name;
}

bool sameBits(const UVVert& a, const UVVert& b) {
    return std::memcmp(&a, &b, sizeof(UVVert)) == 0;
}

// Each vertex (in tm space, identity here) fitted into the box of the faces' corners,
// straight from the contract: the box grows corner by corner in face order.
std::vector<Point3> fittedVertices(const Mesh& mesh) {
    Box3 box;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v) box += mesh.vertices[v];
    std::vector<Point3> fitted;
    for (int v = 0; v < mesh.vertexCount; ++v) {
        Point3 q;
        for (int axis = 0; axis < 3; ++axis) {
            const double lo = box.pmin[axis], hi = box.pmax[axis];
            const double scale = hi - lo > 0 ? 1 / (hi - lo) : 1;
            q[axis] = float((double(mesh.vertices[v][axis]) - (lo + hi) / 2) * scale);
        }
        fitted.push_back(q);
    }
    return fitted;
}

// A UV sphere whose vertices are moved at random: angles and lengths of every kind.
Mesh jitteredSphere(uint32_t seed) {
    Mesh mesh = hostkit::makeSphereMesh(1, 160);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.02f, 0.02f);
    for (int v = 0; v < mesh.vertexCount; ++v)
        mesh.vertices[v] += Point3(jitter(random), jitter(random), jitter(random));
    return mesh;
}

} // namespace

TEST(UVWMap, WrappingCoordinatesAreTheLibraryFunctionsBitForBit) {
    // the angles and lengths are settled by estimates where they cannot round otherwise:
    // an estimate off by more than its slack (a wrong series term, say) shows here
    const Mesh sphere = jitteredSphere(5);
    const std::vector<Point3> fitted = fittedVertices(sphere);
    for (int type : {MAP_CYLINDRICAL, MAP_SPHERICAL, MAP_BALL}) {
        Mesh mesh = sphere;
        mesh.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, 0, kIdentity);
        int compared = 0, differ = 0;
        for (int f = 0; f < mesh.faceCount; ++f) {
            for (int k = 0; k < 3; ++k) {
                const Point3 q = fitted[mesh.faces[f].v[k]];
                const double x = q.x, y = q.y, z = q.z;
                const double azimuth = std::atan2(y, x);
                const float u = float(azimuth / (2 * std::numbers::pi) + 0.5);
                UVVert expected;
                if (type == MAP_CYLINDRICAL) {
                    expected = UVVert(u, q.z + 0.5f, 2 * float(std::hypot(x, y)));
                } else if (type == MAP_SPHERICAL) {
                    const double radial = std::hypot(x, y);
                    expected = UVVert(u, float(std::atan2(z, radial) / std::numbers::pi + 0.5),
                                      2 * float(std::sqrt(radial * radial + z * z)));
                } else {
                    const double c = std::cos(azimuth), s = std::sin(azimuth);
                    const double len = std::sqrt(x * x + y * y + z * z);
                    const double polar = std::acos(std::clamp(z / len, -1.0, 1.0));
                    const double r =
                        polar / std::numbers::pi * (0.5 / std::max(std::abs(c), std::abs(s)));
                    expected = UVVert(float(0.5 + r * c), float(0.5 + r * s), 2 * float(len));
                }
                const UVVert got = tv(mesh, f, k);
                if (got.x != expected.x && got.x == expected.x + 1) continue; // seam shift
                if (q.x == 0 && q.y == 0) continue; // poles take their face's mean
                ++compared;
                differ += !sameBits(got, expected);
            }
        }
        EXPECT_GT(compared, 3 * mesh.faceCount - 1000) << "type " << type;
        EXPECT_EQ(differ, 0) << "type " << type;
    }
}

TEST(UVWMap, TheBoxTakesTheFirstOfZerosOfBothSigns) {
    // Flat in y, with y = -0 and +0: the fit's centre takes the sign of the first
    // corner's zero (in face order), and q.y the sign that centre leaves, which the
    // azimuth of a point with x < 0 turns into u = 0 or u = 1.
    const Matrix3 keepsZeros(Point3(1, 0, 0), Point3(0, 1, 0), Point3(0, 0, 1),
                             Point3(-0.0f, -0.0f, -0.0f));
    Mesh mesh = triangleMesh({{-1, 0.0f, -1},
                              {-2, 0.0f, -1},
                              {-1, 0.0f, -2},
                              {-1, -0.0f, -1},
                              {-2, -0.0f, -1},
                              {-1, -0.0f, -2}},
                             {{7, 8, 9}, {0, 1, 2}, {3, 4, 5}});
    // face 0 has no corner in range: the first zero is +0, in face 1
    mesh.ApplyUVWMap(MAP_SPHERICAL, 1, 1, 1, 0, 0, 0, 0, keepsZeros);
    // corner 1 of each face lies at fitted x = -0.5
    EXPECT_EQ(tv(mesh, 1, 1).x, 1.0f); // +0 - +0 = +0: atan2 gives +pi
    EXPECT_EQ(tv(mesh, 2, 1).x, 0.0f); // -0 - +0 = -0: atan2 gives -pi
}

TEST(UVWMap, EveryTypeStaysInRangeOnTheFamily) {
    for (NamedMesh& named : testFamily()) {
        for (int type = 0; type <= 4; ++type) {
            Mesh mesh = named.mesh;
            mesh.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, 1, kIdentity);
            if (mesh.faceCount == 0) continue;
            expectValidIndices(mesh, named.name);
            for (int i = 0; i < mesh.texVertCount; ++i) {
                const UVVert t = mesh.texVerts[i];
                EXPECT_TRUE(std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z));
                // the seam shift may push u up to 1.5 in the wrapping types
                EXPECT_GE(t.x, -1e-6f) << named.name << " type " << type;
                EXPECT_LE(t.x, type == 1 || type == 2 ? 1.5f : 1.0f + 1e-6f) << named.name;
                EXPECT_GE(t.y, -1e-6f) << named.name << " type " << type;
                EXPECT_LE(t.y, 1.0f + 1e-6f) << named.name << " type " << type;
            }
        }
    }
}

TEST(UVWMap, NoFaceStraddlesTheWrapSeam) {
    for (int type : {MAP_CYLINDRICAL, MAP_SPHERICAL}) {
        for (Mesh mesh :
             {hostkit::makeSphereMesh(2, 24), hostkit::makeCylinderMesh(1, 3, 17, 2, false)}) {
            mesh.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, 0, kIdentity);
            for (int f = 0; f < mesh.faceCount; ++f) {
                float lo = 10, hi = -10;
                for (int k = 0; k < 3; ++k)
                    lo = std::min(lo, tv(mesh, f, k).x), hi = std::max(hi, tv(mesh, f, k).x);
                EXPECT_LE(hi - lo, 0.5f) << "type " << type << " face " << f;
                // winding follows the faces: the outside reads unmirrored
                EXPECT_GE(texArea(mesh, f), 0) << "type " << type << " face " << f;
            }
        }
    }
}

TEST(UVWMap, SphericalPoleCornersSitBetweenTheirNeighbours) {
    Mesh sphere = hostkit::makeSphereMesh(1, 12);
    sphere.ApplyUVWMap(MAP_SPHERICAL, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    for (int f = 0; f < 12; ++f) { // the north cap: corner 2 is the pole
        EXPECT_NEAR(tv(sphere, f, 2).x, (tv(sphere, f, 0).x + tv(sphere, f, 1).x) / 2, 1e-6f);
        EXPECT_NEAR(tv(sphere, f, 2).y, 1.0f, 1e-6f);
    }
}

TEST(UVWMap, BoxCoversEachCubeSideOnceWithoutMirroring) {
    Mesh cube = hostkit::makeBoxMesh(2, 2, 2, 3);
    cube.ApplyUVWMap(MAP_BOX, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    expectValidIndices(cube, "cube");
    double area[6] = {};
    for (int f = 0; f < cube.faceCount; ++f) {
        EXPECT_GT(texArea(cube, f), 0) << f; // texture winding agrees with face winding
        area[cube.faces[f].getMatID()] += texArea(cube, f) / 2;
    }
    for (double sideArea : area) EXPECT_NEAR(sideArea, 1.0, 1e-5);
}

TEST(UVWMap, PlanarFitsTheBoundsAndFlatAxisCountsAsOne) {
    Mesh grid = hostkit::makeGridMesh(3, 4); // flat in z
    grid.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    EXPECT_EQ(grid.texVertCount, grid.vertexCount); // shared wherever they agree
    for (int c = 0; c < grid.faceCount * 3; ++c) {
        const Point3 p = grid.vertices[grid.faces[c / 3].v[c % 3]];
        const UVVert t = tv(grid, c / 3, c % 3);
        EXPECT_NEAR(t.x, p.x / 4 + 0.5f, 1e-6f);
        EXPECT_NEAR(t.y, p.y / 4 + 0.5f, 1e-6f);
        EXPECT_EQ(t.z, 0.5f);
    }
}

TEST(UVWMap, TilesAndFlipsScaleAfterFlipping) {
    Mesh plain = hostkit::makeBoxMesh(1, 1, 1, 2);
    Mesh tiled = plain;
    plain.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    tiled.ApplyUVWMap(MAP_PLANAR, 2, 3, 4, 1, 0, 1, 0, kIdentity);
    ASSERT_EQ(plain.texVertCount, tiled.texVertCount);
    for (int i = 0; i < plain.texVertCount; ++i) {
        const UVVert p = plain.texVerts[i], t = tiled.texVerts[i];
        EXPECT_NEAR(t.x, (1 - p.x) * 2, 1e-6f);
        EXPECT_NEAR(t.y, p.y * 3, 1e-6f);
        EXPECT_NEAR(t.z, (1 - p.z) * 4, 1e-6f);
    }
}

TEST(UVWMap, CylinderCapsGoPlanarOnlyWithCap) {
    Mesh capped = hostkit::makeCylinderMesh(1, 2, 16, 1, true);
    Mesh uncapped = capped;
    capped.ApplyUVWMap(MAP_CYLINDRICAL, 1, 1, 1, 0, 0, 0, 1, kIdentity);
    uncapped.ApplyUVWMap(MAP_CYLINDRICAL, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    for (int f = 0; f < capped.faceCount; ++f) {
        if (capped.faces[f].getMatID() == 2) continue; // side
        // the cap centre maps to the middle of the texture only in planar mapping
        EXPECT_NEAR(tv(capped, f, 0).x, 0.5f, 1e-6f);
        EXPECT_NEAR(tv(capped, f, 0).y, 0.5f, 1e-6f);
        const float v = tv(uncapped, f, 0).y;
        EXPECT_TRUE(v == 0.0f || v == 1.0f); // cylindrical v is the height
    }
}

TEST(UVWMap, ReplacesOldMappingAndLeavesEmptyMeshAlone) {
    Mesh sphere = hostkit::makeSphereMesh(1, 16);
    sphere.ApplyUVWMap(MAP_BALL, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    expectValidIndices(sphere, "sphere");
    Mesh empty;
    empty.ApplyUVWMap(MAP_BOX, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    EXPECT_EQ(empty.texFaces, nullptr);
    EXPECT_EQ(empty.texVertCount, 0);
    Mesh grid = hostkit::makeGridMesh(2, 1);
    grid.ApplyUVWMap(99, 1, 1, 1, 0, 0, 0, 0, kIdentity); // unknown: planar
    EXPECT_NEAR(grid.texVerts[0].x, 0.0f, 1e-6f);
}

TEST(UVWMap, ShrinkWrapHasNoWrapSeamNorMirrorAndGathersTheBorderAtTheBottom) {
    Mesh sphere = hostkit::makeSphereMesh(1, 24);
    sphere.ApplyUVWMap(MAP_BALL, 1, 1, 1, 0, 0, 0, 0, kIdentity);
    for (int f = 0; f < sphere.faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            const Point3 p = sphere.vertices[sphere.faces[f].v[k]];
            const UVVert t = tv(sphere, f, k);
            const float border = std::max(std::abs(t.x - 0.5f), std::abs(t.y - 0.5f));
            if (p.z == 1) {
                EXPECT_NEAR(border, 0.0f, 1e-6f); // top pole: centre
            } else if (p.z == -1) {
                EXPECT_NEAR(border, 0.5f, 1e-6f); // bottom pole: border
                // on the border where the face's other corners point, next to them
                const UVVert a = tv(sphere, f, (k + 1) % 3), b = tv(sphere, f, (k + 2) % 3);
                EXPECT_LT(std::hypot(t.x - (a.x + b.x) / 2, t.y - (a.y + b.y) / 2), 0.1f) << f;
            }
        }
        if (sphere.faces[f].v[2] != 0 && f < sphere.faceCount - 24) {
            // away from the bottom pole, neighbouring corners stay close (no wrap seam),
            // and the outside reads unmirrored
            EXPECT_LT(std::abs(tv(sphere, f, 0).x - tv(sphere, f, 1).x), 0.25f) << f;
            EXPECT_GT(texArea(sphere, f), 0) << f;
        }
    }
}

// Pole corners are written as they are made, into the old array while they fit there:
// an old mapping too small for them, or larger than needed, changes nothing in the
// result.
TEST(UVWMap, OldArraysOfAnySizeGiveTheSameMapping) {
    for (const int type : {MAP_BALL, MAP_SPHERICAL, MAP_CYLINDRICAL}) {
        for (const Mesh& shape : {fan(200, 0.0f), poleSphere(40, 9)}) {
            Mesh fresh = shape;
            fresh.ApplyUVWMap(type, 2, 1, 1, 1, 0, 0, 0, kIdentity);
            ASSERT_GT(fresh.texVertCount, shape.vertexCount) << type; // pole corners made
            for (const int oldCount : {shape.vertexCount, fresh.texVertCount + 50}) {
                Mesh old = shape;
                old.setNumTVerts(oldCount);
                for (int i = 0; i < oldCount; ++i) old.texVerts[i] = UVVert(7, 7, 7);
                old.setTexFacesEnabled(true, false);
                old.ApplyUVWMap(type, 2, 1, 1, 1, 0, 0, 0, kIdentity);
                ASSERT_EQ(old.texVertCount, fresh.texVertCount) << type << " " << oldCount;
                for (int i = 0; i < fresh.texVertCount; ++i)
                    ASSERT_TRUE(sameBits(old.texVerts[i], fresh.texVerts[i]))
                        << type << " " << oldCount << " " << i;
                EXPECT_EQ(std::memcmp(old.texFaces, fresh.texFaces,
                                      sizeof(TVFace) * size_t(shape.faceCount)),
                          0);
            }
        }
    }
}

// The identity transform still turns -0 into +0 (its translation is added): a vertex
// with a -0 maps as the same vertex with +0, whether or not the positions are copied.
TEST(UVWMap, TheIdentityTurnsNegativeZerosPositive) {
    for (const int type : {MAP_PLANAR, MAP_CYLINDRICAL, MAP_SPHERICAL, MAP_BALL, MAP_BOX}) {
        Mesh negative = fan(8, 0.3f), positive = fan(8, 0.3f);
        negative.vertices[5] = Point3(-1, -0.0f, -0.0f); // on the seam, at the back
        positive.vertices[5] = Point3(-1, 0.0f, 0.0f);
        negative.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, 1, kIdentity);
        positive.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, 1, kIdentity);
        ASSERT_EQ(negative.texVertCount, positive.texVertCount) << type;
        for (int i = 0; i < positive.texVertCount; ++i)
            EXPECT_TRUE(sameBits(negative.texVerts[i], positive.texVerts[i])) << type << " " << i;
    }
}
