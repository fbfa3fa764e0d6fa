// Plug-in class interfaces the host calls, in their fixed operation order.
#pragma once

#include "host/class_id.h"
#include "host/scene.h"

// Kind codes of HostClassDescriptor::kindCode.
constexpr int SCENE_EXPORT_CLASS_ID = 0xA20;
constexpr int UTILITY_CLASS_ID = 0x1020;

class HostClassDescriptor {
  public:
    virtual int isListed() = 0;
    // For SCENE_EXPORT_CLASS_ID a HostSceneExporter*, for UTILITY_CLASS_ID a
    // HostUtilityPlugin*; null when it cannot be made.
    virtual void* createInstance(int loading) = 0;
    virtual int hostDefault3(int) { return 0; }
    virtual int hostDefault4(int) { return 0; }
    virtual const char* displayName() = 0;
    virtual int kindCode() = 0;
    virtual Class_ID classId() = 0;
    virtual const char* categoryText() = 0;
    virtual int hostDefault9(int) { return 1; }
    virtual int hostDefault10() { return 0; }
    virtual void hostDefault11(int) {}
    virtual void hostDefault12(int) {}
    virtual int hostDefault13() { return 0; }
    virtual int hostDefault14(int) { return 0; }
    virtual int hostDefault15(int) { return 0; }

  protected:
    ~HostClassDescriptor() = default; // descriptors are static objects of the plug-in
};

class HostSceneExporter {
  public:
    virtual ~HostSceneExporter() = default;
    virtual int extensionCount() = 0;
    virtual const char* extension(int index) = 0;
    virtual const char* longDescription() = 0;
    virtual const char* shortDescription() = 0;
    virtual const char* authorText() = 0;
    virtual const char* copyrightText() = 0;
    virtual const char* extraMessage1() = 0;
    virtual const char* extraMessage2() = 0;
    virtual int version() = 0;
    virtual void showAbout(HWND parent) = 0;
    // Returns 1 on success (and after a cancel), 0 or less on failure.
    virtual int exportScene(const char* path, HostExportInterface* exportInterface,
                            HostInterface* host) = 0;
};

class HostUtilityPlugin {
  public:
    virtual void openPanel(HostInterface* host, HostUtilityInterface* utilityHost) = 0;
    virtual void closePanel(HostInterface* host, HostUtilityInterface* utilityHost) = 0;
    virtual void notice(int code, void* data) = 0;
    virtual void discard() = 0;

  protected:
    ~HostUtilityPlugin() = default;
};

// The four functions every plug-in library exports.
using LibDescriptionFn = const char* (*)();
using LibNumberClassesFn = int (*)();
using LibClassDescFn = HostClassDescriptor* (*)(int);
using LibVersionFn = uint32_t (*)();
