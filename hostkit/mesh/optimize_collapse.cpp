// Legality, cost and application of one half-edge collapse.
#include "hostkit/mesh/optimize_collapse.h"

#include <algorithm>
#include <numbers>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::opt {

namespace {

double uvArea(const UVVert& a, const UVVert& b, const UVVert& c) {
    return double(b.x - a.x) * double(c.y - a.y) - double(b.y - a.y) * double(c.x - a.x);
}

// Directions the line through a Line vertex stands for, oriented from lineEnds[0] to [1]
// (worked out once per star: both targets and the collapse need it).
const DirectionCone& effectiveLineCone(const WorkState& ws, const Star& star) {
    if (!star.lineKnown) {
        star.line = lineConeThrough(ws, star.centre, star.lineEnds[0], star.lineEnds[1]);
        // either target moves the centre onto the chord between the ends
        const Vec3d along = ws.position(star.lineEnds[1]) - ws.position(star.lineEnds[0]);
        if (ws.settings.bias == 1) {
            // the cost leaves the deviation out: only whether it passes the threshold counts
            const bool beyond = reachExceeds(star.line, unit(along), ws.settings.normalThreshold);
            star.lineDeviation = beyond ? std::numbers::pi : 0;
        } else {
            star.lineDeviation = coneReach(star.line, unit(along));
        }
        star.lineKnown = true;
    }
    return star.line;
}

// A centre tries at most this many of its nearest neighbours as targets, and a crowded
// one fewer: each try costs O(d), so the tries of one look cost O(kTryFaces + d).
constexpr size_t kMostTargets = 16;
constexpr size_t kLeastTargets = 2;
constexpr size_t kTryFaces = 4096;

size_t mostTargets(size_t faces) {
    return std::clamp(kTryFaces / std::max<size_t>(faces, 1), kLeastTargets, kMostTargets);
}

// The quality below which a collapse's triangle is refused, given the star's worst: a
// sliver, or at full bias worse than the star's worst. It never falls as worst grows.
double qualityFloor(const WorkState& ws, double worst) {
    return std::min(worst, std::max(kSliverQuality, ws.settings.bias * worst));
}

// Whether quality is below the floor of the star's worst triangle, given that it is below
// the floor of the worst so far. Each of the star's triangles is measured once per star,
// when first needed: all at once for the screen, whose qualities are mostly refused (then
// they all count), in face order only as far as needed for the collapse tests, whose
// qualities mostly pass: a quality at or above the floor of the worst so far is at or
// above the final floor too, so a passing quality mostly needs only a few.
bool measuredBelowFloor(const WorkState& ws, const Star& star, double quality, bool all) {
    const Vec3d pu = ws.position(star.centre);
    auto qualityOf = [&](const StarFace& sf) {
        return triangleQuality(pu, ws.position(sf.next), ws.position(sf.prev));
    };
    const size_t d = star.faces.size();
    size_t k = star.measuredFaces;
    double worst = star.worstQuality;
    bool below = true;
    if (all) {
        for (; k < d; ++k) worst = std::min(worst, qualityOf(star.faces[k]));
        star.floorSoFar = qualityFloor(ws, worst);
        below = quality < star.floorSoFar;
    } else {
        double floor = star.floorSoFar;
        while (k < d) {
            worst = std::min(worst, qualityOf(star.faces[k++]));
            floor = qualityFloor(ws, worst);
            if (!(quality < floor)) {
                below = false;
                break;
            }
        }
        star.floorSoFar = floor;
    }
    star.measuredFaces = k;
    star.worstQuality = worst;
    return below;
}

bool onEdge(const StarFace& sf, uint32_t v) {
    return sf.next == v || sf.prev == v;
}

// The corner of star face sf, on the edge from the centre to v, that is neither.
uint32_t farCorner(const StarFace& sf, uint32_t v) {
    return sf.next == v ? sf.prev : sf.next;
}

// The topology test filters v's neighbours by a 64-bit mask of the centre's ring up to this
// size (beyond it the mask would mostly be full).
constexpr size_t kFilteredRing = 24;

// A star face's normal (not unit) once the centre has moved to pv.
inline Vec3d movedNormal(const WorkState& ws, const StarFace& sf, const Vec3d& pv) {
    return cross(ws.position(sf.next) - pv, ws.position(sf.prev) - pv);
}
// The same as a unit vector, computed exactly as the collapse tests compute it.
inline Vec3d unitMovedNormal(const WorkState& ws, const StarFace& sf, const Vec3d& pv) {
    const Vec3d n = movedNormal(ws, sf, pv);
    return n * (1 / length(n));
}

// Whether moving the centre to pv flips star face sf, takes its area or leaves a triangle
// below the star's quality floor: the tests of a target that need neither the star's
// classification nor its cones. n and len are the moved face's normal (not unit) and its
// length, quality the moved triangle's. screen: for refusedByShape (see measuredBelowFloor).
inline bool shapeRefuses(const WorkState& ws, const Star& star, const StarFace& sf, const Vec3d& pv,
                         Vec3d& n, double& len, double& quality, bool screen = false) {
    n = movedNormal(ws, sf, pv);
    if (dot(n, ws.normal(sf.face)) <= 0) return true; // flipped or zero area
    len = length(n);
    quality = triangleQuality(pv, ws.position(sf.next), ws.position(sf.prev), len);
    // no new sliver, and at full bias no worse worst triangle (the star's triangles are only
    // measured when a result is below both bounds' ceiling, and then each once per star)
    // (once every triangle is measured, the floor so far is final)
    return quality < std::max(kSliverQuality, ws.settings.bias) && quality < star.floorSoFar &&
           (star.measuredFaces == star.faces.size() ||
            measuredBelowFloor(ws, star, quality, screen));
}

// A side whose widest face cone spreads at least this share of the threshold has its moved
// normals compared with that cone before the side's cone is worked out.
constexpr double kWideShare = 0.25;
// How far beyond the threshold a moved normal must be from a face's cone to be surely
// outside the side's cone (which holds the face's cone up to float rounding, far less).
constexpr double kConeMargin = 1e-6;

// The cost of a collapse whose normals stray deviation from the cones they stand for and
// whose worst moved triangle has quality newQuality: from 0 (free) to 1.
[[gnu::always_inline]] inline double costOf(const WorkState& ws, double deviation,
                                            double newQuality) {
    const double threshold = ws.settings.normalThreshold;
    const double bias = ws.settings.bias;
    const double normalized = threshold > 0 ? std::min(1.0, deviation / threshold) : 0;
    return (1 - bias) * normalized + bias * (1 - newQuality);
}

// Per side of the star (at most two), the widest cone its faces carry; a side whose faces
// are all as they came gets its first face's own normal (spread 0), one with no faces the
// empty cone. Each side's cone (settleStarCones) holds it.
void widestFaceCones(const WorkState& ws, const Star& star, DirectionCone widest[2]) {
    widest[0] = widest[1] = DirectionCone();
    for (const StarFace& sf : star.faces) {
        const FaceWork& work = ws.faceWork[sf.face];
        if (work.cone.spread > widest[sf.group].spread) {
            widest[sf.group] = work.cone;
        } else if (work.cone.spread == kOwnNormal && widest[sf.group].empty()) {
            widest[sf.group] = {work.normal, 0};
        }
    }
}

// Per side of the star, the widest cone its faces carry, when it is wide: its unit axis and
// the least cosine to it a normal inside the side's cone by the threshold can have.
void findWidestCones(const WorkState& ws, const Star& star) {
    star.widestKnown = true;
    const double limit = ws.settings.normalThreshold;
    DirectionCone widest[2];
    widestFaceCones(ws, star, widest);
    for (uint32_t g = 0; g < 2; ++g) {
        star.widestMinCos[g] = -2;
        const double spread = widest[g].spread;
        if (!(spread > 0) || spread < kWideShare * limit) continue;
        star.widestAxis[g] = unit(Vec3d(widest[g].axis));
        star.widestMinCos[g] = spread > limit ? 2 // the side's cone is too wide: nothing passes
                                              : std::cos(limit - spread + kConeMargin);
    }
}

// Whether the star's moved normals are compared with its sides' widest face cones before
// the side cones are worked out: a side's cone holds each of its faces' cones, so a moved
// normal farther than the threshold from one of them is farther than that from the side's
// cone. Only each side's widest face cone is compared, and only when one is wide (where the
// cones refuse most), so the threshold refusals of worn stars skip the settling of the cones
// (a union per face) and most of the other tests. Works the widest cones out when first
// needed, in O(d).
bool comparesWidestCones(const WorkState& ws, const Star& star) {
    if (!(star.widestSpread >= kWideShare * ws.settings.normalThreshold) ||
        !(star.widestSpread > 0))
        return false;
    if (!star.widestKnown) findWidestCones(ws, star);
    return true;
}

// A crowded star's faces mostly come in ring order (faces around a vertex tend to be
// numbered along it), and a target's refusal then mostly lies next to the faces on its edge:
// the faces right after a removed one are the ones pulled flat or over.
constexpr size_t kCrowdedFaces = 24; // stars beyond this look there first
constexpr size_t kNearFaces = 2;     // places either side of the first face on the edge

// Whether a star face within kNearFaces places of star face e (in star order, wrapping) that
// is not on the edge to v refuses the move of the centre to pv by shapeRefuses; flips and
// lost areas first, which need no quality floor. Any face it refuses refuses the whole
// collapse, so this only finds a refusal sooner. O(1), plus the measuring of the star's
// triangles the quality floor needs (see measuredBelowFloor).
bool nearEdgeRefuses(const WorkState& ws, const Star& star, uint32_t v, const Vec3d& pv, size_t e) {
    const size_t d = star.faces.size(); // beyond kCrowdedFaces, so the places are distinct
    auto near = [&](size_t k) -> const StarFace& { // e + 1, e - 1, e + 2, e - 2, ...
        const size_t step = k / 2 + 1;
        return star.faces[k % 2 == 0 ? (e + step) % d : (e + d - step) % d];
    };
    for (size_t k = 0; k < 2 * kNearFaces; ++k) {
        const StarFace& sf = near(k);
        if (!onEdge(sf, v) && dot(movedNormal(ws, sf, pv), ws.normal(sf.face)) <= 0) return true;
    }
    Vec3d n;
    double len = 0, quality = 0;
    for (size_t k = 0; k < 2 * kNearFaces; ++k) {
        const StarFace& sf = near(k);
        if (!onEdge(sf, v) && shapeRefuses(ws, star, sf, pv, n, len, quality)) return true;
    }
    return false;
}

// The texture corners of merging star.centre into v: every face that stays takes, at the
// centre's corner, the texture vertex v has on the same side of the seams (which are line
// edges, so sides are groups), read from the faces on the edge (edgeAt, removed of them).
// False when that is ambiguous or missing, or a texture triangle would turn over; else
// fills scratch.newTex for the faces that stay. O(d).
bool texturesFollow(const WorkState& ws, const Star& star, uint32_t v, const size_t* edgeAt,
                    size_t removed, CollapseScratch& scratch) {
    const Mesh& m = ws.mesh;
    const UVVert* uv = m.texVerts;
    struct EdgeFace {
        uint32_t group;
        uint32_t texU;
        uint32_t texV;
    };
    EdgeFace edgeFaces[2];
    for (size_t e = 0; e < removed; ++e) {
        const StarFace& sf = star.faces[edgeAt[e]];
        EdgeFace& r = edgeFaces[e];
        r.group = sf.group;
        const uint32_t* t = m.texFaces[sf.face].t;
        r.texU = t[sf.corner];
        r.texV = t[sf.next == v ? nextPlace(sf.corner) : prevPlace(sf.corner)];
    }
    // a face both edge faces speak for is ambiguous unless they give v the same coordinates
    const bool agree = removed < 2 || sameUV(uv[edgeFaces[1].texV], uv[edgeFaces[0].texV]);
    const size_t d = star.faces.size();
    scratch.newTex.resize(d); // set for every face that stays
    // whether star face sf's texture triangle keeps its side (or had no area) once the
    // centre's corner, at coordinates uvU, takes coordinates uvV
    auto keepsItsSide = [&](const StarFace& sf, const UVVert& uvU, const UVVert& uvV) {
        const uint32_t* t = m.texFaces[sf.face].t;
        const UVVert uvA = uv[t[nextPlace(sf.corner)]];
        const UVVert uvB = uv[t[prevPlace(sf.corner)]];
        const double before = uvArea(uvU, uvA, uvB);
        return !(before != 0 && uvArea(uvV, uvA, uvB) * before <= 0); // (NaN keeps it)
    };
    // The usual star: one side, and one texture vertex at the centre in every face. Every
    // edge face then speaks for every face that stays, and the last one's texture vertex
    // at v is the one all of them take (as the general loop below finds, face by face)
    if (star.sides == 1) {
        uint32_t others = 0; // bits of the centre's texture vertex in any face that differs
        for (const StarFace& sf : star.faces)
            others |= m.texFaces[sf.face].t[sf.corner] ^ edgeFaces[0].texU;
        if (others == 0) {
            if (!agree) return false;
            const uint32_t tex = edgeFaces[removed - 1].texV;
            const UVVert uvU = uv[edgeFaces[0].texU], uvV = uv[tex];
            for (size_t i = 0; i < d; ++i) {
                const StarFace& sf = star.faces[i];
                if (onEdge(sf, v)) continue;
                if (!keepsItsSide(sf, uvU, uvV)) return false;
                scratch.newTex[i] = tex;
            }
            return true;
        }
    }
    for (size_t i = 0; i < d; ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) continue;
        const uint32_t texU = m.texFaces[sf.face].t[sf.corner];
        const UVVert uvU = uv[texU];
        uint32_t tex = kNone;
        for (size_t e = 0; e < removed; ++e) {
            const EdgeFace& r = edgeFaces[e];
            if (r.group != sf.group || (r.texU != texU && !sameUV(uv[r.texU], uvU))) continue;
            if (tex != kNone && !agree) return false;
            tex = r.texV;
        }
        if (tex == kNone || !keepsItsSide(sf, uvU, uv[tex])) return false;
        scratch.newTex[i] = tex;
    }
    return true;
}

// Rounding in a cost's chord from a cone's float axis, which is unit only to float
// precision (the square of the chord is then off by up to about 4e-7), with room to spare.
constexpr double kChordRounding = 2e-3;

// A lower bound on the cost collapseConeCost would give target v once the cones are settled,
// from each side's widest face cone instead of the side's cone: the side's cone holds that
// cone, so its spread plus its axis's chord to any direction is at least the face cone's
// (the chord grows by no more than the angle between the axes, which the containment bounds
// by the difference of the spreads). Needs the moved directions collapseGeometryCost kept
// for v. O(d).
double costBoundWithoutCones(const WorkState& ws, const Star& star, uint32_t v,
                             const CollapseScratch& scratch) {
    DirectionCone widest[2];
    widestFaceCones(ws, star, widest);
    double reach = 0;
    for (size_t i = 0; i < star.faces.size(); ++i) {
        const StarFace& sf = star.faces[i];
        const DirectionCone& cone = widest[sf.group];
        if (onEdge(sf, v) || cone.empty()) continue;
        const double chordSquared = 2.0 - 2.0 * dot(Vec3d(cone.axis), scratch.movedDir[i]);
        reach = std::max(reach, cone.spread + std::sqrt(std::max(0.0, chordSquared)));
    }
    return costOf(ws, std::max(scratch.lineDeviation, reach - kChordRounding), scratch.newQuality);
}

} // namespace

bool refusedByShape(const WorkState& ws, Star& star) {
    star.refused.clear();
    auto refuses = [&](uint32_t v) {
        const Vec3d pv = ws.position(v);
        Vec3d n;
        double len = 0, quality = 0;
        for (const StarFace& sf : star.faces)
            if (!onEdge(sf, v) && shapeRefuses(ws, star, sf, pv, n, len, quality, true))
                return true;
        return false;
    };
    // every neighbour is the next or the previous corner of some face
    for (const bool previous : {false, true})
        for (const StarFace& sf : star.faces) {
            const uint32_t v = previous ? sf.prev : sf.next;
            if (star.wasRefused(v)) continue;
            if (!refuses(v)) return false;
            star.refused.push_back(v);
        }
    return true;
}

double collapseGeometryCost(const WorkState& ws, const Star& star, uint32_t v,
                            CollapseScratch& scratch) {
    const Mesh& m = ws.mesh;
    const double threshold = ws.settings.normalThreshold;
    const Vec3d pv = ws.position(v);
    const bool textured = m.texFaces != nullptr;
    const bool keepDirections = !star.conesKnown && star.faces.size() <= kKeptDirections;
    if (keepDirections) scratch.movedDir.resize(star.faces.size());
    const bool widest = !star.conesKnown && comparesWidestCones(ws, star);
    scratch.movedFor = keepDirections ? v : kNone;

    double deviation = 0;
    if (star.cls == VertexClass::Line) {
        if (v != star.lineEnds[0] && v != star.lineEnds[1]) return -1;
        if (!star.lineKnown && lineBendsTooFar(ws, star.centre, star.lineEnds[0], star.lineEnds[1]))
            return -1;
        effectiveLineCone(ws, star);
        deviation = star.lineDeviation;
        if (deviation > threshold) return -1;
    }

    // the faces on the edge go. A crowded star finds them first, so that the faces beside
    // them, where refusals mostly lie, are tried first (nearEdgeRefuses); a small star finds
    // them on the way through its faces
    const size_t d = star.faces.size();
    const bool crowded = d > kCrowdedFaces;
    size_t edgeAt[2];
    size_t removed = 0;
    if (crowded) {
        for (size_t i = 0; i < d; ++i) {
            if (!onEdge(star.faces[i], v)) continue;
            if (removed == 2) return -1; // not a manifold edge: the star is locked anyway
            if (removed == 0 && nearEdgeRefuses(ws, star, v, pv, i)) return -1;
            edgeAt[removed++] = i;
        }
    }

    // each side's reach grows with the chord to its axis: one square root per side. Every
    // test refuses on its own, so a face's tests run together (one moved normal per face)
    double largestChord[2] = {-1, -1}; // -1: no face stays on that side (there are at most two)
    double newQuality = 1;
    for (size_t i = 0; i < d; ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) {
            if (crowded) continue;
            if (removed == 2) return -1;
            edgeAt[removed++] = i;
            continue;
        }
        Vec3d n;
        double len = 0, quality = 0;
        if (shapeRefuses(ws, star, sf, pv, n, len, quality)) return -1;
        const Vec3d dir = n * (1 / len);
        if (star.conesKnown) {
            const ConeTest& test = star.groupTest[sf.group];
            if (!test.passes(dir)) return -1;
            double& chord = largestChord[sf.group];
            chord = std::max(chord, test.chordSquared(dir));
        } else {
            if (keepDirections) scratch.movedDir[i] = dir;
            if (widest && dot(star.widestAxis[sf.group], dir) < star.widestMinCos[sf.group])
                return -1; // beyond the threshold from the widest cone its side's cone holds
        }
        newQuality = std::min(newQuality, quality);
    }
    // a collapse must move a face: dropping a lone ear would erase area, however wide the
    // threshold
    if (removed == 0 || removed == d) return -1;
    if (textured && !texturesFollow(ws, star, v, edgeAt, removed, scratch)) return -1;

    // the far corners of the faces on the edge, which the topology test right after takes
    scratch.far[1] = kNone;
    for (size_t e = 0; e < removed; ++e) scratch.far[e] = farCorner(star.faces[edgeAt[e]], v);
    if (keepDirections) {
        scratch.newQuality = newQuality;
        scratch.lineDeviation = deviation;
    }
    for (size_t g = 0; g < star.groupTest.size(); ++g)
        if (largestChord[g] >= 0)
            deviation = std::max(deviation, star.groupTest[g].reachOfChord(largestChord[g]));
    return costOf(ws, deviation, newQuality);
}

double collapseConeCost(const WorkState& ws, const Star& star, uint32_t v,
                        const CollapseScratch& scratch) {
    double largestChord[2] = {-1, -1}; // as in collapseGeometryCost
    const size_t d = star.faces.size();
    for (size_t i = 0; i < d; ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) continue;
        const ConeTest& test = star.groupTest[sf.group];
        if (!test.passes(scratch.movedDir[i])) return -1;
        double& chord = largestChord[sf.group];
        chord = std::max(chord, test.chordSquared(scratch.movedDir[i]));
    }
    double deviation = scratch.lineDeviation;
    for (size_t g = 0; g < star.groupTest.size(); ++g)
        if (largestChord[g] >= 0)
            deviation = std::max(deviation, star.groupTest[g].reachOfChord(largestChord[g]));
    return costOf(ws, deviation, scratch.newQuality);
}

namespace {

// The far corners of the faces on the edge from the centre to v, in star order (kNone for
// none); false when more than two faces share the edge.
bool farCorners(const Star& star, uint32_t v, uint32_t far[2]) {
    far[0] = far[1] = kNone;
    size_t edgeFaces = 0;
    for (const StarFace& sf : star.faces) {
        if (!onEdge(sf, v)) continue;
        if (edgeFaces == 2) return false; // not a manifold edge
        far[edgeFaces++] = farCorner(sf, v);
    }
    return true;
}

// collapseKeepsTopology given the far corners of the faces on the edge (farCorners).
bool keepsTopology(const WorkState& ws, const Star& star, uint32_t v, const uint32_t far[2]) {
    const Mesh& m = ws.mesh;
    // link condition: the common neighbours are exactly the far corners of the edge's faces.
    // Those faces are live at v, so their far corners are v's neighbours already: they must
    // differ, and no other neighbour of the centre may be one of v's
    if (far[0] == far[1]) return false;
    auto isFar = [&](uint32_t w) { return w == far[0] || w == far[1]; };
    // walk whichever side is cheaper: v's faces, looking up the centre's ring, or the
    // faces of the centre's other neighbours, looking for v (a crowded v costs only when
    // the centre's other neighbours are crowded too)
    // (summed only until it reaches v's degree, which settles the choice)
    size_t ringCost = 0;
    const size_t vCost = ws.degree[v];
    for (uint32_t w : star.ring) {
        if (ringCost >= vCost) break;
        if (!isFar(w) && w != v) ringCost += ws.degree[w];
    }
    bool shared = false;
    auto inRing = [&](uint32_t w) {
        if (w == star.centre || isFar(w)) return false;
        if (star.ringSorted()) return std::binary_search(star.ring.begin(), star.ring.end(), w);
        return holdsAnywhere(star.ring, w); // a short ring
    };
    if (vCost <= ringCost) {
        // v's neighbours are mostly not the centre's: a bit per vertex number modulo 64 set for
        // the centre's other neighbours lets most through on one well-predicted branch, where
        // the tests above would mispredict on an irregular surface
        uint64_t others = 0;
        if (star.ring.size() <= kFilteredRing)
            for (uint32_t w : star.ring) others |= uint64_t(!isFar(w)) << (w % 64);
        else
            others = ~uint64_t(0);
        forLiveCorners(ws, v, [&](uint32_t c) {
            const auto [a, b] = cornerEnds(m, c);
            // either may be in the ring: one test of both filter bits, without a branch
            if (((others >> (a % 64)) | (others >> (b % 64))) & 1) shared |= inRing(a) || inRing(b);
        });
    } else {
        for (uint32_t w : star.ring) {
            if (isFar(w) || w == v || shared) continue;
            forLiveCorners(ws, w, [&](uint32_t c) {
                const auto [a, b] = cornerEnds(m, c);
                shared |= a == v || b == v;
            });
        }
    }
    if (shared) return false;

    // a moved face must not land on a face v already has (a tetrahedron's last edge); both
    // its other corners would then be common neighbours, so far corners. Such a face is
    // rare: one scan without a branch per face finds whether there is one (a face with both
    // corners far is not on the edge, as far corners are not v)
    bool farFace = false;
    for (const StarFace& sf : star.faces)
        farFace |= ((sf.next == far[0]) | (sf.next == far[1])) &
                   ((sf.prev == far[0]) | (sf.prev == far[1]));
    if (!farFace) return true;
    for (const StarFace& sf : star.faces) {
        if (onEdge(sf, v) || !isFar(sf.next) || !isFar(sf.prev)) continue;
        const uint32_t walked = ws.degree[v] <= ws.degree[sf.next] ? v : sf.next;
        const uint32_t other = walked == v ? sf.next : v;
        forLiveCorners(ws, walked, [&](uint32_t c) {
            const auto [a, b] = cornerEnds(m, c);
            shared |= (a == other && b == sf.prev) || (a == sf.prev && b == other);
        });
        if (shared) return false;
    }
    return true;
}

} // namespace

bool collapseKeepsTopology(const WorkState& ws, const Star& star, uint32_t v) {
    uint32_t far[2];
    return farCorners(star, v, far) && keepsTopology(ws, star, v, far);
}

uint32_t bestCollapse(const WorkState& ws, Star& star, CollapseScratch& scratch, double& cost) {
    // try the targets from the shortest edge up and take the first legal one: short
    // edges keep triangles well shaped, and most first tries pass
    // the nearest `most` in a bounded max-heap, so a crowded ring needs no d-sized list
    // (a ring that fits has its nearest picked out, and the rest sorted only when needed)
    scratch.ranked.clear();
    scratch.waitsByBound = false;
    const size_t most = mostTargets(star.faces.size());
    const bool fits = star.cls != VertexClass::Interior || star.ring.size() <= most;
    const Vec3d pu = ws.position(star.centre);
    bool ordered = true; // no NaN length (see below)
    // a crowded ring's neighbours into the bounded heap, one by one (this loop runs d times
    // a look: it stays as lean as it can), a ring that fits into the list
    auto entryOf = [&](uint32_t v) { // squared edge length and target
        const Vec3d d = ws.position(v) - pu;
        return std::pair<double, uint32_t>{dot(d, d), v};
    };
    auto consider = [&](uint32_t v) {
        const std::pair<double, uint32_t> entry = entryOf(v);
        if (scratch.ranked.size() == most) {
            if (!(entry < scratch.ranked.front())) return;
            std::pop_heap(scratch.ranked.begin(), scratch.ranked.end());
            scratch.ranked.back() = entry;
        } else {
            scratch.ranked.push_back(entry);
        }
        std::push_heap(scratch.ranked.begin(), scratch.ranked.end());
    };
    auto add = [&](uint32_t v) {
        const std::pair<double, uint32_t> entry = entryOf(v);
        ordered &= entry.first == entry.first;
        scratch.ranked.push_back(entry);
    };
    if (star.cls == VertexClass::Interior) {
        if (fits)
            for (uint32_t v : star.ring) add(v);
        else
            for (uint32_t v : star.ring) consider(v);
    } else if (star.cls == VertexClass::Line) {
        for (uint32_t v : star.lineEnds) add(v);
    }
    // the target's tests: 1 when it is legal (cost set), 0 when refused, -1 when no
    // target can be (the cones lock the centre)
    auto tryTarget = [&](uint32_t v) -> int {
        if (star.wasRefused(v)) return 0; // refusedByShape refused it already
        if (!star.conesKnown) {
            // the tests without the cones first: a target they refuse is refused anyway
            if (collapseGeometryCost(ws, star, v, scratch) < 0 ||
                !keepsTopology(ws, star, v, scratch.far))
                return 0;
            const bool finish = star.faces.size() <= kKeptDirections;
            if (finish && scratch.waitAbove < 1) {
                const double bound = costBoundWithoutCones(ws, star, v, scratch);
                if (bound > scratch.waitAbove) {
                    scratch.waitsByBound = true;
                    cost = bound;
                    return 1;
                }
            }
            settleStarCones(ws, star);
            if (star.cls == VertexClass::Locked) return -1;
            const double c = finish ? collapseConeCost(ws, star, v, scratch)
                                    : collapseGeometryCost(ws, star, v, scratch);
            if (c < 0) return 0;
            cost = c;
            return 1;
        }
        const double c = collapseGeometryCost(ws, star, v, scratch);
        if (c < 0 || !keepsTopology(ws, star, v, scratch.far)) return 0;
        cost = c;
        return 1; // scratch.newTex still holds this target's texture corners
    };
    std::vector<std::pair<double, uint32_t>>& ranked = scratch.ranked;
    // a ring of up to kUnsortedRing comes unsorted (and fits). Where a length is NaN, the
    // order the sort below leaves depends on the one it starts from: ascending by vertex, as
    // from a sorted ring
    static_assert(kUnsortedRing <= kMostTargets);
    if (!ordered && !star.ringSorted())
        std::sort(ranked.begin(), ranked.end(),
                  [](const auto& a, const auto& b) { return a.second < b.second; });
    // most first tries pass: a ring that fits has its nearest neighbour picked out first and
    // the rest sorted only when that one is refused (the same order as sorting them all: the
    // entries are distinct, and ordered unless a length is NaN, when they are sorted as they
    // come)
    size_t sorted = 0;
    if (fits && ordered && !ranked.empty()) {
        size_t nearest = 0;
        for (size_t j = 1; j < ranked.size(); ++j)
            nearest = ranked[j] < ranked[nearest] ? j : nearest;
        std::swap(ranked[0], ranked[nearest]);
        const int tried = tryTarget(ranked[0].second);
        if (tried > 0) return ranked[0].second;
        if (tried < 0) return kNone;
        sorted = 1;
    }
    // a crowded centre tries only its nearest neighbours, so a refused one costs O(d)
    if (fits)
        std::sort(ranked.begin() + sorted, ranked.end());
    else
        std::sort_heap(ranked.begin(), ranked.end());
    for (size_t k = sorted; k < ranked.size(); ++k) {
        const int tried = tryTarget(ranked[k].second);
        if (tried > 0) return ranked[k].second;
        if (tried < 0) return kNone;
    }
    return kNone;
}

int applyCollapse(WorkState& ws, const Star& star, uint32_t v, const CollapseScratch& scratch) {
    Mesh& m = ws.mesh;
    const uint32_t u = star.centre;
    const Vec3d pv = ws.position(v);
    if (star.cls == VertexClass::Line) {
        const DirectionCone& line = effectiveLineCone(ws, star);
        for (uint32_t end : star.lineEnds)
            ws.lineCone[end] = coneUnion(line, alignedWith(ws.lineCone[end], Vec3d(line.axis)));
    }
    int removed = 0;
    const size_t d = star.faces.size();
    for (size_t i = 0; i < d; ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) { // its corners leave the lists when walks pass them
            ++removed;
            ws.faceDead[sf.face] = 1;
            --ws.degree[sf.next];
            --ws.degree[sf.prev];
            continue;
        }
        ++ws.degree[v];
        m.faces[sf.face].v[sf.corner] = v;
        if (m.texFaces) m.texFaces[sf.face].t[sf.corner] = scratch.newTex[i];
        // the cost's tests left this target's moved normals when they kept them (the same bits)
        const Vec3d n = scratch.movedFor == v ? scratch.movedDir[i] : unitMovedNormal(ws, sf, pv);
        ws.faceWork[sf.face] = {toFloat(n), star.groupCone[sf.group]};
    }

    // hand u's live corners to v
    for (uint32_t c = ws.vertexHead[u]; c != kNone;) {
        uint32_t next = ws.cornerNext[c];
        if (!ws.faceDead[c / 3]) {
            ws.cornerNext[c] = ws.vertexHead[v];
            ws.vertexHead[v] = c;
        }
        c = next;
    }
    ws.vertexHead[u] = kNone;
    ws.degree[u] = 0;
    ws.vertexFlags[u] |= kDead;
    return removed;
}

} // namespace hostkit::opt
