// The library entry on Linux: once the library's static objects are constructed,
// makes the compiled resources known to the headless Win32 layer and runs the
// entry with the module's handle, as the Windows loader does with DllMain.
#include "host/module_resources.h"
#include "shell/init_order.h"
#include "shell/library_entry.h"

extern const ResourceTable zefexpResources;

namespace {
struct LinuxLibraryEntry {
    HINSTANCE instance;

    LinuxLibraryEntry() : instance(hkRegisterModule(&zefexpResources, &zefexpResources)) {
        libraryEntry(instance, DLL_PROCESS_ATTACH, nullptr);
    }
    ~LinuxLibraryEntry() {
        libraryEntry(instance, DLL_PROCESS_DETACH, nullptr);
        hkUnregisterModule(instance);
    }
};

LinuxLibraryEntry linuxLibraryEntry ZEF_INIT_ORDER(kInitLibraryEntry);
} // namespace
