// Scripted persons: a scenario is a list of steps a person takes in a dialog or panel
// page, and a ScenarioUser plays one scenario per modal dialog that opens.
//
// Text form, one step per line ('#' at the start of a line begins a comment):
//   click TARGET        clicks a button, check box or radio button
//   check TARGET / uncheck TARGET   clicks a check box only when its state differs
//   up TARGET / down TARGET   clicks a spinner's arrow
//   type TARGET TEXT    replaces an edit's text (TARGET is one word, e.g. #1028)
//   enter / escape      presses the key
//   dump                prints every control's state (see control_dump.h)
//   snap FILE.png       saves a picture of the dialog (real windows only)
// TARGET is "#<id>" or a caption; the first control that matches is used.
#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "hostkit/strings/file_error.h"
#include "hostkit/ui/user.h"

struct ScenarioStep {
    enum class Action {
        Click,
        Check,
        Uncheck,
        ArrowUp,
        ArrowDown,
        Type,
        Enter,
        Escape,
        Dump,
        Snap
    };
    Action action = Action::Click;
    std::string target; // a control, or the file of Snap
    std::string text;   // for Type
};

struct Scenario {
    std::vector<ScenarioStep> steps;
};

// Parses the text form; on a bad line returns nothing and sets error to the line and
// what is wrong, with name (the file, or what stands for it) as its file.
HOSTKIT_API std::optional<Scenario> parseScenario(const std::string& text, const std::string& name,
                                                  FileError& error);

// Plays the steps in order and stops at the first that fails, with an error such as
// "no control 'Spherical' in dialog 'ZEF Export Options'". Dump steps print on out
// (nowhere when it is null).
HOSTKIT_API SeamResult runScenario(const Scenario& scenario, UserSeam& seam,
                                   std::ostream* out = nullptr);

// A user that plays queued scenarios, one per modal dialog, in order; with none left
// it leaves the dialog alone (the host then closes it). It records message boxes and
// the errors of its scenarios.
class HOSTKIT_API ScenarioUser : public User {
  public:
    struct Message {
        std::string text, caption;
    };

    void queue(Scenario scenario) { pending_.push_back(std::move(scenario)); }
    // Where dump steps print; null (the default): nowhere.
    void setOutput(std::ostream* out) { out_ = out; }
    // Leaves each dialog, once its scenario is played, and every message box to the
    // person in front of the display (real windows only).
    void leaveToPerson(bool leave) { person_ = leave; }
    bool personFinishes() const override { return person_; }
    void onModalDialog(UserSeam& dialog) override;
    void onMessageBox(const std::string& text, const std::string& caption) override;

    const std::vector<Message>& messages() const { return messages_; }
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<std::string>& dialogTitles() const { return titles_; }

  private:
    std::deque<Scenario> pending_;
    std::vector<Message> messages_;
    std::vector<std::string> errors_;
    std::vector<std::string> titles_;
    std::ostream* out_ = nullptr;
    bool person_ = false;
};
