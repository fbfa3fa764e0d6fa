// Placeholder until the operation lands.
#include "host/mesh.h"
void Mesh::buildNormals() {}
void Mesh::InvalidateGeomCache() {}
