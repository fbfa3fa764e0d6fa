// Colouring AutoSmooth's islands: see auto_smooth_colouring.h.
#include "hostkit/mesh/auto_smooth_colouring.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace hostkit::smoothing {

namespace {

constexpr int kBits = 32;

// Islands meeting at one vertex form a clique of the conflict graph. A clique wider than
// this cannot be coloured with 32 bits anyway, and walking it from each of its islands
// would cost the square of its size, so the ordering leaves such vertices out.
constexpr uint32_t kWidestOrderedMeeting = 64;

// Per island, while ordering: its remaining degree, its place in the order, and the
// last neighbour walk that reached it (to visit each neighbour once).
struct OrderNode {
    uint32_t degree, position, stamp;
};

// While islands are taken in order[k] stepping by step (+1 or -1), asks for the memory of
// the ones a few steps ahead (guesses where order still changes: only hints).
[[gnu::always_inline]] inline void prefetchIslandsAhead(const VertexConflicts& vertices,
                                                        const uint32_t* order, uint32_t k,
                                                        uint32_t n, int step) {
    constexpr uint32_t kFar = 16, kNear = 8;
    if (step > 0) {
        if (k + kFar < n) vertices.prefetchIsland(order[k + kFar]);
        if (k + kNear < n) vertices.prefetchMeetings(order[k + kNear]);
    } else {
        if (k >= kFar) vertices.prefetchIsland(order[k - kFar]);
        if (k >= kNear) vertices.prefetchMeetings(order[k - kNear]);
    }
}

// Conflict graph of islands for the ordering: vertex meetings of at most
// kWidestOrderedMeeting islands (when used), or else sharp edges.
class ConflictGraph {
  public:
    ConflictGraph(const VertexConflicts* vertices, const EdgeConflicts* edges)
        : vertices_(vertices), edges_(edges) {}

    // Calls visit(neighbour) once for each distinct conflicting island of i; node holds
    // the walks' stamps, which start at 0.
    template <typename Visit> void forEachNeighbour(uint32_t i, OrderNode* node, Visit visit) {
        ++round_;
        if (vertices_) {
            vertices_->forEachMeeting(i, [&](uint32_t v) {
                if (vertices_->islandsAt(v) > kWidestOrderedMeeting) return;
                for (const uint32_t* p = vertices_->islandsBegin(v); p != vertices_->islandsEnd(v);
                     ++p)
                    if (*p != i && node[*p].stamp != round_) node[*p].stamp = round_, visit(*p);
            });
        } else {
            for (uint32_t k = edges_->begin(i); k < edges_->end(i); ++k)
                visit(edges_->neighbour(k));
        }
    }

    const VertexConflicts* vertices() const { return vertices_; }

  private:
    uint32_t round_ = 0;
    const VertexConflicts* vertices_;
    const EdgeConflicts* edges_;
};

// Smallest-last order (Matula and Beck) by bucketed degrees; returns islands in
// removal order, so colouring goes from the back.
ScratchArray<uint32_t> smallestLastOrder(ConflictGraph& graph, uint32_t n) {
    ScratchArray<OrderNode> node(n, OrderNode{0, 0, 0});
    uint32_t maxDegree = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t degree = 0;
        graph.forEachNeighbour(i, node.data(), [&](uint32_t) { ++degree; });
        node[i].degree = degree;
        maxDegree = std::max(maxDegree, degree);
    }
    std::vector<uint32_t> bin(maxDegree + 2, 0);
    ScratchArray<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i) ++bin[node[i].degree + 1];
    for (uint32_t d = 1; d < bin.size(); ++d) bin[d] += bin[d - 1];
    for (uint32_t i = 0; i < n; ++i)
        node[i].position = bin[node[i].degree]++, order[node[i].position] = i;
    for (uint32_t d = uint32_t(bin.size()) - 1; d > 0; --d) bin[d] = bin[d - 1];
    bin[0] = 0;
    for (uint32_t k = 0; k < n; ++k) {
        if (const VertexConflicts* vertices = graph.vertices())
            prefetchIslandsAhead(*vertices, order.data(), k, n, +1);
        const uint32_t v = order[k], dv = node[v].degree;
        graph.forEachNeighbour(v, node.data(), [&](uint32_t u) {
            OrderNode& nu = node[u];
            if (nu.degree <= dv) return;
            // move u to the front of its bucket, then shrink its degree
            const uint32_t du = nu.degree, pu = nu.position, pw = bin[du], w = order[pw];
            if (u != w) {
                order[pu] = w, node[w].position = pu;
                order[pw] = u, nu.position = pw;
            }
            ++bin[du];
            --nu.degree;
        });
    }
    return order;
}

// Gives each island a bit, from the back of order: the lowest bit that no island sharing
// a meeting vertex (with vertices) or a sharp edge (with edges) holds. Each meeting vertex
// keeps the bits its coloured islands took, so an island's blocked bits cost one look per
// meeting vertex however many islands meet there: O(F) in all. Every sharp edge joins two
// meeting vertices, so sharp-edge neighbours are looked at (through edges, which may
// build them on first use) only when the meeting vertices leave no bit: then the island
// shares a bit with a vertex-only neighbour, or else takes the bit of least shared length.
ScratchArray<int8_t> colour(const ScratchArray<uint32_t>& order, const VertexConflicts* vertices,
                            LazyEdgeConflicts& edges, AutoSmoothReport& report) {
    const uint32_t n = uint32_t(order.size());
    ScratchArray<int8_t> bit(n, -1);
    ScratchArray<uint32_t> taken; // per meeting vertex: bits its coloured islands hold
    if (vertices) taken = ScratchArray<uint32_t>(vertices->meetingCount(), 0);
    for (uint32_t k = n; k-- > 0;) {
        if (vertices) prefetchIslandsAhead(*vertices, order.data(), k, n, -1);
        const uint32_t i = order[k];
        uint32_t vertexMask = 0;
        if (vertices) vertices->forEachMeeting(i, [&](uint32_t m) { vertexMask |= taken[m]; });
        if (vertices && vertexMask != UINT32_MAX) {
            bit[i] = int8_t(std::countr_one(vertexMask));
        } else {
            uint32_t edgeMask = 0;
            if (!vertices || !vertices->edgeMask(i, bit.data(), edgeMask)) {
                const EdgeConflicts& g = edges.get();
                for (uint32_t e = g.begin(i); e < g.end(i); ++e)
                    if (int b = bit[g.neighbour(e)]; b >= 0) edgeMask |= 1u << b;
            }
            const uint32_t blocked = vertexMask | edgeMask;
            if (blocked != UINT32_MAX) {
                bit[i] = int8_t(std::countr_one(blocked));
            } else if (edgeMask != UINT32_MAX) {
                bit[i] = int8_t(std::countr_one(edgeMask));
                ++report.vertexShares;
            } else {
                EdgeConflicts& g = edges.get();
                const double* length = g.lengths();
                double cost[kBits] = {};
                for (uint32_t e = g.begin(i); e < g.end(i); ++e)
                    if (int b = bit[g.neighbour(e)]; b >= 0) cost[b] += length[e];
                int best = 0;
                for (int b = 1; b < kBits; ++b)
                    if (cost[b] < cost[best]) best = b;
                bit[i] = int8_t(best);
                ++report.edgeConflicts;
            }
        }
        if (vertices) vertices->forEachMeeting(i, [&](uint32_t m) { taken[m] |= 1u << bit[i]; });
    }
    return bit;
}

} // namespace

ScratchArray<int8_t> colourIslands(uint32_t islandCount, const VertexConflicts* vertices,
                                   LazyEdgeConflicts& edges, AutoSmoothReport& report) {
    ConflictGraph graph(vertices, vertices ? nullptr : &edges.get());
    const ScratchArray<uint32_t> order = smallestLastOrder(graph, islandCount);
    return colour(order, vertices, edges, report);
}

} // namespace hostkit::smoothing
