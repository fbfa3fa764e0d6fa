// The state of an open dialog or panel page as text: one line per control, in
// template order, the same on every platform, for people and tests to read.
#pragma once

#include <string>

#include "hostkit/ui/user_seam.h"

// What a control is, from its class and button style: "push button", "default button",
// "check box", "radio button", "group box", "edit", "custom edit", "spinner", "label",
// or the class name for other classes.
HOSTKIT_API std::string controlKind(const ControlInfo& control);

// The dialog's title on a first line, then one line per control:
//   ID "CAPTION" KIND STATE ENABLED
// ID is "-" for controls without one; CAPTION is empty for edits and spinners; STATE is
// "checked" or "unchecked" for check boxes and radio buttons, text="..." for edits,
// else "-"; ENABLED is "enabled" or "disabled".
HOSTKIT_API std::string describeControls(const UserSeam& dialog);
