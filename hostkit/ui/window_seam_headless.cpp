// Reads and acts on headless windows for the user seam.
#include "hostkit/ui/window_seam.h"

#include "hostkit/headless/dialog_manager.h"

using hostkit::headless::findWindow;

std::string WindowSeam::title() const {
    const hostkit::headless::Window* d = findWindow(dialog_);
    if (!d) return "(closed dialog)";
    return d->text.empty() ? "dialog " + std::to_string(d->templateId) : d->text;
}

bool WindowSeam::isOpen() const {
    const hostkit::headless::Window* d = findWindow(dialog_);
    return d && !d->ended;
}

std::vector<ControlInfo> WindowSeam::controls() const {
    std::vector<ControlInfo> list;
    const hostkit::headless::Window* d = findWindow(dialog_);
    if (!d) return list;
    for (HWND child : d->children) {
        const hostkit::headless::Window* c = findWindow(child);
        ControlInfo info;
        info.index = (int)list.size();
        info.id = c->id;
        info.className = c->className;
        info.text = c->text;
        info.checked = c->check == BST_CHECKED;
        info.enabled = !(c->style & WS_DISABLED);
        info.style = c->style;
        list.push_back(std::move(info));
    }
    return list;
}

HWND WindowSeam::controlAt(int index, std::string& error) const {
    const hostkit::headless::Window* d = findWindow(dialog_);
    if (!d) {
        error = "the dialog is gone";
        return nullptr;
    }
    if (index < 0 || index >= (int)d->children.size()) {
        error = "no control number " + std::to_string(index) + " in dialog '" + title() + "'";
        return nullptr;
    }
    return d->children[(size_t)index];
}

SeamResult WindowSeam::click(int index) {
    std::string error;
    HWND control = controlAt(index, error);
    return {control ? hostkit::headless::clickControl(control) : error};
}

SeamResult WindowSeam::clickArrow(int index, SpinArrow arrow) {
    std::string error;
    HWND control = controlAt(index, error);
    return {control ? hostkit::headless::clickArrow(control, arrow == SpinArrow::Up ? 1 : -1)
                    : error};
}

SeamResult WindowSeam::type(int index, const std::string& text) {
    std::string error;
    HWND control = controlAt(index, error);
    return {control ? hostkit::headless::typeInto(control, text) : error};
}

SeamResult WindowSeam::pressEnter() {
    return {hostkit::headless::pressEnter(dialog_)};
}

SeamResult WindowSeam::pressEscape() {
    return {hostkit::headless::pressEscape(dialog_)};
}
