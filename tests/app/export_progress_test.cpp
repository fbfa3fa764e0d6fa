// An export's object-by-object progress as zefhost counts it from what the host sees.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

#include "app/export_progress.h"
#include "app/zefhost_session.h"

namespace {

using Parts = std::vector<std::pair<int, int>>;

// Exports the demo scene (after selecting names, with "Export only selected Objects"
// when any are given) and returns every (current, total) the progress heard.
Parts exportedParts(const std::vector<std::string>& names) {
    std::ostringstream out, err;
    ZefhostSession session(out, err);
    EXPECT_TRUE(session.loadPlugin(ZEF_PLUGIN_PATH)) << err.str();
    Scenario steps;
    if (!names.empty()) {
        EXPECT_TRUE(session.selectNodes(names, true));
        steps.steps.push_back({ScenarioStep::Action::Check, "#1020", ""});
    }
    Parts parts;
    ExportProgress progress([&](int current, int total) { parts.push_back({current, total}); });
    EXPECT_EQ(session.exportScene(testing::TempDir() + "/progress.zef", steps, false), kExitOk)
        << err.str();
    return parts;
}

Parts counting(int total) {
    Parts parts;
    for (int i = 1; i <= total; ++i) parts.push_back({i, total});
    return parts;
}

} // namespace

// The demo scene has 9 mesh objects besides a camera and a light, which the plug-in
// evaluates but does not export.
TEST(ExportProgress, CountsTheObjectsThePluginConverts) {
    EXPECT_EQ(exportedParts({}), counting(9));
}

TEST(ExportProgress, CountsOnlyTheSelectionWhenOnlySelectedObjectsGo) {
    EXPECT_EQ(exportedParts({"Chimney", "Dome", "Camera 01"}), counting(2));
}

TEST(ExportProgress, ListenerIsGoneAfterwards) {
    Parts parts;
    {
        ExportProgress progress([&](int current, int total) { parts.push_back({current, total}); });
    }
    exportedParts({});
    EXPECT_TRUE(parts.empty());
}
