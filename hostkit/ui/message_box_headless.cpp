// Message boxes go to the host's sink and to the current user, and are answered OK.
#include "hostkit/ui/hostui.h"
#include "hostkit/ui/user.h"

namespace {

MessageSink& sink() {
    static MessageSink s;
    return s;
}

int commonControlsInits = 0;

} // namespace

void hostuiSetMessageSink(MessageSink newSink) {
    sink() = std::move(newSink);
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::string t = text ? text : "", c = caption ? caption : "Error";
    if (sink()) sink()(t, c);
    if (User* user = hkCurrentUser()) user->onMessageBox(t, c);
    return IDOK;
}

void InitCommonControls(void) {
    ++commonControlsInits;
}

int hostuiCommonControlsInitCount() {
    return commonControlsInits;
}
