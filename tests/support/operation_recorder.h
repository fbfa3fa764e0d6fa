// Records every mesh operation the host kit reports while it is in scope, with its
// arguments, so a test can check which operations ran, in which order, with what.
#pragma once

#include <string>
#include <vector>

#include "hostkit/mesh/operation_observer.h"

struct RecordedOperation {
    std::string name;
    const Mesh* mesh;
    std::vector<double> args;
};

class OperationRecorder {
  public:
    OperationRecorder() { previous_ = hostkit::setMeshOperationObserver(&record, this); }
    ~OperationRecorder() { hostkit::setMeshOperationObserver(previous_, nullptr); }
    OperationRecorder(const OperationRecorder&) = delete;
    OperationRecorder& operator=(const OperationRecorder&) = delete;

    const std::vector<RecordedOperation>& calls() const { return calls_; }
    // The names in call order.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const RecordedOperation& call : calls_) out.push_back(call.name);
        return out;
    }
    // The calls of one operation.
    std::vector<RecordedOperation> named(const std::string& name) const {
        std::vector<RecordedOperation> out;
        for (const RecordedOperation& call : calls_)
            if (call.name == name) out.push_back(call);
        return out;
    }
    void clear() { calls_.clear(); }

  private:
    static void record(const MeshOperationCall& call, void* context) {
        auto* self = static_cast<OperationRecorder*>(context);
        self->calls_.push_back(
            {call.name, call.mesh, std::vector<double>(call.args, call.args + call.argCount)});
    }
    std::vector<RecordedOperation> calls_;
    MeshOperationObserver previous_ = nullptr;
};
