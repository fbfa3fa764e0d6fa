// Playing a command line's options on the export dialog.
#include "app/scripted_user.h"

ScriptedUser::ScriptedUser(std::vector<UserStep> steps, bool cancel, std::ostream& messages)
    : steps_(std::move(steps)), cancel_(cancel), messageOut_(messages) {}

void ScriptedUser::onModalDialog(UserSeam& dialog) {
    sawDialog_ = true;
    SeamResult played = playSteps(dialog, steps_);
    if (!played.ok()) error_ = played.error;
    if (cancel_ || !played.ok()) {
        cancelled_ = true;
        std::optional<ControlInfo> cancel = dialog.findById(2);
        if (cancel)
            dialog.click(cancel->index);
        else
            dialog.pressEscape();
        return;
    }
    std::optional<ControlInfo> ok = dialog.findById(1);
    if (ok)
        dialog.click(ok->index);
    else
        dialog.pressEnter();
}

void ScriptedUser::onMessageBox(const std::string& text, const std::string& caption) {
    messageTexts_.push_back(text);
    messageOut_ << caption << ": " << text << "\n";
}
