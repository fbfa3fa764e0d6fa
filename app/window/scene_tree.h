// The host window's node tree: a tree view of the scene whose selection is the
// scene's selection, in the order the person clicked. A click selects one node, a
// Ctrl+click adds or removes one. Selected nodes show in bold. Win32 only.
#pragma once

#include <map>

#include "host/win32.h"
#include "hostkit/scene/scene.h"

class SceneTree {
  public:
    SceneTree(HWND parent, int id);
    HWND window() const { return window_; }

    // Fills the tree with the scene's nodes (the root's children at the top).
    void show(Scene* scene);
    // A click on the tree (from the parent's WM_NOTIFY NM_CLICK): selects the node
    // under the mouse. True when the selection changed.
    bool onClick();
    // Selects node as a click (with Ctrl: addToSelection) would; true when it changed.
    bool clickNode(SceneNode* node, bool addToSelection);
    // Shows the scene's selection in bold.
    void showSelection();

  private:
    HWND window_ = nullptr;
    Scene* scene_ = nullptr;
    std::map<HTREEITEM, SceneNode*> nodes_;
    void addChildren(SceneNode* parent, HTREEITEM parentItem);
};
