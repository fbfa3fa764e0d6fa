// Mesh::RemoveDegenerateFaces: contract in host/mesh.h.
#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"

#include "hostkit/mesh/edge_table.h"

int Mesh::RemoveDegenerateFaces() {
    hostkit::reportMeshOperation("RemoveDegenerateFaces", this, {});
    int kept = 0;
    while (kept < faceCount && hostkit::isProperFace(faces[kept], vertexCount)) ++kept;
    if (kept == faceCount) return 0;

    // stable compaction, starting at the first face to go
    for (int f = kept + 1; f < faceCount; ++f) {
        if (!hostkit::isProperFace(faces[f], vertexCount)) continue;
        faces[kept] = faces[f];
        if (texFaces) texFaces[kept] = texFaces[f];
        if (faceNormals) faceNormals[kept] = faceNormals[f];
        if (cornerNormals)
            for (int k = 0; k < 3; ++k) cornerNormals[kept * 3 + k] = cornerNormals[f * 3 + k];
        ++kept;
    }
    const int removed = faceCount - kept;
    setNumFaces(kept, true);
    return removed;
}
