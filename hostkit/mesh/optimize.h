// Mesh::Optimize: fewer faces where the surface is flat within a normal threshold, by
// constrained half-edge collapses (a vertex merges into a neighbour that keeps its place).
//
// int Mesh::Optimize(normalThreshold, edgeThreshold, bias, flags, progress)
//
// What may merge:
// - No new positions appear, so planar texture coordinates stay exact.
// - An interior vertex may merge into any neighbour. A vertex on a line (boundary,
//   material change with OPTIMIZE_KEEP_MATERIALS, change of smoothing word with
//   OPTIMIZE_KEEP_SMOOTHING, texture seam, crease sharper than normalThreshold, or two
//   faces wound against each other) merges only along it, and the line may bend by at
//   most normalThreshold from every original direction it stands for.
// - Line ends and crossings, non-manifold edges and vertices, and the vertices of faces
//   with zero area, a repeated index or an index out of range never move.
// - Every face stays within normalThreshold (radians, capped at 89 degrees) of every
//   original normal on its side of the region it covers; no face flips, becomes a sliver
//   or turns its texture triangle over; a collapse must move at least one face, so no ear
//   simply vanishes. The link condition keeps the surface as manifold as it was.
// Order: bias (0..1) weighs triangle quality against normal deviation; cheaper collapses
// go first. At bias 1 no collapse may worsen the worst triangle around it.
// Edges: with OPTIMIZE_AUTO_EDGE an edge is visible when it has one face, more than two,
// or a normal angle of at least edgeThreshold; otherwise faces keep their edge bits.
// Arrays: removed faces leave every per-face array in one stable pass. Vertices and
// texture vertices that some face used before and none uses now are removed, the rest
// keep their order; ones no face used before stay. Built normals are rebuilt.
// progress (may be null) gets Init(faceCount) and Progress(faces removed so far); false
// stops early with a valid mesh.
// Returns the number of faces removed: 0 for an empty mesh or when nothing can merge.
#pragma once

#include "host/mesh.h"
