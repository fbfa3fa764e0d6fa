// MeshObject: an editable triangle mesh held by a node, and the world-box helper
// the kit's objects share.
#pragma once

#include "host/scene.h"
#include "hostkit/scene/object_ownership.h"

// World-space box of the vertices that faces use, each mapped by tm; empty when the
// mesh has no faces. Face indices outside the vertex array are skipped.
HOSTKIT_API Box3 meshWorldBox(const Mesh& mesh, const Matrix3& tm);

class HOSTKIT_API MeshObject : public TriangleMeshObject, public ObjectOwnership {
  public:
    MeshObject() = default;
    explicit MeshObject(const Mesh& initial) { mesh = initial; }

    Class_ID classId() override { return triObjectClassID; }
    int canConvertTo(Class_ID target) override { return target == triObjectClassID; }
    // A mesh already is a triangle mesh: returns this object itself (the caller owns
    // nothing new); null for any other target.
    TriangleMeshObject* convertTo(TimeValue t, Class_ID target) override;
    // The box of the mesh's face vertices under node's object transform at t.
    void worldBoundingBox(TimeValue t, HostNode* node, void* viewport, Box3& box) override;
    // Deletes the object unless a node holds it, in which case it does nothing.
    void deleteThis() override;
};
