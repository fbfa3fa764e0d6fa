// Optimize's memory hints for a sparse pass (and a dense one over faces scattered far from
// their vertices' order): the corner lists of the vertices a few looks ahead, walked one
// link per look, and (sparse passes only) the neighbours of a star about to be tested.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

// A pass visiting under one vertex in this many is sparse: its looks land on cold memory.
constexpr size_t kSparseShare = 4;

// Asks for what a walk of a corner list reads at corner c: its link, and its face's
// liveness and vertices.
inline void hintCorner(const WorkState& ws, uint32_t c) {
    __builtin_prefetch(&ws.cornerNext[c]);
    __builtin_prefetch(&ws.faceDead[c / 3]);
    __builtin_prefetch(&ws.mesh.faces[c / 3]);
}

// Hints for a sparse pass's look at a small star that goes on to the collapse tests, whose
// topology test walks a neighbour's corner list: the neighbours' list heads, degrees and
// flags while the star is classified (hintNeighbourHeads), then each list's first corner
// (hintNeighbourLists, once the ring is known).
inline void hintNeighbourHeads(const WorkState& ws, const Star& star) {
    for (const StarFace& sf : star.faces) {
        __builtin_prefetch(&ws.vertexHead[sf.next]);
        __builtin_prefetch(&ws.degree[sf.next]);
        __builtin_prefetch(&ws.vertexFlags[sf.next]);
    }
}
inline void hintNeighbourLists(const WorkState& ws, const Star& star) {
    for (uint32_t w : star.ring)
        if (const uint32_t c = ws.vertexHead[w]; c != kNone) hintCorner(ws, c);
}

// Walks the corner lists of the next few vertices of a pass one link per look,
// asking for each link's corner and face and, one look later, the position of the neighbour
// that face leads to: a look's own walk is a chain of dependent loads that would each wait for
// memory, while the lists of different vertices load side by side. Few hints per link, as the
// misses a core can have in flight are few. Only hints: nothing is read that the looks depend
// on, nothing is changed.
class ListFetcher {
  public:
    static constexpr size_t kAhead = 8; // vertices whose lists are walked ahead

    // Before the look at visit[i]: starts the walk of visit[i + kAhead] and moves every
    // walk in between one link on.
    void advance(const WorkState& ws, const LargeVector<uint32_t>& visit, size_t i) {
        if (i + 2 * kAhead < visit.size())
            __builtin_prefetch(&ws.vertexHead[visit[i + 2 * kAhead]]);
        if (i + kAhead < visit.size()) {
            const uint32_t w = visit[i + kAhead];
            __builtin_prefetch(&ws.mesh.vertices[w]);
            start(ws, slot(i + kAhead), ws.vertexHead[w]);
        }
        for (size_t j = i + 1; j < i + kAhead && j < visit.size(); ++j) {
            uint32_t& cursor = cursor_[slot(j)];
            if (cursor == kNone) continue;
            // the face asked for one look ago: the position of its corner after the centre
            // next (around a vertex each neighbour follows it in some face, and the
            // centre's own was asked for with its list)
            const uint32_t v = cornerEnds(ws.mesh, cursor).next;
            if (v < uint32_t(ws.mesh.vertexCount)) __builtin_prefetch(&ws.mesh.vertices[v]);
            start(ws, cursor, ws.cornerNext[cursor]);
        }
    }

    // Starts the walks of the first vertices of a pass.
    void prime(const WorkState& ws, const LargeVector<uint32_t>& visit) {
        for (size_t j = 0; j < kAhead; ++j)
            start(ws, slot(j), j < visit.size() ? ws.vertexHead[visit[j]] : kNone);
    }

  private:
    size_t slot(size_t i) const { return i % kAhead; }
    void start(const WorkState& ws, uint32_t& cursor, uint32_t c) {
        cursor = c;
        if (c == kNone) return;
        hintCorner(ws, c);
        __builtin_prefetch(&ws.faceWork[c / 3]);
    }
    void start(const WorkState& ws, size_t s, uint32_t c) { start(ws, cursor_[s], c); }

    uint32_t cursor_[kAhead] = {};
};

} // namespace hostkit::opt
