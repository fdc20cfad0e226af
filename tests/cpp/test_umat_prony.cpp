// The curing-resin material routine driven as an implicit solver drives it: relaxation at held
// strain against the Prony series, the three temperature regimes, the tangent against finite
// differences, the time-temperature shift, refused sizes, refused non-finite results, and the ANSYS
// entry against the adapter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "single_point_driver.h"
#include "solver/adapters.h"
#include "solver/cure_state.h"
#include "solver/prony.h"

namespace {

using tvktest::UmatPoint;
using V = std::vector<double>;
namespace cs = tvk::curestate;

// Instantaneous stiffness C11 C12 C22 C23 C44 and the (weight, time) pairs per component.
const V stiff = {4000.0, 2000.0, 4200.0, 2100.0, 1000.0};
const std::vector<V> weights = {{0.3, 0.2}, {0.25}, {0.2, 0.3}, {0.1}, {0.4}};
const std::vector<V> times = {{10.0, 100.0}, {50.0}, {5.0, 80.0}, {30.0}, {20.0}};

V prony_props(const std::vector<V>& w = weights, const std::vector<V>& tau = times) {
    V p;
    for (const V& c : w) p.push_back(static_cast<double>(c.size()));
    p.insert(p.end(), stiff.begin(), stiff.end());
    for (std::size_t c = 0; c < w.size(); ++c)
        for (std::size_t k = 0; k < w[c].size(); ++k) {
            p.push_back(w[c][k]);
            p.push_back(tau[c][k]);
        }
    return p;
}

// The transversely isotropic matrix of five entries (row-major = column-major: symmetric).
V ti_matrix(const V& d) {
    V m(36, 0.0);
    auto at = [&](int i, int j) -> double& { return m[i + 6 * j]; };
    at(0, 0) = d[0];
    at(0, 1) = at(0, 2) = at(1, 0) = at(2, 0) = d[1];
    at(1, 1) = at(2, 2) = d[2];
    at(1, 2) = at(2, 1) = d[3];
    at(3, 3) = at(4, 4) = d[4];
    at(5, 5) = 0.5 * (d[2] - d[3]);
    return m;
}

// The stiffness entries after time t of relaxation at shift a: C (1 - sum p (1 - exp(-t/(tau a)))).
V relaxed_entries(double t, double a = 1.0) {
    V d(5);
    for (int c = 0; c < 5; ++c) {
        double lost = 0.0;
        for (std::size_t k = 0; k < weights[c].size(); ++k)
            lost += weights[c][k] * (t == HUGE_VAL ? 1.0 : 1.0 - std::exp(-t / (times[c][k] * a)));
        d[c] = stiff[c] * (1.0 - lost);
    }
    return d;
}

V times_matrix(const V& m, const V& e) {
    V s(6, 0.0);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) s[i] += m[i + 6 * j] * e[j];
    return s;
}

// Cure data of ply 1, section 1: only the shift column set (four or eight values).
void set_shift(const V& p) {
    auto& cu = tvk::materialdata.cuprops;
    cu.allocate({16, 8, 1, 1});
    cu.fill(tvk::huge);
    for (std::size_t k = 0; k < p.size(); ++k) *cu.at(static_cast<int>(k) + 1, 8, 1, 1) = p[k];
}

struct CureTables : ::testing::Test {
    void SetUp() override {
        tvktest::clear_errors();
        set_shift({10.0, 50.0, 5000.0, 0.0});
    }
    void TearDown() override {
        tvk::materialdata.cuprops.release();
        tvk::sectiondata.secidlist.release();
        tvktest::clear_errors();
    }
    UmatPoint point(double temp, double tg, V props = prony_props()) const {
        UmatPoint p(umat_prony, 3, 3, 510, std::move(props), "RESIN_L@1@_S@1@");
        p.temp = temp;
        p.statev[cs::tg - 1] = tg;
        return p;
    }
};

using UmatProny = CureTables;

// Held strain: after a fast step the stress relaxes along the Prony series (backward Euler on the
// increments, within its first-order error of the exponentials) to the relaxed stiffness.
TEST_F(UmatProny, RelaxationAtHeldStrainFollowsThePronySeriesToTheRelaxedStiffness) {
    UmatPoint p = point(400.0, 400.0);  // T = Tg: shift 1
    const V eps = {1e-3, -4e-4, 2e-4, 5e-4, -3e-4, 6e-4};
    p.dtime = 1e-9;
    p.increment(eps);
    const V c0 = ti_matrix(stiff), s0 = times_matrix(c0, eps);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.stress[i], s0[i], 1e-6 * std::fabs(s0[i]) + 1e-9);
    p.dtime = 0.02;
    double t = 0.0, worst = 0.0;
    for (int n = 1; n <= 50000; ++n) {  // 1000 time units, 10 of the longest relaxation time
        p.increment(V(6, 0.0));
        t += p.dtime;
        if (n % 500 == 0) {
            const V s = times_matrix(ti_matrix(relaxed_entries(t)), eps);
            for (int i = 0; i < 6; ++i) worst = std::max(worst, std::fabs(p.stress[i] - s[i]));
        }
    }
    EXPECT_LT(worst, 2e-3 * 4000.0 * 1e-3);  // first-order error of dt/tau = 0.004
    const V relaxed = times_matrix(ti_matrix(relaxed_entries(HUGE_VAL)), eps);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(p.stress[i], relaxed[i], 1e-4 * 4000.0 * 1e-3) << i;
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// The terms of the transverse shear (C22 and -C23, halved) keep their states with their own sign
// from increment to increment: held shear strain relaxes monotonically to (C22r - C23r)/2 e6.
TEST_F(UmatProny, TransverseShearTermsKeepTheirSignAtHeldStrain) {
    UmatPoint p = point(400.0, 400.0);
    const V e6 = {0, 0, 0, 0, 0, 1e-3};
    p.dtime = 1e-9;
    p.increment(e6);
    p.dtime = 1.0;
    double last = p.stress[5];
    for (int n = 0; n < 2000; ++n) {
        p.increment(V(6, 0.0));
        EXPECT_LE(p.stress[5], last + 1e-12);
        EXPECT_GT(p.stress[5], 0.0);
        last = p.stress[5];
    }
    const V d = relaxed_entries(HUGE_VAL);
    EXPECT_NEAR(last, 0.5 * (d[2] - d[3]) * 1e-3, 1e-9);
}

TEST_F(UmatProny, TangentIsTheDerivativeOfTheStressInEveryRegime) {
    const V de = {2e-4, -1e-4, 5e-5, 1e-4, -2e-4, 3e-4};
    for (const double temp : {250.0, 380.0, 430.0, 600.0}) {
        UmatPoint p = point(temp, 400.0);
        p.dtime = 3.0;
        for (int n = 0; n < 4; ++n) p.increment(de);
        SCOPED_TRACE(temp);
        tvktest::check_tangent(p, de, 1e-7, 1e-7);
        p.call(de);
        EXPECT_EQ(p.statev[cs::tangent11 - 1], p.tangent(0, 0));
        EXPECT_EQ(p.statev[cs::tangent22 - 1], p.tangent(1, 1));
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// Shift functions: above Tg + P4 the WLF branch, below it the Arrhenius branch; the relaxation
// times are multiplied by a, so the tangent entries follow the closed form with tau a.
TEST_F(UmatProny, ShiftFactorsScaleTheRelaxationTimes) {
    const double tg = 380.0, dt = 2.0;
    for (const double temp : {420.0, 350.0}) {
        UmatPoint p = point(temp, tg);
        p.dtime = dt;
        p.increment({1e-4, 0, 0, 0, 0, 0});
        const double x = temp > tg ? -10.0 * (temp - tg) / (50.0 + temp - tg) : 5000.0 * (1.0 / temp - 1.0 / tg);
        EXPECT_NEAR(p.statev[cs::log_shift1 - 1], x, 1e-12);
        EXPECT_EQ(p.statev[cs::log_shift1 - 1], p.statev[cs::log_shift2 - 1]);  // one group of four
        const double a = std::pow(10.0, x);
        const double d11 = stiff[0] * (1.0 - 0.3 * dt / (10.0 * a + dt) - 0.2 * dt / (100.0 * a + dt));
        EXPECT_NEAR(p.tangent(0, 0), d11, 1e-9 * stiff[0]);
    }
}

// Two shift functions: the states that follow e2 .. e6 relax with a2, those that follow e1 with
// a1. The tangent takes a1 for its entries of 12, 23 and 44 (as stated for the routine), so with
// a1 != a2 the entries of row 1 beyond the first, 23 and 44 differ from the derivative of the
// stress, while 11, 22 and column 1 agree with it.
TEST_F(UmatProny, TwoShiftFunctionsAndTheTangentEntriesThatTakeTheFirst) {
    set_shift({10.0, 50.0, 5000.0, 0.0, 4.0, 30.0, 2000.0, 0.0});
    UmatPoint p = point(420.0, 380.0);
    p.dtime = 2.0;
    p.increment({1e-4, 1e-4, 0, 0, 0, 0});
    const double x1 = -10.0 * 40.0 / 90.0, x2 = -4.0 * 40.0 / 70.0;
    EXPECT_NEAR(p.statev[cs::log_shift1 - 1], x1, 1e-12);
    EXPECT_NEAR(p.statev[cs::log_shift2 - 1], x2, 1e-12);
    const double a1 = std::pow(10.0, x1), a2 = std::pow(10.0, x2), dt = 2.0;
    EXPECT_NEAR(p.tangent(1, 1), stiff[2] * (1.0 - 0.2 * dt / (5.0 * a2 + dt) - 0.3 * dt / (80.0 * a2 + dt)), 1e-9);
    EXPECT_NEAR(p.tangent(1, 2), stiff[3] * (1.0 - 0.1 * dt / (30.0 * a1 + dt)), 1e-9);
    EXPECT_NEAR(p.tangent(3, 3), stiff[4] * (1.0 - 0.4 * dt / (20.0 * a1 + dt)), 1e-9);
    // d stress(2) / d e3 and d stress(1) / d e3 relax with a2; d stress(2) / d e1 with a1.
    const V base = p.trial(V(6, 0.0)), up3 = p.trial({0, 0, 1e-6, 0, 0, 0}), up1 = p.trial({1e-6, 0, 0, 0, 0, 0});
    EXPECT_NEAR((up3[1] - base[1]) / 1e-6, stiff[3] * (1.0 - 0.1 * dt / (30.0 * a2 + dt)), 1e-5);
    EXPECT_NEAR((up3[0] - base[0]) / 1e-6, stiff[1] * (1.0 - 0.25 * dt / (50.0 * a2 + dt)), 1e-5);
    EXPECT_NEAR(p.tangent(0, 2), stiff[1] * (1.0 - 0.25 * dt / (50.0 * a1 + dt)), 1e-9);
    EXPECT_NEAR((up1[1] - base[1]) / 1e-6, p.tangent(1, 0), 1e-5);
    EXPECT_NEAR((up1[0] - base[0]) / 1e-6, p.tangent(0, 0), 1e-5);
    // A master-curve block longer than two shift functions: values beyond the eighth are not read.
    set_shift({10.0, 50.0, 5000.0, 0.0, 4.0, 30.0, 2000.0, 0.0, 99.0, 99.0, 99.0, 99.0});
    UmatPoint q = point(420.0, 380.0);
    q.dtime = 2.0;
    q.increment({1e-4, 1e-4, 0, 0, 0, 0});
    EXPECT_EQ(q.statev[cs::log_shift1 - 1], p.statev[cs::log_shift1 - 1]);
    EXPECT_EQ(q.statev[cs::log_shift2 - 1], p.statev[cs::log_shift2 - 1]);
    EXPECT_EQ(q.stress, p.stress);
}

TEST_F(UmatProny, GlassyAndFullyRelaxedRegimes) {
    const V de = {1e-4, 2e-4, -1e-4, 3e-4, 1e-4, -2e-4};
    const V stran = {2e-4, 1e-4, 3e-4, -1e-4, 2e-4, 1e-4};
    // Below 273.15 K: the instantaneous stiffness, stress + C de, the Prony states kept.
    UmatPoint g = point(250.0, 400.0);
    g.stran = stran;
    g.stress = {1, 2, 3, 4, 5, 6};
    std::fill(g.statev.begin() + 8, g.statev.begin() + 500, 7.0);
    const V before = g.statev;
    g.increment(de);
    EXPECT_EQ(g.ddsdde, ti_matrix(stiff));
    const V s = times_matrix(ti_matrix(stiff), de);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(g.stress[i], i + 1 + s[i]);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 500, g.statev.begin()));
    // At 600 K: every state at its equilibrium K p e_s (+-1/2 for the transverse shear terms).
    UmatPoint r = point(600.0, 400.0);
    r.stran = stran;
    r.increment(de);
    const V relaxed = ti_matrix(relaxed_entries(HUGE_VAL));
    for (int k = 0; k < 36; ++k) EXPECT_NEAR(r.ddsdde[k], relaxed[k], 1e-12 * 4000.0);
    V e(6);
    for (int i = 0; i < 6; ++i) e[i] = stran[i] + de[i];
    // c11 (2 terms), c12, c13, c21, c31 (1 each), c22 (2), c23 (1), c32 (1), c33 (2), c44, c55, c661 (2), c662
    struct F {
        int comp, strain;
        double f;
    };
    const F fam[] = {{0, 0, 1}, {1, 1, 1}, {1, 2, 1}, {1, 0, 1}, {2, 1, 1}, {3, 2, 1},  {1, 0, 1},
                     {3, 1, 1}, {2, 2, 1}, {4, 3, 1}, {4, 4, 1}, {2, 5, .5}, {3, 5, -.5}};
    int k = cs::prony_first - 1;
    for (const F& f : fam)
        for (double w : weights[f.comp]) EXPECT_DOUBLE_EQ(r.statev[k++], f.f * stiff[f.comp] * w * e[f.strain]);
    EXPECT_EQ(k, cs::prony_first - 1 + 2 + 4 * 1 + 3 * 2 + 3 * 1 + 2 * 1);
    const V sr = times_matrix(relaxed, de);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(r.stress[i], sr[i], 1e-12);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(UmatProny, WithoutTermsTheViscoelasticRegimeIsElastic) {
    UmatPoint p = point(400.0, 380.0, prony_props({{}, {}, {}, {}, {}}, {{}, {}, {}, {}, {}}));
    const V de = {1e-4, 2e-4, -1e-4, 3e-4, 1e-4, -2e-4};
    p.increment(de);
    EXPECT_EQ(p.ddsdde, ti_matrix(stiff));
    const V s = times_matrix(ti_matrix(stiff), de);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(p.stress[i], s[i]);
}

// A point the series cannot serve is refused before anything is written: stress, state and
// energies as they came, a zero tangent and a cut-back request, the reason and the material in the
// record (not the instantaneous response, which a solver would take as a converged point).
TEST_F(UmatProny, UnservablePointIsRefusedWithItsStressStateAndEnergiesAndAZeroTangent) {
    const V de = {1e-4, 2e-4, -1e-4, 3e-4, 1e-4, -2e-4};
    auto refused = [&](UmatPoint p, const char* text) {
        tvktest::clear_errors();
        std::fill(p.statev.begin(), p.statev.end(), 3.0);
        for (int i = 0; i < p.ntens; ++i) p.stress[i] = i + 1.0;
        p.ddsdde.assign(p.ddsdde.size(), 7.0);
        p.sse = 1.0, p.spd = 2.0, p.scd = 3.0, p.pnewdt = -1.0;
        const V before = p.statev, stress = p.stress;
        p.increment(std::vector<double>(de.begin(), de.begin() + p.ntens));
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << text;
        EXPECT_NE(tvktest::errtext().find(text), std::string::npos) << tvktest::errtext();
        EXPECT_NE(tvktest::errtext().find("material RESIN"), std::string::npos) << tvktest::errtext();
        EXPECT_EQ(p.statev, before) << text;
        EXPECT_EQ(p.stress, stress) << text;
        EXPECT_EQ(p.ddsdde, V(p.ddsdde.size(), 0.0)) << text;
        EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5) << text;
        EXPECT_EQ(p.sse, 1.0);
        EXPECT_EQ(p.spd, 2.0);
        EXPECT_EQ(p.scd, 3.0);
    };
    UmatPoint few = point(400.0, 380.0);
    few.nstatv = 509;
    few.statev.resize(509);
    refused(few, "fewer than 510 state variables");
    V shortprops = prony_props();
    shortprops.pop_back();
    refused(point(400.0, 380.0, shortprops), "fewer properties than the Prony terms need");
    // 493 states: N11 = 493 overruns slot 500.
    V many = prony_props({V(493, 0.001), {}, {}, {}, {}}, {V(493, 1.0), {}, {}, {}, {}});
    refused(point(400.0, 380.0, many), "more than 492 Prony states");
    V exact = prony_props({V(492, 0.001), {}, {}, {}, {}}, {V(492, 1.0), {}, {}, {}, {}});
    UmatPoint fits = point(400.0, 380.0, exact);
    tvktest::clear_errors();
    fits.increment(de);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_EQ(fits.statev[cs::tangent11 - 1], fits.tangent(0, 0));
    V negative = prony_props();
    negative[2] = -1.0;
    refused(point(400.0, 380.0, negative), "term count not a count");
    negative[2] = std::nan("");
    refused(point(400.0, 380.0, negative), "term count not a count");
    for (const double dt : {-1.0, std::nan(""), HUGE_VAL}) {
        UmatPoint p = point(400.0, 380.0);
        p.dtime = dt;
        refused(p, "time increment negative or not finite");
    }
    // Four components (11, 22, 33, 12).
    UmatPoint four(umat_prony, 3, 1, 510, prony_props(), "RESIN");
    four.temp = 400.0;
    refused(four, "six stress components needed");
    // Too few properties for the stiffness.
    UmatPoint bare(umat_prony, 3, 3, 510, {0, 0, 0, 0, 0}, "RESIN");
    bare.temp = 400.0;
    refused(bare, "fewer than 10 material properties");

    // A zero time increment passes: no relaxation, the instantaneous stiffness.
    UmatPoint still = point(400.0, 380.0);
    still.dtime = 0.0;
    tvktest::clear_errors();
    still.increment(de);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(still.ddsdde, ti_matrix(stiff));
}

// A property, Prony state or increment the series cannot use, in each regime: the point is
// refused before anything is written (stress, state and energies as they came, bit for bit; zero
// tangent; a cut-back request that a solver passing -1 receives; the report names the material).
// A value a regime does not read and overwrites does not refuse it; a state value it keeps, or
// one it would set to the very value that came in, is the solver's and passes through, and so
// does a non-finite energy (the law sets none: a solver may pass them uninitialised).
TEST_F(UmatProny, NonFiniteResultsAreRefusedInEveryRegimeBeforeAnythingIsWritten) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    // big_strain: a total strain e1 = 2e305 whose first equilibrium state 4000 x 0.3 x e1
    // overflows (the others of e1, 800 e1 and 500 e1, do not); big_strain_kept: the same with that
    // state already +inf.
    enum What { stiffness, weight, first_state, shift_slot, energy, overflow, big_strain, big_strain_kept };
    enum Result { refused, computed, passed_through };
    struct Case {
        double temp;
        What what;
        Result result;
    };
    const Case cases[] = {
        {250.0, stiffness, refused},       {250.0, weight, computed},         {250.0, first_state, passed_through},
        {250.0, shift_slot, passed_through}, {250.0, energy, computed},       {250.0, overflow, refused},
        {250.0, big_strain, computed},
        {420.0, stiffness, refused},       {420.0, weight, refused},          {420.0, first_state, refused},
        {420.0, shift_slot, computed},     {420.0, energy, computed},         {420.0, overflow, refused},
        {420.0, big_strain, refused},      {420.0, big_strain_kept, refused},
        {600.0, stiffness, refused},       {600.0, weight, refused},          {600.0, first_state, computed},
        {600.0, shift_slot, passed_through}, {600.0, energy, computed},       {600.0, overflow, refused},
        {600.0, big_strain, refused},      {600.0, big_strain_kept, passed_through},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.temp << " K, case " << k.what);
        V props = prony_props();
        if (k.what == stiffness) props[5] = nan;  // C11
        if (k.what == weight) props[10] = nan;    // the first weight of 11
        UmatPoint p = point(k.temp, 380.0, props);
        for (std::size_t i = 0; i < p.statev.size(); ++i)
            if (i != cs::tg - 1) p.statev[i] = 1e-3 * static_cast<double>(i % 7);
        p.stress = {1, 2, 3, 4, 5, 6};
        p.sse = 0.25, p.spd = 0.5, p.scd = 0.75;
        p.pnewdt = -1.0;
        p.dtime = 2.0;
        double* watched = nullptr;  // the value a case sets
        if (k.what == first_state || k.what == big_strain_kept) watched = &p.statev[cs::prony_first - 1];
        if (k.what == shift_slot) watched = &p.statev[cs::log_shift1 - 1];
        if (watched) *watched = k.what == big_strain_kept ? inf : nan;
        if (k.what == energy) p.sse = nan;
        if (k.what == big_strain || k.what == big_strain_kept) p.stran[0] = 2e305;
        V de = {1e-4, 2e-4, -1e-4, 3e-4, 1e-4, -2e-4};
        if (k.what == overflow) de[0] = 1e306;  // C11 de1 beyond the largest double
        const UmatPoint before = p;
        tvktest::clear_errors();
        p.call(de);
        if (k.result == refused) {
            EXPECT_EQ(p.stress, before.stress);
            EXPECT_EQ(std::memcmp(p.statev.data(), before.statev.data(), sizeof(double) * p.statev.size()), 0);
            EXPECT_EQ(std::memcmp(&p.sse, &before.sse, sizeof p.sse), 0);
            EXPECT_EQ(p.spd, 0.5);
            EXPECT_EQ(p.scd, 0.75);
            EXPECT_EQ(p.ddsdde, V(36, 0.0));
            EXPECT_GT(p.pnewdt, 0.0);
            EXPECT_LE(p.pnewdt, 0.5);
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_EQ(tvktest::errtext(),
                      "umat_prony: non-finite result; point not evaluated (material RESIN_L@1@_S@1@)");
            continue;
        }
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        EXPECT_EQ(p.pnewdt, -1.0);
        EXPECT_TRUE(std::all_of(p.ddsdde.begin(), p.ddsdde.end(), [](double v) { return std::isfinite(v); }));
        EXPECT_TRUE(std::all_of(p.stress.begin(), p.stress.end(), [](double v) { return std::isfinite(v); }));
        EXPECT_NE(p.stress, before.stress);
        if (k.result == passed_through) {
            EXPECT_EQ(std::memcmp(watched, &before.statev[watched - p.statev.data()], sizeof(double)), 0);
        } else if (watched) {
            EXPECT_TRUE(std::isfinite(*watched));  // overwritten
        }
        if (k.what == weight) {
            EXPECT_EQ(p.statev[cs::prony_first - 1], before.statev[cs::prony_first - 1]);
        }
        if (k.what == energy) {  // the solver's energy, which the law does not set, as it came
            EXPECT_EQ(std::memcmp(&p.sse, &before.sse, sizeof p.sse), 0);
        }
    }
}

// A missing master curve (no table, or fewer than four values before the first unset one), or a
// shift formula without a value, gives shift 1 with a level -2 report.
// A glass transition temperature that is not a number leaves the shift undefined (1 taken, a
// warning); a point of that call refused afterwards (an increment that overflows the stress)
// reaches the host as the refusal, with the refused result.
TEST_F(UmatProny, RefusalAfterAnUndefinedShiftOfTheSameCallIsWhatTheHostSees) {
    UmatPoint p = point(420.0, std::nan(""));
    UmatPoint usable = p;
    usable.call({1e-3, 0, 0, 0, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -2) << tvktest::errtext();
    EXPECT_NE(tvktest::errtext().find("shift factor undefined"), std::string::npos) << tvktest::errtext();
    tvktest::clear_errors();
    p.stress = {1, 2, 3, 4, 5, 6};
    p.ddsdde.assign(36, 9.0);
    p.sse = 1.0, p.pnewdt = -1.0;
    const V state = p.statev;
    p.call({1e308, 0, 0, 0, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3) << tvktest::errtext();
    EXPECT_EQ(p.stress, (V{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(p.ddsdde, V(36, 0.0));
    EXPECT_EQ(p.sse, 1.0);
    EXPECT_TRUE(p.pnewdt > 0.0 && p.pnewdt <= 0.5);
    for (std::size_t k = 0; k < state.size(); ++k)
        EXPECT_TRUE(p.statev[k] == state[k] || (std::isnan(p.statev[k]) && std::isnan(state[k]))) << k;
}

TEST_F(UmatProny, MissingMasterCurveGivesShiftOneWithAReport) {
    for (int variant = 0; variant < 3; ++variant) {
        if (variant == 0) tvk::materialdata.cuprops.release();
        if (variant == 1) set_shift({10.0, 50.0, 5000.0});
        if (variant == 2) set_shift({10.0, -50.0, 5000.0, 50.0});  // P2 + P4 = 0
        tvktest::clear_errors();
        UmatPoint p = point(380.0, 380.0);
        p.statev[cs::log_shift1 - 1] = p.statev[cs::log_shift2 - 1] = 9.0;
        p.dtime = 2.0;
        p.increment({1e-4, 0, 0, 0, 0, 0});
        EXPECT_EQ(tvk::errorhandling.errstat, -2) << variant;
        EXPECT_EQ(p.statev[cs::log_shift1 - 1], 0.0);
        EXPECT_EQ(p.statev[cs::log_shift2 - 1], 0.0);
        EXPECT_NEAR(p.tangent(0, 0), stiff[0] * (1.0 - 0.3 * 2.0 / 12.0 - 0.2 * 2.0 / 102.0), 1e-9);
    }
}

// The cure data of the tagged ply and section: the section id is looked up in secidlist; an id
// that is not in the list, or no tag, uses section 1.
TEST_F(UmatProny, ShiftDataOfTheTaggedPlyAndSection) {
    auto& cu = tvk::materialdata.cuprops;
    cu.allocate({8, 8, 2, 2});
    cu.fill(tvk::huge);
    const double p11[4] = {10.0, 50.0, 5000.0, 0.0}, p22[4] = {2.0, 50.0, 5000.0, 0.0};
    for (int k = 0; k < 4; ++k) *cu.at(k + 1, 8, 1, 1) = p11[k], *cu.at(k + 1, 8, 2, 2) = p22[k];
    auto& ids = tvk::sectiondata.secidlist;
    ids.allocate({2});
    *ids.at(1) = 7;
    *ids.at(2) = 12;
    auto shift = [](const char* name) {
        UmatPoint p(umat_prony, 3, 3, 510, prony_props(), name);
        p.temp = 420.0;
        p.statev[cs::tg - 1] = 380.0;
        p.increment({1e-4, 0, 0, 0, 0, 0});
        return p.statev[cs::log_shift1 - 1];
    };
    const double x10 = -10.0 * 40.0 / 90.0, x2 = -2.0 * 40.0 / 90.0;
    EXPECT_NEAR(shift("RESIN_l@2@_S@12@"), x2, 1e-12);
    EXPECT_NEAR(shift("RESIN_L@1@_s@7@"), x10, 1e-12);
    EXPECT_NEAR(shift("RESIN_L@1@_s@99@"), x10, 1e-12);  // id not in the list: section 1
    EXPECT_NEAR(shift("RESIN"), x10, 1e-12);
    tvktest::clear_errors();
    EXPECT_EQ(shift("RESIN_L@2@_s@7@"), 0.0);  // ply 2, section 1: no shift data
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
}

// The ANSYS entry is the adapter with umat_prony, every argument unchanged.
TEST_F(UmatProny, AnsysEntryIsTheAdapterWithTheRoutine) {
    const V prop = prony_props();
    for (const int ncomp : {6, 4}) {
        int matid = 1, elemid = 3, kdom = 1, klayer = 1, ksect = 1, ldstep = 1, isubst = 1, ndirect = 3;
        int nshear = ncomp - 3, nstatev = 510, nprop = static_cast<int>(prop.size());
        double time = 0.0, dtime = 2.0, temp = 420.0, dtemp = 0.0, coords[3] = {};
        double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        struct Out {
            V stress, statev, dsdepl;
            int keycut = 0;
            double sedel = 0, sedpl = 0, epseq = 0, var[9] = {}, tsstif[2] = {}, epszz = 0;
        } a, b;
        for (Out* o : {&a, &b}) {
            o->stress.assign(ncomp, 1.0);
            o->statev.assign(510, 0.0);
            o->statev[cs::tg - 1] = 380.0;
            o->dsdepl.assign(ncomp * ncomp, 0.0);
        }
        const V strain(ncomp, 1e-4), dstrain = {1e-4, -2e-4, 5e-5, 1e-4, 2e-4, -1e-4}, epspl(ncomp, 0.0);
        usermat_prony(&matid, &elemid, &kdom, &klayer, &ksect, &ldstep, &isubst, &a.keycut, &ndirect, &nshear,
                      &ncomp, &nstatev, &nprop, &time, &dtime, &temp, &dtemp, a.stress.data(), a.statev.data(),
                      a.dsdepl.data(), &a.sedel, &a.sedpl, &a.epseq, strain.data(), dstrain.data(), epspl.data(),
                      prop.data(), coords, &a.var[0], eye, eye, a.tsstif, &a.epszz, &a.var[1], &a.var[2], &a.var[3],
                      &a.var[4], &a.var[5], &a.var[6], &a.var[7], &a.var[8]);
        abq_umat_to_ansys_usermat(umat_prony, &matid, &elemid, &kdom, &klayer, &ksect, &ldstep, &isubst, &b.keycut,
                                  &ndirect, &nshear, &ncomp, &nstatev, &nprop, &time, &dtime, &temp, &dtemp,
                                  b.stress.data(), b.statev.data(), b.dsdepl.data(), &b.sedel, &b.sedpl, &b.epseq,
                                  strain.data(), dstrain.data(), epspl.data(), prop.data(), coords, &b.var[0], eye,
                                  eye, b.tsstif, &b.epszz, &b.var[1], &b.var[2], &b.var[3], &b.var[4], &b.var[5],
                                  &b.var[6], &b.var[7], &b.var[8]);
        EXPECT_EQ(a.stress, b.stress);
        EXPECT_EQ(a.statev, b.statev);
        EXPECT_EQ(a.dsdepl, b.dsdepl);
        EXPECT_EQ(a.keycut, b.keycut);
        EXPECT_EQ(a.tsstif[0], b.tsstif[0]);
        EXPECT_EQ(a.tsstif[1], b.tsstif[1]);
        EXPECT_NE(a.stress[0], 1.0);
        if (ncomp == 6) {
            // Cyclic order: the shears 23 and 13 trade places against the Nye tangent.
            EXPECT_NEAR(a.dsdepl[4 + 6 * 4], 0.5 * (a.dsdepl[1 + 6 * 1] - a.dsdepl[1 + 6 * 2]), 1e-9);
        }
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// Through the ANSYS entry a refused point asks for a cut-back (keycut 1) and keeps its stress and
// state, with a zero tangent.
TEST_F(UmatProny, AnsysEntryRefusesWithACutBack) {
    const V prop = prony_props();
    int matid = 1, elemid = 3, kdom = 1, klayer = 1, ksect = 1, ldstep = 1, isubst = 1, keycut = 0, ndirect = 3;
    int nshear = 3, ncomp = 6, nstatev = 509, nprop = static_cast<int>(prop.size());
    double time = 0.0, dtime = 2.0, temp = 420.0, dtemp = 0.0, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double sedel = 0, sedpl = 0, epseq = 0, var[9] = {}, tsstif[2] = {}, epszz = 0;
    V stress(6, 1.0), statev(509, 2.0), dsdepl(36, 5.0);
    const V strain(6, 1e-4), dstrain(6, 1e-4), epspl(6, 0.0);
    tvktest::clear_errors();
    usermat_prony(&matid, &elemid, &kdom, &klayer, &ksect, &ldstep, &isubst, &keycut, &ndirect, &nshear, &ncomp,
                  &nstatev, &nprop, &time, &dtime, &temp, &dtemp, stress.data(), statev.data(), dsdepl.data(), &sedel,
                  &sedpl, &epseq, strain.data(), dstrain.data(), epspl.data(), prop.data(), coords, &var[0], eye, eye,
                  tsstif, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7], &var[8]);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find("fewer than 510 state variables"), std::string::npos) << tvktest::errtext();
    EXPECT_EQ(keycut, 1);
    EXPECT_EQ(stress, V(6, 1.0));
    EXPECT_EQ(statev, V(509, 2.0));
    EXPECT_EQ(dsdepl, V(36, 0.0));
}

}  // namespace
