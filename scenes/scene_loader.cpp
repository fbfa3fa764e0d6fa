// Opening and saving scenes by extension.
#include "scenes/scene_loader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "export/safe_save.h"
#include "scenes/zef_scene.h"
#ifdef ZEF_WITH_ASSIMP
#include "scenes/assimp_scene.h"
#endif

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

#ifndef ZEF_WITH_ASSIMP
namespace {
const char* kNeedsLinuxBuild = "this build opens and saves only .json and .zef scenes; other "
                               "formats need the Linux build (Assimp)";
} // namespace
#endif

OpenedScene openScene(const std::string& path, LoadProgress* progress) {
    std::string extension = lowerExtension(path);
    OpenedScene opened;
    if (extension == ".json") {
        SceneLoadResult loaded = loadSceneFile(path);
        opened.scene = std::move(loaded.scene);
        opened.error = loaded.error;
        return opened;
    }
    if (extension == ".zef") return loadZefScene(path);
#ifdef ZEF_WITH_ASSIMP
    return importWithAssimp(path, progress);
#else
    (void)progress;
    opened.error = {path, "", kNeedsLinuxBuild};
    return opened;
#endif
}

bool saveSceneAs(const Scene& scene, const std::string& path, FileError& error) {
    if (lowerExtension(path) == ".json") return saveSceneFile(scene, path, error);
#ifdef ZEF_WITH_ASSIMP
    return exportWithAssimp(scene, path, error);
#else
    error = {path, "", kNeedsLinuxBuild};
    return false;
#endif
}

bool canSaveSceneAs(const std::string& path, FileError& error) {
    std::string extension = lowerExtension(path);
    if (extension == ".json") return true;
#ifdef ZEF_WITH_ASSIMP
    if (assimpCanSave(extension)) return true;
    error = {path, "", "no format for the extension '" + extension + "'"};
#else
    error = {path, "", kNeedsLinuxBuild};
#endif
    return false;
}

bool writeEmbeddedImages(const std::vector<EmbeddedImage>& images, const std::string& path,
                         FileError& error) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (const EmbeddedImage& image : images) {
        std::filesystem::path target = folder / image.fileName;
        SafeSave out; // an old image stays whole if the write fails
        bool written = out.open(target.string(), SaveMode::Binary) &&
                       std::fwrite(image.bytes.data(), 1, image.bytes.size(), out.stream()) ==
                           image.bytes.size() &&
                       out.commit();
        if (!written) {
            error = {target.string(), "", "cannot write the embedded image"};
            return false;
        }
    }
    return true;
}
