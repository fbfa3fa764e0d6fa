// zefhost with real scene files: ZEF files read back (byte-identical round trips),
// scenes saved through Assimp by extension, embedded images written beside the
// output, and the decimal-comma locale the preparation leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/command_line.h"
#include "host_run.h"
#include "app/zefhost_session.h"
#include "hostkit/scene/mesh_object.h"
#include "scenes/scene_loader.h"
#include "scenes/zef_reader.h"

namespace fs = std::filesystem;

namespace {

const std::string kCorpus = "/usr/share/assimp/models/";
// Preparation off and "Export centered" off: what a round trip needs.
const std::vector<std::string> kPlain = {"--no-unify-normals", "--no-remove-degenerate",
                                         "--no-export-centered"};

class SceneFormats : public ::testing::Test {
  protected:
    std::string path(const std::string& name) { return (dir / name).string(); }

    // Exports source (empty: the demo scene) with flags to first.zef, exports that
    // again with the same flags to second.zef, and expects the same bytes.
    void expectRoundTrip(const std::string& source, const std::vector<std::string>& flags) {
        std::vector<std::string> args = {"export"};
        if (!source.empty()) args.push_back(source);
        args.push_back(path("first.zef"));
        args.insert(args.end(), flags.begin(), flags.end());
        HostRun first = zefhost(args);
        ASSERT_EQ(first.code, kExitOk) << source << ": " << first.err;
        args = {"export", path("first.zef"), path("second.zef")};
        args.insert(args.end(), flags.begin(), flags.end());
        HostRun second = zefhost(args);
        ASSERT_EQ(second.code, kExitOk) << source << ": " << second.err;
        std::string a = readWholeFile(path("first.zef")), b = readWholeFile(path("second.zef"));
        ASSERT_FALSE(a.empty());
        EXPECT_TRUE(a == b) << source << ": the second export differs";
    }
    ScratchFolder scratch{"zef_formats"};
    const fs::path& dir = scratch.dir();
};

TEST_F(SceneFormats, ZefRoundTripIsByteIdentical) {
    expectRoundTrip("", kPlain);
    std::vector<std::string> noMaterials = kPlain;
    noMaterials.push_back("--no-export-materials");
    expectRoundTrip("", noMaterials);
    for (const char* file : {"glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", "OBJ/spider.obj",
                             "Collada/duck.dae", "3DS/fels.3ds"})
        expectRoundTrip(kCorpus + file, kPlain);
}

TEST_F(SceneFormats, ZefGivesBackNodesMaterialsAndFaces) {
    ASSERT_EQ(zefhost({"export", path("demo.zef"), "--no-export-centered"}).code, kExitOk);
    OpenedScene back = openScene(path("demo.zef"));
    ASSERT_TRUE(back.ok()) << back.error.message();
    ZefSummary summary;
    FileError error;
    ASSERT_TRUE(readZefFile(path("demo.zef"), summary, error)) << error.message();
    std::vector<SceneNode*> nodes = back.scene->nodes();
    ASSERT_EQ(nodes.size(), summary.objects.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i]->nodeName(), summary.objects[i].name);
        EXPECT_TRUE(nodes[i]->transform().IsIdentity());
    }
    // a broken ZEF file is a clear error naming the file and line
    std::ofstream(path("broken.zef")) << "ZEF File 1.0\nNumObjects: x\n";
    OpenedScene broken = openScene(path("broken.zef"));
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error.message().find("broken.zef:2:"), std::string::npos);
}

TEST_F(SceneFormats, SavesThroughAssimpByExtension) {
    HostRun run = zefhost(
        {"utility", kCorpus + "OBJ/spider.obj", "--no-apply", "--save", path("spider.glb")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    OpenedScene source = openScene(kCorpus + "OBJ/spider.obj");
    OpenedScene saved = openScene(path("spider.glb"));
    ASSERT_TRUE(saved.ok()) << saved.error.message();
    auto faces = [](const Scene& s) {
        int n = 0;
        for (SceneNode* node : s.nodes())
            if (auto* tri = dynamic_cast<TriangleMeshObject*>(node->object()))
                n += tri->mesh.faceCount;
        return n;
    };
    EXPECT_EQ(faces(*saved.scene), faces(*source.scene));
    ASSERT_NE(saved.scene->findNode("HLeib01"), nullptr);
    // Z-up goes back to glTF's Y-up and comes in again: the same world positions
    const SceneNode* a = source.scene->findNode("HLeib01");
    const SceneNode* b = saved.scene->findNode("HLeib01");
    auto box = [](const SceneNode* n) {
        return meshWorldBox(static_cast<TriangleMeshObject*>(n->object())->mesh, n->transform());
    };
    EXPECT_NEAR(box(a).pmax.z, box(b).pmax.z, 1e-3f);
    EXPECT_NEAR(box(a).pmin.y, box(b).pmin.y, 1e-3f);
    // an unknown extension is a usage error
    EXPECT_EQ(zefhost({"utility", kCorpus + "OBJ/box.obj", "--save", path("box.nothing")}).code,
              kExitUsage);
}

// Assimp's files are saved carefully too: a link stays a link, a mode is kept, and a
// save that cannot be made leaves the old files as they were.
TEST_F(SceneFormats, SavesThroughAssimpKeepLinksModesAndOldFiles) {
    fs::create_directories(dir / "real");
    std::ofstream(dir / "real" / "box.obj") << "old";
    fs::permissions(dir / "real" / "box.obj", fs::perms(0600));
    fs::create_symlink("real/box.obj", dir / "box.obj");
    HostRun run =
        zefhost({"utility", kCorpus + "OBJ/box.obj", "--no-apply", "--save", path("box.obj")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir / "box.obj"));
    EXPECT_EQ(fs::status(dir / "real" / "box.obj").permissions(), fs::perms(0600));
    EXPECT_TRUE(openScene(path("box.obj")).ok());
    // a folder that does not exist: nothing is written and the code says so
    EXPECT_EQ(zefhost({"utility", kCorpus + "OBJ/box.obj", "--no-apply", "--save",
                       path("missing/box.glb")})
                  .code,
              kExitFailed);
}

TEST_F(SceneFormats, EmbeddedImagesAreWrittenBesideTheExport) {
    HostRun run = zefhost(
        {"export", kCorpus + "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", path("box.zef")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_NE(readWholeFile(path("box.zef")).find("Texture: BoxTextured_0.png"), std::string::npos);
    std::string image = readWholeFile(path("BoxTextured_0.png"));
    ASSERT_GT(image.size(), 8u);
    EXPECT_EQ(image.substr(1, 3), "PNG");
}

TEST_F(SceneFormats, ImportErrorsAreExitTwoWithTheFileName) {
    std::ofstream(path("bad.obj")) << "f 1 2 3\n"; // faces of vertices that are not there
    HostRun run = zefhost({"export", path("bad.obj"), path("bad.zef")});
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_NE(run.err.find("bad.obj"), std::string::npos) << run.err;
}

TEST_F(SceneFormats, DecimalCommaLocaleDoesNotReachOtherFormats) {
    // the export leaves a decimal comma as the process's numeric locale; loading and
    // saving other formats afterwards must still read and write "."
    std::ofstream(path("tri.obj")) << "v 0.5 0 0\nv 1.25 0 0\nv 0 1.5 0\nf 1 2 3\n";
    std::ofstream(path("session.txt")) << "export " << path("demo.zef") << "\n"
                                       << "load " << path("tri.obj") << "\n"
                                       << "save " << path("tri_out.obj") << "\n"
                                       << "save " << path("tri_out.json") << "\n"
                                       << "load " << path("tri_out.json") << "\n"
                                       << "export " << path("tri.zef") << " --no-export-centered\n";
    HostRun run = zefhost({"run", path("session.txt")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    std::string obj = readWholeFile(path("tri_out.obj"));
    EXPECT_NE(obj.find("1.25"), std::string::npos) << obj;
    EXPECT_EQ(obj.find("1,25"), std::string::npos) << obj;
    EXPECT_NE(readWholeFile(path("tri_out.json")).find("1.25"), std::string::npos);
    // the values came through whole: 1.25 and 1.5 reached the export
    std::string zef = readWholeFile(path("tri.zef"));
    EXPECT_NE(zef.find("X: 1,250000"), std::string::npos) << zef;
    EXPECT_NE(zef.find("Z: 1,500000"), std::string::npos) << zef;
}

} // namespace
