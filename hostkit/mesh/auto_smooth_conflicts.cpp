// Conflicts between AutoSmooth's islands: see auto_smooth_conflicts.h.
#include "hostkit/mesh/auto_smooth_conflicts.h"

#include <cmath>
#include <vector>

namespace hostkit::smoothing {

namespace {

// In VertexConflicts' first pass: marks a vertex state that is a meeting vertex's number
// rather than an island. Islands and vertices are fewer.
constexpr uint32_t kMeeting = 1u << 31;

inline void sortSmall(uint32_t* begin, uint32_t* end) {
    if (end - begin > 16) return std::sort(begin, end);
    for (uint32_t* p = begin + 1; p < end; ++p)
        for (uint32_t* q = p; q > begin && q[-1] > q[0]; --q) std::swap(q[-1], q[0]);
}

} // namespace

VertexConflicts::VertexConflicts(const Mesh& mesh, const uint32_t* island, uint32_t islandCount)
    : mesh_(mesh), singleFaces_(islandCount == uint32_t(mesh.faceCount)) {
    const uint32_t faceCount = uint32_t(mesh.faceCount);
    const uint32_t vertexCount = uint32_t(std::max(mesh.vertexCount, 0));
    // per vertex: kNone, the first island seen there, or kMeeting | its number
    meetingOf_ = ScratchArray<uint32_t>(vertexCount, kNone);
    uint32_t meetingCount = 0;
    // Islands around each meeting vertex: counted at its own entry, then filled
    // downwards from its end over the faces from the last, so ascending by face. When
    // every face is an island, a vertex becomes a meeting at its second face, and the
    // count goes along with the first pass (one entry per vertex at most).
    if (singleFaces_) {
        vertexStart_ = ScratchArray<uint32_t>(size_t(vertexCount) + 1);
        for (uint32_t f = 0; f < faceCount; ++f) {
            if (!isProperFace(mesh.faces[f], mesh.vertexCount)) continue;
            for (uint32_t v : mesh.faces[f].v) {
                uint32_t& state = meetingOf_[v];
                if (state == kNone) {
                    state = island[f];
                } else if (!(state & kMeeting)) {
                    vertexStart_[meetingCount] = 2;
                    state = kMeeting | meetingCount++;
                } else {
                    ++vertexStart_[state & ~kMeeting];
                }
            }
        }
        vertexStart_[meetingCount] = 0;
    } else {
        for (uint32_t f = 0; f < faceCount; ++f) {
            if (!isProperFace(mesh.faces[f], mesh.vertexCount)) continue;
            for (uint32_t v : mesh.faces[f].v) {
                uint32_t& state = meetingOf_[v];
                if (state == kNone)
                    state = island[f];
                else if (!(state & kMeeting) && state != island[f])
                    state = kMeeting | meetingCount++;
            }
        }
    }
    meetingCount_ = meetingCount;
    for (uint32_t& state : meetingOf_) state = state & kMeeting ? state & ~kMeeting : kNone;

    if (!singleFaces_) {
        vertexStart_ = ScratchArray<uint32_t>(size_t(meetingCount) + 1, 0);
        for (uint32_t f = 0; f < faceCount; ++f)
            if (isProperFace(mesh.faces[f], mesh.vertexCount))
                for (uint32_t v : mesh.faces[f].v)
                    if (meetingOf_[v] != kNone) ++vertexStart_[meetingOf_[v]];
    }
    for (uint32_t m = 1; m <= meetingCount; ++m) vertexStart_[m] += vertexStart_[m - 1];
    vertexIslands_ = ScratchArray<uint32_t>(vertexStart_[meetingCount]);
    for (uint32_t f = faceCount; f-- > 0;)
        if (isProperFace(mesh.faces[f], mesh.vertexCount))
            for (uint32_t v : mesh.faces[f].v)
                if (meetingOf_[v] != kNone)
                    vertexIslands_[--vertexStart_[meetingOf_[v]]] = island[f];
    if (singleFaces_) return; // islands are faces: ascending and distinct already
    meetingOf_ = ScratchArray<uint32_t>();

    uint32_t out = 0;
    for (uint32_t m = 0; m < meetingCount; ++m) {
        uint32_t* begin = vertexIslands_.data() + vertexStart_[m];
        uint32_t* end = vertexIslands_.data() + vertexStart_[m + 1];
        sortSmall(begin, end);
        vertexStart_[m] = out;
        for (uint32_t* p = begin; p != end; ++p)
            if (p == begin || *p != p[-1]) vertexIslands_[out++] = *p;
    }
    vertexStart_[meetingCount] = out;

    // the transpose, filled downwards from the last meeting vertex: ascending
    islandStart_ = ScratchArray<uint32_t>(size_t(islandCount) + 1, 0);
    for (uint32_t k = 0; k < out; ++k) ++islandStart_[vertexIslands_[k]];
    for (uint32_t i = 1; i <= islandCount; ++i) islandStart_[i] += islandStart_[i - 1];
    islandVertices_ = ScratchArray<uint32_t>(out);
    for (uint32_t m = meetingCount; m-- > 0;)
        for (uint32_t k = vertexStart_[m]; k < vertexStart_[m + 1]; ++k)
            islandVertices_[--islandStart_[vertexIslands_[k]]] = m;
}

// pair(a, b) for each two corners of an edge in different islands a and b
template <typename Pair> void EdgeConflicts::forEachPair(Pair pair) const {
    groups_.forEachEdge([](const uint32_t*, uint32_t) {},
                        [&](const uint32_t* corners, uint32_t n, const uint8_t*) {
                            for (uint32_t i = 0; i < n; ++i)
                                for (uint32_t j = i + 1; j < n; ++j) {
                                    const uint32_t a = island_[corners[i] / 3],
                                                   b = island_[corners[j] / 3];
                                    if (a != b) pair(a, b);
                                }
                        });
}

EdgeConflicts::EdgeConflicts(const Mesh& mesh, const EdgeGroups& groups, const uint32_t* island,
                             uint32_t islandCount)
    : mesh_(mesh), groups_(groups), island_(island), start_(size_t(islandCount) + 1, 0) {
    // Count, fill, then sort and deduplicate each island's neighbours. Each island's
    // count goes to its own entry, summed to where its entries end, and the fill runs
    // down from there, leaving start_ at the beginnings. While every edge has at most
    // two corners there is at most one pair per edge, so the first walk over the edges
    // keeps the pairs for the fill; past that bound a second walk makes them again.
    const size_t kept = 3 * size_t(mesh.faceCount) / 2; // edges of two corners or more
    ScratchArray<uint32_t> pairs(2 * kept);
    size_t pairCount = 0;
    forEachPair([&](uint32_t a, uint32_t b) {
        ++start_[a], ++start_[b];
        if (pairCount < kept) pairs[2 * pairCount] = a, pairs[2 * pairCount + 1] = b;
        ++pairCount;
    });
    for (uint32_t i = 0; i < islandCount; ++i) start_[i + 1] += start_[i];
    neighbour_ = ScratchArray<uint32_t>(start_[islandCount]);
    auto fill = [&](uint32_t a, uint32_t b) {
        neighbour_[--start_[a]] = b;
        neighbour_[--start_[b]] = a;
    };
    if (pairCount <= kept) { // from the last pair: each island's in the order met
        for (size_t k = pairCount; k-- > 0;) fill(pairs[2 * k], pairs[2 * k + 1]);
    } else {
        pairs = ScratchArray<uint32_t>();
        forEachPair(fill);
    }
    pairs = ScratchArray<uint32_t>();
    uint32_t out = 0;
    for (uint32_t i = 0; i < islandCount; ++i) {
        uint32_t* begin = neighbour_.data() + start_[i];
        uint32_t* end = neighbour_.data() + start_[i + 1];
        start_[i] = out;
        if (begin == end) continue; // also when there are no neighbours at all (null data)
        if (end - begin <= 3) {     // the usual case, as compare-exchanges without branches
            auto order = [](uint32_t& a, uint32_t& b) {
                const uint32_t low = std::min(a, b), high = std::max(a, b);
                a = low, b = high;
            };
            if (end - begin == 3) order(begin[1], begin[2]);
            if (end - begin >= 2) order(begin[0], begin[1]);
            if (end - begin == 3) order(begin[1], begin[2]);
        } else if (end - begin <= 16) {
            for (uint32_t* p = begin + 1; p < end; ++p) // insertion sort
                for (uint32_t* q = p; q > begin && q[-1] > q[0]; --q) std::swap(q[-1], q[0]);
        } else {
            std::sort(begin, end);
        }
        uint32_t last = *begin; // out never passes the entry read
        neighbour_[out++] = last;
        for (const uint32_t* p = begin + 1; p != end; ++p) {
            const uint32_t next = *p;
            neighbour_[out] = next;
            out += next != last;
            last = next;
        }
    }
    start_[islandCount] = out;
}

void EdgeConflicts::buildLengths() {
    const uint32_t total = start_[start_.size() - 1];
    struct Pair {
        uint32_t a, b;
        double length;
    };
    std::vector<Pair> pairs;
    const EdgeTable table = buildEdgeTable(mesh_);
    for (size_t e = 0; e < table.edgeCount(); ++e) {
        const auto run = table.edgeCorners(e);
        const Point3 d =
            mesh_.vertices[cornerTo(mesh_, run[0])] - mesh_.vertices[cornerFrom(mesh_, run[0])];
        const double len = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
        for (size_t i = 0; i < run.size(); ++i)
            for (size_t j = i + 1; j < run.size(); ++j) {
                const uint32_t a = island_[cornerFace(run[i])], b = island_[cornerFace(run[j])];
                if (a != b) pairs.push_back({a, b, len}), pairs.push_back({b, a, len});
            }
    }
    std::sort(pairs.begin(), pairs.end(),
              [](const Pair& x, const Pair& y) { return x.a != y.a ? x.a < y.a : x.b < y.b; });
    // the distinct pairs are the neighbour entries, in the same order
    length_ = ScratchArray<double>(total);
    uint32_t out = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (i > 0 && pairs[i].a == pairs[i - 1].a && pairs[i].b == pairs[i - 1].b)
            length_[out - 1] += pairs[i].length;
        else
            length_[out++] = pairs[i].length;
    }
}

void LazyEdgeConflicts::build() {
    if (!groups_) groups_.emplace(mesh_);
    conflicts_.emplace(mesh_, *groups_, island_, islandCount_);
}

} // namespace hostkit::smoothing
