// Smoothing groups by island colouring: see auto_smooth.h. The steps live beside it:
// the edge grouping (auto_smooth_edges.h), the islands (auto_smooth_islands.h), their
// conflicts (auto_smooth_conflicts.h) and the colouring (auto_smooth_colouring.h).
#include "hostkit/mesh/auto_smooth.h"
#include "hostkit/mesh/operation_observer.h"

#include <bit>
#include <optional>
#include <utility>

#include "hostkit/mesh/auto_smooth_colouring.h"
#include "hostkit/mesh/auto_smooth_conflicts.h"
#include "hostkit/mesh/auto_smooth_edges.h"
#include "hostkit/mesh/auto_smooth_islands.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit {

AutoSmoothReport autoSmooth(Mesh& mesh, float angle, int flag) {
    AutoSmoothReport report;
    if (mesh.faceCount <= 0) return report;
    const ScratchReuse reuse; // each step frees what the next one may take
    // edges matter for the islands unless no angle passes, and for the colouring with
    // flag nonzero or when the bits run out
    std::optional<smoothing::EdgeGroups> groups;
    if (angle > 0) groups.emplace(mesh);
    const ScratchArray<uint32_t> islandOf =
        smoothing::findIslands(mesh, groups ? &*groups : nullptr, angle, report.islands);
    const uint32_t* island = islandOf.data();
    const uint32_t n = report.islands;

    if (n == 1) { // one island: one bit, nothing to colour
        for (uint32_t f = 0; f < uint32_t(mesh.faceCount); ++f) mesh.faces[f].smGroup = 1;
        report.bitsUsed = 1;
        return report;
    }
    smoothing::LazyEdgeConflicts edges(mesh, std::move(groups), island, n);
    ScratchArray<int8_t> bit;
    if (flag == 0) {
        // vertex meetings cover every conflict; sharp edges matter only when bits run out
        edges.dropGroups();
        const smoothing::VertexConflicts vertices(mesh, island, n);
        bit = smoothing::colourIslands(n, &vertices, edges, report);
    } else {
        bit = smoothing::colourIslands(n, nullptr, edges, report);
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
