// One zefhost session: the plug-in loaded once, one scene, the host's interfaces,
// and the commands a user runs on them (export, utility, undo, redo, save, select).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/dialog_options.h"
#include "app/plugin_library.h"
#include "hostkit/session/host_session.h"
#include "scenes/scene_loader.h"

// Exit codes of zefhost commands.
enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,    // the export or a save could not write its file
    kExitUsage = 2,     // bad command line, scene file or plug-in
    kExitCancelled = 3, // the dialog was cancelled
    kExitNoData = 4,    // nothing to export
};

class ZefhostSession {
  public:
    ZefhostSession(std::ostream& out, std::ostream& err);
    ~ZefhostSession();

    // Loads the plug-in (once per session). False with a message on err.
    bool loadPlugin(const std::string& path);
    // Replaces the scene: any file openScene opens (a scene file, a ZEF file or, in the
    // Linux build, any file Assimp imports), or the demo scene for an empty path.
    bool loadScene(const std::string& path);
    // Saves the scene in the format of path's extension, with any embedded images of
    // the loaded file beside it; an old file stays whole if the save fails. kExitOk,
    // or kExitFailed with a message on err; kExitUsage when no format fits the name.
    int saveScene(const std::string& path);
    // Adds the named nodes to the selection (clearing it first when replace is set).
    bool selectNodes(const std::vector<std::string>& names, bool replace);

    // An export to path with a fresh exporter object; the steps are played on its
    // dialog, then OK (or Cancel) is pressed. Message boxes are printed on err.
    int exportScene(const std::string& path, const Scenario& steps, bool cancel);
    // Opens the utility, plays the steps on its page, presses Apply (unless told not
    // to), then Close.
    int runUtility(const Scenario& steps, bool apply);
    int undo();
    int redo();

    // Quiet sessions show no progress lines (they show only on a terminal anyway).
    void setQuiet(bool quiet) { quiet_ = quiet; }

    Scene& scene() { return *scene_; }
    // The host's interfaces over the current scene (replaced by loadScene).
    HostSession& host() { return *host_; }
    PluginLibrary* plugin() { return plugin_.get(); }

  private:
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<PluginLibrary> plugin_;
    std::unique_ptr<Scene> scene_;
    std::unique_ptr<HostSession> host_;
    std::vector<EmbeddedImage> images_; // embedded in the loaded file; written beside outputs
    bool quiet_ = false;
};
