// The order of one Optimize pass's looks: the vertices queued for it, in index order, and,
// once the pass runs at the full limit, the vertices a collapse changes ahead of the look
// in hand, taken in their place in that order while their memory is still warm.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

#include "host/api.h"
#include "hostkit/mesh/optimize_state.h"

namespace hostkit::opt {

class HOSTKIT_API PassVisits {
  public:
    // Starts a pass over list (ascending, distinct, owned by the caller until end()), moving
    // each of its vertices from queued for a pass (kDirty) to in this one (kInPass) in flags.
    // aheadToo: addAhead takes vertices in.
    void begin(const LargeVector<uint32_t>& list, LargeVector<uint8_t>& flags, bool aheadToo);
    // Whether the next vertex comes from the list (then at listPosition()).
    bool listIsNext() const {
        return next_ < list_->size() && (ahead_.empty() || (*list_)[next_] < ahead_.top());
    }
    size_t listPosition() const { return next_; }
    // The next vertex in index order, kNone once there is none; it is no longer kInPass.
    uint32_t take() {
        uint32_t v;
        if (listIsNext()) {
            v = (*list_)[next_++];
        } else if (!ahead_.empty()) {
            v = ahead_.top();
            ahead_.pop();
        } else {
            return kNone;
        }
        (*flags_)[v] &= uint8_t(~kInPass);
        last_ = v;
        started_ = true;
        return v;
    }
    // Takes v into the pass when the pass takes vertices ahead, v comes after the vertex
    // taken last and is not due already (kInPass); only used, live and unfrozen vertices.
    // O(log n) for n vertices taken in so far.
    void addAhead(uint32_t v) {
        if (!aheadToo_ || !started_ || v <= last_) return;
        uint8_t& flags = (*flags_)[v];
        if ((flags & (kInPass | kDead | kFrozen)) || !(flags & kUsed)) return;
        flags |= kInPass;
        ahead_.push(v);
    }
    // Ends the pass, whether every vertex was taken or not: nothing stays kInPass.
    void end();

  private:
    const LargeVector<uint32_t>* list_ = nullptr;
    LargeVector<uint8_t>* flags_ = nullptr;
    size_t next_ = 0;
    uint32_t last_ = 0; // the vertex taken last
    bool aheadToo_ = false;
    bool started_ = false; // some vertex was taken
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> ahead_;
};

} // namespace hostkit::opt
