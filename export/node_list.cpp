// Gathering and walking the export's nodes.
#include "export/node_list.h"
#include "prep/option_set.h"

NodeList::NodeList(HostScene* sceneToList, TimeValue listTime, HostInterface* host)
    : hostInterface(host), scene(sceneToList), time(listTime) {
    if (exportOptions.selectedOnly) {
        for (int i = 0; i < hostInterface->selectedNodeCount(); ++i)
            visitNode(hostInterface->selectedNode(i));
    } else {
        scene->enumerateNodes(this);
    }
}

NodeList::~NodeList() {
    for (NodeEntry* entry = head; entry;) {
        NodeEntry* next = entry->next;
        delete entry;
        entry = next;
    }
    head = tail = nullptr;
    count = 0;
}

int NodeList::visitNode(HostNode* node) {
    HostObject* object = node->evaluate(time, 1).obj;
    if (object && object->canConvertTo(triObjectClassID)) append(node, object);
    return 0;
}

void NodeList::append(HostNode* node, HostObject* object) {
    auto* entry = new NodeEntry{node, object, nullptr};
    if (tail)
        tail->next = entry;
    else
        head = entry;
    tail = entry;
    ++count;
}

Box3 NodeList::boundingBox() {
    Box3 box;
    box.Init();
    void* view = hostInterface->viewport(0);
    for (NodeEntry* entry = head; entry; entry = entry->next) {
        Box3 objectBox;
        entry->object->worldBoundingBox(time, entry->node, view, objectBox);
        box += objectBox;
    }
    return box;
}

NodeEntry* NodeList::entryAt(int n) {
    NodeEntry* entry = head;
    while (n-- > 0) entry = entry->next;
    return entry;
}
