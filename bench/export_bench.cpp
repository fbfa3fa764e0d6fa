// Export benchmark: the plug-in, loaded by path and driven through its dialog like
// zefhost does, against a one-fprintf-per-line writer of the same file (whose bytes
// must match) and against Assimp's OBJ exporter; then how export time grows with the
// number of nodes, and the peak memory of each export. Every export runs in a forked
// child, so times and peaks do not mix.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>

#include "app/plugin_library.h"
#include "host/hold.h"
#include "hostkit/hold/hold_history.h"
#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/mesh/primitives.h"
#include "hostkit/scene/materials.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/scene.h"
#include "hostkit/session/host_session.h"
#include "child_measure.h"
#include "hostkit/ui/scenario.h"
#include "resources/resource.h"

namespace {

constexpr double kMB = 1024.0 * 1024.0;

// ---- process measurements -------------------------------------------------------

double fileBytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0.0 : double(size);
}

// ---- the plug-in ----------------------------------------------------------------

// What the person at the export dialog does: normals and materials on, every
// preparation step off, vertices in world space, then OK.
Scenario benchDialogSteps() {
    const std::pair<int, bool> wanted[] = {
        {IDC_SELECTED_ONLY, false},   {IDC_EXPORT_NORMALS, true},     {IDC_EXPORT_MATERIALS, true},
        {IDC_EXPORT_CENTERED, false}, {IDC_APPLY_TO_SCENE, false},    {IDC_FLIP_NORMALS, false},
        {IDC_UNIFY_NORMALS, false},   {IDC_REMOVE_DEGENERATE, false}, {IDC_AUTO_SMOOTH, false},
        {IDC_OPTIMIZE, false},        {IDC_APPLY_UVMAP, false},       {IDC_EXPORT_HIGHLIGHTS, true},
        {IDC_REMOVE_TWOSIDED, false}, {IDC_APPLY_TWOSIDED, false}};
    Scenario scenario;
    for (const auto& [id, on] : wanted) {
        std::string control = "#";
        control += std::to_string(id);
        scenario.steps.push_back(
            {on ? ScenarioStep::Action::Check : ScenarioStep::Action::Uncheck, control, ""});
    }
    scenario.steps.push_back({ScenarioStep::Action::Click, "#1", ""});
    return scenario;
}

// One export through the loaded plug-in's exporter class. False with a note on
// stderr when the dialog could not be played or the export showed a message.
bool exportThroughPlugin(PluginLibrary& plugin, HostSession& host, const std::string& path) {
    auto* exporter = static_cast<HostSceneExporter*>(plugin.createInstance(SCENE_EXPORT_CLASS_ID));
    if (!exporter) {
        std::fprintf(stderr, "the plug-in offers no scene exporter\n");
        return false;
    }
    ScenarioUser user;
    user.queue(benchDialogSteps());
    User* previous = hostkit::setUser(&user);
    exporter->exportScene(path.c_str(), host.exportInterface(), &host);
    hostkit::setUser(previous);
    delete exporter;
    std::string problems;
    for (const std::string& error : user.errors()) problems += error + "; ";
    for (const ScenarioUser::Message& message : user.messages())
        problems += "message box \"" + message.text + "\"; ";
    if (user.dialogTitles().empty()) problems += "no dialog";
    if (!problems.empty())
        std::fprintf(stderr, "export to %s failed: %s\n", path.c_str(), problems.c_str());
    return problems.empty();
}

// ---- the same file, one fprintf per line ----------------------------------------

// Writes the file the plug-in writes for one node with a standard material under
// the dialog of exportSteps(): one formatted print per line, each result tested.
bool writeWithFprintf(const std::string& path, const char* name, const Mesh& mesh,
                      const Matrix3& tm, StdMaterial& material) {
    std::setlocale(LC_NUMERIC, "German");
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    bool ok = std::fprintf(out, "ZEF File 1.0\n") >= 0 && std::fprintf(out, "NumObjects: 1\n") >= 0;
    ok = ok && std::fprintf(out, "Object 0: %s\n", name) >= 0;
    ok = ok && std::fprintf(out, "Vertices: %d TVertices: %d Faces: %d Materials: 1 Normals: 1\n",
                            mesh.vertexCount, mesh.texVertCount, mesh.faceCount) >= 0;

    const Color diffuse = material.diffuse(0, 0);
    const Color specular = material.specular(0, 0);
    ok = ok && std::fprintf(out, "Material list:\n") >= 0;
    ok = ok && std::fprintf(out, "Material 0: %s\n", material.name.data()) >= 0;
    ok = ok && std::fprintf(out, "Diffuse: R: %.6f G: %.6f B: %.6f A: %.6f\n", diffuse.r, diffuse.g,
                            diffuse.b, 1.0f - material.transparency(0, 0)) >= 0;
    ok = ok && std::fprintf(out,
                            "Specular: R: %.6f G: %.6f B: %.6f Shininess: %.6f "
                            "Shiningstrength: %.6f\n",
                            specular.r, specular.g, specular.b, material.shininess(0, 0),
                            material.shininessStrength(0, 0)) >= 0;
    ok = ok && std::fprintf(out, "Twosided: %d\n", material.twoSided()) >= 0;
    ok = ok && std::fprintf(out, "Texture: NODIFFUSE\n") >= 0;

    ok = ok && std::fprintf(out, "Vertex list:\n") >= 0;
    for (int k = 0; ok && k < mesh.vertexCount; ++k) {
        const Point3 p = mesh.vertices[k] * tm;
        ok = std::fprintf(out, "Vertex %d: X: %.6f Y: %.6f Z: %.6f\n", k, p.x, p.y, p.z) >= 0;
    }
    ok = ok && std::fprintf(out, "TVertex list:\n") >= 0;
    for (int k = 0; ok && k < mesh.texVertCount; ++k) {
        const UVVert& uv = mesh.texVerts[k];
        ok = std::fprintf(out, "TVertex %d: U: %.6f V: %.6f\n", k, uv.x, uv.y) >= 0;
    }
    ok = ok && std::fprintf(out, "Face list:\n") >= 0;
    for (int f = 0; ok && f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        const Point3& n = mesh.faceNormals[f];
        const TVFace& tv = mesh.texFaces[f];
        ok = std::fprintf(out, "Face %d: A: %d B: %d C: %d AB: %d BC: %d CA: %d\n", f,
                          int(face.v[0]), int(face.v[2]), int(face.v[1]), int(face.flags & 1),
                          int((face.flags >> 1) & 1), int((face.flags >> 2) & 1)) >= 0 &&
             std::fprintf(out, "Normal: X: %.6f Y: %.6f Z: %.6f\n", n.x, n.y, n.z) >= 0 &&
             std::fprintf(out, "Smoothing: %u\n", face.smGroup) >= 0 &&
             std::fprintf(out, "TVFace %d: TA: %d TB: %d TC: %d\n", f, int(tv.t[0]), int(tv.t[2]),
                          int(tv.t[1])) >= 0;
    }
    return std::fclose(out) == 0 && ok;
}

// ---- Assimp's OBJ exporter ------------------------------------------------------

// The mesh as Assimp holds one: a vertex per face corner with its position (world
// space), the face's normal and the corner's texture coordinate.
std::unique_ptr<aiScene> makeAssimpScene(const Mesh& mesh, const Matrix3& tm) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("Sphere");
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned int[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { new aiMesh() };

    aiMesh& out = *scene->mMeshes[0];
    const unsigned corners = unsigned(mesh.faceCount) * 3;
    out.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    out.mNumVertices = corners;
    out.mVertices = new aiVector3D[corners];
    out.mNormals = new aiVector3D[corners];
    out.mTextureCoords[0] = new aiVector3D[corners];
    out.mNumUVComponents[0] = 2;
    out.mNumFaces = unsigned(mesh.faceCount);
    out.mFaces = new aiFace[out.mNumFaces];
    for (int f = 0; f < mesh.faceCount; ++f) {
        aiFace& face = out.mFaces[f];
        face.mNumIndices = 3;
        face.mIndices = new unsigned int[3];
        const Point3& n = mesh.faceNormals[f];
        for (int k = 0; k < 3; ++k) {
            const unsigned corner = unsigned(f) * 3 + unsigned(k);
            face.mIndices[k] = corner;
            const Point3 p = mesh.vertices[mesh.faces[f].v[k]] * tm;
            const UVVert& uv = mesh.texVerts[mesh.texFaces[f].t[k]];
            out.mVertices[corner] = aiVector3D(p.x, p.y, p.z);
            out.mNormals[corner] = aiVector3D(n.x, n.y, n.z);
            out.mTextureCoords[0][corner] = aiVector3D(uv.x, uv.y, 0);
        }
    }
    return scene;
}

bool exportWithAssimp(const aiScene& scene, const std::string& path) {
    Assimp::Exporter exporter;
    if (exporter.Export(&scene, "obj", path) == aiReturn_SUCCESS) return true;
    std::fprintf(stderr, "Assimp: %s\n", exporter.GetErrorString());
    return false;
}

// ---- file comparison ------------------------------------------------------------

// True when both files hold the same bytes; otherwise says loudly where they part.
bool sameBytes(const std::string& expected, const std::string& actual) {
    FILE* a = std::fopen(expected.c_str(), "rb");
    FILE* b = std::fopen(actual.c_str(), "rb");
    bool same = a && b;
    std::vector<char> bufferA(1 << 20), bufferB(1 << 20);
    size_t offset = 0, line = 1;
    while (same) {
        const size_t na = std::fread(bufferA.data(), 1, bufferA.size(), a);
        const size_t nb = std::fread(bufferB.data(), 1, bufferB.size(), b);
        const size_t n = std::min(na, nb);
        size_t i = 0;
        while (i < n && bufferA[i] == bufferB[i]) line += bufferA[i++] == '\n';
        if (i < n || na != nb) {
            std::printf("\n*** MISMATCH: %s and %s differ at byte %zu (line %zu)\n",
                        expected.c_str(), actual.c_str(), offset + i, line);
            same = false;
        }
        if (na == 0) break;
        offset += n;
    }
    if (a) std::fclose(a);
    if (b) std::fclose(b);
    return same;
}

// ---- scenes -----------------------------------------------------------------------

struct BenchScene {
    Scene scene;
    HostSession host{scene};
    double meshBytes = 0;        // every node's mesh
    double largestMeshBytes = 0; // the largest one
};

// One node with a UV sphere of about faces faces, normals built, and a standard
// material; the node sits off the origin so the vertex transform does real work.
void addSphereNode(BenchScene& bench, int faces) {
    Mesh mesh =
        hostkit::makeSphereMesh(1.0f, std::max(3, int(std::lround(std::sqrt(double(faces))))));
    mesh.buildNormals();
    SceneNode* node = bench.scene.createNode("Sphere");
    node->setObject(std::make_unique<MeshObject>(mesh));
    Matrix3 tm;
    tm.SetTrans(Point3(1.5f, -2.0f, 0.25f));
    node->setTransform(tm);
    node->setMaterial(bench.scene.createStdMaterial("Glaze"));
    bench.meshBytes = bench.largestMeshBytes = double(hostkit::meshMemoryBytes(mesh));
}

// count nodes, each a 12-face box on a grid of positions, sharing one material.
void addBoxNodes(BenchScene& bench, int count) {
    const Mesh box = hostkit::makeBoxMesh(1, 1, 1, 1);
    StdMaterial* material = bench.scene.createStdMaterial("Crate");
    const int side = int(std::ceil(std::sqrt(double(count))));
    for (int i = 0; i < count; ++i) {
        SceneNode* node = bench.scene.createNode("Box" + std::to_string(i));
        node->setObject(std::make_unique<MeshObject>(box));
        Matrix3 tm;
        tm.SetTrans(Point3(float(i % side) * 2.0f, float(i / side) * 2.0f, 0));
        node->setTransform(tm);
        node->setMaterial(material);
    }
    bench.meshBytes = double(hostkit::meshMemoryBytes(box)) * count;
    bench.largestMeshBytes = double(hostkit::meshMemoryBytes(box));
}

// ---- report ---------------------------------------------------------------------

void printRow(const char* writer, const Measure& m, double bytes) {
    std::printf("  %-28s %8.3f %8.3f %9.1f %9.1f %10.1f  %s\n", writer, m.seconds, m.cpuSeconds,
                bytes / kMB, bytes / kMB / std::max(m.seconds, 1e-9), m.extraBytes() / kMB,
                m.ok ? "" : "FAILED");
}

// The peak of an export against what the scene holds plus one copy of its largest
// mesh; the process's own size (resident before the export less the scene) is added
// to both sides.
void printMemory(const char* what, const BenchScene& bench, const Measure& m) {
    const double overhead = m.baseBytes - bench.meshBytes;
    const double budget = bench.meshBytes + bench.largestMeshBytes;
    std::printf("  %-20s scene %8.1f MB + largest mesh %7.1f MB = %8.1f MB; peak %8.1f MB "
                "(process %5.1f MB) -> %+6.1f MB over\n",
                what, bench.meshBytes / kMB, bench.largestMeshBytes / kMB, budget / kMB,
                (m.peakBytes - overhead) / kMB, overhead / kMB,
                (m.peakBytes - overhead - budget) / kMB);
}

struct Options {
    bool quick = false;
    bool keep = false;
    bool pluginOnly = false; // the large export alone, in this process: for profilers
    bool fwriteOnly = false; // only the large export against one fwrite
    std::string dir;
    std::string plugin;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--plugin-only") {
            options.pluginOnly = true;
        } else if (arg == "--fwrite-only") {
            options.fwriteOnly = true;
        } else if ((arg == "--dir" || arg == "--plugin") && i + 1 < argc) {
            (arg == "--dir" ? options.dir : options.plugin) = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: export_bench [--quick] [--keep] [--plugin-only] [--fwrite-only] "
                         "[--dir DIR] "
                         "[--plugin PATH]\n"
                         "  --quick  small sizes; --keep  leave the written files in DIR\n");
            return false;
        }
    }
    return true;
}

// The run of median CPU time.
Measure medianOf(std::vector<Measure> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measure& a, const Measure& b) { return a.cpuSeconds < b.cpuSeconds; });
    return runs[runs.size() / 2];
}

// The plug-in against the fprintf loop and Assimp on one large mesh; false when a
// writer failed or the fprintf file differs from the plug-in's.
bool compareWriters(PluginLibrary& plugin, const Options& options, int faces, int reps) {
    BenchScene bench;
    addSphereNode(bench, faces);
    SceneNode* node = bench.scene.findNode("Sphere");
    const Mesh& mesh = static_cast<MeshObject*>(node->object())->mesh;
    auto* material = static_cast<StdMaterial*>(node->nodeMaterial());
    std::printf("One node, UV sphere: %d faces, %d vertices, %d texture vertices, normals built; "
                "median of %d, in turns\n",
                mesh.faceCount, mesh.vertexCount, mesh.texVertCount, reps);

    const std::string pluginPath = options.dir + "/sphere_plugin.zef";
    const std::string fprintfPath = options.dir + "/sphere_fprintf.zef";
    const std::string objPath = options.dir + "/sphere_assimp.obj";
    std::unique_ptr<aiScene> assimpScene = makeAssimpScene(mesh, node->transform());
    // In turns, reps times each, every writer starting without its file (see
    // compareWithOneFwrite); each figure is the median.
    std::vector<Measure> plugins, fprintfs, hostWorks, assimps;
    for (int r = 0; r < reps; ++r) {
        for (const std::string& path : {pluginPath, fprintfPath, objPath})
            std::remove(path.c_str());
        plugins.push_back(measureInChild(
            nullptr, [&] { return exportThroughPlugin(plugin, bench.host, pluginPath); }));
        fprintfs.push_back(measureInChild(nullptr, [&] {
            return writeWithFprintf(fprintfPath, node->name(), mesh, node->transform(), *material);
        }));
        // What the export asks of the host's mesh library for this node: the world box,
        // the work copy, and the normals its preparation drops and the writer rebuilds.
        hostWorks.push_back(measureInChild(nullptr, [&] {
            const Box3 box = meshWorldBox(mesh, node->transform());
            Mesh work = mesh;
            work.InvalidateGeomCache();
            work.buildNormals();
            return !box.IsEmpty() && work.hasNormals;
        }));
        assimps.push_back(
            measureInChild(nullptr, [&] { return exportWithAssimp(*assimpScene, objPath); }));
    }
    assimpScene.reset();
    const Measure viaPlugin = medianOf(plugins), viaFprintf = medianOf(fprintfs);
    const Measure hostWork = medianOf(hostWorks), viaAssimp = medianOf(assimps);

    std::printf("  %-28s %8s %8s %9s %9s %10s\n", "writer", "wall s", "cpu s", "file MB", "MB/s",
                "peak+ MB");
    printRow("plug-in (zefexp.dle)", viaPlugin, fileBytes(pluginPath));
    printRow(" of which host mesh work", hostWork, 0);
    printRow("fprintf per line", viaFprintf, fileBytes(fprintfPath));
    printRow("Assimp OBJ exporter", viaAssimp, fileBytes(objPath));

    const bool same = viaPlugin.ok && viaFprintf.ok && sameBytes(pluginPath, fprintfPath);
    std::printf("  fprintf file %s the plug-in's\n",
                same ? "is byte-identical to" : "DIFFERS FROM");
    // Judged on CPU time, which other work on a shared machine disturbs less.
    auto ratio = [](const char* name, const Measure& theirs, const Measure& ours, double target) {
        const double wall = theirs.seconds / std::max(ours.seconds, 1e-9);
        const double cpu = theirs.cpuSeconds / std::max(ours.cpuSeconds, 1e-9);
        std::printf("  plug-in vs %-20s %6.1fx faster (wall), %6.1fx (cpu), target %2.0fx: %s\n",
                    name, wall, cpu, target, cpu >= target ? "met" : "MISSED");
    };
    ratio("fprintf loop", viaFprintf, viaPlugin, 5);
    ratio("Assimp OBJ", viaAssimp, viaPlugin, 15);
    Measure writingAlone = viaPlugin;
    writingAlone.seconds -= hostWork.seconds;
    writingAlone.cpuSeconds -= hostWork.cpuSeconds;
    std::printf("  without the host's mesh work, the plug-in's own share:\n");
    ratio("fprintf loop", viaFprintf, writingAlone, 5);
    ratio("Assimp OBJ", viaAssimp, writingAlone, 15);
    std::printf("\nPeak memory of the export (target: at most scene + largest mesh + a few MB)\n");
    printMemory("sphere", bench, viaPlugin);

    if (!options.keep)
        for (const std::string& path : {pluginPath, fprintfPath, objPath, objPath + ".mtl",
                                        options.dir + "/sphere_assimp.mtl"})
            std::remove(path.c_str());
    return same && viaAssimp.ok;
}

// ---- against one fwrite -----------------------------------------------------------

// Writes bytes to path with one fwrite (and, with sync, an fsync as the plug-in's
// careful save does before its rename).
bool writeInOneCall(const std::string& path, const std::string& bytes, bool sync) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = ok && std::fflush(out) == 0 && (!sync || fsync(fileno(out)) == 0);
    return std::fclose(out) == 0 && ok;
}

std::string readWhole(const std::string& path) {
    std::string bytes;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char chunk[1 << 16];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, n);
        std::fclose(in);
    }
    return bytes;
}

// The large export against writing its bytes with one fwrite, in turns, reps times
// each: the export should take at most 3 times as long.
bool compareWithOneFwrite(PluginLibrary& plugin, const Options& options, int faces, int reps) {
    BenchScene bench;
    addSphereNode(bench, faces);
    const std::string pluginPath = options.dir + "/sphere_plugin_again.zef";
    const std::string fwritePath = options.dir + "/sphere_fwrite.zef";
    std::vector<Measure> exports, plain, synced;
    // The bytes are read here, before the children fork: a child that read them itself
    // would take fresh pages for its copy and leave the file write colder ones.
    std::string bytes;
    for (int r = 0; r < reps; ++r) {
        // Every writer starts without a file of its name: replacing one would add the freeing
        // of its 200 MB to the rename (or to the truncation of fopen's "wb") inside the timing
        std::remove(pluginPath.c_str());
        exports.push_back(measureInChild(
            nullptr, [&] { return exportThroughPlugin(plugin, bench.host, pluginPath); }));
        if (bytes.empty()) bytes = readWhole(pluginPath);
        plain.push_back(
            measureInChild(nullptr, [&] { return writeInOneCall(fwritePath, bytes, false); }));
        std::remove(fwritePath.c_str());
        synced.push_back(
            measureInChild(nullptr, [&] { return writeInOneCall(fwritePath, bytes, true); }));
        std::remove(fwritePath.c_str());
    }
    const double size = fileBytes(pluginPath);
    if (!options.keep) std::remove(pluginPath.c_str());
    const Measure ours = medianOf(exports), one = medianOf(plain), oneSynced = medianOf(synced);
    std::printf("\nThe %d-face export against one fwrite of its %.1f MB (median of %d, in turns)\n",
                faces, size / kMB, reps);
    std::printf("  %-28s %8s %8s\n", "writer", "wall s", "cpu s");
    std::printf("  %-28s %8.3f %8.3f\n", "plug-in (zefexp.dle)", ours.seconds, ours.cpuSeconds);
    std::printf("  %-28s %8.3f %8.3f\n", "one fwrite", one.seconds, one.cpuSeconds);
    std::printf("  %-28s %8.3f %8.3f\n", "one fwrite + fsync", oneSynced.seconds,
                oneSynced.cpuSeconds);
    auto ratio = [](const Measure& a, const Measure& b, bool cpu) {
        return cpu ? a.cpuSeconds / std::max(b.cpuSeconds, 1e-9)
                   : a.seconds / std::max(b.seconds, 1e-9);
    };
    const double wallRatio = ratio(ours, one, false), cpuRatio = ratio(ours, one, true);
    std::printf("  plug-in / one fwrite:          %5.2fx (wall), %5.2fx (cpu), target at most 3x: "
                "%s\n",
                wallRatio, cpuRatio, wallRatio <= 3 && cpuRatio <= 3 ? "met" : "MISSED");
    std::printf("  plug-in / one fwrite + fsync:  %5.2fx (wall), %5.2fx (cpu)\n",
                ratio(ours, oneSynced, false), ratio(ours, oneSynced, true));
    bool ok = true;
    for (const Measure& m : exports) ok = ok && m.ok;
    for (const Measure& m : plain) ok = ok && m.ok;
    return ok;
}

// Exports of scenes of many small nodes: time per node should stay flat.
bool measureNodeGrowth(PluginLibrary& plugin, const Options& options,
                       const std::vector<int>& counts) {
    std::printf("\nExport time against the number of nodes (12-face boxes, one material)\n");
    std::printf("  %8s %8s %8s %12s %9s %10s\n", "nodes", "wall s", "cpu s", "us/node", "file MB",
                "peak+ MB");
    bool ok = true;
    std::vector<std::pair<int, Measure>> results;
    std::vector<std::unique_ptr<BenchScene>> scenes;
    for (int count : counts) {
        auto bench = std::make_unique<BenchScene>();
        addBoxNodes(*bench, count);
        const std::string path = options.dir + "/boxes_" + std::to_string(count) + ".zef";
        const Measure m =
            measureInChild(nullptr, [&] { return exportThroughPlugin(plugin, bench->host, path); });
        std::printf("  %8d %8.3f %8.3f %12.2f %9.1f %10.1f  %s\n", count, m.seconds, m.cpuSeconds,
                    m.seconds / count * 1e6, fileBytes(path) / kMB, m.extraBytes() / kMB,
                    m.ok ? "" : "FAILED");
        ok = ok && m.ok;
        results.emplace_back(count, m);
        if (!options.keep) std::remove(path.c_str());
        if (count == counts.back()) printMemory("largest box scene", *bench, m);
    }
    const double first = results.front().second.seconds / results.front().first;
    const double last = results.back().second.seconds / results.back().first;
    std::printf("  time per node, largest scene over smallest: %.2f (1.00 is linear)\n",
                last / first);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) return 2;
    if (pinToOneCpu() < 0) std::fputs("export_bench: not pinned to one CPU\n", stderr);
    char temporary[] = "/tmp/export_bench.XXXXXX";
    if (options.dir.empty()) {
        if (!mkdtemp(temporary)) return 1;
        options.dir = temporary;
    }
    if (options.plugin.empty()) options.plugin = defaultPluginPath();
    std::string error;
    std::unique_ptr<PluginLibrary> plugin = PluginLibrary::load(options.plugin, error);
    if (!plugin) {
        std::fprintf(stderr, "export_bench: %s\n", error.c_str());
        return 2;
    }
    std::printf("Plug-in: %s (%s); files in %s\n\n", plugin->path().c_str(), plugin->description(),
                options.dir.c_str());

    const int faces = options.quick ? 20000 : 1000000;
    const std::vector<int> nodeCounts = options.quick ? std::vector<int>{1000, 5000, 10000}
                                                      : std::vector<int>{10000, 50000, 100000};
    if (options.pluginOnly) {
        BenchScene bench;
        addSphereNode(bench, faces);
        const std::string path = options.dir + "/sphere_plugin.zef";
        const bool ok = exportThroughPlugin(*plugin, bench.host, path);
        if (!options.keep) std::remove(path.c_str());
        return ok ? 0 : 1;
    }
    if (options.fwriteOnly) return compareWithOneFwrite(*plugin, options, faces, 3) ? 0 : 1;
    bool ok = compareWriters(*plugin, options, faces, 3);
    ok = compareWithOneFwrite(*plugin, options, faces, 3) && ok;
    ok = measureNodeGrowth(*plugin, options, nodeCounts) && ok;

    theHoldHistory.clear();
    if (!options.keep && options.dir == temporary) std::filesystem::remove(options.dir);
    plugin.reset();
    return ok ? 0 : 1;
}
