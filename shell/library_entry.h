// The library entry: stores the module handle and initialises the controls once.
#pragma once

#include "host/win32.h"

extern int controlsInitialised;

// Runs on every attach and detach notification; always returns TRUE.
BOOL libraryEntry(HINSTANCE instance, DWORD reason, LPVOID reserved);
