// `zefhost info`: what a host's plug-in manager shows of a plug-in library.
#pragma once

#include <ostream>

#include "app/plugin_library.h"

// Prints the library's description, version and classes; for an exporter class
// also what a created exporter reports. Texts are quoted so trailing blanks show;
// a missing text prints as (none).
void printPluginInfo(const PluginLibrary& library, std::ostream& out);
