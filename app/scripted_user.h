// The person in front of the export dialog when zefhost runs a command: sets the
// options as the command line asks, then presses OK or Cancel, and reads every
// message box out.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/dialog_options.h"
#include "hostkit/ui/user.h"

class ScriptedUser : public User {
  public:
    ScriptedUser(std::vector<UserStep> steps, bool cancel, std::ostream& messages);

    void onModalDialog(UserSeam& dialog) override;
    void onMessageBox(const std::string& text, const std::string& caption) override;

    bool sawDialog() const { return sawDialog_; }
    bool cancelled() const { return cancelled_; }
    const std::string& error() const { return error_; } // a step that could not be played
    const std::vector<std::string>& messages() const { return messageTexts_; }

  private:
    std::vector<UserStep> steps_;
    bool cancel_;
    std::ostream& messageOut_;
    bool sawDialog_ = false;
    bool cancelled_ = false;
    std::string error_;
    std::vector<std::string> messageTexts_;
};
