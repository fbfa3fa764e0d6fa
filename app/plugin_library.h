// A plug-in library loaded the way the host loads one: by path, through its four
// exported functions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/plugin.h"

class PluginLibrary {
  public:
    // Loads the library at path; null with a message in error when the file is
    // missing, is not a loadable library, or lacks one of the four exports.
    static std::unique_ptr<PluginLibrary> load(const std::string& path, std::string& error);
    ~PluginLibrary(); // unloads the library
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return path_; }
    const char* description() const { return describe_(); }
    int classCount() const { return numberClasses_(); }
    HostClassDescriptor* classDescriptor(int index) const { return classDesc_(index); }
    uint32_t version() const { return version_(); }
    // The first listed class of that kind code, or null.
    HostClassDescriptor* findClass(int kindCode) const;
    // An object of the first class of that kind (what its descriptor's createInstance
    // gives: a HostSceneExporter* or a HostUtilityPlugin*), or null.
    void* createInstance(int kindCode) const;

  private:
    PluginLibrary() = default;

    std::string path_;
    void* handle_ = nullptr;
    LibDescriptionFn describe_ = nullptr;
    LibNumberClassesFn numberClasses_ = nullptr;
    LibClassDescFn classDesc_ = nullptr;
    LibVersionFn version_ = nullptr;
};

// Where zefhost looks for zefexp.dle when no plug-in is named, in this order, all
// relative to the running program so that an unpacked package works wherever it lies:
// beside the program (the build tree), in plugins/ beside it (the Windows package), and
// in ../lib/zefexp/plugins/ (the installed Linux tree).
std::vector<std::string> pluginSearchPaths();
// The first of pluginSearchPaths() that is a file, or the first of them when none is.
std::string defaultPluginPath();
