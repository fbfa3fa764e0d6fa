// The modal hook: the host kit's counterpart of the headless layer's modal run. A
// dialog is handed over once, from its first activation, as soon as it shows;
// EndDialog hides it, and visibility is how the seam tells a dialog has ended.
#include "hostkit/ui/modal_hook_win32.h"

#include <set>

#include "hostkit/controls/custom_controls_win32.h"
#include "hostkit/ui/user.h"
#include "hostkit/ui/window_seam.h"

namespace {

constexpr UINT_PTR kUserTimerId = 0x5A45; // "ZE"

thread_local HHOOK hook = nullptr;
thread_local std::set<HWND> handedOver; // dialogs already given to the user

// Runs the user on a modal dialog; if it is still open then, Esc is pressed, and if
// the dialog ignores that, it ends with 0, as in the headless layer.
void runUser(HWND dialog) {
    if (User* user = hostkit::currentUser()) {
        WindowSeam seam(dialog);
        user->onModalDialog(seam);
        if (user->personFinishes()) return;
    }
    if (isDialogOpen(dialog)) WindowSeam(dialog).pressEscape();
    if (isDialogOpen(dialog)) EndDialog(dialog, 0);
}

// The dialog can activate while it is still being made; the user gets it once it
// shows, which the modal loop does when its queue first runs empty. A dialog that
// ends before it shows is destroyed, and its timer with it.
void CALLBACK onUserTimer(HWND dialog, UINT, UINT_PTR id, DWORD) {
    if (!isDialogOpen(dialog)) return;
    KillTimer(dialog, id);
    if (isMessageBox(dialog))
        answerMessageBox(dialog);
    else
        runUser(dialog);
}

bool isTopLevelDialog(HWND window) {
    return hostkit::controls::isWindowOfClass(window, "#32770") &&
           !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD);
}

LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && isTopLevelDialog(window) && !handedOver.count(window)) {
        handedOver.insert(window);
        SetTimer(window, kUserTimerId, USER_TIMER_MINIMUM, onUserTimer);
    } else if (code == HCBT_DESTROYWND) {
        handedOver.erase(window);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

void installModalHook() {
    if (!hook) hook = SetWindowsHookExA(WH_CBT, cbtHook, nullptr, GetCurrentThreadId());
}
