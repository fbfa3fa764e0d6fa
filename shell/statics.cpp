// The library's static objects, constructed in a fixed order at load.
#include "shell/class_descs.h"
#include "shell/init_order.h"
#include "utility/zef_utility.h"

ZefUtility zefUtility ZEF_INIT_ORDER(kInitUtilityObject);
ZefExportClassDesc zefExportClassDesc ZEF_INIT_ORDER(kInitExportDescriptor);
ZefUtilityClassDesc zefUtilityClassDesc ZEF_INIT_ORDER(kInitUtilityDescriptor);
