// The options of the export dialog and the utility page as command-line flags, and
// the user actions that set them: each flag is applied to the open dialog the way a
// person would (click a check box whose state differs, type a text, pick a radio).
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "hostkit/ui/scenario.h"

enum class DialogKind { Export, Utility };

// Scenario steps on the control with that id.
ScenarioStep checkStep(int controlId, bool checked);
ScenarioStep clickStep(int controlId);
ScenarioStep typeStep(int controlId, const std::string& text);

// The flags given on one command line, kept until they are turned into steps.
class DialogOptionFlags {
  public:
    // Adds every flag that dialog kind has, with help texts and defaults.
    void addTo(CLI::App& command, DialogKind kind);
    // Appends the steps for what was given, in dialog order. Fails with a message
    // when a value is not one the dialog offers (an unknown map type).
    bool steps(Scenario& out, std::string& error) const;
    // Clears what was parsed, for the next command of a session.
    void reset();

  private:
    std::vector<int> checkStates_;           // per check-box option: +1 on, -1 off, 0 not given
    std::vector<int> offStates_;             // --no-NAME of options that also take a value
    std::vector<CLI::Option*> valueOptions_; // options that take a value, or null
    std::vector<std::string> texts_;         // per text option: the text to type, if given
    std::vector<bool> textsGiven_;
    std::vector<std::vector<std::string>> checkValues_; // optional values of check flags
    std::string mapType_;
    DialogKind kind_ = DialogKind::Export;
};
