// The library's module handle and its string-table lookup.
#pragma once

#include "host/win32.h"

extern HINSTANCE libraryInstance;

// Loads string id into one shared 256-character buffer and returns it, or null when
// the library is not initialised or the id is missing. The next lookup overwrites it.
const char* loadResourceString(int id);
