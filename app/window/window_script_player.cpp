// Playing a host-window script: one step per timer tick, each as the person's click
// or menu choice, with the modal dialogs answered by queued scenarios.
#include <iostream>

#include "app/window/main_window.h"
#include "hostkit/ui/hostui.h"
#include "hostkit/ui/window_snap_win32.h"

namespace {

constexpr UINT_PTR kScriptTimer = 0x5A53; // "ZS"
constexpr UINT kStepMilliseconds = 100;

// A menu caption without its & marks and its key name.
std::string plainCaption(const char* text) {
    std::string caption;
    for (const char* p = text; *p && *p != '\t'; ++p)
        if (*p != '&') caption += *p;
    return caption;
}

} // namespace

void HostWindow::play(std::vector<WindowStep> script) {
    script_ = std::move(script);
    nextStep_ = 0;
    person_.leaveToPerson(false); // the script answers dialogs and message boxes
    person_.setOutput(&std::cout);
    SetTimer(window_, kScriptTimer, kStepMilliseconds, nullptr);
}

int HostWindow::menuCommand(const std::string& path) const {
    HMENU menu = GetMenu(window_);
    size_t at = 0;
    while (menu) {
        size_t slash = path.find('/', at);
        std::string part =
            path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        HMENU next = nullptr;
        int command = 0;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = "";
            GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
            if (plainCaption(text) != part) continue;
            next = GetSubMenu(menu, i);
            command = (int)GetMenuItemID(menu, i);
            break;
        }
        if (slash == std::string::npos) return next ? 0 : (command > 0 ? command : 0);
        menu = next;
        at = slash + 1;
    }
    return 0;
}

bool HostWindow::playStep(const WindowStep& step, std::string& error) {
    switch (step.action) {
    case WindowStep::Action::Select:
    case WindowStep::Action::SelectMore: {
        SceneNode* node = session_.scene().findNode(step.argument);
        if (!node) {
            error = "no node '" + step.argument + "' in the tree";
            return false;
        }
        if (tree_->clickNode(node, step.action == WindowStep::Action::SelectMore)) {
            view_->show(&session_.scene());
            updateStatus();
        }
        return true;
    }
    case WindowStep::Action::Menu: {
        int command = menuCommand(step.argument);
        UINT state = command ? GetMenuState(GetMenu(window_), (UINT)command, MF_BYCOMMAND) : 0;
        if (!command || (state & (MF_GRAYED | MF_DISABLED))) {
            error = command ? "menu item '" + step.argument + "' is disabled"
                            : "no menu item '" + step.argument + "'";
            return false;
        }
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return true;
    }
    case WindowStep::Action::Dialog:
        person_.queue(step.steps);
        return true;
    case WindowStep::Action::Page: {
        HWND page = session_.host().panelPage();
        std::unique_ptr<UserSeam> seam = page ? hostkit::ui::seamFor(page) : nullptr;
        if (!seam) {
            error = "no page in the command panel";
            return false;
        }
        SeamResult played = runScenario(step.steps, *seam, &std::cout);
        error = played.error;
        return played.ok();
    }
    case WindowStep::Action::Snap:
        noticeChanges();
        UpdateWindow(window_);
        return snapWindow(window_, step.argument, error);
    case WindowStep::Action::Close:
        PostMessageA(window_, WM_CLOSE, 0, 0);
        return true;
    }
    return true;
}

void HostWindow::onScriptTimer() {
    if (playing_) return; // a step's modal dialog is still open
    if (nextStep_ >= script_.size()) {
        KillTimer(window_, kScriptTimer);
        return;
    }
    playing_ = true;
    const WindowStep& step = script_[nextStep_++];
    std::string error;
    bool ok = playStep(step, error);
    if (ok && person_.errors().size() > errorsSeen_) error = person_.errors().back(), ok = false;
    errorsSeen_ = person_.errors().size();
    for (; messagesShown_ < person_.messages().size(); ++messagesShown_) {
        const ScenarioUser::Message& m = person_.messages()[messagesShown_];
        std::cerr << m.caption << ": " << m.text << "\n";
    }
    playing_ = false;
    if (!ok) {
        std::cerr << "zefhost: window script line " << step.line << ": " << error << "\n";
        exitCode_ = kExitUsage;
        KillTimer(window_, kScriptTimer);
        DestroyWindow(window_);
    }
}
