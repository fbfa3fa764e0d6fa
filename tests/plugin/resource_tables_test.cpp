// The plug-in's dialogs and string table as its module carries them, control by
// control, against the tables in support/dialog_tables.h; and the live dialogs the
// headless layer builds from them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostkit/ui/hostui.h"
#include "hostkit/headless/dialog_manager.h"
#include "host/module_resources.h"
#include "plugin_harness.h"
#include "shell/library_entry.h"
#include "resources/resource_strings.h"
#include "support/dialog_tables.h"

namespace {

void expectTemplateIs(const expected::Dialog& want) {
    const DialogTemplate* got = hkFindDialog(libraryInstance, MAKEINTRESOURCEA(want.id));
    ASSERT_NE(got, nullptr) << "dialog " << want.id;
    EXPECT_EQ(got->style, want.style) << "dialog " << want.id;
    EXPECT_EQ(got->exStyle, 0u);
    EXPECT_EQ(got->x, 0);
    EXPECT_EQ(got->y, 0);
    EXPECT_EQ(got->cx, want.cx);
    EXPECT_EQ(got->cy, want.cy);
    EXPECT_STREQ(got->caption ? got->caption : "", want.caption);
    EXPECT_EQ(got->fontSize, want.fontSize);
    EXPECT_STREQ(got->fontFace, want.fontFace);
    ASSERT_EQ(got->controlCount, want.controlCount) << "dialog " << want.id;
    for (int i = 0; i < want.controlCount; ++i) {
        const expected::Control& w = want.controls[i];
        const ControlTemplate& g = got->controls[i];
        SCOPED_TRACE("dialog " + std::to_string(want.id) + " control " + std::to_string(i + 1) +
                     " \"" + w.text + "\"");
        EXPECT_EQ(g.id, w.id);
        EXPECT_STREQ(g.className, w.className);
        EXPECT_EQ(g.style, w.style);
        EXPECT_EQ(g.exStyle, 0u);
        EXPECT_EQ(g.x, w.x);
        EXPECT_EQ(g.y, w.y);
        EXPECT_EQ(g.cx, w.cx);
        EXPECT_EQ(g.cy, w.cy);
        EXPECT_STREQ(g.text ? g.text : "", w.text);
    }
}

// The live controls of a dialog: ids, classes and order, and each one's rectangle,
// relative to the dialog, in the headless layer's base units.
void expectLiveControlsAre(HWND dialog, const std::vector<ControlInfo>& controls,
                           const expected::Dialog& want) {
    ASSERT_EQ(int(controls.size()), want.controlCount);
    RECT frame;
    ASSERT_TRUE(GetWindowRect(dialog, &frame));
    for (int i = 0; i < want.controlCount; ++i) {
        const expected::Control& w = want.controls[i];
        SCOPED_TRACE("dialog " + std::to_string(want.id) + " control " + std::to_string(i + 1));
        EXPECT_EQ(controls[i].id, w.id);
        EXPECT_EQ(controls[i].className, w.className);
        if (w.id == expected::kLabel || std::strcmp(w.className, "Button") == 0) {
            EXPECT_EQ(controls[i].text, w.text);
        }
    }
    // Labels have no usable id; the rectangles are checked through the controls with ids.
    for (int i = 0; i < want.controlCount; ++i) {
        const expected::Control& w = want.controls[i];
        if (w.id == expected::kLabel || w.id == 1034 || w.id == 1035) continue;
        HWND control = GetDlgItem(dialog, w.id);
        ASSERT_NE(control, nullptr) << w.id;
        RECT r;
        ASSERT_TRUE(GetWindowRect(control, &r));
        EXPECT_EQ(r.left - frame.left, w.x * hostkit::headless::kBaseUnitX / 4) << w.id;
        EXPECT_EQ(r.top - frame.top, w.y * hostkit::headless::kBaseUnitY / 8) << w.id;
        EXPECT_EQ(r.right - r.left, w.cx * hostkit::headless::kBaseUnitX / 4) << w.id;
        EXPECT_EQ(r.bottom - r.top, w.cy * hostkit::headless::kBaseUnitY / 8) << w.id;
    }
}

INT_PTR quietProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

} // namespace

TEST(ResourceTables, ExportOptionsDialogTemplate) {
    expectTemplateIs(expected::kExportDialog);
}

TEST(ResourceTables, UtilityPanelTemplate) {
    expectTemplateIs(expected::kUtilityPanel);
}

TEST(ResourceTables, EveryStringAndNoOther) {
    const ResourceTable* table = hkModuleResources(libraryInstance);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->stringCount, expected::kStringCount);
    for (const expected::String& s : expected::kStrings) {
        const char* text = loadResourceString(int(s.id));
        ASSERT_NE(text, nullptr) << s.id;
        if (s.text)
            EXPECT_STREQ(text, s.text) << s.id;
        else
            EXPECT_GT(std::strlen(text), 0u) << s.id;
    }
    EXPECT_EQ(loadResourceString(3), nullptr);
}

TEST(ResourceTables, LiveDialogsHaveTheTablesControls) {
    const expected::Dialog* dialogs[] = {&expected::kExportDialog, &expected::kUtilityPanel};
    for (const expected::Dialog* want : dialogs) {
        HWND dialog = CreateDialogParamA(libraryInstance, MAKEINTRESOURCEA(want->id),
                                         hostkit::ui::mainWindow(), quietProc, 0);
        ASSERT_NE(dialog, nullptr) << want->id;
        std::unique_ptr<UserSeam> seam = hostkit::ui::seamFor(dialog);
        expectLiveControlsAre(dialog, seam->controls(), *want);
        DestroyWindow(dialog);
    }
}
