// Parsing and running zefhost command lines and session scripts.
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>

#include <CLI/CLI.hpp>

#include "app/command_line.h"
#include "app/info_command.h"
#include "app/zefhost_session.h"

namespace {
const PersonFrontEnd* personFrontEnd = nullptr;

// What one parsed command line asks for.
struct Request {
    std::string plugin;
    std::string scene;
    std::string out;
    std::string save;
    std::string script;
    std::string stepsFile;
    std::vector<std::string> select;
    std::vector<std::string> positionals;
    bool cancel = false;
    bool quiet = false;
    bool noApply = false;
    bool keepGoing = false;
    bool dump = false;
    bool interactive = false;
    DialogOptionFlags exportFlags;
    DialogOptionFlags utilityFlags;
};

const char* kExitCodesHelp = "Exit codes: 0 done, 1 the export or save failed, 2 bad command line, "
                             "scene or plug-in, 3 cancelled, 4 nothing to export.\n";

const char* kDialogFlagsHelp =
    "Each flag acts on the dialog as a user would: --NAME checks a box, --no-NAME clears it, "
    "a text flag types into its edit, --map clicks a radio button. What is not given stays as "
    "the dialog opens: the defaults at first, then the last confirmed choices of the session.\n";

const char* kStepsHelp =
    "Also play these steps on the dialog, after the flags, one per line: click TARGET, "
    "check TARGET, uncheck TARGET, up TARGET, down TARGET (a spinner's arrows), "
    "type TARGET TEXT, enter, escape, dump (print the controls), snap FILE.png (a picture of "
    "the dialog, Windows only); TARGET is #ID or a caption; # starts a comment line";

const char* kDumpHelp =
    "Print every control of the dialog, in tab order, once the flags and steps are set: id, "
    "caption, kind, checked state or text, enabled state";

const char* kInteractiveHelp =
    "Show the dialog to the person at the display once the flags are set, instead of pressing "
    "the buttons (Windows only)";

const char* kNoDisplayError =
    "needs a person at a display: the host window and --interactive: this works on Windows only";

// The steps of a --steps file, appended to steps; false with a message on err.
bool readStepsFile(const std::string& path, Scenario& steps, std::ostream& err) {
    std::ifstream in(path);
    if (!in) {
        err << "zefhost: cannot open steps file '" << path << "'\n";
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FileError error;
    std::optional<Scenario> parsed = parseScenario(text, path, error);
    if (!parsed) {
        err << "zefhost: " << error.message() << "\n";
        return false;
    }
    steps.steps.insert(steps.steps.end(), parsed->steps.begin(), parsed->steps.end());
    return true;
}

// Builds the command-line parser; inScript adds the commands of session scripts.
std::unique_ptr<CLI::App> makeParser(Request& r, bool inScript) {
    auto app = std::make_unique<CLI::App>(
        "zefhost: a stand-in modelling host for the zefexp plug-in (zefexp.dle).\n"
        "Without a scene file it uses its embedded demo scene.",
        "zefhost");
    app->footer(kExitCodesHelp);
    app->require_subcommand(1, 1);
    if (!inScript) {
        app->add_option("--plugin", r.plugin,
                        "The plug-in to load (default: zefexp.dle beside zefhost, in plugins/ "
                        "there or in ../lib/zefexp/plugins/)");
        app->add_flag("--quiet", r.quiet,
                      "Show no progress on stderr (shown only on a terminal, for work past half "
                      "a second)");
    }

    CLI::App* info = app->add_subcommand(
        "info", "Show what the plug-in offers, as a host's plug-in manager does");
    info->add_option("PLUGIN", r.positionals,
                     "The plug-in file (default: zefexp.dle beside zefhost, in plugins/ there or "
                     "in ../lib/zefexp/plugins/)")
        ->expected(0, 1);

    CLI::App* exportCommand = app->add_subcommand(
        "export", "Export the scene to a ZEF file through the plug-in's options dialog: the flags "
                  "are set in the dialog as a user would, then OK is pressed");
    exportCommand
        ->add_option("files", r.positionals,
                     "[SCENE] OUT: the scene file (default: the demo scene, or the session's "
                     "scene) and the ZEF file to write")
        ->expected(1, 2)
        ->required()
        ->type_name("[SCENE] OUT");
    exportCommand->add_option(
        "--select", r.select,
        "Select this node before the export (repeatable; replaces the scene's selection)");
    exportCommand->add_flag("--cancel", r.cancel, "Press Cancel instead of OK");
    exportCommand->add_option("--steps", r.stepsFile, kStepsHelp)->type_name("FILE");
    exportCommand->add_flag("--dump", r.dump, kDumpHelp);
    exportCommand->add_flag("--interactive", r.interactive, kInteractiveHelp);
    r.exportFlags.addTo(*exportCommand, DialogKind::Export);
    exportCommand->footer(kDialogFlagsHelp);

    CLI::App* utility = app->add_subcommand(
        "utility", "Open the ZEFX Utility, set the flags on its page as a user would, press "
                   "Apply, then Close");
    utility
        ->add_option("SCENE", r.positionals,
                     "The scene file (default: the demo scene, or the session's scene)")
        ->expected(0, 1);
    utility->add_option("--select", r.select,
                        "Select this node first (repeatable; replaces the scene's selection)");
    utility->add_option("--save", r.save, "Save the changed scene to this scene file");
    utility->add_option("--steps", r.stepsFile, kStepsHelp)->type_name("FILE");
    utility->add_flag("--dump", r.dump, kDumpHelp);
    utility->add_flag("--interactive", r.interactive, kInteractiveHelp);
    utility->add_flag(
        "--no-apply", r.noApply,
        "Only set the page and press Close (the choices are kept for the next opening)");
    r.utilityFlags.addTo(*utility, DialogKind::Utility);
    utility->footer(kDialogFlagsHelp);
    if (!inScript) utility->get_option("--save")->required();

    if (inScript) {
        CLI::App* load = app->add_subcommand("load", "Load a scene file (no file: the demo scene)");
        load->add_option("SCENE", r.scene, "The scene file");
        CLI::App* select = app->add_subcommand(
            "select", "Replace the selection with these nodes (none: clear it)");
        select->add_option("NAME", r.select, "Node names");
        app->add_subcommand("undo", "Undo the last undoable step");
        app->add_subcommand("redo", "Redo the last undone step");
        CLI::App* save = app->add_subcommand("save", "Save the scene to a scene file");
        save->add_option("OUT", r.save, "The scene file to write")->required();
    } else {
        CLI::App* open = app->add_subcommand(
            "open", "Open the host window (Windows), with this scene file; zefhost without a "
                    "command opens it with the demo scene");
        open->add_option("SCENE", r.scene, "The scene file");
        open->add_option("--play", r.script,
                         "Play this window script: select, select+, menu, dialog, page, snap, "
                         "close, one step per line")
            ->type_name("FILE");
        CLI::App* run = app->add_subcommand(
            "run", "Run a session script: one command per line (load, select, export, utility, "
                   "undo, redo, save, info), with the plug-in loaded once");
        run->add_option("SCRIPT", r.script, "The script file, or - for standard input (default)");
        run->add_flag("--keep-going", r.keepGoing,
                      "Run the remaining commands after one fails, and still exit with the "
                      "first failure's code");
        run->footer("A command that fails (exit code 1 or 2) stops the script with its code; a "
                    "cancelled export (3) and nothing to export (4) are reported and the "
                    "script goes on.");
    }
    return app;
}

int runParsed(CLI::App& app, Request& r, ZefhostSession& session, std::ostream& out,
              std::ostream& err);

int runLine(const std::vector<std::string>& args, ZefhostSession* session, std::ostream& out,
            std::ostream& err, bool inScript);

// Whether a command's exit code is a failure a script stops at. A cancelled export and
// "nothing to export" are outcomes a script asks for or can expect.
bool isFailure(int code) {
    return code != kExitOk && code != kExitCancelled && code != kExitNoData;
}

// Runs a session script. The first failing line is reported by number and ends the
// script with its code, unless keepGoing: then the rest runs and the first failure's
// code is returned.
int runScript(ZefhostSession& session, std::istream& in, const std::string& name, bool keepGoing,
              std::ostream& out, std::ostream& err) {
    std::string line;
    int lineNumber = 0;
    int firstFailure = kExitOk;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::vector<std::string> words;
        std::string error;
        int code = kExitOk;
        if (!splitScriptLine(line, words, error)) {
            err << FileError(name, lineNumber, error).message() << "\n";
            code = kExitUsage;
        } else if (!words.empty()) {
            out << "> " << line << "\n";
            code = runLine(words, &session, out, err, true);
            if (isFailure(code))
                err << name << ":" << lineNumber << ": the command failed (exit code " << code
                    << ")\n";
            else if (code != kExitOk)
                out << "(exit code " << code << ")\n";
        }
        if (!isFailure(code)) continue;
        if (firstFailure == kExitOk) firstFailure = code;
        if (!keepGoing) break;
    }
    return firstFailure;
}

int runParsed(CLI::App& app, Request& r, ZefhostSession& session, std::ostream& out,
              std::ostream& err) {
    std::string name = app.get_subcommands().front()->get_name();
    if (name == "info") {
        std::string path = r.positionals.empty() ? r.plugin : r.positionals[0];
        if (path.empty()) path = defaultPluginPath();
        std::string error;
        auto library = PluginLibrary::load(path, error);
        if (!library) {
            err << "zefhost: " << error << "\n";
            return kExitUsage;
        }
        out << "Plug-in: " << library->path() << "\n";
        printPluginInfo(*library, out);
        return kExitOk;
    }
    if (name == "open") {
        if (!personFrontEnd) {
            err << "zefhost open: " << kNoDisplayError << "\n";
            return kExitUsage;
        }
        return personFrontEnd->openWindow(session, r.scene, r.script);
    }
    if (name == "load") return session.loadScene(r.scene) ? kExitOk : kExitUsage;
    if (name == "select") return session.selectNodes(r.select, true) ? kExitOk : kExitUsage;
    if (name == "undo") return session.undo();
    if (name == "redo") return session.redo();
    if (name == "save") return session.saveScene(r.save);
    if (name == "run") {
        if (r.script.empty() || r.script == "-")
            return runScript(session, std::cin, "stdin", r.keepGoing, out, err);
        std::ifstream script(r.script);
        if (!script) {
            err << "zefhost: cannot open script '" << r.script << "'\n";
            return kExitUsage;
        }
        return runScript(session, script, r.script, r.keepGoing, out, err);
    }
    const bool isExport = name == "export";
    if (isExport && r.positionals.size() == 2) r.scene = r.positionals[0];
    if (!isExport && !r.positionals.empty()) r.scene = r.positionals[0];
    if (!r.scene.empty() && !session.loadScene(r.scene)) return kExitUsage;
    if (!r.select.empty() && !session.selectNodes(r.select, true)) return kExitUsage;
    Scenario steps;
    std::string error;
    if (!(isExport ? r.exportFlags : r.utilityFlags).steps(steps, error)) {
        err << "zefhost " << name << ": " << error << "\n";
        return kExitUsage;
    }
    if (!r.stepsFile.empty() && !readStepsFile(r.stepsFile, steps, err)) return kExitUsage;
    if (r.dump) steps.steps.push_back(ScenarioStep{ScenarioStep::Action::Dump, "", ""});
    if (r.interactive) {
        if (!personFrontEnd) {
            err << "zefhost " << name << " --interactive: " << kNoDisplayError << "\n";
            return kExitUsage;
        }
        if (isExport) return personFrontEnd->exportForPerson(session, r.positionals.back(), steps);
        int code = personFrontEnd->utilityForPerson(session, steps);
        if (code == kExitOk && !r.save.empty()) code = session.saveScene(r.save);
        return code;
    }
    if (isExport) return session.exportScene(r.positionals.back(), steps, r.cancel);
    int code = session.runUtility(steps, !r.noApply);
    if (code == kExitOk && !r.save.empty()) code = session.saveScene(r.save);
    return code;
}

int runLine(const std::vector<std::string>& args, ZefhostSession* session, std::ostream& out,
            std::ostream& err, bool inScript) {
    Request r;
    auto app = makeParser(r, inScript);
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        CLI::App* sub = app->get_subcommands().empty() ? app.get() : app->get_subcommands().front();
        out << sub->help();
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return kExitOk;
        err << "zefhost: " << e.what() << "\n"
            << "Run with --help for the commands and their flags.\n";
        return kExitUsage;
    }
    if (session) return runParsed(*app, r, *session, out, err);

    ZefhostSession own(out, err);
    own.setQuiet(r.quiet);
    if (r.plugin.empty()) r.plugin = defaultPluginPath();
    std::string name = app->get_subcommands().front()->get_name();
    if (name != "info" && !own.loadPlugin(r.plugin)) return kExitUsage;
    return runParsed(*app, r, own, out, err);
}
} // namespace

void setPersonFrontEnd(const PersonFrontEnd* frontEnd) {
    personFrontEnd = frontEnd;
}

int runZefhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool onlyPlugin = args.empty() || (args.size() == 2 && args[0] == "--plugin");
    if (!onlyPlugin) return runLine(args, nullptr, out, err, false);
    std::vector<std::string> open = args;
    open.push_back("open");
    return runLine(open, nullptr, out, err, false);
}

bool splitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word), word.clear(), inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = "unterminated quote";
        return false;
    }
    if (inWord) words.push_back(word);
    return true;
}
