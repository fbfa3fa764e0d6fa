// Scene objects: evaluation, conversion to triangle meshes, the deleteThis ownership
// rule, and world bounding boxes under node transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/kit_class_ids.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"
#include "hostkit/scene/scene.h"

namespace {

// Counts destructions, so a test can see whether deleteThis really deleted.
struct CountedMesh : MeshObject {
    static inline int destroyed = 0;
    ~CountedMesh() override { ++destroyed; }
};

Mesh triangleWithStrayVertex() {
    Mesh m;
    m.setNumVerts(4);
    m.vertices[0] = {0, 0, 0};
    m.vertices[1] = {1, 0, 0};
    m.vertices[2] = {0, 2, 0};
    m.vertices[3] = {100, 100, 100}; // used by no face
    m.setNumFaces(1);
    m.faces[0].v[0] = 0;
    m.faces[0].v[1] = 1;
    m.faces[0].v[2] = 2;
    return m;
}

void expectNear(const Point3& a, const Point3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(SceneObjects, NodeEvaluatesToItsObjectOrNull) {
    Scene scene;
    SceneNode* empty = scene.createNode("group");
    SceneNode* node = scene.createNode("mesh");
    auto object = std::make_unique<MeshObject>();
    HostObject* raw = object.get();
    node->setObject(std::move(object));
    EXPECT_EQ(node->evaluate(0, 1).obj, raw);
    EXPECT_EQ(empty->evaluate(0, 1).obj, nullptr);
}

TEST(SceneObjects, MeshConvertsToItselfAndDeleteThisKeepsItWhileOwned) {
    Scene scene;
    SceneNode* node = scene.createNode("mesh");
    node->setObject(std::make_unique<CountedMesh>());
    HostObject* object = node->evaluate(0, 1).obj;
    ASSERT_TRUE(object->canConvertTo(triObjectClassID));
    TriangleMeshObject* tri = object->convertTo(0, triObjectClassID);
    EXPECT_EQ(tri, object);
    int before = CountedMesh::destroyed;
    tri->deleteThis(); // the node owns it: nothing happens
    EXPECT_EQ(CountedMesh::destroyed, before);
    EXPECT_EQ(node->object(), object);
    node->setObject(nullptr); // replacing frees the old object
    EXPECT_EQ(CountedMesh::destroyed, before + 1);
}

TEST(SceneObjects, ReleasedObjectDeletesItself) {
    Scene scene;
    SceneNode* node = scene.createNode("mesh");
    node->setObject(std::make_unique<CountedMesh>());
    std::unique_ptr<HostObject> released = node->releaseObject();
    EXPECT_EQ(node->object(), nullptr);
    int before = CountedMesh::destroyed;
    released.release()->deleteThis();
    EXPECT_EQ(CountedMesh::destroyed, before + 1);
}

TEST(SceneObjects, PrimitivesConvertToANewCallerOwnedMesh) {
    Scene scene;
    SceneNode* boxNode = scene.createNode("box");
    boxNode->setObject(std::make_unique<BoxObject>(2.0f, 3.0f, 4.0f, 2));
    SceneNode* sphereNode = scene.createNode("sphere");
    sphereNode->setObject(std::make_unique<SphereObject>(1.0f, 8));
    for (SceneNode* node : {boxNode, sphereNode}) {
        HostObject* object = node->evaluate(0, 1).obj;
        ASSERT_TRUE(object->canConvertTo(triObjectClassID));
        TriangleMeshObject* first = object->convertTo(0, triObjectClassID);
        TriangleMeshObject* second = object->convertTo(0, triObjectClassID);
        ASSERT_NE(first, nullptr);
        EXPECT_NE(static_cast<HostObject*>(first), object);
        EXPECT_NE(first, second); // a fresh object on every call
        EXPECT_EQ(first->classId(), triObjectClassID);
        EXPECT_GT(first->mesh.faceCount, 0);
        EXPECT_FALSE(dynamic_cast<MeshObject*>(first)->isOwnedByNode());
        first->deleteThis();
        second->deleteThis();
        EXPECT_EQ(node->object(), object); // the primitive itself stays
    }
}

TEST(SceneObjects, BoxMeshFollowsItsParameters) {
    BoxObject box(2.0f, 3.0f, 4.0f, 2);
    TriangleMeshObject* tri = box.convertTo(0, triObjectClassID);
    Mesh expected = hostkit::makeBoxMesh(2.0f, 3.0f, 4.0f, 2);
    EXPECT_EQ(tri->mesh.faceCount, expected.faceCount);
    EXPECT_EQ(tri->mesh.vertexCount, expected.vertexCount);
    tri->deleteThis();
}

TEST(WorldBoundingBox, MeshBoxCoversTransformedFaceVerticesOnly) {
    Scene scene;
    SceneNode* node = scene.createNode("tri");
    Matrix3 tm = Matrix3::Scale({2, 1, 1}) * Matrix3::Rotation({0, 0, 1}, 0.5f) *
                 Matrix3::Translation({5, -3, 7});
    node->setTransform(tm);
    node->setObject(std::make_unique<MeshObject>(triangleWithStrayVertex()));
    Box3 box;
    node->object()->worldBoundingBox(0, node, nullptr, box);
    Mesh m = triangleWithStrayVertex();
    Box3 expected;
    for (int i = 0; i < 3; ++i) expected += m.vertices[i] * tm; // the stray vertex is out
    expectNear(box.pmin, expected.pmin);
    expectNear(box.pmax, expected.pmax);
}

TEST(WorldBoundingBox, ChildTransformIsTheNodesOwnObjectToWorld) {
    // Transforms are stored object to world: a child's box does not add its parent's.
    Scene scene;
    SceneNode* parent = scene.createNode("parent");
    parent->setTransform(Matrix3::Translation({100, 0, 0}));
    SceneNode* child = scene.createNode("child", parent);
    child->setTransform(Matrix3::Translation({1, 2, 3}));
    child->setObject(std::make_unique<MeshObject>(triangleWithStrayVertex()));
    Box3 box;
    child->object()->worldBoundingBox(0, child, nullptr, box);
    expectNear(box.pmin, {1, 2, 3});
    expectNear(box.pmax, {2, 4, 3});
}

TEST(WorldBoundingBox, MeshWithoutFacesHasAnEmptyBox) {
    Scene scene;
    SceneNode* node = scene.createNode("points");
    Mesh m = triangleWithStrayVertex();
    m.setNumFaces(0);
    node->setObject(std::make_unique<MeshObject>(m));
    Box3 box;
    node->object()->worldBoundingBox(0, node, nullptr, box);
    EXPECT_TRUE(box.IsEmpty());
}

TEST(WorldBoundingBox, PrimitiveBoxIsItsMeshBoxMoved) {
    Scene scene;
    SceneNode* node = scene.createNode("box");
    node->setTransform(Matrix3::Translation({10, 20, 30}));
    node->setObject(std::make_unique<BoxObject>(2.0f, 4.0f, 6.0f, 1));
    Box3 box;
    node->object()->worldBoundingBox(0, node, nullptr, box);
    Box3 local = hostkit::meshBoundingBox(hostkit::makeBoxMesh(2.0f, 4.0f, 6.0f, 1));
    expectNear(box.pmin, local.pmin + Point3(10, 20, 30));
    expectNear(box.pmax, local.pmax + Point3(10, 20, 30));
    expectNear(box.Width(), {2, 4, 6});
}

TEST(WorldBoundingBox, SphereBoxIsWithinItsRadius) {
    Scene scene;
    SceneNode* node = scene.createNode("sphere");
    node->setTransform(Matrix3::Translation({-1, 0, 1}));
    node->setObject(std::make_unique<SphereObject>(2.0f, 16));
    Box3 box;
    node->object()->worldBoundingBox(0, node, nullptr, box);
    EXPECT_NEAR(box.pmax.z, 3.0f, 1e-5f); // the poles lie on the sphere
    EXPECT_NEAR(box.pmin.z, -1.0f, 1e-5f);
    EXPECT_LE(box.pmax.x, 1.0f + 1e-5f);
    EXPECT_GT(box.pmax.x, 0.5f);
}

TEST(WorldBoundingBox, CameraAndLightArePointsAtTheNodeOrigin) {
    Scene scene;
    SceneNode* camera = scene.createNode("camera");
    camera->setTransform(Matrix3::Rotation({1, 0, 0}, 1.0f) * Matrix3::Translation({4, 5, 6}));
    camera->setObject(std::make_unique<CameraObject>());
    SceneNode* light = scene.createNode("light");
    light->setTransform(Matrix3::Translation({-1, -2, -3}));
    light->setObject(std::make_unique<LightObject>());
    Box3 box;
    camera->object()->worldBoundingBox(0, camera, nullptr, box);
    expectNear(box.pmin, {4, 5, 6});
    expectNear(box.pmax, {4, 5, 6});
    light->object()->worldBoundingBox(0, light, nullptr, box);
    expectNear(box.pmin, {-1, -2, -3});
    EXPECT_FALSE(box.IsEmpty());
}

} // namespace
