// Counting an export's objects from the scene activity the host sees.
#include "app/export_progress.h"

#include <algorithm>

#include "host/class_id.h"

ExportProgress::ExportProgress(std::function<void(int current, int total)> onObject)
    : onObject_(std::move(onObject)) {
    previous_ = hostkit::setSceneActivityListener({&ExportProgress::hear, this});
}

ExportProgress::~ExportProgress() {
    hostkit::setSceneActivityListener(previous_);
}

void ExportProgress::hear(SceneActivity what, HostObject* object, void* context) {
    auto* self = static_cast<ExportProgress*>(context);
    if (what == SceneActivity::NodeEvaluated) {
        if (object && object->canConvertTo(triObjectClassID)) ++self->objects_;
    } else {
        ++self->converted_;
        self->onObject_(self->converted_, std::max(self->objects_, self->converted_));
    }
    if (self->previous_.hear) self->previous_.hear(what, object, self->previous_.context);
}
