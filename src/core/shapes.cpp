#include "shapes.h"

#include <algorithm>
#include <cmath>

#include "tensor.h"

namespace {

// The bounds test of the shape and polygon codes: inside or on the boundary is [0, 1]
// (NaN fails it).
bool within_unit(double v) { return v >= 0.0 && v <= 1.0; }

}  // namespace

// The offset d = point - origin is projected orthogonally onto the plane (through the origin of
// the offsets, i.e. the plane through `origin`), its components are taken in the base c1, c2, c3
// and rotated by theta about the local normal (0, 0, 1): xycoord = the first two components of
// R^T q. The rotation acts on local components, so it is about the plane's own normal whatever
// direction c3 has in space; for a plane whose normal is the global z axis this is the same as
// rotating about c3. A degenerate plane (c1 parallel to c2) gives non-finite coordinates.
TVK_API void GetPointOnXYPlane(double* xycoord, const double* point, const double* origin,
                               const double* xyplane, const double* theta) {
    const double* c1 = xyplane;
    const double* c2 = xyplane + 3;
    const double* c3 = xyplane + 6;
    const double d[3] = {point[0] - origin[0], point[1] - origin[1], point[2] - origin[2]};
    const double m[3] = {c1[1] * c2[2] - c1[2] * c2[1], c1[2] * c2[0] - c1[0] * c2[2],
                         c1[0] * c2[1] - c1[1] * c2[0]};
    const double dm = d[0] * m[0] + d[1] * m[1] + d[2] * m[2];
    const double mm = m[0] * m[0] + m[1] * m[1] + m[2] * m[2];
    const double f = dm / mm;
    const double p[3] = {d[0] - f * m[0], d[1] - f * m[1], d[2] - f * m[2]};
    const double q[3] = {c1[0] * p[0] + c1[1] * p[1] + c1[2] * p[2],
                         c2[0] * p[0] + c2[1] * p[1] + c2[2] * p[2],
                         c3[0] * p[0] + c3[1] * p[1] + c3[2] * p[2]};
    static constexpr double zaxis[3] = {0.0, 0.0, 1.0};
    const double alpha = *theta * tvk::deg2rad;
    double r[9];
    GetRotationMatrix(r, zaxis, &alpha);
    // (R^T q)_i = sum_k R(k,i) q_k, R column-major.
    const double x = r[0] * q[0] + r[1] * q[1] + r[2] * q[2];
    const double y = r[3] * q[0] + r[4] * q[1] + r[5] * q[2];
    xycoord[0] = x;
    xycoord[1] = y;
}

// Crossing test along the ray from the point in the +y direction (the crossing-number scheme of
// W. R. Franklin's PNPOLY, 1970): with the vertices shifted so that the point is the
// origin, an edge counts when its ends lie on different sides of the y axis (one at x >= 0, one
// at x < 0) and it passes above the point. An edge lying wholly at y >= 0 counts without
// computing the height; otherwise c = (Y_i X_j - X_i Y_j)/(X_j - X_i) is the height at which it
// crosses the point's vertical, and c = 0 means the point lies on that edge (result 0.0 at
// once). Points on edges parallel to the axes are therefore classed by half-open rules: an
// axis-parallel rectangle counts its right and top edges as inside, its left and bottom edges
// as outside (of its corners only the top right one is inside).
TVK_API double Polygon(const double* px, const double* py, const double* xx, const double* yy,
                       const int* n) {
    const int m = *n;
    if (m < 1) return -1.0;
    int inout = -1;
    for (int i = 0; i < m; ++i) {
        const int j = (i + 1) % m;
        const double xi = xx[i] - *px, yi = yy[i] - *py;
        const double xj = xx[j] - *px, yj = yy[j] - *py;
        if (yi < 0.0 && yj < 0.0) continue;
        if ((xi >= 0.0) == (xj >= 0.0)) continue;
        if (yi >= 0.0 && yj >= 0.0) {
            inout = -inout;
            continue;
        }
        const double c = (yi * xj - xi * yj) / (xj - xi);  // xj - xi != 0: opposite sides
        if (c > 0.0) inout = -inout;
        else if (c == 0.0) return 0.0;
    }
    return inout > 0 ? 0.0 : -1.0;
}

TVK_API int ProjectedPointInPolygon(const double* point, const double* xypairs,
                                    const double* theta, const double* refcoords,
                                    const double* refcos, const int* npoints) {
    if (*npoints < 1) return 0;
    double xy[2];
    GetPointOnXYPlane(xy, point, refcoords, refcos, theta);
    return within_unit(Polygon(&xy[0], &xy[1], xypairs, xypairs + *npoints, npoints)) ? 1 : 0;
}

TVK_API double Ellipse(const double* x, const double* y, const double* a, const double* b,
                       const double* xyorigin) {
    const double u = (*x - (xyorigin ? xyorigin[0] : 0.0)) / *a;
    const double v = (*y - (xyorigin ? xyorigin[1] : 0.0)) / *b;
    return u * u + v * v;
}

TVK_API double Rectangle(const double* x, const double* y, const double* a, const double* b,
                         const double* xyorigin) {
    const double u = std::fabs(*x - (xyorigin ? xyorigin[0] : 0.0)) / std::fabs(*a);
    const double v = std::fabs(*y - (xyorigin ? xyorigin[1] : 0.0)) / std::fabs(*b);
    return std::max(u, v);
}

TVK_API int ProjectedPointInShape(const double* point, const double* a, const double* b,
                                  const double* theta, const double* refcoords,
                                  const double* refcos, const int* shapeid) {
    const double r = std::max(*a, *b);
    double xy[2];
    GetPointOnXYPlane(xy, point, refcoords, refcos, theta);
    double value;
    switch (*shapeid) {
        case 0: value = Ellipse(&xy[0], &xy[1], &r, &r, nullptr); break;
        case 2: value = Rectangle(&xy[0], &xy[1], &r, &r, nullptr); break;
        case 3: value = Rectangle(&xy[0], &xy[1], a, b, nullptr); break;
        default: value = Ellipse(&xy[0], &xy[1], a, b, nullptr); break;
    }
    return within_unit(value) ? 1 : 0;
}

// t is the length of the projection of p - a on the segment direction; the foot of the
// perpendicular lies on the segment when 0 < t < |b - a|, and h is then the perpendicular
// distance, otherwise the distance to the nearer end. The code is then formed by three tests
// applied one after the other, each on the h the previous one left: h = proximity gives 1
// (which the next test turns into 2 when proximity < 1), h > proximity gives h + 1 (far: the
// code exceeds 1), proximity > h gives h / |p - a| (near: the sine of the angle between p - a
// and the segment, 0 for p = a). A segment of zero length measures the distance to a.
TVK_API double Line(const double* x, const double* y, const double* a, const double* b,
                    const double* proximity) {
    const double prox = proximity ? *proximity : 1e-5;
    const double ux = *x - a[0], uy = *y - a[1];
    const double sx = b[0] - a[0], sy = b[1] - a[1];
    const double len = std::hypot(sx, sy);
    const double t = len > 0.0 ? (ux * sx + uy * sy) / len : 0.0;
    const double dist = std::hypot(ux, uy);
    double h;
    if (t <= 0.0) h = dist;
    else if (t >= len) h = std::hypot(*x - b[0], *y - b[1]);
    else h = std::fabs(ux * sy - uy * sx) / len;  // = sqrt(dist^2 - t^2), without cancellation
    if (h == prox) h = 1.0;
    if (h > prox) h = h + 1.0;
    if (prox > h) h = dist > 0.0 ? h / dist : 0.0;
    return h;
}
