// Loading plug-in libraries: LoadLibrary on Windows, dlopen elsewhere.
#include <filesystem>

#include "app/plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
static void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryW(std::filesystem::path(path).wstring().c_str());
    if (!module) error = "Windows error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
static void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
static void closeLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
static std::filesystem::path programPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
        buffer.resize(buffer.size() * 2); // truncated: a longer path than MAX_PATH
    }
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
static std::filesystem::path programPath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}
#endif

std::vector<std::string> pluginSearchPaths() {
    const std::filesystem::path folder = programPath().parent_path();
    return {
        (folder / "zefexp.dle").string(), (folder / "plugins" / "zefexp.dle").string(),
        (folder / ".." / "lib" / "zefexp" / "plugins" / "zefexp.dle").lexically_normal().string()};
}

std::string defaultPluginPath() {
    const std::vector<std::string> candidates = pluginSearchPaths();
    for (const std::string& candidate : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return candidates.front();
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
