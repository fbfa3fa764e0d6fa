// The host's parametric primitives as triangle meshes: box, UV sphere, grid and cylinder.
// Every primitive is closed where the shape is, wound outward, and comes with texture
// coordinates, smoothing groups, material ids and edge visibility.
#pragma once

#include "host/api.h"
#include "host/mesh.h"

// The largest segment counts the box and the sphere are built with; larger counts
// are clamped to them. They keep every count and index well inside an int and a
// mesh within a few hundred megabytes (3,000,000 and about 4,000,000 faces).
constexpr int kMaxBoxSegments = 500;
constexpr int kMaxSphereSegments = 2000;

namespace hostkit {

// Box of width (x) by length (y) by height (z), centred on the origin in x and y with its
// base at z = 0. Each side is a segments x segments grid of quads (segments below 1 counts
// as 1, above kMaxBoxSegments as that): 12 * segments^2 faces over 6 * segments^2 + 2 shared
// vertices. Side s in bottom, top, front (-y), right (+x), back (+y), left (-x) order has smoothing
// bit 1 << s and material id s; quad outlines are visible, diagonals hidden; each side maps 0..1.
HOSTKIT_API Mesh makeBoxMesh(float width, float length, float height, int segments);

// UV sphere centred on the origin: segments columns around z (at least 3, at most
// kMaxSphereSegments) and segments / 2
// rings (at least 2), one vertex at each pole; 2 * segments * (rings - 1) faces, all in
// smoothing group 1. Texture u runs around (with a duplicated seam column), v from 0 at
// the south pole to 1 at the north; every pole face has its own pole texture vertex.
HOSTKIT_API Mesh makeSphereMesh(float radius, int segments);

// Flat n x n quads (n below 1 counts as 1) of total size x size in the XY plane, centred on
// the origin, facing +z: 2 n^2 faces, smoothing group 1, texture 0..1 across the grid.
HOSTKIT_API Mesh makeGridMesh(int n, float size);

// Cylinder around z from z = 0 to height: segments around (at least 3), heightSegments
// bands (at least 1). The side has smoothing bit 1 and material id 2; with capped, fans
// close the bottom (bit 2, id 0) and top (bit 2, id 1) over shared rim vertices.
// Side texture: u around with a seam column, v = z / height; caps map the disc into 0..1.
HOSTKIT_API Mesh makeCylinderMesh(float radius, float height, int segments, int heightSegments,
                                  bool capped);

} // namespace hostkit
