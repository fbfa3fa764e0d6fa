// The host's custom controls on the headless layer: a CustEdit is a window with a
// text; a SpinnerControl keeps a SpinnerModel and, once linked by SetupFloatSpinner,
// writes its value into its edit.
//
// SetupFloatSpinner leaves the edit's text as it is (the plug-in has put its option
// text there, e.g. "30,0", or an empty text), and only a change of the value (an
// arrow click, setValue) rewrites the edit. An arrow click starts from the number in
// the edit when it holds one, so the spinner continues from what the person sees.
#include <algorithm>

#include "host/controls.h"
#include "hostkit/controls/spinner_model.h"
#include "hostkit/headless/window_registry.h"

namespace {

class SpinnerWindow : public hostkit::headless::WindowExtension {
  public:
    SpinnerModel model{0, 0, 0, 1};
    HWND edit = nullptr; // the linked edit, once set up

    bool spin(HWND, int direction) override {
        if (!edit) return true; // not set up: the arrows do nothing
        float typed;
        if (const hostkit::headless::Window* e = hostkit::headless::findWindow(edit);
            e && parseSpinnerText(e->text, typed))
            model.setValue(typed);
        model.step(direction);
        showValue();
        return true;
    }

    void showValue() {
        if (hostkit::headless::Window* e = hostkit::headless::findWindow(edit))
            e->text = model.text();
    }
};

SpinnerWindow* spinnerOf(HWND window) {
    hostkit::headless::Window* w = hostkit::headless::findWindow(window);
    if (!w || !hostkit::headless::sameClass(w->className, kSpinnerClass)) return nullptr;
    return dynamic_cast<SpinnerWindow*>(w->extension.get());
}

bool isEditWindow(HWND window) {
    const hostkit::headless::Window* w = hostkit::headless::findWindow(window);
    return w && (hostkit::headless::sameClass(w->className, kCustEditClass) ||
                 hostkit::headless::sameClass(w->className, "Edit"));
}

HWND childWithId(HWND dialog, int id) {
    const hostkit::headless::Window* d = hostkit::headless::findWindow(dialog);
    if (!d) return nullptr;
    for (HWND child : d->children)
        if (const hostkit::headless::Window* c = hostkit::headless::findWindow(child);
            c && c->id == id)
            return child;
    return nullptr;
}

class HeadlessCustEdit : public ICustEdit {
  public:
    explicit HeadlessCustEdit(HWND window) : window_(window) {}
    void putText(const char* text) override {
        if (hostkit::headless::Window* w = hostkit::headless::findWindow(window_))
            w->text = text ? text : "";
    }
    void fetchText(char* buffer, int size) override {
        if (!buffer || size <= 0) return;
        const hostkit::headless::Window* w = hostkit::headless::findWindow(window_);
        std::string text = w ? w->text : std::string();
        size_t count = std::min(text.size(), (size_t)size - 1);
        text.copy(buffer, count);
        buffer[count] = '\0';
    }

  private:
    HWND window_;
};

// The interface holds the handle, so it is harmless after the window is gone.
class HeadlessSpinner : public ISpinnerControl {
  public:
    explicit HeadlessSpinner(HWND window) : window_(window) {}
    void takeDefault(float value) override {
        if (SpinnerWindow* s = spinnerOf(window_)) s->model.setResetValue(value);
    }
    float getValue() override {
        SpinnerWindow* s = spinnerOf(window_);
        return s ? s->model.value() : 0.0f;
    }
    void setValue(float value) override {
        if (SpinnerWindow* s = spinnerOf(window_)) {
            s->model.setValue(value);
            s->showValue();
        }
    }

  private:
    HWND window_;
};

} // namespace

void InitCustomControls(HINSTANCE) {
    hostkit::headless::registerWindowClass(kCustEditClass);
    hostkit::headless::registerWindowClass(kSpinnerClass, [] {
        return std::unique_ptr<hostkit::headless::WindowExtension>(new SpinnerWindow());
    });
}

ICustEdit* GetICustEdit(HWND window) {
    const hostkit::headless::Window* w = hostkit::headless::findWindow(window);
    if (!w || !hostkit::headless::sameClass(w->className, kCustEditClass)) return nullptr;
    return new HeadlessCustEdit(window);
}

void ReleaseICustEdit(ICustEdit* edit) {
    delete edit;
}

ISpinnerControl* SetupFloatSpinner(HWND dialog, int spinnerId, int editId, float minimum,
                                   float maximum, float value, float scale) {
    HWND spinnerWindow = childWithId(dialog, spinnerId);
    HWND editWindow = childWithId(dialog, editId);
    SpinnerWindow* spinner = spinnerOf(spinnerWindow);
    if (!spinner || !isEditWindow(editWindow)) return nullptr;
    spinner->model = SpinnerModel(minimum, maximum, value, scale);
    spinner->edit = editWindow;
    return new HeadlessSpinner(spinnerWindow);
}

void ReleaseISpinner(ISpinnerControl* spinner) {
    delete spinner;
}
