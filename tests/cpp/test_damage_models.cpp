// Damage models through the C interface: what a Python caller cannot reach (an array left
// untouched, absent optional arguments) and the degenerate inputs that are reported.
#include <gtest/gtest.h>

#include "error_record.h"
#include "failure/continuum_damage.h"
#include "failure/damage_evolution.h"

namespace {

TEST(DamageModels, NoCountLeavesTheResultAndNoIncrementStaysFinite) {
    const double dold[2] = {0.2, 0.6}, dnew[2] = {0.4, 1.0}, dt = 0.0, reg = 3.0;
    double dreg[2] = {-7.0, -7.0};
    int num = 2;
    TimeRegularization(dold, dnew, dreg, &dt, &reg, &num);
    EXPECT_DOUBLE_EQ(dreg[0], 0.25);
    EXPECT_DOUBLE_EQ(dreg[1], 0.7);
    int none = -1;
    dreg[0] = -7.0;
    TimeRegularization(dold, dnew, dreg, &dt, &reg, &none);
    EXPECT_EQ(dreg[0], -7.0);
}

TEST(DamageModels, AbsentArgumentsAndReportedFailures) {
    double w[9], c[36];
    const int acc = 1, mode = 3, three = 3, five = 5;
    DegradationFromModes(nullptr, w, &acc, c, nullptr, nullptr, nullptr);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(w[k] + c[k], 0.0);

    tvktest::clear_errors();
    // Isotropic with nu = 0.5 is incompressible: the compliance has no inverse.
    const double prop[9] = {1e3, 1e3, 1e3, 400, 400, 400, 0.5, 0.5, 0.5}, dn[3] = {0, 0, 0}, z = 0.0;
    MatzenmillerDegradation(prop, c, dn, &z, &z, &z);
    EXPECT_EQ(tvktest::errtext(), "Singular damaged compliance in MatzenmillerDegradation");
    EXPECT_EQ(c[0], 0.0);

    tvktest::clear_errors();
    double sdv[3] = {-1, -1, -1}, d = 5.0;
    const double s[6] = {0, 40, 0, 0, 0, 10}, len[3] = {1e-3, 1e-3, 1e-3}, props[5] = {0.3, 0.3, 1, 0.8, 0.8};
    BogenfeldDegradation(&d, sdv, s, s, len, props, &mode, &three, &five);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(sdv[0], -1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
}

}  // namespace
