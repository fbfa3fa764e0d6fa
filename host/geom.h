// Host geometry types: points, affine transforms and axis-aligned boxes.
#pragma once

#include "host/api.h"

struct Point3 {
    float x = 0, y = 0, z = 0;

    Point3() = default;
    constexpr Point3(float px, float py, float pz) : x(px), y(py), z(pz) {}

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    Point3 operator+(const Point3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Point3 operator-(const Point3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Point3 operator-() const { return {-x, -y, -z}; }
    Point3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Point3& operator+=(const Point3& o) { return *this = *this + o; }
    Point3& operator-=(const Point3& o) { return *this = *this - o; }
    bool operator==(const Point3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Point3& o) const { return !(*this == o); }
};

inline float DotProd(const Point3& a, const Point3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Point3 CrossProd(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
HOSTKIT_API float Length(const Point3& p);
// Unit vector in p's direction; the zero vector stays zero.
HOSTKIT_API Point3 Normalize(const Point3& p);

// Affine transform stored as four rows: the images of the x, y and z axes and the
// translation. Points are row vectors: p * m.
class HOSTKIT_API Matrix3 {
  public:
    Matrix3(); // identity
    Matrix3(const Point3& row0, const Point3& row1, const Point3& row2, const Point3& row3);

    void IdentityMatrix();
    Point3 GetRow(int i) const { return rows[i]; }
    void SetRow(int i, const Point3& p) { rows[i] = p; }
    Point3 GetTrans() const { return rows[3]; }
    void SetTrans(const Point3& p) { rows[3] = p; }
    bool IsIdentity() const;

    // a * b applies a first, then b.
    Matrix3 operator*(const Matrix3& b) const;
    bool operator==(const Matrix3& o) const;

    static Matrix3 Translation(const Point3& t);
    static Matrix3 Scale(const Point3& s);
    // Rotation about an axis through the origin, angle in radians.
    static Matrix3 Rotation(const Point3& axis, float angle);

  private:
    Point3 rows[4];
};

HOSTKIT_API Point3 operator*(const Point3& p, const Matrix3& m);
// Transforms a direction: the translation row is ignored.
HOSTKIT_API Point3 VectorTransform(const Point3& v, const Matrix3& m);

// Axis-aligned box; empty after Init (minimum above maximum).
class HOSTKIT_API Box3 {
  public:
    Point3 pmin, pmax;

    Box3(); // empty
    Box3(const Point3& lo, const Point3& hi) : pmin(lo), pmax(hi) {}

    void Init();
    bool IsEmpty() const;
    Point3 Center() const;
    Point3 Width() const; // zero for an empty box
    Box3& operator+=(const Box3& b);
    Box3& operator+=(const Point3& p);
};
