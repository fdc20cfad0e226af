// Signal processing helpers (module `signalprocessing`): peak detection with hysteresis,
// running averages, sigmoid-type transfer functions, the generalised (power) mean, a
// logarithmic barrier, the generalised smoothstep and the clamping functions.
#pragma once

#include "tvk.h"

// Peaks of v(1..n) that stand out by more than |delta| from the neighbouring extremes:
// maxtab(n,2) and mintab(n,2) receive (position, value) rows, nmaxpeaks and nminpeaks their
// counts; rows beyond the counts hold the smallest normal double. Positions are x(1..n) when x
// is present and holds a nonzero entry, else the sample numbers 1..n.
TVK_API void GetPeaks(double* maxtab, double* mintab, int* nmaxpeaks, int* nminpeaks,
                      const double* v, const double* delta, const int* n, const double* x);
// Pushes rval into the window a(wb) holding denom samples and returns in sma the weighted sum
// of the held samples divided by their count (weights wi when present with a nonzero sum,
// else 1).
TVK_API void WeightedMovingAverage(double* sma, const double* rval, double* a, int* denom,
                                   const int* wb, const double* wi);
// cma = (cma n + x) / (n + 1).
TVK_API void CumulativeMovingAverage(double* cma, const double* x, const int* n);
// (x - x k) / (k - 2 k |x| + 1).
TVK_API double GeneralSigmoidal(const double* x, const double* k);
// a + (k - a) / (c + q exp(-b x))^(1/v), c absent: 1.
TVK_API double generallogistic(const double* x, const double* a, const double* k, const double* b,
                               const double* q, const double* v, const double* c);
// l / (1 + exp(-k (x - x0))), l absent: 1.
TVK_API double logistic(const double* x, const double* k, const double* x0, const double* l);
// Weighted power mean of x(1..n) with exponent p: the smallest entry for p = -huge, the largest
// for p = +huge, the weighted geometric mean for p = 0, (sum w x^p)^(1/p) otherwise; weights wi
// when present with a nonzero sum, else 1/n each.
TVK_API double GeneralizedMean(const double* x, const double* p, const int* n, const double* wi);
// -ln(max(b - x, eps)).
TVK_API double LogarithmicBarrier(const double* x, const double* b);
// Smoothstep polynomial of order n on the clamped argument.
TVK_API double GeneralSmoothStep(const double* x, const int* n);
// xup when x > xup, else max(x, xlow).
TVK_API double fLimit(const double* x, const double* xlow, const double* xup);
TVK_API int iLimit(const int* x, const int* xlow, const int* xup);
// x wrapped into 1..xmod (floor modulo, 0 mapped to xmod); 0 when xmod = 0.
TVK_API int mLimit(const int* x, const int* xmod);
