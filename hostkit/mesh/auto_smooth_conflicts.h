// AutoSmooth's conflicts between islands, which must not share a smoothing bit: islands
// meeting at a vertex (VertexConflicts) and islands sharing a sharp edge (EdgeConflicts).
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "host/mesh.h"
#include "hostkit/mesh/auto_smooth_edges.h"
#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::smoothing {

// Bipartite incidence between islands and the meeting vertices, where two or more islands
// meet. Meeting vertices are numbered as a pass over the faces first finds them. When
// every face is an island of its own, an island's meeting vertices are read off its face
// instead of being stored.
class VertexConflicts {
  public:
    // island gives each face's island (islandCount of them, numbered as findIslands
    // does); mesh must outlive this and not change. O(F) on ordinary meshes; a meeting
    // vertex of d islands sorts them in O(d log d) beyond 16.
    VertexConflicts(const Mesh& mesh, const uint32_t* island, uint32_t islandCount);

    uint32_t meetingCount() const { return meetingCount_; }
    // The islands at meeting vertex m, ascending.
    const uint32_t* islandsBegin(uint32_t m) const {
        return vertexIslands_.data() + vertexStart_[m];
    }
    const uint32_t* islandsEnd(uint32_t m) const {
        return vertexIslands_.data() + vertexStart_[m + 1];
    }
    uint32_t islandsAt(uint32_t m) const { return vertexStart_[m + 1] - vertexStart_[m]; }

    // Calls visit(m) for each meeting vertex of island i, ascending.
    template <typename Visit> void forEachMeeting(uint32_t i, Visit visit) const {
        if (!singleFaces_) {
            for (uint32_t k = islandStart_[i]; k < islandStart_[i + 1]; ++k)
                visit(islandVertices_[k]);
            return;
        }
        const MeshFace& face = mesh_.faces[i];
        if (!isProperFace(face, mesh_.vertexCount)) return;
        uint32_t a = meetingOf_[face.v[0]], b = meetingOf_[face.v[1]], c = meetingOf_[face.v[2]];
        if (a > b) std::swap(a, b);
        if (b > c) std::swap(b, c);
        if (a > b) std::swap(a, b);
        if (a != kNone) visit(a);
        if (b != kNone) visit(b);
        if (c != kNone) visit(c);
    }

    // Walks that meet islands in an order known ahead (not the order of their memory) ask
    // for what forEachMeeting(i) reads in two steps, some islands apart: first the face
    // or the island's list, then, once that has come, the vertices' meeting numbers. Only
    // hints, which change nothing; always inlined, as GCC drops a call whose only effect
    // is a prefetch.
    [[gnu::always_inline]] void prefetchIsland(uint32_t i) const {
        if (singleFaces_)
            __builtin_prefetch(&mesh_.faces[i]);
        else
            __builtin_prefetch(&islandStart_[i]);
    }
    [[gnu::always_inline]] void prefetchMeetings(uint32_t i) const {
        if (!singleFaces_) { // an island may have no meeting vertex, the list no entry
            if (const uint32_t k = islandStart_[i]; k < islandStart_[i + 1])
                __builtin_prefetch(islandVertices_.data() + k);
            return;
        }
        const MeshFace& face = mesh_.faces[i];
        for (uint32_t v : face.v)
            if (v < uint32_t(mesh_.vertexCount)) __builtin_prefetch(&meetingOf_[v]);
    }

    // When every face is an island of its own: sets mask to the bits of the islands that
    // share an edge with island i and returns true, unless an edge of i joins two
    // vertices with more than kEdgeLookup faces each (then false: find them otherwise).
    bool edgeMask(uint32_t i, const int8_t* bit, uint32_t& mask) const {
        if (!singleFaces_) return false;
        const MeshFace& face = mesh_.faces[i];
        uint32_t found = 0;
        for (uint32_t k = 0; k < 3; ++k) {
            uint32_t a = face.v[k], b = face.v[k == 2 ? 0 : k + 1];
            if (meetingOf_[a] == kNone || meetingOf_[b] == kNone) continue; // i alone there
            if (islandsAt(meetingOf_[a]) > islandsAt(meetingOf_[b])) std::swap(a, b);
            if (islandsAt(meetingOf_[a]) > kEdgeLookup) return false;
            // the faces at a that also use b share the edge
            for (const uint32_t* p = islandsBegin(meetingOf_[a]); p != islandsEnd(meetingOf_[a]);
                 ++p) {
                const MeshFace& other = mesh_.faces[*p];
                if (*p != i && bit[*p] >= 0 &&
                    (other.v[0] == b || other.v[1] == b || other.v[2] == b))
                    found |= 1u << bit[*p];
            }
        }
        mask = found;
        return true;
    }

  private:
    static constexpr uint32_t kEdgeLookup = 64;

    const Mesh& mesh_;
    bool singleFaces_;
    uint32_t meetingCount_ = 0;
    ScratchArray<uint32_t> meetingOf_; // with singleFaces_: per vertex, kNone or its number
    ScratchArray<uint32_t> vertexStart_, vertexIslands_;  // per meeting vertex: its islands
    ScratchArray<uint32_t> islandStart_, islandVertices_; // per island: its meeting vertices
};

// Islands that share an edge of two or more corners (CSR, symmetric, neighbours
// ascending and distinct), with the shared length per neighbour on request.
class EdgeConflicts {
  public:
    // groups is the grouping of mesh's edges and island each face's island (islandCount
    // of them); all must outlive this and not change. An edge shared by k faces adds
    // k^2 island pairs; an island with P of them sorts them in O(P log P) beyond 16.
    // One walk over the edges while the pairs are at most 3/2 per face (always so
    // without edges of three or more corners; 12 bytes per face keep them), else two.
    EdgeConflicts(const Mesh& mesh, const EdgeGroups& groups, const uint32_t* island,
                  uint32_t islandCount);

    // Island i's neighbour entries are begin(i) to end(i).
    uint32_t begin(uint32_t i) const { return start_[i]; }
    uint32_t end(uint32_t i) const { return start_[i + 1]; }
    uint32_t neighbour(uint32_t k) const { return neighbour_[k]; }

    // Per neighbour entry: the summed length of the edges shared, each edge counted once
    // per pair of its corners in the two islands. Needed only when a colouring runs out of
    // bits at sharp edges, so built on first use, the way this operation always has: every
    // corner pair of the sorted edge table, sorted by island pair, summed in that order.
    // Floating-point sums depend on their order, and near-equal costs must keep choosing
    // the same bit.
    const double* lengths() {
        if (length_.size() == 0 && start_[start_.size() - 1] > 0) buildLengths();
        return length_.data();
    }

  private:
    // pair(a, b) for each two corners of an edge in different islands a and b
    template <typename Pair> void forEachPair(Pair pair) const;
    void buildLengths();

    const Mesh& mesh_;
    const EdgeGroups& groups_;
    const uint32_t* island_;
    ScratchArray<uint32_t> start_, neighbour_;
    ScratchArray<double> length_;
};

// The sharp-edge conflicts of a colouring, built on first use: with flag 0 most
// colourings never need them. Holds the edge grouping they are built from, handed on
// from finding the islands or else built with them.
class LazyEdgeConflicts {
  public:
    // groups, when set, is the grouping of mesh's edges; island gives each face's island
    // (islandCount of them). mesh and island must outlive this and not change.
    LazyEdgeConflicts(const Mesh& mesh, std::optional<EdgeGroups>&& groups, const uint32_t* island,
                      uint32_t islandCount)
        : mesh_(mesh), groups_(std::move(groups)), island_(island), islandCount_(islandCount) {}

    // Frees the grouping until the conflicts are needed (then it is built again).
    void dropGroups() { groups_.reset(); }

    // The conflicts, built on the first call.
    EdgeConflicts& get() {
        if (!conflicts_) build();
        return *conflicts_;
    }

  private:
    void build();

    const Mesh& mesh_;
    std::optional<EdgeGroups> groups_;
    const uint32_t* island_;
    uint32_t islandCount_;
    std::optional<EdgeConflicts> conflicts_;
};

} // namespace hostkit::smoothing
