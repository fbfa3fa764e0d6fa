// An export's progress object by object, as the host sees it while the plug-in walks
// the scene: the nodes it evaluates whose object converts to a triangle mesh make the
// total, and each conversion starts the next object.
#pragma once

#include <functional>

#include "hostkit/scene/scene_activity.h"

class ExportProgress {
  public:
    // While this lives, onObject(current, total) is called as object current (1-based)
    // of total starts; total never falls below current. Activity is passed on to the
    // listener that was set before.
    explicit ExportProgress(std::function<void(int current, int total)> onObject);
    ~ExportProgress(); // sets the previous listener again
    ExportProgress(const ExportProgress&) = delete;
    ExportProgress& operator=(const ExportProgress&) = delete;

  private:
    static void hear(SceneActivity what, HostObject* object, void* context);

    std::function<void(int, int)> onObject_;
    SceneActivityListener previous_;
    int objects_ = 0, converted_ = 0;
};
