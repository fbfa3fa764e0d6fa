// Consistent, outward face orientation: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/scratch.h"

namespace {

constexpr uint32_t kUnvisited = UINT32_MAX;

// What the search learns about one patch.
struct Patch {
    uint32_t start = 0;        // its faces are order[start, next patch's start)
    bool open = false;         // some edge is not met by a second face of the patch
    bool inconsistent = false; // a conflicting wish was met
    double volume = 0;         // six times the signed volume after the wished flips
    double flippedArea = 0, keptArea = 0;
};

struct Patches {
    hostkit::ScratchArray<uint32_t> order;   // faces grouped by patch, in search order
    hostkit::ScratchArray<uint32_t> patchOf; // per face, kUnvisited for improper faces
    hostkit::ScratchArray<uint8_t> flip;     // per face, relative to the patch's seed
    std::vector<Patch> list;
    uint32_t ordered = 0; // faces in order
};

double faceArea(const Point3& a, const Point3& b, const Point3& c) {
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(c.x) - a.x, wy = double(c.y) - a.y, wz = double(c.z) - a.z;
    const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
    return std::sqrt(nx * nx + ny * ny + nz * nz);
}

// Six times the signed volume of the tetrahedron from origin, measured in float
// differences from it as the patch's first vertex, the determinant in double.
double faceVolume(const Point3& origin, const Point3& pa, const Point3& pb, const Point3& pc) {
    const Point3 a = pa - origin, b = pb - origin, c = pc - origin;
    return double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
           double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
           double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
}

// Breadth-first search over manifold edges, recording each face's wish to flip and,
// in search order, each patch's volume and areas as they would be after the flips.
Patches findPatches(const Mesh& mesh, const uint32_t* mate) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    Patches p;
    p.order = hostkit::ScratchArray<uint32_t>(faceCount);
    p.patchOf = hostkit::ScratchArray<uint32_t>(faceCount, kUnvisited);
    p.flip = hostkit::ScratchArray<uint8_t>(faceCount);
    uint32_t* order = p.order.data();
    uint32_t* patchOf = p.patchOf.data();
    uint8_t* flip = p.flip.data();
    const MeshFace* faces = mesh.faces;
    const Point3* vertices = mesh.vertices;
    uint32_t tail = 0;
    for (uint32_t seed = 0; seed < faceCount; ++seed) {
        if (patchOf[seed] != kUnvisited || !hostkit::isProperFace(faces[seed], mesh.vertexCount))
            continue;
        const uint32_t patch = uint32_t(p.list.size());
        Patch info;
        info.start = tail;
        patchOf[seed] = patch;
        flip[seed] = 0;
        order[tail++] = seed;
        const Point3 origin = vertices[faces[seed].v[0]];
        for (uint32_t head = info.start; head < tail; ++head) {
            const uint32_t f = order[head];
            const MeshFace& face = faces[f];
            const uint8_t flipF = flip[f];
            const Point3 &a = vertices[face.v[0]], &b = vertices[face.v[1]],
                         &c = vertices[face.v[2]];
            const double det = faceVolume(origin, a, b, c);
            info.volume += flipF ? -det : det;
            (flipF ? info.flippedArea : info.keptArea) += faceArea(a, b, c);
            for (uint32_t k = 0; k < 3; ++k) {
                const uint32_t m = mate[f * 3 + k];
                if (m >= hostkit::kNonManifoldMate) {
                    info.open |= m == hostkit::kNoMate;
                    continue;
                }
                const uint32_t g = m / 3;
                const bool sameWay = face.v[k] == faces[g].v[m % 3];
                const uint8_t wish = uint8_t(flipF ^ uint8_t(sameWay));
                if (patchOf[g] == kUnvisited) {
                    patchOf[g] = patch;
                    flip[g] = wish;
                    order[tail++] = g;
                } else if (flip[g] != wish) {
                    info.inconsistent = true;
                }
            }
        }
        p.list.push_back(info);
    }
    p.ordered = tail;
    return p;
}

// A patch is open too where one of its faces meets an edge of three or more corners
// without a second face of the same patch there.
void markOpenAtCrowdedEdges(const hostkit::CornerMates& mates, Patches& p) {
    for (size_t e = 0; e < mates.crowdedEdgeCount(); ++e) {
        const uint32_t begin = mates.crowdedStart[e], end = mates.crowdedStart[e + 1];
        for (uint32_t i = begin; i < end; ++i) {
            const uint32_t patch = p.patchOf[mates.crowdedCorners[i] / 3];
            bool paired = false;
            for (uint32_t j = begin; j < end && !paired; ++j)
                paired = j != i && p.patchOf[mates.crowdedCorners[j] / 3] == patch;
            if (!paired) p.list[patch].open = true;
        }
    }
}

// Faces of one patch in search order, from its seed (the patch's lowest face).
std::vector<uint32_t> searchOrder(uint32_t seed, const uint32_t* mate,
                                  hostkit::ScratchArray<uint8_t>& seen) {
    std::vector<uint32_t> order{seed};
    seen[seed] = 1;
    for (size_t head = 0; head < order.size(); ++head)
        for (uint32_t c = order[head] * 3; c < order[head] * 3 + 3; ++c)
            if (const uint32_t m = mate[c]; m < hostkit::kNonManifoldMate && !seen[m / 3]) {
                seen[m / 3] = 1;
                order.push_back(m / 3);
            }
    return order;
}

// When every pair of mates already runs opposite ways, every face's wish is its seed's,
// no patch is inconsistent, and a patch is flipped only when it is closed with a negative
// volume (flag 0). Patches are then found by union-find while the edges are visited, and
// the volume is summed in face order, with a bound on its rounding: when the bound cannot
// settle the sign, the patch's volume is summed again in search order, exactly as the
// search does. Returns false, changing nothing, when some pair runs the same way.
bool unifyIfConsistent(Mesh& mesh, int flag) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    // union-find by size with path halving
    hostkit::ScratchArray<uint32_t> parent(faceCount), size(faceCount, 1);
    for (uint32_t f = 0; f < faceCount; ++f) parent[f] = f;
    auto find = [&](uint32_t x) {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    };
    bool consistent = true;
    std::vector<uint32_t> boundaryFaces, crowdedCorners, crowdedStart{0};
    hostkit::visitEdges(
        mesh,
        [&](uint32_t c, uint32_t d) {
            consistent &= hostkit::cornerFrom(mesh, c) != hostkit::cornerFrom(mesh, d);
            uint32_t a = find(c / 3), b = find(d / 3);
            if (a == b) return;
            if (size[a] < size[b]) std::swap(a, b);
            parent[b] = a;
            size[a] += size[b];
        },
        [&](uint32_t c) { boundaryFaces.push_back(c / 3); },
        [&](const uint32_t* corners, size_t n) {
            crowdedCorners.insert(crowdedCorners.end(), corners, corners + n);
            crowdedStart.push_back(uint32_t(crowdedCorners.size()));
        });
    if (!consistent) return false;
    if (flag != 0) return true; // lesser area: nothing is wished flipped, so nothing flips
    size = hostkit::ScratchArray<uint32_t>();

    struct Sum {
        uint32_t seed;
        bool open = false;
        double volume = 0, magnitude = 0; // sum of the terms and of their magnitudes
        uint32_t faces = 0;
    };
    std::vector<Sum> sums;
    hostkit::ScratchArray<uint32_t> patchOf(faceCount, kUnvisited);
    const MeshFace* faces = mesh.faces;
    const Point3* vertices = mesh.vertices;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!hostkit::isProperFace(face, mesh.vertexCount)) continue;
        // a patch's lowest face comes first: it is the seed
        const uint32_t root = find(f);
        if (patchOf[root] == kUnvisited) {
            patchOf[root] = uint32_t(sums.size());
            sums.push_back({f});
        }
        Sum& sum = sums[patchOf[f] = patchOf[root]];
        const double det = faceVolume(vertices[faces[sum.seed].v[0]], vertices[face.v[0]],
                                      vertices[face.v[1]], vertices[face.v[2]]);
        sum.volume += det;
        sum.magnitude += std::abs(det);
        ++sum.faces;
    }
    for (uint32_t f : boundaryFaces) sums[patchOf[f]].open = true;
    for (size_t e = 0; e + 1 < crowdedStart.size(); ++e) {
        const uint32_t begin = crowdedStart[e], end = crowdedStart[e + 1];
        for (uint32_t i = begin; i < end; ++i) {
            const uint32_t patch = patchOf[crowdedCorners[i] / 3];
            bool paired = false;
            for (uint32_t j = begin; j < end && !paired; ++j)
                paired = j != i && patchOf[crowdedCorners[j] / 3] == patch;
            if (!paired) sums[patch].open = true;
        }
    }

    // Whatever the order, a sum of n terms is within n * 2^-53 * magnitude (to first
    // order) of the exact one; twice that, doubled for safety, settles the sign.
    std::optional<hostkit::CornerMates> mates; // only for a search
    hostkit::ScratchArray<uint8_t> seen;
    auto search = [&](uint32_t seed) {
        if (!mates) mates = hostkit::buildCornerMates(mesh);
        if (seen.size() == 0) seen = hostkit::ScratchArray<uint8_t>(faceCount, 0);
        return searchOrder(seed, mates->mate.data(), seen);
    };
    std::vector<uint8_t> invert(sums.size(), 0);
    bool anyInverted = false;
    for (size_t patch = 0; patch < sums.size(); ++patch) {
        const Sum& sum = sums[patch];
        if (sum.open) continue;
        double volume = sum.volume;
        if (!(std::abs(volume) > 4 * double(sum.faces) * 0x1p-53 * sum.magnitude)) {
            volume = 0;
            const Point3 origin = vertices[faces[sum.seed].v[0]];
            for (uint32_t f : search(sum.seed)) {
                const MeshFace& face = faces[f];
                volume += faceVolume(origin, vertices[face.v[0]], vertices[face.v[1]],
                                     vertices[face.v[2]]);
            }
        }
        invert[patch] = volume < 0;
        anyInverted |= volume < 0;
    }
    if (!anyInverted) return true;
    if (hostkit::hasMeshOperationObserver()) { // flip in the search's order
        seen = hostkit::ScratchArray<uint8_t>();
        for (size_t patch = 0; patch < sums.size(); ++patch)
            if (invert[patch])
                for (uint32_t f : search(sums[patch].seed)) mesh.FlipNormal(int(f));
        return true;
    }
    for (uint32_t f = 0; f < faceCount; ++f)
        if (patchOf[f] != kUnvisited && invert[patchOf[f]]) mesh.FlipNormal(int(f));
    return true;
}

} // namespace

void Mesh::UnifyNormals(int flag) {
    hostkit::reportMeshOperation("UnifyNormals", this, {double(flag)});
    if (faceCount <= 0) return;
    if (unifyIfConsistent(*this, flag)) return;
    Patches p;
    {
        const hostkit::CornerMates mates = hostkit::buildCornerMates(*this);
        p = findPatches(*this, mates.mate.data());
        markOpenAtCrowdedEdges(mates, p);
    }

    for (size_t patch = 0; patch < p.list.size(); ++patch) {
        const Patch& info = p.list[patch];
        const uint32_t end = patch + 1 < p.list.size() ? p.list[patch + 1].start : p.ordered;
        const double volume = flag == 0 && !info.open && !info.inconsistent ? info.volume : 0;
        const bool invert = volume != 0 ? volume < 0 : info.flippedArea > info.keptArea;
        for (uint32_t i = info.start; i < end; ++i) {
            const uint32_t f = p.order[i];
            if (p.flip[f] != uint8_t(invert)) FlipNormal(int(f));
        }
    }
}
