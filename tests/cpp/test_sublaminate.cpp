// Sublaminate buckling and damage data sets through their C entry points: absent optional
// arguments, counts no Python array can describe, and the damage routines on absent model-data
// tables.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/datahandling.h"
#include "core/modeldata.h"
#include "error_record.h"
#include "failure/damage_datasets.h"
#include "failure/sublaminate.h"

namespace {

const double cfrp[9] = {140e9, 9e9, 9e9, 0.3, 0.3, 0.45, 5e9, 5e9, 3.5e9};

struct Stack {
    std::vector<double> e, ang, t, del;
    std::vector<int> shape;
    int n;
    explicit Stack(int plies) : n(plies) {
        for (int k = 0; k < n; ++k) {
            e.insert(e.end(), cfrp, cfrp + 9);
            ang.push_back(k % 2 ? 90.0 : 0.0);
            t.push_back(0.25e-3);
        }
        for (int k = 0; k < std::max(n - 1, 1); ++k) {
            del.insert(del.end(), {0.03, 0.03, 0.0});
            shape.push_back(1);
        }
    }
};

void reset_tables() {
    int istat = 0;
    deallocall(&istat);
    tvk::sectiondata.nplies = tvk::sectiondata.nsec = tvk::damagedata.ndmg = 0;
}

}  // namespace

TEST(Sublaminate, CountsBelowOnePlyAreReported) {
    tvktest::clear_errors();
    Stack s(1);
    const int zero = 0, shape = 1;
    double eps = 1.0, nx = 1.0, mode[6];
    const double nglob[3] = {-1, 0, 0};
    GetSubLamBucklingStrain(&eps, &nx, mode, s.del.data(), nglob, s.e.data(), s.ang.data(), s.t.data(), &shape,
                            &zero);
    EXPECT_TRUE(std::isnan(eps));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
    double real[12], xc = 1.0;
    int ints[4];
    DelaminatedBucklingAnalysis(&eps, real, ints, &xc, s.e.data(), s.ang.data(), s.t.data(), s.del.data(),
                                s.shape.data(), &zero);
    EXPECT_EQ(eps, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
}

TEST(Sublaminate, AbsentDefintIsTheIntegerMarker) {
    Stack s(3);
    std::vector<int> sections = {1, 1, tvk::defint};
    const int ndmg = 1, nsec = 1;
    const double xc = 600e6;
    double r1[24], r2[24];
    int i1[8], i2[8];
    GetBukDataFromDDS(r1, i1, s.del.data(), s.shape.data(), &xc, s.e.data(), s.ang.data(), s.t.data(),
                      sections.data(), &ndmg, &s.n, &nsec, nullptr);
    const int marker = tvk::defint;
    GetBukDataFromDDS(r2, i2, s.del.data(), s.shape.data(), &xc, s.e.data(), s.ang.data(), s.t.data(),
                      sections.data(), &ndmg, &s.n, &nsec, &marker);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(i1[k], i2[k]);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(r1[k], r2[k]);
    // The two-ply section has one record of its own: the bottom ply buckles, the record of the
    // remaining ply is dropped, the column beyond stays unfilled.
    EXPECT_EQ(i1[0], 1);
    EXPECT_EQ(i1[1], 1);
    EXPECT_EQ(i1[2], 1);
    EXPECT_EQ(i1[4], -1);
}

TEST(DamageDataSets, AbsentTablesAreReportedNotRead) {
    reset_tables();
    tvktest::clear_errors();
    const double sdv5[5] = {1, 1, 1, 1, 1}, p[3] = {1, 0, 0}, o[3] = {0, 0, 0};
    const double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int one = 1;
    int ierr = 0;
    UpdateDDS(&ierr, sdv5, p, o, eye, &one, &one, &one);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_FALSE(tvk::damagedata.generaldds.present());
    tvktest::clear_errors();
    double sdv[12] = {};
    GetDamageFromDDS(sdv, p, eye, &one, &one);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    for (double v : sdv) EXPECT_EQ(v, 0.0);
    reset_tables();
}
