// AutoSmooth's grouping of face corners by edge, without sorting: both the smooth-edge
// search and the sharp-edge conflicts walk the edges through it.
#pragma once

#include <bit>
#include <cstdint>

#include "host/mesh.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::smoothing {

// No entry: an unset slot in AutoSmooth's per-vertex and per-island arrays.
inline constexpr uint32_t kNone = UINT32_MAX;

// Corners of proper faces grouped by edge, without sorting: each face is listed at its
// lowest vertex (for its two edges from there) and at its middle vertex (for its edge to
// the highest), so a vertex's list holds every corner of the edges whose lower end it is.
// O(F + V) to build; 8 bytes per face and 4 per vertex.
class EdgeGroups {
  public:
    // Lists of at most this many faces are grouped by comparing directly.
    static constexpr uint32_t kShortList = 16;
    // Set in a slot (see forEachEdge) when the corner runs from the lower vertex.
    static constexpr uint8_t kFromV = 0x80;

    // Lists the proper faces of mesh, which must outlive the grouping and not change.
    explicit EdgeGroups(const Mesh& mesh);

    // For each vertex v with a list, in vertex order: for a short list (kShortList
    // entries at most), run(list, n) with its entries (3 * face + the vertex's position in
    // the face, faces ascending); then edge(corners, n, slots) for each edge from v to a
    // higher vertex with two or more corners, in no particular order, where slots gives
    // each corner's face's place in a short list, with kFromV set when the corner runs
    // from v, or is null for a longer one.
    template <typename Run, typename Edge> void forEachEdge(Run run, Edge edge) const;

  private:
    const Mesh& mesh_;
    ScratchArray<uint32_t> end_;   // per vertex: where its list ends
    ScratchArray<uint32_t> entry_; // the lists, vertex after vertex
    uint32_t longestList_ = 0;
};

// Called per vertex and per edge, so defined here, where its callers can inline it.
template <typename Run, typename Edge> void EdgeGroups::forEachEdge(Run run, Edge edge) const {
    uint32_t upper[2 * kShortList], corner[2 * kShortList], group[2 * kShortList];
    uint8_t slot[2 * kShortList], groupSlot[2 * kShortList];
    // longer lists: each upper vertex's group through groupOf (reset after the list),
    // then the corners counting-sorted by group
    ScratchArray<uint32_t> groupOf, start, sorted;
    const MeshFace* faces = mesh_.faces;
    uint32_t begin = 0;
    for (uint32_t v = 0; v < uint32_t(end_.size()); ++v) {
        const uint32_t* list = entry_.data() + begin;
        const uint32_t m = end_[v] - begin;
        begin = end_[v];
        if (m == 0) continue;
        // the corners of the edges up from v: corner k runs from v, corner k - 1 to it
        auto expand = [&](auto add) {
            for (uint32_t s = 0; s < m; ++s) {
                const uint32_t f = list[s] / 3, k = list[s] % 3;
                const uint32_t next = k == 2 ? 0 : k + 1, prev = k == 0 ? 2 : k - 1;
                if (faces[f].v[next] > v) add(faces[f].v[next], f * 3 + k, s | kFromV);
                if (faces[f].v[prev] > v) add(faces[f].v[prev], f * 3 + prev, s);
            }
        };
        if (m <= kShortList) {
            run(list, m);
            uint32_t n = 0;
            expand([&](uint32_t up, uint32_t c, uint32_t s) {
                upper[n] = up, corner[n] = c, slot[n++] = uint8_t(s);
            });
            uint32_t done = 0;
            for (uint32_t i = 0; i < n; ++i) {
                if (done >> i & 1) continue;
                uint32_t same = 0; // the corners after i on the same edge
                for (uint32_t j = i + 1; j < n; ++j) same |= uint32_t(upper[j] == upper[i]) << j;
                if (same == 0) continue;
                done |= same;
                uint32_t size = 0;
                group[size] = corner[i], groupSlot[size++] = slot[i];
                for (; same; same &= same - 1) {
                    const int j = std::countr_zero(same);
                    group[size] = corner[j], groupSlot[size++] = slot[j];
                }
                edge(static_cast<const uint32_t*>(group), size,
                     static_cast<const uint8_t*>(groupSlot));
            }
            continue;
        }
        if (groupOf.size() == 0) {
            groupOf = ScratchArray<uint32_t>(end_.size(), kNone);
            start = ScratchArray<uint32_t>(2 * size_t(longestList_) + 1);
            sorted = ScratchArray<uint32_t>(2 * size_t(longestList_));
        }
        uint32_t groups = 0;
        start[0] = 0;
        expand([&](uint32_t up, uint32_t, uint32_t) {
            uint32_t& g = groupOf[up];
            if (g == kNone) g = groups, start[++groups] = 0;
            ++start[g + 1];
        });
        for (uint32_t g = 0; g < groups; ++g) start[g + 1] += start[g];
        expand([&](uint32_t up, uint32_t c, uint32_t) { sorted[start[groupOf[up]]++] = c; });
        for (uint32_t g = groups; g > 0; --g) start[g] = start[g - 1]; // back to starts
        start[0] = 0;
        for (uint32_t g = 0; g < groups; ++g)
            if (start[g + 1] - start[g] >= 2)
                edge(static_cast<const uint32_t*>(sorted.data() + start[g]),
                     start[g + 1] - start[g], static_cast<const uint8_t*>(nullptr));
        expand([&](uint32_t up, uint32_t, uint32_t) { groupOf[up] = kNone; });
    }
}

} // namespace hostkit::smoothing
