// The scene-activity listener: one per process, like the host's own notifications.
#include "hostkit/scene/scene_activity.h"

#include <utility>

namespace {
SceneActivityListener activityListener;
} // namespace

SceneActivityListener hostkit::setSceneActivityListener(SceneActivityListener listener) {
    return std::exchange(activityListener, listener);
}

namespace hostkit {
void reportSceneActivity(SceneActivity what, HostObject* object) {
    if (activityListener.hear) activityListener.hear(what, object, activityListener.context);
}
} // namespace hostkit
