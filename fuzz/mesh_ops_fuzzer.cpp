// Fuzz target: random meshes (repeated and out-of-range indices, NaN, infinite,
// huge and subnormal coordinates, empty arrays) through prepareMesh with random
// options, then the single operations the plug-in does not chain. Any crash,
// sanitizer report or out-of-range index left in the mesh is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "prep/prepare_mesh.h"

namespace {
float coordinate(FuzzedDataProvider& in) {
    static const float special[] = {0.0f,
                                    1.0f,
                                    -1.0f,
                                    0.5f,
                                    1e-45f, // subnormal
                                    -1e-40f,
                                    1e30f,
                                    -3.4e38f,
                                    std::numeric_limits<float>::max(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    std::numeric_limits<float>::quiet_NaN()};
    if (in.ConsumeBool()) return in.PickValueInArray(special);
    return float(in.ConsumeIntegralInRange<int>(-8, 8)) / 4.0f;
}

uint32_t index(FuzzedDataProvider& in, int count) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.ConsumeIntegral<uint32_t>(); // anything, mostly out of range
    case 1:
        return uint32_t(count); // one past the end
    default:
        return count > 0 ? in.ConsumeIntegralInRange<uint32_t>(0, uint32_t(count - 1)) : 0;
    }
}

// Makes the faces (keeping their flags) a fan around vertex 0 over the others in order,
// wound once or twice around and numbered either way, then turns or swaps a few: stars of
// more than 24 faces, classified in face order where they form one closed fan.
void makeFan(FuzzedDataProvider& in, Mesh& mesh) {
    const int rim = mesh.vertexCount - 1;
    if (rim < 3) return;
    const int faces = rim * in.ConsumeIntegralInRange<int>(1, 2);
    const bool reversed = in.ConsumeBool();
    mesh.setNumFaces(faces, true);
    for (int k = 0; k < faces; ++k) {
        const int i = k % rim;
        uint32_t* v = mesh.faces[reversed ? faces - 1 - k : k].v;
        v[0] = 0;
        v[1] = uint32_t(1 + i);
        v[2] = uint32_t(1 + (i + 1) % rim);
    }
    for (int changes = in.ConsumeIntegralInRange<int>(0, 3); changes > 0; --changes) {
        MeshFace& a = mesh.faces[in.ConsumeIntegralInRange<int>(0, faces - 1)];
        MeshFace& b = mesh.faces[in.ConsumeIntegralInRange<int>(0, faces - 1)];
        if (in.ConsumeBool())
            std::swap(a, b);
        else
            std::swap(a.v[1], a.v[2]);
    }
}

Mesh randomMesh(FuzzedDataProvider& in) {
    Mesh mesh;
    mesh.setNumVerts(in.ConsumeIntegralInRange<int>(0, 40));
    for (int v = 0; v < mesh.vertexCount; ++v)
        mesh.vertices[v] = Point3(coordinate(in), coordinate(in), coordinate(in));
    mesh.setNumFaces(in.ConsumeIntegralInRange<int>(0, 60));
    for (int f = 0; f < mesh.faceCount; ++f) {
        for (uint32_t& v : mesh.faces[f].v) v = index(in, mesh.vertexCount);
        mesh.faces[f].smGroup = in.ConsumeIntegral<uint32_t>();
        mesh.faces[f].flags = in.ConsumeIntegral<uint32_t>();
    }
    if (in.ConsumeBool()) {
        mesh.setNumTVerts(in.ConsumeIntegralInRange<int>(0, 40));
        for (int t = 0; t < mesh.texVertCount; ++t)
            mesh.texVerts[t] = UVVert(coordinate(in), coordinate(in), coordinate(in));
        mesh.setTexFacesEnabled(true);
        for (int f = 0; f < mesh.faceCount; ++f)
            for (uint32_t& t : mesh.texFaces[f].t) t = index(in, mesh.texVertCount);
    }
    if (in.ConsumeBool()) makeFan(in, mesh);
    return mesh;
}

void randomOptions(FuzzedDataProvider& in, OptionSet& options) {
    static const char* const texts[] = {"30,0",  "0",    "90",   "-5",   "4,0", "0,1",
                                        "1",     "1000", "nan",  "1e39", "",    "abc",
                                        "1e-40", "2,5",  "-inf", "3e38"};
    for (int i = 0; i < kFlagCount; ++i) options.flag(i) = in.ConsumeBool() ? 1 : 0;
    for (int i = 0; i < kTextCount; ++i) std::strcpy(options.text(i), in.PickValueInArray(texts));
}

// Faces the operations keep must still name vertices they had (or report nothing).
void checkIndices(const Mesh& mesh) {
    if (mesh.faceCount < 0 || mesh.vertexCount < 0 || mesh.texVertCount < 0) std::abort();
    if (mesh.faceCount > 0 && !mesh.faces) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Mesh mesh = randomMesh(in);
    OptionSet options;
    randomOptions(in, options);
    prepareMesh(mesh, options);
    checkIndices(mesh);
    Mesh copy(mesh);
    copy.buildNormals();
    copy.FlipNormal(in.ConsumeIntegralInRange<int>(-1, copy.faceCount));
    Matrix3 tm;
    tm.IdentityMatrix();
    tm.SetRow(3, Point3(coordinate(in), coordinate(in), coordinate(in)));
    copy.ApplyUVWMap(in.ConsumeIntegralInRange<int>(0, 6), coordinate(in), coordinate(in), 1.0f,
                     in.ConsumeBool(), in.ConsumeBool(), 0, in.ConsumeBool(), tm);
    checkIndices(copy);
    return 0;
}
