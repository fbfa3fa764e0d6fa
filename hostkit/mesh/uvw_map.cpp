// Texture coordinate generation: contract in host/mesh.h.
//
// Each vertex is transformed once (not at all where the transform keeps it as it is)
// and the fitted box grown over the faces' corners. The faces then take their texture
// vertices: a slot per (vertex, variant) numbers them in order of first use (the
// wrapping mappings compute each vertex's unshifted coordinates first). Those that no
// slot formula gives (pole corners) go straight into the output array as they are
// made: the mesh's old one, or (in the mappings that have pole corners) a fresh
// reservation of one per corner whose pages fault in only as far as it is filled; what
// does not fit there, and the corners of improper faces, keep their value aside. Last
// the slots' texture vertices are written once, straight into the mesh's array, sized
// exactly, then the values kept aside. Angles, lengths and shrink-wrap directions come
// from estimates wherever those settle the float the C library's functions would give
// (uvw_angle.h). The projections stay in this file on purpose: how a NaN's payload
// passes through them depends on how the compiler arranges them, and moved elsewhere
// (inlined differently) they gave NaN coordinates other payloads than before.
// Rearranged, GCC 12 once even kept a fitted position's double where its float was
// asked for (a vectorised conversion dropped): after any change here, compare the
// results bit for bit.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"
#include "hostkit/mesh/uvw_angle.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr uint32_t kPole = UINT32_MAX - 1; // a wrapping vertex's shifted slot: on the axis
constexpr double kTwoPi = 2 * std::numbers::pi;

// Maps object-space positions into the fitted box: q in [-0.5, 0.5] per axis. The
// fit is kept in double, so an extent that is subnormal (whose inverse a float
// cannot hold) or as wide as the float range still maps to finite coordinates.
struct Fit {
    double centre[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};

    // t: a position already in tm space.
    Point3 operator()(const Point3& t) const {
        return Point3(float((double(t.x) - centre[0]) * scale[0]),
                      float((double(t.y) - centre[1]) * scale[1]),
                      float((double(t.z) - centre[2]) * scale[2]));
    }
};

// Grows lo and hi (x, y, z and a spare lane) by the corners in range of faces
// [begin, end) in face order, as Box3 grows: a NaN never enters, a tie keeps the first.
void growBounds(const Mesh& mesh, const Point3* transformed, int begin, int end, int step,
                float lo[4], float hi[4]) {
    const uint32_t n = uint32_t(mesh.vertexCount);
#if defined(__SSE2__) || defined(_M_X64)
    // minps(p, lo) is p < lo ? p : lo lane by lane; a vertex's fourth lane is the next
    // one's x, and the last vertex (which may end its array) is read through a copy
    const uint32_t last = n - 1;
    const float lastLanes[4] = {transformed[last].x, transformed[last].y, transformed[last].z, 0};
    const __m128 lastPoint = _mm_loadu_ps(lastLanes);
    __m128 vlo = _mm_loadu_ps(lo), vhi = _mm_loadu_ps(hi);
    for (int f = begin; f < end; f += step)
        for (uint32_t v : mesh.faces[f].v) {
            if (v > last) continue;
            const __m128 p = v < last ? _mm_loadu_ps(&transformed[v].x) : lastPoint;
            vlo = _mm_min_ps(p, vlo);
            vhi = _mm_max_ps(p, vhi);
        }
    _mm_storeu_ps(lo, vlo);
    _mm_storeu_ps(hi, vhi);
#else
    for (int f = begin; f < end; f += step)
        for (uint32_t v : mesh.faces[f].v) {
            if (v >= n) continue;
            const Point3 p = transformed[v];
            const float c[3] = {p.x, p.y, p.z};
            for (int axis = 0; axis < 3; ++axis) {
                lo[axis] = c[axis] < lo[axis] ? c[axis] : lo[axis];
                hi[axis] = c[axis] > hi[axis] ? c[axis] : hi[axis];
            }
        }
#endif
}

// The box of the corners in range, as Box3 grows in face order. A zero extent (or one
// that is not finite) keeps scale 1: every point maps to the centre of that axis.
// transformed: every vertex in tm space.
Fit fitToBounds(const Mesh& mesh, const Point3* transformed) {
    const float big = std::numeric_limits<float>::max();
    float lo[4] = {big, big, big, big}, hi[4] = {-big, -big, -big, -big};
    // Even and odd faces apart, for two chains of dependent minima instead of one; the
    // first of two equal extremes is then unknown only for zeros of both signs, which
    // one pass in order settles.
    float lo2[4] = {big, big, big, big}, hi2[4] = {-big, -big, -big, -big};
    growBounds(mesh, transformed, 0, mesh.faceCount, 2, lo, hi);
    growBounds(mesh, transformed, 1, mesh.faceCount, 2, lo2, hi2);
    bool ordered = false;
    for (int axis = 0; axis < 3; ++axis) {
        ordered |= lo2[axis] == lo[axis] && std::signbit(lo2[axis]) != std::signbit(lo[axis]);
        ordered |= hi2[axis] == hi[axis] && std::signbit(hi2[axis]) != std::signbit(hi[axis]);
        lo[axis] = lo2[axis] < lo[axis] ? lo2[axis] : lo[axis];
        hi[axis] = hi2[axis] > hi[axis] ? hi2[axis] : hi[axis];
    }
    if (ordered) {
        for (int axis = 0; axis < 3; ++axis) lo[axis] = big, hi[axis] = -big;
        growBounds(mesh, transformed, 0, mesh.faceCount, 1, lo, hi);
    }
    Fit fit;
    if (lo[0] > hi[0] || lo[1] > hi[1] || lo[2] > hi[2]) return fit; // empty
    for (int axis = 0; axis < 3; ++axis) {
        const double l = lo[axis], h = hi[axis];
        fit.centre[axis] = std::isfinite(l + h) ? (l + h) / 2 : 0;
        const double size = h - l;
        if (size > 0 && std::isfinite(size)) fit.scale[axis] = 1 / size;
    }
    return fit;
}

// True when p * tm is p itself, bit for bit, for every vertex: tm is exactly the
// identity (+0 off the diagonal and in the translation) and every coordinate is normal
// or +0 (-0 plus the translation's +0 is +0, an infinity or NaN times 0 is NaN, and a
// subnormal may be flushed to zero where the host asks for that).
bool keepsVertices(const Mesh& mesh, const Matrix3& tm) {
    const Matrix3 identity;
    for (int row = 0; row < 4; ++row) {
        const Point3 a = tm.GetRow(row), b = identity.GetRow(row);
        if (std::memcmp(&a, &b, sizeof(Point3)) != 0) return false;
    }
    uint32_t odd = 0;
    for (int v = 0; v < mesh.vertexCount; ++v) {
        const Point3& p = mesh.vertices[v];
        for (const float c : {p.x, p.y, p.z}) {
            const uint32_t bits = std::bit_cast<uint32_t>(c), exponent = bits & 0x7f800000u;
            odd |= uint32_t(exponent == 0x7f800000u) | uint32_t(exponent == 0 && bits != 0);
        }
    }
    return odd == 0;
}

// Variants of a vertex's texture vertex in the wrapping mappings.
enum Variant : uint32_t { kBase = 0, kShifted = 1, kCapPlanar = 2, kWrapVariants = 3 };

float angleU(const Point3& q) {
    float u;
    if (hostkit::uvw::settledAngle(double(q.y), double(q.x), 1 / kTwoPi, u)) return u;
    return float(std::atan2(double(q.y), double(q.x)) / kTwoPi + 0.5);
}

UVVert planarUVW(const Point3& q) {
    return UVVert(q.x + 0.5f, q.y + 0.5f, q.z + 0.5f);
}

// The results are those of the library's hypot; where they are settled without it, a
// square root stands in (within an ulp of hypot: the squares of floats are exact).
UVVert cylindricalUVW(const Point3& q) {
    const double x = q.x, y = q.y;
    float radial;
    if (!(std::isfinite(x) && std::isfinite(y)) ||
        !hostkit::uvw::settledFloat(std::sqrt(x * x + y * y), radial))
        radial = float(std::hypot(x, y));
    return UVVert(angleU(q), q.z + 0.5f, 2 * radial);
}

UVVert sphericalUVW(const Point3& q) {
    const float u = angleU(q);
    const double x = q.x, y = q.y, z = q.z;
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) {
        const double radial = std::sqrt(x * x + y * y);
        float v, len;
        if (hostkit::uvw::settledAngle(z, radial, 1 / std::numbers::pi, v) &&
            hostkit::uvw::settledFloat(std::sqrt(radial * radial + z * z), len))
            return UVVert(u, v, 2 * len);
    }
    const double radial = std::hypot(x, y);
    const double latitude = std::atan2(z, radial);
    return UVVert(u, float(latitude / std::numbers::pi + 0.5),
                  2 * float(std::sqrt(radial * radial + z * z)));
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

// A vertex's azimuth in the fitted box, as cosine and sine.
struct Azimuth {
    double c = 1, s = 0;
    Azimuth() = default;
    explicit Azimuth(const Point3& q) {
        const double a = std::atan2(double(q.y), double(q.x));
        c = std::cos(a);
        s = std::sin(a);
    }
};

// A point's distance from the centre and angle from +z, as shrinkWrapUVW finds them.
struct Polar {
    double len, polar;
    explicit Polar(const Point3& q) {
        const double x = q.x, y = q.y, z = q.z;
        len = std::sqrt(x * x + y * y + z * z);
        polar = len > 0 ? std::acos(std::clamp(z / len, -1.0, 1.0)) : 0;
    }
};

// shrinkWrapUVW(q, c, s) with the library's cosine and sine of an azimuth, when an
// estimate (x, y) of the azimuth's direction, within 2e-14 radians, settles it. Then
// u = 0.5 + polar / (2 pi) * c / max(|c|, |s|), where c / max(|c|, |s|) is x / max(|x|,
// |y|) and turns at most twice as fast as the direction: u and v move by less than
// 3e-14 (and by a few ulps more for rounding), inside the slack. at: Polar(q).
bool settledShrinkWrap(const Polar& at, double x, double y, UVVert& out) {
    const double longer = std::max(std::abs(x), std::abs(y));
    if (!(longer > 0 && longer <= std::numeric_limits<double>::max())) return false;
    const double r = at.polar * (0.5 / std::numbers::pi) / longer;
    constexpr double kSlack = 1e-13;
    const double u = 0.5 + r * x, v = 0.5 + r * y;
    const float uLow = float(u - kSlack), vLow = float(v - kSlack);
    out = UVVert(uLow, vLow, 2 * float(at.len));
    return uLow == float(u + kSlack) && vLow == float(v + kSlack);
}

// Estimates of a direction's cosine and sine within 2e-15 of the library's cosine and
// sine of its atan2: false where there is no direction to speak of.
bool directionOf(double x, double y, double& c, double& s) {
    const double radial = std::sqrt(x * x + y * y);
    if (!(radial > 0 && std::isfinite(radial))) return false;
    const double inverse = 1 / radial;
    c = x * inverse;
    s = y * inverse;
    return true;
}

// A vertex's own shrink-wrap coordinates: shrinkWrapUVW at its Azimuth.
UVVert shrinkWrapVertex(const Point3& q) {
    UVVert out;
    if (settledShrinkWrap(Polar(q), q.x, q.y, out)) return out; // (x, y) is the direction
    const Azimuth a(q);
    return shrinkWrapUVW(q, a.c, a.s);
}

// The coordinates of a far-pole corner of a face: shrinkWrapUVW at the mean of the
// Azimuths of the face's corners off the pole. Where their sum is long (0.5 or more:
// the estimates' errors of 2e-15 each then turn the mean by less than 2e-14) estimates
// settle it. A pole at the centre itself (polar angle 0) lies at (0.5, 0.5) whatever
// the mean, unless an azimuth is NaN. others: the corners off the pole, count of them;
// at: Polar(pole).
template <typename Fitted, typename Directions>
UVVert farPoleCorner(const Point3& pole, const Polar& at, const uint32_t* others, int count,
                     Fitted fitted, Directions& directions) {
    if (at.polar == 0) {
        // r = 0 * toBorder: u = 0.5 + 0 * c is 0.5 for every finite cosine, and the
        // mean's cosine and sine are finite unless a corner's x or y is NaN
        bool finite = true;
        for (int i = 0; i < count; ++i) {
            const Point3 q = fitted(others[i]);
            finite &= !(std::isnan(q.x) || std::isnan(q.y));
        }
        if (finite) return UVVert(0.5f, 0.5f, 2 * float(at.len));
    }
    double sx = 0, sy = 0;
    bool estimated = true;
    for (int i = 0; i < count && estimated; ++i) {
        double c = 0, s = 0;
        estimated = directions.of(others[i], fitted, c, s);
        sx += c;
        sy += s;
    }
    UVVert out;
    if (estimated && sx * sx + sy * sy >= 0.25 && settledShrinkWrap(at, sx, sy, out)) return out;
    sx = 0, sy = 0;
    for (int i = 0; i < count; ++i) {
        const Azimuth& a = directions.azimuth(others[i], fitted);
        sx += a.c;
        sy += a.s;
    }
    const double mean = std::atan2(sy, sx);
    return shrinkWrapUVW(pole, std::cos(mean), std::sin(mean));
}

// directionOf and the Azimuth of each vertex, kept for the next faces: around a pole,
// neighbouring faces share their corners.
struct RecentDirections {
    struct Entry {
        uint32_t v = UINT32_MAX;
        bool ok = false;
        double c = 0, s = 0;
    } entry[4];
    struct Exact {
        uint32_t v = UINT32_MAX;
        Azimuth a;
    } exact[2];

    template <typename Fitted> const Azimuth& azimuth(uint32_t v, Fitted fitted) {
        Exact& e = exact[v & 1];
        if (e.v != v) {
            e.v = v;
            e.a = Azimuth(fitted(v));
        }
        return e.a;
    }

    template <typename Fitted> bool of(uint32_t v, Fitted fitted, double& c, double& s) {
        Entry& e = entry[v & 3];
        if (e.v != v) {
            const Point3 q = fitted(v);
            e.v = v;
            e.c = e.s = 0;
            e.ok = directionOf(q.x, q.y, e.c, e.s);
        }
        c = e.c;
        s = e.s;
        return e.ok;
    }
};

bool onAxis(const Point3& q) {
    return q.x == 0 && q.y == 0;
}

// The face's normal in tm space (unnormalised), for choosing caps and box sides.
Point3 faceNormal(const Point3* transformed, const MeshFace& face) {
    const Point3 a = transformed[face.v[0]], b = transformed[face.v[1]], c = transformed[face.v[2]];
    return CrossProd(b - a, c - a);
}

// Box side 0..5 (+x, -x, +y, -y, +z, -z) of a normal; ties prefer z, then y.
uint32_t boxSide(const Point3& n) {
    const float ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
    if (az >= ax && az >= ay) return n.z < 0 ? 5 : 4;
    if (ay >= ax) return n.y < 0 ? 3 : 2;
    return n.x < 0 ? 1 : 0;
}

// Projection of q on a box side, turned so that the side reads unmirrored from outside.
UVVert boxUVW(const Point3& q, uint32_t side) {
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

bool isCap(const Point3* transformed, const MeshFace& face) {
    const Point3 n = faceNormal(transformed, face);
    return std::abs(n.z) >= std::abs(n.x) && std::abs(n.z) >= std::abs(n.y) && n != Point3();
}

// The per-axis tile and flip applied to every texture vertex last.
struct Finish {
    float tile[3];
    int flip[3];
    UVVert operator()(const UVVert& x) const {
        return UVVert((flip[0] ? 1 - x.x : x.x) * tile[0], (flip[1] ? 1 - x.y : x.y) * tile[1],
                      (flip[2] ? 1 - x.z : x.z) * tile[2]);
    }
};

// A texture vertex whose value no slot formula gives.
struct Aside {
    uint32_t index;
    UVVert uvw;
};

// Texture vertices numbered in order of first use: one slot per (vertex, variant), and
// the values of those that their slot's formula does not give: a texture vertex of its
// own goes straight to the output while it fits there, the rest waits aside.
struct Numbering {
    uint32_t variants;
    uint32_t* slot; // vertex * variants + variant; kNone: not made
    Finish finish;
    UVVert* out = nullptr; // the output as far as it goes, capacity entries
    uint32_t capacity = 0;
    hostkit::LargeVector<Aside> aside; // written over the slot formula's values
    uint32_t count = 0;
    uint32_t outside = kNone; // one texture vertex for corners whose vertex is out of range

    uint32_t shared(uint32_t v, uint32_t variant) {
        uint32_t& s = slot[size_t(v) * variants + variant];
        if (s == kNone) s = count++;
        return s;
    }
    uint32_t unique(const UVVert& uvw) {
        if (count < capacity)
            out[count] = finish(uvw);
        else
            keep(count, uvw);
        return count++;
    }
    // Shared, but with a value of its own when this corner makes it.
    uint32_t sharedAs(uint32_t v, uint32_t variant, const UVVert& uvw) {
        uint32_t& s = slot[size_t(v) * variants + variant];
        if (s == kNone) {
            s = count++;
            keep(s, uvw);
        }
        return s;
    }
    // Grows from 64 KB straight to a huge page (1 MB, see allocateOutput), then doubles:
    // faces full of pole corners would otherwise fault in the doublings below a megabyte
    // page by page.
    void keep(uint32_t index, const UVVert& uvw) {
        constexpr size_t kFirst = (size_t(64) << 10) / sizeof(Aside);
        constexpr size_t kHuge = (size_t(1) << 20) / sizeof(Aside);
        const size_t room = aside.capacity();
        if (aside.size() == room)
            aside.reserve(room < kFirst ? kFirst : room < kHuge ? kHuge : 2 * room);
        aside.push_back({index, uvw});
    }
    uint32_t outsideVertex() {
        if (outside == kNone) outside = unique(UVVert());
        return outside;
    }
};

// Corners of improper faces in the non-planar mappings: their own vertex's planar
// position in the base variant, or one spare vertex. positionOf(v) gives the vertex in
// tm space.
template <typename Position>
void looseFace(TVFace& t, Numbering& numbering, const MeshFace& face, uint32_t vertexCount,
               const Fit& fit, Position positionOf) {
    for (int k = 0; k < 3; ++k) {
        const uint32_t v = face.v[k];
        if (v < vertexCount) {
            const uint32_t s = numbering.slot[size_t(v) * numbering.variants + kBase];
            t.t[k] = s != kNone ? s : numbering.sharedAs(v, kBase, planarUVW(fit(positionOf(v))));
        } else {
            t.t[k] = numbering.outsideVertex();
        }
    }
}

// Cylindrical and spherical: shift low corners across the seam, average pole corners.
// base: each vertex's unshifted coordinates; a vertex on the axis has kPole in its
// shifted slot.
void wrapFace(TVFace& t, Numbering& numbering, const UVVert* base, const MeshFace& face) {
    const uint32_t* slot = numbering.slot;
    const uint32_t stride = numbering.variants;
    UVVert b[3];
    bool pole[3];
    float lo = 2, hi = -1;
    for (int k = 0; k < 3; ++k) {
        const uint32_t v = face.v[k];
        b[k] = base[v];
        pole[k] = slot[size_t(v) * stride + kShifted] == kPole;
        if (!pole[k]) lo = std::min(lo, b[k].x), hi = std::max(hi, b[k].x);
    }
    if (!(pole[0] | pole[1] | pole[2]) && !(hi - lo > 0.5f)) { // the common face
        for (int k = 0; k < 3; ++k) t.t[k] = numbering.shared(face.v[k], kBase);
        return;
    }
    const bool wraps = hi - lo > 0.5f;
    float sum = 0;
    int counted = 0;
    for (int k = 0; k < 3; ++k) {
        if (pole[k]) continue;
        if (wraps && b[k].x < 0.5f) {
            t.t[k] = numbering.shared(face.v[k], kShifted);
            sum += b[k].x + 1;
        } else {
            t.t[k] = numbering.shared(face.v[k], kBase);
            sum += b[k].x;
        }
        ++counted;
    }
    for (int k = 0; k < 3; ++k) {
        if (!pole[k]) continue;
        UVVert p = b[k];
        p.x = counted ? sum / float(counted) : 0.5f;
        t.t[k] = numbering.unique(p);
    }
}

// The array the texture vertices of their own go to as they are made: the mesh's old
// one when it holds one per vertex (as most mappings need), otherwise a fresh one
// reserved for the most there can be, one per corner, of which only the part filled is
// ever touched.
struct Output {
    UVVert* data = nullptr;
    uint32_t capacity = 0;
    bool reserved = false;  // data is the fresh reservation, not yet the mesh's
    bool untrimmed = false; // the reservation is the mesh's, to be trimmed once filled
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() {
        if (reserved) std::free(data);
    }
};

// Everything one call works with.
struct Job {
    Mesh& mesh;
    const Point3* transformed; // each vertex in tm space, or null where replaced
    Fit fit;
    const Matrix3& tm;
    Numbering numbering;
    TVFace* texFaces;
    Output* output;

    uint32_t vertexCount() const { return uint32_t(mesh.vertexCount); }
    Point3 fitted(uint32_t v) const { return fit(transformed[v]); }
};

// A mesh array of bytes whose every entry the caller writes. From 128 KB on it takes at
// least one huge page: faulting in fresh 4 KB pages one by one costs more than a whole
// 2 MB page at once from about 120 KB on.
void* allocateOutput(size_t bytes) {
    hostkit::checkMeshAllocation(bytes);
    constexpr size_t kHugePage = size_t(2) << 20;
    return hostkit::allocateUninitialized(bytes >= kHugePage / 16 ? std::max(bytes, kHugePage)
                                                                  : bytes);
}

// poles: the mapping makes pole corners (planar and box make none; their few texture
// vertices of their own wait aside).
void prepareOutput(Mesh& mesh, bool poles, Output& output) {
    if (mesh.texVerts && mesh.texVertCount >= mesh.vertexCount) {
        output.data = mesh.texVerts;
        output.capacity = uint32_t(mesh.texVertCount);
        return;
    }
    if (!poles) return;
    const size_t most = std::min(size_t(mesh.faceCount) * 3 + 1, size_t(UINT32_MAX));
    try {
        hostkit::checkMeshAllocation(most * sizeof(UVVert));
        output.data = static_cast<UVVert*>(hostkit::reserveUninitialized(most * sizeof(UVVert)));
        output.capacity = uint32_t(most);
        output.reserved = true;
    } catch (const std::bad_alloc&) {
        // then everything waits aside, and the exact array is allocated last
    }
}

// The mesh's texture-vertex array for count entries, the texture vertices of their own
// already in place: the reservation (the caller trims it once filled: trimmed earlier,
// its last huge page would fault in 4 KB pages), the old array when it is large enough,
// otherwise a fresh one taking over what the old array holds.
UVVert* texVertsFor(Mesh& mesh, Output& output, uint32_t count) {
    const size_t bytes = size_t(count) * sizeof(UVVert);
    if (output.reserved) {
        std::free(mesh.texVerts);
        mesh.texVerts = output.data;
        output.reserved = false;
        output.untrimmed = true;
    } else if (mesh.texVerts && uint32_t(mesh.texVertCount) >= count) {
        if (uint32_t(mesh.texVertCount) > count)
            if (void* smaller = std::realloc(mesh.texVerts, bytes))
                mesh.texVerts = static_cast<UVVert*>(smaller);
    } else {
        void* fresh = allocateOutput(bytes);
        if (output.capacity > 0)
            std::memcpy(fresh, output.data, size_t(output.capacity) * sizeof(UVVert));
        std::free(mesh.texVerts);
        mesh.texVerts = static_cast<UVVert*>(fresh);
    }
    mesh.texVertCount = int(count);
    return mesh.texVerts;
}

// Writes the texture vertices: valueOf(v, variant) for every slot made, then the
// values kept aside, each through finish.
template <typename Value> void writeTexVerts(Job& job, const Finish& finish, Value valueOf) {
    Numbering& numbering = job.numbering;
    UVVert* out = texVertsFor(job.mesh, *job.output, numbering.count);
    const uint32_t* slot = numbering.slot;
    const uint32_t variants = numbering.variants;
    const uint32_t n = job.vertexCount();
    for (uint32_t v = 0; v < n; ++v, slot += variants)
        for (uint32_t variant = 0; variant < variants; ++variant)
            if (slot[variant] < kPole) out[slot[variant]] = finish(valueOf(v, variant));
    for (const Aside& a : numbering.aside) out[a.index] = finish(a.uvw);
    if (job.output->untrimmed)
        if (void* trimmed = std::realloc(out, size_t(numbering.count) * sizeof(UVVert)))
            job.mesh.texVerts = static_cast<UVVert*>(trimmed);
}

void mapPlanar(Job& job, const Finish& finish) {
    Numbering& numbering = job.numbering;
    const uint32_t n = job.vertexCount();
    for (int f = 0; f < job.mesh.faceCount; ++f) {
        const MeshFace& face = job.mesh.faces[f];
        TVFace& t = job.texFaces[f];
        for (int k = 0; k < 3; ++k)
            t.t[k] = face.v[k] < n ? numbering.shared(face.v[k], kBase) : numbering.outsideVertex();
    }
    writeTexVerts(job, finish, [&](uint32_t v, uint32_t) { return planarUVW(job.fitted(v)); });
}

void mapBox(Job& job, const Finish& finish) {
    Numbering& numbering = job.numbering;
    const uint32_t n = job.vertexCount();
    const auto original = [&](uint32_t v) { return job.transformed[v]; };
    for (int f = 0; f < job.mesh.faceCount; ++f) {
        const MeshFace& face = job.mesh.faces[f];
        if (!hostkit::isProperFace(face, int(n))) {
            looseFace(job.texFaces[f], numbering, face, n, job.fit, original);
            continue;
        }
        const uint32_t side = boxSide(faceNormal(job.transformed, face));
        TVFace& t = job.texFaces[f];
        for (int k = 0; k < 3; ++k) t.t[k] = numbering.shared(face.v[k], side);
    }
    writeTexVerts(job, finish,
                  [&](uint32_t v, uint32_t side) { return boxUVW(job.fitted(v), side); });
}

// Shrink wrap: continuous around the pole at the centre; a corner at the far pole
// (or the centre) takes the mean azimuth of the face's other corners. farPole: one
// byte of scratch per vertex.
void mapShrinkWrap(Job& job, const Finish& finish, uint8_t* farPole) {
    Numbering& numbering = job.numbering;
    const uint32_t n = job.vertexCount();
    const Point3* transformed = job.transformed;
    for (uint32_t v = 0; v < n; ++v) {
        const Point3 q = job.fitted(v);
        farPole[v] = onAxis(q) && q.z <= 0;
    }
    const auto original = [&](uint32_t v) { return transformed[v]; };
    uint32_t lastPole = kNone;
    Polar lastPolar(Point3{});
    RecentDirections directions;
    for (int f = 0; f < job.mesh.faceCount; ++f) {
        const MeshFace& face = job.mesh.faces[f];
        if (!hostkit::isProperFace(face, int(n))) {
            looseFace(job.texFaces[f], numbering, face, n, job.fit, original);
            continue;
        }
        TVFace& t = job.texFaces[f];
        if (!(farPole[face.v[0]] | farPole[face.v[1]] | farPole[face.v[2]])) {
            for (int k = 0; k < 3; ++k) t.t[k] = numbering.shared(face.v[k], kBase);
            continue;
        }
        uint32_t others[3];
        int count = 0;
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k];
            if (farPole[v]) continue;
            others[count++] = v;
            t.t[k] = numbering.shared(v, kBase);
        }
        const auto fitted = [&](uint32_t v) { return job.fitted(v); };
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k];
            if (!farPole[v]) continue;
            const Point3 q = job.fitted(v);
            if (v != lastPole) lastPole = v, lastPolar = Polar(q); // fans share their pole
            t.t[k] =
                numbering.unique(farPoleCorner(q, lastPolar, others, count, fitted, directions));
        }
    }
    writeTexVerts(job, finish,
                  [&](uint32_t v, uint32_t) { return shrinkWrapVertex(job.fitted(v)); });
}

// Cylindrical (with cap or not) and spherical. base: each vertex's unshifted
// coordinates; it may be the memory of transformed, which is then null in job.
template <typename Uvw>
void mapWrapping(Job& job, const Finish& finish, Uvw uvw, bool cap, UVVert* base,
                 const Point3* transformed) {
    Numbering& numbering = job.numbering;
    const uint32_t n = job.vertexCount();
    const uint32_t stride = numbering.variants;
    for (uint32_t v = 0; v < n; ++v) {
        const Point3 q = job.fit(transformed[v]); // transformed[v] may be base[v]
        base[v] = uvw(q);
        uint32_t* slot = &numbering.slot[size_t(v) * stride];
        for (uint32_t variant = 0; variant < stride; ++variant) slot[variant] = kNone;
        if (onAxis(q)) slot[kShifted] = kPole;
    }
    // improper faces' corners start from the object-space vertices again where the
    // transformed ones were replaced
    const Mesh& mesh = job.mesh;
    const auto original = [&](uint32_t v) {
        return job.transformed ? job.transformed[v] : mesh.vertices[v] * job.tm;
    };
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        if (!hostkit::isProperFace(face, int(n))) {
            looseFace(job.texFaces[f], numbering, face, n, job.fit, original);
        } else if (cap && isCap(job.transformed, face)) {
            TVFace& t = job.texFaces[f];
            for (int k = 0; k < 3; ++k) t.t[k] = numbering.shared(face.v[k], kCapPlanar);
        } else {
            wrapFace(job.texFaces[f], numbering, base, face);
        }
    }
    writeTexVerts(job, finish, [&](uint32_t v, uint32_t variant) {
        if (variant == kBase) return base[v];
        if (variant == kShifted) return UVVert(base[v].x + 1, base[v].y, base[v].z);
        return planarUVW(job.fitted(v));
    });
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
    const uint32_t variants = type == MAP_BOX           ? 6
                              : type == MAP_CYLINDRICAL ? (cap ? uint32_t(kWrapVariants) : 2u)
                              : type == MAP_SPHERICAL   ? 2
                                                        : 1;
    const size_t n = size_t(vertexCount);
    // One block of scratch: positions in tm space (unless they are the vertices
    // themselves; spherical and cylindrical without cap write their coordinates there),
    // slots, and the cylinder with caps' coordinates or shrink wrap's pole marks.
    const bool capped = type == MAP_CYLINDRICAL && cap;
    const bool overwritten = (type == MAP_CYLINDRICAL && !cap) || type == MAP_SPHERICAL;
    const bool kept = keepsVertices(*this, tm);
    const size_t positionWords = kept && !overwritten ? 0 : n * 3, slotWords = n * variants;
    const size_t extraWords = capped ? n * 3 : type == MAP_BALL ? (n + 3) / 4 : 0;
    size_t words = positionWords + slotWords + extraWords;
    // From 128 KB on the block takes at least one huge page (see allocateOutput).
    constexpr size_t kHugePageWords = (size_t(2) << 20) / 4;
    if (words >= kHugePageWords / 16) words = std::max(words, kHugePageWords);
    hostkit::ScratchArray<uint32_t> block(words);
    static_assert(sizeof(Point3) == 12 && alignof(Point3) <= 4 && sizeof(UVVert) == 12);
    Point3* positions = reinterpret_cast<Point3*>(block.data());
    uint32_t* slots = block.data() + positionWords;
    uint32_t* extra = slots + slotWords;
    const Point3* transformed = kept ? vertices : positions;
    if (!kept)
        for (size_t v = 0; v < n; ++v) positions[v] = vertices[v] * tm;

    const Finish finish{{uTile, vTile, wTile}, {uFlip, vFlip, wFlip}};
    Job job{*this,
            transformed,
            fitToBounds(*this, transformed),
            tm,
            Numbering{variants, slots, finish, nullptr, 0, {}},
            nullptr,
            nullptr};
    // The wrapping mappings set their slots while they compute each vertex's coordinates.
    const bool wrapping = type == MAP_CYLINDRICAL || type == MAP_SPHERICAL;
    if (!wrapping) std::fill(slots, slots + slotWords, kNone);

    // Every entry of the texture faces is written: the old array serves when there is one.
    if (!texFaces)
        texFaces = static_cast<TVFace*>(allocateOutput(size_t(faceCount) * sizeof(TVFace)));
    job.texFaces = texFaces;
    Output output;
    prepareOutput(*this, type != MAP_PLANAR && type != MAP_BOX, output);
    job.output = &output;
    job.numbering.out = output.data;
    job.numbering.capacity = output.capacity;
    try {
        switch (type) {
        case MAP_PLANAR:
            mapPlanar(job, finish);
            break;
        case MAP_BOX:
            mapBox(job, finish);
            break;
        case MAP_BALL:
            mapShrinkWrap(job, finish, reinterpret_cast<uint8_t*>(extra));
            break;
        default:
            if (capped) {
                // caps need the face normals in tm space beside the coordinates
                mapWrapping(job, finish, cylindricalUVW, true, reinterpret_cast<UVVert*>(extra),
                            transformed);
            } else {
                // the coordinates replace the transformed positions (if not kept)
                job.transformed = nullptr;
                UVVert* base = positions;
                if (type == MAP_CYLINDRICAL)
                    mapWrapping(
                        job, finish, [](const Point3& q) { return cylindricalUVW(q); }, false, base,
                        transformed);
                else
                    mapWrapping(
                        job, finish, [](const Point3& q) { return sphericalUVW(q); }, false, base,
                        transformed);
            }
        }
    } catch (...) {
        // the texture faces may be partly written: the mesh keeps no mapping
        setTexFacesEnabled(false, false);
        throw;
    }
}
