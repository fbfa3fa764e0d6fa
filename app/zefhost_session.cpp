// zefhost's commands over one session.
#include <filesystem>

#include "app/export_dialog_user.h"
#include "app/export_progress.h"
#include "app/exporter_run.h"
#include "scenes/demo_scene.h"
#include "scenes/scene_file.h"
#include "scenes/scene_loader.h"
#include "scenes/zef_reader.h"
#include "app/progress_line.h"
#include "app/zefhost_session.h"
#include "host/hold.h"
#include "hostkit/hold/hold_history.h"
#include "hostkit/ui/hostui.h"
#include "resources/resource.h"

ZefhostSession::ZefhostSession(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), scene_(makeDemoScene()), host_(std::make_unique<HostSession>(*scene_)) {
}

ZefhostSession::~ZefhostSession() {
    // Undo records live in the plug-in's code and point into the scene: drop them
    // before either goes.
    host_.reset();
    theHoldHistory.clear();
    scene_.reset();
    plugin_.reset();
}

bool ZefhostSession::loadPlugin(const std::string& path) {
    if (plugin_) return true;
    std::string error;
    plugin_ = PluginLibrary::load(path, error);
    if (!plugin_) err_ << "zefhost: " << error << "\n";
    return plugin_ != nullptr;
}

bool ZefhostSession::loadScene(const std::string& path) {
    std::unique_ptr<Scene> loaded;
    std::vector<EmbeddedImage> images;
    if (path.empty()) {
        loaded = makeDemoScene();
    } else {
        ProgressLine progress("Opening " + path, ProgressLine::wanted(quiet_));
        OpenedScene result = openScene(path, &progress);
        if (!result.ok()) {
            err_ << "zefhost: " << result.error.message() << "\n";
            return false;
        }
        if (result.leftOutPoints || result.leftOutLines)
            err_ << "zefhost: left out " << result.leftOutPoints << " points and "
                 << result.leftOutLines << " lines of " << path
                 << " (the host holds triangle meshes only)\n";
        loaded = std::move(result.scene);
        images = std::move(result.images);
    }
    images_ = std::move(images);
    host_.reset();
    theHoldHistory.clear(); // its records point into the old scene
    scene_ = std::move(loaded);
    host_ = std::make_unique<HostSession>(*scene_);
    return true;
}

int ZefhostSession::saveScene(const std::string& path) {
    FileError error;
    if (!canSaveSceneAs(path, error)) { // a name no format is known for: a bad command line
        err_ << "zefhost: " << error.message() << "\n";
        return kExitUsage;
    }
    bool saved;
    {
        ProgressLine progress("Saving " + path, ProgressLine::wanted(quiet_));
        saved = saveSceneAs(*scene_, path, error) && writeEmbeddedImages(images_, path, error);
    }
    if (!saved) {
        err_ << "zefhost: " << error.message() << "\n";
        return kExitFailed;
    }
    out_ << "Saved the scene to " << path << "\n";
    return kExitOk;
}

bool ZefhostSession::selectNodes(const std::vector<std::string>& names, bool replace) {
    if (replace) scene_->clearSelection();
    for (const std::string& name : names) {
        SceneNode* node = scene_->findNode(name);
        if (!node) {
            err_ << "zefhost: no node named '" << name << "' in the scene\n";
            return false;
        }
        scene_->select(node);
    }
    return true;
}

static void printSummary(std::ostream& out, const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) { // a device or FIFO: nothing to read back
        out << "Exported to " << path << "\n";
        return;
    }
    ZefSummary summary;
    FileError problem;
    if (!readZefFile(path, summary, problem)) {
        out << "Wrote " << path << ", but it does not read back: " << problem.message() << "\n";
        return;
    }
    out << "Exported " << summary.objects.size() << " objects, " << summary.vertices
        << " vertices, " << summary.faces << " faces, " << summary.materials << " materials to "
        << path << "\n";
}

int ZefhostSession::exportScene(const std::string& path, const Scenario& steps, bool cancel) {
    if (!plugin_) return kExitUsage;
    auto* exporter =
        static_cast<HostSceneExporter*>(plugin_->createInstance(SCENE_EXPORT_CLASS_ID));
    if (!exporter) {
        err_ << "zefhost: the plug-in offers no scene exporter\n";
        return kExitUsage;
    }
    ExportDialogUser user(steps, cancel, &out_);
    int result;
    {
        ProgressLine progress("Exporting " + path, ProgressLine::wanted(quiet_));
        ExportProgress objects([&](int current, int total) { progress.part(current, total); });
        result = runExporter(*exporter, path, *host_, user);
    }
    delete exporter;

    bool noData = false, writeError = false;
    for (const ExportDialogUser::Message& message : user.messages()) {
        err_ << message.caption << ": " << message.text << "\n";
        noData = noData || message.text == "No data to export";
        writeError = writeError || message.text == "Write error on file";
    }
    if (!user.error().empty()) { // a step could not be played: the dialog was closed
        err_ << "zefhost: " << user.error() << "\n";
        return kExitUsage;
    }
    if (result < 0 || writeError) return kExitFailed;
    if (user.cancelled() || !user.sawDialog()) {
        out_ << "Export cancelled\n";
        return kExitCancelled;
    }
    if (noData) return kExitNoData;
    FileError imageError;
    if (!writeEmbeddedImages(images_, path, imageError)) {
        err_ << "zefhost: " << imageError.message() << "\n";
        return kExitFailed;
    }
    printSummary(out_, path);
    return kExitOk;
}

int ZefhostSession::runUtility(const Scenario& steps, bool apply) {
    if (!plugin_) return kExitUsage;
    auto* utility = static_cast<HostUtilityPlugin*>(plugin_->createInstance(UTILITY_CLASS_ID));
    if (!utility) {
        err_ << "zefhost: the plug-in offers no utility\n";
        return kExitUsage;
    }
    host_->openUtility(utility);
    HWND page = host_->panelPage();
    std::unique_ptr<UserSeam> seam = page ? hostkit::ui::seamFor(page) : nullptr;
    if (!seam) {
        err_ << "zefhost: the utility opened no page\n";
        host_->closeUtility();
        return kExitFailed;
    }
    SeamResult played = runScenario(steps, *seam, &out_);
    if (played.ok() && apply) {
        std::optional<ControlInfo> applyButton = seam->findById(IDOK);
        played = applyButton ? seam->click(applyButton->index) : SeamResult{"no Apply button"};
    }
    std::optional<ControlInfo> closeButton = seam->findById(IDCANCEL);
    if (closeButton) seam->click(closeButton->index);
    if (host_->utilityOpen()) host_->closeUtility();
    if (!played.ok()) {
        err_ << "zefhost: " << played.error << "\n";
        return kExitUsage;
    }
    if (apply) out_ << "Applied the utility as one undoable step\n";
    return kExitOk;
}

// Undoes or redoes the newest step the hold has, and says which.
static int moveThroughHistory(bool undo, std::ostream& out, std::ostream& err) {
    if (!(undo ? theHoldHistory.undo() : theHoldHistory.redo())) {
        err << "zefhost: nothing to " << (undo ? "undo" : "redo") << "\n";
        return kExitUsage;
    }
    out << (undo ? "Undone" : "Redone") << "\n";
    return kExitOk;
}

int ZefhostSession::undo() {
    return moveThroughHistory(true, out_, err_);
}

int ZefhostSession::redo() {
    return moveThroughHistory(false, out_, err_);
}
