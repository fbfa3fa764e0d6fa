// Class ids of the host kit's own object, material and texture-map classes (the
// ids the plug-in knows are in host/class_id.h).
#pragma once

#include "host/class_id.h"

constexpr Class_ID boxObjectClassID(0x0010, 0);
constexpr Class_ID sphereObjectClassID(0x0011, 0);
constexpr Class_ID cameraObjectClassID(0x1001, 0);
constexpr Class_ID lightObjectClassID(0x1002, 0);
constexpr Class_ID matteMaterialClassID(0x0260, 0);
constexpr Class_ID checkerTexClassID(0x0200, 0x0001);
