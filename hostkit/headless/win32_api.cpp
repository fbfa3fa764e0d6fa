// The Win32 functions of the headless layer; each forwards to the window registry
// and the dialog manager.
#include <algorithm>
#include <cstring>

#include "hostkit/headless/dialog_manager.h"

using namespace hostkit::headless;

namespace {

Window* buttonOf(HWND dialog, int id) {
    Window* control = findWindow(dialogItem(dialog, id));
    return control && isButton(*control) ? control : nullptr;
}

bool hasCheckState(const Window& button) {
    DWORD type = buttonType(button);
    return type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX;
}

// Copies at most size - 1 characters and a NUL; returns the count copied.
int copyText(const std::string& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    int count = (int)std::min(text.size(), (size_t)size - 1);
    std::memcpy(buffer, text.data(), (size_t)count);
    buffer[count] = '\0';
    return count;
}

} // namespace

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM param) {
    return createDialog(instance, templateName, parent, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Window* d = findWindow(dialog);
    if (!d || !d->isDialog) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (!findWindow(window)) return FALSE;
    destroyWindow(window);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return findWindow(window) ? TRUE : FALSE;
}

// Values other than BST_UNCHECKED check the box; BST_INDETERMINATE (2) is kept as is.
BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    Window* button = buttonOf(dialog, id);
    if (!button) return FALSE;
    if (hasCheckState(*button)) button->check = check == 2 ? 2 : (check ? BST_CHECKED : 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    Window* button = buttonOf(dialog, id);
    return button && hasCheckState(*button) ? button->check : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    return SetWindowTextA(dialogItem(dialog, id), text);
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
    Window* item = findWindow(dialogItem(dialog, id));
    if (!item) {
        copyText("", buffer, size);
        return 0;
    }
    return (UINT)copyText(item->text, buffer, size);
}

HWND GetDlgItem(HWND dialog, int id) {
    return dialogItem(dialog, id);
}

int GetDlgCtrlID(HWND window) {
    Window* w = findWindow(window);
    return w && (w->style & WS_CHILD) ? w->id : 0;
}

HWND GetParent(HWND window) {
    Window* w = findWindow(window);
    return w && findWindow(w->parent) ? w->parent : nullptr;
}

HWND SetFocus(HWND window) {
    if (window && !findWindow(window)) return nullptr;
    return setFocusWindow(window);
}

HWND GetActiveWindow(void) {
    if (HWND dialog = activeModalDialog()) return dialog;
    return mainWindow();
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    Window* w = findWindow(window);
    if (!w || !rect) return FALSE;
    *rect = w->rect;
    return TRUE;
}

// Children move with their parent, since rectangles are kept in screen coordinates.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    Window* w = findWindow(window);
    if (!w) return FALSE;
    LONG dx = x - w->rect.left, dy = y - w->rect.top;
    w->rect = RECT{x, y, x + width, y + height};
    std::vector<HWND> pending = w->children;
    while (!pending.empty()) {
        Window* c = findWindow(pending.back());
        pending.pop_back();
        if (!c) continue;
        c->rect =
            RECT{c->rect.left + dx, c->rect.top + dy, c->rect.right + dx, c->rect.bottom + dy};
        pending.insert(pending.end(), c->children.begin(), c->children.end());
    }
    return TRUE;
}

HWND GetDesktopWindow(void) {
    return desktopWindow();
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    Window* w = findWindow(window);
    if (!w) return FALSE;
    w->text = text ? text : "";
    if (sameClass(w->className, "Edit") && (w->style & WS_CHILD))
        sendToDialog(w->parent, WM_COMMAND, MAKEWPARAM(w->id, EN_CHANGE),
                     reinterpret_cast<LPARAM>(window));
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
    Window* w = findWindow(window);
    return copyText(w ? w->text : std::string(), buffer, size);
}

int GetClassNameA(HWND window, LPSTR buffer, int size) {
    Window* w = findWindow(window);
    return w ? copyText(w->className, buffer, size) : 0;
}
