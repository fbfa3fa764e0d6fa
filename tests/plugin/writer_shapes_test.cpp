// The shapes of the lines an export writes, from the default options: every
// combination of edge bits, texture vertices and faces, material id lines and the
// two-sided flag of material records.
#include <gtest/gtest.h>

#include <string>

#include "hostkit/scene/materials.h"
#include "plugin_harness.h"
#include "hostkit/hold/hold_history.h"

namespace {

class WriterShapes : public ::testing::Test {
  protected:
    void SetUp() override {
        restoreExportDefaults();
        // The preparation would drop or merge the hand-made faces below.
        exportOptions.unifyNormals = exportOptions.removeDegenerate = 0;
        path = scratch.path("writer_shapes.zef");
    }

    std::string exportScene(PluginHarness& h) {
        ExportOutcome outcome = h.exportTo(path);
        EXPECT_EQ(outcome.hostResult, 1);
        EXPECT_TRUE(outcome.messages.empty());
        return readWholeFile(path);
    }

    static Mesh eightFaces() {
        std::vector<std::array<uint32_t, 3>> faces;
        for (int i = 0; i < 8; ++i)
            faces.push_back({uint32_t(3 * i), uint32_t(3 * i + 1), uint32_t(3 * i + 2)});
        std::vector<Point3> points;
        for (int i = 0; i < 8; ++i) {
            float x = float(2 * i);
            points.insert(points.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
        }
        return triangleMesh(points, faces);
    }

    ScratchFolder scratch{"zef_writer_shapes"}; // of this process: tests run side by side
    std::string path;
};

size_t countOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

} // namespace

TEST_F(WriterShapes, EveryCombinationOfEdgeBitsKeepsItsOrder) {
    PluginHarness h;
    Mesh mesh = eightFaces();
    for (int i = 0; i < 8; ++i) mesh.faces[i].flags = uint32_t(i); // bits 0, 1, 2: AB, BC, CA
    h.addMeshNode("Edges", mesh);
    std::string text = exportScene(h);
    for (int i = 0; i < 8; ++i) {
        std::string line = "Face " + std::to_string(i) + ": A: " + std::to_string(3 * i) +
                           " B: " + std::to_string(3 * i + 2) + " C: " + std::to_string(3 * i + 1) +
                           " AB: " + std::to_string(i & 1) + " BC: " + std::to_string(i >> 1 & 1) +
                           " CA: " + std::to_string(i >> 2 & 1) + "\n";
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
}

TEST_F(WriterShapes, TextureVerticesWriteUAndVFromTheirOwnComponents) {
    PluginHarness h;
    Mesh mesh = triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    mesh.setNumTVerts(3);
    mesh.texVerts[0] = {0.25f, 0.5f, 0.75f};
    mesh.texVerts[1] = {-1.5f, 2.0f, 9.0f};
    mesh.texVerts[2] = {0.125f, 0.375f, 0.0f};
    mesh.setTexFacesEnabled(true);
    mesh.texFaces[0] = TVFace{{2, 0, 1}};
    h.addMeshNode("Mapped", mesh);
    std::string text = exportScene(h);
    EXPECT_NE(text.find("Vertices: 3 TVertices: 3 Faces: 1 Materials: 0 Normals: 0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("TVertex list:\n"
                        "TVertex 0: U: 0,250000 V: 0,500000\n"
                        "TVertex 1: U: -1,500000 V: 2,000000\n"
                        "TVertex 2: U: 0,125000 V: 0,375000\n"
                        "Face list:\n"),
              std::string::npos)
        << text;
    // TA: index 0, TB: index 2, TC: index 1, like the vertices.
    EXPECT_NE(text.find("Smoothing: 1\nTVFace 0: TA: 2 TB: 1 TC: 0\n"), std::string::npos) << text;
}

TEST_F(WriterShapes, MaterialIdLinesOnlyWithAMultiMaterial) {
    PluginHarness h;
    Mesh mesh = eightFaces();
    for (int i = 0; i < 8; ++i) mesh.faces[i].flags = 7u | (uint32_t(i) << 16);
    h.addMeshNode("Standard", mesh)->setMaterial(h.scene.createStdMaterial("S"));
    h.addMeshNode("Other", mesh)->setMaterial(h.scene.createMatteMaterial("M"));
    h.addMeshNode("None", mesh);
    MultiMtl* multi = h.scene.createMultiMaterial("Multi", 2);
    multi->setSubMaterial(0, h.scene.createStdMaterial("A"));
    multi->setSubMaterial(1, h.scene.createStdMaterial("B"));
    h.addMeshNode("Multi", mesh)->setMaterial(multi);
    std::string text = exportScene(h);
    size_t multiBlock = text.find("Object 3: Multi\n");
    ASSERT_NE(multiBlock, std::string::npos);
    EXPECT_EQ(countOf(text.substr(0, multiBlock), "\nMaterial: "), 0u) << text;
    EXPECT_EQ(countOf(text.substr(multiBlock), "\nMaterial: "), 8u);
    EXPECT_NE(text.find("Smoothing: 1\nMaterial: 5\n"), std::string::npos);

    exportOptions.exportMaterials = 0; // no material lines of any kind then
    text = exportScene(h);
    EXPECT_EQ(countOf(text, "\nMaterial"), 0u) << text;
}

TEST_F(WriterShapes, TwosidedIsZeroWithRemoveTwoSidednessAndTheSceneKeepsItsFlag) {
    PluginHarness h;
    StdMaterial* twoSided = h.scene.createStdMaterial("Both");
    twoSided->twoSidedFlag = 1;
    h.addMeshNode("A", triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}))
        ->setMaterial(twoSided);
    EXPECT_NE(exportScene(h).find("Twosided: 1\n"), std::string::npos);
    exportOptions.removeTwoSided = 1;
    std::string text = exportScene(h);
    EXPECT_NE(text.find("Twosided: 0\nTexture: NODIFFUSE\n"), std::string::npos) << text;
    EXPECT_EQ(twoSided->twoSidedFlag, 1); // only applyToScene changes the scene
    exportOptions.applyToScene = 1;
    theHoldHistory.clear();
    text = exportScene(h);
    EXPECT_NE(text.find("Twosided: 0\n"), std::string::npos);
    EXPECT_EQ(twoSided->twoSidedFlag, 0);
    theHoldHistory.clear();
}

TEST_F(WriterShapes, HighlightsByDefaultGiveASpecularLinePerRecord) {
    PluginHarness h;
    Mesh tri = triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    h.addMeshNode("A", tri)->setMaterial(h.scene.createStdMaterial("S"));
    h.addMeshNode("B", tri)->setMaterial(h.scene.createMatteMaterial("M"));
    std::string text = exportScene(h);
    EXPECT_EQ(countOf(text, "\nSpecular: R: "), 2u) << text;
    exportOptions.exportHighlights = 0;
    EXPECT_EQ(countOf(exportScene(h), "Specular"), 0u);
}
