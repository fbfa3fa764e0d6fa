// The host's listener for mesh operations: every public Mesh operation reports its
// call (name and arguments) to one observer before it runs. For diagnostics and
// for tests that check which operations a plug-in calls, in which order, with which
// arguments. No observer is set by default; the cost is then one test per call.
// Also here: an injectable limit on mesh array allocations.
#pragma once

#include "host/api.h"
#include <cstddef>
#include <initializer_list>

#include "host/mesh.h"

struct MeshOperationCall {
    const char* name; // "FlipNormal", "RemoveDegenerateFaces", ...
    const Mesh* mesh;
    double args[9]; // the arguments in declaration order, as numbers
    int argCount;
};

using MeshOperationObserver = void (*)(const MeshOperationCall& call, void* context);

namespace hostkit {
// Sets the observer (null: none) and returns the previous one.
HOSTKIT_API MeshOperationObserver setMeshOperationObserver(MeshOperationObserver observer,
                                                           void* context);

// Makes every mesh array of more than bytes fail to allocate with std::bad_alloc, as
// when memory runs out (0, the default: no limit). For tests of out-of-memory paths.
HOSTKIT_API void setMeshAllocationLimit(size_t bytes);

// Throws std::bad_alloc when bytes exceed the limit set above.
void checkMeshAllocation(size_t bytes);
// True while an observer is set: operations that call others (UnifyNormals flips faces
// with FlipNormal) then keep the order of those calls.
bool hasMeshOperationObserver();
// Reports a call to the observer, if one is set.
void reportMeshOperation(const char* name, const Mesh* mesh, std::initializer_list<double> args);
} // namespace hostkit
