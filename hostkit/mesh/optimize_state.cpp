// Optimize's working state: set-up and the classification of a vertex's star.
#include "hostkit/mesh/optimize_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::opt {

namespace {

// Past 90 degrees "within the threshold" no longer rules out a flipped face.
constexpr double kMaxThreshold = 89.0 * std::numbers::pi / 180.0;

double clampAngle(float angle) {
    if (!(angle > 0)) return 0; // also NaN
    return std::min(double(angle), kMaxThreshold);
}

Vec3d faceNormal(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
    return cross(b - a, c - a);
}

uint32_t findRoot(std::vector<uint32_t>& parent, uint32_t x) {
    while (parent[x] != x) x = parent[x] = parent[parent[x]];
    return x;
}

// Whether the manifold edge centre-other shared by faces i and j must stay a line.
bool isLineEdge(const WorkState& ws, const Star& star, const StarEdge& ei, const StarEdge& ej) {
    if (ei.outgoing == ej.outgoing) return true; // inconsistent winding (a Möbius seam)
    const StarFace& fi = star.faces[ei.face];
    const StarFace& fj = star.faces[ej.face];
    const MeshFace& a = ws.mesh.faces[fi.face];
    const MeshFace& b = ws.mesh.faces[fj.face];
    if (ws.settings.keepMaterials && a.getMatID() != b.getMatID()) return true;
    if (ws.settings.keepSmoothing && a.smGroup != b.smGroup) return true;
    if (ws.mesh.texFaces) {
        if (ws.texAt(fi.face, fi.corner) != ws.texAt(fj.face, fj.corner)) return true;
        uint32_t otherI = (fi.corner + (ei.outgoing ? 1 : 2)) % 3;
        uint32_t otherJ = (fj.corner + (ej.outgoing ? 1 : 2)) % 3;
        if (ws.texAt(fi.face, otherI) != ws.texAt(fj.face, otherJ)) return true;
    }
    return angleBetween(fi.normal, fj.normal) > ws.settings.normalThreshold;
}

} // namespace

Settings makeSettings(float normalThreshold, float edgeThreshold, float bias, int flags) {
    Settings s;
    s.normalThreshold = clampAngle(normalThreshold);
    s.edgeThreshold = edgeThreshold > 0 ? double(edgeThreshold) : 0;
    s.bias = bias > 0 ? std::min(double(bias), 1.0) : 0;
    s.keepMaterials = flags & OPTIMIZE_KEEP_MATERIALS;
    s.keepSmoothing = flags & OPTIMIZE_KEEP_SMOOTHING;
    s.autoEdge = flags & OPTIMIZE_AUTO_EDGE;
    return s;
}

double triangleQuality(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
    Vec3d ab = b - a, bc = c - b, ca = a - c;
    double squares = dot(ab, ab) + dot(bc, bc) + dot(ca, ca);
    if (squares <= 0) return 0;
    return 2.0 * std::sqrt(3.0) * length(cross(ab, ca)) / squares;
}

void initWorkState(WorkState& ws) {
    Mesh& m = ws.mesh;
    const size_t faceCount = size_t(m.faceCount), vertexCount = size_t(m.vertexCount);
    ws.faceCone.assign(faceCount, DirectionCone());
    ws.faceDead.assign(faceCount, 0);
    ws.cornerNext.assign(faceCount * 3, kNone);
    ws.vertexHead.assign(vertexCount, kNone);
    ws.lineCone.assign(vertexCount, DirectionCone());
    ws.vertexFlags.assign(vertexCount, 0);
    ws.lockStamp.assign(vertexCount, 0);
    if (m.texFaces && m.texVertCount > 0) {
        ws.texUsedBefore.assign(size_t(m.texVertCount), 0);
        for (size_t f = 0; f < faceCount; ++f)
            for (uint32_t t : m.texFaces[f].t)
                if (t < uint32_t(m.texVertCount)) ws.texUsedBefore[t] = 1;
    }

    for (size_t f = faceCount; f-- > 0;) { // backwards, so each list runs in face order
        const MeshFace& face = m.faces[f];
        bool frozen = !isProperFace(face, m.vertexCount);
        for (uint32_t v : face.v)
            if (v < vertexCount) ws.vertexFlags[v] |= kUsed;
        if (frozen) {
            for (uint32_t v : face.v)
                if (v < vertexCount) ws.vertexFlags[v] |= kFrozen;
            continue;
        }
        if (m.texFaces)
            for (uint32_t t : m.texFaces[f].t) frozen |= t >= uint32_t(m.texVertCount);
        Vec3d n =
            faceNormal(ws.position(face.v[0]), ws.position(face.v[1]), ws.position(face.v[2]));
        ws.faceCone[f] = coneOf(n);
        frozen |= ws.faceCone[f].empty();
        for (uint32_t k = 0; k < 3; ++k) {
            uint32_t corner = uint32_t(f) * 3 + k;
            ws.cornerNext[corner] = ws.vertexHead[face.v[k]];
            ws.vertexHead[face.v[k]] = corner;
            if (frozen) ws.vertexFlags[face.v[k]] |= kFrozen;
        }
    }
}

void analyzeStar(const WorkState& ws, uint32_t u, Star& star) {
    const Mesh& m = ws.mesh;
    star.centre = u;
    star.cls = VertexClass::Locked;
    star.faces.clear();
    star.edges.clear();
    star.ring.clear();
    star.groupCone.clear();
    star.lineEnds[0] = star.lineEnds[1] = kNone;
    if (ws.vertexFlags[u] & (kFrozen | kDead)) return;

    // gather the live faces
    const Vec3d pu = ws.position(u);
    bool locked = false;
    for (uint32_t c = ws.vertexHead[u]; c != kNone; c = ws.cornerNext[c]) {
        uint32_t f = c / 3, k = c % 3;
        if (ws.faceDead[f]) continue;
        StarFace sf{f, k, m.faces[f].v[(k + 1) % 3], m.faces[f].v[(k + 2) % 3], 0, {}, 0};
        Vec3d pa = ws.position(sf.next), pb = ws.position(sf.prev);
        sf.normal = unit(faceNormal(pu, pa, pb));
        sf.quality = triangleQuality(pu, pa, pb);
        locked |= dot(sf.normal, sf.normal) == 0;
        star.faces.push_back(sf);
    }
    if (star.faces.empty() || locked) return;

    // the edges around u, grouped by neighbour
    for (uint32_t i = 0; i < star.faces.size(); ++i) {
        star.edges.push_back({star.faces[i].next, i, true});
        star.edges.push_back({star.faces[i].prev, i, false});
    }
    std::sort(star.edges.begin(), star.edges.end(), [](const StarEdge& a, const StarEdge& b) {
        return a.other != b.other ? a.other < b.other : a.face < b.face;
    });

    // classify the edges; faces across free edges join one side
    std::vector<uint32_t>& parent = star.scratch;
    parent.resize(star.faces.size());
    for (uint32_t i = 0; i < parent.size(); ++i) parent[i] = i;
    int boundaryEdges = 0, featureEdges = 0, lineEdges = 0;
    for (size_t i = 0; i < star.edges.size();) {
        size_t end = i;
        while (end < star.edges.size() && star.edges[end].other == star.edges[i].other) ++end;
        const uint32_t w = star.edges[i].other;
        star.ring.push_back(w);
        const size_t count = end - i;
        bool line = false;
        if (w == u || count > 2) {
            locked = true;
        } else if (count == 1) {
            ++boundaryEdges;
            line = true;
        } else if (isLineEdge(ws, star, star.edges[i], star.edges[i + 1])) {
            ++featureEdges;
            line = true;
        } else {
            parent[findRoot(parent, star.edges[i].face)] = findRoot(parent, star.edges[i + 1].face);
        }
        if (line && lineEdges < 2) star.lineEnds[lineEdges] = w;
        lineEdges += line;
        i = end;
    }
    if (locked) return;

    // number the sides
    uint32_t groups = 0;
    std::vector<uint32_t> label(star.faces.size(), kNone);
    for (uint32_t i = 0; i < star.faces.size(); ++i) {
        uint32_t root = findRoot(parent, i);
        if (label[root] == kNone) label[root] = groups++;
        star.faces[i].group = label[root];
    }
    if (boundaryEdges == 0 && featureEdges == 0 && groups == 1) {
        star.cls = VertexClass::Interior;
    } else if ((boundaryEdges == 2 && featureEdges == 0 && groups == 1) ||
               (boundaryEdges == 0 && featureEdges == 2 && groups == 2)) {
        star.cls = VertexClass::Line;
    } else {
        return;
    }

    star.groupCone.assign(groups, DirectionCone());
    star.minQuality = 1;
    for (const StarFace& sf : star.faces) {
        star.groupCone[sf.group] = coneUnion(star.groupCone[sf.group], ws.faceCone[sf.face]);
        star.minQuality = std::min(star.minQuality, sf.quality);
    }
}

} // namespace hostkit::opt
