// Box and sphere primitives: parameters in, a freshly generated mesh out.
#include "hostkit/scene/primitive_objects.h"

#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/kit_class_ids.h"
#include "hostkit/scene/mesh_object.h"

Class_ID BoxObject::classId() {
    return boxObjectClassID;
}

Mesh BoxObject::buildMesh() const {
    return makeBoxMesh(width, length, height, segments);
}

TriangleMeshObject* BoxObject::convertTo(TimeValue, Class_ID target) {
    return target == triObjectClassID ? new MeshObject(buildMesh()) : nullptr;
}

void BoxObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = meshWorldBox(buildMesh(), node->objectTransform(t, nullptr));
}

void BoxObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}

Class_ID SphereObject::classId() {
    return sphereObjectClassID;
}

Mesh SphereObject::buildMesh() const {
    return makeSphereMesh(radius, segments);
}

TriangleMeshObject* SphereObject::convertTo(TimeValue, Class_ID target) {
    return target == triObjectClassID ? new MeshObject(buildMesh()) : nullptr;
}

void SphereObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = meshWorldBox(buildMesh(), node->objectTransform(t, nullptr));
}

void SphereObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}
