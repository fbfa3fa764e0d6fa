// The person in front of the host: who answers modal dialogs and message boxes.
#pragma once

#include <string>

#include "hostkit/ui/user_seam.h"

class User {
  public:
    virtual ~User() = default;
    // A modal dialog has opened and runs until this returns. If it is still open then,
    // the host closes it as a person closing the window would: Esc, and if the dialog
    // ignores that, it ends with 0.
    virtual void onModalDialog(UserSeam& dialog) = 0;
    // A message box was shown; it is answered with OK.
    virtual void onMessageBox(const std::string& text, const std::string& caption) = 0;
    // True when a person in front of a display finishes each dialog after
    // onModalDialog and answers the message boxes: the host then leaves them open.
    virtual bool personFinishes() const { return false; }
};

// Sets who answers dialogs from now on (null: nobody, so dialogs close at once as
// above). The caller keeps ownership. Returns the previous user.
namespace hostkit {
HOSTKIT_API User* setUser(User* user);
// The current user, or null.
HOSTKIT_API User* currentUser();
} // namespace hostkit
