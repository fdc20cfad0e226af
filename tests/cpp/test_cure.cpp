// Cure kinetics and the heat-generation and expansion routines of the curing resin, called as the
// solver calls them: the rate law against its closed form, the implicit degree step against the
// equation it solves and its convergence as the step halves, an isothermal cure to the reachable
// degree, the glass transition, glassy, liquid and rubbery expansion, and refused inputs. Where the
// fixed-point iteration fails (an iterate at the reachable degree, or no convergence), the cure
// update stores the root of the backward Euler step, checked against closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "solver/cure_state.h"
#include "solver/prony.h"

namespace {

using V = std::vector<double>;
namespace cs = tvk::curestate;
constexpr double R = 8.314462618;

// Kamal-Sourour coefficients A1 E1 A2 E2 N1 M N2 of an epoxy.
const V kinetics = {2.0e5, 6.0e4, 5.0e6, 6.0e4, 1.5, 0.6, 1.4};

double rate_of(const V& g, double t, double a, double amax) {
    a = std::min(a, amax);
    return g[0] * std::exp(-g[1] / (R * t)) * std::pow(amax - a, g[4]) +
           g[2] * std::exp(-g[3] / (R * t)) * std::pow(a, g[5]) * std::pow(amax - a, g[6]);
}

double curerate(const V& cf, double t, double a, double amax, int nc = -1) {
    if (nc < 0) nc = static_cast<int>(cf.size());
    return CureRate(cf.data(), &t, &a, &amax, &nc);
}
double funcdegree(const V& cf, double t, double a0, double dt, double amax) {
    const int nc = static_cast<int>(cf.size());
    return FuncDegree(cf.data(), &t, &a0, &dt, &amax, &nc);
}

TEST(CureKinetics, RateLawAndItsTemperatureGroups) {
    EXPECT_DOUBLE_EQ(curerate(kinetics, 420.0, 0.3, 0.95), rate_of(kinetics, 420.0, 0.3, 0.95));
    // Two groups, the second from 400 K: nc 15 switches at value 8.
    V two = kinetics;
    two.push_back(400.0);
    const V second = {1.0e4, 5.0e4, 2.0e5, 5.5e4, 1.0, 0.5, 2.0};
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_DOUBLE_EQ(curerate(two, 399.0, 0.3, 0.95), rate_of(kinetics, 399.0, 0.3, 0.95));
    EXPECT_DOUBLE_EQ(curerate(two, 400.0, 0.3, 0.95), rate_of(second, 400.0, 0.3, 0.95));
    // nc 7: the single group whatever t; the switch value beyond nc is not read.
    EXPECT_DOUBLE_EQ(curerate(two, 500.0, 0.3, 0.95, 7), rate_of(kinetics, 500.0, 0.3, 0.95));
    // A switch temperature whose group would end beyond nc is not taken (nc 8 .. 14).
    EXPECT_DOUBLE_EQ(curerate(two, 500.0, 0.3, 0.95, 12), rate_of(kinetics, 500.0, 0.3, 0.95));
    // At or above the reachable degree the rate is 0 for positive exponents.
    EXPECT_EQ(curerate(kinetics, 420.0, 0.95, 0.95), 0.0);
    EXPECT_EQ(curerate(kinetics, 420.0, 1.2, 0.95), 0.0);
    tvktest::clear_errors();
    EXPECT_EQ(curerate(kinetics, 420.0, 0.3, 0.95, 6), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
}

// FuncDegree solves d = d0 + dt rate(d) (backward Euler) to its stopping tolerance.
TEST(CureKinetics, DegreeStepSolvesTheImplicitEquation) {
    for (const double dt : {0.2, 0.5, 1.0}) {  // steps over which the iteration contracts
        const double d = funcdegree(kinetics, 430.0, 0.2, dt, 0.97);
        EXPECT_NEAR(d, 0.2 + dt * rate_of(kinetics, 430.0, d, 0.97), dt * 1e-6) << dt;
        EXPECT_GT(d, 0.2);
    }
    // No rate at the start: degree0 (here the reachable degree).
    EXPECT_EQ(funcdegree(kinetics, 430.0, 0.97, 10.0, 0.97), 0.97);
    EXPECT_EQ(funcdegree({0, 0, 0, 0, 1, 1, 1}, 430.0, 0.4, 10.0, 0.97), 0.4);
}

// An iteration that oscillates for good (here between about 0 and 0.99) stops after 1000
// iterations with a level -1 report instead of looping, and takes the root of the step:
// d = 0.99 (1 - d)^2, i.e. u = 1 - d solves 0.99 u^2 + u - 1 = 0.
TEST(CureKinetics, OscillatingDegreeIterationStopsWithAReportAndTakesTheRoot) {
    tvktest::clear_errors();
    const V osc = {0.99, 0.0, 0.0, 0.0, 2.0, 1.0, 1.0};
    const double d = funcdegree(osc, 400.0, 0.0, 1.0, 1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -1);
    EXPECT_NEAR(d, 1.0 - (-1.0 + std::sqrt(1.0 + 4.0 * 0.99)) / (2.0 * 0.99), 1e-14);
    tvktest::clear_errors();
}

// Backward Euler is first order: halving the step halves the error of the degree reached.
TEST(CureKinetics, StepHalvingConverges) {
    const double t = 400.0, amax = 0.97, end = 40.0;  // degree about 0.66 at the end
    auto degree_at_end = [&](int steps) {
        double a = 0.0;
        for (int k = 0; k < steps; ++k) a = funcdegree(kinetics, t, a, end / steps, amax);
        return a;
    };
    // Reference: classical Runge-Kutta with a fine step.
    double ref = 0.0;
    const int n = 200000;
    const double h = end / n;
    for (int k = 0; k < n; ++k) {
        const double k1 = rate_of(kinetics, t, ref, amax), k2 = rate_of(kinetics, t, ref + 0.5 * h * k1, amax);
        const double k3 = rate_of(kinetics, t, ref + 0.5 * h * k2, amax), k4 = rate_of(kinetics, t, ref + h * k3, amax);
        ref += h / 6.0 * (k1 + 2 * k2 + 2 * k3 + k4);
    }
    double last = std::fabs(degree_at_end(40) - ref);
    for (const int steps : {80, 160, 320, 640}) {
        const double err = std::fabs(degree_at_end(steps) - ref);
        EXPECT_NEAR(last / err, 2.0, 0.2) << steps;
        last = err;
    }
    EXPECT_LT(last, 1e-3);
}

TEST(CureKinetics, PronyTermStep) {
    auto relax = [](double dold, double tau, double shift, double dt, double k, double p, double e) {
        return Relaxation(&dold, &tau, &shift, &dt, &k, &p, &e);
    };
    EXPECT_EQ(relax(3.5, 10.0, 2.0, 0.0, 100.0, 0.3, 1e-3), 3.5);
    EXPECT_EQ(relax(3.5, 10.0, 0.0, 0.7, 100.0, 0.3, 1e-3), 100.0 * 0.3 * 1e-3);
    EXPECT_DOUBLE_EQ(relax(3.5, 10.0, 2.0, 5.0, 100.0, 0.3, 2.0),
                     (100.0 * 5.0 * 0.3 * 2.0 + 3.5 * 10.0 * 2.0) / (10.0 * 2.0 + 5.0));
    EXPECT_EQ(relax(3.5, 0.0, 2.0, 0.0, 100.0, 0.3, 2.0), 3.5);  // no time, no relaxation time
}

// ---- The heat and expansion routines --------------------------------------------------------------

struct CureRoutines : ::testing::Test {
    char name[80];
    V gel = {0.6}, enthalpy = {4.5e8}, expansion = {5e-5, 5.5e-5, 6e-5, 1.5e-4, 1.6e-4, 1.7e-4},
      shrinkage = {-0.01, -0.011, -0.012, -0.02, -0.021, -0.022}, limit = {0.1, 5.0}, transition = {-10.0, 190.0, 0.45},
      law = kinetics;

    void SetUp() override {
        tvktest::clear_errors();
        std::memset(name, ' ', sizeof name);
        std::memcpy(name, "EPOXY", 5);
        write_tables();
    }
    void TearDown() override {
        tvk::materialdata.cuprops.release();
        tvktest::clear_errors();
    }
    void write_tables() {
        auto& cu = tvk::materialdata.cuprops;
        cu.allocate({8, 8, 1, 1});
        cu.fill(tvk::huge);
        const V* cols[] = {&gel, &enthalpy, &expansion, &shrinkage, &limit, &transition, &law};
        for (int c = 0; c < 7; ++c)
            for (std::size_t k = 0; k < cols[c]->size(); ++k) *cu.at(static_cast<int>(k) + 1, c + 1, 1, 1) = (*cols[c])[k];
    }
    double amax(double t) const { return 1.0 / (1.0 + std::exp(limit[1] - limit[0] * (t - 273.15))); }
    double tg_of(double a) const {
        const double l = transition[2];
        return (transition[1] - transition[0]) * l * a / (1.0 - (1.0 - l) * a) + transition[0] + 273.15;
    }
    double heat(V& svar, double temp, double dtime) {
        double t2[2] = {temp, 0.0}, time[2] = {0.0, 0.0}, flux[2] = {0.0, -7.0}, predef[1] = {}, dpred[1] = {};
        hetval_prony(name, t2, time, &dtime, svar.data(), flux, predef, dpred, sizeof name);
        EXPECT_EQ(flux[1], -7.0);  // flux(2) is the caller's
        return flux[0];
    }
    V expand(V& svar, double temp, double dtemp, double total, double dtime) {
        double t2[2] = {temp, dtemp}, time[2] = {total, total}, predef[1] = {}, dpred[1] = {}, expan[6], dexp[6];
        std::fill(expan, expan + 6, 9.0);
        std::fill(dexp, dexp + 6, 9.0);
        int nstatv = static_cast<int>(svar.size()), noel = 1;
        uexpan_prony(expan, dexp, t2, time, &dtime, predef, dpred, svar.data(), name, &nstatv, &noel, sizeof name);
        for (double v : dexp) EXPECT_EQ(v, 0.0);
        return V(expan, expan + 6);
    }
    // Both hooks refuse a point whose state slot `slot` (0-based) holds v: no heat or expansion,
    // level -3 with the report "<hook>: <what>; no heat/expansion", the state as it came.
    void expect_refused(int slot, double v, const std::string& what) {
        tvktest::clear_errors();
        V h = {0.1, 0.2, 0.3, 0.4};
        h[slot] = v;
        const V h0 = h;
        EXPECT_EQ(heat(h, 460.0, 2.0), 0.0);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(tvktest::errtext(), "hetval_prony: " + what + "; no heat");
        EXPECT_EQ(std::memcmp(h.data(), h0.data(), 4 * sizeof(double)), 0);
        tvktest::clear_errors();
        V e(508, 0.25);
        e[slot] = v;
        const V e0 = e;
        EXPECT_EQ(expand(e, 440.0, 1.0, 10.0, 2.0), V(6, 0.0));
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(tvktest::errtext(), "uexpan_prony: " + what + "; no expansion");
        EXPECT_EQ(std::memcmp(e.data(), e0.data(), e.size() * sizeof(double)), 0);
    }
};

// At a high, constant temperature the degree rises monotonically to the reachable degree, and
// the heat released over the cure adds up to the heat of reaction times the degree reached.
TEST_F(CureRoutines, IsothermalCureReachesFullDegreeMonotonically) {
    V svar(4, 0.0);
    const double t = 460.0, dt = 2.0;
    double last = 0.0, heat_sum = 0.0;
    for (int k = 0; k < 3000; ++k) {
        const double flux = heat(svar, t, dt);
        EXPECT_GE(svar[0], last);
        EXPECT_LE(svar[0], amax(t));
        EXPECT_DOUBLE_EQ(flux, enthalpy[0] * svar[1]);
        EXPECT_DOUBLE_EQ(svar[1], rate_of(kinetics, t, svar[0], amax(t)));
        heat_sum += flux * dt;
        last = svar[0];
    }
    EXPECT_NEAR(svar[0], amax(t), 1e-4);
    EXPECT_GT(amax(t), 0.9999);
    EXPECT_EQ(svar[3], amax(t));
    EXPECT_DOUBLE_EQ(svar[2], tg_of(svar[0]));
    // Backward Euler: the rate at the end of each step times the step sums to the degree reached.
    EXPECT_NEAR(heat_sum, enthalpy[0] * svar[0], 2e-5 * enthalpy[0]);  // within the iteration's tolerance
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST_F(CureRoutines, ReachableDegreeNeverFallsAndStopsTheCure) {
    V svar = {0.9, 0.5, 0.0, 0.0};
    const double flux = heat(svar, 300.0, 10.0);  // amax(300 K) well below 0.9
    EXPECT_EQ(flux, 0.0);
    EXPECT_EQ(svar[1], 0.0);
    EXPECT_EQ(svar[0], 0.9);
    EXPECT_DOUBLE_EQ(svar[3], amax(300.0));
    svar[3] = 0.95;  // reached before
    heat(svar, 300.0, 10.0);
    EXPECT_EQ(svar[3], 0.95);
    EXPECT_GT(svar[0], 0.9);
    // c1 = c2 = 0: amax = 1/2 at any temperature.
    limit = {0.0, 0.0};
    write_tables();
    for (const double t : {250.0, 400.0, 520.0}) {
        V s(4, 0.0);
        heat(s, t, 1.0);
        EXPECT_EQ(s[3], 0.5);
    }
}

TEST_F(CureRoutines, GlassTransitionOfTheDegree) {
    V s = {0.0, 0.0, 0.0, 0.0};
    limit = {0.0, -50.0};  // amax ~ 1, so a = 0.5 keeps curing
    transition[2] = 1.0;   // lambda 1: linear in the degree
    write_tables();
    s[0] = 0.5;
    heat(s, 400.0, 0.0);  // no time: the degree stays
    EXPECT_EQ(s[0], 0.5);
    EXPECT_DOUBLE_EQ(s[2], transition[0] + (transition[1] - transition[0]) * 0.5 + 273.15);
    s[0] = 0.0;
    heat(s, 400.0, 0.0);
    EXPECT_DOUBLE_EQ(s[2], transition[0] + 273.15);
}

TEST_F(CureRoutines, ExpansionGlassyLiquidAndRubbery) {
    // Liquid: above Tg below the gel point; no expansion while the cure advances.
    V svar(508, 0.0);
    V e = expand(svar, 420.0, 2.0, 10.0, 0.5);
    EXPECT_EQ(e, V(6, 0.0));
    EXPECT_GT(svar[0], 0.0);
    EXPECT_LT(svar[0], gel[0]);
    EXPECT_GT(420.0, svar[2]);
    // Rubbery: above Tg and gelled.
    svar[0] = 0.7;
    svar[3] = 0.0;
    const double dt = 0.2, dtemp = 2.0;
    e = expand(svar, 440.0, dtemp, 10.0, dt);
    ASSERT_GT(440.0, svar[2]);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(e[i], expansion[3 + i] * dtemp + shrinkage[3 + i] * svar[1] * dt);
    EXPECT_EQ(e[3] + e[4] + e[5], 0.0);
    EXPECT_DOUBLE_EQ(svar[6], shrinkage[3] * svar[1] * dt);
    EXPECT_DOUBLE_EQ(svar[7], shrinkage[4] * svar[1] * dt);
    // Glassy with no cure rate: the glassy thermal expansion alone, and the sums accumulate.
    V g(510, 0.0);
    g[0] = 0.99;
    g[3] = 0.99;
    g[502] = 1.0;
    g[505] = 2.0;
    e = expand(g, 300.0, -3.0, 10.0, dt);  // amax(297 K) < 0.99: no cure
    ASSERT_LT(300.0, g[2]);
    EXPECT_EQ(g[1], 0.0);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(e[i], expansion[i] * -3.0);
    EXPECT_DOUBLE_EQ(g[502], 1.0 + expansion[0] * -3.0);
    EXPECT_DOUBLE_EQ(g[503], expansion[1] * -3.0);
    EXPECT_EQ(g[505], 2.0);
    EXPECT_EQ(g[509], 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// Total time 0 restarts the cure: degree, rate and Tg from 0 whatever they held.
TEST_F(CureRoutines, ExpansionAtTimeZeroStartsFromDegreeZero) {
    V a(508, 0.0), b(508, 0.0);
    a[0] = 0.8, a[1] = 3.0, a[2] = 500.0;
    expand(a, 420.0, 1.0, 0.0, 5.0);
    expand(b, 420.0, 1.0, 0.0, 5.0);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
    EXPECT_EQ(a[2], b[2]);
    EXPECT_GT(a[0], 0.0);
}

TEST_F(CureRoutines, RefusedInputsLeaveTheStateAndReport) {
    V svar(507, 0.25);
    EXPECT_EQ(expand(svar, 420.0, 1.0, 10.0, 5.0), V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(svar, V(507, 0.25));
    tvktest::clear_errors();
    V s = {0.1, 0.0, 0.0, 0.0};
    EXPECT_EQ(heat(s, std::nan(""), 1.0), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(s, V({0.1, 0.0, 0.0, 0.0}));
    // A negative time increment is refused by both, from a fresh point; an increment of 0 is served.
    tvktest::clear_errors();
    V h(4, 0.0), e(508, 0.0);
    EXPECT_EQ(heat(h, 420.0, -1e-3), 0.0);
    EXPECT_EQ(tvktest::errtext(), "hetval_prony: negative time increment; no heat");
    tvktest::clear_errors();
    EXPECT_EQ(expand(e, 420.0, 1.0, 10.0, -1e-3), V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(h, V(4, 0.0));
    EXPECT_EQ(e, V(508, 0.0));
    tvktest::clear_errors();
    h[0] = 0.1;
    heat(h, 420.0, 0.0);
    expand(e, 420.0, 1.0, 10.0, 0.0);
    EXPECT_EQ(h[0], 0.1);  // no time, no cure
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    // No cure data for the tagged ply: reported, nothing computed.
    tvktest::clear_errors();
    std::memcpy(name, "EPOXY_L@2@", 10);
    EXPECT_EQ(heat(s, 420.0, 1.0), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(s, V({0.1, 0.0, 0.0, 0.0}));
    V big(508, 0.0);
    EXPECT_EQ(expand(big, 420.0, 1.0, 10.0, 5.0), V(6, 0.0));
    EXPECT_EQ(big, V(508, 0.0));
}

// ---- The stored degree: the root of the backward Euler step ----------------------------------------

// rate = A1 exp(-E1/RT) (amax - a)^n: the coefficients of a single-term law.
V single_term(double a1, double e1, double n) { return {a1, e1, 0.0, 0.0, n, 0.0, 0.0}; }

// With rate = amax - a the step d = d0 + dt (amax - d) has the root (d0 + dt amax) / (1 + dt).
// For dt >= 1 the first iterate lands on amax, where the rate is 0, and the fixed-point iteration
// stops on d0 + dt amax (0.5, 0.75 and 5.0 here: a Tg far below absolute zero for the last), no
// fixed point; FuncDegree and the cure update take the root, the update stores it with its rate,
// without a report.
TEST_F(CureRoutines, LongStepStoresTheRootOfTheImplicitUpdate) {
    law = single_term(1.0, 0.0, 1.0);
    limit = {0.0, 0.0};  // amax = 1/2
    write_tables();
    for (const double dt : {1.0, 1.5, 10.0}) {
        SCOPED_TRACE(dt);
        const double root = 0.5 * dt / (1.0 + dt);
        EXPECT_NEAR(funcdegree(law, 400.0, 0.0, dt, 0.5), root, 1e-14);
        V svar(4, 0.0);
        const double flux = heat(svar, 400.0, dt);
        EXPECT_NEAR(svar[0], root, 1e-14);
        EXPECT_DOUBLE_EQ(svar[1], 0.5 - svar[0]);
        EXPECT_DOUBLE_EQ(flux, enthalpy[0] * svar[1]);
        EXPECT_DOUBLE_EQ(svar[2], tg_of(svar[0]));
        EXPECT_GT(svar[2], 273.15 + transition[0]);
        // From a cured start the same: (d0 + dt amax) / (1 + dt).
        svar = {0.2, 0.0, 0.0, 0.0};
        heat(svar, 400.0, dt);
        EXPECT_NEAR(svar[0], (0.2 + 0.5 * dt) / (1.0 + dt), 1e-14);
    }
    // Second order: dt A (amax - d)^2 = d - d0, with u = amax - d the positive root of
    // dt A u^2 + u - (amax - d0) = 0.
    for (const double dt : {0.5, 4.0, 100.0}) {
        SCOPED_TRACE(dt);
        law = single_term(30.0, 0.0, 2.0);
        write_tables();
        V svar = {0.1, 0.0, 0.0, 0.0};
        heat(svar, 400.0, dt);
        const double c = dt * 30.0, u = (-1.0 + std::sqrt(1.0 + 4.0 * c * 0.4)) / (2.0 * c);
        EXPECT_NEAR(svar[0], 0.5 - u, 1e-14);
        EXPECT_LT(svar[0], 0.5);
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// An iteration that oscillates for good runs out; the cure update then stores the root:
// 0.99 (1 - d)^2 = d, i.e. u = 1 - d solves 0.99 u^2 + u - 1 = 0. A step over which the
// iteration converges stores exactly what FuncDegree returns.
TEST_F(CureRoutines, UnconvergedIterationStoresTheRootAndConvergedStepsAreUnchanged) {
    law = {0.99, 0.0, 0.0, 0.0, 2.0, 1.0, 1.0};
    limit = {0.0, -50.0};  // amax 1 in double precision
    write_tables();
    ASSERT_EQ(amax(400.0), 1.0);
    V svar(4, 0.0);
    heat(svar, 400.0, 1.0);
    EXPECT_NEAR(svar[0], 1.0 - (-1.0 + std::sqrt(1.0 + 4.0 * 0.99)) / (2.0 * 0.99), 1e-14);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    law = kinetics;
    limit = {0.1, 5.0};
    write_tables();
    for (const double dt : {0.05, 0.2, 1.0}) {
        V s = {0.3, 0.0, 0.0, 0.0};
        heat(s, 430.0, dt);
        EXPECT_EQ(s[0], funcdegree(kinetics, 430.0, 0.3, dt, amax(430.0))) << dt;
    }
}

// A map whose slope is near 1 stops its iteration 3.8 tolerances (dt 1e-6) short of the root of
// the step: the cure update stores the root to dt 1e-6, as FuncDegree returns it, checked against
// a bisection of the step written here.
TEST_F(CureRoutines, CreepingIterationStoresTheRootOfTheStep) {
    law = {7602717.812355954, 83283.87978914892, 263789.1167295215, 45045.68559025273, 1.7738534072812584,
           1.0904197123868968, 1.4916307568051155};
    limit = {0.0, -3.10460669094056};  // amax 0.9570823670984892
    write_tables();
    const double t = 388.51903695998726, d0 = 0.00823083469580325, dt = 6.440359302116048, a = amax(t);
    double lo = d0, hi = a;
    for (int k = 0; k < 200; ++k) {
        const double mid = 0.5 * (lo + hi);
        (mid - d0 - dt * rate_of(law, t, mid, a) < 0.0 ? lo : hi) = mid;
    }
    V svar = {d0, 0.0, 0.0, 0.0};
    heat(svar, t, dt);
    EXPECT_NEAR(svar[0], lo, 1e-6 * dt);
    EXPECT_GT(svar[0], 0.130266);  // the iterate 0.1302421 no longer
    EXPECT_EQ(svar[0], funcdegree(law, t, d0, dt, a));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// A rate law with a zero exponent keeps a positive rate at the reachable degree: the step cures
// up to it and stops there, however long, with the rate of the stored degree and no report.
// FuncDegree itself stays uncapped; a short step and a degree at or above amax are as before.
TEST_F(CureRoutines, NonVanishingRateStoresTheReachableDegree) {
    law = {0.2, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0};  // rate 0.2 whatever the degree
    limit = {0.0, 0.0};                          // amax = 1/2
    write_tables();
    EXPECT_EQ(funcdegree(law, 400.0, 0.0, 5.0, 0.5), 1.0);
    for (const double dt : {5.0, 50.0}) {
        SCOPED_TRACE(dt);
        V svar(4, 0.0);
        EXPECT_EQ(heat(svar, 400.0, dt), enthalpy[0] * 0.2);
        EXPECT_EQ(svar, V({0.5, 0.2, tg_of(0.5), 0.5}));
    }
    V svar(4, 0.0);
    heat(svar, 400.0, 1.0);
    EXPECT_EQ(svar[0], 0.2);  // below amax: the converged iterate
    for (const double d0 : {0.5, 0.7}) {
        V s = {d0, 0.3, 0.0, 0.0};
        EXPECT_EQ(heat(s, 400.0, 5.0), 0.0);
        EXPECT_EQ(s[0], d0);
        EXPECT_EQ(s[1], 0.0);
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// Rate 4e-7 + 5e6 d^2, positive at the reachable degree: the iterates 4e-7 and 1.2e-6 stop on the
// rate's change of 8e-7, but the next iterate, 7.6e-6, lies farther than the tolerance. No degree in
// [0, amax] solves the step, so the cure reaches amax within it and stops there, as FuncDegree's
// uncapped step reaches 4e-7 + 5e6 amax^2 (the step's root beyond amax, where the rate is constant).
TEST_F(CureRoutines, EarlyStoppedIterateWithNoRootBelowTheReachableDegreeStoresTheReachableDegree) {
    law = {4e-7, 0.0, 5e6, 0.0, 0.0, 2.0, 0.0};
    write_tables();
    const double a = amax(400.0);
    EXPECT_DOUBLE_EQ(funcdegree(law, 400.0, 0.0, 1.0, a), 4e-7 + 5e6 * a * a);
    V svar(4, 0.0);
    EXPECT_DOUBLE_EQ(heat(svar, 400.0, 1.0), enthalpy[0] * (4e-7 + 5e6 * a * a));
    EXPECT_EQ(svar[0], a);
    EXPECT_EQ(svar[3], a);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// A rate that rises with the degree, 0.01 (1 - d) + 10 d (1 - d): its iterates overshoot amax = 1,
// and the root of 10 d^2 - 8.99 d - 0.01 = 0 (0.9001) lies far from the last iterate, so the
// bracket must end at amax.
TEST_F(CureRoutines, RisingRateStoresTheRootBelowTheReachableDegree) {
    law = {0.01, 0.0, 10.0, 0.0, 1.0, 1.0, 1.0};
    limit = {0.0, -50.0};  // amax 1 in double precision
    write_tables();
    V svar(4, 0.0);
    heat(svar, 400.0, 1.0);
    EXPECT_NEAR(svar[0], (8.99 + std::sqrt(8.99 * 8.99 + 0.4)) / 20.0, 1e-14);
    EXPECT_DOUBLE_EQ(svar[1], rate_of(law, 400.0, svar[0], 1.0));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// The expansion routine advances the cure at the temperature at the end of the increment,
// temp(1) + temp(2): with rate = k(T) (amax - a), k = A exp(-E/RT), the step is
// d = (d0 + dt k amax) / (1 + dt k) with k and amax at 420 K, not at the 400 K of temp(1).
TEST_F(CureRoutines, ExpansionCuresAtTheEndOfIncrementTemperature) {
    law = single_term(1.0e7, 6.0e4, 1.0);
    write_tables();
    auto step = [&](double t, double d0, double dt) {
        const double k = 1.0e7 * std::exp(-6.0e4 / (R * t));
        return (d0 + dt * k * amax(t)) / (1.0 + dt * k);
    };
    const double d0 = 0.1, dt = 1.0;
    V svar(508, 0.0);
    svar[0] = d0;
    expand(svar, 400.0, 20.0, 10.0, dt);
    // The fixed point stops once the rate changes by less than 1e-6: d within about dt 1e-6.
    EXPECT_NEAR(svar[0], step(420.0, d0, dt), 2e-6);
    EXPECT_GT(std::fabs(step(400.0, d0, dt) - step(420.0, d0, dt)), 0.05);
    EXPECT_EQ(svar[3], amax(420.0));
    EXPECT_DOUBLE_EQ(svar[1], 1.0e7 * std::exp(-6.0e4 / (R * 420.0)) * (amax(420.0) - svar[0]));
    EXPECT_DOUBLE_EQ(svar[2], tg_of(svar[0]));
    // A cooling increment cures at the lower end temperature.
    V cool(508, 0.0);
    cool[0] = d0;
    expand(cool, 420.0, -20.0, 10.0, dt);
    EXPECT_NEAR(cool[0], step(400.0, d0, dt), 2e-6);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// ---- Refused points: the state as it came, no heat or expansion -------------------------------------

// The reachable degree in slot 4 is one the update stored, in [0, 1]: 0 (a fresh point), the
// least subnormal, 0.5 and 1 are served; a value outside, which the update would take as the
// reachable degree and store again (1e10 gave the degree 1e10 and a flux of 2.25e18), refuses
// the point with its own report.
TEST_F(CureRoutines, ReachableDegreeOutsideZeroOneRefusesThePoint) {
    for (const double r : {0.0, 5e-324, 0.5, 1.0}) {
        SCOPED_TRACE(r);
        tvktest::clear_errors();
        V h = {0.1, 0.0, 0.0, r}, e(508, 0.0);
        e[0] = 0.1, e[3] = r;
        EXPECT_GT(heat(h, 460.0, 2.0), 0.0);
        expand(e, 440.0, 1.0, 10.0, 2.0);
        EXPECT_GT(h[0], 0.1);
        EXPECT_GT(e[0], 0.1);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    }
    for (const double r : {-1e-3, std::nextafter(1.0, 2.0), 1e10, 1e200, HUGE_VAL, std::nan("")}) {
        SCOPED_TRACE(r);
        expect_refused(3, r, "reachable degree of cure svar(4) not in [0, 1]");
    }
}

// The degree of cure in slot 1 is one the update stored, in [0, 1]: 0, the least subnormal, 0.5 and
// 1 are served, with the glass transition of that degree's step. A value outside (a degree of 2
// gave a glass transition of -1536.85 K at level 0) refuses the point with its own report, except
// at the start of an expansion analysis, where the cure starts over and slot 1 is not read.
TEST_F(CureRoutines, DegreeOfCureOutsideZeroOneRefusesThePoint) {
    for (const double d : {0.0, 5e-324, 0.5, 1.0}) {
        SCOPED_TRACE(d);
        tvktest::clear_errors();
        V h = {d, 0.0, 0.0, 0.0}, e(508, 0.0);
        e[0] = d;
        heat(h, 460.0, 2.0);
        expand(e, 440.0, 1.0, 10.0, 2.0);
        EXPECT_GE(h[0], d);
        EXPECT_GE(e[0], d);
        EXPECT_DOUBLE_EQ(h[2], tg_of(h[0]));
        EXPECT_GT(h[2], 273.15 + transition[0] - 1e-9);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    }
    for (const double d : {-1e-3, -5e-324, std::nextafter(1.0, 2.0), 2.0, HUGE_VAL, std::nan("")}) {
        SCOPED_TRACE(d);
        expect_refused(0, d, "degree of cure svar(1) not in [0, 1]");
        // At total time 0 the cure starts from 0 whatever slot 1 held.
        tvktest::clear_errors();
        V e(508, 0.25);
        e[0] = d;
        expand(e, 440.0, 1.0, 0.0, 2.0);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        EXPECT_GT(e[0], 0.0);
        EXPECT_LE(e[0], e[3]);
    }
}

// Rate 1e-303 (1 - d) + 1e20 d (1 - d) over 1e300 s: the iterates go 1e-3, inf, 0 (bounced off
// amax = 1) and stop on 1e-3, and the bracketed root's first trial, near 1e-3, makes dt rate
// overflow (a level -3 report of the root finder). The point is refused whole: the iterate 1e-3
// was stored before.
TEST_F(CureRoutines, RefusedRootOfTheStepRefusesThePointWhole) {
    law = {1e-303, 0.0, 1e20, 0.0, 1.0, 1.0, 1.0};
    limit = {0.0, -50.0};  // amax 1 in double precision
    write_tables();
    V h = {0.0, 0.5, 300.0, 0.0};
    EXPECT_EQ(heat(h, 400.0, 1e300), 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(h, V({0.0, 0.5, 300.0, 0.0}));
    tvktest::clear_errors();
    V e(508, 0.0);
    e[1] = 0.5, e[2] = 300.0;
    const V e0 = e;
    EXPECT_EQ(expand(e, 400.0, 0.0, 10.0, 1e300), V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(e, e0);
    // The same law over 1 s is served.
    tvktest::clear_errors();
    heat(h, 400.0, 1.0);
    EXPECT_GT(h[0], 0.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

// The accumulated strains are checked before they are stored: a glassy point (300 K, below the Tg
// of its degree 0.99) whose thermal sum (slot 503) stands at the largest double overflows with an
// increment of 5e-5 x 1e300, and one whose chemical sum (slot 506) stands at minus the largest
// double overflows with a shrinkage of -1e306 times a cure of some tenths: both are refused with
// their state as it came. Short of the overflow the sums are stored.
TEST_F(CureRoutines, OverflowingAccumulatedStrainIsNotStored) {
    const double huge = std::numeric_limits<double>::max();
    V g(508, 0.0);
    g[0] = g[3] = 0.99;
    g[502] = huge;
    const V g0 = g;
    EXPECT_EQ(expand(g, 300.0, 1e300, 10.0, 0.5), V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(g, g0);
    tvktest::clear_errors();
    g[502] = 1e308;
    expand(g, 300.0, 1e300, 10.0, 0.5);
    EXPECT_EQ(g[502], 1e308 + 5e-5 * 1e300);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);

    shrinkage[0] = -1e306;
    write_tables();
    V c(508, 0.0);
    c[0] = 0.5, c[505] = -huge;  // glassy at 300 K, curing at 460 K
    const V c0 = c;
    EXPECT_EQ(expand(c, 300.0, 160.0, 10.0, 2.0), V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(c, c0);
    tvktest::clear_errors();
    c[505] = -1e308;
    expand(c, 300.0, 160.0, 10.0, 2.0);
    EXPECT_LT(c[505], -1e308);
    EXPECT_GT(c[0], 0.5);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

}  // namespace
