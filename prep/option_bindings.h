// The dialog side of the option records: which control shows each flag and text,
// which of them each dialog binds, and the check boxes filled from and read back
// into a record.
#pragma once

#include "host/win32.h"
#include "prep/option_set.h"

extern const int flagControlIds[kFlagCount];
extern const int textEditIds[kTextCount];
extern const int textSpinnerIds[kTextCount];
extern const float textSpinnerLimits[kTextCount][3]; // minimum, maximum, initial value
// One entry per flag, then one per text: whether the dialog fills and reads it back.
extern const bool exportDialogHasControl[kFlagCount + kTextCount];
extern const bool utilityPanelHasControl[kFlagCount + kTextCount];

// Sets the check mark of every bound flag's control from the record.
void fillFlagControls(HWND dialog, const OptionSet& options, const bool* hasControl);
// Reads every bound flag back: 1 when its control is checked, else 0.
void readFlagControls(HWND dialog, OptionSet& options, const bool* hasControl);
