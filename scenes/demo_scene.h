// The demo scene zefhost opens when it is given no scene file. It is small but
// reaches every path of an export: hierarchy and selection, every object and
// material kind, shared and nested materials, and faces with assorted edge bits,
// smoothing words and material ids.
#pragma once

#include <memory>

#include "hostkit/scene/scene.h"

// A new demo scene. Every call builds the same scene.
std::unique_ptr<Scene> makeDemoScene();
