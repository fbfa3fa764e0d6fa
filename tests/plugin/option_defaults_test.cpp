// Both option records as the library starts them: every flag and text after load,
// after the first exporter object, after Cancel and after OK without changes; the
// binding lists; the spinners' limits and steps; the one-time text guards.
// Its own executable: the first tests see the records as loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "host/plugin.h"
#include "hostkit/controls/spinner_model.h"
#include "hostkit/ui/hostui.h"
#include "prep/option_bindings.h"
#include "plugin_harness.h"
#include "support/operation_recorder.h"
#include "utility/zef_utility.h"

extern "C" HostClassDescriptor* LibClassDesc(int index);

namespace {

struct FlagRow {
    int32_t OptionSet::*field;
    int controlId;
    int defaultValue;
};

// The 23 flags in record order, with their control ids and defaults.
const FlagRow kFlags[kFlagCount] = {{&OptionSet::exportNormals, 1019, 0},
                                    {&OptionSet::selectedOnly, 1020, 0},
                                    {&OptionSet::exportMaterials, 1021, 1},
                                    {&OptionSet::exportTexVerts, 1022, 1},
                                    {&OptionSet::exportCentered, 1023, 1},
                                    {&OptionSet::unifyNormals, 1024, 1},
                                    {&OptionSet::removeDegenerate, 1025, 1},
                                    {&OptionSet::autoSmooth, 1026, 0},
                                    {&OptionSet::optimize, 1027, 0},
                                    {&OptionSet::applyToScene, 1034, 0},
                                    {&OptionSet::exportHighlights, 1035, 1},
                                    {&OptionSet::flipNormals, 1030, 0},
                                    {&OptionSet::applyUVMap, 1040, 0},
                                    {&OptionSet::flipU, 1190, 0},
                                    {&OptionSet::flipV, 1191, 0},
                                    {&OptionSet::cap, 1220, 0},
                                    {&OptionSet::mapPlanar, 1043, 1},
                                    {&OptionSet::mapCylindrical, 1044, 0},
                                    {&OptionSet::mapSpherical, 1045, 0},
                                    {&OptionSet::mapShrinkWrap, 1046, 0},
                                    {&OptionSet::mapBox, 1047, 0},
                                    {&OptionSet::removeTwoSided, 1037, 0},
                                    {&OptionSet::applyTwoSided, 1038, 0}};

struct TextRow {
    char (OptionSet::*field)[kTextSize];
    int editId, spinnerId;
    const char* exportDefault;
    const char* utilityDefault;
    float minimum, maximum, initial;
};

const TextRow kTexts[kTextCount] = {
    {&OptionSet::angleText, 1028, 1033, "30,0", "30,0", 0, 90, 30},
    {&OptionSet::normalThresholdText, 1029, 1034, "4,0", "4,0", 0, 90, 4},
    {&OptionSet::edgeThresholdText, 1031, 1035, "4,0", "4,0", 0, 90, 4},
    {&OptionSet::biasText, 1032, 1036, "0,1", "0,1", 0, 1, 0.1f},
    {&OptionSet::uTileText, 1195, 1192, "1", "", 0, 1000, 1},
    {&OptionSet::vTileText, 1194, 1193, "1", "", 0, 1000, 1}};

void expectDefaultFlags(const OptionSet& options, const char* which) {
    for (int i = 0; i < kFlagCount; ++i)
        EXPECT_EQ(options.*kFlags[i].field, kFlags[i].defaultValue)
            << which << " flag " << i + 1 << " (control " << kFlags[i].controlId << ")";
}

void expectExportDefaultTexts() {
    for (const TextRow& row : kTexts) EXPECT_STREQ(exportOptions.*row.field, row.exportDefault);
}

// The export's dialog with the person's steps, then OK or Cancel; nothing to export.
void runExportDialog(std::vector<ScenarioStep> steps, bool cancel) {
    PluginHarness h;
    h.exportTo(testing::TempDir() + "never_written.zef", std::move(steps), cancel);
}

std::vector<ScenarioStep> changeEverything() {
    std::vector<ScenarioStep> steps;
    for (const FlagRow& row : kFlags)
        if (row.controlId < 1043 || row.controlId > 1047) steps.push_back(clickStep(row.controlId));
    steps.push_back(clickStep(1047));
    for (const TextRow& row : kTexts) steps.push_back(typeStep(row.editId, "7,5"));
    return steps;
}

} // namespace

TEST(OptionDefaults, FlagsAndTextsAsLoaded) {
    ASSERT_EQ(exportTextsInitialised, 0) << "run before any exporter object is made";
    expectDefaultFlags(exportOptions, "exportOptions");
    expectDefaultFlags(utilityOptions, "utilityOptions");
    for (const TextRow& row : kTexts) {
        EXPECT_STREQ(exportOptions.*row.field, "");
        // The static utility object copied its texts while the library loaded.
        EXPECT_STREQ(utilityOptions.*row.field, row.utilityDefault);
    }
    EXPECT_EQ(utilityTextsInitialised, 1);
    initialiseUtilityTexts(); // guarded: a second call copies nothing
    std::strcpy(utilityOptions.angleText, "12");
    initialiseUtilityTexts();
    EXPECT_STREQ(utilityOptions.angleText, "12");
}

TEST(OptionDefaults, FirstExporterObjectCopiesTheTextsAndLaterOnesDoNot) {
    HostClassDescriptor* exporter = LibClassDesc(0);
    ASSERT_NE(exporter, nullptr);
    auto* first = static_cast<ZefExport*>(exporter->createInstance(0));
    EXPECT_EQ(exportTextsInitialised, 1);
    expectExportDefaultTexts();
    expectDefaultFlags(exportOptions, "exportOptions");
    std::strcpy(exportOptions.edgeThresholdText, "9,5");
    auto* second = static_cast<ZefExport*>(exporter->createInstance(0));
    EXPECT_STREQ(exportOptions.edgeThresholdText, "9,5");
    delete first;
    delete second;
}

TEST(OptionDefaults, CancelAfterChangingEveryControlKeepsTheDefaults) {
    { ZefExport first; }
    runExportDialog(changeEverything(), true);
    expectDefaultFlags(exportOptions, "exportOptions");
    expectExportDefaultTexts();
}

TEST(OptionDefaults, OkWithoutChangesStoresTheDefaultsBack) {
    { ZefExport first; }
    runExportDialog({}, false);
    expectDefaultFlags(exportOptions, "exportOptions");
    expectExportDefaultTexts();
}

TEST(OptionDefaults, OkAfterChangingEveryControlStoresEachInItsOwnField) {
    { ZefExport first; }
    runExportDialog(changeEverything(), false);
    for (int i = 0; i < kFlagCount; ++i) {
        bool mapFlag = kFlags[i].controlId >= 1043 && kFlags[i].controlId <= 1047;
        int want = mapFlag ? kFlags[i].controlId == 1047 : 1 - kFlags[i].defaultValue;
        EXPECT_EQ(exportOptions.*kFlags[i].field, want) << "control " << kFlags[i].controlId;
    }
    for (const TextRow& row : kTexts) EXPECT_STREQ(exportOptions.*row.field, "7,5");
}

TEST(OptionBindings, ListsFollowTheTables) {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) {
        EXPECT_EQ(flagControlIds[i], kFlags[i].controlId) << "flag " << i + 1;
        EXPECT_EQ(&options.flag(i), &(options.*kFlags[i].field)) << "flag " << i + 1;
        EXPECT_TRUE(exportDialogHasControl[i]);
        EXPECT_TRUE(utilityPanelHasControl[i]);
    }
    for (int i = 0; i < kTextCount; ++i) {
        EXPECT_EQ(textEditIds[i], kTexts[i].editId) << "text " << i + 1;
        EXPECT_EQ(textSpinnerIds[i], kTexts[i].spinnerId) << "text " << i + 1;
        EXPECT_EQ(options.text(i), options.*kTexts[i].field) << "text " << i + 1;
        EXPECT_EQ(textSpinnerLimits[i][0], kTexts[i].minimum) << "text " << i + 1;
        EXPECT_EQ(textSpinnerLimits[i][1], kTexts[i].maximum) << "text " << i + 1;
        EXPECT_EQ(textSpinnerLimits[i][2], kTexts[i].initial) << "text " << i + 1;
        EXPECT_TRUE(exportDialogHasControl[kFlagCount + i]);
        EXPECT_TRUE(utilityPanelHasControl[kFlagCount + i]);
    }
}

// The page as first opened: Apply with only "Apply UV Mapping" checked maps with tiles
// of 1 although the record's tile texts were empty at load.
TEST(UtilityDefaults, FirstApplyMapsWithTilesOfOne) {
    PluginHarness h;
    SceneNode* node =
        h.addMeshNode("A", triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    OperationRecorder recorder;
    h.host.openUtility(&zefUtility);
    auto seam = hostkit::ui::seamFor(h.host.panelPage());
    ASSERT_TRUE(
        runScenario(Scenario{{checkStep(1040, true), clickStep(1), clickStep(2)}}, *seam).ok());
    auto maps = recorder.named("ApplyUVWMap");
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].args[0], 0); // planar, the default
    EXPECT_EQ(maps[0].args[1], 1.0);
    EXPECT_EQ(maps[0].args[2], 1.0);
    const Mesh& mesh = static_cast<MeshObject*>(node->object())->mesh;
    ASSERT_GT(mesh.texVertCount, 0);
    float spread = 0;
    for (int i = 0; i < mesh.texVertCount; ++i)
        spread = std::max({spread, std::fabs(mesh.texVerts[i].x - mesh.texVerts[0].x),
                           std::fabs(mesh.texVerts[i].y - mesh.texVerts[0].y)});
    EXPECT_GT(spread, 0.5f) << "the mapping collapsed";
}

// Each spinner stops at its limits and steps by 0.1.
TEST(UtilityDefaults, SpinnersStopAtTheirLimitsAndStepByATenth) {
    PluginHarness h;
    h.host.openUtility(&zefUtility);
    auto seam = hostkit::ui::seamFor(h.host.panelPage());
    auto editText = [&](int id) { return seam->findById(id)->text; };
    for (const TextRow& row : kTexts) {
        SCOPED_TRACE("spinner " + std::to_string(row.spinnerId));
        int spinner = -1;
        for (const ControlInfo& c : seam->controls())
            if (c.id == row.spinnerId && c.className == "SpinnerControl") spinner = c.index;
        ASSERT_GE(spinner, 0);
        int edit = seam->findById(row.editId)->index;
        char text[32];
        std::snprintf(text, sizeof text, "%g", double(row.maximum));
        ASSERT_TRUE(seam->type(edit, text).ok());
        ASSERT_TRUE(seam->clickArrow(spinner, SpinArrow::Up).ok());
        float atTop = 0;
        ASSERT_TRUE(parseSpinnerText(editText(row.editId), atTop));
        EXPECT_FLOAT_EQ(atTop, row.maximum);
        ASSERT_TRUE(seam->clickArrow(spinner, SpinArrow::Down).ok());
        float below = 0;
        ASSERT_TRUE(parseSpinnerText(editText(row.editId), below));
        EXPECT_NEAR(below, row.maximum - 0.1f, 1e-4);
        ASSERT_TRUE(seam->type(edit, "0").ok());
        ASSERT_TRUE(seam->clickArrow(spinner, SpinArrow::Down).ok());
        float atBottom = -1;
        ASSERT_TRUE(parseSpinnerText(editText(row.editId), atBottom));
        EXPECT_FLOAT_EQ(atBottom, row.minimum);
    }
    seam->click(seam->findById(2)->index);
}
