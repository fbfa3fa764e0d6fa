// Scene: tree walks, selection and the material and map pools.
#include "hostkit/scene/scene.h"

#include <algorithm>
#include <cassert>
#include <functional>

namespace {
// Pre-order walk below (not including) from; stops when visit returns false. The
// path from the root is kept in a vector, so a tree of any depth can be walked.
bool walkBelow(SceneNode* from, const std::function<bool(SceneNode*)>& visit) {
    struct Step {
        SceneNode* node;
        int nextChild;
    };
    std::vector<Step> path{{from, 0}};
    while (!path.empty()) {
        Step& top = path.back();
        SceneNode* child = top.node->childNode(top.nextChild++);
        if (!child) {
            path.pop_back();
            continue;
        }
        if (!visit(child)) return false;
        path.push_back({child, 0});
    }
    return true;
}

bool isInSubtree(const SceneNode* node, const SceneNode* top) {
    for (; node; node = node->parent())
        if (node == top) return true;
    return false;
}
} // namespace

Scene::Scene() : root_(new SceneNode("Scene Root", nullptr)) {}

Scene::~Scene() {
    selection_.clear();
    root_.reset(); // nodes go before the materials they point to
}

int Scene::enumerateNodes(SceneNodeCallback* callback) {
    return walkBelow(root_.get(), [&](SceneNode* n) { return callback->visitNode(n) == 0; }) ? 1
                                                                                             : 0;
}

SceneNode* Scene::createNode(std::string name, SceneNode* parent) {
    if (!parent) parent = root_.get();
    parent->children_.push_back(std::unique_ptr<SceneNode>(new SceneNode(std::move(name), parent)));
    return parent->children_.back().get();
}

void Scene::deleteNode(SceneNode* node) {
    assert(node && node != root_.get());
    std::erase_if(selection_, [&](SceneNode* s) { return isInSubtree(s, node); });
    auto& siblings = node->parent_->children_;
    std::erase_if(siblings, [&](const std::unique_ptr<SceneNode>& c) { return c.get() == node; });
}

SceneNode* Scene::findNode(std::string_view name) const {
    SceneNode* found = nullptr;
    walkBelow(root_.get(), [&](SceneNode* n) {
        if (n->nodeName() == name) found = n;
        return found == nullptr;
    });
    return found;
}

std::vector<SceneNode*> Scene::nodes() const {
    std::vector<SceneNode*> all;
    walkBelow(root_.get(), [&](SceneNode* n) {
        all.push_back(n);
        return true;
    });
    return all;
}

void Scene::select(SceneNode* node) {
    if (!node || node == root_.get() || isSelected(node)) return;
    selection_.push_back(node);
}

void Scene::deselect(SceneNode* node) {
    std::erase(selection_, node);
}

bool Scene::isSelected(const SceneNode* node) const {
    return std::find(selection_.begin(), selection_.end(), node) != selection_.end();
}

SceneNode* Scene::selected(int index) const {
    return index >= 0 && index < int(selection_.size()) ? selection_[size_t(index)] : nullptr;
}

namespace {
template <typename T, typename Pool> T* addToPool(Pool& pool, std::unique_ptr<T> item) {
    T* raw = item.get();
    pool.push_back(std::move(item));
    return raw;
}
} // namespace

StdMaterial* Scene::createStdMaterial(std::string name) {
    auto m = std::make_unique<StdMaterial>();
    m->name = name.c_str();
    return addToPool(materials_, std::move(m));
}

MultiMtl* Scene::createMultiMaterial(std::string name, int slotCount) {
    auto m = std::make_unique<MultiMtl>();
    m->name = name.c_str();
    m->setSlotCount(slotCount);
    return addToPool(materials_, std::move(m));
}

MatteMaterial* Scene::createMatteMaterial(std::string name) {
    auto m = std::make_unique<MatteMaterial>();
    m->name = name.c_str();
    return addToPool(materials_, std::move(m));
}

int Scene::materialIndex(const HostMaterial* material) const {
    for (size_t i = 0; i < materials_.size(); ++i)
        if (materials_[i].get() == material) return int(i);
    return -1;
}

HostMaterial* Scene::findMaterial(std::string_view name) const {
    for (const auto& m : materials_)
        if (name == m->name.data()) return m.get();
    return nullptr;
}

BitmapTexmap* Scene::createBitmapTexmap(std::string name, std::string fileName) {
    auto map = std::make_unique<BitmapTexmap>();
    map->name = std::move(name);
    map->fileName = std::move(fileName);
    return addToPool(texmaps_, std::move(map));
}

CheckerTexmap* Scene::createCheckerTexmap(std::string name) {
    auto map = std::make_unique<CheckerTexmap>();
    map->name = std::move(name);
    return addToPool(texmaps_, std::move(map));
}

int Scene::texmapIndex(const HostTexmap* map) const {
    for (size_t i = 0; i < texmaps_.size(); ++i)
        if (texmaps_[i].get() == map) return int(i);
    return -1;
}
