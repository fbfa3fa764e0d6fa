// Mesh::Optimize: passes of independent collapses, cheapest first, until none is left.
#include "hostkit/mesh/optimize.h"

#include <algorithm>

#include "hostkit/mesh/optimize_collapse.h"
#include "hostkit/mesh/optimize_finish.h"
#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

namespace {

constexpr size_t kProgressEvery = 1 << 16;

struct Candidate {
    double cost;
    uint32_t from, to;
};

class PassRunner {
  public:
    PassRunner(WorkState& ws, MeshOpProgress* progress) : ws_(ws), progress_(progress) {}

    // Runs passes until one changes nothing; false when the progress callback stopped it.
    bool run() {
        for (uint32_t v = 0; v < uint32_t(ws_.mesh.vertexCount); ++v) queue(v);
        while (!dirty_.empty()) {
            ++pass_;
            if (!scoreDirty()) return false;
            std::sort(candidates_.begin(), candidates_.end(),
                      [](const Candidate& a, const Candidate& b) {
                          return a.cost != b.cost ? a.cost < b.cost : a.from < b.from;
                      });
            if (applyIndependent() == 0) break;
            if (progress_ && !progress_->Progress(removed_)) return false;
        }
        return true;
    }

  private:
    void queue(uint32_t v) {
        uint8_t& flags = ws_.vertexFlags[v];
        if ((flags & (kDirty | kFrozen | kDead)) || !(flags & kUsed)) return;
        flags |= kDirty;
        dirty_.push_back(v);
    }

    // v's star changed: v and its neighbours need a new look.
    void queueAround(uint32_t v) {
        queue(v);
        for (uint32_t c = ws_.vertexHead[v]; c != kNone; c = ws_.cornerNext[c])
            if (!ws_.faceDead[c / 3])
                for (uint32_t w : ws_.mesh.faces[c / 3].v) queue(w);
    }

    // Finds the best collapse of every queued vertex.
    bool scoreDirty() {
        candidates_.clear();
        for (size_t i = 0; i < dirty_.size(); ++i) {
            const uint32_t u = dirty_[i];
            ws_.vertexFlags[u] &= uint8_t(~kDirty);
            analyzeStar(ws_, u, star_);
            double cost = 0;
            uint32_t v = bestCollapse(ws_, star_, scratch_, cost);
            if (v != kNone) candidates_.push_back({cost, u, v});
            if (progress_ && (i + 1) % kProgressEvery == 0 && !progress_->Progress(removed_))
                return false;
        }
        dirty_.clear();
        return true;
    }

    // Applies the candidates in order, skipping any whose star a collapse of this pass
    // touched; the target's side is checked again, as it may have changed.
    size_t applyIndependent() {
        size_t applied = 0;
        for (const Candidate& c : candidates_) {
            if (ws_.lockStamp[c.from] == pass_) continue;
            analyzeStar(ws_, c.from, star_);
            if (collapseGeometryCost(ws_, star_, c.to, scratch_) < 0) continue;
            if (!collapseKeepsTopology(ws_, star_, c.to, scratch_)) continue;
            ws_.lockStamp[c.from] = pass_;
            for (uint32_t w : star_.ring) ws_.lockStamp[w] = pass_;
            for (const StarFace& sf : star_.faces) removed_ += sf.next == c.to || sf.prev == c.to;
            applyCollapse(ws_, star_, c.to, scratch_);
            for (uint32_t w : star_.ring) queueAround(w);
            ++applied;
        }
        return applied;
    }

    WorkState& ws_;
    MeshOpProgress* progress_;
    uint32_t pass_ = 0;
    int removed_ = 0;
    std::vector<uint32_t> dirty_;
    std::vector<Candidate> candidates_;
    Star star_;
    CollapseScratch scratch_;
};

} // namespace

} // namespace hostkit::opt

int Mesh::Optimize(float normalThreshold, float edgeThreshold, float bias, int flags,
                   MeshOpProgress* progress) {
    using namespace hostkit::opt;
    if (faceCount <= 0 || vertexCount <= 0 || !faces || !vertices) return 0;
    const bool rebuildNormals = hasNormals != 0;
    WorkState ws(*this, makeSettings(normalThreshold, edgeThreshold, bias, flags));
    initWorkState(ws);
    if (progress) progress->Init(faceCount);
    PassRunner(ws, progress).run();
    if (ws.settings.autoEdge) setEdgeVisibility(ws);
    const int removed = compactMesh(ws);
    if (rebuildNormals && removed > 0) buildNormals();
    return removed;
}
