// The Windows DLL entry point.
#include "shell/library_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return libraryEntry(instance, reason, reserved);
}
