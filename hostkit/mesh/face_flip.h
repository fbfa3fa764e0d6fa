// Turning one face over in every per-face array: the work of Mesh::FlipNormal, without
// reporting the call, for operations that flip many faces in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "host/mesh.h"

namespace hostkit {

// Reorders the face to (v0, v2, v1), swaps edge bits 0 and 2 (the same unordered edges
// stay visible) and texture corners 1 and 2, and negates its built face and corner
// normals. face must be in range.
inline void flipFaceArrays(Mesh& mesh, int face) {
    MeshFace& f = mesh.faces[face];
    std::swap(f.v[1], f.v[2]);
    const uint32_t edge0 = f.flags & 1u, edge2 = (f.flags >> 2) & 1u;
    f.flags = (f.flags & ~5u) | (edge0 << 2) | edge2;
    if (mesh.texFaces) std::swap(mesh.texFaces[face].t[1], mesh.texFaces[face].t[2]);
    if (mesh.faceNormals) mesh.faceNormals[face] = -mesh.faceNormals[face];
    if (mesh.cornerNormals) {
        Point3* corner = mesh.cornerNormals + size_t(face) * 3;
        std::swap(corner[1], corner[2]);
        for (int k = 0; k < 3; ++k) corner[k] = -corner[k];
    }
}

} // namespace hostkit
