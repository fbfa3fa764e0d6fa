// MeshRestore and TwoSidedRestore.
#include "prep/restore_records.h"

MeshRestore::MeshRestore(Mesh* live) : liveMesh(live) {
    savedMesh = *live;
}

MeshRestore::~MeshRestore() = default;

static void exchange(Mesh& live, Mesh& saved) {
    Mesh temporary(live);
    live = saved;
    saved = temporary;
}

void MeshRestore::undoChange(int isUndo) {
    if (isUndo)
        exchange(*liveMesh, savedMesh);
    else
        *liveMesh = savedMesh;
}

void MeshRestore::redoChange() {
    exchange(*liveMesh, savedMesh);
}

int MeshRestore::byteSize() {
    return 168;
}

TwoSidedRestore::TwoSidedRestore(StandardMaterial* changed) : material(changed) {}

TwoSidedRestore::~TwoSidedRestore() = default;

static void toggleTwoSided(StandardMaterial* material) {
    material->setTwoSided(material->twoSided() == 0 ? 1 : 0);
}

void TwoSidedRestore::undoChange(int) {
    toggleTwoSided(material);
}

void TwoSidedRestore::redoChange() {
    toggleTwoSided(material);
}

void recordMeshChange(Mesh& mesh) {
    if (!theHold.Holding() || mesh.faceCount <= 0) return;
    theHold.Put(new MeshRestore(&mesh)); // a failed copy throws before anything is held
}
