// Smoothing groups from a file's per-corner normals, so the hard edges of the
// source stay hard once the host builds normals from the groups.
#pragma once

#include <vector>

#include "host/mesh.h"

// Sets every face's smoothing word. Two faces that share an edge (by vertex index)
// are joined when their corner normals agree at both ends of it (cosine of the
// angle between them at least cosLimit); each joined region gets one group bit,
// different from the bits of the regions it meets across a hard edge, while 32
// bits last. cornerNormals holds three normals per face; null gives group 1 to all.
void assignSmoothingFromNormals(Mesh& mesh, const std::vector<Point3>* cornerNormals,
                                float cosLimit);
