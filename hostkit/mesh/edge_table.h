// Adjacency groundwork shared by the mesh operations: the edge table (face corners
// grouped by undirected edge), manifold mates, vertex-to-corner lists and union-find.
//
// A corner c = 3 * face + k stands for the directed edge from faces[face].v[k] to
// faces[face].v[(k + 1) % 3]. Only "proper" faces (three distinct vertex indices, all in
// range) take part; corners of other faces belong to no edge and no vertex list.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/api.h"
#include "host/mesh.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit {

constexpr uint32_t kNoMate = UINT32_MAX;              // boundary edge or improper face
constexpr uint32_t kNonManifoldMate = UINT32_MAX - 1; // edge with three or more corners

// The places after and before place k (0 to 2) of a face, without a division or a branch
// (a corner's place follows the data: on an irregular mesh a branch on it mostly guesses
// wrong): read from the places packed two bits each, 1 2 0 and 2 0 1.
constexpr uint32_t nextPlace(uint32_t k) {
    return (0b00'10'01u >> (2 * k)) & 3;
}
constexpr uint32_t prevPlace(uint32_t k) {
    return (0b01'00'10u >> (2 * k)) & 3;
}
inline uint32_t cornerFace(uint32_t corner) {
    return corner / 3;
}
inline uint32_t nextCorner(uint32_t corner) {
    return corner - corner % 3 + (corner + 1) % 3;
}
inline uint32_t prevCorner(uint32_t corner) {
    return corner - corner % 3 + (corner + 2) % 3;
}
// Start and end vertex of a corner's directed edge.
inline uint32_t cornerFrom(const Mesh& mesh, uint32_t corner) {
    return mesh.faces[corner / 3].v[corner % 3];
}
inline uint32_t cornerTo(const Mesh& mesh, uint32_t corner) {
    return mesh.faces[corner / 3].v[(corner + 1) % 3];
}

// True when the face has three distinct vertex indices below vertexCount.
inline bool isProperFace(const MeshFace& face, int vertexCount) {
    const uint32_t n = uint32_t(vertexCount);
    return face.v[0] < n && face.v[1] < n && face.v[2] < n && face.v[0] != face.v[1] &&
           face.v[1] != face.v[2] && face.v[2] != face.v[0];
}

// Corners of proper faces grouped by undirected edge. Edges come in ascending
// (min vertex, max vertex) order and, within an edge, corners in ascending order.
struct EdgeTable {
    std::vector<uint32_t> corners;   // every corner of every proper face, grouped by edge
    std::vector<uint32_t> edgeStart; // edgeCount() + 1 offsets into corners

    size_t edgeCount() const { return edgeStart.empty() ? 0 : edgeStart.size() - 1; }
    std::span<const uint32_t> edgeCorners(size_t edge) const {
        return {corners.data() + edgeStart[edge], corners.data() + edgeStart[edge + 1]};
    }
};

// Builds the edge table in O(F + V): a two-pass LSD radix (counting) sort of the corners'
// (min, max) vertex keys, each digit being a vertex index. Uses about 26 bytes per face
// while building and 18 per face after. An empty mesh gives an empty table.
HOSTKIT_API EdgeTable buildEdgeTable(const Mesh& mesh);

// Per corner (3 * faceCount entries): the id of its edge in table, or kNoMate for
// corners of improper faces.
HOSTKIT_API std::vector<uint32_t> cornerEdges(const EdgeTable& table, size_t cornerCount);

// Per corner (3 * faceCount entries): the other corner of its edge when the edge has
// exactly two corners, kNonManifoldMate when it has three or more, and kNoMate for a
// boundary edge or an improper face. Mates may run either way along the edge.
HOSTKIT_API std::vector<uint32_t> manifoldMates(const EdgeTable& table, size_t cornerCount);
// The same, building and dropping the table itself (peak about 30 bytes per face).
HOSTKIT_API std::vector<uint32_t> manifoldMates(const Mesh& mesh);

// Visits every edge of the proper faces once, without sorting: corners are grouped by
// their edge's lower vertex (counting sort), then each vertex's corners by the upper
// vertex. Calls pair(c, d) for an edge of exactly two corners, single(c) for a boundary
// edge and crowded(corners, n) for an edge of three or more (corners in a buffer valid
// during the call), in no particular order. O(F + V) time, 4 bytes of scratch per corner
// and per vertex; when some vertex has more than 32 corners, 4 more per vertex and per
// corner of the longest such vertex.
template <typename Pair, typename Single, typename Crowded>
void visitEdges(const Mesh& mesh, Pair pair, Single single, Crowded crowded);

// Manifold mates as above, plus the corners of every edge with three or more corners,
// grouped by edge (in no particular order), from visitEdges.
struct CornerMates {
    ScratchArray<uint32_t> mate;          // 3 * faceCount entries, as manifoldMates
    std::vector<uint32_t> crowdedCorners; // corners of edges with three or more corners
    std::vector<uint32_t> crowdedStart;   // edge i owns crowdedCorners[start[i], start[i + 1])
    bool consistent = true; // every pair of mates runs along its edge in opposite directions

    size_t crowdedEdgeCount() const { return crowdedStart.empty() ? 0 : crowdedStart.size() - 1; }
};
HOSTKIT_API CornerMates buildCornerMates(const Mesh& mesh);

// Corners of proper faces grouped by the vertex they start at (CSR, by counting sort).
struct VertexCorners {
    std::vector<uint32_t> start;   // vertexCount + 1 offsets into corners
    std::vector<uint32_t> corners; // ascending within each vertex

    std::span<const uint32_t> of(uint32_t vertex) const {
        return {corners.data() + start[vertex], corners.data() + start[vertex + 1]};
    }
};
HOSTKIT_API VertexCorners buildVertexCorners(const Mesh& mesh);

// Disjoint sets over 0..n-1 with path halving and union by size.
class HOSTKIT_API UnionFind {
  public:
    explicit UnionFind(size_t n);
    uint32_t find(uint32_t x);
    // Joins the sets of a and b; returns false when they were already one set.
    bool unite(uint32_t a, uint32_t b);
    // Numbers the sets 0..count-1 in order of their smallest member; writes each
    // element's set number into labels (n entries) and returns the count.
    uint32_t label(std::vector<uint32_t>& labels);

  private:
    std::vector<uint32_t> parent_;
    std::vector<uint32_t> size_;
};

template <typename Pair, typename Single, typename Crowded>
void visitEdges(const Mesh& mesh, Pair pair, Single single, Crowded crowded) {
    const uint32_t faceCount = uint32_t(mesh.faceCount > 0 ? mesh.faceCount : 0);
    const uint32_t vertexCount = uint32_t(mesh.vertexCount > 0 ? mesh.vertexCount : 0);
    if (faceCount == 0 || vertexCount == 0) return;
    const MeshFace* faces = mesh.faces;
    auto lower = [](uint32_t a, uint32_t b) { return a < b ? a : b; };
    auto upperOf = [&](uint32_t c) {
        const MeshFace& face = faces[c / 3];
        const uint32_t k = c % 3;
        const uint32_t a = face.v[k], b = face.v[k == 2 ? 0 : k + 1];
        return a < b ? b : a;
    };

    // corners by lower vertex; after the fill, end[v] is where v's corners end
    ScratchArray<uint32_t> end(size_t(vertexCount) + 1, 0);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        ++end[lower(face.v[0], face.v[1]) + 1];
        ++end[lower(face.v[1], face.v[2]) + 1];
        ++end[lower(face.v[2], face.v[0]) + 1];
    }
    for (uint32_t v = 0; v < vertexCount; ++v) end[v + 1] += end[v];
    ScratchArray<uint32_t> corners(end[vertexCount]);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        corners[end[lower(face.v[0], face.v[1])]++] = f * 3;
        corners[end[lower(face.v[1], face.v[2])]++] = f * 3 + 1;
        corners[end[lower(face.v[2], face.v[0])]++] = f * 3 + 2;
    }

    // Group each vertex's corners by upper vertex: short runs by comparing directly,
    // long ones through groupOf, which maps an upper vertex to the index of its first
    // corner in the run at hand and is reset after it, and partner, which holds for such
    // a first corner the index of the second (kOnly, kCrowded: none, more than one).
    // Edges come in the order of their first corners.
    constexpr uint32_t kShortRun = 32, kOnly = UINT32_MAX, kCrowded = UINT32_MAX - 1;
    uint32_t upper[kShortRun];
    ScratchArray<uint32_t> groupOf, partner; // partner: as long as the longest run
    std::vector<uint32_t> buffer;
    auto gather = [&](const uint32_t* run, auto upperAt, uint32_t from, uint32_t n) {
        buffer.clear();
        const uint32_t hi = upperAt(from);
        for (uint32_t j = from; j < n; ++j)
            if (upperAt(j) == hi) buffer.push_back(run[j]);
        crowded(buffer.data(), buffer.size());
    };
    uint32_t begin = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const uint32_t* run = corners.data() + begin;
        const uint32_t n = end[v] - begin;
        begin = end[v];
        if (n <= kShortRun) {
            for (uint32_t i = 0; i < n; ++i) upper[i] = upperOf(run[i]);
            uint32_t done = 0;
            for (uint32_t i = 0; i < n; ++i) {
                if (done >> i & 1) continue;
                const uint32_t hi = upper[i];
                uint32_t j = i + 1;
                while (j < n && upper[j] != hi) ++j;
                if (j == n) {
                    single(run[i]);
                    continue;
                }
                uint32_t k = j + 1;
                while (k < n && upper[k] != hi) ++k;
                if (k == n) {
                    pair(run[i], run[j]);
                    done |= 1u << j;
                    continue;
                }
                for (uint32_t m = i; m < n; ++m) done |= uint32_t(upper[m] == hi) << m;
                gather(
                    run, [&](uint32_t m) { return upper[m]; }, i, n);
            }
            continue;
        }
        if (groupOf.size() == 0) {
            groupOf = ScratchArray<uint32_t>(vertexCount, UINT32_MAX);
            uint32_t longest = 0;
            for (uint32_t w = v, from = end[v] - n; w < vertexCount; from = end[w++])
                longest = end[w] - from > longest ? end[w] - from : longest;
            partner = ScratchArray<uint32_t>(longest);
        }
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t& first = groupOf[upperOf(run[i])];
            if (first == UINT32_MAX) {
                first = i;
                partner[i] = kOnly;
            } else {
                partner[first] = partner[first] == kOnly ? i : kCrowded;
            }
        }
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t& first = groupOf[upperOf(run[i])];
            if (first == UINT32_MAX) continue; // edge done
            if (partner[i] == kOnly)
                single(run[i]);
            else if (partner[i] == kCrowded)
                gather(
                    run, [&](uint32_t m) { return upperOf(run[m]); }, i, n);
            else
                pair(run[i], run[partner[i]]);
            first = UINT32_MAX;
        }
    }
}

} // namespace hostkit
