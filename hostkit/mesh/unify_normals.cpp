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
#include "hostkit/mesh/unify_normals_parts.h"

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
            const double det = hostkit::unify::faceVolume(origin, a, b, c);
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

} // namespace

std::vector<uint32_t> hostkit::unify::searchOrder(uint32_t seed, const uint32_t* mate,
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

void Mesh::UnifyNormals(int flag) {
    hostkit::reportMeshOperation("UnifyNormals", this, {double(flag)});
    if (faceCount <= 0) return;
    const hostkit::ScratchReuse reuse; // the search takes what the shortcut freed
    if (hostkit::unify::unifyIfConsistent(*this, flag)) return;
    Patches p;
    {
        const hostkit::CornerMates mates = hostkit::buildCornerMates(*this);
        p = findPatches(*this, mates.mate.data());
        markOpenAtCrowdedEdges(mates, p);
    }

    std::vector<uint8_t> invert(p.list.size());
    for (size_t patch = 0; patch < p.list.size(); ++patch) {
        const Patch& info = p.list[patch];
        const double volume = flag == 0 && !info.open && !info.inconsistent ? info.volume : 0;
        invert[patch] = volume != 0 ? volume < 0 : info.flippedArea > info.keptArea;
    }
    if (!hostkit::hasMeshOperationObserver()) {
        hostkit::unify::flipFacesWhere(*this, [&](int f) {
            const uint32_t patch = p.patchOf[f];
            return patch != kUnvisited && p.flip[f] != invert[patch];
        });
        return;
    }
    for (size_t patch = 0; patch < p.list.size(); ++patch) { // in the search's order
        const uint32_t end = patch + 1 < p.list.size() ? p.list[patch + 1].start : p.ordered;
        for (uint32_t i = p.list[patch].start; i < end; ++i) {
            const uint32_t f = p.order[i];
            if (p.flip[f] != invert[patch]) FlipNormal(int(f));
        }
    }
}
