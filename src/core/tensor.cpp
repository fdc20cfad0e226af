#include "tensor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "errors.h"

namespace {

// Column-major 3 x 3 element (i, j), 0-based.
inline double& el(double* m, int i, int j) { return m[i + 3 * j]; }
inline double el(const double* m, int i, int j) { return m[i + 3 * j]; }

// R(n, alpha) into r (column-major), n used as given.
void rotation(double* r, const double* n, double alpha) {
    const double c = std::cos(alpha), s = std::sin(alpha), t = 1.0 - c;
    const double nx = n[0], ny = n[1], nz = n[2];
    el(r, 0, 0) = c + nx * nx * t;
    el(r, 1, 0) = nx * ny * t + nz * s;
    el(r, 2, 0) = nx * nz * t - ny * s;
    el(r, 0, 1) = nx * ny * t - nz * s;
    el(r, 1, 1) = c + ny * ny * t;
    el(r, 2, 1) = ny * nz * t + nx * s;
    el(r, 0, 2) = nx * nz * t + ny * s;
    el(r, 1, 2) = ny * nz * t - nx * s;
    el(r, 2, 2) = c + nz * nz * t;
}

constexpr double xaxis[3] = {1.0, 0.0, 0.0};

// The rotation axis of the tensor rotations: n0 when present and nonzero, else the x axis. A
// zero axis defines no rotation, and callers that cannot omit the argument (the Python binding
// passes a zero-filled vector for an omitted one) get the default this way.
const double* axis_or_x(const double* n0) {
    if (n0 && (n0[0] != 0.0 || n0[1] != 0.0 || n0[2] != 0.0)) return n0;
    return xaxis;
}

}  // namespace

TVK_API void GetRotationMatrix(double* trot, const double* n, const double* alpha_r) {
    double r[9];
    rotation(r, n, *alpha_r);
    std::copy(r, r + 9, trot);
}

TVK_API void GetTransformationMatrix(double* tbase, const double* nx, const double* ny,
                                     const double* nz) {
    double t[9];
    for (int j = 0; j < 3; ++j) {
        el(t, 0, j) = nx[j];
        el(t, 1, j) = ny[j];
        el(t, 2, j) = nz[j];
    }
    std::copy(t, t + 9, tbase);
}

// Angles of the factorisation r = Rz(phi) Ry(theta) Rx(psi) (yaw-pitch-roll). Only r(3,1)
// exactly +-1 is taken as gimbal lock; close to it the cosine in the divisions approaches 0
// and the angles lose accuracy.
TVK_API void GetEulerRotation(double* eul, const double* r) {
    const double r31 = el(r, 2, 0);
    if (r31 == -1.0) {
        eul[0] = std::atan2(el(r, 0, 1), el(r, 0, 2)) * tvk::rad2deg;
        eul[1] = 90.0;
        eul[2] = 0.0;
    } else if (r31 == 1.0) {
        eul[0] = std::atan2(-el(r, 0, 1), -el(r, 0, 2)) * tvk::rad2deg;
        eul[1] = -90.0;
        eul[2] = 0.0;
    } else {
        const double a = std::asin(r31);
        const double c = std::cos(a);
        const double psi = std::atan2(el(r, 2, 1) / c, el(r, 2, 2) / c);
        const double phi = std::atan2(el(r, 1, 0) / c, el(r, 0, 0) / c);
        eul[0] = psi * tvk::rad2deg;
        eul[1] = -a * tvk::rad2deg;
        eul[2] = phi * tvk::rad2deg;
    }
}

TVK_API void TensorTransformation2nd(const double* tensin, double* tensout, const double* tbase) {
    double ta[9] = {}, out[9] = {};
    for (int j = 0; j < 3; ++j)  // ta = tbase tensin
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i) el(ta, i, j) += el(tbase, i, k) * el(tensin, k, j);
    for (int j = 0; j < 3; ++j)  // out = ta tbase^T
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i) el(out, i, j) += el(ta, i, k) * el(tbase, j, k);
    std::copy(out, out + 9, tensout);
}

// output(i,j) = sum over m,n of R(m,i) R(n,j) input(m,n): the components of the tensor in the
// frame rotated by angle_r about n0.
TVK_API void TensorRotation2nd(const double* input_2nd, double* output_2nd, const double* angle_r,
                               const double* n0) {
    double r[9];
    rotation(r, axis_or_x(n0), *angle_r);
    double out[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double s = 0.0;
            for (int n = 0; n < 3; ++n)
                for (int m = 0; m < 3; ++m) s += el(r, m, i) * el(r, n, j) * el(input_2nd, m, n);
            el(out, i, j) = s;
        }
    std::copy(out, out + 9, output_2nd);
}

// output(i,j,k,l) = sum over m,n,o,p of R(m,i) R(n,j) R(o,k) R(p,l) input(m,n,o,p). The sum is
// factored into four successive single-index contractions (972 multiplications instead of
// 531441); the result equals the quadruple sum up to rounding in the last bits.
TVK_API void TensorRotation4th(const double* input_4th, double* output_4th, const double* angle_r,
                               const double* n0) {
    double r[9];
    rotation(r, axis_or_x(n0), *angle_r);
    double a[81], b[81];
    std::copy(input_4th, input_4th + 81, a);
    // Index d (0..3) has stride 3^d; each pass replaces index d: b(.., i_d, ..) = sum_m R(m,i_d)
    // a(.., m, ..).
    int stride = 1;
    for (int d = 0; d < 4; ++d, stride *= 3) {
        for (int idx = 0; idx < 81; ++idx) {
            const int id = (idx / stride) % 3;
            const int base = idx - id * stride;
            double s = 0.0;
            for (int m = 0; m < 3; ++m) s += el(r, m, id) * a[base + m * stride];
            b[idx] = s;
        }
        std::copy(b, b + 81, a);
    }
    std::copy(a, a + 81, output_4th);
}

TVK_API void tensormultiplication(const double* t_4th, const double* t_2nd, double* out_2nd) {
    double out[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            double s = 0.0;
            for (int l = 0; l < 3; ++l)
                for (int k = 0; k < 3; ++k) s += t_4th[i + 3 * j + 9 * k + 27 * l] * t_2nd[k + 3 * l];
            el(out, i, j) = s;
        }
    std::copy(out, out + 9, out_2nd);
}

TVK_API void CoordinateRotation(const double* a, const double* p, double* prot,
                                const double* alpha_d) {
    double r[9];
    rotation(r, a, *alpha_d * tvk::deg2rad);
    double out[3];
    for (int i = 0; i < 3; ++i) out[i] = el(r, i, 0) * p[0] + el(r, i, 1) * p[1] + el(r, i, 2) * p[2];
    std::copy(out, out + 3, prot);
}

TVK_API void CoordinateTranslation(const double* a, const double* p, double* ptrans) {
    const double out[3] = {p[0] + a[0], p[1] + a[1], p[2] + a[2]};
    std::copy(out, out + 3, ptrans);
}

TVK_API void CoordinateReflection(const double* na, const double* nb, const double* p,
                                  double* pref) {
    double out[3];
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) {
            const double m = 2.0 * (na[i] * na[j] + nb[i] * nb[j]) - (i == j ? 1.0 : 0.0);
            s += m * p[j];
        }
        out[i] = s;
    }
    std::copy(out, out + 3, pref);
}

// ppro = p - ((p - r0) . n / (n . n)) n with n = u x v. Parallel u, v give n = 0 and a
// non-finite result.
TVK_API void CoordinateProjection(const double* u, const double* v, const double* p, double* ppro,
                                  const double* r0) {
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double o[3] = {r0 ? r0[0] : 0.0, r0 ? r0[1] : 0.0, r0 ? r0[2] : 0.0};
    double dn = 0.0, nn = 0.0;
    for (int i = 0; i < 3; ++i) {
        dn += (p[i] - o[i]) * n[i];
        nn += n[i] * n[i];
    }
    const double f = dn / nn;
    const double out[3] = {p[0] - f * n[0], p[1] - f * n[1], p[2] - f * n[2]};
    std::copy(out, out + 3, ppro);
}

// One minimum and one maximum over all points and all dimensions together (NaN entries are
// passed over); tmax = tmin gives a non-finite result.
TVK_API void CoordinateNormalization(const double* p, double* pnorm, const double* interval,
                                     const int* np, const int* ndim) {
    if (*ndim < 1 || *np < 1) return;
    const std::int64_t total = static_cast<std::int64_t>(*np) * *ndim;
    double tmin = tvk::huge, tmax = -tvk::huge;
    bool any = false;
    for (std::int64_t k = 0; k < total; ++k) {
        if (std::isnan(p[k])) continue;
        if (!any || p[k] < tmin) tmin = p[k];
        if (!any || p[k] > tmax) tmax = p[k];
        any = true;
    }
    if (!any) tmin = tmax = std::nan("");
    const double span = interval[1] - interval[0];
    for (std::int64_t k = 0; k < total; ++k) pnorm[k] = (p[k] - tmin) / (tmax - tmin) * span + interval[0];
}

TVK_API void GetABVector(double* v, const double* a, const double* b, const int* n) {
    for (int i = 0; i < *n; ++i) v[i] = b[i] - a[i];
}

namespace {
// The shoelace sum over the edges i -> i+1 plus the closing edge n -> 1 (0 for a closed list),
// on coordinates relative to the first point: its products are then of the polygon's own size.
// Products of absolute coordinates carry a rounding of eps times the squared distance from the
// origin, which swamps the area of a small polygon far from it (mesh coordinates in mm).
double shoelace_sum(const double* x, const double* y, int n) {
    const double x0 = x[0], y0 = y[0];
    double s = 0.0, xi = x[0] - x0, yi = y[0] - y0;  // point i relative to the first point
    for (int i = 0; i + 1 < n; ++i) {
        const double xj = x[i + 1] - x0, yj = y[i + 1] - y0;
        s += xi * yj - xj * yi;
        xi = xj;
        yi = yj;
    }
    return s + xi * (y[0] - y0) - yi * (x[0] - x0);
}
}  // namespace

TVK_API double ShoelaceMethod(const double* x, const double* y, const int* n) {
    if (*n < 3) return 0.0;
    return std::fabs(shoelace_sum(x, y, *n)) / 2.0;
}

// c = (sum (x_i + x_i+1) f_i, sum (y_i + y_i+1) f_i) / (6 A) with f_i = x_i y_i+1 - x_i+1 y_i
// over the edges of the closed outline and A the signed area; dividing by the signed area makes
// the result independent of the orientation. A zero area leaves c unwritten and is reported.
// As the area, the sums are formed relative to the first point, and the centroid moved back.
TVK_API void GetCentroid(double* c, const double* x, const double* y, const int* n) {
    const int m = *n;
    const double area = m < 1 ? 0.0 : shoelace_sum(x, y, m) / 2.0;
    if (area == 0.0) {
        tvk::report(-2, "GetCentroid: polygon has zero area, no centroid", m, 0, 0.0, 0.0,
                    "GetCentroid");
        return;
    }
    const bool closed = x[0] == x[m - 1] && y[0] == y[m - 1];
    const int nedges = closed ? m - 1 : m;
    const double x0 = x[0], y0 = y[0];
    double cx = 0.0, cy = 0.0, xi = x[0] - x0, yi = y[0] - y0;
    for (int i = 0; i < nedges; ++i) {
        const int j = (i + 1) % m;
        const double xj = x[j] - x0, yj = y[j] - y0;
        const double f = xi * yj - xj * yi;
        cx += (xi + xj) * f;
        cy += (yi + yj) * f;
        xi = xj;
        yi = yj;
    }
    c[0] = x0 + cx / (6.0 * area);
    c[1] = y0 + cy / (6.0 * area);
}

TVK_API double gettrianglearea(const double* x1, const double* y1, const double* x2,
                               const double* y2, const double* x3, const double* y3) {
    // (x1 y2 + x2 y3 + x3 y1 - x2 y1 - x3 y2 - x1 y3)/2 with the first point moved to the origin,
    // so that the products are of the triangle's size, not of its distance from the origin.
    const double u2 = *x2 - *x1, v2 = *y2 - *y1, u3 = *x3 - *x1, v3 = *y3 - *y1;
    return (u2 * v3 - u3 * v2) / 2.0;
}

TVK_API void GetBoundingBoxFromEllipse(double* xybound, const double* a, const double* b,
                                       const double* phi_d) {
    const double c = std::cos(*phi_d * tvk::deg2rad), s = std::sin(*phi_d * tvk::deg2rad);
    const double a2 = *a * *a, b2 = *b * *b;
    const double bx = std::sqrt(a2 * c * c + b2 * s * s);
    const double by = std::sqrt(a2 * s * s + b2 * c * c);
    xybound[0] = bx;
    xybound[1] = by;
}

TVK_API void GetRadiusOfEllipse(double* r, const double* a, const double* b, const double* phi_d) {
    const double c = std::cos(*phi_d * tvk::deg2rad), s = std::sin(*phi_d * tvk::deg2rad);
    *r = *a * *b / std::sqrt(*b * *b * c * c + *a * *a * s * s);
}

// Closed-form parabola through three points; coincident abscissas give non-finite values.
TVK_API void GetParabolaCoefficients(const double* ind, double* oud) {
    const double x1 = ind[0], x2 = ind[1], x3 = ind[2];
    const double y1 = ind[3], y2 = ind[4], y3 = ind[5];
    const double b = ((y2 - y3) * (x1 * x1 - x2 * x2) - (x2 * x2 - x3 * x3) * (y1 - y2)) /
                     ((x2 - x3) * (x1 - x3) * (x1 - x2));
    const double a = ((y1 - y2) - (x1 - x2) * b) / (x1 * x1 - x2 * x2);
    const double c = y1 - a * x1 * x1 - b * x1;
    oud[0] = a;
    oud[1] = b;
    oud[2] = c;
}

// Histogram of the series in classes k = 1, 2, ... of width classsize with upper bounds
// t_k = k classsize; the share of class k is the number of values not above t_k divided by the
// number of usable values (those below the largest double; NaN and the unset marker are left
// out). The chosen class is the first one whose share is the smallest share >= percentile/100;
// as the shares never decrease with k, that is the first class whose share reaches it, found
// here by bisection over k. The result is the first integer value of that class,
// (k - 1) classsize + 1; a single value is returned as it is.
// Refused with a -2 report: ndim < 1, classsize < 1, no usable value, more classes than a double
// counts exactly; a percentile no class reaches (above 100) gives the "no class" value
// 1 - classsize, also with a -2 report.
TVK_API void getpercentile(const double* array, const int* ndim, const double* percentile,
                           double* event, const int* classsize) {
    const int n = *ndim;
    if (n < 1) {
        *event = 0.0;
        tvk::report(-2, "getpercentile: empty series", n, 0, 0.0, 0.0, "getpercentile");
        return;
    }
    if (n == 1) {
        *event = array[0];
        return;
    }
    const int cs = *classsize;
    if (cs < 1) {
        *event = 0.0;
        tvk::report(-2, "getpercentile: class size must be positive", cs, 0, 0.0, 0.0,
                    "getpercentile");
        return;
    }
    std::vector<double> s;
    s.reserve(n);
    for (int i = 0; i < n; ++i)
        if (array[i] < tvk::huge) s.push_back(array[i]);  // NaN fails the comparison too
    const double noclass = 1.0 - cs;
    if (s.empty()) {
        *event = noclass;
        tvk::report(-2, "getpercentile: no usable value in the series", n, 0, 0.0, 0.0,
                    "getpercentile");
        return;
    }
    std::sort(s.begin(), s.end());  // NaN was left out above
    const double total = static_cast<double>(s.size());
    const double nclasses = std::trunc(s.back() / cs) + 1.0;
    if (!(nclasses < 9007199254740992.0)) {  // 2^53
        *event = noclass;
        tvk::report(-2, "getpercentile: too many classes", cs, 0, s.back(), 0.0, "getpercentile");
        return;
    }
    const double target = *percentile / 100.0;
    auto share = [&](std::int64_t k) {
        const double t = static_cast<double>(k) * cs;
        const auto count = std::upper_bound(s.begin(), s.end(), t) - s.begin();
        return static_cast<double>(count) / total;
    };
    const std::int64_t last = static_cast<std::int64_t>(nclasses);
    if (last < 1 || !(share(last) >= target)) {
        *event = noclass;
        tvk::report(-2, "getpercentile: percentile reached by no class", cs, 0, *percentile, 0.0,
                    "getpercentile");
        return;
    }
    std::int64_t lo = 1, hi = last;  // share(hi) >= target
    while (lo < hi) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (share(mid) >= target) hi = mid;
        else lo = mid + 1;
    }
    *event = static_cast<double>(hi - 1) * cs + 1.0;
}
