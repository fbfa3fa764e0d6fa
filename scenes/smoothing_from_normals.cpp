// Smoothing groups from normals: regions joined across soft edges, then coloured
// with group bits so that neighbouring regions differ.
#include "scenes/smoothing_from_normals.h"

#include <algorithm>
#include <cmath>

#include "hostkit/mesh/edge_table.h" // UnionFind

namespace {

// Up to this many faces on one edge, every pair of them is compared.
constexpr size_t kMostPairedUses = 8;

struct EdgeUse {
    uint64_t key;    // lower vertex index in the high half
    uint32_t corner; // face * 3 + corner where the edge starts
};

uint64_t edgeKey(uint32_t a, uint32_t b) {
    return a < b ? (uint64_t(a) << 32) | b : (uint64_t(b) << 32) | a;
}

bool agree(const Point3& a, const Point3& b, float cosLimit) {
    float la = Length(a), lb = Length(b);
    if (la == 0 || lb == 0) return la == lb;
    return DotProd(a, b) >= cosLimit * la * lb;
}

// The normal face f has at vertex v (one of its corners).
const Point3& normalAt(const Mesh& mesh, const std::vector<Point3>& normals, uint32_t f,
                       uint32_t v) {
    const MeshFace& face = mesh.faces[f];
    int c = face.v[0] == v ? 0 : face.v[1] == v ? 1 : 2;
    return normals[size_t(f) * 3 + size_t(c)];
}

// Every edge use of the mesh, grouped so that the uses of one edge are neighbours
// (by key, then corner). Counting sort on the lower vertex, then a small sort within
// each vertex's bucket: linear in the faces for any mesh.
std::vector<EdgeUse> sortedEdgeUses(const Mesh& mesh) {
    const size_t useCount = size_t(mesh.faceCount) * 3;
    std::vector<uint32_t> start(size_t(mesh.vertexCount) + 2, 0);
    auto lower = [&](uint32_t corner) {
        const MeshFace& face = mesh.faces[corner / 3];
        return std::min(face.v[corner % 3], face.v[(corner + 1) % 3]);
    };
    for (uint32_t corner = 0; corner < useCount; ++corner) ++start[lower(corner) + 2];
    for (size_t v = 2; v < start.size(); ++v) start[v] += start[v - 1];
    std::vector<EdgeUse> uses(useCount);
    for (uint32_t corner = 0; corner < useCount; ++corner) {
        const MeshFace& face = mesh.faces[corner / 3];
        uses[start[lower(corner) + 1]++] = {edgeKey(face.v[corner % 3], face.v[(corner + 1) % 3]),
                                            corner};
    }
    for (size_t v = 0; v + 1 < start.size(); ++v)
        std::sort(uses.begin() + start[v], uses.begin() + start[v + 1],
                  [](const EdgeUse& x, const EdgeUse& y) {
                      return x.key != y.key ? x.key < y.key : x.corner < y.corner;
                  });
    return uses;
}

} // namespace

void assignSmoothingFromNormals(Mesh& mesh, const std::vector<Point3>* cornerNormals,
                                float cosLimit) {
    if (!cornerNormals) {
        for (int f = 0; f < mesh.faceCount; ++f) mesh.faces[f].smGroup = 1;
        return;
    }
    // join faces across soft edges; remember the hard ones
    const std::vector<Point3>& normals = *cornerNormals;
    std::vector<EdgeUse> uses = sortedEdgeUses(mesh);
    hostkit::UnionFind regions(size_t(mesh.faceCount));
    std::vector<std::pair<uint32_t, uint32_t>> hard;
    for (size_t first = 0, last; first < uses.size(); first = last) {
        for (last = first + 1; last < uses.size() && uses[last].key == uses[first].key; ++last) {
        }
        uint32_t a = uint32_t(uses[first].key >> 32), b = uint32_t(uses[first].key);
        // every pair on an ordinary edge; on a crowded one (many faces on one edge) each
        // face against the first only, so the work stays linear
        const size_t pairedUpTo = last - first <= kMostPairedUses ? last : first + 1;
        for (size_t i = first; i < pairedUpTo; ++i)
            for (size_t j = i + 1; j < last; ++j) {
                uint32_t f = uses[i].corner / 3, g = uses[j].corner / 3;
                bool soft =
                    agree(normalAt(mesh, normals, f, a), normalAt(mesh, normals, g, a), cosLimit) &&
                    agree(normalAt(mesh, normals, f, b), normalAt(mesh, normals, g, b), cosLimit);
                if (soft)
                    regions.unite(f, g);
                else
                    hard.push_back({f, g});
            }
    }

    // colour regions: the lowest bit no hard neighbour already has
    std::vector<std::pair<uint32_t, uint32_t>> across; // both ways round
    across.reserve(hard.size() * 2);
    for (auto [f, g] : hard) {
        uint32_t rf = regions.find(f), rg = regions.find(g);
        if (rf == rg) continue;
        across.push_back({rf, rg});
        across.push_back({rg, rf});
    }
    std::sort(across.begin(), across.end());
    std::vector<uint32_t> groupOf(size_t(mesh.faceCount), 0);
    for (int f = 0; f < mesh.faceCount; ++f) {
        uint32_t r = regions.find(uint32_t(f));
        if (!groupOf[r]) {
            uint32_t used = 0;
            auto first = std::lower_bound(across.begin(), across.end(), std::pair{r, 0u});
            for (auto n = first; n != across.end() && n->first == r; ++n)
                used |= groupOf[n->second];
            uint32_t freeBits = ~used;
            groupOf[r] = freeBits ? freeBits & (~freeBits + 1) : 1u << (r % 32);
        }
        mesh.faces[f].smGroup = groupOf[r];
    }
}
