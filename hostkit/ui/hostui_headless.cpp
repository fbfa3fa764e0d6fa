// The host's windows in the headless layer: a main window on the screen and the
// command panel along its right edge.
#include "hostkit/ui/hostui.h"
#include "hostkit/headless/dialog_manager.h"
#include "hostkit/ui/window_seam.h"

namespace {

constexpr RECT kMainWindowRect = {160, 90, 1760, 990};
constexpr LONG kPanelWidth = 220;

HWND thePanel = nullptr;

} // namespace

HWND hostkit::ui::mainWindow() {
    if (HWND main = hostkit::headless::mainWindow()) return main;
    hostkit::headless::Window& main = hostkit::headless::createWindow(
        "ZefHostMain", "zefhost", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, nullptr, 0,
        kMainWindowRect);
    hostkit::headless::setMainWindow(main.handle);
    return main.handle;
}

HWND hostkit::ui::panelWindow() {
    if (hostkit::headless::findWindow(thePanel)) return thePanel;
    HWND main = hostkit::ui::mainWindow();
    RECT r = hostkit::headless::findWindow(main)->rect;
    thePanel =
        hostkit::headless::createWindow("ZefHostPanel", "", WS_CHILD | WS_VISIBLE, main, 0,
                                        RECT{r.right - kPanelWidth, r.top, r.right, r.bottom})
            .handle;
    return thePanel;
}

HWND hostkit::ui::createPanelPage(HINSTANCE module, int dialogId, DLGPROC proc, LPARAM param) {
    return CreateDialogParamA(module, MAKEINTRESOURCEA(dialogId), hostkit::ui::panelWindow(), proc,
                              param);
}

void hostkit::ui::destroyPanelPage(HWND page) {
    DestroyWindow(page);
}

std::unique_ptr<UserSeam> hostkit::ui::seamFor(HWND window) {
    const hostkit::headless::Window* w = hostkit::headless::findWindow(window);
    if (!w || !w->isDialog) return nullptr;
    return std::make_unique<WindowSeam>(window);
}
