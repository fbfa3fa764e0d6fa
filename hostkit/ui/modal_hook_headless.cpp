// The headless counterpart of the modal hook: DialogBoxParamA makes the dialog, hands
// it to the current User, and ends it as a person closing it would when the user is
// done (Esc, and if the dialog ignores that, 0).
#include "hostkit/headless/dialog_manager.h"
#include "hostkit/ui/user.h"
#include "hostkit/ui/window_seam.h"

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM param) {
    HWND dialog =
        hostkit::headless::createDialog(instance, templateName, parent, proc, param, true);
    if (!dialog) return -1;
    const hostkit::headless::Window* d = hostkit::headless::findWindow(dialog);
    if (!d->ended) {
        if (User* user = hostkit::currentUser()) {
            WindowSeam seam(dialog);
            user->onModalDialog(seam);
        }
    }
    return hostkit::headless::finishModalDialog(dialog);
}
