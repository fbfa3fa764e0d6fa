// Parametric primitives: a box and a sphere, kept as their parameters and turned
// into a new triangle mesh whenever one is asked for.
#pragma once

#include "host/scene.h"
#include "hostkit/scene/object_ownership.h"

// What every primitive shares: it converts to a new mesh object built from its
// parameters, and its world box is that mesh's.
class HOSTKIT_API PrimitiveObject : public HostObject, public ObjectOwnership {
  public:
    int canConvertTo(Class_ID target) override { return target == triObjectClassID; }
    // A new MeshObject that the caller owns and releases with deleteThis; null for
    // any target other than triObjectClassID.
    TriangleMeshObject* convertTo(TimeValue t, Class_ID target) override;
    // The box of the generated mesh under node's object transform at t.
    void worldBoundingBox(TimeValue t, HostNode* node, void* viewport, Box3& box) override;
    void deleteThis() override; // no-op while a node holds the object
    virtual Mesh buildMesh() const = 0;
};

// Box centred on the origin in x and y, standing on z = 0 (as makeBoxMesh builds it).
class HOSTKIT_API BoxObject : public PrimitiveObject {
  public:
    float width = 1, length = 1, height = 1;
    int segments = 1;

    BoxObject() = default;
    BoxObject(float w, float l, float h, int segs)
        : width(w), length(l), height(h), segments(segs) {}

    Class_ID classId() override;
    Mesh buildMesh() const override;
};

// UV sphere centred on the origin (as makeSphereMesh builds it).
class HOSTKIT_API SphereObject : public PrimitiveObject {
  public:
    float radius = 1;
    int segments = 16;

    SphereObject() = default;
    SphereObject(float r, int segs) : radius(r), segments(segs) {}

    Class_ID classId() override;
    Mesh buildMesh() const override;
};
