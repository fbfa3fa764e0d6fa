// A canonical text dump of a whole scene, for comparing scenes in tests and for
// diagnostics: two scenes are equal exactly when their dumps are equal.
#pragma once

#include <string>

#include "hostkit/scene/scene.h"

// One line per item: the time, the selection (node numbers in enumeration order),
// every texture map, every material (maps and sub-materials by pool index), then
// every node with its parent, transform, material index and object, meshes down to
// each vertex, face word and texture face. Floats are written so that they read back
// bit for bit.
HOSTKIT_API std::string dumpScene(const Scene& scene);
