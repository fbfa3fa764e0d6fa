// Mesh::FlipNormal: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include <utility>

void Mesh::FlipNormal(int face) {
    hostkit::reportMeshOperation("FlipNormal", this, {double(face)});
    if (face < 0 || face >= faceCount) return;
    MeshFace& f = faces[face];
    std::swap(f.v[1], f.v[2]);
    const uint32_t edge0 = f.flags & 1u, edge2 = (f.flags >> 2) & 1u;
    f.flags = (f.flags & ~5u) | (edge0 << 2) | edge2;
    if (texFaces) std::swap(texFaces[face].t[1], texFaces[face].t[2]);
    if (faceNormals) faceNormals[face] = -faceNormals[face];
    if (cornerNormals) {
        Point3* corner = cornerNormals + size_t(face) * 3;
        std::swap(corner[1], corner[2]);
        for (int k = 0; k < 3; ++k) corner[k] = -corner[k];
    }
}
