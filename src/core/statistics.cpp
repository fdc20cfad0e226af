#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "errors.h"
#include "matrix_repair.h"

namespace {

// Min-max scaling of `total` entries with one minimum and one maximum, NaN passed over; an
// array without a number scales everything to NaN, a constant one divides by 0.
void minmax_scale(const double* x, double* z, std::int64_t total) {
    double lo = std::numeric_limits<double>::quiet_NaN(), hi = lo;
    for (std::int64_t k = 0; k < total; ++k) {
        if (std::isnan(x[k])) continue;
        if (std::isnan(lo) || x[k] < lo) lo = x[k];
        if (std::isnan(hi) || x[k] > hi) hi = x[k];
    }
    for (std::int64_t k = 0; k < total; ++k) z[k] = (x[k] - lo) / (hi - lo);
}

double dot(const double* a, const double* b, int n) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
}

constexpr double two52 = 4503599627370496.0;  // beyond 2^52 every double is an integer

// +1 when y is a positive multiple of x, -1 when a negative one, 0 otherwise (or undecided).
// Against the entry x_k of largest modulus, y_i x_k = x_i y_k is tested exactly: the rounding
// error of each product is recovered by a fused multiply-add, which is exact where the product
// lies well above the subnormal range (a pair of zero entries is proportional as it stands,
// smaller products leave the question undecided). Where the rounded products and their errors
// agree, the vectors are proportional or off by less than eps^2 relative, far below the angle's
// rounding. Vectors far from 1 in size are first scaled by powers of two (exact where no entry
// drops into the subnormal range, which is checked), so that their products stay in range.
int multiple_sign(const double* x, const double* y, int n) {
    if (n < 1) return 0;
    // Proportional entries give equal exact cross products, hence equal rounded ones: a cheap
    // test that turns nearly every other pair away at once.
    if (n > 1 && !(x[0] * y[1] == x[1] * y[0])) return 0;
    int k = 0;
    double ymax = std::fabs(y[0]);
    for (int i = 1; i < n; ++i) {
        if (std::fabs(x[i]) > std::fabs(x[k])) k = i;
        ymax = std::max(ymax, std::fabs(y[i]));
    }
    if (!(std::isfinite(x[k]) && std::isfinite(ymax) && x[k] != 0.0 && y[k] != 0.0)) return 0;
    const bool scaled = !(std::fabs(x[k]) >= 0x1p-400 && std::fabs(x[k]) <= 0x1p400 && ymax >= 0x1p-400 &&
                          ymax <= 0x1p400);
    const int ex = scaled ? std::ilogb(x[k]) : 0, ey = scaled ? std::ilogb(ymax) : 0;
    bool exact = true;
    const auto scale = [&](double v, int e) {
        if (!scaled) return v;
        const double w = std::ldexp(v, -e);
        exact = exact && std::ldexp(w, e) == v;
        return w;
    };
    const double xk = scale(x[k], ex), yk = scale(y[k], ey);
    for (int i = 0; i < n; ++i) {
        if (i == k || (x[i] == 0.0 && y[i] == 0.0)) continue;
        const double xi = scale(x[i], ex), yi = scale(y[i], ey);
        const double p = yi * xk;
        if (!exact || !(std::fabs(p) >= 0x1p-969 && std::fabs(p) <= std::numeric_limits<double>::max())) return 0;
        if (xi * yk != p || std::fma(xi, yk, -p) != std::fma(yi, xk, -p)) return 0;
    }
    return (xk > 0.0) == (yk > 0.0) ? 1 : -1;
}

}  // namespace

TVK_API void VectorNormalize(const double* x, double* z, const int* n) {
    if (*n > 0) minmax_scale(x, z, *n);
}

TVK_API void MatrixNormalize(const double* x, double* z, const int* n, const int* m) {
    if (*n > 0 && *m > 0) minmax_scale(x, z, static_cast<std::int64_t>(*n) * *m);
}

TVK_API int Monoticity(const double* x, const int* n) {
    const int m = *n;
    bool sdec = true, sinc = true, ninc = true, ndec = true;
    for (int i = 0; i + 1 < m; ++i) {
        const double a = x[i], b = x[i + 1];
        sdec = sdec && b < a;
        sinc = sinc && b > a;
        ninc = ninc && b <= a;
        ndec = ndec && b >= a;
    }
    // The strictly decreasing test comes first, so a series of fewer than 2 values gives -2;
    // a constant series is non-increasing before it is non-decreasing.
    if (sdec) return -2;
    if (sinc) return 2;
    if (ninc) return -1;
    if (ndec) return 1;
    return 0;
}

// Scaled by a power of two where the sum of squares would overflow or underflow.
TVK_API double EuclideanDistance(const double* x, const double* y, const int* n) {
    return tvk::la::distance2(x, y, std::max(*n, 0));
}

// The angle between the unit vectors u = x/|x| and v = y/|y| (scaled norms): in three
// dimensions atan2(|u x v|, u . v), otherwise 2 atan2(|u - v|, |u + v|). Both keep the angle's
// digits where the arccosine of the cosine loses them (below about 1e-8 rad, where the cosine
// rounds to 1, and near pi). Parallel vectors give 0, a zero vector (or none) NaN. Exactly
// proportional vectors give 0, or pi for a negative multiple, exactly: the normalisation rounds
// u and v apart by an ulp, which the formulas would read as an angle of about 1e-16.
TVK_API double EuclideanAngle(const double* x, const double* y, const int* n) {
    const int m = std::max(*n, 0);
    if (m == 0) return std::numeric_limits<double>::quiet_NaN();
    if (const int s = multiple_sign(x, y, m)) return s > 0 ? 0.0 : std::numbers::pi;
    const double lx = tvk::la::distance2(x, nullptr, m), ly = tvk::la::distance2(y, nullptr, m);
    if (m == 3) {
        const double u[3] = {x[0] / lx, x[1] / lx, x[2] / lx}, v[3] = {y[0] / ly, y[1] / ly, y[2] / ly};
        const double w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        return std::atan2(std::sqrt(dot(w, w, 3)), dot(u, v, 3));
    }
    double dm = 0.0, dp = 0.0;
    for (int i = 0; i < m; ++i) {
        const double u = x[i] / lx, v = y[i] / ly;
        dm += (u - v) * (u - v);
        dp += (u + v) * (u + v);
    }
    return 2.0 * std::atan2(std::sqrt(dm), std::sqrt(dp));
}

// The length is scaled where the squares would overflow or underflow.
TVK_API void GetUnitVector(double* xu, const double* x, const int* n) {
    const int m = std::max(*n, 0);
    const double len = tvk::la::distance2(x, nullptr, m);
    for (int i = 0; i < m; ++i) xu[i] = x[i] / len;
}

// The length of b is scaled where its squares would overflow or underflow.
TVK_API double ScalarProjection(const double* a, const double* b, const int* n) {
    const int m = std::max(*n, 0);
    const double len = tvk::la::distance2(b, nullptr, m);
    double s = 0.0;
    for (int i = 0; i < m; ++i) s += a[i] * (b[i] / len);
    return s;
}

TVK_API double MeanAbsoluteError(const double* x, const double* y, const int* n) {
    double s = 0.0;
    for (int i = 0; i < *n; ++i) s += std::fabs(x[i] - y[i]);
    return s / *n;
}

TVK_API double RootMeanSquareError(const double* x, const double* y, const int* n) {
    return std::sqrt(1.0 / *n) * EuclideanDistance(x, y, n);
}

// ln(x + sqrt(x^2 + 1)), evaluated on |x| with the sign put back (asinh is odd), since the sum
// cancels for negative x. Up to |x| = 2 as log1p(a + a^2 / (1 + sqrt(1 + a^2))), which keeps the
// digits of small |x|; above as ln(2a + 1 / (a + sqrt(a^2 + 1))); from 2^28 on, where a^2 + 1
// rounds to a^2 (and a^2 overflows later), as ln(a) + ln 2. Below 2^-28 the cubic term a^3/6 is
// under half a rounding of a, so x itself is the result (-0 stays -0).
TVK_API double dasinh(const double* x) {
    const double a = std::fabs(*x);
    if (a < 0x1p-28) return *x;
    double r;
    if (a <= 2.0)
        r = std::log1p(a + a * a / (1.0 + std::sqrt(1.0 + a * a)));
    else if (a <= 0x1p28)
        r = std::log(2.0 * a + 1.0 / (a + std::sqrt(a * a + 1.0)));
    else
        r = std::log(a) + std::numbers::ln2;  // also +inf for an infinite x, NaN for NaN
    return std::copysign(r, *x);
}
// ln(x + sqrt(x^2 - 1)) as written is within an ulp from 2 on, until x^2 overflows at 2^512; from
// there on, where sqrt(x^2 - 1) is x to far below the rounding, as ln(x) + ln 2. Below 2 the form
// stays: its error there is that of x^2 - 1 near 1, which the function's own conditioning makes
// (a relative change of x near 1 changes acosh(x) by about 1/(2(x - 1)) times as much). Arguments
// below 1 give NaN; -1e200 and the like give +inf, from the overflowing x^2.
TVK_API double dacosh(const double* x) {
    if (*x >= 0x1p512) return std::log(*x) + std::numbers::ln2;  // +inf for an infinite x
    return std::log(*x + std::sqrt(*x * *x - 1.0));
}

// ln((1 + x) / (1 - x)) / 2, whose quotient rounds to 1 + 2x and loses the digits of small |x| (0
// below 5.6e-17). Below |x| = 1/4 (odd, so on |x| with the sign put back) as
// log1p(2a + 2a^2 / (1 - a)) / 2, whose argument keeps every digit of 2a; below 2^-28 the cubic
// term x^3/3 is under half a rounding of x, so x itself is the result (-0 stays -0). From 1/4 on
// the quotient form is within 3 ulp and stays; |x| = 1 gives +-inf, |x| > 1 and NaN give NaN.
TVK_API double datanh(const double* x) {
    const double a = std::fabs(*x);
    if (a < 0x1p-28) return *x;
    if (a < 0.25) return std::copysign(0.5 * std::log1p(2.0 * a + 2.0 * a * a / (1.0 - a)), *x);
    return std::log((1.0 + *x) / (1.0 - *x)) / 2.0;
}

// ln((x + 1) / (x - 1)) / 2, whose quotient tends to 1 for large |x| and cancels (0 from |x| of
// about 1e16 on). From |x| = 8 on (odd, on |x| with the sign put back) as log1p(2 / (a - 1)) / 2,
// where a - 1 is exact below 2^53 and the quotient is the one rounding; an infinite x gives 0, the
// limit. Below 8 the quotient form is within 4 ulp and stays; |x| = 1 gives +-inf, |x| < 1 and NaN
// give NaN.
TVK_API double dacoth(const double* x) {
    const double a = std::fabs(*x);
    if (a >= 8.0) return std::copysign(0.5 * std::log1p(2.0 / (a - 1.0)), *x);
    return std::log((*x + 1.0) / (*x - 1.0)) / 2.0;
}

TVK_API double fishertransformation(const double* x, const int* iflag) {
    if (!iflag || *iflag == -1) return datanh(x);
    return std::tanh(*x);
}

// Truncation, not rounding: droundsf(-1.27, 1) = -1.2. Values whose scaled magnitude reaches
// 2^52 have no fractional digits left at that scale and are returned unchanged.
TVK_API double droundsf(const double* a, const int* sig) {
    const double f = sig ? std::pow(10.0, *sig) : 1e8;
    const double af = *a * f;
    if (!(std::fabs(af) < two52)) return *a;
    return std::trunc(af) / f;
}

// Deliberately not the ceiling: the integer part plus one, so whole numbers move up by one
// (2.0 gives 3.0) and negative values move toward zero first (-1.5 gives 0.0).
TVK_API double dceil(const double* a) {
    if (!(std::fabs(*a) < two52)) return *a + 1.0;
    return std::trunc(*a) + 1.0;
}

TVK_API double trapezoidintegration(const double* x, const int* nx, const double* y,
                                    const int* ny) {
    const int n = *nx;
    if (n < 2) return 0.0;
    if (*ny < n) {
        tvk::report(-2, "trapezoidintegration: y is shorter than x", n, *ny, 0.0, 0.0,
                    "trapezoidintegration");
        return 0.0;
    }
    double s = 0.0;
    for (int i = 0; i + 1 < n; ++i) s += (x[i + 1] - x[i]) * (y[i + 1] + y[i]) / 2.0;
    return s;
}

TVK_API void Gradient(double* jac, const double* dy, const double* dx, const int* a, const int* b) {
    const int na = *a, nb = *b;
    if (na < 1 || nb < 1) return;
    for (int j = 0; j < nb; ++j)
        for (int i = 0; i < na; ++i) {
            const std::int64_t k = i + static_cast<std::int64_t>(na) * j;
            jac[k] = dy[k] / dx[j];
        }
}

TVK_API void ComplexStepDerivative(double* derivative, const tvk::cplx* y, const tvk::cplx* x, const int* n) {
    for (int i = 0; i < *n; ++i) derivative[i] = y[i].imag() / x[i].imag();
}

TVK_API void CentralStepDerivative(double* derivative, const double* y, const double* x,
                                   const int* n) {
    const int m = *n;
    if (m < 1) return;
    if (m == 1) {  // no neighbour to difference with
        derivative[0] = 0.0;
        tvk::report(-2, "CentralStepDerivative: at least two points are needed", m, 0, 0.0, 0.0,
                    "CentralStepDerivative");
        return;
    }
    derivative[0] = (y[1] - y[0]) / (x[1] - x[0]);
    for (int i = 1; i + 1 < m; ++i) derivative[i] = (y[i + 1] - y[i - 1]) / (x[i + 1] - x[i - 1]);
    derivative[m - 1] = (y[m - 1] - y[m - 2]) / (x[m - 1] - x[m - 2]);
}

namespace tvk {

// For n < 0 the generalised coefficient is C(n, k) = (-1)^k C(k - n - 1, k); for m >= 0 the
// symmetry C(m, k) = C(m, m - k) keeps the recurrence short. The recurrence
// c_(i+1) = c_i (m - i) / (i + 1) divides exactly at every step (C(m, i) (m - i) =
// C(m, i + 1) (i + 1)); the product is formed in 128 bits, and once a coefficient leaves the
// 64-bit range the recurrence goes on in double precision (where it overflows to infinity
// after at most a few hundred further steps).
double binomial(std::int64_t n, std::int64_t k) {
    if (k < 1) return 1.0;
    double sign = 1.0;
    std::int64_t m = n;
    if (n < 0) {
        m = k - n - 1;
        if (k % 2 != 0) sign = -1.0;
    }
    if (m < k) return 0.0;
    const std::int64_t j = std::min(k, m - k);
    std::int64_t c = 1;
    std::int64_t i = 0;
    for (; i < j; ++i) {
        const __int128 q = static_cast<__int128>(c) * (m - i) / (i + 1);
        if (q > std::numeric_limits<std::int64_t>::max()) break;
        c = static_cast<std::int64_t>(q);
    }
    if (i == j) return sign * static_cast<double>(c);
    double d = static_cast<double>(c);
    for (; i < j && std::isfinite(d); ++i)
        d = d * static_cast<double>(m - i) / static_cast<double>(i + 1);
    return sign * d;
}

}  // namespace tvk

TVK_API double PascalTriangle(const int* n, const int* k) { return tvk::binomial(*n, *k); }

TVK_API double EffectiveArcLength(const double* oa, const double* ob, const double* curvature,
                                  const int* n) {
    const double chord = EuclideanDistance(oa, ob, n);
    if (*curvature == 0.0) return chord;
    const double r = 1.0 / *curvature;
    return 2.0 * r * std::asin(chord / (2.0 * r));
}

TVK_API void PolarTransformation(const double* cartesian, double* polar, const int* n,
                                 const double* phi0) {
    const int m = *n;
    if (m < 1) return;
    if (m < 2) {  // a single coordinate has no angle
        polar[0] = 0.0;
        tvk::report(-2, "PolarTransformation: at least two coordinates are needed", m, 0, 0.0,
                    0.0, "PolarTransformation");
        return;
    }
    const double x = cartesian[0], y = cartesian[1];
    const double r = std::hypot(x, y);
    const double phi = (x == 0.0 && y == 0.0) ? (phi0 ? *phi0 : 0.0) : std::atan2(y, x);
    for (int i = m - 1; i >= 2; --i) polar[i] = cartesian[i];
    polar[0] = r;
    polar[1] = phi;
}
