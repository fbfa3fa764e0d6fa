// The host's mesh operations against Assimp's post-processing steps. Assimp runs a
// step on the scene an Importer holds, so a small loader hands the host mesh to an
// Importer as an aiScene (one vertex per face corner, the layout these steps expect);
// that conversion happens before the clock starts, and only ApplyPostProcessing is
// timed.
#include "mesh_bench_assimp.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/importerdesc.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "child_measure.h"
#include "mesh_bench_ops.h"
#include "host/mesh.h"
#include "hostkit/mesh/primitives.h"

namespace {

constexpr float kDegree = float(std::numbers::pi / 180);

// What the aiScene carries besides positions.
struct SceneSetup {
    bool normals = false; // the face's normal at each corner (FixInfacingNormals)
    int mapping = -1;     // aiTextureMapping of a diffuse texture (GenUVCoords)
};

// Reads "files" named *.hostmesh: the mesh and setup it was given.
class HostMeshLoader : public Assimp::BaseImporter {
  public:
    HostMeshLoader(const Mesh& mesh, SceneSetup setup) : mesh_(mesh), setup_(setup) {}

    bool CanRead(const std::string& file, Assimp::IOSystem*, bool) const override {
        return file.size() > 9 && file.compare(file.size() - 9, 9, ".hostmesh") == 0;
    }
    const aiImporterDesc* GetInfo() const override {
        static const aiImporterDesc desc = {"host mesh", "", "", "", 0, 0, 0, 0, 0, "hostmesh"};
        return &desc;
    }
    void InternReadFile(const std::string&, aiScene* scene, Assimp::IOSystem*) override {
        scene->mRootNode = new aiNode("Mesh");
        scene->mRootNode->mNumMeshes = 1;
        scene->mRootNode->mMeshes = new unsigned[1]{0};
        scene->mNumMaterials = 1;
        scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
        if (setup_.mapping >= 0) {
            aiMaterial& material = *scene->mMaterials[0];
            const aiString path("texture.png");
            const int mapping = setup_.mapping;
            const aiVector3D axis(0, 0, 1); // ours map around z
            material.AddProperty(&path, AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0));
            material.AddProperty(&mapping, 1, AI_MATKEY_MAPPING(aiTextureType_DIFFUSE, 0));
            material.AddProperty(&axis, 1, AI_MATKEY_TEXMAP_AXIS(aiTextureType_DIFFUSE, 0));
        }
        scene->mNumMeshes = 1;
        scene->mMeshes = new aiMesh* [1] { new aiMesh() };
        aiMesh& out = *scene->mMeshes[0];
        const unsigned corners = unsigned(mesh_.faceCount) * 3;
        out.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
        out.mNumVertices = corners;
        out.mVertices = new aiVector3D[corners];
        if (setup_.normals) out.mNormals = new aiVector3D[corners];
        out.mNumFaces = unsigned(mesh_.faceCount);
        out.mFaces = new aiFace[out.mNumFaces];
        for (int f = 0; f < mesh_.faceCount; ++f) {
            aiFace& face = out.mFaces[f];
            face.mNumIndices = 3;
            face.mIndices = new unsigned[3];
            for (int k = 0; k < 3; ++k) {
                const unsigned corner = unsigned(f) * 3 + unsigned(k);
                face.mIndices[k] = corner;
                const Point3& p = mesh_.vertices[mesh_.faces[f].v[k]];
                out.mVertices[corner] = aiVector3D(p.x, p.y, p.z);
                if (setup_.normals) {
                    const Point3& n = mesh_.faceNormals[f];
                    out.mNormals[corner] = aiVector3D(n.x, n.y, n.z);
                }
            }
        }
    }

  private:
    const Mesh& mesh_;
    SceneSetup setup_;
};

struct Pairing {
    const char* operation;
    const char* step;
    std::function<void(Mesh&)> ours;
    unsigned flag; // the Assimp step
    SceneSetup setup;
    float smoothingAngle; // degrees, for GenSmoothNormals
};

Measure median(std::vector<Measure> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Measure& a, const Measure& b) { return a.cpuSeconds < b.cpuSeconds; });
    return runs[runs.size() / 2];
}

Measure measureOurs(const Mesh& mesh, const Pairing& pairing) {
    std::optional<Mesh> work;
    return measureInChild(
        [&] {
            mallopt(M_MMAP_THRESHOLD, 64 * 1024);
            work.emplace(mesh);
            malloc_trim(0);
            warmFreePages(warmBytesFor(mesh));
        },
        [&] {
            pairing.ours(*work);
            return true;
        });
}

Measure measureAssimp(const Mesh& mesh, const Pairing& pairing) {
    std::optional<Assimp::Importer> importer;
    return measureInChild(
        [&] {
            mallopt(M_MMAP_THRESHOLD, 64 * 1024);
            importer.emplace();
            importer->RegisterLoader(new HostMeshLoader(mesh, pairing.setup));
            importer->SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE,
                                       pairing.smoothingAngle);
            const char dummy = 0; // the loader reads the mesh, not this
            if (!importer->ReadFileFromMemory(&dummy, 1, 0, "hostmesh"))
                std::fprintf(stderr, "Assimp: %s\n", importer->GetErrorString());
            malloc_trim(0);
            warmFreePages(warmBytesFor(mesh));
        },
        [&] { return importer->GetScene() && importer->ApplyPostProcessing(pairing.flag); });
}

} // namespace

void compareWithAssimp(int faces, int reps, const std::string& only) {
    Mesh sphere = hostkit::makeSphereMesh(1, int(std::lround(std::sqrt(double(faces)))));
    sphere.buildNormals();
    Mesh insideOut = sphere;
    for (int f = 0; f < insideOut.faceCount; ++f) insideOut.FlipNormal(f);
    insideOut.buildNormals();

    auto uv = [](int type, int cap) {
        return [=](Mesh& m) { m.ApplyUVWMap(type, 1, 1, 1, 0, 0, 0, cap, Matrix3()); };
    };
    const SceneSetup withNormals{true, -1};
    const std::vector<std::pair<const Mesh*, Pairing>> pairings = {
        {&sphere,
         {"UnifyNormals", "FixInfacingNormals", [](Mesh& m) { m.UnifyNormals(0); },
          aiProcess_FixInfacingNormals, withNormals, 0}},
        {&insideOut,
         {"UnifyNormals(inside out)", "FixInfacingNormals", [](Mesh& m) { m.UnifyNormals(0); },
          aiProcess_FixInfacingNormals, withNormals, 0}},
        {&sphere,
         {"AutoSmooth(30)",
          "GenSmoothNormals(30)",
          [](Mesh& m) { m.AutoSmooth(30 * kDegree, 0); },
          aiProcess_GenSmoothNormals,
          {},
          30}},
        {&sphere,
         {"ApplyUVWMap(planar)",
          "GenUVCoords(plane)",
          uv(MAP_PLANAR, 0),
          aiProcess_GenUVCoords,
          {false, aiTextureMapping_PLANE},
          0}},
        {&sphere,
         {"ApplyUVWMap(cyl,cap)",
          "GenUVCoords(cylinder)",
          uv(MAP_CYLINDRICAL, 1),
          aiProcess_GenUVCoords,
          {false, aiTextureMapping_CYLINDER},
          0}},
        {&sphere,
         {"ApplyUVWMap(spherical)",
          "GenUVCoords(sphere)",
          uv(MAP_SPHERICAL, 0),
          aiProcess_GenUVCoords,
          {false, aiTextureMapping_SPHERE},
          0}},
        {&sphere,
         {"ApplyUVWMap(ball)",
          "GenUVCoords(sphere)",
          uv(MAP_BALL, 0),
          aiProcess_GenUVCoords,
          {false, aiTextureMapping_SPHERE},
          0}},
        {&sphere,
         {"ApplyUVWMap(box)",
          "GenUVCoords(box)*",
          uv(MAP_BOX, 0),
          aiProcess_GenUVCoords,
          {false, aiTextureMapping_BOX},
          0}},
    };

    std::printf("Host mesh operations beside Assimp %s steps: UV sphere of %d faces, median "
                "CPU time of %d runs\n",
                "post-processing", sphere.faceCount, reps);
    std::printf("%-26s %-22s %9s %10s %10s %8s\n", "operation", "Assimp step", "faces", "ours Mf/s",
                "Assimp Mf/s", "ratio");
    bool orientationShown = false; // a UnifyNormals row, which the first note explains
    for (const auto& [mesh, pairing] : pairings) {
        if (!nameHas(pairing.operation, only)) continue;
        orientationShown |= pairing.flag == aiProcess_FixInfacingNormals;
        std::vector<Measure> ours, theirs;
        for (int r = 0; r < reps; ++r) {
            ours.push_back(measureOurs(*mesh, pairing));
            theirs.push_back(measureAssimp(*mesh, pairing));
        }
        const Measure a = median(ours), b = median(theirs);
        const double oursRate = mesh->faceCount / std::max(a.cpuSeconds, 1e-6) / 1e6;
        const double theirRate = mesh->faceCount / std::max(b.cpuSeconds, 1e-6) / 1e6;
        std::printf("%-26s %-22s %9d %10.2f %10.2f %8.2f%s\n", pairing.operation, pairing.step,
                    mesh->faceCount, oursRate, theirRate, oursRate / theirRate,
                    a.ok && b.ok ? "" : "  (a run FAILED)");
        std::fflush(stdout);
    }
    std::printf("ratio: our throughput over Assimp's (1 or more: at least as fast).\n");
    if (orientationShown)
        std::printf("FixInfacingNormals compares the box around the vertices with the box around\n"
                    "  them moved along their normals and turns the whole mesh when the second\n"
                    "  is smaller; UnifyNormals pairs every edge, makes each patch's windings\n"
                    "  agree and turns a closed patch outward by its volume, an open one by its\n"
                    "  area.\n");
    std::printf("* Assimp leaves box mapping unimplemented: it only allocates the channel.\n"
                "  Assimp has no shrink wrap; ball is set beside its sphere mapping.\n");
}
