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
