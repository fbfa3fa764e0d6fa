// Texture maps: the checker's class id (the bitmap's is the host's).
#include "hostkit/scene/texmaps.h"

#include "hostkit/scene/kit_class_ids.h"

Class_ID CheckerTexmap::classId() {
    return checkerTexClassID;
}
