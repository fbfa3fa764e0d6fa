// Exporting a kit scene through Assimp: the node tree (transforms made relative to
// the parent again), one Assimp mesh per material id of each node's triangle mesh,
// materials, cameras and lights.
#include <map>

#include <assimp/Exporter.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "hostkit/mesh/mesh_tools.h"
#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "scenes/assimp_material.h"
#include "scenes/assimp_scene.h"
#include "scenes/careful_io_system.h"
#include "scenes/c_numeric_locale.h"

namespace {

aiMatrix4x4 toAssimp(const Matrix3& m) {
    Point3 r0 = m.GetRow(0), r1 = m.GetRow(1), r2 = m.GetRow(2), t = m.GetRow(3);
    return aiMatrix4x4(r0.x, r1.x, r2.x, t.x, r0.y, r1.y, r2.y, t.y, r0.z, r1.z, r2.z, t.z, 0, 0, 0,
                       1);
}

// The Assimp id of the export format for extension (with its dot); "" when none.
std::string formatFor(const Assimp::Exporter& exporter, const std::string& extension) {
    for (size_t i = 0; i < exporter.GetExportFormatCount(); ++i) {
        const aiExportFormatDesc* d = exporter.GetExportFormatDescription(i);
        if (extension == std::string(".") + d->fileExtension) return d->id;
    }
    return "";
}

// The faces of mesh with material id `id` (taken modulo slots) as an Assimp mesh,
// three unshared vertices per face with the smoothing groups' normals.
aiMesh* meshPart(const Mesh& mesh, uint32_t id, uint32_t slots, unsigned material) {
    std::vector<int> faces;
    for (int f = 0; f < mesh.faceCount; ++f)
        if (mesh.faces[f].getMatID() % slots == id) faces.push_back(f);
    if (faces.empty()) return nullptr;
    auto* part = new aiMesh; // aiScene frees it
    part->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    part->mMaterialIndex = material;
    part->mNumVertices = unsigned(faces.size() * 3);
    part->mVertices = new aiVector3D[part->mNumVertices];
    part->mNormals = new aiVector3D[part->mNumVertices];
    if (mesh.texFaces && mesh.texVertCount > 0) {
        part->mTextureCoords[0] = new aiVector3D[part->mNumVertices];
        part->mNumUVComponents[0] = 2;
    }
    part->mNumFaces = unsigned(faces.size());
    part->mFaces = new aiFace[part->mNumFaces];
    unsigned corner = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        int f = faces[i];
        aiFace& face = part->mFaces[i];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        for (int c = 0; c < 3; ++c, ++corner) {
            face.mIndices[c] = corner;
            const Point3& p = mesh.vertices[mesh.faces[f].v[c]];
            part->mVertices[corner] = {p.x, p.y, p.z};
            const Point3& n = mesh.cornerNormals[f * 3 + c];
            part->mNormals[corner] = {n.x, n.y, n.z};
            if (part->mTextureCoords[0]) {
                const Point3& t = mesh.texVerts[mesh.texFaces[f].t[c]];
                part->mTextureCoords[0][corner] = {t.x, t.y, t.z};
            }
        }
    }
    return part;
}

class AssimpSceneBuilder {
  public:
    explicit AssimpSceneBuilder(const Scene& scene) : scene_(scene) {}

    std::unique_ptr<aiScene> build(const Matrix3& axes) {
        auto out = std::make_unique<aiScene>();
        addMaterials();
        out->mRootNode = new aiNode("Scene Root");
        out->mRootNode->mTransformation = toAssimp(axes);
        addChildren(out->mRootNode, scene_.root(), Matrix3());
        out->mNumMaterials = unsigned(materials_.size());
        out->mMaterials = new aiMaterial*[materials_.size()];
        std::copy(materials_.begin(), materials_.end(), out->mMaterials);
        moveInto(meshes_, out->mMeshes, out->mNumMeshes);
        moveInto(cameras_, out->mCameras, out->mNumCameras);
        moveInto(lights_, out->mLights, out->mNumLights);
        return out;
    }

  private:
    template <class T> static void moveInto(std::vector<T*>& items, T**& array, unsigned& count) {
        count = unsigned(items.size());
        if (items.empty()) return;
        array = new T*[items.size()];
        std::copy(items.begin(), items.end(), array);
    }

    // Every material of the pool but multi-materials, and a default one last.
    void addMaterials() {
        for (int i = 0; i < scene_.materialCount(); ++i) {
            HostMaterial* m = scene_.material(i);
            if (m->subMaterialCount() > 0 || dynamic_cast<MultiMtl*>(m)) continue;
            index_[m] = unsigned(materials_.size());
            materials_.push_back(new aiMaterial);
            assimpFromHost(*m, *materials_.back());
        }
        defaultMaterial_ = unsigned(materials_.size());
        materials_.push_back(new aiMaterial);
        aiString name("Default");
        materials_.back()->AddProperty(&name, AI_MATKEY_NAME);
    }

    unsigned materialIndex(HostMaterial* m) const {
        auto it = index_.find(m);
        return it == index_.end() ? defaultMaterial_ : it->second;
    }

    void addChildren(aiNode* target, const SceneNode* source, const Matrix3& sourceWorld) {
        target->mNumChildren = unsigned(const_cast<SceneNode*>(source)->childCount());
        if (!target->mNumChildren) return;
        target->mChildren = new aiNode*[target->mNumChildren];
        aiMatrix4x4 parentInverse = toAssimp(sourceWorld).Inverse();
        for (unsigned i = 0; i < target->mNumChildren; ++i) {
            const SceneNode* child = source->childNode(int(i));
            auto* node = new aiNode(child->nodeName());
            node->mParent = target;
            node->mTransformation = parentInverse * toAssimp(child->transform());
            target->mChildren[i] = node;
            addObject(node, const_cast<SceneNode*>(child));
            addChildren(node, child, child->transform());
        }
    }

    void addObject(aiNode* node, SceneNode* source) {
        HostObject* object = source->object();
        if (!object) return;
        if (auto* camera = dynamic_cast<CameraObject*>(object)) {
            auto* c = new aiCamera;
            c->mName = node->mName;
            c->mHorizontalFOV = camera->fieldOfView / 2;
            c->mLookAt = {0, 0, -camera->targetDistance};
            cameras_.push_back(c);
        } else if (auto* light = dynamic_cast<LightObject*>(object)) {
            auto* l = new aiLight;
            l->mName = node->mName;
            l->mType = light->kind == LightObject::Kind::Spot          ? aiLightSource_SPOT
                       : light->kind == LightObject::Kind::Directional ? aiLightSource_DIRECTIONAL
                                                                       : aiLightSource_POINT;
            aiColor3D c(light->color.r * light->intensity, light->color.g * light->intensity,
                        light->color.b * light->intensity);
            l->mColorDiffuse = l->mColorSpecular = c;
            lights_.push_back(l);
        } else if (object->canConvertTo(triObjectClassID)) {
            TriangleMeshObject* triangles = object->convertTo(0, triObjectClassID);
            if (!triangles) return;
            addMesh(node, triangles->mesh, source->nodeMaterial());
            if (triangles != object) triangles->deleteThis();
        }
    }

    void addMesh(aiNode* node, const Mesh& source, HostMaterial* material) {
        Mesh mesh = source;
        hostkit::buildCornerNormals(mesh);
        const bool multi = material && material->subMaterialCount() > 0;
        const uint32_t slots = multi ? uint32_t(material->subMaterialCount()) : 1;
        std::vector<unsigned> parts;
        for (uint32_t id = 0; id < slots; ++id) {
            unsigned target = materialIndex(multi ? material->subMaterial(int(id)) : material);
            if (aiMesh* part = meshPart(mesh, id, slots, target)) {
                part->mName = node->mName;
                parts.push_back(unsigned(meshes_.size()));
                meshes_.push_back(part);
            }
        }
        node->mNumMeshes = unsigned(parts.size());
        if (parts.empty()) return;
        node->mMeshes = new unsigned[parts.size()];
        std::copy(parts.begin(), parts.end(), node->mMeshes);
    }

    const Scene& scene_;
    std::map<const HostMaterial*, unsigned> index_;
    unsigned defaultMaterial_ = 0;
    std::vector<aiMaterial*> materials_;
    std::vector<aiMesh*> meshes_;
    std::vector<aiCamera*> cameras_;
    std::vector<aiLight*> lights_;
};

// Turns the host's Z-up into Y-up: z becomes y and y becomes -z.
Matrix3 zUpToYUp() {
    return Matrix3({1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {0, 0, 0});
}

} // namespace

bool isYUpExtension(const std::string& extension) {
    static const char* const kZUp[] = {".3ds", ".ase", ".blend", ".stl", ".ply", ".zef", ".json"};
    for (const char* z : kZUp)
        if (extension == z) return false;
    return true;
}

bool assimpCanSave(const std::string& extension) {
    return !formatFor(Assimp::Exporter(), extension).empty();
}

bool exportWithAssimp(const Scene& scene, const std::string& path, FileError& error) {
    CNumericLocale classic;
    Assimp::Exporter exporter;
    auto* files = new CarefulIOSystem; // the exporter owns it
    exporter.SetIOHandler(files);
    std::string extension = lowerExtension(path);
    std::string format = formatFor(exporter, extension);
    if (format.empty()) {
        error = {path, "", "no format for the extension '" + extension + "'"};
        return false;
    }
    try {
        std::unique_ptr<aiScene> out =
            AssimpSceneBuilder(scene).build(isYUpExtension(extension) ? zUpToYUp() : Matrix3());
        if (exporter.Export(out.get(), format, path, aiProcess_JoinIdenticalVertices) != AI_SUCCESS)
            error = {path, "", exporter.GetErrorString()};
        else if (files->failed()) // a file could not be written whole; old files are kept
            error = {path, "", "cannot write the file"};
        else
            return true;
    } catch (const std::exception& e) { // for example out of memory
        error = {path, "", std::string("export failed: ") + e.what()};
    }
    return false;
}
