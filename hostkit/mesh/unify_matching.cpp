// UnifyNormals' quick look at a mesh that is likely consistent: every corner meets the
// others of its edge in one pass over the faces; contract in unify_normals_parts.h.
#include "hostkit/mesh/unify_normals_parts.h"

#include <algorithm>
#include <cmath>

#include "hostkit/mesh/edge_table.h"
#include "hostkit/mesh/unify_sets_in_order.h"

namespace hostkit::unify {

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr uint32_t kDown = 0x80000000u;    // in EdgeMet::other: the first corner runs down
constexpr uint32_t kMatched = 0x80000000u; // in EdgeMet::code: a second corner met it

// An edge met so far, kept with one of its vertices: the other one (with kDown when its
// first corner runs from the higher vertex to the lower) and that corner's code
// 4 * face + k (with kMatched once a second corner has met it).
struct EdgeMet {
    uint32_t other, code;
};

// The edges met so far: a few slots per vertex, side by side, where an edge goes to its
// lower vertex, or to its upper one when the lower one's slots are full (so a fan's
// centre spreads its edges over the rim), and a hash table of (lower, upper) for the
// edges whose vertices are both full. Entries stay once added, so a third corner on an
// edge finds the first two matched; and slots only fill, so an edge is looked for where
// it went.
class EdgesMet {
  public:
    EdgesMet(uint32_t vertexCount, uint32_t slotsPerVertex)
        : slots_(slotsPerVertex), used_(vertexCount, 0),
          slot_(size_t(vertexCount) * slotsPerVertex) {}

    // The entry of edge (lower, upper) when one was added before; otherwise adds entry
    // (whose other is the upper vertex) and returns null, setting failed when a hash probe
    // runs longer than kMostProbes (then the entry may be missing).
    EdgeMet* findOrAdd(uint32_t lower, EdgeMet entry, bool& failed) {
        const uint32_t upper = entry.other & ~kDown;
        if (EdgeMet* met = findAt(lower, upper)) return met;
        if (used_[lower] < slots_) {
            slot_[size_t(lower) * slots_ + used_[lower]++] = entry;
            return nullptr;
        }
        if (EdgeMet* met = findAt(upper, lower)) return met;
        if (used_[upper] < slots_) {
            slot_[size_t(upper) * slots_ + used_[upper]++] = {lower | (entry.other & kDown),
                                                              entry.code};
            return nullptr;
        }
        if (EdgeMet* met = findSpilled(lower, upper)) return met;
        if (2 * (spilled_ + 1) > table_.size() && !grow()) {
            failed = true;
            return nullptr;
        }
        ++spilled_;
        failed = !place(table_, {lower, entry});
        return nullptr;
    }
    // Calls visit(entry) for every entry.
    template <typename Visit> void forEach(Visit visit) const {
        for (uint32_t v = 0; v < used_.size(); ++v)
            for (uint32_t i = 0; i < used_[v]; ++i) visit(slot_[size_t(v) * slots_ + i]);
        for (const Spilled& spilled : table_)
            if (spilled.lower != kNone) visit(spilled.entry);
    }

  private:
    static constexpr uint32_t kMostProbes = 64;

    // The entry of the edge from v to other among v's slots.
    EdgeMet* findAt(uint32_t v, uint32_t other) {
        EdgeMet* slots = &slot_[size_t(v) * slots_];
        for (uint32_t i = 0, used = used_[v]; i < used; ++i)
            if ((slots[i].other & ~kDown) == other) return &slots[i];
        return nullptr;
    }
    struct Spilled {
        uint32_t lower; // kNone for an empty slot
        EdgeMet entry;  // with the upper vertex as its other
    };

    // The first slot is the upper vertex plus an offset per lower vertex, so the edges of
    // a fan's centre, met in order of their other vertex, meet the table in order rather
    // than one cache miss each; later probes step by an odd stride from both vertices, so
    // the runs of two lower vertices that overlap do not pile up.
    static uint32_t firstSlot(uint32_t lower, uint32_t upper, uint32_t mask) {
        return (uint32_t(uint64_t(lower) * 0x9E3779B97F4A7C15u >> 32) + upper) & mask;
    }
    static uint32_t stride(uint32_t lower, uint32_t upper) {
        return uint32_t((uint64_t(lower) * 0x9E3779B97F4A7C15u ^
                         uint64_t(upper) * 0xC2B2AE3D27D4EB4Fu) >>
                        32) |
               1u;
    }
    EdgeMet* findSpilled(uint32_t lower, uint32_t upper) {
        if (table_.size() == 0) return nullptr;
        const uint32_t mask = uint32_t(table_.size() - 1), step = stride(lower, upper);
        uint32_t slot = firstSlot(lower, upper, mask);
        for (uint32_t probes = 0; table_[slot].lower != kNone && probes < kMostProbes;
             slot = (slot + step) & mask, ++probes) {
            Spilled& spilled = table_[slot];
            if (spilled.lower == lower && (spilled.entry.other & ~kDown) == upper)
                return &spilled.entry;
        }
        return nullptr;
    }
    // Puts spilled in the first free slot of its probe sequence in table.
    static bool place(ScratchArray<Spilled>& table, const Spilled& spilled) {
        const uint32_t mask = uint32_t(table.size() - 1);
        const uint32_t upper = spilled.entry.other & ~kDown, step = stride(spilled.lower, upper);
        uint32_t slot = firstSlot(spilled.lower, upper, mask);
        for (uint32_t probes = 0; table[slot].lower != kNone; slot = (slot + step) & mask)
            if (++probes == kMostProbes) return false;
        table[slot] = spilled;
        return true;
    }
    // Doubles the table (from 64 slots), keeping its entries.
    bool grow() {
        ScratchArray<Spilled> larger(std::max<size_t>(64, 2 * table_.size()),
                                     Spilled{kNone, {0, 0}});
        for (const Spilled& spilled : table_)
            if (spilled.lower != kNone && !place(larger, spilled)) return false;
        table_ = std::move(larger);
        return true;
    }

    uint32_t slots_;
    ScratchArray<uint8_t> used_;
    ScratchArray<EdgeMet> slot_;
    ScratchArray<Spilled> table_; // load at most a half
    size_t spilled_ = 0;
};

} // namespace

Windings matchOppositeCorners(const Mesh& mesh, FacePatches* sets, Matching& out) {
    if (mesh.faceCount <= 0 || mesh.faceCount >= (1 << 29) || mesh.vertexCount <= 0)
        return Windings::Unknown;
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    const uint32_t vertexCount = uint32_t(mesh.vertexCount);
    const MeshFace* faces = mesh.faces;
    const Point3* vertices = mesh.vertices;
    // Slots for the edges a vertex is the lower end of: on a surface about three (one and a
    // half edges a face, half a vertex a face), but four where its numbering puts most of
    // its neighbours above it; one or two in a soup of triangles.
    const bool surface = 1.5 * double(faceCount) > double(vertexCount);
    EdgesMet edges(vertexCount, surface ? 4 : 2);

    uint32_t proper = 0, added = 0, matched = 0;
    bool sameWay = false;
    SetsInFaceOrder inOrder(sets, faceCount);
    Point3 origin{};
    double volume = 0, magnitude = 0;
    for (uint32_t f = 0; f < faceCount; ++f) {
        const MeshFace& face = faces[f];
        if (!isProperFace(face, mesh.vertexCount)) continue;
        if (sets) {
            if (proper == 0) origin = vertices[face.v[0]];
            const double det =
                faceVolume(origin, vertices[face.v[0]], vertices[face.v[1]], vertices[face.v[2]]);
            volume += det;
            magnitude += std::abs(det);
        }
        ++proper;
        if (sets) inOrder.startFace(f);
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t x = face.v[k], y = face.v[k == 2 ? 0 : k + 1];
            const bool down = x > y;
            const uint32_t lower = down ? y : x, upper = down ? x : y;
            bool failed = false;
            EdgeMet* met = edges.findOrAdd(lower, {upper | (down ? kDown : 0), f * 4 + k}, failed);
            if (!met) {
                if (failed) return Windings::Unknown;
                ++added;
                continue;
            }
            if (met->code & kMatched) return Windings::Unknown; // three or more
            met->code |= kMatched;
            ++matched;
            if (((met->other & kDown) != 0) == down)
                sameWay = true;
            else if (sets)
                inOrder.meet((met->code & ~kMatched) >> 2);
        }
        if (sets) inOrder.endFace();
    }
    if (sets) out.unions = inOrder.finish();
    out.volume = volume;
    out.magnitude = magnitude;
    out.properFaces = proper;
    if (sameWay) return Windings::Disagree;
    if (matched < added) { // edges of one corner: boundary edges
        if (sets && inOrder.usesSets())
            edges.forEach([&](const EdgeMet& entry) {
                if (!(entry.code & kMatched)) sets->markOpen(entry.code >> 2);
            });
        out.anyBoundary = true;
    }
    return Windings::Agree;
}

} // namespace hostkit::unify
