// Face and corner normals from smoothing groups: contracts in host/mesh.h and
// hostkit/mesh/mesh_tools.h.
#include "host/mesh.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <numbers>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace {

struct Vec3d {
    double x = 0, y = 0, z = 0;
};

Vec3d sub(const Point3& a, const Point3& b) {
    return {double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z};
}
Vec3d cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(const Vec3d& a) {
    return std::sqrt(dot(a, a));
}

Point3 unitOrZero(const Vec3d& a) {
    const double len = length(a);
    if (!(len > 0)) return Point3();
    return Point3(float(a.x / len), float(a.y / len), float(a.z / len));
}

// The existing array, or a fresh one for the caller to fill: every entry is written, so
// nothing is zeroed first.
template <typename T> T* allocateArray(T* existing, size_t n) {
    if (existing) return existing;
    return static_cast<T*>(hostkit::allocateUninitialized(n * sizeof(T)));
}

// atan2 for non-negative y, to float accuracy (about 1e-7 radians) at a fraction of
// the library's cost, which dominated building normals: the ratio is reduced to
// [0, 1], then below tan(pi/12) by atan(a) = pi/6 + atan((a - 1/sqrt3) / (1 + a/sqrt3)),
// where five terms of the odd series suffice.
float weightAngle(float y, float x) {
    constexpr float kPi = std::numbers::pi_v<float>;
    constexpr float kTanPi12 = 0.267949192f, kInvSqrt3 = 0.577350269f;
    const float ax = std::fabs(x);
    const float lo = std::min(ax, y), hi = std::max(ax, y);
    if (!(hi > 0)) return 0.0f;
    float a = lo / hi, base = 0.0f;
    if (a > kTanPi12) {
        a = (a - kInvSqrt3) / (1.0f + a * kInvSqrt3);
        base = kPi / 6;
    }
    const float s = a * a;
    float r = base + a * (1.0f + s * (-1.0f / 3 + s * (1.0f / 5 + s * (-1.0f / 7 + s / 9))));
    if (y > ax) r = kPi / 2 - r;
    return x < 0 ? kPi - r : r;
}

// The three corner angles of one proper face; they are only weights, so single
// precision does, and the third is what the others leave.
void cornerAngles(const Point3 p[3], float angles[3]) {
    const Vec3d edge[3] = {sub(p[1], p[0]), sub(p[2], p[1]), sub(p[0], p[2])};
    for (int k = 0; k < 2; ++k) { // corner k: between edge k (outgoing) and edge k+2 (incoming)
        const Vec3d& out = edge[k];
        const Vec3d& in = edge[(k + 2) % 3];
        const Vec3d back = {-in.x, -in.y, -in.z};
        double y = length(cross(out, back)), x = dot(out, back);
        // only their ratio matters: brought into the float range where they leave it
        const double larger = std::max(y, std::fabs(x));
        if (larger > std::numeric_limits<float>::max() ||
            (larger > 0 && larger < std::numeric_limits<float>::min()))
            y /= larger, x /= larger;
        angles[k] = weightAngle(float(y), float(x));
    }
    angles[2] = std::max(std::numbers::pi_v<float> - angles[0] - angles[1], 0.0f);
}

// The unit normal of a proper face: the cross product at the corner opposite the
// longest edge, whose two edges are the best conditioned. Single precision keeps
// the normal within a few units in the last place, and vectorises; double takes over
// where single precision would overflow or lose its precision.
Point3 faceNormalOf(const Point3& a, const Point3& b, const Point3& c) {
    const Point3 edge[3] = {b - a, c - b, a - c};
    const float len2[3] = {DotProd(edge[0], edge[0]), DotProd(edge[1], edge[1]),
                           DotProd(edge[2], edge[2])};
    int longest = 0;
    if (len2[1] > len2[longest]) longest = 1;
    if (len2[2] > len2[longest]) longest = 2;
    const int apex = (longest + 2) % 3; // edge k runs from corner k to corner k+1
    const Point3 n = CrossProd(edge[apex], -edge[(apex + 2) % 3]);
    const float squared = DotProd(n, n);
    if (squared >= std::numeric_limits<float>::min() &&
        squared <= std::numeric_limits<float>::max())
        return n * (1.0f / std::sqrt(squared));
    // none at all: corners on one line to float precision (or edges below about 1e-22)
    if (n == Point3()) return Point3();
    // The squared length left the float range (edges longer than about 4e9 or shorter
    // than about 3e-10): the same edges in double.
    const Point3* corner[3] = {&a, &b, &c};
    auto edgeOf = [&](int k) { return sub(*corner[(k + 1) % 3], *corner[k]); };
    const Vec3d from = edgeOf(apex), back = edgeOf((apex + 2) % 3);
    return unitOrZero(cross(from, Vec3d{-back.x, -back.y, -back.z}));
}

// Joins smoothing bits that share a face at one vertex; 32-entry union-find.
struct BitClasses {
    uint8_t parent[32];
    void reset() {
        for (uint8_t i = 0; i < 32; ++i) parent[i] = i;
    }
    int find(int b) {
        while (parent[b] != b) b = parent[b] = parent[parent[b]];
        return b;
    }
    void join(uint32_t word) {
        const int first = find(std::countr_zero(word));
        for (word &= word - 1; word; word &= word - 1) {
            const int other = find(std::countr_zero(word));
            if (other != first) parent[other] = uint8_t(first);
        }
    }
};

} // namespace

void Mesh::buildNormals() {
    hostkit::reportMeshOperation("buildNormals", this, {});
    hasNormals = 1;
    if (faceCount <= 0) return;
    const size_t count = size_t(faceCount);
    faceNormals = allocateArray(faceNormals, count);
    for (size_t f = 0; f < count; ++f) {
        const MeshFace& face = faces[f];
        faceNormals[f] =
            hostkit::isProperFace(face, vertexCount)
                ? faceNormalOf(vertices[face.v[0]], vertices[face.v[1]], vertices[face.v[2]])
                : Point3();
    }
}

void hostkit::buildCornerNormals(Mesh& mesh) {
    if (!mesh.hasNormals || !mesh.faceNormals) mesh.buildNormals();
    if (mesh.faceCount <= 0) return;
    const size_t count = size_t(mesh.faceCount);
    mesh.cornerNormals = allocateArray(mesh.cornerNormals, count * 3);
    const int vertexCount = mesh.vertexCount;
    const Point3* vertices = mesh.vertices;
    const MeshFace* faces = mesh.faces;
    const Point3* faceNormals = mesh.faceNormals;
    Point3* cornerNormals = mesh.cornerNormals;

    // corner angles
    std::vector<float> angles(count * 3, 0.0f);
    for (size_t f = 0; f < count; ++f) {
        if (!hostkit::isProperFace(faces[f], vertexCount)) continue;
        const Point3 p[3] = {vertices[faces[f].v[0]], vertices[faces[f].v[1]],
                             vertices[faces[f].v[2]]};
        cornerAngles(p, &angles[f * 3]);
    }
    // corners of faces with word 0, or improper faces, keep the face normal
    for (size_t f = 0; f < count; ++f)
        if (!faces[f].smGroup || !hostkit::isProperFace(faces[f], vertexCount))
            for (int k = 0; k < 3; ++k) cornerNormals[f * 3 + k] = faceNormals[f];

    // per vertex: classes of joined smoothing bits, angle-weighted sums
    const hostkit::VertexCorners around = hostkit::buildVertexCorners(mesh);
    BitClasses classes;
    Vec3d sums[32];
    Point3 units[32];
    for (uint32_t v = 0; v < uint32_t(vertexCount); ++v) {
        const auto corners = around.of(v);
        if (corners.empty()) continue;
        auto addTo = [&](Vec3d& sum, uint32_t c) {
            const Point3& n = faceNormals[c / 3];
            sum.x += double(angles[c]) * n.x;
            sum.y += double(angles[c]) * n.y;
            sum.z += double(angles[c]) * n.z;
        };
        // common case: every face at the vertex has the same nonzero word
        const uint32_t firstWord = faces[corners[0] / 3].smGroup;
        bool uniform = firstWord != 0;
        for (uint32_t c : corners) uniform &= faces[c / 3].smGroup == firstWord;
        if (uniform) {
            Vec3d sum;
            for (uint32_t c : corners) addTo(sum, c);
            const Point3 unit = unitOrZero(sum);
            for (uint32_t c : corners) cornerNormals[c] = unit;
            continue;
        }
        classes.reset();
        uint32_t usedBits = 0;
        for (uint32_t c : corners) {
            const uint32_t word = faces[c / 3].smGroup;
            if (word) classes.join(word), usedBits |= word;
        }
        for (uint32_t bits = usedBits; bits; bits &= bits - 1) sums[std::countr_zero(bits)] = {};
        for (uint32_t c : corners)
            if (const uint32_t word = faces[c / 3].smGroup)
                addTo(sums[classes.find(std::countr_zero(word))], c);
        for (uint32_t bits = usedBits; bits; bits &= bits - 1) {
            const int b = std::countr_zero(bits);
            if (classes.find(b) == b) units[b] = unitOrZero(sums[b]);
        }
        for (uint32_t c : corners)
            if (const uint32_t word = faces[c / 3].smGroup)
                cornerNormals[c] = units[classes.find(std::countr_zero(word))];
    }
}

void Mesh::InvalidateGeomCache() {
    hostkit::reportMeshOperation("InvalidateGeomCache", this, {});
    // The arrays stay allocated for the next build; their contents are stale now.
    hasNormals = 0;
}
