// The order of one Optimize pass's looks; contract in optimize_visits.h.
#include "hostkit/mesh/optimize_visits.h"

namespace hostkit::opt {

void PassVisits::begin(const LargeVector<uint32_t>& list, LargeVector<uint8_t>& flags,
                       bool aheadToo) {
    list_ = &list;
    flags_ = &flags;
    next_ = 0;
    last_ = 0;
    started_ = false;
    aheadToo_ = aheadToo;
    for (uint32_t v : list) flags[v] = uint8_t((flags[v] & ~kDirty) | kInPass);
}

void PassVisits::end() {
    for (; next_ < list_->size(); ++next_) (*flags_)[(*list_)[next_]] &= uint8_t(~kInPass);
    for (; !ahead_.empty(); ahead_.pop()) (*flags_)[ahead_.top()] &= uint8_t(~kInPass);
}

} // namespace hostkit::opt
