// Derivatives of the cubic spline interpolant (twice continuously differentiable) through a
// table, under end conditions, for the piecewise cubic Hermite routines (pchip.h); the
// tridiagonal system of the node derivatives after C. de Boor, "A practical guide to splines",
// Springer 1978, chapter IV. The end derivative of the k-point polynomial (`pchdf`) serves the
// end conditions 3 and 4 here and in `pchce`.
#include <cstddef>

#include "pchip/hermite.h"
#include "pchip/pchip.h"

namespace tvk::pchip {

template <class R>
R pchdf(int k, const R* x, R* s, int& ierr) {
    if (k < 3) {
        ierr = -1;
        fail(name<R>("DPCHDF"), "K LESS THAN THREE", ierr);
        return R(0);
    }
    // Divided differences of increasing order in place (1-based s(i), x(i)).
    for (int j = 2; j <= k - 1; ++j)
        for (int i = 1; i <= k - j; ++i) s[i - 1] = (s[i] - s[i - 1]) / (x[i + j - 1] - x[i - 1]);
    // The derivative of the Newton form at x(k).
    R value = s[0];
    for (int i = 2; i <= k - 1; ++i) value = s[i - 1] + value * (x[k - 1] - x[i - 1]);
    ierr = 0;
    return value;
}

template <class R>
void pchsp(const int* ic, const R* vc, int n, const R* x, const R* fv, R* dv, int incfd, R* wkv,
           int nwk, int& ierr) {
    const std::string_view routine = name<R>("DPCHSP");
    if (!valid_nodes<R>(routine, n, x, incfd, ierr)) return;
    int ibeg = ic[0], iend = ic[1];
    ierr = 0;
    if (ibeg < 0 || ibeg > 4) ierr -= 1;
    if (iend < 0 || iend > 4) ierr -= 2;
    if (ierr < 0) {
        ierr -= 3;
        fail(routine, "IC OUT OF RANGE", ierr);
        return;
    }
    if (nwk < 2 * n) {
        ierr = -7;
        fail(routine, "WORK ARRAY TOO SMALL", ierr);
        return;
    }

    const Strided<const R> f{fv, incfd};
    const Strided<R> d{dv, incfd};
    auto xx = [&](int i) { return x[i - 1]; };
    // wk(2, n): wk(1, j) first the width of interval j-1, later the super-diagonal of row j;
    // wk(2, j) first the slope of interval j-1, later the diagonal of row j.
    auto wk = [&](int r, int j) -> R& { return wkv[2 * static_cast<std::ptrdiff_t>(j - 1) + r - 1]; };
    auto singular = [&] {
        ierr = -8;
        fail(routine, "SINGULAR LINEAR SYSTEM", ierr);
    };

    for (int j = 2; j <= n; ++j) {
        wk(1, j) = xx(j) - xx(j - 1);
        wk(2, j) = (f(j) - f(j - 1)) / wk(1, j);
    }
    if (ibeg > n) ibeg = 0;
    if (iend > n) iend = 0;

    // End derivatives given (codes 1, 2) or taken from the polynomial through the end points.
    if (ibeg == 1 || ibeg == 2) {
        d(1) = vc[0];
    } else if (ibeg > 2) {
        R xtemp[4], stemp[3];
        for (int j = 1; j <= ibeg; ++j) {
            xtemp[j - 1] = xx(ibeg - j + 1);
            if (j < ibeg) stemp[j - 1] = wk(2, ibeg - j + 1);
        }
        int ierd = 0;
        d(1) = pchdf<R>(ibeg, xtemp, stemp, ierd);
        if (ierd != 0) {
            ierr = -9;
            fail(routine, pick<R>("ERROR RETURN FROM DPCHDF", "ERROR RETURN FROM PCHDF"), ierr);
            return;
        }
        ibeg = 1;
    }
    if (iend == 1 || iend == 2) {
        d(n) = vc[1];
    } else if (iend > 2) {
        R xtemp[4], stemp[3];
        for (int j = 1; j <= iend; ++j) {
            xtemp[j - 1] = xx(n - iend + j);
            if (j < iend) stemp[j - 1] = wk(2, n - iend + j + 1);
        }
        int ierd = 0;
        d(n) = pchdf<R>(iend, xtemp, stemp, ierd);
        if (ierd != 0) {
            ierr = -9;
            fail(routine, pick<R>("ERROR RETURN FROM DPCHDF", "ERROR RETURN FROM PCHDF"), ierr);
            return;
        }
        iend = 1;
    }

    // First equation: wk(2,1) d(1) + wk(1,1) d(2) = d(1).
    if (ibeg == 0) {
        if (n == 2) {  // the straight line
            wk(2, 1) = R(1);
            wk(1, 1) = R(1);
            d(1) = R(2) * wk(2, 2);
        } else {  // not-a-knot
            wk(2, 1) = wk(1, 3);
            wk(1, 1) = wk(1, 2) + wk(1, 3);
            d(1) = ((wk(1, 2) + R(2) * wk(1, 1)) * wk(2, 2) * wk(1, 3) + wk(1, 2) * wk(1, 2) * wk(2, 3)) /
                   wk(1, 1);
        }
    } else if (ibeg == 1) {  // slope given
        wk(2, 1) = R(1);
        wk(1, 1) = R(0);
    } else {  // second derivative given
        wk(2, 1) = R(2);
        wk(1, 1) = R(1);
        d(1) = R(3) * wk(2, 2) - R(0.5) * wk(1, 2) * d(1);
    }

    // Forward elimination over the interior rows: h(j) d(j-1) + 2 (h(j-1) + h(j)) d(j) +
    // h(j-1) d(j+1) = 3 (h(j-1) slope(j) + h(j) slope(j-1)).
    for (int j = 2; j <= n - 1; ++j) {
        if (wk(2, j - 1) == R(0)) return singular();
        const R g = -wk(1, j + 1) / wk(2, j - 1);
        d(j) = g * d(j - 1) + R(3) * (wk(1, j) * wk(2, j + 1) + wk(1, j + 1) * wk(2, j));
        wk(2, j) = g * wk(1, j - 1) + R(2) * (wk(1, j) + wk(1, j + 1));
    }

    // Last equation, eliminated against row n-1.
    bool last_row = true;
    R g = R(0);
    if (iend == 1) {
        last_row = false;
    } else if (iend == 0 && n == 2 && ibeg == 0) {
        d(2) = wk(2, 2);
        last_row = false;
    } else if (iend == 0 && (n == 2 || (n == 3 && ibeg == 0))) {
        // Too few points for not-a-knot: the parabola (or line) through them.
        d(n) = R(2) * wk(2, n);
        wk(2, n) = R(1);
        if (wk(2, n - 1) == R(0)) return singular();
        g = -R(1) / wk(2, n - 1);
    } else if (iend == 0) {  // not-a-knot
        g = wk(1, n - 1) + wk(1, n);
        // The slope of interval n-2 again from f: its place in wk holds a diagonal by now.
        d(n) = ((wk(1, n) + R(2) * g) * wk(2, n) * wk(1, n - 1) +
                wk(1, n) * wk(1, n) * (f(n - 1) - f(n - 2)) / wk(1, n - 1)) /
               g;
        if (wk(2, n - 1) == R(0)) return singular();
        g = -g / wk(2, n - 1);
        wk(2, n) = wk(1, n - 1);
    } else {  // second derivative given
        d(n) = R(3) * wk(2, n) + R(0.5) * wk(1, n) * d(n);
        wk(2, n) = R(2);
        if (wk(2, n - 1) == R(0)) return singular();
        g = -R(1) / wk(2, n - 1);
    }
    if (last_row) {
        wk(2, n) = g * wk(1, n - 1) + wk(2, n);
        if (wk(2, n) == R(0)) return singular();
        d(n) = (g * d(n - 1) + d(n)) / wk(2, n);
    }

    // Back substitution.
    for (int j = n - 1; j >= 1; --j) {
        if (wk(2, j) == R(0)) return singular();
        d(j) = (d(j) - wk(1, j) * d(j + 1)) / wk(2, j);
    }
}

#define TVK_INSTANTIATE(R)                                                                        \
    template R pchdf<R>(int, const R*, R*, int&);                                                 \
    template void pchsp<R>(const int*, const R*, int, const R*, const R*, R*, int, R*, int, int&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, P)                                                                         \
    TVK_API R P##pchdf(const int* k, const R* x, R* s, int* ierr) {                               \
        int e = 0;                                                                                \
        const R v = tvk::pchip::pchdf<R>(*k, x, s, e);                                            \
        *ierr = e;                                                                                \
        return v;                                                                                 \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchsp(const int* ic, const R* vc, const int* n, const R* x, const R* f, R* d, \
                          const int* incfd, R* wk, const int* nwk, int* ierr) {                   \
        int e = 0;                                                                                \
        tvk::pchip::pchsp<R>(ic, vc, *n, x, f, d, *incfd, wk, *nwk, e);                           \
        *ierr = e;                                                                                \
    }
TVK_ENTRIES(double, d)
TVK_ENTRIES(float, )
