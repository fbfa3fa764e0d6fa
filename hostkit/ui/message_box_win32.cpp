// Message boxes on real windows: recognised, read out to the host's sink and the
// current user, and answered with OK, as in the headless layer.
#include "hostkit/ui/hostui.h"
#include "hostkit/ui/modal_hook_win32.h"
#include "hostkit/ui/user.h"

namespace {

constexpr int kMessageTextId = 0xFFFF; // the static that holds a message box's text

hostkit::ui::MessageSink& sink() {
    static hostkit::ui::MessageSink s;
    return s;
}

HMODULE moduleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

std::string textOf(HWND window) {
    char buffer[4096] = "";
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

} // namespace

bool isMessageBox(HWND dialog) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto proc = reinterpret_cast<const void*>(GetWindowLongPtrW(dialog, DWLP_DLGPROC));
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    return (proc && moduleAt(proc) == user32) || instance == user32;
}

void answerMessageBox(HWND messageBox) {
    std::string text = textOf(GetDlgItem(messageBox, kMessageTextId));
    std::string caption = textOf(messageBox);
    if (sink()) sink()(text, caption);
    User* user = hostkit::currentUser();
    if (user) user->onMessageBox(text, caption);
    if (user && user->personFinishes()) return; // the person reads and answers it
    SendMessageA(messageBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(messageBox, IDOK)));
}

void hostkit::ui::setMessageSink(MessageSink newSink) {
    sink() = std::move(newSink);
}

// The real comctl32 keeps no count of its initialisations.
int hostkit::ui::commonControlsInitCount() {
    return -1;
}
