// Mesh::RemoveDegenerateFaces(): drops faces that cannot be triangles.
//
// Removes every face with a repeated vertex index or an index at or above vertexCount,
// in one stable pass over all per-face arrays (faces, texture faces, face and corner
// normals), and returns how many went. Faces with three distinct indices stay even when
// their area is zero: they may glue a crack shut. Vertices and texture vertices are never
// removed or reordered. Returns 0 and leaves the mesh untouched when nothing is removed.
#pragma once

#include "host/mesh.h"
