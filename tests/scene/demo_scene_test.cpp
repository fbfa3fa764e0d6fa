// The demo scene: it must keep reaching every path of an export, so each feature it
// promises is checked here.
#include <gtest/gtest.h>

#include <set>

#include "scenes/demo_scene.h"
#include "hostkit/scene/kit_class_ids.h"
#include "hostkit/scene/mesh_object.h"

namespace {

const Mesh* meshOf(SceneNode* node) {
    auto* tri = dynamic_cast<TriangleMeshObject*>(node->object());
    return tri ? &tri->mesh : nullptr;
}

TEST(DemoScene, HasASelectedChildOfAnUnselectedParent) {
    auto scene = makeDemoScene();
    bool found = false;
    for (int i = 0; i < scene->selectedCount(); ++i) {
        SceneNode* n = scene->selected(i);
        found = found || (n->parent() != scene->root() && !scene->isSelected(n->parent()));
    }
    EXPECT_TRUE(found);
}

TEST(DemoScene, CoversEveryObjectKind) {
    auto scene = makeDemoScene();
    std::set<std::pair<uint32_t, uint32_t>> kinds;
    bool convertible = false, notConvertible = false, pointsOnly = false, mapped = false;
    bool nameWithColonAndSpace = false;
    for (SceneNode* n : scene->nodes()) {
        std::string name = n->nodeName();
        nameWithColonAndSpace |=
            name.find(':') != std::string::npos && name.find(' ') != std::string::npos;
        HostObject* o = n->object();
        if (!o) continue;
        kinds.insert({o->classId().a, o->classId().b});
        (o->canConvertTo(triObjectClassID) ? convertible : notConvertible) = true;
        if (const Mesh* m = meshOf(n)) {
            pointsOnly |= m->vertexCount > 0 && m->faceCount == 0;
            mapped |= m->texVertCount > 0 && m->texFaces != nullptr;
        }
    }
    for (Class_ID id : {triObjectClassID, boxObjectClassID, sphereObjectClassID,
                        cameraObjectClassID, lightObjectClassID})
        EXPECT_TRUE(kinds.count({id.a, id.b})) << id.a;
    EXPECT_TRUE(convertible && notConvertible && pointsOnly && mapped && nameWithColonAndSpace);
}

TEST(DemoScene, CoversEveryMaterialPath) {
    auto scene = makeDemoScene();
    bool bitmapWithDirs = false, nonBitmapMap = false, twoSided = false, emptySlot = false;
    bool standardSub = false, otherSub = false, nestedMulti = false;
    for (int i = 0; i < scene->materialCount(); ++i) {
        HostMaterial* m = scene->material(i);
        if (auto* s = dynamic_cast<StdMaterial*>(m)) {
            twoSided |= s->twoSided() != 0;
            if (HostTexmap* map = s->map(StdMaterial::kDiffuseSlot)) {
                std::string file = map->bitmapFileName();
                bitmapWithDirs |= map->classId() == bitmapTexClassID &&
                                  file.find_first_of("/\\") != std::string::npos;
                nonBitmapMap |= map->classId() != bitmapTexClassID;
            }
        }
        if (m->classId() != multiMaterialClassID) continue;
        for (int k = 0; k < m->subMaterialCount(); ++k) {
            HostMaterial* sub = m->subMaterial(k);
            emptySlot |= sub == nullptr;
            if (!sub) continue;
            standardSub |= sub->classId() == standardMaterialClassID;
            nestedMulti |= sub->classId() == multiMaterialClassID;
            otherSub |=
                sub->classId() != standardMaterialClassID && sub->classId() != multiMaterialClassID;
        }
    }
    EXPECT_TRUE(bitmapWithDirs);
    EXPECT_TRUE(nonBitmapMap);
    EXPECT_TRUE(twoSided);
    EXPECT_TRUE(emptySlot && standardSub && otherSub && nestedMulti);
}

TEST(DemoScene, SharesAMaterialAndLeavesANodeWithout) {
    auto scene = makeDemoScene();
    std::multiset<HostMaterial*> uses;
    bool withoutMaterial = false;
    for (SceneNode* n : scene->nodes()) {
        if (n->nodeMaterial()) uses.insert(n->nodeMaterial());
        withoutMaterial |= meshOf(n) && !n->nodeMaterial();
    }
    bool shared = false;
    for (HostMaterial* m : uses) shared |= uses.count(m) > 1;
    EXPECT_TRUE(shared);
    EXPECT_TRUE(withoutMaterial);
}

TEST(DemoScene, FacesVaryInEdgesSmoothingAndMaterialIds) {
    auto scene = makeDemoScene();
    std::set<uint32_t> edgeBits, matIds;
    bool bit31 = false, noGroup = false;
    for (SceneNode* n : scene->nodes()) {
        const Mesh* m = meshOf(n);
        for (int f = 0; m && f < m->faceCount; ++f) {
            edgeBits.insert(m->faces[f].flags & MeshFace::kEdgeAll);
            matIds.insert(m->faces[f].getMatID());
            bit31 |= (m->faces[f].smGroup & 0x80000000u) != 0;
            noGroup |= m->faces[f].smGroup == 0;
        }
    }
    EXPECT_GE(edgeBits.size(), 4u);
    EXPECT_GE(matIds.size(), 4u);
    EXPECT_TRUE(bit31);
    EXPECT_TRUE(noGroup);
}

} // namespace
