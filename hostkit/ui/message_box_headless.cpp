// Message boxes go to the host's sink and to the current user, and are answered OK.
#include "hostkit/ui/hostui.h"
#include "hostkit/ui/user.h"

namespace {

hostkit::ui::MessageSink& sink() {
    static hostkit::ui::MessageSink s;
    return s;
}

int commonControlsInits = 0;

} // namespace

void hostkit::ui::setMessageSink(MessageSink newSink) {
    sink() = std::move(newSink);
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    std::string t = text ? text : "", c = caption ? caption : "Error";
    if (sink()) sink()(t, c);
    if (User* user = hostkit::currentUser()) user->onMessageBox(t, c);
    return IDOK;
}

void InitCommonControls(void) {
    ++commonControlsInits;
}

int hostkit::ui::commonControlsInitCount() {
    return commonControlsInits;
}
