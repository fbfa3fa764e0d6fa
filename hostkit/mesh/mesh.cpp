// Mesh storage: construction, deep copy and resizing of the plain arrays.
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "host/mesh.h"
#include "hostkit/mesh/operation_observer.h"
#include "hostkit/mesh/scratch.h"

namespace {
// Reallocates a plain array to n entries; keep copies the common prefix, new
// entries are zeroed. n == 0 frees it.
template <typename T> void resizeArray(T*& data, int oldCount, int n, bool keep) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (n <= 0) {
        std::free(data);
        data = nullptr;
        return;
    }
    hostkit::checkMeshAllocation(size_t(n) * sizeof(T));
    if (keep && data && n <= oldCount) { // shrinking: in place, nothing to copy or zero
        if (T* smaller = static_cast<T*>(std::realloc(data, sizeof(T) * size_t(n)))) {
            data = smaller;
            return;
        }
    }
    T* fresh = static_cast<T*>(hostkit::allocateZeroed(size_t(n) * sizeof(T)));
    if (keep && data) std::memcpy(fresh, data, sizeof(T) * size_t(oldCount < n ? oldCount : n));
    std::free(data);
    data = fresh;
}

template <typename T> T* copyArray(const T* src, int n) {
    if (!src || n <= 0) return nullptr;
    hostkit::checkMeshAllocation(sizeof(T) * size_t(n));
    T* copy = static_cast<T*>(hostkit::allocateUninitialized(sizeof(T) * size_t(n)));
    std::memcpy(copy, src, sizeof(T) * size_t(n));
    return copy;
}
} // namespace

Mesh::Mesh() = default;

Mesh::Mesh(const Mesh& other) {
    *this = other;
}

Mesh& Mesh::operator=(const Mesh& other) {
    if (this == &other) return *this;
    Mesh copy; // build fully before replacing, so a failed allocation leaves *this intact
    copy.vertexCount = other.vertexCount;
    copy.faceCount = other.faceCount;
    copy.texVertCount = other.texVertCount;
    copy.vertices = copyArray(other.vertices, other.vertexCount);
    copy.faces = copyArray(other.faces, other.faceCount);
    copy.texVerts = copyArray(other.texVerts, other.texVertCount);
    copy.texFaces = copyArray(other.texFaces, other.faceCount);
    copy.faceNormals = copyArray(other.faceNormals, other.faceCount);
    copy.cornerNormals = copyArray(other.cornerNormals, other.faceCount * 3);
    copy.hasNormals = other.hasNormals;
    std::swap(vertexCount, copy.vertexCount);
    std::swap(faceCount, copy.faceCount);
    std::swap(texVertCount, copy.texVertCount);
    std::swap(vertices, copy.vertices);
    std::swap(faces, copy.faces);
    std::swap(texVerts, copy.texVerts);
    std::swap(texFaces, copy.texFaces);
    std::swap(faceNormals, copy.faceNormals);
    std::swap(cornerNormals, copy.cornerNormals);
    std::swap(hasNormals, copy.hasNormals);
    return *this; // copy now frees the old arrays
}

Mesh::~Mesh() {
    clear();
}

void Mesh::clear() {
    std::free(vertices);
    std::free(faces);
    std::free(texVerts);
    std::free(texFaces);
    std::free(faceNormals);
    std::free(cornerNormals);
    vertices = nullptr;
    faces = nullptr;
    texVerts = nullptr;
    texFaces = nullptr;
    faceNormals = nullptr;
    cornerNormals = nullptr;
    vertexCount = faceCount = texVertCount = 0;
    hasNormals = 0;
}

void Mesh::setNumVerts(int n, bool keep) {
    resizeArray(vertices, vertexCount, n, keep);
    vertexCount = n > 0 ? n : 0;
}

void Mesh::setNumTVerts(int n, bool keep) {
    resizeArray(texVerts, texVertCount, n, keep);
    texVertCount = n > 0 ? n : 0;
}

void Mesh::setNumFaces(int n, bool keep) {
    if (n < 0) n = 0;
    resizeArray(faces, faceCount, n, keep);
    if (texFaces) resizeArray(texFaces, faceCount, n, keep);
    if (faceNormals) resizeArray(faceNormals, faceCount, n, keep);
    if (cornerNormals) resizeArray(cornerNormals, faceCount * 3, n * 3, keep);
    faceCount = n;
    if (n == 0) hasNormals = 0;
}

void Mesh::setTexFacesEnabled(bool on, bool keep) {
    if (!on) {
        resizeArray(texFaces, faceCount, 0, false);
    } else if (!texFaces || !keep) {
        resizeArray(texFaces, faceCount, faceCount, false);
    }
}
