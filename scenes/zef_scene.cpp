// ZEF files back in as scenes: object blocks to mesh nodes, material records to
// materials.
#include "scenes/zef_scene.h"

#include <filesystem>

#include "hostkit/scene/mesh_object.h"
#include "scenes/zef_reader.h"

namespace {

const char* const kEmptySlotName = "No Material";

// An empty multi-material slot is written as a "No Material" record of black with
// no transparency and no highlights, and no Twosided line.
bool isBlack(const Color& c) {
    return c.r == 0 && c.g == 0 && c.b == 0;
}
bool isEmptySlotRecord(const ZefMaterialRecord& r) {
    return r.name == kEmptySlotName && !r.standard && isBlack(r.diffuse) && r.alpha == 1 &&
           isBlack(r.specular) && r.shininess == 0 && r.strength == 0;
}

bool hasHighlights(const ZefMaterialRecord& r) {
    return !isBlack(r.specular) || r.shininess != 0 || r.strength != 0;
}

StdMaterial* standardFrom(const ZefMaterialRecord& r, Scene& scene);

// The material that writes record r again: a standard material when the record has
// a Twosided line; else a matte one, or, when it has highlights (which a matte
// material has not), a one-slot multi-material over a standard one, which is what
// writes a nested multi-material's record.
HostMaterial* materialFrom(const ZefMaterialRecord& r, Scene& scene) {
    if (r.standard) return standardFrom(r, scene);
    if (hasHighlights(r)) {
        MultiMtl* multi = scene.createMultiMaterial(r.name, 1);
        multi->setSubMaterial(0, standardFrom(r, scene));
        return multi;
    }
    MatteMaterial* matte = scene.createMatteMaterial(r.name);
    matte->color = r.diffuse;
    matte->transparencyValue = 1.0f - r.alpha;
    return matte;
}

StdMaterial* standardFrom(const ZefMaterialRecord& r, Scene& scene) {
    StdMaterial* m = scene.createStdMaterial(r.name);
    m->diffuseColor = r.diffuse;
    m->transparencyValue = 1.0f - r.alpha;
    if (r.hasSpecular) {
        m->specularColor = r.specular;
        m->shininessValue = r.shininess;
        m->shineStrength = r.strength;
    }
    m->setTwoSided(r.twoSided);
    if (!r.standard || r.texture == "NODIFFUSE") return m;
    if (r.texture == "NOBITMAP") {
        m->maps[StdMaterial::kDiffuseSlot] = scene.createCheckerTexmap("Map");
    } else {
        std::string stem = std::filesystem::path(r.texture).stem().string();
        m->maps[StdMaterial::kDiffuseSlot] =
            scene.createBitmapTexmap(stem.empty() ? "Map" : stem, r.texture);
    }
    m->mapAmounts[StdMaterial::kDiffuseSlot] = r.amount;
    return m;
}

// The node's material: none, the one record's material, or a multi-material whose
// slots are the records when the faces carry material ids.
HostMaterial* nodeMaterial(const ZefObject& object, Scene& scene) {
    if (object.materials.empty()) return nullptr;
    bool ids = !object.faces.empty() && object.faces[0].material >= 0;
    if (!ids) return materialFrom(object.materials[0], scene);
    MultiMtl* multi = scene.createMultiMaterial(object.name, int(object.materials.size()));
    for (size_t i = 0; i < object.materials.size(); ++i)
        if (!isEmptySlotRecord(object.materials[i]))
            multi->setSubMaterial(int(i), materialFrom(object.materials[i], scene));
    return multi;
}

Mesh meshFrom(const ZefObject& object) {
    Mesh mesh;
    mesh.setNumVerts(int(object.vertices.size()));
    std::copy(object.vertices.begin(), object.vertices.end(), mesh.vertices);
    mesh.setNumFaces(int(object.faces.size()));
    for (size_t f = 0; f < object.faces.size(); ++f) {
        const ZefFace& in = object.faces[f];
        MeshFace& out = mesh.faces[f];
        std::copy(in.v, in.v + 3, out.v);
        out.smGroup = in.smoothing;
        out.flags = in.edges;
        if (in.material >= 0) out.setMatID(uint32_t(in.material));
    }
    if (!object.texVertices.empty()) {
        mesh.setNumTVerts(int(object.texVertices.size()));
        std::copy(object.texVertices.begin(), object.texVertices.end(), mesh.texVerts);
        mesh.setTexFacesEnabled(true, false);
        for (size_t f = 0; f < object.faces.size(); ++f)
            std::copy(object.faces[f].t, object.faces[f].t + 3, mesh.texFaces[f].t);
    }
    return mesh;
}

} // namespace

OpenedScene loadZefScene(const std::string& path) {
    OpenedScene opened;
    std::vector<ZefObject> objects;
    if (!readZefContents(path, objects, opened.error)) {
        return opened;
    }
    opened.scene = std::make_unique<Scene>();
    for (const ZefObject& object : objects) {
        SceneNode* node = opened.scene->createNode(object.name);
        node->setObject(std::make_unique<MeshObject>(meshFrom(object)));
        node->setMaterial(nodeMaterial(object, *opened.scene));
    }
    return opened;
}
