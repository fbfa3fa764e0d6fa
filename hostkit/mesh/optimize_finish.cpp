// Edge visibility and compaction after the collapses.
#include "hostkit/mesh/optimize_finish.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace hostkit::opt {

namespace {

struct EdgeUse {
    uint32_t other;
    uint32_t face;
    uint32_t edgeBit; // which of the face's three edges
    bool outgoing;
};

Vec3d unitNormal(const WorkState& ws, uint32_t face) {
    const MeshFace& f = ws.mesh.faces[face];
    Vec3d a = ws.position(f.v[0]);
    return unit(cross(ws.position(f.v[1]) - a, ws.position(f.v[2]) - a));
}

// The unit normal of a live face: the cached one while the face is as it came (the same
// formula, so the same bits), worked out afresh once it has moved and then cached in its
// place for the face's other edges (the collapses are over: the cone is no longer read).
const Vec3d& normalOf(WorkState& ws, uint32_t face) {
    FaceWork& work = ws.faceWork[face];
    if (work.cone.spread != kOwnNormal) {
        work.normal = unitNormal(ws, face);
        work.cone.spread = kOwnNormal;
    }
    return work.normal;
}

// "angleBetween(n1, n2) >= limit" for n1 and n2 unit or zero, without the arc tangent away
// from the boundary. Mostly the cosine decides alone: when positive (neither is zero) and
// well away from the limit's, it orders the angles (rounding moves it by far less than the
// margin). Otherwise the angle is that of (n1 . n2, |n1 x n2|) in the upper half plane,
// compared with the limit's by the sign of a 2D cross product; near the boundary the angle
// itself decides.
class AngleTest {
  public:
    explicit AngleTest(double limit)
        : limit_(limit), cos_(std::cos(limit)), sin_(std::sin(limit)), exact_(limit > 3) {}
    bool reached(const Vec3d& n1, const Vec3d& n2) const {
        const double c = dot(n1, n2);
        if (!exact_ && c > 0 && std::abs(c - cos_) > kCosineMargin) return c < cos_;
        const double s = length(cross(n1, n2));
        const double side = cos_ * s - sin_ * c; // r sin(angle - limit)
        if (!exact_ && std::abs(side) > 1e-9 * (s + std::abs(c))) return side > 0;
        return std::atan2(s, c) >= limit_;
    }

  private:
    static constexpr double kCosineMargin = 1e-9;
    double limit_, cos_, sin_;
    bool exact_; // limits near or past pi always take the arc tangent
};

// Keeps the entries whose flag is clear, in order; returns the new count.
template <typename T, typename Flags>
size_t compactArray(T* data, size_t count, size_t stride, const Flags& drop) {
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (drop[i]) continue;
        if (kept != i) // element by element: a library call per entry costs more than the copy
            for (size_t k = 0; k < stride; ++k) data[kept * stride + k] = data[i * stride + k];
        ++kept;
    }
    return kept;
}

// compactArray for one entry per index that also hands each kept entry, in its new place,
// to visit (which may change it).
template <typename T, typename Flags, typename Visit>
size_t compactVisiting(T* data, size_t count, const Flags& drop, Visit visit) {
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        if (drop[i]) continue;
        T entry = data[i];
        visit(entry);
        data[kept++] = entry;
    }
    return kept;
}

// New index of every kept entry.
LargeVector<uint32_t> renumber(const LargeVector<uint8_t>& drop) {
    LargeVector<uint32_t> index(drop.size());
    uint32_t next = 0;
    for (size_t i = 0; i < drop.size(); ++i) index[i] = drop[i] ? kNone : next++;
    return index;
}

// Vertices with up to this many edge uses sort them; more crowded ones group them through
// per-vertex slots.
constexpr size_t kSortedUses = 32;

// Reorders uses so that the uses of one edge (same other vertex) are adjacent: a sort for
// a few, O(n) through slot (per vertex, all kNone before and after; allocated on first
// need) for many. The order within an edge does not matter to the caller.
void groupByOther(LargeVector<EdgeUse>& uses, LargeVector<uint32_t>& slot,
                  LargeVector<EdgeUse>& grouped, LargeVector<uint32_t>& start) {
    if (uses.size() <= kSortedUses) {
        std::sort(uses.begin(), uses.end(), [](const EdgeUse& a, const EdgeUse& b) {
            return a.other != b.other ? a.other < b.other : a.face < b.face;
        });
        return;
    }
    uint32_t top = 0;
    for (const EdgeUse& e : uses) top = std::max(top, e.other);
    if (slot.size() <= top) slot.resize(size_t(top) + 1, kNone);
    // slot: edge number while counting, then where its next use goes
    start.clear();
    for (const EdgeUse& e : uses) {
        if (slot[e.other] == kNone) {
            slot[e.other] = uint32_t(start.size());
            start.push_back(0);
        }
        ++start[slot[e.other]];
    }
    uint32_t at = 0;
    for (uint32_t& s : start) s = std::exchange(at, at + s);
    grouped.resize(uses.size());
    for (const EdgeUse& e : uses) grouped[start[slot[e.other]]++] = e;
    for (const EdgeUse& e : uses) slot[e.other] = kNone;
    uses.swap(grouped);
}

} // namespace

void setEdgeVisibility(WorkState& ws) {
    Mesh& m = ws.mesh;
    LargeVector<EdgeUse> uses, grouped;
    LargeVector<uint32_t> slot, start; // per vertex and per edge, for crowded vertices
    const AngleTest threshold(ws.settings.edgeThreshold);
    for (uint32_t u = 0; u < uint32_t(m.vertexCount); ++u) {
        // every edge is settled from its lower vertex
        uses.clear();
        uses.reserve(size_t(ws.degree[u]) * 2); // a crowded vertex grows it once
        for (uint32_t c = ws.vertexHead[u]; c != kNone; c = ws.cornerNext[c]) {
            uint32_t f = c / 3, k = c % 3;
            if (ws.faceDead[f]) continue;
            uint32_t next = m.faces[f].v[(k + 1) % 3], prev = m.faces[f].v[(k + 2) % 3];
            if (next > u) uses.push_back({next, f, k, true});
            if (prev > u) uses.push_back({prev, f, (k + 2) % 3, false});
        }
        groupByOther(uses, slot, grouped, start);
        for (size_t i = 0; i < uses.size();) {
            size_t end = i;
            while (end < uses.size() && uses[end].other == uses[i].other) ++end;
            bool visible = true;
            if (end - i == 2) {
                Vec3d n1 = normalOf(ws, uses[i].face), n2 = normalOf(ws, uses[i + 1].face);
                if (uses[i].outgoing == uses[i + 1].outgoing) n2 = -n2;
                visible = threshold.reached(n1, n2);
            }
            for (size_t j = i; j < end; ++j)
                m.faces[uses[j].face].setEdgeVis(int(uses[j].edgeBit), visible);
            i = end;
        }
    }
}

int compactMesh(WorkState& ws) {
    Mesh& m = ws.mesh;
    releaseFaceWork(ws);
    decltype(ws.vertexHead)().swap(ws.vertexHead);
    decltype(ws.lineCone)().swap(ws.lineCone);

    // Vertices some face used before and none uses now, found without a look at the faces:
    // a vertex that may collapse has all its faces in the lists, so its degree counts them;
    // a frozen one keeps the face that froze it (an improper, zero-area or badly mapped face
    // locks every star it is in, so no collapse removes it).
    const uint32_t vertexCount = uint32_t(m.vertexCount);
    LargeVector<uint8_t> dropVertex(vertexCount);
    size_t dropped = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        dropVertex[v] = (ws.vertexFlags[v] & (kUsed | kFrozen)) == kUsed && ws.degree[v] == 0;
        dropped += dropVertex[v];
    }
    decltype(ws.vertexFlags)().swap(ws.vertexFlags);
    decltype(ws.degree)().swap(ws.degree);

    // faces and every per-face array in one stable pass, the faces renumbered on the way
    const size_t faceCount = size_t(m.faceCount);
    size_t kept = faceCount;
    if (dropped > 0) {
        const LargeVector<uint32_t> vertexIndex = renumber(dropVertex);
        kept = compactVisiting(m.faces, faceCount, ws.faceDead, [&](MeshFace& face) {
            for (uint32_t& v : face.v)
                if (v < vertexCount) v = vertexIndex[v];
        });
        compactArray(m.vertices, vertexCount, 1, dropVertex);
    } else {
        kept = compactArray(m.faces, faceCount, 1, ws.faceDead);
    }
    decltype(dropVertex)().swap(dropVertex);
    const int removed = int(faceCount - kept);
    if (removed == 0 && dropped == 0) return 0; // (a collapse always removes a face)
    if (m.faceNormals) compactArray(m.faceNormals, faceCount, 1, ws.faceDead);
    if (m.cornerNormals) compactArray(m.cornerNormals, faceCount, 3, ws.faceDead);
    // texture vertices used before (one flag each when mapped, none otherwise), cleared
    // where a kept face still uses them
    const uint32_t texCount = uint32_t(ws.texUsedBefore.size());
    LargeVector<uint8_t> dropTex = std::move(ws.texUsedBefore);
    if (m.texFaces)
        compactVisiting(m.texFaces, faceCount, ws.faceDead, [&](const TVFace& face) {
            for (uint32_t t : face.t)
                if (t < texCount) dropTex[t] = 0;
        });
    decltype(ws.faceDead)().swap(ws.faceDead);
    m.setNumFaces(int(kept), true);
    if (dropped > 0) m.setNumVerts(int(vertexCount - dropped), true);

    // texture vertices likewise
    if (texCount == 0) return removed;
    const LargeVector<uint32_t> texIndex = renumber(dropTex);
    const size_t keptTex = compactArray(m.texVerts, texCount, 1, dropTex);
    if (keptTex == texCount) return removed;
    for (int f = 0; f < m.faceCount; ++f)
        for (uint32_t& t : m.texFaces[f].t)
            if (t < texCount) t = texIndex[t];
    m.setNumTVerts(int(keptTex), true);
    return removed;
}

} // namespace hostkit::opt
