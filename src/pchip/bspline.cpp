// B-spline form of a piecewise cubic Hermite function and evaluation of B-spline series (pchip.h):
// double knots at the nodes make the cubic B-splines of the series span the Hermite cubics, with
// coefficients f -+ (knot spacing) d / 3; the evaluation is de Boor's recurrence (C. de Boor, "On
// calculating with B-splines", J. Approx. Theory 6 (1972) 50-62; D. E. Amos, "Computation with
// splines and B-splines", Sandia report SAND78-1968, 1979).
#include <cstddef>

#include "pchip/hermite.h"
#include "pchip/pchip.h"

namespace tvk::pchip {

template <class R>
void pchkt(int n, const R* x, int knotyp, R* t) {
    if (n < 1) return;
    const int ndim = 2 * n;
    for (int k = 1; k <= n; ++k) {
        t[2 * k] = x[k - 1];
        t[2 * k + 1] = x[k - 1];
    }
    // End knots; the widths of the end intervals exist only from two nodes on.
    const R hbeg = n >= 2 ? x[1] - x[0] : R(0);
    const R hend = n >= 2 ? x[n - 1] - x[n - 2] : R(0);
    if (knotyp == 1) {  // extrapolating
        t[1] = x[0] - hbeg;
        t[ndim + 2] = x[n - 1] + hend;
    } else if (knotyp == 2) {  // periodic
        t[1] = x[0] - hend;
        t[ndim + 2] = x[n - 1] + hbeg;
    } else {  // quadruple end knots
        t[1] = x[0];
        t[ndim + 2] = x[n - 1];
    }
    t[0] = t[1];
    t[ndim + 3] = t[ndim + 2];
}

template <class R>
void pchbs(int n, const R* x, const R* fv, const R* dv, int incfd, int knotyp, int& nknots, R* t,
           R* bcoef, int& ndim, int& kord, int& ierr) {
    const std::string_view routine = name<R>("DPCHBS");
    ndim = 2 * n;
    kord = 4;
    ierr = 0;
    if (knotyp > 2) {
        ierr = -1;
        fail(routine, "KNOTYP GREATER THAN 2", ierr);
        return;
    }
    if (knotyp < 0 && nknots != ndim + 4) {
        ierr = -2;
        fail(routine, "KNOTYP.LT.0 AND NKNOTS.NE.(2*N+4)", ierr);
        return;
    }
    // Nothing below may read outside x, f and d.
    if (n < 2) {
        ierr = -3;
        fail(routine, "NUMBER OF DATA POINTS LESS THAN TWO", ierr);
        return;
    }
    if (incfd < 1) {
        ierr = -4;
        fail(routine, "INCREMENT LESS THAN ONE", ierr);
        return;
    }
    if (knotyp >= 0) {
        nknots = ndim + 4;
        pchkt<R>(n, x, knotyp, t);
    }
    const Strided<const R> f{fv, incfd};
    const Strided<const R> d{dv, incfd};
    R hnew = t[2] - t[0];
    for (int k = 1; k <= n; ++k) {
        const int kk = 2 * k;
        const R hold = hnew;
        const R dov3 = d(k) / R(3);
        bcoef[kk - 2] = f(k) - hold * dov3;
        hnew = t[kk + 2] - t[kk];
        bcoef[kk - 1] = f(k) + hnew * dov3;
    }
}

template <class R>
void intrv(const R* xt, int lxt, R x, int& ilo, int& ileft, int& mflag) {
    auto at = [&](int i) { return xt[i - 1]; };
    auto left_of_all = [&] {
        mflag = -1;
        ileft = 1;
    };
    auto right_of_all = [&] {
        mflag = 1;
        ileft = lxt;
    };
    if (lxt < 1) return left_of_all();   // an empty sequence: nothing to read
    if (ilo < 1) ilo = 1;                // a remembered interval from elsewhere: start at the left
    int ihi = ilo < lxt ? ilo + 1 : lxt;
    if (ihi >= lxt) {
        if (x >= at(lxt)) return right_of_all();
        if (lxt <= 1) return left_of_all();
        ilo = lxt - 1;
        ihi = lxt;
    }
    bool ran_off = true;  // the search reached the end of the sequence
    if (x < at(ihi)) {
        if (x >= at(ilo)) {
            mflag = 0;
            ileft = ilo;
            return;
        }
        // Search downwards with doubling steps.
        for (int istep = 1;; istep *= 2) {
            ihi = ilo;
            ilo = ihi - istep;
            if (ilo <= 1) break;
            if (x >= at(ilo)) {
                ran_off = false;
                break;
            }
        }
        if (ran_off) {
            ilo = 1;
            if (x < at(1)) return left_of_all();
        }
    } else {
        // Search upwards with doubling steps.
        for (int istep = 1;; istep *= 2) {
            ilo = ihi;
            ihi = ilo + istep;
            if (ihi >= lxt) break;
            if (x < at(ihi)) {
                ran_off = false;
                break;
            }
        }
        if (ran_off) {
            if (x >= at(lxt)) return right_of_all();
            ihi = lxt;
        }
    }
    // Bisection of at(ilo) <= x < at(ihi).
    for (;;) {
        const int middle = (ilo + ihi) / 2;
        if (middle == ilo) {
            mflag = 0;
            ileft = ilo;
            return;
        }
        if (x < at(middle)) ihi = middle;
        else ilo = middle;
    }
}

template <class R>
R bvalu(const R* t, const R* a, int n, int k, int ideriv, R x, int& inbv, R* work) {
    auto report = [](const char* message) {
        fail(name<R>("DBVALU"), message, 2);
        return R(0);
    };
    if (k < 1) return report("K DOES NOT SATISFY K.GE.1");
    if (n < k) return report("N DOES NOT SATISFY N.GE.K");
    if (ideriv < 0 || ideriv >= k) return report("IDERIV DOES NOT SATISFY 0.LE.IDERIV.LT.K");
    auto tt = [&](int i) { return t[i - 1]; };
    auto w = [&](int i) -> R& { return work[i - 1]; };

    int i = 0, mflag = 0;
    intrv<R>(t, n + 1, x, inbv, i, mflag);
    if (x < tt(k)) return report("X IS N0T GREATER THAN OR EQUAL TO T(K)");
    if (mflag != 0) {
        if (x > tt(i)) return report("X IS NOT LESS THAN OR EQUAL TO T(N+1)");
        // x = t(n+1): the left limit, from the last interval of positive length.
        do {
            if (i == k) return report("A LEFT LIMITING VALUE CANNOT BE OBTAINED AT T(K)");
            --i;
        } while (x == tt(i));
    }

    // The k coefficients that act on [t(i), t(i+1)), differenced ideriv times.
    const int imk = i - k;
    for (int j = 1; j <= k; ++j) w(j) = a[imk + j - 1];
    for (int j = 1; j <= ideriv; ++j) {
        const int kmj = k - j;
        const R fkmj = static_cast<R>(kmj);
        for (int jj = 1; jj <= kmj; ++jj) {
            const int ihi = i + jj;
            w(jj) = (w(jj + 1) - w(jj)) / (tt(ihi) - tt(ihi - kmj)) * fkmj;
        }
    }
    if (ideriv == k - 1) return w(1);

    // De Boor's recurrence on the remaining order.
    const int kpk = k + k;
    for (int j = 1; j <= k - ideriv; ++j) {
        w(j + k) = tt(i + j) - x;
        w(kpk + j) = x - tt(i - j + 1);
    }
    for (int j = ideriv + 1; j <= k - 1; ++j) {
        const int kmj = k - j;
        int ilo = kmj;
        for (int jj = 1; jj <= kmj; ++jj) {
            w(jj) = (w(jj + 1) * w(kpk + ilo) + w(jj) * w(k + jj)) / (w(kpk + ilo) + w(k + jj));
            --ilo;
        }
    }
    return w(1);
}

#define TVK_INSTANTIATE(R)                                                                        \
    template void pchkt<R>(int, const R*, int, R*);                                               \
    template void pchbs<R>(int, const R*, const R*, const R*, int, int, int&, R*, R*, int&, int&, \
                           int&);                                                                 \
    template void intrv<R>(const R*, int, R, int&, int&, int&);                                   \
    template R bvalu<R>(const R*, const R*, int, int, int, R, int&, R*);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, P)                                                                         \
    TVK_API void P##pchkt(const int* n, const R* x, const int* knotyp, R* t) {                    \
        tvk::pchip::pchkt<R>(*n, x, *knotyp, t);                                                  \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchbs(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          const int* knotyp, int* nknots, R* t, R* bcoef, int* ndim, int* kord,   \
                          int* ierr) {                                                            \
        int nk = *nknots, nd = 0, ko = 0, e = 0;                                                  \
        tvk::pchip::pchbs<R>(*n, x, f, d, *incfd, *knotyp, nk, t, bcoef, nd, ko, e);              \
        *nknots = nk;                                                                             \
        *ndim = nd;                                                                               \
        *kord = ko;                                                                               \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API R P##bvalu(const R* t, const R* a, const int* n, const int* k, const int* ideriv,     \
                       const R* x, int* inbv, R* work) {                                          \
        return tvk::pchip::bvalu<R>(t, a, *n, *k, *ideriv, *x, *inbv, work);                      \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##intrv(const R* xt, const int* lxt, const R* x, int* ilo, int* ileft,          \
                          int* mflag) {                                                           \
        tvk::pchip::intrv<R>(xt, *lxt, *x, *ilo, *ileft, *mflag);                      \
    }
TVK_ENTRIES(double, d)
TVK_ENTRIES(float, )
