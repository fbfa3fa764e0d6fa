// The export run: dialog, node list, file, objects, and the failures' messages.
#pragma once

#include "export/zef_export.h"
#include "host/win32.h"

// 1 after a complete file or "No data to export"; 0 after Cancel or a write error;
// -1 when the file cannot be created.
int runExport(const char* path, HostExportInterface* exportInterface, HostInterface* host,
              ZefExport* exporter);

// A message box over the active window with strings textId and captionId of the
// string table; 0 when even the message cannot be made (out of memory).
int showMessage(int textId, int captionId, UINT type);
