// One node's Assimp meshes as one host triangle mesh: vertices welded by position,
// texture channel 0 as texture vertices and faces, material ids by mesh, and
// smoothing groups derived from the file's normals.
#pragma once

#include <vector>

#include <assimp/mesh.h>

#include "host/mesh.h"

// Builds the mesh of meshes (triangle meshes only; any other face is skipped). Faces
// of meshes[i] get material id i. Vertices with bit-equal positions become one
// vertex; texture coordinates stay per corner in the texture faces, so seams stay.
// Smoothing: faces that meet at an edge whose normals agree at both ends (within
// kSmoothAngleDegrees) share a group; a mesh without normals gets group 1.
Mesh meshFromAssimp(const std::vector<const aiMesh*>& meshes);

constexpr float kSmoothAngleDegrees = 1.0f;
