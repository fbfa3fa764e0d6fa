// Filling the tree view and turning clicks into the scene's ordered selection.
#include "app/window/scene_tree.h"

#include "host/win32.h"
#include <commctrl.h>

SceneTree::SceneTree(HWND parent, int id) {
    window_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT |
                                  TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                              0, 0, 10, 10, parent, reinterpret_cast<HMENU>((INT_PTR)id),
                              GetModuleHandleA(nullptr), nullptr);
}

void SceneTree::addChildren(SceneNode* parent, HTREEITEM parentItem) {
    for (int i = 0; i < parent->childCount(); ++i) {
        SceneNode* node = parent->childNode(i);
        TVINSERTSTRUCTA insert{};
        insert.hParent = parentItem;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(node->nodeName().c_str());
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageA(window_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        nodes_[item] = node;
        addChildren(node, item);
        SendMessageA(window_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
}

void SceneTree::show(Scene* scene) {
    scene_ = scene;
    nodes_.clear();
    SendMessageA(window_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    if (scene) addChildren(scene->root(), TVI_ROOT);
    showSelection();
}

void SceneTree::showSelection() {
    for (auto [item, node] : nodes_) {
        TVITEMA state{};
        state.mask = TVIF_STATE;
        state.hItem = item;
        state.stateMask = TVIS_BOLD;
        state.state = scene_ && scene_->isSelected(node) ? TVIS_BOLD : 0;
        SendMessageA(window_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&state));
    }
}

bool SceneTree::clickNode(SceneNode* node, bool addToSelection) {
    if (!scene_ || !node) return false;
    if (addToSelection) {
        if (scene_->isSelected(node))
            scene_->deselect(node);
        else
            scene_->select(node);
    } else {
        if (scene_->selectedCount() == 1 && scene_->selected(0) == node) return false;
        scene_->clearSelection();
        scene_->select(node);
    }
    showSelection();
    return true;
}

bool SceneTree::onClick() {
    TVHITTESTINFO hit{};
    DWORD at = GetMessagePos();
    hit.pt = {(short)LOWORD(at), (short)HIWORD(at)};
    ScreenToClient(window_, &hit.pt);
    SendMessageA(window_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!(hit.flags & TVHT_ONITEM)) return false;
    auto found = nodes_.find(hit.hItem);
    if (found == nodes_.end()) return false;
    return clickNode(found->second, GetKeyState(VK_CONTROL) < 0);
}
