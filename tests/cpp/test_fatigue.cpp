// The fatigue ply routine driven as an implicit solver drives it: a fatigue step of several
// hundred load cycles on one point, then a step with cycle jumps up to the cycle limit; a direct
// cyclic analysis whose repeated cycle block starts again from the backup; woven plies as two
// sub-plies; initialisation of the state vector and refused inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "growth/shokrieh.h"
#include "material_fixtures.h"
#include "single_point_driver.h"
#include "solver/umat_shokrieh.h"

namespace {

namespace slot = tvk::fatigue::slot;
using tvktest::UmatPoint;

constexpr int nall = 312;
constexpr int b1 = 1, b2 = 78, k1 = 157, k2 = 234;  // 0-based starts of the blocks and backups

using tvktest::shokrieh_props;

// The cycle plan of `nsteps` steps; step s gets algorithm algo[s-1].
struct Plan {
    Plan(std::vector<int> algo, double maxcycle) {
        const auto n = static_cast<std::int64_t>(algo.size());
        tvk::shokriehdata.cycleprops.allocate({10, n});
        for (std::int64_t s = 1; s <= n; ++s) {
            *tvk::shokriehdata.cycleprops.at(2, s) = 1.0;
            *tvk::shokriehdata.cycleprops.at(3, s) = algo[s - 1];
            *tvk::shokriehdata.cycleprops.at(4, s) = 1.0;      // period
            *tvk::shokriehdata.cycleprops.at(5, s) = 1000.0;   // calculation time
            *tvk::shokriehdata.cycleprops.at(7, s) = 1.0;      // fixed jump
            *tvk::shokriehdata.cycleprops.at(10, s) = maxcycle;
        }
        tvk::jobdata.nsteps = static_cast<int>(n);
    }
    ~Plan() {
        tvk::shokriehdata.cycleprops.release();
        tvk::shokriehdata.cycles.release();
        tvk::shokriehdata.dnfshok = 0.0;
        tvk::jobdata.nsteps = 0;
    }
};

UmatPoint fatigue_point(double angle = 0.0, int ndi = 3, int nshr = 3) {
    UmatPoint p(umat_shokrieh, ndi, nshr, nall, shokrieh_props(angle));
    p.temp = 240.0;
    p.dtime = 0.5;
    p.kinc = 1;
    return p;
}

std::vector<double> to_strain(const UmatPoint& p, double e11) {
    std::vector<double> d(p.ntens, 0.0);
    d[0] = e11 - p.stran[0];
    return d;
}

// x = A^-1 b for a small column-major A (Gaussian elimination with partial pivoting).
std::vector<double> solve(std::vector<double> a, std::vector<double> b) {
    const int n = static_cast<int>(b.size());
    for (int c = 0; c < n; ++c) {
        int piv = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(a[r + c * n]) > std::fabs(a[piv + c * n])) piv = r;
        for (int k = 0; k < n; ++k) std::swap(a[c + k * n], a[piv + k * n]);
        std::swap(b[c], b[piv]);
        for (int r = c + 1; r < n; ++r) {
            const double f = a[r + c * n] / a[c + c * n];
            for (int k = c; k < n; ++k) a[r + k * n] -= f * a[c + k * n];
            b[r] -= f * b[c];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        for (int k = r + 1; k < n; ++k) b[r] -= a[r + k * n] * b[k];
        b[r] /= a[r + r * n];
    }
    return b;
}

// The increment under stress control: Newton on the returned tangent with trial calls (the
// point is a function of its incoming state), then the committed call.
void stress_increment(UmatPoint& p, const std::vector<double>& target) {
    std::vector<double> d(p.ntens, 0.0);
    for (int it = 0; it < 8; ++it) {
        UmatPoint t = p;
        t.call(d);
        std::vector<double> r(p.ntens);
        double err = 0.0;
        for (int i = 0; i < p.ntens; ++i) {
            r[i] = target[i] - t.stress[i];
            err = std::max(err, std::fabs(r[i]));
        }
        if (err < 1e-9) break;
        const std::vector<double> dd = solve(t.ddsdde, r);
        for (int i = 0; i < p.ntens; ++i) d[i] += dd[i];
    }
    p.increment(d);
}

// One tension-tension load cycle under stress control: up to the peak stresses, down to a tenth
// of them.
void load_cycle(UmatPoint& p, double s11, double s22) {
    stress_increment(p, {s11, s22, 0, 0, 0, 0});
    stress_increment(p, {0.1 * s11, 0.1 * s22, 0, 0, 0, 0});
    ASSERT_NEAR(p.stress[0], 0.1 * s11, 1e-6);
}

struct Snapshot {
    std::vector<double> factors, life;
    double n, fibre, matrix;
    explicit Snapshot(const UmatPoint& p)
        : factors(p.statev.begin() + b1 + slot::stiffness, p.statev.begin() + b1 + slot::strength + 9),
          life(p.statev.begin() + b1 + slot::life, p.statev.begin() + b1 + slot::life + 6),
          n(p.statev[b1 + slot::cycle]), fibre(p.statev[b1 + slot::fibre_index]),
          matrix(p.statev[b1 + slot::matrix_index]) {}
};

// Residual factors never rise, consumed lives, indices and the cycle number never fall.
void expect_monotone(const Snapshot& before, const Snapshot& after) {
    for (std::size_t k = 0; k < before.factors.size(); ++k) EXPECT_LE(after.factors[k], before.factors[k]) << k;
    // (the consumed life is re-derived from the residual strength each cycle: equal to rounding
    // when the cycle adds no cycles)
    for (std::size_t k = 0; k < before.life.size(); ++k) EXPECT_GE(after.life[k], before.life[k] * (1.0 - 1e-9)) << k;
    EXPECT_GE(after.n, before.n);
    EXPECT_GE(after.fibre, before.fibre);
    EXPECT_GE(after.matrix, before.matrix);
}

TEST(FatigueRoutine, SeveralHundredCyclesThenJumpsToTheCycleLimit) {
    tvktest::clear_errors();
    const double maxcycle = 2000.0;
    Plan plan({1, 4}, maxcycle);
    tvk::shokriehdata.dnfshok = 49.5;  // jumps of 50 in the second step
    UmatPoint p = fatigue_point();
    const double s11 = 1000.0, s22 = 20.0;  // half the tensile strength 11, 0.4 of 22
    // The first load cycle starts from the state's zero bottom ratios (its stress ratio is 0, not
    // 0.1), and the second re-counts its life on the curve of ratio 0.1; from the third on the
    // consumed life grows by one cycle on that curve per cycle.
    for (int c = 0; c < 3; ++c) load_cycle(p, s11, s22);
    Snapshot last(p);
    for (int c = 4; c <= 300; ++c) {
        load_cycle(p, s11, s22);
        const Snapshot now(p);
        expect_monotone(last, now);
        ASSERT_EQ(now.n, c + 1.0);
        ASSERT_EQ(p.pnewdt, 1.0);
        last = now;
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    // Three hundred cycles at half the strength have lowered strength and stiffness a little.
    const double* s = p.statev.data() + b1;
    EXPECT_LT(s[slot::strength + 0], 0.999);
    EXPECT_GT(s[slot::strength + 0], 0.9);
    EXPECT_LT(s[slot::stiffness + 0], 1.0);
    EXPECT_GT(s[slot::life + 0], 0.0);
    EXPECT_EQ(s[slot::fibre_failed], 0.0);
    EXPECT_LT(s[slot::strength + 2], 1.0);
    EXPECT_GT(s[slot::life + 1], 0.0);
    // The strain of the same stress grows as the stiffness falls.
    EXPECT_GT(p.stran[0], 0.1 * s11 / 140e3);

    // Second step: a jump of 50 at the start of every cycle, cut at the cycle limit.
    p.jstep[0] = 2;
    p.time[0] = 0.0;
    p.kinc = 1;
    double n_before = s[slot::cycle];
    for (int c = 1; c <= 60; ++c) {
        load_cycle(p, s11, s22);
        const Snapshot now(p);
        expect_monotone(last, now);
        ASSERT_LE(now.n, maxcycle);
        ASSERT_LE(s[slot::jump], 50.0);
        last = now;
    }
    EXPECT_EQ(s[slot::cycle], maxcycle);
    EXPECT_GT(s[slot::cycle] - n_before, 1500.0);
    EXPECT_LT(s[slot::strength + 0], 0.99);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    // The backups of a non-direct-cyclic run stay as initialised.
    EXPECT_EQ(p.statev[k1 + slot::cycle], 1.0);
    EXPECT_EQ(p.statev[k2 + slot::stiffness], 1.0);
}

TEST(FatigueRoutine, RepeatedCycleBlockRestartsFromTheBackup) {
    tvktest::clear_errors();
    Plan plan({5}, 1e6);
    tvk::shokriehdata.cycles.allocate({1, 1});
    UmatPoint p = fatigue_point();
    p.jstep[1] = 6;  // direct cyclic
    const double peak = 0.0075;  // strain control
    // Block 1 (cycle 1): the state starts at cycle 0 and takes the solver's cycle number.
    *tvk::shokriehdata.cycles.at(1, 1) = 1.0;
    p.call(std::vector<double>(6, 0.0));
    EXPECT_EQ(p.statev[b1 + slot::cycle], 1.0);
    EXPECT_EQ(p.statev[b1 + slot::jump], 1.0);
    for (int blockno = 2; blockno <= 4; ++blockno) {
        *tvk::shokriehdata.cycles.at(1, 1) = 1.0 + 10.0 * (blockno - 1);
        p.time[0] = 0.0;
        p.kinc = 1;
        p.stran.assign(6, 0.0);
        const UmatPoint start = p;
        for (int c = 0; c < 2; ++c) {
            p.increment(to_strain(p, peak));
            p.increment(to_strain(p, 0.1 * peak));
        }
        EXPECT_EQ(p.statev[b1 + slot::cycle], 1.0 + 10.0 * (blockno - 1));
        EXPECT_EQ(p.statev[b1 + slot::jump], 10.0);
        // The solver repeats the block: its first increment, from the state reached meanwhile,
        // gives exactly what the first increment of the block gave.
        UmatPoint first = start;
        first.increment(to_strain(first, peak));
        UmatPoint again = start;
        again.statev = p.statev;
        again.increment(to_strain(again, peak));
        EXPECT_EQ(again.statev, first.statev);
        EXPECT_EQ(again.stress, first.stress);
        EXPECT_EQ(again.ddsdde, first.ddsdde);
        // Backup and block agree at that point on everything but the running cycle's values.
        for (int k : {slot::cycle, slot::jump, slot::stiffness, slot::strength, slot::life})
            EXPECT_EQ(again.statev[k1 + k], again.statev[b1 + k]) << k;
    }
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(FatigueRoutine, Initialisation) {
    tvktest::clear_errors();
    UmatPoint p = fatigue_point();
    p.call(std::vector<double>(6, 0.0));
    for (int b : {b1, b2, k1, k2}) {
        EXPECT_EQ(p.statev[b + slot::cycle], 1.0) << b;
        EXPECT_EQ(p.statev[b + slot::jump], 1.0) << b;
        EXPECT_EQ(p.statev[b + slot::stiffness + 3], 1.0) << b;
        EXPECT_EQ(p.statev[b + slot::strength + 8], 1.0) << b;
    }
    EXPECT_EQ(p.statev[b1 + slot::cycles_left], tvk::huge);
    // A state whose last variable holds the marker is initialised even when others are set; in a
    // direct cyclic analysis cycle and jump start at 0.
    UmatPoint q = fatigue_point();
    std::fill(q.statev.begin(), q.statev.end(), 0.25);
    q.statev[nall - 1] = 1e35;
    q.jstep[1] = 7;
    q.call(std::vector<double>(6, 0.0));
    for (int b : {b2, k2}) {
        EXPECT_EQ(q.statev[b + slot::cycle], 0.0);
        EXPECT_EQ(q.statev[b + slot::jump], 0.0);
        EXPECT_EQ(q.statev[b + slot::stiffness], 1.0);
    }
    EXPECT_EQ(q.statev[155], 0.0);
    EXPECT_EQ(q.statev[311], 0.0);
    EXPECT_EQ(q.statev[156], 0.25);  // variable 1 as it was at initialisation
    EXPECT_EQ(q.statev[0], 0.0);     // the sub-ply angle of the properties
    // In a later increment nothing is initialised.
    UmatPoint r = fatigue_point();
    r.kinc = 2;
    r.call(std::vector<double>(6, 0.0));
    EXPECT_EQ(r.statev[b2 + slot::cycle], 0.0);
}

TEST(FatigueRoutine, UnidirectionalPlyUsesTheFirstBlockOnly) {
    tvktest::clear_errors();
    Plan plan({1}, 1e6);
    UmatPoint p = fatigue_point();
    p.call(std::vector<double>(6, 0.0));
    const std::vector<double> init = p.statev;
    for (int c = 0; c < 5; ++c) load_cycle(p, 1000.0, 20.0);
    EXPECT_NE(std::vector<double>(p.statev.begin() + b1, p.statev.begin() + b2),
              std::vector<double>(init.begin() + b1, init.begin() + b2));
    EXPECT_EQ(std::vector<double>(p.statev.begin() + b2, p.statev.begin() + b2 + 77),
              std::vector<double>(init.begin() + b2, init.begin() + b2 + 77));
    EXPECT_EQ(std::vector<double>(p.statev.begin() + k2, p.statev.begin() + k2 + 77),
              std::vector<double>(init.begin() + k2, init.begin() + k2 + 77));
}

TEST(FatigueRoutine, WovenPlyOfTwoSubPlies) {
    tvktest::clear_errors();
    const std::vector<double> d = {1e-3, -4e-4, 2e-4, 6e-4, -3e-4, 1e-4};
    UmatPoint plus = fatigue_point(30.0), minus = fatigue_point(-30.0);
    plus.increment(d);
    minus.increment(d);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(plus.stress[i], minus.stress[i], 1e-12 * 200.0) << i;
    EXPECT_EQ(plus.statev[0], 30.0);
    // Both sub-plies carry their own stress: +30 and -30 degrees see different strains.
    EXPECT_NE(plus.statev[b1 + slot::stress + 3], plus.statev[b2 + slot::stress + 3]);
    // The tangent is the central difference of the averaged sub-ply stresses.
    tvktest::check_tangent(plus, d, 1e-7, 1e-6);
    // At 0 degrees the two sub-plies would coincide: a unidirectional ply gives the same stress.
    UmatPoint ud = fatigue_point(0.0);
    ud.increment(d);
    UmatPoint near_ud = fatigue_point(1e-9);
    near_ud.increment(d);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(near_ud.stress[i], ud.stress[i], 1e-9 * 300.0) << i;
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
}

TEST(FatigueRoutine, ShellPointIsPlaneStressHooke) {
    tvktest::clear_errors();
    UmatPoint p = fatigue_point(0.0, 2, 1);
    const std::vector<double> d = {1e-3, -2e-4, 3e-4};
    p.increment(d);
    // Plane-stress stiffness of the lower block (temperature below both blocks).
    const double e1 = 140e3, e2 = 10e3, nu12 = 0.3, g12 = 5e3, nu21 = nu12 * e2 / e1, den = 1.0 - nu12 * nu21;
    const double q[3][3] = {{e1 / den, nu12 * e2 / den, 0}, {nu12 * e2 / den, e2 / den, 0}, {0, 0, g12}};
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(p.tangent(i, j), q[i][j], 1e-9 * e1) << i << j;
            s += q[i][j] * d[j];
        }
        EXPECT_NEAR(p.stress[i], s, 1e-12 * 200.0) << i;
    }
    double w = 0.0;
    for (int i = 0; i < 3; ++i) w += 0.5 * p.stress[i] * d[i];
    EXPECT_NEAR(p.sse, w, 1e-15);
}

TEST(FatigueRoutine, umat_shokrieh_with_fewer_than_312_state_variables) {
    // The two blocks and their backups need 312 state variables; fewer were read and written
    // beyond the state vector.
    tvktest::clear_errors();
    UmatPoint p(umat_shokrieh, 3, 3, 200, shokrieh_props());
    p.kinc = 1;
    p.stress = {1, 2, 3, 4, 5, 6};
    std::fill(p.ddsdde.begin(), p.ddsdde.end(), 7.0);
    const std::vector<double> state = p.statev;
    p.call({1e-3, 0, 0, 0, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(p.stress, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(p.statev, state);
    for (double c : p.ddsdde) EXPECT_EQ(c, 0.0);
    // Five stress components and short property vectors are refused the same way.
    tvktest::clear_errors();
    UmatPoint five(umat_shokrieh, 3, 2, nall, shokrieh_props());
    five.call(std::vector<double>(5, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
    std::vector<double> shortp = shokrieh_props();
    shortp.resize(140);
    UmatPoint sp(umat_shokrieh, 3, 3, nall, shortp);
    sp.call(std::vector<double>(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    tvktest::clear_errors();
}

}  // namespace

// ---- Load-cycle extremes, evaluation temperature and cycle jumps --------------------------------
namespace {

// Closed forms of the Shokrieh-Lessard fatigue model (normalised master S-N curve, residual
// strength and stiffness in the cycle fraction (log x + log 4)/(log NF + log 4)).
struct ShokriehLaw {
    double a, b, u, v, c;  // master curve, mean-stress exponents, |compressive| / tensile strength
    // Cycles to failure of a cycle between the tensile ratios smax and smin.
    double cycles_to_failure(double smax, double smin) const {
        const double sa = (smax - smin) / 2.0, sm = (smax + smin) / 2.0;
        const double f = std::min(sa / (std::pow(1.0 - sm, u) * std::pow(c + sm, v)), a * std::pow(10.0, b));
        return std::min(std::pow(f / a, 1.0 / b), tvk::huge);
    }
};
const double log4 = std::log10(4.0);
double residual(double x, double s, double alpha, double beta, double nf) {
    const double q = (std::log10(x) + log4) / (std::log10(nf) + log4);
    return (1.0 - s) * std::pow(1.0 - std::pow(q, beta), 1.0 / alpha) + s;
}
// The cycle count at which the residual law has fallen to f.
double equivalent_cycles(double f, double s, double alpha, double beta, double nf) {
    const double p = (f - s) / (1.0 - s);
    return std::pow(10.0, std::pow(1.0 - std::pow(p, alpha), 1.0 / beta) * (std::log10(nf) + log4) - log4);
}

// The fixture's property block at temperature t (linear between its blocks at 250 K and 350 K).
std::vector<double> block_at(double t) {
    const std::vector<double> lo = tvktest::shokrieh_block(250.0, 1.0), up = tvktest::shokrieh_block(350.0, 1.1);
    const double w = std::clamp((t - 250.0) / 100.0, 0.0, 1.0);
    std::vector<double> b(74);
    for (int k = 0; k < 74; ++k) b[k] = lo[k] + (up[k] - lo[k]) * w;
    return b;
}
// Component 11 of a block: master curve, exponents and strengths.
struct Fibre {
    ShokriehLaw law;
    double xt, xc, alpha_t, beta_t, alpha_c, beta_c, lambda, gamma;
    explicit Fibre(const std::vector<double>& b)
        : law{b[48], b[49], b[61], b[67], std::abs(b[12]) / b[9]}, xt(b[9]), xc(std::abs(b[12])), alpha_t(b[18]),
          beta_t(b[27]), alpha_c(b[19]), beta_c(b[28]), lambda(b[36]), gamma(b[42]) {}
};

// The increment to the target stress of a point whose stress is linear in the strain (the secant
// laws without shear): its stiffness from trial calls, then the committed call. (A cycle end
// returns the tangent of the degraded point, not of the stress it returns.)
void secant_stress_increment(UmatPoint& p, const std::vector<double>& target) {
    const int n = p.ntens;
    const std::vector<double> zero(n, 0.0);
    const std::vector<double> s0 = p.trial(zero);
    std::vector<double> k(n * n), r(n);
    for (int j = 0; j < n; ++j) {
        std::vector<double> d = zero;
        d[j] = 1e-4;
        const std::vector<double> sj = p.trial(d);
        for (int i = 0; i < n; ++i) k[i + j * n] = (sj[i] - s0[i]) / 1e-4;
    }
    for (int i = 0; i < n; ++i) r[i] = target[i] - s0[i];
    p.increment(solve(k, r));
}

// One load cycle of pure fibre-direction stress under stress control through the given levels.
void stress_cycle(UmatPoint& p, std::initializer_list<double> levels) {
    for (double s : levels) secant_stress_increment(p, {s, 0, 0, 0, 0, 0});
}

double factor(const UmatPoint& p, int k) { return p.statev[b1 + slot::strength + k]; }

}  // namespace

// The compressive side of a load cycle goes to the gradual degradation as its largest compressive
// level; the cycle's smallest compressive magnitude once stood in for it, so that a cycle at 0.9
// of the compressive strength lowered that strength towards a low level without failing.
TEST(FatigueRoutine, CompressionCycleDegradesTowardsItsLargestCompressiveLevelAndFailsAtItsLife) {
    tvktest::clear_errors();
    Plan plan({1}, 1e9);
    const Fibre f(block_at(240.0));
    const double peak = 0.9, valley = 0.19;  // compressive levels over the compressive strength
    // The tensile side of the cycle: 0 (the running maximum's start) down to -peak xc / xt.
    const double nf = f.law.cycles_to_failure(1e-8, -peak * f.xc / f.xt);
    const double jump = std::round(0.6 * nf);
    *tvk::shokriehdata.cycleprops.at(7, 1) = jump;
    UmatPoint p = fatigue_point();
    double x = 1.0;
    for (int c = 1; c <= 3; ++c) {
        stress_cycle(p, {-peak * f.xc, -valley * f.xc});
        if (c == 3) break;
        // Compression-dominated: the compressive strength falls towards 0.9, the tensile one
        // (the other side) towards the cycle's tensile level.
        EXPECT_NEAR(1.0 - factor(p, 1), 1.0 - residual(x, peak, f.alpha_c, f.beta_c, nf),
                    1e-9 * (1.0 - factor(p, 1))) << c;
        EXPECT_NEAR(1.0 - factor(p, 0), 1.0 - residual(x, 1e-8, f.alpha_t, f.beta_t, nf),
                    1e-9 * (1.0 - factor(p, 0))) << c;
        EXPECT_GT(factor(p, 1), peak);
        EXPECT_NEAR(p.statev[b1 + slot::life], x / nf, 1e-9 * x / nf);
        EXPECT_EQ(p.statev[b1 + slot::fibre_failed], 0.0);
        x = 1.0 + c * jump;  // the next block ends at this equivalent cycle count
    }
    // The third block passes the cycles to failure: the direction fails by fatigue.
    ASSERT_GE(x, nf);
    EXPECT_EQ(p.statev[b1 + slot::life], 1.0);
    EXPECT_EQ(p.statev[b1 + slot::fibre_failed], 1.0);
    EXPECT_EQ(factor(p, 1), 0.1);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(FatigueRoutine, TensionCompressionCycleTakesItsLargestCompressiveLevel) {
    tvktest::clear_errors();
    Plan plan({1}, 1e9);
    const Fibre f(block_at(240.0));
    UmatPoint p = fatigue_point();
    p.dtime = 0.25;
    // Through zero in both directions: the smallest compressive magnitude of the cycle is small.
    const double t_peak = 0.5, c_peak = 0.6;
    stress_cycle(p, {t_peak * f.xt, 0.02 * f.xt, -c_peak * f.xc, -0.05 * f.xc});
    const double smin_t = -c_peak * f.xc / f.xt;
    const double nf = f.law.cycles_to_failure(t_peak, smin_t);
    // Compression-dominated (0.6 > 0.5): own side compression at 0.6, the tensile side at 0.5.
    EXPECT_NEAR(1.0 - factor(p, 1), 1.0 - residual(1.0, c_peak, f.alpha_c, f.beta_c, nf), 1e-9 * (1.0 - factor(p, 1)));
    EXPECT_NEAR(1.0 - factor(p, 0), 1.0 - residual(1.0, t_peak, f.alpha_t, f.beta_t, nf), 1e-9 * (1.0 - factor(p, 0)));
    const double de = residual(1.0, c_peak, f.gamma, f.lambda, nf);
    EXPECT_NEAR(1.0 - p.statev[b1 + slot::stiffness], 1.0 - de, 1e-9 * (1.0 - de));
    // The compressive extremes of the cycle are signed; they restart after the cycle end, the
    // maximum from the lowest double.
    EXPECT_EQ(p.statev[b1 + slot::compression_max], -tvk::huge);
    EXPECT_EQ(p.statev[b1 + slot::compression_min], tvk::huge);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(FatigueRoutine, AdaptiveJumpComparesTheLargestCompressiveLevel) {
    tvktest::clear_errors();
    Plan plan({6}, 1e9);
    const std::vector<double> b = block_at(240.0);
    const Fibre f(b);
    UmatPoint p = fatigue_point();
    p.dtime = 0.25;
    const double t_peak = 0.5, c_peak = 0.6;
    stress_cycle(p, {t_peak * f.xt, 0.02 * f.xt, -c_peak * f.xc, -0.05 * f.xc});
    // Component 11 on its compressive side (0.6 of xc outweighs 0.5 of xt), the cycle mirrored:
    // peak 0.6 xc, bottom minus the tensile peak; with the consumed life, the current strength
    // and stiffness after the cycle's degradation.
    const double* s = p.statev.data() + b1;
    const double e0 = b[0], life = s[slot::life], en = s[slot::moduli], de = s[slot::stiffness];
    const double degr = 0.1, dtol = 0.9;
    const auto allowed = [&](bool compression) {
        const double ft = compression ? f.xc : f.xt, fc = compression ? f.xt : f.xc;
        const double peak = compression ? c_peak * f.xc : t_peak * f.xt;
        double bottom = compression ? -t_peak * f.xt : -c_peak * f.xc;
        const double epsf = ft / e0, xn = ft * s[slot::strength + (compression ? 1 : 0)];
        const double df = s[slot::strength + (compression ? 1 : 0)];
        const double alpha = compression ? f.alpha_c : f.alpha_t, beta = compression ? f.beta_c : f.beta_t;
        double cj = 0.0;
        AllowableCycleJump(&peak, &bottom, &ft, &fc, &ft, &e0, &epsf, &f.law.a, &f.law.b, &f.law.u, &f.law.v, &life,
                           &cj, &alpha, &beta, &f.gamma, &f.lambda, &xn, &en, &de, &df, &degr, &dtol);
        return cj;
    };
    const double expected = allowed(true);
    ASSERT_TRUE(std::isfinite(expected));
    EXPECT_NEAR(s[slot::cycles_left], expected, 1e-9 * std::abs(expected));
    EXPECT_GT(std::abs(allowed(false) - expected), 1e-3 * std::abs(expected));  // the side matters
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- The side and the levels of the adaptive jump -----------------------------------------------
namespace {

// The allowable jump of a stress cycle (peak and bottom stress on the side judged, own strength
// ft, the other side's fc) in closed form: the cycles at which the residual strength and the
// residual stiffness have fallen to 0.9 of their current values x_n and e_n, less those consumed.
double allowable_closed_form(double peak, double bottom, double ft, double fc, double e0, const ShokriehLaw& law,
                             double nm, double alpha, double beta, double gamma, double lambda, double x_n,
                             double e_n) {
    const double smax = std::max(peak, bottom), r = std::min(peak, bottom) / smax;
    const double sa = (1.0 - r) * smax / 2.0, sm = (1.0 + r) * smax / 2.0, so = std::max(sm + sa, std::abs(sm - sa));
    const double q = sm / ft, c = fc / ft;
    const double f = (sa / ft) / (std::pow(1.0 - q, law.u) * std::pow(c + q, law.v));
    const double w = std::min(law.a * std::pow(10.0, law.b), f);
    const double lognf = std::log10(w / law.a) / law.b;
    const auto cycles = [&](double x, double x0, double s, double a, double b) {
        return std::pow(10.0, std::pow(1.0 - std::pow((0.9 * x - s) / (x0 - s), a), 1.0 / b) * (lognf + log4) - log4);
    };
    const double ns = cycles(x_n, ft, so, alpha, beta), ne = cycles(e_n, e0, so / (ft / e0), gamma, lambda);
    return std::min(ns, ne) - std::max(1.0, nm * std::pow(10.0, lognf));
}

// The allowable jump of component 11 of the point after a cycle between the stresses peak and
// bottom (MPa, both of one sign or peak the larger magnitude), on the side given.
double fibre_allowable(const UmatPoint& p, const Fibre& f, const std::vector<double>& b, bool compression,
                       double peak, double bottom) {
    const double* s = p.statev.data() + b1;
    const double ft = compression ? f.xc : f.xt, fc = compression ? f.xt : f.xc;
    const double df = s[slot::strength + (compression ? 1 : 0)];
    const ShokriehLaw law{f.law.a, f.law.b, f.law.u, f.law.v, 0.0};
    return allowable_closed_form(std::abs(peak), compression ? -bottom : bottom, ft, fc, b[0], law, s[slot::life],
                                 compression ? f.alpha_c : f.alpha_t, compression ? f.beta_c : f.beta_t, f.gamma,
                                 f.lambda, ft * df, s[slot::moduli]);
}

}  // namespace

// A cycle that never entered compression was judged on its compressive side when its smallest
// tensile stress, over the compressive strength, outweighed its peak over the tensile strength
// (|XC| < XT and R > XC/XT): here 1120 to 1600 MPa against XT 2000 and XC 1200. Its peak over
// XC is above 1, which leaves the fibre without a finite allowable jump on that side.
TEST(FatigueRoutine, AdaptiveJumpJudgesATensionCycleOnItsTensileSide) {
    tvktest::clear_errors();
    Plan plan({6}, 1e9);
    const std::vector<double> b = block_at(240.0);
    const Fibre f(b);
    UmatPoint p = fatigue_point();
    p.dtime = 0.25;
    // The second cycle is the first whose extremes restarted (at the first one's end).
    for (int c = 0; c < 2; ++c) stress_cycle(p, {1400.0, 1600.0, 1300.0, 1120.0});
    ASSERT_GT(1120.0 / f.xc, 1600.0 / f.xt);  // the compressive-side ratio is the larger one
    const double tension = fibre_allowable(p, f, b, false, 1600.0, 1120.0);
    ASSERT_TRUE(std::isfinite(tension));
    EXPECT_NEAR(p.statev[b1 + slot::cycles_left], tension, 1e-9 * tension);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// A cycle that stays in compression entered the allowable jump with a bottom of 0 (its signed
// maximum restarted at 0) instead of its smallest compressive level, which cut the jump about
// sixteenfold for -1020 to -510 MPa. A first step of fixed jumps lifts the cap that the last jump
// puts on the adaptive one above the allowable of a zero bottom, so that the jump taken shows
// which bottom entered.
TEST(FatigueRoutine, AdaptiveJumpOfACompressionCycleTakesItsSmallestCompressiveLevelAsTheBottom) {
    tvktest::clear_errors();
    Plan plan({1, 6}, 1e9);
    const double lifted = 5000.0;
    *tvk::shokriehdata.cycleprops.at(7, 1) = lifted;
    const std::vector<double> b = block_at(240.0);
    const Fibre f(b);
    UmatPoint p = fatigue_point();
    p.dtime = 0.25;
    const std::initializer_list<double> cycle = {-765.0, -1020.0, -640.0, -510.0};
    stress_cycle(p, cycle);
    ASSERT_EQ(p.statev[b1 + slot::jump], lifted);
    EXPECT_EQ(p.statev[b1 + slot::compression_max], -tvk::huge);  // restarted at the cycle end
    const double n = p.statev[b1 + slot::cycle];
    p.jstep[0] = 2;
    stress_cycle(p, cycle);
    // The smallest allowable of the point is the fibre's, with the cycle's own bottom.
    const double sound = fibre_allowable(p, f, b, true, -1020.0, -510.0);
    const double zero_bottom = fibre_allowable(p, f, b, true, -1020.0, -1e-8 * f.xc);
    EXPECT_NEAR(p.statev[b1 + slot::cycles_left], sound, 1e-9 * sound);
    ASSERT_LT(zero_bottom, lifted);
    ASSERT_GT(sound, lifted);
    // The jump taken is the last one's cap, applied by the table-bounded rule (aint + 1); a zero
    // bottom would have given aint(zero_bottom) + 1.
    EXPECT_EQ(p.statev[b1 + slot::jump], lifted + 1.0);
    EXPECT_EQ(p.statev[b1 + slot::cycle], n + lifted + 1.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(FatigueRoutine, CycleEndEvaluatesAtTheMeanOfTheCyclesTemperatures) {
    tvktest::clear_errors();
    Plan plan({1}, 1e9);
    UmatPoint p = fatigue_point();
    p.temp = 260.0;
    p.dtemp = 40.0;  // ends at 300 K
    stress_increment(p, {1000.0, 0, 0, 0, 0, 0});
    p.temp = 300.0;
    p.dtemp = 20.0;  // ends at 320 K
    stress_increment(p, {100.0, 0, 0, 0, 0, 0});
    // Lowest 260 K (the first increment's start), highest 320 K.
    EXPECT_EQ(p.statev[b1 + slot::temp_eval], 290.0);
    const Fibre ev(block_at(290.0)), end(block_at(320.0));
    const double r = 1000.0 / block_at(300.0)[9];  // the peak over the tensile strength at 300 K
    const auto loss = [&](const Fibre& f) {
        return 1.0 - residual(1.0, r, f.alpha_t, f.beta_t, f.law.cycles_to_failure(r, 1e-8));
    };
    const auto stiffness_loss = [&](const Fibre& f) {
        return 1.0 - residual(1.0, r, f.gamma, f.lambda, f.law.cycles_to_failure(r, 1e-8));
    };
    EXPECT_NEAR(1.0 - factor(p, 0), loss(ev), 1e-9 * loss(ev));
    EXPECT_NEAR(1.0 - p.statev[b1 + slot::stiffness], stiffness_loss(ev), 1e-9 * stiffness_loss(ev));
    // The properties at the end temperature would give another loss.
    EXPECT_GT(std::abs(loss(end) - loss(ev)), 1e-3 * loss(ev));
    // The current strength is the static one at the end temperature times the factor.
    EXPECT_NEAR(p.statev[b1 + slot::strengths], block_at(320.0)[9] * factor(p, 0), 1e-12 * 2200.0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

TEST(FatigueRoutine, NextTensionCycleSeesItsOwnValleyRatio) {
    tvktest::clear_errors();
    Plan plan({1}, 1e9);
    const double jump = 1000.0;
    *tvk::shokriehdata.cycleprops.at(7, 1) = jump;
    const Fibre f(block_at(240.0));
    UmatPoint p = fatigue_point();
    const double peak = 0.5, valley = 0.05;
    // The first cycle (ending at total time 1) keeps the state's zero valley into the second,
    // which then restarts the valley from the largest double.
    stress_cycle(p, {peak * f.xt, valley * f.xt});
    EXPECT_EQ(p.statev[b1 + slot::tension_min], 1e-8);
    stress_cycle(p, {peak * f.xt, valley * f.xt});
    EXPECT_EQ(p.statev[b1 + slot::tension_min], tvk::huge);
    const double nf0 = f.law.cycles_to_failure(peak, 1e-8);
    const double strength2 = factor(p, 0);
    EXPECT_NEAR(1.0 - strength2, 1.0 - residual(1.0 + jump, peak, f.alpha_t, f.beta_t, nf0), 1e-9 * (1.0 - strength2));
    stress_cycle(p, {peak * f.xt, valley * f.xt});
    // The third cycle's life on the curve of its own valley: the equivalent cycles of the
    // strength reached, plus the jump, over its cycles to failure.
    const double nf = f.law.cycles_to_failure(peak, valley);
    const double life = (equivalent_cycles(strength2, peak, f.alpha_t, f.beta_t, nf) + jump) / nf;
    EXPECT_NEAR(p.statev[b1 + slot::life], life, 1e-9 * life);
    EXPECT_NEAR(1.0 - factor(p, 0), 1.0 - residual(life * nf, peak, f.alpha_t, f.beta_t, nf), 1e-9 * (1.0 - factor(p, 0)));
    EXPECT_GT(std::abs(nf - nf0), 0.1 * nf0);  // a valley of 0 would give another life
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
}

// ---- Refused cycle jumps and inputs that are not finite -------------------------------------------
namespace {

const double not_a_number = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
constexpr double two53 = 9007199254740992.0;
double huge_limit() { return 1e300; }  // a cycle limit the runs never reach

// One load cycle (peak and valley of the fibre-direction strain) of a fresh point under `plan`.
UmatPoint one_cycle(double first_time = 0.0) {
    UmatPoint p = fatigue_point();
    p.time[0] = p.time[1] = first_time;
    p.increment(to_strain(p, 0.004));
    p.increment(to_strain(p, 0.0004));
    return p;
}

void expect_refused_jump(const UmatPoint& p, double n, const char* what) {
    EXPECT_EQ(p.statev[b1 + slot::cycle], n) << what;
    EXPECT_EQ(p.statev[b1 + slot::jump], 0.0) << what;
    EXPECT_EQ(tvk::errorhandling.errstat, -2) << what;
    EXPECT_NE(tvktest::errtext().find("cycle jump refused"), std::string::npos) << what;
    tvktest::clear_errors();
}

}  // namespace

// A jump that is not a number, infinite, negative or beyond 2^53 cycles made the counter NaN,
// infinite or run backwards, and the routine stored it in the point's state.
TEST(FatigueRoutine, UnusableCycleJumpsAreRefusedAndTheCounterStays) {
    tvktest::clear_errors();
    // The fixed jump of the plan.
    for (double jump : {not_a_number, inf, 1e308, -5.0, two53}) {
        Plan plan({1}, huge_limit());
        *tvk::shokriehdata.cycleprops.at(7, 1) = jump;
        expect_refused_jump(one_cycle(), 1.0, "fixed");
    }
    {
        Plan plan({1}, huge_limit());
        *tvk::shokriehdata.cycleprops.at(7, 1) = two53 - 1.0;  // reaches 2^53 exactly
        const UmatPoint p = one_cycle();
        EXPECT_EQ(p.statev[b1 + slot::cycle], two53);
        EXPECT_EQ(tvk::errorhandling.errstat, 0);
    }
    // A cycle table whose next number lies below the counter, or is not a number.
    for (double entry : {0.5, not_a_number}) {
        Plan plan({3}, huge_limit());
        tvk::shokriehdata.cycles.allocate({3, 1});
        const double t[3] = {1.0, entry, 10.0};
        std::copy(t, t + 3, tvk::shokriehdata.cycles.data());
        expect_refused_jump(one_cycle(), 1.0, "tabulated");
    }
    // The adaptive jump cut at a cycle limit the counter has passed.
    {
        Plan plan({6}, 0.5);
        expect_refused_jump(one_cycle(), 1.0, "adaptive");
    }
    // The permitted jump of the host at the start of a cycle (algorithms 4 and 7).
    for (int algorithm : {4, 7}) {
        for (double permitted : {not_a_number, 1e308, -3.0}) {
            Plan plan({algorithm}, huge_limit());
            tvk::shokriehdata.dnfshok = permitted;
            expect_refused_jump(one_cycle(1.0), 1.0, algorithm == 4 ? "permitted" : "rounded up");
        }
    }
    // A cycle number of the solver that is not a count opens no block and restores none.
    for (double reported : {not_a_number, 1e300}) {
        Plan plan({5}, huge_limit());
        tvk::shokriehdata.cycles.allocate({1, 1});
        *tvk::shokriehdata.cycles.at(1, 1) = reported;
        UmatPoint p = fatigue_point();
        p.jstep[1] = 6;
        p.call(std::vector<double>(6, 0.0));  // initialised at cycle 0
        p.statev[b1 + slot::stiffness] = 0.7;  // differs from the backup
        const std::vector<double> before = p.statev;
        p.call(std::vector<double>(6, 0.0));
        EXPECT_EQ(p.statev[b1 + slot::cycle], 0.0);
        EXPECT_EQ(p.statev[b1 + slot::stiffness], 0.7);
        EXPECT_EQ(std::vector<double>(p.statev.begin() + k1, p.statev.begin() + k1 + 77),
                  std::vector<double>(before.begin() + k1, before.begin() + k1 + 77));
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_NE(tvktest::errtext().find("cycle number of the solver not usable"), std::string::npos);
        tvktest::clear_errors();
    }
}

// A strain, stress, temperature or time that is not a number (or is infinite) gave NaN stresses
// and state, and an infinite strain raised the fibre flag; property sets that are not finite (a
// zero modulus) did the same.
TEST(FatigueRoutine, InputsThatAreNotFiniteAreRefusedWithTheStateUnchanged) {
    tvktest::clear_errors();
    Plan plan({1}, huge_limit());
    for (double angle : {0.0, 30.0}) {
        UmatPoint p = fatigue_point(angle);
        p.increment({1e-3, 2e-4, 0, 1e-4, 0, 0});
        ASSERT_EQ(tvk::errorhandling.errstat, 0);
        const auto refused = [&](UmatPoint q, std::vector<double> d, const char* what) {
            std::fill(q.ddsdde.begin(), q.ddsdde.end(), 5.0);
            const std::vector<double> stress = q.stress;
            q.call(d);
            EXPECT_EQ(tvk::errorhandling.errstat, -3) << what;
            EXPECT_EQ(q.statev, p.statev) << what;
            for (int i = 0; i < 6; ++i)  // as it came (a NaN compares by its bits)
                EXPECT_EQ(std::memcmp(&q.stress[i], &stress[i], sizeof(double)), 0) << what << i;
            EXPECT_EQ(q.sse, p.sse) << what;
            for (double c : q.ddsdde) EXPECT_EQ(c, 0.0) << what;
            tvktest::clear_errors();
        };
        const std::vector<double> d = {1e-4, 0, 0, 0, 0, 0};
        refused(p, {not_a_number, 0, 0, 0, 0, 0}, "strain increment");
        refused(p, {0, inf, 0, 0, 0, 0}, "infinite strain increment");
        UmatPoint q = p;
        q.stran[0] = -inf;
        refused(q, d, "strain");
        q = p;
        q.temp = not_a_number;
        refused(q, d, "temperature");
        q = p;
        q.dtemp = inf;
        refused(q, d, "temperature increment");
        q = p;
        q.time[0] = not_a_number;
        refused(q, d, "time");
        q = p;
        q.dtime = not_a_number;
        refused(q, d, "time increment");
        q = p;
        q.stress[2] = not_a_number;
        refused(q, d, "stress");
    }
    // The material point itself (the solver converter refuses the first four before it).
    {
        UmatPoint p = fatigue_point();
        p.increment({1e-3, 2e-4, 0, 1e-4, 0, 0});
        const std::vector<double> props = tvktest::shokrieh_props();
        const int np = static_cast<int>(props.size()), noel = 1, kinc = 2, isz = 1, idc = 0;
        for (int bad = 0; bad < 6; ++bad) {
            std::vector<double> block(p.statev.begin() + b1, p.statev.begin() + b1 + 77), backup = block;
            double stress[6] = {1, 2, 3, 4, 5, 6}, c[36], stran[6] = {}, dstran[6] = {1e-4, 0, 0, 0, 0, 0};
            double time[2] = {1.0, 1.0}, dtime = 0.5, temp = 240.0, dtemp = 0.0;
            double* target[6] = {&stran[0], &dstran[1], &temp, &dtemp, &time[0], &dtime};
            *target[bad] = bad % 2 ? inf : not_a_number;
            GetShokrieh(stress, c, block.data(), stran, dstran, props.data(), time, &dtime, &temp, &dtemp, &np, &noel,
                        p.jstep, &kinc, &isz, &idc, backup.data());
            EXPECT_EQ(tvk::errorhandling.errstat, -3) << bad;
            EXPECT_NE(tvktest::errtext().find("GetShokrieh: strain, stress"), std::string::npos) << bad;
            EXPECT_EQ(block, std::vector<double>(p.statev.begin() + b1, p.statev.begin() + b1 + 77)) << bad;
            EXPECT_EQ(backup, block) << bad;
            EXPECT_EQ(stress[0], 1.0);
            for (double x : c) EXPECT_EQ(x, 0.0);
            tvktest::clear_errors();
        }
    }
    // A zero fibre modulus in both blocks: the failure strains are not finite.
    std::vector<double> props = tvktest::shokrieh_props();
    props[0] = props[74] = 0.0;
    double e[9], xf[9], epsf[9], at[6], ac[6], bt[6], bc[6], lam[6], gam[6], a[6], b[6], u[6], v[6], eta, degr;
    const int np = static_cast<int>(props.size());
    for (double temp : {300.0, not_a_number}) {
        std::vector<double> ok = tvktest::shokrieh_props();
        const double* use = std::isnan(temp) ? ok.data() : props.data();
        GetShokriehProperties(use, &np, &temp, e, xf, epsf, at, ac, bt, bc, lam, gam, a, b, u, v, &eta, &degr);
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << temp;
        for (double x : epsf) EXPECT_EQ(x, 0.0);
        for (double x : xf) EXPECT_EQ(x, 0.0);
        EXPECT_EQ(degr, 0.0);
        tvktest::clear_errors();
    }
    UmatPoint z(umat_shokrieh, 3, 3, nall, props);
    z.temp = 240.0;
    z.kinc = 2;
    const std::vector<double> state = z.statev;
    z.call({1e-3, 0, 0, 0, 0, 0});
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(z.statev, state);
    tvktest::clear_errors();
}

// Properties that are not finite at the cycle's evaluation temperature (here E22 passes through
// 0 between the blocks) left the cycle open and returned the point computed, with the property
// service's level -3 report: the increment is refused (stress and state as they came, zero
// tangent, a cut-back).
TEST(FatigueRoutine, CycleEndWithoutUsablePropertiesRefusesThePoint) {
    tvktest::clear_errors();
    Plan plan({1}, huge_limit());
    std::vector<double> props = tvktest::shokrieh_props();
    props[74 + 1] = -10e3;  // E22 of the upper block: 0 at 300 K
    UmatPoint p(umat_shokrieh, 3, 3, nall, props);
    p.dtime = 0.5;
    p.kinc = 1;
    p.temp = 260.0;
    p.increment(to_strain(p, 0.004));
    ASSERT_EQ(tvk::errorhandling.errstat, 0);
    const std::vector<double> state = p.statev, stress = p.stress;
    p.temp = 340.0;
    p.increment(to_strain(p, 0.0004));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find("not finite"), std::string::npos);
    EXPECT_EQ(p.statev, state);
    EXPECT_EQ(p.stress, stress);
    for (double c : p.ddsdde) EXPECT_EQ(c, 0.0);
    EXPECT_LE(p.pnewdt, 0.5);
    tvktest::clear_errors();
}

namespace {

// A fresh unidirectional point after the first half of a load cycle, and its cycle-end
// increment (the valley) on a copy whose state variable `k` (0-based) holds v.
UmatPoint cycle_end_with(const UmatPoint& half, int k, double v) {
    UmatPoint q = half;
    q.statev[k] = v;
    q.increment(to_strain(q, 0.0004));
    return q;
}

void expect_refused_point(const UmatPoint& q, const UmatPoint& half, int k, const char* text) {
    EXPECT_EQ(tvk::errorhandling.errstat, -3) << k;
    EXPECT_NE(tvktest::errtext().find(text), std::string::npos) << k << tvktest::errtext();
    for (int j = 0; j < nall; ++j) {
        if (j != k) {
            EXPECT_EQ(q.statev[j], half.statev[j]) << k << " " << j;
        }
    }
    EXPECT_EQ(q.stress, half.stress) << k;
    for (double c : q.ddsdde) EXPECT_EQ(c, 0.0) << k;
    EXPECT_LE(q.pnewdt, 0.5) << k;
    tvktest::clear_errors();
}

}  // namespace

// Cycle temperatures that are not finite (state variables 75 and 76) made the property service
// refuse the evaluation temperature at the cycle end, yet the point was computed and stored (no
// jump, the strengths changed), with a non-zero tangent and no cut-back. A NaN there is not the
// cycle's extreme and gives way to the increment's temperature.
TEST(FatigueRoutine, CycleEndWhoseTemperaturesAreNotFiniteRefusesThePoint) {
    tvktest::clear_errors();
    Plan plan({1}, huge_limit());
    UmatPoint half = fatigue_point();
    half.increment(to_strain(half, 0.004));
    ASSERT_EQ(tvk::errorhandling.errstat, 0);
    for (const auto& [k, v] : {std::pair{b1 + slot::temp_low, -inf}, std::pair{b1 + slot::temp_high, inf}})
        expect_refused_point(cycle_end_with(half, k, v), half, k, "temperature not finite");
    for (int k : {b1 + slot::temp_low, b1 + slot::temp_high}) {
        const UmatPoint q = cycle_end_with(half, k, not_a_number);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << k;
        EXPECT_EQ(q.statev[b1 + slot::cycle], 2.0) << k;
        EXPECT_EQ(q.statev[b1 + slot::temp_eval], 240.0) << k;
    }
}

// A cycle number at -inf made the cycle jump refused (a warning) while the gradual degradation ran
// on it; the host saw the warning. The point is refused where it uses the number (a cycle end),
// and the host sees the refusal; elsewhere in the cycle the number is not read.
TEST(FatigueRoutine, CycleNumberNotFiniteAtACycleEndRefusesThePoint) {
    tvktest::clear_errors();
    Plan plan({1}, huge_limit());
    UmatPoint half = fatigue_point();
    half.increment(to_strain(half, 0.004));
    for (double v : {-inf, inf, not_a_number})
        expect_refused_point(cycle_end_with(half, b1 + slot::cycle, v), half, b1 + slot::cycle,
                             "cycle number not finite");
    UmatPoint mid = half;
    mid.statev[b1 + slot::cycle] = -inf;
    mid.dtime = 0.25;  // ends at 0.75: no cycle end
    mid.increment(to_strain(mid, 0.002));
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_EQ(mid.statev[b1 + slot::cycle], -inf);
    EXPECT_NE(mid.ddsdde[0], 0.0);
}

namespace {

// One call of the material point routine itself (not the solver entry, whose converter gives a
// refused point its result on its own): the point's block and backup as the solver entry keeps
// them, the stress and strain of `from`, a tangent filled with 5.
struct DirectPoint {
    std::vector<double> props = tvktest::shokrieh_props();
    std::vector<double> block, backup, stress, stran, dstran, ddsdde = std::vector<double>(36, 5.0);
    double time[2], dtime, temp, dtemp = 0.0;
    int kinc, idcflag = 0, jstep[4] = {1, 1, 0, 0};

    explicit DirectPoint(const UmatPoint& from)
        : block(from.statev.begin() + b1, from.statev.begin() + b1 + 77),
          backup(from.statev.begin() + k1, from.statev.begin() + k1 + 77), stress(from.stress), stran(from.stran),
          dstran(6, 0.0), time{from.time[0], from.time[1]}, dtime(from.dtime), temp(from.temp), kinc(from.kinc) {}

    void call() {
        const int np = static_cast<int>(props.size()), noel = 1, isz = 1;
        GetShokrieh(stress.data(), ddsdde.data(), block.data(), stran.data(), dstran.data(), props.data(), time,
                    &dtime, &temp, &dtemp, &np, &noel, jstep, &kinc, &isz, &idcflag, backup.data());
    }
};

// The same doubles, bit for bit (a NaN in a slot included).
bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// The refused result of a direct call: level -3 with `text`, stress, block and backup as they
// came, a zero tangent.
void expect_refused_direct(const DirectPoint& q, const DirectPoint& came, const char* text) {
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find(text), std::string::npos) << tvktest::errtext();
    EXPECT_TRUE(same_bits(q.block, came.block));
    EXPECT_TRUE(same_bits(q.backup, came.backup));
    EXPECT_TRUE(same_bits(q.stress, came.stress));
    for (double c : q.ddsdde) EXPECT_EQ(c, 0.0);
    tvktest::clear_errors();
}

}  // namespace

// The point routine refused at a cycle end (a cycle number of -inf) after it had worked on its
// block (the cycle's extremes, the stress slot) gives back the block and the backup as they came,
// and a zero tangent.
TEST(FatigueRoutine, DirectCallRefusedAtACycleEndGivesBackItsBlocksAndAZeroTangent) {
    tvktest::clear_errors();
    Plan plan({1}, huge_limit());
    UmatPoint half = fatigue_point();
    half.increment(to_strain(half, 0.004));
    DirectPoint came(half);
    came.block[slot::cycle] = -inf;
    came.backup[slot::stiffness] = 0.9;  // an older block than the running one
    came.dstran = to_strain(half, 0.0004);  // ends at total time 1: a cycle end
    DirectPoint q = came;
    q.call();
    expect_refused_direct(q, came, "cycle number not finite");
}

// A direct cyclic analysis's new block (the solver's cycle number 5 above the block's 1) takes
// the backup at the block's first increment; when that increment's cycle end is refused (E22 of
// 0 at the evaluation temperature 300 K, between 260 and 340 K) the backup comes back unchanged,
// not as the new block's copy.
TEST(FatigueRoutine, NewDirectCyclicBlockRefusedAtItsFirstCycleEndKeepsTheBackup) {
    tvktest::clear_errors();
    Plan plan({5}, huge_limit());
    tvk::shokriehdata.cycles.allocate({1, 1});
    *tvk::shokriehdata.cycles.at(1, 1) = 1.0;
    std::vector<double> props = tvktest::shokrieh_props();
    props[74 + 1] = -10e3;  // E22 of the upper block: 0 at 300 K
    UmatPoint p(umat_shokrieh, 3, 3, nall, props);
    p.jstep[1] = 6;
    p.kinc = 1;
    p.temp = 260.0;
    p.dtime = 0.5;
    p.increment(to_strain(p, 0.004));  // block 1 opened and backed up
    ASSERT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    ASSERT_EQ(p.statev[b1 + slot::cycle], 1.0);
    DirectPoint came(p);
    came.props = props;
    came.idcflag = 1;
    came.kinc = 1;
    came.dtemp = 80.0;
    came.dstran = to_strain(p, 0.0004);
    came.backup[slot::stiffness] = 0.9;  // the backup differs from the block it would copy
    *tvk::shokriehdata.cycles.at(1, 1) = 5.0;
    DirectPoint q = came;
    q.call();
    expect_refused_direct(q, came, "not finite");
    // The same block at 240 K throughout closes its cycle: the backup is the new block's.
    DirectPoint ok = came;
    ok.temp = 240.0;
    ok.dtemp = 0.0;
    ok.call();
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(ok.backup[slot::cycle], 5.0);
    EXPECT_EQ(ok.backup[slot::jump], 4.0);
}

// Algorithm 7 adds its fixed jump to the cycle number at a cycle start; with a cycle number that
// is not a number the increment is refused (no jump of 0 recorded over the last one), with the
// stress and the block as they came.
TEST(FatigueRoutine, FixedJumpOfAlgorithm7FromACycleNumberNotANumberIsRefused) {
    tvktest::clear_errors();
    Plan plan({7}, huge_limit());
    tvk::shokriehdata.dnfshok = 7.2;
    UmatPoint p = fatigue_point();
    p.increment(to_strain(p, 0.004));
    p.increment(to_strain(p, 0.0004));  // the first cycle ends at total time 1
    ASSERT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    DirectPoint came(p);
    came.block[slot::cycle] = not_a_number;
    came.block[slot::jump] = 3.0;
    came.dtime = 0.25;  // starts the second cycle, ends inside it
    came.dstran = to_strain(p, 0.002);
    DirectPoint q = came;
    q.call();
    expect_refused_direct(q, came, "cycle number not finite");
}

// ---- CycleCount ---------------------------------------------------------------------------------
namespace {

// CycleCount with the jump `njimp` coming in, counter n, algorithm `algo` in a fatigue step.
std::pair<double, double> cycle_count(double njimp, double n, int algo) {
    const double maxcycle = 1e6, time = 1.0, calc = 10.0, period = 1.0, jmin = 5.0, jmax = 0.0, zul = tvk::huge;
    const int ncycles = 0, nmax = 0, istep = 1, nstep = 1, stepflag = 1;
    CycleCount(&njimp, &n, &maxcycle, &time, &calc, &period, &jmin, &jmax, &zul, &ncycles, &nmax, &istep, &nstep,
               &algo, &stepflag);
    return {njimp, n};
}

}  // namespace

// An unknown algorithm keeps the jump it is handed: a negative one or one that is not a number
// ran the counter backwards or made it NaN.
TEST(CycleCount, UnknownAlgorithmRefusesAnIncomingJumpTheCounterCannotTake) {
    for (double njimp : {-5.0, not_a_number, two53}) {
        tvktest::clear_errors();
        EXPECT_EQ(cycle_count(njimp, 10.0, 9), std::make_pair(0.0, 10.0)) << njimp;
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_EQ(tvktest::errtext(), "Unknown cycle jump flag in CycleCount");  // the first report
    }
    tvktest::clear_errors();
    EXPECT_EQ(cycle_count(3.0, 10.0, 9), std::make_pair(3.0, 13.0));
    EXPECT_EQ(cycle_count(-0.0, 10.0, 0), std::make_pair(-0.0, 10.0));
    tvktest::clear_errors();
    // The refusal speaks for itself where the algorithm is known.
    EXPECT_EQ(cycle_count(0.0, two53, 1), std::make_pair(0.0, two53));
    EXPECT_NE(tvktest::errtext().find("CycleCount: cycle jump refused"), std::string::npos);
    tvktest::clear_errors();
}
