// Mesh::FlipNormal(face): reverses one face's winding.
//
// The face (v0, v1, v2) becomes (v0, v2, v1). Edge visibility bits 0 and 2 swap, so the
// same unordered edges stay visible; texture-face corners 1 and 2 swap; a built face
// normal is negated and the face's corner normals swap corners 1 and 2 and are negated.
// The smoothing word, material id and other flag bits stay. Flipping twice restores
// every word bit for bit. An index outside 0..faceCount-1 changes nothing. O(1).
#pragma once

#include "host/mesh.h"
