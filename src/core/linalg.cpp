// Dense linear algebra and products; see linalg.h for the argument habits.
//
// Small matrices (n <= 6: the 3x3 and 6x6 stiffness, compliance and transformation matrices of
// the material routines) take hand-written, fully unrolled paths on the stack for the inverse,
// the LU determinant and the products. The inverse and the determinant follow the same
// algorithm as LAPACK's dgetrf/dgetri (partial pivoting on the first largest modulus, inverse of
// U, then inv(A) L = inv(U), then the column interchanges), but the order of the rank-one
// updates differs from dgetrf's recursive splitting, so results may differ from the LAPACK path
// in the last bits. Singular and non-finite cases always go through LAPACK so that the reports
// and the returned work matrix are LAPACK's own.
#include "linalg.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "errors.h"
#include "lapack.h"

namespace {

using std::size_t;
using tvk::la::Scratch;

inline size_t count(int n) { return n > 0 ? static_cast<size_t>(n) : 0; }
inline size_t count(int n, int m) { return count(n) * count(m); }

// The iterative LAPACK eigen and singular value solvers (dsteqr, dsterf, dbdsqr) may never
// converge on an infinite or NaN entry, so such input is refused before the call. Only the part
// of the column-major m x n matrix that LAPACK reads is examined (the upper triangle for the
// symmetric solvers). Reports at level -3 and returns false when an entry is not finite.
bool finite_input(const char* routine, const double* a, int m, int n, bool upper_only) {
    const size_t M = count(m), N = count(n);
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0, end = upper_only ? std::min(j + 1, M) : M; i < end; ++i)
            if (!std::isfinite(a[i + j * M])) {
                tvk::report(-3, tvk::compose(routine, ": matrix entry is not finite"),
                            static_cast<int>(i + 1), static_cast<int>(j + 1), a[i + j * M]);
                return false;
            }
    return true;
}

// True when [p, p+np) and [q, q+nq) share memory.
inline bool overlap(const double* p, size_t np, const double* q, size_t nq) {
    return np && nq && p < q + nq && q < p + np;
}

// ---------------------------------------------------------------------------------------------
// LU with partial pivoting for a compile-time order N (column-major, in place).
// Pivot: the first entry of largest modulus at or below the diagonal (BLAS idamax; a NaN is
// never chosen unless it stands on the diagonal). A zero pivot leaves the column unscaled and
// the rows unswapped, as dgetf2 does, and sets info to its 1-based position (first one kept).
template <int N>
inline int lu_small(double* A, int* ipiv) {
    int info = 0;
    for (int j = 0; j < N; ++j) {
        int p = j;
        double amax = std::fabs(A[j + j * N]);
        for (int i = j + 1; i < N; ++i) {
            const double v = std::fabs(A[i + j * N]);
            if (v > amax) {
                amax = v;
                p = i;
            }
        }
        ipiv[j] = p;
        const double piv = A[p + j * N];
        if (piv != 0.0) {
            if (p != j)
                for (int c = 0; c < N; ++c) std::swap(A[j + c * N], A[p + c * N]);
            if (std::fabs(piv) >= tvk::tiny) {
                const double r = 1.0 / piv;
                for (int i = j + 1; i < N; ++i) A[i + j * N] *= r;
            } else {
                for (int i = j + 1; i < N; ++i) A[i + j * N] /= piv;
            }
        } else if (info == 0) {
            info = j + 1;
        }
        for (int c = j + 1; c < N; ++c) {
            const double t = A[j + c * N];
            for (int i = j + 1; i < N; ++i) A[i + c * N] -= A[i + j * N] * t;
        }
    }
    return info;
}

// Inverse of a regular matrix of order N from its LU factors (dgetri's unblocked steps).
// Returns false, writing nothing, when a pivot is zero or not finite: such matrices go to LAPACK.
template <int N>
bool inverse_small(const double* a, double* ainv) {
    double A[N * N];
    int ipiv[N];
    std::memcpy(A, a, sizeof A);
    lu_small<N>(A, ipiv);
    for (int j = 0; j < N; ++j)
        if (!(A[j + j * N] != 0.0) || !std::isfinite(A[j + j * N])) return false;
    // inv(U) in place (dtrti2, upper, non-unit).
    for (int j = 0; j < N; ++j) {
        A[j + j * N] = 1.0 / A[j + j * N];
        const double ajj = -A[j + j * N];
        for (int jj = 0; jj < j; ++jj) {
            const double t = A[jj + j * N];
            if (t != 0.0) {
                for (int i = 0; i < jj; ++i) A[i + j * N] += t * A[i + jj * N];
                A[jj + j * N] = t * A[jj + jj * N];
            }
        }
        for (int i = 0; i < j; ++i) A[i + j * N] *= ajj;
    }
    // Solve inv(A) L = inv(U), column by column from the right.
    double work[N];
    for (int j = N - 1; j >= 0; --j) {
        for (int i = j + 1; i < N; ++i) {
            work[i] = A[i + j * N];
            A[i + j * N] = 0.0;
        }
        for (int jj = j + 1; jj < N; ++jj) {
            const double t = -work[jj];
            for (int i = 0; i < N; ++i) A[i + j * N] += t * A[i + jj * N];
        }
    }
    // Undo the row interchanges of the factorisation as column interchanges of the inverse.
    for (int j = N - 2; j >= 0; --j) {
        const int jp = ipiv[j];
        if (jp != j)
            for (int i = 0; i < N; ++i) std::swap(A[i + j * N], A[i + jp * N]);
    }
    std::memcpy(ainv, A, sizeof A);
    return true;
}

bool inverse_dispatch(const double* a, double* ainv, int n) {
    switch (n) {
        case 1: return inverse_small<1>(a, ainv);
        case 2: return inverse_small<2>(a, ainv);
        case 3: return inverse_small<3>(a, ainv);
        case 4: return inverse_small<4>(a, ainv);
        case 5: return inverse_small<5>(a, ainv);
        case 6: return inverse_small<6>(a, ainv);
        default: return false;
    }
}

// Product of the n pivots u[0], u[step], ..., negated once for every row interchange
// (ipiv[i] != i + base). Each pivot is split into a fraction in [0.5, 1) and a power of two
// before it enters the product, and the running product is split again after each step, so
// no intermediate overflows or underflows: a pivot in the subnormal range keeps its digits and
// a determinant within the range of doubles is not lost on the way. Scaling by powers of two is
// exact, so wherever the plain product stays in the normal range this is that product to the
// last bit; the one rounding into the subnormal range comes at the end.
double pivot_product(const double* u, int n, size_t step, const int* ipiv, int base) {
    double d = 1.0;
    int e = 0;
    for (int i = 0; i < n; ++i) {
        int ku = 0, kd = 0;
        const double f = std::frexp(u[static_cast<size_t>(i) * step], &ku);
        d = std::frexp(d * f, &kd);
        if (std::isfinite(d)) e += ku + kd;
        if (ipiv[i] != i + base) d = -d;
    }
    return std::ldexp(d, e);
}

// det a for order N: product of the diagonal of U, negated once per row interchange.
template <int N>
double lu_det_small(const double* a, int& info) {
    double A[N * N];
    int ipiv[N];
    std::memcpy(A, a, sizeof A);
    info = lu_small<N>(A, ipiv);
    return pivot_product(A, N, N + 1, ipiv, 0);
}

// Workspace sizes from LAPACK's query call (lwork = -1). The optimum depends only on the order
// (and on ilaenv's block sizes), so it is asked once per order and kept for small orders.
template <class Query>
int cached_lwork(std::atomic<int>* cache, int ncache, int n, Query q) {
    if (n < ncache) {
        const int v = cache[n].load(std::memory_order_relaxed);
        if (v > 0) return v;
    }
    double w = 0.0;
    q(&w);
    const int lw = std::max(1, static_cast<int>(w));
    if (n < ncache) cache[n].store(lw, std::memory_order_relaxed);
    return lw;
}

constexpr int kCache = 65;
std::atomic<int> dsyev_lwork[kCache];
std::atomic<int> dsytrd_lwork[kCache];

// Generic product kernels. The compile-time variants let the compiler unroll the 3x3 and 6x6
// cases; the arithmetic (and the zero skip) is the same.
template <int L, int Nn, int M>
inline void matmul_fixed(const double* a, const double* b, double* c) {
    for (int j = 0; j < M; ++j) {
        double col[L] = {};
        for (int k = 0; k < Nn; ++k) {
            const double bkj = b[k + j * Nn];
            if (bkj != 0.0)
                for (int i = 0; i < L; ++i) col[i] += a[i + k * L] * bkj;
        }
        for (int i = 0; i < L; ++i) c[i + j * L] = col[i];
    }
}

void matmul_generic(const double* a, const double* b, double* c, size_t l, size_t n, size_t m) {
    for (size_t j = 0; j < m; ++j) {
        double* cj = c + j * l;
        std::fill(cj, cj + l, 0.0);
        for (size_t k = 0; k < n; ++k) {
            const double bkj = b[k + j * n];
            if (bkj != 0.0) {
                const double* ak = a + k * l;
                for (size_t i = 0; i < l; ++i) cj[i] += ak[i] * bkj;
            }
        }
    }
}

template <int N, int M>
inline void matvec_fixed(const double* a, const double* b, double* c) {
    double col[N] = {};
    for (int k = 0; k < M; ++k) {
        const double bk = b[k];
        if (bk != 0.0)
            for (int i = 0; i < N; ++i) col[i] += a[i + k * N] * bk;
    }
    for (int i = 0; i < N; ++i) c[i] = col[i];
}

void matvec_generic(const double* a, const double* b, double* c, size_t n, size_t m) {
    std::fill(c, c + n, 0.0);
    for (size_t k = 0; k < m; ++k) {
        const double bk = b[k];
        if (bk != 0.0) {
            const double* ak = a + k * n;
            for (size_t i = 0; i < n; ++i) c[i] += ak[i] * bk;
        }
    }
}

// Cofactor expansion along the first row with the minors memoised. The plain recursion visits
// the minor of rows r.. and a column set C once for every order in which the columns outside C
// were taken; its value depends on C only, so each of the 2^n column sets
// is evaluated once, smallest first: g(C) = sum over the columns c_1 < c_2 < ... of C of
// s_i a(n - |C|, c_i) g(C without c_i), s_1 = 1, s_(i+1) = s_i pdflag, and g({c}) = a(n - 1, c).
// The sums are formed in the order and grouping of the plain recursion, so the result is the
// recursion's to the last bit, at n 2^(n-1) products instead of n! (pdflag -1: determinant,
// 1: permanent, any other value: the signed variant it defines).
double expand_memoised(const double* a, int n, double pdflag) {
    const std::uint32_t full = (std::uint32_t{1} << n) - 1;
    std::vector<double> g(static_cast<size_t>(full) + 1, 0.0);
    const size_t lda = count(n);
    for (std::uint32_t c = 1; c <= full; ++c) {
        const int k = std::popcount(c);
        const size_t row = static_cast<size_t>(n - k);
        if (k == 1) {
            g[c] = a[row + static_cast<size_t>(std::countr_zero(c)) * lda];
            continue;
        }
        double pd = 0.0, sg = 1.0;
        for (std::uint32_t rest = c; rest; rest &= rest - 1) {
            const std::uint32_t bit = rest & (~rest + 1);
            const double aij = a[row + static_cast<size_t>(std::countr_zero(bit)) * lda];
            pd += sg * aij * g[c ^ bit];
            sg *= pdflag;
        }
        g[c] = pd;
    }
    return g[full];
}

// A double as a fraction and a power of two, m 2^e with m = 0, |m| in [0.5, 1) or m not finite
// (e = 0 then): products and sums of such values round as those of the doubles they stand for
// wherever those stay in the normal range (scaling by powers of two is exact, and each operation
// rounds its fraction to 53 bits once), and go on beyond that range without over- or underflow.
struct Scaled {
    double m;
    int e;
    static Scaled of(double v) {
        if (v == 0.0 || !std::isfinite(v)) return {v, 0};
        int k = 0;
        const double f = std::frexp(v, &k);
        return {f, k};
    }
    double value() const { return std::ldexp(m, e); }
    Scaled operator-() const { return {-m, e}; }
    friend Scaled operator*(Scaled x, Scaled y) {
        const double p = x.m * y.m;
        if (p == 0.0 || !std::isfinite(p)) return {p, 0};
        int k = 0;
        const double f = std::frexp(p, &k);
        return {f, x.e + y.e + k};
    }
    friend Scaled operator+(Scaled x, Scaled y) {
        const bool xs = x.m == 0.0 || !std::isfinite(x.m), ys = y.m == 0.0 || !std::isfinite(y.m);
        if (xs && ys) return {x.m + y.m, 0};  // signed zeros, infinities and NaN as for doubles
        if (x.m == 0.0) return y;
        if (y.m == 0.0) return x;
        if (xs || ys) return {x.m + y.m, 0};
        // The smaller term, more than 1021 binades down, only becomes a subnormal that cannot
        // move the rounding of the larger one.
        const int e = std::max(x.e, y.e);
        const double s = std::ldexp(x.m, x.e - e) + std::ldexp(y.m, y.e - e);
        if (s == 0.0) return {0.0, 0};
        int k = 0;
        const double f = std::frexp(s, &k);
        return {f, e + k};
    }
};

// The determinant of order 2 or 3 by the cofactor expansion along the first row in the order and
// grouping of expand_memoised (pdflag -1), in Scaled arithmetic: the same value to the last bit
// where every product and sum of the expansion stays in the normal range, and the determinant
// itself wherever it is representable, where the plain products over- or underflow
// (diag(1.2e-204, -9.4e254, 8.7e186) gave -inf, diag(-6.0e273, 2.5e-233, 2.2e-308) gave 0).
double det_scaled(const double* a, int n) {
    const auto at = [a, n](int i, int j) { return Scaled::of(a[i + j * n]); };
    const Scaled zero{0.0, 0};
    // The minor of the last two rows r, r + 1 on the columns c1 < c2.
    const auto minor2 = [&](int r, int c1, int c2) {
        return zero + at(r, c1) * at(r + 1, c2) + -at(r, c2) * at(r + 1, c1);
    };
    if (n == 2) return minor2(0, 0, 1).value();
    return (zero + at(0, 0) * minor2(1, 1, 2) + -at(0, 1) * minor2(1, 0, 2) + at(0, 2) * minor2(1, 0, 1))
        .value();
}

// True when every entry is zero or of a magnitude in [2^-300, 2^300]: the expansion of order 3 and
// less then stays in the normal range throughout (products within 2^-900..2^900, and a sum of such
// products that does not cancel to zero at least their rounding unit).
bool moderate_entries(const double* a, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const double v = std::fabs(a[i]);
        if (v != 0.0 && !(v >= 0x1p-300 && v <= 0x1p300)) return false;
    }
    return true;
}

// Permanent by Ryser's formula in the form of Nijenhuis and Wilf (Combinatorial Algorithms,
// 1978): per a = (-1)^(n-1) 2 sum over S in {1..n-1} of (-1)^|S| prod_i (x_i + sum_(j in S) a_ij)
// with x_i = a_in - (1/2) sum_j a_ij. The subsets are visited in Gray-code order, so each one
// changes the n row sums by one column: n 2^(n-1) operations and no storage beyond the sums.
double ryser_permanent(const double* a, int n) {
    const size_t N = count(n);
    std::vector<double> x(N);
    for (size_t i = 0; i < N; ++i) {
        double rs = 0.0;
        for (size_t j = 0; j < N; ++j) rs += a[i + j * N];
        x[i] = a[i + (N - 1) * N] - rs / 2.0;
    }
    const auto product = [&] {
        double p = 1.0;
        for (size_t i = 0; i < N; ++i) p *= x[i];
        return p;
    };
    double sum = product();
    std::uint64_t gray = 0;
    const std::uint64_t subsets = std::uint64_t{1} << (n - 1);
    for (std::uint64_t k = 1; k < subsets; ++k) {
        const int j = std::countr_zero(k);
        gray ^= std::uint64_t{1} << j;
        const double* col = a + static_cast<size_t>(j) * N;
        if (gray >> j & 1)
            for (size_t i = 0; i < N; ++i) x[i] += col[i];
        else
            for (size_t i = 0; i < N; ++i) x[i] -= col[i];
        sum += (std::popcount(gray) & 1) ? -product() : product();
    }
    return ((n - 1) % 2 ? -2.0 : 2.0) * sum;
}

}  // namespace

// =============================================================================================
// C++ conveniences
// =============================================================================================
namespace tvk::la {

bool inverse(const double* a, double* ainv, int n) {
    if (n < 1) return true;  // nothing to invert; LAPACK would reject lwork = 0
    if (n <= 6 && inverse_dispatch(a, ainv, n)) return true;
    const size_t nn = count(n, n);
    Scratch<double, 64> w(nn);
    Scratch<int, 16> ipiv(count(n));
    Scratch<double, 16> work(count(n));
    std::memcpy(w.get(), a, nn * sizeof(double));
    int info = 0;
    dgetrf_(&n, &n, w.get(), &n, ipiv.get(), &info);
    const bool factored = info == 0;
    if (!factored) tvk::report(-2, "Matrix inverse becomes numerically singular!", info, n);
    const int lwork = n;
    dgetri_(&n, w.get(), &n, ipiv.get(), work.get(), &lwork, &info);
    if (info != 0) tvk::report(-2, "Matrix inversion failed!", info, n);
    std::memcpy(ainv, w.get(), nn * sizeof(double));
    return factored && info == 0;
}

}  // namespace tvk::la

namespace {

// Product of the diagonal of U from dgetrf on a copy of a (n >= 1), the sign flipped for every
// row exchange; info as dgetrf returns it. With info > 0 (an exactly zero pivot, the
// factorization still completed) the product holds that zero.
double getrf_determinant(const double* a, int n, int& info) {
    const size_t nn = count(n, n);
    Scratch<double, 64> w(nn);
    Scratch<int, 16> ipiv(count(n));
    std::memcpy(w.get(), a, nn * sizeof(double));
    dgetrf_(&n, &n, w.get(), &n, ipiv.get(), &info);
    return pivot_product(w.get(), n, count(n) + 1, ipiv.get(), 1);
}

}  // namespace

namespace tvk::la {

double lu_determinant(const double* a, int n) {
    if (n < 1) return 1.0;  // empty product
    int info = 0;
    double d = 1.0;
    switch (n) {
        case 1: d = lu_det_small<1>(a, info); break;
        case 2: d = lu_det_small<2>(a, info); break;
        case 3: d = lu_det_small<3>(a, info); break;
        case 4: d = lu_det_small<4>(a, info); break;
        case 5: d = lu_det_small<5>(a, info); break;
        case 6: d = lu_det_small<6>(a, info); break;
        default: d = getrf_determinant(a, n, info);
    }
    if (info != 0) {
        tvk::report(-2, "Singularity in LU-factorization computation", info, n);
        return 0.0;
    }
    return d;
}

void matmul(const double* a, const double* b, double* c, int l, int n, int m) {
    const size_t L = count(l), Nn = count(n), M = count(m);
    if (L == 0 || M == 0) return;
    // The result is cleared before it is summed into; an output that overlaps an operand is
    // computed aside first.
    if (overlap(c, L * M, a, L * Nn) || overlap(c, L * M, b, Nn * M)) {
        Scratch<double, 64> t(L * M);
        matmul_generic(a, b, t.get(), L, Nn, M);
        std::memcpy(c, t.get(), L * M * sizeof(double));
        return;
    }
    if (l == 3 && n == 3 && m == 3) return matmul_fixed<3, 3, 3>(a, b, c);
    if (l == 6 && n == 6 && m == 6) return matmul_fixed<6, 6, 6>(a, b, c);
    matmul_generic(a, b, c, L, Nn, M);
}

void matvec(const double* a, const double* b, double* c, int n, int m) {
    const size_t Nn = count(n), M = count(m);
    if (Nn == 0) return;
    if (overlap(c, Nn, a, Nn * M) || overlap(c, Nn, b, M)) {
        Scratch<double, 16> t(Nn);
        matvec_generic(a, b, t.get(), Nn, M);
        std::memcpy(c, t.get(), Nn * sizeof(double));
        return;
    }
    if (n == 3 && m == 3) return matvec_fixed<3, 3>(a, b, c);
    if (n == 6 && m == 6) return matvec_fixed<6, 6>(a, b, c);
    matvec_generic(a, b, c, Nn, M);
}

bool chol_failed(const double* c, int n) {
    const size_t nn = count(n, n);
    for (size_t i = 0; i < nn; ++i)
        if (!(c[i] == -tvk::huge)) return false;  // any other entry, NaN included, is a factor
    return nn > 0;
}

}  // namespace tvk::la

// =============================================================================================
// LAPACK wrappers
// =============================================================================================

void MatrixInverse(const double* a, double* ainv, const int* n) { tvk::la::inverse(a, ainv, *n); }

void LUFactDeterminant(double* lud, const double* a, const int* n) {
    *lud = tvk::la::lu_determinant(a, *n);
}

// From n = 4 on the determinant (pdflag -1) is taken from the LU factors (partial pivoting,
// O(n^3)): its error stays within a few n eps times the condition number, where the expansion's
// cancellation loses all digits of an ill-conditioned matrix (Hilbert's of order 8 gets the wrong
// sign). Like the expansion it reports nothing, and an exactly singular matrix gives 0. Up to
// n = 3, and for every other pdflag, the cofactor expansion (exact for small integer matrices)
// is evaluated with its minors memoised (n 2^(n-1) products, 2^n stored minors), up to n = 20
// (8 MB, milliseconds). At orders 2 and 3 the determinant of a matrix with an entry beyond
// 2^300 or below 2^-300 in size is expanded as fractions and powers of two (det_scaled), so that
// no product over- or underflows where the determinant is representable.
// The permanent (pdflag 1) of a larger finite matrix follows from Ryser's formula up to n = 27
// (about a second). Larger matrices, and a larger permanent with an infinite or NaN entry, are
// refused with a level -3 report and pd = 0.
void Determinant(double* pd, const double* a, const int* n, const int* pdflag) {
    constexpr int max_memoised = 20, max_ryser = 27;
    const int nn = *n;
    const double flag = pdflag ? static_cast<double>(*pdflag) : -1.0;
    *pd = 0.0;
    if (nn <= 0) return;
    if (nn >= 4 && flag == -1.0) {
        int info = 0;
        *pd = getrf_determinant(a, nn, info);
        return;
    }
    if ((nn == 2 || nn == 3) && flag == -1.0 && !moderate_entries(a, count(nn) * count(nn))) {
        *pd = det_scaled(a, nn);
        return;
    }
    if (nn <= max_memoised) {
        *pd = expand_memoised(a, nn, flag);
        return;
    }
    if (flag != 1.0 || nn > max_ryser) {
        tvk::report(-3, "Determinant: matrix too large for the cofactor expansion", nn, *pdflag);
        return;
    }
    const size_t N = count(nn);
    if (!std::all_of(a, a + N * N, [](double v) { return std::isfinite(v); })) {
        tvk::report(-3, "Determinant: permanent of a matrix with a non-finite entry", nn, *pdflag);
        return;
    }
    *pd = ryser_permanent(a, nn);
}

// dsyev with jobz "V", uplo "U" on a copy of a held in z: eigenvectors as columns of z in the
// order of ascending eigenvalues. The eigenvalues reach eigvals only when it is present and
// every one of its incoming values is negative (the request marker). info is not examined.
void MatrixEigenVectors(const double* a, double* z, const int* n, double* eigvals) {
    const int nn = *n;
    if (nn < 1) return;
    const size_t N = count(nn);
    if (!finite_input("MatrixEigenVectors", a, nn, nn, true)) {
        // No eigen-solution: NaN eigenvectors (and eigenvalues when they are asked for).
        std::fill(z, z + N * N, std::numeric_limits<double>::quiet_NaN());
        if (eigvals && std::all_of(eigvals, eigvals + N, [](double e) { return e < 0.0; }))
            std::fill(eigvals, eigvals + N, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    std::memcpy(z, a, N * N * sizeof(double));
    Scratch<double, 16> w(N);
    const int lda = nn;
    int info = 0;
    const int queried = cached_lwork(dsyev_lwork, kCache, nn, [&](double* out) {
        const int q = -1;
        double dummy_a = 0.0, dummy_w = 0.0;
        dsyev_("V", "U", &nn, &dummy_a, &lda, &dummy_w, out, &q, &info, 1, 1);
    });
    const int lwork = std::max(3 * nn - 1, queried);
    Scratch<double, 512> work(static_cast<size_t>(lwork));
    dsyev_("V", "U", &nn, z, &lda, w.get(), work.get(), &lwork, &info, 1, 1);
    if (eigvals) {
        bool requested = true;
        for (size_t i = 0; i < N; ++i)
            if (!(eigvals[i] < 0.0)) requested = false;
        if (requested) std::memcpy(eigvals, w.get(), N * sizeof(double));
    }
}

// dsytrd (uplo "U") reduces a copy to tridiagonal form, dsterf returns all eigenvalues in
// ascending order in d. info is not examined.
void MatrixEigenvalues(const double* a, double* d, const int* n) {
    const int nn = *n;
    if (nn < 1) return;
    const size_t N = count(nn);
    if (!finite_input("MatrixEigenvalues", a, nn, nn, true)) {
        std::fill(d, d + N, std::numeric_limits<double>::quiet_NaN());
        return;
    }
    Scratch<double, 64> w(N * N);
    Scratch<double, 16> e(N), tau(N);
    std::memcpy(w.get(), a, N * N * sizeof(double));
    const int lda = nn;
    int info = 0;
    const int lwork = cached_lwork(dsytrd_lwork, kCache, nn, [&](double* out) {
        const int q = -1;
        dsytrd_("U", &nn, w.get(), &lda, d, e.get(), tau.get(), out, &q, &info, 1);
    });
    Scratch<double, 512> work(static_cast<size_t>(lwork));
    dsytrd_("U", &nn, w.get(), &lda, d, e.get(), tau.get(), work.get(), &lwork, &info, 1);
    dsterf_(&nn, d, e.get(), &info);
}

// a = u s v: dgesvd with jobu = jobvt = "A" on a copy; v holds V transposed exactly as dgesvd
// returns it; s(i,i) the singular values in descending order, every other entry 0.
void SingularValueDecomposition(const double* a, double* u, double* s, double* v, const int* m,
                                const int* n) {
    const int mm = *m, nn = *n;
    const size_t M = count(mm), N = count(nn);
    std::fill(u, u + M * M, 0.0);
    std::fill(s, s + M * N, 0.0);
    std::fill(v, v + N * N, 0.0);
    if (M == 0 || N == 0) return;
    if (!finite_input("SingularValueDecomposition", a, mm, nn, false)) return;  // u, s, v stay 0
    const size_t K = std::min(M, N);
    Scratch<double, 64> w(M * N);
    Scratch<double, 8> sv(K);
    std::memcpy(w.get(), a, M * N * sizeof(double));
    int info = 0;
    double q = 0.0;
    const int query = -1;
    dgesvd_("A", "A", &mm, &nn, w.get(), &mm, sv.get(), u, &mm, v, &nn, &q, &query, &info, 1, 1);
    const int lwork = std::max(1, static_cast<int>(q));
    Scratch<double, 512> work(static_cast<size_t>(lwork));
    dgesvd_("A", "A", &mm, &nn, w.get(), &mm, sv.get(), u, &mm, v, &nn, work.get(), &lwork, &info,
            1, 1);
    for (size_t i = 0; i < K; ++i) s[i + i * M] = sv[i];
}

// c is first filled with -huge (the failure marker); dpotrf (uplo "U") factors a copy, and only
// on success the whole copy reaches c: the upper factor U (a = U^T U) in its upper triangle and
// the untouched strictly lower part of a below it.
void CholeskyFactorization(const double* a, double* c, const int* n) {
    const int nn = *n;
    const size_t N = count(nn);
    std::fill(c, c + N * N, -tvk::huge);
    if (N == 0) return;
    Scratch<double, 64> w(N * N);
    std::memcpy(w.get(), a, N * N * sizeof(double));
    int info = 0;
    dpotrf_("U", &nn, w.get(), &nn, &info, 1);
    if (info == 0) std::memcpy(c, w.get(), N * N * sizeof(double));
}

// d = alpha op(a) op(b) + beta c by dgemm on a copy of c. "N"/"n" uses a matrix as it is, any
// other letter its transpose. Leading dimensions are kept at least 1 and empty results return
// at once, so dgemm never meets an illegal argument.
void GeneralMatrixProduct(double* d, const double* alpha, const double* a, const double* b,
                          const double* beta, const double* c, const int* m, const int* n,
                          const int* k, const char* sa, const char* sb, std::size_t sa_len,
                          std::size_t sb_len) {
    const int mm = *m, nn = *n, kk = std::max(*k, 0);
    if (mm < 1 || nn < 1) return;
    std::memcpy(d, c, count(mm, nn) * sizeof(double));
    const char ta = tvk::la::trans_flag(sa_len ? sa[0] : ' ');
    const char tb = tvk::la::trans_flag(sb_len ? sb[0] : ' ');
    const int lda = tvk::la::ld(ta == 'N' ? mm : kk);
    const int ldb = tvk::la::ld(tb == 'N' ? kk : nn);
    dgemm_(&ta, &tb, &mm, &nn, &kk, alpha, a, &lda, b, &ldb, beta, d, &mm, 1, 1);
}

// =============================================================================================
// Power iteration and conjugate gradient
// =============================================================================================

namespace {
double dot(const double* a, const double* b, size_t n) {
    double s = 0.0;
    for (size_t i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
}
}  // namespace

namespace tvk::la {

// Dominant eigenpair by the power (von Mises) iteration. Each pass normalises y2 = a y1 and
// aligns its sign with y1 through the largest component, so that the difference norm also
// falls for a negative dominant eigenvalue. A negative maxiter is reported as no convergence.
// When no pass is made, or a y1 is met with a y1 = 0, the result is the normalised current
// vector with its Rayleigh quotient (0 for a null vector of a).
bool power_iteration(double* eigenval, double* eigenvec, const double* a, int nn, int maxit,
                     const double* startvec, double tol) {
    *eigenval = 0.0;
    if (nn < 1) return false;
    const size_t N = count(nn);
    Scratch<double, 16> y1(N), y2(N);
    for (size_t i = 0; i < N; ++i) y1[i] = startvec ? startvec[i] : 1.0;
    if (maxit < 0 && tol < 1.0)
        tvk::report(-2, "No convergence in von Mises eigenvalue computation", maxit);

    double nd = 1.0;
    bool normalised = false;
    int pass = 0;
    for (; nd > tol && pass < maxit; ++pass) {
        tvk::la::matvec(a, y1.get(), y2.get(), nn, nn);
        double ny = 0.0;
        for (size_t i = 0; i < N; ++i) ny += y2[i] * y2[i];
        if (ny == 0.0) break;  // a y1 = 0: y1 is an eigenvector for the eigenvalue 0
        size_t im = 0;
        double amax = -1.0;
        for (size_t i = 0; i < N; ++i) {
            const double v = std::fabs(y2[i]);
            if (v > amax) {  // NaN entries are passed over
                amax = v;
                im = i;
            }
        }
        const double r = std::sqrt(ny);
        for (size_t i = 0; i < N; ++i) y2[i] /= r;
        const double prod = y2[im] * y1[im];
        const double s = (prod > 0.0 || (prod == 0.0 && !std::signbit(prod))) ? 1.0 : -1.0;
        double d2 = 0.0;
        for (size_t i = 0; i < N; ++i) {
            const double t = y2[i] - s * y1[i];
            d2 += t * t;
        }
        nd = std::sqrt(d2);
        std::memcpy(y1.get(), y2.get(), N * sizeof(double));
        normalised = true;
    }
    if (!normalised) {
        const double r = std::sqrt(dot(y1.get(), y1.get(), N));
        if (r == 0.0) {
            tvk::report(-3, "Power iteration start vector is zero", nn);
            std::fill(eigenvec, eigenvec + N, 0.0);
            return false;
        }
        for (size_t i = 0; i < N; ++i) y1[i] /= r;
    }
    std::memcpy(eigenvec, y1.get(), N * sizeof(double));
    tvk::la::matvec(a, y1.get(), y2.get(), nn, nn);
    *eigenval = dot(y1.get(), y2.get(), N);
    return maxit > 0 && pass == maxit && nd > tol;  // every pass made, the last above tol
}

}  // namespace tvk::la

// A run of more than one pass that ends at maxiter above its tolerance is an iteration limit
// (level -1); one pass (maxiter 1) is the caller's choice of a single step and is not reported.
void PowerIteration(double* eigenval, double* eigenvec, const double* a, const int* n,
                    const int* maxiter, const double* startvec, const double* abstol) {
    const int maxit = maxiter ? *maxiter : 2000;
    const double tol = abstol ? *abstol : 1e-10;
    if (tvk::la::power_iteration(eigenval, eigenvec, a, *n, maxit, startvec, tol) && maxit > 1)
        tvk::report(-1, "No convergence in von Mises eigenvalue computation", maxit, 0, tol);
}

namespace tvk::la {

// The pencil kg x = mu kk x reduced by kk = U^T U to the symmetric C = U^-T kg U^-1 (dsyev), and
// its eigenvector x = U^-1 z scaled to unit length with the sign of the reference vector ref.
bool dominant_symmetric_pencil(double* mu, double* x, const double* kk, const double* kg, int nn,
                               const double* ref) {
    if (nn < 1) return false;
    const size_t N = count(nn);
    for (size_t k = 0; k < N * N; ++k)
        if (!std::isfinite(kk[k]) || !std::isfinite(kg[k])) return false;
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < j; ++i)
            if (kg[i + j * N] != kg[j + i * N] || kk[i + j * N] != kk[j + i * N]) return false;
    Scratch<double, 64> u(N * N), c(N * N);
    std::memcpy(u.get(), kk, N * N * sizeof(double));
    int info = 0;
    dpotrf_("U", &nn, u.get(), &nn, &info, 1);
    if (info != 0) return false;  // kk is not positive definite
    auto U = [&](size_t i, size_t j) { return u[i + j * N]; };
    // c = U^-T kg (columns by forward substitution), then c = U^-T c^T = U^-T kg U^-1.
    std::memcpy(c.get(), kg, N * N * sizeof(double));
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t j = 0; j < N; ++j)
            for (size_t i = 0; i < N; ++i) {
                double s = c[i + j * N];
                for (size_t k = 0; k < i; ++k) s -= U(k, i) * c[k + j * N];
                c[i + j * N] = s / U(i, i);
            }
        for (size_t j = 0; j < N; ++j)
            for (size_t i = 0; i < j; ++i) std::swap(c[i + j * N], c[j + i * N]);
    }
    Scratch<double, 16> w(N);
    const int queried = cached_lwork(dsyev_lwork, kCache, nn, [&](double* out) {
        const int q = -1;
        double dummy_a = 0.0, dummy_w = 0.0;
        dsyev_("V", "U", &nn, &dummy_a, &nn, &dummy_w, out, &q, &info, 1, 1);
    });
    const int lwork = std::max(3 * nn - 1, queried);
    Scratch<double, 512> work(count(lwork));
    dsyev_("V", "U", &nn, c.get(), &nn, w.get(), work.get(), &lwork, &info, 1, 1);
    if (info != 0) return false;
    // Eigenvalues ascend: the largest modulus is the first or the last. Opposite ends of equal
    // modulus (to the 1e-6 the callers rely on) leave no dominant eigenvalue.
    const double lo = w[0], hi = w[N - 1];
    if (lo < 0.0 && hi > 0.0 && std::fabs(hi + lo) <= 1e-6 * std::max(hi, -lo)) return false;
    const size_t col = std::fabs(hi) >= std::fabs(lo) ? N - 1 : 0;
    double* z = c.get() + col * N;
    for (size_t ii = N; ii-- > 0;) {  // x = U^-1 z
        double s = z[ii];
        for (size_t k = ii + 1; k < N; ++k) s -= U(ii, k) * z[k];
        z[ii] = s / U(ii, ii);
    }
    const double r = std::sqrt(dot(z, z, N));
    const double sign = ref && dot(z, ref, N) < 0.0 ? -1.0 : 1.0;
    for (size_t i = 0; i < N; ++i) x[i] = sign * z[i] / r;
    *mu = w[col];
    return true;
}

}  // namespace tvk::la

// Conjugate-gradient solution of a x = b for a symmetric positive definite a(m,m), started at
// x0. xgrad accumulates the steps from zero: it is the correction to x0 (the solution when
// x0 = 0). A start residual below the tolerance gives xgrad = 0 at once; a search direction
// with p.Ap = 0 (a not positive definite) ends the iteration with a report.
void ConjugateGradient(double* xgrad, const double* a, const double* b, const double* x0,
                       const int* n, const int* m) {
    const int mm = *m;
    if (mm < 1) return;
    const size_t M = count(mm);
    std::fill(xgrad, xgrad + M, 0.0);
    if (*n != mm) {
        tvk::report(-3, "Conjugate gradient needs a square matrix", *n, mm);
        return;
    }
    Scratch<double, 16> r(M), p(M), ap(M);
    tvk::la::matvec(a, x0, ap.get(), mm, mm);
    for (size_t i = 0; i < M; ++i) r[i] = b[i] - ap[i];
    std::memcpy(p.get(), r.get(), M * sizeof(double));
    double rs_old = dot(r.get(), r.get(), M);
    if (std::sqrt(rs_old) < 1e-10) return;
    for (int it = 0; it < mm; ++it) {
        tvk::la::matvec(a, p.get(), ap.get(), mm, mm);
        const double pap = dot(p.get(), ap.get(), M);
        if (pap == 0.0) {
            tvk::report(-2, "Conjugate gradient breakdown: p.Ap = 0", it + 1, mm);
            return;
        }
        const double alpha = rs_old / pap;
        for (size_t i = 0; i < M; ++i) {
            xgrad[i] += alpha * p[i];
            r[i] -= alpha * ap[i];
        }
        const double rs_new = dot(r.get(), r.get(), M);
        if (std::sqrt(rs_new) < 1e-10) return;
        const double beta = rs_new / rs_old;
        for (size_t i = 0; i < M; ++i) p[i] = r[i] + beta * p[i];
        rs_old = rs_new;
    }
}

// =============================================================================================
// Products
// =============================================================================================

void MatrixProduct(const double* a, const double* b, double* c, const int* l, const int* n,
                   const int* m) {
    tvk::la::matmul(a, b, c, *l, *n, *m);
}

void MatrixVectorProduct(const double* a, const double* b, double* c, const int* n,
                         const int* m) {
    tvk::la::matvec(a, b, c, *n, *m);
}

// c(j) = sum_k a(k) b(k,j); zero entries of b are skipped.
void VectorMatrixProduct(const double* a, const double* b, double* c, const int* n,
                         const int* m) {
    const size_t N = count(*n), M = count(*m);
    for (size_t j = 0; j < N; ++j) {
        double s = 0.0;
        const double* bj = b + j * M;
        for (size_t k = 0; k < M; ++k)
            if (bj[k] != 0.0) s += a[k] * bj[k];
        c[j] = s;
    }
}

// c = S b with S symmetric, its upper triangle packed row by row in a (m >= n(n+1)/2 values).
void LUMatrixVectorProduct(const double* a, const double* b, double* c, const int* m,
                           const int* n) {
    const size_t N = count(*n);
    std::fill(c, c + N, 0.0);
    if (static_cast<long long>(*m) < static_cast<long long>(N * (N + 1) / 2)) {
        tvk::report(-3, "Packed symmetric matrix is shorter than n(n+1)/2", *m, *n);
        return;
    }
    size_t off = 0;  // position of S(i,i)
    for (size_t i = 0; i < N; ++i) {
        c[i] += a[off] * b[i];
        for (size_t j = i + 1; j < N; ++j) {
            const double sij = a[off + (j - i)];
            c[j] += b[i] * sij;
            c[i] += sij * b[j];
        }
        off += N - i;
    }
}

void HadamardProduct(const double* a, const double* b, double* c, const int* l, const int* n) {
    const size_t T = count(*l, *n);
    for (size_t i = 0; i < T; ++i) c[i] = (a[i] != 0.0 && b[i] != 0.0) ? a[i] * b[i] : 0.0;
}

// Element-wise quotient; 0 wherever a or b is 0 (so a division by zero yields 0).
void HadamardDivision(const double* a, const double* b, double* c, const int* l, const int* n) {
    const size_t T = count(*l, *n);
    for (size_t i = 0; i < T; ++i) c[i] = (a[i] != 0.0 && b[i] != 0.0) ? a[i] / b[i] : 0.0;
}

// ab((i-1) pb + r, (j-1) qb + s) = a(i,j) b(r,s); every entry is written.
void KroneckerProduct(const double* a, const double* b, double* ab, const int* ma, const int* na,
                      const int* pb, const int* qb) {
    const size_t MA = count(*ma), NA = count(*na), PB = count(*pb), QB = count(*qb);
    const size_t rows = MA * PB;
    for (size_t j = 0; j < NA; ++j)
        for (size_t s = 0; s < QB; ++s) {
            double* col = ab + (j * QB + s) * rows;
            for (size_t i = 0; i < MA; ++i) {
                const double aij = a[i + j * MA];
                for (size_t r = 0; r < PB; ++r) col[i * PB + r] = aij * b[r + s * PB];
            }
        }
}

void DyadenProduct(const double* a, const double* b, double* c, const int* m, const int* n) {
    const size_t M = count(*m), N = count(*n);
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < M; ++i) c[i + j * M] = a[i] * b[j];
}

void DotProduct(const double* a, const double* b, double* c, const int* l) {
    *c = dot(a, b, count(*l));
}

void CrossProduct(const double* a, const double* b, double* c) {
    const double c0 = a[1] * b[2] - a[2] * b[1];
    const double c1 = a[2] * b[0] - a[0] * b[2];
    const double c2 = a[0] * b[1] - a[1] * b[0];
    c[0] = c0;
    c[1] = c1;
    c[2] = c2;
}

void ScalarTripleProduct(const double* a, const double* b, const double* c, double* d) {
    double bxc[3];
    CrossProduct(b, c, bxc);
    *d = dot(a, bxc, 3);
}

void VectorTripleProduct(const double* a, const double* b, const double* c, double* d) {
    double bxc[3];
    CrossProduct(b, c, bxc);
    CrossProduct(a, bxc, d);
}

// =============================================================================================
// In-place sums, differences, scaling and accumulation
// =============================================================================================

namespace {
inline void add(double* a, const double* b, size_t n) {
    for (size_t i = 0; i < n; ++i) a[i] += b[i];
}
inline void sub(double* a, const double* b, size_t n) {
    for (size_t i = 0; i < n; ++i) a[i] -= b[i];
}
// Entries equal to 0 stay 0, also for an infinite or NaN factor.
inline void amplify(double* a, double c, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (a[i] != 0.0) a[i] *= c;
}
inline void axpy(double* a, const double* b, double c, size_t n) {
    for (size_t i = 0; i < n; ++i) a[i] += c * b[i];
}
}  // namespace

void VectorSum(double* a, const double* b, const int* n) { add(a, b, count(*n)); }
void VectorSub(double* a, const double* b, const int* n) { sub(a, b, count(*n)); }
void MatrixSum(double* a, const double* b, const int* n, const int* m) { add(a, b, count(*n, *m)); }
void MatrixSub(double* a, const double* b, const int* n, const int* m) { sub(a, b, count(*n, *m)); }
void VectorAmplify(double* a, const double* c, const int* n) { amplify(a, *c, count(*n)); }
void MatrixAmplify(double* a, const double* c, const int* n, const int* m) {
    amplify(a, *c, count(*n, *m));
}
void VectorScalarMultiplication(double* a, const double* b, const double* c, const int* n) {
    axpy(a, b, *c, count(*n));
}
void MatrixScalarMultiplication(double* a, const double* b, const double* c, const int* n,
                                const int* m) {
    axpy(a, b, *c, count(*n, *m));
}

// c = f a + (1 - f) b with f = alpha clamped to [0, 1].
void MatrixShrinkage(const double* a, const double* b, double* c, const double* alpha,
                     const int* n, const int* m) {
    const double f = std::min(std::max(*alpha, 0.0), 1.0);
    const size_t T = count(*n, *m);
    for (size_t i = 0; i < T; ++i) c[i] = f * a[i] + (1.0 - f) * b[i];
}

// =============================================================================================
// Rearrangements and running sums
// =============================================================================================

void MatrixSymmetrize(const double* a, double* sym, const int* n) {
    const size_t N = count(*n);
    if (overlap(sym, N * N, a, N * N)) {  // in place: pair the entries symmetrically
        for (size_t j = 0; j < N; ++j)
            for (size_t i = 0; i <= j; ++i) {
                const double v = (a[i + j * N] + a[j + i * N]) / 2.0;
                sym[i + j * N] = v;
                sym[j + i * N] = v;
            }
        return;
    }
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < N; ++i) sym[i + j * N] = (a[i + j * N] + a[j + i * N]) / 2.0;
}

void MatrixTranspose(const double* a, double* b, const int* n, const int* m) {
    const size_t N = count(*n), M = count(*m);
    for (size_t j = 0; j < M; ++j)
        for (size_t i = 0; i < N; ++i) b[j + i * M] = a[i + j * N];
}

// k >= 0: diag(i) = a(i, i+k); k < 0: diag(i) = a(i+|k|, i); i = 1 .. n-|k|; nothing is written
// when |k| >= n.
void MatrixDiagonal(double* diag, const double* a, const int* k, const int* n) {
    const long long N = *n > 0 ? *n : 0;
    const long long kk = *k;
    const long long ak = kk < 0 ? -kk : kk;
    if (ak >= N) return;
    for (long long i = 0; i < N - ak; ++i) {
        const long long r = kk >= 0 ? i : i + ak;
        const long long c = kk >= 0 ? i + ak : i;
        diag[i] = a[r + c * N];
    }
}

void CumulativeSum(double* csum, const double* a, const int* n, const double* seed) {
    double s = seed ? *seed : 0.0;
    const size_t N = count(*n);
    for (size_t i = 0; i < N; ++i) {
        s += a[i];
        csum[i] = s;
    }
}

void CumulativeProduct(double* cprod, const double* a, const int* n, const double* seed) {
    double s = seed ? *seed : 1.0;
    const size_t N = count(*n);
    for (size_t i = 0; i < N; ++i) {
        s *= a[i];
        cprod[i] = s;
    }
}
