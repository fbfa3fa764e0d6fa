// The library entry point's work, shared by the Windows DllMain and the Linux loader hook.
#include "host/controls.h"
#include "shell/library_entry.h"
#include "resources/resource_strings.h"

int controlsInitialised = 0;

BOOL libraryEntry(HINSTANCE instance, DWORD, LPVOID) {
    libraryInstance = instance;
    if (!controlsInitialised) {
        controlsInitialised = 1;
        InitCustomControls(instance);
        InitCommonControls();
    }
    return TRUE;
}
