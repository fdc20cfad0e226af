// Counts and indices at the limits of a 4-byte integer (INT_MIN, INT_MAX): every routine here
// once formed n - 1, n + 1, 2 n + 1 or last - first + 1 in 32 bits. The sanitizer build aborts on
// a signed overflow, so each call below fails there unless the routine computes in 64 bits or
// refuses the value; the results are checked against what the refusal or the empty case means.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "core/modeldata.h"
#include "core/roots.h"
#include "core/search.h"
#include "elements/catalogue.h"
#include "error_record.h"
#include "failure/continuum_damage.h"
#include "failure/sublaminate.h"
#include "mechanics/laminate.h"

namespace {

using tvktest::clear_errors;
using tvktest::errtext;

struct Clean {
    Clean() { clear_errors(); }
    ~Clean() { clear_errors(); }
};

TEST(IntLimits, TensorDegradationBaseIdAtIntMinDegradesNothing) {
    Clean c;
    // An orthotropic stiffness; a base id that names no axis leaves it as it is (to the
    // rounding of the rotation there and back).
    double csix[36] = {};
    const double diag[6] = {140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3};
    for (int i = 0; i < 6; ++i) csix[i * 7] = diag[i];
    csix[1] = csix[6] = 3e3;
    csix[2] = csix[12] = 3e3;
    csix[8] = csix[13] = 4e3;
    const double angle = 0.7, d = 0.9;
    const int nn = 1;
    for (int baseid : {INT_MIN, INT_MAX, 0, 4}) {
        double cdeg[36];
        TensorDegradation(csix, cdeg, &angle, &d, &baseid, &nn);
        for (int k = 0; k < 36; ++k) EXPECT_NEAR(cdeg[k], csix[k], 1e-9 * 140e3) << baseid << " " << k;
    }
    // Axis 2 (the crack normal at angle 0) is degraded: C22 scaled by (1 - d).
    const double zero = 0.0;
    int two = 2;
    double cdeg[36];
    TensorDegradation(csix, cdeg, &zero, &d, &two, &nn);
    EXPECT_NEAR(cdeg[7], (1 - d) * csix[7], 1e-9 * csix[7]);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(IntLimits, ElementCountAtIntMaxIsRefused) {
    Clean c;
    int iele = INT_MAX, inodes = 0, idof = 0;
    getelementdataextents("S4R", &iele, &inodes, &idof, 3);
    EXPECT_EQ(iele, INT_MAX);
    EXPECT_EQ(inodes, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
    iele = INT_MAX - 1;
    getelementdataextents("S4R", &iele, &inodes, &idof, 3);
    EXPECT_EQ(iele, INT_MAX);
    EXPECT_EQ(inodes, 4);
    EXPECT_EQ(idof, 6);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(IntLimits, ConnectivityPositionAtIntMaxIsOutsideTheTables) {
    Clean c;
    auto& ed = tvk::elementdata;
    ed.elemlist.allocate({2});
    ed.elemkind.allocate({2});
    ed.elemnodes.allocate({4, 2});
    const int nodes[4] = {1, 2, 3, 4}, id = 7, four = 4;
    for (int start : {INT_MAX, INT_MIN}) {
        int iele = start;
        getabqelementconnectivity(nodes, &id, "S4R", &iele, &four, 3);
        EXPECT_EQ(iele, start);
        EXPECT_EQ(*ed.elemlist.at(1), 0);
    }
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    int iele = 1;
    getabqelementconnectivity(nodes, &id, "S4R", &iele, &four, 3);
    EXPECT_EQ(iele, 2);
    EXPECT_EQ(*ed.elemlist.at(2), 7);
    ed.elemlist.release();
    ed.elemkind.release();
    ed.elemnodes.release();
}

TEST(IntLimits, SubLaminateStackAtTheLimits) {
    Clean c;
    const double elastic[9] = {140e3, 3e3, 0, 10e3, 0, 0, 5e3, 0, 0};
    const double angle = 0.0, thick = 0.25;
    const int one = 1;
    double x[9];
    // first INT_MIN, last INT_MAX: a stack far outside the plies, refused.
    const int wide[2] = {INT_MIN, INT_MAX};
    GetSubLaminateXMatrix(x, "A", elastic, &angle, &thick, wide, &one, 1);
    for (double v : x) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(errtext(), "Sub-laminate out of range in GetSubLaminateXMatrix");
    clear_errors();
    // last below first: an empty stack, zero without a report.
    const int empty[2] = {INT_MAX, INT_MIN};
    GetSubLaminateXMatrix(x, "A", elastic, &angle, &thick, empty, &one, 1);
    for (double v : x) EXPECT_EQ(v, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    // The whole one-ply stack is the laminate itself.
    const int single[2] = {1, 1};
    double a[9];
    GetSubLaminateXMatrix(x, "A", elastic, &angle, &thick, single, &one, 1);
    GetAMatrix(a, elastic, &angle, &thick, &one);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(x[k], a[k]);
}

TEST(IntLimits, GoldenSearchCountersAtIntMaxAreRefused) {
    Clean c;
    double x[4] = {0, 1, 0.38, 0.62}, y[4] = {}, xmove[4] = {0, 1, 0.38, 0.62}, ymove[4] = {};
    double xnext = -5.0, dx = -5.0;
    int xdir = 0, increment = INT_MAX;
    const int npoints = 4;
    GetNextFromGoldenSearch(&xnext, &dx, x, y, xmove, ymove, &xdir, &increment, &npoints);
    EXPECT_EQ(increment, INT_MAX);
    EXPECT_EQ(xnext, -5.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(errtext(), "Error in GetNextFromGoldenSearch: no point left.");
    clear_errors();
    increment = INT_MIN;
    GetNextFromGoldenSearch(&xnext, &dx, x, y, xmove, ymove, &xdir, &increment, &npoints);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();

    double xi = 0.0, yi = 0.0, lplimits[2] = {0.01, 1.0};
    const double step = 0.1, fallback = 3.0;
    int inc = 0, proc = INT_MAX;
    tvk::logical1 golden = 1, update = 0, finish = 0;
    GSSAFE(&xi, &yi, &step, x, y, xmove, ymove, lplimits, &xdir, &inc, &proc, &golden, &update, &finish,
           &fallback, &npoints);
    EXPECT_EQ(proc, -1);
    EXPECT_TRUE(finish);
    EXPECT_FALSE(update);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(errtext(), "Error in GSSAFE: search state out of range.");
}

TEST(IntLimits, SectionZCoordWithIntMaxPliesAndNoSection) {
    Clean c;
    double z = 42.0;
    const int np = INT_MAX, none = 0;
    GetSectionZCoord(&z, nullptr, nullptr, &np, &none, nullptr);
    EXPECT_EQ(z, 42.0);  // no section: nothing to write
    // A real section still gets its table: two plies of 0.5 and 1.5 about the mid-plane.
    const int two = 2, one = 1, list[2] = {1, 2};
    const double t[2] = {0.5, 1.5};
    double zc[5];
    GetSectionZCoord(zc, list, t, &two, &one, nullptr);
    const double expect[5] = {-1.0, -0.75, -0.5, 0.25, 1.0};
    for (int k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(zc[k], expect[k]);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(IntLimits, BucklingRecordsWithIntMinPlies) {
    Clean c;
    double eps = -1.0, real[12];
    int ints[4];
    std::fill(real, real + 12, 7.0);
    std::fill(ints, ints + 4, 7);
    const int np = INT_MIN;
    const double strength = 1000.0;
    DelaminatedBucklingAnalysis(&eps, real, ints, &strength, nullptr, nullptr, nullptr, nullptr, nullptr, &np);
    EXPECT_EQ(eps, 0.0);
    for (double v : real) EXPECT_EQ(v, 0.0);
    for (int v : ints) EXPECT_EQ(v, 0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
    // No damage set and no section: nothing to fill, nothing touched.
    const int zero = 0;
    GetBukDataFromDDS(real, ints, nullptr, nullptr, &strength, nullptr, nullptr, nullptr, nullptr, &zero, &np,
                      &zero, nullptr);
    for (double v : real) EXPECT_EQ(v, 0.0);
    const int nmax = INT_MAX;
    GetBukDataFromDDS(real, ints, nullptr, nullptr, &strength, nullptr, nullptr, nullptr, nullptr, &zero, &nmax,
                      &zero, nullptr);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(IntLimits, MergedLengthBeyondIntMaxIsRefused) {
    Clean c;
    const int x[1] = {1}, y[1] = {2}, big = INT_MAX, one = 1, def = -1;
    int merged[2] = {-9, -9};
    iGetMerged(merged, x, y, &big, &one, &def);
    EXPECT_EQ(merged[0], -9);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
    // A negative count is an empty list: only the other list is merged.
    const int neg = INT_MIN;
    iGetMerged(merged, x, y, &neg, &one, &def);
    EXPECT_EQ(merged[0], 2);
    EXPECT_EQ(merged[1], -9);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

}  // namespace
