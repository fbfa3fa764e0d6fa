// Assimp meshes to one host mesh: welding, texture faces, material ids and
// smoothing groups from normals.
#include "scenes/assimp_mesh.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_map>

#include "scenes/smoothing_from_normals.h"

namespace {

// Bit pattern of a point, so welding merges exactly equal positions (and keeps
// 0 and -0 apart, which is harmless).
struct PointKey {
    uint32_t bits[3];
    bool operator==(const PointKey&) const = default;
};
struct PointKeyHash {
    size_t operator()(const PointKey& k) const {
        return (size_t(k.bits[0]) * 73856093u) ^ (size_t(k.bits[1]) * 19349663u) ^
               (size_t(k.bits[2]) * 83492791u);
    }
};
PointKey keyOf(const Point3& p) {
    PointKey k;
    std::memcpy(k.bits, &p, sizeof k.bits);
    return k;
}

// Points numbered by first appearance, equal points sharing a number.
class PointPool {
  public:
    uint32_t add(const Point3& p) {
        auto [it, inserted] = numbers_.try_emplace(keyOf(p), uint32_t(points.size()));
        if (inserted) points.push_back(p);
        return it->second;
    }
    std::vector<Point3> points;

  private:
    std::unordered_map<PointKey, uint32_t, PointKeyHash> numbers_;
};

bool hasTexCoords(const std::vector<const aiMesh*>& meshes) {
    for (const aiMesh* m : meshes)
        if (m->HasTextureCoords(0)) return true;
    return false;
}

Point3 toPoint(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

} // namespace

Mesh meshFromAssimp(const std::vector<const aiMesh*>& meshes) {
    PointPool positions, texPoints;
    std::vector<MeshFace> faces;
    std::vector<TVFace> texFaces;
    std::vector<Point3> cornerNormals; // three per face
    bool allNormals = true;
    const bool mapped = hasTexCoords(meshes);

    for (size_t id = 0; id < meshes.size(); ++id) {
        const aiMesh* m = meshes[id];
        allNormals = allNormals && m->HasNormals();
        for (unsigned f = 0; f < m->mNumFaces; ++f) {
            const aiFace& source = m->mFaces[f];
            if (source.mNumIndices != 3) continue;
            MeshFace face;
            TVFace texFace;
            for (int c = 0; c < 3; ++c) {
                unsigned index = source.mIndices[c];
                face.v[c] = positions.add(toPoint(m->mVertices[index]));
                if (mapped)
                    texFace.t[c] =
                        texPoints.add(m->HasTextureCoords(0) ? toPoint(m->mTextureCoords[0][index])
                                                             : Point3{0, 0, 0});
                cornerNormals.push_back(m->HasNormals() ? toPoint(m->mNormals[index])
                                                        : Point3{0, 0, 0});
            }
            face.flags = MeshFace::kEdgeAll;
            face.setMatID(uint32_t(id));
            faces.push_back(face);
            texFaces.push_back(texFace);
        }
    }

    Mesh mesh;
    mesh.setNumVerts(int(positions.points.size()));
    std::copy(positions.points.begin(), positions.points.end(), mesh.vertices);
    mesh.setNumFaces(int(faces.size()));
    std::copy(faces.begin(), faces.end(), mesh.faces);
    if (mapped) {
        mesh.setNumTVerts(int(texPoints.points.size()));
        std::copy(texPoints.points.begin(), texPoints.points.end(), mesh.texVerts);
        mesh.setTexFacesEnabled(true, false);
        std::copy(texFaces.begin(), texFaces.end(), mesh.texFaces);
    }
    const float cosLimit = std::cos(kSmoothAngleDegrees * std::numbers::pi_v<float> / 180.0f);
    assignSmoothingFromNormals(mesh, allNormals ? &cornerNormals : nullptr, cosLimit);
    return mesh;
}
