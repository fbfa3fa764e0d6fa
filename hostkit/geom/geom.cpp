// Point3, Matrix3 and Box3.
#include <cmath>
#include <limits>

#include "host/geom.h"

float Length(const Point3& p) {
    return std::sqrt(DotProd(p, p));
}

Point3 Normalize(const Point3& p) {
    float len = Length(p);
    return len > 0 ? p * (1.0f / len) : Point3();
}

Matrix3::Matrix3() {
    IdentityMatrix();
}

Matrix3::Matrix3(const Point3& row0, const Point3& row1, const Point3& row2, const Point3& row3)
    : rows{row0, row1, row2, row3} {}

void Matrix3::IdentityMatrix() {
    rows[0] = {1, 0, 0};
    rows[1] = {0, 1, 0};
    rows[2] = {0, 0, 1};
    rows[3] = {0, 0, 0};
}

bool Matrix3::IsIdentity() const {
    return *this == Matrix3();
}

bool Matrix3::operator==(const Matrix3& o) const {
    for (int i = 0; i < 4; ++i)
        if (rows[i] != o.rows[i]) return false;
    return true;
}

Matrix3 Matrix3::operator*(const Matrix3& b) const {
    Matrix3 r;
    for (int i = 0; i < 3; ++i) r.rows[i] = VectorTransform(rows[i], b);
    r.rows[3] = rows[3] * b;
    return r;
}

Matrix3 Matrix3::Translation(const Point3& t) {
    Matrix3 m;
    m.SetTrans(t);
    return m;
}

Matrix3 Matrix3::Scale(const Point3& s) {
    return Matrix3({s.x, 0, 0}, {0, s.y, 0}, {0, 0, s.z}, {0, 0, 0});
}

Matrix3 Matrix3::Rotation(const Point3& axis, float angle) {
    Point3 a = Normalize(axis);
    double c = std::cos(double(angle)), s = std::sin(double(angle)), t = 1 - c;
    double x = a.x, y = a.y, z = a.z;
    // Row-vector convention: p * m rotates p counter-clockwise about the axis.
    return Matrix3({float(t * x * x + c), float(t * x * y + s * z), float(t * x * z - s * y)},
                   {float(t * x * y - s * z), float(t * y * y + c), float(t * y * z + s * x)},
                   {float(t * x * z + s * y), float(t * y * z - s * x), float(t * z * z + c)},
                   {0, 0, 0});
}

Point3 operator*(const Point3& p, const Matrix3& m) {
    return VectorTransform(p, m) + m.GetTrans();
}

Point3 VectorTransform(const Point3& v, const Matrix3& m) {
    Point3 r0 = m.GetRow(0), r1 = m.GetRow(1), r2 = m.GetRow(2);
    return {v.x * r0.x + v.y * r1.x + v.z * r2.x, v.x * r0.y + v.y * r1.y + v.z * r2.y,
            v.x * r0.z + v.y * r1.z + v.z * r2.z};
}

Box3::Box3() {
    Init();
}

void Box3::Init() {
    const float big = std::numeric_limits<float>::max();
    pmin = {big, big, big};
    pmax = {-big, -big, -big};
}

bool Box3::IsEmpty() const {
    return pmin.x > pmax.x || pmin.y > pmax.y || pmin.z > pmax.z;
}

Point3 Box3::Center() const {
    return IsEmpty() ? Point3() : (pmin + pmax) * 0.5f;
}

Point3 Box3::Width() const {
    return IsEmpty() ? Point3() : pmax - pmin;
}

Box3& Box3::operator+=(const Box3& b) {
    if (b.IsEmpty()) return *this;
    *this += b.pmin;
    return *this += b.pmax;
}

Box3& Box3::operator+=(const Point3& p) {
    for (int i = 0; i < 3; ++i) {
        if (p[i] < pmin[i]) pmin[i] = p[i];
        if (p[i] > pmax[i]) pmax[i] = p[i];
    }
    return *this;
}
