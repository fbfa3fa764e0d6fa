// Every operation on the larger meshes of real files: see mesh_bench_corpus.h.
#include "mesh_bench_corpus.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/scene.h"
#include "mesh_bench_ops.h"
#include "scenes/scene_loader.h"
#include "support/mesh_family.h"

namespace {

constexpr const char* kCorpusFolder = "/usr/share/assimp/models/";

struct NamedSource {
    std::string name; // file name, then the node's
    Mesh mesh;
};

// The mesh objects of at least minFaces faces in file, in node order.
std::vector<NamedSource> largeMeshesOf(const std::string& file, int minFaces) {
    std::vector<NamedSource> found;
    OpenedScene opened = openScene(file);
    if (!opened.ok()) {
        std::printf("  %s: not measured: %s\n", file.c_str(), opened.error.message().c_str());
        return found;
    }
    const std::string fileName = std::filesystem::path(file).filename().string();
    for (SceneNode* node : opened.scene->nodes()) {
        auto* object = dynamic_cast<MeshObject*>(node->object());
        if (object && object->mesh.faceCount >= minFaces)
            found.push_back({fileName + ":" + node->nodeName(), object->mesh});
    }
    return found;
}

} // namespace

std::vector<std::string> defaultCorpusFiles() {
    static const char* const relative[] = {
        "BLEND/SuzanneSubdiv_252.blend",
        "BLEND/yxa_1.blend",
        "glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb",
        "Collada/human.zae",
        "Q3D/E-AT-AT.q3o",
        "BLEND/HUMAN.blend",
        "Collada/COLLADA.dae",
        "X/fromtruespace_bin32.x",
    };
    std::vector<std::string> files;
    for (const char* path : relative) {
        const std::string full = std::string(kCorpusFolder) + path;
        if (std::filesystem::exists(full)) files.push_back(full);
    }
    return files;
}

int measureCorpus(const std::vector<std::string>& files, int minFaces, int reps,
                  const std::string& only) {
    std::printf("Meshes of at least %d faces from %zu files, median CPU time of %d runs\n",
                minFaces, files.size(), reps);
    std::vector<NamedSource> meshes;
    for (const std::string& file : files)
        for (NamedSource& source : largeMeshesOf(file, minFaces))
            meshes.push_back(std::move(source));
    std::printf("%-44s %8s  %-22s %9s %9s %10s %8s\n", "mesh", "faces", "operation", "cpu ms",
                "grid ms", "Mfaces/s", "x grid");
    std::map<int, Mesh> grids; // by face count
    double worst = 0;
    std::string worstRow;
    for (const NamedSource& source : meshes) {
        const int faces = source.mesh.faceCount;
        auto grid = grids.find(faces);
        if (grid == grids.end()) grid = grids.emplace(faces, referenceGrid(faces)).first;
        for (const Operation& op : operations()) {
            if (!nameHas(op.name, only)) continue;
            const SideBySide side = measureSideBySide(grid->second, {&source.mesh}, op, reps);
            const Measure& g = side.reference;
            const double cpu = std::max(side.subjects[0].cpuSeconds, 1e-6);
            const double ratio = side.perFaceRatios[0];
            if (ratio > worst) worst = ratio, worstRow = source.name + " " + op.name;
            std::printf("%-44.44s %8d  %-22s %9.2f %9.2f %10.2f %8.2f%s\n", source.name.c_str(),
                        faces, op.name, cpu * 1e3, g.cpuSeconds * 1e3, faces / cpu / 1e6, ratio,
                        ratio > 3 ? "  <- over 3x" : "");
            std::fflush(stdout);
        }
    }
    if (!meshes.empty())
        std::printf("\nworst per-face ratio to the grid: %.2f (%s)\n", worst, worstRow.c_str());
    return int(meshes.size());
}
