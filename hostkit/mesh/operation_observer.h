// The host's listener for mesh operations: every public Mesh operation reports its
// call (name and arguments) to one observer before it runs. For diagnostics and
// for tests that check which operations a plug-in calls, in which order, with which
// arguments. No observer is set by default; the cost is then one test per call.
#pragma once

#include "host/api.h"
#include <initializer_list>

#include "host/mesh.h"

struct MeshOperationCall {
    const char* name; // "FlipNormal", "RemoveDegenerateFaces", ...
    const Mesh* mesh;
    double args[9]; // the arguments in declaration order, as numbers
    int argCount;
};

using MeshOperationObserver = void (*)(const MeshOperationCall& call, void* context);

// Sets the observer (null: none) and returns the previous one.
HOSTKIT_API MeshOperationObserver setMeshOperationObserver(MeshOperationObserver observer,
                                                           void* context);

namespace hostkit {
// Reports a call to the observer, if one is set.
void reportMeshOperation(const char* name, const Mesh* mesh, std::initializer_list<double> args);
} // namespace hostkit
