// Mesh::FlipNormal: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/face_flip.h"
#include "hostkit/mesh/operation_observer.h"

void Mesh::FlipNormal(int face) {
    hostkit::reportMeshOperation("FlipNormal", this, {double(face)});
    if (face < 0 || face >= faceCount) return;
    hostkit::flipFaceArrays(*this, face);
}
