// Optimize's working state: set-up and the classification of a vertex's star.
#include "hostkit/mesh/optimize_state.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <cmath>
#include <numbers>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define HOSTKIT_SSE2_FAN 1
#endif

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/optimize_order.h"

namespace hostkit::opt {

namespace {

// Past 90 degrees "within the threshold" no longer rules out a flipped face.
constexpr double kMaxThreshold = 89.0 * std::numbers::pi / 180.0;

double clampAngle(float angle) {
    if (!(angle > 0)) return 0; // also NaN
    return std::min(double(angle), kMaxThreshold);
}

// Whether dir lies inside the cone (non-empty, spread below pi, cosSpread its cosine) by a
// margin far beyond rounding: then coneUnion would give the cone back unchanged.
bool clearlyInside(const DirectionCone& cone, double cosSpread, const Point3& dir) {
    if (cone.empty() || cone.spread <= 0 || cone.spread > 3) return false;
    const Vec3d a(cone.axis), b(dir);
    const double lengths = std::sqrt(dot(a, a) * dot(b, b));
    return lengths > 0 && dot(a, b) > (cosSpread + 1e-9) * lengths;
}

uint32_t findRoot(LargeVector<uint32_t>& parent, uint32_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

// Joins the sets of faces a and b under the lower root: faces met around a fan in either
// direction then point at its first face, never along a chain as long as the fan.
void uniteSides(LargeVector<uint32_t>& parent, uint32_t a, uint32_t b) {
    const uint32_t ra = findRoot(parent, a), rb = findRoot(parent, b);
    if (ra < rb)
        parent[rb] = ra;
    else
        parent[ra] = rb;
}

// One face's side of an edge from a star's centre: the face, where the centre and the
// edge's other end sit in it, and its unit normal.
struct EdgeSide {
    uint32_t face;
    uint32_t centre, other; // 0 to 2
    Vec3d normal;           // unit to float precision
};

// Whether the manifold edge with sides a and b, wound against each other, must stay a line.
// The crease first: on a rough surface it mostly settles the edge before the faces'
// materials, smoothing groups and mapping are read.
[[gnu::always_inline]] inline bool sidesMakeLine(const WorkState& ws, const EdgeSide& a,
                                                 const EdgeSide& b) {
    // a crease sharper than the threshold (exact for a zero threshold: any turn at all)
    if (ws.settings.normalThreshold == 0) {
        const Vec3d c = cross(a.normal, b.normal);
        if (dot(c, c) > 0 || dot(a.normal, b.normal) < 0) return true;
    } else if (turnsFurther(a.normal, b.normal, ws.settings.cosNormalThreshold)) {
        return true;
    }
    const MeshFace& fa = ws.mesh.faces[a.face];
    const MeshFace& fb = ws.mesh.faces[b.face];
    if (ws.settings.keepMaterials && fa.getMatID() != fb.getMatID()) return true;
    if (ws.settings.keepSmoothing && fa.smGroup != fb.smGroup) return true;
    if (!ws.mesh.texFaces) return false;
    // a shared texture vertex settles it; distinct ones may still coincide
    const TVFace& ta = ws.mesh.texFaces[a.face];
    const TVFace& tb = ws.mesh.texFaces[b.face];
    const UVVert* uv = ws.mesh.texVerts;
    auto seam = [&](uint32_t i, uint32_t j) { return i != j && !sameUV(uv[i], uv[j]); };
    return seam(ta.t[a.centre], tb.t[b.centre]) || seam(ta.t[a.other], tb.t[b.other]);
}

// Whether the edge that star face out runs out along, and its mate in runs in along (wound
// alike, as in a fan), must stay a line.
[[gnu::always_inline]] inline bool fanEdgeIsLine(const WorkState& ws, const StarFace& out,
                                                 const StarFace& in) {
    return sidesMakeLine(ws, {out.face, out.corner, nextPlace(out.corner), ws.normal(out.face)},
                         {in.face, in.corner, prevPlace(in.corner), ws.normal(in.face)});
}

// Whether the manifold edge centre-other shared by faces i and j must stay a line.
bool isLineEdge(const WorkState& ws, const Star& star, const StarEdge& ei, const StarEdge& ej) {
    if (ei.outgoing == ej.outgoing) return true; // inconsistent winding (a Möbius seam)
    auto sideOf = [&](const StarEdge& e) {
        const StarFace& sf = star.faces[e.face];
        const uint32_t other = e.outgoing ? nextPlace(sf.corner) : prevPlace(sf.corner);
        return EdgeSide{sf.face, sf.corner, other, ws.normal(sf.face)};
    };
    return sidesMakeLine(ws, sideOf(ei), sideOf(ej));
}

// Vertices of at least this many faces remember the corners their gather found; a gather
// asks for the memory of the remembered corner this many steps ahead, and a large star's
// classification for that of the face this many places on.
constexpr uint32_t kRememberedWalk = 512;
constexpr size_t kWalkAhead = 24;

// Stars up to this many faces match their faces pairwise; larger ones sort their edge uses.
constexpr uint32_t kDirectScanFaces = 24;

// Up to this many faces, a fan's mates are found four compares at a time (firstPrevAt).
constexpr uint32_t kPaddedFaces = 8;

// The first j below d (d <= kPaddedFaces) with prevs[j] == w, d for none; prevs holds
// kPaddedFaces entries, kNone from d on. No branch on where the match lies: around an
// irregular vertex that place is data, and a search loop's exit would mispredict on most
// faces.
inline uint32_t firstPrevAt(const uint32_t* prevs, uint32_t d, uint32_t w) {
#ifndef HOSTKIT_SSE2_FAN
    uint32_t found = 0;
    while (found < d && prevs[found] != w) ++found;
    return found;
#else
    const __m128i key = _mm_set1_epi32(int(w));
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prevs));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prevs + 4));
    const int lowHits = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(key, low)));
    const int highHits = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(key, high)));
    const uint32_t inStar = (1u << d) - 1; // whatever the padding holds
    const uint32_t hits = ((uint32_t(lowHits) | uint32_t(highHits) << 4) & inStar) | 1u << d;
    return uint32_t(std::countr_zero(hits));
#endif
}

// How d faces around one centre (d <= kDirectScanFaces) fit together, face i running from
// the centre to nexts[i] and back from prevs[i]. The mate of face i (mate[i]) is the first
// face whose previous vertex is its next one, and no face may be the mate of two.
// - Closed: every face has a mate. The mates then run over all faces once, so no two faces
//   share a next or a previous vertex (two faces entering one edge would leave a face without
//   a mate, or give two faces the same first one), and every edge has exactly two faces, one
//   running out along it and one in.
// - Open: one face (last) has no mate and one (first) is no face's mate, no face runs out
//   along first's incoming edge, and the mates lead from first through every face to last:
//   one fan wound one way whose two outer edges are boundaries (one face each) and whose
//   others have two faces, as in a closed fan (mate[last] is then kNone).
// - Other: anything else (more boundaries, faces wound against each other, a non-manifold
//   edge or vertex), left to the general scan.
// At most one compare per pair of faces, where the general scan makes six. Up to
// kPaddedFaces faces, prevs holds kPaddedFaces entries (see firstPrevAt).
enum class FanShape { Closed, Open, Other };
FanShape matchFan(const uint32_t* nexts, const uint32_t* prevs, uint32_t d, uint32_t* mate,
                  uint32_t& first, uint32_t& last) {
    uint32_t mated = 0; // a bit per face already some face's mate
    last = kNone;
    for (uint32_t i = 0; i < d; ++i) {
        uint32_t found = 0;
        if (d <= kPaddedFaces)
            found = firstPrevAt(prevs, d, nexts[i]);
        else
            while (found < d && prevs[found] != nexts[i]) ++found;
        if (found == d) {
            if (last != kNone) return FanShape::Other; // a second face without a mate
            last = i;
            mate[i] = kNone;
            continue;
        }
        if ((mated >> found) & 1) return FanShape::Other;
        mated |= 1u << found;
        mate[i] = found;
    }
    if (last == kNone) return FanShape::Closed;
    first = uint32_t(std::countr_zero(~mated)); // the one face below d that is no mate
    for (uint32_t i = 0; i < d; ++i)
        if (nexts[i] == prevs[first]) return FanShape::Other; // its incoming edge has two faces
    // mates are distinct and first is none, so the walk from it ends at last; it passes every
    // face unless others close a ring of their own
    uint32_t walked = 1;
    for (uint32_t f = first; f != last; f = mate[f]) ++walked;
    return walked == d ? FanShape::Open : FanShape::Other;
}

// matchFan for a small star's faces.
FanShape fanShapeOf(const Star& star, uint32_t* mate, uint32_t& first, uint32_t& last) {
    const uint32_t d = uint32_t(star.faces.size());
    uint32_t nexts[kDirectScanFaces], prevs[kDirectScanFaces];
    for (uint32_t j = 0; j < d; ++j) {
        nexts[j] = star.faces[j].next;
        prevs[j] = star.faces[j].prev;
    }
    for (uint32_t j = d; j < kPaddedFaces; ++j) prevs[j] = kNone;
    return matchFan(nexts, prevs, d, mate, first, last);
}

} // namespace

bool locksByItsEdges(WorkState& ws, uint32_t u) {
    const uint32_t d = ws.degree[u];
    if ((ws.vertexFlags[u] & (kFrozen | kDead)) || d < 3 || d > kDirectScanFaces) return false;
    Mesh& m = ws.mesh;
    uint32_t faces[kDirectScanFaces], places[kDirectScanFaces];
    uint32_t nexts[kDirectScanFaces], prevs[kDirectScanFaces];
    uint32_t n = 0; // the degree counts the live faces, one corner each
    forLiveCorners(ws, u, [&](uint32_t c) {
        if (n < d) {
            const uint32_t f = c / 3, k = c - 3 * f;
            faces[n] = f;
            places[n] = k;
            nexts[n] = m.faces[f].v[nextPlace(k)];
            prevs[n] = m.faces[f].v[prevPlace(k)];
        }
        ++n;
    });
    if (n != d) return false; // the classification decides
    // Face i runs out along its edge to nexts[i], and its mate is the first face coming in
    // along it. When the edge has just these two faces, the classification tests the same
    // pair; when it has more, it locks the centre anyway. A face with no mate (a boundary, or
    // faces wound against each other) leaves the decision to the classification, unless three
    // lines came first. Lines are tested up to the third, the mates paired to the end, which
    // auto edge (below) needs (returning at the third line without auto edge saved about 1%
    // there, and cost as much with it).
    uint32_t mate[kDirectScanFaces];
    uint32_t mated = 0, lines = 0;         // a bit per face already some face's mate
    uint32_t lineEnds[2] = {kNone, kNone}; // the other ends of the first two lines
    bool fan = true;                       // no face is the mate of two (then they close a fan)
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t j = 0;
        while (j < n && prevs[j] != nexts[i]) ++j;
        if (j == n) return lines == 3;
        fan &= !((mated >> j) & 1);
        mated |= 1u << j;
        mate[i] = j;
        if (lines == 3) continue;
        const uint32_t fi = faces[i], fj = faces[j];
        const uint32_t ki = places[i], kj = places[j];
        const EdgeSide out{fi, ki, nextPlace(ki), ws.normal(fi)};
        const EdgeSide in{fj, kj, prevPlace(kj), ws.normal(fj)};
        if (sidesMakeLine(ws, out, in)) {
            if (lines < 2) lineEnds[lines] = nexts[i];
            ++lines;
        }
    }
    if (ws.settings.autoEdge && fan) {
        // each edge has its two faces, wound alike: the edges to higher vertices are settled
        // as setEdgeVisibility settles them, from the normals the set-up worked out while
        // their faces have not moved (it works a moved face's out again). Should one have
        // moved, u is left unmarked, and setEdgeVisibility settles all of them again
        for (uint32_t i = 0; i < n; ++i) {
            if (nexts[i] < u) continue;
            const FaceWork& out = ws.faceWork[faces[i]];
            const FaceWork& in = ws.faceWork[faces[mate[i]]];
            if (out.cone.spread != kOwnNormal || in.cone.spread != kOwnNormal) return lines == 3;
            const bool visible = ws.settings.edgeAngle.reached(Vec3d(out.normal), Vec3d(in.normal));
            m.faces[faces[i]].setEdgeVis(int(places[i]), visible);
            m.faces[faces[mate[i]]].setEdgeVis(int(prevPlace(places[mate[i]])), visible);
        }
        ws.vertexFlags[u] |= kEdgesSet;
    }
    if (lines == 3) return true;
    // Two lines in a closed fan: the classification takes the same faces in the same order
    // (a closed fan), so it finds these two lines first and makes u a Line vertex between
    // their other ends, or locks it
    if (lines != 2 || !fan) return false;
    if (lineBendsTooFar(ws, u, lineEnds[0], lineEnds[1])) return true;
    const Vec3d along = ws.position(lineEnds[1]) - ws.position(lineEnds[0]);
    return reachExceeds(lineConeThrough(ws, u, lineEnds[0], lineEnds[1]), unit(along),
                        ws.settings.normalThreshold);
}

DirectionCone lineConeThrough(const WorkState& ws, uint32_t centre, uint32_t end0, uint32_t end1) {
    const Vec3d pu = ws.position(centre);
    const Vec3d in = pu - ws.position(end0);
    const Vec3d out = ws.position(end1) - pu;
    const DirectionCone pieces = coneUnion(coneOf(in), coneOf(out));
    return coneUnion(pieces, alignedWith(ws.lineCone[centre], Vec3d(pieces.axis)));
}

namespace {

// The edges of a large star in O(d): each other vertex's slot (ws.vertexSlot, all kNone
// between calls) points at its tally while the faces are walked in order, and the edges are
// then classified in the order the pairwise scan would take: outgoing edges by their first
// outgoing face (each face's outgoing edge, found through the slots, where that face is its
// first), then the rest by their first face, which also clears the slots.
template <typename Classify>
void classifyLargeStar(const WorkState& ws, Star& star, Classify classify) {
    const uint32_t d = uint32_t(star.faces.size());
    LargeVector<uint32_t>& slot = ws.vertexSlot;
    if (slot.empty()) slot.assign(size_t(ws.mesh.vertexCount), kNone);
    LargeVector<EdgeTally>& tallies = star.tallies;
    tallies.clear();
    tallies.reserve(d + 2); // a manifold star has d or d + 1 edges
    auto use = [&](uint32_t w, uint32_t face, bool outgoing) {
        uint32_t& t = slot[w];
        if (t == kNone) {
            t = uint32_t(tallies.size());
            tallies.push_back({w, face, kNone, kNone, 0});
        } else if (tallies[t].second == kNone) {
            tallies[t].second = face;
        }
        EdgeTally& tally = tallies[t];
        ++tally.uses;
        if (outgoing && tally.firstOut == kNone) tally.firstOut = face;
    };
    // the slots and faces a few steps ahead are asked for: a crowded star's neighbours and
    // faces lie apart in memory
    for (uint32_t i = 0; i < d; ++i) {
        if (i + kWalkAhead < d) {
            __builtin_prefetch(&slot[star.faces[i + kWalkAhead].next]);
            __builtin_prefetch(&slot[star.faces[i + kWalkAhead].prev]);
        }
        use(star.faces[i].next, i, true);
        use(star.faces[i].prev, i, false);
    }
    // a proper face uses an edge once, so with two uses the mate is the other face
    auto mateOf = [](const EdgeTally& t, uint32_t from) {
        return t.first == from ? t.second : t.first;
    };
    for (uint32_t i = 0; i < d; ++i) {
        if (i + kWalkAhead < d) {
            __builtin_prefetch(&slot[star.faces[i + kWalkAhead].next]);
            __builtin_prefetch(&ws.mesh.faces[star.faces[i + kWalkAhead].face]);
        }
        const EdgeTally& tally = tallies[slot[star.faces[i].next]];
        if (tally.firstOut == i) classify(i, true, tally.other, tally.uses, mateOf(tally, i));
    }
    for (const EdgeTally& tally : tallies) { // creation order is first-face order
        slot[tally.other] = kNone;
        if (tally.firstOut == kNone)
            classify(tally.first, false, tally.other, tally.uses, mateOf(tally, tally.first));
    }
}

// Whether a large star's faces run once around its centre in their order, as one closed fan:
// each face shares its outgoing edge with the face after it (step 1; the last with the
// first) or its incoming edge (step -1), and no neighbour comes twice. Returns the step, 0
// for any other star. Each edge of such a star then has two faces, a face and its neighbour
// in the order, and classifyLargeStar would take them in face order with that neighbour as
// the mate. O(d), using ws.vertexSlot (left kNone).
int closedFanStep(const WorkState& ws, const Star& star) {
    const uint32_t d = uint32_t(star.faces.size());
    const StarFace* faces = star.faces.data();
    const int step = faces[0].next == faces[1].prev ? 1 : faces[0].prev == faces[1].next ? -1 : 0;
    if (step == 0) return 0;
    bool chained = true;
    for (uint32_t i = 0, j = 1; i < d; ++i, j = j + 1 == d ? 0 : j + 1)
        chained &= step > 0 ? faces[i].next == faces[j].prev : faces[i].prev == faces[j].next;
    if (!chained) return 0;
    // a fan wound twice around the centre meets its neighbours twice
    LargeVector<uint32_t>& slot = ws.vertexSlot;
    if (slot.empty()) slot.assign(size_t(ws.mesh.vertexCount), kNone);
    uint32_t marked = 0;
    for (; marked < d && slot[faces[marked].next] == kNone; ++marked)
        slot[faces[marked].next] = marked;
    for (uint32_t i = 0; i < marked; ++i) slot[faces[i].next] = kNone;
    return marked == d ? step : 0;
}

// The mate of face i of a large closed fan of d faces whose faces step by step to their mates.
uint32_t largeFanMate(uint32_t i, uint32_t d, int step) {
    return step > 0 ? (i + 1 == d ? 0 : i + 1) : (i == 0 ? d - 1 : i - 1);
}

// A closed fan's edges: each is the first use of a face's outgoing edge and has two faces,
// that face running out along it and its mate (mateOf(i)) running in, so wound alike; no
// edge is left to be handled from an incoming face. As classify does for such an edge,
// without its other cases, in face order (as classifyLargeStar takes a large one). Pushes
// the ring, notes the first two lines' far ends (star.lineEnds) and faces (lineFaces), and
// returns the number of line edges, stopping at a third (an end or crossing of lines, which
// locks the centre). O(d).
template <typename MateOf>
uint32_t closedFanLines(const WorkState& ws, Star& star, MateOf mateOf, uint32_t lineFaces[2]) {
    const uint32_t d = uint32_t(star.faces.size());
    uint32_t lines = 0;
    for (uint32_t i = 0; i < d; ++i) {
        const StarFace& out = star.faces[i];
        star.ring.push_back(out.next);
        if (!fanEdgeIsLine(ws, out, star.faces[mateOf(i)])) continue;
        if (lines < 2) {
            star.lineEnds[lines] = out.next;
            lineFaces[lines] = i;
        }
        if (++lines > 2) break;
    }
    return lines;
}

// closedFanLines for a large closed fan, kept out of line: the small stars' classification
// is the hot path.
__attribute__((noinline)) uint32_t largeFanLines(const WorkState& ws, Star& star, int step,
                                                 uint32_t lineFaces[2]) {
    const uint32_t d = uint32_t(star.faces.size());
    return closedFanLines(
        ws, star, [&](uint32_t i) { return largeFanMate(i, d, step); }, lineFaces);
}

// Sorts a star's distinct neighbours: a small star's by insertion (sortFew). A crowded ring comes
// mostly in order (faces around a vertex tend to be numbered along it): an ascending run, or two of
// them that a rotation joins, take O(d) instead of a sort.
void sortRing(LargeVector<uint32_t>& ring) {
    if (ring.size() <= kDirectScanFaces) {
        sortFew(ring.data(), ring.size(), std::less<uint32_t>());
        return;
    }
    const auto descent = std::is_sorted_until(ring.begin(), ring.end());
    if (descent == ring.end()) return;
    if (std::is_sorted(descent, ring.end()) && ring.back() < ring.front()) {
        std::rotate(ring.begin(), descent, ring.end());
        return;
    }
    std::sort(ring.begin(), ring.end());
}

} // namespace

Settings makeSettings(float normalThreshold, float edgeThreshold, float bias, int flags) {
    Settings s;
    s.normalThreshold = clampAngle(normalThreshold);
    s.cosNormalThreshold = std::cos(s.normalThreshold);
    // a cone of two directions spreads half the angle between them (rounded up)
    constexpr double kBendMargin = 1e-5;
    const double bend = 2 * s.normalThreshold + kBendMargin;
    if (bend < std::numbers::pi) s.cosLineBendRefused = std::cos(bend);
    s.edgeAngle = AngleTest(edgeThreshold > 0 ? double(edgeThreshold) : 0);
    s.bias = bias > 0 ? std::min(double(bias), 1.0) : 0;
    s.keepMaterials = flags & OPTIMIZE_KEEP_MATERIALS;
    s.keepSmoothing = flags & OPTIMIZE_KEEP_SMOOTHING;
    s.autoEdge = flags & OPTIMIZE_AUTO_EDGE;
    return s;
}

void initWorkState(WorkState& ws) {
    Mesh& m = ws.mesh;
    const size_t faceCount = size_t(m.faceCount), vertexCount = size_t(m.vertexCount);
    ws.faceDead.assign(faceCount, 0);
    ws.vertexHead.assign(vertexCount, kNone);
    ws.degree.assign(vertexCount, 0);
    ws.lineCone.assign(vertexCount, DirectionCone());
    ws.vertexFlags.assign(vertexCount, 0);
    const uint32_t texCount = m.texFaces && m.texVertCount > 0 ? uint32_t(m.texVertCount) : 0;
    ws.texUsedBefore.assign(texCount, 0);

    // one pass, writing each face's entries once (their arrays start uninitialised), and
    // backwards, so each list runs in face order
    ws.faceWork = ScratchArray<FaceWork>(faceCount);
    ws.cornerNext = ScratchArray<uint32_t>(faceCount * 3);
    // (through local pointers: a byte store may alias any array, so the vectors' own data
    // pointers would be read again after each flag set)
    const MeshFace* faces = m.faces;
    const TVFace* texFaces = m.texFaces;
    FaceWork* faceWork = ws.faceWork.data();
    uint32_t* cornerNext = ws.cornerNext.data();
    uint32_t* vertexHead = ws.vertexHead.data();
    uint32_t* degree = ws.degree.data();
    uint8_t* vertexFlags = ws.vertexFlags.data();
    uint8_t* texUsedBefore = ws.texUsedBefore.data();
    const uint32_t texVertCount = uint32_t(m.texVertCount);
    for (size_t f = faceCount; f-- > 0;) {
        const MeshFace& face = faces[f];
        FaceWork& work = faceWork[f];
        work = FaceWork();
        bool badTexture = false; // an index beyond the texture vertices
        if (texFaces)
            for (uint32_t t : texFaces[f].t) {
                if (t < texCount) texUsedBefore[t] = 1;
                badTexture |= t >= texVertCount;
            }
        if (!isProperFace(face, m.vertexCount)) {
            for (uint32_t v : face.v)
                if (v < vertexCount) vertexFlags[v] |= kUsed | kFrozen;
            continue;
        }
        // the unit normal; a zero-area face freezes its vertices
        const Vec3d n = faceNormal(m, face);
        work.normal = toFloat(unit(n));
        const bool frozen = isZero(n) | badTexture;
        const uint8_t flags = frozen ? kUsed | kFrozen : kUsed;
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t v = face.v[k], corner = uint32_t(f) * 3 + k;
            ++degree[v];
            cornerNext[corner] = vertexHead[v];
            vertexHead[v] = corner;
            vertexFlags[v] |= flags;
        }
    }
    ws.scatteredFaces = facesScattered(ws);
}

void releaseFaceWork(WorkState& ws) {
    ws.faceWork = ScratchArray<FaceWork>();
    ws.cornerNext = ScratchArray<uint32_t>();
}

void analyzeStar(const WorkState& ws, uint32_t u, Star& star) {
    analyzeStarShape(ws, u, star);
    if (star.cls != VertexClass::Locked) settleStarCones(ws, star);
}

void analyzeStarShape(const WorkState& ws, uint32_t u, Star& star) {
    if (gatherStar(ws, u, star)) classifyStar(ws, star);
}

bool gatherStar(const WorkState& ws, uint32_t u, Star& star) {
    const Mesh& m = ws.mesh;
    star.centre = u;
    star.cls = VertexClass::Locked;
    star.faces.clear();
    star.ring.clear();
    star.groupCone.clear();
    star.groupTest.clear();
    star.sides = 0;
    star.conesKnown = false;
    star.worstQuality = 1;
    star.floorSoFar = 1;
    star.measuredFaces = 0;
    star.lineKnown = false;
    star.lineEnds[0] = star.lineEnds[1] = kNone;
    star.refused.clear();
    star.widestSpread = -1;
    star.widestKnown = false;
    if (ws.vertexFlags[u] & (kFrozen | kDead)) return false;

    // gather the live faces
    bool locked = false;
    float widest = -1;
    star.faces.reserve(ws.degree[u]);
    // A crowded vertex's list is a chain of dependent loads, each a cache miss where its
    // faces lie apart (numbered across the mesh, or moved in from merged neighbours); the
    // corners its last gather found still come in the same order, less the removed ones and
    // after the ones handed in since, so their memory is asked for a few steps ahead.
    LargeVector<uint32_t>* remembered = nullptr;
    size_t matched = 0; // remembered corners the walk has passed
    if (ws.degree[u] >= kRememberedWalk) {
        remembered = &ws.crowdedWalks[u];
        if (remembered->capacity() == 0) remembered->reserve(ws.degree[u]);
    }
    auto hintAhead = [&](uint32_t c) {
        while (matched < remembered->size() && (*remembered)[matched] != c &&
               ws.faceDead[(*remembered)[matched] / 3])
            ++matched;
        if (matched < remembered->size() && (*remembered)[matched] == c) ++matched;
        if (matched + kWalkAhead < remembered->size()) {
            const uint32_t ahead = (*remembered)[matched + kWalkAhead];
            __builtin_prefetch(&ws.cornerNext[ahead]);
            __builtin_prefetch(&ws.faceDead[ahead / 3]);
            __builtin_prefetch(&m.faces[ahead / 3]);
            __builtin_prefetch(&ws.faceWork[ahead / 3]);
        }
    };
    forLiveCorners(ws, u, [&](uint32_t c) {
        if (remembered) hintAhead(c);
        const uint32_t f = c / 3, k = c - 3 * f;
        const uint32_t kNext = nextPlace(k), kPrev = prevPlace(k);
        StarFace sf;
        sf.face = f;
        sf.corner = k;
        sf.next = m.faces[f].v[kNext];
        sf.prev = m.faces[f].v[kPrev];
        sf.group = 0;
        const FaceWork& work = ws.faceWork[f];
        widest = std::max(widest, work.cone.spread);
        locked |= isZero(Vec3d(work.normal));
        star.faces.push_back(sf);
    });
    star.widestSpread = widest;
    if (remembered) {
        remembered->clear();
        for (const StarFace& sf : star.faces) remembered->push_back(sf.face * 3 + sf.corner);
    }
    return !star.faces.empty() && !locked;
}

void classifyStar(const WorkState& ws, Star& star) {
    // classify the edges; faces across free edges join one side. An edge is handled from
    // its first outgoing face, or from its first face when no face runs out along it;
    // outgoing edges first, in face order.
    const uint32_t d = uint32_t(star.faces.size());
    bool locked = false;
    LargeVector<uint32_t>& parent = star.parent; // set up by the paths that unite faces
    auto separateFaces = [&] {
        parent.resize(d);
        for (uint32_t i = 0; i < d; ++i) parent[i] = i;
    };
    // a fan, closed or open: one side unless a line inside shows there are sides to tell
    // apart (its unions wait until then; an open fan with one inside is locked)
    bool fan = false;
    int boundaryEdges = 0, featureEdges = 0, lineEdges = 0;
    // a non-manifold edge, or a third line edge (an end or crossing of lines), locks the
    // centre whatever the other edges are: they are left unclassified
    auto lockedAlready = [&] { return locked || lineEdges > 2; };
    // uses: faces on the edge centre-w; mate: the last of them other than face i
    auto classify = [&](uint32_t i, bool outgoing, uint32_t w, uint32_t uses, uint32_t mate) {
        if (lockedAlready()) return;
        star.ring.push_back(w);
        bool line = false;
        if (uses > 2) {
            locked = true;
        } else if (uses == 1) {
            ++boundaryEdges;
            line = true;
        } else if (isLineEdge(ws, star, {w, i, outgoing}, {w, mate, star.faces[mate].next == w})) {
            ++featureEdges;
            line = true;
        } else {
            uniteSides(parent, i, mate);
        }
        if (line && lineEdges < 2) star.lineEnds[lineEdges] = w;
        lineEdges += line;
    };
    star.ring.reserve(d + 2); // a manifold star has d or d + 1 neighbours
    LargeVector<uint32_t>& inOnly = star.inOnly;
    inOnly.clear();
    uint32_t fanMates[kDirectScanFaces];
    uint32_t fanFirst = kNone, fanLast = kNone;
    // a large star that is one closed fan (closedFanStep): the step from a face to its mate;
    // a closed fan's faces whose outgoing edge is a line (at most two unless it is locked)
    int largeFanStep = 0;
    uint32_t fanLineFaces[2] = {kNone, kNone};
    auto fanMate = [&](uint32_t i) {
        return largeFanStep == 0 ? fanMates[i] : largeFanMate(i, d, largeFanStep);
    };
    const FanShape shape =
        d <= kDirectScanFaces ? fanShapeOf(star, fanMates, fanFirst, fanLast) : FanShape::Other;
    if (d >= 3 && shape == FanShape::Closed) {
        fan = true;
        featureEdges = lineEdges = int(closedFanLines(
            ws, star, [&](uint32_t i) { return fanMates[i]; }, fanLineFaces));
    } else if (shape == FanShape::Open) {
        // its two boundary edges make a line, so any line among its inner edges is a third,
        // which locks the centre; without one it is a single side. As the general scan
        // decides: the outgoing edges in face order (last's the one boundary among them),
        // then first's incoming one.
        for (uint32_t i = 0; i < d; ++i) {
            const StarFace& out = star.faces[i];
            star.ring.push_back(out.next);
            if (i == fanLast) continue;
            if (fanEdgeIsLine(ws, out, star.faces[fanMates[i]])) return; // locked
        }
        star.ring.push_back(star.faces[fanFirst].prev);
        star.lineEnds[0] = star.faces[fanLast].next;
        star.lineEnds[1] = star.faces[fanFirst].prev;
        boundaryEdges = lineEdges = 2;
        fan = true; // one side, no line inside
    } else if (d <= kDirectScanFaces) {
        separateFaces();
        // small stars: one scan per face settles both its edges, the outgoing one, and the
        // incoming one when no face runs out along it (a boundary, or two faces wound
        // against each other)
        for (uint32_t i = 0; i < d && !lockedAlready(); ++i) {
            const uint32_t wn = star.faces[i].next, wp = star.faces[i].prev;
            uint32_t usesN = 0, mateN = kNone, usesP = 0, mateP = kNone;
            bool firstOut = true, firstIn = true, leftByP = false;
            for (uint32_t j = 0; j < d; ++j) {
                const uint32_t nj = star.faces[j].next, pj = star.faces[j].prev;
                const bool onN = (nj == wn) | (pj == wn);
                usesN += onN;
                mateN = onN && j != i ? j : mateN;
                firstOut &= !(j < i && nj == wn);
                const bool inP = pj == wp;
                usesP += inP;
                mateP = inP && j != i ? j : mateP;
                firstIn &= !(j < i && inP);
                leftByP |= nj == wp;
            }
            if (firstOut) classify(i, true, wn, usesN, mateN);
            if (firstIn && !leftByP) {
                inOnly.push_back(i);
                inOnly.push_back(usesP);
                inOnly.push_back(mateP);
            }
        }
        for (size_t k = 0; k < inOnly.size(); k += 3)
            classify(inOnly[k], false, star.faces[inOnly[k]].prev, inOnly[k + 1], inOnly[k + 2]);
    } else if ((largeFanStep = closedFanStep(ws, star)) != 0) {
        fan = true;
        featureEdges = lineEdges = int(largeFanLines(ws, star, largeFanStep, fanLineFaces));
    } else {
        separateFaces();
        classifyLargeStar(ws, star, classify);
    }
    if (lockedAlready()) return;
    // a ring every neighbour of which is tried needs no order (see Star::ring)
    if (star.ringSorted()) sortRing(star.ring);

    // number the sides
    uint32_t groups = 0;
    if (fan && featureEdges == 0) {
        groups = 1; // every face's group is 0 already
    } else {
        if (fan) {
            separateFaces();
            for (uint32_t i = 0; i < d; ++i)
                if (i != fanLineFaces[0] && i != fanLineFaces[1]) uniteSides(parent, i, fanMate(i));
        }
        LargeVector<uint32_t>& label = star.label;
        label.assign(d, kNone);
        for (uint32_t i = 0; i < d; ++i) {
            uint32_t root = findRoot(parent, i);
            if (label[root] == kNone) label[root] = groups++;
            star.faces[i].group = label[root];
        }
    }
    if (boundaryEdges == 0 && featureEdges == 0 && groups == 1) {
        star.cls = VertexClass::Interior;
    } else if ((boundaryEdges == 2 && featureEdges == 0 && groups == 1) ||
               (boundaryEdges == 0 && featureEdges == 2 && groups == 2)) {
        star.cls = VertexClass::Line;
    } else {
        return;
    }
    star.sides = groups;
}

void settleStarCones(const WorkState& ws, Star& star) {
    star.conesKnown = true;
    // a side whose normals already spread wider than the threshold can never move (unions
    // only widen, so the first side past it settles that)
    star.groupCone.assign(star.sides, DirectionCone());
    // crowded stars skip unions that change nothing (small ones would spend more on cosines)
    const bool crowded = star.faces.size() > kDirectScanFaces;
    double cosSpread[2] = {2, 2}; // of each side's cone (Line and Interior have at most two)
    for (const StarFace& sf : star.faces) {
        const FaceWork& work = ws.faceWork[sf.face];
        DirectionCone& side = star.groupCone[sf.group];
        const DirectionCone add =
            work.cone.spread == kOwnNormal ? DirectionCone{work.normal, 0} : work.cone;
        // a direction clearly inside the cone leaves it as it is, without the arc tangent
        if (crowded && add.spread == 0 && clearlyInside(side, cosSpread[sf.group], add.axis))
            continue;
        side = coneUnion(side, add);
        if (crowded) cosSpread[sf.group] = std::cos(double(side.spread));
        if (side.spread > ws.settings.normalThreshold) {
            star.cls = VertexClass::Locked;
            return;
        }
    }
    for (const DirectionCone& cone : star.groupCone)
        star.groupTest.emplace_back(cone, ws.settings.normalThreshold,
                                    ws.settings.cosNormalThreshold);
}

} // namespace hostkit::opt
