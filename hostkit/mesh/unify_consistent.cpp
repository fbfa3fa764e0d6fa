// UnifyNormals on a mesh whose windings already agree: no search, only each patch's
// volume sign, and a flip of the closed patches that face inward.
#include "hostkit/mesh/unify_normals_parts.h"

#include <cmath>
#include <optional>
#include <vector>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/operation_observer.h"

namespace hostkit::unify {

namespace {

// What the shortcut learns about one patch (40 bytes).
struct Sum {
    Point3 origin;                    // the first vertex of
    uint32_t seed;                    // the patch's lowest face
    double volume = 0, magnitude = 0; // sum of the terms and of their magnitudes
    uint32_t faces = 0;
    bool open = false;
    bool invert = false; // closed and facing inward
};
static_assert(sizeof(Sum) <= 40);

void addFace(Sum& sum, const Mesh& mesh, const MeshFace& face) {
    const Point3* vertices = mesh.vertices;
    const double det =
        faceVolume(sum.origin, vertices[face.v[0]], vertices[face.v[1]], vertices[face.v[2]]);
    sum.volume += det;
    sum.magnitude += std::abs(det);
    ++sum.faces;
}

} // namespace

// Every face's wish is then its seed's, no patch is inconsistent, and a patch is flipped
// only when it is closed with a negative volume (flag 0). Patches are found by union-find
// while mates are matched (matchOppositeCorners; visitEdges where that cannot tell), and
// each volume is summed in face order with a bound on its rounding: when the bound cannot
// settle the sign, the patch's volume is summed again in search order, exactly as the
// search does. A mesh of one patch (unions one fewer than its proper faces) needs no
// look-up per face, and its sum comes from the matching, which reads every face anyway.
bool unifyIfConsistent(Mesh& mesh, int flag) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    const MeshFace* faces = mesh.faces;
    Matching matching;
    if (flag != 0) { // lesser area: nothing is wished flipped, so nothing flips
        const Windings windings = matchOppositeCorners(mesh, nullptr, matching);
        if (windings != Windings::Unknown) return windings == Windings::Agree;
        bool consistent = true;
        visitEdges(
            mesh,
            [&](uint32_t c, uint32_t d) {
                consistent &= cornerFrom(mesh, c) != cornerFrom(mesh, d);
            },
            [](uint32_t) {}, [](const uint32_t*, size_t) {});
        return consistent;
    }

    FacePatches sets;
    std::vector<uint32_t> crowdedCorners, crowdedStart{0};
    const Windings windings = matchOppositeCorners(mesh, &sets, matching);
    if (windings == Windings::Disagree) return false;
    if (windings == Windings::Unknown) {
        // the whole edge table decides: crowded edges, windings that disagree
        sets.reset(faceCount);
        matching = Matching();
        bool consistent = true;
        uint64_t corners = 0;
        visitEdges(
            mesh,
            [&](uint32_t c, uint32_t d) {
                consistent &= cornerFrom(mesh, c) != cornerFrom(mesh, d);
                matching.unions += sets.unite(c / 3, d / 3);
                corners += 2;
            },
            [&](uint32_t c) {
                sets.markOpen(c / 3);
                matching.anyBoundary = true;
                ++corners;
            },
            [&](const uint32_t* list, size_t n) {
                crowdedCorners.insert(crowdedCorners.end(), list, list + n);
                crowdedStart.push_back(uint32_t(crowdedCorners.size()));
                corners += n;
            });
        if (!consistent) return false;
        matching.properFaces = uint32_t(corners / 3);
    }
    const uint32_t properFaces = matching.properFaces;
    const bool anyBoundary = matching.anyBoundary;
    if (properFaces == 0) return true;

    // volumes, in face order; each union made one set of two, so the patches are known
    // in number before they are labelled
    const bool onePatch = matching.unions + 1 == properFaces;
    ScratchArray<Sum> sums(properFaces - matching.unions);
    uint32_t labelled = 0;
    if (onePatch) {
        if (anyBoundary) return true; // open: nothing is wished flipped, so nothing flips
        // crowded edges cannot open it: each of their faces has another one of the patch
        uint32_t seed = 0;
        while (!isProperFace(faces[seed], mesh.vertexCount)) ++seed;
        Sum& sum = sums[labelled++] = Sum{mesh.vertices[faces[seed].v[0]], seed};
        if (windings == Windings::Agree) { // the matching summed them already
            sum.volume = matching.volume;
            sum.magnitude = matching.magnitude;
            sum.faces = properFaces;
        } else {
            const bool allProper = properFaces == faceCount;
            for (uint32_t f = seed; f < faceCount; ++f)
                if (allProper || isProperFace(faces[f], mesh.vertexCount))
                    addFace(sum, mesh, faces[f]);
        }
    } else {
        for (uint32_t f = 0; f < faceCount; ++f) {
            const MeshFace& face = faces[f];
            if (!isProperFace(face, mesh.vertexCount)) continue;
            bool isNew = false, open = false;
            const uint32_t patch = sets.labelPatch(f, labelled, isNew, open);
            if (isNew) {
                Sum& sum = sums[labelled++] = Sum{mesh.vertices[face.v[0]], f};
                sum.open = open;
            }
            addFace(sums[patch], mesh, face);
        }
        // A patch is open too where one of its faces meets an edge of three or more
        // corners without a second face of the same patch there.
        for (size_t e = 0; e + 1 < crowdedStart.size(); ++e) {
            const uint32_t begin = crowdedStart[e], end = crowdedStart[e + 1];
            for (uint32_t i = begin; i < end; ++i) {
                const uint32_t patch = sets.patchOf(crowdedCorners[i] / 3);
                bool paired = false;
                for (uint32_t j = begin; j < end && !paired; ++j)
                    paired = j != i && sets.patchOf(crowdedCorners[j] / 3) == patch;
                if (!paired) sums[patch].open = true;
            }
        }
    }

    // Whatever the order, a sum of n terms is within n * 2^-53 * magnitude (to first
    // order) of the exact one; twice that, doubled for safety, settles the sign.
    std::optional<CornerMates> mates; // only for a search
    ScratchArray<uint8_t> seen;
    auto search = [&](uint32_t seed) {
        if (!mates) mates = buildCornerMates(mesh);
        if (seen.size() == 0) seen = ScratchArray<uint8_t>(faceCount, 0);
        return searchOrder(seed, mates->mate.data(), seen);
    };
    bool anyInverted = false;
    for (Sum& sum : sums) {
        if (sum.open) continue;
        double volume = sum.volume;
        if (!(std::abs(volume) > 4 * double(sum.faces) * 0x1p-53 * sum.magnitude)) {
            volume = 0;
            for (uint32_t f : search(sum.seed)) {
                const MeshFace& face = faces[f];
                volume += faceVolume(sum.origin, mesh.vertices[face.v[0]], mesh.vertices[face.v[1]],
                                     mesh.vertices[face.v[2]]);
            }
        }
        sum.invert = volume < 0;
        anyInverted |= volume < 0;
    }
    if (!anyInverted) return true;
    if (hasMeshOperationObserver()) { // flip in the search's order
        seen = ScratchArray<uint8_t>();
        for (const Sum& sum : sums)
            if (sum.invert)
                for (uint32_t f : search(sum.seed)) mesh.FlipNormal(int(f));
        return true;
    }
    if (onePatch && properFaces == faceCount)
        flipFacesWhere(mesh, [](int) { return true; });
    else if (onePatch)
        flipFacesWhere(mesh, [&](int f) { return isProperFace(faces[f], mesh.vertexCount); });
    else
        flipFacesWhere(mesh, [&](int f) {
            return isProperFace(faces[f], mesh.vertexCount) &&
                   sums[sets.patchOf(uint32_t(f))].invert;
        });
    return true;
}

} // namespace hostkit::unify
