// Undo records the plug-in puts into the host's hold: a whole mesh, and one
// material's two-sided flag.
#pragma once

#include "host/hold.h"
#include "host/mesh.h"
#include "host/scene.h"

// Keeps a full copy of a scene mesh from before a change. Undo and redo swap the
// saved and the live state, so they alternate.
class MeshRestore : public RestoreObj {
  public:
    Mesh savedMesh;
    Mesh* liveMesh; // not owned; must outlive the record

    explicit MeshRestore(Mesh* live);
    ~MeshRestore() override;
    // isUndo nonzero swaps the states; zero only restores the saved state.
    void undoChange(int isUndo) override;
    void redoChange() override;
    int byteSize() override; // 168, whatever the mesh holds
};

// Stands for one toggle of a standard material's two-sided flag.
class TwoSidedRestore : public RestoreObj {
  public:
    StandardMaterial* material; // not owned

    explicit TwoSidedRestore(StandardMaterial* changed);
    ~TwoSidedRestore() override;
    void undoChange(int isUndo) override; // toggles; isUndo is ignored
    void redoChange() override;           // toggles
};

// Puts a MeshRestore of mesh into the hold, when the hold is holding and the mesh
// has faces. When the record cannot be made (out of memory) this throws, so the
// caller never changes a mesh whose change could not be undone.
void recordMeshChange(Mesh& mesh);
