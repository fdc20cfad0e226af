// Node derivatives, evaluation and integration of piecewise cubic Hermite functions, in both
// precisions (pchip.h).
#include "pchip/pchip.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/scratch.h"
#include "interp/locate.h"
#include "pchip/hermite.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

template <class R>
R pchst(R arg1, R arg2) {
    if (arg1 == R(0) || arg2 == R(0)) return R(0);
    return std::copysign(R(1), arg1) * std::copysign(R(1), arg2);
}

template <class R>
void pchez(int n, const R* x, const R* f, R* d, bool spline, R* wk, int lwk, int& ierr) {
    if (spline) {
        const int ic[2] = {0, 0};
        const R vc[2] = {R(0), R(0)};  // not read under the end conditions (0, 0)
        pchsp<R>(ic, vc, n, x, f, d, 1, wk, lwk, ierr);
    } else {
        pchim<R>(n, x, f, d, 1, ierr);
    }
}

template <class R>
void pchim(int n, const R* x, const R* fv, R* dv, int incfd, int& ierr) {
    if (!valid_nodes<R>(name<R>("DPCHIM"), n, x, incfd, ierr)) return;
    const Strided<const R> f{fv, incfd};
    const Strided<R> d{dv, incfd};
    auto xx = [&](int i) { return x[i - 1]; };

    ierr = 0;
    const int nless1 = n - 1;
    R h1 = xx(2) - xx(1);
    R del1 = (f(2) - f(1)) / h1;
    R dsave = del1;

    if (n == 2) {  // the straight line
        d(1) = del1;
        d(n) = del1;
        return;
    }

    R h2 = xx(3) - xx(2);
    R del2 = (f(3) - f(2)) / h2;
    R hsum = h1 + h2;

    // First node: non-centred three-point formula, shape-preserving.
    d(1) = end_derivative(h1, hsum, del1, del2);

    // Interior nodes: zero where the slopes change sign (counted) or one of them is zero,
    // else the weighted harmonic mean.
    for (int i = 2; i <= nless1; ++i) {
        if (i > 2) {
            h1 = h2;
            h2 = xx(i + 1) - xx(i);
            hsum = h1 + h2;
            del1 = del2;
            del2 = (f(i + 1) - f(i)) / h2;
        }
        d(i) = R(0);
        const R s = pchst(del1, del2);
        if (s < R(0)) {
            ++ierr;
            dsave = del2;
        } else if (s == R(0)) {
            if (del2 != R(0)) {
                if (pchst(dsave, del2) < R(0)) ++ierr;
                dsave = del2;
            }
        } else {
            d(i) = interior_derivative(h1, h2, del1, del2);
        }
    }

    // Last node: the three-point formula from the right end.
    d(n) = end_derivative(h2, hsum, del2, del1);
}

namespace {

// The checks and counts shared by the one-segment evaluators; false after an error.
template <class R>
bool segment_ready(std::string_view routine, R x1, R x2, int ne, int* next, int& ierr) {
    if (ne < 1) {
        ierr = -1;
        fail(routine, "NUMBER OF EVALUATION POINTS LESS THAN ONE", ierr);
        return false;
    }
    if (x2 - x1 == R(0)) {
        ierr = -2;
        fail(routine, "INTERVAL ENDPOINTS EQUAL", ierr);
        return false;
    }
    ierr = 0;
    next[0] = 0;
    next[1] = 0;
    return true;
}

// Evaluates one cubic at xe(0..ne-1): values into fe and, when Deriv, derivatives into de;
// next(1), next(2) count the points left and right of [x1, x2].
template <bool Deriv, class R>
void segment(const Piece<R>& p, int ne, const R* xe, R* fe, R* de, int* next) {
    const R xmi = std::min(R(0), p.h);
    const R xma = std::max(R(0), p.h);
    int left = 0, right = 0;
    for (int i = 0; i < ne; ++i) {
        const R t = xe[i] - p.x1;
        fe[i] = p(t);
        if constexpr (Deriv) de[i] = p.slope(t);
        left += t < xmi;
        right += t > xma;
    }
    next[0] = left;
    next[1] = right;
}

}  // namespace

template <class R>
void chfev(R x1, R x2, R f1, R f2, R d1, R d2, int ne, const R* xe, R* fe, int* next, int& ierr) {
    if (!segment_ready<R>(name<R>("DCHFEV"), x1, x2, ne, next, ierr)) return;
    segment<false>(make_piece(x1, x2, f1, f2, d1, d2), ne, xe, fe, static_cast<R*>(nullptr), next);
}

template <class R>
void chfdv(R x1, R x2, R f1, R f2, R d1, R d2, int ne, const R* xe, R* fe, R* de, int* next,
           int& ierr) {
    if (!segment_ready<R>(name<R>("DCHFDV"), x1, x2, ne, next, ierr)) return;
    segment<true>(make_piece(x1, x2, f1, f2, d1, d2), ne, xe, fe, de, next);
}

namespace {

// The interval walk of the piecewise evaluators step by step, for node data that are not known
// to be ordered (no bisection, every run evaluated whole by the one-segment evaluator). Returns
// false after an internal failure.
template <bool Deriv, class R>
bool walk_literal(int n, const R* x, const Strided<const R>& f, const Strided<const R>& d, int ne,
                  const R* xe, R* fe, R* de, int& ierr) {
    auto xx = [&](int i) { return x[i - 1]; };
    int jfirst = 0;  // first point not yet settled (0-based)
    int last_backup = -1;
    int ir = 2;
    for (;;) {
        if (jfirst >= ne) return true;
        int j = ne;
        if (ir < n) {
            const R xr = xx(ir);
            j = jfirst;
            while (j < ne && !(xe[j] >= xr)) ++j;
        }
        if (j > jfirst) {
            int next[2] = {0, 0};
            int ierc = 0;
            if constexpr (Deriv)
                chfdv(xx(ir - 1), xx(ir), f(ir - 1), f(ir), d(ir - 1), d(ir), j - jfirst,
                      xe + jfirst, fe + jfirst, de + jfirst, next, ierc);
            else
                chfev(xx(ir - 1), xx(ir), f(ir - 1), f(ir), d(ir - 1), d(ir), j - jfirst,
                      xe + jfirst, fe + jfirst, next, ierc);
            if (ierc < 0) return false;
            if (next[1] != 0) {
                if (ir < n) return false;
                ierr += next[1];
            }
            if (next[0] != 0) {
                if (ir <= 2) {
                    ierr += next[0];
                } else {
                    const R xl = xx(ir - 1);
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
template <bool Deriv, class R>
void walk_ordered(int n, const R* x, const Strided<const R>& f, const Strided<const R>& d, int ne,
                  const R* xe, R* fe, R* de, int& ierr) {
    auto xx = [&](int i) { return x[i - 1]; };
    auto piece_of = [&](int ir) {
        return make_piece(xx(ir - 1), xx(ir), f(ir - 1), f(ir), d(ir - 1), d(ir));
    };
    // All cubics, when there are more points than intervals (on the stack for small tables).
    const bool tabulated = ne >= n;
    Scratch<Piece<R>, 127> pieces(tabulated ? static_cast<std::size_t>(n - 1) : 0);
    if (tabulated)
        for (int ir = 2; ir <= n; ++ir) pieces[static_cast<std::size_t>(ir - 2)] = piece_of(ir);
    // right[k - base]: number of points k.. right of the last interval (its segment count),
    // filled at the first visit of the last interval.
    Scratch<int, 129> right(0);
    int base = -1;
    // First node k (1-based) of 1..n-1 with v < x(k), or n when there is none.
    const interp::BasicLocator<R> nodes(x, n - 1, ne);
    auto first_node_above = [&](R v) { return nodes.first_above(v) + 1; };

    int jfirst = 0;
    int ir = 2;
    while (jfirst < ne) {
        if (ir < n && xe[jfirst] >= xx(ir)) ir = first_node_above(xe[jfirst]);
        const bool first = ir == 2, last = ir == n;
        const Piece<R> p = tabulated ? pieces[static_cast<std::size_t>(ir - 2)] : piece_of(ir);

        // The run: points before x(ir) (on the last interval all remaining points), cut at the
        // first point left of the interval except on the first interval.
        int j = jfirst, backup = -1;
        if (first) {
            if (last) j = ne;
            else
                while (j < ne && !(xe[j] >= xx(ir))) ++j;
        } else {
            const R xl = xx(ir - 1), xr = last ? R(0) : xx(ir);
            for (; j < ne; ++j) {
                const R v = xe[j];
                if (!last && v >= xr) break;
                if (v < xl) {
                    backup = j;
                    break;
                }
            }
        }

        int left_count = 0, right_count = 0;
        const R xma = std::max(R(0), p.h);
        for (int k = jfirst; k < j; ++k) {
            const R t = xe[k] - p.x1;
            fe[k] = p(t);
            if constexpr (Deriv) de[k] = p.slope(t);
            left_count += t < R(0);
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

// pchfe (Deriv false) and pchfd (Deriv true).
template <bool Deriv, class R>
void evaluate(std::string_view routine, std::string_view fatal, int n, const R* x, const R* fv,
              const R* dv, int incfd, bool& skip, int ne, const R* xe, R* fe, R* de, int& ierr) {
    // Node data that were not validated are checked at least for their count and stride, so
    // that nothing is read outside the arrays.
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes<R>(routine, n, x, incfd, ierr)) return;
    }
    skip = true;
    if (ne < 1) {
        ierr = -4;
        fail(routine, "NUMBER OF EVALUATION POINTS LESS THAN ONE", ierr);
        return;
    }
    ierr = 0;

    // Walk the intervals [x(ir-1), x(ir)) from left to right, evaluating on each the run of
    // points that come before x(ir) (on the last interval: all remaining points). A run holding
    // points left of its interval means the points are out of order: the walk then backs up to
    // the interval of the first such point and evaluates again from there. A point equal to a
    // node x(k), k < n, is thus evaluated on the interval to its right; points outside the
    // table on the end cubics; ierr counts the extrapolated points.
    const Strided<const R> f{fv, incfd};
    const Strided<const R> d{dv, incfd};
    if (ordered(n, x)) {
        walk_ordered<Deriv>(n, x, f, d, ne, xe, fe, de, ierr);
    } else if (!walk_literal<Deriv>(n, x, f, d, ne, xe, fe, de, ierr)) {
        ierr = -5;
        fail(routine, fatal, ierr, 2);
    }
}

}  // namespace

template <class R>
void pchfe(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int ne, const R* xe,
           R* fe, int& ierr) {
    evaluate<false>(name<R>("DPCHFE"),
                    pick<R>("ERROR RETURN FROM DCHFEV -- FATAL", "ERROR RETURN FROM CHFEV -- FATAL"),
                    n, x, f, d, incfd, skip, ne, xe, fe, static_cast<R*>(nullptr), ierr);
}

template <class R>
void pchfd(int n, const R* x, const R* f, const R* d, int incfd, bool& skip, int ne, const R* xe,
           R* fe, R* de, int& ierr) {
    evaluate<true>(name<R>("DPCHFD"),
                   pick<R>("ERROR RETURN FROM DCHFDV -- FATAL", "ERROR RETURN FROM CHFDV -- FATAL"),
                   n, x, f, d, incfd, skip, ne, xe, fe, de, ierr);
}

template <class R>
void pchev(int n, const R* x, const R* f, const R* d, int nval, const R* xval, R* fval, R* dval,
           int& ierr) {
    bool skip = true;
    pchfd<R>(n, x, f, d, 1, skip, nval, xval, fval, dval, ierr);
}

template <class R>
R chfie(R x1, R x2, R f1, R f2, R d1, R d2, R a, R b) {
    if (x1 == x2) return R(0);
    const R h = x2 - x1;
    const R ta1 = (a - x1) / h;
    const R ta2 = (x2 - a) / h;
    const R tb1 = (b - x1) / h;
    const R tb2 = (x2 - b) / h;

    // Integrals of the Hermite basis functions in the variables t: phi(t) = t^3 (2 - t),
    // psi(t) = t^3 (3 t - 4).
    auto phi = [](R t) { return t * t * t * (R(2) - t); };
    auto psi = [](R t) { return t * t * t * (R(3) * t - R(4)); };

    const R fterm = f1 * (phi(ta2) - phi(tb2)) + f2 * (phi(tb1) - phi(ta1));
    const R dterm = (d1 * (psi(tb2) - psi(ta2)) + d2 * (psi(tb1) - psi(ta1))) * (h / R(6));
    return (R(0.5) * h) * (fterm + dterm);
}

template <class R>
R pchid(int n, const R* x, const R* fv, const R* dv, int incfd, bool& skip, int ia, int ib,
        int& ierr) {
    const std::string_view routine = name<R>("DPCHID");
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes<R>(routine, n, x, incfd, ierr)) return R(0);
    }
    skip = true;
    if (ia < 1 || ia > n || ib < 1 || ib > n) {
        ierr = -4;
        fail(routine, "IA OR IB OUT OF RANGE", ierr);
        return R(0);
    }
    ierr = 0;
    if (ia == ib) return R(0);

    const Strided<const R> f{fv, incfd};
    const Strided<const R> d{dv, incfd};
    const int low = std::min(ia, ib);
    const int iup = std::max(ia, ib) - 1;
    R sum = R(0);
    for (int i = low; i <= iup; ++i) {
        const R h = x[i] - x[i - 1];
        sum += h * ((f(i) + f(i + 1)) + (d(i) - d(i + 1)) * (h / R(6)));
    }
    const R value = R(0.5) * sum;
    return ia > ib ? -value : value;
}

template <class R>
R pchia(int n, const R* x, const R* fv, const R* dv, int incfd, bool& skip, R a, R b, int& ierr) {
    const std::string_view routine = name<R>("DPCHIA");
    if (!skip || n < 2 || incfd < 1) {
        if (!valid_nodes<R>(routine, n, x, incfd, ierr)) return R(0);
    }
    skip = true;
    ierr = 0;
    auto xx = [&](int i) { return x[i - 1]; };
    if (a < xx(1) || a > xx(n)) ierr += 1;
    if (b < xx(1) || b > xx(n)) ierr += 2;
    if (a == b) return R(0);

    const Strided<const R> f{fv, incfd};
    const Strided<const R> d{dv, incfd};
    auto cubic = [&](int il, int ir, R lo, R hi) {
        return chfie(xx(il), xx(ir), f(il), f(ir), d(il), d(ir), lo, hi);
    };

    const R xa = std::min(a, b);
    const R xb = std::max(a, b);
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

    R value = R(0);
    if (ib > ia) {
        int ierd = 0;
        value = pchid<R>(n, x, fv, dv, incfd, skip, ia, ib, ierd);
        if (ierd < 0) {
            ierr = -4;
            fail(routine, pick<R>("TROUBLE IN DPCHID", "TROUBLE IN PCHID"), ierr);
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

template <class R>
R pchqa(int n, const R* x, const R* f, const R* d, R a, R b, int& ierr) {
    bool skip = true;
    return pchia<R>(n, x, f, d, 1, skip, a, b, ierr);
}

#define TVK_INSTANTIATE(R)                                                                        \
    template R pchst<R>(R, R);                                                                    \
    template void pchez<R>(int, const R*, const R*, R*, bool, R*, int, int&);                     \
    template void pchim<R>(int, const R*, const R*, R*, int, int&);                               \
    template void chfev<R>(R, R, R, R, R, R, int, const R*, R*, int*, int&);                      \
    template void chfdv<R>(R, R, R, R, R, R, int, const R*, R*, R*, int*, int&);                  \
    template void pchfe<R>(int, const R*, const R*, const R*, int, bool&, int, const R*, R*, int&); \
    template void pchfd<R>(int, const R*, const R*, const R*, int, bool&, int, const R*, R*, R*,  \
                           int&);                                                                 \
    template void pchev<R>(int, const R*, const R*, const R*, int, const R*, R*, R*, int&);       \
    template R chfie<R>(R, R, R, R, R, R, R, R);                                                  \
    template R pchid<R>(int, const R*, const R*, const R*, int, bool&, int, int, int&);           \
    template R pchia<R>(int, const R*, const R*, const R*, int, bool&, R, R, int&);               \
    template R pchqa<R>(int, const R*, const R*, const R*, R, R, int&);
TVK_INSTANTIATE(double)
TVK_INSTANTIATE(float)
#undef TVK_INSTANTIATE

}  // namespace tvk::pchip

#define TVK_ENTRIES(R, P)                                                                         \
    TVK_API R P##pchst(const R* arg1, const R* arg2) { return tvk::pchip::pchst<R>(*arg1, *arg2); } \
                                                                                                  \
    TVK_API void P##pchez(const int* n, const R* x, const R* f, R* d, const int* spline, R* wk,    \
                          const int* lwk, int* ierr) {                                            \
        int e = 0;                                                                                \
        tvk::pchip::pchez<R>(*n, x, f, d, spline && *spline != 0, wk, lwk ? *lwk : 0, e);         \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchim(const int* n, const R* x, const R* f, R* d, const int* incfd,           \
                          int* ierr) {                                                            \
        int e = 0;                                                                                \
        tvk::pchip::pchim<R>(*n, x, f, d, *incfd, e);                                             \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchfe(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, const int* ne, const R* xe, R* fe, int* ierr) {              \
        bool sk = *skip != 0;                                                                     \
        int e = 0;                                                                                \
        tvk::pchip::pchfe<R>(*n, x, f, d, *incfd, sk, *ne, xe, fe, e);                            \
        *skip = sk ? 1 : 0;                                                                       \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchfd(const int* n, const R* x, const R* f, const R* d, const int* incfd,     \
                          int* skip, const int* ne, const R* xe, R* fe, R* de, int* ierr) {       \
        bool sk = *skip != 0;                                                                     \
        int e = 0;                                                                                \
        tvk::pchip::pchfd<R>(*n, x, f, d, *incfd, sk, *ne, xe, fe, de, e);                        \
        *skip = sk ? 1 : 0;                                                                       \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##pchev(const int* n, const R* x, const R* f, const R* d, const int* nval,      \
                          const R* xval, R* fval, R* dval, int* ierr) {                           \
        int e = 0;                                                                                \
        tvk::pchip::pchev<R>(*n, x, f, d, *nval, xval, fval, dval, e);                            \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##chfev(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,        \
                          const R* d2, const int* ne, const R* xe, R* fe, int* next, int* ierr) { \
        int e = 0;                                                                                \
        tvk::pchip::chfev<R>(*x1, *x2, *f1, *f2, *d1, *d2, *ne, xe, fe, next, e);                 \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API void P##chfdv(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,        \
                          const R* d2, const int* ne, const R* xe, R* fe, R* de, int* next,       \
                          int* ierr) {                                                            \
        int e = 0;                                                                                \
        tvk::pchip::chfdv<R>(*x1, *x2, *f1, *f2, *d1, *d2, *ne, xe, fe, de, next, e);             \
        *ierr = e;                                                                                \
    }                                                                                             \
                                                                                                  \
    TVK_API R P##pchqa(const int* n, const R* x, const R* f, const R* d, const R* a, const R* b,  \
                       int* ierr) {                                                               \
        int e = 0;                                                                                \
        const R v = tvk::pchip::pchqa<R>(*n, x, f, d, *a, *b, e);                                 \
        *ierr = e;                                                                                \
        return v;                                                                                 \
    }                                                                                             \
                                                                                                  \
    TVK_API R P##pchia(const int* n, const R* x, const R* f, const R* d, const int* incfd,        \
                       int* skip, const R* a, const R* b, int* ierr) {                            \
        bool sk = *skip != 0;                                                                     \
        int e = 0;                                                                                \
        const R v = tvk::pchip::pchia<R>(*n, x, f, d, *incfd, sk, *a, *b, e);                     \
        *skip = sk ? 1 : 0;                                                                       \
        *ierr = e;                                                                                \
        return v;                                                                                 \
    }                                                                                             \
                                                                                                  \
    TVK_API R P##chfie(const R* x1, const R* x2, const R* f1, const R* f2, const R* d1,           \
                       const R* d2, const R* a, const R* b) {                                     \
        return tvk::pchip::chfie<R>(*x1, *x2, *f1, *f2, *d1, *d2, *a, *b);                        \
    }                                                                                             \
                                                                                                  \
    TVK_API R P##pchid(const int* n, const R* x, const R* f, const R* d, const int* incfd,        \
                       int* skip, const int* ia, const int* ib, int* ierr) {                      \
        bool sk = *skip != 0;                                                                     \
        int e = 0;                                                                                \
        const R v = tvk::pchip::pchid<R>(*n, x, f, d, *incfd, sk, *ia, *ib, e);                   \
        *skip = sk ? 1 : 0;                                                                       \
        *ierr = e;                                                                                \
        return v;                                                                                 \
    }
TVK_ENTRIES(double, d)
TVK_ENTRIES(float, )
