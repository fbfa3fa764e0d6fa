// Legality, cost and application of one half-edge collapse.
#include "hostkit/mesh/optimize_collapse.h"

#include <algorithm>
#include <limits>

namespace hostkit::opt {

namespace {

double uvArea(const UVVert& a, const UVVert& b, const UVVert& c) {
    return double(b.x - a.x) * double(c.y - a.y) - double(b.y - a.y) * double(c.x - a.x);
}

// Directions the line through a Line vertex stands for, oriented from lineEnds[0] to [1].
DirectionCone effectiveLineCone(const WorkState& ws, const Star& star) {
    const Vec3d pu = ws.position(star.centre);
    const Vec3d in = pu - ws.position(star.lineEnds[0]);
    const Vec3d out = ws.position(star.lineEnds[1]) - pu;
    DirectionCone cone = coneUnion(coneOf(in), coneOf(out));
    return coneUnion(cone, alignedWith(ws.lineCone[star.centre], Vec3d(cone.axis)));
}

void pruneDeadCorners(WorkState& ws, uint32_t vertex) {
    uint32_t prev = kNone;
    for (uint32_t c = ws.vertexHead[vertex]; c != kNone;) {
        uint32_t next = ws.cornerNext[c];
        if (ws.faceDead[c / 3]) {
            (prev == kNone ? ws.vertexHead[vertex] : ws.cornerNext[prev]) = next;
        } else {
            prev = c;
        }
        c = next;
    }
}

bool onEdge(const StarFace& sf, uint32_t v) {
    return sf.next == v || sf.prev == v;
}

} // namespace

double collapseGeometryCost(const WorkState& ws, const Star& star, uint32_t v,
                            CollapseScratch& scratch) {
    const Mesh& m = ws.mesh;
    const double threshold = ws.settings.normalThreshold;
    const Vec3d pv = ws.position(v);
    const bool textured = m.texFaces != nullptr;
    scratch.newTex.assign(star.faces.size(), kNone);

    double deviation = 0;
    if (star.cls == VertexClass::Line) {
        if (v != star.lineEnds[0] && v != star.lineEnds[1]) return -1;
        Vec3d along = ws.position(star.lineEnds[1]) - ws.position(star.lineEnds[0]);
        deviation = coneReach(effectiveLineCone(ws, star), unit(along));
        if (deviation > threshold) return -1;
    }

    size_t removed = 0;
    for (const StarFace& sf : star.faces) removed += onEdge(sf, v);
    if (removed == 0) return -1;

    double newQuality = 1;
    for (size_t i = 0; i < star.faces.size(); ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) continue;
        const Vec3d pa = ws.position(sf.next), pb = ws.position(sf.prev);
        const Vec3d n = cross(pa - pv, pb - pv);
        if (dot(n, sf.normal) <= 0) return -1; // flipped or zero area
        const double reach = coneReach(star.groupCone[sf.group], unit(n));
        if (reach > threshold) return -1;
        deviation = std::max(deviation, reach);
        newQuality = std::min(newQuality, triangleQuality(pv, pa, pb));
        if (!textured) continue;

        // the corner takes the texture vertex v has on the same side of the seams (which
        // are line edges, so sides are groups)
        const UVVert uvU = ws.texAt(sf.face, sf.corner);
        uint32_t tex = kNone;
        for (const StarFace& r : star.faces) {
            if (!onEdge(r, v) || r.group != sf.group || ws.texAt(r.face, r.corner) != uvU) continue;
            uint32_t t = m.texFaces[r.face].t[(r.corner + (r.next == v ? 1 : 2)) % 3];
            if (tex != kNone && m.texVerts[t] != m.texVerts[tex]) return -1; // ambiguous
            tex = t;
        }
        if (tex == kNone) return -1;
        const UVVert uvA = ws.texAt(sf.face, (sf.corner + 1) % 3);
        const UVVert uvB = ws.texAt(sf.face, (sf.corner + 2) % 3);
        const double before = uvArea(uvU, uvA, uvB);
        if (before != 0 && uvArea(m.texVerts[tex], uvA, uvB) * before <= 0) return -1;
        scratch.newTex[i] = tex;
    }

    const double bias = ws.settings.bias;
    const double oldQuality = star.minQuality;
    if (newQuality < std::min(oldQuality, std::max(kSliverQuality, bias * oldQuality))) return -1;
    const double normalized = threshold > 0 ? deviation / threshold : 0;
    return (1 - bias) * normalized + bias * (1 - newQuality);
}

bool collapseKeepsTopology(const WorkState& ws, const Star& star, uint32_t v,
                           CollapseScratch& scratch) {
    const Mesh& m = ws.mesh;
    scratch.ringV.clear();
    scratch.facesV.clear();
    for (uint32_t c = ws.vertexHead[v]; c != kNone; c = ws.cornerNext[c]) {
        uint32_t f = c / 3, k = c % 3;
        if (ws.faceDead[f]) continue;
        uint32_t a = m.faces[f].v[(k + 1) % 3], b = m.faces[f].v[(k + 2) % 3];
        scratch.ringV.push_back(a);
        scratch.ringV.push_back(b);
        scratch.facesV.push_back({std::min(a, b), std::max(a, b)});
    }
    std::sort(scratch.ringV.begin(), scratch.ringV.end());
    scratch.ringV.erase(std::unique(scratch.ringV.begin(), scratch.ringV.end()),
                        scratch.ringV.end());

    // link condition: the common neighbours are exactly the far corners of the edge's faces
    size_t edgeFaces = 0;
    for (const StarFace& sf : star.faces) edgeFaces += onEdge(sf, v);
    size_t common = 0;
    for (size_t i = 0, j = 0; i < star.ring.size() && j < scratch.ringV.size();) {
        if (star.ring[i] < scratch.ringV[j]) {
            ++i;
        } else if (star.ring[i] > scratch.ringV[j]) {
            ++j;
        } else {
            ++common, ++i, ++j;
        }
    }
    if (common != edgeFaces) return false;

    // a moved face must not land on a face v already has (a tetrahedron's last edge)
    for (const StarFace& sf : star.faces) {
        if (onEdge(sf, v)) continue;
        std::pair<uint32_t, uint32_t> key{std::min(sf.next, sf.prev), std::max(sf.next, sf.prev)};
        if (std::find(scratch.facesV.begin(), scratch.facesV.end(), key) != scratch.facesV.end())
            return false;
    }
    return true;
}

uint32_t bestCollapse(const WorkState& ws, const Star& star, CollapseScratch& scratch,
                      double& cost) {
    scratch.ranked.clear();
    if (star.cls == VertexClass::Interior) {
        for (uint32_t v : star.ring) {
            double c = collapseGeometryCost(ws, star, v, scratch);
            if (c >= 0) scratch.ranked.push_back({c, v});
        }
    } else if (star.cls == VertexClass::Line) {
        for (uint32_t v : star.lineEnds) {
            double c = collapseGeometryCost(ws, star, v, scratch);
            if (c >= 0) scratch.ranked.push_back({c, v});
        }
    }
    std::sort(scratch.ranked.begin(), scratch.ranked.end());
    for (const auto& [c, v] : scratch.ranked) {
        if (!collapseKeepsTopology(ws, star, v, scratch)) continue;
        collapseGeometryCost(ws, star, v, scratch); // refill newTex for this target
        cost = c;
        return v;
    }
    return kNone;
}

void applyCollapse(WorkState& ws, const Star& star, uint32_t v, const CollapseScratch& scratch) {
    Mesh& m = ws.mesh;
    const uint32_t u = star.centre;
    if (star.cls == VertexClass::Line) {
        const DirectionCone line = effectiveLineCone(ws, star);
        for (uint32_t end : star.lineEnds)
            ws.lineCone[end] = coneUnion(line, alignedWith(ws.lineCone[end], Vec3d(line.axis)));
    }
    for (size_t i = 0; i < star.faces.size(); ++i) {
        const StarFace& sf = star.faces[i];
        if (onEdge(sf, v)) {
            ws.faceDead[sf.face] = 1;
            continue;
        }
        m.faces[sf.face].v[sf.corner] = v;
        if (m.texFaces) m.texFaces[sf.face].t[sf.corner] = scratch.newTex[i];
        ws.faceCone[sf.face] = star.groupCone[sf.group];
    }

    // hand u's live corners to v, then drop the removed faces' corners elsewhere
    for (uint32_t c = ws.vertexHead[u]; c != kNone;) {
        uint32_t next = ws.cornerNext[c];
        if (!ws.faceDead[c / 3]) {
            ws.cornerNext[c] = ws.vertexHead[v];
            ws.vertexHead[v] = c;
        }
        c = next;
    }
    ws.vertexHead[u] = kNone;
    pruneDeadCorners(ws, v);
    for (const StarFace& sf : star.faces)
        if (onEdge(sf, v)) pruneDeadCorners(ws, sf.next == v ? sf.prev : sf.next);
    ws.vertexFlags[u] |= kDead;
}

} // namespace hostkit::opt
