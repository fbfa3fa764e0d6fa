// The host window's making, layout, menus, status line and message loop.
#include "app/window/main_window.h"

#include "host/win32.h"
#include <commctrl.h>

#include <algorithm>

#include "host/hold.h"
#include "hostkit/hold/hold_history.h"
#include "hostkit/ui/hostui.h"

namespace {

constexpr const char* kWindowClass = "ZefHostWindow";
constexpr const char* kPanelClass = "ZefHostCommandPanel";
constexpr int kTreeId = 100, kViewId = 101, kStatusId = 102;
constexpr int kTreeWidth = 220, kPanelWidth = 200;

HMENU makeMenus(const std::vector<std::string>& utilities) {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCommandOpen, "&Open scene...\tCtrl+O");
    AppendMenuA(file, MF_STRING, kCommandSaveAs, "&Save scene as...\tCtrl+S");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kCommandExport, "&Export...\tCtrl+E");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kCommandExit, "E&xit\tAlt+F4");
    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING, kCommandUndo, "&Undo\tCtrl+Z");
    AppendMenuA(edit, MF_STRING, kCommandRedo, "&Redo\tCtrl+Y");
    HMENU tools = CreatePopupMenu();
    for (size_t i = 0; i < utilities.size(); ++i)
        AppendMenuA(tools, MF_STRING, kCommandUtility + (UINT_PTR)i, utilities[i].c_str());
    if (utilities.empty()) AppendMenuA(tools, MF_STRING | MF_GRAYED, 0, "(none)");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "&Utilities");
    return bar;
}

HACCEL makeAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'O', kCommandOpen},   {FVIRTKEY | FCONTROL, 'S', kCommandSaveAs},
        {FVIRTKEY | FCONTROL, 'E', kCommandExport}, {FVIRTKEY | FCONTROL, 'Z', kCommandUndo},
        {FVIRTKEY | FCONTROL, 'Y', kCommandRedo},
    };
    return CreateAcceleratorTableA(keys, (int)(sizeof keys / sizeof keys[0]));
}

void registerClass(const char* name, WNDPROC proc) {
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = proc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = name;
    RegisterClassExA(&c); // fails harmlessly when registered before
}

// The command panel passes its pages' commands on to nobody: a page is a dialog and
// handles its own; the panel only holds it.
LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

HostWindow::HostWindow(ZefhostSession& session) : session_(session) {
    person_.leaveToPerson(true);
    person_.setOutput(nullptr);
}

HostWindow::~HostWindow() {
    hostkit::setUser(previousUser_);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

bool HostWindow::create() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    registerClass(kWindowClass, proc);
    registerClass(kPanelClass, panelProc);
    std::vector<std::string> utilities;
    if (PluginLibrary* plugin = session_.plugin()) {
        for (int i = 0; i < plugin->classCount(); ++i) {
            HostClassDescriptor* d = plugin->classDescriptor(i);
            if (d && d->kindCode() == UTILITY_CLASS_ID) {
                utilities.push_back(d->displayName());
                utilityClasses_.push_back(i);
            }
        }
    }
    window_ = CreateWindowExA(0, kWindowClass, "zefhost", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 1100, 720, nullptr,
                              makeMenus(utilities), GetModuleHandleA(nullptr), this);
    if (!window_) return false;
    tree_ = std::make_unique<SceneTree>(window_, kTreeId);
    view_ = std::make_unique<SceneView>(window_, kViewId);
    panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kPanelClass, "",
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kPanelWidth, 10,
                             window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                              reinterpret_cast<HMENU>((INT_PTR)kStatusId),
                              GetModuleHandleA(nullptr), nullptr);
    accelerators_ = makeAccelerators();
    hostkit::ui::useWindows(window_, panel_);
    previousUser_ = hostkit::setUser(&person_);
    layout();
    refresh();
    savedSteps_ = theHoldHistory.stepCount();
    savedRedos_ = theHoldHistory.redoCount();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetFocus(tree_->window());
    return true;
}

void HostWindow::layout() {
    RECT client;
    GetClientRect(window_, &client);
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT statusRect{};
    GetWindowRect(status_, &statusRect);
    int height = client.bottom - (statusRect.bottom - statusRect.top);
    int viewWidth = std::max(10, (int)client.right - kTreeWidth - kPanelWidth);
    MoveWindow(tree_->window(), 0, 0, kTreeWidth, height, TRUE);
    MoveWindow(view_->window(), kTreeWidth, 0, viewWidth, height, TRUE);
    MoveWindow(panel_, kTreeWidth + viewWidth, 0, kPanelWidth, height, TRUE);
}

std::string HostWindow::stepName(int nameId) const {
    char text[256] = "";
    if (PluginLibrary* plugin = session_.plugin()) {
        std::string path = plugin->path();
        std::string file = path.substr(path.find_last_of("/\\") + 1);
        if (HMODULE module = GetModuleHandleA(file.c_str()))
            LoadStringA(module, (UINT)nameId, text, sizeof text);
    }
    return text[0] ? text : "step " + std::to_string(nameId);
}

void HostWindow::updateMenus() {
    HMENU menu = GetMenu(window_);
    int steps = theHoldHistory.stepCount(), redos = theHoldHistory.redoCount();
    std::string undo = "&Undo", redo = "&Redo";
    if (steps > 0) undo += " " + stepName(theHoldHistory.stepName(steps - 1));
    if (redos > 0 && !redoNames_.empty()) redo += " " + stepName(redoNames_.back());
    undo += "\tCtrl+Z";
    redo += "\tCtrl+Y";
    ModifyMenuA(menu, kCommandUndo, MF_BYCOMMAND | MF_STRING | (steps ? 0 : MF_GRAYED),
                kCommandUndo, undo.c_str());
    ModifyMenuA(menu, kCommandRedo, MF_BYCOMMAND | MF_STRING | (redos ? 0 : MF_GRAYED),
                kCommandRedo, redo.c_str());
    std::string title = "zefhost - " + std::string(changedSinceSave_ ? "*" : "") + "scene";
    SetWindowTextA(window_, title.c_str());
}

void HostWindow::updateStatus() {
    Scene& scene = session_.scene();
    int objects = 0;
    long faces = 0;
    for (SceneNode* node : scene.nodes()) {
        ObjectState state = node->evaluate(scene.time(), 1);
        if (!state.obj || !state.obj->canConvertTo(triObjectClassID)) continue;
        ++objects;
        if (TriangleMeshObject* tri = state.obj->convertTo(scene.time(), triObjectClassID)) {
            faces += tri->mesh.faceCount;
            if (tri != state.obj) tri->deleteThis();
        }
    }
    std::string text = std::to_string(objects) + " objects, " + std::to_string(faces) + " faces, " +
                       std::to_string(scene.selectedCount()) + " selected  |  " + lastResult_;
    SetWindowTextA(status_, text.c_str());
}

void HostWindow::refresh() {
    tree_->show(&session_.scene());
    showChanges();
}

void HostWindow::showChanges() {
    view_->show(&session_.scene());
    seenRedraws_ = session_.host().redrawCount();
    seenSteps_ = theHoldHistory.stepCount();
    seenRedos_ = theHoldHistory.redoCount();
    changedSinceSave_ = seenSteps_ != savedSteps_ || seenRedos_ != savedRedos_;
    updateMenus();
    updateStatus();
}

void HostWindow::setLastResult(const std::string& text) {
    lastResult_ = text;
    updateStatus();
}

void HostWindow::noticeChanges() {
    if (session_.host().redrawCount() == seenRedraws_ && theHoldHistory.stepCount() == seenSteps_ &&
        theHoldHistory.redoCount() == seenRedos_)
        return;
    if (theHoldHistory.stepCount() > seenSteps_ && theHoldHistory.redoCount() == 0)
        redoNames_.clear();
    showChanges();
}

LRESULT CALLBACK HostWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && self->window_ == window) return self->handle(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HostWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (tree_) layout();
        return 0;
    case WM_COMMAND:
        if (onCommand(LOWORD(wParam))) return 0;
        break;
    case WM_NOTIFY: {
        auto* note = reinterpret_cast<NMHDR*>(lParam);
        if (note->idFrom == kTreeId && note->code == NM_CLICK && tree_->onClick()) {
            view_->show(&session_.scene());
            updateStatus();
        }
        return 0;
    }
    case WM_TIMER:
        onScriptTimer();
        return 0;
    case WM_CLOSE:
        if (confirmDiscard()) DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        if (session_.host().utilityOpen()) session_.host().closeUtility();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

int HostWindow::run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND page = session_.host().panelPage();
        if (TranslateAcceleratorA(window_, accelerators_, &message)) continue;
        if (page && IsWindow(page) && IsDialogMessageA(page, &message)) {
            noticeChanges();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (IsWindow(window_)) noticeChanges();
    }
    return exitCode_;
}
