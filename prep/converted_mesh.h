// A node's object converted to a triangle mesh for the length of a scope. When the
// conversion made a new object (a parametric primitive), that object belongs to
// the caller and is released here; its mesh is a temporary nothing in the scene shows.
#pragma once

#include "host/scene.h"

class ConvertedMesh {
  public:
    ConvertedMesh(HostObject* object, TimeValue time)
        : object_(object), tri_(object->convertTo(time, triObjectClassID)) {}
    ~ConvertedMesh() {
        if (tri_ && isTemporary()) tri_->deleteThis();
    }
    ConvertedMesh(const ConvertedMesh&) = delete;
    ConvertedMesh& operator=(const ConvertedMesh&) = delete;

    TriangleMeshObject* get() const { return tri_; }
    // True when the mesh is not the scene's own: changing it changes nothing.
    bool isTemporary() const { return tri_ != object_; }

  private:
    HostObject* object_;
    TriangleMeshObject* tri_;
};
