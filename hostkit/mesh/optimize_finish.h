// The last steps of Optimize: edge visibility from the edge threshold, and compaction of
// the faces and of the vertices the collapses left unused.
#pragma once

#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

// Sets the three edge bits of every proper face: an edge is visible when it has one face or
// more than two, or when the unit normals of its two faces differ by at least edgeThreshold
// (radians; faces that meet with opposite windings are compared as one surface). Other
// faces keep theirs. O(F + V), 24 bytes per face and the edge visit's scratch.
void setEdgeVisibility(Mesh& mesh, double edgeThreshold);

// Drops the removed faces from every per-face array, and the vertices and texture vertices
// that some face used before and none uses now, keeping the order of the rest and
// renumbering the faces: a stable pass over the faces that renumbers them too, one over
// the texture faces that also finds the texture vertices still used, and one more to
// renumber those. The vertices to drop come from the degrees and flags, without a pass
// over the faces. Frees the working state first. Returns the number of faces removed.
int compactMesh(WorkState& ws);

} // namespace hostkit::opt
