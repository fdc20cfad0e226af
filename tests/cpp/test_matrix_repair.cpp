// Matrix repair and norms: the mended loops end on every input and report, minors remove by
// position, and the Euclidean norm survives extreme magnitudes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/errors.h"
#include "error_record.h"
#include "core/linalg.h"
#include "core/matrix_repair.h"

namespace {

using Vec = std::vector<double>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

class Repair : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear() {
        int reset = 0, lop = 1;
        rsxerr(&reset, &lop);
    }
};

TEST_F(Repair, RepairLoopsEndOnNonFiniteInput) {
    // Regression: the shift loops had no pass limit and never ended on NaN or infinite input.
    int n = 2;
    for (double bad : {kNaN, kInf}) {
        Vec a = {1, bad, bad, 1}, out(4, 5.0);
        GetNearestSPD(out.data(), a.data(), &n);
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        clear();
        GetNearestPDNorm(a.data(), &n);
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        clear();
        GetNearestCorrelationMatrix(out.data(), a.data(), &n, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(out, Vec(4, 0.0));
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        clear();
    }
    Vec ok = {1, 0.5, 0.5, 1}, out(4), w = {1.0, -2.0};  // negative weight: sqrt of a negative
    GetNearestCorrelationMatrix(out.data(), ok.data(), &n, w.data(), nullptr, nullptr, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}

TEST_F(Repair, CorrelationNonConvergenceIsReportedNotSilent) {
    // Regression: a run that hit maxiter returned the zero matrix without any report.
    int n = 3, maxiter = 1;
    Vec a = {1, 0.9, -0.9, 0.9, 1, 0.9, -0.9, 0.9, 1}, r(9, 5.0);
    GetNearestCorrelationMatrix(r.data(), a.data(), &n, nullptr, nullptr, &maxiter, nullptr);
    EXPECT_EQ(r, Vec(9, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}

TEST_F(Repair, MinorsRemoveByPositionAndCheckRanges) {
    int one = 1, two = 2, four = 4, zero = 0, k = 3;
    // An entry equal to -huge is data, not a removal mark.
    Vec marked = {-tvk::huge, 0, 0, 1};
    EXPECT_EQ(GetFirstMinor(marked.data(), &two, &two, &two), -tvk::huge);
    Vec sm(9, 1.0);
    EXPECT_EQ(GetFirstMinor(sm.data(), &four, &one, &k), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear();
    EXPECT_EQ(GetPrincipleMinor(sm.data(), &zero, &k), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

TEST_F(Repair, EuclideanNormSurvivesExtremeMagnitudes) {
    int two = 2;
    Vec big = {3e200, 4e200}, small = {3e-200, 4e-200}, withnan = {1.0, kNaN}, withinf = {1.0, -kInf};
    EXPECT_DOUBLE_EQ(VectorNorm(big.data(), &two), 5e200);
    EXPECT_DOUBLE_EQ(VectorNorm(small.data(), &two), 5e-200);
    EXPECT_TRUE(std::isnan(VectorNorm(withnan.data(), &two)));
    EXPECT_EQ(VectorNorm(withinf.data(), &two), kInf);
}

}  // namespace
