// The custom control classes exist only after InitCustomControls: before it, the
// panel page (which holds CustEdits and SpinnerControls) cannot be created.
#include <gtest/gtest.h>

#include "host/controls.h"
#include "hostkit/ui/hostui.h"
#include "resources/resource.h"
#include "test_dialogs.h"

namespace {
INT_PTR quietProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
} // namespace

TEST(CustomControlClasses, PanelPageNeedsInitCustomControls) {
    HINSTANCE module = zefexpModule();
    EXPECT_EQ(hostkit::ui::createPanelPage(module, IDD_UTILITY_PANEL, quietProc, 0), nullptr);
    InitCustomControls(module);
    HWND page = hostkit::ui::createPanelPage(module, IDD_UTILITY_PANEL, quietProc, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page), hostkit::ui::panelWindow());
    hostkit::ui::destroyPanelPage(page);
    EXPECT_FALSE(IsWindow(page));
}
