// Face order for Optimize: a mesh whose faces lie far from the order of their vertices
// (numbered by columns while its vertices go by rings, say) is worked on with its faces in
// vertex order, so each pass walks memory in step with its vertices, and gets its own
// order back before it is compacted.
#pragma once

#include <cstdint>

#include "host/api.h"
#include "host/mesh.h"
#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

// Whether the faces lie so far from the order of their vertices that looks in vertex order
// land on cold memory: walking the vertices in order, the first corners of their lists
// sweep the corners more than 3 times (1 when faces are numbered along the vertices).
// Reads ws.vertexHead as initWorkState builds it (which notes the answer in
// ws.scatteredFaces). O(V).
HOSTKIT_API bool facesScattered(const WorkState& ws);

// The test facesScattered makes, on the heads of the vertices' lists in vertex order.
// O(V).
HOSTKIT_API bool headsScattered(const LargeVector<uint32_t>& heads, int faceCount);

// The heads of the vertices' lists as initWorkState will link them, from the faces alone:
// the corner of the first proper face at each vertex, kNone where none is. With
// headsScattered, facesScattered's answer before the set-up. O(F + V).
HOSTKIT_API LargeVector<uint32_t> listHeadsOf(const Mesh& mesh);

// Whether a sample of about 4096 faces, in their order, has lowest vertices that jump back
// and forth over more than twice the vertices: faces numbered along their vertices climb
// them once. A cheap hint (O(1) in the mesh's size) that asking before the set-up is worth
// it. It may miss (the set-up then finds out), and it may be raised by faces that jump
// between rows of vertices without lying scattered by the measure of the lists (the sides
// of a cylinder); faces numbered along their vertices, as on a grid, do not raise it.
HOSTKIT_API bool facesMayLieScattered(const Mesh& mesh);

// Reorders mesh.faces and mesh.texFaces together by each face's lowest vertex (faces with
// no vertex in range last), keeping the order among equals, and returns the original index
// of the face now at each place. The other per-face arrays stay as they are until
// restoreFaceOrder. O(F + V), and a copy of the faces and texture faces.
HOSTKIT_API LargeVector<uint32_t> arrangeFacesByVertex(Mesh& mesh);

// Undoes arrangeFacesByVertex(mesh) = order on mesh.faces, mesh.texFaces and faceDead
// (one flag per face, as arranged). O(F).
HOSTKIT_API void restoreFaceOrder(Mesh& mesh, const LargeVector<uint32_t>& order,
                                  LargeVector<uint8_t>& faceDead);

} // namespace hostkit::opt
