// The host's windows on Windows: a main window, the command panel along its right
// edge, and panel pages made from plug-in templates inside it.
#include "hostkit/ui/hostui.h"

#include "hostkit/controls/custom_controls_win32.h"
#include "hostkit/ui/modal_hook_win32.h"
#include "hostkit/ui/window_seam.h"

namespace {

constexpr RECT kMainWindowRect = {160, 90, 1760, 990};
constexpr int kPanelWidth = 220;
constexpr const char* kMainClass = "ZefHostMain";
constexpr const char* kPanelClass = "ZefHostPanel";
constexpr const char* kTemplateIdProperty = "ZefHostTemplateId";

HWND theMainWindow = nullptr;
HWND thePanel = nullptr;

void registerHostClass(const char* name) {
    WNDCLASSEXA host{};
    host.cbSize = sizeof host;
    host.lpfnWndProc = DefWindowProcA;
    host.hInstance = hostkit::controls::hostkitModule();
    host.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    host.lpszClassName = name;
    RegisterClassExA(&host); // fails harmlessly when already registered
}

} // namespace

HWND hostkit::ui::mainWindow() {
    if (IsWindow(theMainWindow)) return theMainWindow;
    installModalHook();
    registerHostClass(kMainClass);
    const RECT& r = kMainWindowRect;
    theMainWindow = CreateWindowExA(0, kMainClass, "zefhost", WS_OVERLAPPEDWINDOW, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                    hostkit::controls::hostkitModule(), nullptr);
    if (theMainWindow) ShowWindow(theMainWindow, SW_SHOWNOACTIVATE);
    return theMainWindow;
}

HWND hostkit::ui::panelWindow() {
    if (IsWindow(thePanel)) return thePanel;
    HWND main = hostkit::ui::mainWindow();
    registerHostClass(kPanelClass);
    RECT client{};
    GetClientRect(main, &client);
    thePanel = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                               client.right - kPanelWidth, 0, kPanelWidth, client.bottom, main,
                               nullptr, hostkit::controls::hostkitModule(), nullptr);
    return thePanel;
}

HWND hostkit::ui::createPanelPage(HINSTANCE module, int dialogId, DLGPROC proc, LPARAM param) {
    HWND page = CreateDialogParamA(module, MAKEINTRESOURCEA(dialogId), hostkit::ui::panelWindow(),
                                   proc, param);
    if (!page) return nullptr;
    SetPropA(page, kTemplateIdProperty, reinterpret_cast<HANDLE>((INT_PTR)dialogId));
    ShowWindow(page, SW_SHOW);
    return page;
}

void hostkit::ui::destroyPanelPage(HWND page) {
    if (!IsWindow(page)) return;
    RemovePropA(page, kTemplateIdProperty);
    DestroyWindow(page);
}

void hostkit::ui::useWindows(HWND window, HWND panel) {
    installModalHook();
    theMainWindow = window;
    thePanel = panel;
}

std::unique_ptr<UserSeam> hostkit::ui::seamFor(HWND window) {
    if (!hostkit::controls::isWindowOfClass(window, "#32770")) return nullptr;
    HANDLE templateId = GetPropA(window, kTemplateIdProperty);
    return std::make_unique<WindowSeam>(window, templateId ? (int)(INT_PTR)templateId : -1);
}
