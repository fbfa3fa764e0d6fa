// Fuzz target: scene-file text through the loader, and a loaded scene through the
// canonical writer and back. Loading either succeeds or names a problem; a saved
// scene must load again and save to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scenes/scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    SceneLoadResult loaded = parseSceneText(text, "fuzz.json");
    if (!loaded.ok()) {
        if (loaded.error.problem.empty()) std::abort(); // a failure must say what is wrong
        return 0;
    }
    std::string saved;
    FileError error;
    if (!writeSceneText(*loaded.scene, saved, error)) return 0; // e.g. a name that is not UTF-8
    SceneLoadResult again = parseSceneText(saved, "saved.json");
    if (!again.ok()) std::abort();
    std::string savedAgain;
    if (!writeSceneText(*again.scene, savedAgain, error) || savedAgain != saved) std::abort();
    return 0;
}
