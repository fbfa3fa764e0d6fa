// InitCustomControls on Windows: the control classes are global window classes of
// the host kit's module, so every module's dialogs can use them.
#include "host/controls.h"
#include "hostkit/controls/custom_controls_win32.h"

namespace hostkit::controls {

bool isWindowOfClass(HWND window, const char* className) {
    char name[64];
    if (!window || !GetClassNameA(window, name, sizeof name)) return false;
    return lstrcmpiA(name, className) == 0;
}

HINSTANCE hostkitModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&hostkitModule), &module);
    return module;
}

} // namespace hostkit::controls

void InitCustomControls(HINSTANCE) {
    hostkit::controls::registerCustEditClass();
    hostkit::controls::registerSpinnerClass();
}
