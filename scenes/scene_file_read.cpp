// Scene-file reader: checks a parsed document and builds the scene it describes.
// Every value is reached through a Cursor that knows its JSON pointer, so a problem
// can be reported exactly where it is.
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string_view>

#include "hostkit/mesh/primitives.h"
#include "scenes/scene_file_json.h"
#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"

namespace scenefile {
namespace {

// A value in the document and the way to it; the pointer text is built only when a
// problem is reported. Cursors live on the stack below their parents.
class Cursor {
  public:
    explicit Cursor(const Json& value) : value_(&value) {}

    const Json& json() const { return *value_; }

    std::string pointer() const {
        if (!parent_) return "";
        std::string step = isIndex_ ? std::to_string(index_) : std::string(key_);
        return parent_->pointer() + "/" + step;
    }
    [[noreturn]] void fail(const std::string& problem) const {
        std::string place = pointer();
        throw Failure{place.empty() ? "/" : place, problem};
    }

    // Object fields. Unknown fields are errors, so misspelt names are caught.
    void expectObject(std::initializer_list<std::string_view> allowed) const {
        if (!value_->is_object()) fail("expected an object, found " + describe());
        for (const auto& item : value_->items()) {
            bool known = false;
            for (std::string_view name : allowed) known = known || item.key() == name;
            if (!known) fail("unknown field \"" + item.key() + "\"");
        }
    }
    bool has(const char* key) const { return value_->contains(key); }
    Cursor field(const char* key) const {
        if (!has(key)) fail("missing field \"" + std::string(key) + "\"");
        return Cursor(value_->at(key), this, key, 0, false);
    }
    std::optional<Cursor> optionalField(const char* key) const {
        if (!has(key)) return std::nullopt;
        return Cursor(value_->at(key), this, key, 0, false);
    }

    // Arrays.
    size_t arraySize() const {
        if (!value_->is_array()) fail("expected an array, found " + describe());
        return value_->size();
    }
    // The size of an array that becomes a mesh's element count: at most an int's range.
    int elementCount() const {
        size_t n = arraySize();
        if (n > size_t(std::numeric_limits<int>::max()))
            fail("too many entries (" + std::to_string(n) + "; the limit is " +
                 std::to_string(std::numeric_limits<int>::max()) + ")");
        return int(n);
    }
    void expectSize(size_t n) const {
        if (arraySize() != n)
            fail("expected " + std::to_string(n) + " entries, found " +
                 std::to_string(value_->size()));
    }
    Cursor operator[](size_t i) const { return Cursor((*value_)[i], this, {}, i, true); }

    // Scalars.
    bool isNull() const { return value_->is_null(); }
    float number() const {
        if (!value_->is_number()) fail("expected a number, found " + describe());
        return value_->get<float>(); // the parser already refused overflowing numbers
    }
    uint32_t unsignedWord() const {
        if (!value_->is_number_unsigned() || value_->get<uint64_t>() > 0xFFFFFFFFull)
            fail("expected an unsigned 32-bit integer, found " + describe());
        return uint32_t(value_->get<uint64_t>());
    }
    int integer() const {
        if (!value_->is_number_integer()) fail("expected an integer, found " + describe());
        int64_t i = value_->get<int64_t>();
        if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max())
            fail("integer out of range");
        return int(i);
    }
    // An integer at most limit; lower values are the caller's to interpret.
    int integerAtMost(int limit) const {
        int i = integer();
        if (i > limit)
            fail(std::to_string(i) + " is out of range (the limit is " + std::to_string(limit) +
                 ")");
        return i;
    }
    // An index below count naming one of what ("node", "material", ...).
    uint32_t index(size_t count, const char* what) const {
        uint32_t i = unsignedWord();
        if (i >= count)
            fail(std::string(what) + " index " + std::to_string(i) +
                 " is out of range (must be below " + std::to_string(count) + ")");
        return i;
    }
    std::string text() const {
        if (!value_->is_string()) fail("expected a string, found " + describe());
        return value_->get<std::string>();
    }
    // A name or file name: one line of text, since exports write it on one line.
    std::string name() const {
        std::string value = text();
        if (value.find_first_of("\r\n") != std::string::npos)
            fail("a name may not hold a line break");
        return value;
    }
    bool boolean() const {
        if (!value_->is_boolean()) fail("expected true or false, found " + describe());
        return value_->get<bool>();
    }
    Point3 point() const {
        expectSize(3);
        return {(*this)[0].number(), (*this)[1].number(), (*this)[2].number()};
    }
    Color color() const {
        Point3 p = point();
        return {p.x, p.y, p.z};
    }

  private:
    Cursor(const Json& value, const Cursor* parent, std::string_view key, size_t index,
           bool isIndex)
        : value_(&value), parent_(parent), key_(key), index_(index), isIndex_(isIndex) {}

    std::string describe() const {
        if (value_->is_primitive() && !value_->is_null()) {
            std::string shown = value_->dump();
            if (shown.size() > 40) shown = shown.substr(0, 37) + "...";
            return std::string(value_->type_name()) + " " + shown;
        }
        return value_->is_null() ? "null" : std::string("an ") + value_->type_name();
    }

    const Json* value_;
    const Cursor* parent_ = nullptr;
    std::string_view key_;
    size_t index_ = 0;
    bool isIndex_ = false;
};

float numberOr(const Cursor& c, const char* key, float fallback) {
    auto f = c.optionalField(key);
    return f ? f->number() : fallback;
}

Color colorOr(const Cursor& c, const char* key, Color fallback) {
    auto f = c.optionalField(key);
    return f ? f->color() : fallback;
}

// maps
void readTexmap(Scene& scene, const Cursor& c) {
    c.expectObject({"name", "type", "file", "color1", "color2", "tiling"});
    std::string name = c.field("name").name();
    Cursor type = c.field("type");
    std::string kind = type.text();
    if (kind == "bitmap") {
        if (c.has("color1") || c.has("color2") || c.has("tiling"))
            c.fail("a bitmap map has only name, type and file");
        scene.createBitmapTexmap(name, c.field("file").name());
    } else if (kind == "checker") {
        if (c.has("file")) c.fail("a checker map has no file");
        CheckerTexmap* map = scene.createCheckerTexmap(name);
        map->color1 = colorOr(c, "color1", map->color1);
        map->color2 = colorOr(c, "color2", map->color2);
        if (auto tiling = c.optionalField("tiling")) {
            tiling->expectSize(2);
            map->uTiling = (*tiling)[0].number();
            map->vTiling = (*tiling)[1].number();
        }
    } else {
        type.fail("unknown map type \"" + kind + "\" (expected bitmap or checker)");
    }
}

// materials, first pass: everything but the sub-material slots
void readStandardMaterial(Scene& scene, const Cursor& c, const std::string& name) {
    c.expectObject({"name", "type", "diffuse", "specular", "shininess", "shineStrength",
                    "transparency", "twoSided", "maps"});
    StdMaterial* m = scene.createStdMaterial(name);
    m->diffuseColor = colorOr(c, "diffuse", m->diffuseColor);
    m->specularColor = colorOr(c, "specular", m->specularColor);
    m->shininessValue = numberOr(c, "shininess", m->shininessValue);
    m->shineStrength = numberOr(c, "shineStrength", m->shineStrength);
    m->transparencyValue = numberOr(c, "transparency", m->transparencyValue);
    if (auto twoSided = c.optionalField("twoSided")) m->setTwoSided(twoSided->boolean());
    auto maps = c.optionalField("maps");
    if (!maps) return;
    std::set<int> seen;
    for (size_t i = 0, n = maps->arraySize(); i < n; ++i) {
        Cursor entry = (*maps)[i];
        entry.expectObject({"slot", "map", "amount"});
        Cursor slotField = entry.field("slot");
        int slot = int(slotField.index(StdMaterial::kMapSlots, "map slot"));
        if (!seen.insert(slot).second) slotField.fail("map slot given twice");
        Cursor mapField = entry.field("map");
        m->maps[slot] = mapField.isNull()
                            ? nullptr
                            : scene.texmap(int(mapField.index(size_t(scene.texmapCount()), "map")));
        m->mapAmounts[slot] = numberOr(entry, "amount", 1.0f);
    }
}

void readMaterial(Scene& scene, const Cursor& c) {
    if (!c.json().is_object()) c.expectObject({});
    std::string name = c.field("name").name();
    Cursor type = c.field("type");
    std::string kind = type.text();
    if (kind == "standard") {
        readStandardMaterial(scene, c, name);
    } else if (kind == "multi") {
        c.expectObject({"name", "type", "slots"});
        scene.createMultiMaterial(name, int(c.field("slots").arraySize()));
    } else if (kind == "matte") {
        c.expectObject({"name", "type", "color", "transparency"});
        MatteMaterial* m = scene.createMatteMaterial(name);
        m->color = colorOr(c, "color", m->color);
        m->transparencyValue = numberOr(c, "transparency", m->transparencyValue);
    } else {
        type.fail("unknown material type \"" + kind + "\" (expected standard, multi or matte)");
    }
}

// materials, second pass: sub-material slots, which may refer to any material
void readMultiSlots(Scene& scene, int index, const Cursor& c) {
    auto* multi = dynamic_cast<MultiMtl*>(scene.material(index));
    if (!multi) return;
    Cursor slots = c.field("slots");
    for (size_t i = 0; i < slots.arraySize(); ++i) {
        Cursor slot = slots[i];
        if (slot.isNull()) continue;
        HostMaterial* sub =
            scene.material(int(slot.index(size_t(scene.materialCount()), "material")));
        if (!multi->setSubMaterial(int(i), sub))
            slot.fail("material " + std::to_string(scene.materialIndex(sub)) +
                      " contains this multi-material, which would make a cycle");
    }
}

// objects
void readFaces(Mesh& mesh, const Cursor& faces) {
    mesh.setNumFaces(faces.elementCount());
    for (int f = 0; f < mesh.faceCount; ++f) {
        Cursor face = faces[size_t(f)];
        face.expectSize(5);
        MeshFace& out = mesh.faces[f];
        for (int k = 0; k < 3; ++k)
            out.v[k] = face[size_t(k)].index(size_t(mesh.vertexCount), "vertex");
        out.smGroup = face[3].unsignedWord();
        out.flags = face[4].unsignedWord();
    }
}

void readTexFaces(Mesh& mesh, const Cursor& texFaces) {
    if (texFaces.arraySize() != size_t(mesh.faceCount))
        texFaces.fail(std::to_string(texFaces.arraySize()) + " texture faces for " +
                      std::to_string(mesh.faceCount) + " faces; the counts must be equal");
    mesh.setTexFacesEnabled(true);
    for (int f = 0; f < mesh.faceCount; ++f) {
        Cursor tf = texFaces[size_t(f)];
        tf.expectSize(3);
        for (int k = 0; k < 3; ++k)
            mesh.texFaces[f].t[k] =
                tf[size_t(k)].index(size_t(mesh.texVertCount), "texture vertex");
    }
}

std::unique_ptr<HostObject> readMesh(const Cursor& c) {
    c.expectObject({"vertices", "faces", "texVerts", "texFaces"});
    auto object = std::make_unique<MeshObject>();
    Mesh& mesh = object->mesh;
    Cursor vertices = c.field("vertices");
    mesh.setNumVerts(vertices.elementCount());
    for (int v = 0; v < mesh.vertexCount; ++v) mesh.vertices[v] = vertices[size_t(v)].point();
    if (auto texVerts = c.optionalField("texVerts")) {
        mesh.setNumTVerts(texVerts->elementCount());
        for (int v = 0; v < mesh.texVertCount; ++v)
            mesh.texVerts[v] = (*texVerts)[size_t(v)].point();
    }
    readFaces(mesh, c.field("faces"));
    if (auto texFaces = c.optionalField("texFaces")) readTexFaces(mesh, *texFaces);
    return object;
}

std::unique_ptr<HostObject> readBox(const Cursor& c) {
    c.expectObject({"width", "length", "height", "segments"});
    return std::make_unique<BoxObject>(c.field("width").number(), c.field("length").number(),
                                       c.field("height").number(),
                                       c.field("segments").integerAtMost(kMaxBoxSegments));
}

std::unique_ptr<HostObject> readSphere(const Cursor& c) {
    c.expectObject({"radius", "segments"});
    return std::make_unique<SphereObject>(c.field("radius").number(),
                                          c.field("segments").integerAtMost(kMaxSphereSegments));
}

std::unique_ptr<HostObject> readCamera(const Cursor& c) {
    c.expectObject({"fov", "targetDistance"});
    auto camera = std::make_unique<CameraObject>();
    camera->fieldOfView = numberOr(c, "fov", camera->fieldOfView);
    camera->targetDistance = numberOr(c, "targetDistance", camera->targetDistance);
    return camera;
}

std::unique_ptr<HostObject> readLight(const Cursor& c) {
    c.expectObject({"kind", "color", "intensity"});
    auto light = std::make_unique<LightObject>();
    if (auto kind = c.optionalField("kind")) {
        std::string k = kind->text();
        if (k == "omni")
            light->kind = LightObject::Kind::Omni;
        else if (k == "spot")
            light->kind = LightObject::Kind::Spot;
        else if (k == "directional")
            light->kind = LightObject::Kind::Directional;
        else
            kind->fail("unknown light kind \"" + k + "\" (expected omni, spot or directional)");
    }
    light->color = colorOr(c, "color", light->color);
    light->intensity = numberOr(c, "intensity", light->intensity);
    return light;
}

struct ObjectKind {
    const char* key;
    std::unique_ptr<HostObject> (*read)(const Cursor&);
};
constexpr ObjectKind kObjectKinds[] = {{"mesh", readMesh},
                                       {"box", readBox},
                                       {"sphere", readSphere},
                                       {"camera", readCamera},
                                       {"light", readLight}};

// Refuses a node whose transform takes a vertex of its mesh (the built mesh for a
// primitive) past the float range, to infinity or NaN, so no export or utility run
// on the scene meets a world position that is not finite.
void checkWorldPositions(const Cursor& node, SceneNode& sceneNode) {
    const Mesh* mesh = nullptr;
    Mesh built;
    if (auto* object = dynamic_cast<MeshObject*>(sceneNode.object())) {
        mesh = &object->mesh;
    } else if (auto* primitive = dynamic_cast<PrimitiveObject*>(sceneNode.object())) {
        built = primitive->buildMesh();
        mesh = &built;
    }
    if (!mesh) return;
    const Matrix3& tm = sceneNode.transform();
    for (int v = 0; v < mesh->vertexCount; ++v) {
        Point3 p = mesh->vertices[v] * tm;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            node.fail("the transform takes vertex " + std::to_string(v) +
                      " past the float range (to infinity or NaN)");
    }
}

// nodes
void readNode(Scene& scene, std::vector<SceneNode*>& nodes, const Cursor& c) {
    c.expectObject(
        {"name", "parent", "transform", "material", "mesh", "box", "sphere", "camera", "light"});
    std::string name = c.field("name").name();
    SceneNode* parent = nullptr;
    if (auto p = c.optionalField("parent"); p && !p->isNull()) {
        uint32_t i = p->unsignedWord();
        if (i >= nodes.size())
            p->fail("parent " + std::to_string(i) + " does not come before this node (node " +
                    std::to_string(nodes.size()) + ")");
        parent = nodes[i];
    }
    SceneNode* node = scene.createNode(name, parent);
    nodes.push_back(node);
    if (auto tm = c.optionalField("transform")) {
        tm->expectSize(4);
        node->setTransform(
            Matrix3((*tm)[0].point(), (*tm)[1].point(), (*tm)[2].point(), (*tm)[3].point()));
    }
    if (auto m = c.optionalField("material"); m && !m->isNull())
        node->setMaterial(scene.material(int(m->index(size_t(scene.materialCount()), "material"))));
    const ObjectKind* found = nullptr;
    for (const ObjectKind& kind : kObjectKinds) {
        if (!c.has(kind.key)) continue;
        if (found)
            c.fail(std::string("a node holds one object, found both \"") + found->key +
                   "\" and \"" + kind.key + "\"");
        found = &kind;
    }
    if (found) node->setObject(found->read(c.field(found->key)));
    checkWorldPositions(c, *node);
}

} // namespace

std::unique_ptr<Scene> readScene(const Json& doc) {
    Cursor root(doc);
    root.expectObject({"format", "version", "time", "maps", "materials", "nodes", "selection"});
    Cursor format = root.field("format");
    if (format.text() != "zefscene") format.fail("expected \"zefscene\"");
    Cursor version = root.field("version");
    if (version.integer() != 1) version.fail("unsupported version (this reader knows version 1)");

    auto scene = std::make_unique<Scene>();
    if (auto time = root.optionalField("time")) scene->setTime(time->integer());
    if (auto maps = root.optionalField("maps"))
        for (size_t i = 0, n = maps->arraySize(); i < n; ++i) readTexmap(*scene, (*maps)[i]);
    if (auto materials = root.optionalField("materials")) {
        size_t n = materials->arraySize();
        for (size_t i = 0; i < n; ++i) readMaterial(*scene, (*materials)[i]);
        for (size_t i = 0; i < n; ++i) readMultiSlots(*scene, int(i), (*materials)[i]);
    }
    std::vector<SceneNode*> nodes;
    if (auto list = root.optionalField("nodes"))
        for (size_t i = 0, n = list->arraySize(); i < n; ++i) readNode(*scene, nodes, (*list)[i]);
    if (auto selection = root.optionalField("selection")) {
        for (size_t i = 0, n = selection->arraySize(); i < n; ++i) {
            Cursor entry = (*selection)[i];
            SceneNode* node = nodes[entry.index(nodes.size(), "node")];
            if (scene->isSelected(node)) entry.fail("node selected twice");
            scene->select(node);
        }
    }
    return scene;
}

} // namespace scenefile
