// The demo scene, built in code.
#include "scenes/demo_scene.h"

#include <numbers>
#include <vector>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"

namespace {

struct FaceData {
    uint32_t v0, v1, v2, smoothing, flags;
};

struct MeshRecipe {
    std::vector<Point3> vertices;
    std::vector<FaceData> faces;
    std::vector<UVVert> texVerts;
    std::vector<TVFace> texFaces; // empty, or one per face
};

std::unique_ptr<MeshObject> buildMesh(const MeshRecipe& recipe) {
    auto object = std::make_unique<MeshObject>();
    Mesh& m = object->mesh;
    m.setNumVerts(int(recipe.vertices.size()));
    for (size_t i = 0; i < recipe.vertices.size(); ++i) m.vertices[i] = recipe.vertices[i];
    m.setNumFaces(int(recipe.faces.size()));
    for (size_t i = 0; i < recipe.faces.size(); ++i) {
        const FaceData& f = recipe.faces[i];
        m.faces[i].v[0] = f.v0;
        m.faces[i].v[1] = f.v1;
        m.faces[i].v[2] = f.v2;
        m.faces[i].smGroup = f.smoothing;
        m.faces[i].flags = f.flags;
    }
    m.setNumTVerts(int(recipe.texVerts.size()));
    for (size_t i = 0; i < recipe.texVerts.size(); ++i) m.texVerts[i] = recipe.texVerts[i];
    if (!recipe.texFaces.empty()) {
        m.setTexFacesEnabled(true);
        for (size_t i = 0; i < recipe.texFaces.size(); ++i) m.texFaces[i] = recipe.texFaces[i];
    }
    return object;
}

constexpr uint32_t matId(uint32_t id) {
    return id << 16;
}

// A 2 x 1 wall of four faces with texture coordinates; faces use material ids 0 to 3
// (3 lands on the multi-material's empty slot) and each face its own edge bits.
MeshRecipe wallMesh() {
    return {{{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {0, 0, 3}, {2, 0, 3}, {4, 0, 3}},
            {{0, 1, 4, 1, 0x3 | matId(0)},
             {0, 4, 3, 1, 0x6 | matId(1)},
             {1, 2, 5, 2, 0x1 | matId(2)},
             {1, 5, 4, 2, 0x4 | 0x8 | matId(3)}},
            {{0, 0, 0}, {0.5f, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5f, 1, 0}, {1, 1, 0}},
            {{{0, 1, 4}}, {{0, 4, 3}}, {{1, 2, 5}}, {{1, 5, 4}}}};
}

// A closed cube of twelve faces: one smoothing bit per side, bit 31 on the top,
// the top also in a second group, hidden diagonals, material ids beyond 0.
MeshRecipe cubeMesh(float s) {
    std::vector<Point3> v = {{0, 0, 0}, {s, 0, 0}, {s, s, 0}, {0, s, 0},
                             {0, 0, s}, {s, 0, s}, {s, s, s}, {0, s, s}};
    const uint32_t quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                  {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    const uint32_t smoothing[6] = {1u, 0x80000000u | 0x40u, 4u, 8u, 16u, 32u};
    std::vector<FaceData> faces;
    for (uint32_t q = 0; q < 6; ++q) {
        const uint32_t* c = quads[q];
        faces.push_back({c[0], c[1], c[2], smoothing[q], 0x3 | matId(q)});
        faces.push_back({c[0], c[2], c[3], smoothing[q], 0x6 | matId(q)});
    }
    return {v, faces, {}, {}};
}

// A 2 x 2 floor grid; one face in no smoothing group, one with every smoothing bit.
MeshRecipe floorMesh() {
    std::vector<Point3> v;
    std::vector<UVVert> tv;
    for (int y = 0; y <= 2; ++y)
        for (int x = 0; x <= 2; ++x) {
            v.push_back({float(x) * 5 - 5, float(y) * 5 - 5, 0});
            tv.push_back({float(x) * 0.5f, float(y) * 0.5f, 0});
        }
    std::vector<FaceData> faces;
    std::vector<TVFace> tfaces;
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            uint32_t a = y * 3 + x, b = a + 1, c = a + 4, d = a + 3;
            uint32_t sm = (x == 0 && y == 0) ? 0u : (x == 1 && y == 1) ? 0xFFFFFFFFu : 1u;
            faces.push_back({a, b, c, sm, 0x3});
            faces.push_back({a, c, d, sm, 0x6});
            tfaces.push_back({{a, b, c}});
            tfaces.push_back({{a, c, d}});
        }
    return {v, faces, tv, tfaces};
}

} // namespace

std::unique_ptr<Scene> makeDemoScene() {
    auto scene = std::make_unique<Scene>();
    Scene& s = *scene;

    // texture maps
    BitmapTexmap* brickMap =
        s.createBitmapTexmap("Brick bitmap", "C:\\maps\\bricks\\brick_red.png");
    BitmapTexmap* oakMap = s.createBitmapTexmap("Oak bitmap", "/textures/wood/oak.jpg");
    CheckerTexmap* checker = s.createCheckerTexmap("Floor checker");
    checker->color1 = {0.1f, 0.1f, 0.1f};
    checker->color2 = {0.9f, 0.85f, 0.8f};
    checker->uTiling = 4;
    checker->vTiling = 4;

    // materials
    StdMaterial* brick = s.createStdMaterial("Brick");
    brick->diffuseColor = {0.8f, 0.4f, 0.2f};
    brick->shininessValue = 0.25f;
    brick->maps[StdMaterial::kDiffuseSlot] = brickMap;
    brick->mapAmounts[StdMaterial::kDiffuseSlot] = 0.75f;
    StdMaterial* floor = s.createStdMaterial("Checker Floor");
    floor->maps[StdMaterial::kDiffuseSlot] = checker;
    StdMaterial* glass = s.createStdMaterial("Glass");
    glass->diffuseColor = {0.6f, 0.8f, 0.9f};
    glass->transparencyValue = 0.25f;
    glass->setTwoSided(1);
    MatteMaterial* shadow = s.createMatteMaterial("Shadow Catcher");
    shadow->color = {0.2f, 0.2f, 0.2f};
    StdMaterial* oak = s.createStdMaterial("Oak");
    oak->diffuseColor = {0.55f, 0.35f, 0.2f};
    oak->maps[StdMaterial::kDiffuseSlot] = oakMap;
    MultiMtl* wallMix = s.createMultiMaterial("Wall Mix", 4); // standard, matte, two-sided, empty
    wallMix->setSubMaterial(0, brick);
    wallMix->setSubMaterial(1, shadow);
    wallMix->setSubMaterial(2, glass);
    MultiMtl* trimMix = s.createMultiMaterial("Trim Mix", 2); // holds a nested multi-material
    trimMix->setSubMaterial(0, oak);
    trimMix->setSubMaterial(1, wallMix);

    // nodes: a selected wall below an unselected building
    SceneNode* building = s.createNode("Building");
    building->setTransform(Matrix3::Translation({10, 0, 0}));
    SceneNode* north = s.createNode("Wall: North side", building);
    north->setTransform(Matrix3::Translation({0, 4, 0}));
    north->setObject(buildMesh(wallMesh()));
    north->setMaterial(wallMix);
    SceneNode* south = s.createNode("Wall: South side", building);
    south->setTransform(Matrix3::Rotation({0, 0, 1}, std::numbers::pi_v<float>) *
                        Matrix3::Translation({4, -4, 0}));
    south->setObject(buildMesh(wallMesh()));
    south->setMaterial(trimMix);
    SceneNode* chimney = s.createNode("Chimney", building);
    chimney->setTransform(Matrix3::Translation({1, 1, 3}));
    chimney->setObject(std::make_unique<BoxObject>(1.0f, 1.0f, 2.5f, 2));
    chimney->setMaterial(brick); // shared with the plinth

    SceneNode* plinth = s.createNode("Plinth");
    plinth->setTransform(Matrix3::Scale({2, 2, 0.5f}) * Matrix3::Translation({-6, -6, 0}));
    plinth->setObject(buildMesh(cubeMesh(1)));
    plinth->setMaterial(brick);
    SceneNode* bare = s.createNode("Bare cube");
    bare->setTransform(Matrix3::Translation({-3, 6, 0}));
    bare->setObject(buildMesh(cubeMesh(0.5f))); // no material
    SceneNode* floorNode = s.createNode("Floor");
    floorNode->setObject(buildMesh(floorMesh()));
    floorNode->setMaterial(floor);
    SceneNode* dome = s.createNode("Dome");
    dome->setTransform(Matrix3::Translation({0, 0, 6}));
    dome->setObject(std::make_unique<SphereObject>(1.5f, 12));
    dome->setMaterial(glass);
    SceneNode* cloud = s.createNode("Survey points");
    MeshRecipe points{{{0, 0, 0}, {1, 2, 3}, {-1, 0.5f, 2}}, {}, {}, {}}; // vertices, no faces
    cloud->setObject(buildMesh(points));
    cloud->setMaterial(oak);
    SceneNode* camera = s.createNode("Camera 01");
    camera->setTransform(Matrix3::Translation({0, -20, 5}));
    camera->setObject(std::make_unique<CameraObject>());
    SceneNode* sun = s.createNode("Sun");
    auto light = std::make_unique<LightObject>();
    light->kind = LightObject::Kind::Directional;
    light->color = {1, 0.95f, 0.85f};
    light->intensity = 1.2f;
    sun->setTransform(Matrix3::Translation({10, 10, 30}));
    sun->setObject(std::move(light));
    SceneNode* shadowPlane = s.createNode("Shadow plane: ground", floorNode);
    shadowPlane->setObject(buildMesh(floorMesh()));
    shadowPlane->setMaterial(shadow);

    s.select(north);
    s.select(dome);
    s.select(camera);
    return scene;
}
