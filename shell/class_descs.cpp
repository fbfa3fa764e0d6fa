// What the descriptors create and how they name their classes.
#include <new>

#include "export/zef_export.h"
#include "resources/resource.h"
#include "shell/class_descs.h"
#include "resources/resource_strings.h"
#include "utility/zef_utility.h"

void* ZefExportClassDesc::createInstance(int) {
    HostSceneExporter* exporter = new (std::nothrow) ZefExport;
    return exporter;
}

const char* ZefExportClassDesc::displayName() {
    return loadResourceString(IDS_EXPORTER_NAME);
}
const char* ZefExportClassDesc::categoryText() {
    return loadResourceString(IDS_CATEGORY);
}

void* ZefUtilityClassDesc::createInstance(int) {
    HostUtilityPlugin* utility = &zefUtility;
    return utility;
}

const char* ZefUtilityClassDesc::displayName() {
    return loadResourceString(IDS_UTILITY_NAME);
}
