// Scenarios: their text form, their errors, and a ScenarioUser driving dialog 102.
#include <gtest/gtest.h>

#include "hostkit/ui/hostui.h"
#include "hostkit/ui/scenario.h"
#include "resources/resource.h"
#include "test_dialogs.h"

namespace {

Scenario parsed(const std::string& text) {
    FileError error;
    std::optional<Scenario> s = parseScenario(text, "test.steps", error);
    EXPECT_TRUE(s.has_value()) << error.message();
    return s.value_or(Scenario{});
}

INT_PTR runWith(ScenarioUser& user) {
    UserScope scope(&user);
    recorded().clear();
    return DialogBoxParamA(zefexpModule(), MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS), nullptr,
                           recordingProc, 0);
}

// What the dialog held when OK was pressed.
struct WatchedState {
    std::string angle;
    bool flipU = false, flipV = true, spherical = false;
};

WatchedState& watched() {
    static WatchedState state;
    return state;
}

INT_PTR watchingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND || LOWORD(wParam) != IDOK) return FALSE;
    char buffer[80];
    GetDlgItemTextA(dialog, IDC_ANGLE_EDIT, buffer, 80);
    watched().angle = buffer;
    watched().flipU = IsDlgButtonChecked(dialog, IDC_FLIP_U);
    watched().flipV = IsDlgButtonChecked(dialog, IDC_FLIP_V);
    watched().spherical = IsDlgButtonChecked(dialog, IDC_MAP_SPHERICAL);
    return EndDialog(dialog, 1);
}

} // namespace

TEST(ScenarioText, ParsesEveryStepKind) {
    Scenario s = parsed("# a comment\nclick Export Normals\ntype #1028 45.5 deg\n\nup #1033\n"
                        "down #1033\nenter\nescape\n");
    ASSERT_EQ(s.steps.size(), 6u);
    EXPECT_EQ(s.steps[0].target, "Export Normals");
    EXPECT_EQ(s.steps[1].action, ScenarioStep::Action::Type);
    EXPECT_EQ(s.steps[1].target, "#1028");
    EXPECT_EQ(s.steps[1].text, "45.5 deg");
    EXPECT_EQ(s.steps[2].action, ScenarioStep::Action::ArrowUp);
    EXPECT_EQ(s.steps[5].action, ScenarioStep::Action::Escape);
    Scenario pictures = parsed("dump\nsnap dialog 102.png\n");
    ASSERT_EQ(pictures.steps.size(), 2u);
    EXPECT_EQ(pictures.steps[0].action, ScenarioStep::Action::Dump);
    EXPECT_EQ(pictures.steps[1].action, ScenarioStep::Action::Snap);
    EXPECT_EQ(pictures.steps[1].target, "dialog 102.png");
}

TEST(ScenarioText, LinesEndingInCarriageReturnAndLineFeedParse) {
    Scenario s = parsed("# written on Windows\r\nclick Flip\r\ntype #1028 45.5\r\nenter\r\n");
    ASSERT_EQ(s.steps.size(), 3u);
    EXPECT_EQ(s.steps[0].target, "Flip");
    EXPECT_EQ(s.steps[1].text, "45.5");
    EXPECT_EQ(s.steps[2].action, ScenarioStep::Action::Enter);
}

TEST(ScenarioText, BadLinesNameTheLine) {
    FileError error;
    EXPECT_FALSE(parseScenario("enter\npush OK\n", "a.steps", error));
    EXPECT_EQ(error.message(), "a.steps:2: unknown step 'push'");
    EXPECT_FALSE(parseScenario("click\n", "a.steps", error));
    EXPECT_EQ(error.message(), "a.steps:1: 'click' needs a control");
    EXPECT_FALSE(parseScenario("enter now\n", "a.steps", error));
    EXPECT_EQ(error.message(), "a.steps:1: 'enter' takes no control");
    EXPECT_FALSE(parseScenario("snap\n", "a.steps", error));
    EXPECT_EQ(error.message(), "a.steps:1: 'snap' needs a file");
    EXPECT_FALSE(parseScenario("dump all\n", "a.steps", error));
    EXPECT_EQ(error.message(), "a.steps:1: 'dump' takes no control");
}

TEST(ScenarioRun, UnknownControlIsNamedWithTheDialog) {
    ScenarioUser user;
    user.queue(parsed("click Sphericl\nenter\n"));
    EXPECT_EQ(runWith(user), 0) << "the failed scenario leaves the dialog to be closed";
    ASSERT_EQ(user.errors().size(), 1u);
    EXPECT_EQ(user.errors()[0], "no control 'Sphericl' in dialog 'ZEF Export Options'");
}

TEST(ScenarioRun, StepsActOnTheDialogInOrder) {
    ScenarioUser user;
    user.queue(parsed("click Spherical\nclick Flip\ntype #1028 45.5\nenter\n"));
    UserScope scope(&user);
    EXPECT_EQ(DialogBoxParamA(zefexpModule(), MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS), nullptr,
                              watchingProc, 0),
              1);
    const WatchedState& w = watched();
    EXPECT_TRUE(user.errors().empty()) << user.errors().front();
    EXPECT_EQ(w.angle, "45.5");
    EXPECT_TRUE(w.spherical);
    EXPECT_TRUE(w.flipU) << "the first \"Flip\" is U's";
    EXPECT_FALSE(w.flipV);
    EXPECT_EQ(user.dialogTitles(), std::vector<std::string>{"ZEF Export Options"});
}

TEST(ScenarioRun, OneScenarioPerDialogThenNone) {
    ScenarioUser user;
    user.queue(parsed("enter\n"));
    EXPECT_EQ(runWith(user), 1);
    EXPECT_EQ(runWith(user), 0) << "no scenario left: closed like a window";
    EXPECT_EQ(user.dialogTitles().size(), 2u);
}

TEST(ScenarioRun, MessageBoxesAreRecorded) {
    ScenarioUser user;
    UserScope scope(&user);
    MessageBoxA(nullptr, "Write error on file", "ZEFEXP", MB_OK);
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].text, "Write error on file");
    EXPECT_EQ(user.messages()[0].caption, "ZEFEXP");
}

TEST(ScenarioRun, CheckAndUncheckLeaveABoxAlreadySoAsItIs) {
    ScenarioUser user;
    user.queue(parsed("check #1190\ncheck #1190\nuncheck #1191\nuncheck #1191\n"
                      "check #1045\nenter\n"));
    UserScope scope(&user);
    EXPECT_EQ(DialogBoxParamA(zefexpModule(), MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS), nullptr,
                              watchingProc, 0),
              1);
    EXPECT_TRUE(user.errors().empty()) << user.errors().front();
    EXPECT_TRUE(watched().flipU);
    EXPECT_FALSE(watched().flipV);
    EXPECT_TRUE(watched().spherical);
}

TEST(ScenarioRun, DumpOfADialogAlreadyClosedIsAnError) {
    ScenarioUser user;
    user.queue(parsed("enter\ndump\n"));
    EXPECT_EQ(runWith(user), 1);
    ASSERT_EQ(user.errors().size(), 1u);
    EXPECT_EQ(user.errors()[0], "dialog 'ZEF Export Options' is not open");
}
