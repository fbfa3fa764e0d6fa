// Pictures of real windows: what a person sees of a dialog, a panel page or the host
// window, saved as PNG with the window's layout beside the pixels.
#pragma once

#include <string>

#include "host/api.h"
#include "host/win32.h"

// The PNG text keyword under which a picture carries its layout.
inline constexpr const char* kLayoutKeyword = "zefhost layout";

// Paints window with its frame and children into a bitmap and writes it to pngPath.
// The picture carries its layout as text, one item a line, in pixels:
//   window W H               the picture's size (the window with its frame)
//   client X Y W H           the client area within the picture
//   base BX BY               the dialog base units (dialogs only)
//   control ID X Y W H       each child in tab order, in client coordinates
// False with a message in error when the window is gone or the file cannot be written.
HOSTKIT_API bool snapWindow(HWND window, const std::string& pngPath, std::string& error);
