// Mesh::buildNormals(), buildCornerNormals() and InvalidateGeomCache(): built normals.
//
// buildNormals fills faceNormals (allocating it when null) with unit face normals: the
// cross product of the two edges that meet opposite the face's longest edge, taken in
// double; a zero-area face or one with an index out of range gets the zero vector.
// Sets hasNormals. O(F).
//
// buildCornerNormals (face normals first, when not built) fills cornerNormals (3 per
// face), the normals a renderer shades with, by smoothing groups: at a vertex, smoothing bits
// that appear together in one face join one class, and every corner of a class gets the
// normalised, angle-weighted sum of the class's face normals. A face with smoothing
// word 0 keeps its own face normal at its corners. Order-independent. They are built
// only on request: the export and the mesh operations need face normals alone.
//
// InvalidateGeomCache clears hasNormals: the normal arrays then hold stale values and
// stay allocated for the next build, which fills them in place (so an export's work
// copy never holds two sets). The mesh keeps no other cached geometry (bounds are
// computed on request).
#pragma once

#include "host/mesh.h"
