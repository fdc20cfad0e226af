#include "pchip/pchip.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/scratch.h"
#include "interp/locate.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

namespace {

void fail(const char* routine, const char* message, int ierr, int level = 1) {
    xermsg("SLATEC", routine, message, ierr, level);
}

// The input checks shared by dpchim, dpchfe, dpchia and dpchid, in this order.
bool valid_nodes(const char* routine, int n, const double* x, int incfd, int& ierr) {
    if (n < 2) {
        ierr = -1;
        fail(routine, "NUMBER OF DATA POINTS LESS THAN TWO", ierr);
        return false;
    }
    if (incfd < 1) {
        ierr = -2;
        fail(routine, "INCREMENT LESS THAN ONE", ierr);
        return false;
    }
    for (int i = 1; i < n; ++i) {
        if (x[i] <= x[i - 1]) {
            ierr = -3;
            fail(routine, "X-ARRAY NOT STRICTLY INCREASING", ierr);
            return false;
        }
    }
    return true;
}

// Strided node data, 1-based: value i is v(1, i) of an array declared v(incfd, n).
struct Strided {
    const double* p;
    std::ptrdiff_t inc;
    double operator()(int i) const { return p[(i - 1) * inc]; }
};

// True when every node is a number and the nodes increase strictly; the interval walk of
// dpchfe may then bisect instead of scanning (the literal walk stays for unvalidated data).
bool ordered(int n, const double* x) {
    for (int i = 1; i < n; ++i)
        if (!(x[i - 1] < x[i])) return false;
    return true;
}

}  // namespace

double dpchst(double arg1, double arg2) {
    if (arg1 == 0.0 || arg2 == 0.0) return 0.0;
    return std::copysign(1.0, arg1) * std::copysign(1.0, arg2);
}

void dpchez(int n, const double* x, const double* f, double* d, bool spline, double* wk, int lwk,
            int& ierr) {
    if (spline) {
        const int ic[2] = {0, 0};
        const double vc[2] = {0.0, 0.0};  // not read under the end conditions (0, 0)
        dpchsp(ic, vc, n, x, f, d, 1, wk, lwk, ierr);
    } else {
        dpchim(n, x, f, d, 1, ierr);
    }
}

void dpchim(int n, const double* x, const double* fv, double* dv, int incfd, int& ierr) {
    if (!valid_nodes("DPCHIM", n, x, incfd, ierr)) return;
    const Strided f{fv, incfd};
    auto d = [&](int i) -> double& { return dv[(i - 1) * static_cast<std::ptrdiff_t>(incfd)]; };
    auto xx = [&](int i) { return x[i - 1]; };

    ierr = 0;
    const int nless1 = n - 1;
    double h1 = xx(2) - xx(1);
    double del1 = (f(2) - f(1)) / h1;
    double dsave = del1;

    if (n == 2) {  // the straight line
        d(1) = del1;
        d(n) = del1;
        return;
    }

    double h2 = xx(3) - xx(2);
    double del2 = (f(3) - f(2)) / h2;
    double hsum = h1 + h2;

    // First node: non-centred three-point formula, shape-preserving.
    double w1 = (h1 + hsum) / hsum;
    double w2 = -h1 / hsum;
    d(1) = w1 * del1 + w2 * del2;
    if (dpchst(d(1), del1) <= 0.0) {
        d(1) = 0.0;
    } else if (dpchst(del1, del2) < 0.0) {
        // The slope changes sign: keep |d(1)| within three times the first secant slope.
        const double dmax = 3.0 * del1;
        if (std::fabs(d(1)) > std::fabs(dmax)) d(1) = dmax;
    }

    // Interior nodes: the Brodlie modification of the Butland weighted harmonic mean.
    for (int i = 2; i <= nless1; ++i) {
        if (i > 2) {
            h1 = h2;
            h2 = xx(i + 1) - xx(i);
            hsum = h1 + h2;
            del1 = del2;
            del2 = (f(i + 1) - f(i)) / h2;
        }
        d(i) = 0.0;
        const double s = dpchst(del1, del2);
        if (s < 0.0) {
            ++ierr;
            dsave = del2;
        } else if (s == 0.0) {
            if (del2 != 0.0) {
                if (dpchst(dsave, del2) < 0.0) ++ierr;
                dsave = del2;
            }
        } else {
            const double hsumt3 = 3.0 * hsum;
            w1 = (hsum + h1) / hsumt3;
            w2 = (hsum + h2) / hsumt3;
            const double dmax = std::max(std::fabs(del1), std::fabs(del2));
            const double dmin = std::min(std::fabs(del1), std::fabs(del2));
            const double drat1 = del1 / dmax;
            const double drat2 = del2 / dmax;
            d(i) = dmin / (w1 * drat1 + w2 * drat2);
        }
    }

    // Last node: the three-point formula from the right end.
    w1 = -h2 / hsum;
    w2 = (h2 + hsum) / hsum;
    d(n) = w1 * del1 + w2 * del2;
    if (dpchst(d(n), del2) <= 0.0) {
        d(n) = 0.0;
    } else if (dpchst(del1, del2) < 0.0) {
        const double dmax = 3.0 * del2;
        if (std::fabs(d(n)) > std::fabs(dmax)) d(n) = dmax;
    }
}

void dchfev(double x1, double x2, double f1, double f2, double d1, double d2, int ne,
            const double* xe, double* fe, int* next, int& ierr) {
    if (ne < 1) {
        ierr = -1;
        fail("DCHFEV", "NUMBER OF EVALUATION POINTS LESS THAN ONE", ierr);
        return;
    }
    const double h = x2 - x1;
    if (h == 0.0) {
        ierr = -2;
        fail("DCHFEV", "INTERVAL ENDPOINTS EQUAL", ierr);
        return;
    }
    ierr = 0;
    next[0] = 0;
    next[1] = 0;
    const double xmi = std::min(0.0, h);
    const double xma = std::max(0.0, h);

    // Cubic in the local variable t = x - x1: f1 + t (d1 + t (c2 + t c3)).
    const double delta = (f2 - f1) / h;
    const double del1 = (d1 - delta) / h;
    const double del2 = (d2 - delta) / h;
    const double c2 = -(del1 + del1 + del2);
    const double c3 = (del1 + del2) / h;

    int left = 0, right = 0;
    for (int i = 0; i < ne; ++i) {
        const double t = xe[i] - x1;
        fe[i] = f1 + t * (d1 + t * (c2 + t * c3));
        left += t < xmi;
        right += t > xma;
    }
    next[0] = left;
    next[1] = right;
}

namespace {

// The cubic of one interval in the form dchfev evaluates: f1 + t (d1 + t (c2 + t c3)) with
// t = x - x1, computed with the same operations, so that values agree bit for bit.
struct Piece {
    double x1, h, f1, d1, c2, c3;
    double operator()(double t) const { return f1 + t * (d1 + t * (c2 + t * c3)); }
};
Piece make_piece(double x1, double x2, double f1, double f2, double d1, double d2) {
    const double h = x2 - x1;
    const double delta = (f2 - f1) / h;
    const double del1 = (d1 - delta) / h;
    const double del2 = (d2 - delta) / h;
    return {x1, h, f1, d1, -(del1 + del1 + del2), (del1 + del2) / h};
}

// The interval walk of dpchfe step by step, for node data that are not known to be ordered (no
// bisection, every run evaluated whole by dchfev). Returns false after an internal failure.
bool walk_literal(int n, const double* x, const Strided& f, const Strided& d, int ne,
                  const double* xe, double* fe, int& ierr) {
    auto xx = [&](int i) { return x[i - 1]; };
    int jfirst = 0;  // first point not yet settled (0-based)
    int last_backup = -1;
    int ir = 2;
    for (;;) {
        if (jfirst >= ne) return true;
        int j = ne;
        if (ir < n) {
            const double xr = xx(ir);
            j = jfirst;
            while (j < ne && !(xe[j] >= xr)) ++j;
        }
        if (j > jfirst) {
            int next[2] = {0, 0};
            int ierc = 0;
            dchfev(xx(ir - 1), xx(ir), f(ir - 1), f(ir), d(ir - 1), d(ir), j - jfirst, xe + jfirst,
                   fe + jfirst, next, ierc);
            if (ierc < 0) return false;
            if (next[1] != 0) {
                if (ir < n) return false;
                ierr += next[1];
            }
            if (next[0] != 0) {
                if (ir <= 2) {
                    ierr += next[0];
                } else {
                    const double xl = xx(ir - 1);
                    int i = jfirst;
                    while (i < j && !(xe[i] < xl)) ++i;
                    // A back-up that does not move past the previous one would repeat forever
                    // (possible only with unordered node data).
                    if (i == j || i <= last_backup) return false;
                    j = i;
                    last_backup = i;
                    int k = 1;
                    while (k < ir - 1 && !(xe[j] < xx(k))) ++k;
                    ir = std::max(1, k - 1);
                }
            }
            jfirst = j;
        }
        if (++ir > n) return true;
    }
}

// The same walk for strictly increasing nodes, with the same results (values and ierr) but
// without its quadratic cost on unordered points: intervals are found by bisection, a run is
// evaluated only up to its first point left of the interval (the walk backs up to that point
// and evaluates everything after it again, so the literal walk's values for those points are
// overwritten anyway), and the extrapolation count of a visit to the last interval, which
// covers every remaining point, comes from a suffix count.
void walk_ordered(int n, const double* x, const Strided& f, const Strided& d, int ne,
                  const double* xe, double* fe, int& ierr) {
    auto xx = [&](int i) { return x[i - 1]; };
    auto piece_of = [&](int ir) {
        return make_piece(xx(ir - 1), xx(ir), f(ir - 1), f(ir), d(ir - 1), d(ir));
    };
    // All cubics, when there are more points than intervals (on the stack for small tables).
    const bool tabulated = ne >= n;
    Scratch<Piece, 127> pieces(tabulated ? static_cast<std::size_t>(n - 1) : 0);
    if (tabulated)
        for (int ir = 2; ir <= n; ++ir) pieces[static_cast<std::size_t>(ir - 2)] = piece_of(ir);
    // right[k - base]: number of points k.. right of the last interval (its dchfev count),
    // filled at the first visit of the last interval.
    Scratch<int, 129> right(0);
    int base = -1;
    // First node k (1-based) of 1..n-1 with v < x(k), or n when there is none.
    const interp::Locator nodes(x, n - 1, ne);
    auto first_node_above = [&](double v) { return nodes.first_above(v) + 1; };

    int jfirst = 0;
    int ir = 2;
    while (jfirst < ne) {
        if (ir < n && xe[jfirst] >= xx(ir)) ir = first_node_above(xe[jfirst]);
        const bool first = ir == 2, last = ir == n;
        const Piece p = tabulated ? pieces[static_cast<std::size_t>(ir - 2)] : piece_of(ir);

        // The run: points before x(ir) (on the last interval all remaining points), cut at the
        // first point left of the interval except on the first interval.
        int j = jfirst, backup = -1;
        if (first) {
            if (last) j = ne;
            else
                while (j < ne && !(xe[j] >= xx(ir))) ++j;
        } else {
            const double xl = xx(ir - 1), xr = last ? 0.0 : xx(ir);
            for (; j < ne; ++j) {
                const double v = xe[j];
                if (!last && v >= xr) break;
                if (v < xl) {
                    backup = j;
                    break;
                }
            }
        }

        int left_count = 0, right_count = 0;
        const double xma = std::max(0.0, p.h);
        for (int k = jfirst; k < j; ++k) {
            const double t = xe[k] - p.x1;
            fe[k] = p(t);
            left_count += t < 0.0;
            right_count += t > xma;
        }
        if (first) ierr += left_count;
        if (last) {
            if (first) {
                ierr += right_count;
            } else {
                if (base < 0) {
                    base = jfirst;
                    right.reset(static_cast<std::size_t>(ne - jfirst + 1));
                    right[static_cast<std::size_t>(ne - base)] = 0;
                    for (int k = ne - 1; k >= jfirst; --k)
                        right[static_cast<std::size_t>(k - base)] =
                            right[static_cast<std::size_t>(k + 1 - base)] + ((xe[k] - p.x1) > xma ? 1 : 0);
                }
                ierr += right[static_cast<std::size_t>(jfirst - base)];
            }
        }

        if (backup >= 0) {
            // Out of order: resume at that point, on the interval that holds it.
            jfirst = backup;
            ir = std::max(2, first_node_above(xe[backup]));
            continue;
        }
        jfirst = j;
        if (last) break;
        ++ir;
    }
}

}  // namespace

void dpchfe(int n, const double* x, const double* fv, const double* dv, int incfd, bool& skip,
            int ne, const double* xe, double* fe, int& ierr) {
    // Node data that were not validated are checked at least for their count and stride, so
    // that nothing is read outside the arrays.
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes("DPCHFE", n, x, incfd, ierr)) return;
    }
    skip = true;
    if (ne < 1) {
        ierr = -4;
        fail("DPCHFE", "NUMBER OF EVALUATION POINTS LESS THAN ONE", ierr);
        return;
    }
    ierr = 0;

    // Walk the intervals [x(ir-1), x(ir)) from left to right, evaluating on each the run of
    // points that come before x(ir) (on the last interval: all remaining points). A run holding
    // points left of its interval means the points are out of order: the walk then backs up to
    // the interval of the first such point and evaluates again from there. A point equal to a
    // node x(k), k < n, is thus evaluated on the interval to its right; points outside the
    // table on the end cubics; ierr counts the extrapolated points.
    const Strided f{fv, incfd};
    const Strided d{dv, incfd};
    if (ordered(n, x)) {
        walk_ordered(n, x, f, d, ne, xe, fe, ierr);
    } else if (!walk_literal(n, x, f, d, ne, xe, fe, ierr)) {
        ierr = -5;
        fail("DPCHFE", "ERROR RETURN FROM DCHFEV -- FATAL", ierr, 2);
    }
}

double dchfie(double x1, double x2, double f1, double f2, double d1, double d2, double a,
              double b) {
    if (x1 == x2) return 0.0;
    const double h = x2 - x1;
    const double ta1 = (a - x1) / h;
    const double ta2 = (x2 - a) / h;
    const double tb1 = (b - x1) / h;
    const double tb2 = (x2 - b) / h;

    // Integrals of the Hermite basis functions in the variables t: phi(t) = t^3 (2 - t),
    // psi(t) = t^3 (3 t - 4).
    auto phi = [](double t) { return t * t * t * (2.0 - t); };
    auto psi = [](double t) { return t * t * t * (3.0 * t - 4.0); };

    const double fterm = f1 * (phi(ta2) - phi(tb2)) + f2 * (phi(tb1) - phi(ta1));
    const double dterm = (d1 * (psi(tb2) - psi(ta2)) + d2 * (psi(tb1) - psi(ta1))) * (h / 6.0);
    return (0.5 * h) * (fterm + dterm);
}

double dpchid(int n, const double* x, const double* fv, const double* dv, int incfd, bool& skip,
              int ia, int ib, int& ierr) {
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes("DPCHID", n, x, incfd, ierr)) return 0.0;
    }
    skip = true;
    if (ia < 1 || ia > n || ib < 1 || ib > n) {
        ierr = -4;
        fail("DPCHID", "IA OR IB OUT OF RANGE", ierr);
        return 0.0;
    }
    ierr = 0;
    if (ia == ib) return 0.0;

    const Strided f{fv, incfd};
    const Strided d{dv, incfd};
    const int low = std::min(ia, ib);
    const int iup = std::max(ia, ib) - 1;
    double sum = 0.0;
    for (int i = low; i <= iup; ++i) {
        const double h = x[i] - x[i - 1];
        sum += h * ((f(i) + f(i + 1)) + (d(i) - d(i + 1)) * (h / 6.0));
    }
    const double value = 0.5 * sum;
    return ia > ib ? -value : value;
}

double dpchia(int n, const double* x, const double* fv, const double* dv, int incfd, bool& skip,
              double a, double b, int& ierr) {
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes("DPCHIA", n, x, incfd, ierr)) return 0.0;
    }
    skip = true;
    ierr = 0;
    auto xx = [&](int i) { return x[i - 1]; };
    if (a < xx(1) || a > xx(n)) ierr += 1;
    if (b < xx(1) || b > xx(n)) ierr += 2;
    if (a == b) return 0.0;

    const Strided f{fv, incfd};
    const Strided d{dv, incfd};
    auto cubic = [&](int il, int ir, double lo, double hi) {
        return dchfie(xx(il), xx(ir), f(il), f(ir), d(il), d(ir), lo, hi);
    };

    const double xa = std::min(a, b);
    const double xb = std::max(a, b);
    if (xb <= xx(2)) return cubic(1, 2, a, b);           // within (or left of) the first interval
    if (xa >= xx(n - 1)) return cubic(n - 1, n, a, b);   // within (or right of) the last one

    // ia: first node at or above xa; ib: last node at or below xb.
    int ia = 1;
    for (int i = 1; i <= n - 1; ++i)
        if (xa > xx(i)) ia = i + 1;
    int ib = n;
    for (int i = n; i >= ia; --i)
        if (xb < xx(i)) ib = i - 1;

    if (ib < ia) return cubic(ib, ia, a, b);  // both limits inside one interval

    double value = 0.0;
    if (ib > ia) {
        int ierd = 0;
        value = dpchid(n, x, fv, dv, incfd, skip, ia, ib, ierd);
        if (ierd < 0) {
            ierr = -4;
            fail("DPCHIA", "TROUBLE IN DPCHID", ierr);
            return value;
        }
    }
    if (xa < xx(ia)) {
        const int il = std::max(1, ia - 1);
        value += cubic(il, il + 1, xa, xx(ia));
    }
    if (xb > xx(ib)) {
        const int ir = std::min(ib + 1, n);
        value += cubic(ir - 1, ir, xx(ib), xb);
    }
    return a > b ? -value : value;
}

double dpchqa(int n, const double* x, const double* f, const double* d, double a, double b,
              int& ierr) {
    bool skip = true;
    return dpchia(n, x, f, d, 1, skip, a, b, ierr);
}

}  // namespace tvk::pchip

TVK_API double dpchst(const double* arg1, const double* arg2) {
    return tvk::pchip::dpchst(*arg1, *arg2);
}

TVK_API void dpchez(const int* n, const double* x, const double* f, double* d, const int* spline,
                    double* wk, const int* lwk, int* ierr) {
    int e = 0;
    tvk::pchip::dpchez(*n, x, f, d, spline && *spline != 0, wk, lwk ? *lwk : 0, e);
    *ierr = e;
}

TVK_API void dpchim(const int* n, const double* x, const double* f, double* d, const int* incfd,
                    int* ierr) {
    int e = 0;
    tvk::pchip::dpchim(*n, x, f, d, *incfd, e);
    *ierr = e;
}

TVK_API void dpchfe(const int* n, const double* x, const double* f, const double* d,
                    const int* incfd, int* skip, const int* ne, const double* xe, double* fe,
                    int* ierr) {
    bool sk = *skip != 0;
    int e = 0;
    tvk::pchip::dpchfe(*n, x, f, d, *incfd, sk, *ne, xe, fe, e);
    *skip = sk ? 1 : 0;
    *ierr = e;
}

TVK_API void dchfev(const double* x1, const double* x2, const double* f1, const double* f2,
                    const double* d1, const double* d2, const int* ne, const double* xe,
                    double* fe, int* next, int* ierr) {
    int e = 0;
    tvk::pchip::dchfev(*x1, *x2, *f1, *f2, *d1, *d2, *ne, xe, fe, next, e);
    *ierr = e;
}

TVK_API double dpchqa(const int* n, const double* x, const double* f, const double* d,
                      const double* a, const double* b, int* ierr) {
    int e = 0;
    const double v = tvk::pchip::dpchqa(*n, x, f, d, *a, *b, e);
    *ierr = e;
    return v;
}

TVK_API double dpchia(const int* n, const double* x, const double* f, const double* d,
                      const int* incfd, int* skip, const double* a, const double* b, int* ierr) {
    bool sk = *skip != 0;
    int e = 0;
    const double v = tvk::pchip::dpchia(*n, x, f, d, *incfd, sk, *a, *b, e);
    *skip = sk ? 1 : 0;
    *ierr = e;
    return v;
}

TVK_API double dchfie(const double* x1, const double* x2, const double* f1, const double* f2,
                      const double* d1, const double* d2, const double* a, const double* b) {
    return tvk::pchip::dchfie(*x1, *x2, *f1, *f2, *d1, *d2, *a, *b);
}

TVK_API double dpchid(const int* n, const double* x, const double* f, const double* d,
                      const int* incfd, int* skip, const int* ia, const int* ib, int* ierr) {
    bool sk = *skip != 0;
    int e = 0;
    const double v = tvk::pchip::dpchid(*n, x, f, d, *incfd, sk, *ia, *ib, e);
    *skip = sk ? 1 : 0;
    *ierr = e;
    return v;
}
