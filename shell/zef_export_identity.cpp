// The exporter's construction and the operations that describe it to the host.
#include "export/zef_export.h"
#include "prep/option_set.h"
#include "resources/resource.h"
#include "resources/resource_strings.h"

ZefExport::ZefExport() {
    initialiseExportTexts();
}
ZefExport::~ZefExport() = default;

int ZefExport::extensionCount() {
    return 1;
}
const char* ZefExport::extension(int index) {
    return index == 0 ? "ZEF" : "";
}
const char* ZefExport::longDescription() {
    return loadResourceString(IDS_LONG_DESCRIPTION);
}
const char* ZefExport::shortDescription() {
    return loadResourceString(IDS_EXPORTER_NAME);
}
const char* ZefExport::authorText() {
    return loadResourceString(IDS_AUTHOR);
}
const char* ZefExport::copyrightText() {
    return loadResourceString(IDS_COPYRIGHT);
}
const char* ZefExport::extraMessage1() {
    return "";
}
const char* ZefExport::extraMessage2() {
    return "";
}
int ZefExport::version() {
    return 100;
}
void ZefExport::showAbout(HWND) {}
