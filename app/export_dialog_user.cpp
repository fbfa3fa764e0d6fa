// Playing an export's steps and telling how its dialog ended.
#include "app/export_dialog_user.h"

#include "host/win32.h"

namespace {
// Whether the step, if it ends the dialog, ends it as Cancel does.
bool endsAsCancel(const ScenarioStep& step, const UserSeam& dialog) {
    if (step.action == ScenarioStep::Action::Escape) return true;
    if (step.action != ScenarioStep::Action::Click) return false;
    std::optional<ControlInfo> control = dialog.find(step.target);
    return control && control->id == IDCANCEL;
}
} // namespace

void ExportDialogUser::onModalDialog(UserSeam& dialog) {
    if (sawDialog_) return; // a later dialog is left alone, and so closed by the host
    sawDialog_ = true;
    for (const ScenarioStep& step : steps_.steps) {
        const bool cancels = endsAsCancel(step, dialog);
        SeamResult played = runScenario(Scenario{{step}}, dialog, out_);
        if (!played.ok()) {
            error_ = played.error;
            return;
        }
        if (!dialog.isOpen()) cancelled_ = cancels;
    }
    if (!dialog.isOpen()) return; // Enter, Esc or a click on OK or Cancel ended it
    std::optional<ControlInfo> button = dialog.findById(cancel_ ? IDCANCEL : IDOK);
    SeamResult pressed = button ? dialog.click(button->index) : SeamResult{"no OK button"};
    if (!pressed.ok()) error_ = pressed.error;
    cancelled_ = cancel_;
}

void ExportDialogUser::onMessageBox(const std::string& text, const std::string& caption) {
    messages_.push_back({text, caption});
}
