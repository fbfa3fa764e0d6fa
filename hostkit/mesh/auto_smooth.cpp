// Smoothing groups by island colouring: see auto_smooth.h.
#include "hostkit/mesh/auto_smooth.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit {

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr int kBits = 32;

struct Vec3d {
    double x = 0, y = 0, z = 0;
};

Vec3d unitFaceNormal(const Mesh& mesh, uint32_t f) {
    const MeshFace& face = mesh.faces[f];
    if (!isProperFace(face, mesh.vertexCount)) return {};
    const Point3 a = mesh.vertices[face.v[0]], b = mesh.vertices[face.v[1]],
                 c = mesh.vertices[face.v[2]];
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(c.x) - a.x, wy = double(c.y) - a.y, wz = double(c.z) - a.z;
    const Vec3d n{uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
    const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(len > 0)) return {};
    return {n.x / len, n.y / len, n.z / len};
}

// Islands of faces joined by smooth edges; returns the island of each face, islands
// numbered in order of their lowest face.
ScratchArray<uint32_t> findIslands(const Mesh& mesh, float angle, uint32_t& islandCount) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    ScratchArray<uint32_t> parent(faceCount), size(faceCount, 1); // union-find by size
    for (uint32_t f = 0; f < faceCount; ++f) parent[f] = f;
    auto find = [&](uint32_t x) {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    };
    // atan2(s, d) < angle, for s >= 0, is s * cos(angle) < d * sin(angle) when angle is
    // in (0, pi]; beyond pi every angle passes, at or below 0 none does
    const double cosA = std::cos(double(angle)), sinA = std::sin(double(angle));
    const bool everyAngle = double(angle) > 3.141592653589793, noAngle = !(angle > 0);
    if (!noAngle) {
        ScratchArray<Vec3d> normal(faceCount);
        for (uint32_t f = 0; f < faceCount; ++f) normal[f] = unitFaceNormal(mesh, f);
        auto pair = [&](uint32_t c, uint32_t m) {
            if (cornerFrom(mesh, c) != cornerTo(mesh, m)) return; // inconsistent winding
            const Vec3d& n1 = normal[c / 3];
            const Vec3d& n2 = normal[m / 3];
            const bool nonZero =
                (n1.x != 0 || n1.y != 0 || n1.z != 0) && (n2.x != 0 || n2.y != 0 || n2.z != 0);
            if (!nonZero) return;
            if (!everyAngle) {
                const double cx = n1.y * n2.z - n1.z * n2.y, cy = n1.z * n2.x - n1.x * n2.z,
                             cz = n1.x * n2.y - n1.y * n2.x;
                const double d = n1.x * n2.x + n1.y * n2.y + n1.z * n2.z;
                const double s = std::sqrt(cx * cx + cy * cy + cz * cz);
                if (!(s * cosA < d * sinA)) return;
            }
            uint32_t a = find(c / 3), b = find(m / 3);
            if (a == b) return;
            if (size[a] < size[b]) std::swap(a, b);
            parent[b] = a;
            size[a] += size[b];
        };
        visitEdges(
            mesh, pair, [](uint32_t) {}, [](const uint32_t*, size_t) {});
    }
    // islands in order of their lowest face: a set's number is kept at its root's entry,
    // which is also the root's own (it belongs to the set)
    ScratchArray<uint32_t> island(faceCount, kNone);
    uint32_t count = 0;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const uint32_t root = find(f);
        if (island[root] == kNone) island[root] = count++;
        island[f] = island[root];
    }
    islandCount = count;
    return island;
}

// Bipartite incidence between islands and the vertices where two or more islands meet.
struct VertexConflicts {
    std::vector<uint32_t> vertexStart, vertexIslands;  // per meeting vertex: its islands
    std::vector<uint32_t> islandStart, islandVertices; // per island: its meeting vertices
};

VertexConflicts findVertexConflicts(const Mesh& mesh, const uint32_t* island,
                                    uint32_t islandCount) {
    const uint32_t vertexCount = uint32_t(mesh.vertexCount);
    VertexConflicts g;
    // which vertices see more than one island
    ScratchArray<uint32_t> first(vertexCount, kNone), meeting(vertexCount, kNone);
    uint32_t meetingCount = 0;
    for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f) {
        if (!isProperFace(mesh.faces[f], mesh.vertexCount)) continue;
        for (uint32_t v : mesh.faces[f].v) {
            if (first[v] == kNone)
                first[v] = island[f];
            else if (first[v] != island[f] && meeting[v] == kNone)
                meeting[v] = meetingCount++;
        }
    }
    first = ScratchArray<uint32_t>();

    // islands around each meeting vertex, deduplicated
    g.vertexStart.assign(meetingCount + 1, 0);
    for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f)
        if (isProperFace(mesh.faces[f], mesh.vertexCount))
            for (uint32_t v : mesh.faces[f].v)
                if (meeting[v] != kNone) ++g.vertexStart[meeting[v] + 1];
    for (uint32_t i = 0; i < meetingCount; ++i) g.vertexStart[i + 1] += g.vertexStart[i];
    g.vertexIslands.resize(g.vertexStart[meetingCount]);
    {
        std::vector<uint32_t> fill(g.vertexStart.begin(), g.vertexStart.end() - 1);
        for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f)
            if (isProperFace(mesh.faces[f], mesh.vertexCount))
                for (uint32_t v : mesh.faces[f].v)
                    if (meeting[v] != kNone) g.vertexIslands[fill[meeting[v]]++] = island[f];
    }
    uint32_t out = 0;
    for (uint32_t i = 0; i < meetingCount; ++i) {
        auto begin = g.vertexIslands.begin() + g.vertexStart[i];
        auto end = g.vertexIslands.begin() + g.vertexStart[i + 1];
        std::sort(begin, end);
        g.vertexStart[i] = out;
        for (auto it = begin; it != end; ++it)
            if (it == begin || *it != *(it - 1)) g.vertexIslands[out++] = *it;
    }
    g.vertexStart[meetingCount] = out;
    g.vertexIslands.resize(out);

    // the transpose: meeting vertices of each island
    g.islandStart.assign(islandCount + 1, 0);
    for (uint32_t isl : g.vertexIslands) ++g.islandStart[isl + 1];
    for (uint32_t i = 0; i < islandCount; ++i) g.islandStart[i + 1] += g.islandStart[i];
    g.islandVertices.resize(out);
    std::vector<uint32_t> fill(g.islandStart.begin(), g.islandStart.end() - 1);
    for (uint32_t i = 0; i < meetingCount; ++i)
        for (uint32_t k = g.vertexStart[i]; k < g.vertexStart[i + 1]; ++k)
            g.islandVertices[fill[g.vertexIslands[k]]++] = i;
    return g;
}

// Islands that share a sharp edge, with the shared length (CSR, symmetric).
struct EdgeConflicts {
    std::vector<uint32_t> start, neighbour;
    std::vector<double> length;
};

EdgeConflicts findEdgeConflicts(const Mesh& mesh, const uint32_t* island, uint32_t islandCount) {
    struct Pair {
        uint32_t a, b;
        double length;
    };
    std::vector<Pair> pairs;
    const EdgeTable table = buildEdgeTable(mesh);
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        const auto run = table.edgeCorners(e);
        const Point3 d =
            mesh.vertices[cornerTo(mesh, run[0])] - mesh.vertices[cornerFrom(mesh, run[0])];
        const double len = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
        for (size_t i = 0; i < run.size(); ++i)
            for (size_t j = i + 1; j < run.size(); ++j) {
                const uint32_t a = island[cornerFace(run[i])], b = island[cornerFace(run[j])];
                if (a != b) pairs.push_back({a, b, len}), pairs.push_back({b, a, len});
            }
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const Pair& x, const Pair& y) { return x.a != y.a ? x.a < y.a : x.b < y.b; });
    EdgeConflicts g;
    g.start.assign(islandCount + 1, 0);
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (i > 0 && pairs[i].a == pairs[i - 1].a && pairs[i].b == pairs[i - 1].b) {
            g.length.back() += pairs[i].length;
            continue;
        }
        ++g.start[pairs[i].a + 1];
        g.neighbour.push_back(pairs[i].b);
        g.length.push_back(pairs[i].length);
    }
    for (uint32_t i = 0; i < islandCount; ++i) g.start[i + 1] += g.start[i];
    return g;
}

// Islands meeting at one vertex form a clique of the conflict graph. A clique wider than
// this cannot be coloured with 32 bits anyway, and walking it from each of its islands
// would cost the square of its size, so the ordering leaves such vertices out.
constexpr uint32_t kWidestOrderedMeeting = 64;

// Conflict graph of islands for the ordering: vertex meetings of at most
// kWidestOrderedMeeting islands (when used), or else sharp edges.
class ConflictGraph {
  public:
    ConflictGraph(uint32_t islandCount, const VertexConflicts* vertices, const EdgeConflicts* edges)
        : stamp_(islandCount, 0), vertices_(vertices), edges_(edges) {}

    // Calls visit(neighbour) once for each distinct conflicting island of i.
    template <typename Visit> void forEachNeighbour(uint32_t i, Visit visit) {
        ++round_;
        if (vertices_) {
            for (uint32_t k = vertices_->islandStart[i]; k < vertices_->islandStart[i + 1]; ++k) {
                const uint32_t v = vertices_->islandVertices[k];
                const uint32_t begin = vertices_->vertexStart[v],
                               end = vertices_->vertexStart[v + 1];
                if (end - begin > kWidestOrderedMeeting) continue;
                for (uint32_t m = begin; m < end; ++m) {
                    const uint32_t j = vertices_->vertexIslands[m];
                    if (j != i && stamp_[j] != round_) stamp_[j] = round_, visit(j);
                }
            }
        } else {
            for (uint32_t k = edges_->start[i]; k < edges_->start[i + 1]; ++k)
                visit(edges_->neighbour[k]);
        }
    }

  private:
    std::vector<uint32_t> stamp_;
    uint32_t round_ = 0;
    const VertexConflicts* vertices_;
    const EdgeConflicts* edges_;
};

// Smallest-last order (Matula and Beck) by bucketed degrees; returns islands in
// removal order, so colouring goes from the back.
std::vector<uint32_t> smallestLastOrder(ConflictGraph& graph, uint32_t n) {
    std::vector<uint32_t> degree(n, 0);
    uint32_t maxDegree = 0;
    for (uint32_t i = 0; i < n; ++i) {
        graph.forEachNeighbour(i, [&](uint32_t) { ++degree[i]; });
        maxDegree = std::max(maxDegree, degree[i]);
    }
    std::vector<uint32_t> bin(maxDegree + 2, 0), order(n), position(n);
    for (uint32_t i = 0; i < n; ++i) ++bin[degree[i] + 1];
    for (uint32_t d = 1; d < bin.size(); ++d) bin[d] += bin[d - 1];
    for (uint32_t i = 0; i < n; ++i) position[i] = bin[degree[i]]++, order[position[i]] = i;
    for (uint32_t d = uint32_t(bin.size()) - 1; d > 0; --d) bin[d] = bin[d - 1];
    bin[0] = 0;
    for (uint32_t k = 0; k < n; ++k) {
        const uint32_t v = order[k];
        graph.forEachNeighbour(v, [&](uint32_t u) {
            if (degree[u] <= degree[v]) return;
            // move u to the front of its bucket, then shrink its degree
            const uint32_t du = degree[u], pu = position[u], pw = bin[du], w = order[pw];
            if (u != w) {
                order[pu] = w, position[w] = pu;
                order[pw] = u, position[u] = pw;
            }
            ++bin[du];
            --degree[u];
        });
    }
    return order;
}

// Gives each island a bit, from the back of order. Vertex meetings (which include every
// sharp edge) and sharp edges with their lengths are each optional. Each meeting vertex
// keeps the bits its coloured islands took, so an island's blocked bits cost one look per
// meeting vertex however many islands meet there: O(F) in all. Returns false, leaving
// bits partly set, when an island finds no free bit and allowDegrade is false.
bool colour(const std::vector<uint32_t>& order, const VertexConflicts* vertices,
            const EdgeConflicts* edges, bool allowDegrade, std::vector<int8_t>& bit,
            AutoSmoothReport& report) {
    const uint32_t n = uint32_t(order.size());
    bit.assign(n, -1);
    std::vector<uint32_t> taken; // per meeting vertex: bits its coloured islands hold
    if (vertices) taken.assign(vertices->vertexStart.size() - 1, 0);
    for (uint32_t k = n; k-- > 0;) {
        const uint32_t i = order[k];
        uint32_t vertexMask = 0, edgeMask = 0;
        double cost[kBits] = {};
        if (vertices)
            for (uint32_t m = vertices->islandStart[i]; m < vertices->islandStart[i + 1]; ++m)
                vertexMask |= taken[vertices->islandVertices[m]];
        if (edges)
            for (uint32_t e = edges->start[i]; e < edges->start[i + 1]; ++e)
                if (int b = bit[edges->neighbour[e]]; b >= 0) {
                    edgeMask |= 1u << b;
                    cost[b] += edges->length[e];
                }
        const uint32_t blocked = vertexMask | edgeMask;
        if (blocked != UINT32_MAX) {
            bit[i] = int8_t(std::countr_one(blocked));
        } else if (!allowDegrade) {
            return false;
        } else if (edgeMask != UINT32_MAX) {
            bit[i] = int8_t(std::countr_one(edgeMask));
            ++report.vertexShares;
        } else {
            int best = 0;
            for (int b = 1; b < kBits; ++b)
                if (cost[b] < cost[best]) best = b;
            bit[i] = int8_t(best);
            ++report.edgeConflicts;
        }
        if (vertices)
            for (uint32_t m = vertices->islandStart[i]; m < vertices->islandStart[i + 1]; ++m)
                taken[vertices->islandVertices[m]] |= 1u << bit[i];
    }
    return true;
}

} // namespace

AutoSmoothReport autoSmooth(Mesh& mesh, float angle, int flag) {
    AutoSmoothReport report;
    if (mesh.faceCount <= 0) return report;
    const ScratchArray<uint32_t> islandOf = findIslands(mesh, angle, report.islands);
    const uint32_t* island = islandOf.data();
    const uint32_t n = report.islands;

    std::vector<int8_t> bit;
    if (flag == 0) {
        // vertex meetings cover every conflict; degrade only when 32 bits run out
        const VertexConflicts vertices = findVertexConflicts(mesh, island, n);
        ConflictGraph graph(n, &vertices, nullptr);
        const std::vector<uint32_t> order = smallestLastOrder(graph, n);
        if (!colour(order, &vertices, nullptr, false, bit, report)) {
            const EdgeConflicts edges = findEdgeConflicts(mesh, island, n);
            colour(order, &vertices, &edges, true, bit, report);
        }
    } else {
        const EdgeConflicts edges = findEdgeConflicts(mesh, island, n);
        ConflictGraph graph(n, nullptr, &edges);
        const std::vector<uint32_t> order = smallestLastOrder(graph, n);
        colour(order, nullptr, &edges, true, bit, report);
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
