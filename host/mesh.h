// The host's triangle mesh: plain arrays read directly, plus the mesh operations
// that plug-ins call. Every per-face array (faces, texFaces, faceNormals,
// cornerNormals) always has faceCount entries or is null, and moves together.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/api.h"
#include "host/geom.h"

// Five 32-bit words. flags: bit 0 edge v0-v1 visible, bit 1 edge v1-v2, bit 2 edge
// v2-v0; bits 3-15 other flags; bits 16-31 material id.
struct MeshFace {
    uint32_t v[3] = {0, 0, 0};
    uint32_t smGroup = 0;
    uint32_t flags = 0;

    static constexpr uint32_t kEdgeAll = 7;
    uint32_t getMatID() const { return flags >> 16; }
    void setMatID(uint32_t id) { flags = (flags & 0xFFFFu) | (id << 16); }
    bool getEdgeVis(int edge) const { return (flags >> edge) & 1u; }
    void setEdgeVis(int edge, bool on) {
        flags = on ? (flags | (1u << edge)) : (flags & ~(1u << edge));
    }
};
static_assert(sizeof(MeshFace) == 20, "MeshFace is five 32-bit words");

// Texture face: three texture-vertex indices, parallel to the face of the same number.
struct TVFace {
    uint32_t t[3] = {0, 0, 0};
};

// Texture vertex: u, v, w.
using UVVert = Point3;

// Progress of a long mesh operation. Progress returns false to ask for a stop.
class MeshOpProgress {
  public:
    virtual ~MeshOpProgress() = default;
    virtual void Init(int total) = 0;
    virtual bool Progress(int done) = 0;
};

// ApplyUVWMap map types.
enum MapType : int {
    MAP_PLANAR = 0,
    MAP_CYLINDRICAL = 1,
    MAP_SPHERICAL = 2,
    MAP_BALL = 3, // shrink wrap
    MAP_BOX = 4,
};

// Optimize flag bits.
enum OptimizeFlags : int {
    OPTIMIZE_KEEP_MATERIALS = 1, // keep material-id boundaries
    OPTIMIZE_KEEP_SMOOTHING = 2, // keep smoothing-group boundaries
    OPTIMIZE_AUTO_EDGE = 4,      // set edge visibility from the edge threshold
};

class HOSTKIT_API Mesh {
  public:
    int vertexCount = 0;
    int faceCount = 0;
    int texVertCount = 0;
    Point3* vertices = nullptr; // vertexCount, object space
    MeshFace* faces = nullptr;  // faceCount
    UVVert* texVerts = nullptr; // texVertCount
    TVFace* texFaces = nullptr; // faceCount, or null when the mesh has no mapping
    // Normals are valid while hasNormals is set; the arrays, once allocated, stay (null
    // before the first build).
    Point3* faceNormals = nullptr;   // faceCount
    Point3* cornerNormals = nullptr; // 3 per face, from buildCornerNormals
    int hasNormals = 0;

    Mesh();
    Mesh(const Mesh& other);
    Mesh& operator=(const Mesh& other); // deep copy
    ~Mesh();

    // Resizing. keep = true keeps the first min(old, new) entries; new entries are
    // zeroed. Resizing faces resizes every per-face array with them.
    void setNumVerts(int n, bool keep = false);
    void setNumFaces(int n, bool keep = false);
    void setNumTVerts(int n, bool keep = false);
    // Allocates (on) or frees (off) the texture faces, faceCount of them.
    void setTexFacesEnabled(bool on, bool keep = true);
    void clear();

    // Bytes held by the mesh's arrays, for memory budgets.
    size_t memoryBytes() const;
    // Object-space bounds of the vertices that faces use; empty for no faces.
    Box3 boundingBox() const;

    // The operations below are documented where they are implemented
    // (hostkit/mesh/<operation>.h).
    void FlipNormal(int face);
    int RemoveDegenerateFaces();
    void UnifyNormals(int flag);
    void AutoSmooth(float angle, int flag);
    int Optimize(float normalThreshold, float edgeThreshold, float bias, int flags,
                 MeshOpProgress* progress);
    void ApplyUVWMap(int type, float uTile, float vTile, float wTile, int uFlip, int vFlip,
                     int wFlip, int cap, const Matrix3& tm);
    void buildNormals();
    void buildCornerNormals(); // host kit: smoothing-group normals at each face corner
    void InvalidateGeomCache();
};
