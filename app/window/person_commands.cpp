// The person front end of zefhost.exe: the host window, and an export or a utility
// page left to the person once zefhost has set the flags.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <iostream>

#include "host/plugin.h"
#include "app/window/host_window.h"
#include "app/window/main_window.h"
#include "hostkit/ui/hostui.h"

namespace {

int openWindow(ZefhostSession& session, const std::string& scene, const std::string& scriptPath) {
    if (!scene.empty() && !session.loadScene(scene)) return kExitUsage;
    std::optional<std::vector<WindowStep>> script;
    if (!scriptPath.empty()) {
        std::ifstream in(scriptPath);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        FileError error(scriptPath, 0, "cannot open the window script");
        if (in) script = parseWindowScript(text, scriptPath, error);
        if (!script) {
            std::cerr << "zefhost: " << error.message() << "\n";
            return kExitUsage;
        }
    }
    HostWindow window(session);
    if (!window.create()) {
        std::cerr << "zefhost: cannot make the host window\n";
        return kExitFailed;
    }
    if (script) window.play(std::move(*script));
    return window.run();
}

// Prints the message boxes the person saw, as the played commands do.
void reportMessages(const ScenarioUser& user) {
    for (const ScenarioUser::Message& message : user.messages())
        std::cerr << message.caption << ": " << message.text << "\n";
}

int exportForPerson(ZefhostSession& session, const std::string& out, const Scenario& steps) {
    auto* exporter =
        static_cast<HostSceneExporter*>(session.plugin()->createInstance(SCENE_EXPORT_CLASS_ID));
    if (!exporter) {
        std::cerr << "zefhost: the plug-in offers no scene exporter\n";
        return kExitUsage;
    }
    std::error_code ignored;
    auto before = std::filesystem::last_write_time(out, ignored);
    ScenarioUser person;
    person.queue(steps);
    person.setOutput(&std::cout);
    person.leaveToPerson(true);
    User* previous = hostkit::setUser(&person);
    int result =
        exporter->exportScene(out.c_str(), session.host().exportInterface(), &session.host());
    hostkit::setUser(previous);
    delete exporter;
    reportMessages(person);
    if (!person.errors().empty()) {
        std::cerr << "zefhost: " << person.errors().front() << "\n";
        return kExitUsage;
    }
    if (result < 0) return kExitFailed;
    for (const ScenarioUser::Message& message : person.messages()) {
        if (message.text == "Write error on file") return kExitFailed;
        if (message.text == "No data to export") return kExitNoData;
    }
    auto after = std::filesystem::last_write_time(out, ignored);
    if (ignored || after == before) {
        std::cout << "Export cancelled\n";
        return kExitCancelled;
    }
    std::cout << "Exported to " << out << "\n";
    return kExitOk;
}

int utilityForPerson(ZefhostSession& session, const Scenario& steps) {
    auto* utility =
        static_cast<HostUtilityPlugin*>(session.plugin()->createInstance(UTILITY_CLASS_ID));
    if (!utility) {
        std::cerr << "zefhost: the plug-in offers no utility\n";
        return kExitUsage;
    }
    HostSession& host = session.host();
    host.openUtility(utility);
    HWND page = host.panelPage();
    std::unique_ptr<UserSeam> seam = page ? hostkit::ui::seamFor(page) : nullptr;
    if (!seam) {
        std::cerr << "zefhost: the utility opened no page\n";
        host.closeUtility();
        return kExitFailed;
    }
    SeamResult played = runScenario(steps, *seam, &std::cout);
    if (!played.ok()) {
        host.closeUtility();
        std::cerr << "zefhost: " << played.error << "\n";
        return kExitUsage;
    }
    HWND main = host.mainWindow();
    SetWindowTextA(main, "zefhost - ZEFX Utility (Close the page to go on)");
    ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
    SetFocus(page);
    MSG message;
    while (host.utilityOpen() && IsWindow(page) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(page, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (host.utilityOpen()) host.closeUtility();
    return kExitOk;
}

const PersonFrontEnd frontEnd{openWindow, exportForPerson, utilityForPerson};

} // namespace

const PersonFrontEnd& hostWindowFrontEnd() {
    return frontEnd;
}
