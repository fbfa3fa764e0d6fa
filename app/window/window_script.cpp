// Parsing host-window scripts.
#include "app/window/window_script.h"

#include <sstream>

namespace {

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

struct StepWord {
    const char* word;
    WindowStep::Action action;
    bool needsArgument;
};

constexpr StepWord kWords[] = {
    {"select", WindowStep::Action::Select, true}, {"select+", WindowStep::Action::SelectMore, true},
    {"menu", WindowStep::Action::Menu, true},     {"dialog", WindowStep::Action::Dialog, true},
    {"page", WindowStep::Action::Page, true},     {"snap", WindowStep::Action::Snap, true},
    {"close", WindowStep::Action::Close, false},
};

} // namespace

std::optional<std::vector<WindowStep>>
parseWindowScript(const std::string& text, const std::string& name, FileError& error) {
    std::vector<WindowStep> script;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        size_t space = line.find_first_of(" \t");
        std::string word = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : trim(line.substr(space));
        const StepWord* found = nullptr;
        for (const StepWord& w : kWords)
            if (word == w.word) found = &w;
        if (!found) {
            error = FileError(name, number, "unknown step '" + word + "'");
            return std::nullopt;
        }
        if (found->needsArgument == rest.empty()) {
            error =
                FileError(name, number,
                          "'" + word + "' " + (rest.empty() ? "needs more" : "takes nothing more"));
            return std::nullopt;
        }
        WindowStep step;
        step.action = found->action;
        step.argument = rest;
        step.line = number;
        if (step.action == WindowStep::Action::Dialog || step.action == WindowStep::Action::Page) {
            std::string steps = rest;
            for (char& c : steps)
                if (c == ';') c = '\n';
            FileError stepError;
            std::optional<Scenario> parsed = parseScenario(steps, name, stepError);
            if (!parsed) { // the steps are one line of the script
                error = FileError(name, number, stepError.problem);
                return std::nullopt;
            }
            step.steps = std::move(*parsed);
        }
        script.push_back(std::move(step));
    }
    return script;
}
