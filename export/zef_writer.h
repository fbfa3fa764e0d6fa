// The lines of a ZEF file: header, object line, counts line and the vertex,
// texture-vertex and face lists of one object.
#pragma once

#include "export/zef_stream.h"
#include "host/geom.h"
#include "host/mesh.h"

void writeFileHeader(ZefStream& out, int objectCount);
void writeObjectLine(ZefStream& out, int index, const char* name);
void writeCountsLine(ZefStream& out, int vertices, int texVertices, int faces, int materials,
                     int normals);

// Vertices times tm, minus centre when centred.
void writeVertexList(ZefStream& out, const Mesh& mesh, const Matrix3& tm, const Point3& centre,
                     bool centred);
// The first texVertexCount texture vertices (U and V).
void writeTexVertexList(ZefStream& out, const Mesh& mesh, int texVertexCount);

struct FaceListOptions {
    bool normals = false;     // a Normal line per face (the mesh's normals must be built)
    bool texFaces = false;    // a TVFace line per face
    bool materialIds = false; // a Material line per face
};
// Faces with reversed winding (A = v0, B = v2, C = v1) and their optional lines.
void writeFaceList(ZefStream& out, const Mesh& mesh, const FaceListOptions& options);
