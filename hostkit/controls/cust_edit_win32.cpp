// The CustEdit control on Windows: a superclass of the standard EDIT control, so its
// window text is its contents, and ICustEdit over it.
#include <algorithm>

#include "host/controls.h"
#include "hostkit/controls/custom_controls_win32.h"

namespace {

WNDPROC editProc = nullptr;

LRESULT CALLBACK custEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(editProc, window, message, wParam, lParam);
}

class WindowsCustEdit : public ICustEdit {
  public:
    explicit WindowsCustEdit(HWND window) : window_(window) {}
    void putText(const char* text) override { SetWindowTextA(window_, text ? text : ""); }
    void fetchText(char* buffer, int size) override {
        if (!buffer || size <= 0) return;
        buffer[0] = '\0';
        GetWindowTextA(window_, buffer, size);
    }

  private:
    HWND window_;
};

} // namespace

namespace hostkit::controls {

void registerCustEditClass() {
    if (editProc) return;
    WNDCLASSEXA edit{};
    edit.cbSize = sizeof edit;
    if (!GetClassInfoExA(nullptr, "EDIT", &edit)) return;
    editProc = edit.lpfnWndProc;
    edit.lpfnWndProc = custEditProc;
    edit.hInstance = hostkitModule();
    edit.lpszClassName = kCustEditClass;
    edit.style |= CS_GLOBALCLASS;
    if (!RegisterClassExA(&edit) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        editProc = nullptr;
}

} // namespace hostkit::controls

ICustEdit* GetICustEdit(HWND window) {
    if (!hostkit::controls::isWindowOfClass(window, kCustEditClass)) return nullptr;
    return new WindowsCustEdit(window);
}

void ReleaseICustEdit(ICustEdit* edit) {
    delete edit;
}
