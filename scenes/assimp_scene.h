// Scenes through Assimp (Linux build only): importing any file Assimp reads onto
// the host kit's scene, and exporting a kit scene to any format Assimp writes.
#pragma once

#include <string>

#include "scenes/scene_loader.h"

// Imports path. Y-up files are turned to the host's Z-up. Errors carry Assimp's
// message; progress (may be null) hears Assimp's progress.
OpenedScene importWithAssimp(const std::string& path, LoadProgress* progress);

// Exports scene to path in the format Assimp has for its extension, turning Z-up
// back to Y-up where the format is Y-up. False with error on failure.
// Whether one of Assimp's exporters writes files with extension (".glb", with its dot).
bool assimpCanSave(const std::string& extension);

bool exportWithAssimp(const Scene& scene, const std::string& path, FileError& error);

// The axis rule: true when files with this extension (lower case, with its dot) are
// held Y-up and so are turned on import and export.
bool isYUpExtension(const std::string& extension);
