// Face order for Optimize; contracts in optimize_order.h.
#include "hostkit/mesh/optimize_order.h"

#include <algorithm>

namespace hostkit::opt {

namespace {

// Sweeps of the corners beyond which the faces count as scattered (poles numbered by ring
// with faces by column: 8; faces numbered along their vertices: 1)
constexpr uint64_t kScatteredSweeps = 3;

// Writes values[order[i]] into out[i] (gather) or values[i] into out[order[i]] (scatter),
// then copies out back over values.
template <typename T> void permute(T* values, const LargeVector<uint32_t>& order, bool gather) {
    ScratchArray<T> out(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        if (gather)
            out[i] = values[order[i]];
        else
            out[order[i]] = values[i];
    }
    std::copy(out.begin(), out.end(), values);
}

} // namespace

bool facesScattered(const WorkState& ws) {
    uint64_t travel = 0;
    uint32_t last = 0;
    for (const uint32_t c : ws.vertexHead) {
        if (c == kNone) continue;
        travel += c > last ? c - last : last - c;
        last = c;
    }
    return travel > kScatteredSweeps * 3 * uint64_t(ws.mesh.faceCount);
}

LargeVector<uint32_t> arrangeFacesByVertex(Mesh& mesh) {
    const size_t faceCount = size_t(std::max(mesh.faceCount, 0));
    const uint32_t vertexCount = uint32_t(std::max(mesh.vertexCount, 0));
    auto lowest = [&](const MeshFace& face) { // vertexCount when none is in range
        uint32_t low = vertexCount;
        for (const uint32_t v : face.v) low = v < low ? v : low;
        return low;
    };
    LargeVector<uint32_t> start(size_t(vertexCount) + 2, 0);
    for (size_t f = 0; f < faceCount; ++f) ++start[lowest(mesh.faces[f]) + 1];
    for (size_t v = 1; v < start.size(); ++v) start[v] += start[v - 1];
    LargeVector<uint32_t> order(faceCount);
    for (size_t f = 0; f < faceCount; ++f) order[start[lowest(mesh.faces[f])]++] = uint32_t(f);
    permute(mesh.faces, order, true);
    if (mesh.texFaces) permute(mesh.texFaces, order, true);
    return order;
}

void restoreFaceOrder(Mesh& mesh, const LargeVector<uint32_t>& order,
                      LargeVector<uint8_t>& faceDead) {
    permute(mesh.faces, order, false);
    if (mesh.texFaces) permute(mesh.texFaces, order, false);
    permute(faceDead.data(), order, false);
}

} // namespace hostkit::opt
