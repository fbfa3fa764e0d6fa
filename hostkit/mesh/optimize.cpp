// Mesh::Optimize (contract in host/mesh.h): set up (with the faces in vertex order where
// they lie scattered), collapse, compact, set edge visibility.
#include "host/mesh.h"

#include "hostkit/mesh/operation_observer.h"
#include "hostkit/mesh/optimize_finish.h"
#include "hostkit/mesh/optimize_order.h"
#include "hostkit/mesh/optimize_passes.h"
#include "hostkit/mesh/optimize_state.h"
#include "hostkit/mesh/scratch.h"

int Mesh::Optimize(float normalThreshold, float edgeThreshold, float bias, int flags,
                   MeshOpProgress* progress) {
    hostkit::reportMeshOperation(
        "Optimize", this,
        {normalThreshold, edgeThreshold, bias, double(flags), progress ? 1.0 : 0.0});
    using namespace hostkit::opt;
    if (faceCount <= 0 || vertexCount <= 0 || !faces || !vertices) return 0;
    const bool rebuildNormals = hasNormals != 0;
    const hostkit::ScratchReuse reuse; // the set-up, the passes and compaction free in phases
    WorkState ws(*this, makeSettings(normalThreshold, edgeThreshold, bias, flags));
    LargeVector<uint32_t> arranged; // the faces' own order, when worked on in another
    // faces that look scattered are asked before the set-up, so it is done once; the set-up
    // itself catches the ones the look missed
    const bool asked = facesMayLieScattered(*this);
    if (asked && headsScattered(listHeadsOf(*this), faceCount))
        arranged = arrangeFacesByVertex(*this);
    initWorkState(ws);
    if (!asked && ws.scatteredFaces) {
        releaseFaceWork(ws); // (not to hold them while the faces are copied)
        arranged = arrangeFacesByVertex(*this);
        initWorkState(ws);
    }
    if (progress) progress->Init(faceCount);
    runCollapsePasses(ws, progress);
    if (ws.settings.autoEdge) setEdgeVisibility(ws); // from the working state, while it lasts
    if (!arranged.empty()) {
        releaseFaceWork(ws);
        restoreFaceOrder(*this, arranged, ws.faceDead);
    }
    const int removed = compactMesh(ws);
    if (rebuildNormals && removed > 0) buildNormals();
    return removed;
}
