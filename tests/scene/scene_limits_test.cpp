// Scene files at and past their limits: primitive sizes and world coordinates past
// the float range, each refused with its place (and its limit).
#include <gtest/gtest.h>

#include <chrono>

#include "scenes/scene_file.h"
#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/primitive_objects.h"

namespace {
// One node holding object (the text of a node field such as "box": {...}).
std::string oneNode(const std::string& object, const std::string& transform = "") {
    return R"({"format": "zefscene", "version": 1, "nodes": [{"name": "n", )" +
           (transform.empty() ? "" : R"("transform": )" + transform + ", ") + object + "}]}";
}

FileError errorOf(const std::string& text) {
    SceneLoadResult loaded = parseSceneText(text, "big.json");
    EXPECT_FALSE(loaded.ok());
    return loaded.error;
}
} // namespace

TEST(SceneLimits, PrimitiveSegmentsBeyondTheLimitAreRefused) {
    FileError box =
        errorOf(oneNode(R"("box": {"width": 1, "length": 1, "height": 1, "segments": 100000})"));
    EXPECT_EQ(box.file, "big.json");
    EXPECT_EQ(box.place, "/nodes/0/box/segments");
    EXPECT_NE(box.problem.find("the limit is " + std::to_string(kMaxBoxSegments)),
              std::string::npos)
        << box.message();
    FileError sphere = errorOf(oneNode(R"("sphere": {"radius": 1, "segments": 70000})"));
    EXPECT_EQ(sphere.place, "/nodes/0/sphere/segments");
    EXPECT_NE(sphere.problem.find(std::to_string(kMaxSphereSegments)), std::string::npos);
    FileError huge = errorOf(
        oneNode(R"("box": {"width": 1, "length": 1, "height": 1, "segments": 2147483647})"));
    EXPECT_EQ(huge.place, "/nodes/0/box/segments");
}

TEST(SceneLimits, PrimitivesAtTheLimitLoadAndBuildInLinearTime) {
    std::string text = oneNode(R"("box": {"width": 1, "length": 1, "height": 1, "segments": )" +
                               std::to_string(kMaxBoxSegments) + "}");
    SceneLoadResult loaded = parseSceneText(text, "big.json");
    ASSERT_TRUE(loaded.ok()) << loaded.error.message();
    auto* box = dynamic_cast<BoxObject*>(loaded.scene->findNode("n")->object());
    ASSERT_NE(box, nullptr);
    auto start = std::chrono::steady_clock::now();
    Mesh mesh = box->buildMesh();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(mesh.faceCount, 12 * kMaxBoxSegments * kMaxBoxSegments);
    EXPECT_EQ(mesh.vertexCount, 6 * kMaxBoxSegments * kMaxBoxSegments + 2);
    EXPECT_LT(seconds, 20.0);                             // a cubic vertex loop takes minutes here
    Mesh clamped = hostkit::makeBoxMesh(1, 1, 1, 100000); // the kit clamps instead of overflowing
    EXPECT_EQ(clamped.faceCount, mesh.faceCount);
}

TEST(SceneLimits, TransformTakingAVertexPastTheFloatRangeIsRefused) {
    const std::string mesh = R"("mesh": {"vertices": [[0, 0, 0], [1, 0, 0], [0, 1, 0]],
                                          "faces": [[0, 1, 2, 1, 7]]})";
    FileError far = errorOf(oneNode(mesh, "[[3e38, 0, 0], [0, 1, 0], [0, 0, 1], [3e38, 0, 0]]"));
    EXPECT_EQ(far.place, "/nodes/0");
    EXPECT_NE(far.problem.find("vertex 1 past the float range"), std::string::npos)
        << far.message();
    // opposite infinities give NaN, which is refused too
    const std::string wide = R"("mesh": {"vertices": [[0, 0, 0], [3e38, 3e38, 0], [0, 1, 0]],
                                          "faces": [[0, 1, 2, 1, 7]]})";
    FileError nan = errorOf(oneNode(wide, "[[2, 0, 0], [-2, 0, 0], [0, 0, 1], [0, 0, 0]]"));
    EXPECT_NE(nan.problem.find("vertex 1 past the float range"), std::string::npos)
        << nan.message();
    // a large box primitive that the transform scales up
    EXPECT_EQ(errorOf(oneNode(R"("box": {"width": 1e38, "length": 1, "height": 1, "segments": 1})",
                              "[[10, 0, 0], [0, 1, 0], [0, 0, 1], [0, 0, 0]]"))
                  .place,
              "/nodes/0");
    // large but finite loads
    SceneLoadResult near =
        parseSceneText(oneNode(mesh, "[[3e38, 0, 0], [0, 1, 0], [0, 0, 1], [0, 0, 0]]"), "n");
    EXPECT_TRUE(near.ok()) << near.error.message();
}
