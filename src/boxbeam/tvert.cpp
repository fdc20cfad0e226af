// Elimination for the shear-flow systems of the box-beam calculator: N unknowns from N + 1
// equations (one redundant, as boom equilibrium of a connected section always is), Gaussian
// elimination with row pivoting through a permutation vector, and a strided scalar product for
// the residuals.
#include <algorithm>
#include <cmath>
#include <vector>

#include "calc.h"
#include "core/scratch.h"

namespace tvk::boxbeam {

namespace {

// The redundant row holds when its residual at the solution, b_i - sum a_il x_l, lies within the
// rounding of its terms: the rows are consistent only to the rounding of the coefficients and of
// the elimination (boom equilibrium sums loads that cancel), so the residual is measured against
// |b_i| + sum |a_il x_l|, not against zero. The sections of the tests stay below 1e-11 of their
// terms; a residual beyond 2^-20 of them is an inconsistent system (within it the solution is
// still meaningful to that fraction). Terms that are not finite are left to the callers' test
// of the results: the residual then has no value, and the row is not called inconsistent.
bool redundant_row_holds(const double* row, std::ptrdiff_t stride, int n, double bi, const double* x) {
    double res = bi, size = std::fabs(bi);
    for (int l = 0; l < n; ++l) {
        const double t = row[l * stride] * x[l];
        res -= t;
        size += std::fabs(t);
    }
    return !(std::fabs(res) > 0x1p-20 * size);
}

}  // namespace

int tvert(double* A, int n, int kl, double eps, const double* b, int* ip, double* x, double* work) {
    if (n < 1 || kl < n + 1) return -1;
    auto a = [A, kl](int i, int j) -> double& { return A[(i - 1) + static_cast<std::ptrdiff_t>(j - 1) * kl]; };
    // The rows as given, after the right side in work, for the test of the redundant one at the
    // end (the elimination overwrites A).
    double* given = work + (n + 1);
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n + 1; ++i) given[(i - 1) + static_cast<std::size_t>(j - 1) * (n + 1)] = a(i, j);
    std::copy(b, b + n + 1, work);
    auto r = [work](int i) -> double& { return work[i - 1]; };
    for (int i = 1; i <= n + 1; ++i) ip[i - 1] = i;
    auto p = [ip](int j) -> int& { return ip[j - 1]; };

    for (int k = 1; k <= n - 1; ++k) {
        // the first of equal maxima wins
        int best = k;
        for (int j = k + 1; j <= n + 1; ++j)
            if (std::fabs(a(p(j), k)) > std::fabs(a(p(best), k))) best = j;
        std::swap(p(k), p(best));
        const int piv = p(k);
        if (eps >= std::fabs(a(piv, k))) return k;
        const double inv = 1.0 / a(piv, k);
        for (int j = k + 1; j <= n + 1; ++j) {
            const int i = p(j);
            const double h = a(i, k) * inv;
            for (int l = k; l <= n; ++l) a(i, l) -= a(piv, l) * h;
            a(i, k) = h;
        }
    }
    for (int k = 1; k <= n - 1; ++k)
        for (int j = k + 1; j <= n + 1; ++j) r(p(j)) -= a(p(j), k) * r(p(k));

    // two rows are left for the last unknown: the one with the larger coefficient decides
    const int rp = p(n), rq = p(n + 1);
    const int last = std::fabs(a(rp, n)) >= std::fabs(a(rq, n)) ? rp : rq;
    if (std::fabs(a(last, n)) > eps) {
        x[n - 1] = r(last) / a(last, n);
    } else if (std::fabs(r(last)) > eps) {
        return last == rp ? n : n + 1;  // no coefficient left and a right side: inconsistent
    } else {
        x[n - 1] = 1.0;
    }
    for (int k = n - 1; k >= 1; --k) {
        const int i = p(k);
        double s = r(i);
        for (int l = k + 1; l <= n; ++l) s -= a(i, l) * x[l - 1];
        x[k - 1] = s / a(i, k);
    }
    // The last unknown came from one of the two remaining rows; the other one must hold too.
    const int other = last == rp ? rq : rp;
    if (!redundant_row_holds(given + (other - 1), n + 1, n, b[other - 1], x)) return n + 1;
    return 0;
}

double qvskpx(const double* a, const double* b, int n, int la, int lb) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += a[static_cast<std::ptrdiff_t>(i) * la] * b[static_cast<std::ptrdiff_t>(i) * lb];
    return s;
}

}  // namespace tvk::boxbeam

TVK_BOX_API void TVERT(double* A, const std::int32_t* N, const std::int32_t* KL, const double* EPS,
                       const double* B, std::int32_t* IP, double* X, std::int32_t* IFAIL) {
    int f = -1;
    if (A && N && KL && EPS && B && IP && X) {
        const std::size_t rows = static_cast<std::size_t>(std::max(*N, 0)) + 1;
        tvk::Scratch<double, 64> work(rows * rows);
        f = tvk::boxbeam::tvert(A, *N, *KL, *EPS, B, IP, X, work.get());
    }
    if (IFAIL) *IFAIL = f;
}

TVK_BOX_API double QVSKPX(const double* A, const double* B, const std::int32_t* N, const std::int32_t* LA,
                          const std::int32_t* LB) {
    if (!A || !B || !N || !LA || !LB) return 0.0;
    return tvk::boxbeam::qvskpx(A, B, *N, *LA, *LB);
}
