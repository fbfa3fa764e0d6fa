// What the Windows custom controls share with the host's user seam: the message that
// clicks a spinner arrow, and the module that owns the control classes.
#pragma once

#include "host/win32.h"

namespace hostkit::controls {

// Sent to a SpinnerControl: wParam +1 clicks the up arrow, -1 the down arrow.
// Returns TRUE; a spinner not yet linked to an edit ignores the click.
inline constexpr UINT kSpinnerArrowMessage = WM_USER + 0x70;

// True when window is of the named class (compared without case).
bool isWindowOfClass(HWND window, const char* className);
// The module that holds the host kit, which owns the control classes.
HINSTANCE hostkitModule();

// Registers each control class once per process.
void registerCustEditClass();
void registerSpinnerClass();

} // namespace hostkit::controls
