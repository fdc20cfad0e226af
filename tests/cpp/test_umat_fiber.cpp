// Fibre and endochronic material routines driven as their solvers drive them: the fibre exposure
// and the stiffness after failure, the temperature sets, the ANSYS-ordered elastic update with its
// plane-stress thickness strain, and the endochronic tangent against finite differences.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "error_record.h"
#include "mechanics/endochronic.h"
#include "mechanics/lamina.h"
#include "single_point_driver.h"
#include "solver/fiber.h"
#include "solver/umat_krause.h"

namespace {

using tvktest::UmatPoint;
using V = std::vector<double>;

const V nye = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};

V with(V p, std::initializer_list<double> more) {
    p.insert(p.end(), more);
    return p;
}

// A strain increment from the intact state that gives the fibre stress s11 alone.
V uniaxial(double s11, const V& p) {
    double c[36];
    tvk::lamina::compliance(c, p.data(), 6, false);
    V e(6);
    for (int i = 0; i < 6; ++i) e[i] = c[i] * s11;
    return e;
}

TEST(UmatFiber, ExposureIsHeldAndFailureSoftensTheNextCall) {
    const V props = with(nye, {1000.0, 600.0, 0.01});
    UmatPoint p(umat_fiber, 3, 3, 12, props);
    p.kinc = 1;
    tvktest::check_tangent(p, uniaxial(500.0, nye));
    p.call(uniaxial(500.0, nye));
    EXPECT_NEAR(p.stress[0], 500.0, 1e-9);
    EXPECT_NEAR(p.statev[2], 0.5, 1e-12);
    EXPECT_EQ(p.statev[11], tvk::huge);
    p.call(uniaxial(-300.0, nye));  // below the held value: kept
    EXPECT_NEAR(p.statev[2], 0.5, 1e-12);
    p.call(uniaxial(2000.0, nye));
    EXPECT_EQ(p.statev[2], 1.0);
    // Failed: every constant, the Poisson ratios included, times the factor.
    V scaled = nye;
    for (double& v : scaled) v *= 0.01;
    double c[36];
    tvk::lamina::stiffness(c, scaled.data(), 6, false);
    p.call(uniaxial(100.0, nye));
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(p.ddsdde[k], c[k], 1e-9 * std::fabs(c[k]) + 1e-12);
    EXPECT_LT(std::fabs(p.stress[0]), 2.0);

    UmatPoint q(umat_fiber, 3, 3, 12, with(nye, {1000.0, 600.0, 0.01}));
    q.call(uniaxial(-300.0, nye));
    EXPECT_NEAR(q.statev[2], 0.5, 1e-12);
}

TEST(UmatFiber, TemperatureSetsInterpolateInEitherOrder) {
    const V a = with(nye, {1000.0, 600.0}), b = {70e3, 8e3, 8e3, 0.25, 0.25, 0.4, 4e3, 4e3, 3e3, 800.0, 500.0};
    auto sets = [](const V& first, double t1, const V& second, double t2) {
        V p = with(first, {t1});
        p.insert(p.end(), second.begin(), second.end());
        p.push_back(t2);
        p.push_back(0.5);
        return p;
    };
    V mean(11);
    for (int i = 0; i < 11; ++i) mean[i] = 0.5 * (a[i] + b[i]);
    const V d = {1e-3, -2e-3, 5e-4, 1e-3, 2e-3, -1e-3};
    for (const V& props : {sets(a, 300.0, b, 400.0), sets(b, 400.0, a, 300.0)}) {
        for (const auto& [temp, want] : {std::pair{350.0, mean}, {250.0, a}, {450.0, b}}) {
            UmatPoint p(umat_fiber, 3, 3, 12, props);
            p.temp = temp - 10.0;
            p.dtemp = 10.0;
            p.call(d);
            double c[36];
            tvk::lamina::stiffness(c, want.data(), 6, false);
            for (int k = 0; k < 36; ++k) EXPECT_NEAR(p.ddsdde[k], c[k], 1e-9 * std::fabs(c[k]) + 1e-9) << temp;
        }
    }
}

// Counts the table does not name: no slot outside a short state vector, a missing strength or
// stiffness factor reported and left out.
TEST(UmatFiber, UnnamedCountsAndShortStateAreSafe) {
    tvktest::clear_errors();
    UmatPoint p(umat_fiber, 3, 3, 2, with(nye, {1000.0, 600.0, 0.01}));
    p.statev = {7.0, 8.0};
    p.call(uniaxial(2000.0, nye));
    EXPECT_EQ(p.statev, (V{7.0, 8.0}));

    UmatPoint ten(umat_fiber, 3, 3, 12, with(nye, {1000.0}));
    ten.call(uniaxial(2000.0, nye));
    EXPECT_EQ(ten.statev[2], 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);

    tvktest::clear_errors();
    UmatPoint thirteen(umat_fiber, 3, 3, 12, with(nye, {1000.0, 600.0, 0.01, 5.0}));
    thirteen.statev[2] = 1.0;
    thirteen.call(uniaxial(100.0, nye));
    EXPECT_NEAR(thirteen.stress[0], 100.0, 1e-9);  // factor 1
    EXPECT_EQ(tvk::errorhandling.errstat, -2);

    tvktest::clear_errors();
    UmatPoint few(umat_fiber, 3, 3, 12, {1.0, 2.0});
    few.call(V(6, 1e-3));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
}

// A point refused after the routine's own warning of the same call (no compressive strength, an
// increment that overflows the stress): the host sees the refusal, with the refused result.
TEST(UmatFiber, RefusalAfterAWarningOfTheSameCallIsWhatTheHostSees) {
    tvktest::clear_errors();
    UmatPoint p(umat_fiber, 3, 3, 12, with(nye, {1000.0}));
    p.stress = {1, 2, 3, 4, 5, 6};
    p.statev.assign(12, 0.25);
    p.ddsdde.assign(36, 9.0);
    p.sse = 1.0, p.spd = 2.0, p.scd = 3.0, p.pnewdt = -1.0;
    p.call({1e300, 0, 0, 0, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3) << tvktest::errtext();
    EXPECT_NE(tvktest::errtext().find("non-finite result"), std::string::npos) << tvktest::errtext();
    EXPECT_EQ(p.stress, (V{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(p.statev, V(12, 0.25));
    EXPECT_EQ(p.ddsdde, V(36, 0.0));
    EXPECT_TRUE(p.sse == 1.0 && p.spd == 2.0 && p.scd == 3.0);
    EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
    tvktest::clear_errors();
}

// The ANSYS list: strain, stress and stiffness in cyclic shear order, updated incrementally.
TEST(UsermatFiber, CyclicOrderAndThicknessStrain) {
    double c[36];
    tvk::lamina::stiffness(c, nye.data(), 6, false);
    const int cyc[6] = {0, 1, 2, 3, 5, 4};
    int matid = 1, elemid = 1, kdom = 1, klayer = 1, ksect = 1, ldstep = 1, isubst = 1, keycut = 9;
    int ndirect = 3, nshear = 3, ncomp = 6, nstatev = 1, nprop = 9;
    double time = 0, dtime = 1, temp = 0, dtemp = 0;
    double stress[6] = {1, 2, 3, 4, 5, 6}, ustatev[1] = {0}, dsdepl[36], sedel = 3, sedpl = 3, epseq = 3;
    double strain[6] = {}, dstrain[6] = {1e-3, -2e-3, 5e-4, 1e-3, 2e-3, -3e-3}, epspl[6] = {};
    double coords[3] = {}, var0 = 0, dfg[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, tsstif[2] = {-1, -1}, epszz = 4;
    double var[8] = {};
    auto call = [&] {
        usermat_fiber(&matid, &elemid, &kdom, &klayer, &ksect, &ldstep, &isubst, &keycut, &ndirect, &nshear,
                      &ncomp, &nstatev, &nprop, &time, &dtime, &temp, &dtemp, stress, ustatev, dsdepl, &sedel,
                      &sedpl, &epseq, strain, dstrain, epspl, nye.data(), coords, &var0, dfg, dfg, tsstif,
                      &epszz, &var[0], &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7]);
    };
    const V s0(stress, stress + 6);
    call();
    double w = 0.0;
    for (int i = 0; i < 6; ++i) {
        double s = s0[i];
        for (int j = 0; j < 6; ++j) {
            EXPECT_EQ(dsdepl[i + 6 * j], c[cyc[i] + 6 * cyc[j]]);
            s += c[cyc[i] + 6 * cyc[j]] * dstrain[j];
        }
        EXPECT_NEAR(stress[i], s, 1e-9 * std::fabs(s));
        w += (stress[i] + s0[i]) * dstrain[i];
    }
    EXPECT_NEAR(sedel, 0.5 * w, 1e-9 * std::fabs(w));
    EXPECT_EQ(keycut, 0);
    EXPECT_EQ(epszz, 0.0);
    EXPECT_EQ(tsstif[0], nye[7]);
    EXPECT_EQ(tsstif[1], -1.0);

    ncomp = 3;
    ndirect = 2;
    nshear = 1;
    double s3[3] = {0, 0, 0}, e3[3] = {1e-3, 2e-4, 1e-3}, z3[3] = {};
    usermat_fiber(&matid, &elemid, &kdom, &klayer, &ksect, &ldstep, &isubst, &keycut, &ndirect, &nshear, &ncomp,
                  &nstatev, &nprop, &time, &dtime, &temp, &dtemp, s3, ustatev, dsdepl, &sedel, &sedpl, &epseq, z3,
                  e3, z3, nye.data(), coords, &var0, dfg, dfg, tsstif, &epszz, &var[0], &var[1], &var[2], &var[3],
                  &var[4], &var[5], &var[6], &var[7]);
    EXPECT_NEAR(epszz, -(nye[4] / nye[0]) * s3[0] - (nye[5] / nye[1]) * s3[1], 1e-15);
    EXPECT_EQ(tsstif[0], nye[7]);
    EXPECT_EQ(tsstif[1], nye[8]);
    // The plane-stress strain of the thickness direction: the compliance applied to the stress.
    double s[16];
    tvk::lamina::compliance(s, nye.data(), 4, false);
    EXPECT_NEAR(epszz, s[2] * s3[0] + s[6] * s3[1], 1e-15);
}

const V resin = {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0};

TEST(UmatKrause, TangentIsTheDifferenceQuotientAndLeavesTheState) {
    UmatPoint p(umat_krause, 3, 3, 42, resin);
    p.dtime = 0.5;
    const V d = {2e-3, -1e-3, -1e-3, 1e-3, 0.0, 5e-4};
    const int np = 11, ns = 42;
    const tvk::logical1 yes = 1, no = 0;
    for (int k = 0; k < 4; ++k) {
        // The state the law alone writes: the tangent evaluations must leave it as it is.
        V state = p.statev, s(6);
        EndochroneViscoPlasticity(p.stran.data(), d.data(), resin.data(), s.data(), state.data(), &p.dtime, &np,
                                  &ns, &yes, &yes);
        p.increment(d);
        EXPECT_EQ(p.statev, state);
        EXPECT_EQ(p.stress, s);
        // Columns against a coarser central difference at zero time increment.
        const double h = 1e-6, dt0 = 0.0;
        V before = p.stran;
        for (int i = 0; i < 6; ++i) before[i] -= d[i];
        for (int j = 0; j < 6; ++j) {
            V up = d, down = d, su(6), sd(6), st = state;
            up[j] += h;
            down[j] -= h;
            EndochroneViscoPlasticity(before.data(), up.data(), resin.data(), su.data(), st.data(), &dt0, &np, &ns,
                                      &no, &yes);
            EndochroneViscoPlasticity(before.data(), down.data(), resin.data(), sd.data(), st.data(), &dt0, &np,
                                      &ns, &no, &yes);
            for (int i = 0; i < 6; ++i)
                EXPECT_NEAR(p.tangent(i, j), (su[i] - sd[i]) / (2 * h), 1e-4 * resin[0]) << i << ", " << j;
        }
    }
    tvktest::clear_errors();
    UmatPoint small(umat_krause, 2, 1, 42, resin);
    small.stress = {1.0, 2.0, 3.0};
    small.call(V(3, 1e-3));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(small.stress, (V{1.0, 2.0, 3.0}));
    tvktest::clear_errors();
}

}  // namespace
