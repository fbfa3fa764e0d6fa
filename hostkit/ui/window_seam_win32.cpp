// Reads and acts on real windows for the user seam. Errors read as those of the
// headless layer, so a scripted session reports the same on every platform.
#include "hostkit/ui/window_seam.h"

#include <algorithm>

#include "host/controls.h"
#include "hostkit/controls/custom_controls_win32.h"

using hostkit::controls::isWindowOfClass;

namespace {

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text((size_t)std::max(length, 0) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), (int)text.size());
    text.resize((size_t)std::max(copied, 0));
    return text;
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG style(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

DWORD buttonType(HWND window) {
    return (DWORD)style(window) & BS_TYPEMASK;
}

bool isButton(HWND window) {
    return isWindowOfClass(window, "Button");
}

bool isDisabled(HWND window) {
    for (HWND w = window; w; w = (style(w) & WS_CHILD) ? GetParent(w) : nullptr)
        if (style(w) & WS_DISABLED) return true;
    return false;
}

std::string nameOf(HWND control) {
    std::string text = windowText(control);
    if (!text.empty()) return "'" + text + "'";
    return "control " + std::to_string(GetDlgCtrlID(control));
}

std::vector<HWND> childrenOf(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

} // namespace

bool isDialogOpen(HWND dialog) {
    return IsWindow(dialog) && (style(dialog) & WS_VISIBLE);
}

namespace {

// Empty when the dialog can take actions, else why not.
std::string closedError(HWND dialog) {
    if (!IsWindow(dialog)) return "the dialog is gone";
    if (!isDialogOpen(dialog)) return "dialog '" + windowText(dialog) + "' has already ended";
    return "";
}

// A person's click on one of the dialog's controls.
SeamResult clickControl(HWND dialog, HWND control) {
    if (std::string e = closedError(dialog); !e.empty()) return {e};
    if (isDisabled(control)) return {nameOf(control) + " is disabled"};
    if (isWindowOfClass(control, kSpinnerClass))
        return {nameOf(control) + " is a " + className(control) + "; click one of its arrows"};
    if (isWindowOfClass(control, "Static"))
        return {nameOf(control) + " is a label and takes no clicks"};
    SetFocus(control);
    if (!isButton(control)) return {}; // an edit: the click puts the caret in it
    if (buttonType(control) == BS_GROUPBOX)
        return {nameOf(control) + " is a group box and takes no clicks"};
    SendMessageA(control, BM_CLICK, 0, 0);
    return {};
}

} // namespace

std::string WindowSeam::title() const {
    if (!IsWindow(dialog_)) return "(closed dialog)";
    std::string caption = windowText(dialog_);
    if (!caption.empty()) return caption;
    return templateId_ >= 0 ? "dialog " + std::to_string(templateId_) : "dialog";
}

bool WindowSeam::isOpen() const {
    return isDialogOpen(dialog_);
}

std::vector<ControlInfo> WindowSeam::controls() const {
    std::vector<ControlInfo> list;
    if (!IsWindow(dialog_)) return list;
    for (HWND child : childrenOf(dialog_)) {
        ControlInfo info;
        info.index = (int)list.size();
        info.id = GetDlgCtrlID(child) & 0xFFFF;
        info.className = className(child);
        info.text = windowText(child);
        info.checked = isButton(child) && SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
        info.enabled = !(style(child) & WS_DISABLED);
        info.style = (unsigned)style(child);
        list.push_back(std::move(info));
    }
    return list;
}

HWND WindowSeam::controlAt(int index, std::string& error) const {
    if (!IsWindow(dialog_)) {
        error = "the dialog is gone";
        return nullptr;
    }
    std::vector<HWND> children = childrenOf(dialog_);
    if (index < 0 || index >= (int)children.size()) {
        error = "no control number " + std::to_string(index) + " in dialog '" + title() + "'";
        return nullptr;
    }
    return children[(size_t)index];
}

SeamResult WindowSeam::click(int index) {
    std::string error;
    HWND control = controlAt(index, error);
    if (!control) return {error};
    return clickControl(dialog_, control);
}

SeamResult WindowSeam::clickArrow(int index, SpinArrow arrow) {
    std::string error;
    HWND control = controlAt(index, error);
    if (!control) return {error};
    if (std::string e = closedError(dialog_); !e.empty()) return {e};
    if (isDisabled(control)) return {nameOf(control) + " is disabled"};
    if (!isWindowOfClass(control, kSpinnerClass))
        return {nameOf(control) + " is a " + className(control) + " and has no arrows"};
    SendMessageA(control, hostkit::controls::kSpinnerArrowMessage, arrow == SpinArrow::Up ? 1 : -1,
                 0);
    return {};
}

SeamResult WindowSeam::type(int index, const std::string& text) {
    std::string error;
    HWND control = controlAt(index, error);
    if (!control) return {error};
    if (std::string e = closedError(dialog_); !e.empty()) return {e};
    if (isDisabled(control)) return {nameOf(control) + " is disabled"};
    if (!isWindowOfClass(control, "Edit") && !isWindowOfClass(control, kCustEditClass) &&
        !isWindowOfClass(control, "ComboBox") && !isWindowOfClass(control, "ComboBoxEx32"))
        return {nameOf(control) + " is a " + className(control) + ", not an edit box"};
    // A combo box's text is its edit's; an extended combo box names its edit.
    if (isWindowOfClass(control, "ComboBoxEx32"))
        if (auto edit = reinterpret_cast<HWND>(SendMessageA(control, WM_USER + 7, 0, 0)))
            control = edit; // CBEM_GETEDITCONTROL
    SetFocus(control);
    SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return {};
}

// Enter clicks the focused push button, else the default push button, else sends IDOK.
SeamResult WindowSeam::pressEnter() {
    if (std::string e = closedError(dialog_); !e.empty()) return {e};
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == dialog_ && isButton(focus) &&
        buttonType(focus) <= BS_DEFPUSHBUTTON && !isDisabled(focus))
        return clickControl(dialog_, focus);
    for (HWND child : childrenOf(dialog_))
        if (isButton(child) && buttonType(child) == BS_DEFPUSHBUTTON)
            return isDisabled(child) ? SeamResult{} : clickControl(dialog_, child);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDOK)));
    return {};
}

SeamResult WindowSeam::pressEscape() {
    if (std::string e = closedError(dialog_); !e.empty()) return {e};
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDCANCEL)));
    return {};
}
