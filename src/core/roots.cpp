#include "roots.h"

#include <algorithm>
#include <climits>
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

TVK_API void SpecialCase(const double* p, const double* q, double* xx1, double* xx2, double* xx3) {
    const double pv = *p, qv = *q;
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

TVK_API void Solution3PE(const double* a, const double* b, const double* c, const double* d,
                         double* x1, double* x2, double* x3) {
    // x = t - s turns the cubic into t^3 + p t + q = 0.
    const double s = *b / (3.0 * *a);
    const double ca = *c / *a;
    const double p = ca - 3.0 * s * s;
    const double q = *d / *a - ca * s + 2.0 * s * s * s;
    SpecialCase(&p, &q, x1, x2, x3);
    *x1 -= s;
    *x2 -= s;
    *x3 -= s;
}

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

    // Vandermonde matrix X(i, j+1) = vx(i)^j and the normal equations X^T X c = X^T vy.
    std::vector<double> vand(static_cast<std::size_t>(n) * m);
    for (int i = 0; i < n; ++i) {
        double pw = 1.0;
        for (int j = 0; j < m; ++j) {
            vand[static_cast<std::size_t>(j) * n + i] = pw;
            pw *= vx[i];
        }
    }
    std::vector<double> xtx(static_cast<std::size_t>(m) * m, 0.0), xty(m, 0.0);
    for (int j = 0; j < m; ++j) {
        const double* cj = vand.data() + static_cast<std::size_t>(j) * n;  // n may be 0
        for (int k = 0; k < m; ++k) {
            const double* ck = vand.data() + static_cast<std::size_t>(k) * n;
            double s = 0.0;
            for (int i = 0; i < n; ++i) s += cj[i] * ck[i];
            xtx[static_cast<std::size_t>(k) * m + j] = s;
        }
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += cj[i] * vy[i];
        xty[j] = s;
    }

    // (X^T X)^-1 by LU factorisation; a failure is reported and the work matrix used as left.
    std::vector<int> ipiv(m, 0);
    std::vector<double> work(m, 0.0);
    int info = 0;
    dgetrf_(&m, &m, xtx.data(), &m, ipiv.data(), &info);
    if (info != 0) report(-2, "Problem in polynom fitting function");
    dgetri_(&m, xtx.data(), &m, ipiv.data(), work.data(), &m, &info);
    if (info != 0) report(-2, "Problem in polynom fitting function");

    for (int j = 0; j < m; ++j) {
        double s = 0.0;
        for (int k = 0; k < m; ++k) s += xtx[static_cast<std::size_t>(k) * m + j] * xty[k];
        coef[j] = s;
    }
}

TVK_API double partialcurvelength(const double* dy) { return tvk::partialcurvelength(*dy); }
