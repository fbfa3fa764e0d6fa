// Removing or applying the two-sidedness of a node's material, with undo records.
#pragma once

#include "host/scene.h"
#include "prep/option_set.h"

// True when the material is a multi-material (class id (0x200, 0)).
bool isMultiMaterial(HostMaterial* material);

// Switches a standard material, or each standard sub-material of a multi-material
// (one level deep; empty slots skipped), as removeTwoSided and applyTwoSided ask.
// Null does nothing. Records each toggle while the hold is holding.
void switchTwoSidedness(HostMaterial* material, const OptionSet& options);
