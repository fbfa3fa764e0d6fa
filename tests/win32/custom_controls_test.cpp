// CustEdit and SpinnerControl on the panel page 103, set up the way the utility does.
#include <gtest/gtest.h>

#include <cstring>

#include "host/controls.h"
#include "hostkit/controls/spinner_model.h"
#include "hostkit/ui/hostui.h"
#include "resources/resource.h"
#include "test_dialogs.h"

namespace {

// The utility's order: option text into the edit, then the spinner, then its default.
struct PanelFixture : ::testing::Test {
    HWND page = nullptr;
    ICustEdit* angleEdit = nullptr;
    ISpinnerControl* angleSpinner = nullptr;
    ISpinnerControl* uTileSpinner = nullptr;
    std::unique_ptr<UserSeam> seam;

    void SetUp() override {
        InitCustomControls(zefexpModule());
        page = hostkit::ui::createPanelPage(zefexpModule(), IDD_UTILITY_PANEL, recordingProc, 0);
        ASSERT_NE(page, nullptr);
        angleEdit = GetICustEdit(GetDlgItem(page, IDC_ANGLE_EDIT));
        ASSERT_NE(angleEdit, nullptr);
        angleEdit->putText("30,0");
        angleSpinner = SetupFloatSpinner(page, IDC_ANGLE_SPIN, IDC_ANGLE_EDIT, 0, 90, 30, 0.1f);
        ASSERT_NE(angleSpinner, nullptr);
        angleSpinner->takeDefault(30);
        uTileSpinner = SetupFloatSpinner(page, IDC_UTILE_SPIN, IDC_UTILE_EDIT, 0, 1000, 1, 0.1f);
        seam = hostkit::ui::seamFor(page);
        ASSERT_NE(seam, nullptr);
    }
    void TearDown() override {
        ReleaseICustEdit(angleEdit);
        ReleaseISpinner(angleSpinner);
        ReleaseISpinner(uTileSpinner);
        hostkit::ui::destroyPanelPage(page);
    }
    std::string text(int id) { return seam->findById(id).value().text; }
    SeamResult arrow(int spinnerId, SpinArrow a) {
        return seam->clickArrow(seam->findById(spinnerId).value().index, a);
    }
};

} // namespace

TEST_F(PanelFixture, SetupKeepsTheTextTheEditHolds) {
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "30,0");
    EXPECT_EQ(text(IDC_UTILE_EDIT), "") << "an empty option text stays empty";
    EXPECT_FLOAT_EQ(angleSpinner->getValue(), 30.0f);
}

TEST_F(PanelFixture, ArrowsStepByScaleAndUpdateTheEdit) {
    ASSERT_TRUE(arrow(IDC_ANGLE_SPIN, SpinArrow::Up).ok());
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "30,1");
    arrow(IDC_ANGLE_SPIN, SpinArrow::Down);
    arrow(IDC_ANGLE_SPIN, SpinArrow::Down);
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "29,9");
    EXPECT_NEAR(angleSpinner->getValue(), 29.9f, 1e-4);
}

TEST_F(PanelFixture, ArrowsContinueFromTheTypedText) {
    seam->type(seam->findById(IDC_ANGLE_EDIT)->index, "45.5");
    arrow(IDC_ANGLE_SPIN, SpinArrow::Up);
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "45,6");
    arrow(IDC_UTILE_SPIN, SpinArrow::Up); // empty edit: from the spinner's own value
    EXPECT_EQ(text(IDC_UTILE_EDIT), "1,1");
}

TEST_F(PanelFixture, ValueStaysWithinTheLimits) {
    angleSpinner->setValue(1000);
    EXPECT_FLOAT_EQ(angleSpinner->getValue(), 90.0f);
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "90,0");
    arrow(IDC_ANGLE_SPIN, SpinArrow::Up);
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "90,0");
    angleSpinner->setValue(-5);
    arrow(IDC_ANGLE_SPIN, SpinArrow::Down);
    EXPECT_EQ(text(IDC_ANGLE_EDIT), "0,0");
    EXPECT_GE(angleSpinner->getValue(), 0.0f);
}

TEST_F(PanelFixture, SpinnerIsNotAButtonNorAnEdit) {
    EXPECT_FALSE(CheckDlgButton(page, IDC_NORMAL_THRESHOLD_SPIN, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_NORMAL_THRESHOLD_SPIN), 0u);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_ANGLE_EDIT), 0u) << "a CustEdit is no button";
    int spin = seam->findById(IDC_ANGLE_SPIN)->index;
    EXPECT_FALSE(seam->click(spin).ok());
    EXPECT_FALSE(seam->type(spin, "3").ok());
    EXPECT_FALSE(arrow(IDC_FLIP_U, SpinArrow::Up).ok()) << "a check box has no arrows";
}

TEST_F(PanelFixture, CustEditFetchCutsToTheBuffer) {
    angleEdit->putText("123456789");
    char buffer[5];
    angleEdit->fetchText(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "1234");
    EXPECT_EQ(GetICustEdit(GetDlgItem(page, IDC_FLIP_U)), nullptr);
    EXPECT_EQ(GetICustEdit(nullptr), nullptr);
}

TEST_F(PanelFixture, SetupNeedsASpinnerAndAnEdit) {
    EXPECT_EQ(SetupFloatSpinner(page, IDC_FLIP_U, IDC_ANGLE_EDIT, 0, 1, 0, 0.1f), nullptr);
    EXPECT_EQ(SetupFloatSpinner(page, IDC_BIAS_SPIN, IDC_FLIP_U, 0, 1, 0, 0.1f), nullptr);
    EXPECT_EQ(SetupFloatSpinner(page, 4242, IDC_BIAS_EDIT, 0, 1, 0, 0.1f), nullptr);
}

TEST_F(PanelFixture, RadioGroupAndEnterWorkOnThePanelPage) {
    seam->click(seam->findByCaption("Box")->index);
    seam->click(seam->findByCaption("Planar")->index);
    EXPECT_FALSE(IsDlgButtonChecked(page, IDC_MAP_BOX));
    EXPECT_TRUE(IsDlgButtonChecked(page, IDC_MAP_PLANAR));
    recorded().clear();
    seam->pressEnter(); // "Apply" is the default button
    ASSERT_FALSE(recorded().empty());
    EXPECT_EQ(recorded().back().wParam, MAKEWPARAM(IDOK, BN_CLICKED));
}

TEST_F(PanelFixture, InterfacesOutlivingThePageAreHarmless) {
    hostkit::ui::destroyPanelPage(page);
    EXPECT_EQ(recorded().back().message, (UINT)WM_DESTROY);
    angleSpinner->setValue(3);
    EXPECT_EQ(angleSpinner->getValue(), 0.0f);
    char buffer[8] = "x";
    angleEdit->fetchText(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
}

TEST(SpinnerModel, TextHasADecimalCommaAndTheStepsDecimals) {
    EXPECT_EQ(SpinnerModel(0, 90, 30, 0.1f).text(), "30,0");
    EXPECT_EQ(SpinnerModel(0, 1, 0.25f, 0.01f).text(), "0,25");
    EXPECT_EQ(SpinnerModel(0, 100, 7, 1).text(), "7,0");
}

TEST(SpinnerModel, ReversedLimitsCollapseToTheMinimum) {
    SpinnerModel m(5, 1, 3, 1);
    EXPECT_FLOAT_EQ(m.value(), 5.0f);
    m.step(-1);
    EXPECT_FLOAT_EQ(m.value(), 5.0f);
}

TEST(SpinnerText, ReadsCommaOrPointAndRejectsTheRest) {
    float v = -1;
    EXPECT_TRUE(parseSpinnerText("0,5", v));
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_TRUE(parseSpinnerText(" 45.5 ", v));
    EXPECT_FLOAT_EQ(v, 45.5f);
    EXPECT_TRUE(parseSpinnerText("-2", v));
    EXPECT_FLOAT_EQ(v, -2.0f);
    for (const char* bad : {"", " ", "abc", "1e3", "4,5,6", ",", "-"}) {
        v = 7;
        EXPECT_FALSE(parseSpinnerText(bad, v)) << bad;
        EXPECT_FLOAT_EQ(v, 7.0f) << bad;
    }
}
