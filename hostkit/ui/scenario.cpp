// Parsing and playing scenarios.
#include "hostkit/ui/scenario.h"

#include "hostkit/ui/control_dump.h"

#include <sstream>

namespace {

struct ActionName {
    const char* word;
    ScenarioStep::Action action;
    bool needsTarget;
};

constexpr ActionName kActions[] = {
    {"click", ScenarioStep::Action::Click, true},
    {"check", ScenarioStep::Action::Check, true},
    {"uncheck", ScenarioStep::Action::Uncheck, true},
    {"up", ScenarioStep::Action::ArrowUp, true},
    {"down", ScenarioStep::Action::ArrowDown, true},
    {"type", ScenarioStep::Action::Type, true},
    {"enter", ScenarioStep::Action::Enter, false},
    {"escape", ScenarioStep::Action::Escape, false},
    {"dump", ScenarioStep::Action::Dump, false},
    {"snap", ScenarioStep::Action::Snap, true},
};

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

SeamResult act(const ScenarioStep& step, const ControlInfo& control, UserSeam& seam) {
    switch (step.action) {
    case ScenarioStep::Action::Click:
        return seam.click(control.index);
    case ScenarioStep::Action::Check:
    case ScenarioStep::Action::Uncheck:
        if (control.checked == (step.action == ScenarioStep::Action::Check)) return {};
        return seam.click(control.index);
    case ScenarioStep::Action::ArrowUp:
        return seam.clickArrow(control.index, SpinArrow::Up);
    case ScenarioStep::Action::ArrowDown:
        return seam.clickArrow(control.index, SpinArrow::Down);
    case ScenarioStep::Action::Type:
        return seam.type(control.index, step.text);
    default:
        return {"not an action on a control"};
    }
}

} // namespace

std::optional<Scenario> parseScenario(const std::string& text, const std::string& name,
                                      FileError& error) {
    Scenario scenario;
    std::istringstream lines(text);
    std::string line;
    for (int lineNo = 1; std::getline(lines, line); ++lineNo) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        size_t space = line.find_first_of(" \t");
        std::string word = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : trim(line.substr(space));
        const ActionName* action = nullptr;
        for (const ActionName& a : kActions)
            if (word == a.word) action = &a;
        if (!action) {
            error = FileError(name, lineNo, "unknown step '" + word + "'");
            return std::nullopt;
        }
        ScenarioStep step;
        step.action = action->action;
        if (action->needsTarget && rest.empty()) {
            error =
                FileError(name, lineNo,
                          "'" + word + "' needs " +
                              (step.action == ScenarioStep::Action::Snap ? "a file" : "a control"));
            return std::nullopt;
        }
        if (!action->needsTarget && !rest.empty()) {
            error = FileError(name, lineNo, "'" + word + "' takes no control");
            return std::nullopt;
        }
        if (step.action == ScenarioStep::Action::Type) {
            size_t gap = rest.find_first_of(" \t");
            step.target = rest.substr(0, gap);
            step.text = gap == std::string::npos ? "" : trim(rest.substr(gap));
        } else {
            step.target = rest;
        }
        scenario.steps.push_back(std::move(step));
    }
    return scenario;
}

SeamResult runScenario(const Scenario& scenario, UserSeam& seam, std::ostream* out) {
    for (const ScenarioStep& step : scenario.steps) {
        SeamResult result;
        if (step.action == ScenarioStep::Action::Dump) {
            if (!seam.isOpen()) return {"dialog '" + seam.title() + "' is not open"};
            if (out) *out << describeControls(seam);
        } else if (step.action == ScenarioStep::Action::Snap) {
            result = seam.snap(step.target);
        } else if (step.action == ScenarioStep::Action::Enter) {
            result = seam.pressEnter();
        } else if (step.action == ScenarioStep::Action::Escape) {
            result = seam.pressEscape();
        } else if (auto control = seam.find(step.target)) {
            result = act(step, *control, seam);
        } else {
            result.error = "no control '" + step.target + "' in dialog '" + seam.title() + "'";
        }
        if (!result.ok()) return result;
    }
    return {};
}

void ScenarioUser::onModalDialog(UserSeam& dialog) {
    titles_.push_back(dialog.title());
    if (pending_.empty()) return;
    Scenario scenario = std::move(pending_.front());
    pending_.pop_front();
    SeamResult result = runScenario(scenario, dialog, out_);
    if (!result.ok()) errors_.push_back(result.error);
}

void ScenarioUser::onMessageBox(const std::string& text, const std::string& caption) {
    messages_.push_back({text, caption});
}
