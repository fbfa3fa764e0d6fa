// Mesh::buildNormals() and Mesh::InvalidateGeomCache(): the mesh's built normals.
//
// buildNormals fills faceNormals (allocating it when null) with unit face normals: the
// cross product of the two edges that meet opposite the face's longest edge, taken in
// double; a zero-area face or one with an index out of range gets the zero vector.
// It fills cornerNormals (3 per face) by smoothing groups: at a vertex, smoothing bits
// that appear together in one face join one class, and every corner of a class gets the
// normalised, angle-weighted sum of the class's face normals. A face with smoothing
// word 0 keeps its own face normal at its corners. Order-independent; sets hasNormals.
//
// InvalidateGeomCache frees both normal arrays and clears hasNormals; the mesh keeps no
// other cached geometry (bounds are computed on request).
#pragma once

#include "host/mesh.h"
