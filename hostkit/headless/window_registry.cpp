// Handle table, window classes and focus of the headless layer. Handles are small
// numbers that are never reused, so a stale handle finds nothing instead of a
// different window.
#include "hostkit/headless/window_registry.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace hostkit::headless {
namespace {

constexpr uintptr_t kFirstHandle = 0x10010;
constexpr uintptr_t kHandleStep = 4;
constexpr RECT kScreen = {0, 0, 1920, 1080};

struct State {
    std::map<HWND, std::unique_ptr<Window>> windows;
    std::vector<std::pair<std::string, ExtensionFactory>> classes{
        {"Button", nullptr}, {"Edit", nullptr}, {"Static", nullptr}};
    uintptr_t nextHandle = kFirstHandle;
    HWND focus = nullptr;
    HWND desktop = nullptr;
};

State& state() {
    static State s;
    return s;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

std::pair<std::string, ExtensionFactory>* findClass(const std::string& name) {
    for (auto& c : state().classes)
        if (equalsIgnoringCase(c.first, name)) return &c;
    return nullptr;
}

} // namespace

Window* findWindow(HWND handle) {
    auto& windows = state().windows;
    auto it = windows.find(handle);
    return it == windows.end() ? nullptr : it->second.get();
}

Window& createWindow(const std::string& className, const std::string& text, DWORD style,
                     HWND parent, int id, RECT rect) {
    State& s = state();
    auto window = std::make_unique<Window>();
    window->handle = reinterpret_cast<HWND>(s.nextHandle);
    s.nextHandle += kHandleStep;
    window->className = className;
    window->text = text;
    window->style = style;
    window->parent = parent;
    window->id = id;
    window->rect = rect;
    if (auto* windowClass = findClass(className); windowClass && windowClass->second)
        window->extension = windowClass->second();
    if (Window* p = findWindow(parent); p && (style & WS_CHILD))
        p->children.push_back(window->handle);
    Window& created = *window;
    s.windows.emplace(created.handle, std::move(window));
    return created;
}

void destroyWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (!window) return;
    if (window->isDialog && window->proc) window->proc(handle, WM_DESTROY, 0, 0);
    // the procedure may have destroyed things; look again
    window = findWindow(handle);
    if (!window) return;
    std::vector<HWND> children = window->children;
    for (HWND child : children) destroyWindow(child);
    // owned popups go with their owner, as on Windows
    std::vector<HWND> owned;
    for (auto& [h, w] : state().windows)
        if (w->parent == handle && !(w->style & WS_CHILD)) owned.push_back(h);
    for (HWND h : owned) destroyWindow(h);
    window = findWindow(handle);
    if (!window) return;
    if (Window* parent = findWindow(window->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
    }
    if (state().focus == handle) state().focus = nullptr;
    state().windows.erase(handle);
}

void registerWindowClass(const std::string& name, ExtensionFactory factory) {
    if (auto* known = findClass(name))
        known->second = factory;
    else
        state().classes.emplace_back(name, factory);
}

bool isWindowClassRegistered(const std::string& name) {
    return findClass(name) != nullptr;
}

bool sameClass(const std::string& a, const char* b) {
    return equalsIgnoringCase(a, b);
}

HWND focusWindow() {
    return state().focus;
}

HWND setFocusWindow(HWND window) {
    HWND previous = state().focus;
    state().focus = window;
    return previous;
}

HWND desktopWindow() {
    State& s = state();
    if (!findWindow(s.desktop))
        s.desktop = createWindow("#32769", "", WS_VISIBLE, nullptr, 0, kScreen).handle;
    return s.desktop;
}

} // namespace hostkit::headless
