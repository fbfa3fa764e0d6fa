// The person at a zefhost export: plays the given steps on the options dialog, then
// presses OK (or Cancel) unless the steps already ended the dialog, and notes how it
// ended and which message boxes came up.
#pragma once

#include <string>
#include <vector>

#include "hostkit/ui/scenario.h"

class ExportDialogUser : public User {
  public:
    struct Message {
        std::string text, caption;
    };

    // steps are played on the first dialog; cancel presses Cancel instead of OK. Dump
    // steps print on out (nowhere when it is null).
    ExportDialogUser(Scenario steps, bool cancel, std::ostream* out = nullptr)
        : steps_(std::move(steps)), cancel_(cancel), out_(out) {}

    void onModalDialog(UserSeam& dialog) override;
    void onMessageBox(const std::string& text, const std::string& caption) override;

    // Whether a dialog opened at all.
    bool sawDialog() const { return sawDialog_; }
    // Whether the dialog ended with Cancel or Esc.
    bool cancelled() const { return cancelled_; }
    // Why a step could not be played; empty when all were.
    const std::string& error() const { return error_; }
    const std::vector<Message>& messages() const { return messages_; }

  private:
    Scenario steps_;
    bool cancel_;
    std::ostream* out_;
    bool sawDialog_ = false;
    bool cancelled_ = false;
    std::string error_;
    std::vector<Message> messages_;
};
