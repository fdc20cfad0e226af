// The resin material routine driven as an implicit solver drives it: every model along a strain
// path with its tangent against central differences of the returned stress (the secant laws
// against their secant identity), four against six stress components, initialisation of a new
// point, the strain energy of a linear law, the criterion tags of the material name, the start
// value of the degradation factor and the isotropic discount, the load-cycle bookkeeping of
// fatigue steps with its life and cycle jumps, and refused or short inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <string>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "failure/criteria.h"
#include "growth/fatigue_life.h"
#include "material_fixtures.h"
#include "mechanics/plasticity.h"
#include "mechanics/resin.h"
#include "mechanics/stressmeasures.h"
#include "single_point_driver.h"
#include "solver/umat_resin.h"

namespace {

using tvktest::UmatPoint;
namespace slot = tvk::resin_state;
constexpr double huge = tvk::huge;

// The model data of a resin analysis, released with the fatigue bookkeeping it may have started.
struct ResinData {
    explicit ResinData(int model, double softening = 0.0, double reg1 = 0.0) {
        tvktest::set_resin_tables(model, softening, reg1);
    }
    ~ResinData() {
        tvktest::release_resin_tables();
        tvk::shokriehdata.cycleprops.release();
        tvk::shokriehdata.dnf = 0.0;
        tvk::jobdata.nsteps = 0;
        tvk::debugdata.edebug = 0;
    }
};

using tvktest::plastic_props;
using tvktest::resin_props;

// A resin point of `model` with ntens components and the given material name.
UmatPoint resin_point(int model, const std::string& name = "RESIN", int nstatv = 30, int ndi = 3, int nshr = 3) {
    UmatPoint p(umat_resin, ndi, nshr, nstatv, tvktest::resin_props_of(model), name);
    p.temp = 300.0;
    p.kinc = 1;
    return p;
}

// The name with `tag` placed at 1-based character `at`.
std::string name_with(const std::string& tag, int at, const std::string& more = "", int more_at = 0) {
    std::string s(80, ' ');
    s.replace(0, 5, "RESIN");
    s.replace(static_cast<std::size_t>(at - 1), tag.size(), tag);
    if (!more.empty()) s.replace(static_cast<std::size_t>(more_at - 1), more.size(), more);
    return s;
}

std::vector<double> scaled(const std::vector<double>& v, double f, int n = 6) {
    std::vector<double> r(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) r[k] = v[k] * f;
    return r;
}

const std::vector<double> path = {1.0, -0.3, -0.25, 0.6, 0.1, 0.2};

// stress = ddsdde (stran + dstran): the secant form of a law.
void expect_secant(const UmatPoint& p, double rtol) {
    double scale = 0.0;
    for (double v : p.stress) scale = std::max(scale, std::fabs(v));
    for (int i = 0; i < p.ntens; ++i) {
        double s = 0.0;
        for (int j = 0; j < p.ntens; ++j) s += p.tangent(i, j) * p.stran[j];
        EXPECT_NEAR(p.stress[i], s, rtol * scale) << "component " << i;
    }
}

}  // namespace

TEST(UmatResin, EveryModelAlongAStrainPathHasTheTangentOfItsLaw) {
    for (int model = 0; model <= 7; ++model) {
        SCOPED_TRACE("model " + std::to_string(model));
        ResinData data(model);
        tvktest::clear_errors();
        UmatPoint p = resin_point(model);
        const std::vector<double> d = scaled(path, 1e-3);
        testing::internal::CaptureStdout();  // the plasticity law writes its lines on every call
        for (int k = 0; k < 8; ++k) {
            const double eqp = p.statev[slot::plastic_strain - 1];
            UmatPoint before = p;
            p.increment(d);
            const bool flowed = p.statev[slot::plastic_strain - 1] > eqp;
            if (model == 5) {
                // The split's stiffness is its secant (moduli softened by the strain norms).
                expect_secant(p, 1e-12);
            } else if (!(model == 4 && flowed)) {
                tvktest::check_tangent(before, d, 1e-7, 1e-5);
            }
            for (double s : p.stress) EXPECT_TRUE(std::isfinite(s));
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        EXPECT_NE(p.stress[0], 0.0);
    }
}

TEST(UmatResin, OrthotropicSofteningLawReturnsItsSecantStiffness) {
    ResinData data(7, 50.0, 0.3);
    tvktest::clear_errors();
    UmatPoint p = resin_point(7);
    for (int k = 0; k < 5; ++k) {
        p.increment(scaled(path, 2e-3));
        expect_secant(p, 1e-12);
    }
    // Softening lowers the moduli below the unsoftened law's.
    ResinData linear(7, 0.0, 0.3);
    UmatPoint q = resin_point(7);
    q.increment(scaled(path, 1e-2));
    EXPECT_LT(p.tangent(0, 0), q.tangent(0, 0));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, FourComponentsAreTheSixComponentPointWithoutTheTransverseShears) {
    for (int model : {1, 6, 7}) {
        SCOPED_TRACE("model " + std::to_string(model));
        ResinData data(model);
        tvktest::clear_errors();
        UmatPoint full = resin_point(model);
        UmatPoint four = resin_point(model, "RESIN", 30, 3, 1);
        const std::vector<double> d6 = {1e-3, -3e-4, -2e-4, 6e-4, 0.0, 0.0};
        const std::vector<double> d4 = {1e-3, -3e-4, -2e-4, 6e-4};
        for (int k = 0; k < 3; ++k) {
            full.increment(d6);
            four.increment(d4);
        }
        for (int i = 0; i < 4; ++i) {
            EXPECT_DOUBLE_EQ(four.stress[i], full.stress[i]);
            for (int j = 0; j < 4; ++j) EXPECT_NEAR(four.tangent(i, j), full.tangent(i, j), 1e-9 * full.tangent(0, 0));
        }
        for (int k = 0; k < 22; ++k) EXPECT_NEAR(four.statev[k], full.statev[k], 1e-9 * (1.0 + std::fabs(full.statev[k])));
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    }
}

TEST(UmatResin, NewPointIsInitialisedOnlyInTheFirstIncrement) {
    ResinData data(1);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.kinc = 1;
    p.call(scaled(path, 1e-3));
    const double r = p.statev[slot::eq_stress - 1] / p.statev[slot::strength - 1];
    EXPECT_EQ(p.statev[slot::cycle - 1], 1.0);
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 1.0);
    EXPECT_EQ(p.statev[slot::ratio_max - 1], r);
    EXPECT_EQ(p.statev[slot::ratio_min - 1], r);
    EXPECT_EQ(p.statev[slot::strength - 1], 77.5);  // xt midway between the blocks at 300 K
    // The equivalent stress of the returned stress.
    double eq = 0.0;
    const double xt = 77.5, xc = 1.5 * 77.5, np = 1.5;
    GetEquivalentFatigueStress(p.stress.data(), &xt, &xc, &np, &eq);
    EXPECT_DOUBLE_EQ(p.statev[slot::eq_stress - 1], eq);

    UmatPoint q = resin_point(1);
    q.kinc = 2;
    q.call(scaled(path, 1e-3));
    EXPECT_EQ(q.statev[slot::cycle - 1], 0.0);
    EXPECT_EQ(q.statev[slot::cycle_index - 1], 0.0);
    EXPECT_EQ(q.statev[slot::ratio_max - 1], std::max(0.0, r));

    // The largest double in the last slot marks a new point as well.
    UmatPoint m = resin_point(1);
    m.statev.back() = huge;
    m.call(scaled(path, 1e-3));
    EXPECT_EQ(m.statev.back(), 0.0);
    EXPECT_EQ(m.statev[slot::cycle - 1], 1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, SecantModelTakesThePoissonRatioOfTheStrainSign) {
    ResinData data(0);
    tvktest::clear_errors();
    for (double sign : {1.0, -1.0}) {
        UmatPoint p = resin_point(0);
        const double e11 = sign * 1e-3;
        p.increment({e11, 0, 0, 0, 0, 0});
        const double e = 2800.0, nu = sign > 0 ? 0.355 : 0.38;  // nut midway, nuc
        const double lam = e * nu / ((1 + nu) * (1 - 2 * nu)), g = e / (2 * (1 + nu));
        EXPECT_NEAR(p.stress[0], (lam + 2 * g) * e11, 1e-9);
        EXPECT_NEAR(p.stress[1], lam * e11, 1e-9);
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, EnergiesComeBackUnchangedAndTheStrainEnergyAccumulatesInTheState) {
    ResinData data(0);
    tvktest::clear_errors();
    UmatPoint p = resin_point(0);
    p.sse = 1.5;
    p.spd = 2.5;
    p.scd = 3.5;
    p.pnewdt = 0.75;
    for (int k = 0; k < 4; ++k) p.increment(scaled(path, 1e-3));
    EXPECT_EQ(p.sse, 1.5);
    EXPECT_EQ(p.spd, 2.5);
    EXPECT_EQ(p.scd, 3.5);
    EXPECT_EQ(p.pnewdt, 0.75);
    // A linear law: the rule of the old and new tangent integrates exactly to 1/2 e.C.e.
    double w = 0.0;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) w += 0.5 * p.stran[i] * p.tangent(i, j) * p.stran[j];
    EXPECT_NEAR(p.statev[slot::energy - 1], w, 1e-10 * w);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, CriterionIsChosenByTheTagAtItsPlaceInTheName) {
    ResinData data(1);
    const double xt = 77.5, xc = 1.5 * 77.5, np = 1.5;
    const std::vector<double> d = scaled(path, 4e-3);
    const auto run = [&](const std::string& name) {
        tvktest::clear_errors();
        UmatPoint p = resin_point(1, name);
        p.statev[slot::exposure - 1] = 0.3;
        p.statev[slot::di1 - 1] = 0.7;
        p.kinc = 2;
        p.call(d);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        return p;
    };
    // The strain criterion: Ha's criterion of the tensor strains, not of the stress.
    {
        const UmatPoint p = run(name_with("_GPHASTRAIN", 10));
        double t[6];
        for (int k = 0; k < 6; ++k) t[k] = k < 3 ? d[k] : 0.5 * d[k];
        double r = 0.3, di1 = 0, dm = 0, i1 = 0, mc = 0, life = 0.0;
        GPHa(t, &xt, &xc, &np, &r, &di1, &dm, &i1, &mc, &life);
        EXPECT_EQ(p.statev[slot::exposure - 1], r);
        EXPECT_EQ(p.statev[slot::di1 - 1], di1);
        EXPECT_EQ(p.statev[slot::dmises - 1], dm);
        EXPECT_EQ(p.statev[slot::failed - 1], 0.0);  // the life of slot 6 while intact
    }
    {
        const UmatPoint p = run(name_with("_GPHA", 10));
        double r = 0.3, di1 = 0, dm = 0, i1 = 0, mc = 0, flag = 0.0;
        GPHa(p.stress.data(), &xt, &xc, &np, &r, &di1, &dm, &i1, &mc, &flag);
        EXPECT_EQ(p.statev[slot::exposure - 1], r);
        EXPECT_EQ(p.statev[slot::dmises - 1], dm);
        EXPECT_NE(r, 0.3);
    }
    {
        const UmatPoint p = run(name_with("_GPRA", 10));
        double r = 0.3;
        GPRaghava(p.stress.data(), &xt, &xc, &r);
        EXPECT_EQ(p.statev[slot::exposure - 1], r);
        EXPECT_EQ(p.statev[slot::di1 - 1], 0.7);
    }
    {
        const UmatPoint p = run(name_with("_GPBA", 10));
        double r = 0.3;
        GPBauwens(p.stress.data(), &xt, &xc, &r);
        EXPECT_EQ(p.statev[slot::exposure - 1], r);
    }
    {
        const UmatPoint p = run(name_with("_GPDP", 10));
        double r = 0.3, di1 = 0.0;
        GPDruckerPrager(p.stress.data(), &xt, &xc, &r, &di1);
        EXPECT_EQ(p.statev[slot::exposure - 1], r);
        EXPECT_EQ(p.statev[slot::di1 - 1], di1);
    }
    // A tag elsewhere selects nothing: the stored exposure stays.
    for (const std::string& name : {name_with("_GPHA", 1), name_with("_GPHA", 11), std::string("RESIN")}) {
        const UmatPoint p = run(name);
        EXPECT_EQ(p.statev[slot::exposure - 1], 0.3) << name;
        EXPECT_EQ(p.statev[slot::di1 - 1], 0.7);
    }
}

TEST(UmatResin, FailedIsotropicPointKeepsTheResidualModulus) {
    ResinData data(1);
    tvktest::clear_errors();
    const std::vector<double> d = scaled(path, 1e-3);
    UmatPoint intact = resin_point(1);
    intact.statev[slot::exposure - 1] = 0.99;
    intact.statev[slot::life - 1] = 0.99;
    intact.kinc = 2;
    intact.call(d);
    EXPECT_DOUBLE_EQ(intact.statev[slot::modulus - 1], 2900.0);
    EXPECT_DOUBLE_EQ(intact.statev[slot::second - 1], 21.0);
    UmatPoint failed = resin_point(1);
    failed.statev[slot::life - 1] = 1.0;
    failed.kinc = 2;
    failed.call(d);
    EXPECT_DOUBLE_EQ(failed.statev[slot::modulus - 1], 0.1 * 2900.0);
    EXPECT_EQ(failed.statev[slot::second - 1], 0.0);  // degr < 1: gamma goes
    // The law of the degraded vector: modulus 290, no softening.
    const double e = 290.0, nu = 0.355;
    const double lam = e * nu / ((1 + nu) * (1 - 2 * nu)), g = e / (2 * (1 + nu));
    double tr = d[0] + d[1] + d[2];
    EXPECT_NEAR(failed.stress[0], lam * tr + 2 * g * d[0], 1e-10);
    EXPECT_NEAR(failed.stress[3], g * d[3], 1e-10);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, OrthotropicModelStartsTheDegradationFactor) {
    const std::vector<double> d = scaled(path, 2e-3);
    {
        ResinData data(7, 50.0, 0.4);
        tvktest::clear_errors();
        UmatPoint p = resin_point(7);
        p.call(d);
        EXPECT_EQ(p.statev[slot::factor - 1], 0.4);
        // A failed point keeps its factor.
        UmatPoint f = resin_point(7);
        f.statev[slot::failed - 1] = 1.0;
        f.statev[slot::factor - 1] = 0.25;
        f.kinc = 2;
        testing::internal::CaptureStdout();  // the viscous discount writes its lines
        f.call(d);
        testing::internal::GetCapturedStdout();
        EXPECT_LE(f.statev[slot::factor - 1], 0.25);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    }
    {
        ResinData data(7, 50.0, 0.0);
        tvktest::clear_errors();
        UmatPoint p = resin_point(7);
        p.call(d);
        // The determinant-ratio start value from the softened moduli of this strain.
        const int nprops = 21, noel = 1;
        const double temp = 300.0, dt = 1.0, zero = 0.0;
        std::vector<double> props = resin_props();
        double e1, e2, e3, n12, n13, n23, n21, n31, n32, g12, g13, g23, xt, xc, np, aw, ew, degr;
        GetResinOrthotropicProperties(props.data(), &nprops, &temp, &dt, d.data(), d.data(), &e1, &e2, &e3, &n12,
                                      &n13, &n23, &n21, &n31, &n32, &g12, &g13, &g23, &xt, &xc, &np, &aw, &ew, &degr,
                                      &noel, &zero);
        const double e = 2900.0, nu = 0.355, g0 = e / (2 * (1 + nu));
        const double want = (1 - 3 * nu * nu - 2 * nu * nu * nu) /
                            (1 - n12 * n21 - n23 * n32 - n31 * n13 - 2 * n21 * n32 * n13) *
                            std::min({e1 / e, e2 / e, g12 / g0, g13 / g0, e3 / e, g23 / g0});
        EXPECT_NEAR(p.statev[slot::factor - 1], want, 1e-14);
        EXPECT_LT(want, 1.0);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    }
}

// ---- Fatigue steps ------------------------------------------------------------------------------
namespace {

// A one-step cycle plan: period 1, algorithm `algo`, fixed jump 100, cycle limit 1e6.
void plan(double algo, double period = 1.0, double fatigue = 1.0) {
    auto& t = tvk::shokriehdata.cycleprops;
    t.allocate({10, 1});
    *t.at(2, 1) = fatigue;
    *t.at(3, 1) = algo;
    *t.at(4, 1) = period;
    *t.at(5, 1) = 100.0;
    *t.at(7, 1) = 100.0;
    *t.at(10, 1) = 1e6;
    tvk::jobdata.nsteps = 1;
}

// Cycles to failure of the S-N law with its mean-stress correction about R_crit = -1.3.
double cycles_to_failure(double smin, double smax) {
    const double r = -1.3, m = (1 - r) / (1 + r), a = (smax - smin) / 2, mm = (smax + smin) / 2;
    double f;
    if (mm != 0 && a / mm < 0 && std::fabs(a / mm) < std::fabs(m))
        f = m * std::fabs(r) * a / (m * (std::fabs(r) + mm) - a);
    else
        f = m * a / (m * (1 - mm) + a);
    return std::pow(f / 1.0, 1.0 / -0.08);
}

}  // namespace

TEST(UmatResin, CompletedCyclesAccumulateLifeAndJump) {
    ResinData data(1);
    plan(1.0);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.dtime = 0.25;
    // A tension cycle: up and down within each period.
    const double amp[4] = {4e-3, -2e-3, -1.5e-3, 0.5e-3};
    double smax = -huge, smin = huge, life = 0.0;
    double n = 1.0;
    for (int k = 0; k < 12; ++k) {
        p.increment(scaled(path, amp[k % 4]));
        const double ratio = p.statev[slot::eq_stress - 1] / p.statev[slot::strength - 1];
        smax = std::max(smax, ratio);
        smin = std::min(smin, ratio);
        // The call whose step time p.time[0] - dtime started the increment ended a cycle?
        const double t1 = p.time[0] - p.dtime;
        if (t1 > 0.0 && std::fmod(t1, 1.0) == 0.0) {
            const double nf = cycles_to_failure(smin, smax);
            const double dn = n == 1.0 ? 1.0 : 100.0;  // the first cycle counts once
            life = std::min(1.0, life + dn / nf);
            n += 100.0;
            EXPECT_NEAR(p.statev[slot::cycles_to_failure - 1], nf, 1e-9 * nf);
            EXPECT_NEAR(p.statev[slot::life - 1], life, 1e-12);
            EXPECT_NEAR(p.statev[slot::remaining - 1], (1 - life) * nf, 1e-9 * nf);
            EXPECT_EQ(p.statev[slot::cycle - 1], n);
            EXPECT_EQ(p.statev[slot::jump - 1], 100.0);
            EXPECT_EQ(p.statev[slot::cycle_index - 1], t1 + 1.0);
            EXPECT_EQ(p.statev[slot::ratio_max - 1], -huge);
            EXPECT_EQ(p.statev[slot::ratio_min - 1], huge);
            smax = -huge;
            smin = huge;
        }
    }
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 3.0);
    EXPECT_GT(life, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, CycleEndsByTheMillisecondTestOrByTheCycleIndex) {
    ResinData data(1);
    plan(1.0);
    tvktest::clear_errors();
    const auto at = [&](double t1, double t2, double index) {
        UmatPoint p = resin_point(1);
        p.kinc = 5;
        p.statev[slot::cycle - 1] = 1.0;
        p.statev[slot::cycle_index - 1] = index;
        p.statev[slot::ratio_max - 1] = 0.4;
        p.statev[slot::ratio_min - 1] = 0.1;
        p.time[0] = t1;
        p.time[1] = t2;
        p.call(scaled(path, 1e-4));
        return p.statev[slot::cycle_index - 1];
    };
    EXPECT_EQ(at(2.0, 2.0, 5.0), 6.0);      // a whole multiple of the period, below the index
    EXPECT_EQ(at(2.0004, 2.0, 5.0), 6.0);   // to a thousandth
    EXPECT_EQ(at(2.3, 2.3, 5.0), 5.0);      // neither
    EXPECT_EQ(at(5.3, 5.3, 5.0), 6.0);      // past the index
    EXPECT_EQ(at(2.0, 0.0, 1.0), 1.0);      // total time 0: nothing completes
    EXPECT_EQ(at(0.0, 0.0, 1.0), 1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, UsedUpLifeFailsThePoint) {
    ResinData data(1);
    plan(1.0);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.kinc = 5;
    p.statev[slot::cycle - 1] = 1.0;
    p.statev[slot::cycle_index - 1] = 1.0;
    p.statev[slot::life - 1] = 0.9999999;
    p.statev[slot::ratio_max - 1] = 0.9;
    p.statev[slot::ratio_min - 1] = 0.0;
    p.time[0] = p.time[1] = 1.0;
    p.call(scaled(path, 1e-4));
    EXPECT_EQ(p.statev[slot::life - 1], 1.0);
    EXPECT_EQ(p.statev[slot::failed - 1], 1.0);
    EXPECT_EQ(p.statev[slot::remaining - 1], huge);
    EXPECT_DOUBLE_EQ(p.statev[slot::modulus - 1], 0.1 * 2900.0);  // degraded with the new life
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, PermittedJumpIsTakenOnlyInTheGlobalBranchAfterTheFirstPeriod) {
    ResinData data(1);
    plan(4.0);
    tvk::shokriehdata.dnf = 7.6;
    tvktest::clear_errors();
    const auto call = [&](double t1, double index, double jumps) {
        UmatPoint p = resin_point(1);
        p.kinc = 5;
        p.statev[slot::cycle - 1] = 50.0;
        p.statev[slot::jump - 1] = 3.0;
        p.statev[slot::cycle_index - 1] = index;
        p.statev[slot::global_jumps - 1] = jumps;
        p.statev[slot::ratio_max - 1] = 0.4;
        p.statev[slot::ratio_min - 1] = 0.1;
        p.time[0] = p.time[1] = t1;
        p.call(scaled(path, 1e-4));
        return p;
    };
    // Within the running cycle 3 (q in (2, 3]) after the first period: jump trunc(7.6) + 1 = 8.
    UmatPoint a = call(2.5, 3.0, 2.0);
    EXPECT_EQ(a.statev[slot::global_jumps - 1], 3.0);
    EXPECT_EQ(a.statev[slot::jump - 1], 8.0);
    EXPECT_EQ(a.statev[slot::cycle - 1], 58.0);
    // Taken already for this cycle: nothing.
    UmatPoint b = call(2.5, 3.0, 3.0);
    EXPECT_EQ(b.statev[slot::global_jumps - 1], 3.0);
    EXPECT_EQ(b.statev[slot::cycle - 1], 50.0);
    // In the first period the jump is counted but not stored.
    UmatPoint c = call(0.5, 1.0, 0.0);
    EXPECT_EQ(c.statev[slot::global_jumps - 1], 1.0);
    EXPECT_EQ(c.statev[slot::cycle - 1], 50.0);
    EXPECT_EQ(c.statev[slot::jump - 1], 3.0);
    // A completed cycle does not jump by the algorithm-4 rule in the cycle branch.
    UmatPoint d = call(3.0, 3.0, 3.0);
    EXPECT_EQ(d.statev[slot::cycle_index - 1], 4.0);
    EXPECT_EQ(d.statev[slot::cycle - 1], 50.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(UmatResin, FatigueTagOutsideAFatigueStepRestartsTheCounter) {
    ResinData data(1);
    plan(1.0, 1.0, 0.0);  // the plan does not mark the step
    tvktest::clear_errors();
    UmatPoint p = resin_point(1, name_with("_FATIGUE", 29));
    p.kinc = 5;
    p.statev[slot::cycle - 1] = 40.0;
    p.statev[slot::jump - 1] = 5.0;
    p.statev[slot::cycle_index - 1] = 1.0;
    p.statev[slot::ratio_max - 1] = 0.4;
    p.statev[slot::ratio_min - 1] = 0.1;
    p.time[0] = p.time[1] = 1.0;
    p.call(scaled(path, 1e-4));
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 2.0);
    EXPECT_EQ(p.statev[slot::cycle - 1], 1.0);
    EXPECT_EQ(p.statev[slot::jump - 1], 1.0);
    EXPECT_GT(p.statev[slot::life - 1], 0.0);
    // Without the tag the same step keeps no books.
    UmatPoint q = resin_point(1);
    q.kinc = 5;
    q.statev = p.statev;
    q.time[0] = q.time[1] = 2.0;
    const double index = q.statev[slot::cycle_index - 1];
    q.call(scaled(path, 1e-4));
    EXPECT_EQ(q.statev[slot::cycle_index - 1], index);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- Refused and short inputs, and the mended faults ----------------------------------------------
TEST(UmatResin, CyclePeriodTooSmallIsReportedAndEndsNoCycle) {
    ResinData data(1);
    plan(1.0, 0.0004);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.kinc = 5;
    p.statev[slot::cycle_index - 1] = 1.0;
    p.time[0] = p.time[1] = 2.0;
    p.call(scaled(path, 1e-4));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find("cycle period too small"), std::string::npos);
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 1.0);
    EXPECT_EQ(p.statev[slot::global_jumps - 1], 0.0);
}

TEST(UmatResin, ShortStateIsNeverWrittenBeyondItsEnd) {
    ResinData data(1);
    plan(1.0);
    tvktest::clear_errors();
    // Ten state variables in a longer buffer: the rest must stay as it was.
    UmatPoint p = resin_point(1, "RESIN", 10);
    p.statev.assign(40, -7.0);
    std::fill(p.statev.begin(), p.statev.begin() + 10, 0.0);
    testing::internal::CaptureStdout();
    p.increment(scaled(path, 1e-3));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("WARNING: Too less nstatev allocated for material RESIN"), std::string::npos);
    for (int k = 10; k < 40; ++k) EXPECT_EQ(p.statev[k], -7.0) << "slot " << k + 1;
    EXPECT_EQ(p.statev[slot::cycle - 1], 1.0);
    EXPECT_NE(p.stress[0], 0.0);
    // No warning after the first increment.
    testing::internal::CaptureStdout();
    p.increment(scaled(path, 1e-3));
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("WARNING"), std::string::npos);
}

TEST(UmatResin, UnknownModelOrComponentCountIsRefusedWithTheIncomingStressAndState) {
    for (int model : {-1, 8}) {
        ResinData data(model);
        tvktest::clear_errors();
        UmatPoint p = resin_point(1);
        p.stress = {1, 2, 3, 4, 5, 6};
        for (int k = 0; k < 36; ++k) p.ddsdde[k] = k;
        const std::vector<double> state = p.statev;
        p.call(scaled(path, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(p.stress, (std::vector<double>{1, 2, 3, 4, 5, 6}));
        for (int k = 0; k < 36; ++k) EXPECT_EQ(p.ddsdde[k], 0.0);  // refused: zero tangent, cut-back
        EXPECT_EQ(p.statev, state);
        EXPECT_EQ(p.pnewdt, 0.5);
    }
    ResinData data(1);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1, "RESIN", 30, 2, 1);
    p.stress = {1, 2, 3};
    p.call({1e-3, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(p.stress, (std::vector<double>{1, 2, 3}));
}

// A point without a stiffness (fewer properties than its model's property routine reads, or no
// readable table that its law takes the stiffness from) is refused before any property routine
// reports: the record holds the refusal, the point its stress, state and energies, with a zero
// tangent and a cut-back request (it used to come back with a zero stress and tangent, and only
// a warning). Tables a model does not take its stiffness from are no reason to refuse.
TEST(UmatResin, PointWithoutAStiffnessIsRefused) {
    const auto refused = [](UmatPoint p, const char* text, const char* what) {
        tvktest::clear_errors();
        p.stress = {1, 2, 3, 4, 5, 6};
        p.ddsdde.assign(36, 9.0);
        p.statev[slot::energy - 1] = 0.25;
        p.sse = 1.0, p.spd = 2.0, p.scd = 3.0;
        const std::vector<double> state = p.statev;
        p.call(scaled(path, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << what << ": " << tvktest::errtext();
        EXPECT_NE(tvktest::errtext().find(text), std::string::npos) << what << ": " << tvktest::errtext();
        EXPECT_NE(tvktest::errtext().find("(material RESIN)"), std::string::npos) << tvktest::errtext();
        EXPECT_EQ(p.stress, (std::vector<double>{1, 2, 3, 4, 5, 6})) << what;
        EXPECT_EQ(p.statev, state) << what;
        EXPECT_EQ(p.ddsdde, std::vector<double>(36, 0.0)) << what;
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5) << what;
        EXPECT_TRUE(p.sse == 1.0 && p.spd == 2.0 && p.scd == 3.0) << what;
    };
    for (int model = 0; model <= 7; ++model) {
        ResinData data(model);
        UmatPoint p = resin_point(model);
        p.props.pop_back();
        p.nprops = static_cast<int>(p.props.size());
        refused(p, model == 0 || model == 4 ? "too few properties (25 needed)" : "too few properties (21 needed)",
                "short properties");
    }
    auto& md = tvk::materialdata;
    {
        ResinData data(0);
        md.secantprops.release();
        refused(resin_point(0), "no readable secant-modulus table", "model 0 without its table");
        tvktest::fill_calibration(md.secantprops, md.nsecantdata, {1.0, -1.0}, {{2800.0, 2800.0}});
        refused(resin_point(0), "no readable secant-modulus table", "model 0 with falling strains");
        tvktest::fill_calibration(md.secantprops, md.nsecantdata, {-1.0, 1.0}, {{2800.0, 2800.0}});
        *md.temperatures.at(2) = 250.0;
        refused(resin_point(0), "no readable secant-modulus table", "model 0 at one temperature");
    }
    {
        ResinData data(6);
        md.alpha2props.release();
        refused(resin_point(6), "no readable cubic-law tables", "model 6 without its second table");
    }
    {
        ResinData data(7);
        md.shearprops.release();
        refused(resin_point(7), "no readable softening tables", "model 7 without its shear table");
        // A failed point of a degraded resin (degr 0.1 < 1) does not read them.
        tvktest::clear_errors();
        UmatPoint failed = resin_point(7);
        failed.kinc = 2;
        failed.statev[slot::failed - 1] = 1.0;
        failed.statev[slot::factor - 1] = 0.5;
        failed.call(scaled(path, 1e-3));
        EXPECT_NE(tvk::errorhandling.errstat, -3) << tvktest::errtext();
        EXPECT_NE(failed.stress[0], 0.0);
        EXPECT_EQ(failed.pnewdt, 1.0);
    }
    {
        // Model 0 reads the flow table for values it does not use: computed, with a warning.
        ResinData data(0);
        md.flowprops.release();
        tvktest::clear_errors();
        UmatPoint p = resin_point(0);
        p.call(scaled(path, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_GT(p.stress[0], 0.0);
        EXPECT_EQ(p.pnewdt, 1.0);
    }
}

// Each table a model takes its stiffness from is checked on its own: without any one of them
// (the others in place), or with a secant table of one row, which the cubic law cannot
// interpolate, the point is refused with its stress kept, not wiped out under a warning.
TEST(UmatResin, EveryStiffnessTableIsCheckedOnItsOwn) {
    auto& md = tvk::materialdata;
    using Table3 = tvk::Table<double, 3>;
    const std::vector<std::pair<int, Table3*>> tables = {{6, &md.alpha1props}, {6, &md.alpha2props},
                                                         {6, &md.alpha3props}, {7, &md.normalprops},
                                                         {7, &md.shearprops}, {0, nullptr}};
    for (const auto& [model, table] : tables) {
        ResinData data(model);
        if (table) table->release();
        else tvktest::fill_calibration(md.secantprops, md.nsecantdata, {0.0}, {{2800.0}});
        tvktest::clear_errors();
        UmatPoint p = resin_point(model);
        p.stress = {1, 2, 3, 4, 5, 6};
        p.pnewdt = -1.0;
        p.call(scaled(path, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << model << ": " << tvktest::errtext();
        EXPECT_EQ(p.stress, (std::vector<double>{1, 2, 3, 4, 5, 6})) << model;
        EXPECT_EQ(p.ddsdde, std::vector<double>(36, 0.0)) << model;
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5) << model;
    }
    tvktest::clear_errors();
}

TEST(UmatResin, MissingViscosityIsTakenAsZeroWithAWarning) {
    ResinData data(7, 0.0, 0.5);
    tvk::materialdata.regularization.allocate({1});
    *tvk::materialdata.regularization.at(1) = 0.5;
    tvktest::clear_errors();
    UmatPoint p = resin_point(7);
    p.statev[slot::failed - 1] = 1.0;
    p.statev[slot::factor - 1] = 0.5;
    p.kinc = 2;
    testing::internal::CaptureStdout();
    p.call(scaled(path, 1e-3));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    EXPECT_NE(tvktest::errtext().find("viscosity"), std::string::npos);
    // Without viscosity the factor reaches degr at once.
    EXPECT_DOUBLE_EQ(p.statev[slot::factor - 1], 0.1);
}

TEST(UmatResin, NoCyclePlanIsNoFatigueStep) {
    ResinData data(1);
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.kinc = 5;
    p.statev[slot::cycle_index - 1] = 1.0;
    p.time[0] = p.time[1] = 3.0;
    p.call(scaled(path, 1e-3));
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// Model 4 keeps its equivalent plastic strain in slot 14 (slot 13 holds the cycles to failure):
// the plastic state carries over from increment to increment as the law's own state does.
TEST(UmatResin, PlasticModelKeepsItsPlasticStrainInSlot14) {
    ResinData data(4);
    tvktest::clear_errors();
    UmatPoint p = resin_point(4);
    p.statev[slot::cycles_to_failure - 1] = 0.0;
    const std::vector<double> d = scaled(path, 3e-3);
    // The law driven directly, its state carried by hand.
    double stress[6] = {}, eqp = 0.0, c[36];
    double stran[6] = {};
    const int n8 = 8, six = 6, three = 3;
    const double temp = 300.0;
    testing::internal::CaptureStdout();
    for (int k = 0; k < 10; ++k) {
        p.increment(d);
        double a0, a1, et, ec, g, nut, nuc, alpha, degr, xt, xc, np, aw, ew;
        const int npr = 25;
        GetResinPlasticProperties(plastic_props().data(), &npr, &temp, &eqp, &et, &ec, &g, &nut, &nuc, &a0, &a1,
                                  &alpha, &degr, &xt, &xc, &np, &aw, &ew);
        const double props[8] = {et, ec, g, nut, nuc, a0, a1, alpha};
        getstressfromplastitcity(stress, &eqp, c, stran, d.data(), props, &n8, &six, &three, &n8, &temp);
        for (int i = 0; i < 6; ++i) stran[i] += d[i];
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.stress[i], stress[i], 1e-9 * (1 + std::fabs(stress[i])));
        EXPECT_EQ(p.statev[slot::plastic_strain - 1], eqp);
        EXPECT_EQ(p.statev[slot::cycles_to_failure - 1], 0.0);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(eqp, 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// A failed plastic point recomputes the increment from its start with the degraded vector, not
// from the stress the first pass already moved on.
TEST(UmatResin, PlasticModelRecomputesAFailedIncrementFromItsStart) {
    ResinData data(4);
    tvktest::clear_errors();
    UmatPoint p = resin_point(4);
    p.kinc = 2;
    p.statev[slot::failed - 1] = 1.0;
    p.statev[slot::exposure - 1] = 1.0;
    p.stress = {5, 1, 1, 2, 0, 0};
    const std::vector<double> d = scaled(path, 1e-4);
    testing::internal::CaptureStdout();
    p.call(d);
    double a0, a1, et, ec, g, nut, nuc, alpha, degr, xt, xc, np, aw, ew, eqp = 0.0;
    const int npr = 25, n8 = 8, six = 6, three = 3;
    const double temp = 300.0;
    GetResinPlasticProperties(plastic_props().data(), &npr, &temp, &eqp, &et, &ec, &g, &nut, &nuc, &a0, &a1, &alpha,
                              &degr, &xt, &xc, &np, &aw, &ew);
    const double props[8] = {degr * et, 0.0, g, nut, nuc, a0, a1, alpha};
    double stress[6] = {5, 1, 1, 2, 0, 0}, c[36], stran[6] = {};
    getstressfromplastitcity(stress, &eqp, c, stran, d.data(), props, &n8, &six, &three, &n8, &temp);
    testing::internal::GetCapturedStdout();
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.stress[i], stress[i], 1e-12 * (1 + std::fabs(stress[i])));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- Tabulated and refused cycle jumps -----------------------------------------------------------
namespace {

// The cycle table of step 1.
void cycle_table(std::vector<double> entries) {
    auto& c = tvk::shokriehdata.cycles;
    c.allocate({static_cast<std::int64_t>(entries.size()), 1});
    std::copy(entries.begin(), entries.end(), c.data());
}

// A point in the running cycle 1 of a fatigue step at step time t (the cycle completes there).
UmatPoint completing_point(double n, double jump, double t) {
    UmatPoint p = resin_point(1);
    p.kinc = 5;
    p.statev[slot::cycle - 1] = n;
    p.statev[slot::jump - 1] = jump;
    p.statev[slot::cycle_index - 1] = t;
    p.statev[slot::global_jumps - 1] = t;
    p.statev[slot::ratio_max - 1] = 0.4;
    p.statev[slot::ratio_min - 1] = 0.1;
    p.time[0] = p.time[1] = t;
    return p;
}

}  // namespace

// With algorithm 3 each completed cycle sets the counter to the tabulated cycle number of the
// next load cycle and records the jump to it.
TEST(UmatResin, TabulatedJumpsSetTheCounterAtEachCompletedCycle) {
    ResinData data(1);
    plan(3.0);
    cycle_table({1.0, 40.0, 250.0, 900.0});
    tvktest::clear_errors();
    UmatPoint p = resin_point(1);
    p.dtime = 0.25;
    const double amp[4] = {4e-3, -2e-3, -1.5e-3, 0.5e-3};
    double n = 1.0, life = 0.0, njimp = 1.0, smax = -huge, smin = huge;
    for (int k = 0; k < 16; ++k) {
        p.increment(scaled(path, amp[k % 4]));
        const double ratio = p.statev[slot::eq_stress - 1] / p.statev[slot::strength - 1];
        smax = std::max(smax, ratio);
        smin = std::min(smin, ratio);
        const double t1 = p.time[0] - p.dtime;
        if (t1 > 0.0 && std::fmod(t1, 1.0) == 0.0) {
            // The cycle running at step time t1 is number t1 + 1 of the table.
            const double next = *tvk::shokriehdata.cycles.at(static_cast<int>(t1) + 1, 1);
            life = std::min(1.0, life + njimp / cycles_to_failure(smin, smax));
            EXPECT_EQ(p.statev[slot::cycle - 1], next) << t1;
            EXPECT_EQ(p.statev[slot::jump - 1], next - n) << t1;
            EXPECT_NEAR(p.statev[slot::life - 1], life, 1e-12) << t1;
            njimp = next - n;
            n = next;
            smax = -huge;
            smin = huge;
        }
    }
    EXPECT_EQ(n, 900.0);
    tvk::shokriehdata.cycles.release();
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// A jump that is not a number, infinite, negative or beyond 2^53 cycles made the counter NaN,
// infinite or run backwards, and the routine stored it in the point's state.
TEST(UmatResin, UnusableCycleJumpsAreRefusedAndTheCounterStays) {
    ResinData data(1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto refused = [](const UmatPoint& p, double n, const char* what) {
        EXPECT_EQ(p.statev[slot::cycle - 1], n) << what;
        EXPECT_EQ(p.statev[slot::jump - 1], 0.0) << what;
        EXPECT_EQ(tvk::errorhandling.errstat, -2) << what;
        EXPECT_NE(tvktest::errtext().find("cycle jump refused"), std::string::npos) << what;
        tvktest::clear_errors();
    };
    // The fixed jump of the plan, completed cycle.
    for (double jump : {nan, std::numeric_limits<double>::infinity(), 1e308, -5.0}) {
        plan(1.0);
        *tvk::shokriehdata.cycleprops.at(7, 1) = jump;
        tvktest::clear_errors();
        UmatPoint p = completing_point(50.0, 3.0, 2.0);
        p.call(scaled(path, 1e-4));
        EXPECT_EQ(p.statev[slot::cycle_index - 1], 3.0);
        refused(p, 50.0, "fixed");
    }
    // A cycle table that runs backwards.
    plan(3.0);
    cycle_table({1.0, 40.0, 30.0});
    tvktest::clear_errors();
    UmatPoint back = completing_point(40.0, 39.0, 2.0);
    back.call(scaled(path, 1e-4));
    refused(back, 40.0, "tabulated");
    tvk::shokriehdata.cycles.release();
    // The global jump with the host's permitted jump, or cut at a cycle limit already passed.
    for (const auto& [dnf, limit] : {std::pair{nan, 1e6}, std::pair{-3.0, 1e6}, std::pair{7.6, 20.0}}) {
        plan(4.0);
        *tvk::shokriehdata.cycleprops.at(10, 1) = limit;
        tvk::shokriehdata.dnf = dnf;
        tvktest::clear_errors();
        UmatPoint p = completing_point(50.0, 3.0, 2.0);
        p.statev[slot::global_jumps - 1] = 2.0;
        p.time[0] = p.time[1] = 2.5;  // within cycle 3 after the first period
        p.statev[slot::cycle_index - 1] = 3.0;
        p.call(scaled(path, 1e-4));
        EXPECT_EQ(p.statev[slot::global_jumps - 1], 3.0);
        refused(p, 50.0, "global");
    }
    // A usable jump beside them is taken.
    plan(1.0);
    tvktest::clear_errors();
    UmatPoint ok = completing_point(50.0, 3.0, 2.0);
    ok.call(scaled(path, 1e-4));
    EXPECT_EQ(ok.statev[slot::cycle - 1], 150.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- Property routines read no more values than their count ---------------------------------------
namespace {

// Two blocks at 293.15 K and 353.15 K, degr, and the coefficients of the modulus law.
const std::vector<double> law = {-1e-4, 2e-3, 1.0, -0.002, 1.05, 300.0, 330.0, 380.0, 420.0, 3.0, 400.0};
std::vector<double> resin_with_law(int n) {
    std::vector<double> p = {3000.0, 0.35, 0.01, 80.0, 1.5, 20.0, 1.6, 100.0, 0.1, 293.15,
                             2000.0, 0.40, 0.02, 50.0, 2.5, 30.0, 1.8, 90.0, 0.2, 353.15, 0.9};
    p.insert(p.end(), law.begin(), law.end());
    p.resize(static_cast<std::size_t>(n));  // exactly n values: a read beyond is out of bounds
    return p;
}
std::vector<double> plastic_with_law(int n) {
    std::vector<double> p = {3000.0, 3300.0, 1100.0, 0.35, 0.38, 0.5, 80.0, 120.0, 1.5, 100.0, 0.1, 293.15,
                             2000.0, 2400.0, 700.0, 0.40, 0.42, 0.6, 50.0, 90.0, 2.5, 90.0, 0.2, 353.15, 0.8};
    p.insert(p.end(), law.begin(), law.end());
    p.resize(static_cast<std::size_t>(n));
    return p;
}

std::vector<double> resin_outputs(int n, double temp) {
    std::vector<double> o(10);
    const std::vector<double> props = resin_with_law(n);
    const int noel = 0;
    GetResinProperties(props.data(), &n, &temp, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9],
                       &noel);
    return o;
}
std::vector<double> plastic_outputs(int n, double temp) {
    std::vector<double> o(14);
    const std::vector<double> props = plastic_with_law(n);
    const double eqp = 0.0;
    GetResinPlasticProperties(props.data(), &n, &temp, &eqp, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7],
                              &o[8], &o[9], &o[10], &o[11], &o[12], &o[13]);
    return o;
}
std::vector<double> orthotropic_outputs(int n, double temp) {
    std::vector<double> o(18);
    const std::vector<double> props = resin_with_law(n);
    const double dt = 1.0, strain[6] = {1e-3, 0, 0, 0, 0, 0}, d = 0.0;
    const int noel = 0;
    GetResinOrthotropicProperties(props.data(), &n, &temp, &dt, strain, strain, &o[0], &o[1], &o[2], &o[3], &o[4],
                                  &o[5], &o[6], &o[7], &o[8], &o[9], &o[10], &o[11], &o[12], &o[13], &o[14], &o[15],
                                  &o[16], &o[17], &noel, &d);
    return o;
}

}  // namespace

// A count that switches the modulus law on without holding its coefficients (29 to 31 values of
// the resin layout, 26 to 35 of the plastic one) was read beyond the vector.
TEST(ResinProperties, CountsThatSwitchTheLawOnWithoutItsCoefficientsAreTakenWithoutIt) {
    ResinData data(7);
    const double temp = 350.0;  // above room temperature: the law changes the modulus
    tvktest::clear_errors();
    const std::vector<double> base = resin_outputs(28, temp), full = resin_outputs(32, temp);
    const std::vector<double> pbase = plastic_outputs(25, temp), pfull = plastic_outputs(36, temp);
    const std::vector<double> obase = orthotropic_outputs(28, temp);
    ASSERT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_NE(base[0], full[0]);
    EXPECT_NE(pbase[0], pfull[0]);
    for (int n = 29; n <= 31; ++n) {
        EXPECT_EQ(resin_outputs(n, temp), base) << n;
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_EQ(tvktest::errtext(), "GetResinProperties: the modulus law needs 32 properties; taken without it");
        tvktest::clear_errors();
        EXPECT_EQ(orthotropic_outputs(n, temp), obase) << n;
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        tvktest::clear_errors();
    }
    for (int n = 26; n <= 35; ++n) {
        EXPECT_EQ(plastic_outputs(n, temp), pbase) << n;
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_EQ(tvktest::errtext(), "GetResinPlasticProperties: the modulus law needs 36 properties; taken without it");
        tvktest::clear_errors();
    }
}
