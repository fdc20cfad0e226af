// Dense linear algebra: what the Python tests cannot see. The small-matrix fast paths against
// LAPACK itself, the LAPACK fallback for singular and non-finite input, illegal arguments kept
// away from xerbla, aliasing, the zero-skip rule in the fixed and generic kernels, and the
// mended edge cases of the iterative solvers and the packed product.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "core/lapack.h"
#include "core/linalg.h"

namespace {

using Vec = std::vector<double>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using tvktest::clear_errors;
using tvktest::errtext;
Vec random_matrix(std::mt19937& g, int r, int c) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Vec a(static_cast<size_t>(r) * c);
    for (auto& x : a) x = u(g);
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

TEST_F(Linalg, SmallInverseAndDeterminantAgreeWithLapack) {
    // The hand-written n <= 6 paths against dgetrf/dgetri, with and without a zero leading
    // entry (pivoting); the LU determinant also against the cofactor expansion across the
    // small/LAPACK boundary.
    for (int n = 1; n <= 7; ++n) {
        for (int rep = 0; rep < 40; ++rep) {
            Vec a = random_matrix(gen, n, n), ainv(a.size());
            if (n > 1 && rep % 4 == 0) a[0] = 0.0;
            MatrixInverse(a.data(), ainv.data(), &n);
            Vec ref = lapack_inverse(a, n);
            double scale = 0.0;
            for (double v : ref) scale = std::max(scale, std::fabs(v));
            EXPECT_LE(max_abs_diff(ainv, ref), 1e-13 * scale * n) << "n=" << n << " rep=" << rep;
            double lud = 0.0, pd = 0.0;
            LUFactDeterminant(&lud, a.data(), &n);
            Determinant(&pd, a.data(), &n, nullptr);
            EXPECT_NEAR(lud, pd, 1e-13 * std::max(1.0, std::fabs(pd))) << "n=" << n;
        }
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Linalg, SingularAndNonFiniteInverseReturnLapacksOwnResult) {
    for (int n : {2, 8}) {  // the small path hands over to LAPACK; the large path is LAPACK
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
    int n = 3;
    Vec a = {1, 0, 0, 0, kNaN, 0, 0, 0, 1}, ainv(9);
    MatrixInverse(a.data(), ainv.data(), &n);
    Vec ref = lapack_inverse(a, n);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_TRUE(ainv[i] == ref[i] || (std::isnan(ainv[i]) && std::isnan(ref[i]))) << i;
}

TEST(LinalgDeath, IllegalLapackArgumentsNeverEndTheProcess) {
    // Reference xerbla ends the process with status 0 (LAPACK) or prints and returns (BLAS):
    // reaching std::exit(42) with nothing on stderr shows that no call got that far.
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
    EXPECT_EXIT(calls(), ::testing::ExitedWithCode(42), "^$");
}

TEST_F(Linalg, ProductsSkipZerosInEveryKernelAndMayOverlap) {
    for (int n : {3, 6, 4}) {  // fixed-size and generic kernels
        Vec a = random_matrix(gen, n, n), b = random_matrix(gen, n, n), c(n * n);
        for (int i = 0; i < n; ++i) a[i + n] = kNaN;     // column 2 of a
        for (int j = 0; j < n; ++j) b[1 + j * n] = 0.0;  // meets only the zero row 2 of b
        b[0] = kNaN;  // a NaN in b counts as nonzero: column 1 of c is NaN
        MatrixProduct(a.data(), b.data(), c.data(), &n, &n, &n);
        for (int j = 1; j < n; ++j)
            for (int i = 0; i < n; ++i) EXPECT_TRUE(std::isfinite(c[i + j * n])) << n;
        for (int i = 0; i < n; ++i) EXPECT_TRUE(std::isnan(c[i])) << n;
        Vec bv(n, 1.0), cv(n);
        bv[1] = 0.0;
        MatrixVectorProduct(a.data(), bv.data(), cv.data(), &n, &n);
        for (double v : cv) EXPECT_TRUE(std::isfinite(v));
    }
    int n = 3;
    Vec a = random_matrix(gen, n, n), b = random_matrix(gen, n, n);
    Vec ref = naive_product(a, b, n, n, n);
    MatrixProduct(a.data(), b.data(), a.data(), &n, &n, &n);  // result written over an operand
    EXPECT_LT(max_abs_diff(a, ref), 1e-14);
}

TEST_F(Linalg, PackedProductRefusesShortStorage) {
    int n = 3, m = 5;  // 3 x 3 needs 6 packed values
    Vec packed(5, 1.0), x(3, 1.0), c(3, 9.0);
    LUMatrixVectorProduct(packed.data(), x.data(), c.data(), &m, &n);
    EXPECT_EQ(c, Vec(3, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
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

TEST_F(Linalg, SymmetricPencilGivesTheEigenvalueOfLargestModulusOrNoneWhereOppositeOnesTie) {
    // kk = L L^T and kg = L Q diag(lam) Q^T L^T (Q orthogonal): the pencil's eigenvalues are lam.
    int n = 6, lwork = 64, info = 0;
    Vec l = random_matrix(gen, n, n), q = random_matrix(gen, n, n), w(n), work(64), kk(n * n, 0.0);
    dsyev_("V", "U", &n, q.data(), &n, w.data(), work.data(), &lwork, &info, 1, 1);
    for (int j = 0; j < n; ++j) l[j + j * n] = 2.0 + std::fabs(l[j + j * n]);
    auto congruent = [&](const Vec& m, const Vec& lam) {  // m diag(lam) m^T, bitwise symmetric
        Vec c(n * n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int k = 0; k < n; ++k) c[i + j * n] += m[i + k * n] * m[j + k * n] * lam[k];
        return c;
    };
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) l[i + j * n] = 0.0;
    kk = congruent(l, Vec(n, 1.0));
    const Vec lq = naive_product(l, q, n, n, n), ones(n, 1.0), minus(n, -1.0);
    const Vec kg = congruent(lq, {-3, 1, 2.9999, 0.5, 0.1, -2.9999});
    Vec x(n), y(n);
    double mu = 0.0, nu = 0.0;
    ASSERT_TRUE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), kk.data(), kg.data(), n, ones.data()));
    ASSERT_TRUE(tvk::la::dominant_symmetric_pencil(&nu, y.data(), kk.data(), kg.data(), n, minus.data()));
    EXPECT_NEAR(mu, -3.0, 1e-12);
    const Vec gx = naive_product(kg, x, n, n, 1), kx = naive_product(kk, x, n, n, 1);
    double norm = 0.0, along = 0.0;
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(gx[i], mu * kx[i], 1e-11);  // kg x = mu kk x
        norm += x[i] * x[i];
        along += x[i];
        EXPECT_EQ(y[i], -x[i]);  // the sign follows the reference vector
    }
    EXPECT_NEAR(norm, 1.0, 1e-14);
    EXPECT_GE(along, 0.0);
    // Opposite extremes of equal modulus, or a kk that is not positive definite: no answer, and
    // mu and x as they came.
    Vec bad = kk;
    bad[0] = -1.0;
    x.assign(n, 7.0);
    mu = 7.0;
    EXPECT_FALSE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), kk.data(),
                                                    congruent(lq, {2, -2, 1, 0.5, 0.1, -1}).data(), n, nullptr));
    EXPECT_FALSE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), bad.data(), kg.data(), n, nullptr));
    EXPECT_EQ(mu, 7.0);
    EXPECT_EQ(x, Vec(n, 7.0));
}

TEST_F(Linalg, SymmetricPencilTiesWithin1e6AndRefusesAsymmetricOrNonFiniteMatrices) {
    // kk = L L^T and kg = L diag(lam) L^T: the pencil's eigenvalues are lam. Extremes of opposite
    // sign 1e-7 apart in modulus tie (no answer); 1e-5 apart the larger one is the answer.
    const int n = 4;
    Vec l = random_matrix(gen, n, n);
    for (int i = 0; i < n; ++i) {
        l[i + i * n] = 2.0 + std::fabs(l[i + i * n]);
        for (int j = i + 1; j < n; ++j) l[i + j * n] = 0.0;
    }
    auto congruent = [&](const Vec& lam) {
        Vec c(n * n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int k = 0; k < n; ++k) c[i + j * n] += l[i + k * n] * l[j + k * n] * lam[k];
        return c;
    };
    const Vec kk = congruent({1, 1, 1, 1});
    Vec x(n, 7.0);
    double mu = 7.0;
    EXPECT_FALSE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), kk.data(), congruent({2, -2 * (1 - 1e-7), 1, 0.5}).data(), n, nullptr));
    EXPECT_TRUE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), kk.data(), congruent({2, -2 * (1 - 1e-5), 1, 0.5}).data(), n, nullptr));
    EXPECT_NEAR(mu, 2.0, 1e-12);
    // A kg or kk that is not exactly symmetric, or holds an entry that is not finite: no answer,
    // mu and x as they came.
    const Vec kg = congruent({2, -1, 1, 0.5});
    Vec asym = kg, nan_g = kg, inf_k = kk;
    asym[1] = std::nextafter(asym[1], 10.0);
    nan_g[0] = kNaN;
    inf_k[n + 1] = std::numeric_limits<double>::infinity();
    for (const auto& [k, g] : {std::pair{kk, asym}, std::pair{asym, kk}, std::pair{kk, nan_g}, std::pair{inf_k, kg}}) {
        x.assign(n, 7.0);
        mu = 7.0;
        EXPECT_FALSE(tvk::la::dominant_symmetric_pencil(&mu, x.data(), k.data(), g.data(), n, nullptr));
        EXPECT_EQ(mu, 7.0);
        EXPECT_EQ(x, Vec(n, 7.0));
    }
}

TEST_F(Linalg, ConjugateGradientZeroStartResidualGivesZeroNotNaN) {
    int n = 2;
    Vec a = {4, 1, 1, 3}, b = {0, 0}, x0 = {0, 0}, x = {9, 9};
    ConjugateGradient(x.data(), a.data(), b.data(), x0.data(), &n, &n);
    EXPECT_EQ(x, (Vec{0, 0}));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    int m = 3;  // non-square: refused, no read past the 2 x 3 matrix
    Vec r(6, 1.0), bb(3, 1.0), xx(3, 0.0), out(3, 5.0);
    ConjugateGradient(out.data(), r.data(), bb.data(), xx.data(), &n, &m);
    EXPECT_EQ(out, (Vec{0, 0, 0}));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

}  // namespace
