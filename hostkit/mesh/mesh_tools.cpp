// The host's own mesh measures: memory and bounds (corner normals are built in
// build_normals.cpp, beside the face normals).
#include "hostkit/mesh/mesh_tools.h"

size_t hostkit::meshMemoryBytes(const Mesh& mesh) {
    const size_t faces = size_t(mesh.faceCount);
    size_t bytes = sizeof(Mesh) + sizeof(Point3) * size_t(mesh.vertexCount) +
                   sizeof(MeshFace) * faces + sizeof(UVVert) * size_t(mesh.texVertCount);
    if (mesh.texFaces) bytes += sizeof(TVFace) * faces;
    if (mesh.faceNormals) bytes += sizeof(Point3) * faces;
    if (mesh.cornerNormals) bytes += sizeof(Point3) * 3 * faces;
    return bytes;
}

Box3 hostkit::meshBoundingBox(const Mesh& mesh) {
    Box3 box;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v)
            if (v < uint32_t(mesh.vertexCount)) box += mesh.vertices[v];
    return box;
}
