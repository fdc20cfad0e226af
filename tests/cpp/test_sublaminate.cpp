// Sublaminate buckling and damage data sets through their C entry points: absent optional
// arguments, counts no Python array can describe, exactly sized record buffers, and the damage
// routines on absent model-data tables.
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
    tvk::sectiondata.plyorientation.release();
    tvk::sectiondata.plythickness.release();
}

}  // namespace

TEST(Sublaminate, RecordsOfAStackThatBucklesPlyByPlyStayInTheirColumns) {
    for (int n : {2, 3}) {
        tvktest::clear_errors();
        Stack s(n);
        const int nrec = n - 1;
        // Canaries behind the exactly sized lists.
        std::vector<double> real(12 * nrec + 12, -7.0);
        std::vector<int> ints(4 * nrec + 4, -7);
        double eps = -1.0, xc = 600e6;
        DelaminatedBucklingAnalysis(&eps, real.data(), ints.data(), &xc, s.e.data(), s.ang.data(), s.t.data(),
                                    s.del.data(), s.shape.data(), &n);
        for (int k = 12 * nrec; k < 12 * nrec + 12; ++k) EXPECT_EQ(real[k], -7.0);
        for (int k = 4 * nrec; k < 4 * nrec + 4; ++k) EXPECT_EQ(ints[k], -7);
        for (int k = 0; k < nrec; ++k) EXPECT_EQ(ints[4 * k + 1], ints[4 * k + 2]);  // one ply each
        EXPECT_EQ(tvk::errorhandling.errstat, -1);
        EXPECT_GT(eps, 0.0);
    }
}

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

TEST(DamageDataSets, MoreDamageSetsThanSectionsReadTheCallersSection) {
    reset_tables();
    tvktest::clear_errors();
    auto& sd = tvk::sectiondata;
    auto& md = tvk::materialdata;
    sd.plyorientation.allocate({3, 1});
    sd.plythickness.allocate({3, 1});
    sd.xcstrength.allocate({1});
    md.matidlist.allocate({3, 1});
    md.peprops.allocate({9, 3, 1});
    for (int k = 1; k <= 3; ++k) {
        *sd.plyorientation.at(k, 1) = 30.0 * k;
        *sd.plythickness.at(k, 1) = 0.25e-3;
        *md.matidlist.at(k, 1) = 1;
        for (int i = 1; i <= 9; ++i) *md.peprops.at(i, k, 1) = cfrp[i - 1];
    }
    *sd.xcstrength.at(1) = 600e6;
    const int np = 3, ns = 1, nd = 4;
    int istat = 0;
    allocatedamagedata(&istat, &np, &ns, &nd);
    *tvk::damagedata.delamdds.at(1, 1, 4) = 0.02;
    *tvk::damagedata.delamdds.at(2, 1, 4) = 0.02;
    double sdv[12] = {};
    sdv[11] = 1.0;
    const double p[3] = {0.001, 0, 0}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int one = 1;
    GetDamageFromDDS(sdv, p, eye, &one, &one);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(*tvk::damagedata.delamdds.at(3, 1, j), 30.0);
        EXPECT_EQ(*tvk::damagedata.delamdds.at(3, 2, j), 60.0);
    }
    EXPECT_EQ(sdv[3], 1.0);
    EXPECT_EQ(sdv[5], 1.0);
    EXPECT_LT(sdv[11], 1.0);
    reset_tables();
}
