// The plug-in under failure and odd input: out of memory and failing mesh operations
// at the plug-in boundary, option texts and texture coordinates that are not finite,
// faces too large or small for normals in single precision, texture-vertex counts of
// emptied meshes and a hierarchy far deeper than any stack.
#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

#include <filesystem>

#include "hostkit/mesh/operation_observer.h"
#include "scenes/scene_dump.h"
#include "plugin_harness.h"
#include "prep/prepare_mesh.h"
#include "resources/resource.h"
#include "utility/zef_utility.h"
#include "hostkit/hold/hold_history.h"

namespace fs = std::filesystem;

namespace {
// Throws bad_alloc from the mesh operation named in the context, on any mesh.
void throwOnOperation(const MeshOperationCall& call, void* context) {
    if (std::string(call.name) == static_cast<const char*>(context)) throw std::bad_alloc();
}

class PluginFailureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        theHoldHistory.clear();
        restoreExportDefaults();
        restoreLoadedFlags(utilityOptions);
        out = (dir / "out.zef").string();
    }
    void TearDown() override {
        hostkit::setMeshOperationObserver(nullptr, nullptr);
        hostkit::setMeshAllocationLimit(0);
        theHoldHistory.clear();
    }

    static Mesh quad() {
        return triangleMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    }

    ScratchFolder scratch{"zef_failure_test"};
    const fs::path& dir = scratch.dir();
    std::string out;
};
} // namespace

TEST_F(PluginFailureTest, FailingOperationStopsApplyKeepingOneUndoableStep) {
    PluginHarness h;
    h.addMeshNode("A", quad());
    h.addMeshNode("B", quad());
    std::string before = dumpScene(h.scene);
    utilityOptions.flipNormals = 1;
    utilityOptions.removeDegenerate = 1; // runs after the flips, and fails
    hostkit::setMeshOperationObserver(throwOnOperation, const_cast<char*>("RemoveDegenerateFaces"));
    std::vector<std::string> messages = h.applyUtility();
    hostkit::setMeshOperationObserver(nullptr, nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("apply stopped"), std::string::npos);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    std::string stopped = dumpScene(h.scene);
    EXPECT_NE(stopped, before); // A was flipped before the failure
    ASSERT_TRUE(theHoldHistory.undo());
    EXPECT_EQ(dumpScene(h.scene), before);
    ASSERT_TRUE(theHoldHistory.redo());
    EXPECT_EQ(dumpScene(h.scene), stopped);
}

TEST_F(PluginFailureTest, MeshWhoseRecordCannotBeMadeIsNotChanged) {
    PluginHarness h;
    SceneNode* big = h.addMeshNode("Big", noisySurface(300, 7)); // 3.6 MB of faces
    std::string before = dumpScene(h.scene);
    utilityOptions.flipNormals = 1;
    hostkit::setMeshAllocationLimit(2 << 20); // the record's copy of the mesh fails
    std::vector<std::string> messages = h.applyUtility();
    hostkit::setMeshAllocationLimit(0);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(dumpScene(h.scene), before);
    EXPECT_EQ(theHoldHistory.stepCount(), 1);
    ASSERT_NE(big->object(), nullptr);
}

TEST_F(PluginFailureTest, FailureDuringExportIsAWriteErrorWithNoFileLeft) {
    PluginHarness h;
    h.addMeshNode("A", quad());
    h.addMeshNode("B", quad());
    std::string before = dumpScene(h.scene);
    exportOptions.applyToScene = 1;
    exportOptions.flipNormals = 1;
    exportOptions.unifyNormals = 1; // runs after the flip, and fails
    hostkit::setMeshOperationObserver(throwOnOperation, const_cast<char*>("UnifyNormals"));
    ExportOutcome outcome = h.exportTo(out);
    hostkit::setMeshOperationObserver(nullptr, nullptr);
    EXPECT_EQ(outcome.hostResult, 1);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write error on file"});
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(dir));           // no temporary file either
    ASSERT_EQ(theHoldHistory.stepCount(), 1); // the flip made so far is one undoable step
    ASSERT_TRUE(theHoldHistory.undo());
    EXPECT_EQ(dumpScene(h.scene), before);
}

TEST_F(PluginFailureTest, OutOfMemoryWhileRecordingStopsTheExportUnchanged) {
    PluginHarness h;
    h.addMeshNode("Big", noisySurface(300, 7));
    std::string before = dumpScene(h.scene);
    exportOptions.applyToScene = 1;
    exportOptions.flipNormals = 1;
    hostkit::setMeshAllocationLimit(2 << 20);
    ExportOutcome outcome = h.exportTo(out);
    hostkit::setMeshAllocationLimit(0);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write error on file"});
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(dumpScene(h.scene), before);
}

TEST_F(PluginFailureTest, TextsThatAreNotFiniteReadAsTheDefault) {
    for (const char* text : {"nan", "-nan", "inf", "-Infinity", "1e999", "1e39", "-1e39"}) {
        char copy[kTextSize];
        std::snprintf(copy, sizeof copy, "%s", text);
        EXPECT_EQ(readOptionNumber(copy, 30.0f), 30.0f) << text;
    }
    char largest[kTextSize] = "3e38";
    EXPECT_FLOAT_EQ(readOptionNumber(largest, 30.0f), 3e38f);
}

TEST_F(PluginFailureTest, NotFiniteTileTextsWriteNoNonFiniteNumber) {
    PluginHarness h;
    h.addMeshNode("A", quad());
    exportOptions.exportMaterials = 1;
    exportOptions.applyUVMap = 1;
    exportOptions.mapPlanar = 1;
    std::snprintf(exportOptions.uTileText, kTextSize, "1e39");
    std::snprintf(exportOptions.vTileText, kTextSize, "nan");
    ExportOutcome outcome = h.exportTo(out);
    EXPECT_TRUE(outcome.messages.empty());
    std::string text = readWholeFile(out);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_NE(text.find("TVertex 2: U: 1,000000 V: 1,000000"), std::string::npos) << text;
}

TEST_F(PluginFailureTest, WorldPositionBeyondTheFloatRangeIsAWriteError) {
    PluginHarness h;
    SceneNode* node = h.addMeshNode("Far", quad());
    Matrix3 tm;
    tm.IdentityMatrix();
    tm.SetRow(0, Point3(3e38f, 0, 0));
    tm.SetRow(3, Point3(3e38f, 0, 0)); // vertex 1 lands at 6e38
    node->setTransform(tm);
    ExportOutcome outcome = h.exportTo(out);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write error on file"});
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(PluginFailureTest, TextureCoordinateThatIsNotFiniteIsAWriteError) {
    // either coordinate: the file never holds "nan" or "inf"
    for (int axis : {0, 1}) {
        PluginHarness h;
        Mesh mesh = quad();
        mesh.setNumTVerts(4);
        mesh.setTexFacesEnabled(true);
        for (int f = 0; f < mesh.faceCount; ++f)
            for (int k = 0; k < 3; ++k) mesh.texFaces[f].t[k] = mesh.faces[f].v[k];
        (axis == 0 ? mesh.texVerts[2].x : mesh.texVerts[2].y) = std::nanf("");
        h.addMeshNode("A", mesh);
        exportOptions.exportMaterials = 1;
        ExportOutcome outcome = h.exportTo(out);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{"Write error on file"}) << axis;
        EXPECT_FALSE(fs::exists(out)) << axis;
    }
}

TEST_F(PluginFailureTest, AMeshOfHugeOrTinyFacesStillHasUnitNormals) {
    // the squares of these faces' cross products leave the float range
    for (float scale : {1e12f, 1e-12f}) {
        PluginHarness h;
        Mesh mesh = quad();
        for (int v = 0; v < mesh.vertexCount; ++v) mesh.vertices[v] = mesh.vertices[v] * scale;
        h.addMeshNode("A", mesh);
        exportOptions.exportNormals = 1;
        ExportOutcome outcome = h.exportTo(out);
        EXPECT_TRUE(outcome.messages.empty()) << scale;
        const std::string text = readWholeFile(out);
        EXPECT_NE(text.find("Normal: X: 0,000000 Y: 0,000000 Z: 1,000000\n"), std::string::npos)
            << scale << "\n"
            << text;
    }
}

TEST_F(PluginFailureTest, TexVertexCountIsWrittenWhenPreparationRemovedEveryFace) {
    PluginHarness h;
    Mesh flat = triangleMesh({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 1, 1}}); // degenerate
    flat.setNumTVerts(3);
    flat.setTexFacesEnabled(true);
    flat.texFaces[0] = {{0, 1, 2}};
    h.addMeshNode("Flat", flat);
    Mesh untextured = quad();
    untextured.setNumTVerts(2); // texture vertices but no texture faces
    h.addMeshNode("Plain", untextured);
    exportOptions.exportMaterials = 1;
    exportOptions.removeDegenerate = 1;
    ExportOutcome outcome = h.exportTo(out);
    ASSERT_TRUE(outcome.messages.empty());
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("Object 0: Flat\nVertices: 3 TVertices: 3 Faces: 0 "), std::string::npos)
        << text;
    EXPECT_NE(text.find("TVertex list:\nTVertex 0:"), std::string::npos);
    EXPECT_NE(text.find("Object 1: Plain\nVertices: 4 TVertices: 0 Faces: 2 "), std::string::npos)
        << text;
    exportOptions.exportMaterials = 0;
    h.exportTo(out);
    EXPECT_NE(readWholeFile(out).find("Vertices: 3 TVertices: 0 Faces: 0 "), std::string::npos);
}

TEST_F(PluginFailureTest, MillionLevelHierarchyIsAppliedAndExported) {
    PluginHarness h;
    SceneNode* parent = nullptr;
    for (int level = 0; level < 1000000; ++level) parent = h.scene.createNode("n", parent);
    h.addMeshNode("Deepest", quad(), parent);
    utilityOptions.flipNormals = 1;
    EXPECT_TRUE(h.applyUtility().empty());
    const Mesh& flipped = static_cast<MeshObject*>(h.scene.findNode("Deepest")->object())->mesh;
    EXPECT_EQ(flipped.faces[0].v[1], 2u); // the flip swapped corners 1 and 2
    ExportOutcome outcome = h.exportTo(out);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_NE(readWholeFile(out).find("Object 0: Deepest\n"), std::string::npos);
}
