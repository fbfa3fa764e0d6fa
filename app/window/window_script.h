// Scripts for the host window: what a person does with the menus, the tree and the
// dialogs, one step per line, played by the window itself ('#' starts a comment):
//   select NAME            clicks the node in the tree (the selection becomes it)
//   select+ NAME           Ctrl+clicks it (adds it to the selection, or removes it)
//   menu File/Export...    chooses a menu item by its captions (no & or key names)
//   dialog STEP; STEP...   steps for the next modal dialog, played when it opens
//   page STEP; STEP...     steps played at once on the open command-panel page
//   snap FILE.png          a picture of the host window
//   close                  closes the window as its close box does
// Dialog and page steps are those of scenarios (scenario.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hostkit/strings/file_error.h"
#include "hostkit/ui/scenario.h"

struct WindowStep {
    enum class Action { Select, SelectMore, Menu, Dialog, Page, Snap, Close };
    Action action = Action::Close;
    std::string argument; // the node, menu path or file
    Scenario steps;       // for Dialog and Page
    int line = 0;
};

// Parses a script; on a bad line returns nothing and sets error to the line and what
// is wrong, with name (the script's file) as its file.
std::optional<std::vector<WindowStep>> parseWindowScript(const std::string& text,
                                                         const std::string& name, FileError& error);
