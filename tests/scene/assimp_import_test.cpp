// Importing through Assimp: corpus files of several formats checked by content, and
// small hand-written files for the rules of the mapping (axes, welding, seams,
// smoothing from normals, material ids, left-out primitives, errors).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostkit/scene/camera_light.h"
#include "hostkit/scene/mesh_object.h"
#include "scenes/scene_loader.h"

namespace {

const std::string kCorpus = "/usr/share/assimp/models/";

std::string writeTemp(const std::string& name, const std::string& text) {
    auto path = std::filesystem::temp_directory_path() / ("zef_assimp_" + name);
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

const Mesh& meshOf(const SceneNode* node) {
    return static_cast<MeshObject*>(node->object())->mesh;
}

std::vector<SceneNode*> meshNodes(const Scene& scene) {
    std::vector<SceneNode*> out;
    for (SceneNode* n : scene.nodes())
        if (dynamic_cast<MeshObject*>(n->object())) out.push_back(n);
    return out;
}

OpenedScene open(const std::string& path) {
    OpenedScene opened = openScene(path);
    EXPECT_TRUE(opened.ok()) << opened.error.message();
    return opened;
}

// True when faces f and g share an edge (two vertex indices).
bool adjacent(const Mesh& m, int f, int g) {
    int shared = 0;
    for (uint32_t a : m.faces[f].v)
        for (uint32_t b : m.faces[g].v) shared += a == b;
    return shared == 2;
}

// Counts adjacent face pairs that share a smoothing bit (soft) and that do not (hard).
std::pair<int, int> softAndHardEdges(const Mesh& m) {
    int soft = 0, hard = 0;
    for (int f = 0; f < m.faceCount; ++f)
        for (int g = f + 1; g < m.faceCount; ++g)
            if (adjacent(m, f, g)) ++((m.faces[f].smGroup & m.faces[g].smGroup) ? soft : hard);
    return {soft, hard};
}

StdMaterial* standard(HostMaterial* m) {
    return dynamic_cast<StdMaterial*>(m);
}

std::string diffuseFile(HostMaterial* m) {
    StdMaterial* s = standard(m);
    HostTexmap* map = s ? s->maps[StdMaterial::kDiffuseSlot] : nullptr;
    return map ? map->bitmapFileName() : "";
}

TEST(AssimpImport, GltfBinaryBoxWithEmbeddedTexture) {
    OpenedScene opened = open(kCorpus + "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb");
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_EQ(nodes.size(), 1u);
    const Mesh& m = meshOf(nodes[0]);
    // a cube: 8 corners once welded, 12 triangles, texture seams kept in the tex faces
    EXPECT_EQ(m.vertexCount, 8);
    EXPECT_EQ(m.faceCount, 12);
    ASSERT_NE(m.texFaces, nullptr);
    EXPECT_GT(m.texVertCount, 8);
    // every cube edge is hard; the diagonal of each side is soft
    EXPECT_EQ(softAndHardEdges(m), std::make_pair(6, 12));
    // the embedded PNG is kept to be written beside the output, and the map names it
    ASSERT_EQ(opened.images.size(), 1u);
    EXPECT_EQ(opened.images[0].fileName, "BoxTextured_0.png");
    ASSERT_GT(opened.images[0].bytes.size(), 8u);
    EXPECT_EQ(opened.images[0].bytes[1], 'P'); // the PNG signature
    EXPECT_EQ(diffuseFile(nodes[0]->nodeMaterial()), "BoxTextured_0.png");
}

TEST(AssimpImport, ObjWithMtlAndTextures) {
    OpenedScene opened = open(kCorpus + "OBJ/spider.obj");
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    // one object per group of the file
    ASSERT_EQ(nodes.size(), 19u);
    EXPECT_EQ(nodes[0]->nodeName(), "HLeib01");
    int faces = 0;
    for (SceneNode* n : nodes) faces += meshOf(n).faceCount;
    EXPECT_EQ(faces, 1368);
    // each group has one material, named as in the MTL, with its texture file
    EXPECT_EQ(std::string(nodes[0]->nodeMaterial()->name.data()), "HLeibTex");
    EXPECT_EQ(diffuseFile(nodes[0]->nodeMaterial()), ".\\SpiderTex.jpg");
    StdMaterial* skin = standard(opened.scene->findMaterial("Skin"));
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(diffuseFile(skin), ".\\wal67ar_small.jpg");
    EXPECT_NEAR(skin->diffuseColor.r, 0.827451f, 1e-6f);
    EXPECT_EQ(skin->specularColor.r, 0.0f);
    ASSERT_NE(meshOf(nodes[0]).texFaces, nullptr);
}

TEST(AssimpImport, ThreeDsWithTexture) {
    OpenedScene opened = open(kCorpus + "3DS/cube_with_diffuse_texture.3DS");
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(meshOf(nodes[0]).faceCount, 12);
    EXPECT_EQ(diffuseFile(nodes[0]->nodeMaterial()), "TEST.PNG");
}

TEST(AssimpImport, ColladaDuckWithCameraAndLight) {
    OpenedScene opened = open(kCorpus + "Collada/duck.dae");
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(meshOf(nodes[0]).faceCount, 4212);
    EXPECT_EQ(diffuseFile(nodes[0]->nodeMaterial()), "./duckCM.tga");
    int cameras = 0, lights = 0;
    for (SceneNode* n : opened.scene->nodes()) {
        cameras += dynamic_cast<CameraObject*>(n->object()) != nullptr;
        lights += dynamic_cast<LightObject*>(n->object()) != nullptr;
    }
    EXPECT_EQ(cameras, 1);
    EXPECT_EQ(lights, 1);
    // a smooth model keeps its soft edges: far more soft than hard
    auto [soft, hard] = softAndHardEdges(meshOf(nodes[0]));
    EXPECT_GT(soft, 10 * hard);
}

TEST(AssimpImport, YUpBecomesZUpAndTransformsCompose) {
    // an OBJ is Y-up: its +Y point ends on the host's +Z
    OpenedScene opened = open(writeTemp("axes.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_EQ(nodes.size(), 1u);
    Point3 p = meshOf(nodes[0]).vertices[2] * nodes[0]->transform();
    EXPECT_NEAR(p.x, 0, 1e-6f);
    EXPECT_NEAR(p.y, 0, 1e-6f);
    EXPECT_NEAR(p.z, 1, 1e-6f);
}

TEST(AssimpImport, SmoothingFollowsTheNormals) {
    const std::string quad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    // equal normals across the shared edge: one group
    OpenedScene soft =
        open(writeTemp("soft.obj", quad + "vn 0 0 1\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"));
    const Mesh& s = meshOf(meshNodes(*soft.scene)[0]);
    EXPECT_NE(s.faces[0].smGroup & s.faces[1].smGroup, 0u);
    // different normals at the shared edge: no common group
    OpenedScene hard = open(
        writeTemp("hard.obj", quad + "vn 0 0 1\nvn 0 1 0\nf 1//1 2//1 3//1\nf 1//2 3//2 4//2\n"));
    const Mesh& h = meshOf(meshNodes(*hard.scene)[0]);
    EXPECT_EQ(h.faces[0].smGroup & h.faces[1].smGroup, 0u);
    EXPECT_NE(h.faces[0].smGroup, 0u);
    // a zero normal (a file's "vn 0 0 0") agrees only with another zero one
    OpenedScene zero = open(
        writeTemp("zero.obj", quad + "vn 0 0 1\nvn 0 0 0\nf 1//1 2//1 3//1\nf 1//2 3//2 4//2\n"));
    const Mesh& z = meshOf(meshNodes(*zero.scene)[0]);
    EXPECT_EQ(z.faces[0].smGroup & z.faces[1].smGroup, 0u);
    OpenedScene zeros =
        open(writeTemp("zeros.obj", quad + "vn 0 0 0\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"));
    const Mesh& zz = meshOf(meshNodes(*zeros.scene)[0]);
    EXPECT_NE(zz.faces[0].smGroup & zz.faces[1].smGroup, 0u);
    // no normals: group 1 everywhere; the shared corners are welded
    OpenedScene none = open(writeTemp("none.obj", quad + "f 1 2 3\nf 1 3 4\n"));
    const Mesh& n = meshOf(meshNodes(*none.scene)[0]);
    EXPECT_EQ(n.vertexCount, 4);
    EXPECT_EQ(n.faces[0].smGroup, 1u);
    EXPECT_EQ(n.faces[1].smGroup, 1u);
}

TEST(AssimpImport, SeveralMaterialsBecomeMaterialIds) {
    std::string mtl =
        writeTemp("two.mtl", "newmtl red\nKd 1 0 0\nd 0.25\nNs 50\nnewmtl blue\nKd 0 0 1\n");
    OpenedScene opened =
        open(writeTemp("two.obj", "mtllib zef_assimp_two.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                  "usemtl red\nf 1 2 3\nusemtl blue\nf 1 3 4\n"));
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_EQ(nodes.size(), 1u);
    HostMaterial* multi = nodes[0]->nodeMaterial();
    ASSERT_EQ(multi->subMaterialCount(), 2);
    const Mesh& m = meshOf(nodes[0]);
    ASSERT_EQ(m.faceCount, 2);
    // each face's id picks the slot holding its material
    for (int f = 0; f < 2; ++f) {
        std::string name = multi->subMaterial(int(m.faces[f].getMatID()))->name.data();
        EXPECT_EQ(name, f == 0 ? "red" : "blue");
    }
    StdMaterial* red = standard(opened.scene->findMaterial("red"));
    ASSERT_NE(red, nullptr);
    EXPECT_NEAR(red->transparencyValue, 0.75f, 1e-6f);
    EXPECT_NEAR(red->shininessValue, 0.5f, 1e-6f); // exponent 50 of 100
}

TEST(AssimpImport, PointsAndLinesAreCountedAndLeftOut) {
    OpenedScene opened =
        open(writeTemp("mixed.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nl 1 2\np 3\n"));
    EXPECT_EQ(opened.leftOutPoints, 1);
    EXPECT_EQ(opened.leftOutLines, 1);
    int faces = 0;
    for (SceneNode* n : meshNodes(*opened.scene)) faces += meshOf(n).faceCount;
    EXPECT_EQ(faces, 1);
}

TEST(AssimpImport, ASharedMeshIsCopiedPerNode) {
    OpenedScene opened = open(kCorpus + "glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    std::vector<SceneNode*> nodes = meshNodes(*opened.scene);
    ASSERT_GT(nodes.size(), 1u);
    for (size_t i = 0; i < nodes.size(); ++i)
        for (size_t j = i + 1; j < nodes.size(); ++j)
            ASSERT_NE(meshOf(nodes[i]).vertices, meshOf(nodes[j]).vertices);
}

TEST(AssimpImport, ErrorsNameTheFileAndAssimpsReason) {
    std::string path = writeTemp("broken.glb", "glTF garbage");
    OpenedScene opened = openScene(path);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error.file, path);
    EXPECT_FALSE(opened.error.problem.empty());
}

TEST(AssimpImport, NonFinitePositionsAreRefused) {
    // a ZEF file cannot write an infinite coordinate: the file is refused, not exported
    std::string path = kCorpus + "glTF2/BoxWithInfinites-glTF-Binary/BoxWithInfinites.glb";
    OpenedScene opened = openScene(path);
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error.problem.find("non-finite"), std::string::npos) << opened.error.message();
}

// One triangle in a glTF file with its buffer inline, with the given material; with
// texture coordinates, the second one's u is infinite.
std::string oneTriangleGltf(const std::string& material, bool texCoords) {
    const std::string attributes =
        texCoords ? R"({"POSITION":0,"TEXCOORD_0":1})" : R"({"POSITION":0})";
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
           R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":)" +
           attributes + R"(,"material":0}]}],"materials":[)" + material + "]," +
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
           R"("min":[0,0,0],"max":[1,1,0]},)"
           R"({"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"}],)"
           R"("bufferViews":[{"buffer":0,"byteLength":36},)"
           R"({"buffer":0,"byteOffset":36,"byteLength":24}],)"
           R"("buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)"
           R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAACAPwAAgD8AAAAAAAAAAAAAAAAAAIB/AAAAAAAAAAAAAIA/"}]})";
}

TEST(AssimpImport, LargeFinitePositionsAreKept) {
    // each coordinate is finite, though their sum is not
    OpenedScene opened =
        open(writeTemp("far.obj", "v 3e38 3e38 3e38\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    ASSERT_TRUE(opened.ok());
    ASSERT_EQ(meshNodes(*opened.scene).size(), 1u);
}

TEST(AssimpImport, NonFiniteTextureCoordinatesAreRefused) {
    OpenedScene opened =
        openScene(writeTemp("inf.gltf", oneTriangleGltf(R"({"name":"plain"})", true)));
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error.problem.find("vertex 1 with a non-finite texture coordinate"),
              std::string::npos)
        << opened.error.message();
}

TEST(AssimpImport, DoubleSidedMaterialsStayTwoSided) {
    for (bool doubleSided : {true, false}) {
        const std::string material = std::string(R"({"name":"skin","doubleSided":)") +
                                     (doubleSided ? "true" : "false") + "}";
        OpenedScene opened = open(writeTemp("sided.gltf", oneTriangleGltf(material, false)));
        StdMaterial* skin = standard(opened.scene->findMaterial("skin"));
        ASSERT_NE(skin, nullptr) << doubleSided;
        EXPECT_EQ(skin->twoSided(), doubleSided ? 1 : 0);
    }
}

} // namespace

// Many faces on one edge (a fan of fins around it): every fin whose normals agree
// with the first joins its group, the others keep apart from it, and the work stays
// linear in the fins.
TEST(AssimpImport, SmoothingOnACrowdedEdge) {
    constexpr int kFins = 2000;
    std::string obj = "v 0 0 0\nv 0 0 1\nvn 1 0 0\nvn 0 1 0\n";
    for (int i = 0; i < kFins; ++i)
        obj += "v " + std::to_string(1 + i) + " 0 0.5\n"; // distinct apexes
    for (int i = 0; i < kFins; ++i)
        obj += "f 1//" + std::string(i % 2 ? "2" : "1") + " 2//" + (i % 2 ? "2" : "1") + " " +
               std::to_string(3 + i) + "//" + (i % 2 ? "2" : "1") + "\n";
    OpenedScene opened = open(writeTemp("fins.obj", obj));
    const Mesh& m = meshOf(meshNodes(*opened.scene)[0]);
    ASSERT_EQ(m.faceCount, kFins);
    for (int f = 1; f < kFins; ++f) {
        const bool shared = (m.faces[0].smGroup & m.faces[f].smGroup) != 0;
        EXPECT_EQ(shared, f % 2 == 0) << "fin " << f;
    }
}

TEST(AssimpImport, PointsWeldOnlyWhenEqualAndEveryEdgeShows) {
    // two rows of 100 points, each sharing its x with its row and its y with the other
    // row: points that differ in any coordinate stay apart, however often they meet in
    // the weld's table; and every imported edge shows
    std::ostringstream obj;
    for (int i = 0; i < 100; ++i) obj << "v 0 " << i << " 0\nv 1 " << i << " 0\n";
    for (int a = 1; a < 199; a += 2) // the quad of points a, a + 1, a + 3, a + 2
        obj << "f " << a << " " << a + 1 << " " << a + 3 << "\nf " << a << " " << a + 3 << " "
            << a + 2 << "\n";
    OpenedScene opened = open(writeTemp("rows.obj", obj.str()));
    const Mesh& m = meshOf(meshNodes(*opened.scene)[0]);
    EXPECT_EQ(m.vertexCount, 200);
    ASSERT_EQ(m.faceCount, 198);
    for (int f = 0; f < m.faceCount; ++f)
        EXPECT_EQ(m.faces[f].flags & MeshFace::kEdgeAll, MeshFace::kEdgeAll) << f;
}

TEST(AssimpImport, AMeshWithoutMappingBesideAMappedOneMapsToTheOrigin) {
    writeTemp("half.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n");
    OpenedScene opened = open(writeTemp("half.obj", "mtllib zef_assimp_half.mtl\n"
                                                    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                                    "vt 0.5 0.25\nusemtl red\nf 1/1 2/1 3/1\n"
                                                    "usemtl blue\nf 1 3 4\n"));
    const Mesh& m = meshOf(meshNodes(*opened.scene)[0]);
    ASSERT_EQ(m.faceCount, 2);
    ASSERT_TRUE(m.texFaces);
    for (int f = 0; f < 2; ++f)
        for (uint32_t t : m.texFaces[f].t) {
            const UVVert uv = m.texVerts[t];
            EXPECT_EQ(uv.x, m.faces[f].getMatID() == 0 ? 0.5f : 0.0f) << f;
            EXPECT_EQ(uv.y, m.faces[f].getMatID() == 0 ? 0.25f : 0.0f) << f;
        }
}
