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
    Point3* cornerNormals = nullptr; // 3 per face, built by the host on request
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

    // Mesh operations. F faces, V vertices, d the faces around one vertex.

    // Reverses one face's winding: (v0, v1, v2) becomes (v0, v2, v1); edge bits 0 and 2,
    // texture corners 1 and 2 and corner normals 1 and 2 swap; a built face normal is
    // negated. Smoothing word, material id and other flag bits stay; flipping twice
    // restores every bit. An index out of range changes nothing. O(1).
    void FlipNormal(int face);
    // Removes faces with a repeated vertex index or one at or above vertexCount, in one
    // stable pass over every per-face array, and returns how many went. Zero-area faces
    // with distinct indices stay (they may close a crack); vertices never move. O(F).
    int RemoveDegenerateFaces();
    // Makes windings agree: breadth-first over faces across edges with exactly two faces
    // (boundary and non-manifold edges stop it); a face reached again with a conflicting
    // wish (Moebius) keeps its first. flag 0: a closed orientable patch turns outward by
    // its volume's sign, others flip the lesser area; flag nonzero: every patch flips the
    // lesser area. Improper faces stay. O(F + V) on every mesh. An already consistent
    // mesh needs no search: in one pass over the faces, each corner finds its mate among
    // the edges met so far, kept in a few slots per vertex (hashed where both ends' slots
    // are full), and the patches are known from the order of the faces while each meets
    // an earlier one (one set of faces may wait apart), else from a union-find by rank;
    // crowded edges fall back to grouping every corner at its edge's lower vertex. Scratch
    // on a consistent mesh 33 bytes per vertex (17 in a soup of triangles), 4 per face
    // unless its faces come in such an order (18 per face on the fallback), and 40 per
    // patch; 26 per face when windings disagree.
    void UnifyNormals(int flag);
    // Smoothing groups from the angle (radians) between faces: islands of faces joined
    // by edges with two consistently wound non-zero faces less than angle apart get one
    // bit each; islands across a sharp edge never share one, nor (flag 0) islands that
    // only touch at a vertex. Greedy smallest-last colouring; past 32 bits, vertex-only
    // neighbours share first, then the bit of least shared sharp-edge length. A crease
    // fading out inside one smooth region cannot be expressed (hostkit/mesh/auto_smooth.h).
    // O(F log F), linear on ordinary meshes: edges found without sorting, one bit mask
    // per meeting vertex, so a vertex shared by any number of islands costs O(d) (angle 0
    // on a 100,000-face fan is linear). Worst case: an edge shared by k faces adds k^2
    // island pairs. Scratch 12 bytes per face for one island, up to about 60 for many.
    void AutoSmooth(float angle, int flag);
    // Fewer faces where the surface is flat within normalThreshold (radians, capped at
    // 89 degrees; faces whose unit normals agree to float precision count as flat even at
    // 0), by half-edge collapses (vertices merge into neighbours, no new positions).
    // Boundaries, texture seams, creases and, per flags, material and smoothing changes
    // move only along themselves and bend at most the threshold; ends and non-manifold or
    // improper vertices stay. No face flips, leaves its cone of original normals, becomes a
    // sliver or folds its texture; the link condition keeps the surface as manifold as it
    // was. bias (0..1) weighs triangle quality; at 1 no collapse worsens the worst
    // triangle. OPTIMIZE_AUTO_EDGE sets edge visibility from edgeThreshold. Removed faces
    // leave every per-face array stably; vertices no face uses any more are removed.
    // progress may be null (false stops, mesh valid). Returns the faces removed. Details:
    // hostkit/mesh/optimize_*.h.
    // O(F log F): passes under a doubling cost limit visit changed vertices (at the full
    // limit, those changed ahead of the sweep in the same pass; below it, where many looks
    // wait for a higher limit, a look whose first target is bound to cost more than the
    // limit waits without working out its cones, so it may wait where the cones would have
    // refused that target for a cheaper one); a star of d faces is classified in O(d)
    // (pairwise up to 24 faces; beyond, a closed fan in face order, other stars through
    // per-vertex slots) and tries at most its 16 nearest neighbours, a crowded one only
    // max(2, 4096 / d), so one look costs O(d) (a star of up to 24 faces may first be
    // screened against each neighbour for flips and the quality floor, which at a high
    // bias refuses most looks before classifying); a vertex merged into waits for the next
    // pass (no chains). A crowded vertex (512 faces or more) is looked at only once the
    // changes to its star since its last look (or the start) reach an eighth of its faces
    // or nothing else is queued, so its looks cost O(1) a change. Faces lying far from
    // their vertices' order are worked on in vertex order and put back (O(F): 4 bytes per
    // face while it runs, and a copy of the faces while they move, in place of the working
    // arrays). Worst case: a crowded vertex whose collapse waits for a higher limit is
    // looked at once per pass, and the passes are logarithmic in practice but only bounded
    // by F (each one removes a face).
    int Optimize(float normalThreshold, float edgeThreshold, float bias, int flags,
                 MeshOpProgress* progress);
    // Replaces texture vertices and faces by a generated mapping, in the space of tm
    // fitted to the mesh's box (a flat axis counts as 1): MAP_PLANAR (x, y), MAP_CYLINDRICAL
    // (angle around z, z; with cap, faces facing along z map planar), MAP_SPHERICAL
    // (angle, latitude), MAP_BALL (shrink wrap, no seam), MAP_BOX (dominant normal axis,
    // never mirrored); anything else planar. Then u <- (uFlip ? 1 - u : u) * uTile, likewise
    // v, w. A face spanning more than half in u gets 1 added to its low corners; a pole
    // corner takes its face's mean u. Texture vertices are shared where they agree.
    // O(V + F) on every mesh: each vertex is transformed and fitted once and its
    // coordinates computed once per variant it takes (a few at most, looked up
    // directly); the texture vertices are written once, into the old array where it
    // holds one per vertex, else (with pole corners: not planar or box) into a fresh one
    // reserved for one per corner but touched only as far as filled, else into a fresh
    // one; each is left at their exact size. Scratch: 12 bytes per vertex for positions
    // in tm space (none for planar, box, shrink wrap and cylindrical with cap when tm is
    // exactly the identity and every coordinate is normal or +0) plus 4 per variant (1
    // planar and shrink wrap, 2 spherical and cylindrical, 3 with cap and 12 more for
    // coordinates, 6 box), 1 more for shrink wrap, and 16 bytes per vertex first met in
    // an improper face and per pole corner beyond the old array's end. Running out of
    // memory leaves the mesh as it was or, part way, without texture faces (its texture
    // vertices then partly rewritten).
    void ApplyUVWMap(int type, float uTile, float vTile, float wTile, int uFlip, int vFlip,
                     int wFlip, int cap, const Matrix3& tm);
    // Fills faceNormals with unit normals (cross product of the edges meeting opposite
    // the longest edge, in single precision, in double where its square leaves the float
    // range; zero for zero area or an index out of range) and sets hasNormals. O(F), no
    // scratch.
    void buildNormals();
    // Clears hasNormals; the normal arrays stay allocated for the next build. O(1).
    void InvalidateGeomCache();
};
