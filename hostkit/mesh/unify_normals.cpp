// Consistent, outward face orientation: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <cmath>
#include <vector>

#include "hostkit/mesh/edge_table.h"

namespace {

constexpr uint32_t kUnvisited = UINT32_MAX;

struct Patches {
    std::vector<uint32_t> order;       // faces grouped by patch, in search order
    std::vector<uint32_t> start;       // patch p owns order[start[p] .. start[p + 1])
    std::vector<uint32_t> patchOf;     // per face, kUnvisited for improper faces
    std::vector<uint8_t> flip;         // per face, relative to the patch's seed
    std::vector<uint8_t> inconsistent; // per patch: a conflicting wish was met
};

// Breadth-first search over manifold edges, recording each face's wish to flip.
Patches findPatches(const Mesh& mesh, const std::vector<uint32_t>& mate) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    Patches p;
    p.patchOf.assign(faceCount, kUnvisited);
    p.flip.assign(faceCount, 0);
    p.order.reserve(faceCount);
    for (uint32_t seed = 0; seed < faceCount; ++seed) {
        if (p.patchOf[seed] != kUnvisited ||
            !hostkit::isProperFace(mesh.faces[seed], mesh.vertexCount))
            continue;
        const uint32_t patch = uint32_t(p.start.size());
        p.start.push_back(uint32_t(p.order.size()));
        p.inconsistent.push_back(0);
        p.patchOf[seed] = patch;
        p.order.push_back(seed);
        for (size_t head = p.start.back(); head < p.order.size(); ++head) {
            const uint32_t f = p.order[head];
            for (uint32_t c = f * 3; c < f * 3 + 3; ++c) {
                const uint32_t m = mate[c];
                if (m >= hostkit::kNonManifoldMate) continue;
                const uint32_t g = hostkit::cornerFace(m);
                const bool sameWay = hostkit::cornerFrom(mesh, c) == hostkit::cornerFrom(mesh, m);
                const uint8_t wish = uint8_t(p.flip[f] ^ uint8_t(sameWay));
                if (p.patchOf[g] == kUnvisited) {
                    p.patchOf[g] = patch;
                    p.flip[g] = wish;
                    p.order.push_back(g);
                } else if (p.flip[g] != wish) {
                    p.inconsistent[patch] = 1;
                }
            }
        }
    }
    p.start.push_back(uint32_t(p.order.size()));
    return p;
}

// Per patch: true when some edge of it is not met by a second face of the same patch.
std::vector<uint8_t> openPatches(const hostkit::EdgeTable& table, const Patches& p) {
    std::vector<uint8_t> open(p.start.size() - 1, 0);
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        const auto run = table.edgeCorners(e);
        if (run.size() == 2) continue; // mates: always one patch
        for (uint32_t c : run) {
            const uint32_t patch = p.patchOf[hostkit::cornerFace(c)];
            bool paired = false;
            for (uint32_t d : run) paired |= d != c && p.patchOf[hostkit::cornerFace(d)] == patch;
            if (!paired) open[patch] = 1;
        }
    }
    return open;
}

double faceArea(const Mesh& mesh, uint32_t f) {
    const Point3 a = mesh.vertices[mesh.faces[f].v[0]];
    const Point3 b = mesh.vertices[mesh.faces[f].v[1]];
    const Point3 c = mesh.vertices[mesh.faces[f].v[2]];
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(c.x) - a.x, wy = double(c.y) - a.y, wz = double(c.z) - a.z;
    const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
    return std::sqrt(nx * nx + ny * ny + nz * nz);
}

// Six times the signed volume of the patch's faces, as they will be after the wished
// flips, measured from the patch's first vertex for precision.
double patchVolume(const Mesh& mesh, const Patches& p, size_t patch) {
    const Point3 origin = mesh.vertices[mesh.faces[p.order[p.start[patch]]].v[0]];
    double volume = 0;
    for (uint32_t i = p.start[patch]; i < p.start[patch + 1]; ++i) {
        const uint32_t f = p.order[i];
        const Point3 a = mesh.vertices[mesh.faces[f].v[0]] - origin;
        const Point3 b = mesh.vertices[mesh.faces[f].v[1]] - origin;
        const Point3 c = mesh.vertices[mesh.faces[f].v[2]] - origin;
        const double det = double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                           double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                           double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
        volume += p.flip[f] ? -det : det;
    }
    return volume;
}

} // namespace

void Mesh::UnifyNormals(int flag) {
    hostkit::reportMeshOperation("UnifyNormals", this, {double(flag)});
    if (faceCount <= 0) return;
    std::vector<uint8_t> open;
    Patches p;
    {
        const hostkit::EdgeTable table = hostkit::buildEdgeTable(*this);
        const std::vector<uint32_t> mate = hostkit::manifoldMates(table, size_t(faceCount) * 3);
        p = findPatches(*this, mate);
        open = openPatches(table, p);
        for (uint32_t c = 0; c < mate.size(); ++c)
            if (mate[c] == hostkit::kNoMate && p.patchOf[c / 3] != kUnvisited)
                open[p.patchOf[c / 3]] = 1;
    }

    for (size_t patch = 0; patch + 1 < p.start.size(); ++patch) {
        bool invert;
        const double volume =
            flag == 0 && !open[patch] && !p.inconsistent[patch] ? patchVolume(*this, p, patch) : 0;
        if (volume != 0) {
            invert = volume < 0;
        } else {
            double flippedArea = 0, keptArea = 0;
            for (uint32_t i = p.start[patch]; i < p.start[patch + 1]; ++i) {
                const uint32_t f = p.order[i];
                (p.flip[f] ? flippedArea : keptArea) += faceArea(*this, f);
            }
            invert = flippedArea > keptArea;
        }
        for (uint32_t i = p.start[patch]; i < p.start[patch + 1]; ++i) {
            const uint32_t f = p.order[i];
            if (p.flip[f] != uint8_t(invert)) FlipNormal(int(f));
        }
    }
}
