// A canonical text dump of a whole scene, for comparing scenes in tests and for
// diagnostics: two scenes are equal exactly when their dumps are equal. It is the
// scene file's canonical text, so a new object kind is added in one place.
#pragma once

#include <string>

#include "hostkit/scene/scene.h"

// The scene-file text of scene (every value; floats read back bit for bit). A scene
// the file format cannot hold dumps as one line naming what stopped the writer.
std::string dumpScene(const Scene& scene);
