// Scalar solvers of the numerical core (module `math`): three root finders that drive a
// caller-supplied function, a golden-section maximum search run as a re-entrant state machine
// (the caller evaluates its own function between calls), the closed-form roots of a cubic, a
// least-squares polynomial fit and the arc-length integrand of the table interpolation.
//
// Root finders return a status: 0 converged (also after a "not bracketed" report, which the
// error record carries), 1 not converged: the iteration limit reached (level -1 report, the
// latest iterate returned), or a non-finite bound, start value or function value (or, for the
// Newton iteration, derivative) or a NaN tolerance (level -3 report "Error in <method>: bound or
// tolerance is not finite." (fixed point: "start value or tolerance") or "...: function value is
// not finite.", with the bounds or the abscissa and the value as its reals; NaN returned). A negative `maxit` counts as 0. A call-back that abandons the call
// (host::abort_callback) ends the routine at once; it holds nothing that needs releasing.
//
// Golden-section search record (held by the caller, passed whole to every GSSAFE call):
//   x(npoints), y(npoints)  abscissas and values in the order evaluated (golden mode); in scan
//                           mode only slot npoints is used, as the best point so far;
//   xmove(4), ymove(4)      the golden bracket (lower end, upper end, inner left, inner right)
//                           and its values; the value of the newest inner point is taken from y
//                           at the next step;
//   lplimits(2)             golden: (tolerance, current bracket width); scan: (next abscissa,
//                           upper limit);
//   xdir                    side kept by the last golden step: 0 none yet, 1 up, -1 down;
//   increment               abscissas handed out in golden mode;
//   proc                    protocol phase: 0 idle, 1 abscissa handed out, 2 value taken in,
//                           3 vertex value back (finish), -1 out of points;
//   isgolden, update, finish  1-byte logicals: golden mode; the caller must evaluate its
//                           function at xi into yi; the search is over (xi holds the result).
// Protocol: IniGoldenSearch, then call GSSAFE until finish, evaluating f(xi) into yi whenever
// update is set. Golden mode shrinks the bracket by 1/phi per step until the tolerance exceeds
// its width, then hands out the vertex of the parabola through the best three bracket points
// once more for evaluation; yi at the end is the value stored for the last golden point, not
// the value at the vertex. Scan mode steps from xlow by dx and keeps the first largest value;
// since y starts at 0, a scan in which no value exceeds 0 ends with xi = 0 and yi = 0.
// Input that would make the search read or write outside x and y (npoints < 4, a state whose
// increment lies outside 0..npoints) or never end (a scan step that does not advance the
// abscissa) is refused with a level -3 report and finish set.
#pragma once

#include "tvk.h"

#include <cmath>

namespace tvk {

// f(x) and f'(x) into f and df; args(na) and nfun are the caller's, passed through unchanged.
using RootFunction = CallbackRef<void(double* f, double* df, const double* x, const double* args,
                                      const int* na, const int* nfun)>;
// The next iterate g(x) into xnew; fargs(1) holds the current iterate x, fargs(2..na) the
// caller's args(2..na).
using FixPointFunction =
    CallbackRef<void(double* xnew, const double* fargs, const int* na, const int* nfun)>;

// Brent's method (R. P. Brent, "Algorithms for minimization without derivatives", 1973, ch. 4):
// inverse quadratic interpolation safeguarded by bisection. Converged when half the bracket is
// at most 2 eps |b| + xacc. Not bracketed: root 0, status 0, level -2 report.
void bdsafe(RootFunction dfunc, const double* x1, const double* x2, double* root,
            const double* args, const double* xacc, const int* maxit, const int* na,
            const int* nfun, int* istat) TVK_HOST_API("tvk_bdsafe");
// Newton's method kept inside a shrinking bracket, falling back to bisection when a Newton step
// would leave the bracket or not halve the step (the rtsafe scheme of Press et al., Numerical
// Recipes, 2nd ed., 1992, sec. 9.4). Not bracketed: level -2 report, the iteration goes on.
void nrsafe(RootFunction dfunc, const double* x1, const double* x2, double* root,
            const double* args, const double* xacc, const int* maxit, const int* na,
            const int* nfun, int* istat) TVK_HOST_API("tvk_nrsafe");
// Fixed-point iteration x = g(x) from xs until two iterates differ by at most xacc; at most
// maxit + 2 call-back calls. xs returns the last iterate.
void fpsafe(FixPointFunction dfunc, double* xs, const double* args, const double* xacc,
            const int* maxit, const int* na, const int* nfun, int* istat) TVK_HOST_API("tvk_fpsafe");

inline double partialcurvelength(double dy) { return std::hypot(1.0, dy); }

}  // namespace tvk

// C entry points of the root finders, taking plain function pointers.
using tvk_root_function = void (*)(double* f, double* df, const double* x, const double* args,
                                   const int* na, const int* nfun);
using tvk_fixpoint_function = void (*)(double* xnew, const double* fargs, const int* na,
                                       const int* nfun);
TVK_API void bdsafe(tvk_root_function dfunc, const double* x1, const double* x2, double* root,
                    const double* args, const double* xacc, const int* maxit, const int* na,
                    const int* nfun, int* istat);
TVK_API void nrsafe(tvk_root_function dfunc, const double* x1, const double* x2, double* root,
                    const double* args, const double* xacc, const int* maxit, const int* na,
                    const int* nfun, int* istat);
TVK_API void fpsafe(tvk_fixpoint_function dfunc, double* xs, const double* args,
                    const double* xacc, const int* maxit, const int* na, const int* nfun,
                    int* istat);

// Golden-section search: start (gsflag 1 golden section, anything else a fixed-step scan; dx is
// the bracket tolerance in golden mode), step, and its two helpers.
TVK_API void IniGoldenSearch(double* x, double* y, double* xmove, double* lplimits, int* incr,
                             int* subcall, tvk::logical1* golden, tvk::logical1* finish,
                             const double* xlow, const double* xup, const double* dx,
                             const int* gsflag, const int* npoints);
TVK_API void GSSAFE(double* xi, double* yi, const double* dx, double* x, double* y, double* xmove,
                    double* ymove, double* lplimits, int* xdir, int* increment, int* proc,
                    tvk::logical1* isgolden, tvk::logical1* update, tvk::logical1* finish,
                    const double* defaultvalue, const int* npoints);
// Hands out the next abscissa (the four start points, then one golden point per step) and
// returns the new bracket width in dx (not written for the start points).
TVK_API void GetNextFromGoldenSearch(double* xnext, double* dx, double* x, const double* y,
                                     double* xmove, double* ymove, int* xdir, int* increment,
                                     const int* npoints);
// Vertex of the parabola through the best three points of the bracket; defaultvalue when the
// parabola degenerates to a line.
TVK_API void GetMaximumFromGoldenSearch(double* xmax, const double* y, const double* xmove,
                                        const double* ymove, const double* defaultvalue,
                                        const int* xdir, const int* increment,
                                        const int* npoints);

// Real roots of a x^3 + b x^2 + c x + d = 0 (a nonzero), ascending, each accurate to the rounding
// of the cubic near it however the coefficients are scaled (bracketed Newton iterations, not the
// closed form); one real root is returned in all three outputs, a double root twice. a = 0 gives
// non-finite results.
TVK_API void Solution3PE(const double* a, const double* b, const double* c, const double* d,
                         double* x1, double* x2, double* x3);
// Roots of the reduced cubic t^3 + p t + q = 0.
TVK_API void SpecialCase(const double* p, const double* q, double* xx1, double* xx2, double* xx3);
// Real cube root.
TVK_API double cuberoot(const double* a);
// Least-squares polynomial of degree d through (vx(i), vy(i)), constant term first: coef(j+1)
// multiplies x^j. Solved by Householder QR on the abscissas centred and scaled to [-2, 2], the
// coefficients mapped back: within about kappa eps, kappa the condition number of the fit in x.
// Fewer samples than coefficients are reported ("Problem in polynom fitting function", level -2;
// the coefficients are then not meaningful), and so are abscissas that do not determine the fit
// (a rank loss on R's diagonal, |R(k,k)| <= n eps ||R||), whose coefficients are NaN; d < 0
// gives no coefficients (same report).
TVK_API void polynomialfitting(double* coef, const double* vx, const int* nvx, const double* vy,
                               const int* nvy, const int* d);
// sqrt(1 + dy^2), the arc-length integrand (evaluated without overflow for large slopes).
TVK_API double partialcurvelength(const double* dy);
