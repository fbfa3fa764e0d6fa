// Placeholder until the operation lands.
#include "host/mesh.h"
void Mesh::ApplyUVWMap(int, float, float, float, int, int, int, int, const Matrix3&) {}
