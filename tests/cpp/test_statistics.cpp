// The binomial coefficient and the guards on short input.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "core/statistics.h"

namespace {
void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}
}  // namespace

TEST(Statistics, PascalTriangleNoIntOverflow) {
    // Exact against the Pascal recurrence up to C(62,31); 145422675 * 16 exceeds 2^31 on the way
    // to C(30,15).
    std::vector<std::vector<std::uint64_t>> c(63);
    for (int n = 0; n <= 62; ++n) {
        c[n].assign(n + 1, 1);
        for (int k = 1; k < n; ++k) c[n][k] = c[n - 1][k - 1] + c[n - 1][k];
        for (int k = 0; k <= n; ++k) ASSERT_EQ(PascalTriangle(&n, &k), static_cast<double>(c[n][k]));
    }
    int n = 5, k = 7;
    EXPECT_EQ(PascalTriangle(&n, &k), 0.0);
    n = 1000, k = 500;  // beyond 64 bits: double precision
    EXPECT_NEAR(std::log10(PascalTriangle(&n, &k)), 299.4, 0.1);
}

TEST(Statistics, GeneralisedBinomialOfNegativeUpper) {
    int n = -3, k = 1;  // C(-n-1, k) = (-1)^k C(n+k, k)
    EXPECT_EQ(PascalTriangle(&n, &k), -3.0);
    k = 2;
    EXPECT_EQ(PascalTriangle(&n, &k), 6.0);
    n = -1, k = INT_MAX;  // found without stepping through k factors
    EXPECT_EQ(PascalTriangle(&n, &k), -1.0);
    n = INT_MIN;
    EXPECT_TRUE(std::isinf(PascalTriangle(&n, &k)));
}

TEST(Statistics, ShortInputsAreRefusedNotOverrun) {
    const double x[3] = {0, 1, 2}, y[2] = {0, 1};
    const int n = 3, ny = 2, one = 1;
    clear_errors();
    EXPECT_EQ(trapezoidintegration(x, &n, y, &ny), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    double d = 99;
    CentralStepDerivative(&d, y, x, &one);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    PolarTransformation(x + 2, &d, &one, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}
