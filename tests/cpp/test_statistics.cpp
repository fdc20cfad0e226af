// Statistics, special functions and numerical helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/errors.h"
#include "core/statistics.h"

namespace {

constexpr double pi = 3.141592653589793;

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

int mono(std::vector<double> x) {
    const int n = static_cast<int>(x.size());
    return Monoticity(x.data(), &n);
}

}  // namespace

TEST(Statistics, MonotonicityCodes) {
    EXPECT_EQ(mono({1, 2, 3}), 2);
    EXPECT_EQ(mono({1, 1, 2}), 1);
    EXPECT_EQ(mono({2, 2, 2}), -1);  // constant counts as non-increasing
    EXPECT_EQ(mono({3, 2, 2}), -1);
    EXPECT_EQ(mono({3, 2, 1}), -2);
    EXPECT_EQ(mono({1, 3, 2}), 0);
    EXPECT_EQ(mono({7}), -2);
    EXPECT_EQ(mono({}), -2);
}

TEST(Statistics, TruncationHelpersAreNotRounding) {
    const double vals[] = {1.27, -1.27};
    const int one = 1;
    EXPECT_DOUBLE_EQ(droundsf(&vals[0], &one), 1.2);
    EXPECT_DOUBLE_EQ(droundsf(&vals[1], &one), -1.2);
    const double x = 0.123456789123;
    EXPECT_DOUBLE_EQ(droundsf(&x, nullptr), 0.12345678);
    const double big = 1e300;  // beyond 2^52 after scaling: unchanged
    EXPECT_EQ(droundsf(&big, &one), big);

    const double two = 2.0, m15 = -1.5, m05 = -0.5, b53 = 9007199254740992.0;
    EXPECT_EQ(dceil(&two), 3.0);
    EXPECT_EQ(dceil(&m15), 0.0);
    EXPECT_EQ(dceil(&m05), 1.0);
    EXPECT_EQ(dceil(&b53), b53 + 1.0);
}

TEST(Statistics, PascalTriangleMatchesRecurrence) {
    // Exact table by the Pascal recurrence; values up to C(62,31) fit in 64 bits.
    std::vector<std::vector<std::uint64_t>> c(63);
    for (int n = 0; n <= 62; ++n) {
        c[n].assign(n + 1, 1);
        for (int k = 1; k < n; ++k) c[n][k] = c[n - 1][k - 1] + c[n - 1][k];
    }
    for (int n = 0; n <= 62; ++n)
        for (int k = 0; k <= n; ++k)
            ASSERT_EQ(PascalTriangle(&n, &k), static_cast<double>(c[n][k])) << n << " " << k;
    int n = 5, k = 0, big = 7;
    EXPECT_EQ(PascalTriangle(&n, &k), 1.0);
    EXPECT_EQ(PascalTriangle(&n, &big), 0.0);  // k > n
    k = -3;
    EXPECT_EQ(PascalTriangle(&n, &k), 1.0);
}

TEST(Statistics, PascalTriangleNoIntOverflow) {
    // 145422675 * 16 exceeds 2^31 on the way to C(30,15).
    int n = 30, k = 15;
    EXPECT_EQ(PascalTriangle(&n, &k), 155117520.0);
    n = 1000, k = 500;  // far beyond 64 bits: still the right magnitude
    EXPECT_NEAR(std::log10(PascalTriangle(&n, &k)), 299.4, 0.1);
}

TEST(Statistics, GeneralisedBinomialOfNegativeUpper) {
    // C(-n-1, k) = (-1)^k C(n+k, k)
    int n = -3, k = 1;
    EXPECT_EQ(PascalTriangle(&n, &k), -3.0);
    k = 2;
    EXPECT_EQ(PascalTriangle(&n, &k), 6.0);
    n = -1;
    k = INT_MAX;  // (-1)^k, found without stepping through k factors
    EXPECT_EQ(PascalTriangle(&n, &k), -1.0);
    n = INT_MIN, k = INT_MAX;
    EXPECT_TRUE(std::isinf(PascalTriangle(&n, &k)));
}

TEST(Statistics, DistancesAnglesAndErrors) {
    const double x[2] = {0, 0}, y[2] = {3, 4}, e1[2] = {1, 0}, e2[2] = {0, 1};
    const int n = 2;
    EXPECT_DOUBLE_EQ(EuclideanDistance(x, y, &n), 5.0);
    EXPECT_DOUBLE_EQ(RootMeanSquareError(x, y, &n), std::sqrt(12.5));
    EXPECT_DOUBLE_EQ(MeanAbsoluteError(x, y, &n), 3.5);
    EXPECT_DOUBLE_EQ(EuclideanAngle(e1, e2, &n), pi / 2);
    const double v[3] = {0.7, 0.8, 0.1};  // cosine of v with itself rounds above 1
    const int three = 3;
    EXPECT_EQ(EuclideanAngle(v, v, &three), 0.0);
    EXPECT_DOUBLE_EQ(ScalarProjection(y, e1, &n), 3.0);
    double u[2];
    GetUnitVector(u, y, &n);
    EXPECT_DOUBLE_EQ(u[0], 0.6);
    EXPECT_DOUBLE_EQ(u[1], 0.8);

    const double s[4] = {2, std::nan(""), 4, 6};
    double z[4];
    const int four = 4;
    VectorNormalize(s, z, &four);
    EXPECT_EQ(z[0], 0.0);
    EXPECT_TRUE(std::isnan(z[1]));
    EXPECT_EQ(z[2], 0.5);
    EXPECT_EQ(z[3], 1.0);
}

TEST(Statistics, InverseHyperbolicAndFisher) {
    for (double t : {-2.0, -0.3, 0.0, 0.7, 3.0}) {
        const double sh = std::sinh(t), ch = std::cosh(std::fabs(t)), th = std::tanh(t);
        EXPECT_NEAR(dasinh(&sh), t, 1e-12);
        EXPECT_NEAR(dacosh(&ch), std::fabs(t), 1e-7);
        EXPECT_NEAR(datanh(&th), t, 1e-12);
        if (t != 0.0) {
            const double coth = 1.0 / th;
            EXPECT_NEAR(dacoth(&coth), t, 1e-12);
        }
    }
    const double h = 0.5;
    const int one = 1, minus = -1;
    EXPECT_DOUBLE_EQ(fishertransformation(&h, nullptr), std::log(3.0) / 2);
    EXPECT_DOUBLE_EQ(fishertransformation(&h, &minus), std::log(3.0) / 2);
    EXPECT_DOUBLE_EQ(fishertransformation(&h, &one), std::tanh(0.5));
}

TEST(Statistics, IntegrationAndDerivatives) {
    const double x[3] = {0, 1, 2}, y[3] = {0, 1, 4};
    const int n = 3, two = 2;
    EXPECT_DOUBLE_EQ(trapezoidintegration(x, &n, y, &n), 3.0);
    double d[3];
    CentralStepDerivative(d, y, x, &n);
    EXPECT_DOUBLE_EQ(d[0], 1.0);
    EXPECT_DOUBLE_EQ(d[1], 2.0);
    EXPECT_DOUBLE_EQ(d[2], 3.0);

    const double dy[4] = {1, 2, 3, 4}, dx[2] = {2, 4};
    double jac[4];
    Gradient(jac, dy, dx, &two, &two);
    EXPECT_EQ(jac[0], 0.5);
    EXPECT_EQ(jac[1], 1.0);
    EXPECT_EQ(jac[2], 0.75);
    EXPECT_EQ(jac[3], 1.0);

    // Complex step of y = x^3 at 2: derivative 12.
    const tvk::cplx xs(2.0, 1e-20), ys = xs * xs * xs;
    double cd;
    const int one = 1;
    ComplexStepDerivative(&cd, &ys, &xs, &one);
    EXPECT_DOUBLE_EQ(cd, 12.0);
}

TEST(Statistics, ShortInputsAreRefusedNotOverrun) {
    clear_errors();
    const double x[3] = {0, 1, 2}, y[2] = {0, 1};
    const int n = 3, ny = 2, one = 1;
    EXPECT_EQ(trapezoidintegration(x, &n, y, &ny), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    double d = 99;
    CentralStepDerivative(&d, y, x, &one);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    double polar = 99;
    PolarTransformation(x + 2, &polar, &one, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Statistics, ArcLengthAndPolar) {
    const double a[2] = {0, 0}, b[2] = {2, 0}, one = 1, zero = 0;
    const int n = 2;
    EXPECT_DOUBLE_EQ(EffectiveArcLength(a, b, &one, &n), pi);
    EXPECT_DOUBLE_EQ(EffectiveArcLength(a, b, &zero, &n), 2.0);

    const double c[3] = {0, 0, 5}, phi0 = 0.25;
    double p[3];
    const int three = 3;
    PolarTransformation(c, p, &three, &phi0);
    EXPECT_EQ(p[0], 0.0);
    EXPECT_EQ(p[1], 0.25);
    EXPECT_EQ(p[2], 5.0);
    const double q[2] = {-1, 1};
    PolarTransformation(q, p, &n, nullptr);
    EXPECT_DOUBLE_EQ(p[0], std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(p[1], 3 * pi / 4);
}
