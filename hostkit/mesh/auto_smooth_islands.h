// AutoSmooth's islands: the faces joined by smooth edges, which each take one smoothing
// bit. The smooth-edge test itself is described in auto_smooth.h.
#pragma once

#include <cstdint>

#include "host/mesh.h"
#include "hostkit/mesh/auto_smooth_edges.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::smoothing {

// Islands of faces joined by smooth edges; returns the island of each face and sets
// islandCount, islands numbered in order of their lowest face. Uses groups (the grouping
// of mesh's edges) when angle lets any edge be smooth; with groups null every face is an
// island of its own. Scratch beyond the grouping: 4 bytes per face, and up to 4 per
// vertex while walking the edges.
ScratchArray<uint32_t> findIslands(const Mesh& mesh, const EdgeGroups* groups, float angle,
                                   uint32_t& islandCount);

} // namespace hostkit::smoothing
