// SceneNode: one node of the kit's scene tree. A node owns its object (at most one)
// and its children; its material is borrowed from the scene's material pool.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/scene.h"

class Scene;

class HOSTKIT_API SceneNode : public HostNode {
  public:
    ~SceneNode() override;
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    const char* name() override { return name_.c_str(); }
    // The node's object, whatever t and flag; the state holds null for a node
    // without an object.
    ObjectState evaluate(TimeValue t, int flag) override;
    Matrix3 objectTransform(TimeValue, void*) override { return transform_; }
    int childCount() override { return int(children_.size()); }
    HostNode* child(int index) override { return childNode(index); }
    HostMaterial* material() override { return material_; }

    const std::string& nodeName() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    // The object-to-world transform, stored whole: it is not composed with the
    // parent's, so moving a parent does not move its children.
    const Matrix3& transform() const { return transform_; }
    void setTransform(const Matrix3& tm) { transform_ = tm; }
    HostMaterial* nodeMaterial() const { return material_; }
    // material must live in the same scene's pool (or be null).
    void setMaterial(HostMaterial* material) { material_ = material; }

    HostObject* object() const { return object_.get(); }
    // Adopts object (one of the kit's classes, or null) and frees the previous one.
    // While adopted, the object's deleteThis does nothing.
    void setObject(std::unique_ptr<HostObject> object);
    // Gives the object back to the caller, who then releases it with deleteThis.
    std::unique_ptr<HostObject> releaseObject();

    SceneNode* parent() const { return parent_; }
    SceneNode* childNode(int index) const;        // null out of range
    int childIndex(const SceneNode* child) const; // -1 when not a child

  private:
    friend class Scene;
    SceneNode(std::string name, SceneNode* parent) : name_(std::move(name)), parent_(parent) {}

    std::string name_;
    Matrix3 transform_;
    HostMaterial* material_ = nullptr;
    std::unique_ptr<HostObject> object_;
    SceneNode* parent_;
    std::vector<std::unique_ptr<SceneNode>> children_;
};
