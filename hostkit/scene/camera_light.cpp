// Cameras and lights: no surface, a point-sized world box at the node's origin.
#include "hostkit/scene/camera_light.h"

#include "hostkit/scene/kit_class_ids.h"

static Box3 originBox(TimeValue t, HostNode* node) {
    Point3 origin = node->objectTransform(t, nullptr).GetTrans();
    return Box3(origin, origin);
}

Class_ID CameraObject::classId() {
    return cameraObjectClassID;
}

void CameraObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = originBox(t, node);
}

void CameraObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}

Class_ID LightObject::classId() {
    return lightObjectClassID;
}

void LightObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    box = originBox(t, node);
}

void LightObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}
