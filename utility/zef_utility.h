// The mesh utility: one static object whose page in the host's command panel
// applies the preparation and the two-sidedness switching to the scene.
#pragma once

#include "host/controls.h"
#include "host/plugin.h"
#include "prep/option_set.h"

class ZefUtility : public HostUtilityPlugin {
  public:
    HostUtilityInterface* utilityHost = nullptr; // null while closed
    HostInterface* host = nullptr;               // null while closed
    HWND panel = nullptr;                        // the page; null while closed

    ZefUtility(); // copies the default texts into utilityOptions, once per process

    void openPanel(HostInterface* hostInterface, HostUtilityInterface* utility) override;
    void closePanel(HostInterface* hostInterface, HostUtilityInterface* utility) override;
    void notice(int, void*) override {}
    void discard() override {} // static: never freed

    // Apply: one undo step over the selected nodes or the whole tree.
    void apply();
    void applyToTree(HostNode* node); // the node, then its children, depth first
    void applyToNode(HostNode* node);
};

extern ZefUtility zefUtility;

extern ICustEdit* panelEdits[kTextCount];
extern ISpinnerControl* panelSpinners[kTextCount];

INT_PTR CALLBACK utilityPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
