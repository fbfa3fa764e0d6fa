// One material record of an object's material list.
#pragma once

#include "export/zef_stream.h"
#include "host/scene.h"
#include "prep/option_set.h"

// Writes the record of material (never null) numbered recordNumber: name, diffuse,
// specular when exportHighlights, and for standard materials the two-sided flag,
// the diffuse texture and its amount. Returns 0, or -1 once a write has failed.
int writeMaterialRecord(ZefStream& out, HostMaterial* material, int recordNumber,
                        const OptionSet& options, HostInterface* host);

// The record of an empty sub-material slot: named "No Material", black, opaque, so
// that the list keeps one record per slot. Returns 0 or -1 like writeMaterialRecord.
int writeEmptySlotRecord(ZefStream& out, int recordNumber, const OptionSet& options);
