// The host's custom controls: the "CustEdit" edit box and the "SpinnerControl"
// float spinner linked to an edit.
#pragma once

#include "host/api.h"
#include "host/win32.h"

// The window class names a dialog template gives the custom controls.
inline constexpr const char* kCustEditClass = "CustEdit";
inline constexpr const char* kSpinnerClass = "SpinnerControl";

class ICustEdit {
  public:
    virtual ~ICustEdit() = default;
    virtual void putText(const char* text) = 0;
    // Copies at most size - 1 characters and a terminating NUL into buffer.
    virtual void fetchText(char* buffer, int size) = 0;
};

class ISpinnerControl {
  public:
    virtual ~ISpinnerControl() = default;
    virtual void takeDefault(float value) = 0; // the value a reset returns to
    virtual float getValue() = 0;
    virtual void setValue(float value) = 0; // clamped to the limits; updates the edit
};

// Registers the "CustEdit" and "SpinnerControl" window classes.
HOSTKIT_API void InitCustomControls(HINSTANCE instance);
// Null when window is not a CustEdit. Release with ReleaseICustEdit.
HOSTKIT_API ICustEdit* GetICustEdit(HWND window);
HOSTKIT_API void ReleaseICustEdit(ICustEdit* edit); // null is fine
// Links spinner spinnerId to edit editId of dialog; null when either is missing.
HOSTKIT_API ISpinnerControl* SetupFloatSpinner(HWND dialog, int spinnerId, int editId,
                                               float minimum, float maximum, float value,
                                               float scale);
HOSTKIT_API void ReleaseISpinner(ISpinnerControl* spinner); // null is fine
HOSTKIT_API void CenterWindow(HWND window, HWND parent);
