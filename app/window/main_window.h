// The host window: a menu (File, Edit, Utilities), the node tree on the left, the
// scene view in the middle, the command panel on the right and a status line, over
// one zefhost session. Windows only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/zefhost_session.h"
#include "app/window/scene_tree.h"
#include "app/window/scene_view.h"
#include "app/window/window_script.h"
#include "hostkit/ui/scenario.h"

class HostWindow {
  public:
    explicit HostWindow(ZefhostSession& session);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Makes the window and shows it; false when Windows refuses.
    bool create();
    // Runs the message loop until the window is closed; returns the exit code.
    int run();
    // Plays a script once the window shows (window_script.h) instead of leaving the
    // dialogs and message boxes to a person. A step that fails ends the run with 2.
    void play(std::vector<WindowStep> script);

    // The menu commands.
    void openScene();
    void saveSceneAs();
    void exportScene();
    void openUtility(int classIndex);
    void undo();
    void redo();
    // True when there is nothing unsaved or the person agrees to lose it.
    bool confirmDiscard();

    // Shows the session's scene again: tree, view, menus and status line.
    void refresh();
    void setLastResult(const std::string& text);

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layout();
    void updateMenus();
    void updateStatus();
    // Refreshes what Apply, undo or redo changed, when they changed something.
    void noticeChanges();
    // Redraws the view and takes the hold's and the views' counts as seen.
    void showChanges();
    bool onCommand(int id);
    std::string stepName(int nameId) const;
    // Plays the next step of the script (from a timer); false with a message on error.
    bool playStep(const WindowStep& step, std::string& error);
    void onScriptTimer();
    // The menu item with this path of captions ("File/Export..."), or 0.
    int menuCommand(const std::string& path) const;

    ZefhostSession& session_;
    ScenarioUser person_;
    User* previousUser_ = nullptr;
    HWND window_ = nullptr;
    HWND panel_ = nullptr;
    HWND status_ = nullptr;
    HACCEL accelerators_ = nullptr;
    std::unique_ptr<SceneTree> tree_;
    std::unique_ptr<SceneView> view_;
    std::vector<int> utilityClasses_; // class index per Utilities menu item
    std::vector<int> redoNames_;      // name ids of the undone steps, newest last
    int seenRedraws_ = -1, seenSteps_ = -1, seenRedos_ = -1;
    int savedSteps_ = 0, savedRedos_ = 0;
    bool changedSinceSave_ = false;
    std::string lastResult_ = "Ready";
    std::vector<WindowStep> script_;
    size_t nextStep_ = 0;
    bool playing_ = false;
    size_t errorsSeen_ = 0, messagesShown_ = 0;
    int exitCode_ = 0;
};

// Menu and accelerator command ids.
enum HostCommand {
    kCommandOpen = 40001,
    kCommandSaveAs,
    kCommandExport,
    kCommandExit,
    kCommandUndo = 40010,
    kCommandRedo,
    kCommandUtility = 40100, // + index of the utility in the Utilities menu
};
