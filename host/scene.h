// The host's scene, material and application interfaces as plug-ins use them.
#pragma once

#include "host/class_id.h"
#include "host/cstr.h"
#include "host/geom.h"
#include "host/mesh.h"
#include "host/win32.h"

using TimeValue = int;

class HostNode;
class HostObject;
class TriangleMeshObject;

struct Color {
    float r = 0, g = 0, b = 0;
};

// What HostNode::evaluate gives: the object the node shows at that time.
struct ObjectState {
    HostObject* obj = nullptr;
};

class HostObject {
  public:
    virtual ~HostObject() = default;
    virtual Class_ID classId() = 0;
    virtual int canConvertTo(Class_ID target) = 0;
    // Returns this object when it already is a triangle mesh. Otherwise returns a
    // new object that the caller owns and must release with deleteThis.
    virtual TriangleMeshObject* convertTo(TimeValue t, Class_ID target) = 0;
    virtual void worldBoundingBox(TimeValue t, HostNode* node, void* viewport, Box3& box) = 0;
    virtual void deleteThis() = 0;
};

class TriangleMeshObject : public HostObject {
  public:
    Mesh mesh;
};

class HostTexmap {
  public:
    virtual ~HostTexmap() = default;
    virtual Class_ID classId() = 0;
    virtual const char* bitmapFileName() = 0; // "" for maps that are not bitmaps
};

class HostMaterial {
  public:
    CStr name;

    virtual ~HostMaterial() = default;
    virtual Class_ID classId() = 0;
    virtual Color diffuse(int mtlNum, int backFace) = 0;
    virtual Color specular(int mtlNum, int backFace) = 0;
    virtual float shininess(int mtlNum, int backFace) = 0;
    virtual float shininessStrength(int mtlNum, int backFace) = 0;
    virtual float transparency(int mtlNum, int backFace) = 0;
    virtual int subMaterialCount() = 0;
    virtual HostMaterial* subMaterial(int index) = 0; // null for an empty slot
};

class StandardMaterial : public HostMaterial {
  public:
    virtual int twoSided() = 0;
    virtual void setTwoSided(int on) = 0;
    virtual HostTexmap* map(int slot) = 0; // slot 1 is the diffuse map; null when empty
    virtual float mapAmount(int slot, TimeValue t) = 0;
};

class MultiMaterial : public HostMaterial {};

class HostNode {
  public:
    virtual ~HostNode() = default;
    virtual const char* name() = 0;
    virtual ObjectState evaluate(TimeValue t, int flag) = 0;
    virtual Matrix3 objectTransform(TimeValue t, void* validity) = 0; // object to world
    virtual int childCount() = 0;
    virtual HostNode* child(int index) = 0;
    virtual HostMaterial* material() = 0; // null when the node has none
};

class SceneNodeCallback {
  public:
    virtual ~SceneNodeCallback() = default;
    virtual int visitNode(HostNode* node) = 0; // 0 goes on, anything else stops
};

class HostScene {
  public:
    virtual ~HostScene() = default;
    // Calls visitNode for every node below the root, parents before children.
    virtual int enumerateNodes(SceneNodeCallback* callback) = 0;
};

struct HostExportInterface {
    HostScene* scene = nullptr;
};

class HostUtilityInterface {
  public:
    virtual ~HostUtilityInterface() = default;
    virtual void closeUtility() = 0;
};

class HostInterface {
  public:
    virtual ~HostInterface() = default;
    virtual HWND mainWindow() = 0;
    virtual TimeValue currentTime() = 0;
    virtual int selectedNodeCount() = 0;
    virtual HostNode* selectedNode(int index) = 0;
    virtual HostNode* rootNode() = 0;
    virtual void* viewport(int index) = 0;
    virtual void redrawViews() = 0;
    virtual HWND addPanelPage(HINSTANCE instance, int dialogId, DLGPROC proc, const char* title,
                              LPARAM param, DWORD flags) = 0;
    virtual void deletePanelPage(HWND page) = 0;
    virtual void forwardPanelMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void panelActivated() = 0;
};
