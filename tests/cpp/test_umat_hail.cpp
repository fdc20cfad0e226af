// The plasticity routine driven as a solver drives it: perfectly plastic shear and uniaxial
// paths against their closed forms, linear hardening, the tangent against finite differences,
// the plastic moduli near incompressibility, the strict yield test, the table's end, the
// mean-stress cut-off latch and its reset, and refused or reduced inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "error_record.h"
#include "single_point_driver.h"
#include "solver/umat_hail.h"

namespace {

using tvktest::UmatPoint;
using V = std::vector<double>;

constexpr double E = 70000.0, NU = 0.3, G = E / (2.0 * (1.0 + NU)), S0 = 250.0;

// Every test starts and ends with the cut-off latch at its load value.
struct UmatHail : ::testing::Test {
    void SetUp() override {
        tvk::solver::reset_umat_hail_cutoff();
        tvktest::clear_errors();
    }
    void TearDown() override { tvk::solver::reset_umat_hail_cutoff(); }
};

// Properties with a two-row table: yield s0 at 0 and s0 + h at plastic strain 1.
V props(double h = 0.0, double s0 = S0) { return {E, NU, 1.0, s0, 0.0, s0 + h, 1.0}; }

TEST_F(UmatHail, PerfectlyPlasticShearFollowsTheClosedForm) {
    {
        for (const int nshr : {1, 3}) {
            const int ndi = 3, n = ndi + nshr;
            UmatPoint p(umat_hail, ndi, nshr, 2 * n + 1, props());
            const double dg = 1.0e-3;  // engineering shear per increment
            double gamma = 0.0, eqp = 0.0;
            for (int k = 0; k < 12; ++k) {
                V d(n, 0.0);
                d[3] = dg;
                const double spd_before = p.spd;
                p.increment(d);
                gamma += dg;
                const double tau_el = G * gamma, tau_y = S0 / std::sqrt(3.0);
                if (tau_el <= tau_y * (1.0 + 1e-6)) {
                    EXPECT_NEAR(p.stress[3], tau_el, 1e-9 * tau_el);
                    EXPECT_EQ(p.spd, spd_before);
                    continue;
                }
                // Trial from the previous stress: q_tr = sqrt(3) (tau_prev + G dg).
                const double tau_prev = std::min(G * (gamma - dg), tau_y);
                const double qtr = std::sqrt(3.0) * (tau_prev + G * dg);
                const double deqpl = (qtr - S0) / (3.0 * G);
                eqp += deqpl;
                EXPECT_NEAR(p.stress[3], tau_y, 1e-9 * tau_y) << "increment " << k;
                for (int i = 0; i < n; ++i) {
                    if (i != 3) {
                        EXPECT_NEAR(p.stress[i], 0.0, 1e-9);
                    }
                }
                EXPECT_NEAR(p.spd, deqpl * S0, 1e-9 * S0 * deqpl + 1e-15);
                EXPECT_NEAR(p.statev[2 * n], eqp, 1e-12);
                // Engineering plastic shear: 3 (tau/q) deqpl summed = sqrt(3) eqp; elastic tau/G.
                EXPECT_NEAR(p.statev[n + 3], std::sqrt(3.0) * eqp, 1e-12);
                EXPECT_NEAR(p.statev[3], tau_y / G, 1e-12);
                EXPECT_NEAR(p.statev[3] + p.statev[n + 3], gamma, 1e-12);
            }
            EXPECT_GT(eqp, 0.0);
        }
    }
}

TEST_F(UmatHail, UniaxialStressPathWithLinearHardening) {
    for (const double h : {0.0, 2000.0}) {
        UmatPoint p(umat_hail, 3, 3, 13, props(h));
        // Strains of uniaxial stress s with plastic strain ep (plastic flow incompressible).
        auto strains = [&](double s, double ep) {
            V e(6, 0.0);
            e[0] = s / E + ep;
            e[1] = e[2] = -NU * s / E - 0.5 * ep;
            return e;
        };
        V prev(6, 0.0);
        double ep = 0.0;
        for (int k = 0; k < 20; ++k) {
            double s;
            if (k < 5) {
                s = S0 * (k + 1) / 5.0;  // up to the yield stress, elastic
            } else {
                ep += 2.0e-4;
                s = S0 + h * ep;
            }
            const V now = strains(s, ep);
            V d(6);
            for (int i = 0; i < 6; ++i) d[i] = now[i] - prev[i];
            const double spd_before = p.spd;
            p.increment(d);
            prev = now;
            EXPECT_NEAR(p.stress[0], s, 1e-8 * S0) << "h " << h << " increment " << k;
            for (int i = 1; i < 6; ++i) EXPECT_NEAR(p.stress[i], 0.0, 1e-8 * S0);
            EXPECT_NEAR(p.statev[12], ep, 1e-12);
            EXPECT_NEAR(p.statev[6], ep, 1e-12);
            EXPECT_NEAR(p.statev[7], -0.5 * ep, 1e-12);
            EXPECT_NEAR(p.statev[0], s / E, 1e-12);
            if (k >= 5) {
                const double s_start = S0 + h * (ep - 2.0e-4);
                EXPECT_NEAR(p.spd, 2.0e-4 * (s_start + s) / 2.0, 1e-9);
            } else {
                EXPECT_EQ(p.spd, spd_before);
            }
        }
    }
}

TEST_F(UmatHail, TangentMatchesFiniteDifferencesOnPlasticPaths) {
    for (const int nshr : {1, 3}) {
        const int n = 3 + nshr;
        UmatPoint p(umat_hail, 3, nshr, 2 * n + 1, props(3000.0));
        // A mixed path: tension with shear (mean stress below the cut-off stress), then shear
        // reversal, then biaxial compression.
        std::vector<V> path;
        for (int k = 0; k < 6; ++k) {
            V d(n, 0.0);
            d[0] = 1.5e-3;
            d[1] = d[2] = -6e-4;
            d[3] = 8e-4;
            path.push_back(d);
        }
        for (int k = 0; k < 6; ++k) {
            V d(n, 0.0);
            d[3] = -1.5e-3;
            if (nshr == 3) d[5] = 6e-4;
            path.push_back(d);
        }
        for (int k = 0; k < 4; ++k) {
            V d(n, 0.0);
            d[0] = -2e-3;
            d[1] = -1e-3;
            path.push_back(d);
        }
        int plastic = 0;
        for (const V& d : path) {
            ASSERT_TRUE(tvk::solver::umat_hail_cutoff_clear());
            tvktest::check_tangent(p, d, 1e-8, 1e-5);
            const double eq = p.statev[2 * n];
            p.increment(d);
            if (p.statev[2 * n] > eq) ++plastic;
        }
        EXPECT_GE(plastic, 8);
    }
}

TEST_F(UmatHail, TwoPropertiesAreElasticAndTheStateGrowsByTheIncrement) {
    UmatPoint p(umat_hail, 3, 3, 13, {E, NU});
    p.statev[0] = 1e-3;
    p.statev[12] = 0.25;
    const V d = {0.05, 0.0, 0.0, 0.02, 0.0, 0.0};  // far beyond any yield stress
    p.increment(d);
    EXPECT_NEAR(p.stress[3], G * 0.02, 1e-9);
    EXPECT_DOUBLE_EQ(p.statev[0], 1e-3 + 0.05);
    EXPECT_DOUBLE_EQ(p.statev[3], 0.02);
    EXPECT_EQ(p.statev[12], 0.25);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(UmatHail, NearIncompressiblePlasticModuliUse0499WhileTheElasticStiffnessKeepsNu) {
    const double nu = 0.49995;
    UmatPoint p(umat_hail, 3, 3, 13, {E, nu, 1.0, S0, 0.0, S0, 1.0});
    // Elastic call: the stiffness of nu itself.
    p.call(V(6, 0.0));
    const double lam = E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu));
    EXPECT_NEAR(p.tangent(0, 1), lam, 1e-9 * lam);
    // Plastic pure shear: the normal block is efflam = (E/(1 - 2 nu_p) - 2 effg)/3 with the
    // single-precision constants.
    const double onepnu = 1.4990000128746033, onem2nu = 0.001999974250793457;
    const double gp = E / (2.0 * onepnu), ge = E / (2.0 * (1.0 + nu));
    const double dg = 3.0 * S0 / (std::sqrt(3.0) * ge);  // trial three times the yield stress
    V d(6, 0.0);
    d[3] = dg;
    p.call(d);
    const double tau_tr = ge * dg, q = std::sqrt(3.0) * tau_tr;
    const double deqpl = (q - S0) / (3.0 * gp);
    const double effg = gp * S0 / q, efflam = (E / onem2nu - 2.0 * effg) / 3.0;
    EXPECT_NEAR(p.tangent(0, 1), efflam, 1e-12 * efflam);
    EXPECT_NEAR(p.tangent(0, 0), efflam + 2.0 * effg, 1e-12 * efflam);
    EXPECT_NEAR(p.statev[12], deqpl, 1e-15);
    EXPECT_NEAR(p.stress[3], S0 / std::sqrt(3.0), 1e-9);
}

TEST_F(UmatHail, YieldTestIsStrictAndTheTableEndIsPerfectlyPlastic) {
    // A trial Mises stress of exactly (1 + 1e-6) times the yield stress stays elastic.
    {
        UmatPoint p(umat_hail, 3, 3, 13, props(1000.0));
        const double tau = (1.0 + 1e-6) * S0 / std::sqrt(3.0);
        p.stress[3] = tau;
        p.call(V(6, 0.0));
        EXPECT_EQ(p.stress[3], tau);
        EXPECT_EQ(p.statev[12], 0.0);
        p.stress[3] = tau * (1.0 + 1e-9);
        p.call(V(6, 0.0));
        EXPECT_GT(p.statev[12], 0.0);
    }
    // Beyond the last tabulated strain: the largest yield stress, no hardening.
    {
        UmatPoint p(umat_hail, 3, 3, 13, {E, NU, 1.0, S0, 0.0, 300.0, 0.01, 280.0, 0.02});
        p.statev[12] = 0.05;
        V d(6, 0.0);
        d[3] = 0.02;
        p.call(d);
        EXPECT_NEAR(p.stress[3], 300.0 / std::sqrt(3.0), 1e-9);
        const double q = std::sqrt(3.0) * G * 0.02;
        EXPECT_NEAR(p.statev[12], 0.05 + (q - 300.0) / (3.0 * G), 1e-12);
    }
}

TEST_F(UmatHail, CutOffLatchesForEveryLaterPointUntilReset) {
    // Mean trial stress above the first yield stress: a large hydrostatic strain.
    UmatPoint p(umat_hail, 3, 3, 13, props(0.0, 100.0));
    const double ev = 0.01;
    p.call({ev, ev, ev, 0.0, 0.0, 0.0});
    EXPECT_EQ(tvk::solver::umat_hail_cutoff_latch(), 1.0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.stress[i], i < 3 ? 100.0 : 0.0);
    // Another point, unloaded, with a plane-stress layout: direct entries at the cut-off, shear 0.
    UmatPoint q(umat_hail, 2, 1, 7, props(0.0, 100.0));
    q.call({1e-5, 0.0, 1e-5});
    EXPECT_EQ(q.stress[0], 100.0);
    EXPECT_EQ(q.stress[1], 100.0);
    EXPECT_EQ(q.stress[2], 0.0);
    // The state and the tangent are not touched by the cut-off.
    EXPECT_DOUBLE_EQ(q.statev[2], 1e-5);
    EXPECT_GT(q.tangent(2, 2), 0.0);
    // Plasticity off: no cut-off.
    UmatPoint r(umat_hail, 3, 1, 9, {E, NU, 0.0, 100.0, 0.0});
    r.call({1e-4, 0.0, 0.0, 0.0});
    EXPECT_NE(r.stress[0], 100.0);
    // Reset at release: the next point is evaluated again.
    tvk::solver::reset_umat_hail_cutoff();
    EXPECT_TRUE(tvk::solver::umat_hail_cutoff_clear());
    UmatPoint s(umat_hail, 3, 3, 13, props(0.0, 100.0));
    s.call({1e-5, 0.0, 0.0, 0.0, 0.0, 0.0});
    EXPECT_NEAR(s.stress[0], (E * (1 - NU) / ((1 + NU) * (1 - 2 * NU))) * 1e-5, 1e-9);
}

TEST_F(UmatHail, ShortStateOrMissingTableIsElasticAndReported) {
    V d(6, 0.0);
    d[3] = 0.05;
    {
        UmatPoint p(umat_hail, 3, 3, 12, props());  // one state variable short
        p.statev.assign(12, 7.0);
        p.call(d);
        EXPECT_NEAR(p.stress[3], G * 0.05, 1e-9);
        EXPECT_EQ(p.statev, V(12, 7.0));
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
    }
    tvktest::clear_errors();
    {
        UmatPoint p(umat_hail, 3, 3, 13, {E, NU, 1.0, S0});  // switch on, no table row
        p.call(d);
        EXPECT_NEAR(p.stress[3], G * 0.05, 1e-9);
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_TRUE(tvk::solver::umat_hail_cutoff_clear());
    }
    tvktest::clear_errors();
    {
        UmatPoint p(umat_hail, 3, 2, 11, props());  // five components: no stress layout
        p.stress.assign(5, 3.0);
        p.call(V(5, 1e-3));
        EXPECT_EQ(p.stress, V(5, 3.0));
        EXPECT_EQ(p.ddsdde, V(25, 0.0));
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
    tvktest::clear_errors();
    {
        UmatPoint p(umat_hail, 3, 3, 13, {E, 0.5, 1.0, S0, 0.0});
        p.call(d);
        EXPECT_EQ(p.stress, V(6, 0.0));
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
}

// A hardening table whose strains do not increase strictly cannot be interpolated: the routine
// refuses the point before it computes it (stress, state and energies as they came, zero tangent,
// cut-back), also where the point would lie beyond the table's end. Only a table that is read is
// checked: with plasticity off or without the state the point is elastic as before.
TEST_F(UmatHail, HardeningStrainsThatDoNotIncreaseStrictlyAreRefused) {
    const V flat = {E, NU, 1.0, S0, 0.0, S0 + 10.0, 0.0};                   // row 2 at strain 0 again
    const V back = {E, NU, 1.0, S0, 0.0, S0 + 10.0, 0.1, S0 + 20.0, 0.05};  // row 3 falls back
    const V d = {2e-2, 0.0, 0.0, 0.0, 0.0, 0.0};
    // (The last case lies beyond the table's end, where the yield stress is its largest.)
    for (const auto& [table, row, eqplas] :
         {std::tuple{flat, 2, 0.0}, std::tuple{back, 3, 0.0}, std::tuple{back, 3, 1.0}}) {
        tvktest::clear_errors();
        UmatPoint p(umat_hail, 3, 3, 13, table);
        p.stress = {1, 2, 3, 4, 5, 6};
        p.statev.assign(13, 0.5);
        p.statev[12] = eqplas;
        p.ddsdde.assign(36, 9.0);
        p.spd = 2.0;
        const V state = p.statev;
        p.call(d);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_NE(tvktest::errtext().find("umat_hail: hardening strains do not increase strictly"), std::string::npos)
            << tvktest::errtext();
        EXPECT_EQ(tvk::errorhandling.errintv.data()[0], row);
        EXPECT_EQ(p.stress, V({1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(p.statev, state);
        EXPECT_EQ(p.ddsdde, V(36, 0.0));
        EXPECT_EQ(p.spd, 2.0);
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
    }
    // Not read: plasticity off (elastic, no report), or too short a state (elastic, reported).
    V off = back;
    off[2] = 0.0;
    tvktest::clear_errors();
    UmatPoint elastic(umat_hail, 3, 3, 13, off);
    elastic.call(d);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_NEAR(elastic.stress[0], E * (1 - NU) / ((1 + NU) * (1 - 2 * NU)) * 2e-2, 1e-9 * E);
    UmatPoint stateless(umat_hail, 3, 3, 12, back);
    stateless.call(d);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_EQ(stateless.pnewdt, 1.0);
}

// Its strain energy and creep dissipation are the solver's, and so is its plastic dissipation in
// an elastic increment: NaN energies come back as they came, without a refusal. A plastic
// increment sets its plastic dissipation, finite whatever came in.
TEST_F(UmatHail, EnergiesTheLawDoesNotSetAreTheSolvers) {
    UmatPoint p(umat_hail, 3, 3, 13, props(100.0));
    p.sse = std::nan(""), p.spd = std::nan(""), p.scd = -HUGE_VAL, p.pnewdt = -1.0;
    p.call({1e-4, 0, 0, 0, 0, 0});  // elastic
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_TRUE(std::isnan(p.sse));
    EXPECT_TRUE(std::isnan(p.spd));
    EXPECT_EQ(p.scd, -HUGE_VAL);
    EXPECT_EQ(p.pnewdt, -1.0);
    EXPECT_NEAR(p.stress[0], E * (1 - NU) / ((1 + NU) * (1 - 2 * NU)) * 1e-4, 1e-9);
    UmatPoint q(umat_hail, 3, 3, 13, props(100.0));
    q.spd = std::nan("");
    q.call({0, 0, 0, 1e-2, 0, 0});  // shear beyond the yield stress, no mean stress
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_GT(q.statev[12], 0.0);  // plastic
    EXPECT_TRUE(std::isfinite(q.spd));
    EXPECT_GT(q.spd, 0.0);
}

// A softening slope of exactly -3G leaves the return mapping without a finite plastic strain
// increment: the point is refused (stress and state as they came, zero tangent, cut-back), and the
// record holds the refusal, not the iteration's warning.
TEST_F(UmatHail, PlasticCorrectionWithoutAFiniteIncrementRefusesThePoint) {
    const V soft = {2.6, 0.3, 1.0, 1.0, 0.0, -2.0, 1.0};  // G = 1, slope -3 = -3G
    UmatPoint p(umat_hail, 3, 3, 13, soft);
    p.stress = {0.1, 0.2, 0.3, 0.0, 0.0, 0.0};
    p.ddsdde.assign(36, 9.0);
    p.pnewdt = -1.0;
    const V state = p.statev;
    p.call({0, 0, 0, 1.0, 0, 0});  // shear: Mises stress sqrt(3) above the yield stress 1
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find("no finite strain increment"), std::string::npos) << tvktest::errtext();
    EXPECT_EQ(p.stress, V({0.1, 0.2, 0.3, 0.0, 0.0, 0.0}));
    EXPECT_EQ(p.statev, state);
    EXPECT_EQ(p.ddsdde, V(36, 0.0));
    EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
}

// Too short a state for the layout is a note (elastic, no plasticity) or a warning (plasticity
// asked for); a point of that call refused afterwards (an increment that overflows the stress)
// reaches the host as the refusal, with the refused result.
TEST_F(UmatHail, RefusalAfterAShortStateReportOfTheSameCallIsWhatTheHostSees) {
    for (const V& properties : {V{E, NU}, props()}) {
        tvktest::clear_errors();
        UmatPoint p(umat_hail, 2, 1, 5, properties);
        p.stress = {1, 2, 3};
        p.statev.assign(5, 0.5);
        p.ddsdde.assign(9, 9.0);
        p.pnewdt = -1.0;
        p.call({1e308, 0, 0});
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << properties.size() << ": " << tvktest::errtext();
        EXPECT_EQ(p.stress, V({1, 2, 3}));
        EXPECT_EQ(p.statev, V(5, 0.5));
        EXPECT_EQ(p.ddsdde, V(9, 0.0));
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
    }
    tvktest::clear_errors();
}

}  // namespace
