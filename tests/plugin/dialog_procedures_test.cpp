// The export options dialog and the utility page driven through the user seam as a
// person would: placement, text length, the mapping radio group, and which edit,
// flip box and spinner belong to U and to V.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "hostkit/ui/hostui.h"
#include "prep/option_bindings.h"
#include "plugin_harness.h"
#include "support/operation_recorder.h"
#include "utility/zef_utility.h"
#include "hostkit/hold/hold_history.h"

namespace {

constexpr int kMapIds[5] = {1043, 1044, 1045, 1046, 1047}; // Planar .. Box

// A person whose actions in the export dialog are a function; OK at the end.
class ActingUser : public User {
  public:
    std::function<void(UserSeam&)> act;
    void onModalDialog(UserSeam& dialog) override {
        act(dialog);
        if (dialog.isOpen()) dialog.pressEnter();
    }
    void onMessageBox(const std::string&, const std::string&) override {}
};

class DialogProcedures : public ::testing::Test {
  protected:
    void SetUp() override {
        restoreExportDefaults();
        restoreLoadedFlags(utilityOptions);
        theHoldHistory.clear();
    }
    void TearDown() override { theHoldHistory.clear(); }

    // Runs an export of h's scene with the person's actions.
    void exportActing(PluginHarness& h, std::function<void(UserSeam&)> act) {
        ActingUser user;
        user.act = std::move(act);
        ZefExport exporter;
        ScratchFolder scratch("zef_procedures");
        runExporter(exporter, scratch.path("procedures.zef"), h.host, user);
    }

    // Opens the utility page, acts, presses Apply if asked, then Close.
    void utilityActing(PluginHarness& h, std::function<void(UserSeam&)> act, bool apply) {
        h.host.openUtility(&zefUtility);
        ASSERT_NE(h.host.panelPage(), nullptr);
        auto seam = hostkit::ui::seamFor(h.host.panelPage());
        act(*seam);
        if (apply) {
            ASSERT_TRUE(seam->click(seam->findById(1)->index).ok());
        }
        ASSERT_TRUE(seam->click(seam->findById(2)->index).ok());
    }

    static Mesh tri() { return triangleMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}); }
};

int indexOf(UserSeam& seam, int id) {
    return seam.findById(id).value().index;
}
bool isChecked(UserSeam& seam, int id) {
    return seam.findById(id).value().checked;
}

} // namespace

TEST_F(DialogProcedures, ExportDialogOpensCentredOnTheHostWindow) {
    HWND main = hostkit::ui::mainWindow();
    ASSERT_TRUE(MoveWindow(main, 120, 40, 900, 700, TRUE)); // away from the screen's middle
    PluginHarness h;
    RECT dialogRect{}, mainRect{};
    exportActing(h, [&](UserSeam&) { GetWindowRect(GetActiveWindow(), &dialogRect); });
    GetWindowRect(main, &mainRect);
    EXPECT_NEAR((dialogRect.left + dialogRect.right) / 2.0, (mainRect.left + mainRect.right) / 2.0,
                1.0);
    EXPECT_NEAR((dialogRect.top + dialogRect.bottom) / 2.0, (mainRect.top + mainRect.bottom) / 2.0,
                1.0);
}

TEST_F(DialogProcedures, HundredTypedCharactersComeBackAsSeventyNine) {
    const std::string hundred(100, '7');
    PluginHarness h;
    exportActing(h, [&](UserSeam& seam) {
        for (int id : textEditIds) ASSERT_TRUE(seam.type(indexOf(seam, id), hundred).ok());
    });
    for (int i = 0; i < kTextCount; ++i)
        EXPECT_EQ(std::string(exportOptions.text(i)), hundred.substr(0, 79));

    utilityActing(
        h,
        [&](UserSeam& seam) {
            for (int id : textEditIds) ASSERT_TRUE(seam.type(indexOf(seam, id), hundred).ok());
        },
        false);
    for (int i = 0; i < kTextCount; ++i)
        EXPECT_EQ(std::string(utilityOptions.text(i)), hundred.substr(0, 79));
}

TEST_F(DialogProcedures, MapButtonsAreOneRadioGroupInTheExportDialog) {
    for (int chosen : kMapIds) {
        PluginHarness h;
        exportActing(h, [&](UserSeam& seam) {
            // Neighbours in the template that are no radio buttons keep their states.
            for (int id : {1220, 1030, 1035, 1034}) ASSERT_TRUE(seam.click(indexOf(seam, id)).ok());
            ASSERT_TRUE(seam.click(indexOf(seam, chosen)).ok());
            for (int id : kMapIds) EXPECT_EQ(isChecked(seam, id), id == chosen) << id;
            for (int id : {1220, 1030, 1034}) EXPECT_TRUE(isChecked(seam, id)) << id;
            EXPECT_FALSE(isChecked(seam, 1035)); // was on by default
            // Set everything back, so the next round starts from the defaults.
            for (int id : {1220, 1030, 1035, 1034}) ASSERT_TRUE(seam.click(indexOf(seam, id)).ok());
        });
        int32_t* flags[5] = {&exportOptions.mapPlanar, &exportOptions.mapCylindrical,
                             &exportOptions.mapSpherical, &exportOptions.mapShrinkWrap,
                             &exportOptions.mapBox};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(*flags[i], kMapIds[i] == chosen) << chosen;
    }
}

TEST_F(DialogProcedures, BoxInTheUtilityIsTheOnlyMapFlagAndMapsAsBox) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    OperationRecorder recorder;
    utilityActing(
        h,
        [&](UserSeam& seam) {
            ASSERT_TRUE(seam.click(indexOf(seam, 1040)).ok()); // Apply UV Mapping
            ASSERT_TRUE(seam.click(indexOf(seam, 1220)).ok()); // Cap, in the group's stretch
            for (int chosen : kMapIds) {                       // Box last
                ASSERT_TRUE(seam.click(indexOf(seam, chosen)).ok());
                for (int id : kMapIds) EXPECT_EQ(isChecked(seam, id), id == chosen) << id;
                EXPECT_TRUE(isChecked(seam, 1220));
            }
        },
        true);
    EXPECT_EQ(utilityOptions.mapPlanar + utilityOptions.mapCylindrical +
                  utilityOptions.mapSpherical + utilityOptions.mapShrinkWrap,
              0);
    EXPECT_EQ(utilityOptions.mapBox, 1);
    auto maps = recorder.named("ApplyUVWMap");
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(maps[0].args[0], 4.0);
}

TEST_F(DialogProcedures, UAndVHaveTheirOwnEditAndFlipBoxInTheExportDialog) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    for (bool flipU : {true, false}) {
        OperationRecorder recorder;
        exportActing(h, [&](UserSeam& seam) {
            ASSERT_TRUE(seam.click(indexOf(seam, 1040)).ok());
            ASSERT_TRUE(seam.type(indexOf(seam, 1195), "2").ok()); // U Tile
            ASSERT_TRUE(seam.type(indexOf(seam, 1194), "3").ok()); // V Tile
            ASSERT_TRUE(seam.click(indexOf(seam, flipU ? 1190 : 1191)).ok());
        });
        auto maps = recorder.named("ApplyUVWMap");
        ASSERT_EQ(maps.size(), 1u);
        EXPECT_EQ(maps[0].args[1], 2.0); // U tile
        EXPECT_EQ(maps[0].args[2], 3.0); // V tile
        EXPECT_EQ(maps[0].args[4], flipU ? 1.0 : 0.0);
        EXPECT_EQ(maps[0].args[5], flipU ? 0.0 : 1.0);
        exportOptions.flipU = exportOptions.flipV = 0;
        exportOptions.applyUVMap = 0;
    }
}

TEST_F(DialogProcedures, UAndVHaveTheirOwnEditFlipBoxAndSpinnerInTheUtility) {
    PluginHarness h;
    h.addMeshNode("A", tri());
    OperationRecorder recorder;
    utilityActing(
        h,
        [&](UserSeam& seam) {
            ASSERT_TRUE(seam.click(indexOf(seam, 1040)).ok());
            ASSERT_TRUE(seam.type(indexOf(seam, 1195), "2").ok());
            ASSERT_TRUE(seam.type(indexOf(seam, 1194), "3").ok());
            ASSERT_TRUE(seam.clickArrow(indexOf(seam, 1192), SpinArrow::Up).ok());   // U: 2,1
            ASSERT_TRUE(seam.clickArrow(indexOf(seam, 1193), SpinArrow::Down).ok()); // V: 2,9
            ASSERT_TRUE(seam.click(indexOf(seam, 1191)).ok());                       // V's flip
        },
        true);
    EXPECT_STREQ(utilityOptions.uTileText, "2,1");
    EXPECT_STREQ(utilityOptions.vTileText, "2,9");
    EXPECT_EQ(utilityOptions.flipU, 0);
    EXPECT_EQ(utilityOptions.flipV, 1);
    auto maps = recorder.named("ApplyUVWMap");
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_FLOAT_EQ(float(maps[0].args[1]), 2.1f);
    EXPECT_FLOAT_EQ(float(maps[0].args[2]), 2.9f);
    EXPECT_EQ(maps[0].args[4], 0.0);
    EXPECT_EQ(maps[0].args[5], 1.0);
}

namespace {

// A host that keeps what the utility's page passes on to it.
class RecordingHost : public HostSession {
  public:
    using HostSession::HostSession;
    struct Forwarded {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    int activations = 0;
    std::vector<Forwarded> forwarded;
    void panelActivated() override { ++activations; }
    void forwardPanelMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        forwarded.push_back({window, message, wParam, lParam});
    }
};

} // namespace

TEST_F(DialogProcedures, UtilityPagePassesActivationAndMouseToTheHostAndAnswersTheRest) {
    Scene scene;
    RecordingHost host(scene);
    host.openUtility(&zefUtility);
    HWND page = host.panelPage();
    ASSERT_NE(page, nullptr);

    EXPECT_EQ(utilityPanelProc(page, WM_MOUSEACTIVATE, 0, 0), 0);
    EXPECT_EQ(host.activations, 1);
    const UINT mouse[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
    const WPARAM leftButton = 1;
    const LPARAM point = (34 << 16) | 12; // x 12, y 34
    for (UINT message : mouse) EXPECT_EQ(utilityPanelProc(page, message, leftButton, point), 1);
    ASSERT_EQ(host.forwarded.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(host.forwarded[i].window, page);
        EXPECT_EQ(host.forwarded[i].message, mouse[i]);
        EXPECT_EQ(host.forwarded[i].wParam, leftButton);
        EXPECT_EQ(host.forwarded[i].lParam, point);
    }
    // the host's own panel message and a command of no button are answered, others not
    EXPECT_EQ(utilityPanelProc(page, 1709, 0, 0), 1);
    EXPECT_EQ(utilityPanelProc(page, WM_COMMAND, 1040, 0), 1);
    EXPECT_EQ(utilityPanelProc(page, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(host.activations, 1);
    EXPECT_EQ(host.forwarded.size(), 3u);
    EXPECT_TRUE(host.utilityOpen());
    host.closeUtility();
}
