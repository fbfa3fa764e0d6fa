// UnifyNormals: consistent, outward orientation on closed meshes; termination on odd ones.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "hostkit/mesh/unify_normals_parts.h"
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

TEST(UnifyNormals, AClosedMeshsVolumeTermsSumToSixTimesItsVolume) {
    // turned off the axes and moved, from one of its vertices and from a point outside
    const Matrix3 placement =
        Matrix3::Rotation(Normalize({1, 2, 3}), 0.7f) * Matrix3::Translation({4, -3, 2});
    for (const NamedMesh& named : testFamily()) {
        if (!named.closed) continue;
        Mesh mesh = named.mesh;
        for (int v = 0; v < mesh.vertexCount; ++v) mesh.vertices[v] = mesh.vertices[v] * placement;
        const double expected = 6 * signedVolume(mesh);
        ASSERT_GT(std::abs(expected), 1e-3) << named.name;
        for (const Point3& origin : {mesh.vertices[0], Point3{-5, 7, 1}}) {
            double sum = 0;
            for (int f = 0; f < mesh.faceCount; ++f) {
                const MeshFace& face = mesh.faces[f];
                sum +=
                    hostkit::unify::faceVolume(origin, mesh.vertices[face.v[0]],
                                               mesh.vertices[face.v[1]], mesh.vertices[face.v[2]]);
            }
            EXPECT_NEAR(sum, expected, 1e-4 * std::abs(expected)) << named.name;
        }
    }
}

TEST(UnifyNormals, InsideOutClosedMeshIsTurnedOutward) {
    // at 40 segments, 40 faces meet at each pole: more edges than a vertex's slots hold
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

namespace {

// Whether the face still has the winding it had in before (same first vertex, same second).
bool keptWinding(const Mesh& mesh, const Mesh& before, int f) {
    return mesh.faces[f].v[0] == before.faces[f].v[0] && mesh.faces[f].v[1] == before.faces[f].v[1];
}

// Two faces on the edge 0-1 that run along it the same way, both from 1 to 0 (down to the
// lower vertex) or both from 0 to 1; face 1 has twice face 0's area. Vertices from first on.
std::vector<std::array<uint32_t, 3>> disagreeingPair(bool runDown, uint32_t first) {
    const uint32_t a = first + (runDown ? 1 : 0), b = first + (runDown ? 0 : 1);
    return {{a, b, first + 2}, {a, b, first + 3}};
}
const std::vector<Point3> kPairPoints = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -2, 0}};

// The corners of a tetrahedron, and its sides but the base (0, 1, 2) wound inward: a bowl.
const std::vector<Point3> kCorners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const std::vector<std::array<uint32_t, 3>> kInwardBowl = {{0, 3, 1}, {1, 3, 2}, {0, 2, 3}};

// Appends the tetrahedron of kCorners, moved 5 along x, closed by its base and wound
// outward or inward.
void addTetrahedron(std::vector<Point3>& points, std::vector<std::array<uint32_t, 3>>& faces,
                    bool outward) {
    const uint32_t first = uint32_t(points.size());
    for (Point3 p : kCorners) points.push_back(p + Point3(5, 0, 0));
    std::vector<std::array<uint32_t, 3>> sides = kInwardBowl;
    sides.push_back({0, 1, 2});
    for (auto side : sides)
        faces.push_back(
            outward ? std::array<uint32_t, 3>{first + side[0], first + side[2], first + side[1]}
                    : std::array<uint32_t, 3>{first + side[0], first + side[1], first + side[2]});
}

} // namespace

TEST(UnifyNormals, TwoFacesRunningAnEdgeTheSameWayDisagreeEitherWay) {
    // the lesser face turns, whichever way the pair runs along the shared edge
    for (bool runDown : {true, false}) {
        Mesh pair = triangleMesh(kPairPoints, disagreeingPair(runDown, 0));
        const Mesh before = pair;
        pair.UnifyNormals(0);
        EXPECT_EQ(inconsistentEdges(pair), 0) << runDown;
        EXPECT_FALSE(keptWinding(pair, before, 0)) << runDown;
        EXPECT_TRUE(keptWinding(pair, before, 1)) << runDown;
    }
}

TEST(UnifyNormals, AnOpenPatchTakesTheLesserAreaWhateverItsVolume) {
    // A bowl: a tetrahedron without its base, wound inward, one side turned out. Open, so
    // the side turned out goes back, though the bowl's volume from its corner is negative.
    Mesh bowl = triangleMesh(kCorners, kInwardBowl);
    bowl.FlipNormal(2);
    const Mesh before = bowl;
    bowl.UnifyNormals(0);
    EXPECT_TRUE(keptWinding(bowl, before, 0));
    EXPECT_TRUE(keptWinding(bowl, before, 1));
    EXPECT_FALSE(keptWinding(bowl, before, 2));

    // The bowl as it was, beside a closed tetrahedron wound outward: windings agree
    // everywhere, so no search runs, and the bowl is still open and keeps its winding.
    std::vector<Point3> points = kCorners;
    std::vector<std::array<uint32_t, 3>> faces = kInwardBowl;
    addTetrahedron(points, faces, true);
    const Mesh withTetrahedron = triangleMesh(points, faces);
    Mesh mesh = withTetrahedron;
    mesh.UnifyNormals(0);
    for (int f = 0; f < mesh.faceCount; ++f)
        EXPECT_TRUE(keptWinding(mesh, withTetrahedron, f)) << f;
}

TEST(UnifyNormals, APatchStaysOpenWhenTheSetsOfItsFacesJoin) {
    // An octahedron (vertices 0-5) wound inward with one face missing: open, so it keeps
    // its winding, though its volume is negative. Beside it, a tetrahedron wound outward
    // (6-9) with two fins (to 10, 11) on one edge: an edge of four faces, so the patches
    // are found over every edge. In this order of faces, octahedron faces at the hole are
    // found open while still apart, before their sets join the rest of the octahedron.
    const std::vector<Point3> points = {{0, 1, 0}, {-1, 0, 0}, {0, -1, 0},     {1, 0, 0},
                                        {0, 0, 1}, {0, 0, -1}, {5, 0, 0},      {6, 0, 0},
                                        {5, 1, 0}, {5, 0, 1},  {5.5f, -1, -1}, {5.5f, -1, 1}};
    const std::vector<std::array<uint32_t, 3>> faces = {
        {11, 7, 6}, {2, 3, 5}, {9, 8, 6}, {8, 7, 6}, {9, 7, 8}, {7, 10, 6}, {9, 6, 7},
        {5, 3, 0},  {3, 2, 4}, {5, 0, 1}, {2, 5, 1}, {2, 1, 4}, {4, 0, 3}};
    const Mesh before = triangleMesh(points, faces);
    Mesh mesh = before;
    mesh.UnifyNormals(0);
    for (int f = 0; f < mesh.faceCount; ++f) EXPECT_TRUE(keptWinding(mesh, before, f)) << f;
}

TEST(UnifyNormals, APatchOpenOnlyAtEdgesOfThreeFacesStaysAsItIs) {
    // The inward bowl above, none of its sides turned out, with two fins on each edge of its rim:
    // its rim edges have three faces each, so it is open there and keeps its winding. Once windings
    // agree everywhere, once with a disagreeing pair beside it (so the search decides).
    std::vector<Point3> points = kCorners;
    points.insert(
        points.end(),
        {{0.5f, -1, -1}, {0.5f, -1, 1}, {-1, 0.5f, -1}, {-1, 0.5f, 1}, {1, 1, -1}, {1, 1, 1}});
    std::vector<std::array<uint32_t, 3>> faces = kInwardBowl;
    faces.insert(faces.end(), {{0, 1, 4}, {1, 0, 5}, {2, 0, 6}, {0, 2, 7}, {1, 2, 8}, {2, 1, 9}});
    for (bool withPair : {false, true}) {
        std::vector<Point3> allPoints = points;
        std::vector<std::array<uint32_t, 3>> allFaces = faces;
        if (withPair) {
            for (Point3 p : kPairPoints) allPoints.push_back(p + Point3(5, 0, 0));
            for (auto face : disagreeingPair(true, uint32_t(points.size())))
                allFaces.push_back(face);
        }
        Mesh mesh = triangleMesh(allPoints, allFaces);
        const Mesh before = mesh;
        mesh.UnifyNormals(0);
        for (int f = 0; f < 9; ++f) EXPECT_TRUE(keptWinding(mesh, before, f)) << f << withPair;
        if (withPair) {
            EXPECT_EQ(inconsistentEdges(mesh), 0);
        }
    }
}

TEST(UnifyNormals, AClosedPatchWithoutVolumeKeepsItsWinding) {
    // A flat pillow: a square fanned from its centre, and the same square wound the other
    // way, fanned from a second centre on the first, closed along the rim. Its volume has
    // no sign to go by, alone or beside an inside-out tetrahedron that turns.
    std::vector<Point3> points = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {1, 1, 0}, {1, 1, 0}};
    std::vector<std::array<uint32_t, 3>> faces = {{4, 0, 1}, {4, 1, 2}, {4, 2, 3}, {4, 3, 0},
                                                  {5, 1, 0}, {5, 2, 1}, {5, 3, 2}, {5, 0, 3}};
    const Mesh pillow = triangleMesh(points, faces);
    ASSERT_EQ(signedVolume(pillow), 0);
    // the inward bowl closed by its base, also wound inward, off to one side
    addTetrahedron(points, faces, false);
    const Mesh withTetrahedron = triangleMesh(points, faces);
    ASSERT_LT(signedVolume(withTetrahedron), 0);
    for (const Mesh* before : {&pillow, &withTetrahedron})
        for (int flag : {0, 1}) {
            Mesh mesh = *before;
            mesh.UnifyNormals(flag);
            for (int f = 0; f < 8; ++f)
                EXPECT_TRUE(keptWinding(mesh, *before, f)) << f << " flag " << flag;
            if (before == &withTetrahedron && flag == 0) {
                EXPECT_GT(signedVolume(mesh), 0);
            }
        }
}

namespace {

using Triangle = std::array<uint32_t, 3>;

// Where windings agree, patches are found without a search. Two faces running an edge the
// same way, far off, make the same scene take the search; every face of the scene must
// come out the same either way, for both flags.
void expectTurnedAsTheSearchTurnsIt(const Mesh& scene, int trial) {
    std::vector<Point3> points(scene.vertices, scene.vertices + scene.vertexCount);
    std::vector<Triangle> faces;
    for (int f = 0; f < scene.faceCount; ++f)
        faces.push_back({scene.faces[f].v[0], scene.faces[f].v[1], scene.faces[f].v[2]});
    const uint32_t first = uint32_t(points.size());
    for (Point3 p : kPairPoints) points.push_back(p + Point3(100, 0, 0));
    for (const Triangle& t : disagreeingPair(trial % 2 == 0, first)) faces.push_back(t);
    const Mesh withPair = triangleMesh(points, faces);
    for (int flag : {0, 1}) {
        Mesh quick = scene, searched = withPair;
        quick.UnifyNormals(flag);
        searched.UnifyNormals(flag);
        for (int f = 0; f < scene.faceCount; ++f)
            ASSERT_TRUE(keptWinding(quick, searched, f))
                << "trial " << trial << " flag " << flag << " face " << f;
    }
}

} // namespace

TEST(UnifyNormals, AgreeingWindingsTurnAsTheSearchWouldTurnThem) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 400; ++trial) {
        expectTurnedAsTheSearchTurnsIt(randomShells(random), trial);
        if (HasFatalFailure()) return;
    }
}

TEST(UnifyNormals, ShuffledSpheresTurnAsTheSearchWouldTurnThem) {
    // Numbered at random, many edges join two vertices whose slots are full, so they are
    // hashed, and the hash table has to grow; some spheres come inside out, some with a
    // hole.
    std::mt19937 random(11);
    for (int trial = 0; trial < 12; ++trial) {
        const Mesh sphere = hostkit::makeSphereMesh(1, 24 + trial);
        std::vector<uint32_t> renumber(size_t(sphere.vertexCount));
        for (uint32_t v = 0; v < renumber.size(); ++v) renumber[v] = v;
        std::shuffle(renumber.begin(), renumber.end(), random);
        std::vector<Point3> points(renumber.size());
        for (size_t v = 0; v < renumber.size(); ++v) points[renumber[v]] = sphere.vertices[v];
        std::vector<Triangle> faces;
        for (int f = 0; f < sphere.faceCount; ++f) {
            if (trial % 3 == 2 && f == sphere.faceCount / 2) continue;
            const MeshFace& face = sphere.faces[f];
            const Triangle t = {renumber[face.v[0]], renumber[face.v[1]], renumber[face.v[2]]};
            faces.push_back(trial % 2 ? Triangle{t[0], t[2], t[1]} : t);
        }
        std::shuffle(faces.begin(), faces.end(), random);
        expectTurnedAsTheSearchTurnsIt(triangleMesh(points, faces), trial);
        if (HasFatalFailure()) return;
    }
}

TEST(UnifyNormals, AFanTurnsItsOneReversedFace) {
    // Five faces about vertex 0, the lowest, open between its first and last rim vertex:
    // its four slots fill with its first edges, and the last two are kept with their rim
    // vertex, their direction with them. The last face reversed meets its neighbour only
    // where both run down to vertex 0, at one of those.
    std::vector<Point3> points = {{0, 0, 0}};
    for (int k = 0; k < 6; ++k) {
        const float angle = float(k) * 6.2831853f / 7;
        points.push_back({std::cos(angle), std::sin(angle), 0});
    }
    for (int reversed = 0; reversed < 5; ++reversed) {
        std::vector<Triangle> faces;
        for (uint32_t k = 1; k <= 5; ++k)
            faces.push_back(int(k) - 1 == reversed ? Triangle{0, k + 1, k} : Triangle{0, k, k + 1});
        const Mesh before = triangleMesh(points, faces);
        for (int flag : {0, 1}) {
            Mesh mesh = before;
            mesh.UnifyNormals(flag);
            for (int f = 0; f < 5; ++f)
                EXPECT_EQ(keptWinding(mesh, before, f), f != reversed)
                    << "reversed " << reversed << " flag " << flag << " face " << f;
        }
    }
}
