// Scene-file writer: the canonical document of a scene. Pools are written in pool
// order, nodes in enumeration order, and every value is written, so equal scenes
// give equal documents.
#include <cmath>
#include <map>

#include "scenes/scene_file_json.h"
#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"

namespace scenefile {
namespace {

// Builds a JSON pointer only when a value turns out to be unwritable.
std::string at(const std::string& base, size_t index) {
    return base + "/" + std::to_string(index);
}

Json number(float f, const std::string& place) {
    if (!std::isfinite(f)) throw Failure{place, "not a finite number"};
    return Json(f);
}

Json triple(float a, float b, float c, const std::string& place) {
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c))
        throw Failure{place, "not a finite number"};
    return Json::array({Json(a), Json(b), Json(c)});
}

Json point(const Point3& p, const std::string& place) {
    return triple(p.x, p.y, p.z, place);
}
Json color(const Color& c, const std::string& place) {
    return triple(c.r, c.g, c.b, place);
}

Json nullOr(int index) {
    return index < 0 ? Json(nullptr) : Json(index);
}

// maps
Json writeTexmap(NamedTexmap* map, const std::string& place) {
    Json j = {{"name", map->name}};
    if (auto* bitmap = dynamic_cast<BitmapTexmap*>(map)) {
        j["type"] = "bitmap";
        j["file"] = bitmap->fileName;
    } else if (auto* checker = dynamic_cast<CheckerTexmap*>(map)) {
        j["type"] = "checker";
        j["color1"] = color(checker->color1, place + "/color1");
        j["color2"] = color(checker->color2, place + "/color2");
        j["tiling"] = Json::array({number(checker->uTiling, place + "/tiling"),
                                   number(checker->vTiling, place + "/tiling")});
    } else {
        throw Failure{place, "a texture map of a class the format does not know"};
    }
    return j;
}

// materials
Json writeStandard(const Scene& scene, StdMaterial* m, const std::string& place) {
    Json j = {{"name", m->name.data()},
              {"type", "standard"},
              {"diffuse", color(m->diffuseColor, place + "/diffuse")},
              {"specular", color(m->specularColor, place + "/specular")},
              {"shininess", number(m->shininessValue, place + "/shininess")},
              {"shineStrength", number(m->shineStrength, place + "/shineStrength")},
              {"transparency", number(m->transparencyValue, place + "/transparency")},
              {"twoSided", m->twoSidedFlag != 0}};
    Json maps = Json::array();
    for (int s = 0; s < StdMaterial::kMapSlots; ++s) {
        if (!m->maps[s] && m->mapAmounts[s] == 1.0f) continue; // an untouched slot
        int mapIndex = scene.texmapIndex(m->maps[s]);
        if (m->maps[s] && mapIndex < 0)
            throw Failure{place + "/maps", "a map that is not in the scene's map pool"};
        maps.push_back({{"slot", s},
                        {"map", nullOr(mapIndex)},
                        {"amount", number(m->mapAmounts[s], place + "/maps")}});
    }
    j["maps"] = maps;
    return j;
}

Json writeMaterial(const Scene& scene, HostMaterial* m, const std::string& place) {
    if (auto* standard = dynamic_cast<StdMaterial*>(m))
        return writeStandard(scene, standard, place);
    if (auto* matte = dynamic_cast<MatteMaterial*>(m)) {
        return {{"name", m->name.data()},
                {"type", "matte"},
                {"color", color(matte->color, place + "/color")},
                {"transparency", number(matte->transparencyValue, place + "/transparency")}};
    }
    if (dynamic_cast<MultiMtl*>(m)) {
        Json slots = Json::array();
        for (int i = 0; i < m->subMaterialCount(); ++i) {
            HostMaterial* sub = m->subMaterial(i);
            int subIndex = scene.materialIndex(sub);
            if (sub && subIndex < 0)
                throw Failure{at(place + "/slots", size_t(i)),
                              "a material that is not in the scene's material pool"};
            slots.push_back(nullOr(subIndex));
        }
        return {{"name", m->name.data()}, {"type", "multi"}, {"slots", slots}};
    }
    throw Failure{place, "a material of a class the format does not know"};
}

// objects
Json writeMesh(const Mesh& mesh, const std::string& place) {
    Json vertices = Json::array();
    for (int v = 0; v < mesh.vertexCount; ++v)
        vertices.push_back(point(mesh.vertices[v], at(place + "/vertices", size_t(v))));
    Json faces = Json::array();
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = mesh.faces[f];
        faces.push_back(Json::array({face.v[0], face.v[1], face.v[2], face.smGroup, face.flags}));
    }
    Json j = {{"vertices", std::move(vertices)}, {"faces", std::move(faces)}};
    if (mesh.texVertCount > 0) {
        Json texVerts = Json::array();
        for (int v = 0; v < mesh.texVertCount; ++v)
            texVerts.push_back(point(mesh.texVerts[v], at(place + "/texVerts", size_t(v))));
        j["texVerts"] = std::move(texVerts);
    }
    if (mesh.texFaces && mesh.faceCount > 0) {
        Json texFaces = Json::array();
        for (int f = 0; f < mesh.faceCount; ++f) {
            const TVFace& tf = mesh.texFaces[f];
            texFaces.push_back(Json::array({tf.t[0], tf.t[1], tf.t[2]}));
        }
        j["texFaces"] = std::move(texFaces);
    }
    return j;
}

const char* lightKindName(LightObject::Kind kind) {
    switch (kind) {
    case LightObject::Kind::Spot:
        return "spot";
    case LightObject::Kind::Directional:
        return "directional";
    default:
        return "omni";
    }
}

// Adds the node's object under its kind's key.
void writeObject(Json& node, HostObject* object, const std::string& place) {
    if (!object) return;
    if (auto* mesh = dynamic_cast<TriangleMeshObject*>(object)) {
        node["mesh"] = writeMesh(mesh->mesh, place + "/mesh");
    } else if (auto* box = dynamic_cast<BoxObject*>(object)) {
        node["box"] = {{"width", number(box->width, place + "/box/width")},
                       {"length", number(box->length, place + "/box/length")},
                       {"height", number(box->height, place + "/box/height")},
                       {"segments", box->segments}};
    } else if (auto* sphere = dynamic_cast<SphereObject*>(object)) {
        node["sphere"] = {{"radius", number(sphere->radius, place + "/sphere/radius")},
                          {"segments", sphere->segments}};
    } else if (auto* camera = dynamic_cast<CameraObject*>(object)) {
        node["camera"] = {
            {"fov", number(camera->fieldOfView, place + "/camera/fov")},
            {"targetDistance", number(camera->targetDistance, place + "/camera/targetDistance")}};
    } else if (auto* light = dynamic_cast<LightObject*>(object)) {
        node["light"] = {{"kind", lightKindName(light->kind)},
                         {"color", color(light->color, place + "/light/color")},
                         {"intensity", number(light->intensity, place + "/light/intensity")}};
    } else {
        throw Failure{place, "an object of a class the format does not know"};
    }
}

} // namespace

Json writeScene(const Scene& scene) {
    Json doc = {{"format", "zefscene"}, {"version", 1}, {"time", scene.time()}};
    Json maps = Json::array();
    for (int i = 0; i < scene.texmapCount(); ++i)
        maps.push_back(writeTexmap(scene.texmap(i), at("/maps", size_t(i))));
    doc["maps"] = std::move(maps);
    Json materials = Json::array();
    for (int i = 0; i < scene.materialCount(); ++i)
        materials.push_back(writeMaterial(scene, scene.material(i), at("/materials", size_t(i))));
    doc["materials"] = std::move(materials);

    std::vector<SceneNode*> nodes = scene.nodes();
    std::map<const SceneNode*, int> numberOf;
    Json list = Json::array();
    for (size_t i = 0; i < nodes.size(); ++i) {
        SceneNode* n = nodes[i];
        numberOf[n] = int(i);
        std::string place = at("/nodes", i);
        auto parent = numberOf.find(n->parent());
        const Matrix3& tm = n->transform();
        Json transform = Json::array();
        for (int r = 0; r < 4; ++r) transform.push_back(point(tm.GetRow(r), place + "/transform"));
        int materialIndex = scene.materialIndex(n->nodeMaterial());
        if (n->nodeMaterial() && materialIndex < 0)
            throw Failure{place + "/material",
                          "a material that is not in the scene's material pool"};
        Json node = {{"name", n->nodeName()},
                     {"parent", parent == numberOf.end() ? Json(nullptr) : Json(parent->second)},
                     {"transform", std::move(transform)},
                     {"material", nullOr(materialIndex)}};
        writeObject(node, n->object(), place);
        list.push_back(std::move(node));
    }
    doc["nodes"] = std::move(list);
    Json selection = Json::array();
    for (int i = 0; i < scene.selectedCount(); ++i)
        selection.push_back(numberOf[scene.selected(i)]);
    doc["selection"] = std::move(selection);
    return doc;
}

} // namespace scenefile
