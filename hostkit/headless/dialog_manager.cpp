// Dialog creation, the modal run and the behaviour of standard controls under a
// person's clicks and keys.
#include "hostkit/headless/dialog_manager.h"

#include <algorithm>

#include "host/controls.h"

namespace hostkit::headless {
namespace {

std::vector<HWND>& modalStack() {
    static std::vector<HWND> stack;
    return stack;
}

HWND& mainWindowHandle() {
    static HWND handle = nullptr;
    return handle;
}

RECT toPixels(const RECT& origin, int x, int y, int cx, int cy) {
    LONG left = origin.left + x * kBaseUnitX / 4;
    LONG top = origin.top + y * kBaseUnitY / 8;
    return RECT{left, top, left + cx * kBaseUnitX / 4, top + cy * kBaseUnitY / 8};
}

bool isDisabled(const Window& w) {
    if (w.style & WS_DISABLED) return true;
    const Window* parent = findWindow(w.parent);
    return parent && (w.style & WS_CHILD) && isDisabled(*parent);
}

std::string nameOf(const Window& w) {
    if (!w.text.empty()) return "'" + w.text + "'";
    return "control " + std::to_string(w.id);
}

void notifyParent(const Window& control, WORD code) {
    sendToDialog(control.parent, WM_COMMAND, MAKEWPARAM(control.id, code),
                 reinterpret_cast<LPARAM>(control.handle));
}

// Clears the other auto radio buttons of the group that holds radio.
void clearRadioGroup(const Window& radio) {
    Window* dialog = findWindow(radio.parent);
    if (!dialog) return;
    const auto& items = dialog->children;
    auto at = std::find(items.begin(), items.end(), radio.handle);
    if (at == items.end()) return;
    size_t index = (size_t)(at - items.begin());
    size_t first = index;
    while (first > 0 && !(findWindow(items[first])->style & WS_GROUP)) --first;
    size_t last = index + 1;
    while (last < items.size() && !(findWindow(items[last])->style & WS_GROUP)) ++last;
    for (size_t i = first; i < last; ++i) {
        Window* other = findWindow(items[i]);
        if (i != index && isButton(*other) && buttonType(*other) == BS_AUTORADIOBUTTON)
            other->check = BST_UNCHECKED;
    }
}

std::string closedDialogError(HWND dialog) {
    Window* w = findWindow(dialog);
    if (!w) return "the dialog is gone";
    if (w->ended) return "dialog '" + w->text + "' has already ended";
    return "";
}

} // namespace

bool isButton(const Window& window) {
    return sameClass(window.className, "Button");
}

DWORD buttonType(const Window& window) {
    return window.style & 0xF;
}

HWND dialogItem(HWND dialog, int id) {
    Window* d = findWindow(dialog);
    if (!d) return nullptr;
    for (HWND child : d->children)
        if (Window* c = findWindow(child); c && c->id == id) return child;
    return nullptr;
}

INT_PTR sendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* d = findWindow(dialog);
    if (!d || !d->isDialog || !d->proc) return 0;
    return d->proc(dialog, message, wParam, lParam);
}

HWND createDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param,
                  bool modal) {
    const DialogTemplate* t = hkFindDialog(instance, templateName);
    if (!t) return nullptr;
    for (int i = 0; i < t->controlCount; ++i)
        if (!isWindowClassRegistered(t->controls[i].className)) return nullptr;

    const Window* parentWindow = findWindow(parent);
    RECT origin = parentWindow ? parentWindow->rect : findWindow(desktopWindow())->rect;
    Window& dialog = createWindow("#32770", t->caption ? t->caption : "", t->style,
                                  parentWindow ? parent : nullptr, t->id,
                                  toPixels(origin, t->x, t->y, t->cx, t->cy));
    dialog.exStyle = t->exStyle;
    dialog.isDialog = true;
    dialog.proc = proc;
    dialog.templateId = t->id;
    dialog.modal = modal;
    dialog.id = 0;
    HWND handle = dialog.handle;
    RECT client = dialog.rect;

    HWND firstTabStop = nullptr;
    for (int i = 0; i < t->controlCount; ++i) {
        const ControlTemplate& c = t->controls[i];
        Window& control = createWindow(c.className, c.text ? c.text : "", c.style | WS_CHILD,
                                       handle, c.id, toPixels(client, c.x, c.y, c.cx, c.cy));
        control.exStyle = c.exStyle;
        if (!firstTabStop && (c.style & WS_TABSTOP) && !(c.style & WS_DISABLED))
            firstTabStop = control.handle;
    }
    if (modal) modalStack().push_back(handle);
    INT_PTR setFocus =
        sendToDialog(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param);
    if (!findWindow(handle)) {
        if (modal) modalStack().pop_back();
        return nullptr;
    }
    if (setFocus && firstTabStop) setFocusWindow(firstTabStop);
    return handle;
}

INT_PTR finishModalDialog(HWND dialog) {
    Window* d = findWindow(dialog);
    if (d && !d->ended) pressEscape(dialog);
    INT_PTR result = -1;
    if ((d = findWindow(dialog))) {
        result = d->ended ? d->result : 0;
        destroyWindow(dialog);
    }
    auto& stack = modalStack();
    stack.erase(std::remove(stack.begin(), stack.end(), dialog), stack.end());
    return result;
}

HWND activeModalDialog() {
    return modalStack().empty() ? nullptr : modalStack().back();
}

void setMainWindow(HWND window) {
    mainWindowHandle() = window;
}

HWND mainWindow() {
    return findWindow(mainWindowHandle()) ? mainWindowHandle() : nullptr;
}

std::string clickControl(HWND handle) {
    Window* control = findWindow(handle);
    if (!control) return "no such control";
    if (std::string e = closedDialogError(control->parent); !e.empty()) return e;
    if (isDisabled(*control)) return nameOf(*control) + " is disabled";
    if (control->extension && !isButton(*control))
        return nameOf(*control) + " is a " + control->className + "; click one of its arrows";
    if (sameClass(control->className, "Static"))
        return nameOf(*control) + " is a label and takes no clicks";
    setFocusWindow(handle);
    if (!isButton(*control)) return ""; // an edit: the click puts the caret in it
    switch (buttonType(*control)) {
    case BS_GROUPBOX:
        return nameOf(*control) + " is a group box and takes no clicks";
    case BS_AUTOCHECKBOX:
        control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTORADIOBUTTON:
        control->check = BST_CHECKED;
        clearRadioGroup(*control);
        break;
    default:
        break;
    }
    notifyParent(*control, BN_CLICKED);
    return "";
}

std::string clickArrow(HWND handle, int direction) {
    Window* control = findWindow(handle);
    if (!control) return "no such control";
    if (std::string e = closedDialogError(control->parent); !e.empty()) return e;
    if (isDisabled(*control)) return nameOf(*control) + " is disabled";
    if (!control->extension || !control->extension->spin(handle, direction))
        return nameOf(*control) + " is a " + control->className + " and has no arrows";
    return "";
}

std::string typeInto(HWND handle, const std::string& text) {
    Window* control = findWindow(handle);
    if (!control) return "no such control";
    if (std::string e = closedDialogError(control->parent); !e.empty()) return e;
    if (isDisabled(*control)) return nameOf(*control) + " is disabled";
    bool plainEdit = sameClass(control->className, "Edit");
    if (!plainEdit && !sameClass(control->className, kCustEditClass))
        return nameOf(*control) + " is a " + control->className + ", not an edit box";
    setFocusWindow(handle);
    control->text = text;
    if (plainEdit) notifyParent(*control, EN_CHANGE);
    return "";
}

std::string pressEnter(HWND dialog) {
    if (std::string e = closedDialogError(dialog); !e.empty()) return e;
    Window* focus = findWindow(focusWindow());
    if (focus && focus->parent == dialog && isButton(*focus) &&
        buttonType(*focus) <= BS_DEFPUSHBUTTON && !isDisabled(*focus))
        return clickControl(focus->handle);
    for (HWND child : findWindow(dialog)->children) {
        Window* c = findWindow(child);
        if (isButton(*c) && buttonType(*c) == BS_DEFPUSHBUTTON)
            return isDisabled(*c) ? "" : clickControl(child);
    }
    sendToDialog(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialogItem(dialog, IDOK)));
    return "";
}

std::string pressEscape(HWND dialog) {
    if (std::string e = closedDialogError(dialog); !e.empty()) return e;
    sendToDialog(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialogItem(dialog, IDCANCEL)));
    return "";
}

} // namespace hostkit::headless
