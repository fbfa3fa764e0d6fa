// The two class descriptors through which the host learns and creates the classes.
#pragma once

#include "host/plugin.h"

constexpr Class_ID kZefExportClassId(0x6CB00598, 0x7763262B);
constexpr Class_ID kZefUtilityClassId(0x16AA652A, 0x6F052FCD);

class ZefExportClassDesc : public HostClassDescriptor {
  public:
    int isListed() override { return 1; }
    void* createInstance(int loading) override; // a new ZefExport every call
    const char* displayName() override;
    int kindCode() override { return SCENE_EXPORT_CLASS_ID; }
    Class_ID classId() override { return kZefExportClassId; }
    const char* categoryText() override;
};

class ZefUtilityClassDesc : public HostClassDescriptor {
  public:
    int isListed() override { return 1; }
    void* createInstance(int loading) override; // the one static ZefUtility
    const char* displayName() override;
    int kindCode() override { return UTILITY_CLASS_ID; }
    Class_ID classId() override { return kZefUtilityClassId; }
    const char* categoryText() override { return ""; }
};

extern ZefExportClassDesc zefExportClassDesc;
extern ZefUtilityClassDesc zefUtilityClassDesc;
