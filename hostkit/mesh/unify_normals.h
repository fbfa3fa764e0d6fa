// Mesh::UnifyNormals(flag): makes face windings agree across the mesh.
//
// Patches are found by breadth-first search over faces, crossing only edges with exactly
// two faces; boundary and non-manifold edges stop it. Within a patch, a neighbour is
// flipped when both faces run along their shared edge in the same direction. A face
// reached again with a conflicting wish (a Möbius strip) keeps its first assignment, so
// the search always ends. Then, per patch:
//  - flag 0: a closed, orientable patch (each of its edges met by two of its own faces)
//    is turned outward by the sign of its enclosed volume; any other patch takes the
//    orientation that flips the lesser area;
//  - flag nonzero: every patch takes the orientation that flips the lesser area, without
//    the outward choice (only consistency is enforced, with the fewest changes).
// Faces flip through FlipNormal, so texture faces, normals and edge bits follow. Faces
// with a repeated or out-of-range index are left alone. O(F + V).
#pragma once

#include "host/mesh.h"
