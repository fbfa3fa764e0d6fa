// The ownership rule shared by the kit's objects: an object a node holds belongs to
// the scene, so its deleteThis does nothing; an object nobody adopted (for example a
// new mesh made by convertTo) deletes itself. Callers can therefore call deleteThis
// on whatever convertTo returned when it differs from the evaluated object.
#pragma once

#include "host/api.h"

class HOSTKIT_API ObjectOwnership {
  public:
    virtual ~ObjectOwnership() = default;
    bool isOwnedByNode() const { return ownedByNode_; }

  private:
    friend class SceneNode; // the only place that adopts and releases objects
    bool ownedByNode_ = false;
};
