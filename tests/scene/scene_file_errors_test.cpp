// Scene-file errors: every message names the file, the place (a JSON pointer, or a
// line and column for syntax errors) and what is wrong.
#include <gtest/gtest.h>

#include "scenes/scene_file.h"

namespace {

FileError errorOf(const std::string& text) {
    SceneLoadResult loaded = parseSceneText(text, "bad.json");
    EXPECT_FALSE(loaded.ok());
    return loaded.error;
}

// A valid scene with one mesh node (two faces, mapped) and four materials; each test
// breaks one thing in it.
std::string scene(const std::string& nodeMesh = R"("mesh": {
      "vertices": [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]],
      "faces": [[0, 1, 2, 1, 7], [0, 2, 3, 2147483648, 65541]],
      "texVerts": [[0, 0, 0], [1, 1, 0]],
      "texFaces": [[0, 1, 1], [0, 1, 0]]})",
                  const std::string& nodeMaterial = "1",
                  const std::string& slots = "[0, null, 2]") {
    return R"({"format": "zefscene", "version": 1,
  "maps": [{"name": "b", "type": "bitmap", "file": "/t/a.png"}],
  "materials": [
    {"name": "s", "type": "standard", "maps": [{"slot": 1, "map": 0, "amount": 0.5}]},
    {"name": "m", "type": "multi", "slots": )" +
           slots + R"(},
    {"name": "x", "type": "matte"},
    {"name": "inner", "type": "multi", "slots": [0]}],
  "nodes": [
    {"name": "group"},
    {"name": "mesh", "parent": 0, "material": )" +
           nodeMaterial + ", " + nodeMesh + R"(}],
  "selection": [1]
})";
}

void expectError(const FileError& e, const std::string& place, const std::string& what) {
    EXPECT_EQ(e.file, "bad.json");
    EXPECT_EQ(e.place, place) << e.message();
    EXPECT_NE(e.problem.find(what), std::string::npos) << e.message();
    EXPECT_NE(e.message().find("bad.json: " + place), std::string::npos) << e.message();
}

TEST(FileErrors, BaseSceneIsValid) {
    SceneLoadResult loaded = parseSceneText(scene(), "bad.json");
    ASSERT_TRUE(loaded.ok()) << loaded.error.message();
    EXPECT_EQ(loaded.scene->selectedCount(), 1);
}

TEST(FileErrors, NamesAreOneLine) {
    std::string broken = scene();
    broken.replace(broken.find(R"("name": "mesh")"), 14, R"("name": "me\nsh")");
    expectError(errorOf(broken), "/nodes/1/name", "line break");
    std::string file = scene();
    file.replace(file.find("/t/a.png"), 8, R"(/t/a\r.png)");
    expectError(errorOf(file), "/maps/0/file", "line break");
}

TEST(FileErrors, SyntaxErrorGivesLineAndColumn) {
    FileError e = errorOf("{\n  \"format\": \"zefscene\",\n  \"version\": 1,,\n}");
    EXPECT_EQ(e.file, "bad.json");
    EXPECT_EQ(e.place, "line 3, column 16") << e.message();
    EXPECT_NE(e.problem.find("syntax error"), std::string::npos) << e.problem;
    EXPECT_EQ(e.problem.find("[json.exception"), std::string::npos) << e.problem;
}

TEST(FileErrors, TruncatedFileIsASyntaxError) {
    std::string text = scene();
    FileError e = errorOf(text.substr(0, text.size() / 2));
    EXPECT_EQ(e.place.rfind("line ", 0), 0u) << e.message();
}

TEST(FileErrors, VertexIndexOutOfRange) {
    FileError e = errorOf(scene(R"("mesh": {"vertices": [[0,0,0],[1,0,0],[0,1,0]],
                                          "faces": [[0,1,2,0,0],[0,1,3,0,0]]})"));
    expectError(e, "/nodes/1/mesh/faces/1/2", "vertex index 3 is out of range (must be below 3)");
}

TEST(FileErrors, TextureFaceCountDiffersFromFaceCount) {
    FileError e = errorOf(scene(R"("mesh": {"vertices": [[0,0,0],[1,0,0],[0,1,0]],
        "faces": [[0,1,2,0,0],[0,2,1,0,0]], "texVerts": [[0,0,0]], "texFaces": [[0,0,0]]})"));
    expectError(e, "/nodes/1/mesh/texFaces", "1 texture faces for 2 faces");
}

TEST(FileErrors, TextureVertexIndexOutOfRange) {
    FileError e = errorOf(scene(R"("mesh": {"vertices": [[0,0,0],[1,0,0],[0,1,0]],
        "faces": [[0,1,2,0,0]], "texVerts": [[0,0,0]], "texFaces": [[0,0,1]]})"));
    expectError(e, "/nodes/1/mesh/texFaces/0/2", "texture vertex index 1 is out of range");
}

TEST(FileErrors, WrongTypes) {
    expectError(errorOf(scene(R"("mesh": {"vertices": [[0,"1",0]], "faces": []})")),
                "/nodes/1/mesh/vertices/0/1", "expected a number, found string \"1\"");
    expectError(errorOf(scene(R"("mesh": {"vertices": [], "faces": {}})")), "/nodes/1/mesh/faces",
                "expected an array, found an object");
    expectError(errorOf(scene(R"("mesh": {"vertices": [[0,0]], "faces": []})")),
                "/nodes/1/mesh/vertices/0", "expected 3 entries, found 2");
    expectError(errorOf(scene(R"("box": {"width": 1, "length": 1, "height": 1, "segments": 1.5})")),
                "/nodes/1/box/segments", "expected an integer");
}

TEST(FileErrors, FaceWordsMustBeUnsigned32Bit) {
    expectError(errorOf(scene(R"("mesh": {"vertices": [[0,0,0]], "faces": [[0,0,0,-1,0]]})")),
                "/nodes/1/mesh/faces/0/3", "expected an unsigned 32-bit integer, found number -1");
    expectError(
        errorOf(scene(R"("mesh": {"vertices": [[0,0,0]], "faces": [[0,0,0,0,4294967296]]})")),
        "/nodes/1/mesh/faces/0/4", "unsigned 32-bit");
}

TEST(FileErrors, UnknownMaterialReference) {
    expectError(errorOf(scene(R"("camera": {})", "9")), "/nodes/1/material",
                "material index 9 is out of range (must be below 4)");
    expectError(errorOf(scene(R"("camera": {})", "1", "[0, 7]")), "/materials/1/slots/1",
                "material index 7 is out of range");
}

TEST(FileErrors, MultiMaterialCycle) {
    // "m" holding "inner" is fine; "m" holding itself is not.
    EXPECT_TRUE(parseSceneText(scene(R"("camera": {})", "1", "[3]"), "bad.json").ok());
    expectError(errorOf(scene(R"("camera": {})", "1", "[0, 1]")), "/materials/1/slots/1", "cycle");
}

TEST(FileErrors, MissingAndUnknownFields) {
    expectError(errorOf(scene(R"("mesh": {"vertices": []})")), "/nodes/1/mesh",
                "missing field \"faces\"");
    expectError(errorOf(scene(R"("box": {"width": 1, "length": 1, "heigth": 1, "segments": 1})")),
                "/nodes/1/box", "unknown field \"heigth\"");
    expectError(errorOf(R"({"format": "zefscene", "version": 1, "nodes": [{"parent": null}]})"),
                "/nodes/0", "missing field \"name\"");
}

TEST(FileErrors, NodeHoldsAtMostOneObject) {
    expectError(errorOf(scene(R"("camera": {}, "light": {})")), "/nodes/1",
                "found both \"camera\" and \"light\"");
}

TEST(FileErrors, ParentMustComeFirst) {
    expectError(errorOf(R"({"format": "zefscene", "version": 1,
                            "nodes": [{"name": "a", "parent": 1}, {"name": "b"}]})"),
                "/nodes/0/parent", "parent 1 does not come before this node");
    // nor may a node be its own parent
    expectError(errorOf(R"({"format": "zefscene", "version": 1,
                            "nodes": [{"name": "a"}, {"name": "b", "parent": 1}]})"),
                "/nodes/1/parent", "parent 1 does not come before this node");
}

TEST(FileErrors, SegmentsBeyondTheirLimit) {
    // one past the limit is refused (at the limit itself the object would be millions of
    // faces, too many to build here)
    expectError(errorOf(scene(R"("box": {"width": 1, "length": 1, "height": 1, "segments": 501})")),
                "/nodes/1/box/segments", "501 is out of range (the limit is 500)");
    expectError(errorOf(scene(R"("sphere": {"radius": 1, "segments": 2001})")),
                "/nodes/1/sphere/segments", "2001 is out of range (the limit is 2000)");
}

TEST(FileErrors, SelectionProblems) {
    const std::string head = R"({"format": "zefscene", "version": 1, "nodes": [{"name": "a"}], )";
    expectError(errorOf(head + R"("selection": [1]})"), "/selection/0",
                "node index 1 is out of range");
    expectError(errorOf(head + R"("selection": [0, 0]})"), "/selection/1", "selected twice");
}

TEST(FileErrors, UnknownKindsAndFormat) {
    expectError(errorOf(R"({"format": "zefscene", "version": 1,
                            "materials": [{"name": "a", "type": "shellac"}]})"),
                "/materials/0/type", "unknown material type \"shellac\"");
    expectError(errorOf(R"({"format": "zefscene", "version": 1,
                            "maps": [{"name": "a", "type": "noise"}]})"),
                "/maps/0/type", "unknown map type");
    expectError(errorOf(R"({"format": "zefscene", "version": 2})"), "/version",
                "unsupported version");
    expectError(errorOf(R"({"format": "obj", "version": 1})"), "/format", "zefscene");
    expectError(errorOf("[1, 2]"), "/", "expected an object");
}

TEST(FileErrors, MapReferencesAndSlots) {
    const std::string head = R"({"format": "zefscene", "version": 1, "materials": [
        {"name": "s", "type": "standard", "maps": )";
    expectError(errorOf(head + R"([{"slot": 1, "map": 0}]}]})"), "/materials/0/maps/0/map",
                "map index 0 is out of range (must be below 0)");
    expectError(errorOf(head + R"([{"slot": 12, "map": null}]}]})"), "/materials/0/maps/0/slot",
                "map slot index 12 is out of range");
}

TEST(FileErrors, FloatOutOfRange) {
    // The parser itself refuses it, so the place is a line and column.
    std::string text = scene(R"("sphere": {"radius": 1e39, "segments": 8})");
    FileError e = errorOf(text);
    EXPECT_EQ(e.place, "line 10, column 71") << e.message();
    EXPECT_NE(e.problem.find("out of range for a float: 1e39"), std::string::npos) << e.problem;
}

TEST(FileErrors, MissingFileIsNamed) {
    SceneLoadResult loaded = loadSceneFile("/nonexistent/dir/scene.json");
    EXPECT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error.file, "/nonexistent/dir/scene.json");
    EXPECT_NE(loaded.error.message().find("cannot open"), std::string::npos);
}

} // namespace
