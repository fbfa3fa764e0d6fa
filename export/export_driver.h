// The export run: dialog, node list, file, objects, and the failures' messages.
#pragma once

#include "export/zef_export.h"

// 1 after a complete file or "No data to export"; 0 after Cancel or a write error;
// -1 when the file cannot be created.
int runExport(const char* path, HostExportInterface* exportInterface, HostInterface* host,
              ZefExport* exporter);
