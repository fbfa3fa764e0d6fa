// Texture coordinate generation: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "hostkit/mesh/edge_table.h"

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Maps object-space positions into the fitted box: q in [-0.5, 0.5] per axis. The
// fit is kept in double, so an extent that is subnormal (whose inverse a float
// cannot hold) or as wide as the float range still maps to finite coordinates.
struct Fit {
    const Matrix3& tm;
    double centre[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};

    Point3 operator()(const Point3& p) const {
        const Point3 t = p * tm;
        Point3 q;
        for (int axis = 0; axis < 3; ++axis)
            q[axis] = float((double(t[axis]) - centre[axis]) * scale[axis]);
        return q;
    }
};

// A zero extent (or one that is not finite) keeps scale 1: every point maps to the
// centre of that axis.
Fit fitToBounds(const Mesh& mesh, const Matrix3& tm) {
    Box3 box;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v)
            if (v < uint32_t(mesh.vertexCount)) box += mesh.vertices[v] * tm;
    Fit fit{tm};
    if (box.IsEmpty()) return fit;
    for (int axis = 0; axis < 3; ++axis) {
        const double lo = box.pmin[axis], hi = box.pmax[axis];
        fit.centre[axis] = std::isfinite(lo + hi) ? (lo + hi) / 2 : 0;
        const double size = hi - lo;
        if (size > 0 && std::isfinite(size)) fit.scale[axis] = 1 / size;
    }
    return fit;
}

// Texture vertices shared per (vertex, variant), plus unshared ones for pole corners.
class TexVertPool {
  public:
    TexVertPool(int vertexCount, int variants)
        : variants_(uint32_t(variants)), slot_(size_t(vertexCount) * size_t(variants), kNone) {}

    template <typename Make> uint32_t shared(uint32_t vertex, uint32_t variant, Make make) {
        uint32_t& s = slot_[size_t(vertex) * variants_ + variant];
        if (s == kNone) s = unique(make());
        return s;
    }
    uint32_t unique(const UVVert& uvw) {
        verts.push_back(uvw);
        return uint32_t(verts.size() - 1);
    }

    std::vector<UVVert> verts;

  private:
    uint32_t variants_;
    std::vector<uint32_t> slot_;
};

// Variants of a vertex's texture vertex in the wrapping mappings.
enum Variant : uint32_t { kBase = 0, kShifted = 1, kCapPlanar = 2, kWrapVariants = 3 };

float angleU(const Point3& q) {
    return float(std::atan2(double(q.y), double(q.x)) / kTwoPi + 0.5);
}

UVVert planarUVW(const Point3& q) {
    return UVVert(q.x + 0.5f, q.y + 0.5f, q.z + 0.5f);
}

UVVert cylindricalUVW(const Point3& q) {
    return UVVert(angleU(q), q.z + 0.5f, 2 * float(std::hypot(double(q.x), double(q.y))));
}

UVVert sphericalUVW(const Point3& q) {
    const double radial = std::hypot(double(q.x), double(q.y));
    const double latitude = std::atan2(double(q.z), radial);
    return UVVert(angleU(q), float(latitude / std::numbers::pi + 0.5),
                  2 * float(std::sqrt(radial * radial + double(q.z) * q.z)));
}

// Shrink wrap: the direction's angle from +z becomes the distance from the texture's
// centre, scaled so that the -z pole reaches the square's border at every azimuth.
UVVert shrinkWrapUVW(const Point3& q, double azimuth) {
    const double len = std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z);
    const double polar = len > 0 ? std::acos(std::clamp(double(q.z) / len, -1.0, 1.0)) : 0;
    const double c = std::cos(azimuth), s = std::sin(azimuth);
    const double toBorder = 0.5 / std::max(std::abs(c), std::abs(s));
    const double r = polar / std::numbers::pi * toBorder;
    return UVVert(float(0.5 + r * c), float(0.5 + r * s), 2 * float(len));
}

bool onAxis(const Point3& q) {
    return q.x == 0 && q.y == 0;
}

// The face's normal in tm space (unnormalised), for choosing caps and box sides.
Point3 faceNormal(const Mesh& mesh, const MeshFace& face, const Matrix3& tm) {
    const Point3 a = mesh.vertices[face.v[0]] * tm, b = mesh.vertices[face.v[1]] * tm,
                 c = mesh.vertices[face.v[2]] * tm;
    return CrossProd(b - a, c - a);
}

// Box side 0..5 (+x, -x, +y, -y, +z, -z) of a normal; ties prefer z, then y.
int boxSide(const Point3& n) {
    const float ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
    if (az >= ax && az >= ay) return n.z < 0 ? 5 : 4;
    if (ay >= ax) return n.y < 0 ? 3 : 2;
    return n.x < 0 ? 1 : 0;
}

// Projection of q on a box side, turned so that the side reads unmirrored from outside.
UVVert boxUVW(const Point3& q, int side) {
    switch (side) {
    case 0:
        return UVVert(q.y + 0.5f, q.z + 0.5f, q.x + 0.5f);
    case 1:
        return UVVert(0.5f - q.y, q.z + 0.5f, 0.5f - q.x);
    case 2:
        return UVVert(0.5f - q.x, q.z + 0.5f, q.y + 0.5f);
    case 3:
        return UVVert(q.x + 0.5f, q.z + 0.5f, 0.5f - q.y);
    case 4:
        return UVVert(q.x + 0.5f, q.y + 0.5f, q.z + 0.5f);
    default:
        return UVVert(0.5f - q.x, q.y + 0.5f, 0.5f - q.z);
    }
}

struct Mapper {
    const Mesh& mesh;
    int type;
    bool cap;
    Fit fit;
    TexVertPool pool;
    uint32_t outside = kNone;      // one texture vertex for corners whose vertex is out of range
    std::vector<UVVert> vertexUVW; // wrapping types: each vertex's unshifted coordinates
    std::vector<uint8_t> onAxisVertex;

    template <typename Uvw> void precompute(Uvw uvw) {
        vertexUVW.resize(size_t(mesh.vertexCount));
        onAxisVertex.resize(size_t(mesh.vertexCount));
        for (int v = 0; v < mesh.vertexCount; ++v) {
            const Point3 q = fit(mesh.vertices[v]);
            vertexUVW[size_t(v)] = uvw(q);
            onAxisVertex[size_t(v)] = onAxis(q);
        }
    }

    TVFace mapFace(const MeshFace& face) {
        TVFace t;
        if (!hostkit::isProperFace(face, mesh.vertexCount)) {
            for (int k = 0; k < 3; ++k) t.t[k] = mapLoose(face.v[k]);
            return t;
        }
        switch (type) {
        case MAP_CYLINDRICAL:
            if (cap && isCap(face)) {
                for (int k = 0; k < 3; ++k) t.t[k] = shared(face.v[k], kCapPlanar, planarUVW);
                return t;
            }
            return wrapFace(face, cylindricalUVW);
        case MAP_SPHERICAL:
            return wrapFace(face, sphericalUVW);
        case MAP_BALL:
            return shrinkWrapFace(face);
        case MAP_BOX: {
            const int side = boxSide(faceNormal(mesh, face, fit.tm));
            for (int k = 0; k < 3; ++k)
                t.t[k] = pool.shared(face.v[k], uint32_t(side),
                                     [&] { return boxUVW(fit(mesh.vertices[face.v[k]]), side); });
            return t;
        }
        default:
            for (int k = 0; k < 3; ++k) t.t[k] = shared(face.v[k], kBase, planarUVW);
            return t;
        }
    }

    template <typename Uvw> uint32_t shared(uint32_t v, uint32_t variant, Uvw uvw) {
        return pool.shared(v, variant, [&] { return uvw(fit(mesh.vertices[v])); });
    }

    // Corners of improper faces: their own vertex's planar position, or one spare vertex.
    uint32_t mapLoose(uint32_t v) {
        if (v < uint32_t(mesh.vertexCount)) return shared(v, kBase, planarUVW);
        if (outside == kNone) outside = pool.unique(UVVert());
        return outside;
    }

    bool isCap(const MeshFace& face) const {
        const Point3 n = faceNormal(mesh, face, fit.tm);
        return std::abs(n.z) >= std::abs(n.x) && std::abs(n.z) >= std::abs(n.y) && n != Point3();
    }

    // Cylindrical and spherical: shift low corners across the seam, average pole corners.
    template <typename Uvw> TVFace wrapFace(const MeshFace& face, Uvw uvw) {
        UVVert base[3];
        bool pole[3];
        float lo = 2, hi = -1;
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k];
            if (vertexUVW.empty()) precompute(uvw);
            base[k] = vertexUVW[v];
            pole[k] = onAxisVertex[v];
            if (!pole[k]) lo = std::min(lo, base[k].x), hi = std::max(hi, base[k].x);
        }
        const bool wraps = hi - lo > 0.5f;
        TVFace t;
        float sum = 0;
        int counted = 0;
        for (int k = 0; k < 3; ++k) {
            if (pole[k]) continue;
            if (wraps && base[k].x < 0.5f) {
                UVVert shifted = base[k];
                shifted.x += 1;
                t.t[k] = pool.shared(face.v[k], kShifted, [&] { return shifted; });
                sum += shifted.x;
            } else {
                t.t[k] = pool.shared(face.v[k], kBase, [&] { return base[k]; });
                sum += base[k].x;
            }
            ++counted;
        }
        for (int k = 0; k < 3; ++k) {
            if (!pole[k]) continue;
            UVVert p = base[k];
            p.x = counted ? sum / float(counted) : 0.5f;
            t.t[k] = pool.unique(p);
        }
        return t;
    }

    // Shrink wrap: continuous around the pole at the centre; a corner at the far pole
    // (or the centre) takes the mean azimuth of the face's other corners.
    TVFace shrinkWrapFace(const MeshFace& face) {
        TVFace t;
        double sx = 0, sy = 0;
        bool pole[3];
        Point3 q[3];
        for (int k = 0; k < 3; ++k) {
            q[k] = fit(mesh.vertices[face.v[k]]);
            pole[k] = onAxis(q[k]) && q[k].z <= 0;
            if (pole[k]) continue;
            const double a = std::atan2(double(q[k].y), double(q[k].x));
            sx += std::cos(a);
            sy += std::sin(a);
            t.t[k] = pool.shared(face.v[k], kBase, [&] { return shrinkWrapUVW(q[k], a); });
        }
        for (int k = 0; k < 3; ++k)
            if (pole[k]) t.t[k] = pool.unique(shrinkWrapUVW(q[k], std::atan2(sy, sx)));
        return t;
    }
};

float tileAndFlip(float x, float tile, int flip) {
    return (flip ? 1 - x : x) * tile;
}

} // namespace

void Mesh::ApplyUVWMap(int type, float uTile, float vTile, float wTile, int uFlip, int vFlip,
                       int wFlip, int cap, const Matrix3& tm) {
    hostkit::reportMeshOperation("ApplyUVWMap", this,
                                 {double(type), uTile, vTile, wTile, double(uFlip), double(vFlip),
                                  double(wFlip), double(cap), tm.IsIdentity() ? 1.0 : 0.0});
    if (faceCount <= 0 || vertexCount <= 0) return;
    if (type < MAP_PLANAR || type > MAP_BOX) type = MAP_PLANAR;
    const int variants = type == MAP_BOX ? 6 : int(kWrapVariants);
    Mapper mapper{*this, type, cap != 0, fitToBounds(*this, tm), TexVertPool(vertexCount, variants),
                  kNone, {},   {}};
    mapper.pool.verts.reserve(size_t(vertexCount) + size_t(vertexCount) / 8);

    setTexFacesEnabled(true, false);
    for (int f = 0; f < faceCount; ++f) texFaces[f] = mapper.mapFace(faces[f]);

    const std::vector<UVVert>& made = mapper.pool.verts;
    setNumTVerts(int(made.size()));
    for (size_t i = 0; i < made.size(); ++i)
        texVerts[i] =
            UVVert(tileAndFlip(made[i].x, uTile, uFlip), tileAndFlip(made[i].y, vTile, vFlip),
                   tileAndFlip(made[i].z, wTile, wFlip));
}
