// Saving through Assimp: a small scene written as Collada and read back, for what the
// mapping to Assimp's scene has to get right (places in the hierarchy, material slots,
// texture coordinates, per-corner normals, cameras and lights).
#include <gtest/gtest.h>

#include <cmath>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/mesh_object.h"
#include "scenes/assimp_scene.h"
#include "scenes/scene_loader.h"
#include "tests/support/files.h"

namespace {

// A fold of two smooth faces under a translated parent: face 1 has material id 3, which
// two slots wrap to slot 1; texture coordinates differ in u and v at every corner.
std::unique_ptr<Scene> foldScene() {
    auto scene = std::make_unique<Scene>();
    MultiMtl* pair = scene->createMultiMaterial("Pair", 2);
    pair->setSubMaterial(0, scene->createStdMaterial("Red"));
    pair->setSubMaterial(1, scene->createStdMaterial("Blue"));
    SceneNode* arm = scene->createNode("Arm");
    arm->setTransform(Matrix3::Translation({5, 0, 0}));
    SceneNode* hand = scene->createNode("Hand", arm);
    hand->setTransform(Matrix3::Translation({5, 3, 1})); // world
    hand->setMaterial(pair);
    auto object = std::make_unique<MeshObject>();
    Mesh& m = object->mesh;
    m.setNumVerts(4);
    m.vertices[0] = {0, 0, 0}, m.vertices[1] = {1, 0, 0}, m.vertices[2] = {1, 1, 0.5f};
    m.vertices[3] = {0, 1, 0};
    m.setNumFaces(2);
    // each face starts at its own corner off the fold, whose normal is the face's
    m.faces[0].v[0] = 1, m.faces[0].v[1] = 2, m.faces[0].v[2] = 0;
    m.faces[1].v[0] = 3, m.faces[1].v[1] = 0, m.faces[1].v[2] = 2;
    for (int f = 0; f < 2; ++f) m.faces[f].smGroup = 1;
    m.faces[1].setMatID(3);
    m.setNumTVerts(4);
    for (int t = 0; t < 4; ++t) m.texVerts[t] = {0.1f + 0.2f * float(t), 0.2f + 0.2f * float(t), 0};
    m.setTexFacesEnabled(true);
    m.texFaces[0] = {{1, 2, 0}}, m.texFaces[1] = {{3, 0, 2}};
    hand->setObject(std::move(object));
    auto camera = std::make_unique<CameraObject>();
    camera->fieldOfView = 1.0f;
    scene->createNode("Eye")->setObject(std::move(camera));
    auto light = std::make_unique<LightObject>();
    light->color = {0.5f, 0.25f, 1};
    light->intensity = 2;
    scene->createNode("Lamp")->setObject(std::move(light));
    return scene;
}

class AssimpExport : public ::testing::Test {
  protected:
    void SetUp() override {
        FileError error;
        ASSERT_TRUE(exportWithAssimp(*foldScene(), path_, error)) << error.message();
        back_ = openScene(path_);
        ASSERT_TRUE(back_.ok()) << back_.error.message();
    }

    ScratchFolder scratch_{"zef_assimp_export"};
    const std::string path_ = scratch_.path("fold.dae");
    OpenedScene back_;
};

} // namespace

TEST_F(AssimpExport, TheFoldKeepsItsPlaceSlotsMappingAndSmoothness) {
    const SceneNode* hand = back_.scene->findNode("Hand");
    ASSERT_NE(hand, nullptr);
    const Mesh& m = static_cast<MeshObject*>(hand->object())->mesh;
    ASSERT_EQ(m.faceCount, 2);
    const Box3 box = meshWorldBox(m, hand->transform());
    EXPECT_NEAR(box.pmin.x, 5, 1e-4);
    EXPECT_NEAR(box.pmin.y, 3, 1e-4);
    EXPECT_NEAR(box.pmin.z, 1, 1e-4);
    EXPECT_NEAR(box.pmax.z, 1.5, 1e-4);
    HostMaterial* material = const_cast<SceneNode*>(hand)->nodeMaterial();
    ASSERT_NE(material, nullptr);
    ASSERT_TRUE(m.texFaces);
    for (int f = 0; f < 2; ++f) {
        // the face with the corner at (1, 0, 0) is face 0, of slot 0
        bool first = false;
        for (int c = 0; c < 3; ++c) {
            const Point3 p = m.vertices[m.faces[f].v[c]];
            first |= std::abs(p.x - 1) < 1e-4f && std::abs(p.y) < 1e-4f;
            // each corner's texture coordinate as it was: u 0.1 + 0.2 k, v 0.2 + 0.2 k,
            // k the corner's place on the fold's rim
            const int k = std::abs(p.x) < 1e-4f ? (std::abs(p.y) < 1e-4f ? 0 : 3)
                                                : (std::abs(p.y) < 1e-4f ? 1 : 2);
            const Point3 uv = m.texVerts[m.texFaces[f].t[c]];
            EXPECT_NEAR(uv.x, 0.1f + 0.2f * float(k), 1e-5) << f << " " << c;
            EXPECT_NEAR(uv.y, 0.2f + 0.2f * float(k), 1e-5) << f << " " << c;
        }
        HostMaterial* sub = material->subMaterialCount() > 0
                                ? material->subMaterial(int(m.faces[f].getMatID()))
                                : material;
        ASSERT_NE(sub, nullptr);
        EXPECT_STREQ(sub->name.data(), first ? "Red" : "Blue") << f;
    }
    // smooth across the fold: the normals went out per corner, averaged where they meet
    EXPECT_NE(m.faces[0].smGroup & m.faces[1].smGroup, 0u);
}

TEST_F(AssimpExport, CameraAndLightComeBackAsTheyWere) {
    const SceneNode* eye = back_.scene->findNode("Eye");
    ASSERT_NE(eye, nullptr);
    auto* camera = dynamic_cast<CameraObject*>(eye->object());
    ASSERT_NE(camera, nullptr);
    EXPECT_NEAR(camera->fieldOfView, 1.0f, 1e-4);
    const SceneNode* lamp = back_.scene->findNode("Lamp");
    ASSERT_NE(lamp, nullptr);
    auto* light = dynamic_cast<LightObject*>(lamp->object());
    ASSERT_NE(light, nullptr);
    EXPECT_NEAR(light->intensity, 2, 1e-4);
    EXPECT_NEAR(light->color.r, 0.5f, 1e-4);
    EXPECT_NEAR(light->color.g, 0.25f, 1e-4);
    EXPECT_NEAR(light->color.b, 1, 1e-4);
}
