// Smoothing groups by island colouring: see auto_smooth.h.
#include "hostkit/mesh/auto_smooth.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "hostkit/mesh/auto_smooth_edges.h"
#include "hostkit/mesh/auto_smooth_islands.h"
#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit {

namespace {

using smoothing::EdgeGroups;
using smoothing::findIslands;
using smoothing::kNone;

constexpr int kBits = 32;

// Bipartite incidence between islands and the meeting vertices, where two or more islands
// meet. Meeting vertices are numbered as a pass over the faces first finds them. When
// every face is an island of its own, an island's meeting vertices are read off its face
// instead of being stored.
class VertexConflicts {
  public:
    VertexConflicts(const Mesh& mesh, const uint32_t* island, uint32_t islandCount)
        : mesh_(mesh), singleFaces_(islandCount == uint32_t(mesh.faceCount)) {
        const uint32_t faceCount = uint32_t(mesh.faceCount);
        const uint32_t vertexCount = uint32_t(std::max(mesh.vertexCount, 0));
        // per vertex: kNone, the first island seen there, or kMeeting | its number
        meetingOf_ = ScratchArray<uint32_t>(vertexCount, kNone);
        uint32_t meetingCount = 0;
        for (uint32_t f = 0; f < faceCount; ++f) {
            if (!isProperFace(mesh.faces[f], mesh.vertexCount)) continue;
            for (uint32_t v : mesh.faces[f].v) {
                uint32_t& state = meetingOf_[v];
                if (state == kNone)
                    state = island[f];
                else if (!(state & kMeeting) && state != island[f])
                    state = kMeeting | meetingCount++;
            }
        }
        for (uint32_t& state : meetingOf_) state = state & kMeeting ? state & ~kMeeting : kNone;

        // islands around each meeting vertex: counted at its own entry, then filled
        // downwards from its end over the faces from the last, so ascending by face
        vertexStart_ = ScratchArray<uint32_t>(size_t(meetingCount) + 1, 0);
        for (uint32_t f = 0; f < faceCount; ++f)
            if (isProperFace(mesh.faces[f], mesh.vertexCount))
                for (uint32_t v : mesh.faces[f].v)
                    if (meetingOf_[v] != kNone) ++vertexStart_[meetingOf_[v]];
        for (uint32_t m = 1; m <= meetingCount; ++m) vertexStart_[m] += vertexStart_[m - 1];
        vertexIslands_ = ScratchArray<uint32_t>(vertexStart_[meetingCount]);
        for (uint32_t f = faceCount; f-- > 0;)
            if (isProperFace(mesh.faces[f], mesh.vertexCount))
                for (uint32_t v : mesh.faces[f].v)
                    if (meetingOf_[v] != kNone)
                        vertexIslands_[--vertexStart_[meetingOf_[v]]] = island[f];
        if (singleFaces_) return; // islands are faces: ascending and distinct already
        meetingOf_ = ScratchArray<uint32_t>();

        uint32_t out = 0;
        for (uint32_t m = 0; m < meetingCount; ++m) {
            uint32_t* begin = vertexIslands_.data() + vertexStart_[m];
            uint32_t* end = vertexIslands_.data() + vertexStart_[m + 1];
            sortSmall(begin, end);
            vertexStart_[m] = out;
            for (uint32_t* p = begin; p != end; ++p)
                if (p == begin || *p != p[-1]) vertexIslands_[out++] = *p;
        }
        vertexStart_[meetingCount] = out;

        // the transpose, filled downwards from the last meeting vertex: ascending
        islandStart_ = ScratchArray<uint32_t>(size_t(islandCount) + 1, 0);
        for (uint32_t k = 0; k < out; ++k) ++islandStart_[vertexIslands_[k]];
        for (uint32_t i = 1; i <= islandCount; ++i) islandStart_[i] += islandStart_[i - 1];
        islandVertices_ = ScratchArray<uint32_t>(out);
        for (uint32_t m = meetingCount; m-- > 0;)
            for (uint32_t k = vertexStart_[m]; k < vertexStart_[m + 1]; ++k)
                islandVertices_[--islandStart_[vertexIslands_[k]]] = m;
    }

    uint32_t meetingCount() const { return uint32_t(vertexStart_.size() - 1); }
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
    static constexpr uint32_t kMeeting = 1u << 31; // islands and vertices are fewer
    static constexpr uint32_t kEdgeLookup = 64;

    static void sortSmall(uint32_t* begin, uint32_t* end) {
        if (end - begin > 16) return std::sort(begin, end);
        for (uint32_t* p = begin + 1; p < end; ++p)
            for (uint32_t* q = p; q > begin && q[-1] > q[0]; --q) std::swap(q[-1], q[0]);
    }

    const Mesh& mesh_;
    bool singleFaces_;
    ScratchArray<uint32_t> meetingOf_; // with singleFaces_: per vertex, kNone or its number
    ScratchArray<uint32_t> vertexStart_, vertexIslands_;  // per meeting vertex: its islands
    ScratchArray<uint32_t> islandStart_, islandVertices_; // per island: its meeting vertices
};

// Islands that share an edge of two or more corners (CSR, symmetric, neighbours
// ascending and distinct), with the shared length per neighbour on request.
class EdgeConflicts {
  public:
    EdgeConflicts(const Mesh& mesh, const EdgeGroups& groups, const uint32_t* island,
                  uint32_t islandCount)
        : mesh_(mesh), groups_(groups), island_(island), start_(size_t(islandCount) + 1, 0) {
        // count, fill, then sort and deduplicate each island's neighbours
        forEachPair([&](uint32_t a, uint32_t b) { ++start_[a + 1], ++start_[b + 1]; });
        for (uint32_t i = 0; i < islandCount; ++i) start_[i + 1] += start_[i];
        neighbour_ = ScratchArray<uint32_t>(start_[islandCount]);
        {
            ScratchArray<uint32_t> fill(islandCount);
            for (uint32_t i = 0; i < islandCount; ++i) fill[i] = start_[i];
            forEachPair([&](uint32_t a, uint32_t b) {
                neighbour_[fill[a]++] = b;
                neighbour_[fill[b]++] = a;
            });
        }
        uint32_t out = 0;
        for (uint32_t i = 0; i < islandCount; ++i) {
            uint32_t* begin = neighbour_.data() + start_[i];
            uint32_t* end = neighbour_.data() + start_[i + 1];
            if (end - begin <= 16) {
                for (uint32_t* p = begin + 1; p < end; ++p) // insertion sort
                    for (uint32_t* q = p; q > begin && q[-1] > q[0]; --q) std::swap(q[-1], q[0]);
            } else {
                std::sort(begin, end);
            }
            start_[i] = out;
            for (uint32_t* p = begin; p != end; ++p)
                if (p == begin || *p != p[-1]) neighbour_[out++] = *p;
        }
        start_[islandCount] = out;
    }

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
        const uint32_t total = start_[start_.size() - 1];
        if (length_.size() == 0 && total > 0) {
            struct Pair {
                uint32_t a, b;
                double length;
            };
            std::vector<Pair> pairs;
            const EdgeTable table = buildEdgeTable(mesh_);
            for (size_t e = 0; e < table.edgeCount(); ++e) {
                const auto run = table.edgeCorners(e);
                const Point3 d = mesh_.vertices[cornerTo(mesh_, run[0])] -
                                 mesh_.vertices[cornerFrom(mesh_, run[0])];
                const double len =
                    std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
                for (size_t i = 0; i < run.size(); ++i)
                    for (size_t j = i + 1; j < run.size(); ++j) {
                        const uint32_t a = island_[cornerFace(run[i])],
                                       b = island_[cornerFace(run[j])];
                        if (a != b) pairs.push_back({a, b, len}), pairs.push_back({b, a, len});
                    }
            }
            std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
                return x.a != y.a ? x.a < y.a : x.b < y.b;
            });
            // the distinct pairs are the neighbour entries, in the same order
            length_ = ScratchArray<double>(total);
            uint32_t out = 0;
            for (size_t i = 0; i < pairs.size(); ++i) {
                if (i > 0 && pairs[i].a == pairs[i - 1].a && pairs[i].b == pairs[i - 1].b)
                    length_[out - 1] += pairs[i].length;
                else
                    length_[out++] = pairs[i].length;
            }
        }
        return length_.data();
    }

  private:
    // pair(a, b) for each two corners of an edge in different islands a and b
    template <typename Pair> void forEachPair(Pair pair) const {
        groups_.forEachEdge([](const uint32_t*, uint32_t) {},
                            [&](const uint32_t* corners, uint32_t n, const uint8_t*) {
                                for (uint32_t i = 0; i < n; ++i)
                                    for (uint32_t j = i + 1; j < n; ++j) {
                                        const uint32_t a = island_[corners[i] / 3],
                                                       b = island_[corners[j] / 3];
                                        if (a != b) pair(a, b);
                                    }
                            });
    }
    const Mesh& mesh_;
    const EdgeGroups& groups_;
    const uint32_t* island_;
    ScratchArray<uint32_t> start_, neighbour_;
    ScratchArray<double> length_;
};

// Islands meeting at one vertex form a clique of the conflict graph. A clique wider than
// this cannot be coloured with 32 bits anyway, and walking it from each of its islands
// would cost the square of its size, so the ordering leaves such vertices out.
constexpr uint32_t kWidestOrderedMeeting = 64;

// Per island, while ordering: its remaining degree, its place in the order, and the
// last neighbour walk that reached it (to visit each neighbour once).
struct OrderNode {
    uint32_t degree, position, stamp;
};

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
// meeting vertices, so sharp-edge neighbours are looked at (through edges(), which may
// build them on first use) only when the meeting vertices leave no bit: then the island
// shares a bit with a vertex-only neighbour, or else takes the bit of least shared length.
template <typename GetEdges>
ScratchArray<int8_t> colour(const ScratchArray<uint32_t>& order, const VertexConflicts* vertices,
                            GetEdges edges, AutoSmoothReport& report) {
    const uint32_t n = uint32_t(order.size());
    ScratchArray<int8_t> bit(n, -1);
    ScratchArray<uint32_t> taken; // per meeting vertex: bits its coloured islands hold
    if (vertices) taken = ScratchArray<uint32_t>(vertices->meetingCount(), 0);
    for (uint32_t k = n; k-- > 0;) {
        const uint32_t i = order[k];
        uint32_t vertexMask = 0;
        if (vertices) vertices->forEachMeeting(i, [&](uint32_t m) { vertexMask |= taken[m]; });
        if (vertices && vertexMask != UINT32_MAX) {
            bit[i] = int8_t(std::countr_one(vertexMask));
        } else {
            uint32_t edgeMask = 0;
            if (!vertices || !vertices->edgeMask(i, bit.data(), edgeMask)) {
                const EdgeConflicts& g = edges();
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
                EdgeConflicts& g = edges();
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

AutoSmoothReport autoSmooth(Mesh& mesh, float angle, int flag) {
    AutoSmoothReport report;
    if (mesh.faceCount <= 0) return report;
    // edges matter for the islands unless no angle passes, and for the colouring with
    // flag nonzero or when the bits run out
    std::optional<EdgeGroups> groups;
    if (angle > 0) groups.emplace(mesh);
    const ScratchArray<uint32_t> islandOf =
        findIslands(mesh, groups ? &*groups : nullptr, angle, report.islands);
    const uint32_t* island = islandOf.data();
    const uint32_t n = report.islands;

    if (n == 1) { // one island: one bit, nothing to colour
        for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f) mesh.faces[f].smGroup = 1;
        report.bitsUsed = 1;
        return report;
    }
    std::optional<EdgeConflicts> edgeConflicts;
    auto edges = [&]() -> EdgeConflicts& {
        if (!groups) groups.emplace(mesh);
        if (!edgeConflicts) edgeConflicts.emplace(mesh, *groups, island, n);
        return *edgeConflicts;
    };
    ScratchArray<int8_t> bit;
    if (flag == 0) {
        // vertex meetings cover every conflict; sharp edges matter only when bits run out
        if (groups) groups.reset();
        const VertexConflicts vertices(mesh, island, n);
        ConflictGraph graph(&vertices, nullptr);
        const ScratchArray<uint32_t> order = smallestLastOrder(graph, n);
        bit = colour(order, &vertices, edges, report);
    } else {
        ConflictGraph graph(nullptr, &edges());
        const ScratchArray<uint32_t> order = smallestLastOrder(graph, n);
        bit = colour(order, nullptr, edges, report);
    }

    uint32_t used = 0;
    for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f) {
        mesh.faces[f].smGroup = 1u << bit[island[f]];
        used |= mesh.faces[f].smGroup;
    }
    report.bitsUsed = uint32_t(std::popcount(used));
    return report;
}

} // namespace hostkit

void Mesh::AutoSmooth(float angle, int flag) {
    hostkit::reportMeshOperation("AutoSmooth", this, {angle, double(flag)});
    hostkit::autoSmooth(*this, angle, flag);
}
