// Mesh operation benchmark: time, throughput and peak extra memory of every host mesh
// operation on growing meshes, each run in a forked child so peaks do not mix, plus
// Optimize against meshoptimizer's simplifier on a large flat grid and a noisy surface.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <meshoptimizer.h>

#include "child_measure.h"
#include "mesh_bench_corpus.h"
#include "mesh_bench_ops.h"
#ifdef ZEF_BENCH_ASSIMP
#include "mesh_bench_assimp.h"
#endif
#include "host/mesh.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);

Mesh makeMesh(const std::string& kind, int faces) {
    if (kind == "sphere")
        return hostkit::makeSphereMesh(1, int(std::lround(std::sqrt(double(faces)))));
    const int n = int(std::lround(std::sqrt(faces / 2.0)));
    return kind == "grid" ? hostkit::makeGridMesh(n, 10) : noisySurface(n, 12345);
}

// Optimize at the defaults (4-degree thresholds, bias 0.1) against meshopt_simplify on
// the same mesh, asked for targetFaces faces (0: as many as Optimize keeps) within
// targetError. Each round runs both, each in a forked child; the medians of the times
// and of the rounds' ratios are reported. meshopt_simplify writes into an index array
// the child has already touched, and both sides find warm free pages (warmFreePages).
void compareOne(const char* label, const Mesh& mesh, size_t targetFaces, float targetError,
                int reps) {
    Mesh probe = mesh; // how far Optimize gets, outside the timing
    probe.Optimize(4 * kDegree, 4 * kDegree, 0.1f, 7, nullptr);
    if (targetFaces == 0) targetFaces = size_t(probe.faceCount);
    std::printf("\nOptimize against meshopt_simplify on a %d-face %s (median of %d)\n",
                mesh.faceCount, label, reps);

    std::vector<unsigned int> indices(size_t(mesh.faceCount) * 3), simplified(indices.size());
    for (int f = 0; f < mesh.faceCount; ++f)
        for (int k = 0; k < 3; ++k) indices[size_t(f) * 3 + k] = mesh.faces[f].v[k];
    auto simplify = [&] {
        return meshopt_simplify(simplified.data(), indices.data(), indices.size(),
                                &mesh.vertices[0].x, size_t(mesh.vertexCount), sizeof(Point3),
                                targetFaces * 3, targetError, 0, nullptr);
    };
    const size_t kept = simplify();

    std::optional<Mesh> work;
    std::vector<double> ourCpu, ourWall, theirCpu, theirWall, cpuRatio, wallRatio;
    for (int r = 0; r < reps; ++r) {
        const Measure ours = measureInChild(
            [&] {
                work.emplace(mesh);
                warmFreePages(warmBytesFor(mesh));
            },
            [&] {
                work->Optimize(4 * kDegree, 4 * kDegree, 0.1f, 7, nullptr);
                return true;
            });
        const Measure theirs = measureInChild(
            [&] {
                std::fill(simplified.begin(), simplified.end(), 0u);
                warmFreePages(warmBytesFor(mesh));
            },
            [&] { return simplify() > 0; });
        ourCpu.push_back(ours.cpuSeconds);
        ourWall.push_back(ours.seconds);
        theirCpu.push_back(theirs.cpuSeconds);
        theirWall.push_back(theirs.seconds);
        cpuRatio.push_back(ours.cpuSeconds / std::max(theirs.cpuSeconds, 1e-9));
        wallRatio.push_back(ours.seconds / std::max(theirs.seconds, 1e-9));
    }
    std::printf("  Optimize:         %9.1f ms cpu %9.1f ms wall -> %d faces\n",
                medianOf(ourCpu) * 1e3, medianOf(ourWall) * 1e3, probe.faceCount);
    std::printf("  meshopt_simplify: %9.1f ms cpu %9.1f ms wall -> %zu faces (asked for %zu)\n",
                medianOf(theirCpu) * 1e3, medianOf(theirWall) * 1e3, kept / 3, targetFaces);
    std::printf("  time ratio Optimize / meshopt_simplify: %.2f cpu, %.2f wall\n",
                medianOf(cpuRatio), medianOf(wallRatio));
}

// The flat grid (meshopt_simplify aims for the two-triangle result; a flat grid loses
// nothing at any error bound) and the noisy surface (meshopt_simplify asked for the face
// count Optimize reached, with no error bound in the way).
void compareWithMeshoptimizer(int gridFaces, int noisyFaces, int reps) {
    compareOne("flat grid", makeMesh("grid", gridFaces), 2, 1e-3f, reps);
    compareOne("noisy surface", makeMesh("noisy", noisyFaces), 0, 1.0f, reps);
}

// Every operation on every crowded shape beside the flat grid of the same size: per-face
// time as a multiple of the grid's (bound 3), the peak memory the operation adds (as a
// multiple of the mesh's own bytes), and the growth of per-face time from the smallest
// size (reported: a mesh of that size works from the caches) and from the one before the
// largest (bound 1.3) to the largest, and of per-face peak over the whole range (bound
// 1.3). Every size is measured in every round, grid first, so
// ratios and growths are taken within one round (the machine's pace drifts between
// rounds) and their medians reported. Only operations whose name holds `only` and
// shapes named `shapeOnly` when these are not empty.
void measureFamilies(const std::vector<int>& sizes, int reps, const std::string& only,
                     const std::string& shapeOnly) {
    struct Size {
        Mesh grid;
        std::vector<NamedMesh> family;
        std::vector<double> idleBytes; // what measuring costs by itself, per shape
    };
    std::vector<Size> bySize;
    const Operation idle{"idle", [](Mesh&) {}};
    for (int size : sizes) {
        Size& at = bySize.emplace_back(Size{referenceGrid(size), crowdedFamily(size), {}});
        if (!shapeOnly.empty())
            std::erase_if(at.family, [&](const NamedMesh& s) { return s.name != shapeOnly; });
        for (const NamedMesh& shape : at.family)
            at.idleBytes.push_back(measureOperation(shape.mesh, idle).extraBytes());
    }
    const size_t shapeCount = bySize.front().family.size(), last = sizes.size() - 1;
    const size_t step = last > 0 ? last - 1 : 0;

    std::printf("%-9s %8s  %-22s %9s %9s %12s %8s %9s %9s\n", "family", "faces", "operation",
                "cpu ms", "grid ms", "Mfaces/s", "x grid", "peak+ MB", "peak/mesh");
    struct Growth {
        std::string shape, op;
        double whole, lastStep, peak;
    };
    std::vector<Growth> growths;
    double worstRatio = 0;
    for (const Operation& op : operations()) {
        if (!nameHas(op.name, only)) continue;
        // rounds[size][r]: one side-by-side round of the grid and the shapes
        std::vector<std::vector<SideBySide>> rounds(sizes.size());
        for (int r = 0; r < reps; ++r)
            for (size_t z = 0; z < sizes.size(); ++z) {
                std::vector<const Mesh*> shapes;
                for (const NamedMesh& shape : bySize[z].family) shapes.push_back(&shape.mesh);
                rounds[z].push_back(measureSideBySide(bySize[z].grid, shapes, op, 1));
            }
        std::vector<std::vector<double>> perFaceTime(shapeCount), perFacePeak(shapeCount);
        for (size_t z = 0; z < sizes.size(); ++z) {
            std::vector<Measure> gridRuns;
            for (const SideBySide& round : rounds[z]) gridRuns.push_back(round.reference);
            const Measure g = medianRun(gridRuns);
            for (size_t s = 0; s < shapeCount; ++s) {
                const NamedMesh& shape = bySize[z].family[s];
                std::vector<Measure> runs;
                std::vector<double> ratios;
                for (const SideBySide& round : rounds[z]) {
                    runs.push_back(round.subjects[s]);
                    ratios.push_back(round.perFaceRatios[s]);
                }
                const Measure m = medianRun(runs);
                const double peak =
                    std::max(0.0, m.peakBytes - m.baseBytes - bySize[z].idleBytes[s]);
                const double cpu = std::max(m.cpuSeconds, 1e-6);
                const double ratio = medianOf(ratios);
                worstRatio = std::max(worstRatio, ratio);
                perFacePeak[s].push_back(peak / shape.mesh.faceCount);
                std::printf("%-9s %8d  %-22s %9.2f %9.2f %12.2f %8.2f %9.1f %9.2f%s\n",
                            shape.name.c_str(), shape.mesh.faceCount, op.name, cpu * 1e3,
                            g.cpuSeconds * 1e3, shape.mesh.faceCount / cpu / 1e6, ratio,
                            peak / (1024.0 * 1024.0),
                            peak / double(hostkit::meshMemoryBytes(shape.mesh)),
                            ratio > 3 ? "  <- over 3x" : "");
            }
        }
        std::fflush(stdout);
        if (last == 0) continue;
        for (size_t s = 0; s < shapeCount; ++s) {
            // per-face CPU time of size z over size y, within each round
            auto growth = [&](size_t y, size_t z) {
                std::vector<double> values;
                const int facesY = bySize[y].family[s].mesh.faceCount;
                const int facesZ = bySize[z].family[s].mesh.faceCount;
                for (int r = 0; r < reps; ++r)
                    values.push_back(std::max(rounds[z][r].subjects[s].cpuSeconds, 1e-6) / facesZ *
                                     facesY / std::max(rounds[y][r].subjects[s].cpuSeconds, 1e-6));
                return medianOf(values);
            };
            // a peak below one byte per face is measuring noise, not growth
            const std::vector<double>& peak = perFacePeak[s];
            const double peakGrowth =
                peak.front() >= 1 && peak.back() >= 1 ? peak.back() / peak.front() : 1.0;
            growths.push_back(Growth{bySize[0].family[s].name, op.name, growth(0, last),
                                     growth(step, last), peakGrowth});
        }
    }
    double worstWhole = 0, worstGrowth = 0, worstPeakGrowth = 0;
    if (last > 0) {
        std::printf("\nGrowth of the per-face figures (1 = linear): time from %d", sizes.front());
        if (step > 0) std::printf(" and from %d (bound 1.3)", sizes[step]);
        std::printf(" to %d faces, peak memory from %d (bound 1.3)\n", sizes.back(), sizes.front());
        for (const Growth& g : growths) {
            worstWhole = std::max(worstWhole, g.whole);
            worstGrowth = std::max(worstGrowth, g.lastStep);
            worstPeakGrowth = std::max(worstPeakGrowth, g.peak);
            std::printf("  %-9s %-22s %6.2f %6.2f %6.2f%s\n", g.shape.c_str(), g.op.c_str(),
                        g.whole, g.lastStep, g.peak,
                        g.lastStep > 1.3 || g.peak > 1.3 ? "  <- over 1.3" : "");
        }
    }
    std::printf("\nworst per-face ratio to the grid: %.2f; worst growth: time %.2f from %d",
                worstRatio, worstGrowth, sizes[step]);
    if (step > 0) std::printf(" (%.2f from %d)", worstWhole, sizes.front());
    std::printf(", peak %.2f\n", worstPeakGrowth);
}

constexpr const char* kUsage =
    "usage: mesh_bench [--quick|--large] [--compare] [--reps N] [sphere|grid|noisy ...]\n"
    "       mesh_bench --families [--quick] [--reps N] [--op NAME-PART] [--family NAME]\n"
    "       mesh_bench --corpus [--min-faces N] [--reps N] [--op NAME-PART] [FILE ...]\n"
    "       mesh_bench --assimp [--quick] [--reps N] [--op NAME-PART]\n"
    "\n"
    "Times every host mesh operation, each run in a forked child (CPU ms, faces per\n"
    "second, peak memory beyond the mesh as a multiple of the mesh's size). Except\n"
    "beside the peers, a run's copy of the mesh is flushed from the caches first.\n"
    "  (no mode)    grids, UV spheres and noisy surfaces of 10,000 to 2,000,000 faces,\n"
    "               then Optimize against meshoptimizer's simplifier\n"
    "  --quick      10,000 and 100,000 faces only; --large: 1,000,000 only\n"
    "  --compare    only Optimize against meshoptimizer (2M grid, noisy 1M surface)\n"
    "  --families   crowded shapes (fan, cone, cylinder, poles, hub, strip, islands,\n"
    "               noisy) as a multiple of the flat grid's per-face time (bound 3),\n"
    "               and the growth to 1,000,000 faces from 10,000 and from\n"
    "               100,000 (bound 1.3)\n"
    "  --corpus     the same on the objects of at least N faces (default 5000) in\n"
    "               real model files (default: the largest of assimp-testmodels)\n"
    "  --assimp     beside the nearest Assimp post-processing step, 1,000,000 faces\n"
    "  --reps N     median of N runs (default 5)\n"
    "  --op PART    only operations whose name contains PART; --family NAME likewise\n";

// The number after a flag, or an error naming the flag.
bool readCount(int argc, char** argv, int& i, int& value) {
    char* end = nullptr;
    const long parsed = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
    if (i + 1 >= argc || *end != '\0' || parsed < 1 || parsed > 100000000) {
        std::fprintf(stderr, "mesh_bench: %s needs a whole number from 1\n%s", argv[i], kUsage);
        return false;
    }
    value = int(parsed);
    ++i;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false, largeOnly = false, compareOnly = false, families = false;
    bool assimp = false, corpus = false;
    int reps = 5, minFaces = 5000;
    std::string only, shapeOnly;
    std::vector<std::string> kinds;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--families") == 0)
            families = true;
        else if (std::strcmp(argv[i], "--assimp") == 0)
            assimp = true;
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = true;
        else if (std::strcmp(argv[i], "--min-faces") == 0) {
            if (!readCount(argc, argv, i, minFaces)) return 2;
        } else if (std::strcmp(argv[i], "--reps") == 0) {
            if (!readCount(argc, argv, i, reps)) return 2;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--op") == 0 && i + 1 < argc)
            only = argv[++i];
        else if (std::strcmp(argv[i], "--family") == 0 && i + 1 < argc)
            shapeOnly = argv[++i];
        else if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--large") == 0)
            largeOnly = true;
        else if (std::strcmp(argv[i], "--compare") == 0) // only Optimize against meshopt
            compareOnly = true;
        else if (argv[i][0] == '-') {
            const bool needsName =
                std::strcmp(argv[i], "--op") == 0 || std::strcmp(argv[i], "--family") == 0;
            std::fprintf(stderr,
                         needsName ? "mesh_bench: %s needs a name\n%s"
                                   : "mesh_bench: unknown option '%s'\n%s",
                         argv[i], kUsage);
            return 2;
        } else
            kinds.push_back(argv[i]);
    }
    if (!corpus)
        for (const std::string& kind : kinds)
            if (kind != "sphere" && kind != "grid" && kind != "noisy") {
                std::fprintf(stderr, "mesh_bench: unknown mesh '%s' (sphere, grid or noisy)\n",
                             kind.c_str());
                return 2;
            }
    if (!only.empty() &&
        std::none_of(operations().begin(), operations().end(),
                     [&](const Operation& op) { return nameHas(op.name, only); })) {
        std::fprintf(stderr, "mesh_bench: no operation's name contains '%s'; they are:\n",
                     only.c_str());
        for (const Operation& op : operations()) std::fprintf(stderr, "  %s\n", op.name);
        return 2;
    }
    if (!shapeOnly.empty()) {
        const std::vector<NamedMesh> names = crowdedFamily(1000);
        if (std::none_of(names.begin(), names.end(),
                         [&](const NamedMesh& s) { return s.name == shapeOnly; })) {
            std::fprintf(stderr, "mesh_bench: no family '%s'; they are:", shapeOnly.c_str());
            for (const NamedMesh& s : names) std::fprintf(stderr, " %s", s.name.c_str());
            std::fputc('\n', stderr);
            return 2;
        }
    }
    if (pinToOneCpu() < 0) std::fputs("mesh_bench: not pinned to one CPU\n", stderr);
    if (assimp) {
#ifdef ZEF_BENCH_ASSIMP
        compareWithAssimp(quick ? 100000 : 1000000, reps, only);
        return 0;
#else
        std::fprintf(stderr, "mesh_bench: built without Assimp\n");
        return 2;
#endif
    }
    if (corpus) {
        if (kinds.empty()) kinds = defaultCorpusFiles();
        return measureCorpus(kinds, minFaces, reps, only) > 0 ? 0 : 1;
    }
    if (families) {
        measureFamilies(quick ? std::vector<int>{10000, 100000}
                              : std::vector<int>{10000, 100000, 1000000},
                        reps, only, shapeOnly);
        return 0;
    }
    if (kinds.empty() && !compareOnly) kinds = {"sphere", "grid", "noisy"};
    const std::vector<int> sizes = quick       ? std::vector<int>{10000, 100000}
                                   : largeOnly ? std::vector<int>{1000000}
                                               : std::vector<int>{10000, 100000, 1000000, 2000000};
    if (!kinds.empty())
        std::printf("%-8s %9s  %-24s %10s %10s %14s %10s\n", "mesh", "faces", "operation",
                    "wall ms", "cpu ms", "Mfaces/s(cpu)", "peak/mesh");
    for (const std::string& kind : kinds) {
        for (int size : sizes) {
            const Mesh mesh = makeMesh(kind, size);
            // What measuring costs by itself (first-touched pages of the child): taken
            // off each operation's peak, so small meshes show what the operation uses.
            const double idleBytes = measureOperation(mesh, {"idle", [](Mesh&) {}}).extraBytes();
            for (const Operation& op : operations()) {
                if (!nameHas(op.name, only)) continue;
                const Measure m = measureOperation(mesh, op);
                const double cpu = std::max(m.cpuSeconds, 1e-6);
                std::printf("%-8s %9d  %-24s %10.2f %10.2f %14.2f %10.2f\n", kind.c_str(),
                            mesh.faceCount, op.name, m.seconds * 1e3, m.cpuSeconds * 1e3,
                            mesh.faceCount / cpu / 1e6,
                            std::max(0.0, m.extraBytes() - idleBytes) /
                                double(hostkit::meshMemoryBytes(mesh)));
                std::fflush(stdout);
            }
        }
    }
    if (!largeOnly && (only.empty() || compareOnly)) // --op narrows to the table
        compareWithMeshoptimizer(quick ? 200000 : 2000000, quick ? 100000 : 1000000, reps);
    return 0;
}
