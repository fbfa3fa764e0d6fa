// The modal export options dialog (template 102) over exportOptions.
#pragma once

#include "host/win32.h"

// Fills the dialog from exportOptions, centres it, and on OK reads every control
// back; Cancel reads nothing. Ends with 1 for OK and 0 for Cancel.
INT_PTR CALLBACK exportOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
