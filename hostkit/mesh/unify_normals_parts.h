// Pieces shared by UnifyNormals' two paths: the breadth-first search over manifold edges
// (unify_normals.cpp) and the shortcut for meshes whose windings already agree
// (unify_consistent.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/mesh.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::unify {

// Six times the signed volume of the tetrahedron from origin, measured in float
// differences from it as the patch's first vertex, the determinant in double.
inline double faceVolume(const Point3& origin, const Point3& pa, const Point3& pb,
                         const Point3& pc) {
    const Point3 a = pa - origin, b = pb - origin, c = pc - origin;
    return double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
           double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
           double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
}

// Faces of one patch in search order, from its seed (the patch's lowest face), over the
// manifold mates of buildCornerMates; seen (one byte per face) marks the faces reached.
std::vector<uint32_t> searchOrder(uint32_t seed, const uint32_t* mate, ScratchArray<uint8_t>& seen);

// Does what Mesh::FlipNormal does, without reporting the call, to every face for which
// flip(face) is true, in one pass over the per-face arrays.
template <typename Flip> void flipFacesWhere(Mesh& mesh, Flip flip) {
    MeshFace* faces = mesh.faces;
    TVFace* tex = mesh.texFaces;
    Point3 *faceNormals = mesh.faceNormals, *cornerNormals = mesh.cornerNormals;
    for (int f = 0; f < mesh.faceCount; ++f) {
        if (!flip(f)) continue;
        MeshFace& face = faces[f];
        std::swap(face.v[1], face.v[2]);
        const uint32_t edge0 = face.flags & 1u, edge2 = (face.flags >> 2) & 1u;
        face.flags = (face.flags & ~5u) | (edge0 << 2) | edge2;
        if (tex) std::swap(tex[f].t[1], tex[f].t[2]);
        if (faceNormals) faceNormals[f] = -faceNormals[f];
        if (cornerNormals) {
            Point3* corner = cornerNormals + size_t(f) * 3;
            std::swap(corner[1], corner[2]);
            for (int k = 0; k < 3; ++k) corner[k] = -corner[k];
        }
    }
}

// When every pair of mates already runs opposite ways, finishes UnifyNormals(flag) and
// returns true; otherwise returns false, changing nothing.
bool unifyIfConsistent(Mesh& mesh, int flag);

} // namespace hostkit::unify
