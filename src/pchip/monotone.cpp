// Monotone node derivatives with end conditions and control at extrema (pchip.h): F. N.
// Fritsch and R. E. Carlson, "Monotone piecewise cubic interpolation", SIAM J. Numer. Anal. 17
// (1980) 238-246; the initial derivatives after F. N. Fritsch and J. Butland, SIAM J. Sci. Stat.
// Comput. 5 (1984) 300-304; the excursion limit near extrema after F. N. Fritsch's report on the
// piecewise cubic Hermite interpolation package, LLNL report UCID-30194 (1982).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "pchip/hermite.h"
#include "pchip/pchip.h"
#include "pchip/utilities.h"

namespace tvk::pchip {

template <class R>
void pchci(int n, const R* h, const R* slope, R* dv, int incfd) {
    const Strided<R> d{dv, incfd};
    const int nless1 = n - 1;
    R del1 = slope[0];
    if (nless1 <= 1) {  // the straight line
        d(1) = del1;
        d(n) = del1;
        return;
    }
    R del2 = slope[1];
    R hsum = h[0] + h[1];
    d(1) = end_derivative(h[0], hsum, del1, del2);
    for (int i = 2; i <= nless1; ++i) {
        if (i > 2) {
            hsum = h[i - 2] + h[i - 1];
            del1 = del2;
            del2 = slope[i - 1];
        }
        d(i) = pchst(del1, del2) > R(0) ? interior_derivative(h[i - 2], h[i - 1], del1, del2) : R(0);
    }
    d(n) = end_derivative(h[n - 2], hsum, del2, del1);
}

template <class R>
void pchsw(R dfmax, int iextrm, R& d1, R& d2, R h, R slope, int& ierr) {
    const R third = TVK_REAL(R, 0.33333);
    const R small = R(100) * mach<R>(4);
    const std::string_view routine = name<R>("DPCHSW");
    auto invalid = [&] {
        ierr = -1;
        fail(routine, "D1 AND/OR D2 INVALID", ierr);
    };

    R rho, lambda = R(0), phi;
    if (d1 == R(0)) {
        // The cubic's extremum from its right end derivative alone.
        if (d2 == R(0)) return invalid();
        rho = slope / d2;
        if (rho >= third) {
            ierr = 0;
            return;
        }
        const R that = (R(2) * (R(3) * rho - R(1))) / (R(3) * (R(2) * rho - R(1)));
        phi = that * that * ((R(3) * rho - R(1)) / R(3));
    } else {
        rho = slope / d1;
        lambda = -d2 / d1;
        R cp, nu, that;
        if (d2 == R(0)) {
            if (rho >= third) {
                ierr = 0;
                return;
            }
            cp = R(2) - R(3) * rho;
            nu = R(1) - R(2) * rho;
            that = R(1) / (R(3) * nu);
        } else {
            if (lambda <= R(0)) return invalid();  // both derivatives of one sign
            nu = R(1) - lambda - R(2) * rho;
            const R sigma = R(1) - rho;
            cp = nu + sigma;
            if (std::fabs(nu) > small) {
                const R radcal = (nu - (R(2) * rho + R(1))) * nu + sigma * sigma;
                if (radcal < R(0)) {
                    ierr = -2;
                    fail(routine, "NEGATIVE RADICAL", ierr);
                    return;
                }
                that = (cp - std::sqrt(radcal)) / (R(3) * nu);
            } else {
                that = R(1) / (R(2) * sigma);
            }
        }
        phi = that * ((nu * that - cp) * that + R(1));
    }
    if (iextrm != 1) phi -= rho;
    const R hphi = h * std::fabs(phi);
    if (d1 == R(0)) {
        if (hphi * std::fabs(d2) > dfmax) d2 = std::copysign(dfmax / hphi, d2);
    } else if (hphi * std::fabs(d1) > dfmax) {
        d1 = std::copysign(dfmax / hphi, d1);
        d2 = -lambda * d1;
    }
    ierr = 0;
}

template <class R>
void pchcs(R sw, int n, const R* h, const R* slope, R* dv, int incfd, int& ierr) {
    constexpr R fudge = R(4);
    const Strided<R> d{dv, incfd};
    auto hh = [&](int j) { return h[j - 1]; };
    auto s = [&](int j) { return slope[j - 1]; };
    // Weighted average of the slopes of intervals j and j+1.
    auto avg = [&](int j) { return (hh(j + 1) * s(j) + hh(j) * s(j + 1)) / (hh(j) + hh(j + 1)); };
    ierr = 0;
    const int nless1 = n - 1;
    for (int i = 2; i <= nless1; ++i) {
        int k;
        R wtave[2] = {R(0), R(0)};
        const R sign = pchst(s(i - 1), s(i));
        if (sign < R(0)) {
            // The data switch monotonicity at x(i); an up-down-up pattern is left alone.
            if (i > 2 && pchst(s(i - 2), s(i)) > R(0)) continue;
            if (i < nless1 && pchst(s(i + 1), s(i - 1)) > R(0)) continue;
            const R dext = avg(i - 1);
            const R where = pchst(dext, s(i - 1));
            if (where == R(0)) continue;
            if (where < R(0)) {  // the extremum lies in interval i-1
                k = i - 1;
                wtave[1] = dext;
                if (k > 1) wtave[0] = avg(k - 1);
            } else {  // in interval i
                k = i;
                wtave[0] = dext;
                if (k < nless1) wtave[1] = avg(k);
            }
        } else if (sign == R(0)) {
            // A flat piece between slopes of opposite signs: a flat-topped extremum.
            if (!(i < nless1 && pchst(s(i - 1), s(i + 1)) < R(0))) continue;
            k = i;
            wtave[0] = avg(k - 1);
            wtave[1] = avg(k);
        } else {
            continue;
        }

        // Move the derivatives at the ends of interval k towards the weighted averages.
        R slmax = std::fabs(s(k));
        if (k > 1) slmax = std::max(slmax, std::fabs(s(k - 1)));
        if (k < nless1) slmax = std::max(slmax, std::fabs(s(k + 1)));
        R del[3] = {R(0), s(k) / slmax, R(0)};
        if (k > 1) del[0] = s(k - 1) / slmax;
        if (k < nless1) del[2] = s(k + 1) / slmax;
        if (k > 1 && k < nless1) {
            R fact = fudge * std::fabs(del[2] * (del[0] - del[1]) * wtave[1] / slmax);
            d(k) = d(k) + std::min(fact, R(1)) * (wtave[0] - d(k));
            fact = fudge * std::fabs(del[0] * (del[2] - del[1]) * wtave[0] / slmax);
            d(k + 1) = d(k + 1) + std::min(fact, R(1)) * (wtave[1] - d(k + 1));
        } else {
            const R fact = fudge * std::fabs(del[1]);
            d(i) = std::min(fact, R(1)) * wtave[i - k];
        }

        // A positive switch also bounds the overshoot.
        if (sw <= R(0)) continue;
        R dfloc = hh(k) * std::fabs(s(k));
        if (k > 1) dfloc = std::max(dfloc, hh(k - 1) * std::fabs(s(k - 1)));
        if (k < nless1) dfloc = std::max(dfloc, hh(k + 1) * std::fabs(s(k + 1)));
        R dk = d(k), dk1 = d(k + 1);
        pchsw<R>(sw * dfloc, i - k + 1, dk, dk1, hh(k), s(k), ierr);
        d(k) = dk;
        d(k + 1) = dk1;
        if (ierr != 0) return;
    }
}

template <class R>
void pchce(const int* ic, const R* vc, int n, const R* x, const R* h, const R* slope, R* dv,
           int incfd, int& ierr) {
    const Strided<R> d{dv, incfd};
    auto hh = [&](int j) { return h[j - 1]; };
    auto s = [&](int j) { return slope[j - 1]; };
    int ibeg = ic[0], iend = ic[1];
    ierr = 0;
    if (std::abs(ibeg) > n) ibeg = 0;
    if (std::abs(iend) > n) iend = 0;

    auto pchdf_failed = [&] {
        ierr = -1;
        fail(name<R>("DPCHCE"), pick<R>("ERROR RETURN FROM DPCHDF", "ERROR RETURN FROM PCHDF"), ierr);
    };
    // A negative code: the end derivative made compatible with monotonicity, each change
    // counted by `step`.
    auto monotone_end = [&](R& dend, R send, int step) {
        if (send == R(0)) {
            if (dend != R(0)) {
                dend = R(0);
                ierr += step;
            }
        } else if (pchst(dend, send) < R(0)) {
            dend = R(0);
            ierr += step;
        } else if (std::fabs(dend) > R(3) * std::fabs(send)) {
            dend = R(3) * send;
            ierr += step;
        }
    };

    if (ibeg != 0) {
        const int k = std::abs(ibeg);
        if (k == 1) {
            d(1) = vc[0];
        } else if (k == 2) {
            d(1) = R(0.5) * ((R(3) * s(1) - d(2)) - R(0.5) * vc[0] * hh(1));
        } else if (k < 5) {
            R xtemp[4], stemp[3];
            for (int j = 1; j <= k; ++j) {
                xtemp[j - 1] = x[k - j];
                if (j < k) stemp[j - 1] = s(k - j);
            }
            int ierd = 0;
            const R v = pchdf<R>(k, xtemp, stemp, ierd);
            if (ierd != 0) return pchdf_failed();
            d(1) = v;
        } else {  // not-a-knot
            d(1) = (R(3) * (hh(1) * s(2) + hh(2) * s(1)) - R(2) * (hh(1) + hh(2)) * d(2) -
                    hh(1) * d(3)) /
                   hh(2);
        }
        if (ibeg < 0) {
            R d1 = d(1);
            monotone_end(d1, s(1), 1);
            d(1) = d1;
        }
    }

    if (iend != 0) {
        const int k = std::abs(iend);
        if (k == 1) {
            d(n) = vc[1];
        } else if (k == 2) {
            d(n) = R(0.5) * ((R(3) * s(n - 1) - d(n - 1)) + R(0.5) * vc[1] * hh(n - 1));
        } else if (k < 5) {
            R xtemp[4], stemp[3];
            for (int j = 1; j <= k; ++j) {
                xtemp[j - 1] = x[n - k + j - 1];
                if (j < k) stemp[j - 1] = s(n - k + j);
            }
            int ierd = 0;
            const R v = pchdf<R>(k, xtemp, stemp, ierd);
            if (ierd != 0) return pchdf_failed();
            d(n) = v;
        } else {  // not-a-knot
            d(n) = (R(3) * (hh(n - 1) * s(n - 2) + hh(n - 2) * s(n - 1)) -
                    R(2) * (hh(n - 1) + hh(n - 2)) * d(n - 1) - hh(n - 1) * d(n - 2)) /
                   hh(n - 2);
        }
        if (iend < 0) {
            R dn = d(n);
            monotone_end(dn, s(n - 1), 2);
            d(n) = dn;
        }
    }
}

template <class R>
void pchic(const int* ic, const R* vc, R sw, int n, const R* x, const R* fv, R* d, int incfd,
           R* wk, int nwk, int& ierr) {
    const std::string_view routine = name<R>("DPCHIC");
    if (!valid_nodes<R>(routine, n, x, incfd, ierr)) return;
    const int ibeg = ic[0], iend = ic[1];
    ierr = 0;
    if (std::abs(ibeg) > 5) ierr -= 1;
    if (std::abs(iend) > 5) ierr -= 2;
    if (ierr < 0) {
        ierr -= 3;
        fail(routine, "IC OUT OF RANGE", ierr);
        return;
    }
    const int nless1 = n - 1;
    if (nwk < 2 * nless1) {
        ierr = -7;
        fail(routine, "WORK ARRAY TOO SMALL", ierr);
        return;
    }

    // h and slopes of the intervals into wk(1..n-1) and wk(n..2n-2).
    const Strided<const R> f{fv, incfd};
    R* h = wk;
    R* slope = wk + nless1;
    for (int i = 1; i <= nless1; ++i) {
        h[i - 1] = x[i] - x[i - 1];
        slope[i - 1] = (f(i + 1) - f(i)) / h[i - 1];
    }

    if (nless1 > 1) {
        pchci<R>(n, h, slope, d, incfd);
        if (sw != R(0)) {
            pchcs<R>(sw, n, h, slope, d, incfd, ierr);
            if (ierr != 0) {
                ierr = -8;
                fail(routine, pick<R>("ERROR RETURN FROM DPCHCS", "ERROR RETURN FROM PCHCS"), ierr);
                return;
            }
        }
    } else {
        const Strided<R> dd{d, incfd};
        dd(1) = slope[0];
        dd(n) = slope[0];
    }

    if (ibeg != 0 || iend != 0) {
        pchce<R>(ic, vc, n, x, h, slope, d, incfd, ierr);
        if (ierr < 0) {
            ierr = -9;
            fail(routine, pick<R>("ERROR RETURN FROM DPCHCE", "ERROR RETURN FROM PCHCE"), ierr);
        }
    }
}

#define TVK_INSTANTIATE(R)                                                                        \
    template void pchci<R>(int, const R*, const R*, R*, int);                                     \
    template void pchsw<R>(R, int, R&, R&, R, R, int&);                                           \
    template void pchcs<R>(R, int, const R*, const R*, R*, int, int&);                            \
    template void pchce<R>(const int*, const R*, int, const R*, const R*, const R*, R*, int, int&); \
    template void pchic<R>(const int*, const R*, R, int, const R*, const R*, R*, int, R*, int, int&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, P)                                                                         \
    TVK_API void P##pchic(const int* ic, const R* vc, const R* sw, const int* n, const R* x,      \
                          const R* f, R* d, const int* incfd, R* wk, const int* nwk, int* ierr) { \
        int e = 0;                                                                                \
        tvk::pchip::pchic<R>(ic, vc, *sw, *n, x, f, d, *incfd, wk, *nwk, e);                      \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    /* The exported routine checks its counts as the table routines do (the package's own */     \
    /* callers pass checked ones): n < 2 and incfd < 1 are reported, d is left untouched.  */     \
    TVK_API void P##pchci(const int* n, const R* h, const R* slope, R* d, const int* incfd) {     \
        int e = 0;                                                                                \
        if (tvk::pchip::valid_counts(tvk::pchip::name<R>("DPCHCI"), *n, *incfd, e))               \
            tvk::pchip::pchci<R>(*n, h, slope, d, *incfd);                                        \
    }                                                                                             \
                                                                                                  \
    /* pchcs and pchce check their counts the same way, with the numbers in ierr. */             \
    TVK_API void P##pchcs(const R* sw, const int* n, const R* h, const R* slope, R* d,            \
                          const int* incfd, int* ierr) {                                          \
        int e = 0;                                                                                \
        if (tvk::pchip::valid_counts(tvk::pchip::name<R>("DPCHCS"), *n, *incfd, e))               \
            tvk::pchip::pchcs<R>(*sw, *n, h, slope, d, *incfd, e);                                \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchce(const int* ic, const R* vc, const int* n, const R* x, const R* h,       \
                          const R* slope, R* d, const int* incfd, int* ierr) {                    \
        int e = 0;                                                                                \
        if (tvk::pchip::valid_counts(tvk::pchip::name<R>("DPCHCE"), *n, *incfd, e))               \
            tvk::pchip::pchce<R>(ic, vc, *n, x, h, slope, d, *incfd, e);                          \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchsw(const R* dfmax, const int* iextrm, R* d1, R* d2, const R* h,            \
                          const R* slope, int* ierr) {                                            \
        int e = 0;                                                                                \
        tvk::pchip::pchsw<R>(*dfmax, *iextrm, *d1, *d2, *h, *slope, e);                           \
        *ierr = e;                                                                                \
    }
TVK_ENTRIES(double, d)
TVK_ENTRIES(float, )
