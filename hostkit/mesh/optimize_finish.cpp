// Edge visibility and compaction after the collapses.
#include "hostkit/mesh/optimize_finish.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::opt {

namespace {

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

// A vertex's edge uses up to this many are sorted on the stack.
constexpr size_t kFewUses = 48;

} // namespace

void setEdgeVisibility(WorkState& ws) {
    Mesh& mesh = ws.mesh;
    const uint32_t vertexCount = uint32_t(mesh.vertexCount);
    // a face's unit normal as the set-up worked it out: kept by a face the collapses left as
    // it came, worked out again (once) for a moved one
    auto normalOf = [&](uint32_t face) -> Vec3d {
        FaceWork& work = ws.faceWork[face];
        if (work.cone.spread != kOwnNormal) {
            work.normal = toFloat(unit(faceNormal(mesh, mesh.faces[face])));
            work.cone.spread = kOwnNormal;
        }
        return Vec3d(work.normal);
    };
    const AngleTest& threshold = ws.settings.edgeAngle;
    auto show = [&](uint32_t corner, bool visible) {
        mesh.faces[corner / 3].setEdgeVis(int(corner % 3), visible);
    };
    auto settle = [&](uint32_t c, uint32_t d) __attribute__((always_inline)) {
        const Vec3d n2 = normalOf(d / 3);
        const bool against = cornerFrom(mesh, c) == cornerFrom(mesh, d); // wound so
        const bool visible = threshold.reached(normalOf(c / 3), against ? -n2 : n2);
        show(c, visible);
        show(d, visible);
    };
    // Each edge is settled at its lower vertex u, from the corners there: a face runs out to
    // the upper vertex along it (its corner at u stands for the edge) or in from it (the
    // corner before u's does). A few uses are sorted by upper vertex (sortFew); a crowded
    // vertex's are grouped through per-vertex slots (ws.vertexSlot, kNone between uses) in
    // O(d).
    struct Use {
        uint32_t upper, corner;
    };
    struct Edge {
        uint32_t upper, first, second, uses;
    };
    Use few[kFewUses];
    LargeVector<Use> many; // scratch: takes what the passes freed
    LargeVector<Edge> edges;
    for (uint32_t u = 0; u < vertexCount; ++u) {
        if (ws.vertexFlags[u] & kEdgesSet) continue; // settled by locksByItsEdges
        // two uses at most per live face, and the degree counts them (a corner beyond the
        // room would break that count, and is left out rather than written past the end)
        const size_t room = 2 * size_t(ws.degree[u]);
        const bool crowded = room > kFewUses;
        Use* uses = few;
        if (crowded) {
            many.resize(room);
            uses = many.data();
        }
        size_t n = 0;
        forLiveCorners(ws, u, [&](uint32_t c) {
            if (n + 2 > room) return;
            const uint32_t f = c / 3, k = c - 3 * f;
            const uint32_t* v = mesh.faces[f].v;
            const uint32_t next = v[nextPlace(k)], prev = v[prevPlace(k)];
            uses[n] = {next, c};
            n += next > u;
            uses[n] = {prev, 3 * f + prevPlace(k)};
            n += prev > u;
        });
        if (crowded) {
            many.resize(n);
            LargeVector<uint32_t>& slot = ws.vertexSlot;
            if (slot.empty()) slot.assign(vertexCount, kNone);
            edges.clear();
            edges.reserve(n);         // at most one edge per use: no growing copies
            bool crowdedEdge = false; // some edge has more than two faces
            for (const Use& use : many) {
                uint32_t& s = slot[use.upper];
                if (s == kNone) {
                    s = uint32_t(edges.size());
                    edges.push_back({use.upper, use.corner, kNone, 1});
                    continue;
                }
                Edge& edge = edges[s];
                edge.second = edge.uses == 1 ? use.corner : edge.second;
                crowdedEdge |= ++edge.uses > 2;
            }
            for (const Edge& edge : edges)
                if (edge.uses == 2)
                    settle(edge.first, edge.second);
                else if (edge.uses == 1)
                    show(edge.first, true);
            if (crowdedEdge)
                for (const Use& use : many)
                    if (edges[slot[use.upper]].uses > 2) show(use.corner, true);
            for (const Edge& edge : edges) slot[edge.upper] = kNone;
            continue;
        }
        sortFew(few, n, [](const Use& a, const Use& b) { return a.upper < b.upper; });
        for (size_t i = 0, run = 1; i < n; i += run) {
            for (run = 1; i + run < n && few[i + run].upper == few[i].upper;) ++run;
            if (run == 2)
                settle(few[i].corner, few[i + 1].corner);
            else // one face, or more than two
                for (size_t k = i; k < i + run; ++k) show(few[k].corner, true);
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
