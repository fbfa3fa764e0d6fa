// The host window's menu commands: scene files through the common file dialogs, the
// export through the plug-in's exporter, the utilities, undo and redo.
#include "host/win32.h"
#include <commdlg.h>

#include <filesystem>

#include "host/hold.h"
#include "hostkit/hold/hold_history.h"
#include "app/window/main_window.h"

namespace {

constexpr char kSceneFilter[] = "Scene files (*.json)\0*.json\0All files (*.*)\0*.*\0";

// A file name from the common open or save dialog; empty when the person cancels.
std::string askForFile(HWND owner, bool save, const std::string& filter,
                       const std::string& extension, const char* title) {
    char name[MAX_PATH] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    return chosen ? name : "";
}

} // namespace

bool HostWindow::onCommand(int id) {
    switch (id) {
    case kCommandOpen:
        openScene();
        return true;
    case kCommandSaveAs:
        saveSceneAs();
        return true;
    case kCommandExport:
        exportScene();
        return true;
    case kCommandExit:
        PostMessageA(window_, WM_CLOSE, 0, 0);
        return true;
    case kCommandUndo:
        undo();
        return true;
    case kCommandRedo:
        redo();
        return true;
    default:
        if (id >= kCommandUtility && id < kCommandUtility + (int)utilityClasses_.size()) {
            openUtility(id - kCommandUtility);
            return true;
        }
        return false;
    }
}

bool HostWindow::confirmDiscard() {
    if (!changedSinceSave_) return true;
    int answer = MessageBoxA(window_, "The scene has unsaved changes. Save them first?", "zefhost",
                             MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) {
        saveSceneAs();
        return !changedSinceSave_;
    }
    return true;
}

void HostWindow::openScene() {
    if (!confirmDiscard()) return;
    std::string path = askForFile(window_, false, std::string(kSceneFilter, sizeof kSceneFilter),
                                  "json", "Open scene");
    if (path.empty()) return;
    if (session_.host().utilityOpen()) session_.host().closeUtility();
    if (!session_.loadScene(path)) {
        MessageBoxA(window_, ("Cannot open " + path).c_str(), "zefhost", MB_OK | MB_ICONERROR);
        return;
    }
    redoNames_.clear();
    savedSteps_ = theHoldHistory.stepCount();
    savedRedos_ = theHoldHistory.redoCount();
    lastResult_ = "Opened " + std::filesystem::path(path).filename().string();
    refresh();
}

void HostWindow::saveSceneAs() {
    std::string path = askForFile(window_, true, std::string(kSceneFilter, sizeof kSceneFilter),
                                  "json", "Save scene as");
    if (path.empty()) return;
    if (session_.saveScene(path) != kExitOk) {
        MessageBoxA(window_, ("Cannot save " + path).c_str(), "zefhost", MB_OK | MB_ICONERROR);
        return;
    }
    savedSteps_ = theHoldHistory.stepCount();
    savedRedos_ = theHoldHistory.redoCount();
    lastResult_ = "Saved " + std::filesystem::path(path).filename().string();
    refresh();
}

void HostWindow::exportScene() {
    PluginLibrary* plugin = session_.plugin();
    auto* exporter =
        plugin ? static_cast<HostSceneExporter*>(plugin->createInstance(SCENE_EXPORT_CLASS_ID))
               : nullptr;
    if (!exporter) {
        setLastResult("The plug-in offers no exporter");
        return;
    }
    std::string extension = exporter->extensionCount() > 0 ? exporter->extension(0) : "";
    std::string pattern = "*." + extension;
    std::string filter = std::string(exporter->longDescription()) + " (" + pattern + ")";
    filter += '\0' + pattern + '\0' + "All files (*.*)" + '\0' + "*.*" + '\0';
    std::string path = askForFile(window_, true, filter, extension, "Export");
    if (!path.empty()) {
        int result = exporter->exportScene(path.c_str(), session_.host().exportInterface(),
                                           &session_.host());
        bool written = std::filesystem::exists(path);
        lastResult_ = written ? "Exported " + std::filesystem::path(path).filename().string()
                              : "Export: no file written (result " + std::to_string(result) + ")";
    }
    delete exporter;
    refresh();
}

void HostWindow::openUtility(int menuIndex) {
    PluginLibrary* plugin = session_.plugin();
    HostClassDescriptor* d = plugin->classDescriptor(utilityClasses_[(size_t)menuIndex]);
    auto* utility = static_cast<HostUtilityPlugin*>(d ? d->createInstance(0) : nullptr);
    if (!utility) return;
    session_.host().openUtility(utility);
    if (HWND page = session_.host().panelPage()) {
        SetFocus(page);
        lastResult_ = std::string("Opened ") + d->displayName();
    }
    updateStatus();
}

void HostWindow::undo() {
    int steps = theHoldHistory.stepCount();
    if (steps == 0) return;
    int name = theHoldHistory.stepName(steps - 1);
    if (theHoldHistory.undo()) {
        redoNames_.push_back(name);
        lastResult_ = "Undone " + stepName(name);
    }
    noticeChanges();
    updateStatus();
}

void HostWindow::redo() {
    if (!theHoldHistory.redo()) return;
    int name = redoNames_.empty() ? 0 : redoNames_.back();
    if (!redoNames_.empty()) redoNames_.pop_back();
    lastResult_ = "Redone " + stepName(name);
    noticeChanges();
    updateStatus();
}
