// The headless dialog layer on the plug-in's own templates 102 and 103.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "host/controls.h"
#include "hostkit/ui/hostui.h"
#include "resources/resource.h"
#include "test_dialogs.h"

namespace {

LPCSTR exportTemplate() {
    return MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS);
}

// Opens template 102 modally with the recording procedure; act plays the person.
INT_PTR runExportDialog(std::function<void(UserSeam&)> act, LPARAM param = 0) {
    recorded().clear();
    LambdaUser user;
    user.act = std::move(act);
    UserScope scope(&user);
    return DialogBoxParamA(zefexpModule(), exportTemplate(), hostkit::ui::mainWindow(),
                           recordingProc, param);
}

int indexOf(UserSeam& seam, int id) {
    return seam.findById(id).value().index;
}
bool checked(UserSeam& seam, int id) {
    return seam.findById(id).value().checked;
}

} // namespace

TEST(DialogCreation, ControlsFollowTemplateOrderWithIdsClassesAndStyles) {
    const DialogTemplate* t = hkFindDialog(zefexpModule(), exportTemplate());
    ASSERT_NE(t, nullptr);
    runExportDialog([&](UserSeam& seam) {
        std::vector<ControlInfo> controls = seam.controls();
        ASSERT_EQ((int)controls.size(), t->controlCount);
        HWND dialog = GetActiveWindow();
        for (int i = 0; i < t->controlCount; ++i) {
            EXPECT_EQ(controls[i].index, i);
            EXPECT_EQ(controls[i].id, t->controls[i].id) << "control " << i;
            EXPECT_EQ(controls[i].className, t->controls[i].className) << "control " << i;
        }
        EXPECT_EQ(seam.title(), "ZEF Export Options");
        EXPECT_EQ(controls[0].text, "OK");
        EXPECT_EQ(controls[13].id, 0xFFFF);
        EXPECT_EQ(controls[13].text, "Angle:");
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, IDC_MAP_BOX)), IDC_MAP_BOX);
        EXPECT_EQ(GetParent(GetDlgItem(dialog, IDC_MAP_BOX)), dialog);
    });
}

TEST(DialogCreation, ProcedureSeesInitWithParamAndDestroyLast) {
    INT_PTR result = runExportDialog([](UserSeam& seam) { seam.pressEnter(); }, 0x5EED);
    EXPECT_EQ(result, 1);
    ASSERT_GE(recorded().size(), 2u);
    EXPECT_EQ(recorded().front().message, (UINT)WM_INITDIALOG);
    EXPECT_EQ(recorded().front().lParam, 0x5EED);
    EXPECT_EQ(recorded().back().message, (UINT)WM_DESTROY);
}

TEST(DialogCreation, MissingTemplateOrModuleGivesMinusOne) {
    EXPECT_EQ(DialogBoxParamA(zefexpModule(), MAKEINTRESOURCEA(999), nullptr, recordingProc, 0),
              -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, exportTemplate(), nullptr, recordingProc, 0), -1);
    EXPECT_EQ(CreateDialogParamA(zefexpModule(), "NoSuchName", nullptr, recordingProc, 0), nullptr);
}

TEST(DialogCreation, DialogIsDestroyedAfterTheModalRun) {
    HWND seen = nullptr;
    runExportDialog([&](UserSeam&) { seen = GetActiveWindow(); });
    EXPECT_NE(seen, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(GetActiveWindow(), hostkit::ui::mainWindow());
}

TEST(RadioGroup, ClickingSphericalClearsOnlyTheOtherMappingButtons) {
    runExportDialog([](UserSeam& seam) {
        HWND dialog = GetActiveWindow();
        CheckDlgButton(dialog, IDC_MAP_PLANAR, BST_CHECKED);
        for (int id : {IDC_CAP, IDC_FLIP_NORMALS, IDC_EXPORT_HIGHLIGHTS, IDC_APPLY_TO_SCENE})
            CheckDlgButton(dialog, id, BST_CHECKED);
        ASSERT_TRUE(seam.click(indexOf(seam, IDC_MAP_SPHERICAL)).ok());
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MAP_SPHERICAL), (UINT)BST_CHECKED);
        for (int id : {IDC_MAP_PLANAR, IDC_MAP_CYLINDRICAL, IDC_MAP_SHRINKWRAP, IDC_MAP_BOX})
            EXPECT_EQ(IsDlgButtonChecked(dialog, id), (UINT)BST_UNCHECKED) << id;
        for (int id : {IDC_CAP, IDC_FLIP_NORMALS, IDC_EXPORT_HIGHLIGHTS, IDC_APPLY_TO_SCENE})
            EXPECT_EQ(IsDlgButtonChecked(dialog, id), (UINT)BST_CHECKED) << id;
        // clicking a checked radio button keeps it checked
        seam.click(indexOf(seam, IDC_MAP_SPHERICAL));
        EXPECT_TRUE(checked(seam, IDC_MAP_SPHERICAL));
    });
}

TEST(AutoCheckBox, ClickTogglesAndNotifiesTheDialog) {
    runExportDialog([](UserSeam& seam) {
        HWND dialog = GetActiveWindow();
        recorded().clear();
        int index = indexOf(seam, IDC_EXPORT_NORMALS);
        seam.click(index);
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_EXPORT_NORMALS));
        seam.click(index);
        EXPECT_FALSE(IsDlgButtonChecked(dialog, IDC_EXPORT_NORMALS));
        ASSERT_EQ(recorded().size(), 2u);
        EXPECT_EQ(recorded()[0].message, (UINT)WM_COMMAND);
        EXPECT_EQ(recorded()[0].wParam, MAKEWPARAM(IDC_EXPORT_NORMALS, BN_CLICKED));
        EXPECT_EQ((HWND)recorded()[0].lParam, GetDlgItem(dialog, IDC_EXPORT_NORMALS));
    });
}

TEST(Keys, EnterPressesTheDefaultButtonAndEscCancels) {
    EXPECT_EQ(runExportDialog([](UserSeam& seam) {
                  seam.type(indexOf(seam, IDC_ANGLE_EDIT), "12"); // focus in an edit
                  seam.pressEnter();
              }),
              1);
    EXPECT_EQ(runExportDialog([](UserSeam& seam) { seam.pressEscape(); }), 0);
}

TEST(Keys, EnterOnAFocusedPushButtonPressesThatButton) {
    EXPECT_EQ(runExportDialog([](UserSeam& seam) {
                  SetFocus(GetDlgItem(GetActiveWindow(), IDCANCEL));
                  seam.pressEnter();
              }),
              0);
}

TEST(Keys, ActionsAfterTheEndFail) {
    runExportDialog([](UserSeam& seam) {
        seam.pressEnter();
        EXPECT_FALSE(seam.isOpen());
        EXPECT_FALSE(seam.click(2).ok());
        EXPECT_FALSE(seam.pressEscape().ok());
    });
    EXPECT_EQ(recorded().back().message, (UINT)WM_DESTROY);
}

TEST(DialogText, GetDlgItemTextCutsToTheBuffer) {
    runExportDialog([](UserSeam& seam) {
        HWND dialog = GetActiveWindow();
        std::string longText(100, 'x');
        longText[78] = 'E';
        seam.type(indexOf(seam, IDC_BIAS_EDIT), longText);
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(GetDlgItemTextA(dialog, IDC_BIAS_EDIT, buffer, 80), 79u);
        EXPECT_EQ(std::strlen(buffer), 79u);
        EXPECT_EQ(buffer[78], 'E');
        char tiny[1] = {'#'};
        EXPECT_EQ(GetDlgItemTextA(dialog, IDC_BIAS_EDIT, tiny, 1), 0u);
        EXPECT_EQ(tiny[0], '\0');
        EXPECT_EQ(GetDlgItemTextA(dialog, 4242, buffer, 80), 0u);
        EXPECT_STREQ(buffer, "");
    });
}

TEST(DialogText, SetDlgItemTextShowsInTheSeam) {
    runExportDialog([](UserSeam& seam) {
        HWND dialog = GetActiveWindow();
        EXPECT_TRUE(SetDlgItemTextA(dialog, IDC_ANGLE_EDIT, "30,0"));
        EXPECT_EQ(seam.findById(IDC_ANGLE_EDIT)->text, "30,0");
        EXPECT_FALSE(SetDlgItemTextA(dialog, 4242, "x"));
    });
}

TEST(Buttons, IdsThatAreNoCheckableButtonsDoNothing) {
    runExportDialog([](UserSeam&) {
        HWND dialog = GetActiveWindow();
        for (int id : {4242, IDC_ANGLE_EDIT, 0xFFFF}) {
            EXPECT_FALSE(CheckDlgButton(dialog, id, BST_CHECKED)) << id;
            EXPECT_EQ(IsDlgButtonChecked(dialog, id), 0u) << id;
        }
        CheckDlgButton(dialog, IDOK, BST_CHECKED); // a push button has no check state
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDOK), 0u);
    });
}

TEST(Buttons, CheckDlgButtonTakesAnyNonzeroAsChecked) {
    runExportDialog([](UserSeam&) {
        HWND dialog = GetActiveWindow();
        CheckDlgButton(dialog, IDC_CAP, 7);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CAP), (UINT)BST_CHECKED);
        CheckDlgButton(dialog, IDC_CAP, BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_CAP), (UINT)BST_UNCHECKED);
    });
}

TEST(ModalRun, DialogLeftOpenByTheUserIsClosedWithEsc) {
    EXPECT_EQ(runExportDialog([](UserSeam& seam) { seam.click(indexOf(seam, IDC_CAP)); }), 0);
    bool sawCancel = false;
    for (const RecordedMessage& m : recorded())
        sawCancel |= m.message == WM_COMMAND && LOWORD(m.wParam) == IDCANCEL;
    EXPECT_TRUE(sawCancel);
}

TEST(ModalRun, WithoutAUserTheDialogClosesAtOnce) {
    UserScope nobody(nullptr);
    recorded().clear();
    EXPECT_EQ(DialogBoxParamA(zefexpModule(), exportTemplate(), nullptr, recordingProc, 0), 0);
}

TEST(ModalRun, ADialogIgnoringEscStillEndsWithZero) {
    LambdaUser user;
    UserScope scope(&user);
    auto stubborn = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
    EXPECT_EQ(DialogBoxParamA(zefexpModule(), exportTemplate(), nullptr, stubborn, 0), 0);
}

TEST(ModalRun, ActiveWindowIsTheDialogWhileItRuns) {
    HWND main = hostkit::ui::mainWindow();
    EXPECT_EQ(GetActiveWindow(), main);
    runExportDialog([&](UserSeam&) {
        HWND active = GetActiveWindow();
        EXPECT_NE(active, main);
        EXPECT_EQ(GetParent(active), main) << "a modal dialog's parent is its owner";
    });
}

TEST(MessageBox, ReachesTheUserAndTheSinkAndAnswersOk) {
    LambdaUser user;
    UserScope scope(&user);
    std::string sunk;
    hostkit::ui::setMessageSink(
        [&](const std::string& t, const std::string& c) { sunk = c + "|" + t; });
    EXPECT_EQ(MessageBoxA(GetActiveWindow(), "No data to export", "ZEFEXP", MB_OK), IDOK);
    hostkit::ui::setMessageSink(nullptr);
    EXPECT_EQ(sunk, "ZEFEXP|No data to export");
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0], "ZEFEXP: No data to export");
}

TEST(LoadString, CopiesCutsAndReportsMissingIds) {
    HINSTANCE module = zefexpModule();
    char buffer[256];
    EXPECT_EQ(LoadStringA(module, IDS_EXPORTER_NAME, buffer, sizeof buffer), 18);
    EXPECT_STREQ(buffer, "ASCII-Export (ZEF)");
    EXPECT_EQ(LoadStringA(module, IDS_CAPTION, buffer, 4), 3);
    EXPECT_STREQ(buffer, "ZEF");
    EXPECT_EQ(LoadStringA(module, IDS_CAPTION, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "stale");
    EXPECT_EQ(LoadStringA(module, 12345, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA(module, IDS_CAPTION, nullptr, 10), 0);
    EXPECT_EQ(LoadStringA(nullptr, IDS_CAPTION, buffer, sizeof buffer), 0);
}

TEST(Modules, RegisteringTwiceGivesOneHandleAndUnregisterForgets) {
    static const ResourceTable empty = {nullptr, 0, nullptr, 0};
    HINSTANCE a = hkRegisterModule(&empty, &empty);
    EXPECT_EQ(hkRegisterModule(&empty, &empty), a);
    EXPECT_NE(a, zefexpModule()) << "two tables in one executable need two handles";
    EXPECT_EQ(hkModuleResources(a), &empty);
    hkUnregisterModule(a);
    EXPECT_EQ(hkModuleResources(a), nullptr);
}

TEST(CenterWindow, CentresTheDialogOverItsParent) {
    runExportDialog([](UserSeam&) {
        HWND dialog = GetActiveWindow();
        RECT before, after, parent;
        GetWindowRect(dialog, &before);
        CenterWindow(dialog, GetParent(dialog));
        GetWindowRect(dialog, &after);
        GetWindowRect(GetParent(dialog), &parent);
        EXPECT_EQ(after.right - after.left, before.right - before.left);
        EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
        EXPECT_LE(std::abs((after.left + after.right) - (parent.left + parent.right)), 1);
        EXPECT_LE(std::abs((after.top + after.bottom) - (parent.top + parent.bottom)), 1);
        // the controls moved with the dialog
        RECT ok;
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        EXPECT_EQ(ok.left - after.left, 130 * 6 / 4);
    });
}
