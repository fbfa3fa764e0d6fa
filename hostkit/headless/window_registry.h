// The headless layer's windows: handles to plain objects with an id, a class, a
// style, a text, a check state, a rectangle, a parent and children. Internal to the
// host kit; the plug-in sees only HWNDs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/win32.h"

namespace hostkit::headless {

// Behaviour a window class adds to its windows (the custom controls use this).
class WindowExtension {
  public:
    virtual ~WindowExtension() = default;
    // A click on one of the control's arrows; false when the control has none.
    virtual bool spin(HWND self, int direction) {
        (void)self;
        (void)direction;
        return false;
    }
};

struct Window {
    HWND handle = nullptr;
    int id = 0;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{}; // screen coordinates, in pixels
    UINT check = BST_UNCHECKED;
    HWND parent = nullptr;      // the parent of a child, the owner of a popup
    std::vector<HWND> children; // in creation (template) order

    // Dialogs only.
    bool isDialog = false;
    DLGPROC proc = nullptr;
    int templateId = -1;
    bool modal = false;
    bool ended = false; // EndDialog was called
    INT_PTR result = 0;

    std::unique_ptr<WindowExtension> extension;
};

// The window behind a handle, or null for unknown and destroyed handles.
Window* findWindow(HWND handle);
// Creates a window as a child (WS_CHILD) or owned popup of parent and returns it.
Window& createWindow(const std::string& className, const std::string& text, DWORD style,
                     HWND parent, int id, RECT rect);
// Destroys window and its children: a dialog's procedure gets WM_DESTROY first.
void destroyWindow(HWND handle);

// Window classes usable in dialog templates; names compare without case. A class may
// give each of its windows an extension when it is created.
using ExtensionFactory = std::unique_ptr<WindowExtension> (*)();
void registerWindowClass(const std::string& name, ExtensionFactory factory = nullptr);
bool isWindowClassRegistered(const std::string& name);
bool sameClass(const std::string& a, const char* b);

HWND focusWindow();
HWND setFocusWindow(HWND window); // returns the previous focus

// The desktop window, covering the whole screen.
HWND desktopWindow();

} // namespace hostkit::headless
