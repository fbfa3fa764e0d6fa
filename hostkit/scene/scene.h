// Scene: the kit's scene. It owns the node tree below a root named "Scene Root",
// the selection (an ordered list of nodes), the current time, and the pools of
// materials and texture maps that nodes share by pointer.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/scene.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/scene_node.h"
#include "hostkit/scene/texmaps.h"

class HOSTKIT_API Scene : public HostScene {
  public:
    Scene();
    ~Scene() override;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Visits every node below the root in depth-first pre-order (parents before
    // children, children in order). Returns 1 when every node was visited, 0 when a
    // callback returned nonzero and stopped the walk.
    int enumerateNodes(SceneNodeCallback* callback) override;

    SceneNode* root() const { return root_.get(); }
    // A new last child of parent (the root when null), with identity transform, no
    // object and no material.
    SceneNode* createNode(std::string name, SceneNode* parent = nullptr);
    // Deletes node (never the root) with its subtree and drops them from the selection.
    void deleteNode(SceneNode* node);
    // The first node in enumeration order with that name; null when there is none.
    SceneNode* findNode(std::string_view name) const;
    // Every node below the root in enumeration order.
    std::vector<SceneNode*> nodes() const;

    // Selection, kept in the order nodes were selected. Selecting a selected node or
    // the root changes nothing; so does deselecting a node that is not selected.
    void select(SceneNode* node);
    void deselect(SceneNode* node);
    void clearSelection() { selection_.clear(); }
    bool isSelected(const SceneNode* node) const;
    int selectedCount() const { return int(selection_.size()); }
    SceneNode* selected(int index) const; // null out of range

    TimeValue time() const { return time_; }
    void setTime(TimeValue t) { time_ = t; }

    // Material pool, in creation order. The scene owns the materials.
    StdMaterial* createStdMaterial(std::string name);
    MultiMtl* createMultiMaterial(std::string name, int slotCount);
    MatteMaterial* createMatteMaterial(std::string name);
    int materialCount() const { return int(materials_.size()); }
    HostMaterial* material(int index) const { return materials_[size_t(index)].get(); }
    int materialIndex(const HostMaterial* material) const;   // -1 when not in the pool
    HostMaterial* findMaterial(std::string_view name) const; // first with that name

    // Texture-map pool, in creation order. The scene owns the maps.
    BitmapTexmap* createBitmapTexmap(std::string name, std::string fileName);
    CheckerTexmap* createCheckerTexmap(std::string name);
    int texmapCount() const { return int(texmaps_.size()); }
    NamedTexmap* texmap(int index) const { return texmaps_[size_t(index)].get(); }
    int texmapIndex(const HostTexmap* map) const; // -1 when not in the pool

  private:
    std::unique_ptr<SceneNode> root_;
    std::vector<SceneNode*> selection_;
    TimeValue time_ = 0;
    std::vector<std::unique_ptr<HostMaterial>> materials_;
    std::vector<std::unique_ptr<NamedTexmap>> texmaps_;
};
