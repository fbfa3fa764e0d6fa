// The scene exporter object. It holds no data: every option lives in exportOptions.
#pragma once

#include "host/plugin.h"

class ZefExport : public HostSceneExporter {
  public:
    ZefExport(); // copies the default texts into exportOptions, once per process
    ~ZefExport() override;

    int extensionCount() override;
    const char* extension(int index) override;
    const char* longDescription() override;
    const char* shortDescription() override;
    const char* authorText() override;
    const char* copyrightText() override;
    const char* extraMessage1() override;
    const char* extraMessage2() override;
    int version() override;
    void showAbout(HWND parent) override;
    // Runs the export; the host gets -1 when the file cannot be created, else 1.
    int exportScene(const char* path, HostExportInterface* exportInterface,
                    HostInterface* host) override;
};
