// Canonical scene dump: the scene writer's text.
#include "scenes/scene_dump.h"

#include "scenes/scene_file.h"

std::string dumpScene(const Scene& scene) {
    std::string text;
    FileError error;
    if (writeSceneText(scene, text, error)) return text;
    return "unwritable scene: " + error.message() + "\n";
}
