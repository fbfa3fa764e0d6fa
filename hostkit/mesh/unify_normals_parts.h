// Pieces shared by UnifyNormals' two paths: the breadth-first search over manifold edges
// (unify_normals.cpp) and the shortcut for meshes whose windings already agree
// (unify_consistent.cpp).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/mesh.h"
#include "hostkit/mesh/face_flip.h"
#include "hostkit/mesh/scratch.h"

namespace hostkit::unify {

// The face's term of six times the volume a closed patch encloses: the face's height
// above origin (the sum of its corners') times twice its signed area seen along z, all
// in float; the terms are summed in double. Over a closed patch the terms sum to six
// times its signed volume, as the tetrahedra from any point do, for half the arithmetic.
// The shortcut and the search sum the same terms, only in another order.
inline double faceVolume(const Point3& origin, const Point3& a, const Point3& b, const Point3& c) {
    const float height = (a.z - origin.z) + (b.z - origin.z) + (c.z - origin.z);
    return double(height * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)));
}

// Faces of one patch in search order, from its seed (the patch's lowest face), over the
// manifold mates of buildCornerMates; seen (one byte per face) marks the faces reached.
std::vector<uint32_t> searchOrder(uint32_t seed, const uint32_t* mate, ScratchArray<uint8_t>& seen);

// Does what Mesh::FlipNormal does, without reporting the call, to every face for which
// flip(face) is true, in one pass over the per-face arrays.
template <typename Flip> void flipFacesWhere(Mesh& mesh, Flip flip) {
    for (int f = 0; f < mesh.faceCount; ++f)
        if (flip(f)) flipFaceArrays(mesh, f);
}

// Union-find over faces in one word per face. A member holds its parent's index; a root
// has kRoot set and, while sets are joined, its rank (below 32) and kOpen when some face
// of its set meets a boundary edge. Once the sets are final, labelPatch makes each set's
// lowest face its root, holding kRoot and the patch's number.
class FacePatches {
  public:
    static constexpr uint32_t kRoot = 0x80000000u, kOpen = 0x40000000u, kRank = 31;
    static constexpr uint32_t kNoRoot = UINT32_MAX;

    FacePatches() = default; // no faces until reset or startAsOne
    // faceCount faces, every one alone.
    void reset(uint32_t faceCount) {
        if (parent_.size() != faceCount) parent_ = ScratchArray<uint32_t>(faceCount);
        for (uint32_t& entry : parent_) entry = kRoot;
    }
    // faceCount faces: those below end in one set whose root is first, the others alone.
    void startAsOne(uint32_t faceCount, uint32_t first, uint32_t end) {
        parent_ = ScratchArray<uint32_t>(faceCount);
        for (uint32_t f = 0; f < end; ++f) parent_[f] = first;
        for (uint32_t f = end; f < faceCount; ++f) parent_[f] = kRoot;
        parent_[first] = kRoot | (end > first + 1 ? 1 : 0);
    }

    uint32_t find(uint32_t x) {
        for (;;) { // path halving
            const uint32_t up = parent_[x];
            if (up & kRoot) return x;
            const uint32_t upUp = parent_[up];
            if (upUp & kRoot) return up;
            x = parent_[x] = upUp;
        }
    }
    // Joins the sets of faces a and b; returns false when they were one already.
    bool unite(uint32_t a, uint32_t b) {
        a = find(a);
        b = find(b);
        if (a == b) return false;
        link(a, b);
        return true;
    }
    // unite(face, other) for a face that no call but these, with the same root, has
    // joined yet: root is face's root so far (kNoRoot before the first), and becomes the
    // root of the joined set. One find instead of two, and a face still alone is hung
    // straight under other's root.
    bool uniteNewest(uint32_t face, uint32_t other, uint32_t& root) {
        const uint32_t otherRoot = find(other);
        if (root == kNoRoot) { // face is alone: of rank 0, it goes under otherRoot
            root = link(otherRoot, face);
            return true;
        }
        if (otherRoot == root) return false;
        root = link(root, otherRoot);
        return true;
    }
    // Makes face alone again; only for a face no other face hangs under.
    void detach(uint32_t face) { parent_[face] = kRoot; }
    void markOpen(uint32_t face) { parent_[find(face)] |= kOpen; }

    // Called for the proper faces in ascending order once the sets are final: face's patch
    // number, numbering a new patch (next, open or not as its set) when face is the lowest
    // of its set. The root of a set not yet numbered is never below the face at hand, as
    // that face is its set's lowest so far; a numbered set's root is its lowest face.
    uint32_t labelPatch(uint32_t face, uint32_t next, bool& isNew, bool& open) {
        const uint32_t root = find(face);
        isNew = root >= face;
        if (!isNew) return parent_[root] & ~kRoot;
        open = parent_[root] & kOpen;
        if (root != face) parent_[root] = face;
        parent_[face] = kRoot | next;
        return next;
    }
    // Patch number of a labelled face.
    uint32_t patchOf(uint32_t face) { return parent_[find(face)] & ~kRoot; }

  private:
    // Hangs the root of lower rank under the other; returns the root of the two.
    uint32_t link(uint32_t a, uint32_t b) {
        if ((parent_[a] & kRank) < (parent_[b] & kRank)) std::swap(a, b);
        if ((parent_[a] & kRank) == (parent_[b] & kRank)) ++parent_[a]; // rank < log2(F)
        parent_[a] |= parent_[b] & kOpen;
        parent_[b] = a;
        return a;
    }

    ScratchArray<uint32_t> parent_;
};

// Pairs every corner of the proper faces with the one running the other way along its
// edge, in one pass over the faces: each corner looks its edge up among those met so far
// (a few slots per vertex, a hash table where the slots of both ends are full) and
// either adds it or meets the corner there. With sets (not null, and empty), counts the
// pairs that join two sets of faces, and unless the faces all come in one set in an
// order that keeps them together (SetsInFaceOrder), fills sets with the faces' sets and
// marks the faces at boundary edges open there. Unknown on a mesh with an
// edge of three or more corners, a hash probe longer than 64, or 2^29 faces or more;
// otherwise Disagree when some edge has exactly two corners running the same way, and
// Agree when every edge has two corners running opposite ways or one. Unless Agree, sets
// and the sums of out hold no meaning. O(F + V); 8 bytes of scratch per vertex and slot
// (4 slots on a surface, 2 in a soup of triangles, a byte more for their count), and
// up to 48 per edge whose ends are both full (a table at most half full, doubled when
// it fills, the old one freed after).
enum class Windings { Agree, Disagree, Unknown };
struct Matching {
    uint32_t properFaces = 0, unions = 0; // unions: pairs that joined two sets
    bool anyBoundary = false;
    // With sets, what a mesh of one patch needs, summed in face order while the faces are
    // read anyway: the volume terms of every proper face (faceVolume from the first proper
    // face's first vertex), and the sum of their magnitudes.
    double volume = 0, magnitude = 0;
};
Windings matchOppositeCorners(const Mesh& mesh, FacePatches* sets, Matching& out);

// When every pair of mates already runs opposite ways, finishes UnifyNormals(flag) and
// returns true; otherwise returns false, changing nothing.
bool unifyIfConsistent(Mesh& mesh, int flag);

} // namespace hostkit::unify
