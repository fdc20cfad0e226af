// Small 3-vector helpers of the element geometry (value semantics, no allocation).
#pragma once

#include <array>
#include <cmath>

namespace tvk::elements {

using Vec3 = std::array<double, 3>;

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 operator*(double s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }
inline Vec3 unit(const Vec3& a) { return (1.0 / norm(a)) * a; }
inline Vec3 load(const double* p) { return {p[0], p[1], p[2]}; }
// Column j (0-based) of a column-major 3 x 3 matrix.
inline Vec3 column(const double* m, int j) { return {m[3 * j], m[3 * j + 1], m[3 * j + 2]}; }
// Writes the rows r0, r1, r2 into a column-major 3 x 3 matrix.
inline void set_rows(double* m, const Vec3& r0, const Vec3& r1, const Vec3& r2) {
    for (int j = 0; j < 3; ++j) {
        m[3 * j] = r0[j];
        m[3 * j + 1] = r1[j];
        m[3 * j + 2] = r2[j];
    }
}

}  // namespace tvk::elements
