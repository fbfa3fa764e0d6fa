// Importing through Assimp: the node tree with composed transforms, one triangle
// mesh object per node, standard materials, bitmap maps (embedded images kept for
// writing out), cameras and lights.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <filesystem>
#include <map>

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "scenes/assimp_material.h"
#include "scenes/assimp_mesh.h"
#include "scenes/assimp_scene.h"
#include "scenes/c_numeric_locale.h"

namespace {

// Assimp's reading is the first half of an import, building the host's scene the
// second.
constexpr float kReadShare = 0.5f;

// Assimp's progress, passed on as the reading's share.
class ProgressRelay : public Assimp::ProgressHandler {
  public:
    explicit ProgressRelay(LoadProgress* progress) : progress_(progress) {}
    bool Update(float percentage) override {
        if (progress_ && percentage >= 0)
            progress_->fraction(kReadShare * std::min(percentage, 1.0f));
        return true;
    }

  private:
    LoadProgress* progress_;
};

// Assimp's matrices map column vectors; the host's rows map row vectors.
Matrix3 toMatrix3(const aiMatrix4x4& m) {
    return Matrix3({m.a1, m.b1, m.c1}, {m.a2, m.b2, m.c2}, {m.a3, m.b3, m.c3}, {m.a4, m.b4, m.c4});
}

bool fileIsYUp(const aiScene& s, const std::string& extension) {
    int upAxis = 1;
    if (extension == ".fbx" && s.mMetaData && s.mMetaData->Get("UpAxis", upAxis))
        return upAxis == 1;
    return isYUpExtension(extension);
}

// A ZEF file has no way to write an infinite or undefined coordinate: such a file
// is refused with a clear message (thrown to importWithAssimp).
void requireFinite(const aiMesh& m) {
    auto finite = [](const aiVector3D& a) {
        return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
    };
    for (unsigned v = 0; v < m.mNumVertices; ++v) {
        const aiVector3D& p = m.mVertices[v];
        const aiVector3D uv = m.HasTextureCoords(0) ? m.mTextureCoords[0][v] : aiVector3D();
        if (!finite(p) || !finite(uv)) // each on its own: a sum of large ones overflows
            throw std::runtime_error("mesh '" + std::string(m.mName.C_Str()) + "' has vertex " +
                                     std::to_string(v) +
                                     (finite(p) ? " with a non-finite texture coordinate"
                                                : " at a non-finite position"));
    }
}

void requireFinite(const aiNode& node, const aiMatrix4x4& m) {
    for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 4; ++j)
            if (!std::isfinite(m[i][j]))
                throw std::runtime_error("node '" + std::string(node.mName.C_Str()) +
                                         "' has a non-finite transform");
}

// Builds the kit scene while walking Assimp's node tree.
class SceneBuilder {
  public:
    SceneBuilder(const aiScene& source, OpenedScene& result, const std::string& path,
                 LoadProgress* progress)
        : source_(source), result_(result), scene_(*result.scene),
          materials_(source.mNumMaterials, nullptr), progress_(progress) {
        stem_ = std::filesystem::path(path).stem().string();
        for (unsigned i = 0; i < source.mNumMeshes; ++i)
            totalFaces_ += source.mMeshes[i]->mNumFaces;
    }

    void build(const Matrix3& axes) {
        indexCamerasAndLights();
        const aiNode* root = source_.mRootNode;
        Matrix3 world = toMatrix3(root->mTransformation) * axes;
        if (root->mNumMeshes > 0 || objectFor(root)) {
            addNode(root, nullptr, axes);
            return;
        }
        for (unsigned i = 0; i < root->mNumChildren; ++i)
            addNode(root->mChildren[i], nullptr, world);
    }

  private:
    void indexCamerasAndLights() {
        for (unsigned i = 0; i < source_.mNumCameras; ++i)
            cameras_.emplace(source_.mCameras[i]->mName.C_Str(), source_.mCameras[i]);
        for (unsigned i = 0; i < source_.mNumLights; ++i)
            lights_.emplace(source_.mLights[i]->mName.C_Str(), source_.mLights[i]);
    }

    // The camera or light named like node, as a kit object; null when none is.
    std::unique_ptr<HostObject> objectFor(const aiNode* node) const {
        std::string name = node->mName.C_Str();
        if (auto camera = cameras_.find(name); camera != cameras_.end()) {
            auto object = std::make_unique<CameraObject>();
            object->fieldOfView = 2 * camera->second->mHorizontalFOV; // Assimp keeps half
            float distance = camera->second->mLookAt.Length();
            if (distance > 0) object->targetDistance = distance;
            return object;
        }
        if (auto light = lights_.find(name); light != lights_.end()) {
            auto object = std::make_unique<LightObject>();
            const aiLight& l = *light->second;
            object->kind = l.mType == aiLightSource_SPOT          ? LightObject::Kind::Spot
                           : l.mType == aiLightSource_DIRECTIONAL ? LightObject::Kind::Directional
                                                                  : LightObject::Kind::Omni;
            float peak = std::max({l.mColorDiffuse.r, l.mColorDiffuse.g, l.mColorDiffuse.b});
            object->intensity = peak;
            if (peak > 0)
                object->color = {l.mColorDiffuse.r / peak, l.mColorDiffuse.g / peak,
                                 l.mColorDiffuse.b / peak};
            return object;
        }
        return nullptr;
    }

    void addNode(const aiNode* node, SceneNode* parent, const Matrix3& parentWorld) {
        requireFinite(*node, node->mTransformation);
        Matrix3 world = toMatrix3(node->mTransformation) * parentWorld;
        std::string name = node->mName.length ? node->mName.C_Str() : "Object";
        SceneNode* host = scene_.createNode(name, parent);
        host->setTransform(world);
        std::vector<const aiMesh*> triangles;
        std::vector<unsigned> materialIndices;
        for (unsigned i = 0; i < node->mNumMeshes; ++i) {
            const aiMesh* m = source_.mMeshes[node->mMeshes[i]];
            countLeftOut(*m);
            if (!(m->mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
            requireFinite(*m);
            triangles.push_back(m);
            materialIndices.push_back(m->mMaterialIndex);
        }
        std::unique_ptr<HostObject> other = objectFor(node);
        if (!triangles.empty()) {
            host->setObject(std::make_unique<MeshObject>(meshFromAssimp(triangles)));
            reportBuilt(triangles);
            host->setMaterial(nodeMaterial(materialIndices, name));
            if (other) scene_.createNode(name, host)->setObject(std::move(other));
        } else if (other) {
            host->setObject(std::move(other));
        }
        for (unsigned i = 0; i < node->mNumChildren; ++i) addNode(node->mChildren[i], host, world);
    }

    // A mesh shared by several nodes counts each time, so the fraction is capped.
    void reportBuilt(const std::vector<const aiMesh*>& meshes) {
        for (const aiMesh* m : meshes) builtFaces_ += m->mNumFaces;
        if (progress_ && totalFaces_ > 0)
            progress_->fraction(kReadShare +
                                (1 - kReadShare) * float(std::min(1.0, builtFaces_ / totalFaces_)));
    }

    void countLeftOut(const aiMesh& m) {
        for (unsigned f = 0; f < m.mNumFaces; ++f) {
            unsigned corners = m.mFaces[f].mNumIndices;
            result_.leftOutPoints += corners == 1;
            result_.leftOutLines += corners == 2;
        }
    }

    // One material, or a multi-material whose slot i is the material of mesh i.
    HostMaterial* nodeMaterial(const std::vector<unsigned>& indices, const std::string& name) {
        if (indices.size() == 1) return material(indices[0]);
        MultiMtl* multi = scene_.createMultiMaterial(name + " Materials", int(indices.size()));
        for (size_t i = 0; i < indices.size(); ++i)
            multi->setSubMaterial(int(i), material(indices[i]));
        return multi;
    }

    StdMaterial* material(unsigned index) {
        if (index >= materials_.size()) return nullptr;
        if (!materials_[index])
            materials_[index] = standardFromAssimp(*source_.mMaterials[index], source_, scene_,
                                                   stem_, result_.images);
        return materials_[index];
    }

    const aiScene& source_;
    OpenedScene& result_;
    Scene& scene_;
    std::vector<StdMaterial*> materials_;
    std::map<std::string, const aiCamera*> cameras_;
    std::map<std::string, const aiLight*> lights_;
    std::string stem_;
    LoadProgress* progress_;
    double totalFaces_ = 0, builtFaces_ = 0;
};

// Turns Y-up into the host's Z-up: y becomes z and z becomes -y.
Matrix3 yUpToZUp() {
    return Matrix3({1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, 0});
}

} // namespace

namespace {
OpenedScene importFile(const std::string& path, LoadProgress* progress) {
    OpenedScene result;
    CNumericLocale classic;
    Assimp::Importer importer;
    importer.SetProgressHandler(new ProgressRelay(progress)); // the importer owns it
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, 0);
    const aiScene* source = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_SortByPType |
                                                        aiProcess_ValidateDataStructure);
    if (!source || !source->mRootNode) {
        std::string why = importer.GetErrorString();
        result.error = {path, "", why.empty() ? "Assimp could not import the file" : why};
        return result;
    }
    result.scene = std::make_unique<Scene>();
    bool yUp = fileIsYUp(*source, lowerExtension(path));
    SceneBuilder(*source, result, path, progress).build(yUp ? yUpToZUp() : Matrix3());
    return result;
}
} // namespace

OpenedScene importWithAssimp(const std::string& path, LoadProgress* progress) {
    try {
        return importFile(path, progress);
    } catch (const std::exception& e) { // for example out of memory
        OpenedScene failed;
        failed.error = {path, "", std::string("import failed: ") + e.what()};
        return failed;
    }
}
