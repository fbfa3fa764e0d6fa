// Test meshes and measures.
#include "support/mesh_family.h"

#include <cmath>
#include <iterator>
#include <numbers>
#include <random>

#include <algorithm>

#include "hostkit/mesh/primitives.h"

namespace {

void setFace(Mesh& mesh, int f, uint32_t a, uint32_t b, uint32_t c, uint32_t smGroup = 1) {
    mesh.faces[f].v[0] = a;
    mesh.faces[f].v[1] = b;
    mesh.faces[f].v[2] = c;
    mesh.faces[f].smGroup = smGroup;
    mesh.faces[f].flags = MeshFace::kEdgeAll;
}

Point3 vertexOrZero(const Mesh& mesh, uint32_t v) {
    return v < uint32_t(mesh.vertexCount) ? mesh.vertices[v] : Point3();
}

} // namespace

Mesh mobiusStrip(int segments) {
    Mesh mesh;
    mesh.setNumVerts(2 * segments);
    mesh.setNumFaces(2 * segments);
    const double pi = std::numbers::pi;
    for (int i = 0; i < segments; ++i) {
        const double t = 2 * pi * i / segments;
        for (int side = 0; side < 2; ++side) {
            const double w = side == 0 ? -0.3 : 0.3;
            const double r = 1 + w * std::cos(t / 2);
            mesh.vertices[2 * i + side] =
                Point3(float(r * std::cos(t)), float(r * std::sin(t)), float(w * std::sin(t / 2)));
        }
    }
    for (int i = 0; i < segments; ++i) {
        const uint32_t a = uint32_t(2 * i), b = a + 1;
        // the last quad joins the first with its sides swapped: the half twist
        const bool last = i + 1 == segments;
        const uint32_t c = last ? 1 : a + 2, d = last ? 0 : a + 3;
        setFace(mesh, 2 * i, a, c, d);
        setFace(mesh, 2 * i + 1, a, d, b);
    }
    return mesh;
}

Mesh fan(int segments, float zigzag) {
    Mesh mesh;
    mesh.setNumVerts(segments + 1);
    mesh.setNumFaces(segments);
    for (int i = 0; i < segments; ++i) {
        const double t = 2 * std::numbers::pi * i / segments;
        const float z = zigzag == 0 ? 0.0f : (i % 2 ? zigzag : -zigzag);
        mesh.vertices[i + 1] = Point3(float(std::cos(t)), float(std::sin(t)), z);
        mesh.faces[i].v[0] = 0;
        mesh.faces[i].v[1] = uint32_t(i + 1);
        mesh.faces[i].v[2] = uint32_t((i + 1) % segments + 1);
    }
    return mesh;
}

Mesh coneFan(int segments, float height) {
    Mesh mesh = fan(segments, 0.0f);
    mesh.vertices[0].z = height;
    for (int f = 0; f < mesh.faceCount; ++f)
        setFace(mesh, f, 0, mesh.faces[f].v[1], mesh.faces[f].v[2]);
    return mesh;
}

Mesh poleSphere(int columns, int rings) {
    Mesh mesh;
    const int inner = rings - 1; // rings of vertices between the poles
    mesh.setNumVerts(columns * inner + 2);
    mesh.setNumFaces(2 * columns * (rings - 1));
    const double pi = std::numbers::pi;
    const uint32_t south = uint32_t(columns * inner), north = south + 1;
    for (int r = 0; r < inner; ++r) {
        const double lat = -pi / 2 + pi * (r + 1) / rings;
        for (int c = 0; c < columns; ++c) {
            const double lon = 2 * pi * c / columns;
            mesh.vertices[r * columns + c] =
                Point3(float(std::cos(lat) * std::cos(lon)), float(std::cos(lat) * std::sin(lon)),
                       float(std::sin(lat)));
        }
    }
    mesh.vertices[south] = Point3(0, 0, -1);
    mesh.vertices[north] = Point3(0, 0, 1);
    auto at = [&](int r, int c) { return uint32_t(r * columns + (c % columns)); };
    int f = 0;
    for (int c = 0; c < columns; ++c) {
        setFace(mesh, f++, south, at(0, c + 1), at(0, c));
        setFace(mesh, f++, north, at(inner - 1, c), at(inner - 1, c + 1));
        for (int r = 0; r + 1 < inner; ++r) {
            setFace(mesh, f++, at(r, c), at(r, c + 1), at(r + 1, c + 1));
            setFace(mesh, f++, at(r, c), at(r + 1, c + 1), at(r + 1, c));
        }
    }
    return mesh;
}

Mesh polarDisc(int spokes, int rings) {
    Mesh mesh;
    mesh.setNumVerts(spokes * rings + 1);
    mesh.setNumFaces(spokes * (2 * rings - 1));
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < spokes; ++s) {
            const double t = 2 * std::numbers::pi * s / spokes;
            mesh.vertices[1 + r * spokes + s] =
                Point3(float((r + 1) * std::cos(t)), float((r + 1) * std::sin(t)), 0);
        }
    auto at = [&](int r, int s) { return uint32_t(1 + r * spokes + s % spokes); };
    int f = 0;
    for (int s = 0; s < spokes; ++s) {
        setFace(mesh, f++, 0, at(0, s), at(0, s + 1));
        for (int r = 0; r + 1 < rings; ++r) {
            setFace(mesh, f++, at(r, s), at(r + 1, s), at(r + 1, s + 1));
            setFace(mesh, f++, at(r, s), at(r + 1, s + 1), at(r, s + 1));
        }
    }
    return mesh;
}

Mesh wavyStrip(int quads) {
    Mesh mesh;
    mesh.setNumVerts(2 * (quads + 1));
    mesh.setNumFaces(2 * quads);
    for (int i = 0; i <= quads; ++i) {
        const float x = 0.01f * float(i), z = 0.2f * std::sin(0.05f * float(i));
        mesh.vertices[2 * i] = Point3(x, 0, z);
        mesh.vertices[2 * i + 1] = Point3(x, 0.01f, z);
    }
    for (int i = 0; i < quads; ++i) {
        const uint32_t a = uint32_t(2 * i);
        setFace(mesh, 2 * i, a, a + 2, a + 3);
        setFace(mesh, 2 * i + 1, a, a + 3, a + 1);
    }
    return mesh;
}

Mesh octahedra(int count) {
    Mesh mesh;
    mesh.setNumVerts(6 * count);
    mesh.setNumFaces(8 * count);
    static constexpr uint32_t kFaces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                              {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (int i = 0; i < count; ++i) {
        const float x = 3.0f * float(i % 1000), y = 3.0f * float(i / 1000);
        const Point3 corners[6] = {{x + 1, y, 0}, {x - 1, y, 0}, {x, y + 1, 0},
                                   {x, y - 1, 0}, {x, y, 1},     {x, y, -1}};
        const uint32_t base = uint32_t(6 * i);
        for (int k = 0; k < 6; ++k) mesh.vertices[base + k] = corners[k];
        for (int k = 0; k < 8; ++k)
            setFace(mesh, 8 * i + k, base + kFaces[k][0], base + kFaces[k][1], base + kFaces[k][2]);
    }
    return mesh;
}

Mesh triangleMesh(const std::vector<Point3>& vertices,
                  const std::vector<std::array<uint32_t, 3>>& faces) {
    Mesh mesh;
    mesh.setNumVerts(int(vertices.size()));
    for (size_t i = 0; i < vertices.size(); ++i) mesh.vertices[i] = vertices[i];
    mesh.setNumFaces(int(faces.size()));
    for (size_t f = 0; f < faces.size(); ++f)
        setFace(mesh, int(f), faces[f][0], faces[f][1], faces[f][2]);
    return mesh;
}

Mesh threeFacesOnEdge() {
    return triangleMesh(
        {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -0.5f, 0.8f}, {0.5f, -0.5f, -0.8f}},
        {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}});
}

Mesh repeatedIndexFaces() {
    return triangleMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                        {{0, 1, 2},
                         {0, 0, 1},
                         {0, 2, 3},
                         {2, 2, 2},
                         {1, 7, 2}, // index out of range
                         {3, 1, 3}});
}

Mesh zeroAreaFaces() {
    // 0-1-2 along the bottom, 3 above the middle; 4 and 5 coincide with 3
    return triangleMesh({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, 1, 0}, {1, 1, 0}},
                        {{0, 1, 3},
                         {1, 2, 3},
                         {0, 2, 1},   // collinear: closes the crack under faces 0 and 1
                         {3, 4, 5}}); // three coincident points
}

Mesh noisySurface(int n, uint32_t seed) {
    Mesh mesh = hostkit::makeGridMesh(n, 10.0f);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> jitter(-0.5f, 0.5f);
    const float cell = 10.0f / float(n);
    for (int v = 0; v < mesh.vertexCount; ++v) {
        Point3& p = mesh.vertices[v];
        const float hills = 0.8f * std::sin(0.7f * p.x) * std::cos(0.5f * p.y) +
                            0.3f * std::sin(2.3f * p.x + 1.1f * p.y);
        p.x += 0.3f * cell * jitter(random);
        p.y += 0.3f * cell * jitter(random);
        p.z = hills + 0.2f * cell * jitter(random);
    }
    return mesh;
}

Mesh subdividedCube(int segments) {
    return hostkit::makeBoxMesh(1, 1, 1, segments);
}

double signedVolume(const Mesh& mesh) {
    double volume = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Point3 a = vertexOrZero(mesh, mesh.faces[f].v[0]);
        const Point3 b = vertexOrZero(mesh, mesh.faces[f].v[1]);
        const Point3 c = vertexOrZero(mesh, mesh.faces[f].v[2]);
        volume += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                   double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                   double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
                  6.0;
    }
    return volume;
}

double faceArea(const Mesh& mesh, int face) {
    const MeshFace& f = mesh.faces[face];
    for (uint32_t v : f.v)
        if (v >= uint32_t(mesh.vertexCount)) return 0;
    const Point3 a = mesh.vertices[f.v[0]], b = mesh.vertices[f.v[1]], c = mesh.vertices[f.v[2]];
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(c.x) - a.x, wy = double(c.y) - a.y, wz = double(c.z) - a.z;
    const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
    return 0.5 * std::sqrt(nx * nx + ny * ny + nz * nz);
}

double totalArea(const Mesh& mesh) {
    double area = 0;
    for (int f = 0; f < mesh.faceCount; ++f) area += faceArea(mesh, f);
    return area;
}

std::vector<NamedMesh> smallFamily() {
    std::vector<NamedMesh> family;
    auto add = [&](const char* name, Mesh mesh, bool closed, bool orientable = true) {
        family.push_back(NamedMesh{name, std::move(mesh), closed, orientable});
    };
    add("empty", Mesh(), false);
    add("grid", hostkit::makeGridMesh(4, 2.0f), false);
    add("cube", hostkit::makeBoxMesh(2, 3, 4, 1), true);
    add("subdividedCube", subdividedCube(4), true);
    add("sphere", hostkit::makeSphereMesh(1.5f, 16), true);
    add("tube", hostkit::makeCylinderMesh(1, 2, 12, 3, false), false);
    add("cylinder", hostkit::makeCylinderMesh(1, 2, 12, 3, true), true);
    add("mobius", mobiusStrip(12), false, false);
    add("threeFacesOnEdge", threeFacesOnEdge(), false);
    add("repeatedIndices", repeatedIndexFaces(), false);
    add("zeroArea", zeroAreaFaces(), false);
    add("noisy", noisySurface(8, 7), false);
    return family;
}

Mesh referenceGrid(int faces) {
    return hostkit::makeGridMesh(std::max(1, int(std::lround(std::sqrt(faces / 2.0)))), 10.0f);
}

std::vector<NamedMesh> crowdedFamily(int faces) {
    faces = std::max(faces, 400);
    const int root = std::max(2, int(std::lround(std::sqrt(faces / 2.0))));
    // the same layout at every size (five rings, so a ninth of the faces at the hub), which
    // at 1,000,000 faces puts over 100,000 around one vertex. The rings stay one unit apart
    // while the spokes multiply, so its faces grow thinner with the size: ten times the
    // faces, ten times the aspect ratio
    constexpr int kHubRings = 5;
    const int hubSpokes = std::max(3, faces / (2 * kHubRings - 1));
    std::vector<NamedMesh> family;
    auto add = [&](const char* name, Mesh mesh, bool closed) {
        family.push_back(NamedMesh{name, std::move(mesh), closed, true});
    };
    add("fan", fan(faces, 0.0f), false);
    add("cone", coneFan(faces, 1.0f), false);
    add("cylinder", hostkit::makeCylinderMesh(1, 2, faces / 4, 1, true), true);
    add("poles", poleSphere(faces / 8, 5), true);
    add("hub", polarDisc(hubSpokes, kHubRings), false);
    add("strip", wavyStrip(faces / 2), false);
    add("islands", octahedra(faces / 8), true);
    add("noisy", noisySurface(root, 17), false);
    return family;
}

std::vector<NamedMesh> testFamily() {
    std::vector<NamedMesh> family = smallFamily();
    for (NamedMesh& named : crowdedFamily(3000)) family.push_back(std::move(named));
    return family;
}

Mesh randomShells(std::mt19937& random) {
    using Triangle = std::array<uint32_t, 3>;
    struct Shell {
        std::vector<Point3> corners;
        std::vector<Triangle> sides;
    };
    // a closed cone of 80 sides
    Shell cone{{{0, 0, 2}, {0, 0, 0}}, {}};
    for (uint32_t k = 0; k < 80; ++k) {
        const float angle = float(k) * 6.2831853f / 80;
        cone.corners.push_back({std::cos(angle), std::sin(angle), 0});
        const uint32_t here = 2 + k, next = 2 + (k + 1) % 80;
        cone.sides.push_back({0, here, next});
        cone.sides.push_back({1, next, here});
    }
    // a closed lens over a wavy rim of 40, each side a fan from one of two neighbouring
    // rim vertices, so the edge between them joins two vertices of many edges each
    Shell lens;
    for (uint32_t k = 0; k < 40; ++k) {
        const float angle = float(k) * 6.2831853f / 40;
        lens.corners.push_back({std::cos(angle), std::sin(angle), 0.4f * std::sin(3 * angle)});
        if (k >= 1 && k + 1 < 40) lens.sides.push_back({0, k, k + 1});
        if (k >= 2) lens.sides.push_back({1, (k + 1) % 40, k});
    }
    const Shell kinds[] = {
        cone,
        lens,
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}}},
        {{{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
         {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}}},
        {{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {1, 1, 0}, {1, 1, 0}},
         {{4, 0, 1}, {4, 1, 2}, {4, 2, 3}, {4, 3, 0}, {5, 1, 0}, {5, 2, 1}, {5, 3, 2}, {5, 0, 3}}}};
    std::vector<Point3> points;
    std::vector<Triangle> faces;
    auto addFin = [&](uint32_t a, uint32_t b, float lift) {
        const uint32_t tip = uint32_t(points.size());
        points.push_back(points[a] + Point3(0.3f, -1, lift));
        faces.push_back(random() % 2 ? Triangle{a, b, tip} : Triangle{b, a, tip});
    };
    const int shells = 1 + int(random() % 4);
    for (int s = 0; s < shells; ++s) {
        const Shell& kind = kinds[random() % std::size(kinds)];
        const uint32_t first = uint32_t(points.size());
        const Point3 offset(float(3 * s), float(random() % 3), 0);
        for (Point3 p : kind.corners) points.push_back(p + offset);
        // share a vertex with the shell before: its first corner becomes that one's
        const bool share = s > 0 && random() % 3 == 0;
        auto index = [&](uint32_t k) { return share && k == 0 ? first - 1 : first + k; };
        const bool inward = random() % 2;
        const int missing = random() % 3 == 0 ? int(random() % kind.sides.size()) : -1;
        for (int i = 0; i < int(kind.sides.size()); ++i) {
            const Triangle& t = kind.sides[i];
            if (i != missing) {
                faces.push_back(inward ? Triangle{index(t[0]), index(t[2]), index(t[1])}
                                       : Triangle{index(t[0]), index(t[1]), index(t[2])});
            } else if (random() % 2) {
                for (int k = 0; k < 3; ++k)
                    for (float lift : {1.0f, -1.0f})
                        addFin(index(t[k]), index(t[(k + 1) % 3]), lift);
            }
        }
        for (int fins = int(random() % 3); fins > 0; --fins) {
            const Triangle& base = faces[faces.size() - 1 - random() % 3];
            addFin(base[0], base[1], float(fins));
        }
    }
    if (random() % 4 == 0) faces.push_back({0, 0, 1});
    std::vector<uint32_t> renumber(points.size());
    for (uint32_t v = 0; v < renumber.size(); ++v) renumber[v] = v;
    std::shuffle(renumber.begin(), renumber.end(), random);
    std::vector<Point3> shuffledPoints(points.size());
    for (size_t v = 0; v < points.size(); ++v) shuffledPoints[renumber[v]] = points[v];
    std::shuffle(faces.begin(), faces.end(), random);
    for (Triangle& t : faces) {
        for (uint32_t& v : t) v = renumber[v];
        std::rotate(t.begin(), t.begin() + random() % 3, t.end());
    }
    return triangleMesh(shuffledPoints, faces);
}
