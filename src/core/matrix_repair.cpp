// Matrix repair (positive semidefinite projection, nearest SPD and correlation matrices) and
// matrix measures (positive-definiteness test, minors, trace, norms, Householder matrix, modal
// assurance criterion). Built on the LAPACK wrappers of linalg.cpp.
#include "matrix_repair.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "errors.h"
#include "lapack.h"
#include "linalg.h"

namespace {

using std::size_t;
using tvk::la::Scratch;
using Buf = Scratch<double, 64>;

inline size_t count(int n) { return n > 0 ? static_cast<size_t>(n) : 0; }

// The repair loops shift a matrix until its Cholesky factor exists. The shift grows with the
// square of the pass number, so a finite matrix is repaired within a few passes; the limit
// guards against inputs where the shift cannot win (non-finite values, or a smallest eigenvalue
// that is slightly positive while the factorisation still fails, which makes the shift negative).
constexpr int kRepairPasses = 200;

bool all_finite(const double* x, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!std::isfinite(x[i])) return false;
    return true;
}

// s = (a + a^T)/2. Where the sum of two finite entries overflows, each is halved first: the mean of
// two finite numbers is finite (diag(1e308, 1) is its own symmetric part). Elsewhere the sum is
// halved, as written.
void symmetrize(const double* a, double* s, size_t n) {
    for (size_t j = 0; j < n; ++j)
        for (size_t i = 0; i < n; ++i) {
            const double x = a[i + j * n], y = a[j + i * n];
            const double m = (x + y) / 2.0;
            s[i + j * n] = std::isinf(m) && std::isfinite(x) && std::isfinite(y) ? x / 2.0 + y / 2.0 : m;
        }
}

// True when the Cholesky factor of a exists and, for a positive margin, every pivot U(k,k)^2
// exceeds it.
bool cholesky_ok(const double* a, int n, double margin = 0.0) {
    Buf c(count(n) * count(n));
    CholeskyFactorization(a, c.get(), &n);
    if (tvk::la::chol_failed(c.get(), n)) return false;
    if (!(margin > 0.0)) return true;
    const size_t N = count(n);
    for (size_t k = 0; k < N; ++k) {
        const double u = c[k + k * N];
        if (!(u * u > margin)) return false;
    }
    return true;
}

// True where the symmetric a (n x n) is positive definite in exact arithmetic, shown by a
// floating-point Cholesky factor of a - c I (S. M. Rump 2006, "Verification of positive
// definiteness", BIT 46: with d_k = sqrt(a_kk), c >= g/(1 - 2 g) d.d, g = (n + 1) u/(1 - (n + 1) u),
// u = eps/2, a factor that completes proves a positive definite; a term of a few smallest
// subnormals per entry covers underflow). The matrix is first scaled to a diagonal in [1, 4) by
// powers of two (exact but for subnormal entries, whose rounding the tiny term also covers), so
// that a well scaled matrix passes whatever the spread of its diagonal (diag(1e8, 1, 1e-8)). A
// matrix that does not pass is singular or indefinite, or so ill-conditioned after the scaling
// (about 1/(n^2 eps)) that its definiteness is not decided by its rounded entries.
bool provably_positive_definite(const double* a, int n) {
    const size_t N = count(n);
    Scratch<int, 16> e(N);
    for (size_t k = 0; k < N; ++k) {
        const double d = a[k + k * N];
        if (!(d > 0.0) || !std::isfinite(d)) return false;
        e[k] = std::ilogb(d) / 2;  // floor(ilogb / 2): a_kk 4^-e_k in [1, 4)
        if (std::ilogb(d) < 0 && std::ilogb(d) % 2 != 0) --e[k];
    }
    Buf w(N * N);
    double trace = 0.0;
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < N; ++i) {
            w[i + j * N] = std::ldexp(a[i + j * N], -e[i] - e[j]);
            if (!std::isfinite(w[i + j * N])) return false;
        }
    for (size_t k = 0; k < N; ++k) trace += w[k + k * N];
    const double u = tvk::eps / 2.0, g = static_cast<double>(n + 1) * u / (1.0 - static_cast<double>(n + 1) * u);
    // Rounded up twice over: c is a bound, and the diagonal a_kk - c is rounded once more.
    const double c = 2.0 * (g / (1.0 - 2.0 * g) * trace + 4.0 * u * trace) +
                     static_cast<double>(8 * n * n) * std::numeric_limits<double>::denorm_min();
    for (size_t k = 0; k < N; ++k) w[k + k * N] -= c;
    return cholesky_ok(w.get(), n);
}

bool symmetric(const double* a, size_t n) {
    for (size_t j = 0; j < n; ++j)
        for (size_t i = j + 1; i < n; ++i)
            if (!(a[i + j * n] == a[j + i * n])) return false;
    return true;
}

double smallest_eigenvalue(const double* a, int n) {
    Scratch<double, 16> d(count(n));
    MatrixEigenvalues(a, d.get(), &n);
    return d[0];
}

double max_entry(const double* x, size_t n) {
    double m = x[0];
    for (size_t i = 1; i < n; ++i)
        if (x[i] > m) m = x[i];
    return m;
}

// Frobenius norm of a - b.
double diff_norm(const double* a, const double* b, size_t n) {
    Buf d(n);
    for (size_t i = 0; i < n; ++i) d[i] = a[i] - b[i];
    return tvk::la::norm2(d.get(), static_cast<long>(n));
}

// Singular values of x(m,n) in descending order into sv (min(m,n) values). dgesvd is asked for
// the values only (jobu = jobvt = "N"), which uses the dqds algorithm instead of the QR sweeps
// that run when vectors are wanted: the values agree with those of SingularValueDecomposition
// to rounding (relative accuracy), not always in the last bit. A matrix with an infinite or NaN
// entry is refused before dgesvd (its iteration need not end on one): level -3, NaN values.
void singular_values(const double* x, double* sv, int m, int n) {
    const size_t M = count(m), N = count(n);
    if (!all_finite(x, M * N)) {
        std::fill(sv, sv + std::min(M, N), std::numeric_limits<double>::quiet_NaN());
        tvk::report(-3, "Singular values: matrix entry is not finite", m, n);
        return;
    }
    Buf w(M * N);
    std::memcpy(w.get(), x, M * N * sizeof(double));
    int info = 0, one = 1;
    double q = 0.0, du = 0.0, dv = 0.0;
    const int query = -1;
    dgesvd_("N", "N", &m, &n, w.get(), &m, sv, &du, &one, &dv, &one, &q, &query, &info, 1, 1);
    const int lwork = std::max(1, static_cast<int>(q));
    Scratch<double, 512> work(static_cast<size_t>(lwork));
    dgesvd_("N", "N", &m, &n, w.get(), &m, sv, &du, &one, &dv, &one, work.get(), &lwork, &info, 1,
            1);
}

}  // namespace

namespace tvk::la {

// Square root of the sum of squares. Entries beyond about 1e154 (or below 1e-154) would make the
// plain sum overflow (underflow); such vectors are summed again scaled by their largest entry,
// which gives the same value to rounding wherever the plain sum is representable.
double norm2(const double* x, long n) {
    double s = 0.0;
    for (long i = 0; i < n; ++i) s += x[i] * x[i];
    if (s < 1e300 && s > 1e-290) return std::sqrt(s);
    if (s == 0.0 || std::isnan(s)) {
        bool any = false;
        for (long i = 0; i < n && !any; ++i) any = x[i] != 0.0;
        if (!any || std::isnan(s)) return std::sqrt(s);
    }
    double amax = 0.0;
    for (long i = 0; i < n; ++i) amax = std::max(amax, std::fabs(x[i]));
    if (std::isinf(amax)) return amax;
    double t = 0.0;
    for (long i = 0; i < n; ++i) {
        const double v = x[i] / amax;
        t += v * v;
    }
    return amax * std::sqrt(t);
}

double distance2(const double* x, const double* y, long n) {
    auto d = [x, y](long i) { return y ? x[i] - y[i] : x[i]; };
    double s = 0.0;
    for (long i = 0; i < n; ++i) s += d(i) * d(i);
    if ((s > 1e-290 && s < 1e300) || std::isnan(s)) return std::sqrt(s);
    double amax = 0.0;
    for (long i = 0; i < n; ++i) amax = std::max(amax, std::fabs(d(i)));
    if (amax == 0.0 || std::isinf(amax)) return amax;
    const int e = std::ilogb(amax);
    double t = 0.0;
    for (long i = 0; i < n; ++i) {
        const double v = std::ldexp(d(i), -e);
        t += v * v;
    }
    return std::ldexp(std::sqrt(t), e);
}

}  // namespace tvk::la

// =============================================================================================
// Repair
// =============================================================================================

// Projection onto the positive semidefinite cone: s = (a + a^T)/2 = V diag(lambda) V^T, negative
// eigenvalues set to 0, ppd = V diag(lambda) V^T (zero eigenvalues and zero entries of V skipped
// as in the matrix product).
void GetProjectedSPD(double* ppd, const double* a, const int* n) {
    const int nn = *n;
    const size_t N = count(nn);
    std::fill(ppd, ppd + N * N, 0.0);
    if (N == 0) return;
    Buf s(N * N), v(N * N);
    Scratch<double, 16> lam(N);
    symmetrize(a, s.get(), N);
    std::fill(lam.get(), lam.get() + N, -1.0);  // request the eigenvalues
    MatrixEigenVectors(s.get(), v.get(), &nn, lam.get());
    for (size_t k = 0; k < N; ++k)
        if (lam[k] < 0.0) lam[k] = 0.0;
    for (size_t j = 0; j < N; ++j)
        for (size_t k = 0; k < N; ++k) {
            const double vjk = v[j + k * N];
            if (lam[k] == 0.0 || vjk == 0.0) continue;
            for (size_t i = 0; i < N; ++i) ppd[i + j * N] += (v[i + k * N] * lam[k]) * vjk;
        }
}

namespace {

// Nearest symmetric positive definite matrix (Higham 1988, "Computing a nearest symmetric
// positive semidefinite matrix", Linear Algebra Appl. 103): b = (a + a^T)/2, h = V S V^T the
// symmetric polar factor of b from its SVD, pd = (b + h)/2 symmetrised; then, while the Cholesky
// factor fails, pd = pd + (floor - lambda_min k^2) I on pass k. The floor is eps ||b||_F where
// the caller asks for a scaled one: a shift below the rounding of the diagonal would leave a
// singular pd unchanged on every pass (a zero b keeps eps). There pd must also be accepted with a
// margin m = (n + 1) eps ||b||_F, beyond the rounding of the factorization and of the computed
// eigenvalues: every pivot of the factor and the smallest eigenvalue above m. A factor that
// merely succeeds accepted results with a negative exact eigenvalue (the rank-1 [[0.1751,
// -0.2492], [-0.2492, 0.3548]] gave -1.6e-17), and pivots alone do not bound the smallest
// eigenvalue. A pass whose smallest eigenvalue is not negative then shifts by m - lambda_min +
// floor k^2. Returns false (with a report) when the pass limit is reached or values are not
// finite; pd then holds the last matrix.
bool nearest_spd(double* pd, const double* a, int nn, bool scaled_floor) {
    const size_t N = count(nn);
    Buf b(N * N);
    symmetrize(a, b.get(), N);
    if (!all_finite(b.get(), N * N)) {
        std::memcpy(pd, b.get(), N * N * sizeof(double));
        tvk::report(-2, "Nearest SPD matrix not found: non-finite entries", nn);
        return false;
    }
    // A symmetric input that is positive definite is its own nearest SPD matrix and comes back as
    // it is (its distance GetNearestPDNorm is 0). The polar step would move it by its rounding,
    // which can leave it indefinite or halve a small eigenvalue (diag(1e300, 1e-300)), and the
    // margin below is for repairs only (a singular, indefinite or non-symmetric input), whose
    // result would otherwise sit within rounding of the semidefinite boundary: on a positive
    // definite input it moved every matrix of condition above about 1e15, diag(1e12, 1, 1e-6) to
    // (1e12 + 0.0011, 1.0011, 0.00111).
    if (scaled_floor && symmetric(a, N) && provably_positive_definite(b.get(), nn)) {
        std::memcpy(pd, b.get(), N * N * sizeof(double));
        return true;
    }
    Buf u(N * N), s(N * N), vt(N * N), h(N * N);
    SingularValueDecomposition(b.get(), u.get(), s.get(), vt.get(), &nn, &nn);
    // h(i,j) = sum_k V(i,k) s_k V(j,k) with V = vt^T.
    std::fill(h.get(), h.get() + N * N, 0.0);
    for (size_t j = 0; j < N; ++j)
        for (size_t k = 0; k < N; ++k) {
            const double sk = s[k + k * N];
            const double vjk = vt[k + j * N];
            if (sk == 0.0 || vjk == 0.0) continue;
            for (size_t i = 0; i < N; ++i) h[i + j * N] += (vt[k + i * N] * sk) * vjk;
        }
    Buf t(N * N);
    for (size_t i = 0; i < N * N; ++i) t[i] = (b[i] + h[i]) / 2.0;
    symmetrize(t.get(), pd, N);
    // The polar step of a vast repaired input can overflow where its symmetric part did not.
    if (!all_finite(pd, N * N)) {
        tvk::report(-2, "Nearest SPD matrix not found: non-finite entries", nn);
        return false;
    }
    const double bnorm = scaled_floor ? tvk::la::norm2(b.get(), static_cast<long>(N * N)) : 0.0;
    const double floor = bnorm > 0.0 ? tvk::eps * bnorm : tvk::eps;
    const double margin = scaled_floor ? static_cast<double>(nn + 1) * floor : 0.0;
    for (int k = 1;; ++k) {
        const bool factored = cholesky_ok(pd, nn, margin);
        if (factored && margin == 0.0) return true;
        const double lmin = smallest_eigenvalue(pd, nn);
        if (factored && lmin > margin) return true;
        if (k >= kRepairPasses || !std::isfinite(lmin)) {
            tvk::report(-2, "Nearest SPD matrix not found within the pass limit", k, nn, lmin);
            return false;
        }
        const double k2 = static_cast<double>(k) * static_cast<double>(k);
        const double shift = margin > 0.0 && lmin >= 0.0 ? (margin - lmin) + floor * k2 : floor - lmin * k2;
        for (size_t i = 0; i < N; ++i) pd[i + i * N] += shift;
    }
}

// One run of the nearest correlation matrix with a given correlation kind; see
// GetNearestCorrelationMatrix.
void nearest_correlation(double* corr, const double* a, int nn, const double* w, double xtol,
                         int maxiteration, int kind) {
    const size_t N = count(nn), T = N * N;
    std::fill(corr, corr + T, 0.0);
    Buf whalf(T), x(T), y(T), xold(T), yold(T), r(T), ds(T), wr(T), p(T);
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < N; ++i) whalf[i + j * N] = std::sqrt(w[i] * w[j]);
    if (!all_finite(a, T) || !all_finite(whalf.get(), T)) {
        tvk::report(-2, "Nearest correlation matrix: non-finite entries or negative weights", nn);
        return;
    }
    // Alternating projections with Dykstra's correction (Higham 2002, "Computing the nearest
    // correlation matrix - a problem from finance", IMA J. Numer. Anal. 22, algorithm 3.3),
    // weighted by W^(1/2) on both sides.
    std::fill(ds.get(), ds.get() + T, 0.0);
    std::memcpy(x.get(), a, T * sizeof(double));
    std::memcpy(y.get(), a, T * sizeof(double));
    const int nl = nn;
    for (int pass = 1;; ++pass) {
        if (pass > maxiteration) {
            // corr stays 0; the report tells the caller that it is no result.
            tvk::report(-2, "Nearest correlation matrix: no convergence within maxiter passes",
                        maxiteration, nn);
            return;
        }
        std::memcpy(xold.get(), x.get(), T * sizeof(double));
        for (size_t i = 0; i < T; ++i) r[i] = y[i] - ds[i];
        HadamardProduct(whalf.get(), r.get(), wr.get(), &nl, &nl);
        GetProjectedSPD(p.get(), wr.get(), &nn);
        HadamardDivision(p.get(), whalf.get(), x.get(), &nl, &nl);
        for (size_t i = 0; i < T; ++i) ds[i] = x[i] - r[i];
        std::memcpy(yold.get(), y.get(), T * sizeof(double));
        std::memcpy(y.get(), x.get(), T * sizeof(double));
        for (size_t i = 0; i < N; ++i) y[i + i * N] = 1.0;
        const double nx = tvk::la::norm2(x.get(), static_cast<long>(T));
        const double ny = tvk::la::norm2(y.get(), static_cast<long>(T));
        const double rx = diff_norm(x.get(), xold.get(), T) / nx;
        const double ry = diff_norm(y.get(), yold.get(), T) / ny;
        const double rxy = diff_norm(y.get(), x.get(), T) / ny;
        // A NaN ratio (for example a zero x) counts as not converged.
        if (rx <= xtol && ry <= xtol && rxy <= xtol) break;
    }
    // Shift the diagonal, take the nearest SPD matrix and bring its largest entry back to 1.
    const double m = max_entry(x.get(), T);
    for (size_t i = 0; i < N; ++i) x[i + i * N] -= (m - 1.0) * static_cast<double>(nn);
    nearest_spd(y.get(), x.get(), nn, false);
    const double m2 = max_entry(y.get(), T);
    for (size_t i = 0; i < N; ++i) y[i + i * N] += 1.0 - m2;

    if (kind == 1 || kind == 2) {
        // Rank correlations to Pearson: Spearman rho -> 2 sin(pi rho / 6), Kendall tau ->
        // sin(pi tau / 2); the result is the Pearson repair of the transformed matrix.
        for (size_t i = 0; i < T; ++i)
            y[i] = kind == 1 ? 2.0 * std::sin(0.5235987755982988 * y[i])
                             : std::sin(1.5707963267948966 * y[i]);
        nearest_correlation(corr, y.get(), nn, w, xtol, maxiteration, 0);
        return;
    }
    // Shrink towards the identity until the Cholesky factor exists.
    Buf eye(T);
    std::fill(eye.get(), eye.get() + T, 0.0);
    for (size_t i = 0; i < N; ++i) eye[i + i * N] = 1.0;
    for (int k = 1;; ++k) {
        if (cholesky_ok(y.get(), nn)) break;
        const double lambda = std::fabs(smallest_eigenvalue(y.get(), nn));
        if (k >= kRepairPasses || !std::isfinite(lambda)) {
            tvk::report(-2, "Nearest correlation matrix: shrinkage pass limit reached", k, nn,
                        lambda);
            break;
        }
        const double alpha =
            1.0 - (lambda * static_cast<double>(k) * static_cast<double>(k) + tvk::eps);
        MatrixShrinkage(y.get(), eye.get(), y.get(), &alpha, &nl, &nl);
    }
    std::memcpy(corr, y.get(), T * sizeof(double));
}

}  // namespace

void GetNearestSPD(double* pd, const double* a, const int* n) {
    const size_t N = count(*n);
    if (N == 0) return;
    nearest_spd(pd, a, *n, true);
}

// Nearest correlation matrix: weighted alternating projections with a correction term, then a
// diagonal shift, the nearest SPD matrix and a shrinkage towards the identity so that the
// result is positive definite. cflag: 0 Pearson, 1 Spearman, 2 Kendall (negative counts as 0,
// above 2 as Pearson). A run that does not converge within maxiter passes returns the zero
// matrix with a report.
void GetNearestCorrelationMatrix(double* corr, const double* a, const int* n,
                                 const double* weights, const double* tol, const int* maxiter,
                                 const int* cflag) {
    const int nn = *n;
    const size_t N = count(nn);
    if (N == 0) return;
    const int kind = cflag ? std::max(*cflag, 0) : 0;
    const int maxiteration = maxiter ? std::max(*maxiter, 1) : 100;
    const double xtol = (tol && *tol > 0.0) ? std::max(*tol, tvk::eps)
                                            : static_cast<double>(nn) * tvk::eps;
    Scratch<double, 16> w(N);
    bool given = false;
    if (weights)
        for (size_t i = 0; i < N; ++i)
            if (weights[i] != -1.0) given = true;
    for (size_t i = 0; i < N; ++i) w[i] = given ? weights[i] : 1.0;
    nearest_correlation(corr, a, nn, w.get(), xtol, maxiteration, kind);
}

// Frobenius distance of x to its nearest SPD matrix; 0 when x has a Cholesky factor.
double GetNearestPDNorm(const double* x, const int* n) {
    const int nn = *n;
    const size_t N = count(nn);
    if (N == 0 || cholesky_ok(x, nn)) return 0.0;
    Buf pd(N * N);
    nearest_spd(pd.get(), x, nn, true);
    return diff_norm(x, pd.get(), N * N);
}

// True when every eigenvalue exceeds the tolerance (default 1e-8) and the LU determinant is
// positive. Both tests always run, so a singular x leaves the LU report in the error record.
int IsPositiveDefinite(const double* x, const int* n, const double* tolerance) {
    const int nn = *n;
    const size_t N = count(nn);
    const double tl = tolerance ? *tolerance : 1e-8;
    bool ok = true;
    if (N > 0) {
        Scratch<double, 16> d(N);
        MatrixEigenvalues(x, d.get(), &nn);
        for (size_t i = 0; i < N; ++i)
            if (!(d[i] > tl)) ok = false;
    }
    double lud = 0.0;
    LUFactDeterminant(&lud, x, &nn);
    return (ok && lud > 0.0) ? 1 : 0;
}

// =============================================================================================
// Minors, cofactor, trace
// =============================================================================================

// Leading principal minor of order i of sm(k,k): sm(1,1) for order 1, else the LU determinant
// of the leading i x i block. An order outside 1..k is refused (report, 0).
double GetPrincipleMinor(const double* sm, const int* i, const int* k) {
    const int ii = *i, kk = *k;
    if (ii < 1 || ii > kk) {
        tvk::report(-3, "Principal minor order out of range", ii, kk);
        return 0.0;
    }
    if (ii == 1) return sm[0];
    const size_t I = count(ii), K = count(kk);
    Buf blk(I * I);
    for (size_t c = 0; c < I; ++c)
        for (size_t r = 0; r < I; ++r) blk[r + c * I] = sm[r + c * K];
    double lud = 0.0;
    LUFactDeterminant(&lud, blk.get(), &ii);
    return lud;
}

// Determinant of sm(k,k) without row i and column j (the rest kept in column order). The row
// and column are removed by position, so an entry that equals any marker value stays.
double GetFirstMinor(const double* sm, const int* i, const int* j, const int* k) {
    const int ii = *i, jj = *j, kk = *k;
    if (ii < 1 || ii > kk || jj < 1 || jj > kk) {
        tvk::report(-3, "First minor row or column out of range", ii, jj);
        return 0.0;
    }
    const size_t K = count(kk), R = K - 1;
    Buf sub(R * R);
    size_t q = 0;
    for (size_t c = 0; c < K; ++c) {
        if (c + 1 == static_cast<size_t>(jj)) continue;
        for (size_t r = 0; r < K; ++r)
            if (r + 1 != static_cast<size_t>(ii)) sub[q++] = sm[r + c * K];
    }
    const int order = kk - 1;
    double lud = 0.0;
    LUFactDeterminant(&lud, sub.get(), &order);
    return lud;
}

double GetCofactor(const double* mij, const int* i, const int* j) {
    // Parity of i + j without overflow.
    return ((*i ^ *j) & 1) ? -*mij : *mij;
}

double Trace(const double* x, const int* n) {
    const size_t N = count(*n);
    double s = 0.0;
    for (size_t i = 0; i < N; ++i) s += x[i + i * N];
    return s;
}

// =============================================================================================
// Norms
// =============================================================================================

double VectorNorm(const double* x, const int* n) {
    return tvk::la::norm2(x, static_cast<long>(count(*n)));
}

double MatrixNorm(const double* x, const int* n, const int* m) {
    return tvk::la::norm2(x, static_cast<long>(count(*n) * count(*m)));
}

namespace {
// (sum |x_i|^p)^(1/p) with p raised to at least the smallest normal double. Where the sum of
// powers overflows, or is so small that its terms lost digits to the subnormal range, it is
// formed again with the entries divided by the largest |x_i| (each term then at most 1, the
// largest exactly 1), and the root multiplied back; elsewhere the plain sum stands.
double lp(const double* x, size_t n, double p) {
    p = std::max(p, tvk::tiny);
    double s = 0.0;
    for (size_t i = 0; i < n; ++i) s += std::pow(std::fabs(x[i]), p);
    if (!(s == std::numeric_limits<double>::infinity() || s < 0x1p-968)) [[likely]]
        return std::pow(s, 1.0 / p);
    double big = 0.0;
    for (size_t i = 0; i < n; ++i) big = std::max(big, std::fabs(x[i]));
    // no entry but zeros (or NaN), or an infinite one: the plain sum is the norm
    if (!(big > 0.0 && big <= std::numeric_limits<double>::max())) return std::pow(s, 1.0 / p);
    double t = 0.0;
    for (size_t i = 0; i < n; ++i) t += std::pow(std::fabs(x[i]) / big, p);
    return big * std::pow(t, 1.0 / p);
}

// The p-norm of n entries; with p = 2 a sum of squares that overflows, or comes near the
// subnormal range, is formed again with the entries scaled by a power of two as VectorNorm's is.
double lp_norm(const double* x, size_t n, double p) {
    const double r = lp(x, n, p);
    if (p != 2.0 || (r > 1e-145 && r < 1e150) || std::isnan(r)) return r;
    return tvk::la::distance2(x, nullptr, static_cast<long>(n));
}

// Singular values of x(m,n); returns their count (0 for an empty matrix).
size_t sigma(const double* x, int m, int n, Scratch<double, 16>& sv) {
    const size_t K = std::min(count(m), count(n));
    if (K == 0) return 0;
    singular_values(x, sv.get(), m, n);
    return K;
}
}  // namespace

double LpVectorNorm(const double* x, const double* p, const int* n) { return lp_norm(x, count(*n), *p); }

double LpMatrixNorm(const double* x, const double* p, const int* n, const int* m) {
    return lp_norm(x, count(*n) * count(*m), *p);
}

// Largest singular value (0 for an empty matrix).
double SpectralNorm(const double* x, const int* m, const int* n) {
    Scratch<double, 16> sv(std::min(count(*m), count(*n)));
    const size_t K = sigma(x, *m, *n, sv);
    return K ? sv[0] : 0.0;
}

// Sum of the singular values (0 for an empty matrix).
double NuclearNorm(const double* x, const int* m, const int* n) {
    Scratch<double, 16> sv(std::min(count(*m), count(*n)));
    const size_t K = sigma(x, *m, *n, sv);
    double s = 0.0;
    for (size_t i = 0; i < K; ++i) s += sv[i];
    return s;
}

// (sum sigma_i^p)^(1/p), p raised to at least the smallest normal double.
double SchattenNorm(const double* x, const double* p, const int* m, const int* n) {
    Scratch<double, 16> sv(std::min(count(*m), count(*n)));
    const size_t K = sigma(x, *m, *n, sv);
    return lp(sv.get(), K, *p);
}

// =============================================================================================
// Householder matrix and modal assurance criterion
// =============================================================================================

// thouse = I - 2 v v^T; v is used as given (a reflector only when it has unit length).
void GetHouseHolderTransformationMatrix(double* thouse, const double* v, const int* n) {
    const size_t N = count(*n);
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < N; ++i)
            thouse[i + j * N] = (i == j ? 1.0 : 0.0) - 2.0 * v[i] * v[j];
}

// (a.b)^2 / ((a.a)(b.b)); NaN (0/0) for empty or zero vectors.
double VectorModalAssuranceCriterion(const double* a, const double* b, const int* n) {
    const size_t N = count(*n);
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i < N; ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return (ab * ab) / (aa * bb);
}

// mac(i,j) = criterion between the i-th eigenvector of xs and the j-th eigenvector of ys (columns
// in ascending eigenvalue order).
void MatrixModalAssuranceCriterion(const double* xs, const double* ys, double* mac, const int* n) {
    const int nn = *n;
    const size_t N = count(nn);
    std::fill(mac, mac + N * N, -1.0);
    if (N == 0) return;
    Buf vx(N * N), vy(N * N);
    MatrixEigenVectors(xs, vx.get(), &nn, nullptr);
    MatrixEigenVectors(ys, vy.get(), &nn, nullptr);
    for (size_t j = 0; j < N; ++j)
        for (size_t i = 0; i < N; ++i)
            mac[i + j * N] = VectorModalAssuranceCriterion(vx.get() + i * N, vy.get() + j * N, &nn);
}
