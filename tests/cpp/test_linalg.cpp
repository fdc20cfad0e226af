// Dense linear algebra and products: LAPACK wrappers (against direct LAPACK calls and algebraic
// identities), the small-matrix fast paths, the argument habits and the zero/NaN rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/lapack.h"
#include "core/linalg.h"

namespace {

using Vec = std::vector<double>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}
std::string errtext() {
    std::string s(tvk::errorhandling.errstring, 80);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

Vec random_matrix(std::mt19937& g, int r, int c) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Vec a(static_cast<size_t>(r) * c);
    for (auto& x : a) x = u(g);
    return a;
}
// Random matrix made comfortably regular by a dominant diagonal.
Vec random_regular(std::mt19937& g, int n) {
    Vec a = random_matrix(g, n, n);
    for (int i = 0; i < n; ++i) a[i + i * n] += (i % 2 ? -1.0 : 1.0) * n;
    return a;
}
Vec random_symmetric(std::mt19937& g, int n) {
    Vec a = random_matrix(g, n, n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < j; ++i) a[j + i * n] = a[i + j * n];
    return a;
}
Vec naive_product(const Vec& a, const Vec& b, int l, int n, int m) {
    Vec c(static_cast<size_t>(l) * m, 0.0);
    for (int i = 0; i < l; ++i)
        for (int j = 0; j < m; ++j)
            for (int k = 0; k < n; ++k) c[i + j * l] += a[i + k * l] * b[k + j * n];
    return c;
}
double max_abs_diff(const Vec& a, const Vec& b) {
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}
Vec identity(int n) {
    Vec e(static_cast<size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i) e[i + i * n] = 1.0;
    return e;
}
// LAPACK's own inverse (dgetrf + dgetri), the reference for the small-matrix path.
Vec lapack_inverse(Vec a, int n) {
    std::vector<int> ipiv(n);
    Vec work(n);
    int info = 0;
    dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
    dgetri_(&n, a.data(), &n, ipiv.data(), work.data(), &n, &info);
    return a;
}

class Linalg : public ::testing::Test {
protected:
    void SetUp() override { clear_errors(); }
    void TearDown() override { clear_errors(); }
    std::mt19937 gen{20240611u};
};

// --- Inverse and determinants ------------------------------------------------------------------

TEST_F(Linalg, InverseTimesMatrixIsIdentityAcrossSizes) {
    for (int n : {1, 2, 3, 4, 5, 6, 7, 9, 16}) {
        for (int rep = 0; rep < 20; ++rep) {
            Vec a = random_regular(gen, n), ainv(a.size());
            const Vec a0 = a;
            MatrixInverse(a.data(), ainv.data(), &n);
            EXPECT_EQ(a, a0) << "input changed, n=" << n;
            Vec p = naive_product(a, ainv, n, n, n);
            EXPECT_LT(max_abs_diff(p, identity(n)), 1e-12) << "n=" << n;
        }
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Linalg, SmallInverseAgreesWithLapackWithinRounding) {
    // The hand-written n <= 6 path against dgetrf/dgetri, including matrices that need pivoting
    // (zero leading entry).
    for (int n = 1; n <= 6; ++n) {
        for (int rep = 0; rep < 50; ++rep) {
            Vec a = random_matrix(gen, n, n), ainv(a.size());
            if (rep % 5 == 0) a[0] = 0.0;
            MatrixInverse(a.data(), ainv.data(), &n);
            Vec ref = lapack_inverse(a, n);
            double scale = 0.0;
            for (double v : ref) scale = std::max(scale, std::fabs(v));
            EXPECT_LE(max_abs_diff(ainv, ref), 1e-13 * scale * n) << "n=" << n << " rep=" << rep;
        }
    }
}

TEST_F(Linalg, SingularInverseReportsAndReturnsLapackWorkMatrix) {
    for (int n : {2, 8}) {  // small path falls back to LAPACK; large path is LAPACK
        clear_errors();
        Vec a = {1, 2, 2, 4};  // exactly singular: the second pivot is exactly 0
        if (n == 8) {
            a = random_matrix(gen, n, n);
            for (int i = 0; i < n; ++i) a[i + 2 * n] = 0.0;  // zero column
        }
        Vec ainv(a.size());
        MatrixInverse(a.data(), ainv.data(), &n);
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_EQ(errtext(), "Matrix inverse becomes numerically singular!");
        EXPECT_EQ(ainv, lapack_inverse(a, n)) << "n=" << n;
    }
}

TEST_F(Linalg, NonFiniteInputTakesTheLapackPath) {
    int n = 3;
    Vec a = {1, 0, 0, 0, kNaN, 0, 0, 0, 1}, ainv(9);
    MatrixInverse(a.data(), ainv.data(), &n);
    Vec ref = lapack_inverse(a, n);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_TRUE(ainv[i] == ref[i] || (std::isnan(ainv[i]) && std::isnan(ref[i]))) << i;
}

TEST_F(Linalg, LuDeterminant) {
    int n = 2;
    double lud = 0.0;
    Vec swap = {0, 1, 1, 0};
    LUFactDeterminant(&lud, swap.data(), &n);
    EXPECT_EQ(lud, -1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    Vec sing = {1, 2, 2, 4};
    LUFactDeterminant(&lud, sing.data(), &n);
    EXPECT_EQ(lud, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(errtext(), "Singularity in LU-factorization computation");

    // Against the cofactor expansion, small and LAPACK paths.
    clear_errors();
    for (int m : {1, 3, 5, 6, 7}) {
        Vec a = random_matrix(gen, m, m);
        double pd = 0.0;
        LUFactDeterminant(&lud, a.data(), &m);
        Determinant(&pd, a.data(), &m, nullptr);
        EXPECT_NEAR(lud, pd, 1e-12 * std::max(1.0, std::fabs(pd))) << "n=" << m;
    }
    int zero = 0;
    LUFactDeterminant(&lud, nullptr, &zero);
    EXPECT_EQ(lud, 1.0);  // empty product
}

TEST_F(Linalg, DeterminantAndPermanent) {
    int n = 2, perm = 1;
    double pd = 0.0;
    Vec a = {1, 3, 2, 4};  // [[1,2],[3,4]]
    Determinant(&pd, a.data(), &n, nullptr);
    EXPECT_EQ(pd, -2.0);
    Determinant(&pd, a.data(), &n, &perm);
    EXPECT_EQ(pd, 10.0);
    int three = 3;
    Vec ones(9, 1.0);
    Determinant(&pd, ones.data(), &three, &perm);
    EXPECT_EQ(pd, 6.0);  // permanent of the all-ones 3x3 matrix is 3!
    int zero = 0;
    Determinant(&pd, a.data(), &zero, nullptr);
    EXPECT_EQ(pd, 0.0);
}

// --- Eigen, SVD, Cholesky -----------------------------------------------------------------------

TEST_F(Linalg, EigenVectorsDiagonaliseSymmetricMatrices) {
    for (int n : {1, 2, 3, 6, 11}) {
        Vec a = random_symmetric(gen, n), z(a.size()), w(n, -1.0), d(n);
        MatrixEigenVectors(a.data(), z.data(), &n, w.data());
        MatrixEigenvalues(a.data(), d.data(), &n);
        for (int i = 1; i < n; ++i) EXPECT_LE(w[i - 1], w[i]);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(w[i], d[i], 1e-13);
        // a z = z diag(w) and z^T z = I
        Vec az = naive_product(a, z, n, n, n), zw = z;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) zw[i + j * n] *= w[j];
        EXPECT_LT(max_abs_diff(az, zw), 1e-12);
        Vec zt(z.size());
        MatrixTranspose(z.data(), zt.data(), &n, &n);
        EXPECT_LT(max_abs_diff(naive_product(zt, z, n, n, n), identity(n)), 1e-13);
    }
}

TEST_F(Linalg, EigenvaluesOnlyReturnedOnRequest) {
    int n = 2;
    Vec a = {2, 1, 1, 2}, z(4);
    Vec partial = {-1.0, 5.0};
    MatrixEigenVectors(a.data(), z.data(), &n, partial.data());
    EXPECT_EQ(partial, (Vec{-1.0, 5.0}));
    Vec negzero = {-1.0, -0.0};  // -0.0 is not negative: no request
    MatrixEigenVectors(a.data(), z.data(), &n, negzero.data());
    EXPECT_EQ(negzero[0], -1.0);
    MatrixEigenVectors(a.data(), z.data(), &n, nullptr);  // absent: nothing to write
    Vec req = {-1.0, -1.0};
    MatrixEigenVectors(a.data(), z.data(), &n, req.data());
    EXPECT_NEAR(req[0], 1.0, 1e-14);
    EXPECT_NEAR(req[1], 3.0, 1e-14);
}

TEST_F(Linalg, SvdReproducesTheMatrix) {
    for (auto [m, n] : {std::pair{2, 3}, {3, 2}, {4, 4}, {1, 5}, {7, 3}}) {
        Vec a = random_matrix(gen, m, n), u(m * m), s(m * n), v(n * n);
        const Vec a0 = a;
        SingularValueDecomposition(a.data(), u.data(), s.data(), v.data(), &m, &n);
        EXPECT_EQ(a, a0);
        const int k = std::min(m, n);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < m; ++i)
                if (i != j || i >= k) {
                    EXPECT_EQ(s[i + j * m], 0.0);
                }
        for (int i = 1; i < k; ++i) EXPECT_GE(s[(i - 1) * (m + 1)], s[i * (m + 1)]);
        Vec us = naive_product(u, s, m, m, n);
        EXPECT_LT(max_abs_diff(naive_product(us, v, m, n, n), a), 1e-13) << m << "x" << n;
    }
}

TEST_F(Linalg, CholeskyFactorKeepsLowerPartAndMarksFailure) {
    int n = 2;
    Vec a = {4, 2, 2, 3}, c(4);
    CholeskyFactorization(a.data(), c.data(), &n);
    EXPECT_DOUBLE_EQ(c[0], 2.0);
    EXPECT_DOUBLE_EQ(c[2], 1.0);
    EXPECT_DOUBLE_EQ(c[3], std::sqrt(2.0));
    EXPECT_EQ(c[1], 2.0);  // the input's lower entry
    EXPECT_FALSE(tvk::la::chol_failed(c.data(), n));

    Vec bad = {1, 2, 2, 1};
    CholeskyFactorization(bad.data(), c.data(), &n);
    for (double v : c) EXPECT_EQ(v, -1.7976931348623157e308);
    EXPECT_TRUE(tvk::la::chol_failed(c.data(), n));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);  // no report, only the marker
}

TEST_F(Linalg, CholeskyPropertyUtU) {
    for (int n : {1, 3, 6, 10}) {
        Vec b = random_matrix(gen, n, n), bt(b.size());
        MatrixTranspose(b.data(), bt.data(), &n, &n);
        Vec a = naive_product(bt, b, n, n, n);
        for (int i = 0; i < n; ++i) a[i + i * n] += 1.0;
        Vec c(a.size());
        CholeskyFactorization(a.data(), c.data(), &n);
        Vec u(a.size(), 0.0), ut(a.size());
        for (int j = 0; j < n; ++j)
            for (int i = 0; i <= j; ++i) u[i + j * n] = c[i + j * n];
        MatrixTranspose(u.data(), ut.data(), &n, &n);
        EXPECT_LT(max_abs_diff(naive_product(ut, u, n, n, n), a), 1e-12);
    }
}

// --- Illegal LAPACK/BLAS arguments never reach xerbla (which would end the process) ------------

TEST(LinalgDeath, EmptyMatricesAndOddLettersNeverEndTheProcess) {
    // If any call below reached xerbla the child would exit with status 0 before std::exit(42).
    auto calls = [] {
            int zero = 0, one = 1, neg = -3;
            double x[4] = {1, 2, 3, 4}, y[4] = {}, z[4] = {}, w[4] = {}, s = 0.0;
            MatrixInverse(x, y, &zero);
            MatrixInverse(x, y, &neg);
            LUFactDeterminant(&s, x, &zero);
            MatrixEigenVectors(x, y, &zero, nullptr);
            MatrixEigenvalues(x, y, &zero);
            SingularValueDecomposition(x, y, z, w, &zero, &one);
            SingularValueDecomposition(x, y, z, w, &one, &zero);
            CholeskyFactorization(x, y, &zero);
            double alpha = 1.0, beta = 0.5;
            GeneralMatrixProduct(y, &alpha, x, x, &beta, x, &one, &one, &zero, "X", "?", 1, 1);
            GeneralMatrixProduct(y, &alpha, x, x, &beta, x, &zero, &one, &one, "N", "N", 1, 1);
            GeneralMatrixProduct(y, &alpha, x, x, &beta, x, &one, &one, &neg, "", "", 0, 0);
            std::exit(42);
    };
    // Nothing on stderr either: the BLAS variant of xerbla prints and returns.
    EXPECT_EXIT(calls(), ::testing::ExitedWithCode(42), "^$");
}

// --- General product -----------------------------------------------------------------------------

TEST_F(Linalg, GeneralMatrixProductLetters) {
    int m = 2, n = 3, k = 4;
    Vec a = random_matrix(gen, m, k), at(a.size()), b = random_matrix(gen, k, n), bt(b.size());
    Vec c = random_matrix(gen, m, n), d(m * n);
    MatrixTranspose(a.data(), at.data(), &m, &k);
    MatrixTranspose(b.data(), bt.data(), &k, &n);
    double alpha = 2.0, beta = -0.5;
    Vec ref = naive_product(a, b, m, k, n);
    for (size_t i = 0; i < ref.size(); ++i) ref[i] = alpha * ref[i] + beta * c[i];

    GeneralMatrixProduct(d.data(), &alpha, a.data(), b.data(), &beta, c.data(), &m, &n, &k, "n",
                         "N", 1, 1);
    EXPECT_LT(max_abs_diff(d, ref), 1e-14);
    // lower-case t and any other letter transpose
    GeneralMatrixProduct(d.data(), &alpha, at.data(), bt.data(), &beta, c.data(), &m, &n, &k, "t",
                         "X", 1, 1);
    EXPECT_LT(max_abs_diff(d, ref), 1e-14);
    // k = 0: d = beta c
    int zero = 0;
    GeneralMatrixProduct(d.data(), &alpha, a.data(), b.data(), &beta, c.data(), &m, &n, &zero,
                         "N", "N", 1, 1);
    for (size_t i = 0; i < d.size(); ++i) EXPECT_EQ(d[i], beta * c[i]);
}

// --- Power iteration and conjugate gradient -------------------------------------------------------

TEST_F(Linalg, PowerIterationNegativeDominantEigenvalue) {
    int n = 2;
    Vec a = {-3, 0, 0, 1}, v(2);
    double lam = 0.0;
    PowerIteration(&lam, v.data(), a.data(), &n, nullptr, nullptr, nullptr);
    EXPECT_NEAR(lam, -3.0, 1e-10);
    EXPECT_NEAR(std::fabs(v[0]), 1.0, 1e-10);
    EXPECT_NEAR(v[1], 0.0, 1e-10);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    int one = 1;
    PowerIteration(&lam, v.data(), a.data(), &n, &one, nullptr, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);  // a pass limit chosen by the caller is no failure
    EXPECT_NEAR(v[0] * v[0] + v[1] * v[1], 1.0, 1e-15);
}

TEST_F(Linalg, PowerIterationAgreesWithLargestEigenvalue) {
    for (int n : {3, 6, 12}) {
        Vec b = random_matrix(gen, n, n), bt(b.size());
        MatrixTranspose(b.data(), bt.data(), &n, &n);
        Vec a = naive_product(bt, b, n, n, n), z(a.size()), w(n, -1.0), v(n);
        MatrixEigenVectors(a.data(), z.data(), &n, w.data());
        double lam = 0.0;
        int maxit = 100000;
        double tol = 1e-13;
        PowerIteration(&lam, v.data(), a.data(), &n, &maxit, nullptr, &tol);
        EXPECT_NEAR(lam, w[n - 1], 1e-8 * w[n - 1]) << n;
    }
}

TEST_F(Linalg, PowerIterationNegativeMaxiterReturnsNormalisedStartVector) {
    // Regression: with no pass the eigenvector was left unset and the eigenvalue taken from the
    // unnormalised start vector.
    int n = 2, maxit = -1;
    Vec a = {2, 0, 0, 1}, v = {7, 7};
    double lam = 0.0;
    PowerIteration(&lam, v.data(), a.data(), &n, &maxit, nullptr, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(errtext(), "No convergence in von Mises eigenvalue computation");
    EXPECT_NEAR(v[0], std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(v[1], std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(lam, 1.5, 1e-15);
}

TEST_F(Linalg, PowerIterationOfNullMatrixIsZeroNotNaN) {
    int n = 3;
    Vec a(9, 0.0), v(3);
    double lam = 1.0;
    PowerIteration(&lam, v.data(), a.data(), &n, nullptr, nullptr, nullptr);
    EXPECT_EQ(lam, 0.0);
    for (double x : v) EXPECT_NEAR(x, 1.0 / std::sqrt(3.0), 1e-15);
}

TEST_F(Linalg, ConjugateGradient) {
    int n = 2;
    Vec a = {4, 1, 1, 3}, b = {1, 2}, x0 = {0, 0}, x(2);
    ConjugateGradient(x.data(), a.data(), b.data(), x0.data(), &n, &n);
    EXPECT_NEAR(x[0], 1.0 / 11.0, 1e-14);
    EXPECT_NEAR(x[1], 7.0 / 11.0, 1e-14);
    // xgrad is the correction to x0
    Vec x1 = {1, 1};
    ConjugateGradient(x.data(), a.data(), b.data(), x1.data(), &n, &n);
    EXPECT_NEAR(x[0] + 1.0, 1.0 / 11.0, 1e-14);
    EXPECT_NEAR(x[1] + 1.0, 7.0 / 11.0, 1e-14);
}

TEST_F(Linalg, ConjugateGradientZeroStartResidualGivesZeroNotNaN) {
    int n = 2;
    Vec a = {4, 1, 1, 3}, b = {0, 0}, x0 = {0, 0}, x = {9, 9};
    ConjugateGradient(x.data(), a.data(), b.data(), x0.data(), &n, &n);
    EXPECT_EQ(x, (Vec{0, 0}));
    int m = 3;  // non-square: refused, no read past the 2 x 3 matrix
    Vec r(6, 1.0), bb(3, 1.0), xx(3, 0.0), out(3, 5.0);
    ConjugateGradient(out.data(), r.data(), bb.data(), xx.data(), &n, &m);
    EXPECT_EQ(out, (Vec{0, 0, 0}));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

// --- Products and element-wise rules -------------------------------------------------------------

TEST_F(Linalg, ProductsMatchNaiveProductAllPaths) {
    for (auto [l, n, m] : {std::tuple{3, 3, 3}, {6, 6, 6}, {2, 5, 4}, {6, 6, 1}, {1, 7, 3}}) {
        Vec a = random_matrix(gen, l, n), b = random_matrix(gen, n, m), c(l * m, 99.0);
        b[0] = 0.0;
        MatrixProduct(a.data(), b.data(), c.data(), &l, &n, &m);
        EXPECT_LT(max_abs_diff(c, naive_product(a, b, l, n, m)), 1e-14);
        Vec cv(l, 99.0);
        MatrixVectorProduct(a.data(), b.data(), cv.data(), &l, &n);
        EXPECT_LT(max_abs_diff(cv, naive_product(a, b, l, n, 1)), 1e-14);
        // c = a^T b for a vector a(n) and b(n,m)
        Vec vm(m, 99.0), at(n);
        for (int k = 0; k < n; ++k) at[k] = a[k * l];
        VectorMatrixProduct(at.data(), b.data(), vm.data(), &m, &n);
        EXPECT_LT(max_abs_diff(vm, naive_product(at, b, 1, n, m)), 1e-14);
    }
}

TEST_F(Linalg, ProductOutputMayOverlapOperand) {
    int n = 3;
    Vec a = random_matrix(gen, n, n), b = random_matrix(gen, n, n);
    Vec ref = naive_product(a, b, n, n, n);
    MatrixProduct(a.data(), b.data(), a.data(), &n, &n, &n);
    EXPECT_LT(max_abs_diff(a, ref), 1e-14);
}

TEST_F(Linalg, ZeroEntriesOfRightOperandAreSkipped) {
    for (int n : {3, 6, 4}) {  // fixed and generic kernels
        Vec a = random_matrix(gen, n, n), b = random_matrix(gen, n, n), c(n * n);
        for (int i = 0; i < n; ++i) a[i + n] = kNaN;       // column 2 of a
        for (int j = 0; j < n; ++j) b[1 + j * n] = 0.0;    // row 2 of b
        a[0] = kInf;
        b[0] = kNaN;  // a NaN in b counts as nonzero: column 1 of c is NaN
        MatrixProduct(a.data(), b.data(), c.data(), &n, &n, &n);
        for (int j = 1; j < n; ++j)
            for (int i = 1; i < n; ++i) EXPECT_TRUE(std::isfinite(c[i + j * n])) << n;
        for (int i = 0; i < n; ++i) EXPECT_TRUE(std::isnan(c[i])) << n;
        Vec bv(n), cv(n);
        for (int k = 0; k < n; ++k) bv[k] = k == 1 ? 0.0 : 1.0;
        MatrixVectorProduct(a.data(), bv.data(), cv.data(), &n, &n);
        for (int i = 1; i < n; ++i) EXPECT_TRUE(std::isfinite(cv[i]));
    }
}

TEST_F(Linalg, HadamardAndAmplifyZeroRules) {
    int l = 1, n = 2;
    Vec a = {1, 2}, b = {0, 4}, c(2, 7.0);
    HadamardDivision(a.data(), b.data(), c.data(), &l, &n);
    EXPECT_EQ(c, (Vec{0.0, 0.5}));
    Vec an = {kNaN, 0.0}, bn = {2.0, kInf};
    HadamardProduct(an.data(), bn.data(), c.data(), &l, &n);
    EXPECT_TRUE(std::isnan(c[0]));  // NaN counts as nonzero
    EXPECT_EQ(c[1], 0.0);           // 0 * inf is 0 here
    Vec v = {0.0, 2.0, -0.0};
    double inf = kInf;
    int three = 3;
    VectorAmplify(v.data(), &inf, &three);
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[1], kInf);
    EXPECT_EQ(v[2], 0.0);
}

TEST_F(Linalg, InPlaceAndAccumulatingHabits) {
    int n = 2, one = 1;
    Vec a = {1, 1}, b = {2, 3};
    double c = 2.0;
    VectorScalarMultiplication(a.data(), b.data(), &c, &n);
    EXPECT_EQ(a, (Vec{5, 7}));  // a + c b, not c b
    MatrixScalarMultiplication(a.data(), b.data(), &c, &one, &n);
    EXPECT_EQ(a, (Vec{9, 13}));
    VectorSub(a.data(), b.data(), &n);
    EXPECT_EQ(a, (Vec{7, 10}));
    MatrixSum(a.data(), b.data(), &n, &one);
    EXPECT_EQ(a, (Vec{9, 13}));
    double alpha = 1.7;  // clamped to 1
    Vec s(2);
    MatrixShrinkage(a.data(), b.data(), s.data(), &alpha, &n, &one);
    EXPECT_EQ(s, a);
    alpha = 0.25;
    MatrixShrinkage(a.data(), b.data(), s.data(), &alpha, &n, &one);
    EXPECT_EQ(s, (Vec{0.25 * 9 + 0.75 * 2, 0.25 * 13 + 0.75 * 3}));
}

TEST_F(Linalg, KroneckerDyadAndPackedProducts) {
    int ma = 2, na = 3, pb = 3, qb = 2;
    Vec a = random_matrix(gen, ma, na), b = random_matrix(gen, pb, qb);
    Vec ab(ma * pb * na * qb, kNaN);
    KroneckerProduct(a.data(), b.data(), ab.data(), &ma, &na, &pb, &qb);
    const int rows = ma * pb;
    for (int i = 0; i < ma; ++i)
        for (int j = 0; j < na; ++j)
            for (int r = 0; r < pb; ++r)
                for (int s = 0; s < qb; ++s)
                    EXPECT_EQ(ab[(i * pb + r) + (j * qb + s) * rows], a[i + j * ma] * b[r + s * pb]);

    // Packed symmetric product against the full matrix
    for (int n : {1, 3, 6, 9}) {
        Vec full = random_symmetric(gen, n), x = random_matrix(gen, n, 1), packed;
        for (int i = 0; i < n; ++i)
            for (int j = i; j < n; ++j) packed.push_back(full[i + j * n]);
        int m = static_cast<int>(packed.size());
        Vec c(n);
        LUMatrixVectorProduct(packed.data(), x.data(), c.data(), &m, &n);
        EXPECT_LT(max_abs_diff(c, naive_product(full, x, n, n, 1)), 1e-14);
        int shorter = m - 1;
        LUMatrixVectorProduct(packed.data(), x.data(), c.data(), &shorter, &n);
        EXPECT_EQ(c, Vec(n, 0.0));  // refused, nothing read past the packed vector
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        clear_errors();
    }
}

TEST_F(Linalg, VectorProducts) {
    Vec a = {1, 2, 3}, b = {-2, 0.5, 4}, c = {0, 1, -1}, d(3);
    CrossProduct(a.data(), b.data(), d.data());
    EXPECT_EQ(d, (Vec{2 * 4 - 3 * 0.5, 3 * -2 - 1 * 4, 1 * 0.5 - 2 * -2}));
    CrossProduct(a.data(), b.data(), a.data());  // result may be an operand
    EXPECT_EQ(a, d);
    a = {1, 2, 3};
    double t = 0.0;
    ScalarTripleProduct(a.data(), b.data(), c.data(), &t);
    Vec bxc(3);
    CrossProduct(b.data(), c.data(), bxc.data());
    int three = 3, zero = 0;
    double dotv = 0.0;
    DotProduct(a.data(), bxc.data(), &dotv, &three);
    EXPECT_EQ(t, dotv);
    DotProduct(a.data(), b.data(), &dotv, &zero);
    EXPECT_EQ(dotv, 0.0);
    // a x (b x c) = b (a.c) - c (a.b)
    VectorTripleProduct(a.data(), b.data(), c.data(), d.data());
    const double ac = -1.0, abd = 1 * -2 + 2 * 0.5 + 3 * 4;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(d[i], b[i] * ac - c[i] * abd, 1e-14);
}

TEST_F(Linalg, DiagonalsRunningSumsAndSymmetrize) {
    int n = 3;
    Vec a = {11, 21, 31, 12, 22, 32, 13, 23, 33}, d(3, -7.0);
    int k = 1;
    MatrixDiagonal(d.data(), a.data(), &k, &n);
    EXPECT_EQ(d, (Vec{12, 23, -7}));
    k = -2;
    MatrixDiagonal(d.data(), a.data(), &k, &n);
    EXPECT_EQ(d[0], 31);
    k = 3;
    d = {-7, -7, -7};
    MatrixDiagonal(d.data(), a.data(), &k, &n);
    EXPECT_EQ(d, (Vec{-7, -7, -7}));  // nothing written when |k| >= n

    Vec x = {2, 3, 4}, r(3);
    CumulativeProduct(r.data(), x.data(), &n, nullptr);
    EXPECT_EQ(r, (Vec{2, 6, 24}));
    double seed = 1.0;
    CumulativeSum(r.data(), x.data(), &n, &seed);
    EXPECT_EQ(r, (Vec{3, 6, 10}));

    Vec s(9);
    MatrixSymmetrize(a.data(), s.data(), &n);
    Vec at(9);
    MatrixTranspose(a.data(), at.data(), &n, &n);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(s[i], (a[i] + at[i]) / 2);
    MatrixSymmetrize(a.data(), a.data(), &n);  // in place
    EXPECT_EQ(a, s);
}

}  // namespace
