// Loading plug-in libraries: LoadLibrary on Windows, dlopen elsewhere.
#include <filesystem>

#include "app/plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
static void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = "Windows error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
static void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
static void closeLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
static std::string programPath() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
}
#else
#include <dlfcn.h>
static void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) error = dlerror();
    return handle;
}
static void* findSymbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
static void closeLibrary(void* handle) {
    dlclose(handle);
}
static std::string programPath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}
#endif

std::string defaultPluginPath() {
    return (std::filesystem::path(programPath()).parent_path() / "zefexp.dle").string();
}

template <typename Fn> static bool bind(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(findSymbol(handle, name));
    return fn != nullptr;
}

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "cannot load plug-in '" + path + "': no such file";
        return nullptr;
    }
    std::string reason;
    void* handle = openLibrary(path, reason);
    if (!handle) {
        error = "cannot load plug-in '" + path + "': not a loadable library (" + reason + ")";
        return nullptr;
    }
    std::unique_ptr<PluginLibrary> library(new PluginLibrary);
    library->path_ = path;
    library->handle_ = handle;
    const char* missing = nullptr;
    if (!bind(handle, "LibDescription", library->describe_))
        missing = "LibDescription";
    else if (!bind(handle, "LibNumberClasses", library->numberClasses_))
        missing = "LibNumberClasses";
    else if (!bind(handle, "LibClassDesc", library->classDesc_))
        missing = "LibClassDesc";
    else if (!bind(handle, "LibVersion", library->version_))
        missing = "LibVersion";
    if (missing) {
        error = "'" + path + "' is not a plug-in: it does not export " + missing;
        return nullptr;
    }
    return library;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) closeLibrary(handle_);
}

HostClassDescriptor* PluginLibrary::findClass(int kindCode) const {
    for (int i = 0; i < classCount(); ++i) {
        HostClassDescriptor* descriptor = classDescriptor(i);
        if (descriptor && descriptor->kindCode() == kindCode) return descriptor;
    }
    return nullptr;
}

void* PluginLibrary::createInstance(int kindCode) const {
    HostClassDescriptor* descriptor = findClass(kindCode);
    return descriptor ? descriptor->createInstance(0) : nullptr;
}
