// Helpers for the dialog tests: the zefexp templates registered as a module, a
// dialog procedure that records its messages, and users that act in a lambda.
#pragma once

#include <functional>
#include <vector>

#include "host/win32.h"
#include "hostkit/ui/user.h"
#include "host/module_resources.h"

extern const ResourceTable testZefexpResources;

inline HINSTANCE zefexpModule() {
    return hkRegisterModule(&testZefexpResources, &testZefexpResources);
}

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the recording procedure saw; OK ends with 1 and Cancel with 0, like the
// export options dialog.
inline std::vector<RecordedMessage>& recorded() {
    static std::vector<RecordedMessage> messages;
    return messages;
}

inline INT_PTR recordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    recorded().push_back({message, wParam, lParam});
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return EndDialog(dialog, 1);
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) return EndDialog(dialog, 0);
    return FALSE;
}

// A user whose dialog actions are a lambda; it keeps the message boxes it saw.
class LambdaUser : public User {
  public:
    std::function<void(UserSeam&)> act;
    std::vector<std::string> boxes;

    void onModalDialog(UserSeam& dialog) override {
        if (act) act(dialog);
    }
    void onMessageBox(const std::string& text, const std::string& caption) override {
        boxes.push_back(caption + ": " + text);
    }
};

// Installs a user for one test and restores the previous one.
class UserScope {
  public:
    explicit UserScope(User* user) : previous_(hostkit::setUser(user)) {}
    ~UserScope() { hostkit::setUser(previous_); }

  private:
    User* previous_;
};
