// The utility's page in the host's command panel: fill, read back and commands.
#include "resources/resource.h"
#include "prep/option_bindings.h"
#include "utility/zef_utility.h"

ICustEdit* panelEdits[kTextCount] = {};
ISpinnerControl* panelSpinners[kTextCount] = {};

static void fillPage(HWND window) {
    fillFlagControls(window, utilityOptions, utilityPanelHasControl);
    for (int i = 0; i < kTextCount; ++i) {
        if (!utilityPanelHasControl[kFlagCount + i]) continue;
        panelEdits[i] = GetICustEdit(GetDlgItem(window, textEditIds[i]));
        if (panelEdits[i]) panelEdits[i]->putText(utilityOptions.text(i));
        const float* limits = textSpinnerLimits[i];
        panelSpinners[i] = SetupFloatSpinner(window, textSpinnerIds[i], textEditIds[i], limits[0],
                                             limits[1], limits[2], 0.1f);
        if (panelSpinners[i]) panelSpinners[i]->takeDefault(limits[2]);
    }
}

static void readPageBack(HWND window) {
    readFlagControls(window, utilityOptions, utilityPanelHasControl);
    for (int i = 0; i < kTextCount; ++i)
        if (utilityPanelHasControl[kFlagCount + i] && panelEdits[i])
            panelEdits[i]->fetchText(utilityOptions.text(i), kTextSize);
}

static void releaseControls() {
    for (int i = 0; i < kTextCount; ++i) {
        ReleaseICustEdit(panelEdits[i]);
        panelEdits[i] = nullptr;
        ReleaseISpinner(panelSpinners[i]);
        panelSpinners[i] = nullptr;
    }
}

// The host's private panel notification, answered and otherwise ignored.
constexpr UINT kPanelNotification = 1709;

static INT_PTR handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        fillPage(window);
        return 1;
    case WM_DESTROY:
        releaseControls();
        return 1;
    case WM_MOUSEACTIVATE:
        if (zefUtility.host) zefUtility.host->panelActivated();
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        if (zefUtility.host) zefUtility.host->forwardPanelMouse(window, message, wParam, lParam);
        return 1;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            readPageBack(window);
            zefUtility.apply();
            break;
        case IDCANCEL:
            readPageBack(window);
            if (zefUtility.utilityHost) zefUtility.utilityHost->closeUtility();
            break;
        }
        return 1;
    case kPanelNotification:
        return 1;
    default:
        return 0;
    }
}

// No exception leaves the procedure; Apply handles its own (see ZefUtility::apply),
// anything else leaves the message unhandled.
INT_PTR CALLBACK utilityPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handleMessage(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}
