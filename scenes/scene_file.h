// Scene files: the kit's whole scene (node tree, selection, objects, meshes,
// materials and texture maps) as JSON text. Saving is canonical, so loading a saved
// file and saving it again gives the same bytes, and floats read back bit for bit.
// Nothing here throws; failures come back as a FileError whose place is a JSON
// pointer (/nodes/3/mesh/faces/17) or "line 4, column 9".
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "hostkit/scene/scene.h"
#include "hostkit/strings/file_error.h"

struct SceneLoadResult {
    std::unique_ptr<Scene> scene; // null on failure
    FileError error;              // set when scene is null

    bool ok() const { return scene != nullptr; }
};

// Reads and checks the scene file at path. Every index, reference, type and count is
// checked; the first problem found is reported with its place.
SceneLoadResult loadSceneFile(const std::string& path);
// The same for text already in memory; sourceName stands in for the file name.
SceneLoadResult parseSceneText(std::string_view text, const std::string& sourceName);

// The canonical text of scene into text. Fails (returns false and fills error) for a
// non-finite float, an object, material or map of a class the format does not know,
// or a material or map that is not in the scene's pools.
bool writeSceneText(const Scene& scene, std::string& text, FileError& error);
// Writes the canonical text to path, replacing the file. False with error on failure.
bool saveSceneFile(const Scene& scene, const std::string& path, FileError& error);
