// The moving-average window guard, smoothstep symmetry and overflow, and the
// modulo clamp at the integer limits.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "core/errors.h"
#include "error_record.h"
#include "core/signal.h"

namespace {
void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}
}  // namespace

TEST(Signal, WeightedMovingAverageCountOutsideWindow) {
    clear_errors();
    double a[4] = {1, 2, 3, -7};  // a[3] stands for memory beyond the window of 3
    double sma = 0;
    int denom = 9;
    const int wb = 3;
    const double r = 4;
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, nullptr);
    EXPECT_EQ(denom, 3);
    EXPECT_DOUBLE_EQ(sma, 3.0);  // window (2, 3, 4)
    EXPECT_EQ(a[3], -7);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    denom = -5;
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, nullptr);
    EXPECT_EQ(denom, 1);
    EXPECT_EQ(sma, 4);
    clear_errors();
}

TEST(Signal, SmoothStepLimitsAndOverflow) {
    for (int n = 0; n <= 8; ++n)
        for (double x : {0.1, 0.3, 0.45}) {  // S(x) + S(1 - x) = 1
            const double y = 1 - x;
            EXPECT_NEAR(GeneralSmoothStep(&x, &n) + GeneralSmoothStep(&y, &n), 1.0, 1e-9);
        }
    clear_errors();
    const int order = INT_MAX;  // coefficients overflow: reported, not looped over
    const double x = 0.3;
    EXPECT_TRUE(std::isnan(GeneralSmoothStep(&x, &order)));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Signal, ModuloClampAtIntegerLimits) {
    const int cases[][3] = {{-3, 3, 3}, {5, 0, 0}, {7, -3, -2}, {INT_MIN, -1, -1},
                            {INT_MIN, 7, 5}, {INT_MAX, INT_MIN, -1}};
    for (auto& c : cases) EXPECT_EQ(mLimit(&c[0], &c[1]), c[2]) << c[0] << " mod " << c[1];
}
