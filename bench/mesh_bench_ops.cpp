// The operations mesh_bench measures and one measured run: see mesh_bench_ops.h.
#include "mesh_bench_ops.h"

#include <malloc.h>

#include <algorithm>
#include <numbers>
#include <optional>

#include "hostkit/mesh/mesh_tools.h"

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);

void flushMeshFromCaches(const Mesh& mesh) {
    const size_t faces = size_t(std::max(mesh.faceCount, 0));
    flushFromCaches(mesh.vertices, sizeof(Point3) * size_t(std::max(mesh.vertexCount, 0)));
    flushFromCaches(mesh.faces, sizeof(MeshFace) * faces);
    flushFromCaches(mesh.texVerts, sizeof(UVVert) * size_t(std::max(mesh.texVertCount, 0)));
    if (mesh.texFaces) flushFromCaches(mesh.texFaces, sizeof(TVFace) * faces);
    if (mesh.faceNormals) flushFromCaches(mesh.faceNormals, sizeof(Point3) * faces);
    if (mesh.cornerNormals) flushFromCaches(mesh.cornerNormals, sizeof(Point3) * 3 * faces);
}

} // namespace

size_t warmBytesFor(const Mesh& mesh) {
    return 8 * hostkit::meshMemoryBytes(mesh) + (16 << 20);
}

namespace {

double perFaceSeconds(const Measure& m, const Mesh& mesh) {
    return std::max(m.cpuSeconds, 1e-6) / std::max(mesh.faceCount, 1);
}

} // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"FlipNormal(all)",
         [](Mesh& m) {
             for (int f = 0; f < m.faceCount; ++f) m.FlipNormal(f);
         }},
        {"RemoveDegenerateFaces", [](Mesh& m) { m.RemoveDegenerateFaces(); }},
        {"UnifyNormals", [](Mesh& m) { m.UnifyNormals(0); }},
        {"AutoSmooth(30)", [](Mesh& m) { m.AutoSmooth(30 * kDegree, 0); }},
        {"AutoSmooth(0)", [](Mesh& m) { m.AutoSmooth(0, 0); }},
        {"AutoSmooth(180)", [](Mesh& m) { m.AutoSmooth(180 * kDegree, 0); }},
        {"AutoSmooth(30,flag1)", [](Mesh& m) { m.AutoSmooth(30 * kDegree, 1); }},
        {"ApplyUVWMap(planar)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"ApplyUVWMap(cyl,cap)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_CYLINDRICAL, 1, 1, 1, 0, 0, 0, 1, Matrix3()); }},
        {"ApplyUVWMap(spherical)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_SPHERICAL, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"ApplyUVWMap(ball)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_BALL, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"ApplyUVWMap(box)",
         [](Mesh& m) { m.ApplyUVWMap(MAP_BOX, 1, 1, 1, 0, 0, 0, 0, Matrix3()); }},
        {"buildNormals", [](Mesh& m) { m.buildNormals(); }},
        {"Optimize(4,4,0.1)",
         [](Mesh& m) { m.Optimize(4 * kDegree, 4 * kDegree, 0.1f, 7, nullptr); }},
        {"Optimize(0,0,0)", [](Mesh& m) { m.Optimize(0, 0, 0, 7, nullptr); }},
        {"Optimize(90,90,1)",
         [](Mesh& m) { m.Optimize(90 * kDegree, 90 * kDegree, 1, 7, nullptr); }},
        {"Optimize(90,90,0,0)",
         [](Mesh& m) { m.Optimize(90 * kDegree, 90 * kDegree, 0, 0, nullptr); }},
    };
    return ops;
}

Measure measureOperation(const Mesh& mesh, const Operation& op) {
    std::optional<Mesh> work;
    return measureInChild(
        [&] {
            mallopt(M_MMAP_THRESHOLD, 64 * 1024); // big arrays come and go as mappings
            work.emplace(mesh);
            malloc_trim(0);
            warmFreePages(warmBytesFor(mesh));
            flushMeshFromCaches(*work);
        },
        [&] {
            op.run(*work);
            return true;
        });
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Measure medianRun(std::vector<Measure> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measure& a, const Measure& b) { return a.cpuSeconds < b.cpuSeconds; });
    Measure m = runs[runs.size() / 2];
    for (const Measure& r : runs) m.peakBytes = std::max(m.peakBytes, r.baseBytes + r.extraBytes());
    return m;
}

SideBySide measureSideBySide(const Mesh& reference, const std::vector<const Mesh*>& subjects,
                             const Operation& op, int reps) {
    std::vector<Measure> referenceRuns;
    std::vector<std::vector<Measure>> subjectRuns(subjects.size());
    std::vector<std::vector<double>> ratios(subjects.size());
    for (int r = 0; r < reps; ++r) {
        referenceRuns.push_back(measureOperation(reference, op));
        const double referencePerFace = perFaceSeconds(referenceRuns.back(), reference);
        for (size_t s = 0; s < subjects.size(); ++s) {
            subjectRuns[s].push_back(measureOperation(*subjects[s], op));
            ratios[s].push_back(perFaceSeconds(subjectRuns[s].back(), *subjects[s]) /
                                referencePerFace);
        }
    }
    SideBySide result;
    result.reference = medianRun(std::move(referenceRuns));
    for (size_t s = 0; s < subjects.size(); ++s) {
        result.subjects.push_back(medianRun(std::move(subjectRuns[s])));
        result.perFaceRatios.push_back(medianOf(std::move(ratios[s])));
    }
    return result;
}

bool nameHas(const char* name, const std::string& part) {
    return part.empty() || std::string(name).find(part) != std::string::npos;
}
