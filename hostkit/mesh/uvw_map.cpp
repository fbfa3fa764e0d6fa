// Texture coordinate generation: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Maps object-space positions into the fitted box: q in [-0.5, 0.5] per axis. The
// fit is kept in double, so an extent that is subnormal (whose inverse a float
// cannot hold) or as wide as the float range still maps to finite coordinates.
struct Fit {
    double centre[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};

    // t: a position already in tm space.
    Point3 operator()(const Point3& t) const {
        Point3 q;
        for (int axis = 0; axis < 3; ++axis)
            q[axis] = float((double(t[axis]) - centre[axis]) * scale[axis]);
        return q;
    }
};

// A zero extent (or one that is not finite) keeps scale 1: every point maps to the
// centre of that axis.
// transformed: every vertex in tm space.
Fit fitToBounds(const Mesh& mesh, const Point3* transformed) {
    Box3 box;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v)
            if (v < uint32_t(mesh.vertexCount)) box += transformed[v];
    Fit fit;
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
    TexVertPool(TexVertPool&&) = default;

    template <typename Make> uint32_t shared(uint32_t vertex, uint32_t variant, Make make) {
        uint32_t& s = slot_[size_t(vertex) * variants_ + variant];
        if (s == kNone) s = unique(make());
        return s;
    }
    uint32_t unique(const UVVert& uvw) {
        verts.push_back(uvw);
        return uint32_t(verts.size() - 1);
    }

    std::vector<UVVert, hostkit::ScratchAllocator<UVVert>> verts;

  private:
    uint32_t variants_;
    hostkit::ScratchArray<uint32_t> slot_;
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
// c and s are the cosine and sine of the azimuth.
UVVert shrinkWrapUVW(const Point3& q, double c, double s) {
    const double len = std::sqrt(double(q.x) * q.x + double(q.y) * q.y + double(q.z) * q.z);
    const double polar = len > 0 ? std::acos(std::clamp(double(q.z) / len, -1.0, 1.0)) : 0;
    const double toBorder = 0.5 / std::max(std::abs(c), std::abs(s));
    const double r = polar / std::numbers::pi * toBorder;
    return UVVert(float(0.5 + r * c), float(0.5 + r * s), 2 * float(len));
}

bool onAxis(const Point3& q) {
    return q.x == 0 && q.y == 0;
}

// The face's normal in tm space (unnormalised), for choosing caps and box sides.
Point3 faceNormal(const Point3* transformed, const MeshFace& face) {
    const Point3 a = transformed[face.v[0]], b = transformed[face.v[1]], c = transformed[face.v[2]];
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

// Per vertex of the wrapping shrink wrap: its azimuth's cosine and sine.
struct Azimuth {
    double c, s;
};

struct Mapper {
    const Mesh& mesh;
    int type;
    bool cap;
    const Point3* transformed; // each vertex in tm space (box and cap only)
    const Point3* fitted;      // each vertex in the fitted box
    TexVertPool pool;
    uint32_t outside = kNone; // one texture vertex for corners whose vertex is out of range
    hostkit::ScratchArray<UVVert> vertexUVW; // wrapping types: unshifted coordinates
    hostkit::ScratchArray<uint8_t> onAxisVertex;
    hostkit::ScratchArray<Azimuth> azimuth; // shrink wrap

    template <typename Uvw> void precompute(Uvw uvw) {
        const size_t n = size_t(mesh.vertexCount);
        vertexUVW = hostkit::ScratchArray<UVVert>(n);
        onAxisVertex = hostkit::ScratchArray<uint8_t>(n);
        for (size_t v = 0; v < n; ++v) {
            vertexUVW[v] = uvw(fitted[v]);
            onAxisVertex[v] = onAxis(fitted[v]);
        }
    }

    void precomputeAzimuths() {
        const size_t n = size_t(mesh.vertexCount);
        azimuth = hostkit::ScratchArray<Azimuth>(n);
        for (size_t v = 0; v < n; ++v) {
            const double a = std::atan2(double(fitted[v].y), double(fitted[v].x));
            azimuth[v] = {std::cos(a), std::sin(a)};
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
            const int side = boxSide(faceNormal(transformed, face));
            for (int k = 0; k < 3; ++k)
                t.t[k] = pool.shared(face.v[k], uint32_t(side),
                                     [&] { return boxUVW(fitted[face.v[k]], side); });
            return t;
        }
        default:
            for (int k = 0; k < 3; ++k) t.t[k] = shared(face.v[k], kBase, planarUVW);
            return t;
        }
    }

    template <typename Uvw> uint32_t shared(uint32_t v, uint32_t variant, Uvw uvw) {
        return pool.shared(v, variant, [&] { return uvw(fitted[v]); });
    }

    // Corners of improper faces: their own vertex's planar position, or one spare vertex.
    uint32_t mapLoose(uint32_t v) {
        if (v < uint32_t(mesh.vertexCount)) return shared(v, kBase, planarUVW);
        if (outside == kNone) outside = pool.unique(UVVert());
        return outside;
    }

    bool isCap(const MeshFace& face) const {
        const Point3 n = faceNormal(transformed, face);
        return std::abs(n.z) >= std::abs(n.x) && std::abs(n.z) >= std::abs(n.y) && n != Point3();
    }

    // Cylindrical and spherical: shift low corners across the seam, average pole corners.
    template <typename Uvw> TVFace wrapFace(const MeshFace& face, Uvw uvw) {
        UVVert base[3];
        bool pole[3];
        float lo = 2, hi = -1;
        if (vertexUVW.size() == 0) precompute(uvw);
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k];
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
        if (azimuth.size() == 0) precomputeAzimuths();
        TVFace t;
        double sx = 0, sy = 0;
        bool pole[3];
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k];
            const Point3& q = fitted[v];
            pole[k] = onAxis(q) && q.z <= 0;
            if (pole[k]) continue;
            const Azimuth& a = azimuth[v];
            sx += a.c;
            sy += a.s;
            t.t[k] = pool.shared(v, kBase, [&] { return shrinkWrapUVW(q, a.c, a.s); });
        }
        for (int k = 0; k < 3; ++k)
            if (pole[k]) {
                const double mean = std::atan2(sy, sx);
                t.t[k] =
                    pool.unique(shrinkWrapUVW(fitted[face.v[k]], std::cos(mean), std::sin(mean)));
            }
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
    // variants in use: box sides; base, shifted and cap for cylindrical; base and
    // shifted for spherical; base alone otherwise
    const int variants = type == MAP_BOX           ? 6
                         : type == MAP_CYLINDRICAL ? int(kWrapVariants)
                         : type == MAP_SPHERICAL   ? 2
                                                   : 1;
    // face normals in tm space only choose box sides and caps; otherwise the fitted
    // positions replace the transformed ones
    const bool normals = type == MAP_BOX || (type == MAP_CYLINDRICAL && cap != 0);
    const size_t n = size_t(vertexCount);
    hostkit::ScratchArray<Point3> transformed(n), fittedApart(normals ? n : 0);
    for (int v = 0; v < vertexCount; ++v) transformed[size_t(v)] = vertices[v] * tm;
    const Fit fit = fitToBounds(*this, transformed.data());
    Point3* fitted = normals ? fittedApart.data() : transformed.data();
    for (size_t v = 0; v < n; ++v) fitted[v] = fit(transformed[v]);
    Mapper mapper{*this,    type,
                  cap != 0, transformed.data(),
                  fitted,   TexVertPool(vertexCount, variants),
                  kNone,    {},
                  {},       {}};
    mapper.pool.verts.reserve(size_t(vertexCount) + size_t(vertexCount) / 8);

    setTexFacesEnabled(true, false);
    for (int f = 0; f < faceCount; ++f) texFaces[f] = mapper.mapFace(faces[f]);

    const auto& made = mapper.pool.verts;
    setNumTVerts(int(made.size()));
    for (size_t i = 0; i < made.size(); ++i)
        texVerts[i] =
            UVVert(tileAndFlip(made[i].x, uTile, uFlip), tileAndFlip(made[i].y, vTile, vFlip),
                   tileAndFlip(made[i].z, wTile, wFlip));
}
