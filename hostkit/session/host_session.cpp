// The host's application interfaces over one scene.
#include "hostkit/session/host_session.h"
#include "hostkit/ui/hostui.h"

HostSession::HostSession(Scene& scene) : scene_(scene) {
    exportInterface_.scene = &scene_;
}

HostSession::~HostSession() {
    if (utility_) closeUtility();
}

HWND HostSession::mainWindow() {
    return hostkit::ui::mainWindow();
}

void* HostSession::viewport(int) {
    return &viewportToken_;
}

void HostSession::openUtility(HostUtilityPlugin* utility) {
    if (utility_) closeUtility();
    utility_ = utility;
    utility_->openPanel(this, this);
}

void HostSession::closeUtility() {
    if (!utility_) return;
    HostUtilityPlugin* utility = utility_;
    utility_ = nullptr;
    utility->closePanel(this, this);
}

HWND HostSession::addPanelPage(HINSTANCE instance, int dialogId, DLGPROC proc, const char* title,
                               LPARAM param, DWORD) {
    panelTitle_ = title ? title : "";
    panelPage_ = hostkit::ui::createPanelPage(instance, dialogId, proc, param);
    return panelPage_;
}

void HostSession::deletePanelPage(HWND page) {
    if (page) hostkit::ui::destroyPanelPage(page);
    if (page == panelPage_) panelPage_ = nullptr;
}
