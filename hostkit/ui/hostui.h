// The host application's side of the user interface: its main window, the command
// panel where utility pages live, message boxes, and the user seam for a window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/win32.h"
#include "hostkit/ui/user_seam.h"

namespace hostkit::ui {

// The host's main window, made on first use; modal dialogs of plug-ins are owned by it.
HOSTKIT_API HWND mainWindow();
// The command panel, a child of the main window that holds panel pages.
HOSTKIT_API HWND panelWindow();
// Creates a module's dialog template dialogId as a modeless page in the command panel,
// with proc as its dialog procedure and param as the WM_INITDIALOG parameter.
// Returns the page, or null when the template is missing or cannot be created.
HOSTKIT_API HWND createPanelPage(HINSTANCE module, int dialogId, DLGPROC proc, LPARAM param);
// Destroys a page made by createPanelPage; its procedure gets WM_DESTROY.
HOSTKIT_API void destroyPanelPage(HWND page);
// Windows only: makes window the host's main window (owner of plug-in dialogs) and
// panel the command panel, for a host application that builds its own windows.
HOSTKIT_API void useWindows(HWND window, HWND panel);
// A user seam for a dialog or panel page; acting through it is a person's action.
HOSTKIT_API std::unique_ptr<UserSeam> seamFor(HWND window);

// Where message boxes go besides the user (zefhost prints them); empty: nowhere.
using MessageSink = std::function<void(const std::string& text, const std::string& caption)>;
HOSTKIT_API void setMessageSink(MessageSink sink);
// How often InitCommonControls has been called in this process.
HOSTKIT_API int commonControlsInitCount();

} // namespace hostkit::ui
