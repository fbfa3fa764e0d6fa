// Smoothing groups from normals: regions joined across soft edges, then coloured
// with group bits so that neighbouring regions differ.
#include "scenes/smoothing_from_normals.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

struct EdgeUse {
    uint64_t key;    // lower vertex index in the high half
    uint32_t corner; // face * 3 + corner where the edge starts
};

uint64_t edgeKey(uint32_t a, uint32_t b) {
    return a < b ? (uint64_t(a) << 32) | b : (uint64_t(b) << 32) | a;
}

class Regions {
  public:
    explicit Regions(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0u); }
    uint32_t find(uint32_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void join(uint32_t a, uint32_t b) { parent_[find(a)] = find(b); }

  private:
    std::vector<uint32_t> parent_;
};

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

// Every edge use of the mesh, sorted so that the uses of one edge are neighbours.
std::vector<EdgeUse> sortedEdgeUses(const Mesh& mesh) {
    std::vector<EdgeUse> uses;
    uses.reserve(size_t(mesh.faceCount) * 3);
    for (int f = 0; f < mesh.faceCount; ++f)
        for (int c = 0; c < 3; ++c)
            uses.push_back(
                {edgeKey(mesh.faces[f].v[c], mesh.faces[f].v[(c + 1) % 3]), uint32_t(f * 3 + c)});
    std::sort(uses.begin(), uses.end(), [](const EdgeUse& a, const EdgeUse& b) {
        return a.key != b.key ? a.key < b.key : a.corner < b.corner;
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
    Regions regions(size_t(mesh.faceCount));
    std::vector<std::pair<uint32_t, uint32_t>> hard;
    for (size_t first = 0, last; first < uses.size(); first = last) {
        for (last = first + 1; last < uses.size() && uses[last].key == uses[first].key; ++last) {
        }
        uint32_t a = uint32_t(uses[first].key >> 32), b = uint32_t(uses[first].key);
        for (size_t i = first; i < last; ++i)
            for (size_t j = i + 1; j < last; ++j) {
                uint32_t f = uses[i].corner / 3, g = uses[j].corner / 3;
                bool soft =
                    agree(normalAt(mesh, normals, f, a), normalAt(mesh, normals, g, a), cosLimit) &&
                    agree(normalAt(mesh, normals, f, b), normalAt(mesh, normals, g, b), cosLimit);
                if (soft)
                    regions.join(f, g);
                else
                    hard.push_back({f, g});
            }
    }

    // colour regions: the lowest bit no hard neighbour already has
    std::vector<std::vector<uint32_t>> neighbours(size_t(mesh.faceCount));
    for (auto [f, g] : hard) {
        uint32_t rf = regions.find(f), rg = regions.find(g);
        if (rf == rg) continue;
        neighbours[rf].push_back(rg);
        neighbours[rg].push_back(rf);
    }
    std::vector<uint32_t> groupOf(size_t(mesh.faceCount), 0);
    for (int f = 0; f < mesh.faceCount; ++f) {
        uint32_t r = regions.find(uint32_t(f));
        if (!groupOf[r]) {
            uint32_t used = 0;
            for (uint32_t n : neighbours[r]) used |= groupOf[n];
            uint32_t freeBits = ~used;
            groupOf[r] = freeBits ? freeBits & (~freeBits + 1) : 1u << (r % 32);
        }
        mesh.faces[f].smGroup = groupOf[r];
    }
}
