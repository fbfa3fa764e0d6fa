// The export options dialog procedure: maps controls to exportOptions and back.
#include "export/options_dialog.h"
#include "host/controls.h"
#include "prep/option_bindings.h"

static void fillDialog(HWND dialog) {
    fillFlagControls(dialog, exportOptions, exportDialogHasControl);
    for (int i = 0; i < kTextCount; ++i)
        if (exportDialogHasControl[kFlagCount + i])
            SetDlgItemTextA(dialog, textEditIds[i], exportOptions.text(i));
}

static void readDialogBack(HWND dialog) {
    readFlagControls(dialog, exportOptions, exportDialogHasControl);
    for (int i = 0; i < kTextCount; ++i)
        if (exportDialogHasControl[kFlagCount + i])
            GetDlgItemTextA(dialog, textEditIds[i], exportOptions.text(i), kTextSize);
}

static INT_PTR handleMessage(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        fillDialog(dialog);
        CenterWindow(dialog, GetParent(dialog));
        SetFocus(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            readDialogBack(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// No exception leaves the procedure: one ends the dialog as failed (-1, what
// DialogBoxParam returns when it fails), and the export reports a write error.
INT_PTR CALLBACK exportOptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        return handleMessage(dialog, message, wParam);
    } catch (...) {
        EndDialog(dialog, -1);
        return TRUE;
    }
}
