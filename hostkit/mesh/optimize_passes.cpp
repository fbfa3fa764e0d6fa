// Optimize's passes: cost-limited greedy sweeps in vertex order.
#include "hostkit/mesh/optimize_passes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "hostkit/mesh/optimize_collapse.h"
#include "hostkit/mesh/optimize_fetch.h"
#include "hostkit/mesh/optimize_visits.h"

namespace hostkit::opt {

namespace {

constexpr size_t kProgressEvery = size_t(1) << 16; // vertices visited between reports
constexpr size_t kScanShare = 64;   // a queue of 1 vertex in this many is read from the flags
constexpr size_t kSampleStep = 128; // one vertex in this many sets the first limit
constexpr double kMinimumLimit = 1.0 / 64;
constexpr double kFirstLimitScale = 2;
constexpr size_t kScreenFaces = 24; // stars up to this size are screened (look)
// Deferred looks are remembered once one in this many of a pass's vertices waited in it and
// more of them waited than collapsed so far: where collapses are few beside the waits,
// stars stay as they were from one pass to the next; where they are many, most waiting
// stars change before they are met again, and the per-vertex stamps would not pay.
constexpr size_t kRememberAfter = 64;
// Deferrals stop being remembered once this many were met again and fewer than one in
// kRememberPays of them spared a look (stars that change before every look, as on a strip).
constexpr size_t kRememberTrial = 512;
constexpr size_t kRememberPays = 8;
// A crowded vertex (this many faces or more) costs O(d) a look. Once a collapse changes its
// star it waits, unqueued, until the changes since its last look reach one in kHeldShare of
// its faces, or until nothing else is left to look at: its looks then cost O(1) a change,
// however many passes the rest of the mesh needs.
constexpr uint32_t kCrowdedLook = 512;
constexpr uint32_t kHeldShare = 8;
// Costs are bounded without the cones (bestCollapse) while at least one look in this many of
// the pass so far waited for a higher limit.
constexpr size_t kBoundWaitShare = 16;

// The largest float not above c (c >= 0), so "costBelow > limit" implies "c > limit".
float floatBelow(double c) {
    float f = float(c);
    if (double(f) > c) f = std::nextafter(f, 0.0f);
    return f;
}

// A shortcut that answers some looks early (and leaves the others to the full look), tried
// while it answers at least `share` parts in 4 of its tries and otherwise on one look in
// `probe`, so that its record stays current; recent tries weigh most.
class Shortcut {
  public:
    Shortcut(size_t share, size_t probe) : share_(share), probe_(probe) {}
    bool worthTrying() { return ++looks_ % probe_ == 0 || 4 * answered_ >= share_ * tries_; }
    void record(bool answered) {
        ++tries_;
        answered_ += answered;
        if (tries_ == kWindow) {
            tries_ /= 2;
            answered_ /= 2;
        }
    }

  private:
    static constexpr size_t kWindow = 256; // tries it remembers, about
    size_t share_, probe_;
    size_t looks_ = 0, tries_ = 0, answered_ = 0;
};

// A look whose best collapse cost more than the pass's limit.
struct Deferral {
    uint32_t vertex;
    uint32_t target;
    uint32_t lookedAt; // collapses done by then
    float costBelow;   // the cost, rounded down to a float
    bool byBound;      // costBelow is a bound worked out without the cones
};
constexpr size_t kSmallRecords = ((size_t(1) << 20) - 1) / sizeof(Deferral); // below a MB

class PassRunner {
  public:
    PassRunner(WorkState& ws, MeshOpProgress* progress, bool remember)
        : ws_(ws), progress_(progress), remember_(remember) {}

    int run() {
        for (uint32_t v = 0; v < uint32_t(ws_.mesh.vertexCount); ++v)
            if (ws_.degree[v] < kCrowdedLook || !startsWaiting(v)) queue(v);
        double limit = firstLimit();
        for (;; limit *= 2) {
            if (queued_.empty() && !releaseHeld()) break;
            const size_t collapsed = sweep(limit);
            if (stopped_) break;
            // costs never exceed 1: a pass at the full limit that collapses nothing is final,
            // unless crowded vertices still wait for a look
            if (collapsed == 0 && limit >= 1 && !releaseHeld()) break;
            if (progress_ && !progress_->Progress(removed_)) break;
        }
        return removed_;
    }

  private:
    // v's star changed: unsettles it, stamps it and queues it for the next pass, and at the
    // full limit for a look later in this one when it comes after the look in hand.
    void changed(uint32_t v) {
        if (!changedAt_.empty()) changedAt_[v] = collapses_;
        if (ws_.degree[v] >= kCrowdedLook && holdsLook(v)) return;
        queue(v);
        visits_.addAhead(v);
    }

    // Whether crowded vertex v, whose star just changed, is spared a queued look: its look
    // still to come in this pass sees the change, or it waits unqueued (see kHeldShare).
    // False when it is queued already or its changes reached its share. Unsettles it.
    bool holdsLook(uint32_t v) {
        uint8_t& flags = ws_.vertexFlags[v];
        flags &= uint8_t(~(kSettled | kEdgesSet)); // its edges wait for setEdgeVisibility
        if (flags & kDirty) return false;
        if (flags & kInPass) return true;
        uint32_t& changes = waitingChanges(v);
        if (++changes * kHeldShare < ws_.degree[v]) return true;
        changes = 0;
        return false;
    }

    // Whether crowded vertex v waits for its first look as if its star had changed: its
    // neighbours' collapses mostly change it before long, and each look costs O(d). False
    // when no pass looks at it (frozen, merged away or unused).
    bool startsWaiting(uint32_t v) {
        const uint8_t flags = ws_.vertexFlags[v];
        if ((flags & (kFrozen | kDead)) || !(flags & kUsed)) return false;
        waitingChanges(v) = 1;
        return true;
    }

    // Crowded vertex v's count of changes while it waits, listed among the waiting (held_)
    // while the count is 0 (allocated with the first one to wait).
    uint32_t& waitingChanges(uint32_t v) {
        if (heldChanges_.empty()) heldChanges_.assign(ws_.vertexFlags.size(), 0);
        uint32_t& changes = heldChanges_[v];
        if (changes == 0) held_.push_back(v);
        return changes;
    }

    // Queues the crowded vertices still waiting; false when there were none to queue.
    bool releaseHeld() {
        const size_t before = queued_.size();
        for (const uint32_t v : held_) {
            if (heldChanges_[v] > 0) queue(v);
            heldChanges_[v] = 0;
        }
        held_.clear();
        return queued_.size() > before;
    }

    void queue(uint32_t v) {
        uint8_t& flags = ws_.vertexFlags[v];
        flags &= uint8_t(~(kSettled | kEdgesSet)); // its star changed (so may its edges)
        if ((flags & (kDirty | kFrozen | kDead)) || !(flags & kUsed)) return;
        flags |= kDirty;
        queued_.push_back(v);
    }

    // Twice the median cost of a sample of the queued vertices' collapses: the first pass
    // takes the cheap bulk, later passes double the limit for the rest. A sampled vertex
    // with no legal collapse is settled, so the first pass does not look at it again
    // unless its star changes first (a crowded one costs O(d) a look).
    double firstLimit() {
        scratch_.waitAbove = 2; // exact costs
        std::vector<double> costs;
        for (size_t i = 0; i < queued_.size(); i += kSampleStep) {
            const uint32_t u = queued_[i];
            analyzeStarShape(ws_, u, star_);
            double cost = 0;
            if (bestCollapse(ws_, star_, scratch_, cost) != kNone)
                costs.push_back(cost);
            else
                ws_.vertexFlags[u] |= kSettled;
        }
        if (costs.empty()) return kMinimumLimit;
        std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
        return std::max(kMinimumLimit, kFirstLimitScale * costs[costs.size() / 2]);
    }

    // The queued vertices as the pass's visits, in index order so memory is walked
    // coherently, without those merged away since they were queued (still queued until the
    // pass begins).
    // A long queue is read back from the flags in one scan (cheaper than sorting it), a
    // short one is sorted (the first pass queued in order).
    LargeVector<uint32_t>& takeQueue() {
        LargeVector<uint32_t>& visit = visiting_;
        visit.swap(queued_); // the next pass queues into the last one's storage
        queued_.clear();
        const size_t vertexCount = size_t(ws_.mesh.vertexCount);
        if (visit.size() * kScanShare >= vertexCount &&
            !std::is_sorted(visit.begin(), visit.end())) {
            visit.clear();
            appendQueuedVertices(ws_.vertexFlags, visit);
        } else {
            std::erase_if(visit, [&](uint32_t u) { return (ws_.vertexFlags[u] & kDead) != 0; });
            if (!std::is_sorted(visit.begin(), visit.end())) std::sort(visit.begin(), visit.end());
        }
        return visit; // PassVisits::begin moves them from queued to in the pass
    }

    // One pass: every queued vertex, in index order, and at the full limit (where every
    // look is final: a collapse, or a refusal until the star changes) the vertices changed
    // ahead of the sweep too, while their memory is warm, instead of a pass later.
    // Returns the number of collapses.
    size_t sweep(double limit) {
        waiting_.swap(deferrals_); // the last pass's, by vertex
        deferrals_.clear();
        size_t nextWaiting = 0;
        deferredInPass_ = collapsedInPass_ = waitedInPass_ = 0;
        LargeVector<uint32_t>& visit = takeQueue();
        sparse_ = visit.size() * kSparseShare < size_t(ws_.mesh.vertexCount);
        // walks the corner lists ahead; faces that lie scattered even in vertex order (where
        // the vertices are numbered apart from their neighbours) need it in every pass
        const bool fetching = sparse_ || ws_.scatteredFaces;
        if (fetching) fetcher_.prime(ws_, visit);
        visits_.begin(visit, ws_.vertexFlags, limit >= 1); // costs never exceed 1
        size_t collapsed = 0;
        for (size_t looks = 1;; ++looks) { // vertices taken in ahead count too
            if (fetching && visits_.listIsNext())
                fetcher_.advance(ws_, visit, visits_.listPosition());
            if (progress_ && looks % kProgressEvery == 0 && !progress_->Progress(removed_)) {
                stopped_ = true;
                break;
            }
            const uint32_t u = visits_.take();
            if (u == kNone) break;
            if (!heldChanges_.empty()) heldChanges_[u] = 0; // looked at now
            // a vertex that took in a neighbour's faces in this pass waits for the next, so
            // no vertex snowballs along a chain of merges (quadratic in a crowded ring)
            if (ws_.vertexFlags[u] & kTarget) {
                queue(u); // (queued already unless crowded)
                continue;
            }
            // queued earlier, then looked at and refused later in the last pass with
            // nothing queueing it since: the look would refuse again (a collapse outside
            // its ring leaves its star as it is and can only give its neighbours more
            // neighbours, which never makes a refused collapse legal)
            if (ws_.vertexFlags[u] & kSettled) continue;
            // deferred in the last pass, and neither its star nor the faces of the target it
            // chose changed since: the look would choose that target again at the same cost
            // (see stillWaits)
            while (nextWaiting < waiting_.size() && waiting_[nextWaiting].vertex < u) ++nextWaiting;
            // below the full limit, where looks often wait, a collapse bound to cost more
            // than the limit waits without its cones settled (bestCollapse)
            const bool bounded = limit < 1 && waitedInPass_ * kBoundWaitShare >= looks;
            if (nextWaiting < waiting_.size() && waiting_[nextWaiting].vertex == u) {
                ++metAgain_;
                const Deferral& d = waiting_[nextWaiting];
                if (stillWaits(d, limit, bounded)) {
                    ++spared_;
                    defer(u, d.target, d.costBelow, d.byBound);
                    continue;
                }
                if (metAgain_ >= kRememberTrial && spared_ * kRememberPays < metAgain_)
                    remember_ = false; // the ones remembered so far still count
            }
            double cost = 0;
            scratch_.waitAbove = bounded ? limit : 2;
            const uint32_t v = look(u, cost);
            if (v == kNone) { // looked at again once its star changes
                ws_.vertexFlags[u] |= kSettled;
                continue;
            }
            if (cost > limit) {
                defer(u, v, floatBelow(cost), scratch_.waitsByBound);
                continue;
            }
            removed_ += applyCollapse(ws_, star_, v, scratch_);
            ws_.vertexFlags[v] |= kTarget;
            targets_.push_back(v);
            ++collapses_;
            ++collapsedInPass_;
            for (uint32_t w : star_.ring) changed(w);
            ++collapsed;
        }
        visits_.end();
        for (uint32_t v : targets_) ws_.vertexFlags[v] &= uint8_t(~kTarget);
        targets_.clear();
        return collapsed;
    }

    // u waits for a higher limit: queued for the next pass, which may repeat the look's
    // answer (target v at a cost of at least costBelow, a bound without the cones when
    // byBound) from what is remembered here.
    void defer(uint32_t u, uint32_t v, float costBelow, bool byBound) {
        queue(u);
        ++waitedInPass_;
        if (remember_ && changedAt_.empty() &&
            ++deferredInPass_ * kRememberAfter >= visiting_.size() &&
            deferredInPass_ > collapsedInPass_) {
            changedAt_.assign(size_t(ws_.mesh.vertexCount), 0); // nothing changed after this
            // room for a deferral per vertex of the pass where that stays below the huge-page
            // size: such memory is only touched as it fills, and growing it would copy
            const size_t room = std::min(visiting_.size(), kSmallRecords);
            deferrals_.reserve(room);
            waiting_.reserve(room);
        }
        if (remember_ && !changedAt_.empty())
            deferrals_.push_back({u, v, collapses_, costBelow, byBound});
    }

    // Whether a vertex deferred at d.lookedAt still waits at this limit without a look.
    // Its look chose the nearest neighbour that passed every test. The tests of a target
    // read only the star (its faces, their cones and texture corners, the positions, the
    // centre's line cone), which stays as it was while no collapse touched the centre's
    // ring, and the topology test, which also reads the target's faces. A collapse that
    // changes neither leaves the nearer neighbours refused (outside the ring it can only
    // give a neighbour more neighbours and faces in common with the centre, never fewer)
    // and the chosen target's tests as they were, so the look would return the same target
    // at the same cost. When only the target's faces changed, only its topology test can
    // have changed: while that still passes the answer stands (O(d) without the other tests
    // and the cones); once it refuses, the look may choose a farther, cheaper target. An
    // answer from a bound stands only while the look would bound the cost again (bounded):
    // without the bound it would go on to the cones, which may refuse that target.
    bool stillWaits(const Deferral& d, double limit, bool bounded) {
        if (d.byBound && !bounded) return false;
        if (changedAt_[d.vertex] > d.lookedAt || !(double(d.costBelow) > limit)) return false;
        if (changedAt_[d.target] <= d.lookedAt) return true;
        if (!gatherStar(ws_, d.vertex, star_)) return false;
        classifyStar(ws_, star_);
        return star_.cls != VertexClass::Locked && collapseKeepsTopology(ws_, star_, d.target);
    }

    // u's best collapse and its cost, or kNone. Two shortcuts come first while they pay:
    // in a dense pass over a rough surface most stars lock for their creases, told without
    // gathering them (locksByItsEdges); and a small star is screened with the tests that
    // need no classification, which refuse most looks when the quality bound is high (bias
    // near 1), the classification then waiting for a star they let through.
    uint32_t look(uint32_t u, double& cost) {
        if (!sparse_ && edgeLock_.worthTrying()) {
            const bool locked = locksByItsEdges(ws_, u);
            edgeLock_.record(locked);
            if (locked) return kNone;
        }
        if (!gatherStar(ws_, u, star_)) return kNone; // locked
        if (star_.faces.size() <= kScreenFaces && screen_.worthTrying()) {
            const bool refused = refusedByShape(ws_, star_);
            screen_.record(refused);
            if (refused) return kNone;
        }
        const bool fetch = sparse_ && star_.faces.size() <= kScreenFaces;
        if (fetch) hintNeighbourHeads(ws_, star_);
        classifyStar(ws_, star_);
        if (fetch) hintNeighbourLists(ws_, star_);
        return bestCollapse(ws_, star_, scratch_, cost);
    }

    WorkState& ws_;
    MeshOpProgress* progress_;
    bool remember_;
    // the screen pays while it refuses one look in 4 (probed on one in 16); the lock by
    // edges, which costs some two thirds of a gather and classification at a star it does not
    // lock and a third of a full look, while it answers 2 in 4 (probed on one in 64)
    Shortcut edgeLock_{2, 64}, screen_{1, 16};
    int removed_ = 0;
    bool stopped_ = false;
    bool sparse_ = false; // the pass visits under one vertex in kSparseShare
    LargeVector<uint32_t> queued_;
    LargeVector<uint32_t> visiting_;            // the vertices queued for the pass
    PassVisits visits_;                         // the order of the pass's looks
    LargeVector<uint32_t> targets_;             // vertices merged into in this pass
    LargeVector<Deferral> deferrals_, waiting_; // this pass's and the last one's, by vertex
    // Per vertex, the collapses done when its faces last changed (allocated with the first
    // remembered deferral; changes before then count as 0)
    LargeVector<uint32_t> changedAt_;
    // Per vertex, the changes to its star since its last look while it waits unqueued
    // (allocated with the first crowded vertex held), and the vertices that began waiting
    // since the last release (those looked at since hold no changes)
    LargeVector<uint32_t> heldChanges_;
    LargeVector<uint32_t> held_;
    uint32_t collapses_ = 0;
    size_t deferredInPass_ = 0, collapsedInPass_ = 0;
    size_t waitedInPass_ = 0;          // looks of the pass that waited for a higher limit
    size_t metAgain_ = 0, spared_ = 0; // remembered deferrals met again, and looks they spared
    Star star_;
    CollapseScratch scratch_;
    ListFetcher fetcher_;
};

} // namespace

void appendQueuedVertices(const LargeVector<uint8_t>& vertexFlags, LargeVector<uint32_t>& out) {
    const uint8_t* flags = vertexFlags.data();
    const size_t count = vertexFlags.size();
    size_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // eight flags per step, skipping the steps where none is queued (most, in a late pass)
        constexpr uint64_t kLowBits = 0x0101010101010101;
        static_assert(kDirty == 4 && kDead == 2); // per byte: bit 2 set, bit 1 clear
        for (; v + 8 <= count; v += 8) {
            uint64_t word;
            std::memcpy(&word, flags + v, 8);
            for (uint64_t hits = (word >> 2) & ~(word >> 1) & kLowBits; hits; hits &= hits - 1)
                out.push_back(uint32_t(v + size_t(std::countr_zero(hits)) / 8));
        }
    }
    for (; v < count; ++v)
        if ((flags[v] & (kDirty | kDead)) == kDirty) out.push_back(uint32_t(v));
}

int runCollapsePasses(WorkState& ws, MeshOpProgress* progress, bool remember) {
    return PassRunner(ws, progress, remember).run();
}

} // namespace hostkit::opt
