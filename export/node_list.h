// The nodes an export writes, in the order they were found: the selected nodes, or
// every node of the scene, whose objects convert to triangle meshes.
#pragma once

#include "host/scene.h"

struct NodeEntry {
    HostNode* node;
    HostObject* object; // the evaluated object, before any conversion
    NodeEntry* next;
};

class NodeList : public SceneNodeCallback {
  public:
    HostInterface* hostInterface;
    NodeEntry* head = nullptr;
    NodeEntry* tail = nullptr;
    HostScene* scene;
    int32_t count = 0;
    TimeValue time;

    // Gathers the nodes (selection or whole scene, as exportOptions.selectedOnly says).
    NodeList(HostScene* sceneToList, TimeValue listTime, HostInterface* host);
    ~NodeList() override;
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;

    int visitNode(HostNode* node) override; // always 0
    void append(HostNode* node, HostObject* object);
    // Union of the host's world boxes of the listed objects.
    Box3 boundingBox();
    NodeEntry* entryAt(int n); // 0 <= n < count
};
