// The export's default option texts, for tests that start a record from them.
#pragma once

#include <cstdio>

#include "prep/option_set.h"

// What the first export's dialog shows, in text order: angle, normal threshold, edge
// threshold, bias, U tile, V tile. Written out here, not taken from the plug-in, so
// that a changed default shows up as a failing test.
inline constexpr const char* kExportDefaultTexts[kTextCount] = {"30,0", "4,0", "4,0",
                                                                "0,1",  "1",   "1"};

// Puts the export's default texts into options; the flags stay as they are.
inline void setExportDefaultTexts(OptionSet& options) {
    for (int i = 0; i < kTextCount; ++i)
        std::snprintf(options.text(i), kTextSize, "%s", kExportDefaultTexts[i]);
}
