// The undo hold: records gathered between Begin and Accept form one step; the host
// undoes and redoes whole steps.
#include <memory>
#include <vector>

#include "host/hold.h"
#include "hostkit/hold/hold_history.h"

RestoreObj::~RestoreObj() = default;
int RestoreObj::byteSize() {
    return 1;
}
void RestoreObj::holdEnded() {}
CStr RestoreObj::describe() {
    return CStr("---");
}

namespace {
struct Step {
    int nameId = 0;
    std::vector<std::unique_ptr<RestoreObj>> records;
};
} // namespace

class HoldImpl {
  public:
    int depth = 0; // nested Begin calls
    Step open;
    std::vector<Step> done;   // undoable, oldest first
    std::vector<Step> undone; // redoable, most recently undone last
};

Hold theHold;
HoldHistory theHoldHistory(theHold); // after theHold: one file, so constructed after it

Hold::Hold() : impl(std::make_unique<HoldImpl>()) {}
Hold::~Hold() = default;

void Hold::Begin() {
    ++impl->depth;
}

int Hold::Holding() const {
    return impl->depth > 0 ? 1 : 0;
}

void Hold::Put(RestoreObj* record) {
    if (!record) return;
    if (!Holding()) {
        delete record;
        return;
    }
    std::unique_ptr<RestoreObj> owned(record); // freed if the list cannot grow
    impl->open.records.push_back(std::move(owned));
}

void Hold::Accept(int nameId) {
    if (impl->depth == 0) return;
    if (--impl->depth > 0) return;
    Step step = std::move(impl->open);
    impl->open = Step();
    step.nameId = nameId;
    for (auto& record : step.records) record->holdEnded();
    impl->done.push_back(std::move(step));
    impl->undone.clear(); // a new step ends the redo chain
}

void Hold::Cancel() {
    if (impl->depth == 0) return;
    impl->depth = 0;
    auto& records = impl->open.records;
    for (auto it = records.rbegin(); it != records.rend(); ++it) (*it)->undoChange(0);
    impl->open = Step();
}

HoldHistory::HoldHistory(Hold& hold) : hold_(hold) {}

int HoldHistory::stepCount() const {
    return int(hold_.impl->done.size());
}
int HoldHistory::redoCount() const {
    return int(hold_.impl->undone.size());
}
int HoldHistory::stepName(int index) const {
    return hold_.impl->done.at(size_t(index)).nameId;
}
int HoldHistory::stepRecordCount(int index) const {
    return int(hold_.impl->done.at(size_t(index)).records.size());
}

bool HoldHistory::undo() {
    HoldImpl& impl = *hold_.impl;
    if (hold_.Holding() || impl.done.empty()) return false;
    Step step = std::move(impl.done.back());
    impl.done.pop_back();
    for (auto it = step.records.rbegin(); it != step.records.rend(); ++it) (*it)->undoChange(1);
    impl.undone.push_back(std::move(step));
    return true;
}

bool HoldHistory::redo() {
    HoldImpl& impl = *hold_.impl;
    if (hold_.Holding() || impl.undone.empty()) return false;
    Step step = std::move(impl.undone.back());
    impl.undone.pop_back();
    for (auto& record : step.records) record->redoChange();
    impl.done.push_back(std::move(step));
    return true;
}

void HoldHistory::clear() {
    HoldImpl& impl = *hold_.impl;
    impl.depth = 0;
    impl.open = Step();
    impl.done.clear();
    impl.undone.clear();
}
