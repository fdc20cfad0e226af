// Peaks, moving averages, the generalised mean, smoothstep and the clamps.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "core/errors.h"
#include "core/signal.h"

namespace {

void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}

double gmean(std::vector<double> x, double p, const double* wi = nullptr) {
    const int n = static_cast<int>(x.size());
    return GeneralizedMean(x.data(), &p, &n, wi);
}

}  // namespace

TEST(Signal, PeaksWithHysteresis) {
    const double v[5] = {0, 2, 0, 2, 0}, delta = 1;
    const int n = 5;
    double maxtab[10], mintab[10];
    int nmax = -1, nmin = -1;
    GetPeaks(maxtab, mintab, &nmax, &nmin, v, &delta, &n, nullptr);
    ASSERT_EQ(nmax, 2);
    ASSERT_EQ(nmin, 1);
    EXPECT_EQ(maxtab[0], 2);  // (position, value) rows, column-major (n, 2)
    EXPECT_EQ(maxtab[5], 2);
    EXPECT_EQ(maxtab[1], 4);
    EXPECT_EQ(maxtab[6], 2);
    EXPECT_EQ(mintab[0], 3);
    EXPECT_EQ(mintab[5], 0);
    for (int r = 2; r < 5; ++r) EXPECT_EQ(maxtab[r], tvk::tiny);
    for (int r = 1; r < 5; ++r) EXPECT_EQ(mintab[5 + r], tvk::tiny);

    // Positions from x; a negative delta acts as its magnitude; a wiggle below delta is no peak.
    const double w[6] = {0, 3, 2.5, 3.2, -1, 0}, x[6] = {10, 20, 30, 40, 50, 60}, nd = -1;
    const int n6 = 6;
    double mx[12], mn[12];
    GetPeaks(mx, mn, &nmax, &nmin, w, &nd, &n6, x);
    ASSERT_EQ(nmax, 1);
    EXPECT_EQ(mx[0], 40);
    EXPECT_EQ(mx[6], 3.2);
    EXPECT_EQ(nmin, 0);  // the last minimum is not followed by a rise of more than 1
    const double zeros[6] = {};
    GetPeaks(mx, mn, &nmax, &nmin, w, &nd, &n6, zeros);  // all-zero x: sample numbers
    EXPECT_EQ(mx[0], 4);
}

TEST(Signal, WeightedMovingAverageDividesByCount) {
    double a[3] = {}, sma = 0;
    int denom = 0;
    const int wb = 3;
    const double feed[4] = {3, 6, 9, 12}, expect[4] = {3, 4.5, 6, 9};
    for (int k = 0; k < 4; ++k) {
        WeightedMovingAverage(&sma, &feed[k], a, &denom, &wb, nullptr);
        EXPECT_DOUBLE_EQ(sma, expect[k]);
    }
    EXPECT_EQ(denom, 3);
    const double wi[3] = {1, 2, 3}, r = 15;
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, wi);  // window (9, 12, 15)
    EXPECT_DOUBLE_EQ(sma, (9 + 24 + 45) / 3.0);
    const double zeros[3] = {};
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, zeros);  // zero weights: plain average
    EXPECT_DOUBLE_EQ(sma, (12 + 15 + 15) / 3.0);
}

TEST(Signal, WeightedMovingAverageCountOutsideWindow) {
    clear_errors();
    double a[4] = {1, 2, 3, -7};  // a[3] stands for memory beyond the window of 3
    double sma = 0;
    int denom = 9;
    const int wb = 3;
    const double r = 4;
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, nullptr);
    EXPECT_EQ(denom, 3);
    EXPECT_DOUBLE_EQ(sma, 3.0);  // (2 + 3 + 4) / 3
    EXPECT_EQ(a[3], -7);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    denom = -5;
    WeightedMovingAverage(&sma, &r, a, &denom, &wb, nullptr);
    EXPECT_EQ(denom, 1);
    EXPECT_EQ(a[0], 4);
    EXPECT_EQ(sma, 4);
    clear_errors();
}

TEST(Signal, GeneralizedMeanIsThePowerMean) {
    EXPECT_DOUBLE_EQ(gmean({1, 4}, 0), 2.0);
    EXPECT_DOUBLE_EQ(gmean({1, 4}, 1), 2.5);
    EXPECT_DOUBLE_EQ(gmean({1, 4}, 2), std::sqrt(8.5));
    EXPECT_DOUBLE_EQ(gmean({1, 4}, -1), 1.6);
    EXPECT_EQ(gmean({1, std::nan(""), 4}, -tvk::huge), 1.0);
    EXPECT_EQ(gmean({1, std::nan(""), 4}, tvk::huge), 4.0);
    EXPECT_EQ(gmean({}, -tvk::huge), tvk::huge);
    EXPECT_EQ(gmean({}, 2), 0.0);
    const double w[2] = {0.25, 0.75}, zero[2] = {0, 0};
    EXPECT_DOUBLE_EQ(gmean({1, 4}, 1, w), 3.25);
    EXPECT_DOUBLE_EQ(gmean({1, 4}, 1, zero), 2.5);  // zero weights mean equal weights
    // Power means are ordered in p.
    const std::vector<double> s = {0.5, 2, 3, 7};
    double prev = -1;
    for (double p : {-tvk::huge, -2.0, -1.0, 0.0, 1.0, 2.0, 5.0, tvk::huge}) {
        const double m = gmean(s, p);
        EXPECT_GE(m, prev) << p;
        prev = m;
    }
}

TEST(Signal, TransferFunctions) {
    double cma = 2;
    const double x5 = 5;
    const int two = 2;
    CumulativeMovingAverage(&cma, &x5, &two);
    EXPECT_DOUBLE_EQ(cma, 3.0);
    const double one = 1;
    EXPECT_DOUBLE_EQ(LogarithmicBarrier(&one, &one), -std::log(tvk::eps));
    const double zero = 0, k = 2;
    EXPECT_DOUBLE_EQ(logistic(&zero, &k, &zero, nullptr), 0.5);
    EXPECT_DOUBLE_EQ(logistic(&zero, &k, &zero, &k), 1.0);
    const double a = 1, kk = 3, b = 1, q = 1, v = 1;
    EXPECT_DOUBLE_EQ(generallogistic(&zero, &a, &kk, &b, &q, &v, nullptr), 2.0);  // 1 + 2/2
    const double half = 0.5, k0 = 0;
    EXPECT_DOUBLE_EQ(GeneralSigmoidal(&half, &k0), 0.5);
}

TEST(Signal, SmoothStep) {
    const double half = 0.5;
    const int two = 2;
    EXPECT_DOUBLE_EQ(GeneralSmoothStep(&half, &two), 0.5);
    for (int n = 0; n <= 8; ++n) {
        for (double x : {-1.0, 0.0}) EXPECT_EQ(GeneralSmoothStep(&x, &n), 0.0);
        for (double x : {1.0, 3.0}) EXPECT_NEAR(GeneralSmoothStep(&x, &n), 1.0, 1e-12);
        for (double x : {0.1, 0.3, 0.45}) {  // S(x) + S(1 - x) = 1 and S increasing
            const double y = 1 - x, x2 = x + 0.05;
            EXPECT_NEAR(GeneralSmoothStep(&x, &n) + GeneralSmoothStep(&y, &n), 1.0, 1e-9);
            EXPECT_LT(GeneralSmoothStep(&x, &n), GeneralSmoothStep(&x2, &n));
        }
    }
    const int one = 1;
    const double x = 0.3;
    EXPECT_NEAR(GeneralSmoothStep(&x, &one), 3 * 0.09 - 2 * 0.027, 1e-15);
    const int neg = -1;
    EXPECT_EQ(GeneralSmoothStep(&x, &neg), 0.0);

    clear_errors();
    const int huge_order = INT_MAX;  // coefficients overflow: reported, not looped over
    EXPECT_TRUE(std::isnan(GeneralSmoothStep(&x, &huge_order)));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Signal, Clamps) {
    const double lo = 0, hi = 1;
    for (auto [x, r] : {std::pair{-1.0, 0.0}, {0.5, 0.5}, {2.0, 1.0}}) EXPECT_EQ(fLimit(&x, &lo, &hi), r);
    // xlow > xup: the upper bound is tested first.
    const double l2 = 5, h2 = 3, x7 = 7, x4 = 4, x2 = 2;
    EXPECT_EQ(fLimit(&x7, &l2, &h2), 3.0);
    EXPECT_EQ(fLimit(&x4, &l2, &h2), 3.0);
    EXPECT_EQ(fLimit(&x2, &l2, &h2), 5.0);
    const int il = 5, ih = 3, i7 = 7, i2 = 2;
    EXPECT_EQ(iLimit(&i7, &il, &ih), 3);
    EXPECT_EQ(iLimit(&i2, &il, &ih), 5);

    const int cases[][3] = {{-3, 3, 3}, {5, 0, 0}, {0, 3, 3}, {4, 3, 1}, {-1, 3, 2}, {7, -3, -2},
                            {INT_MIN, -1, -1}, {INT_MIN, 7, 5}, {INT_MAX, INT_MIN, -1}};
    for (auto& c : cases) EXPECT_EQ(mLimit(&c[0], &c[1]), c[2]) << c[0] << " mod " << c[1];
}
