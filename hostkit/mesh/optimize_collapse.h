// One half-edge collapse of Optimize: the centre of a star merges into a neighbour, which
// keeps its position. Deciding whether that is allowed and what it costs, and doing it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

constexpr size_t kKeptDirections = 32;

// Reused buffers of the collapse tests.
struct CollapseScratch {
    LargeVector<uint32_t> newTex;                    // per star face: texture index at the centre
    std::vector<std::pair<double, uint32_t>> ranked; // targets by edge length
    // What the tests without the cones leave for collapseConeCost on a star of up to
    // kKeptDirections faces: per star face its unit normal once moved, the worst quality
    // and the line's deviation (a larger star is evaluated again instead, in O(d) without
    // d more directions in memory).
    std::vector<Vec3d> movedDir;
    uint32_t movedFor = UINT32_MAX; // the target movedDir was filled for, if any
    // The far corners of the faces on the edge to the last target collapseGeometryCost
    // passed, as the topology test finds them.
    uint32_t far[2] = {UINT32_MAX, UINT32_MAX};
    double newQuality = 1;
    double lineDeviation = 0;
    // Set by the caller: a cost above this need not be exact (see bestCollapse); 2 (above
    // any cost) asks for exact costs. bestCollapse sets waitsByBound when it used it.
    double waitAbove = 2;
    bool waitsByBound = false;
};

// Cost of merging star.centre into its neighbour v, from 0 (free) to about 1, or a
// negative value when the geometry forbids it: a face would leave its side's normal cone
// by more than the threshold, flip, lose its area or become a sliver; a line would bend
// more than the threshold; a texture triangle would turn over. Fills scratch.newTex.
// Before the star's side cones are known (star.conesKnown) the tests against them are left
// out: a negative value still forbids the collapse, but a cost is not final; a collapse
// they pass is finished by collapseConeCost once the cones are known (scratch then also
// holds what that needs, among it the moved faces' unit normals, which applyCollapse then
// takes instead of working them out again the same way). On a star whose faces carry a
// cone wider than a quarter of the threshold, the moved normals are then still tested
// against each side's widest face cone (which the side's cone holds): farther than the
// threshold from it forbids the collapse. O(d).
HOSTKIT_API double collapseGeometryCost(const WorkState& ws, const Star& star, uint32_t v,
                                        CollapseScratch& scratch);
// The rest of collapseGeometryCost (v) after it passed without the cones on a star of up to
// kKeptDirections faces: the cone tests and the cost, the same as collapseGeometryCost would
// give with the cones known. O(d).
double collapseConeCost(const WorkState& ws, const Star& star, uint32_t v,
                        const CollapseScratch& scratch);

// For a star gathered but not yet classified (gatherStar): tries its neighbours one by one
// with the tests of collapseGeometryCost that need neither the classification nor the cones
// (a moved face flips, loses its area or falls below the quality floor), noting those they
// refuse in star.refused. True, once every neighbour is refused, when no collapse of the
// centre can be legal; false at the first neighbour they let through. O(d) per neighbour
// tried: for small stars.
HOSTKIT_API bool refusedByShape(const WorkState& ws, Star& star);

// The link condition of the edge centre-v, plus no duplicate face afterwards: true when the
// collapse keeps the surface as manifold as it was. O(min(deg v log d, sum of the degrees
// of the centre's other neighbours)); expects star.ring as the classification left it.
HOSTKIT_API bool collapseKeepsTopology(const WorkState& ws, const Star& star, uint32_t v);

// A legal target of star.centre, trying up to the 16 nearest neighbours (a centre of d faces
// only max(2, 4096 / d)), shortest first, with its cost in cost; kNone when none is legal. Leaves
// scratch ready for applyCollapse to that target. A star whose cones are not known yet
// (analyzeStarShape) settles them when a target first passes the other tests, so a centre
// with no legal target is mostly refused without them (also when the cones would refuse
// it: see collapseGeometryCost). Targets in star.refused are skipped.
// Below scratch.waitAbove the answer is exact. Above it, a small star's first target to pass
// the tests without the cones may come back with a lower bound on its cost, worked out
// without settling the cones (scratch.waitsByBound then set): the centre is to wait for a
// higher limit. Its cost is surely above the limit, but the cones may yet refuse it (a
// farther target would then be tried), so a caller only waits on such an answer.
HOSTKIT_API uint32_t bestCollapse(const WorkState& ws, Star& star, CollapseScratch& scratch,
                                  double& cost);

// Merges star.centre into v: removes the faces on their edge, moves the others to v with
// their texture corners and cones, and updates the vertex lists and line cones. Expects
// collapseGeometryCost (v) to have just passed with this scratch. Returns the number of faces
// removed.
HOSTKIT_API int applyCollapse(WorkState& ws, const Star& star, uint32_t v,
                              const CollapseScratch& scratch);

} // namespace hostkit::opt
