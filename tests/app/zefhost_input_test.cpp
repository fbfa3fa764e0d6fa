// zefhost on hostile input: scene files past their limits and a million-level
// hierarchy end to end, and the ZEF reader on numbers at the edge of its format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/command_line.h"
#include "app/zefhost_session.h"
#include "host_run.h"
#include "scenes/zef_reader.h"

namespace fs = std::filesystem;

namespace {
class ZefhostInputTest : public ::testing::Test {
  protected:
    std::string path(const char* name) { return (dir / name).string(); }

    // Runs zefhost with the plug-in under test; returns the exit code, stderr in err.
    int zefhost(std::vector<std::string> args, std::string& err) {
        HostRun run = ::zefhost(std::move(args));
        err = run.err;
        return run.code;
    }

    ScratchFolder scratch{"zefhost_input_test"};
    const fs::path& dir = scratch.dir();
};

std::string readerError(const std::string& text) {
    ZefSummary summary;
    FileError error;
    EXPECT_FALSE(readZefText(text, "t.zef", summary, error));
    return error.message();
}

const char* kHeader = "ZEF File 1.0\nNumObjects: 1\nObject 0: T\n";
} // namespace

TEST_F(ZefhostInputTest, OversizedBoxIsAOneLineUsageErrorWithNoOutput) {
    std::ofstream(path("box.json"))
        << R"({"format": "zefscene", "version": 1, "nodes": [{"name": "b", "box": )"
        << R"({"width": 1, "length": 1, "height": 1, "segments": 100000}}]})";
    std::string err;
    EXPECT_EQ(zefhost({"export", path("box.json"), path("out.zef")}, err), kExitUsage);
    EXPECT_NE(err.find(path("box.json") + ": /nodes/0/box/segments: 100000 is out of range "
                                          "(the limit is 500)\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(fs::exists(path("out.zef")));
}

TEST_F(ZefhostInputTest, MillionLevelHierarchyExports) {
    {
        std::ofstream scene(path("deep.json"));
        scene << R"({"format": "zefscene", "version": 1, "nodes": [{"name": "n0"})";
        for (int i = 1; i < 1000000; ++i)
            scene << ",\n{\"name\": \"n" << i << "\", \"parent\": " << i - 1 << "}";
        scene << R"(, {"name": "tri", "parent": 999999, "mesh": {"vertices": )"
              << R"([[0, 0, 0], [1, 0, 0], [0, 1, 0]], "faces": [[0, 1, 2, 1, 7]]}}]})";
    }
    std::string err;
    ASSERT_EQ(zefhost({"export", path("deep.json"), path("deep.zef")}, err), kExitOk) << err;
    ZefSummary summary;
    FileError error;
    ASSERT_TRUE(readZefFile(path("deep.zef"), summary, error)) << error.message();
    ASSERT_EQ(summary.objects.size(), 1u);
    EXPECT_EQ(summary.objects[0].name, "tri");
}

TEST(ZefReaderNumbers, RealsOfEveryWidthTheWriterMakesRead) {
    std::string text = std::string(kHeader) +
                       "Vertices: 1 TVertices: 0 Faces: 0 Materials: 0 Normals: 0\n"
                       "Vertex list:\n"
                       "Vertex 0: X: 340282346638528859811704183484516925440,000000 "
                       "Y: -9223372036854775808,000000 Z: 9300000000000000000,000000\n"
                       "Face list:\n";
    ZefSummary summary;
    FileError error;
    EXPECT_TRUE(readZefText(text, "t.zef", summary, error)) << error.message();
}

TEST(ZefReaderNumbers, CountsAndIndicesOutOfRangeBreakTheFormat) {
    EXPECT_EQ(readerError(std::string(kHeader) +
                          "Vertices: 4294967296 TVertices: 0 Faces: 0 Materials: 0 Normals: 0\n"),
              "t.zef:4: Vertices: count out of range");
    EXPECT_EQ(readerError(std::string(kHeader) + "Vertices: 99999999999999999999 TVertices: 0 "
                                                 "Faces: 0 Materials: 0 Normals: 0\n"),
              "t.zef:4: expected Vertices: <integer>");
    EXPECT_EQ(readerError("ZEF File 1.0\nNumObjects: 9223372036854775808\n"),
              "t.zef:2: expected NumObjects: <integer>");
}

TEST(ZefReaderNumbers, AnEmptyFileFailsAtItsFirstLine) {
    EXPECT_EQ(readerError(""), "t.zef:1: file ends; expected ZEF File 1.0");
}

namespace {
// A file of one triangle, its lines after the counts line given.
std::string oneTriangle(const std::string& counts, const std::string& faceLines) {
    return std::string(kHeader) + counts +
           "Vertex list:\n"
           "Vertex 0: X: 0,000000 Y: 0,000000 Z: 0,000000\n"
           "Vertex 1: X: 1,000000 Y: 0,000000 Z: 0,000000\n"
           "Vertex 2: X: 0,000000 Y: 1,000000 Z: 0,000000\n"
           "Face list:\n" +
           faceLines;
}
const char* kCounts = "Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 0\n";
const char* kFace = "Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 0 CA: 1\nSmoothing: 1\n";
} // namespace

TEST(ZefReaderChecks, EachBrokenRuleIsNamedAtItsLine) {
    const std::string good = oneTriangle(kCounts, kFace);
    ZefSummary summary;
    FileError error;
    ASSERT_TRUE(readZefText(good, "t.zef", summary, error)) << error.message();

    EXPECT_EQ(readerError(oneTriangle("Vertices: -1 TVertices: 0 Faces: 0 Materials: 0 "
                                      "Normals: 0\n",
                                      "")),
              "t.zef:4: Vertices: count out of range");
    EXPECT_EQ(readerError(oneTriangle("Vertices: 3 TVertices: 0 Faces: 1 Materials: 0 Normals: 2\n",
                                      kFace)),
              "t.zef:4: Normals must be 0 or 1");
    EXPECT_EQ(readerError(
                  oneTriangle(kCounts, "Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 2 CA: 1\nSmoothing: 1\n")),
              "t.zef:10: edge flags must be 0 or 1");
    EXPECT_EQ(readerError(oneTriangle(
                  kCounts, "Face 0: A: 0 B: 1 C: 2 AB: 1 BC: 0 CA: 1\nSmoothing: 4294967296\n")),
              "t.zef:11: smoothing word out of range");
    EXPECT_EQ(readerError(oneTriangle(kCounts, std::string(kFace) + "Material: 65536\n")),
              "t.zef:12: material id out of range");
    EXPECT_EQ(
        readerError(oneTriangle("Vertices: 3 TVertices: 0 Faces: 2 Materials: 0 "
                                "Normals: 0\n",
                                std::string(kFace) + "Material: 0\n"
                                                     "Face 1: A: 0 B: 2 C: 1 AB: 1 BC: 0 CA: 1\n"
                                                     "Smoothing: 1\n")),
        "t.zef:14: Material lines must be on every face or none");
    EXPECT_EQ(readerError(good + "Object 1: U\n"), "t.zef:12: text after the last object");
}

TEST(ZefReaderChecks, LinesEndingInCarriageReturnAndLineFeedRead) {
    std::string text = oneTriangle(kCounts, std::string(kFace) + "Material: 3\n"), crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::vector<ZefObject> objects;
    FileError error;
    const ScratchFolder scratch("zef_reader_crlf");
    std::ofstream(scratch.path("crlf.zef"), std::ios::binary) << crlf;
    ASSERT_TRUE(readZefContents(scratch.path("crlf.zef"), objects, error)) << error.message();
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_EQ(objects[0].faces.size(), 1u);
    EXPECT_EQ(objects[0].faces[0].material, 3);
    EXPECT_EQ(objects[0].faces[0].smoothing, 1u);
    EXPECT_EQ(objects[0].faces[0].edges, 0b101u);
}
