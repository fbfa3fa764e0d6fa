// Property of the utility's undo: over random scenes and random sequences of Apply
// with random options, undoing every step gives back the saved scene byte for byte,
// and redoing every step gives the scene as it was after the last Apply.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "scenes/scene_file.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/primitive_objects.h"
#include "plugin_harness.h"
#include "hostkit/hold/hold_history.h"

namespace {
// The canonical scene text; a scene that cannot be saved (a NaN in it) fails the test.
std::string saved(const Scene& scene) {
    std::string text;
    FileError error;
    EXPECT_TRUE(writeSceneText(scene, text, error)) << error.message();
    return text;
}

Mesh randomMesh(std::mt19937& random) {
    switch (random() % 8) {
    case 0:
        return noisySurface(int(2 + random() % 6), uint32_t(random()));
    case 1:
        return fan(int(3 + random() % 8), float(random() % 3) * 0.25f);
    case 2:
        return repeatedIndexFaces();
    case 3:
        return zeroAreaFaces();
    case 4:
        return mobiusStrip(int(3 + random() % 5));
    case 5:
        return subdividedCube(int(1 + random() % 3));
    case 6: // every vertex in one point: a zero extent for the UV mapping
        return triangleMesh({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {{0, 1, 2}});
    default: // a subnormal extent
        return triangleMesh({{0, 0, 0}, {1e-45f, 0, 0}, {0, 1e-45f, 0}}, {{0, 1, 2}});
    }
}

// A few nodes under random parents, with meshes, primitives and shared materials.
void buildRandomScene(PluginHarness& h, std::mt19937& random) {
    StdMaterial* plain = h.scene.createStdMaterial("plain");
    plain->setTwoSided(int(random() % 2));
    MultiMtl* multi = h.scene.createMultiMaterial("multi", 3);
    multi->setSubMaterial(0, plain);
    multi->setSubMaterial(2, h.scene.createStdMaterial("sub"));
    HostMaterial* materials[] = {nullptr, plain, multi};
    std::vector<SceneNode*> nodes;
    const int count = int(1 + random() % 6);
    for (int i = 0; i < count; ++i) {
        SceneNode* parent =
            nodes.empty() || random() % 3 == 0 ? nullptr : nodes[random() % nodes.size()];
        SceneNode* node = h.scene.createNode("n" + std::to_string(i), parent);
        switch (random() % 5) {
        case 0:
            node->setObject(std::make_unique<BoxObject>(1.0f, 2.0f, 3.0f, 1));
            break;
        case 1:
            break; // a group node
        default:
            node->setObject(std::make_unique<MeshObject>(randomMesh(random)));
        }
        node->setMaterial(materials[random() % 3]);
        if (random() % 2) h.scene.select(node);
        nodes.push_back(node);
    }
}

void randomUtilityOptions(std::mt19937& random) {
    static const char* const texts[] = {"30,0", "0",   "90",   "4,0", "0,1", "1",
                                        "2,5",  "nan", "1e39", "",    "-3",  "1000"};
    for (int i = 0; i < kFlagCount; ++i) utilityOptions.flag(i) = int32_t(random() % 2);
    for (int i = 0; i < kTextCount; ++i)
        std::snprintf(utilityOptions.text(i), kTextSize, "%s", texts[random() % std::size(texts)]);
}
} // namespace

TEST(UndoProperty, UndoingAllGivesTheOriginalAndRedoingAllTheApplied) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    int scenes = 0;
    for (uint32_t seed = 1; seed <= 400 && std::chrono::steady_clock::now() < deadline; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        theHoldHistory.clear();
        PluginHarness h;
        buildRandomScene(h, random);
        std::vector<std::string> states{saved(h.scene)};
        const int applies = int(1 + random() % 4);
        for (int i = 0; i < applies; ++i) {
            randomUtilityOptions(random);
            EXPECT_TRUE(h.applyUtility().empty());
            states.push_back(saved(h.scene));
        }
        ASSERT_EQ(theHoldHistory.stepCount(), applies);
        for (int i = applies; i > 0; --i) {
            ASSERT_TRUE(theHoldHistory.undo());
            ASSERT_EQ(saved(h.scene), states[size_t(i - 1)]) << "after undoing apply " << i;
        }
        for (int i = 1; i <= applies; ++i) {
            ASSERT_TRUE(theHoldHistory.redo());
            ASSERT_EQ(saved(h.scene), states[size_t(i)]) << "after redoing apply " << i;
        }
        theHoldHistory.clear();
        ++scenes;
    }
    EXPECT_GE(scenes, 20); // enough random cases within the time
}
