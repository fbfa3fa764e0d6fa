// The utility's page and Apply, driven through the user seam as a person would.
#include <gtest/gtest.h>

#include <cstring>

#include "app/dialog_options.h"
#include "hostkit/mesh/operation_observer.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/primitive_objects.h"
#include "scenes/scene_dump.h"
#include "hostkit/ui/hostui.h"
#include "plugin_harness.h"
#include "prep/prepare_mesh.h"
#include "resources/resource.h"
#include "utility/zef_utility.h"
#include "hostkit/hold/hold_history.h"

namespace {
class UtilityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        theHoldHistory.clear();
        restoreLoadedFlags(utilityOptions);
    }
    void TearDown() override { theHoldHistory.clear(); }

    // Opens the page, plays the steps, presses Apply (when asked) and Close.
    void runPage(PluginHarness& h, const std::vector<ScenarioStep>& steps, bool apply = true) {
        h.host.openUtility(&zefUtility);
        ASSERT_NE(h.host.panelPage(), nullptr);
        EXPECT_EQ(h.host.panelTitle(), "ZEFX Utility");
        auto seam = hostkit::ui::seamFor(h.host.panelPage());
        ASSERT_TRUE(runScenario(Scenario{steps}, *seam).ok());
        if (apply) seam->click(seam->findById(IDOK)->index);
        seam->click(seam->findById(IDCANCEL)->index);
        EXPECT_FALSE(h.host.utilityOpen());
        EXPECT_EQ(zefUtility.panel, nullptr);
    }

    Mesh tri() { return triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}); }
};
} // namespace

TEST_F(UtilityTest, ApplyThenUndoGivesBackTheSceneExactly) {
    PluginHarness h;
    SceneNode* a = h.addMeshNode("A", triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                                   {{0, 1, 2}, {1, 3, 2}, {0, 0, 1}}));
    h.addMeshNode("B", tri(), a);
    StdMaterial* material = h.scene.createStdMaterial("M");
    a->setMaterial(material);
    std::string loaded = dumpScene(h.scene);
    std::vector<double> mapTypes;
    hostkit::setMeshOperationObserver(
        [](const MeshOperationCall& call, void* context) {
            if (std::string(call.name) == "ApplyUVWMap")
                static_cast<std::vector<double>*>(context)->push_back(call.args[0]);
        },
        &mapTypes);
    runPage(h,
            {checkStep(IDC_FLIP_NORMALS, true), checkStep(IDC_REMOVE_DEGENERATE, true),
             checkStep(IDC_APPLY_TWOSIDED, true), checkStep(IDC_APPLY_UVMAP, true),
             clickStep(IDC_MAP_BOX), typeStep(IDC_UTILE_EDIT, "2"), typeStep(IDC_VTILE_EDIT, "1")});
    hostkit::setMeshOperationObserver(nullptr, nullptr);
    EXPECT_EQ(mapTypes, (std::vector<double>{MAP_BOX, MAP_BOX})); // "Box" maps with type 4
    std::string applied = dumpScene(h.scene);
    EXPECT_NE(applied, loaded);
    EXPECT_EQ(material->twoSidedFlag, 1);
    EXPECT_EQ(utilityOptions.mapBox, 1);
    EXPECT_EQ(utilityOptions.mapPlanar, 0);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepName(0), IDS_UTILITY_NAME);
    ASSERT_TRUE(theHoldHistory.undo());
    EXPECT_EQ(dumpScene(h.scene), loaded);
    ASSERT_TRUE(theHoldHistory.redo());
    EXPECT_EQ(dumpScene(h.scene), applied);
}

TEST_F(UtilityTest, SelectedOnlyWithNothingSelectedIsOneEmptyStep) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    int redraws = h.host.redrawCount();
    runPage(h, {checkStep(IDC_SELECTED_ONLY, true), checkStep(IDC_FLIP_NORMALS, true)});
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 0);
    EXPECT_EQ(h.host.redrawCount(), redraws + 1);
}

TEST_F(UtilityTest, SelectedChildOfUnselectedParentIsTheOnlyChange) {
    PluginHarness h;
    SceneNode* parent = h.addMeshNode("Parent", tri());
    SceneNode* child = h.addMeshNode("Child", tri(), parent);
    h.addMeshNode("Grandchild", tri(), child);
    h.scene.select(child);
    runPage(h, {checkStep(IDC_SELECTED_ONLY, true), checkStep(IDC_FLIP_NORMALS, true)});
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 1);
    EXPECT_EQ(static_cast<MeshObject*>(child->object())->mesh.faces[0].v[1], 2u);
    EXPECT_EQ(static_cast<MeshObject*>(parent->object())->mesh.faces[0].v[1], 1u);
}

TEST_F(UtilityTest, SharedMaterialIsSwitchedOnceAndFacelessNodesKeepTheirs) {
    PluginHarness h;
    StdMaterial* shared = h.scene.createStdMaterial("Shared");
    StdMaterial* lonely = h.scene.createStdMaterial("Faceless");
    h.addMeshNode("A", tri())->setMaterial(shared);
    h.addMeshNode("B", tri())->setMaterial(shared);
    Mesh points;
    points.setNumVerts(2);
    h.addMeshNode("Points", points)->setMaterial(lonely);
    runPage(h, {checkStep(IDC_APPLY_TWOSIDED, true)});
    EXPECT_EQ(shared->twoSidedFlag, 1);
    EXPECT_EQ(lonely->twoSidedFlag, 0);
    // One two-sided record and one mesh record per node with faces.
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 3);
}

TEST_F(UtilityTest, PrimitiveGetsItsMaterialSwitchedButNoMeshRecord) {
    PluginHarness h;
    StdMaterial* material = h.scene.createStdMaterial("M");
    SceneNode* box = h.scene.createNode("Box");
    box->setObject(std::make_unique<BoxObject>(1.0f, 1.0f, 1.0f, 1));
    box->setMaterial(material);
    runPage(h, {checkStep(IDC_APPLY_TWOSIDED, true), checkStep(IDC_FLIP_NORMALS, true)});
    EXPECT_EQ(material->twoSidedFlag, 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 1);
}

TEST_F(UtilityTest, CloseKeepsThePageChoicesAndTextsAreRewritten) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    runPage(h, {checkStep(IDC_OPTIMIZE, true), typeStep(IDC_BIAS_EDIT, "0.5")}, false);
    EXPECT_EQ(theHoldHistory.stepCount(), 0);
    EXPECT_EQ(utilityOptions.optimize, 1);
    EXPECT_STREQ(utilityOptions.biasText, "0.5"); // read back as typed
    // The flags bound to ids the page has as spinners read back 0.
    EXPECT_EQ(utilityOptions.applyToScene, 0);
    EXPECT_EQ(utilityOptions.exportHighlights, 0);
    EXPECT_EQ(utilityOptions.exportMaterials, 0);

    h.host.openUtility(&zefUtility);
    auto seam = hostkit::ui::seamFor(h.host.panelPage());
    EXPECT_EQ(seam->findById(IDC_BIAS_EDIT)->text, "0.5");
    EXPECT_TRUE(seam->findById(IDC_OPTIMIZE)->checked);
    seam->click(seam->findById(IDOK)->index); // Apply: the preparation parses the bias
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 1);
    EXPECT_STREQ(utilityOptions.biasText, "0,5");
    h.host.closeUtility(); // the host closes the page without a read-back
    h.host.openUtility(&zefUtility);
    seam = hostkit::ui::seamFor(h.host.panelPage());
    EXPECT_EQ(seam->findById(IDC_BIAS_EDIT)->text, "0,5");
    h.host.closeUtility();
}

namespace {
void recordMesh(const MeshOperationCall& call, void* context) {
    auto* order = static_cast<std::vector<const Mesh*>*>(context);
    if (std::string(call.name) == "InvalidateGeomCache") order->push_back(call.mesh);
}
} // namespace

TEST_F(UtilityTest, WholeSceneVisitsTheRootFirstAndParentsBeforeChildren) {
    PluginHarness h;
    h.scene.root()->setObject(std::make_unique<MeshObject>(tri()));
    SceneNode* first = h.addMeshNode("First", tri());
    SceneNode* child = h.addMeshNode("Child", tri(), first);
    SceneNode* second = h.addMeshNode("Second", tri());
    auto meshOf = [](SceneNode* node) { return &static_cast<MeshObject*>(node->object())->mesh; };
    std::vector<const Mesh*> order;
    hostkit::setMeshOperationObserver(&recordMesh, &order);
    runPage(h, {});
    hostkit::setMeshOperationObserver(nullptr, nullptr);
    EXPECT_EQ(order, (std::vector<const Mesh*>{meshOf(h.scene.root()), meshOf(first), meshOf(child),
                                               meshOf(second)}));
}

TEST_F(UtilityTest, SpinnerArrowsChangeTheTextThePreparationReads) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    std::vector<double> angles;
    hostkit::setMeshOperationObserver(
        [](const MeshOperationCall& call, void* context) {
            if (std::string(call.name) == "AutoSmooth")
                static_cast<std::vector<double>*>(context)->push_back(call.args[0]);
        },
        &angles);
    // The angle spinner starts from its edit's 30,0 and steps by 0,1.
    runPage(h, {checkStep(IDC_AUTO_SMOOTH, true),
                {ScenarioStep::Action::ArrowUp, "#1033", ""},
                {ScenarioStep::Action::ArrowUp, "#1033", ""}});
    hostkit::setMeshOperationObserver(nullptr, nullptr);
    EXPECT_STREQ(utilityOptions.angleText, "30,2");
    ASSERT_EQ(angles.size(), 1u);
    EXPECT_FLOAT_EQ(float(angles[0]), 30.2f * kDegreesToRadians);
}
