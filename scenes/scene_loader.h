// Opening and saving scenes by file extension: ".json" is the kit's own scene file,
// ".zef" an export read back, and (in the Linux build) every other extension goes
// through Assimp.
#pragma once

#include <string>
#include <vector>

#include "scenes/scene_file.h"

// An image that came embedded in an imported file. Its bitmap map names fileName
// (no folder); the image is written beside the export or the saved scene.
struct EmbeddedImage {
    std::string fileName;
    std::vector<unsigned char> bytes;
};

// What opening a file gives: the scene (null on failure, then error says why), the
// primitives that the host cannot hold and were left out, and embedded images.
struct OpenedScene {
    std::unique_ptr<Scene> scene;
    FileError error;
    int leftOutPoints = 0;
    int leftOutLines = 0;
    std::vector<EmbeddedImage> images;

    bool ok() const { return scene != nullptr; }
};

// Reports the progress of a long load or save; fraction runs from 0 to 1.
class LoadProgress {
  public:
    virtual ~LoadProgress() = default;
    virtual void fraction(float done) = 0;
};

// Opens the scene at path by its extension (case-insensitive). progress may be null.
OpenedScene openScene(const std::string& path, LoadProgress* progress = nullptr);

// Saves scene to path by its extension: ".json" natively, others through Assimp's
// exporters. False with error when the format is unknown or the write fails.
bool saveSceneAs(const Scene& scene, const std::string& path, FileError& error);

// Whether saveSceneAs knows a format for path's extension; false with error saying
// why not.
bool canSaveSceneAs(const std::string& path, FileError& error);

// Writes images into the folder of path (a file beside which they belong). False
// with error naming the first image that could not be written.
bool writeEmbeddedImages(const std::vector<EmbeddedImage>& images, const std::string& path,
                         FileError& error);

// The extension of path, lower case, with its dot ("" when it has none).
std::string lowerExtension(const std::string& path);
