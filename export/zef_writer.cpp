// The object block of a ZEF file, line by line.
#include "export/zef_writer.h"

void writeFileHeader(ZefStream& out, int objectCount) {
    out.text("ZEF File 1.0\n");
    out.text("NumObjects: ").integer(objectCount).endLine();
}

void writeObjectLine(ZefStream& out, int index, const char* name) {
    out.text("Object ").integer(index).text(": ").text(name ? name : "").endLine();
}

void writeCountsLine(ZefStream& out, int vertices, int texVertices, int faces, int materials,
                     int normals) {
    out.text("Vertices: ").integer(vertices).text(" TVertices: ").integer(texVertices);
    out.text(" Faces: ").integer(faces).text(" Materials: ").integer(materials);
    out.text(" Normals: ").integer(normals).endLine();
}

void writeVertexList(ZefStream& out, const Mesh& mesh, const Matrix3& tm, const Point3& centre,
                     bool centred) {
    out.text("Vertex list:\n");
    for (int k = 0; k < mesh.vertexCount && !out.failed(); ++k) {
        Point3 p = mesh.vertices[k] * tm;
        if (centred) p -= centre;
        out.text("Vertex ").integer(k).text(": X: ").fixed(p.x).text(" Y: ").fixed(p.y);
        out.text(" Z: ").fixed(p.z).endLine();
    }
}

void writeTexVertexList(ZefStream& out, const Mesh& mesh, int texVertexCount) {
    out.text("TVertex list:\n");
    for (int k = 0; k < texVertexCount && !out.failed(); ++k) {
        const UVVert& uv = mesh.texVerts[k];
        out.text("TVertex ").integer(k).text(": U: ").fixed(uv.x).text(" V: ").fixed(uv.y);
        out.endLine();
    }
}

static int edgeBit(const MeshFace& face, int bit) {
    return int((face.flags >> bit) & 1u);
}

void writeFaceList(ZefStream& out, const Mesh& mesh, const FaceListOptions& options) {
    out.text("Face list:\n");
    for (int f = 0; f < mesh.faceCount && !out.failed(); ++f) {
        const MeshFace& face = mesh.faces[f];
        out.text("Face ").integer(f).text(": A: ").integer(int32_t(face.v[0]));
        out.text(" B: ").integer(int32_t(face.v[2])).text(" C: ").integer(int32_t(face.v[1]));
        out.text(" AB: ").integer(edgeBit(face, 0)).text(" BC: ").integer(edgeBit(face, 1));
        out.text(" CA: ").integer(edgeBit(face, 2)).endLine();
        if (options.normals) {
            const Point3& n = mesh.faceNormals[f];
            out.text("Normal: X: ").fixed(n.x).text(" Y: ").fixed(n.y).text(" Z: ").fixed(n.z);
            out.endLine();
        }
        out.text("Smoothing: ").unsignedInt(face.smGroup).endLine();
        if (options.texFaces) {
            const TVFace& tv = mesh.texFaces[f];
            out.text("TVFace ").integer(f).text(": TA: ").integer(int32_t(tv.t[0]));
            out.text(" TB: ").integer(int32_t(tv.t[2])).text(" TC: ").integer(int32_t(tv.t[1]));
            out.endLine();
        }
        if (options.materialIds) out.text("Material: ").integer(int32_t(face.getMatID())).endLine();
    }
}
