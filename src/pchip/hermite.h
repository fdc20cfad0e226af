// Pieces shared by the routines of the cubic Hermite package (internal): error reports, the
// common input checks, strided node data and the cubic of one interval.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "pchip/pchip.h"
#include "pchip/real.h"
#include "pchip/xermsg.h"

namespace tvk::pchip {

inline void fail(std::string_view routine, std::string_view message, int ierr, int level = 1) {
    xermsg("SLATEC", routine, message, ierr, level);
}

// The count checks of the exported helpers (the package's own callers pass checked counts):
// n < 2 (-1) and incfd < 1 (-2), reported; false when the helper must not run.
inline bool valid_counts(std::string_view routine, int n, int incfd, int& ierr) {
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
    return true;
}

// The node checks shared by the routines that take a table, in this order: n < 2 (-1),
// incfd < 1 (-2), x not strictly increasing (-3).
template <class R>
bool valid_nodes(std::string_view routine, int n, const R* x, int incfd, int& ierr) {
    if (!valid_counts(routine, n, incfd, ierr)) return false;
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
template <class T>
struct Strided {
    T* p;
    std::ptrdiff_t inc;
    T& operator()(int i) const { return p[(i - 1) * inc]; }
};

// True when every node is a number and the nodes increase strictly; the interval walk of the
// evaluators may then bisect instead of scanning (the literal walk stays for unvalidated data).
template <class R>
bool ordered(int n, const R* x) {
    for (int i = 1; i < n; ++i)
        if (!(x[i - 1] < x[i])) return false;
    return true;
}

// Shape-preserving derivative at an end node from the non-centred three-point formula: hnear and
// snear belong to the end interval, sfar to its neighbour, hsum is the sum of both widths. Zero
// when it points against the end slope; at most three times the end slope when the slopes change
// sign.
template <class R>
R end_derivative(R hnear, R hsum, R snear, R sfar) {
    const R w1 = (hnear + hsum) / hsum;
    const R w2 = -hnear / hsum;
    R d = w1 * snear + w2 * sfar;
    if (pchst(d, snear) <= R(0)) {
        d = R(0);
    } else if (pchst(snear, sfar) < R(0)) {
        const R dmax = R(3) * snear;
        if (std::fabs(d) > std::fabs(dmax)) d = dmax;
    }
    return d;
}

// Derivative at an interior node between intervals of widths h1, h2 and slopes del1, del2 of
// the same sign: Brodlie's modification of Butland's weighted harmonic mean.
template <class R>
R interior_derivative(R h1, R h2, R del1, R del2) {
    const R hsumt3 = R(3) * (h1 + h2);
    const R hsum = h1 + h2;
    const R w1 = (hsum + h1) / hsumt3;
    const R w2 = (hsum + h2) / hsumt3;
    const R dmax = std::max(std::fabs(del1), std::fabs(del2));
    const R dmin = std::min(std::fabs(del1), std::fabs(del2));
    const R drat1 = del1 / dmax;
    const R drat2 = del2 / dmax;
    return dmin / (w1 * drat1 + w2 * drat2);
}

// The cubic of one interval about its left end: f1 + t (d1 + t (c2 + t c3)) with t = x - x1,
// and its derivative d1 + t (2 c2 + t 3 c3). Every evaluator computes with these operations, so
// that the one-segment and the piecewise evaluators agree bit for bit.
template <class R>
struct Piece {
    R x1, h, f1, d1, c2, c3;
    R operator()(R t) const { return f1 + t * (d1 + t * (c2 + t * c3)); }
    R slope(R t) const { return d1 + t * ((c2 + c2) + t * (R(3) * c3)); }
};
template <class R>
Piece<R> make_piece(R x1, R x2, R f1, R f2, R d1, R d2) {
    const R h = x2 - x1;
    const R delta = (f2 - f1) / h;
    const R del1 = (d1 - delta) / h;
    const R del2 = (d2 - delta) / h;
    return {x1, h, f1, d1, -(del1 + del1 + del2), (del1 + del2) / h};
}

}  // namespace tvk::pchip
