// The dialog state zefhost prints with --dump and the dump step: every control of
// dialog 102 and page 103 in tab order, as the session left them.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "app/command_line.h"
#include "app/zefhost_session.h"
#include "host_run.h"

namespace {

// The dump's lines that describe controls (after the "Dialog" heading).
std::vector<std::string> controlLines(const std::string& out, const std::string& title) {
    std::istringstream lines(out);
    std::vector<std::string> controls;
    std::string line;
    bool inDump = false;
    while (std::getline(lines, line)) {
        if (line == "Dialog \"" + title + "\":") {
            inDump = true;
            controls.clear();
        } else if (inDump && !line.empty() &&
                   (std::isdigit((unsigned char)line[0]) || line[0] == '-')) {
            controls.push_back(line);
        } else {
            inDump = false;
        }
    }
    return controls;
}

} // namespace

TEST(DialogDump, ExportDialogInTemplateOrderWithItsDefaults) {
    HostRun run = zefhost({"export", "--dump", "--cancel", "unused.zef"});
    EXPECT_EQ(run.code, kExitCancelled) << run.err;
    std::vector<std::string> lines = controlLines(run.out, "ZEF Export Options");
    ASSERT_EQ(lines.size(), 37u) << run.out;
    EXPECT_EQ(lines[0], "1 \"OK\" default button - enabled");
    EXPECT_EQ(lines[1], "2 \"Cancel\" push button - enabled");
    EXPECT_EQ(lines[2], "1019 \"Export Normals\" check box unchecked enabled");
    EXPECT_EQ(lines[4], "1021 \"Export Materials\" check box checked enabled");
    EXPECT_EQ(lines[11], "1028 \"\" edit text=\"30,0\" enabled");
    EXPECT_EQ(lines[13], "- \"Angle:\" label - enabled");
    EXPECT_EQ(lines[22], "1043 \"Planar\" radio button checked enabled");
    EXPECT_EQ(lines[23], "1044 \"Cylindrical\" radio button unchecked enabled");
    EXPECT_EQ(lines[36], "1038 \"ApplyTwoSidedness\" check box unchecked enabled");
}

TEST(DialogDump, ShowsTheFlagsAsSetBeforeOk) {
    HostRun run = zefhost({"export", "--dump", "--cancel", "--map", "box", "--flip-normals",
                           "--angle", "12.5", "unused.zef"});
    std::vector<std::string> lines = controlLines(run.out, "ZEF Export Options");
    ASSERT_EQ(lines.size(), 37u) << run.out;
    EXPECT_EQ(lines[21], "1030 \"Flip Normals\" check box checked enabled");
    EXPECT_EQ(lines[22], "1043 \"Planar\" radio button unchecked enabled");
    EXPECT_EQ(lines[27], "1047 \"Box\" radio button checked enabled");
    EXPECT_EQ(lines[11], "1028 \"\" edit text=\"12.5\" enabled");
}

TEST(DialogDump, SecondOpeningInASessionShowsTheRewrittenAngle) {
    std::ostringstream out, err;
    ZefhostSession session(out, err);
    ASSERT_TRUE(session.loadPlugin(ZEF_PLUGIN_PATH)) << err.str();
    std::string dir = testing::TempDir();
    Scenario first;
    first.steps.push_back({ScenarioStep::Action::Check, "#1026", ""});
    first.steps.push_back({ScenarioStep::Action::Type, "#1028", "45.5"});
    ASSERT_EQ(session.exportScene(dir + "/dump_first.zef", first, false), kExitOk) << err.str();
    Scenario second;
    second.steps.push_back({ScenarioStep::Action::Dump, "", ""});
    ASSERT_EQ(session.exportScene(dir + "/dump_second.zef", second, true), kExitCancelled);
    std::vector<std::string> lines = controlLines(out.str(), "ZEF Export Options");
    ASSERT_EQ(lines.size(), 37u) << out.str();
    EXPECT_EQ(lines[9], "1026 \"Auto Smooth:\" check box checked enabled");
    EXPECT_EQ(lines[11], "1028 \"\" edit text=\"45,5\" enabled");
}

TEST(DialogDump, UtilityPageShowsCustomControls) {
    HostRun run = zefhost({"utility", "--dump", "--no-apply", "--angle", "7", "--save",
                           testing::TempDir() + "/dump_utility.json"});
    EXPECT_EQ(run.code, kExitOk) << run.err;
    std::vector<std::string> lines = controlLines(run.out, "dialog 103");
    ASSERT_EQ(lines.size(), 37u) << run.out;
    EXPECT_EQ(lines[0], "1 \"Apply\" default button - enabled");
    EXPECT_EQ(lines[12], "1028 \"\" custom edit text=\"7\" enabled");
    EXPECT_EQ(lines[16], "1033 \"\" spinner - enabled");
    EXPECT_EQ(lines[26], "1195 \"\" custom edit text=\"\" enabled");
    EXPECT_EQ(lines[36], "1038 \"ApplyTwoSidedness\" check box unchecked enabled");
}

TEST(DialogDump, PicturesNeedRealWindows) {
    std::ostringstream out, err;
    ZefhostSession session(out, err);
    ASSERT_TRUE(session.loadPlugin(ZEF_PLUGIN_PATH));
    Scenario snap;
    snap.steps.push_back({ScenarioStep::Action::Snap, testing::TempDir() + "/none.png", ""});
    EXPECT_EQ(session.exportScene(testing::TempDir() + "/none.zef", snap, false), kExitUsage);
    EXPECT_NE(err.str().find("need real windows"), std::string::npos) << err.str();
}

TEST(DialogDump, WithoutADisplayTheWindowAndInteractiveAreErrors) {
    for (std::vector<std::string> args : {std::vector<std::string>{},
                                          {"open", "scene.json"},
                                          {"export", "--interactive", "x.zef"},
                                          {"utility", "--interactive", "--save", "x.json"}}) {
        HostRun run = zefhost(args);
        EXPECT_EQ(run.code, kExitUsage);
        EXPECT_NE(run.err.find("works on Windows only"), std::string::npos) << run.err;
    }
}
