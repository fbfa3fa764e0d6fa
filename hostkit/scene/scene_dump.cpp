// Canonical scene dump: every value of the scene, one item per line.
#include "hostkit/scene/scene_dump.h"

#include <charconv>
#include <concepts>
#include <map>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "hostkit/scene/primitive_objects.h"

namespace {
class Dumper {
  public:
    std::string out;

    Dumper& operator<<(float f) {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, f); // shortest, exact
        out += ' ';
        out.append(buffer, result.ptr);
        return *this;
    }
    template <std::integral I> Dumper& operator<<(I i) {
        out += ' ' + std::to_string(i);
        return *this;
    }
    Dumper& operator<<(const char* word) {
        out += ' ';
        out += word;
        return *this;
    }
    Dumper& quoted(const std::string& text) {
        out += " \"" + text + '"';
        return *this;
    }
    Dumper& operator<<(const Color& c) { return *this << c.r << c.g << c.b; }
    Dumper& operator<<(const Point3& p) { return *this << p.x << p.y << p.z; }
    void line(const char* head) { out += out.empty() ? head : std::string("\n") + head; }
};

void dumpTexmap(Dumper& d, int index, NamedTexmap* map) {
    d.line("map");
    d << index;
    d.quoted(map->name);
    if (auto* bitmap = dynamic_cast<BitmapTexmap*>(map)) {
        d << "bitmap";
        d.quoted(bitmap->fileName);
    } else if (auto* checker = dynamic_cast<CheckerTexmap*>(map)) {
        d << "checker" << checker->color1 << checker->color2 << checker->uTiling
          << checker->vTiling;
    } else {
        d << "class" << map->classId().a << map->classId().b;
    }
}

void dumpMaterial(Dumper& d, const Scene& scene, int index, HostMaterial* m) {
    d.line("material");
    d << index;
    d.quoted(m->name.data());
    d << "class" << m->classId().a << m->classId().b;
    if (auto* standard = dynamic_cast<StdMaterial*>(m)) {
        d << "diffuse" << standard->diffuseColor << "specular" << standard->specularColor
          << "shininess" << standard->shininessValue << "strength" << standard->shineStrength
          << "transparency" << standard->transparencyValue << "twoSided" << standard->twoSidedFlag;
        for (int s = 0; s < StdMaterial::kMapSlots; ++s) {
            d << "slot" << s << scene.texmapIndex(standard->maps[s]) << standard->mapAmounts[s];
        }
    } else if (auto* matte = dynamic_cast<MatteMaterial*>(m)) {
        d << "color" << matte->color << "transparency" << matte->transparencyValue;
    }
    if (m->subMaterialCount() > 0) d << "subs";
    for (int i = 0; i < m->subMaterialCount(); ++i) d << scene.materialIndex(m->subMaterial(i));
}

void dumpMesh(Dumper& d, const Mesh& mesh) {
    d << "mesh" << mesh.vertexCount << mesh.faceCount << mesh.texVertCount
      << (mesh.texFaces ? "mapped" : "unmapped");
    for (int i = 0; i < mesh.vertexCount; ++i) {
        d.line("  v");
        d << mesh.vertices[i];
    }
    for (int i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        d.line("  f");
        d << f.v[0] << f.v[1] << f.v[2] << f.smGroup << f.flags;
    }
    for (int i = 0; i < mesh.texVertCount; ++i) {
        d.line("  tv");
        d << mesh.texVerts[i];
    }
    for (int i = 0; mesh.texFaces && i < mesh.faceCount; ++i) {
        const TVFace& tf = mesh.texFaces[i];
        d.line("  tf");
        d << tf.t[0] << tf.t[1] << tf.t[2];
    }
}

void dumpObject(Dumper& d, HostObject* object) {
    d.line("  object");
    if (!object) {
        d << "none";
    } else if (auto* mesh = dynamic_cast<TriangleMeshObject*>(object)) {
        dumpMesh(d, mesh->mesh);
    } else if (auto* box = dynamic_cast<BoxObject*>(object)) {
        d << "box" << box->width << box->length << box->height << box->segments;
    } else if (auto* sphere = dynamic_cast<SphereObject*>(object)) {
        d << "sphere" << sphere->radius << sphere->segments;
    } else if (auto* camera = dynamic_cast<CameraObject*>(object)) {
        d << "camera" << camera->fieldOfView << camera->targetDistance;
    } else if (auto* light = dynamic_cast<LightObject*>(object)) {
        d << "light" << int(light->kind) << light->color << light->intensity;
    } else {
        d << "class" << object->classId().a << object->classId().b;
    }
}
} // namespace

std::string dumpScene(const Scene& scene) {
    Dumper d;
    std::vector<SceneNode*> nodes = scene.nodes();
    std::map<const SceneNode*, long long> numberOf;
    for (size_t i = 0; i < nodes.size(); ++i) numberOf[nodes[i]] = i;

    d.line("time");
    d << scene.time();
    d.line("selection");
    for (int i = 0; i < scene.selectedCount(); ++i) d << numberOf[scene.selected(i)];
    for (int i = 0; i < scene.texmapCount(); ++i) dumpTexmap(d, i, scene.texmap(i));
    for (int i = 0; i < scene.materialCount(); ++i) dumpMaterial(d, scene, i, scene.material(i));
    for (size_t i = 0; i < nodes.size(); ++i) {
        SceneNode* n = nodes[i];
        d.line("node");
        d << i;
        d.quoted(n->nodeName());
        auto parent = numberOf.find(n->parent());
        d << "parent" << (parent == numberOf.end() ? -1LL : parent->second);
        d << "material" << scene.materialIndex(n->nodeMaterial()) << "tm";
        for (int r = 0; r < 4; ++r) d << n->transform().GetRow(r);
        dumpObject(d, n->object());
    }
    d.out += '\n';
    return d.out;
}
