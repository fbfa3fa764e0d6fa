// UnifyNormals' quick look at a mesh that is likely consistent: mates found by bucketing
// only the corners that run up; contract in unify_normals_parts.h.
#include "hostkit/mesh/unify_normals_parts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::unify {

Windings matchOppositeCorners(const Mesh& mesh, FacePatches* sets, Matching& out) {
    constexpr uint32_t kShortBucket = 32, kMostLonely = 4096, kMostProbes = 64;
    // a bucketed corner's code is 4 * face + k, kMatched once its mate is found
    constexpr uint32_t kMatched = 0x80000000u, kNone = UINT32_MAX, kCrowded = UINT32_MAX - 1;
    if (mesh.faceCount <= 0 || mesh.faceCount >= (1 << 29) || mesh.vertexCount <= 0)
        return Windings::Unknown;
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    const uint32_t vertexCount = uint32_t(mesh.vertexCount);
    const MeshFace* faces = mesh.faces;
    // A bucket entry holds the vertex its corner runs to in the high word, so a bucket is
    // searched without reading faces, and the corner's code in the low word.
    auto entryOf = [](uint32_t end, uint32_t code) { return uint64_t(end) << 32 | code; };
    auto endOf = [](uint64_t entry) { return uint32_t(entry >> 32); };
    auto isMatched = [](uint64_t entry) { return (entry & kMatched) != 0; };
    auto faceOf = [](uint64_t entry) { return (uint32_t(entry) & ~kMatched) >> 2; };
    auto startOf = [&](uint64_t entry) { return faces[faceOf(entry)].v[entry & 3]; };

    // up-running corners by start vertex; after the fill, end[v] is where v's end
    ScratchArray<uint32_t> end(size_t(vertexCount) + 1, 0);
    uint32_t proper = 0;
    const Point3* vertices = mesh.vertices;
    Point3 origin{};
    double volume = 0, magnitude = 0;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        const uint32_t a = face.v[0], b = face.v[1], c = face.v[2];
        if (sets) {
            if (proper == 0) origin = vertices[a];
            const double det = faceVolume(origin, vertices[a], vertices[b], vertices[c]);
            volume += det;
            magnitude += std::abs(det);
        }
        ++proper;
        end[a + 1] += a < b;
        end[b + 1] += b < c;
        end[c + 1] += c < a;
    }
    out.volume = volume;
    out.magnitude = magnitude;
    const bool allProper = proper == faceCount;
    uint32_t longEntries = 0; // in buckets longer than kShortBucket
    for (uint32_t v = 0; v < vertexCount; ++v) {
        if (end[v + 1] > kShortBucket) longEntries += end[v + 1];
        end[v + 1] += end[v];
    }
    // one slot more, written over by the corners that run down
    const uint32_t upCount = end[vertexCount], spare = upCount;
    ScratchArray<uint64_t> up(size_t(upCount) + 1);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!allProper && !isProperFace(face, mesh.vertexCount)) continue;
        const uint32_t a = face.v[0], b = face.v[1], c = face.v[2];
        up[a < b ? end[a]++ : spare] = entryOf(b, f * 4);
        up[b < c ? end[b]++ : spare] = entryOf(c, f * 4 + 1);
        up[c < a ? end[c]++ : spare] = entryOf(a, f * 4 + 2);
    }
    auto bucketStart = [&](uint32_t v) { return v == 0 ? 0 : end[v - 1]; };
    auto isLong = [&](uint32_t v) { return end[v] - bucketStart(v) > kShortBucket; };

    // Long buckets are looked up through a hash table of (start, end) to bucket index,
    // open addressing with a bounded probe. The first slot is the end vertex plus an
    // offset per start vertex, so corners met in order of their end vertex (a fan's, a
    // pole's) meet the table in order, not one cache miss each; later probes step by an
    // odd stride from both vertices, so the runs of two start vertices that overlap do
    // not pile up.
    ScratchArray<uint32_t> table;
    uint32_t mask = 0;
    auto slotOf = [&](uint32_t a, uint32_t b) {
        return (uint32_t(uint64_t(a) * 0x9E3779B97F4A7C15u >> 32) + b) & mask;
    };
    auto strideOf = [&](uint32_t a, uint32_t b) {
        return uint32_t((uint64_t(a) * 0x9E3779B97F4A7C15u ^ uint64_t(b) * 0xC2B2AE3D27D4EB4Fu) >>
                        32) |
               1u;
    };
    if (longEntries > 0) {
        uint32_t size = 64;
        while (size < 2 * longEntries) size *= 2;
        table = ScratchArray<uint32_t>(size, kNone);
        mask = size - 1;
        for (uint32_t v = 0; v < vertexCount; ++v) {
            if (!isLong(v)) continue;
            for (uint32_t i = bucketStart(v); i < end[v]; ++i) {
                const uint32_t b = endOf(up[i]);
                uint32_t slot = slotOf(v, b), probes = 0;
                for (const uint32_t stride = strideOf(v, b); table[slot] != kNone;
                     slot = (slot + stride) & mask) {
                    if (endOf(up[table[slot]]) == b && startOf(up[table[slot]]) == v)
                        return Windings::Unknown; // two corners run up the same edge
                    if (++probes == kMostProbes) return Windings::Unknown;
                }
                table[slot] = i;
            }
        }
    }
    // the bucketed corner y -> x, kNone when there is none
    auto findUp = [&](uint32_t y, uint32_t x) -> uint32_t {
        if (!isLong(y)) { // a second y -> x shows when one of the two is left alone
            for (uint32_t i = bucketStart(y); i < end[y]; ++i)
                if (endOf(up[i]) == x) return i;
            return kNone;
        }
        uint32_t probes = 0;
        for (uint32_t slot = slotOf(y, x), stride = strideOf(y, x); table[slot] != kNone;
             slot = (slot + stride) & mask) {
            const uint32_t i = table[slot];
            if (endOf(up[i]) == x && startOf(up[i]) == y) return i;
            if (++probes == kMostProbes) return kCrowded;
        }
        return kNone;
    };

    // each down-running corner x -> y takes the up-running y -> x from y's bucket
    std::vector<uint32_t> lonely; // down-running corners of boundary edges
    uint32_t matched = 0;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!allProper && !isProperFace(face, mesh.vertexCount)) continue;
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t x = face.v[k], y = face.v[k == 2 ? 0 : k + 1];
            if (x < y) continue;
            const uint32_t found = findUp(y, x);
            if (found == kNone) {
                if (lonely.size() == kMostLonely) return Windings::Unknown;
                lonely.push_back(f * 4 + k);
                continue;
            }
            if (found == kCrowded || isMatched(up[found]))
                return Windings::Unknown; // three or more
            up[found] |= kMatched;
            ++matched;
            if (sets) out.unions += sets->unite(f, faceOf(up[found]));
        }
    }

    // up-running corners left alone: boundary edges, unless two run the same way
    if (matched < upCount)
        for (uint32_t v = 0, from = 0; v < vertexCount; from = end[v++])
            for (uint32_t i = from; i < end[v]; ++i) {
                if (isMatched(up[i])) continue;
                if (!isLong(v)) { // a long bucket's ends are distinct already
                    // Another one left alone on the edge, and no third: no corner ran
                    // down, as it would have taken the first. Two run the same way.
                    uint32_t others = 0, othersAlone = 0;
                    for (uint32_t j = from; j < end[v]; ++j)
                        if (j != i && endOf(up[j]) == endOf(up[i])) {
                            ++others;
                            othersAlone += !isMatched(up[j]);
                        }
                    if (others == 1 && othersAlone == 1) return Windings::Disagree;
                    if (others > 0) return Windings::Unknown;
                }
                if (sets) sets->markOpen(faceOf(up[i]));
                out.anyBoundary = true;
            }
    // down-running ones left alone: likewise
    if (!lonely.empty()) {
        auto key = [&](uint32_t code) {
            const MeshFace& face = faces[code >> 2];
            const uint32_t k = code & 3;
            return uint64_t(face.v[k]) << 32 | face.v[k == 2 ? 0 : k + 1];
        };
        std::sort(lonely.begin(), lonely.end(),
                  [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
        for (size_t i = 0, run = 1; i < lonely.size(); i += run) {
            run = 1;
            while (i + run < lonely.size() && key(lonely[i + run]) == key(lonely[i])) ++run;
            if (run == 2) return Windings::Disagree; // and no corner running up there
            if (run > 2) return Windings::Unknown;
            if (sets) sets->markOpen(lonely[i] >> 2);
        }
        out.anyBoundary = true;
    }
    out.properFaces = proper;
    return Windings::Agree;
}

} // namespace hostkit::unify
