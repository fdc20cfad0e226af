#include "roots.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "errors.h"
#include "lapack.h"
#include "tensor.h"

namespace {

constexpr double phi = 1.618033988749895;            // golden ratio
constexpr double phi2 = 2.618033988749895;           // phi^2 = phi + 1
constexpr double brent_eps = 4.440892098500626e-16;  // twice the double machine epsilon

}  // namespace

namespace tvk {

namespace {

constexpr const char* not_bracketed = "Error in BISECTION: Root must be bracketed.";

// Strictly the same sign (a product would underflow to zero for tiny values).
inline bool same_sign(double a, double b) { return (a > 0.0 && b > 0.0) || (a < 0.0 && b < 0.0); }

// A non-finite bound, start value or tolerance, or a non-finite value from the call-back, leaves
// nothing to iterate on: every comparison with a NaN is false, so the iteration would otherwise
// end on a "converged" test or run to the limit with meaningless iterates. The routine stops with
// a level -3 report (the offending abscissa and value in the reals), NaN as its result and the
// not-converged status.
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

bool usable_input(const char* routine, const char* what, double x1, double x2, double xacc,
                  double* result, int* istat) {
    if (std::isfinite(x1) && std::isfinite(x2) && !std::isnan(xacc)) return true;
    report(-3, std::string("Error in ") + routine + ": " + what, 0, 0, x1, x2);
    *result = not_a_number;
    *istat = 1;
    return false;
}

void not_finite(const char* routine, double x, double f, double* result, int* istat) {
    report(-3, std::string("Error in ") + routine + ": function value is not finite.", 0, 0, x, f);
    *result = not_a_number;
    *istat = 1;
}

}  // namespace

void bdsafe(RootFunction dfunc, const double* x1, const double* x2, double* root,
            const double* args, const double* xacc, const int* maxit, const int* na,
            const int* nfun, int* istat) {
    const double tol = *xacc;
    const int limit = std::max(*maxit, 0);
    *istat = 0;
    if (!usable_input("BrentsMethod", "bound or tolerance is not finite.", *x1, *x2, tol, root, istat)) return;

    double scratch = 0.0;  // derivative slot, ignored
    auto f = [&](double x) {
        double v = 0.0;
        dfunc(&v, &scratch, &x, args, na, nfun);
        return v;
    };
    auto limit_reached = [&](double b) {
        *root = b;
        report(-1, "Warning in BrentsMethod: Max iterations exceeded.");
        *istat = 1;
    };

    double a = *x1, b = *x2;
    double fa = f(a), fb = f(b);
    if (!std::isfinite(fa)) return not_finite("BrentsMethod", a, fa, root, istat);
    if (!std::isfinite(fb)) return not_finite("BrentsMethod", b, fb, root, istat);
    if (fa == 0.0) {
        *root = *x1;
        return;
    }
    if (fb == 0.0) {
        *root = *x2;
        return;
    }
    if (same_sign(fa, fb)) {
        *root = 0.0;
        report(-2, not_bracketed);
        return;
    }
    if (limit == 0) return limit_reached(b);

    double c = a, fc = fa;
    double d = b - a, e = d;
    for (int iter = 1;; ++iter) {
        if (same_sign(fb, fc)) {  // c must lie on the other side of the root than b
            c = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {  // b is the best point so far
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        // The whole xacc enters the tolerance (not half of it, as in Brent's zero).
        const double tol1 = brent_eps * std::fabs(b) + tol;
        const double xm = 0.5 * (c - b);
        if (std::fabs(xm) <= tol1 || fb == 0.0) {
            if (iter >= limit) return limit_reached(b);
            *root = b;
            return;
        }
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            // Inverse quadratic interpolation (secant when only two points are distinct).
            const double s = fb / fa;
            double p, q;
            if (a == c) {
                p = 2.0 * xm * s;
                q = 1.0 - s;
            } else {
                const double qa = fa / fc;
                const double r = fb / fc;
                p = s * (2.0 * xm * qa * (qa - r) - (b - a) * (r - 1.0));
                q = (qa - 1.0) * (r - 1.0) * (s - 1.0);
            }
            if (p > 0.0) q = -q;
            p = std::fabs(p);
            if (2.0 * p < 3.0 * xm * q - std::fabs(tol1 * q) && 2.0 * p < std::fabs(e * q)) {
                e = d;
                d = p / q;
            } else {
                d = xm;
                e = d;
            }
        } else {
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        if (std::fabs(d) > tol1) b += d;
        else b += xm > 0.0 ? tol1 : -tol1;
        fb = f(b);
        if (!std::isfinite(fb)) return not_finite("BrentsMethod", b, fb, root, istat);
        if (iter >= limit) return limit_reached(b);
    }
}

void nrsafe(RootFunction dfunc, const double* x1, const double* x2, double* root,
            const double* args, const double* xacc, const int* maxit, const int* na,
            const int* nfun, int* istat) {
    const int limit = std::max(*maxit, 0);
    *istat = 0;
    if (!usable_input("RTSAFE", "bound or tolerance is not finite.", *x1, *x2, *xacc, root, istat)) return;
    double f = 0.0, df = 0.0;
    // The Newton step needs a finite derivative as well: an infinite one would make a zero step
    // that passes for convergence.
    auto eval = [&](double x) {
        dfunc(&f, &df, &x, args, na, nfun);
        if (std::isfinite(f) && std::isfinite(df)) return true;
        not_finite("RTSAFE", x, std::isfinite(f) ? df : f, root, istat);
        return false;
    };

    if (!eval(*x1)) return;
    const double fl = f;
    if (!eval(*x2)) return;
    const double fh = f;
    if (fl == 0.0) {
        *root = *x1;
        return;
    }
    if (fh == 0.0) {
        *root = *x2;
        return;
    }
    if (same_sign(fl, fh)) report(-2, not_bracketed);  // and carry on regardless

    double xl, xh;
    if (fl < 0.0) {
        xl = *x1;
        xh = *x2;
    } else {
        xl = *x2;
        xh = *x1;
    }
    double rts = 0.5 * (*x1 + *x2);
    double dxold = *x2 - *x1;  // only its magnitude is used
    double dx = dxold;
    if (!eval(rts)) return;
    for (int j = 1; j <= limit; ++j) {
        if (((rts - xh) * df - f) * ((rts - xl) * df - f) >= 0.0 ||
            std::fabs(2.0 * f) > std::fabs(dxold * df)) {
            // Newton would leave the bracket or converge too slowly: bisect.
            dxold = dx;
            dx = 0.5 * (xh - xl);
            rts = xl + dx;
            if (xl == rts) {
                *root = rts;
                return;
            }
        } else {
            dxold = dx;
            dx = f / df;
            const double prev = rts;
            rts -= dx;
            if (prev == rts) {
                *root = rts;
                return;
            }
        }
        if (std::fabs(dx) < *xacc) {
            *root = rts;
            return;
        }
        if (!eval(rts)) return;
        if (f < 0.0) xl = rts;
        else xh = rts;
    }
    *root = rts;
    report(-1, "Warning in subroutine RTSAFE: Max iterations exceeded.");
    *istat = 1;
}

void fpsafe(FixPointFunction dfunc, double* xs, const double* args, const double* xacc,
            const int* maxit, const int* na, const int* nfun, int* istat) {
    const int limit = std::max(*maxit, 0);
    *istat = 0;
    if (!usable_input("FixPointIteration", "start value or tolerance is not finite.", *xs, *xs, *xacc, xs, istat)) return;
    // Private copy of args whose first entry carries the current iterate; it has that entry
    // even when the caller passes no arguments, and the call-back then sees a length of 1.
    const int n = *na;
    const int ncb = std::max(n, 1);
    std::vector<double> fargs(static_cast<std::size_t>(ncb), 0.0);
    if (n > 0) std::copy_n(args, n, fargs.begin());

    double xold = *xs;
    double xnew = xold;  // kept when the call-back leaves it unwritten
    fargs[0] = xold;
    dfunc(&xnew, fargs.data(), &ncb, nfun);
    if (!std::isfinite(xnew)) return not_finite("FixPointIteration", xold, xnew, xs, istat);

    int k = 0;
    while (std::fabs(xold - xnew) > *xacc) {
        if (k > limit) break;
        xold = xnew;
        fargs[0] = xnew;
        ++k;
        dfunc(&xnew, fargs.data(), &ncb, nfun);
        if (!std::isfinite(xnew)) return not_finite("FixPointIteration", xold, xnew, xs, istat);
    }
    *xs = xnew;
    if (k <= limit) return;  // converged within the limit
    report(-1, compose("Warning in FixPointIteration: ", "Max iterations exceeded."));
    *istat = 1;
}

}  // namespace tvk

// ---------------------------------------------------------------------------------------------
// C entry points of the root finders.

TVK_API void bdsafe(tvk_root_function dfunc, const double* x1, const double* x2, double* root,
                    const double* args, const double* xacc, const int* maxit, const int* na,
                    const int* nfun, int* istat) {
    tvk::bdsafe(tvk::RootFunction::plain(dfunc), x1, x2, root, args, xacc, maxit, na, nfun, istat);
}

TVK_API void nrsafe(tvk_root_function dfunc, const double* x1, const double* x2, double* root,
                    const double* args, const double* xacc, const int* maxit, const int* na,
                    const int* nfun, int* istat) {
    tvk::nrsafe(tvk::RootFunction::plain(dfunc), x1, x2, root, args, xacc, maxit, na, nfun, istat);
}

TVK_API void fpsafe(tvk_fixpoint_function dfunc, double* xs, const double* args,
                    const double* xacc, const int* maxit, const int* na, const int* nfun,
                    int* istat) {
    tvk::fpsafe(tvk::FixPointFunction::plain(dfunc), xs, args, xacc, maxit, na, nfun, istat);
}

// ---------------------------------------------------------------------------------------------
// Golden-section search.

namespace {

using tvk::report;

bool enough_points(const char* routine, int npoints) {
    if (npoints >= 4) return true;
    report(-3, std::string("Error in ") + routine + ": fewer than four points.", npoints);
    return false;
}

}  // namespace

TVK_API void IniGoldenSearch(double* x, double* y, double* xmove, double* lplimits, int* incr,
                             int* subcall, tvk::logical1* golden, tvk::logical1* finish,
                             const double* xlow, const double* xup, const double* dx,
                             const int* gsflag, const int* npoints) {
    const int np = std::max(*npoints, 0);
    *incr = 0;
    *subcall = 0;
    *golden = *gsflag == 1 ? 1 : 0;
    *finish = 0;
    std::fill_n(x, np, 0.0);
    std::fill_n(y, np, 0.0);
    if (!enough_points("IniGoldenSearch", *npoints)) {
        std::fill_n(xmove, 4, 0.0);
        lplimits[0] = lplimits[1] = 0.0;
        *finish = 1;  // nothing to search: a caller's loop ends at once
        return;
    }
    if (*golden) {
        const double w = *xup - *xlow;
        x[0] = *xlow;
        x[1] = *xup;
        x[2] = *xlow + w / phi2;             // xlow + w / phi^2
        x[3] = x[2] + (w / phi2) / phi;       // xlow + w / phi
        lplimits[0] = *dx;
        lplimits[1] = w;
    } else {
        lplimits[0] = *xlow;
        lplimits[1] = *xup;
    }
    std::copy_n(x, 4, xmove);
}

TVK_API void GetNextFromGoldenSearch(double* xnext, double* dx, double* x, const double* y,
                                     double* xmove, double* ymove, int* xdir, int* increment,
                                     const int* npoints) {
    if (!enough_points("GetNextFromGoldenSearch", *npoints)) return;
    // Number of the abscissa handed out, in 64 bits (increment may be INT_MAX).
    const long long next = static_cast<long long>(*increment) + 1;
    if (next < 1 || next > *npoints) {
        report(-3, "Error in GetNextFromGoldenSearch: no point left.",
               static_cast<int>(std::min<long long>(next, INT_MAX)), *npoints);
        return;
    }
    const int k = static_cast<int>(next);
    *increment = k;

    if (k <= 4) {
        // The four start points; the value of the previous one enters the bracket values.
        *xnext = x[k - 1];
        if (k >= 2) ymove[k - 2] = y[k - 2];
        *xdir = 0;
        return;
    }

    // Complete the bracket values with the newest value, y(k-1).
    if (k == 5) ymove[3] = y[3];
    if (*xdir == 1) ymove[3] = y[k - 2];
    else if (*xdir == -1) ymove[2] = y[k - 2];

    const double a = xmove[0], b = xmove[1], c = xmove[2], d = xmove[3];
    const double yc = ymove[2], yd = ymove[3];
    if (yd - yc >= 0.0) {
        // Keep [c, b] (ties move up); d becomes the inner left point.
        *xdir = 1;
        xmove[0] = c;
        ymove[0] = yc;
        xmove[2] = d;
        ymove[2] = yd;
        const double dnew = d + (b - c) / phi2 / phi;  // d + (b - c) / phi^3
        xmove[3] = dnew;
        x[k - 1] = dnew;
        *xnext = dnew;
        *dx = b - c;
    } else if (yd - yc < 0.0) {
        // Keep [a, d]; c becomes the inner right point.
        *xdir = -1;
        xmove[1] = d;
        ymove[1] = yd;
        xmove[3] = c;
        ymove[3] = yc;
        const double cnew = a + (d - a) / phi2;
        xmove[2] = cnew;
        x[k - 1] = cnew;
        *xnext = cnew;
        *dx = d - a;
    } else {
        // A value is NaN: the bracket stays as it is.
        *xnext = x[k - 1];
        *dx = b - a;
    }
}

TVK_API void GetMaximumFromGoldenSearch(double* xmax, const double* y, const double* xmove,
                                        const double* ymove, const double* defaultvalue,
                                        const int* xdir, const int* increment,
                                        const int* npoints) {
    double ya = ymove[0], yb = ymove[1], yc = ymove[2], yd = ymove[3];
    if (*xdir == 1 || *xdir == -1) {
        if (*increment < 1 || *increment > *npoints) {
            report(-3, "Error in GetMaximumFromGoldenSearch: no value at the newest point.",
                   *increment, *npoints);
            *xmax = *defaultvalue;
            return;
        }
        if (*xdir == 1) yd = y[*increment - 1];
        else yc = y[*increment - 1];
    }
    const double a = xmove[0], b = xmove[1], c = xmove[2], d = xmove[3];
    // ind(3,2): abscissas in the first column, values in the second.
    double ind[6];
    if (yd - yc >= 0.0) {
        const double v[6] = {c, d, b, yc, yd, yb};
        std::copy_n(v, 6, ind);
    } else {
        const double v[6] = {a, c, d, ya, yc, yd};
        std::copy_n(v, 6, ind);
    }
    double oud[3] = {0.0, 0.0, 0.0};
    GetParabolaCoefficients(ind, oud);
    *xmax = oud[0] == 0.0 ? *defaultvalue : -oud[1] / (2.0 * oud[0]);
}

TVK_API void GSSAFE(double* xi, double* yi, const double* dx, double* x, double* y, double* xmove,
                    double* ymove, double* lplimits, int* xdir, int* increment, int* proc,
                    tvk::logical1* isgolden, tvk::logical1* update, tvk::logical1* finish,
                    const double* defaultvalue, const int* npoints) {
    const int np = *npoints;
    *update = 0;
    *finish = 0;
    auto refuse = [&](const char* why, int i1, int i2) {
        report(-3, why, i1, i2);
        *proc = -1;
        *finish = 1;
    };
    if (!enough_points("GSSAFE", np)) {
        *proc = -1;
        *finish = 1;
        return;
    }
    if (*increment < 0 || *increment > np)
        return refuse("Error in GSSAFE: search state out of range.", *increment, np);
    if (*proc == INT_MAX)  // the phase counter could not advance
        return refuse("Error in GSSAFE: search state out of range.", *proc, np);

    for (;;) {
        ++*proc;
        *update = 0;
        *finish = 0;
        if (*proc == 1) {
            // Hand out the next abscissa.
            if (*increment == np) {
                *proc = -1;
                *yi = y[np - 1];
                *finish = 1;  // out of points; xi keeps the last abscissa evaluated
                return;
            }
            if (*isgolden) {
                GetNextFromGoldenSearch(xi, &lplimits[1], x, y, xmove, ymove, xdir, increment,
                                        npoints);
            } else {
                *xi = lplimits[0];
            }
            *update = 1;
            return;
        }
        if (*proc == 2) {
            // Take in the value yi at xi.
            if (*isgolden) {
                if (*increment < 1)
                    return refuse("Error in GSSAFE: search state out of range.", *increment, np);
                y[*increment - 1] = *yi;
                if (lplimits[0] > lplimits[1]) {
                    // Bracket narrower than the tolerance: evaluate once more at the vertex.
                    GetMaximumFromGoldenSearch(xi, y, xmove, ymove, defaultvalue, xdir, increment,
                                               npoints);
                    *update = 1;
                }
            } else {
                if (*yi > y[np - 1]) {  // ties keep the earlier, lower abscissa
                    y[np - 1] = *yi;
                    x[np - 1] = *xi;
                }
                const double xnext = *xi + *dx;
                if (!(xnext > *xi)) {
                    // A step that does not advance would never reach the upper limit.
                    *xi = x[np - 1];
                    *yi = y[np - 1];
                    return refuse("Error in GSSAFE: scan step does not advance.", 0, np);
                }
                *xi = xnext;
                lplimits[0] = xnext;
                if (*xi > lplimits[1]) {
                    *xi = x[np - 1];
                    *yi = y[np - 1];
                    *finish = 1;
                }
            }
            if (*update || *finish) return;
            *proc = 0;  // next step within the same call
            continue;
        }
        // The vertex value came back (or the search is over): finish.
        if (*increment < 1)
            return refuse("Error in GSSAFE: search state out of range.", *increment, np);
        *yi = y[*increment - 1];
        *finish = 1;
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Cubic roots, polynomial fit, arc-length integrand.

// The real cube root, with the sign of a; 0 for either zero. std::cbrt is at least as close as
// exp(log|a| / 3) and costs a third of it.
TVK_API double cuberoot(const double* a) {
    if (*a == 0.0) return 0.0;
    return std::cbrt(*a);
}

namespace {

// The closed forms on the reduced cubic t^3 + p t + q = 0 (Cardano's for one real root, the
// trigonometric one for three), for input that has no real root to find (a coefficient that is
// not finite): its results are then not finite, as the closed form gives them.
void reduced_closed_form(double pv, double qv, double* xx1, double* xx2, double* xx3) {
    const double disc = qv * qv / 4.0 + pv * pv * pv / 27.0;
    if (disc > 0.0) {
        // One real root (Cardano).
        const double sd = std::sqrt(disc);
        const double u = -qv / 2.0 + sd, v = -qv / 2.0 - sd;
        const double t = cuberoot(&u) + cuberoot(&v);
        *xx1 = *xx2 = *xx3 = t;
    } else if (disc == 0.0) {
        if (pv == 0.0 && qv == 0.0) {
            *xx1 = *xx2 = *xx3 = 0.0;
            return;
        }
        // A simple root 2u and a double root -u.
        const double h = -qv / 2.0;
        const double u = cuberoot(&h);
        if (2.0 * u < -u) {
            *xx1 = 2.0 * u;
            *xx2 = *xx3 = -u;
        } else {
            *xx1 = *xx2 = -u;
            *xx3 = 2.0 * u;
        }
    } else {
        // Three real roots (trigonometric form).
        const double r = std::sqrt(-pv * pv * pv / 27.0);
        const double theta = std::atan(qv / std::sqrt(4.0 * r * r - qv * qv)) / 3.0 + 0.5235987755982988;
        const double m = 2.0 * cuberoot(&r);
        double t[3] = {m * std::cos(theta), m * std::cos(theta + 2.0943951023931953),
                       m * std::cos(theta + 4.1887902047863905)};
        std::sort(t, t + 3);
        *xx1 = t[0];
        *xx2 = t[1];
        *xx3 = t[2];
    }
}

// Cardano's and the trigonometric forms on the reduced cubic, for the calls that have no real
// root to find (a leading coefficient 0, a coefficient that is not finite): their results are
// then not finite, as the closed form gives them.
void closed_form(double a, double b, double c, double d, double* x1, double* x2, double* x3) {
    // x = t - s turns the cubic into t^3 + p t + q = 0.
    const double s = b / (3.0 * a);
    const double ca = c / a;
    const double p = ca - 3.0 * s * s;
    const double q = d / a - ca * s + 2.0 * s * s * s;
    reduced_closed_form(p, q, x1, x2, x3);
    *x1 -= s;
    *x2 -= s;
    *x3 -= s;
}

// The monic cubic f(t) = t^3 + B t^2 + C t + D and its slope, by Horner's rule.
struct MonicCubic {
    double B, C, D;
    double f(double t) const { return ((t + B) * t + C) * t + D; }
    double df(double t) const { return (3.0 * t + 2.0 * B) * t + C; }
};

// The root of f in [lo, hi], where f rises through zero (f(lo) < 0 < f(hi)), by Newton's method
// from t (f(t) = ft), kept in the bracket by bisection. The callers start on the side of the root
// from which Newton's steps approach it monotonically (f convex to the right of the root, concave
// to its left), so that the bisection is a safeguard against rounding only. Ends on a zero of f,
// or on a step below two units in the last place, where the remaining error is the rounding of f.
// Near a root far smaller than the bracket (a real root beside a complex pair some 1e80 times
// larger), t - f/f' can round onto the bracket's other end, 0, over and over, and the halvings
// do not reach the root within their limit. Where the bracket holds 0, the search then goes on
// from where it stopped with Newton's step from that other end instead, which lands on the
// small root where f is nearly linear between them; only where it too leaves the bracket is the
// bracket halved. A root that this second pass does not reach either is reported. Elsewhere the
// first pass stands as it ends (it stops on its limit only in the rounding noise of a nearly
// double root).
double rising_root(const MonicCubic& p, double lo, double hi, double t, double ft) {
    constexpr double eps = std::numeric_limits<double>::epsilon();
    for (int it = 0; it < 200; ++it) {
        if (ft == 0.0) return t;
        (ft < 0.0 ? lo : hi) = t;
        double tn = t - ft / p.df(t);
        if (std::abs(tn - t) <= 2.0 * eps * std::abs(t)) return tn;
        if (!(tn > lo && tn < hi)) tn = 0.5 * (lo + hi);
        t = tn;
        ft = p.f(t);
    }
    if (!(lo <= 0.0 && hi >= 0.0)) return t;
    for (int it = 0; it < 200; ++it) {
        if (ft == 0.0) return t;
        (ft < 0.0 ? lo : hi) = t;
        double tn = t - ft / p.df(t);
        if (std::abs(tn - t) <= 2.0 * eps * std::abs(t)) return tn;
        if (!(tn > lo && tn < hi)) {
            const double o = ft < 0.0 ? hi : lo;
            tn = o - p.f(o) / p.df(o);
            if (!(tn > lo && tn < hi)) tn = 0.5 * (lo + hi);
        }
        t = tn;
        ft = p.f(t);
    }
    report(-1, "Note: iteration limit reached in Solution3PE, root not converged");
    return t;
}

// The root of f beyond `edge` in the direction dir (+1 right, -1 left), where f is monotone and
// rising, and convex (dir +1) or concave (dir -1): an inflection or a turning point lies at the
// edge, and dir f(edge) < 0. w bounds the root's distance from the edge; a step of w lands past
// the root unless rounding says otherwise, and then the step doubles.
double outer_root(const MonicCubic& p, double edge, double w, double dir) {
    double t = edge + dir * w, ft = p.f(t);
    for (int i = 0; dir * ft <= 0.0 && i < 2200; ++i) {
        if (ft == 0.0) return t;
        edge = t;
        w *= 2.0;
        t = edge + dir * w;
        ft = p.f(t);
    }
    return dir > 0.0 ? rising_root(p, edge, t, t, ft) : rising_root(p, t, edge, t, ft);
}

// ilogb and scalbn for the scalings below, inline where the exponents stay in the normal range
// (the library calls cost as much as the root finding). x 2^n by one multiplication by an exact
// power of two rounds as scalbn does.
int exponent_of(double x) {
    const int e = static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7ff);
    return e != 0 && e != 0x7ff ? e - 1023 : std::ilogb(x);
}
double times_pow2(double x, int n) {
    if (n < -1022 || n > 1023) return std::scalbn(x, n);
    return x * std::bit_cast<double>(static_cast<std::uint64_t>(n + 1023) << 52);
}

// floor(n / d) for d > 0.
int floor_div(int n, int d) { return n >= 0 ? n / d : -((d - 1 - n) / d); }

// The exponent k of x = 2^k t that makes the monic coefficients c[i] / (c[0] 2^(i k)) in t at most
// of order one, one of them of order one (c[0] nonzero, n + 1 coefficients, highest power first).
int root_scale(const double* c, int n) {
    const int e0 = exponent_of(c[0]);
    int k = INT_MIN;
    for (int i = 1; i <= n; ++i)
        if (c[i] != 0.0) k = std::max(k, floor_div(exponent_of(c[i]) - e0, i));
    return k == INT_MIN ? 0 : k;
}

// The real roots of A x^2 + B x + C (A nonzero, all finite) into r: their number, 0 or 2 (a double
// root twice). The larger root by the stable form on the scaled monic quadratic; the smaller as
// C / (A x_large) from the coefficients as given, so that it keeps its digits however far below
// the larger one it lies. Where A x_large leaves the normal range (it overflows beside a
// coefficient near the largest double, or loses digits as a subnormal), the quotient is formed on
// the mantissas, C 2^-ec / (am q), and scaled by 2^(ec - ea - k) afterwards: the same one rounding
// wherever the result is a normal double.
int quadratic_roots(double A, double B, double C, double* r) {
    const double c3[3] = {A, B, C};
    const int k = root_scale(c3, 2), ea = exponent_of(A);
    const double am = times_pow2(A, -ea);
    const double b = times_pow2(B, -ea - k) / am, c = times_pow2(C, -ea - 2 * k) / am;
    const double disc = b * b - 4.0 * c;
    if (disc < 0.0) return 0;
    const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));  // the larger root in t
    r[0] = times_pow2(q, k);
    if (disc == 0.0 || q == 0.0) {
        r[1] = r[0];
    } else {
        const double ax = times_pow2(am * q, ea + k);  // A x_large
        if (std::isnormal(ax) || C == 0.0) {
            r[1] = C / ax;
        } else {
            const int ec = exponent_of(C);
            r[1] = times_pow2(times_pow2(C, -ec) / (am * q), ec - ea - k);
        }
    }
    return 2;
}

// The real roots of the cubic (a nonzero, all finite) into x, their number 1 or 3, where no root is
// more than about 2^300 apart from the next in size (one scaling serves all, see Solution3PE).
int bracketed_roots(double a, double b, double c, double d, double* x) {
    const double c4[4] = {a, b, c, d};
    const int k = root_scale(c4, 3), ea = exponent_of(a);
    const double am = times_pow2(a, -ea);
    const MonicCubic p{times_pow2(b, -ea - k) / am, times_pow2(c, -ea - 2 * k) / am,
                       times_pow2(d, -ea - 3 * k) / am};
    double* t = x;
    int n = 1;
    const double m = -p.B / 3.0;                // inflection
    const double disc = p.B * p.B - 3.0 * p.C;  // f'(t) = 3 t^2 + 2 B t + C: a quarter of its discriminant
    if (!(disc > 0.0)) {
        // f rises everywhere: one root, on the side of the inflection where f has the other sign.
        // f(m + u) = f(m) + f'(m) u + u^3 with f'(m) = -disc/3 >= 0.
        const double fm = p.f(m), g = std::abs(fm), slope = -disc / 3.0;
        double w = std::cbrt(g);
        if (slope > 0.0) w = std::min(w, g / slope);
        t[0] = fm == 0.0 ? m : outer_root(p, m, w, fm < 0.0 ? 1.0 : -1.0);
    } else {
        const double s = std::sqrt(disc);
        const double big = -(p.B + std::copysign(s, p.B)) / 3.0, small = p.C / (3.0 * big);
        const double tc1 = std::min(big, small), tc2 = std::max(big, small);
        const double f1 = p.f(tc1), f2 = p.f(tc2);
        // f(tc2 + u) = f2 + s u^2 + u^3 and f(tc1 - u) = f1 - s u^2 - u^3 for u >= 0: the root
        // lies within min(sqrt(g / s), cbrt(g)) of the turning point, g = |f| there; the square
        // root is the smaller where g <= s^3.
        auto reach = [s](double g) { return g <= s * s * s ? std::sqrt(g / s) : std::cbrt(g); };
        auto right = [&] { return outer_root(p, tc2, reach(-f2), 1.0); };
        auto left = [&] { return outer_root(p, tc1, reach(f1), -1.0); };
        if (f1 >= 0.0 && f2 <= 0.0) {
            n = 3;
            t[0] = f1 == 0.0 ? tc1 : left();
            t[2] = f2 == 0.0 ? tc2 : right();
            if (f1 == 0.0) {
                t[1] = tc1;
            } else if (f2 == 0.0) {
                t[1] = tc2;
            } else {
                // A root 0 at either end (D = 0) leaves the middle root of t^2 + B t + C.
                const double outer = t[0] * t[2];
                t[1] = outer != 0.0 ? -p.D / outer : p.C / (t[0] + t[2]);
            }
        } else if (f1 > 0.0 && f2 > 0.0) {
            t[0] = left();
        } else if (f1 < 0.0 && f2 < 0.0) {
            t[0] = right();
        } else {
            // f1 < f2 contradicts the turning points: rounding at a near-triple root, whose one
            // root lies between them.
            t[0] = rising_root(p, tc1, tc2, m, p.f(m));
        }
    }
    for (int i = 0; i < n; ++i) x[i] = times_pow2(t[i], k);
    return n;
}

}  // namespace

// The real roots of a x^3 + b x^2 + c x + d, not by the closed form: where the roots differ much in
// size, Cardano's and the trigonometric forms lose the small ones to cancellation (the reduced
// cubic's q against 2 s^3, the discriminant against itself) or take the wrong branch. Instead:
// - d = 0: the root 0 and those of a x^2 + b x + c (an exact factorisation);
// - a root more than about 2^300 in size above the other two (-b/a, the others from
//   b x^2 + c x + d), or below them (-d/c, the others from a x^2 + b x + c): the two groups
//   decouple far below the rounding, and one scaling could not hold both;
// - otherwise x = 2^k t with k such that the monic coefficients in t are at most of order one,
//   one of them of order one (an exact scaling); the turning points of f (the roots of f', the
//   smaller one from the product of both) and the values of f there tell one real root from
//   three and bracket each outer root on a side where f is monotone and convex or concave; the
//   local expansion at the turning point (or the inflection) bounds its distance, and Newton's
//   method from there converges to it from one side. The middle root of three is -D / (tL tR)
//   (Vieta), as accurate as the outer two. A turning point at which f is exactly 0 is a double
//   root.
// Each root is then accurate to the rounding of the coefficients near it. A root beyond the range
// of doubles comes out infinite.
TVK_API void Solution3PE(const double* a, const double* b, const double* c, const double* d,
                         double* x1, double* x2, double* x3) {
    const double av = *a, bv = *b, cv = *c, dv = *d;
    if (!(av != 0.0 && std::isfinite(av) && std::isfinite(bv) && std::isfinite(cv) && std::isfinite(dv))) {
        closed_form(av, bv, cv, dv, x1, x2, x3);
        return;
    }
    double t[3];
    int n;
    // log2 of the size of each coefficient, to within one; a zero drops out of every comparison.
    auto e = [](double v) { return v != 0.0 ? static_cast<double>(exponent_of(v)) : -1e9; };
    const double ea = e(av), eb = e(bv), ec = e(cv), ed = e(dv);
    constexpr double gap = 300.0;
    if (dv == 0.0) {
        n = quadratic_roots(av, bv, cv, t);
        t[n++] = 0.0;
    } else if (eb - ea - std::max(ec - eb, 0.5 * (ed - eb)) >= gap) {
        n = quadratic_roots(bv, cv, dv, t);
        t[n++] = -bv / av;
    } else if (std::min(ec - eb, 0.5 * (ec - ea)) - (ed - ec) >= gap) {
        n = quadratic_roots(av, bv, cv, t);
        t[n++] = -dv / cv;
    } else {
        n = bracketed_roots(av, bv, cv, dv, t);
    }
    if (n == 1) t[1] = t[2] = t[0];
    std::sort(t, t + 3);
    // + 0.0: a root 0 comes out as +0.
    *x1 = t[0] + 0.0;
    *x2 = t[1] + 0.0;
    *x3 = t[2] + 0.0;
}

// The roots of the reduced cubic t^3 + p t + q = 0, in ascending order (one real root in all
// three outputs, a double root twice). They are those of Solution3PE(1, 0, p, q): the closed
// forms lose a root much smaller than the others to cancellation (about eps times their ratio),
// the bracketed Newton iteration keeps it to the rounding of p and q. Input that is not finite
// takes the closed forms, whose results are then not finite.
TVK_API void SpecialCase(const double* p, const double* q, double* xx1, double* xx2, double* xx3) {
    if (!(std::isfinite(*p) && std::isfinite(*q))) return reduced_closed_form(*p, *q, xx1, xx2, xx3);
    const double one = 1.0, zero = 0.0;
    Solution3PE(&one, &zero, p, q, xx1, xx2, xx3);
}

namespace {
// True when the triangular factor R of a QR factorization (upper triangle of the first m columns of
// qr, leading dimension n >= m) shows a rank loss: a diagonal entry within the rounding of R,
// |R(k,k)| <= n eps ||R||_F. (Values that are not finite compare false: their fit is NaN as it was.)
bool rank_deficient(const double* qr, int n, int m) {
    double norm = 0.0;
    for (int j = 0; j < m; ++j)
        for (int i = 0; i <= j; ++i) norm = std::hypot(norm, qr[static_cast<std::size_t>(j) * n + i]);
    const double floor = n * std::numeric_limits<double>::epsilon() * norm;
    for (int k = 0; k < m; ++k)
        if (std::fabs(qr[static_cast<std::size_t>(k) * n + k]) <= floor) return true;
    return false;
}
}  // namespace

// Least squares in the monomial basis. The normal equations square the Vandermonde matrix's
// condition number, which grows like (centre / half-width)^d for abscissas in a narrow window
// away from 0 (293-303 K at d = 2 lost the constant term's third digit). Instead x is mapped to
// t = (x - c) / s, c the window's centre and s a power of two near its half-width (t within
// [-2, 2]), the fit in t is solved by Householder QR (LAPACK dgels, backward stable), and its
// coefficients are mapped back: divided by s^k (exact) and shifted by c with Horner's scheme.
// The coefficients then err by about kappa eps, kappa the condition number of the fit in x.
// Fewer samples than coefficients are reported as singular at level -2 (the result is then not
// meaningful). So are abscissas that do not determine the fit: R's diagonal shows the rank loss,
// |R(k,k)| <= n eps ||R||_F (an exact zero, or abscissas whose scaled values coincide, as
// 0, 1, 2, 3, 4 beside 1e154, where dgels served (48, 2e-137, -2e-291) for the exact fit
// (-5, 14, -1.4e-153)); the coefficients are then NaN.
TVK_API void polynomialfitting(double* coef, const double* vx, const int* nvx, const double* vy,
                               const int* nvy, const int* d) {
    const int n = std::max(*nvx, 0);
    if (*d < 0) {
        report(-2, "Problem in polynom fitting function");
        return;
    }
    const int m = *d + 1;
    if (*nvy < n) {
        report(-3, "Fewer ordinates than abscissas in polynomialfitting", n, *nvy);
        std::fill_n(coef, m, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    std::fill_n(coef, m, 0.0);
    if (n < m) report(-2, "Problem in polynom fitting function");
    if (n == 0) return;

    double lo = vx[0], hi = vx[0];
    for (int i = 1; i < n; ++i) {
        lo = std::min(lo, vx[i]);
        hi = std::max(hi, vx[i]);
    }
    double c = lo / 2.0 + hi / 2.0, s = 1.0;
    const double h = hi / 2.0 - lo / 2.0;
    if (std::isfinite(c) && std::isfinite(h) && h > 0.0) {
        s = std::ldexp(1.0, std::ilogb(h));
    } else if (!std::isfinite(c)) {
        c = 0.0;  // abscissas that are not finite: no centre, the fit comes out NaN
    }

    // T(i, j+1) = t_i^j, column major, and the right-hand side (at least m rows for dgels).
    const int ldb = std::max(n, m);
    std::vector<double> vand(static_cast<std::size_t>(n) * m), rhs(static_cast<std::size_t>(ldb), 0.0);
    for (int i = 0; i < n; ++i) {
        const double ti = (vx[i] - c) / s;
        double pw = 1.0;
        for (int j = 0; j < m; ++j) {
            vand[static_cast<std::size_t>(j) * n + i] = pw;
            pw *= ti;
        }
        rhs[static_cast<std::size_t>(i)] = vy[i];
    }
    const int one = 1, query = -1;
    int info = 0;
    double wq = 0.0;
    dgels_("N", &n, &m, &one, vand.data(), &n, rhs.data(), &ldb, &wq, &query, &info, 1);
    const int lwork = std::max(1, static_cast<int>(wq));
    std::vector<double> work(static_cast<std::size_t>(lwork));
    dgels_("N", &n, &m, &one, vand.data(), &n, rhs.data(), &ldb, work.data(), &lwork, &info, 1);
    if (n >= m && (info != 0 || rank_deficient(vand.data(), n, m))) {
        report(-2, "Problem in polynom fitting function");
        std::fill_n(coef, m, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    if (info != 0) return;

    // p(x) = sum b_k ((x - c) / s)^k = sum (b_k / s^k) (x - c)^k, then the shift by c.
    for (int k = 0; k < m; ++k) coef[k] = std::ldexp(rhs[static_cast<std::size_t>(k)], -k * std::ilogb(s));
    if (c != 0.0)
        for (int k = 0; k < m - 1; ++k)
            for (int j = m - 2; j >= k; --j) coef[j] -= c * coef[j + 1];
}

TVK_API double partialcurvelength(const double* dy) { return tvk::partialcurvelength(*dy); }
