// The host's windows in the headless layer: a main window on the screen and the
// command panel along its right edge.
#include "hostkit/ui/hostui.h"
#include "hostkit/headless/dialog_manager.h"
#include "hostkit/ui/window_seam.h"

namespace {

constexpr RECT kMainWindowRect = {160, 90, 1760, 990};
constexpr LONG kPanelWidth = 220;

HWND panelWindow = nullptr;

} // namespace

HWND hostuiMainWindow() {
    if (HWND main = hkwin::mainWindow()) return main;
    hkwin::Window& main = hkwin::createWindow("ZefHostMain", "zefhost",
                                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                              nullptr, 0, kMainWindowRect);
    hkwin::setMainWindow(main.handle);
    return main.handle;
}

HWND hostuiPanelWindow() {
    if (hkwin::findWindow(panelWindow)) return panelWindow;
    HWND main = hostuiMainWindow();
    RECT r = hkwin::findWindow(main)->rect;
    panelWindow = hkwin::createWindow("ZefHostPanel", "", WS_CHILD | WS_VISIBLE, main, 0,
                                      RECT{r.right - kPanelWidth, r.top, r.right, r.bottom})
                      .handle;
    return panelWindow;
}

HWND hostuiCreatePanelPage(HINSTANCE module, int dialogId, DLGPROC proc, LPARAM param) {
    return CreateDialogParamA(module, MAKEINTRESOURCEA(dialogId), hostuiPanelWindow(), proc, param);
}

void hostuiDestroyPanelPage(HWND page) {
    DestroyWindow(page);
}

std::unique_ptr<UserSeam> hostuiSeamFor(HWND window) {
    const hkwin::Window* w = hkwin::findWindow(window);
    if (!w || !w->isDialog) return nullptr;
    return std::make_unique<WindowSeam>(window);
}
