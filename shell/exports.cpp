// The four functions the host looks up in the library.
#include "resources/resource.h"
#include "shell/class_descs.h"
#include "resources/resource_strings.h"

#if defined(_WIN32)
#define ZEF_EXPORT extern "C" __declspec(dllexport)
#else
#define ZEF_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZEF_EXPORT const char* LibDescription() {
    return loadResourceString(IDS_LIB_DESCRIPTION);
}

ZEF_EXPORT int LibNumberClasses() {
    return 2;
}

ZEF_EXPORT HostClassDescriptor* LibClassDesc(int index) {
    switch (index) {
    case 0:
        return &zefExportClassDesc;
    case 1:
        return &zefUtilityClassDesc;
    default:
        return nullptr;
    }
}

ZEF_EXPORT uint32_t LibVersion() {
    return 100;
}
