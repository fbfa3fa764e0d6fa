// Scene dump: scene comparisons in the other tests rely on every value showing in
// the dump, so each kind of change must change it.
#include <gtest/gtest.h>

#include <functional>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"
#include "scenes/scene_dump.h"

namespace {

// Two nodes sharing a two-sided standard material with a map, a multi-material, and
// a mapped one-face mesh.
std::unique_ptr<Scene> sample() {
    auto s = std::make_unique<Scene>();
    BitmapTexmap* map = s->createBitmapTexmap("map", "/a/b.png");
    StdMaterial* m = s->createStdMaterial("std");
    m->maps[1] = map;
    m->setTwoSided(1);
    MultiMtl* multi = s->createMultiMaterial("multi", 2);
    multi->setSubMaterial(0, m);
    SceneNode* a = s->createNode("a");
    SceneNode* b = s->createNode("b", a);
    a->setMaterial(m);
    b->setMaterial(m);
    auto object = std::make_unique<MeshObject>();
    object->mesh.setNumVerts(3);
    object->mesh.setNumFaces(1);
    object->mesh.faces[0].v[1] = 1;
    object->mesh.faces[0].v[2] = 2;
    object->mesh.setNumTVerts(3);
    object->mesh.setTexFacesEnabled(true);
    b->setObject(std::move(object));
    s->createNode("box")->setObject(std::make_unique<BoxObject>(1.0f, 2.0f, 3.0f, 1));
    s->select(b);
    s->select(a);
    return s;
}

Mesh& meshOf(Scene& s) {
    return static_cast<MeshObject*>(s.findNode("b")->object())->mesh;
}
StdMaterial& stdOf(Scene& s) {
    return *static_cast<StdMaterial*>(s.material(0));
}

TEST(SceneDump, EqualScenesDumpEqual) {
    EXPECT_EQ(dumpScene(*sample()), dumpScene(*sample()));
}

TEST(SceneDump, EveryKindOfChangeShows) {
    const std::vector<std::pair<const char*, std::function<void(Scene&)>>> changes = {
        {"vertex", [](Scene& s) { meshOf(s).vertices[2].z = 1e-7f; }},
        {"negative zero", [](Scene& s) { meshOf(s).vertices[0].x = -0.0f; }},
        {"face index", [](Scene& s) { meshOf(s).faces[0].v[0] = 2; }},
        {"smoothing bit 31", [](Scene& s) { meshOf(s).faces[0].smGroup = 0x80000000u; }},
        {"edge bit", [](Scene& s) { meshOf(s).faces[0].setEdgeVis(2, true); }},
        {"material id", [](Scene& s) { meshOf(s).faces[0].setMatID(1); }},
        {"texture vertex", [](Scene& s) { meshOf(s).texVerts[1].y = 0.5f; }},
        {"texture face", [](Scene& s) { meshOf(s).texFaces[0].t[1] = 2; }},
        {"mapping dropped", [](Scene& s) { meshOf(s).setTexFacesEnabled(false); }},
        {"two-sided", [](Scene& s) { stdOf(s).setTwoSided(0); }},
        {"diffuse", [](Scene& s) { stdOf(s).diffuseColor.g = 0.25f; }},
        {"map amount", [](Scene& s) { stdOf(s).mapAmounts[1] = 0.5f; }},
        {"map file", [](Scene& s) { static_cast<BitmapTexmap*>(s.texmap(0))->fileName = "b.png"; }},
        {"sub-material",
         [](Scene& s) { static_cast<MultiMtl*>(s.material(1))->setSubMaterial(1, &stdOf(s)); }},
        {"unshared material",
         [](Scene& s) { s.findNode("b")->setMaterial(s.createStdMaterial("std")); }},
        {"transform",
         [](Scene& s) {
             s.findNode("a")->setTransform(Matrix3::Translation({0, 0, 1}));
         }},
        {"name", [](Scene& s) { s.findNode("a")->setName("A"); }},
        {"hierarchy", [](Scene& s) { s.deleteNode(s.findNode("b")); }},
        {"selection order",
         [](Scene& s) {
             s.clearSelection();
             s.select(s.findNode("a"));
             s.select(s.findNode("b"));
         }},
        {"time", [](Scene& s) { s.setTime(160); }},
        {"box parameter",
         [](Scene& s) { static_cast<BoxObject*>(s.findNode("box")->object())->segments = 2; }},
        {"object kind",
         [](Scene& s) { s.findNode("box")->setObject(std::make_unique<CameraObject>()); }},
    };
    const std::string base = dumpScene(*sample());
    for (const auto& [what, change] : changes) {
        auto s = sample();
        change(*s);
        EXPECT_NE(dumpScene(*s), base) << what;
    }
}

} // namespace
