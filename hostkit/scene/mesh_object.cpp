// MeshObject and the world box of a mesh.
#include "hostkit/scene/mesh_object.h"

Box3 meshWorldBox(const Mesh& mesh, const Matrix3& tm) {
    Box3 box;
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v)
            if (v < uint32_t(mesh.vertexCount)) box += mesh.vertices[v] * tm;
    return box;
}

TriangleMeshObject* MeshObject::convertTo(TimeValue, Class_ID target) {
    return target == triObjectClassID ? this : nullptr;
}

void MeshObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = meshWorldBox(mesh, node->objectTransform(t, nullptr));
}

void MeshObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}
