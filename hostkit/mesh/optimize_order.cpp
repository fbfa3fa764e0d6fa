// Face order for Optimize; contracts in optimize_order.h.
#include "hostkit/mesh/optimize_order.h"

#include <algorithm>

#include "hostkit/mesh/edge_table.h"

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

// Faces sampled by facesMayLieScattered, about.
constexpr size_t kScatterSamples = 4096;

// The distance walked along a sequence of indices, from 0 through each one in turn.
struct Travel {
    uint64_t distance = 0;
    uint32_t last = 0;
    void to(uint32_t next) {
        distance += next > last ? next - last : last - next;
        last = next;
    }
};

} // namespace

bool headsScattered(const LargeVector<uint32_t>& heads, int faceCount) {
    Travel travel;
    for (const uint32_t c : heads)
        if (c != kNone) travel.to(c);
    return travel.distance > kScatteredSweeps * 3 * uint64_t(std::max(faceCount, 0));
}

bool facesScattered(const WorkState& ws) {
    return headsScattered(ws.vertexHead, ws.mesh.faceCount);
}

LargeVector<uint32_t> listHeadsOf(const Mesh& mesh) {
    LargeVector<uint32_t> heads(size_t(std::max(mesh.vertexCount, 0)), kNone);
    for (size_t f = size_t(std::max(mesh.faceCount, 0)); f-- > 0;) { // as initWorkState links
        const MeshFace& face = mesh.faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        for (uint32_t k = 0; k < 3; ++k) heads[face.v[k]] = uint32_t(f) * 3 + k;
    }
    return heads;
}

bool facesMayLieScattered(const Mesh& mesh) {
    const size_t faceCount = size_t(std::max(mesh.faceCount, 0));
    const size_t step = std::max<size_t>(1, faceCount / kScatterSamples);
    Travel travel;
    // steps of step / 2 to 3 step / 2, drawn from a fixed sequence: a fixed step could
    // keep to one kind of face in a mesh that repeats with its period
    uint32_t draw = 1;
    auto nextStep = [&] {
        draw = draw * 1664525u + 1013904223u; // a linear congruential sequence
        return step / 2 + 1 + (draw >> 8) % step;
    };
    for (size_t f = 0; f < faceCount; f += nextStep()) {
        const MeshFace& face = mesh.faces[f];
        travel.to(std::min({face.v[0], face.v[1], face.v[2]}));
    }
    return travel.distance > 2 * uint64_t(std::max(mesh.vertexCount, 0));
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
