// The host's application side: the interfaces a plug-in gets for exports and for
// its utility page, over one scene.
#pragma once

#include <string>

#include "host/plugin.h"
#include "hostkit/scene/scene.h"

class HOSTKIT_API HostSession : public HostInterface, public HostUtilityInterface {
  public:
    explicit HostSession(Scene& scene);
    ~HostSession() override;
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    Scene& scene() { return scene_; }
    HostExportInterface* exportInterface() { return &exportInterface_; }

    // Opens a utility: it adds its page through addPanelPage. Closes one open first.
    void openUtility(HostUtilityPlugin* utility);
    // The open utility's page, or null.
    HWND panelPage() const { return panelPage_; }
    const std::string& panelTitle() const { return panelTitle_; }
    bool utilityOpen() const { return utility_ != nullptr; }
    int redrawCount() const { return redrawCount_; }

    // HostInterface
    HWND mainWindow() override;
    TimeValue currentTime() override { return scene_.time(); }
    int selectedNodeCount() override { return scene_.selectedCount(); }
    HostNode* selectedNode(int index) override { return scene_.selected(index); }
    HostNode* rootNode() override { return scene_.root(); }
    void* viewport(int index) override;
    void redrawViews() override { ++redrawCount_; }
    HWND addPanelPage(HINSTANCE instance, int dialogId, DLGPROC proc, const char* title,
                      LPARAM param, DWORD flags) override;
    void deletePanelPage(HWND page) override;
    void forwardPanelMouse(HWND, UINT, WPARAM, LPARAM) override {}
    void panelActivated() override {}

    // HostUtilityInterface: the utility asks to be closed.
    void closeUtility() override;

  private:
    Scene& scene_;
    HostExportInterface exportInterface_;
    HostUtilityPlugin* utility_ = nullptr;
    HWND panelPage_ = nullptr;
    std::string panelTitle_;
    int redrawCount_ = 0;
    int viewportToken_ = 0;
};
