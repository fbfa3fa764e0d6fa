// How modal dialogs and message boxes on real windows reach the current User: a
// computer-based-training hook sees each top-level dialog activate, and a timer on
// the dialog then runs the user inside the dialog's own modal loop.
#pragma once

#include <string>

#include "host/win32.h"

// Installs the hook for the calling thread, once; the host calls it on its UI thread
// before any plug-in can open a dialog (making the main window does).
void installModalHook();

// Message boxes, told apart from other dialogs by belonging to user32.
bool isMessageBox(HWND dialog);
// Reports a message box's text and caption to the host's sink and the current user,
// then answers it with OK.
void answerMessageBox(HWND messageBox);
