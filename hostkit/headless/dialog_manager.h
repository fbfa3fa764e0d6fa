// How the headless layer's dialogs behave, as on Windows:
// - A dialog is made from a template with its controls as children in template order;
//   a template control of an unregistered class makes the creation fail.
// - Its procedure gets WM_INITDIALOG (lParam = creation parameter; a nonzero result
//   puts the focus on the first tab stop), WM_COMMAND from controls, WM_DESTROY.
// - Clicking an auto check box toggles it; an auto radio button checks itself and
//   clears the other auto radio buttons of its group, which runs from the nearest
//   WS_GROUP control at or before it to the next WS_GROUP control. Then the dialog
//   gets WM_COMMAND (id, BN_CLICKED).
// - Enter clicks the focused push button, else the BS_DEFPUSHBUTTON, else sends IDOK;
//   Esc sends WM_COMMAND IDCANCEL.
// - A modal dialog runs while the host's user acts on it; see finishModalDialog.
// Dialog units become pixels with the fixed base units of an 8-point MS Sans Serif.
#pragma once

#include <string>

#include "host/module_resources.h"
#include "hostkit/headless/window_registry.h"

namespace hostkit::headless {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// Creates a dialog from a module's template under parent (its parent if the template
// has WS_CHILD, else its owner) and sends WM_INITDIALOG. Null when the template is
// missing, a control class is unknown, or the procedure destroyed it.
HWND createDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param,
                  bool modal);
// Ends a modal dialog made by createDialog once the user is done with it: if it is
// still open, Esc is pressed, and if that does not end it, it ends with 0. The dialog
// is destroyed; returns its EndDialog result, or -1 for an unknown dialog.
INT_PTR finishModalDialog(HWND dialog);
// The innermost running modal dialog, or null.
HWND activeModalDialog();

// The host's main window, which GetActiveWindow gives when no modal dialog runs.
void setMainWindow(HWND window);
HWND mainWindow();

// A dialog's procedure called with a message; 0 for windows that are no dialogs.
INT_PTR sendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The first child of dialog with this id, or null.
HWND dialogItem(HWND dialog, int id);
bool isButton(const Window& window);
// BS_* type of a button (the low four style bits).
DWORD buttonType(const Window& window);

// A person's actions. Each returns an empty string when done, else what went wrong.
std::string clickControl(HWND control);
std::string clickArrow(HWND control, int direction); // +1 up, -1 down
std::string typeInto(HWND control, const std::string& text);
std::string pressEnter(HWND dialog);
std::string pressEscape(HWND dialog);

} // namespace hostkit::headless
