// Option records, reading the numeric texts, the preparation steps, two-sidedness
// and the undo records.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstring>

#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/materials.h"
#include "plugin_harness.h"
#include "prep/prepare_mesh.h"
#include "prep/restore_records.h"
#include "prep/two_sidedness.h"
#include "hostkit/hold/hold_history.h"
#include "support/operation_recorder.h"

TEST(OptionSet, DefaultsHaveOnlyPlanarMappingAmongTheMapFlags) {
    OptionSet fresh;
    int mapFlags = fresh.mapPlanar + fresh.mapCylindrical + fresh.mapSpherical +
                   fresh.mapShrinkWrap + fresh.mapBox;
    EXPECT_EQ(mapFlags, 1);
    EXPECT_EQ(fresh.mapPlanar, 1);
    // Flags in binding order: exportMaterials is the third, applyTwoSided the last.
    EXPECT_EQ(&fresh.flag(2), &fresh.exportMaterials);
    EXPECT_EQ(&fresh.flag(kFlagCount - 1), &fresh.applyTwoSided);
    EXPECT_EQ(fresh.text(4), fresh.uTileText);
    EXPECT_STREQ(fresh.angleText, ""); // texts are empty until the defaults are copied
}

TEST(OptionSet, DefaultTextsAreCopiedOnce) {
    // The static utility object copied its texts when the library loaded.
    EXPECT_EQ(utilityTextsInitialised, 1);
    EXPECT_STREQ(utilityOptions.biasText, "0,1");
    EXPECT_STREQ(utilityOptions.uTileText, "");
    { ZefExport first; }
    std::strcpy(exportOptions.angleText, "12,5");
    ZefExport second; // finds the guard set and copies nothing
    EXPECT_STREQ(exportOptions.angleText, "12,5");
    EXPECT_STREQ(exportOptions.vTileText, "1");
}

TEST(ReadOptionNumber, RewritesPointsAndReadsWithTheComma) {
    char angle[kTextSize] = "30.5";
    float degrees = readOptionNumber(angle, 30.0f);
    EXPECT_STREQ(angle, "30,5");
    EXPECT_FLOAT_EQ(degrees, 30.5f);
    EXPECT_EQ(std::bit_cast<uint32_t>(kDegreesToRadians), 0x3C8EFA35u);
    EXPECT_FLOAT_EQ(degrees * kDegreesToRadians, 0.5323254f);

    char twoPoints[kTextSize] = "1.2.3";
    EXPECT_FLOAT_EQ(readOptionNumber(twoPoints, 0), 1.2f);
    EXPECT_STREQ(twoPoints, "1,2,3");

    char defaults[kTextSize] = "0,1";
    EXPECT_FLOAT_EQ(readOptionNumber(defaults, 5), 0.1f);
}

TEST(ReadOptionNumber, TextWithoutANumberGivesTheFallback) {
    char empty[kTextSize] = "";
    char letters[kTextSize] = "abc";
    EXPECT_EQ(readOptionNumber(empty, 30.0f), 30.0f);
    EXPECT_EQ(readOptionNumber(letters, 4.0f), 4.0f);
}

TEST(ReadOptionNumber, ReadsTheCommaEvenWithoutACommaLocale) {
    // As on a system where "German" names no locale: the runtime stays at ".".
    std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    char half[kTextSize] = "30.5";
    char twoPoints[kTextSize] = "1.2.3";
    char comma[kTextSize] = "4,25";
    EXPECT_FLOAT_EQ(readOptionNumber(half, 0), 30.5f);
    EXPECT_FLOAT_EQ(readOptionNumber(twoPoints, 0), 1.2f);
    EXPECT_FLOAT_EQ(readOptionNumber(comma, 0), 4.25f);
    EXPECT_STREQ(half, "30,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PrepareMesh, MapTypeIsTheFirstSetFlag) {
    OptionSet options;
    options.mapPlanar = 0;
    options.mapCylindrical = 1;
    options.mapBox = 1;
    EXPECT_EQ(chooseMapType(options), MAP_CYLINDRICAL);
    options.mapCylindrical = 0;
    EXPECT_EQ(chooseMapType(options), MAP_BOX);
    options.mapBox = 0;
    EXPECT_EQ(chooseMapType(options), MAP_PLANAR); // none set
}

TEST(PrepareMesh, TextsOfStepsThatDoNotRunStayUntouched) {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0;
    std::strcpy(options.angleText, "30.5");
    std::strcpy(options.normalThresholdText, "4.5");
    std::strcpy(options.edgeThresholdText, "4.5");
    std::strcpy(options.biasText, "0.2");
    std::strcpy(options.uTileText, "2.5");
    options.optimize = 1;
    Mesh mesh = hostkit::makeGridMesh(4, 1.0f);
    prepareMesh(mesh, options);
    EXPECT_STREQ(options.angleText, "30.5");
    EXPECT_STREQ(options.normalThresholdText, "4,5");
    EXPECT_STREQ(options.edgeThresholdText, "4,5");
    EXPECT_STREQ(options.biasText, "0,2");
    EXPECT_STREQ(options.uTileText, "2.5");
}

TEST(PrepareMesh, AllFlagsClearChangesOnlyTheCache) {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0;
    Mesh mesh = hostkit::makeSphereMesh(1.0f, 12);
    mesh.buildNormals();
    Mesh before = mesh;
    prepareMesh(mesh, options);
    EXPECT_EQ(mesh.hasNormals, 0);
    ASSERT_EQ(mesh.faceCount, before.faceCount);
    EXPECT_EQ(std::memcmp(mesh.faces, before.faces, sizeof(MeshFace) * size_t(mesh.faceCount)), 0);
    EXPECT_EQ(
        std::memcmp(mesh.vertices, before.vertices, sizeof(Point3) * size_t(mesh.vertexCount)), 0);
}

TEST(PrepareMesh, FlipThenRemoveDegenerateFaces) {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0;
    options.flipNormals = 1;
    options.removeDegenerate = 1;
    Mesh mesh = triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 0, 1}});
    prepareMesh(mesh, options);
    ASSERT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.faces[0].v[1], 2u);
}

TEST(PrepareMesh, UVMappingUsesTheTilesAndAWTileOfOne) {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0;
    options.applyUVMap = 1;
    options.mapPlanar = 1;
    options.flipU = 1;
    std::strcpy(options.uTileText, "2");
    std::strcpy(options.vTileText, "3.0");
    Mesh mesh = hostkit::makeGridMesh(2, 1.0f);
    prepareMesh(mesh, options);
    ASSERT_GT(mesh.texVertCount, 0);
    ASSERT_NE(mesh.texFaces, nullptr);
    float maxU = 0, maxV = 0;
    for (int i = 0; i < mesh.texVertCount; ++i) {
        maxU = std::max(maxU, mesh.texVerts[i].x);
        maxV = std::max(maxV, mesh.texVerts[i].y);
    }
    EXPECT_FLOAT_EQ(maxU, 2.0f);
    EXPECT_FLOAT_EQ(maxV, 3.0f);
    EXPECT_STREQ(options.vTileText, "3,0");
}

TEST(TwoSidedness, BothFlagsSwitchOffAndOnWithTwoRecords) {
    Scene scene;
    StdMaterial* material = scene.createStdMaterial("M");
    material->twoSidedFlag = 1;
    OptionSet options;
    options.removeTwoSided = options.applyTwoSided = 1;
    theHoldHistory.clear();
    theHold.Begin();
    switchTwoSidedness(material, options);
    theHold.Accept(1);
    EXPECT_EQ(material->twoSidedFlag, 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 2);
    theHoldHistory.undo();
    EXPECT_EQ(material->twoSidedFlag, 1);

    material->twoSidedFlag = 0;
    theHoldHistory.clear();
    theHold.Begin();
    switchTwoSidedness(material, options);
    theHold.Accept(1);
    EXPECT_EQ(material->twoSidedFlag, 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 1);
    theHoldHistory.undo();
    EXPECT_EQ(material->twoSidedFlag, 0);
    theHoldHistory.clear();
}

TEST(TwoSidedness, MultiMaterialSwitchesOnlyItsStandardSubMaterials) {
    Scene scene;
    StdMaterial* standard = scene.createStdMaterial("S");
    StdMaterial* nestedStandard = scene.createStdMaterial("Nested S");
    MultiMtl* nested = scene.createMultiMaterial("Nested", 1);
    nested->setSubMaterial(0, nestedStandard);
    MultiMtl* multi = scene.createMultiMaterial("Multi", 3); // slot 2 stays empty
    multi->setSubMaterial(0, standard);
    multi->setSubMaterial(1, nested);
    OptionSet options;
    options.applyTwoSided = 1;
    switchTwoSidedness(multi, options); // not holding: changes without records
    EXPECT_EQ(standard->twoSidedFlag, 1);
    EXPECT_EQ(nestedStandard->twoSidedFlag, 0);
    switchTwoSidedness(nullptr, options);
    switchTwoSidedness(scene.createMultiMaterial("No slots", 0), options);
}

TEST(RestoreRecords, MeshRestoreSwapsStatesAndIsUndoZeroOnlyRestores) {
    Mesh live = hostkit::makeGridMesh(2, 1.0f);
    Mesh original = live;
    MeshRestore record(&live);
    live.FlipNormal(0);
    Mesh changed = live;
    record.undoChange(1);
    EXPECT_EQ(std::memcmp(live.faces, original.faces, sizeof(MeshFace) * 8), 0);
    record.redoChange();
    EXPECT_EQ(std::memcmp(live.faces, changed.faces, sizeof(MeshFace) * 8), 0);
    record.undoChange(0);
    EXPECT_EQ(std::memcmp(live.faces, original.faces, sizeof(MeshFace) * 8), 0);
    EXPECT_EQ(std::memcmp(record.savedMesh.faces, original.faces, sizeof(MeshFace) * 8), 0);
    EXPECT_EQ(record.byteSize(), 168);
    EXPECT_STREQ(record.describe().data(), "---");

    Scene scene;
    TwoSidedRestore flag(scene.createStdMaterial("M"));
    EXPECT_EQ(flag.byteSize(), 1);
    EXPECT_STREQ(flag.describe().data(), "---");
    EXPECT_EQ(flag.reserved0 + flag.reserved1, 0u);
}

namespace {
// The mesh operations a preparation of mesh called, with their arguments.
std::vector<RecordedOperation> prepareLogged(Mesh& mesh, OptionSet& options) {
    OperationRecorder recorder;
    prepareMesh(mesh, options);
    return recorder.calls();
}

std::vector<std::string> namesOf(const std::vector<RecordedOperation>& calls) {
    std::vector<std::string> names;
    for (const RecordedOperation& call : calls) names.push_back(call.name);
    return names;
}

// The first call of the operation name; fails the test when there is none.
RecordedOperation firstOf(const std::vector<RecordedOperation>& calls, const std::string& name) {
    for (const RecordedOperation& call : calls)
        if (call.name == name) return call;
    ADD_FAILURE() << "no call of " << name;
    return {name, nullptr, std::vector<double>(16, -1.0)};
}

OptionSet allClear() {
    OptionSet options;
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = 0;
    setExportDefaultTexts(options);
    return options;
}
} // namespace

TEST(PrepareMeshSteps, RunInTheirOrderWithDegenerateRemovalAroundTheOptimisation) {
    OptionSet options = allClear();
    options.removeDegenerate = 1;
    Mesh mesh = hostkit::makeGridMesh(2, 1.0f);
    using Names = std::vector<std::string>;
    EXPECT_EQ(namesOf(prepareLogged(mesh, options)),
              (Names{"RemoveDegenerateFaces", "RemoveDegenerateFaces", "InvalidateGeomCache"}));

    options.unifyNormals = options.autoSmooth = options.optimize = options.applyUVMap = 1;
    Mesh grid = hostkit::makeGridMesh(1, 1.0f);
    EXPECT_EQ(namesOf(prepareLogged(grid, options)),
              (Names{"RemoveDegenerateFaces", "UnifyNormals", "AutoSmooth", "Optimize",
                     "RemoveDegenerateFaces", "ApplyUVWMap", "InvalidateGeomCache"}));

    options = allClear();
    options.flipNormals = 1;
    EXPECT_EQ(prepareLogged(grid, options).size(), size_t(grid.faceCount) + 1);
}

TEST(PrepareMeshSteps, PassAnglesAsSinglePrecisionRadians) {
    OptionSet options = allClear();
    options.autoSmooth = options.optimize = 1;
    std::strcpy(options.angleText, "30.5");
    Mesh mesh = hostkit::makeGridMesh(1, 1.0f);
    std::vector<RecordedOperation> log = prepareLogged(mesh, options);
    EXPECT_EQ(float(firstOf(log, "AutoSmooth").args[0]), 30.5f * kDegreesToRadians);
    EXPECT_FLOAT_EQ(float(firstOf(log, "AutoSmooth").args[0]), 0.5323254f);
    RecordedOperation optimize = firstOf(log, "Optimize");
    EXPECT_EQ(float(optimize.args[0]), 4.0f * kDegreesToRadians);
    EXPECT_EQ(float(optimize.args[1]), 4.0f * kDegreesToRadians);
    EXPECT_EQ(float(optimize.args[2]), 0.1f); // the bias as read
    EXPECT_EQ(optimize.args[3], 7.0);
    EXPECT_EQ(optimize.args[4], 0.0); // no progress callback
}

TEST(PrepareMeshSteps, UVMappingTakesTheFlagsAndFixedWValues) {
    OptionSet options = allClear();
    options.applyUVMap = options.mapCylindrical = options.mapBox = options.flipU = 1;
    options.cap = 1;
    std::strcpy(options.uTileText, "2.5");
    Mesh mesh = hostkit::makeGridMesh(1, 1.0f);
    RecordedOperation map = firstOf(prepareLogged(mesh, options), "ApplyUVWMap");
    EXPECT_EQ(map.args[0], MAP_CYLINDRICAL);
    EXPECT_EQ(map.args[1], 2.5);
    EXPECT_EQ(map.args[2], 1.0);
    EXPECT_EQ(map.args[3], 1.0); // W tile
    EXPECT_EQ(map.args[4], 1.0); // U flip
    EXPECT_EQ(map.args[5], 0.0); // V flip
    EXPECT_EQ(map.args[6], 0.0); // W flip
    EXPECT_EQ(map.args[7], 1.0); // cap
    EXPECT_EQ(map.args[8], 1.0); // identity transform
}
