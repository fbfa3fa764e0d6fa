// The whole job on a large real file: a generated glTF binary of 1,000,000 faces
// (a noisy grid, so no two faces are alike) imported and exported to ZEF by
// `zefhost export`, against `assimp export` of the same file to OBJ. Each runs as
// its own process; the figures are wall time and peak resident memory.
//
// import_bench [--faces N] [--dir DIR] [--keep]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>

namespace fs = std::filesystem;

namespace {

// A grid of side x side squares, two triangles each, with a little height noise and
// texture coordinates, as one mesh of a one-node scene.
std::unique_ptr<aiScene> makeGrid(int side) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("Grid");
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { new aiMesh() };
    aiMesh& mesh = *scene->mMeshes[0];
    const int row = side + 1;
    mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh.mNumVertices = unsigned(row * row);
    mesh.mVertices = new aiVector3D[mesh.mNumVertices];
    mesh.mNormals = new aiVector3D[mesh.mNumVertices];
    mesh.mTextureCoords[0] = new aiVector3D[mesh.mNumVertices];
    mesh.mNumUVComponents[0] = 2;
    for (int y = 0; y < row; ++y)
        for (int x = 0; x < row; ++x) {
            unsigned v = unsigned(y * row + x);
            float h = 0.05f * std::sin(float(x) * 0.37f) * std::cos(float(y) * 0.23f);
            mesh.mVertices[v] = aiVector3D(float(x) / float(side), h, float(y) / float(side));
            mesh.mNormals[v] = aiVector3D(0, 1, 0);
            mesh.mTextureCoords[0][v] =
                aiVector3D(float(x) / float(side), float(y) / float(side), 0);
        }
    mesh.mNumFaces = unsigned(2 * side * side);
    mesh.mFaces = new aiFace[mesh.mNumFaces];
    unsigned f = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            unsigned a = unsigned(y * row + x), b = a + 1, c = a + unsigned(row), d = c + 1;
            for (auto corners :
                 {std::array<unsigned, 3>{a, c, b}, std::array<unsigned, 3>{b, c, d}}) {
                aiFace& face = mesh.mFaces[f++];
                face.mNumIndices = 3;
                face.mIndices = new unsigned[3]{corners[0], corners[1], corners[2]};
            }
        }
    return scene;
}

struct Run {
    bool ok = false;
    double seconds = 0;    // wall
    double cpuSeconds = 0; // user + system: steadier on a busy machine
    double peakMb = 0;
};

// Runs argv as a child process with stdout and stderr to /dev/null.
Run runChild(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    auto began = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    run.peakMb = double(usage.ru_maxrss) / 1024.0;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    long faces = 1000000;
    fs::path dir = fs::temp_directory_path() / "zef_import_bench";
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--faces") && i + 1 < argc)
            faces = std::atol(argv[++i]);
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
    }
    fs::create_directories(dir);
    const int side = int(std::lround(std::sqrt(double(faces) / 2)));
    const std::string model = (dir / "grid.glb").string();
    {
        std::unique_ptr<aiScene> grid = makeGrid(side);
        Assimp::Exporter exporter;
        if (exporter.Export(grid.get(), "glb2", model) != aiReturn_SUCCESS) {
            std::fprintf(stderr, "cannot write %s: %s\n", model.c_str(), exporter.GetErrorString());
            return 1;
        }
    }
    std::printf("Model: %s, %d faces, %.1f MB\n", model.c_str(), 2 * side * side,
                double(fs::file_size(model)) / 1e6);
    Run zef = runChild(
        {ZEFHOST_PATH, "--plugin", ZEFEXP_PATH, "export", model, (dir / "grid.zef").string()});
    Run obj = runChild({"assimp", "export", model, (dir / "grid.obj").string()});
    for (auto [name, run] : {std::pair{"zefhost export (glb -> zef)", zef},
                             std::pair{"assimp export  (glb -> obj)", obj}})
        std::printf("%s: %7.2f s wall, %7.2f s CPU, peak %7.1f MB%s\n", name, run.seconds,
                    run.cpuSeconds, run.peakMb, run.ok ? "" : " FAILED");
    if (zef.ok && obj.ok)
        std::printf("zefhost is %.2f times as fast (CPU; %.2f wall), with %.2f times the memory "
                    "(goal: at least 3 times as fast, at most the same memory)\n",
                    obj.cpuSeconds / zef.cpuSeconds, obj.seconds / zef.seconds,
                    zef.peakMb / obj.peakMb);
    if (!keep) fs::remove_all(dir);
    return zef.ok && obj.ok ? 0 : 1;
}
