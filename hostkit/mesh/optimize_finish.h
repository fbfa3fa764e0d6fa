// The last steps of Optimize: edge visibility from the edge threshold, and compaction of
// the faces and of the vertices the collapses left unused.
#pragma once

#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

// Sets the three edge bits of every proper face left after the collapses: an edge is visible
// when it has one face or more than two, or when the unit normals of its two faces differ by
// at least the edge threshold (faces that meet with opposite windings are compared as one
// surface). Other faces keep theirs. Reads the corner lists and the faces' cached normals, so
// it runs before compactMesh; faces the collapses moved get their normals again (as the
// set-up computes them) in faceWork. The edges of a vertex marked kEdgesSet are left as
// locksByItsEdges set them (the same way). O(F + V), a crowded vertex included.
void setEdgeVisibility(WorkState& ws);

// Drops the removed faces from every per-face array, and the vertices and texture vertices
// that some face used before and none uses now, keeping the order of the rest and
// renumbering the faces: a stable pass over the faces that renumbers them too, one over
// the texture faces that also finds the texture vertices still used, and one more to
// renumber those. The vertices to drop come from the degrees and flags, without a pass
// over the faces. Frees the working state first. Returns the number of faces removed.
int compactMesh(WorkState& ws);

} // namespace hostkit::opt
