// The SpinnerControl on Windows: two arrows that step a SpinnerModel and write its
// value into the linked edit. As on every platform, SetupFloatSpinner leaves the
// edit's text alone; a click starts from the number in the edit when it holds one.
#include "host/controls.h"
#include "hostkit/controls/custom_controls_win32.h"
#include "hostkit/controls/spinner_model.h"

namespace {

struct SpinnerState {
    SpinnerModel model{0, 0, 0, 1};
    HWND edit = nullptr; // the linked edit, once set up
};

SpinnerState* stateOf(HWND window) {
    if (!hostkit::controls::isWindowOfClass(window, kSpinnerClass)) return nullptr;
    return reinterpret_cast<SpinnerState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void showValue(const SpinnerState& state) {
    if (IsWindow(state.edit)) SetWindowTextA(state.edit, state.model.text().c_str());
}

void spin(SpinnerState& state, int direction) {
    if (!state.edit) return;
    char text[128] = "";
    GetWindowTextA(state.edit, text, sizeof text);
    float typed;
    if (parseSpinnerText(text, typed)) state.model.setValue(typed);
    state.model.step(direction);
    showValue(state);
}

void paintArrows(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT r;
    GetClientRect(window, &r);
    LONG middle = (r.top + r.bottom) / 2;
    RECT up{r.left, r.top, r.right, middle}, down{r.left, middle, r.right, r.bottom};
    DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP);
    DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN);
    EndPaint(window, &paint);
}

LRESULT CALLBACK spinnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new SpinnerState));
        break;
    case WM_NCDESTROY:
        delete stateOf(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    case WM_PAINT:
        paintArrows(window);
        return 0;
    case WM_LBUTTONDOWN: {
        RECT r;
        GetClientRect(window, &r);
        int y = (short)HIWORD(lParam);
        SendMessageA(window, hostkit::controls::kSpinnerArrowMessage,
                     y < (r.top + r.bottom) / 2 ? 1 : -1, 0);
        return 0;
    }
    case hostkit::controls::kSpinnerArrowMessage:
        if (SpinnerState* state = stateOf(window)) spin(*state, (int)(INT_PTR)wParam);
        return TRUE;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The interface holds the handle, so it is harmless after the window is gone.
class WindowsSpinner : public ISpinnerControl {
  public:
    explicit WindowsSpinner(HWND window) : window_(window) {}
    void takeDefault(float value) override {
        if (SpinnerState* s = stateOf(window_)) s->model.setResetValue(value);
    }
    float getValue() override {
        SpinnerState* s = stateOf(window_);
        return s ? s->model.value() : 0.0f;
    }
    void setValue(float value) override {
        if (SpinnerState* s = stateOf(window_)) {
            s->model.setValue(value);
            showValue(*s);
        }
    }

  private:
    HWND window_;
};

bool isEditWindow(HWND window) {
    return hostkit::controls::isWindowOfClass(window, kCustEditClass) ||
           hostkit::controls::isWindowOfClass(window, "Edit");
}

} // namespace

namespace hostkit::controls {

void registerSpinnerClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXA spinner{};
    spinner.cbSize = sizeof spinner;
    spinner.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    spinner.lpfnWndProc = spinnerProc;
    spinner.hInstance = hostkitModule();
    spinner.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    spinner.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    spinner.lpszClassName = kSpinnerClass;
    registered = RegisterClassExA(&spinner) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace hostkit::controls

ISpinnerControl* SetupFloatSpinner(HWND dialog, int spinnerId, int editId, float minimum,
                                   float maximum, float value, float scale) {
    HWND spinnerWindow = GetDlgItem(dialog, spinnerId);
    HWND editWindow = GetDlgItem(dialog, editId);
    SpinnerState* state = stateOf(spinnerWindow);
    if (!state || !isEditWindow(editWindow)) return nullptr;
    state->model = SpinnerModel(minimum, maximum, value, scale);
    state->edit = editWindow;
    return new WindowsSpinner(spinnerWindow);
}

void ReleaseISpinner(ISpinnerControl* spinner) {
    delete spinner;
}
