// The utility object: opening and closing its page, and Apply.
#include <vector>

#include "export/export_driver.h"
#include "prep/converted_mesh.h"
#include "prep/prepare_mesh.h"
#include "prep/restore_records.h"
#include "prep/two_sidedness.h"
#include "resources/resource.h"
#include "resources/resource_strings.h"
#include "utility/zef_utility.h"

ZefUtility::ZefUtility() {
    initialiseUtilityTexts();
}

void ZefUtility::openPanel(HostInterface* hostInterface, HostUtilityInterface* utility) {
    utilityHost = utility;
    host = hostInterface;
    const char* title = loadResourceString(IDS_UTILITY_NAME);
    panel = host->addPanelPage(libraryInstance, IDD_UTILITY_PANEL, utilityPanelProc, title, 0, 0);
}

void ZefUtility::closePanel(HostInterface* hostInterface, HostUtilityInterface*) {
    utilityHost = nullptr;
    host = nullptr;
    hostInterface->deletePanelPage(panel);
    panel = nullptr;
}

// An exception (out of memory) stops the walk: what was changed so far stays one
// undoable step, as the hold offers no cancel, and a message box says so. Every
// mesh changed has its undo record, since a mesh is recorded before it is changed.
void ZefUtility::apply() {
    theHold.Begin();
    bool stopped = false;
    try {
        if (utilityOptions.selectedOnly) {
            for (int i = 0; i < host->selectedNodeCount(); ++i) applyToNode(host->selectedNode(i));
        } else {
            applyToTree(host->rootNode());
        }
    } catch (...) {
        stopped = true;
    }
    host->redrawViews();
    theHold.Accept(IDS_UTILITY_NAME);
    if (stopped) showMessage(IDS_APPLY_STOPPED, IDS_CAPTION, MB_OK);
}

// Parents before children, children in order; the path from top is kept in a
// vector, so a hierarchy of any depth is walked without deep recursion.
void ZefUtility::applyToTree(HostNode* top) {
    struct Step {
        HostNode* node;
        int nextChild;
    };
    applyToNode(top);
    std::vector<Step> path{{top, 0}};
    while (!path.empty()) {
        Step& step = path.back();
        if (step.nextChild >= step.node->childCount()) {
            path.pop_back();
            continue;
        }
        HostNode* child = step.node->child(step.nextChild++);
        applyToNode(child);
        path.push_back({child, 0});
    }
}

// A node whose object is not itself a triangle mesh (a parametric primitive) only
// converts to a temporary mesh that nothing in the scene shows: its material is
// still switched, but the temporary mesh is neither prepared nor recorded, and it
// is released when the node is done.
void ZefUtility::applyToNode(HostNode* node) {
    TimeValue time = host->currentTime();
    HostObject* object = node->evaluate(time, 1).obj;
    if (!object || !object->canConvertTo(triObjectClassID)) return;
    ConvertedMesh converted(object, time);
    TriangleMeshObject* tri = converted.get();
    if (!tri || tri->mesh.faceCount < 1) return;
    switchTwoSidedness(node->material(), utilityOptions);
    if (converted.isTemporary()) return;
    recordMeshChange(tri->mesh);
    prepareMesh(tri->mesh, utilityOptions);
}
