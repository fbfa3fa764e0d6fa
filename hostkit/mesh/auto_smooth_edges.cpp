// Listing the faces for AutoSmooth's edge grouping: see auto_smooth_edges.h.
#include "hostkit/mesh/auto_smooth_edges.h"

#include <algorithm>
#include <utility>

#include "hostkit/mesh/edge_table.h"

namespace hostkit::smoothing {

namespace {

inline uint32_t lowest(const MeshFace& face) {
    return std::min({face.v[0], face.v[1], face.v[2]});
}
inline uint32_t middle(const MeshFace& face) {
    const uint32_t a = face.v[0], b = face.v[1], c = face.v[2];
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}
inline uint32_t position(const MeshFace& face, uint32_t v) {
    return face.v[0] == v ? 0 : face.v[1] == v ? 1 : 2;
}

} // namespace

EdgeGroups::EdgeGroups(const Mesh& mesh) : mesh_(mesh) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    const uint32_t vertexCount = uint32_t(std::max(mesh.vertexCount, 0));
    end_ = ScratchArray<uint32_t>(vertexCount, 0);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        ++end_[lowest(face)];
        ++end_[middle(face)];
    }
    uint32_t sum = 0; // each vertex's start, to become its end as it fills
    for (uint32_t v = 0; v < vertexCount; ++v) {
        longestList_ = std::max(longestList_, end_[v]);
        sum += std::exchange(end_[v], sum);
    }
    entry_ = ScratchArray<uint32_t>(sum);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        entry_[end_[lowest(face)]++] = f * 3 + position(face, lowest(face));
        entry_[end_[middle(face)]++] = f * 3 + position(face, middle(face));
    }
}

} // namespace hostkit::smoothing
