// Assimp meshes to one host mesh: welding, texture faces, material ids and
// smoothing groups from normals.
#include "scenes/assimp_mesh.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "scenes/smoothing_from_normals.h"

namespace {

// Points numbered by first appearance, bit-equal points sharing a number (so 0 and
// -0 stay apart, which is harmless). An open-addressing table sized once for the
// most points it can hold: no allocation per point.
class PointPool {
  public:
    explicit PointPool(size_t mostPoints) {
        size_t capacity = 16;
        while (capacity < 2 * mostPoints) capacity *= 2;
        slots_.assign(capacity, kEmpty);
        mask_ = capacity - 1;
        points.reserve(mostPoints);
    }

    uint32_t add(const Point3& p) {
        uint32_t bits[3];
        std::memcpy(bits, &p, sizeof bits);
        for (size_t slot = hash(bits) & mask_;; slot = (slot + 1) & mask_) {
            uint32_t number = slots_[slot];
            if (number == kEmpty) {
                slots_[slot] = uint32_t(points.size());
                points.push_back(p);
                return slots_[slot];
            }
            if (std::memcmp(&points[number], bits, sizeof bits) == 0) return number;
        }
    }

    std::vector<Point3> points;

  private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static size_t hash(const uint32_t bits[3]) {
        uint64_t h = (uint64_t(bits[0]) << 32 | bits[1]) * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) + uint64_t(bits[2]) * 0xC2B2AE3D27D4EB4Full;
        return size_t(h ^ (h >> 32));
    }
    std::vector<uint32_t> slots_;
    size_t mask_ = 0;
};

bool hasTexCoords(const std::vector<const aiMesh*>& meshes) {
    for (const aiMesh* m : meshes)
        if (m->HasTextureCoords(0)) return true;
    return false;
}

Point3 toPoint(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

// A source mesh's vertices numbered in a pool on first use, so the numbering follows
// the faces' corners and unused vertices are left out.
class LazyWeld {
  public:
    LazyWeld(PointPool& pool, unsigned count, const aiVector3D* points)
        : pool_(pool), points_(points), numbers_(count, kUnset) {}
    uint32_t operator()(unsigned index) {
        uint32_t& number = numbers_[index];
        if (number == kUnset)
            number = pool_.add(points_ ? toPoint(points_[index]) : Point3{0, 0, 0});
        return number;
    }

  private:
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;
    PointPool& pool_;
    const aiVector3D* points_;
    std::vector<uint32_t> numbers_;
};

} // namespace

Mesh meshFromAssimp(const std::vector<const aiMesh*>& meshes) {
    size_t vertexCount = 0, triangleCount = 0;
    bool allNormals = true;
    for (const aiMesh* m : meshes) {
        vertexCount += m->mNumVertices;
        for (unsigned f = 0; f < m->mNumFaces; ++f) triangleCount += m->mFaces[f].mNumIndices == 3;
        allNormals = allNormals && m->HasNormals();
    }
    const bool mapped = hasTexCoords(meshes);

    Mesh mesh;
    mesh.setNumFaces(int(triangleCount));
    if (mapped) mesh.setTexFacesEnabled(true, false);
    std::vector<Point3> cornerNormals; // three per face
    if (allNormals) cornerNormals.resize(triangleCount * 3);
    PointPool positions(vertexCount), texPoints(mapped ? vertexCount : 0);

    size_t out = 0;
    for (size_t id = 0; id < meshes.size(); ++id) {
        const aiMesh* m = meshes[id];
        LazyWeld vertexOf(positions, m->mNumVertices, m->mVertices);
        LazyWeld texVertexOf(texPoints, mapped ? m->mNumVertices : 0, m->mTextureCoords[0]);
        for (unsigned f = 0; f < m->mNumFaces; ++f) {
            const aiFace& source = m->mFaces[f];
            if (source.mNumIndices != 3) continue;
            MeshFace& face = mesh.faces[out];
            for (int c = 0; c < 3; ++c) {
                const unsigned index = source.mIndices[c];
                face.v[c] = vertexOf(index);
                if (mapped) mesh.texFaces[out].t[c] = texVertexOf(index);
                if (allNormals) cornerNormals[out * 3 + size_t(c)] = toPoint(m->mNormals[index]);
            }
            face.flags = MeshFace::kEdgeAll;
            face.setMatID(uint32_t(id));
            ++out;
        }
    }

    mesh.setNumVerts(int(positions.points.size()));
    std::copy(positions.points.begin(), positions.points.end(), mesh.vertices);
    if (mapped) {
        mesh.setNumTVerts(int(texPoints.points.size()));
        std::copy(texPoints.points.begin(), texPoints.points.end(), mesh.texVerts);
    }
    const float cosLimit = std::cos(kSmoothAngleDegrees * std::numbers::pi_v<float> / 180.0f);
    assignSmoothingFromNormals(mesh, allNormals ? &cornerNormals : nullptr, cosLimit);
    return mesh;
}
