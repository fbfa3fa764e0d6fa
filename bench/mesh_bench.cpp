// Mesh operation benchmark: time, throughput and peak extra memory of every host mesh
// operation on growing meshes, each run in a forked child so peaks do not mix, plus
// Optimize against meshoptimizer's simplifier on a large flat grid.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <meshoptimizer.h>

#include "child_measure.h"
#include "host/mesh.h"
#include "hostkit/mesh/primitives.h"

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);

struct Operation {
    const char* name;
    std::function<void(Mesh&)> run;
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"FlipNormal(all)",
         [](Mesh& m) {
             for (int f = 0; f < m.faceCount; ++f) m.FlipNormal(f);
         }},
        {"RemoveDegenerateFaces", [](Mesh& m) { m.RemoveDegenerateFaces(); }},
        {"UnifyNormals", [](Mesh& m) { m.UnifyNormals(0); }},
        {"AutoSmooth(30)", [](Mesh& m) { m.AutoSmooth(30 * kDegree, 0); }},
        {"ApplyUVWMap(planar)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"ApplyUVWMap(spherical)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_SPHERICAL, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"ApplyUVWMap(box)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_BOX, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"buildNormals", [](Mesh& m) { m.buildNormals(); }},
        {"Optimize(4,4,0.1)",
         [](Mesh& m) { m.Optimize(4 * kDegree, 4 * kDegree, 0.1f, 7, nullptr); }},
    };
    return ops;
}

// Terrain-like surface: a jittered height field over an n x n grid.
Mesh noisySurface(int n) {
    Mesh mesh = makeGridMesh(n, 10.0f);
    uint32_t state = 12345;
    auto jitter = [&] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24) - 0.5f;
    };
    const float cell = 10.0f / float(n);
    for (int v = 0; v < mesh.vertexCount; ++v) {
        Point3& p = mesh.vertices[v];
        p.z = 0.8f * std::sin(0.7f * p.x) * std::cos(0.5f * p.y) + 0.2f * cell * jitter();
        p.x += 0.3f * cell * jitter();
        p.y += 0.3f * cell * jitter();
    }
    return mesh;
}

Mesh makeMesh(const std::string& kind, int faces) {
    if (kind == "sphere") return makeSphereMesh(1, int(std::lround(std::sqrt(double(faces)))));
    const int n = int(std::lround(std::sqrt(faces / 2.0)));
    return kind == "grid" ? makeGridMesh(n, 10) : noisySurface(n);
}

// Runs op on a fresh copy of mesh in a forked child: wall time and the rise of the
// child's peak resident size above its size just before the call.
Measure measureOperation(const Mesh& mesh, const Operation& op) {
    std::optional<Mesh> work;
    return measureInChild(
        [&] {
            mallopt(M_MMAP_THRESHOLD, 64 * 1024); // big arrays come and go as mappings
            work.emplace(mesh);
            malloc_trim(0);
        },
        [&] {
            op.run(*work);
            return true;
        });
}

void compareWithMeshoptimizer(int faces) {
    const int n = int(std::lround(std::sqrt(faces / 2.0)));
    const Mesh grid = makeGridMesh(n, 10);
    std::printf(
        "\nOptimize against meshopt_simplify on a %d-face flat grid (4-degree thresholds)\n",
        grid.faceCount);

    Mesh ours = grid;
    auto start = std::chrono::steady_clock::now();
    ours.Optimize(4 * kDegree, 4 * kDegree, 0.1f, 7, nullptr);
    const double oursSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<unsigned int> indices(size_t(grid.faceCount) * 3), simplified(indices.size());
    for (int f = 0; f < grid.faceCount; ++f)
        for (int k = 0; k < 3; ++k) indices[size_t(f) * 3 + k] = grid.faces[f].v[k];
    start = std::chrono::steady_clock::now();
    // a flat grid loses nothing at any error bound; aim for the two-triangle result
    const size_t kept =
        meshopt_simplify(simplified.data(), indices.data(), indices.size(), &grid.vertices[0].x,
                         size_t(grid.vertexCount), sizeof(Point3), 6, 1e-3f, 0, nullptr);
    const double theirsSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("  Optimize:         %9.1f ms -> %d faces\n", oursSeconds * 1e3, ours.faceCount);
    std::printf("  meshopt_simplify: %9.1f ms -> %zu faces\n", theirsSeconds * 1e3, kept / 3);
    std::printf("  time ratio Optimize / meshopt_simplify: %.2f\n", oursSeconds / theirsSeconds);
}

} // namespace

int main(int argc, char** argv) {
    // mesh_bench [--quick] [--large] [--compare] [sphere|grid|noisy ...]
    bool quick = false, largeOnly = false, compareOnly = false;
    std::vector<std::string> kinds;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--large") == 0)
            largeOnly = true;
        else if (std::strcmp(argv[i], "--compare") == 0) // only Optimize against meshopt
            compareOnly = true;
        else
            kinds.push_back(argv[i]);
    }
    if (kinds.empty() && !compareOnly) kinds = {"sphere", "grid", "noisy"};
    const std::vector<int> sizes = quick       ? std::vector<int>{10000, 100000}
                                   : largeOnly ? std::vector<int>{1000000}
                                               : std::vector<int>{10000, 100000, 1000000, 2000000};
    std::printf("%-8s %9s  %-24s %10s %10s %14s %10s\n", "mesh", "faces", "operation", "wall ms",
                "cpu ms", "Mfaces/s(cpu)", "peak/mesh");
    for (const std::string& kind : kinds) {
        for (int size : sizes) {
            const Mesh mesh = makeMesh(kind, size);
            // What measuring costs by itself (first-touched pages of the child): taken
            // off each operation's peak, so small meshes show what the operation uses.
            const double idleBytes = measureOperation(mesh, {"idle", [](Mesh&) {}}).extraBytes();
            for (const Operation& op : operations()) {
                const Measure m = measureOperation(mesh, op);
                const double cpu = std::max(m.cpuSeconds, 1e-6);
                std::printf("%-8s %9d  %-24s %10.2f %10.2f %14.2f %10.2f\n", kind.c_str(),
                            mesh.faceCount, op.name, m.seconds * 1e3, m.cpuSeconds * 1e3,
                            mesh.faceCount / cpu / 1e6,
                            std::max(0.0, m.extraBytes() - idleBytes) / double(mesh.memoryBytes()));
                std::fflush(stdout);
            }
        }
    }
    if (!largeOnly) compareWithMeshoptimizer(quick ? 200000 : 2000000);
    return 0;
}
