// Primitive meshes built straight into the host's arrays.
#include "hostkit/mesh/primitives.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Edge flag words for the two triangles of a quad split along its a-c diagonal.
constexpr uint32_t kQuadFirstEdges = 1u | 2u;  // a-b, b-c visible; c-a is the diagonal
constexpr uint32_t kQuadSecondEdges = 2u | 4u; // a-c is the diagonal; c-d, d-a visible

// Writes faces and texture faces in order; sizes are fixed up front.
struct FaceWriter {
    Mesh& mesh;
    int next = 0;

    void add(uint32_t a, uint32_t b, uint32_t c, uint32_t ta, uint32_t tb, uint32_t tc,
             uint32_t smGroup, uint32_t matId, uint32_t edges) {
        MeshFace& face = mesh.faces[next];
        face.v[0] = a;
        face.v[1] = b;
        face.v[2] = c;
        face.smGroup = smGroup;
        face.flags = edges;
        face.setMatID(matId);
        mesh.texFaces[next] = TVFace{{ta, tb, tc}};
        ++next;
    }
    // Quad a-b-c-d counter-clockwise seen from its front, split along a-c.
    void addQuad(const uint32_t v[4], const uint32_t t[4], uint32_t smGroup, uint32_t matId) {
        add(v[0], v[1], v[2], t[0], t[1], t[2], smGroup, matId, kQuadFirstEdges);
        add(v[0], v[2], v[3], t[0], t[2], t[3], smGroup, matId, kQuadSecondEdges);
    }
};

void allocate(Mesh& mesh, int vertexCount, int texVertCount, int faceCount) {
    mesh.clear();
    mesh.setNumVerts(vertexCount);
    mesh.setNumTVerts(texVertCount);
    mesh.setNumFaces(faceCount);
    mesh.setTexFacesEnabled(true, false);
}

// Index of lattice point (i, j, k) of an s-segment box among its surface points: the
// bottom layer, then one ring of 4s points per inner layer, then the top layer.
uint32_t boxSurfaceIndex(int s, int i, int j, int k) {
    const int layer = (s + 1) * (s + 1);
    if (k == 0) return uint32_t(j * (s + 1) + i);
    if (k == s) return uint32_t(layer + (s - 1) * 4 * s + j * (s + 1) + i);
    int ring;
    if (j == 0)
        ring = i;
    else if (i == s)
        ring = s + j;
    else if (j == s)
        ring = 2 * s + (s - i);
    else
        ring = 3 * s + (s - j);
    return uint32_t(layer + (k - 1) * 4 * s + ring);
}

struct BoxSide {
    int origin[3];
    int u[3]; // unit lattice steps; u x v points outward
    int v[3];
};

constexpr BoxSide kBoxSides[6] = {
    {{0, 1, 0}, {1, 0, 0}, {0, -1, 0}}, // bottom, -z
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  // top, +z
    {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}},  // front, -y
    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  // right, +x
    {{1, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, // back, +y
    {{0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, // left, -x
};

} // namespace

Mesh hostkit::makeBoxMesh(float width, float length, float height, int segments) {
    const int s = std::clamp(segments, 1, kMaxBoxSegments);
    const int sideTexVerts = (s + 1) * (s + 1);
    Mesh mesh;
    allocate(mesh, 6 * s * s + 2, 6 * sideTexVerts, 12 * s * s);

    // vertices: every surface point of the (s+1)^3 lattice, visiting only those
    auto place = [&](int i, int j, int k) {
        mesh.vertices[boxSurfaceIndex(s, i, j, k)] =
            Point3((float(i) / float(s) - 0.5f) * width, (float(j) / float(s) - 0.5f) * length,
                   float(k) / float(s) * height);
    };
    for (int k = 0; k <= s; ++k) {
        if (k == 0 || k == s) {
            for (int j = 0; j <= s; ++j)
                for (int i = 0; i <= s; ++i) place(i, j, k);
            continue;
        }
        for (int i = 0; i <= s; ++i) place(i, 0, k), place(i, s, k);
        for (int j = 1; j < s; ++j) place(0, j, k), place(s, j, k);
    }

    FaceWriter out{mesh};
    for (int side = 0; side < 6; ++side) {
        const BoxSide& b = kBoxSides[side];
        const uint32_t texBase = uint32_t(side * sideTexVerts);
        for (int vb = 0; vb <= s; ++vb)
            for (int ua = 0; ua <= s; ++ua)
                mesh.texVerts[texBase + uint32_t(vb * (s + 1) + ua)] =
                    UVVert(float(ua) / float(s), float(vb) / float(s), 0.0f);
        auto lattice = [&](int ua, int vb) {
            int p[3];
            for (int axis = 0; axis < 3; ++axis)
                p[axis] = b.origin[axis] * s + b.u[axis] * ua + b.v[axis] * vb;
            return boxSurfaceIndex(s, p[0], p[1], p[2]);
        };
        auto tex = [&](int ua, int vb) { return texBase + uint32_t(vb * (s + 1) + ua); };
        for (int vb = 0; vb < s; ++vb)
            for (int ua = 0; ua < s; ++ua) {
                const uint32_t v[4] = {lattice(ua, vb), lattice(ua + 1, vb),
                                       lattice(ua + 1, vb + 1), lattice(ua, vb + 1)};
                const uint32_t t[4] = {tex(ua, vb), tex(ua + 1, vb), tex(ua + 1, vb + 1),
                                       tex(ua, vb + 1)};
                out.addQuad(v, t, 1u << side, uint32_t(side));
            }
    }
    return mesh;
}

Mesh hostkit::makeSphereMesh(float radius, int segments) {
    const int columns = std::clamp(segments, 3, kMaxSphereSegments);
    const int rings = std::max(columns / 2, 2);
    const int ringVerts = rings - 1;
    const uint32_t north = 0, south = uint32_t(ringVerts * columns + 1);
    Mesh mesh;
    // texture: (columns + 1) per inner ring, plus one per column at each pole
    const int texRow = columns + 1;
    const int poleTex = ringVerts * texRow;
    allocate(mesh, ringVerts * columns + 2, poleTex + 2 * columns, 2 * columns * (rings - 1));

    const double pi = std::numbers::pi;
    mesh.vertices[north] = Point3(0, 0, radius);
    mesh.vertices[south] = Point3(0, 0, -radius);
    for (int r = 1; r < rings; ++r) {
        const double theta = pi * r / rings;
        for (int k = 0; k < columns; ++k) {
            const double phi = 2 * pi * k / columns;
            mesh.vertices[1 + (r - 1) * columns + k] = Point3(
                float(radius * std::sin(theta) * std::cos(phi)),
                float(radius * std::sin(theta) * std::sin(phi)), float(radius * std::cos(theta)));
        }
        for (int k = 0; k <= columns; ++k)
            mesh.texVerts[(r - 1) * texRow + k] =
                UVVert(float(k) / float(columns), 1.0f - float(r) / float(rings), 0.0f);
    }
    for (int k = 0; k < columns; ++k) {
        const float u = (float(k) + 0.5f) / float(columns);
        mesh.texVerts[poleTex + k] = UVVert(u, 1.0f, 0.0f);
        mesh.texVerts[poleTex + columns + k] = UVVert(u, 0.0f, 0.0f);
    }

    auto vert = [&](int r, int k) { return uint32_t(1 + (r - 1) * columns + k % columns); };
    auto tex = [&](int r, int k) { return uint32_t((r - 1) * texRow + k); };
    FaceWriter out{mesh};
    for (int k = 0; k < columns; ++k)
        out.add(vert(1, k), vert(1, k + 1), north, tex(1, k), tex(1, k + 1), uint32_t(poleTex + k),
                1, 0, MeshFace::kEdgeAll);
    for (int r = 1; r + 1 < rings; ++r)
        for (int k = 0; k < columns; ++k) {
            const uint32_t v[4] = {vert(r + 1, k), vert(r + 1, k + 1), vert(r, k + 1), vert(r, k)};
            const uint32_t t[4] = {tex(r + 1, k), tex(r + 1, k + 1), tex(r, k + 1), tex(r, k)};
            out.addQuad(v, t, 1, 0);
        }
    for (int k = 0; k < columns; ++k)
        out.add(vert(ringVerts, k + 1), vert(ringVerts, k), south, tex(ringVerts, k + 1),
                tex(ringVerts, k), uint32_t(poleTex + columns + k), 1, 0, MeshFace::kEdgeAll);
    return mesh;
}

Mesh hostkit::makeGridMesh(int n, float size) {
    const int cells = std::max(n, 1);
    const int row = cells + 1;
    Mesh mesh;
    allocate(mesh, row * row, row * row, 2 * cells * cells);
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            const float fu = float(i) / float(cells), fv = float(j) / float(cells);
            mesh.vertices[j * row + i] = Point3((fu - 0.5f) * size, (fv - 0.5f) * size, 0.0f);
            mesh.texVerts[j * row + i] = UVVert(fu, fv, 0.0f);
        }
    FaceWriter out{mesh};
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const uint32_t a = uint32_t(j * row + i);
            const uint32_t v[4] = {a, a + 1, a + 1 + uint32_t(row), a + uint32_t(row)};
            out.addQuad(v, v, 1, 0);
        }
    return mesh;
}

Mesh hostkit::makeCylinderMesh(float radius, float height, int segments, int heightSegments,
                               bool capped) {
    const int columns = std::max(segments, 3);
    const int bands = std::max(heightSegments, 1);
    const int sideVerts = (bands + 1) * columns;
    const int texRow = columns + 1;
    const int sideTex = (bands + 1) * texRow;
    Mesh mesh;
    allocate(mesh, sideVerts + (capped ? 2 : 0), sideTex + (capped ? 2 * (columns + 1) : 0),
             2 * columns * bands + (capped ? 2 * columns : 0));

    const double pi = std::numbers::pi;
    for (int b = 0; b <= bands; ++b) {
        const float z = height * float(b) / float(bands);
        for (int k = 0; k < columns; ++k) {
            const double phi = 2 * pi * k / columns;
            mesh.vertices[b * columns + k] =
                Point3(float(radius * std::cos(phi)), float(radius * std::sin(phi)), z);
        }
        for (int k = 0; k <= columns; ++k)
            mesh.texVerts[b * texRow + k] =
                UVVert(float(k) / float(columns), float(b) / float(bands), 0.0f);
    }
    auto vert = [&](int b, int k) { return uint32_t(b * columns + k % columns); };
    auto tex = [&](int b, int k) { return uint32_t(b * texRow + k); };
    FaceWriter out{mesh};
    for (int b = 0; b < bands; ++b)
        for (int k = 0; k < columns; ++k) {
            const uint32_t v[4] = {vert(b, k), vert(b, k + 1), vert(b + 1, k + 1), vert(b + 1, k)};
            const uint32_t t[4] = {tex(b, k), tex(b, k + 1), tex(b + 1, k + 1), tex(b + 1, k)};
            out.addQuad(v, t, 1, 2);
        }
    if (!capped) return mesh;

    // caps: a centre vertex each, rim texture vertices on the unit disc mapped into 0..1
    const uint32_t bottomCentre = uint32_t(sideVerts), topCentre = bottomCentre + 1;
    mesh.vertices[bottomCentre] = Point3(0, 0, 0);
    mesh.vertices[topCentre] = Point3(0, 0, height);
    const uint32_t bottomTex = uint32_t(sideTex), topTex = bottomTex + uint32_t(columns) + 1;
    for (int k = 0; k < columns; ++k) {
        const double phi = 2 * pi * k / columns;
        const float cu = float(0.5 + 0.5 * std::cos(phi)), cv = float(0.5 + 0.5 * std::sin(phi));
        mesh.texVerts[bottomTex + k] = UVVert(cu, 1.0f - cv, 0.0f); // seen from below
        mesh.texVerts[topTex + k] = UVVert(cu, cv, 0.0f);
    }
    mesh.texVerts[bottomTex + columns] = UVVert(0.5f, 0.5f, 0.0f);
    mesh.texVerts[topTex + columns] = UVVert(0.5f, 0.5f, 0.0f);
    const uint32_t rimEdges = 2u; // only the rim edge of each fan triangle is visible
    for (int k = 0; k < columns; ++k) {
        const uint32_t k1 = uint32_t((k + 1) % columns);
        out.add(bottomCentre, vert(0, k + 1), vert(0, k), bottomTex + uint32_t(columns),
                bottomTex + k1, bottomTex + uint32_t(k), 2, 0, rimEdges);
        out.add(topCentre, vert(bands, k), vert(bands, k + 1), topTex + uint32_t(columns),
                topTex + uint32_t(k), topTex + k1, 2, 1, rimEdges);
    }
    return mesh;
}
