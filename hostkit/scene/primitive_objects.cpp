// Box and sphere primitives: parameters in, a freshly generated mesh out.
#include "hostkit/scene/primitive_objects.h"

#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/kit_class_ids.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/scene_activity.h"

TriangleMeshObject* PrimitiveObject::convertTo(TimeValue, Class_ID target) {
    hostkit::reportSceneActivity(SceneActivity::ObjectConverted, this);
    return target == triObjectClassID ? new MeshObject(buildMesh()) : nullptr;
}

void PrimitiveObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = meshWorldBox(buildMesh(), node->objectTransform(t, nullptr));
}

void PrimitiveObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}

Class_ID BoxObject::classId() {
    return boxObjectClassID;
}

Mesh BoxObject::buildMesh() const {
    return hostkit::makeBoxMesh(width, length, height, segments);
}

Class_ID SphereObject::classId() {
    return sphereObjectClassID;
}

Mesh SphereObject::buildMesh() const {
    return hostkit::makeSphereMesh(radius, segments);
}
