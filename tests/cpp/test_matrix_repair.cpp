// Matrix repair (PSD projection, nearest SPD and correlation matrices), the positive-definiteness
// test, minors, norms and the modal assurance criterion.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/linalg.h"
#include "core/matrix_repair.h"

namespace {

using Vec = std::vector<double>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}
std::string errtext() {
    std::string s(tvk::errorhandling.errstring, 80);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

Vec eigenvalues(const Vec& a, int n) {
    Vec d(n);
    MatrixEigenvalues(a.data(), d.data(), &n);
    return d;
}
bool has_cholesky(const Vec& a, int n) {
    Vec c(a.size());
    CholeskyFactorization(a.data(), c.data(), &n);
    return !tvk::la::chol_failed(c.data(), n);
}
double max_abs_diff(const Vec& a, const Vec& b) {
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}
Vec random_symmetric(std::mt19937& g, int n, double lo = -1.0, double hi = 1.0) {
    std::uniform_real_distribution<double> u(lo, hi);
    Vec a(static_cast<size_t>(n) * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i <= j; ++i) a[i + j * n] = a[j + i * n] = u(g);
    return a;
}

class Repair : public ::testing::Test {
protected:
    void SetUp() override { clear_errors(); }
    void TearDown() override { clear_errors(); }
    std::mt19937 gen{7771u};
};

// --- Projection and nearest SPD ------------------------------------------------------------------

TEST_F(Repair, ProjectedSpdExampleAndProperties) {
    int n = 2;
    Vec a = {1, 2, 2, 1}, p(4);
    GetProjectedSPD(p.data(), a.data(), &n);
    for (double v : p) EXPECT_NEAR(v, 1.5, 1e-14);

    for (int m : {3, 6, 9}) {
        Vec s = random_symmetric(gen, m), q(s.size()), q2(s.size());
        GetProjectedSPD(q.data(), s.data(), &m);
        for (double l : eigenvalues(q, m)) EXPECT_GT(l, -1e-13);
        GetProjectedSPD(q2.data(), q.data(), &m);  // a projection: applying it twice changes nothing
        EXPECT_LT(max_abs_diff(q, q2), 1e-13);
    }
}

TEST_F(Repair, NearestSpdKeepsPositiveDefiniteAndRepairsIndefinite) {
    int n = 3;
    Vec spd = {4, 1, 0.5, 1, 3, 0.2, 0.5, 0.2, 2}, pd(9);
    GetNearestSPD(pd.data(), spd.data(), &n);
    EXPECT_LT(max_abs_diff(pd, spd), 1e-13);

    int two = 2;
    Vec bad = {1, 2, 2, 1}, fixed(4);
    GetNearestSPD(fixed.data(), bad.data(), &two);
    EXPECT_TRUE(has_cholesky(fixed, two));

    for (int m : {4, 7}) {
        Vec s = random_symmetric(gen, m), r(s.size());
        GetNearestSPD(r.data(), s.data(), &m);
        EXPECT_TRUE(has_cholesky(r, m));
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Repair, NearestSpdEndsOnNonFiniteInput) {
    // Regression: the shift loop had no pass limit and never ended on NaN input.
    int n = 2;
    Vec a = {1, kNaN, kNaN, 1}, pd(4);
    GetNearestSPD(pd.data(), a.data(), &n);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    GetNearestPDNorm(a.data(), &n);  // returns, with the same report
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}

TEST_F(Repair, NearestPdNormAndPositiveDefiniteTest) {
    int n = 2;
    Vec eye = {1, 0, 0, 1};
    EXPECT_EQ(GetNearestPDNorm(eye.data(), &n), 0.0);
    Vec bad = {1, 2, 2, 1}, pd(4);
    GetNearestSPD(pd.data(), bad.data(), &n);
    Vec diff(4);
    for (int i = 0; i < 4; ++i) diff[i] = bad[i] - pd[i];
    EXPECT_DOUBLE_EQ(GetNearestPDNorm(bad.data(), &n), MatrixNorm(diff.data(), &n, &n));

    Vec tiny = {1, 0, 0, 1e-9};
    EXPECT_EQ(IsPositiveDefinite(tiny.data(), &n, nullptr), 0);
    double tol = 1e-10;
    EXPECT_EQ(IsPositiveDefinite(tiny.data(), &n, &tol), 1);
    EXPECT_EQ(IsPositiveDefinite(bad.data(), &n, nullptr), 0);
    EXPECT_EQ(IsPositiveDefinite(eye.data(), &n, nullptr), 1);
}

// --- Nearest correlation matrix ------------------------------------------------------------------

TEST_F(Repair, CorrelationOfValidInputHasUnitDiagonalAndStays) {
    int n = 3;
    Vec c = {1, 0.3, 0.1, 0.3, 1, -0.2, 0.1, -0.2, 1}, r(9);
    GetNearestCorrelationMatrix(r.data(), c.data(), &n, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(r[i + i * n], 1.0, 1e-12);
    EXPECT_LT(max_abs_diff(r, c), 1e-10);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(Repair, CorrelationRepairsIndefiniteMatrices) {
    for (int n : {3, 5, 8}) {
        Vec a = random_symmetric(gen, n);
        for (int i = 0; i < n; ++i) a[i + i * n] = 1.0;
        Vec r(a.size());
        Vec w(n, -1.0);  // all -1: no weights given
        double tol = -1.0;
        int maxiter = 500, kind = 0;
        GetNearestCorrelationMatrix(r.data(), a.data(), &n, w.data(), &tol, &maxiter, &kind);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << errtext();
        EXPECT_TRUE(has_cholesky(r, n));
        for (int i = 0; i < n; ++i) EXPECT_NEAR(r[i + i * n], 1.0, 1e-6) << n;
        for (double v : r) EXPECT_LE(std::fabs(v), 1.0 + 1e-9);
        clear_errors();
    }
}

TEST_F(Repair, CorrelationNonConvergenceIsReportedNotSilent) {
    // Regression: a run that hit maxiter returned the zero matrix without any report.
    int n = 3, maxiter = 1;
    Vec a = {1, 0.9, -0.9, 0.9, 1, 0.9, -0.9, 0.9, 1}, r(9, 5.0);
    GetNearestCorrelationMatrix(r.data(), a.data(), &n, nullptr, nullptr, &maxiter, nullptr);
    EXPECT_EQ(r, Vec(9, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}

TEST_F(Repair, CorrelationEndsOnNonFiniteInputAndRankKinds) {
    int n = 2;
    Vec a = {1, kNaN, kNaN, 1}, r(4, 5.0);
    GetNearestCorrelationMatrix(r.data(), a.data(), &n, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(r, Vec(4, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    // Spearman and Kendall inputs are mapped to Pearson and repaired again: unit diagonal and a
    // factorisable result.
    Vec c = {1, 0.5, 0.5, 1};
    for (int kind : {1, 2}) {
        GetNearestCorrelationMatrix(r.data(), c.data(), &n, nullptr, nullptr, nullptr, &kind);
        EXPECT_NEAR(r[0], 1.0, 1e-9);
        EXPECT_NEAR(r[3], 1.0, 1e-9);
        const double expect = kind == 1 ? 2 * std::sin(M_PI * 0.5 / 6) : std::sin(M_PI * 0.5 / 2);
        EXPECT_NEAR(r[1], expect, 1e-9) << kind;
    }
}

// --- Minors, cofactor, trace ------------------------------------------------------------------

TEST_F(Repair, MinorsAndCofactor) {
    int k = 3, one = 1, two = 2, three = 3;
    Vec sm = {1, 4, 7, 2, 5, 8, 3, 6, 10};  // [[1,2,3],[4,5,6],[7,8,10]]
    EXPECT_NEAR(GetFirstMinor(sm.data(), &one, &one, &k), 2.0, 1e-14);
    EXPECT_NEAR(GetFirstMinor(sm.data(), &two, &three, &k), 1 * 8 - 2 * 7, 1e-14);
    EXPECT_EQ(GetPrincipleMinor(sm.data(), &one, &k), 1.0);
    EXPECT_NEAR(GetPrincipleMinor(sm.data(), &two, &k), 1 * 5 - 2 * 4, 1e-14);
    EXPECT_NEAR(GetPrincipleMinor(sm.data(), &three, &k), -3.0, 1e-13);
    // An entry equal to -huge is data, not a removal mark.
    Vec marked = {-tvk::huge, 0, 0, 1};
    int two_k = 2;
    EXPECT_EQ(GetFirstMinor(marked.data(), &two, &two, &two_k), -tvk::huge);
    // Out-of-range rows and orders are refused, not read.
    int four = 4, zero = 0;
    EXPECT_EQ(GetFirstMinor(sm.data(), &four, &one, &k), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
    EXPECT_EQ(GetPrincipleMinor(sm.data(), &zero, &k), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);

    double m = 3.0;
    EXPECT_EQ(GetCofactor(&m, &one, &two), -3.0);
    EXPECT_EQ(GetCofactor(&m, &two, &two), 3.0);
    EXPECT_EQ(Trace(sm.data(), &k), 16.0);
}

// --- Norms ------------------------------------------------------------------------------------

TEST_F(Repair, Norms) {
    int two = 2, one = 1;
    Vec x = {3, -4};
    double p2 = 2.0, p1 = 1.0;
    EXPECT_DOUBLE_EQ(LpVectorNorm(x.data(), &p2, &two), 5.0);
    EXPECT_DOUBLE_EQ(LpVectorNorm(x.data(), &p1, &two), 7.0);
    EXPECT_DOUBLE_EQ(LpMatrixNorm(x.data(), &p1, &one, &two), 7.0);
    EXPECT_EQ(VectorNorm(x.data(), &two), 5.0);
    int zero = 0;
    EXPECT_EQ(VectorNorm(x.data(), &zero), 0.0);

    Vec d = {3, 0, 0, -5};
    EXPECT_NEAR(SpectralNorm(d.data(), &two, &two), 5.0, 1e-14);
    EXPECT_NEAR(NuclearNorm(d.data(), &two, &two), 8.0, 1e-14);
    EXPECT_NEAR(SchattenNorm(d.data(), &p2, &two, &two), std::sqrt(34.0), 1e-14);
    EXPECT_EQ(SpectralNorm(d.data(), &zero, &two), 0.0);  // empty matrix: no read
    EXPECT_EQ(NuclearNorm(d.data(), &two, &zero), 0.0);

    // Frobenius equals the Schatten 2-norm on a random rectangular matrix.
    std::mt19937 g(5);
    std::uniform_real_distribution<double> u(-2, 2);
    int m = 5, n = 3;
    Vec r(15);
    for (auto& v : r) v = u(g);
    EXPECT_NEAR(MatrixNorm(r.data(), &m, &n), SchattenNorm(r.data(), &p2, &m, &n), 1e-13);
}

TEST_F(Repair, EuclideanNormDoesNotOverflowOrUnderflow) {
    int two = 2;
    Vec big = {3e200, 4e200}, small = {3e-200, 4e-200};
    EXPECT_DOUBLE_EQ(VectorNorm(big.data(), &two), 5e200);
    EXPECT_DOUBLE_EQ(VectorNorm(small.data(), &two), 5e-200);
    Vec withnan = {1.0, kNaN};
    EXPECT_TRUE(std::isnan(VectorNorm(withnan.data(), &two)));
    Vec withinf = {1.0, -std::numeric_limits<double>::infinity()};
    EXPECT_EQ(VectorNorm(withinf.data(), &two), std::numeric_limits<double>::infinity());
}

// --- Householder and MAC -------------------------------------------------------------------------

TEST_F(Repair, HouseholderAndModalAssurance) {
    int two = 2, three = 3;
    Vec v = {0, 1}, t(4);
    GetHouseHolderTransformationMatrix(t.data(), v.data(), &two);
    EXPECT_EQ(t, (Vec{1, 0, 0, -1}));

    Vec a = {1, 2, 3}, b = {-2, -4, -6}, c = {3, 0, -1};
    EXPECT_DOUBLE_EQ(VectorModalAssuranceCriterion(a.data(), b.data(), &three), 1.0);
    EXPECT_EQ(VectorModalAssuranceCriterion(a.data(), c.data(), &three), 0.0);

    // Eigenvectors of a matrix against themselves: identity MAC matrix (distinct eigenvalues).
    Vec s = {2, 1, 0, 1, 3, 1, 0, 1, 4}, mac(9);
    MatrixModalAssuranceCriterion(s.data(), s.data(), mac.data(), &three);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(mac[i + j * 3], i == j ? 1.0 : 0.0, 1e-13);
}

}  // namespace
