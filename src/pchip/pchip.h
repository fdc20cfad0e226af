// Piecewise cubic Hermite interpolation (the PCHIP package of F. N. Fritsch, Lawrence Livermore
// National Laboratory, 1982; the monotone derivatives after F. N. Fritsch and J. Butland, "A
// method for constructing local monotone piecewise cubic interpolants", SIAM J. Sci. Stat.
// Comput. 5 (1984) 300-304; the constrained derivatives after F. N. Fritsch and R. E. Carlson,
// "Monotone piecewise cubic interpolation", SIAM J. Numer. Anal. 17 (1980) 238-246), with its
// B-spline companion (C. de Boor, "A practical guide to splines", Springer 1978).
//
// A piecewise cubic Hermite function is given by strictly increasing nodes x(1..n), values f and
// derivatives d at the nodes; on [x(i), x(i+1)] it is the cubic with those end values and slopes.
// The derivatives `pchim` chooses keep the interpolant monotone wherever the data are monotone;
// `pchsp` gives those of the twice continuously differentiable cubic spline, `pchic` monotone
// ones with end conditions and control at extrema.
//
// Every routine is a template on its real type (real.h): the double routine carries a leading D
// (`dpchim`, `dchfev`, `dbvalu`), its single-precision twin does not (`pchim`, `chfev`,
// `bvalu`); the C++ names `dpchim` ... below are the double instances.
//
// f and d are read with a stride incfd: value i is f(1, i) of an array declared f(incfd, n).
// `skip` (in/out) true on input skips the validation of the node data; every routine that takes
// it sets it to true on return. Input errors are reported through `xermsg` (library "SLATEC",
// the routine's name in capitals, level 1; level 2 for the internal failures of the
// evaluators); under the handler's initial control flag every such report ends the process with
// exit status 1, so a caller sees the negative ierr codes only after `xsetf` changed the flag.
//
// ierr: 0 normal; `pchim` the number of changes of monotonicity direction; `pchfe`, `pchfd` the
// number of extrapolated points; `pchia` 1, 2 or 3 when a, b or both lie outside [x(1), x(n)];
// `pchic` 1, 2 or 3 when d(1), d(n) or both were changed for monotonicity; negative for input
// errors:
//   -1 fewer than two points, -2 incfd < 1, -3 x not strictly increasing;
//   pchfe, pchfd -4 ne < 1, -5 internal failure of the interval walk; pchid -4 ia or ib out of
//   range; pchia -4 failure inside pchid; chfev, chfdv -1 ne < 1, -2 equal interval ends;
//   pchsp, pchic -4/-5/-6 ic(1)/ic(2)/both out of range, -7 work array too small; pchsp -8
//   singular system, -9 failure of pchdf; pchic -8 failure of pchcs, -9 failure of pchce.
#pragma once

#include "core/tvk.h"
#include "pchip/real.h"

namespace tvk::pchip {

// Sign of arg1 * arg2: -1, 0 or +1 (0 when either is zero).
template <class R> R pchst(R arg1, R arg2);

// --- derivatives at the nodes ---------------------------------------------------------------
// Monotone derivatives, or with `spline` the not-a-knot spline (wk(lwk), lwk >= 2n).
template <class R>
void pchez(int n, const R* x, const R* f, R* d, bool spline, R* wk, int lwk, int& ierr);
template <class R> void pchim(int n, const R* x, const R* f, R* d, int incfd, int& ierr);
// Cubic spline derivatives under the end conditions ic(1) (left), ic(2) (right), each 0..4:
// 0 not-a-knot, 1 first derivative vc, 2 second derivative vc, 3 and 4 the derivative of the
// polynomial through the first (last) 3 or 4 points; a code larger than n counts as 0.
// wk(2, n), nwk >= 2n.
template <class R>
void pchsp(const int* ic, const R* vc, int n, const R* x, const R* f, R* d, int incfd, R* wk,
           int nwk, int& ierr);
// Monotone derivatives with end conditions |ic| <= 5 (negative codes then made compatible with
// monotonicity) and the treatment `sw` of extrema (0 none, nonzero smoothing, positive also
// limits the overshoot to sw times the local excursion). wk(nwk), nwk >= 2(n-1): h and slopes.
template <class R>
void pchic(const int* ic, const R* vc, R sw, int n, const R* x, const R* f, R* d, int incfd,
           R* wk, int nwk, int& ierr);
// The steps of pchic, on the intervals' h(n-1) and slope(n-1) (no checks here; the exported
// pchci, pchcs and pchce report n < 2 (-1) and incfd < 1 (-2) through the error handler first,
// pchcs and pchce also in ierr).
template <class R> void pchci(int n, const R* h, const R* slope, R* d, int incfd);
template <class R>
void pchcs(R sw, int n, const R* h, const R* slope, R* d, int incfd, int& ierr);
template <class R>
void pchce(const int* ic, const R* vc, int n, const R* x, const R* h, const R* slope, R* d,
           int incfd, int& ierr);
// Limits the excursion of one cubic (ends d1, d2, width h, secant slope) to dfmax, measured from
// its left (iextrm 1) or right value; -1 invalid d1/d2, -2 negative radical.
template <class R> void pchsw(R dfmax, int iextrm, R& d1, R& d2, R h, R slope, int& ierr);
// Derivative at x(k) of the polynomial through k >= 3 points, from the first divided
// differences s(k-1) on (x(i), x(i+1)), which it overwrites; -1 for k < 3 (result 0).
template <class R> R pchdf(int k, const R* x, R* s, int& ierr);

// --- evaluation -----------------------------------------------------------------------------
template <class R>
void pchfe(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int ne, const R* xe,
           R* fe, int& ierr);
// Values and first derivatives.
template <class R>
void pchfd(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int ne, const R* xe,
           R* fe, R* de, int& ierr);
// pchfd with incfd 1 and the data checks skipped.
template <class R>
void pchev(int n, const R* x, const R* f, const R* d, int nval, const R* xval, R* fval, R* dval,
           int& ierr);
// One cubic on [x1, x2] at ne points; next(1), next(2) count the points left and right of it.
template <class R>
void chfev(R x1, R x2, R f1, R f2, R d1, R d2, int ne, const R* xe, R* fe, int* next, int& ierr);
template <class R>
void chfdv(R x1, R x2, R f1, R f2, R d1, R d2, int ne, const R* xe, R* fe, R* de, int* next,
           int& ierr);

// --- monotonicity ---------------------------------------------------------------------------
// ismon(i), i < n: code of interval i; ismon(n): of the whole function. Codes: -3/3 decreasing/
// increasing within rounding, -1/1 strictly decreasing/increasing, 0 constant, 2 not monotone.
template <class R>
void pchcm(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int* ismon,
           int& ierr);
template <class R> int chfcm(R d1, R d2, R delta);

// --- integration ----------------------------------------------------------------------------
template <class R>
R pchqa(int n, const R* x, const R* f, const R* d, R a, R b, int& ierr);
template <class R>
R pchia(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, R a, R b, int& ierr);
// Integral of one cubic from a to b (a > b allowed).
template <class R> R chfie(R x1, R x2, R f1, R f2, R d1, R d2, R a, R b);
template <class R>
R pchid(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int ia, int ib,
        int& ierr);

// --- B-spline form --------------------------------------------------------------------------
// Knots t(2n+4) with double knots at the nodes; end knots by knotyp: 1 extrapolating, 2
// periodic, anything else quadruple (n >= 2).
template <class R> void pchkt(int n, const R* x, int knotyp, R* t);
// The B-spline form of order kord = 4 with ndim = 2n coefficients bcoef and nknots = 2n+4 knots
// t (knotyp < 0: the caller's knots, nknots must be 2n+4); -1 knotyp > 2, -2 wrong nknots.
template <class R>
void pchbs(int n, const R* x, const R* f, const R* d, int incfd, int knotyp, int& nknots, R* t,
           R* bcoef, int& ndim, int& kord, int& ierr);
// The ideriv-th derivative at x of the B-spline series of order k with coefficients a(n) and
// knots t(n+k); inbv (1 before the first call on a knot array) remembers the interval;
// work(3k). Errors are reported (number 2, level 1) and give 0.
template <class R>
R bvalu(const R* t, const R* a, int n, int k, int ideriv, R x, int& inbv, R* work);
// Interval of x in the nondecreasing xt(lxt), searched from the remembered ilo: mflag -1 and
// ileft 1 below xt(1), 0 and xt(ileft) <= x < xt(ileft+1) inside, 1 and ileft lxt at or above
// xt(lxt).
template <class R> void intrv(const R* xt, int lxt, R x, int& ilo, int& ileft, int& mflag);

// The double routines under their own names (used by the table interpolation).
inline double dpchst(double a, double b) { return pchst<double>(a, b); }
inline void dpchez(int n, const double* x, const double* f, double* d, bool spline, double* wk,
                   int lwk, int& ierr) {
    pchez<double>(n, x, f, d, spline, wk, lwk, ierr);
}
inline void dpchim(int n, const double* x, const double* f, double* d, int incfd, int& ierr) {
    pchim<double>(n, x, f, d, incfd, ierr);
}
inline void dpchsp(const int* ic, const double* vc, int n, const double* x, const double* f,
                   double* d, int incfd, double* wk, int nwk, int& ierr) {
    pchsp<double>(ic, vc, n, x, f, d, incfd, wk, nwk, ierr);
}
inline void dpchfe(int n, const double* x, const double* f, const double* d, int incfd,
                   bool& skip, int ne, const double* xe, double* fe, int& ierr) {
    pchfe<double>(n, x, f, d, incfd, skip, ne, xe, fe, ierr);
}
inline void dchfev(double x1, double x2, double f1, double f2, double d1, double d2, int ne,
                   const double* xe, double* fe, int* next, int& ierr) {
    chfev<double>(x1, x2, f1, f2, d1, d2, ne, xe, fe, next, ierr);
}
inline double dpchqa(int n, const double* x, const double* f, const double* d, double a, double b,
                     int& ierr) {
    return pchqa<double>(n, x, f, d, a, b, ierr);
}
inline double dpchia(int n, const double* x, const double* f, const double* d, int incfd,
                     bool& skip, double a, double b, int& ierr) {
    return pchia<double>(n, x, f, d, incfd, skip, a, b, ierr);
}
inline double dchfie(double x1, double x2, double f1, double f2, double d1, double d2, double a,
                     double b) {
    return chfie<double>(x1, x2, f1, f2, d1, d2, a, b);
}
inline double dpchid(int n, const double* x, const double* f, const double* d, int incfd,
                     bool& skip, int ia, int ib, int& ierr) {
    return pchid<double>(n, x, f, d, incfd, skip, ia, ib, ierr);
}

}  // namespace tvk::pchip

// C entry points of both precisions: TVK_PCHIP_ENTRIES(R, P) declares the routines on the real
// type R under the names with the prefix P (d for double, nothing for float). Logical arguments
// are 4-byte integers; every argument is passed by pointer.
#define TVK_PCHIP_ENTRIES(R, P)                                                                   \
    TVK_API R P##pchst(const R* arg1, const R* arg2);                                             \
    TVK_API void P##pchez(const int* n, const R* x, const R* f, R* d, const int* spline, R* wk,   \
                          const int* lwk, int* ierr);                                             \
    TVK_API void P##pchim(const int* n, const R* x, const R* f, R* d, const int* incfd,           \
                          int* ierr);                                                             \
    TVK_API void P##pchsp(const int* ic, const R* vc, const int* n, const R* x, const R* f, R* d, \
                          const int* incfd, R* wk, const int* nwk, int* ierr);                    \
    TVK_API void P##pchic(const int* ic, const R* vc, const R* sw, const int* n, const R* x,      \
                          const R* f, R* d, const int* incfd, R* wk, const int* nwk, int* ierr);  \
    TVK_API void P##pchci(const int* n, const R* h, const R* slope, R* d, const int* incfd);      \
    TVK_API void P##pchcs(const R* sw, const int* n, const R* h, const R* slope, R* d,            \
                          const int* incfd, int* ierr);                                           \
    TVK_API void P##pchce(const int* ic, const R* vc, const int* n, const R* x, const R* h,       \
                          const R* slope, R* d, const int* incfd, int* ierr);                     \
    TVK_API void P##pchsw(const R* dfmax, const int* iextrm, R* d1, R* d2, const R* h,            \
                          const R* slope, int* ierr);                                             \
    TVK_API R P##pchdf(const int* k, const R* x, R* s, int* ierr);                                \
    TVK_API void P##pchfe(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, const int* ne, const R* xe, R* fe, int* ierr);               \
    TVK_API void P##pchfd(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, const int* ne, const R* xe, R* fe, R* de, int* ierr);        \
    TVK_API void P##pchev(const int* n, const R* x, const R* f, const R* d, const int* nval,      \
                          const R* xval, R* fval, R* dval, int* ierr);                            \
    TVK_API void P##chfev(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,        \
                          const R* d2, const int* ne, const R* xe, R* fe, int* next, int* ierr);  \
    TVK_API void P##chfdv(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,        \
                          const R* d2, const int* ne, const R* xe, R* fe, R* de, int* next,       \
                          int* ierr);                                                             \
    TVK_API void P##pchcm(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, int* ismon, int* ierr);                                      \
    TVK_API int P##chfcm(const R* d1, const R* d2, const R* delta);                               \
    TVK_API R P##pchqa(const int* n, const R* x, const R* f, const R* d, const R* a, const R* b,  \
                       int* ierr);                                                                \
    TVK_API R P##pchia(const int* n, const R* x, const R* f, const R* d, const int* incfd,        \
                       int* skip, const R* a, const R* b, int* ierr);                             \
    TVK_API R P##chfie(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,           \
                       const R* d2, const R* a, const R* b);                                      \
    TVK_API R P##pchid(const int* n, const R* x, const R* f, const R* d, const int* incfd,        \
                       int* skip, const int* ia, const int* ib, int* ierr);                       \
    TVK_API void P##pchkt(const int* n, const R* x, const int* knotyp, R* t);                     \
    TVK_API void P##pchbs(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          const int* knotyp, int* nknots, R* t, R* bcoef, int* ndim, int* kord,   \
                          int* ierr);                                                             \
    TVK_API R P##bvalu(const R* t, const R* a, const int* n, const int* k, const int* ideriv,     \
                       const R* x, int* inbv, R* work);                                           \
    TVK_API void P##intrv(const R* xt, const int* lxt, const R* x, int* ilo, int* ileft,          \
                          int* mflag);

TVK_PCHIP_ENTRIES(double, d)
TVK_PCHIP_ENTRIES(float, )
