// Materials and texture maps: pools, sharing between nodes, multi-material slots
// and nesting, and the standard material's map slots.
#include <gtest/gtest.h>

#include "hostkit/scene/kit_class_ids.h"
#include "hostkit/scene/scene.h"

namespace {

TEST(Materials, ClassIdsTellTheKindsApart) {
    Scene scene;
    EXPECT_EQ(scene.createStdMaterial("s")->classId(), standardMaterialClassID);
    EXPECT_EQ(scene.createMultiMaterial("m", 1)->classId(), multiMaterialClassID);
    HostMaterial* matte = scene.createMatteMaterial("x");
    EXPECT_NE(matte->classId(), standardMaterialClassID);
    EXPECT_NE(matte->classId(), multiMaterialClassID);
    EXPECT_EQ(scene.createBitmapTexmap("b", "a.png")->classId(), bitmapTexClassID);
    EXPECT_NE(scene.createCheckerTexmap("c")->classId(), bitmapTexClassID);
}

TEST(Materials, SharedMaterialIsOneObjectForEveryNode) {
    // Switching two-sidedness through one node must show on every node using it.
    Scene scene;
    StdMaterial* brick = scene.createStdMaterial("Brick");
    SceneNode* a = scene.createNode("a");
    SceneNode* b = scene.createNode("b");
    a->setMaterial(brick);
    b->setMaterial(brick);
    static_cast<StandardMaterial*>(a->material())->setTwoSided(1);
    EXPECT_EQ(static_cast<StandardMaterial*>(b->material())->twoSided(), 1);
    EXPECT_EQ(scene.materialIndex(b->material()), 0);
}

TEST(Materials, PoolsKeepCreationOrderAndFindByName) {
    Scene scene;
    HostMaterial* first = scene.createStdMaterial("Same");
    HostMaterial* second = scene.createMatteMaterial("Same");
    ASSERT_EQ(scene.materialCount(), 2);
    EXPECT_EQ(scene.material(1), second);
    EXPECT_EQ(scene.findMaterial("Same"), first);
    EXPECT_EQ(scene.findMaterial("none"), nullptr);
    StdMaterial outside;
    EXPECT_EQ(scene.materialIndex(&outside), -1);
    EXPECT_STREQ(first->name.data(), "Same");
}

TEST(Materials, StandardMapSlotsAreIndependent) {
    Scene scene;
    StdMaterial* m = scene.createStdMaterial("m");
    BitmapTexmap* map = scene.createBitmapTexmap("bricks", "C:\\maps\\bricks\\brick_red.png");
    EXPECT_EQ(m->map(StdMaterial::kDiffuseSlot), nullptr);
    m->maps[StdMaterial::kDiffuseSlot] = map;
    m->mapAmounts[StdMaterial::kDiffuseSlot] = 0.5f;
    EXPECT_EQ(m->map(1), map);
    EXPECT_EQ(m->map(2), nullptr);
    EXPECT_EQ(m->map(-1), nullptr);
    EXPECT_EQ(m->map(StdMaterial::kMapSlots), nullptr);
    EXPECT_FLOAT_EQ(m->mapAmount(1, 0), 0.5f);
    EXPECT_FLOAT_EQ(m->mapAmount(1, 1000), 0.5f);
    EXPECT_STREQ(m->map(1)->bitmapFileName(), "C:\\maps\\bricks\\brick_red.png");
    EXPECT_STREQ(scene.createCheckerTexmap("c")->bitmapFileName(), "");
}

TEST(MultiMaterial, EmptySlotsGiveNull) {
    Scene scene;
    MultiMtl* multi = scene.createMultiMaterial("multi", 3);
    StdMaterial* s = scene.createStdMaterial("s");
    EXPECT_TRUE(multi->setSubMaterial(2, s));
    EXPECT_EQ(multi->subMaterialCount(), 3);
    EXPECT_EQ(multi->subMaterial(0), nullptr);
    EXPECT_EQ(multi->subMaterial(2), s);
    EXPECT_EQ(multi->subMaterial(3), nullptr);
    EXPECT_EQ(multi->subMaterial(-1), nullptr);
    multi->setSubMaterial(2, nullptr);
    EXPECT_EQ(multi->subMaterial(2), nullptr);
}

TEST(MultiMaterial, ValuesComeFromTheSubMaterialOfThatNumber) {
    Scene scene;
    MultiMtl* multi = scene.createMultiMaterial("multi", 2);
    StdMaterial* red = scene.createStdMaterial("red");
    red->diffuseColor = {1, 0, 0};
    red->transparencyValue = 0.25f;
    multi->setSubMaterial(0, red);
    EXPECT_EQ(multi->diffuse(0, 0).r, 1.0f);
    EXPECT_EQ(multi->transparency(2, 0), 0.25f); // ids wrap around the slot count
    EXPECT_EQ(multi->diffuse(1, 0).r, 0.0f);     // empty slot
    EXPECT_EQ(scene.createMultiMaterial("none", 0)->diffuse(0, 0).g, 0.0f);
}

TEST(MultiMaterial, NestsButRefusesCycles) {
    Scene scene;
    MultiMtl* outer = scene.createMultiMaterial("outer", 2);
    MultiMtl* inner = scene.createMultiMaterial("inner", 1);
    EXPECT_TRUE(outer->setSubMaterial(0, inner));
    EXPECT_EQ(outer->subMaterial(0)->classId(), multiMaterialClassID);
    EXPECT_FALSE(inner->setSubMaterial(0, outer)); // inner would contain itself
    EXPECT_EQ(inner->subMaterial(0), nullptr);
    EXPECT_FALSE(outer->setSubMaterial(1, outer));
    EXPECT_TRUE(outer->contains(inner));
    EXPECT_FALSE(inner->contains(outer));
}

} // namespace
