// Mesh::Optimize: reduces faces where the surface is flat within a normal threshold,
// by constrained half-edge collapses.
//
// int Mesh::Optimize(normalThreshold, edgeThreshold, bias, flags, progress)
//   A vertex merges into a neighbour that keeps its position, so no new positions appear
//   and texture coordinates of planar mappings stay exact. Interior vertices may merge
//   into any neighbour; vertices on a boundary or feature line (material or smoothing
//   change kept by the flags, texture seam, crease sharper than normalThreshold, winding
//   seam) only along it, while the line bends by at most normalThreshold from the
//   original directions it stands for; line ends, crossings, non-manifold edges and
//   vertices, and the vertices of zero-area or improper faces never move. Each face keeps
//   within normalThreshold (radians, at most 89 degrees) of every original normal on its
//   side of the region it covers, never flips and never becomes a sliver; texture
//   triangles keep their winding. bias (0..1) weighs triangle quality against normal
//   deviation in the order of collapses; at 1 no collapse may worsen the worst triangle.
//   flags: OPTIMIZE_KEEP_MATERIALS, OPTIMIZE_KEEP_SMOOTHING, OPTIMIZE_AUTO_EDGE (then an
//   edge is visible when it has one face, more than two, or a normal angle of at least
//   edgeThreshold; otherwise faces keep their edge bits). progress, when given, gets
//   Init(faceCount) and Progress(faces removed so far); false stops early with a valid
//   mesh. Removed faces leave every per-face array in one stable pass; vertices and
//   texture vertices that faces used before and none uses now are removed, keeping the
//   order of the rest; unused ones from before stay. Built normals are rebuilt. Returns
//   the number of faces removed, 0 for an empty mesh or when nothing can merge.
#pragma once

#include "host/mesh.h"
