// Tensor rotation, Euler angles, centroid and percentile: the parts whose faults a property test
// from Python would not pin down (exact branches, refusals, aliasing).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "core/errors.h"
#include "error_record.h"
#include "core/tensor.h"

namespace {
void clear_errors() {
    int reset = 0, lop = 1;
    rsxerr(&reset, &lop);
}
}  // namespace

TEST(Tensor, FourthOrderRotationInPlaceAndZeroAxis) {
    std::mt19937 g(3);
    std::uniform_real_distribution<double> u(-1, 1);
    std::array<double, 81> t, out, ref;
    for (double& v : t) v = u(g);
    const double n[3] = {0.48, -0.6, 0.64}, ang = 0.7;  // a unit axis
    TensorRotation4th(t.data(), out.data(), &ang, n);
    TensorRotation4th(t.data(), t.data(), &ang, n);
    EXPECT_EQ(t, out);
    const double zero[3] = {0, 0, 0}, x[3] = {1, 0, 0};  // a zero axis is the x axis
    TensorRotation4th(t.data(), out.data(), &ang, zero);
    TensorRotation4th(t.data(), ref.data(), &ang, x);
    EXPECT_EQ(out, ref);
}

TEST(Tensor, EulerGimbalLockIsExactOnly) {
    const double lock[9] = {0, 0, -1, 1, 0, 0, 0, -1, 0};  // r31 = -1, r12 = 1, r23 = -1
    double eul[3];
    GetEulerRotation(eul, lock);
    EXPECT_EQ(eul[1], 90.0);
    EXPECT_EQ(eul[2], 0.0);
    EXPECT_DOUBLE_EQ(eul[0], 90.0);
    const double up[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};  // r31 = +1
    GetEulerRotation(eul, up);
    EXPECT_EQ(eul[1], -90.0);
    EXPECT_EQ(eul[2], 0.0);
}

TEST(Tensor, CentroidOfOpenClosedAndDegeneratePolygons) {
    const double lx[7] = {0, 2, 2, 1, 1, 0, 0}, ly[7] = {0, 0, 1, 1, 2, 2, 0};  // an L
    double c[2];
    for (int n : {6, 7}) {
        GetCentroid(c, lx, ly, &n);
        EXPECT_NEAR(c[0], 2.5 / 3, 1e-14);
        EXPECT_NEAR(c[1], 2.5 / 3, 1e-14);
    }
    clear_errors();
    const double fx[3] = {0, 1, 2};
    const int three = 3;
    c[0] = 42;
    GetCentroid(c, fx, fx, &three);  // collinear: no centroid, left unwritten and reported
    EXPECT_EQ(c[0], 42);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}

TEST(Tensor, PercentileWithRepeatedMaximum) {
    // Shares are counted against the number of values, so a repeated maximum cannot push them
    // above 1: classes (1..5) and (6..10) hold 1 and 3 of 3 values; 50 % is reached in the
    // second. The unset marker and NaN are not values of the series.
    const double s[5] = {10, 1, 10, tvk::huge, std::nan("")};
    const int n3 = 3, n5 = 5, cs = 5;
    double ev = 0, p = 50;
    getpercentile(s, &n3, &p, &ev, &cs);
    EXPECT_EQ(ev, 6.0);
    getpercentile(s, &n5, &p, &ev, &cs);
    EXPECT_EQ(ev, 6.0);
}

TEST(Tensor, PercentileRefusals) {
    const double s[5] = {1, 2, 3, 4, 10};
    const int n = 5, cs = 5, zero = 0;
    double ev = 0, p = 150;
    clear_errors();
    getpercentile(s, &n, &p, &ev, &cs);  // no class reaches 150 %
    EXPECT_EQ(ev, 1.0 - cs);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    p = 50;
    getpercentile(s, &n, &p, &ev, &zero);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    getpercentile(s, &zero, &p, &ev, &cs);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
    const double wide[2] = {0, 1e300};  // more classes than a double counts
    const int two = 2, one = 1;
    getpercentile(wide, &two, &p, &ev, &one);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    clear_errors();
}
