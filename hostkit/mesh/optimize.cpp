// Placeholder until the operation lands.
#include "host/mesh.h"
int Mesh::Optimize(float, float, float, int, MeshOpProgress*) { return 0; }
