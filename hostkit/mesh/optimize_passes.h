// Scheduling of Optimize's collapses: passes under a rising cost limit, so the cheapest
// collapses happen first, repeated until a pass at the full limit changes nothing.
#pragma once

#include "host/mesh.h"
#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

// Runs the passes over an initialised state. A pass visits the queued vertices in index
// order and collapses each into its best legal neighbour when the cost is within the
// pass's limit; a vertex is queued again when its star changes or its collapse waits for
// a higher limit. At the full limit, a vertex whose star changes ahead of the sweep is
// also looked at later in the same pass (PassVisits). A crowded vertex (512 faces or more)
// waits unqueued, from the start and after each look once its star changes, until the
// changes reach an eighth of its faces or nothing else is queued, so its O(d) looks cost
// O(1) a change (4 bytes per vertex once one waits). While most looks of a dense pass
// find the star locked by its creases, that is told first without gathering the star
// (locksByItsEdges); while most looks end refused by the quality floor, a star of up to 24
// faces is screened first (refusedByShape) and classified only when the screen lets a
// neighbour through. progress (may be null) hears
// the faces removed so far; false stops at once, leaving a valid state. Returns the
// number of faces removed.
// A vertex whose collapse waited is looked at again in full only when its star changed, or
// its chosen target's faces changed and the target's topology test now refuses, or the
// limit reaches the cost it found; remember = false looks at it every pass instead, to the
// same result (for checking that). Once deferrals are common (one vertex in 64 of a pass,
// and more than the pass's collapses so far) this takes 4 bytes per vertex and 16 per
// waiting one (reserved, untouched until used, for up to one per vertex of the pass below
// 1 MB); it stops remembering once fewer than one in 8 of the deferrals met again spare a
// look.
HOSTKIT_API int runCollapsePasses(WorkState& ws, MeshOpProgress* progress, bool remember = true);

// Appends the vertices whose flags say queued (kDirty) and not merged away (kDead), in
// ascending order. O(number of vertices), eight flags a step where the platform allows.
HOSTKIT_API void appendQueuedVertices(const LargeVector<uint8_t>& vertexFlags,
                                      LargeVector<uint32_t>& out);

} // namespace hostkit::opt
