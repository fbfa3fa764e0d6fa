// Working state of one Optimize call: vertex-to-corner lists that follow the collapses,
// per-face normal cones, per-vertex line cones and flags, and the local view of one
// vertex's star that every collapse decision is made from.
#pragma once

#include <algorithm>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/api.h"
#include "host/mesh.h"
#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"
#include "hostkit/mesh/optimize_cone.h"

namespace hostkit::opt {

using hostkit::LargeVector;

constexpr uint32_t kNone = UINT32_MAX;
// A collapse may not leave a triangle below this quality (1 is equilateral) unless the
// neighbourhood already had a worse one.
constexpr double kSliverQuality = 0.1;

// Optimize's arguments, sanitised: thresholds in [0, just below 90 degrees], bias in [0, 1].
struct Settings {
    double normalThreshold = 0;
    double cosNormalThreshold = 1;
    // Cosine of the bend in a line (the angle between its two pieces at a vertex) past
    // which the line's directions alone spread wider than the threshold, with a margin far
    // beyond the cones' rounding; -2 when no bend is that wide.
    double cosLineBendRefused = -2;
    AngleTest edgeAngle; // whether an edge shows: its faces' normals reach the edge threshold
    double bias = 0;
    bool keepMaterials = false;
    bool keepSmoothing = false;
    bool autoEdge = false;
};
// NaN counts as 0; the flag bits are those of OptimizeFlags.
HOSTKIT_API Settings makeSettings(float normalThreshold, float edgeThreshold, float bias,
                                  int flags);

// Triangle quality 4 sqrt(3) area / (sum of squared edge lengths): 1 for equilateral,
// 0 for zero area.
inline double triangleQuality(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
    const Vec3d ab = b - a, bc = c - b, ca = a - c;
    const double squares = dot(ab, ab) + dot(bc, bc) + dot(ca, ca);
    return squares > 0 ? 2.0 * std::sqrt(3.0) * length(cross(ab, ca)) / squares : 0;
}
// The same, given the length of the triangle's cross product (twice its area).
inline double triangleQuality(const Vec3d& a, const Vec3d& b, const Vec3d& c, double crossLength) {
    const Vec3d ab = b - a, bc = c - b, ca = a - c;
    const double squares = dot(ab, ab) + dot(bc, bc) + dot(ca, ca);
    return squares > 0 ? 2.0 * std::sqrt(3.0) * crossLength / squares : 0;
}

// A proper face's normal, not unit: the cross product of its edges from its first corner
// (the one formula every cached face normal comes from, so they agree to the bit).
inline Vec3d faceNormal(const Mesh& m, const MeshFace& face) {
    const Vec3d a(m.vertices[face.v[0]]);
    return cross(Vec3d(m.vertices[face.v[1]]) - a, Vec3d(m.vertices[face.v[2]]) - a);
}

// Spread of a face cone that is just the face's own normal: the face is as it came.
constexpr float kOwnNormal = -2.0f;

enum VertexFlag : uint8_t {
    kFrozen = 1,   // never collapses: on an improper or zero-area face
    kDead = 2,     // merged into a neighbour
    kDirty = 4,    // queued for evaluation in the next pass
    kUsed = 8,     // some face used it before the operation
    kTarget = 16,  // took in a neighbour's faces in the current pass
    kSettled = 32, // refused every collapse at its last look and nothing queued it since
    kInPass = 64,  // to be looked at later in the current pass
    // the visibility of its edges to higher vertices is set, and it has not been queued
    // since (locksByItsEdges)
    kEdgesSet = 128,
};

// What the collapses keep of one face, side by side so a star's face costs one cache line.
// The normal is kept in floats, as the cones are (28 bytes a face, not 40: on a mesh of a
// million faces, a tenth less time where stars are read from memory), so it is unit only to
// float precision: a test against a threshold allows for that (turnsFurther, AngleTest),
// and at a zero threshold two faces whose normals agree in every float count as flat.
struct FaceWork {
    Point3 normal;                            // unit, zero for zero area; set on each move
    DirectionCone cone{Point3(), kOwnNormal}; // original normals it stands for
};
static_assert(sizeof(FaceWork) == 28);

struct WorkState {
    Mesh& mesh;
    Settings settings;
    ScratchArray<FaceWork> faceWork; // per face, what a star reads of it together
    LargeVector<uint8_t> faceDead;   // removed by a collapse
    // Vertex lists of corners. A removed face's corners stay in the lists until a walk
    // passes them and drops them (forLiveCorners), so removing a face never walks a list.
    // Next corner at the same vertex, kNone ends (set for the corners of proper faces).
    mutable ScratchArray<uint32_t> cornerNext;
    mutable LargeVector<uint32_t> vertexHead; // first corner at each vertex, kNone for none
    LargeVector<uint32_t> degree;             // live faces at each vertex
    LargeVector<DirectionCone> lineCone;      // original line directions a line vertex absorbed
    LargeVector<uint8_t> vertexFlags;         // VertexFlag bits
    LargeVector<uint8_t> texUsedBefore;       // per texture vertex: some face used it (mapped)
    // Per vertex, scratch of a large star's edge tallies: kNone between uses (allocated by
    // the first large star).
    mutable LargeVector<uint32_t> vertexSlot;
    // The live corners a crowded vertex's last gather found, in list order, by vertex: the
    // next gather asks for their memory ahead of its walk (see gatherStar). 4 bytes per
    // corner of a vertex of 512 faces or more: at most 12 bytes per face.
    mutable std::unordered_map<uint32_t, LargeVector<uint32_t>> crowdedWalks;

    // The faces lie far from their vertices' order (facesScattered), as initWorkState found.
    bool scatteredFaces = false;

    WorkState(Mesh& m, const Settings& s) : mesh(m), settings(s) {}
    Vec3d position(uint32_t v) const { return Vec3d(mesh.vertices[v]); }
    // The unit normal (to float precision) faceWork holds for face f.
    Vec3d normal(uint32_t f) const { return Vec3d(faceWork[f].normal); }
    UVVert texAt(uint32_t face, uint32_t corner) const {
        return mesh.texVerts[mesh.texFaces[face].t[corner]];
    }
};

// Sorts the n entries at data by less, in place by insertion: for the handful a star or a
// vertex has, where a library sort costs more in setting up than in sorting.
template <typename T, typename Less> void sortFew(T* data, size_t n, Less less) {
    for (size_t i = 1; i < n; ++i) {
        const T entry = data[i];
        size_t j = i;
        for (; j > 0 && less(entry, data[j - 1]); --j) data[j] = data[j - 1];
        data[j] = entry;
    }
}

// The vertices after and before corner c in its face's order.
struct CornerEnds {
    uint32_t next, prev;
};
inline CornerEnds cornerEnds(const Mesh& m, uint32_t c) {
    const uint32_t f = c / 3, k = c - 3 * f;
    return {m.faces[f].v[nextPlace(k)], m.faces[f].v[prevPlace(k)]};
}

// Calls visit(corner) for every live corner at vertex v, in list order, dropping the
// corners of removed faces it passes: each is dropped once, so walks stay linear overall.
template <typename Visit> void forLiveCorners(const WorkState& ws, uint32_t v, Visit visit) {
    uint32_t* link = &ws.vertexHead[v];
    while (*link != kNone) {
        const uint32_t c = *link;
        if (ws.faceDead[c / 3]) {
            *link = ws.cornerNext[c];
            continue;
        }
        visit(c);
        link = &ws.cornerNext[c];
    }
}

// Whether a line through centre from end0 to end1 bends there by more than the settings
// allow of any line (cosLineBendRefused): a line's cone, which holds both pieces' directions,
// would then be wider than the threshold, so no collapse along the line can be legal. A
// cosine and no cone arithmetic; false when either piece has no length. Symmetric in the ends.
inline bool lineBendsTooFar(const WorkState& ws, uint32_t centre, uint32_t end0, uint32_t end1) {
    const double c = ws.settings.cosLineBendRefused;
    if (c < -1) return false;
    const Vec3d pu = ws.position(centre);
    const Vec3d in = pu - ws.position(end0);
    const Vec3d out = ws.position(end1) - pu;
    const double d = dot(in, out), squares = dot(in, in) * dot(out, out);
    if (!(squares > 0)) return false; // also NaN
    // d / sqrt(squares) < c, without the root
    if (c >= 0) return d < 0 || d * d < c * c * squares;
    return d < 0 && d * d > c * c * squares;
}

// The directions a line through centre from end0 to end1 stands for: its two pieces' and
// those centre took in from the collapses along it so far (lineCone), oriented from end0 to
// end1.
DirectionCone lineConeThrough(const WorkState& ws, uint32_t centre, uint32_t end0, uint32_t end1);

// Links the corners of every proper face into vertex lists, gives each face the cone of
// its own normal (kOwnNormal), caches its unit normal and freezes the vertices of improper faces,
// zero-area faces and faces with a texture index out of range. Marks every used vertex and texture
// vertex, and notes whether the faces lie scattered. One pass over the faces, one over the
// vertices.
HOSTKIT_API void initWorkState(WorkState& ws);

// Frees what only the collapses read per face: the cones and normals, and the links of the
// corner lists (vertexHead is left, no longer walkable).
HOSTKIT_API void releaseFaceWork(WorkState& ws);

// Exact equality of texture coordinates without early-out branches (compared often).
inline bool sameUV(const UVVert& a, const UVVert& b) {
    return (a.x == b.x) & (a.y == b.y) & (a.z == b.z);
}

enum class VertexClass : uint8_t {
    Interior, // may merge into any neighbour
    Line,     // on a boundary or feature line: may merge only along it
    Locked,   // stays
};

struct StarFace {
    uint32_t face;
    uint32_t corner; // where the centre sits in the face
    uint32_t next;   // vertex after the centre in face order
    uint32_t prev;   // vertex before the centre
    uint32_t group;  // side of the feature line the face is on
    // (its unit normal is faceWork[face].normal: the gather has just brought it in)
};

// One face's use of the edge from a star's centre to another vertex.
struct StarEdge {
    uint32_t other;
    uint32_t face; // index into Star::faces
    bool outgoing; // the face runs centre -> other
};

// Uses of the edge from a large star's centre to other (faces are indices into Star::faces).
struct EdgeTally {
    uint32_t other;
    uint32_t first;    // first face on the edge
    uint32_t second;   // second face on it, kNone for none
    uint32_t firstOut; // first face running centre -> other, kNone for none
    uint32_t uses;
};

// Whether values holds v, for the handful a star has: every entry is compared, without the
// early exit whose place the data decides (it would mispredict on most calls).
template <typename Values> bool holdsAnywhere(const Values& values, uint32_t v) {
    bool found = false;
    for (const uint32_t w : values) found |= w == v;
    return found;
}

// Rings up to this size are left unsorted (at most the targets a centre tries).
constexpr size_t kUnsortedRing = 16;

// The faces around one vertex and what they allow. The arrays are scratch memory: a
// crowded star's, filled once, would otherwise fault in page by page.
struct Star {
    uint32_t centre = kNone;
    VertexClass cls = VertexClass::Locked;
    LargeVector<StarFace> faces;
    // Distinct neighbours (Locked: some), ascending when ringSorted(): a ring of up to
    // kUnsortedRing stays in the order the classification met them, as the collapse tests
    // try each of its neighbours and look one up by a scan.
    LargeVector<uint32_t> ring;
    uint32_t lineEnds[2] = {kNone, kNone}; // neighbours along the line for Line vertices
    uint32_t sides = 0;                    // groups of faces (Interior and Line only)
    bool conesKnown = false;               // groupCone and groupTest are set
    std::vector<DirectionCone> groupCone;  // normals each side stands for
    std::vector<ConeTest> groupTest;       // the threshold test against groupCone
    LargeVector<uint32_t> parent, label;   // scratch
    LargeVector<uint32_t> inOnly;          // scratch: faces whose incoming edge no face leaves by
    LargeVector<EdgeTally> tallies;        // scratch: a large star's edges
    // Worst quality among the first measuredFaces faces (1 for none), measured by the collapse
    // tests only as far as they need, and the quality floor that worst gives (1, above any
    // floor, until a face is measured).
    mutable double worstQuality = 1;
    mutable double floorSoFar = 1;
    mutable size_t measuredFaces = 0;
    // Line vertices: the directions the line stands for and how far the chord between the
    // ends strays from them, set by the collapse tests when first needed (at full bias, where
    // the cost leaves it out, only whether it passes the threshold: 0 or pi).
    mutable bool lineKnown = false;
    mutable DirectionCone line;
    mutable double lineDeviation = 0;
    // Widest spread among the cones the faces carry (gathered with the faces; negative when
    // every face is as it came), and per side, once the collapse tests first need it, the
    // widest cone's axis (unit) and the least cosine to it a moved normal can keep when the
    // side's cone holds it (-2: no bound, that side's widest cone being narrow; 2: none can,
    // the cone being wider than the threshold already).
    float widestSpread = -1;
    mutable bool widestKnown = false;
    mutable Vec3d widestAxis[2];
    mutable double widestMinCos[2] = {-2, -2};
    std::vector<uint32_t> refused; // neighbours refusedByShape refused (a small star's only)
    // Whether the classification sorted the ring (of an Interior or Line star).
    bool ringSorted() const { return ring.size() > kUnsortedRing; }
    // Whether refusedByShape refused neighbour v at this look. O(|refused|), a few.
    bool wasRefused(uint32_t v) const { return holdsAnywhere(refused, v); }
};

// Gathers and classifies the live faces around u in O(d) (d faces; pairwise up to 24
// faces, through per-vertex slots beyond). A vertex is Locked when frozen, on a
// non-manifold edge or vertex, on a zero-area face, at the end or crossing of lines, with
// no faces, or when a side's normal cone is already wider than the threshold. Edges on a line:
// boundary, inconsistent winding, a material or smoothing change the flags keep, a texture seam, or
// a crease sharper than the normal threshold.
HOSTKIT_API void analyzeStar(const WorkState& ws, uint32_t u, Star& star);
// The same without the side cones and their test: star.conesKnown stays false, and an
// Interior or Line centre may still turn out Locked when settleStarCones works them out.
// For callers that can often refuse a collapse without the cones (one union per face,
// each an arc tangent and sines).
HOSTKIT_API void analyzeStarShape(const WorkState& ws, uint32_t u, Star& star);
// analyzeStarShape in two steps. gatherStar resets star for u and gathers its live faces;
// false when that already leaves u Locked (frozen, merged away, no faces, a zero-area face).
// Otherwise classifyStar, on the faces as gathered, finishes the analysis. O(d) each.
HOSTKIT_API bool gatherStar(const WorkState& ws, uint32_t u, Star& star);
HOSTKIT_API void classifyStar(const WorkState& ws, Star& star);
// Whether u has no legal collapse for its edges alone, told from the faces without gathering
// the star: three line edges (the classification locks u; on a rough surface most stars lock
// so), or, where u's faces close a fan, exactly two whose line bends or strays from the chord
// between its ends by more than the threshold (the classification makes u a Line vertex whose
// only targets are those ends, and either collapse would move u onto that chord; on a curved
// crease or seam at a low threshold most line vertices stay so). False also when u is frozen
// or merged away, its star has fewer than 3 or more than 24 faces, or a face's outgoing edge
// has no face coming in along it; then the classification decides.
// With auto edge, where u's faces close a fan wound one way and none has moved since the
// set-up, it also sets the visibility of u's edges to higher vertices as setEdgeVisibility
// would, and marks u kEdgesSet: a rough surface's vertices mostly lock here and keep their
// stars to the end, so their edges need no second look. The passes clear the mark whenever
// they queue u (its star changed, or its look waits for a higher limit). O(d^2), d <= 24.
HOSTKIT_API bool locksByItsEdges(WorkState& ws, uint32_t u);
// Works out the side cones of a star analyzeStarShape left Interior or Line, locking the
// centre when a side spreads wider than the threshold. O(d).
void settleStarCones(const WorkState& ws, Star& star);

} // namespace hostkit::opt
