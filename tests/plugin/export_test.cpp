// The exporter end to end in-process: dialog, node list, file lines and failures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "host/hold.h"
#include "hostkit/hold/hold_history.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/primitive_objects.h"
#include "hostkit/scene/texmaps.h"
#include "plugin_harness.h"
#include "resources/resource.h"

namespace fs = std::filesystem;

class ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        restoreExportDefaults();
        out = scratch.path("out.zef");
    }

    SceneNode* addTri(PluginHarness& h, const char* name = "Tri") {
        return h.addMeshNode(name, triangleMesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}}));
    }

    ScratchFolder scratch{"zef_export_test"};
    const fs::path& dir = scratch.dir();
    std::string out;
};

TEST_F(ExportTest, SingleTriangleGivesTheDocumentedLines) {
    PluginHarness h;
    addTri(h);
    exportOptions.exportCentered = 1;
    exportOptions.exportMaterials = 1;
    ExportOutcome outcome = h.exportTo(out);
    EXPECT_EQ(outcome.hostResult, 1);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(readWholeFile(out), "ZEF File 1.0\n"
                                  "NumObjects: 1\n"
                                  "Object 0: Tri\n"
                                  "Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n"
                                  "Vertex list:\n"
                                  "Vertex 0: X: -1,000000 Y: -1,000000 Z: 0,000000\n"
                                  "Vertex 1: X: 1,000000 Y: -1,000000 Z: 0,000000\n"
                                  "Vertex 2: X: -1,000000 Y: 1,000000 Z: 0,000000\n"
                                  "Face list:\n"
                                  "Face 0: A: 0 B: 2 C: 1 AB: 1 BC: 1 CA: 1\n"
                                  "Smoothing: 1\n");
}

TEST_F(ExportTest, StandardMaterialRecordHasItsFiveLines) {
    PluginHarness h;
    SceneNode* node = addTri(h);
    StdMaterial* brick = h.scene.createStdMaterial("Brick");
    brick->diffuseColor = {0.8f, 0.4f, 0.2f};
    brick->specularColor = {0.9f, 0.9f, 0.9f};
    brick->shininessValue = 0.25f;
    brick->shineStrength = 0.05f;
    node->setMaterial(brick);
    exportOptions.exportMaterials = 1;
    exportOptions.exportHighlights = 1;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("Materials: 1 Normals: 0\nMaterial list:\n"
                        "Material 0: Brick\n"
                        "Diffuse: R: 0,800000 G: 0,400000 B: 0,200000 A: 1,000000\n"
                        "Specular: R: 0,900000 G: 0,900000 B: 0,900000 Shininess: 0,250000 "
                        "Shiningstrength: 0,050000\n"
                        "Twosided: 0\n"
                        "Texture: NODIFFUSE\n"
                        "Vertex list:\n"),
              std::string::npos)
        << text;
}

TEST_F(ExportTest, MaterialRecordShapes) {
    PluginHarness h;
    SceneNode* node = addTri(h);
    MultiMtl* multi = h.scene.createMultiMaterial("Multi", 4);
    StdMaterial* bitmapped = h.scene.createStdMaterial("Wood");
    bitmapped->maps[1] = h.scene.createBitmapTexmap("oak", "C:\\maps\\wood/oak.jpg");
    bitmapped->mapAmounts[1] = 0.5f;
    bitmapped->twoSidedFlag = 1;
    StdMaterial* checkered = h.scene.createStdMaterial("Check");
    checkered->maps[1] = h.scene.createCheckerTexmap("checker");
    checkered->transparencyValue = 0.25f;
    multi->setSubMaterial(0, bitmapped);
    multi->setSubMaterial(1, checkered);
    multi->setSubMaterial(2, h.scene.createMatteMaterial("Matte"));
    node->setMaterial(multi); // slot 3 stays empty
    h.scene.root()->childNode(0)->setMaterial(multi);
    exportOptions.exportHighlights = 0;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("Materials: 4 "), std::string::npos);
    EXPECT_NE(text.find("Material 0: Wood\nDiffuse: R: 0,500000 G: 0,500000 B: 0,500000 A: "
                        "1,000000\nTwosided: 1\nTexture: oak.jpg\nAmount: 0,500000\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("A: 0,750000\nTwosided: 0\nTexture: NOBITMAP\nAmount: 1,000000\n"),
              std::string::npos);
    EXPECT_NE(text.find("Material 2: Matte\nDiffuse: "), std::string::npos);
    EXPECT_NE(text.find("Material 3: No Material\n"), std::string::npos);
    EXPECT_NE(text.find("Smoothing: 1\nMaterial: 0\n"), std::string::npos);
    EXPECT_EQ(text.find("Material 4"), std::string::npos);
    // with highlights, the empty slot's record has its Specular line too, all zero
    exportOptions.exportHighlights = 1;
    h.exportTo(out);
    text = readWholeFile(out);
    EXPECT_NE(text.find("Material 3: No Material\nDiffuse: R: 0,000000 G: 0,000000 B: 0,000000 "
                        "A: 1,000000\nSpecular: R: 0,000000 G: 0,000000 B: 0,000000 "
                        "Shininess: 0,000000 Shiningstrength: 0,000000\n"),
              std::string::npos)
        << text;
}

TEST_F(ExportTest, FaceWordsAreWrittenAsStored) {
    PluginHarness h;
    Mesh mesh =
        triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 0, 0}},
                     {{4, 5, 6}, {0, 1, 2}});
    mesh.faces[0].flags = 1u | (65535u << 16); // only the edge v0-v1 visible
    mesh.faces[0].smGroup = 0x80000000u;
    mesh.faces[1].smGroup = 0;
    SceneNode* node = h.addMeshNode("Faces", mesh);
    node->setMaterial(h.scene.createMultiMaterial("Empty multi", 0));
    exportOptions.exportMaterials = 1;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("Face 0: A: 4 B: 6 C: 5 AB: 1 BC: 0 CA: 0\nSmoothing: 2147483648\n"
                        "Material: 65535\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Smoothing: 0\nMaterial: 0\n"), std::string::npos);
    EXPECT_NE(text.find("Materials: 0 "), std::string::npos);
    EXPECT_EQ(text.find("Material list:"), std::string::npos);
}

TEST_F(ExportTest, MeshWithoutFacesIsTwoLinesAndNotRecorded) {
    PluginHarness h;
    Mesh points;
    points.setNumVerts(3);
    SceneNode* node = h.addMeshNode("Points: only", points);
    StdMaterial* material = h.scene.createStdMaterial("M");
    node->setMaterial(material);
    exportOptions.applyToScene = 1;
    exportOptions.applyTwoSided = 1;
    h.exportTo(out);
    EXPECT_EQ(readWholeFile(out), "ZEF File 1.0\nNumObjects: 1\nObject 0: Points: only\n"
                                  "Vertices: 0 TVertices: 0 Faces: 0 Materials: 0 Normals: 0\n");
    EXPECT_EQ(material->twoSidedFlag, 0);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 0);
    theHoldHistory.clear();
}

TEST_F(ExportTest, TextureVerticesFollowExportMaterialsOnly) {
    PluginHarness h;
    Mesh mesh = triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    mesh.setNumTVerts(3);
    mesh.texVerts[1] = {1, 0, 0};
    mesh.setTexFacesEnabled(true);
    mesh.texFaces[0] = {{0, 1, 2}};
    h.addMeshNode("Mapped", mesh);
    exportOptions.exportMaterials = 0;
    exportOptions.exportTexVerts = 1;
    h.exportTo(out);
    std::string without = readWholeFile(out);
    EXPECT_NE(without.find("TVertices: 0 "), std::string::npos);
    EXPECT_EQ(without.find("TVertex"), std::string::npos);
    EXPECT_EQ(without.find("TVFace"), std::string::npos);

    exportOptions.exportMaterials = 1;
    exportOptions.exportTexVerts = 0;
    h.exportTo(out);
    std::string with = readWholeFile(out);
    EXPECT_NE(with.find("TVertices: 3 "), std::string::npos);
    EXPECT_NE(with.find("TVertex 1: U: 1,000000 V: 0,000000\n"), std::string::npos);
    EXPECT_NE(with.find("TVFace 0: TA: 0 TB: 2 TC: 1\n"), std::string::npos);
}

TEST_F(ExportTest, NormalsAddALinePerFace) {
    PluginHarness h;
    addTri(h);
    exportOptions.exportNormals = 1;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("Normals: 1\n"), std::string::npos);
    // The normal is +Z (its zero components may carry a sign).
    size_t normal = text.find("CA: 1\nNormal: X: ");
    ASSERT_NE(normal, std::string::npos) << text;
    EXPECT_NE(text.find("Y: 0,000000 Z: 1,000000\nSmoothing: 1\n", normal), std::string::npos)
        << text;
}

TEST_F(ExportTest, CentreComesFromAllListedObjects) {
    PluginHarness h;
    addTri(h, "A");
    SceneNode* b = addTri(h, "B");
    b->setTransform(Matrix3::Translation({10, 0, 4}));
    exportOptions.exportCentered = 1;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    // The box spans x 0..12, y 0..2 and z 0..4: the centre is (6, 1, 2).
    EXPECT_NE(text.find("Vertex 0: X: -6,000000 Y: -1,000000 Z: -2,000000\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Vertex 1: X: 6,000000 Y: -1,000000 Z: 2,000000\n"), std::string::npos)
        << text;
    exportOptions.exportCentered = 0;
    h.exportTo(out);
    EXPECT_NE(readWholeFile(out).find("Vertex 1: X: 12,000000 Y: 0,000000 Z: 4,000000\n"),
              std::string::npos);
}

TEST_F(ExportTest, SelectedOnlyVisitsSelectedNodesNotTheirChildren) {
    PluginHarness h;
    SceneNode* parent = addTri(h, "Parent");
    addTri(h, "Child")->setName("Child");
    SceneNode* child = h.scene.createNode("Selected child", parent);
    child->setObject(
        std::make_unique<MeshObject>(triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})));
    h.scene.select(child);
    exportOptions.selectedOnly = 1;
    h.exportTo(out);
    std::string text = readWholeFile(out);
    EXPECT_NE(text.find("NumObjects: 1\nObject 0: Selected child\n"), std::string::npos) << text;
}

TEST_F(ExportTest, CancelWritesNothingAndKeepsTheOptions) {
    PluginHarness h;
    addTri(h);
    OptionSet before = exportOptions;
    ExportOutcome outcome = h.exportTo(
        out, {checkStep(IDC_EXPORT_NORMALS, true), typeStep(IDC_ANGLE_EDIT, "12")}, true);
    EXPECT_EQ(outcome.hostResult, 1);
    EXPECT_FALSE(fileExists(out));
    EXPECT_EQ(std::memcmp(&before, &exportOptions, sizeof(OptionSet)), 0);
}

TEST_F(ExportTest, NothingToExportLeavesAnExistingFile) {
    PluginHarness h;
    addTri(h);
    std::ofstream(out) << "old";
    exportOptions.selectedOnly = 1;
    ExportOutcome outcome = h.exportTo(out);
    EXPECT_EQ(outcome.hostResult, 1);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"No data to export"});
    EXPECT_EQ(readWholeFile(out), "old");
}

TEST_F(ExportTest, MissingFolderCannotBeCreated) {
    PluginHarness h;
    addTri(h);
    ExportOutcome outcome = h.exportTo((dir / "missing" / "out.zef").string());
    EXPECT_EQ(outcome.hostResult, -1);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"Can't create output file"});
    ExportOutcome folder = h.exportTo(dir.string());
    EXPECT_EQ(folder.hostResult, -1);
}

// Runs an export in a child whose files may not grow past limitBytes.
static int exportUnderFileSizeLimit(const std::string& path, rlim_t limitBytes, int nodes) {
    pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        PluginHarness h;
        for (int i = 0; i < nodes; ++i) {
            std::string name = "N";
            name += std::to_string(i);
            h.addMeshNode(name, triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
        }
        ExportOutcome outcome = h.exportTo(path);
        bool reported = outcome.messages == std::vector<std::string>{"Write error on file"};
        _exit(outcome.hostResult == 1 && reported ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ExportTest, WriteErrorReportsAndKeepsTheOldFile) {
    std::ofstream(out) << "previous export";
    EXPECT_EQ(exportUnderFileSizeLimit(out, 64 * 1024, 5000), 0);
    EXPECT_EQ(readWholeFile(out), "previous export");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "a temporary file was left beside the old one";
    EXPECT_EQ(exportUnderFileSizeLimit(out, 4, 1), 0); // fails on the first line
    EXPECT_EQ(readWholeFile(out), "previous export");
}

TEST_F(ExportTest, SecondExportOpensWithTheFirstOnesChoices) {
    PluginHarness h;
    addTri(h);
    h.exportTo(out, {checkStep(IDC_AUTO_SMOOTH, true), typeStep(IDC_ANGLE_EDIT, "45.5"),
                     clickStep(IDC_MAP_SPHERICAL)});
    EXPECT_STREQ(exportOptions.angleText, "45,5"); // rewritten when the preparation read it
    EXPECT_EQ(exportOptions.mapSpherical, 1);
    EXPECT_EQ(exportOptions.mapPlanar, 0);
    std::string first = readWholeFile(out);
    h.exportTo(out); // OK without changes stores the same values
    EXPECT_EQ(exportOptions.autoSmooth, 1);
    EXPECT_STREQ(exportOptions.angleText, "45,5");
    EXPECT_EQ(readWholeFile(out), first);
}

TEST_F(ExportTest, ApplyToSceneIsOneUndoableStep) {
    PluginHarness h;
    SceneNode* node = addTri(h);
    StdMaterial* material = h.scene.createStdMaterial("M");
    node->setMaterial(material);
    exportOptions.applyToScene = 1;
    exportOptions.flipNormals = 1;
    exportOptions.applyTwoSided = 1;
    exportOptions.exportMaterials = 1;
    theHoldHistory.clear();
    h.exportTo(out);
    auto* tri = static_cast<MeshObject*>(node->object());
    EXPECT_EQ(tri->mesh.faces[0].v[1], 2u); // the scene's mesh was flipped
    EXPECT_EQ(material->twoSidedFlag, 1);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepName(0), IDS_UTILITY_NAME);
    EXPECT_NE(readWholeFile(out).find("Twosided: 1"), std::string::npos);
    ASSERT_TRUE(theHoldHistory.undo());
    EXPECT_EQ(tri->mesh.faces[0].v[1], 1u);
    EXPECT_EQ(material->twoSidedFlag, 0);
    ASSERT_TRUE(theHoldHistory.redo());
    EXPECT_EQ(tri->mesh.faces[0].v[1], 2u);
    theHoldHistory.clear();
}

TEST_F(ExportTest, ParametricPrimitiveIsExportedAndLeftAlone) {
    PluginHarness h;
    SceneNode* node = h.scene.createNode("Box");
    node->setObject(std::make_unique<BoxObject>(2.0f, 2.0f, 2.0f, 1));
    exportOptions.applyToScene = 1;
    exportOptions.flipNormals = 1;
    theHoldHistory.clear();
    h.exportTo(out);
    EXPECT_NE(readWholeFile(out).find("Faces: 12 "), std::string::npos);
    ASSERT_EQ(theHoldHistory.stepCount(), 1);
    EXPECT_EQ(theHoldHistory.stepRecordCount(0), 0); // nothing of the scene's changed
    theHoldHistory.clear();
}

namespace {
// An object that claims it converts to a mesh, then fails to.
class RefusingObject : public HostObject {
  public:
    Class_ID classId() override { return Class_ID(0x7777, 0); }
    int canConvertTo(Class_ID) override { return 1; }
    TriangleMeshObject* convertTo(TimeValue, Class_ID) override { return nullptr; }
    void worldBoundingBox(TimeValue, HostNode*, void*, Box3& box) override { box.Init(); }
    void deleteThis() override {}
};
} // namespace

TEST_F(ExportTest, ObjectThatFailsToConvertIsWrittenWithoutFaces) {
    PluginHarness h;
    h.scene.createNode("Refuses")->setObject(std::make_unique<RefusingObject>());
    addTri(h);
    EXPECT_EQ(h.exportTo(out).hostResult, 1);
    EXPECT_NE(readWholeFile(out).find("Object 0: Refuses\nVertices: 0 TVertices: 0 Faces: 0 "
                                      "Materials: 0 Normals: 0\nObject 1: Tri\n"),
              std::string::npos);
}
