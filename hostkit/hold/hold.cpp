// The undo hold: records gathered between Begin and Accept form one step; the host
// undoes and redoes whole steps.
#include <memory>
#include <vector>

#include "host/hold.h"

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

int Hold::stepCount() const {
    return int(impl->done.size());
}
int Hold::redoCount() const {
    return int(impl->undone.size());
}
int Hold::stepName(int index) const {
    return impl->done.at(size_t(index)).nameId;
}
int Hold::stepRecordCount(int index) const {
    return int(impl->done.at(size_t(index)).records.size());
}

bool Hold::undo() {
    if (Holding() || impl->done.empty()) return false;
    Step step = std::move(impl->done.back());
    impl->done.pop_back();
    for (auto it = step.records.rbegin(); it != step.records.rend(); ++it) (*it)->undoChange(1);
    impl->undone.push_back(std::move(step));
    return true;
}

bool Hold::redo() {
    if (Holding() || impl->undone.empty()) return false;
    Step step = std::move(impl->undone.back());
    impl->undone.pop_back();
    for (auto& record : step.records) record->redoChange();
    impl->done.push_back(std::move(step));
    return true;
}

void Hold::clear() {
    impl->depth = 0;
    impl->open = Step();
    impl->done.clear();
    impl->undone.clear();
}
