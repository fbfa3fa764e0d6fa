// Describing a dialog's controls for the dump step.
#include "hostkit/ui/control_dump.h"

#include <cctype>

namespace {

constexpr int kNoId = 0xFFFF;

// Button styles, as <windows.h> numbers them (the low four style bits).
enum ButtonType : unsigned {
    kPushButton = 0,
    kDefPushButton = 1,
    kCheckBox = 2,
    kAutoCheckBox = 3,
    kRadioButton = 4,
    kThreeState = 5,
    kAutoThreeState = 6,
    kGroupBox = 7,
    kAutoRadioButton = 9,
};

bool sameClass(const std::string& a, const char* b) {
    std::string lower;
    for (char c : a) lower += (char)std::tolower((unsigned char)c);
    std::string other;
    for (const char* p = b; *p; ++p) other += (char)std::tolower((unsigned char)*p);
    return lower == other;
}

std::string buttonKind(unsigned style) {
    switch (style & 0xF) {
    case kPushButton:
        return "push button";
    case kDefPushButton:
        return "default button";
    case kCheckBox:
    case kAutoCheckBox:
    case kThreeState:
    case kAutoThreeState:
        return "check box";
    case kRadioButton:
    case kAutoRadioButton:
        return "radio button";
    case kGroupBox:
        return "group box";
    default:
        return "button";
    }
}

bool hasCheckState(const std::string& kind) {
    return kind == "check box" || kind == "radio button";
}

bool isEditKind(const std::string& kind) {
    return kind == "edit" || kind == "custom edit";
}

std::string quoted(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

} // namespace

std::string controlKind(const ControlInfo& control) {
    if (sameClass(control.className, "Button")) return buttonKind(control.style);
    if (sameClass(control.className, "Edit")) return "edit";
    if (sameClass(control.className, "CustEdit")) return "custom edit";
    if (sameClass(control.className, "SpinnerControl")) return "spinner";
    if (sameClass(control.className, "Static")) return "label";
    return control.className;
}

std::string describeControls(const UserSeam& dialog) {
    std::string lines = "Dialog " + quoted(dialog.title()) + ":\n";
    for (const ControlInfo& control : dialog.controls()) {
        std::string kind = controlKind(control);
        bool edit = isEditKind(kind);
        std::string caption = edit || kind == "spinner" ? "" : control.text;
        std::string state = "-";
        if (hasCheckState(kind)) state = control.checked ? "checked" : "unchecked";
        if (edit) state = "text=" + quoted(control.text);
        lines += (control.id == kNoId ? std::string("-") : std::to_string(control.id)) + " " +
                 quoted(caption) + " " + kind + " " + state + " " +
                 (control.enabled ? "enabled" : "disabled") + "\n";
    }
    return lines;
}
