// MeshObject and the world box of a mesh.
#include "hostkit/scene/mesh_object.h"

#include <cstdint>
#include <vector>

#include "hostkit/scene/scene_activity.h"

Box3 meshWorldBox(const Mesh& mesh, const Matrix3& tm) {
    // Each vertex that a face uses is transformed once.
    std::vector<uint8_t> used(size_t(mesh.vertexCount), 0);
    for (int f = 0; f < mesh.faceCount; ++f)
        for (uint32_t v : mesh.faces[f].v)
            if (v < uint32_t(mesh.vertexCount)) used[v] = 1;
    Box3 box;
    for (int v = 0; v < mesh.vertexCount; ++v)
        if (used[size_t(v)]) box += mesh.vertices[v] * tm;
    return box;
}

TriangleMeshObject* MeshObject::convertTo(TimeValue, Class_ID target) {
    hostkit::reportSceneActivity(SceneActivity::ObjectConverted, this);
    return target == triObjectClassID ? this : nullptr;
}

void MeshObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = meshWorldBox(mesh, node->objectTransform(t, nullptr));
}

void MeshObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}
