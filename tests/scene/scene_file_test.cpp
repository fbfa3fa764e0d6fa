// Scene files: round trips of scenes and texts, exact floats, canonical output,
// and the example of the format's documentation.
#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "scenes/demo_scene.h"
#include "scenes/scene_file.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"
#include "scenes/scene_dump.h"
#include "tests/support/files.h"

namespace {

std::string textOf(const Scene& scene) {
    std::string text;
    FileError error;
    EXPECT_TRUE(writeSceneText(scene, text, error)) << error.message();
    return text;
}

std::unique_ptr<Scene> parse(const std::string& text) {
    SceneLoadResult loaded = parseSceneText(text, "test.json");
    EXPECT_TRUE(loaded.ok()) << loaded.error.message();
    return std::move(loaded.scene);
}

// A scene whose single mesh holds the given floats as vertex coordinates.
std::unique_ptr<Scene> sceneWithFloats(const std::vector<float>& values) {
    auto scene = std::make_unique<Scene>();
    auto object = std::make_unique<MeshObject>();
    Mesh& m = object->mesh;
    m.setNumVerts(int((values.size() + 2) / 3));
    for (size_t i = 0; i < values.size(); ++i) m.vertices[i / 3][int(i % 3)] = values[i];
    scene->createNode("floats")->setObject(std::move(object));
    return scene;
}

std::vector<float> floatsOf(const Scene& scene, size_t count) {
    const Mesh& m = static_cast<MeshObject*>(scene.nodes().at(0)->object())->mesh;
    std::vector<float> values;
    for (size_t i = 0; i < count; ++i) values.push_back(m.vertices[i / 3][int(i % 3)]);
    return values;
}

std::vector<float> awkwardFloats() {
    std::vector<float> v = {0.1f,
                            1.0f / 3.0f,
                            -0.0f,
                            0.0f,
                            16777217.0f,
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::epsilon(),
                            3.4028e38f,
                            1e-40f};
    std::mt19937 random(12345);
    while (v.size() < 30000) {
        float f = std::bit_cast<float>(uint32_t(random()));
        if (std::isfinite(f)) v.push_back(f);
    }
    return v;
}

void expectBitIdentical(const std::vector<float>& a, const std::vector<float>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(std::bit_cast<uint32_t>(a[i]), std::bit_cast<uint32_t>(b[i])) << "float " << i;
}

TEST(SceneFileRoundTrip, DemoSceneComesBackEqual) {
    auto demo = makeDemoScene();
    auto loaded = parse(textOf(*demo));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(dumpScene(*loaded), dumpScene(*demo));
}

TEST(SceneFileRoundTrip, SavingALoadedFileGivesTheSameText) {
    std::string first = textOf(*makeDemoScene());
    auto loaded = parse(first);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(textOf(*loaded), first);
}

TEST(SceneFileRoundTrip, FloatsReadBackBitForBit) {
    std::vector<float> values = awkwardFloats();
    auto loaded = parse(textOf(*sceneWithFloats(values)));
    ASSERT_TRUE(loaded);
    expectBitIdentical(floatsOf(*loaded, values.size()), values);
}

TEST(SceneFileRoundTrip, FloatsAreWrittenShortest) {
    // 0.1f must not come out as its double expansion 0.10000000149011612.
    std::string text = textOf(*sceneWithFloats({0.1f, 0.5f, 3.0f}));
    EXPECT_NE(text.find("[0.1, 0.5, 3.0]"), std::string::npos) << text;
}

TEST(SceneFileRoundTrip, DecimalCommaLocaleChangesNothing) {
    // The exporter switches the numeric locale for good; files must not care.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.iso88591", "de_DE", "German"})
        german = german || std::setlocale(LC_NUMERIC, name) != nullptr;
    if (!german) GTEST_SKIP() << "no German locale installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5"); // the locale really writes a decimal comma
    std::vector<float> values = {0.5f, 1.25f, -3.75f, 0.1f};
    std::string text = textOf(*sceneWithFloats(values));
    auto loaded = parse(text);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_TRUE(loaded);
    EXPECT_NE(text.find("0.5"), std::string::npos);
    expectBitIdentical(floatsOf(*loaded, values.size()), values);
}

TEST(SceneFileRoundTrip, FaceWordsKeepEveryBit) {
    auto scene = std::make_unique<Scene>();
    auto object = std::make_unique<MeshObject>();
    Mesh& m = object->mesh;
    m.setNumVerts(3);
    m.setNumFaces(3);
    const uint32_t words[3][2] = {{0x80000000u, 0xFFFF0007u}, {0xFFFFFFFFu, 0x0001FFF8u}, {0, 0}};
    for (int f = 0; f < 3; ++f) {
        m.faces[f].v[0] = 0;
        m.faces[f].v[1] = 1;
        m.faces[f].v[2] = 2;
        m.faces[f].smGroup = words[f][0];
        m.faces[f].flags = words[f][1];
    }
    scene->createNode("words")->setObject(std::move(object));
    auto loaded = parse(textOf(*scene));
    ASSERT_TRUE(loaded);
    const Mesh& back = static_cast<MeshObject*>(loaded->nodes()[0]->object())->mesh;
    for (int f = 0; f < 3; ++f) {
        EXPECT_EQ(back.faces[f].smGroup, words[f][0]);
        EXPECT_EQ(back.faces[f].flags, words[f][1]);
    }
    EXPECT_EQ(back.faces[0].getMatID(), 0xFFFFu);
}

TEST(SceneFileRoundTrip, UnmappedAndMappedMeshesStayThatWay) {
    auto scene = std::make_unique<Scene>();
    for (bool mapped : {false, true}) {
        auto object = std::make_unique<MeshObject>();
        object->mesh.setNumVerts(3);
        object->mesh.setNumFaces(1);
        object->mesh.faces[0].v[1] = 1;
        object->mesh.faces[0].v[2] = 2;
        if (mapped) {
            object->mesh.setNumTVerts(1);
            object->mesh.setTexFacesEnabled(true);
        }
        scene->createNode(mapped ? "mapped" : "plain")->setObject(std::move(object));
    }
    auto loaded = parse(textOf(*scene));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(static_cast<MeshObject*>(loaded->findNode("plain")->object())->mesh.texFaces,
              nullptr);
    EXPECT_NE(static_cast<MeshObject*>(loaded->findNode("mapped")->object())->mesh.texFaces,
              nullptr);
    EXPECT_EQ(dumpScene(*loaded), dumpScene(*scene));
}

TEST(SceneFileRoundTrip, OptionalFieldsTakeDefaultsAndOutputIsCanonical) {
    // Fields in any order, most left out: loads, and saving writes every field.
    const char* text = R"({"nodes": [{"name": "n", "box": {"segments": 1, "width": 1,
                           "length": 2, "height": 3}}], "version": 1, "format": "zefscene"})";
    auto scene = parse(text);
    ASSERT_TRUE(scene);
    EXPECT_TRUE(scene->findNode("n")->transform().IsIdentity());
    std::string canonical = textOf(*scene);
    EXPECT_LT(canonical.find("\"format\""), canonical.find("\"nodes\""));
    EXPECT_NE(canonical.find("\"transform\""), std::string::npos);
    EXPECT_EQ(textOf(*parse(canonical)), canonical);
}

TEST(SceneFileRoundTrip, ValuesAwayFromTheirDefaultsComeBack) {
    // what a text written again from the loaded scene would not show lost: a sphere's
    // segments, and the amount of a slot that has no map
    Scene scene;
    StdMaterial* material = scene.createStdMaterial("half bump");
    material->mapAmounts[8] = 0.5f;
    SceneNode* node = scene.createNode("ball");
    node->setObject(std::make_unique<SphereObject>(2.0f, 24));
    node->setMaterial(material);
    auto loaded = parse(textOf(scene));
    ASSERT_TRUE(loaded);
    auto* sphere = dynamic_cast<SphereObject*>(loaded->nodes().at(0)->object());
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->segments, 24);
    auto* standard = dynamic_cast<StdMaterial*>(loaded->material(0));
    ASSERT_NE(standard, nullptr);
    EXPECT_EQ(standard->mapAmounts[8], 0.5f);
    EXPECT_EQ(standard->maps[8], nullptr);
}

TEST(SceneFileRoundTrip, FilesOnDiskRoundTrip) {
    ScratchFolder scratch("zef_scene_rt");
    std::filesystem::path path = scratch.dir() / "scene.json";
    FileError error;
    auto demo = makeDemoScene();
    ASSERT_TRUE(saveSceneFile(*demo, path.string(), error)) << error.message();
    SceneLoadResult loaded = loadSceneFile(path.string());
    ASSERT_TRUE(loaded.ok()) << loaded.error.message();
    EXPECT_EQ(dumpScene(*loaded.scene), dumpScene(*demo));
}

TEST(SceneFileRoundTrip, NonFiniteFloatIsRefusedWithItsPlace) {
    auto scene = sceneWithFloats({0, 1, 2, 3, std::nanf(""), 5});
    std::string text;
    FileError error;
    EXPECT_FALSE(writeSceneText(*scene, text, error));
    EXPECT_EQ(error.place, "/nodes/0/mesh/vertices/1");
    EXPECT_NE(error.problem.find("finite"), std::string::npos);
}

TEST(SceneFormatDoc, ExampleLoads) {
    std::string md = readWholeFile(ZEF_SOURCE_DIR "/docs/scene-format.md");
    ASSERT_FALSE(md.empty()) << "docs/scene-format.md is missing";
    size_t start = md.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    start += 8;
    size_t end = md.find("```", start);
    ASSERT_NE(end, std::string::npos);
    SceneLoadResult loaded = parseSceneText(md.substr(start, end - start), "scene-format.md");
    ASSERT_TRUE(loaded.ok()) << loaded.error.message();
    EXPECT_GT(loaded.scene->nodes().size(), 1u);
    EXPECT_GT(loaded.scene->materialCount(), 0);
}

} // namespace
