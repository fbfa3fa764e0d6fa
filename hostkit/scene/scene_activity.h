// What the host sees of a plug-in's walk over its scene: each node evaluated and each
// object converted to a triangle mesh, reported to one listener. The host uses it
// to show an export's progress object by object. No listener is set by default.
#pragma once

#include "host/api.h"
#include "host/scene.h"

enum class SceneActivity {
    NodeEvaluated,   // HostNode::evaluate; object is the node's (possibly null)
    ObjectConverted, // HostObject::convertTo; object is the one converted
};

struct SceneActivityListener {
    void (*hear)(SceneActivity what, HostObject* object, void* context) = nullptr; // null: none
    void* context = nullptr;
};

namespace hostkit {
// Sets the listener and returns the previous one, to be set again afterwards.
HOSTKIT_API SceneActivityListener setSceneActivityListener(SceneActivityListener listener);

// Reports to the listener, if one is set.
void reportSceneActivity(SceneActivity what, HostObject* object);
} // namespace hostkit
