// The object block of a ZEF file, line by line. The long lists are formatted
// straight into the stream's buffer, one reserved stretch per line or face group.
#include "export/zef_writer.h"

#include <cmath>

namespace {
// Upper bounds of what one line or group can take: an int is at most 11
// characters, a fixed-point number at most 48.
constexpr size_t kLongestVertexLine = 7 + 11 + 5 + 3 * 48 + 8 + 1;
constexpr size_t kLongestTexVertexLine = 8 + 11 + 5 + 2 * 48 + 4 + 1;
constexpr size_t kLongestFaceGroup = 512;
static_assert(kLongestFaceGroup <= ZefStream::kLongestReserve);

// Copies a string literal without its NUL; returns the end.
template <size_t N> char* put(char* out, const char (&literal)[N]) {
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

// "X: x Y: y Z: z" and the line end, for vertex and normal lines.
char* putXYZ(char* s, const Point3& p) {
    s = put(s, "X: ");
    s = formatFixed6(s, p.x);
    s = put(s, " Y: ");
    s = formatFixed6(s, p.y);
    s = put(s, " Z: ");
    s = formatFixed6(s, p.z);
    *s++ = '\n';
    return s;
}

// Three corner indices in the file's reversed winding: corners 0, 2, 1 after the
// labels a, b, c (the face line's vertices, the TVFace line's texture vertices).
template <size_t A, size_t B, size_t C>
char* putReversedCorners(char* s, const uint32_t (&corner)[3], const char (&a)[A],
                         const char (&b)[B], const char (&c)[C]) {
    s = put(s, a);
    s = formatInt(s, int32_t(corner[0]));
    s = put(s, b);
    s = formatInt(s, int32_t(corner[2]));
    s = put(s, c);
    return formatInt(s, int32_t(corner[1]));
}

bool isFinite(const Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

int edgeBit(const MeshFace& face, int bit) {
    return int((face.flags >> bit) & 1u);
}

// One face group: the face line and the lines the options ask for.
char* putFaceGroup(char* s, const Mesh& mesh, int f, const FaceListOptions& options) {
    const MeshFace& face = mesh.faces[f];
    s = put(s, "Face ");
    s = formatInt(s, f);
    s = putReversedCorners(s, face.v, ": A: ", " B: ", " C: ");
    s = put(s, " AB: ");
    *s++ = char('0' + edgeBit(face, 0));
    s = put(s, " BC: ");
    *s++ = char('0' + edgeBit(face, 1));
    s = put(s, " CA: ");
    *s++ = char('0' + edgeBit(face, 2));
    *s++ = '\n';
    if (options.normals) {
        s = put(s, "Normal: ");
        s = putXYZ(s, mesh.faceNormals[f]);
    }
    s = put(s, "Smoothing: ");
    s = formatUInt(s, face.smGroup);
    *s++ = '\n';
    if (options.texFaces) {
        s = put(s, "TVFace ");
        s = formatInt(s, f);
        s = putReversedCorners(s, mesh.texFaces[f].t, ": TA: ", " TB: ", " TC: ");
        *s++ = '\n';
    }
    if (options.materialIds) {
        s = put(s, "Material: ");
        s = formatInt(s, int32_t(face.getMatID()));
        *s++ = '\n';
    }
    return s;
}
} // namespace

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
        if (!isFinite(p)) {
            out.refuse();
            break;
        }
        char* s = out.reserve(kLongestVertexLine);
        s = put(s, "Vertex ");
        s = formatInt(s, k);
        s = put(s, ": ");
        out.commit(putXYZ(s, p));
    }
}

void writeTexVertexList(ZefStream& out, const Mesh& mesh, int texVertexCount) {
    out.text("TVertex list:\n");
    for (int k = 0; k < texVertexCount && !out.failed(); ++k) {
        const UVVert& uv = mesh.texVerts[k];
        if (!std::isfinite(uv.x) || !std::isfinite(uv.y)) {
            out.refuse();
            break;
        }
        char* s = out.reserve(kLongestTexVertexLine);
        s = put(s, "TVertex ");
        s = formatInt(s, k);
        s = put(s, ": U: ");
        s = formatFixed6(s, uv.x);
        s = put(s, " V: ");
        s = formatFixed6(s, uv.y);
        *s++ = '\n';
        out.commit(s);
    }
}

void writeFaceList(ZefStream& out, const Mesh& mesh, const FaceListOptions& options) {
    out.text("Face list:\n");
    for (int f = 0; f < mesh.faceCount && !out.failed(); ++f) {
        if (options.normals && !isFinite(mesh.faceNormals[f])) {
            out.refuse();
            break;
        }
        out.commit(putFaceGroup(out.reserve(kLongestFaceGroup), mesh, f, options));
    }
}
