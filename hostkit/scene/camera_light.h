// Objects that have no surface and cannot become triangle meshes: a camera and a
// light. Their world box is the single point at the node's origin.
#pragma once

#include "host/scene.h"
#include "hostkit/scene/object_ownership.h"

// What objects without a surface share.
class HOSTKIT_API PointObject : public HostObject, public ObjectOwnership {
  public:
    int canConvertTo(Class_ID) override { return 0; }
    TriangleMeshObject* convertTo(TimeValue, Class_ID) override { return nullptr; }
    void worldBoundingBox(TimeValue t, HostNode* node, void* viewport, Box3& box) override;
    void deleteThis() override; // no-op while a node holds the object
};

class HOSTKIT_API CameraObject : public PointObject {
  public:
    float fieldOfView = 0.785398f; // horizontal, radians
    float targetDistance = 100;

    Class_ID classId() override;
};

class HOSTKIT_API LightObject : public PointObject {
  public:
    enum class Kind { Omni, Spot, Directional };
    Kind kind = Kind::Omni;
    Color color{1, 1, 1};
    float intensity = 1;

    Class_ID classId() override;
};
