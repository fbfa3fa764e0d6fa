// The mesh operation observer.
#include <initializer_list>
#include <new>

#include "hostkit/mesh/operation_observer.h"

static MeshOperationObserver currentObserver = nullptr;
static void* currentContext = nullptr;

MeshOperationObserver hostkit::setMeshOperationObserver(MeshOperationObserver observer,
                                                        void* context) {
    MeshOperationObserver previous = currentObserver;
    currentObserver = observer;
    currentContext = context;
    return previous;
}

bool hostkit::hasMeshOperationObserver() {
    return currentObserver != nullptr;
}

void hostkit::reportMeshOperation(const char* name, const Mesh* mesh,
                                  std::initializer_list<double> args) {
    if (!currentObserver) return;
    MeshOperationCall call{name, mesh, {}, 0};
    for (double value : args)
        if (call.argCount < 9) call.args[call.argCount++] = value;
    currentObserver(call, currentContext);
}

static size_t meshAllocationLimit = 0;

void hostkit::setMeshAllocationLimit(size_t bytes) {
    meshAllocationLimit = bytes;
}

void hostkit::checkMeshAllocation(size_t bytes) {
    if (meshAllocationLimit && bytes > meshAllocationLimit) throw std::bad_alloc();
}
