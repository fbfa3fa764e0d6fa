// Edge table, manifold mates, vertex-to-corner lists and union-find.
#include "hostkit/mesh/edge_table.h"

#include <algorithm>
#include <numeric>

namespace hostkit {

namespace {

// Stable counting sort of corner ids by a vertex-valued key; counts is scratch of
// vertexCount + 1 entries.
template <typename Key>
void countingSort(const std::vector<uint32_t>& in, std::vector<uint32_t>& out,
                  std::vector<uint32_t>& counts, Key key) {
    std::fill(counts.begin(), counts.end(), 0u);
    for (uint32_t c : in) ++counts[key(c) + 1];
    for (size_t i = 1; i < counts.size(); ++i) counts[i] += counts[i - 1];
    out.resize(in.size());
    for (uint32_t c : in) out[counts[key(c)]++] = c;
}

} // namespace

EdgeTable buildEdgeTable(const Mesh& mesh) {
    EdgeTable table;
    if (mesh.faceCount <= 0 || mesh.vertexCount <= 0) return table;
    auto lo = [&](uint32_t c) { return std::min(cornerFrom(mesh, c), cornerTo(mesh, c)); };
    auto hi = [&](uint32_t c) { return std::max(cornerFrom(mesh, c), cornerTo(mesh, c)); };

    // radix pass 1 (low digit: max vertex); the input is the corners in face order
    std::vector<uint32_t> byHigh;
    std::vector<uint32_t> counts(size_t(mesh.vertexCount) + 1);
    {
        std::vector<uint32_t> proper;
        proper.reserve(size_t(mesh.faceCount) * 3);
        for (int f = 0; f < mesh.faceCount; ++f)
            if (isProperFace(mesh.faces[f], mesh.vertexCount))
                for (uint32_t k = 0; k < 3; ++k) proper.push_back(uint32_t(f) * 3 + k);
        countingSort(proper, byHigh, counts, hi);
    }
    // radix pass 2 (high digit: min vertex), stable
    countingSort(byHigh, table.corners, counts, lo);
    std::vector<uint32_t>().swap(byHigh);
    std::vector<uint32_t>().swap(counts);

    // runs of equal keys are edges
    const std::vector<uint32_t>& sorted = table.corners;
    table.edgeStart.reserve(sorted.size() / 2 + 2);
    for (size_t i = 0; i < sorted.size(); ++i)
        if (i == 0 || lo(sorted[i]) != lo(sorted[i - 1]) || hi(sorted[i]) != hi(sorted[i - 1]))
            table.edgeStart.push_back(uint32_t(i));
    table.edgeStart.push_back(uint32_t(sorted.size()));
    table.edgeStart.shrink_to_fit();
    return table;
}

std::vector<uint32_t> cornerEdges(const EdgeTable& table, size_t cornerCount) {
    std::vector<uint32_t> edgeOf(cornerCount, kNoMate);
    for (size_t e = 0; e < table.edgeCount(); ++e)
        for (uint32_t c : table.edgeCorners(e)) edgeOf[c] = uint32_t(e);
    return edgeOf;
}

std::vector<uint32_t> manifoldMates(const EdgeTable& table, size_t cornerCount) {
    std::vector<uint32_t> mate(cornerCount, kNoMate);
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        std::span<const uint32_t> run = table.edgeCorners(e);
        if (run.size() == 2) {
            mate[run[0]] = run[1];
            mate[run[1]] = run[0];
        } else if (run.size() > 2) {
            for (uint32_t c : run) mate[c] = kNonManifoldMate;
        }
    }
    return mate;
}

std::vector<uint32_t> manifoldMates(const Mesh& mesh) {
    return manifoldMates(buildEdgeTable(mesh), size_t(std::max(mesh.faceCount, 0)) * 3);
}

CornerMates buildCornerMates(const Mesh& mesh) {
    CornerMates out;
    out.mate = ScratchArray<uint32_t>(size_t(std::max(mesh.faceCount, 0)) * 3, kNoMate);
    out.crowdedStart.push_back(0);
    uint32_t* mate = out.mate.data();
    bool consistent = true;
    visitEdges(
        mesh,
        [&](uint32_t c, uint32_t d) {
            mate[c] = d;
            mate[d] = c;
            consistent &= cornerFrom(mesh, c) != cornerFrom(mesh, d);
        },
        [](uint32_t) {},
        [&](const uint32_t* corners, size_t n) {
            for (size_t i = 0; i < n; ++i) mate[corners[i]] = kNonManifoldMate;
            out.crowdedCorners.insert(out.crowdedCorners.end(), corners, corners + n);
            out.crowdedStart.push_back(uint32_t(out.crowdedCorners.size()));
        });
    out.consistent = consistent;
    return out;
}

VertexCorners buildVertexCorners(const Mesh& mesh) {
    VertexCorners lists;
    const size_t vertexCount = size_t(std::max(mesh.vertexCount, 0));
    lists.start.assign(vertexCount + 1, 0);
    for (int f = 0; f < mesh.faceCount; ++f)
        if (isProperFace(mesh.faces[f], mesh.vertexCount))
            for (uint32_t v : mesh.faces[f].v) ++lists.start[v + 1];
    for (size_t i = 1; i <= vertexCount; ++i) lists.start[i] += lists.start[i - 1];
    lists.corners.resize(lists.start[vertexCount]);
    std::vector<uint32_t> fill(lists.start.begin(), lists.start.end() - 1);
    for (int f = 0; f < mesh.faceCount; ++f)
        if (isProperFace(mesh.faces[f], mesh.vertexCount))
            for (uint32_t k = 0; k < 3; ++k)
                lists.corners[fill[mesh.faces[f].v[k]]++] = uint32_t(f) * 3 + k;
    return lists;
}

UnionFind::UnionFind(size_t n) : parent_(n), size_(n, 1) {
    std::iota(parent_.begin(), parent_.end(), 0u);
}

uint32_t UnionFind::find(uint32_t x) {
    while (parent_[x] != x) {
        parent_[x] = parent_[parent_[x]];
        x = parent_[x];
    }
    return x;
}

bool UnionFind::unite(uint32_t a, uint32_t b) {
    a = find(a);
    b = find(b);
    if (a == b) return false;
    if (size_[a] < size_[b]) std::swap(a, b);
    parent_[b] = a;
    size_[a] += size_[b];
    return true;
}

uint32_t UnionFind::label(std::vector<uint32_t>& labels) {
    const size_t n = parent_.size();
    labels.assign(n, kNoMate);
    uint32_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t root = find(uint32_t(i));
        if (labels[root] == kNoMate) labels[root] = count++;
        labels[i] = labels[root];
    }
    return count;
}

} // namespace hostkit
