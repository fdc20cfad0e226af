// Monotonicity of a piecewise cubic Hermite function, interval by interval (pchip.h): a cubic
// with end slopes d1, d2 on an interval of secant slope delta is monotone exactly when
// (d1/delta, d2/delta) lies in the region of F. N. Fritsch and R. E. Carlson, SIAM J. Numer.
// Anal. 17 (1980) 238-246 (the square (0,3)^2 together with the ellipse
// (a-2)^2 + (b-2)^2 + (a-2)(b-2) = 3 inside (0,4)^2).
#include <cmath>

#include "pchip/hermite.h"
#include "pchip/pchip.h"
#include "pchip/utilities.h"

namespace tvk::pchip {

template <class R>
int chfcm(R d1, R d2, R delta) {
    // Band around the region's boundary in which the answer is left to rounding (code +-3).
    const R eps = R(10) * mach<R>(4);
    if (delta == R(0)) return d1 == R(0) && d2 == R(0) ? 0 : 2;
    const int itrue = delta > R(0) ? 1 : -1;
    const R a = d1 / delta;
    const R b = d2 / delta;
    if (a < R(0) || b < R(0)) return 2;
    if (a <= R(3) - eps && b <= R(3) - eps) return itrue;
    if (a > R(4) + eps && b > R(4) + eps) return 2;
    const R am = a - R(2);
    const R bm = b - R(2);
    const R phi = ((am * am + bm * bm) + am * bm) - R(3);
    if (phi < -eps) return itrue;
    if (phi > eps) return 2;
    return 3 * itrue;
}

template <class R>
void pchcm(int n, const R* x, const R* fv, const R* dv, int incfd, bool& skip, int* ismon,
           int& ierr) {
    // As for the evaluators, skipped checks still cover the count and the stride.
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes<R>(name<R>("DPCHCM"), n, x, incfd, ierr)) return;
    }
    skip = true;
    const Strided<const R> f{fv, incfd};
    const Strided<const R> d{dv, incfd};
    for (int i = 1; i <= n - 1; ++i) {
        const R delta = (f(i + 1) - f(i)) / (x[i] - x[i - 1]);
        const int c = chfcm(d(i), d(i + 1), delta);
        ismon[i - 1] = c;
        int& whole = ismon[n - 1];
        if (i == 1) {
            whole = c;
        } else if (c == whole || c == 0 || whole == 2) {
            // unchanged
        } else if (c == 2 || whole == 0) {
            whole = c;
        } else if (c * whole < 0) {
            whole = 2;
        } else {
            whole = whole > 0 ? 3 : -3;  // same direction, one of them only within rounding
        }
    }
    ierr = 0;
}

#define TVK_INSTANTIATE(R)                                                                        \
    template int chfcm<R>(R, R, R);                                                               \
    template void pchcm<R>(int, const R*, const R*, const R*, int, bool&, int*, int&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, P)                                                                         \
    TVK_API int P##chfcm(const R* d1, const R* d2, const R* delta) {                              \
        return tvk::pchip::chfcm<R>(*d1, *d2, *delta);                                            \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchcm(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, int* ismon, int* ierr) {                                     \
        bool sk = *skip != 0;                                                                     \
        int e = 0;                                                                                \
        tvk::pchip::pchcm<R>(*n, x, f, d, *incfd, sk, ismon, e);                                  \
        *skip = sk ? 1 : 0;                                                                       \
        *ierr = e;                                                                                \
    }
TVK_ENTRIES(double, d)
TVK_ENTRIES(float, )
