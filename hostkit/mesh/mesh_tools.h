// What the host itself does with a mesh beyond the operations plug-ins call: its
// memory, its bounds and its corner normals. For the host kit, zefhost, the tests and
// the benchmarks; plug-ins never see these.
#pragma once

#include <cstddef>

#include "host/api.h"
#include "host/geom.h"
#include "host/mesh.h"

namespace hostkit {

// Bytes held by the mesh record and its arrays (those allocated), for memory budgets.
HOSTKIT_API size_t meshMemoryBytes(const Mesh& mesh);

// Object-space bounds of the vertices that faces use (indices out of range skipped);
// empty for a mesh without faces.
HOSTKIT_API Box3 meshBoundingBox(const Mesh& mesh);

// Fills mesh.cornerNormals (3 per face) from the smoothing groups, building the face
// normals first unless they are valid. At a vertex, bits appearing together in one face
// join one class; each class's corners get the angle-weighted sum of its faces' normals;
// word 0 and improper faces keep the face normal. Order-independent. O(F + V).
HOSTKIT_API void buildCornerNormals(Mesh& mesh);

} // namespace hostkit
