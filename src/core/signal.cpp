#include "signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "errors.h"
#include "statistics.h"

// Peak detection with hysteresis (the "peakdet" scheme of E. Billauer, 2005): the running
// maximum is reported once the signal has fallen more than delta below it, and the running
// minimum once the signal has risen more than delta above it; the two searches alternate,
// starting with a maximum. A final extremum that is not followed by such a move is not reported.
TVK_API void GetPeaks(double* maxtab, double* mintab, int* nmaxpeaks, int* nminpeaks,
                      const double* v, const double* delta, const int* n, const double* x) {
    const int m = *n;
    *nmaxpeaks = 0;
    *nminpeaks = 0;
    if (m < 1) return;
    std::fill(maxtab, maxtab + 2 * static_cast<std::int64_t>(m), tvk::tiny);
    std::fill(mintab, mintab + 2 * static_cast<std::int64_t>(m), tvk::tiny);
    bool use_x = false;
    if (x)
        for (int i = 0; i < m && !use_x; ++i) use_x = x[i] != 0.0;
    double mx = -tvk::huge, mn = tvk::huge, mxpos = tvk::tiny, mnpos = tvk::tiny;
    const double d = std::fabs(*delta);
    bool look_for_max = true;
    int nmax = 0, nmin = 0;
    for (int i = 0; i < m; ++i) {
        const double s = v[i];
        const double t = use_x ? x[i] : static_cast<double>(i + 1);
        if (s > mx) {
            mx = s;
            mxpos = t;
        }
        if (s < mn) {
            mn = s;
            mnpos = t;
        }
        if (look_for_max) {
            if (s < mx - d) {  // each sample appends at most one row, so nmax < m here
                maxtab[nmax] = mxpos;
                maxtab[m + nmax] = mx;
                ++nmax;
                mn = s;
                mnpos = t;
                look_for_max = false;
            }
        } else if (s > mn + d) {
            mintab[nmin] = mnpos;
            mintab[m + nmin] = mn;
            ++nmin;
            mx = s;
            mxpos = t;
            look_for_max = true;
        }
    }
    *nmaxpeaks = nmax;
    *nminpeaks = nmin;
}

// The sum of the weighted samples is divided by the number of samples held, not by the sum of
// the weights: the weights scale the samples and are not normalised. A count outside [0, wb]
// is clamped into it (and reported), so the window is never written or read outside a(1..wb).
TVK_API void WeightedMovingAverage(double* sma, const double* rval, double* a, int* denom,
                                   const int* wb, const double* wi) {
    const int w = *wb;
    if (w < 1) {
        *sma = 0.0;
        tvk::report(-2, "WeightedMovingAverage: window of no samples", w, *denom, 0.0, 0.0,
                    "WeightedMovingAverage");
        return;
    }
    if (*denom < 0 || *denom > w) {
        tvk::report(-2, "WeightedMovingAverage: sample count outside the window", *denom, w, 0.0,
                    0.0, "WeightedMovingAverage");
        *denom = std::clamp(*denom, 0, w);
    }
    bool use_wi = false;
    if (wi) {
        double sum = 0.0;
        for (int i = 0; i < w; ++i) sum += wi[i];
        use_wi = sum != 0.0;
    }
    if (*denom < w) {
        ++*denom;
        a[*denom - 1] = *rval;
    } else {
        for (int i = 0; i + 1 < w; ++i) a[i] = a[i + 1];
        a[w - 1] = *rval;
    }
    double s = 0.0;
    for (int i = 0; i < *denom; ++i) s += (use_wi ? wi[i] : 1.0) * a[i];
    *sma = s / *denom;
}

TVK_API void CumulativeMovingAverage(double* cma, const double* x, const int* n) {
    *cma = (*cma * *n + *x) / (*n + 1.0);
}

TVK_API double GeneralSigmoidal(const double* x, const double* k) {
    return (*x - *x * *k) / (*k - 2.0 * *k * std::fabs(*x) + 1.0);
}

TVK_API double generallogistic(const double* x, const double* a, const double* k, const double* b,
                               const double* q, const double* v, const double* c) {
    const double cc = c ? *c : 1.0;
    return *a + (*k - *a) / std::pow(cc + *q * std::exp(-*b * *x), 1.0 / *v);
}

TVK_API double logistic(const double* x, const double* k, const double* x0, const double* l) {
    const double ll = l ? *l : 1.0;
    return ll / (1.0 + std::exp(-*k * (*x - *x0)));
}

// p = -huge gives the smallest and p = +huge the largest entry (NaN skipped); p = 0 the
// weighted geometric mean prod x_i^w_i; any other p the weighted power mean
// (sum w_i x_i^p)^(1/p). The weights are wi when present with a nonzero sum, else 1/n each
// (so an all-zero wi, which is what an omitted argument becomes at the Python boundary, means
// equal weights); they are used as given (a weighted mean proper needs weights summing to 1).
TVK_API double GeneralizedMean(const double* x, const double* p, const int* n, const double* wi) {
    const int m = *n;
    if (*p == -tvk::huge) {
        double r = tvk::huge;
        for (int i = 0; i < m; ++i)
            if (x[i] < r) r = x[i];
        return r;
    }
    if (*p == tvk::huge) {
        double r = -tvk::huge;
        for (int i = 0; i < m; ++i)
            if (x[i] > r) r = x[i];
        return r;
    }
    if (m < 1) return 0.0;
    const double equal = 1.0 / m;
    if (wi) {
        double sum = 0.0;
        for (int i = 0; i < m; ++i) sum += wi[i];
        if (sum == 0.0) wi = nullptr;
    }
    if (*p == 0.0) {
        double r = 1.0;
        for (int i = 0; i < m; ++i) r *= std::pow(x[i], wi ? wi[i] : equal);
        return r;
    }
    double s = 0.0;
    for (int i = 0; i < m; ++i) s += (wi ? wi[i] : equal) * std::pow(x[i], *p);
    return std::pow(s, 1.0 / *p);
}

TVK_API double LogarithmicBarrier(const double* x, const double* b) {
    return -std::log(std::max(*b - *x, tvk::eps));
}

// S_n(x) = sum over k = 0..n of C(-n-1, k) C(2n+1, n-k) x^(n+k+1) on x clamped to [0, 1]
// (the polynomial of degree 2n+1 with n vanishing derivatives at both ends). The alternating
// sum cancels heavily for large n: about log10 C(2n+1, n) digits are lost, so orders beyond
// about 20 lose most of their accuracy, and beyond about 500 the coefficients overflow; such a
// result is non-finite and reported.
TVK_API double GeneralSmoothStep(const double* x, const int* n) {
    const std::int64_t m = *n;
    if (m < 0) return 0.0;
    const double lo = 0.0, hi = 1.0;
    const double xc = fLimit(x, &lo, &hi);
    double s = 0.0;
    for (std::int64_t k = 0; k <= m; ++k) {
        const double coef = tvk::binomial(-m - 1, k) * tvk::binomial(2 * m + 1, m - k);
        if (!std::isfinite(coef)) {
            tvk::report(-2, "GeneralSmoothStep: order too large", *n, 0, *x, 0.0,
                        "GeneralSmoothStep");
            return std::nan("");
        }
        s += coef * std::pow(xc, static_cast<double>(m + k + 1));
    }
    return s;
}

TVK_API double fLimit(const double* x, const double* xlow, const double* xup) {
    if (*x > *xup) return *xup;
    return *x < *xlow ? *xlow : *x;
}

TVK_API int iLimit(const int* x, const int* xlow, const int* xup) {
    if (*x > *xup) return *xup;
    return std::max(*x, *xlow);
}

// Floor modulo (the result takes the sign of xmod) with 0 replaced by xmod, so for xmod > 0 the
// result lies in 1..xmod. Formed in 64 bits, which keeps x = INT_MIN, xmod = -1 defined.
TVK_API int mLimit(const int* x, const int* xmod) {
    const std::int64_t md = *xmod;
    if (md == 0) return 0;
    std::int64_t r = static_cast<std::int64_t>(*x) % md;
    if (r != 0 && ((r < 0) != (md < 0))) r += md;
    return static_cast<int>(r == 0 ? md : r);
}
