// zefhost end to end: the real plug-in file loaded by path, commands run as a user
// runs them, outputs and exit codes checked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/command_line.h"
#include "host_run.h"
#include "app/plugin_library.h"
#include "scenes/scene_loader.h"
#include "scenes/zef_reader.h"
#include "app/zefhost_session.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

class ZefhostTest : public ::testing::Test {
  protected:
    std::string path(const char* name) { return scratch.path(name); }
    ScratchFolder scratch{"zefhost_test"};
    const fs::path& dir = scratch.dir();
};
} // namespace

TEST_F(ZefhostTest, InfoShowsWhatAHostShows) {
    HostRun run = zefhost({"info"});
    EXPECT_EQ(run.code, 0) << run.err;
    for (const char* line :
         {"Description: \"ZEF File Export DLL \"", "Version: 100", "Classes: 2",
          "Class 0: \"ASCII-Export (ZEF)\"", "Category: \"Scene Export\"", "Kind: 0xA20",
          "Class ID: (0x6CB00598, 0x7763262B)", "0: \"ZEF\"",
          "Long description: \"ZEF File (Scene-ASCII)\"", "Class 1: \"ZEFX Utility\"",
          "Category: \"\"", "Kind: 0x1020", "Class ID: (0x16AA652A, 0x6F052FCD)"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
}

TEST_F(ZefhostTest, MissingOrWrongPluginIsAClearError) {
    std::ostringstream out, err;
    EXPECT_EQ(runZefhost({"info", path("nothing.dle")}, out, err), kExitUsage);
    EXPECT_NE(err.str().find("no such file"), std::string::npos);
    std::ofstream(path("text.dle")) << "not a library";
    EXPECT_EQ(runZefhost({"info", path("text.dle")}, out, err), kExitUsage);
    EXPECT_NE(err.str().find("not a loadable library"), std::string::npos);
}

TEST_F(ZefhostTest, DemoExportReadsBackAndReportsASummary) {
    HostRun run = zefhost({"export", path("demo.zef")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    ZefSummary summary;
    FileError error;
    ASSERT_TRUE(readZefFile(path("demo.zef"), summary, error)) << error.message();
    EXPECT_NE(run.out.find("Exported " + std::to_string(summary.objects.size()) + " objects"),
              std::string::npos);
    std::string text = readWholeFile(path("demo.zef"));
    // No real number with a decimal point (file names like oak.jpg may have dots).
    EXPECT_FALSE(std::regex_search(text.substr(text.find('\n')), std::regex("[0-9]\\.[0-9]")));
}

TEST_F(ZefhostTest, ExitCodesTellOutcomesApart) {
    EXPECT_EQ(zefhost({"export", path("c.zef"), "--cancel"}).code, kExitCancelled);
    EXPECT_FALSE(fs::exists(path("c.zef")));
    HostRun nothing =
        zefhost({"export", path("n.zef"), "--selected-only", "--select", "Camera 01"});
    EXPECT_EQ(nothing.code, kExitNoData) << nothing.err;
    EXPECT_NE(nothing.err.find("ZEFEXP: No data to export"), std::string::npos);
    HostRun cannot = zefhost({"export", path("missing/x.zef")});
    EXPECT_EQ(cannot.code, kExitFailed);
    EXPECT_NE(cannot.err.find("Can't create output file"), std::string::npos);
    EXPECT_EQ(zefhost({"export", path("x.zef"), "--map", "triangle"}).code, kExitUsage);
    EXPECT_EQ(zefhost({"export", path("x.zef"), "--no-such-flag"}).code, kExitUsage);
    EXPECT_EQ(zefhost({"export", path("x.zef"), "--select", "Nobody"}).code, kExitUsage);
}

TEST_F(ZefhostTest, NegatedFlagClearsItsBox) {
    ASSERT_EQ(zefhost({"export", path("m.zef"), "--no-export-materials"}).code, kExitOk);
    std::string text = readWholeFile(path("m.zef"));
    EXPECT_EQ(text.find("Material list:"), std::string::npos);
    EXPECT_EQ(text.find("TVertex list:"), std::string::npos);
    ASSERT_EQ(zefhost({"export", path("m.zef")}).code, kExitOk); // a fresh process: default on
    EXPECT_NE(readWholeFile(path("m.zef")).find("Material list:"), std::string::npos);
}

TEST_F(ZefhostTest, HelpExplainsEveryFlag) {
    HostRun run = zefhost({"export", "--help"});
    EXPECT_EQ(run.code, 0);
    for (const char* flag :
         {"--export-normals", "--no-export-materials", "--selected-only", "--auto-smooth", "--map",
          "--u-tile", "--cancel", "--select", "default: on", "default: 30,0"})
        EXPECT_NE(run.out.find(flag), std::string::npos) << flag;
    EXPECT_NE(zefhost({"utility", "--help"}).out.find("--angle"), std::string::npos);
}

TEST_F(ZefhostTest, BadSceneFileNamesTheFileAndRunsNoExport) {
    std::ofstream(path("bad.json")) << "{ \"nodes\": [ }";
    HostRun run = zefhost({"export", path("bad.json"), path("out.zef")});
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_NE(run.err.find("bad.json"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(path("out.zef")));
}

TEST_F(ZefhostTest, SessionScriptCarriesDialogChoicesAcrossExports) {
    std::ofstream(path("session.txt"))
        << "export \"" << path("first.zef") << "\" --auto-smooth 45.5 --export-normals\n"
        << "export \"" << path("second.zef") << "\"   # same choices, 45,5 now\n"
        << "save \"" << path("scene.json") << "\"\n";
    HostRun run = zefhost({"run", path("session.txt")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(readWholeFile(path("first.zef")), readWholeFile(path("second.zef")));
    EXPECT_NE(readWholeFile(path("second.zef")).find("Normals: 1"), std::string::npos);
    EXPECT_TRUE(fs::exists(path("scene.json")));
}

TEST_F(ZefhostTest, UtilityApplyUndoAndRedoInOneSession) {
    ASSERT_EQ(zefhost({"utility", "--no-apply", "--save", path("loaded.json")}).code, kExitOk);
    std::ofstream(path("session.txt"))
        << "utility --flip-normals --apply-two-sided --uv-map --map box\n"
        << "save \"" << path("applied.json") << "\"\n"
        << "undo\n"
        << "save \"" << path("undone.json") << "\"\n"
        << "redo\n"
        << "save \"" << path("redone.json") << "\"\n";
    HostRun run = zefhost({"run", path("session.txt")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_NE(readWholeFile(path("applied.json")), readWholeFile(path("loaded.json")));
    EXPECT_EQ(readWholeFile(path("undone.json")), readWholeFile(path("loaded.json")));
    EXPECT_EQ(readWholeFile(path("redone.json")), readWholeFile(path("applied.json")));
}

// Apply then undo gives back the saved scene exactly, and redo the applied one, for
// every preparation option on its own, over the whole scene and over a selection.
class UtilityUndoTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(UtilityUndoTest, UndoAndRedoRestoreTheSavedScenes) {
    for (bool selectionOnly : {false, true}) {
        ScratchFolder scratch("zef_undo");
        const fs::path& dir = scratch.dir();
        std::ofstream script(dir / "session.txt");
        if (selectionOnly) script << "select \"Wall: North side\" Dome\n";
        script << "save \"" << (dir / "loaded.json").string() << "\"\n";
        script << "utility";
        for (const std::string& flag : GetParam()) script << " " << flag;
        if (selectionOnly) script << " --selected-only";
        script << "\nsave \"" << (dir / "applied.json").string() << "\"\nundo\n";
        script << "save \"" << (dir / "undone.json").string() << "\"\nredo\n";
        script << "save \"" << (dir / "redone.json").string() << "\"\n";
        script.close();
        HostRun run = zefhost({"run", (dir / "session.txt").string()});
        ASSERT_EQ(run.code, kExitOk) << run.err;
        // Compared whole; a difference would print two long scene files.
        EXPECT_TRUE(readWholeFile(dir / "undone.json") == readWholeFile(dir / "loaded.json"));
        EXPECT_TRUE(readWholeFile(dir / "redone.json") == readWholeFile(dir / "applied.json"));
        EXPECT_FALSE(readWholeFile(dir / "applied.json") == readWholeFile(dir / "loaded.json"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryOption, UtilityUndoTest,
    ::testing::Values(std::vector<std::string>{"--flip-normals"},
                      std::vector<std::string>{"--auto-smooth", "--angle", "20"},
                      std::vector<std::string>{"--optimize", "--normal-threshold", "30"},
                      std::vector<std::string>{"--uv-map", "--map", "planar"},
                      std::vector<std::string>{"--map", "cylindrical", "--cap", "--flip-u"},
                      std::vector<std::string>{"--map", "spherical", "--u-tile", "2"},
                      std::vector<std::string>{"--map", "shrink-wrap", "--v-tile", "3"},
                      std::vector<std::string>{"--map", "box", "--flip-v"},
                      std::vector<std::string>{"--apply-two-sided"},
                      std::vector<std::string>{"--remove-two-sided", "--no-unify-normals"}));

TEST_F(ZefhostTest, StepsFileIsPlayedAfterTheFlags) {
    std::ofstream(path("steps.txt")) << "# normals on, by caption\ncheck Export Normals\n";
    HostRun run = zefhost({"export", path("x.zef"), "--steps", path("steps.txt")});
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_NE(readWholeFile(path("x.zef")).find("Normals: 1"), std::string::npos);

    std::ofstream(path("spin.txt")) << "up #1033\n"; // the export dialog has no spinners
    HostRun missing = zefhost({"export", path("y.zef"), "--steps", path("spin.txt")});
    EXPECT_EQ(missing.code, kExitUsage);
    EXPECT_NE(missing.err.find("no control '#1033'"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(path("y.zef")));

    std::ofstream(path("bad.txt")) << "jump #1\n";
    HostRun bad = zefhost({"utility", "--steps", path("bad.txt"), "--save", path("s.json")});
    EXPECT_EQ(bad.code, kExitUsage);
    EXPECT_NE(bad.err.find("bad.txt:1: unknown step 'jump'"), std::string::npos) << bad.err;
}

TEST_F(ZefhostTest, ReaderNamesTheLineThatBreaksTheFormat) {
    const std::string good = "ZEF File 1.0\nNumObjects: 1\nObject 0: Tri\n"
                             "Vertices: 1 TVertices: 0 Faces: 0 Materials: 0 Normals: 0\n"
                             "Vertex list:\nVertex 0: X: 1,000000 Y: 0,000000 Z: 0,000000\n"
                             "Face list:\n";
    std::ofstream(path("good.zef")) << good;
    ZefSummary summary;
    FileError error;
    ASSERT_TRUE(readZefFile(path("good.zef"), summary, error)) << error.message();
    EXPECT_EQ(summary.vertices, 1);

    std::string point = good;
    point.replace(point.find("1,000000"), 8, "1.000000"); // a decimal point
    std::ofstream(path("point.zef")) << point;
    EXPECT_FALSE(readZefFile(path("point.zef"), summary, error));
    EXPECT_NE(error.message().find("point.zef:6: expected : X: "), std::string::npos)
        << error.message();

    std::ofstream(path("short.zef")) << good.substr(0, good.find("Face list:"));
    EXPECT_FALSE(readZefFile(path("short.zef"), summary, error));
    EXPECT_NE(error.message().find("short.zef:6: file ends"), std::string::npos) << error.message();
    // Opened as a scene, the file is named once, with the line.
    OpenedScene opened = openScene(path("short.zef"));
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error.message(), error.message());
}

TEST_F(ZefhostTest, ScriptStopsAtTheFirstFailureWithItsCode) {
    std::ofstream(path("usage.txt")) << "export \"" << path("a.zef") << "\"\n"
                                     << "select Nobody\n"
                                     << "export \"" << path("b.zef") << "\"\n";
    HostRun usage = zefhost({"run", path("usage.txt")});
    EXPECT_EQ(usage.code, kExitUsage);
    EXPECT_NE(usage.err.find("usage.txt:2: the command failed (exit code 2)"), std::string::npos)
        << usage.err;
    EXPECT_TRUE(fs::exists(path("a.zef")));
    EXPECT_FALSE(fs::exists(path("b.zef")));

    std::ofstream(path("failed.txt")) << "export \"" << path("missing/x.zef") << "\"\n"
                                      << "export \"" << path("c.zef") << "\"\n";
    HostRun failed = zefhost({"run", path("failed.txt")});
    EXPECT_EQ(failed.code, kExitFailed);
    EXPECT_NE(failed.err.find("failed.txt:1: the command failed (exit code 1)"), std::string::npos)
        << failed.err;
    EXPECT_FALSE(fs::exists(path("c.zef")));

    std::ofstream(path("quote.txt")) << "select \"Dome\n";
    HostRun quote = zefhost({"run", path("quote.txt")});
    EXPECT_EQ(quote.code, kExitUsage);
    EXPECT_NE(quote.err.find("quote.txt:1: unterminated quote"), std::string::npos) << quote.err;
}

TEST(ScriptLine, SplitsAtBlanksKeepsQuotedTextAndStopsAtAComment) {
    std::vector<std::string> words;
    std::string error;
    using Words = std::vector<std::string>;
    ASSERT_TRUE(splitScriptLine("export  \"my scene.zef\"\t--angle 45 # not this", words, error));
    EXPECT_EQ(words, (Words{"export", "my scene.zef", "--angle", "45"}));
    // a # inside a word or quotes is part of it; a line of Windows ends in CR LF
    ASSERT_TRUE(splitScriptLine("select Part#2 \"#3\"\r", words, error));
    EXPECT_EQ(words, (Words{"select", "Part#2", "#3"}));
    ASSERT_TRUE(splitScriptLine("   # only a comment", words, error));
    EXPECT_TRUE(words.empty());
    EXPECT_FALSE(splitScriptLine("select \"Dome", words, error));
    EXPECT_EQ(error, "unterminated quote");
}

TEST_F(ZefhostTest, KeepGoingRunsTheRestAndEndsWithTheFirstFailure) {
    std::ofstream(path("session.txt")) << "export \"" << path("missing/x.zef") << "\"\n"
                                       << "select Nobody\n"
                                       << "export \"" << path("d.zef") << "\"\n";
    HostRun run = zefhost({"run", path("session.txt"), "--keep-going"});
    EXPECT_EQ(run.code, kExitFailed);
    EXPECT_NE(run.err.find("session.txt:1: the command failed (exit code 1)"), std::string::npos);
    EXPECT_NE(run.err.find("session.txt:2: the command failed (exit code 2)"), std::string::npos);
    EXPECT_TRUE(fs::exists(path("d.zef")));
}

TEST_F(ZefhostTest, CancelAndNothingToExportAreReportedNotFailures) {
    std::ofstream(path("session.txt"))
        << "export \"" << path("e.zef") << "\" --cancel\n"
        << "export \"" << path("f.zef") << "\" --selected-only --select \"Camera 01\"\n"
        << "export \"" << path("g.zef") << "\" --no-selected-only\n";
    HostRun run = zefhost({"run", path("session.txt")});
    EXPECT_EQ(run.code, kExitOk) << run.err;
    EXPECT_NE(run.out.find("(exit code 3)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(exit code 4)"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(path("g.zef")));
}

// Steps that end the dialog themselves are not followed by another press of OK.
TEST_F(ZefhostTest, StepsThatEndTheDialogDecideTheOutcome) {
    struct Case {
        const char* steps;
        int code;
    };
    for (Case c : {Case{"check Export Normals\nenter\n", kExitOk}, Case{"click #1\n", kExitOk},
                   Case{"escape\n", kExitCancelled}, Case{"click #2\n", kExitCancelled}}) {
        SCOPED_TRACE(c.steps);
        std::ofstream(path("steps.txt")) << c.steps;
        std::ofstream(path("out.zef")) << "old";
        HostRun run = zefhost({"export", path("out.zef"), "--steps", path("steps.txt")});
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_EQ(readWholeFile(path("out.zef")) == "old", c.code == kExitCancelled);
    }
    std::ofstream(path("normals.txt")) << "check Export Normals\nenter\n";
    ASSERT_EQ(zefhost({"export", path("n.zef"), "--steps", path("normals.txt")}).code, kExitOk);
    EXPECT_NE(readWholeFile(path("n.zef")).find("Normals: 1"), std::string::npos);
}
