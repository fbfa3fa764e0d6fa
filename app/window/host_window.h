// zefhost.exe for a person at the display: the host window, and exports and utility
// pages shown to the person instead of played. Windows only.
#pragma once

#include "app/command_line.h"

// The functions zefhost.exe hands to its command line.
const PersonFrontEnd& hostWindowFrontEnd();
