// Cameras and lights: no surface, a point-sized world box at the node's origin.
#include "hostkit/scene/camera_light.h"

#include "hostkit/scene/kit_class_ids.h"

void PointObject::worldBoundingBox(TimeValue t, HostNode* node, void*, Box3& box) {
    Point3 origin = node->objectTransform(t, nullptr).GetTrans();
    box = Box3(origin, origin);
}

void PointObject::deleteThis() {
    if (!isOwnedByNode()) delete this;
}

Class_ID CameraObject::classId() {
    return cameraObjectClassID;
}

Class_ID LightObject::classId() {
    return lightObjectClassID;
}
