// AutoSmooth's colouring: each island takes one of the 32 smoothing bits, as few islands
// as possible sharing a bit with one they conflict with.
#pragma once

#include <cstdint>

#include "hostkit/mesh/auto_smooth.h"
#include "hostkit/mesh/auto_smooth_conflicts.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::smoothing {

// Returns a bit (0 to 31) for each of islandCount islands, counting in report the islands
// that had to share one (vertexShares, edgeConflicts). With vertices (flag 0) islands
// conflict where they meet at a vertex, which covers every shared edge too; with vertices
// null, where they share a sharp edge. Islands are coloured in smallest-last order, each
// with the lowest bit no conflicting island holds; when none is free, an island shares a
// bit with a vertex-only neighbour, and failing that takes the bit whose sharing costs
// the least sharp-edge length. edges are built only when needed: with vertices null, or
// when an island's meeting vertices leave it no bit. Linear on ordinary meshes (costs in
// auto_smooth.h); scratch about 17 bytes per island and 4 per meeting vertex beyond the
// conflicts.
ScratchArray<int8_t> colourIslands(uint32_t islandCount, const VertexConflicts* vertices,
                                   LazyEdgeConflicts& edges, AutoSmoothReport& report);

} // namespace hostkit::smoothing
