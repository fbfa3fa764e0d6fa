// The Win32 API as the plug-in sees it: the real <windows.h> on Windows, the host
// kit's headless layer elsewhere.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#include <commctrl.h>
#else
#include "host/windows_headless.h"
#endif
