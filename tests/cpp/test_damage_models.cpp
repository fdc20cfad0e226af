// Damage evolution and continuum damage models through the C interface: the cases a Python caller
// cannot reach (arrays left untouched, absent optional arguments) and the degenerate inputs
// (no increment, no softening branch, a singular damaged compliance, short state vectors).
#include <gtest/gtest.h>

#include <cmath>

#include "error_record.h"
#include "failure/continuum_damage.h"
#include "failure/damage_evolution.h"

namespace {

using tvktest::clear_errors;
using tvktest::errtext;

TEST(DamageEvolution, TimeRegularizationWithoutIncrementOrCountStaysFinite) {
    const double dold[2] = {0.2, 0.6}, dnew[2] = {0.4, 1.0};
    double dreg[2] = {-7.0, -7.0};
    const double dt = 0.0, reg = 3.0;
    int num = 0;
    TimeRegularization(dold, dnew, dreg, &dt, &reg, &num);
    EXPECT_EQ(dreg[0], -7.0);
    num = 2;
    TimeRegularization(dold, dnew, dreg, &dt, &reg, &num);
    EXPECT_DOUBLE_EQ(dreg[0], 0.25);
    EXPECT_DOUBLE_EQ(dreg[1], 0.7);
}

TEST(DamageEvolution, BilinearLawAtZeroStrainAndWithoutSofteningBranch) {
    const double eps0 = 0.01, sig = 50.0, gc = 0.0, lc = 0.0;
    double d = -1.0, eps1 = eps0;
    for (double eps : {0.0, 0.005, 0.01, 0.0101}) {
        BiLinearEvolution(&eps, &eps0, &sig, &gc, &lc, &d, &eps1);
        EXPECT_EQ(d, eps > eps0 ? 1.0 : 0.0) << eps;
    }
    const double r = 1.0, gic = 0.2, a11 = 1e4, ec = 0.003;
    const double at1 = DGStrainRhead(&ec, &gic, &a11, &r);
    const double x = 2.0 * gic / (ec * ec * a11) + 4.0;  // limit of the root at r = 1
    EXPECT_NEAR(at1, x * ec / 4.0, 1e-15);
}

TEST(ContinuumDamage, AbsentModuliLeaveTheStiffnessZeroAndSingularComplianceIsReported) {
    const double modes[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0.4};
    double w[9], c[36];
    const int acc = 1;
    DegradationFromModes(modes, w, &acc, c, nullptr, nullptr, nullptr);
    EXPECT_DOUBLE_EQ(w[4], 0.2);
    EXPECT_DOUBLE_EQ(w[8], 0.4);
    for (double v : c) EXPECT_EQ(v, 0.0);
    DegradationFromModes(nullptr, w, &acc, c, nullptr, nullptr, nullptr);
    for (double v : w) EXPECT_EQ(v, 0.0);

    clear_errors();
    // Isotropic with nu = 0.5: incompressible, the compliance has no inverse.
    const double prop[9] = {1e3, 1e3, 1e3, 400, 400, 400, 0.5, 0.5, 0.5}, dn[3] = {0, 0, 0}, z = 0.0;
    MatzenmillerDegradation(prop, c, dn, &z, &z, &z);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(errtext(), "Singular damaged compliance in MatzenmillerDegradation");
    for (double v : c) EXPECT_EQ(v, 0.0);
    clear_errors();
}

TEST(ContinuumDamage, BogenfeldRefusesShortStateAndPropertyVectors) {
    clear_errors();
    double sdv[3] = {-1, -1, -1}, d = 5.0;
    const double s[6] = {0, 40, 0, 0, 0, 10}, e[6] = {0, 4e-3, 0, 0, 0, 1e-3}, len[3] = {1e-3, 1e-3, 1e-3};
    const double props[5] = {0.3, 0.3, 1.0, 0.8, 0.8};
    const int mode = 3, three = 3, five = 5;
    BogenfeldDegradation(&d, sdv, s, e, len, props, &mode, &three, &five);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(sdv[0], -1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
}

}  // namespace
