// What the utility's Apply leaves in the scene: the meshes and materials it should
// produce, then undo back to the scene as loaded and redo to the same result.
#include <gtest/gtest.h>

#include <algorithm>

#include "hostkit/scene/materials.h"
#include "scenes/scene_dump.h"
#include "hostkit/ui/hostui.h"
#include "plugin_harness.h"
#include "utility/zef_utility.h"
#include "hostkit/hold/hold_history.h"

namespace {

Mesh& meshOf(SceneNode* node) {
    return static_cast<MeshObject*>(node->object())->mesh;
}

// Opens the page, plays the steps, presses Apply and Close.
void applyPage(PluginHarness& h, std::vector<ScenarioStep> steps) {
    steps.push_back(clickStep(1));
    steps.push_back(clickStep(2));
    h.host.openUtility(&zefUtility);
    auto seam = hostkit::ui::seamFor(h.host.panelPage());
    ASSERT_TRUE(runScenario(Scenario{steps}, *seam).ok());
}

} // namespace

TEST(UtilityApply, FlipsRemovesDegenerateFacesMapsAndSwitchesMaterials) {
    restoreLoadedFlags(utilityOptions);
    theHoldHistory.clear();
    PluginHarness h;
    // A unit square of two faces, and a triangle with one face that has no area.
    Mesh square =
        triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}});
    Mesh withDegenerate = triangleMesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}, {0, 0, 1}});
    SceneNode* a = h.addMeshNode("Square", square);
    SceneNode* b = h.addMeshNode("Degenerate", withDegenerate, a);
    StdMaterial* both = h.scene.createStdMaterial("Both");
    both->twoSidedFlag = 1;
    StdMaterial* one = h.scene.createStdMaterial("One");
    a->setMaterial(both);
    b->setMaterial(one);
    const std::string loaded = dumpScene(h.scene);

    applyPage(h, {checkStep(1030, true), checkStep(1037, true), checkStep(1040, true),
                  typeStep(1195, "1"), typeStep(1194, "1")});

    // Flipped: every face keeps vertex 0 and swaps the other two.
    ASSERT_EQ(meshOf(a).faceCount, 2);
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(meshOf(a).faces[f].v[0], square.faces[f].v[0]);
        EXPECT_EQ(meshOf(a).faces[f].v[1], square.faces[f].v[2]);
        EXPECT_EQ(meshOf(a).faces[f].v[2], square.faces[f].v[1]);
    }
    ASSERT_EQ(meshOf(b).faceCount, 1); // the face without area is gone
    EXPECT_EQ(meshOf(b).faces[0].v[1], 2u);
    // Planar mapping with tiles of 1 spreads the square over the unit range.
    for (SceneNode* node : {a, b}) {
        const Mesh& mesh = meshOf(node);
        ASSERT_GT(mesh.texVertCount, 0) << node->name();
        ASSERT_NE(mesh.texFaces, nullptr);
        float minU = 1e9f, maxU = -1e9f, minV = 1e9f, maxV = -1e9f;
        for (int i = 0; i < mesh.texVertCount; ++i) {
            minU = std::min(minU, mesh.texVerts[i].x);
            maxU = std::max(maxU, mesh.texVerts[i].x);
            minV = std::min(minV, mesh.texVerts[i].y);
            maxV = std::max(maxV, mesh.texVerts[i].y);
        }
        EXPECT_NEAR(minU, 0.0f, 1e-5f);
        EXPECT_NEAR(maxU, 1.0f, 1e-5f);
        EXPECT_NEAR(minV, 0.0f, 1e-5f);
        EXPECT_NEAR(maxV, 1.0f, 1e-5f);
    }
    EXPECT_EQ(both->twoSidedFlag, 0);
    EXPECT_EQ(one->twoSidedFlag, 0);

    const std::string applied = dumpScene(h.scene);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepName(0), 40239);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 3); // one material switch, two meshes
    ASSERT_TRUE(theHoldHistory.undo());
    EXPECT_EQ(dumpScene(h.scene), loaded);
    EXPECT_EQ(both->twoSidedFlag, 1);
    ASSERT_TRUE(theHoldHistory.redo());
    EXPECT_EQ(dumpScene(h.scene), applied);
    theHoldHistory.clear();
}

TEST(UtilityApply, ApplyTwoSidednessMakesEveryStandardMaterialTwoSided) {
    restoreLoadedFlags(utilityOptions);
    theHoldHistory.clear();
    PluginHarness h;
    Mesh tri = triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    StdMaterial* plain = h.scene.createStdMaterial("Plain");
    MultiMtl* multi = h.scene.createMultiMaterial("Multi", 2);
    StdMaterial* sub = h.scene.createStdMaterial("Sub");
    multi->setSubMaterial(0, sub);
    multi->setSubMaterial(1, h.scene.createMatteMaterial("Matte"));
    h.addMeshNode("A", tri)->setMaterial(plain);
    h.addMeshNode("B", tri)->setMaterial(multi);
    applyPage(h, {checkStep(1038, true)});
    EXPECT_EQ(plain->twoSidedFlag, 1);
    EXPECT_EQ(sub->twoSidedFlag, 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 4); // two switches, two meshes
    theHoldHistory.clear();
}
