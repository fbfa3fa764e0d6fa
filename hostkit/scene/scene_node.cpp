// SceneNode: object adoption and child lookup.
#include "hostkit/scene/scene_node.h"

#include <cassert>

#include "hostkit/scene/object_ownership.h"
#include "hostkit/scene/scene_activity.h"

// The subtree is torn down from a worklist, one node at a time, so a chain of any
// length never nests destructor calls.
SceneNode::~SceneNode() {
    std::vector<std::unique_ptr<SceneNode>> doomed = std::move(children_);
    while (!doomed.empty()) {
        std::unique_ptr<SceneNode> node = std::move(doomed.back());
        doomed.pop_back();
        for (auto& child : node->children_) doomed.push_back(std::move(child));
        node->children_.clear();
    } // each node is deleted here, already without children
}

ObjectState SceneNode::evaluate(TimeValue, int) {
    hostkit::reportSceneActivity(SceneActivity::NodeEvaluated, object_.get());
    return ObjectState{object_.get()};
}

void SceneNode::setObject(std::unique_ptr<HostObject> object) {
    auto* owned = dynamic_cast<ObjectOwnership*>(object.get());
    assert(!object || owned); // only the kit's objects know the ownership rule
    if (owned) owned->ownedByNode_ = true;
    object_ = std::move(object); // the previous object is deleted here
}

std::unique_ptr<HostObject> SceneNode::releaseObject() {
    if (auto* owned = dynamic_cast<ObjectOwnership*>(object_.get())) owned->ownedByNode_ = false;
    return std::move(object_);
}

SceneNode* SceneNode::childNode(int index) const {
    return index >= 0 && index < int(children_.size()) ? children_[size_t(index)].get() : nullptr;
}

int SceneNode::childIndex(const SceneNode* child) const {
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i].get() == child) return int(i);
    return -1;
}
