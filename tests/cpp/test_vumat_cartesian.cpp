// The explicit orthotropic damage material driven as an explicit solver drives it: blocks against
// single points, a tension-to-failure path against the crack-band energy, and the behaviours of
// its laws against closed forms (Poisson's ratios 0 where a closed form needs an uncoupled
// stiffness).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "error_record.h"
#include "explicit_block_driver.h"
#include "solver/vumat_cartesian.h"

namespace {

using tvktest::VumatBlock;
namespace prop = tvk::solver::cartesian::prop;
namespace slot = tvk::solver::cartesian::slot;
namespace mode = tvk::solver::cartesian::mode;

constexpr int nsv = slot::count;

// A carbon/epoxy-like ply in MPa and N/mm, uncoupled (Poisson's ratios 0), strain-based
// maximum-per-mode initiation, mode damage degrading the stiffness.
std::vector<double> ply() {
    std::vector<double> p(prop::count, 0.0);
    p[prop::e11t] = 1e5, p[prop::e22t] = 8000, p[prop::e33] = 8000;
    p[prop::g12] = 4000, p[prop::g13] = 4000, p[prop::g23] = 3000;
    p[prop::x11t] = 1000, p[prop::x22t] = 50, p[prop::x33t] = 50;
    p[prop::x11c] = -800, p[prop::x22c] = 150, p[prop::x33c] = 150;
    p[prop::x12] = 60, p[prop::x13] = 60, p[prop::x23] = 40;
    p[prop::e11c] = 9e4, p[prop::e22c] = 9000;
    p[prop::gc_ft] = 100, p[prop::gc_fc] = 80, p[prop::gc_mt] = 0.3, p[prop::gc_mc] = 1.0, p[prop::gc_zz] = 0.3;
    p[prop::es_flag] = 1, p[prop::criterion_flag] = 2, p[prop::stiff_deg_flag] = 1;
    return p;
}

std::vector<double> with(std::vector<double> p, std::initializer_list<std::pair<int, double>> changes) {
    for (auto [k, v] : changes) p[k] = v;
    return p;
}

// A block of `n` points after the solver's initial call at zero strain.
VumatBlock started(const std::vector<double>& props, int n = 1, double length = 1.0, double rho = 1.0) {
    VumatBlock b(vumat_cartesian, n, nsv, props, length, rho);
    b.start();
    return b;
}

// A point set directly into a later increment (no initial call), with total strain e.
VumatBlock at_strain(const std::vector<double>& props, const std::vector<double>& e) {
    VumatBlock b(vumat_cartesian, 1, nsv, props);
    b.totaltime = b.steptime = 1.0;
    b.state(0, slot::status) = 1.0;
    for (int c = 0; c < 6; ++c) b.state(0, slot::strain + c) = e[c];
    return b;
}

// Mode i initiated before, with damage d, onset strain r0 and final strain r1.
void initiated(VumatBlock& b, int i, double d, double r0, double r1) {
    b.state(0, slot::rs + i) = d;
    b.state(0, slot::onset + i) = r0;
    b.state(0, slot::final_strain + i) = r1;
}

const std::vector<double> no_strain(6, 0.0);

std::vector<double> e1(double v) { return {v, 0, 0, 0, 0, 0}; }

}  // namespace

// The initial call returns the stiffness of the mean moduli (from the inverted compliance) times
// the strain and sets up the strain slots; damage slots are cleared whatever they held.
TEST(VumatCartesian, InitialCallIsTheMeanModulusStiffness) {
    const auto p = with(ply(), {{prop::nu12, 0.3}, {prop::nu13, 0.25}, {prop::nu23, 0.4}});
    VumatBlock b(vumat_cartesian, 2, nsv, p);
    for (int s = 0; s < nsv; ++s) b.state(0, s) = b.state(1, s) = 0.5;
    b.set_increment_all(e1(1e-6));
    b.call();
    const double E1 = (1e5 + 9e4) / 2, E2 = (8000 + 9000) / 2.0, E3 = 8000;
    // Compliance of the normal block and its inverse by cofactors.
    const double s[3][3] = {{1 / E1, -0.3 / E1, -0.25 / E1}, {-0.3 / E1, 1 / E2, -0.4 / E2}, {-0.25 / E1, -0.4 / E2, 1 / E3}};
    const double det = s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) - s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
                       s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
    const double c11 = (s[1][1] * s[2][2] - s[1][2] * s[2][1]) / det;
    const double c21 = -(s[1][0] * s[2][2] - s[1][2] * s[2][0]) / det;
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(b.new_stress(k, 0), c11 * 1e-6, 1e-12 * c11 * 1e-6);
        EXPECT_NEAR(b.new_stress(k, 1), c21 * 1e-6, 1e-12 * c11 * 1e-6);
        for (int c = 3; c < 6; ++c) EXPECT_EQ(b.new_stress(k, c), 0.0);
        for (int sl = 0; sl < 18; ++sl) EXPECT_EQ(b.new_state(k, sl), 0.0) << sl;
        for (int sl = slot::inelastic; sl < slot::tau_max + 3; ++sl) EXPECT_EQ(b.new_state(k, sl), 0.0) << sl;
        EXPECT_EQ(b.new_state(k, 20), 1e-6);
        EXPECT_EQ(b.new_state(k, 38), 1e-6);
        EXPECT_EQ(b.new_state(k, 21), 0.0);
        EXPECT_EQ(b.new_state(k, slot::status), 0.5);  // the status is the model's
        EXPECT_EQ(b.new_state(k, 19), 0.5);             // slot 20 is not touched
    }
}

// A block returns exactly what one-point blocks return, point by point, along damaging paths of
// every criterion set, with strength degradation on, nonlinear shear laws and crack closure. A
// threshold scaled in place would compound over the points of the block.
TEST(VumatCartesian, F13BlockOfIdenticalPointsEqualsSingleCalls) {
    const std::vector<std::vector<double>> incs = {
        {2e-4, 1e-5, 5e-6, 2e-5, 1e-5, 1e-5}, {2e-4, 1e-5, 5e-6, 2e-5, 1e-5, 1e-5}, {-1e-4, 2e-5, -1e-5, 3e-5, -2e-5, 1e-5}};
    std::vector<std::vector<double>> variants;
    for (int crit = 1; crit <= 6; ++crit)
        for (int es = 1; es <= 2; ++es)
            variants.push_back(with(ply(), {{prop::criterion_flag, crit}, {prop::es_flag, es}, {prop::strength_deg_flag, 1},
                                            {prop::nu12, 0.3}, {prop::nu13, 0.3}, {prop::nu23, 0.4}, {prop::comp_flag, 2}}));
    variants.push_back(with(ply(), {{prop::nls_flag, 2}, {prop::g_ini, 2000}, {prop::perm_flag, 4},
                                    {prop::strength_deg_flag, 1}, {prop::damp1, 1e-8}}));
    variants.push_back(with(ply(), {{prop::nls_flag, 1}, {prop::g_ini, 4000}, {prop::alpha_sh, 20},
                                    {prop::perm_flag, 1}, {prop::comp_flag, 1}, {prop::criterion_flag, 1}}));
    for (std::size_t v = 0; v < variants.size(); ++v) {
        VumatBlock block = started(variants[v], 3);
        std::vector<VumatBlock> single;
        for (int k = 0; k < 3; ++k) single.push_back(started(variants[v]));
        bool damaged = false;
        for (int step = 0; step < 150; ++step) {
            for (int k = 0; k < 3; ++k) {
                block.set_increment(k, incs[k]);
                single[k].set_increment(0, incs[k]);
                single[k].call();
            }
            block.call();
            for (int k = 0; k < 3; ++k) {
                for (int c = 0; c < 6; ++c) ASSERT_EQ(block.new_stress(k, c), single[k].new_stress(0, c)) << v << " " << step;
                for (int s = 0; s < nsv; ++s) ASSERT_EQ(block.new_state(k, s), single[k].new_state(0, s)) << v << " " << s;
                ASSERT_EQ(block.enerinternnew[k], single[k].enerinternnew[0]);
                ASSERT_EQ(block.enerinelasnew[k], single[k].enerinelasnew[0]);
                for (int s = 0; s < 9; ++s) damaged = damaged || block.new_state(k, slot::rs + s) > 0.0;
            }
            block.commit();
            for (auto& s : single) s.commit();
        }
        EXPECT_TRUE(damaged) << "variant " << v << " never damaged";
    }
}

// Uniaxial strain in the fibre direction to beyond the final strain: the dissipated energy per
// unit volume (inelastic energy times density) is the area of the bilinear law, gc / lc, less
// the sliver that the damage cap 0.999 keeps elastic. Strain-based maximum criterion and the
// stress-based quadratic criterion.
TEST(VumatCartesian, TensionToFailureDissipatesToughnessOverLength) {
    const double E = 1e5, X = 1000, gc = 100, rho = 2.0;
    for (double lc : {1.0, 2.5}) {
        for (int crit : {2, 1}) {
            const auto p = with(ply(), {{prop::criterion_flag, crit}, {prop::es_flag, crit == 2 ? 1 : 2}});
            VumatBlock b = started(p, 1, lc, rho);
            const double x0 = X / E, x1 = 2 * gc / (X * lc), de = 1e-5;
            double eps = 0.0;
            while (eps < 1.5 * x1) {
                b.increment(e1(de));
                eps += de;
            }
            ASSERT_EQ(b.new_state(0, slot::rs + mode::ft), 1.0);
            EXPECT_EQ(b.new_state(0, slot::status), 1.0);
            const double r0 = b.new_state(0, slot::onset), r1 = b.new_state(0, slot::final_strain);
            EXPECT_NEAR(r0, x0, 1e-3 * x0);
            if (crit == 2) {
                EXPECT_NEAR(r0 * r1, x0 * x1, 1e-12 * x0 * x1);  // area of the onset table kept
            }
            // Triangle of the law; the cap leaves a residual stiffness alpha E past eps*.
            const double alpha = 1.0 - 0.999;
            const double es = r0 * r1 / (r0 + alpha * (r1 - r0));
            const double expected = 0.5 * E * r0 * r1 - 0.5 * E * r0 * (r1 - es) * (r1 - es) / (r1 - r0) - 0.5 * alpha * E * es * es;
            const double dissipated = b.enerinelasnew[0] * rho;
            EXPECT_NEAR(dissipated, expected, 1e-3 * gc / lc) << crit << " " << lc;
            EXPECT_NEAR(0.5 * E * r0 * r1, gc / lc, 2e-3 * gc / lc);
            // The internal energy is the whole work: dissipated plus what the residual holds.
            const double sigma = b.new_stress(0, 0);
            EXPECT_NEAR(b.enerinternnew[0] * rho, dissipated + 0.5 * sigma * eps, 1e-9 * gc / lc);
            EXPECT_NEAR(sigma, alpha * E * eps, 1e-9 * X);
        }
    }
}

TEST(VumatCartesian, DeletedPointTakesNoEnergyAndStaysDeleted) {
    VumatBlock b = at_strain(ply(), e1(1e-3));
    b.state(0, slot::status) = 0.0;
    b.enerinternold[0] = 5.0;
    b.enerinelasold[0] = 7.0;
    b.increment(e1(2e-3));
    EXPECT_EQ(b.enerinternnew[0], 5.0);
    EXPECT_EQ(b.enerinelasnew[0], 5.0);  // the internal energy less no elastic energy
    EXPECT_EQ(b.new_state(0, slot::status), 0.0);
    EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 1e5 * 3e-3);  // the stress is still computed
}

// The element is deleted once the fibre degradation variables reach 90 % of their summed caps,
// 0.9 (0.999 + 0.99) = 1.7901: fibre tension damage 1 (capped 0.999) with fibre compression
// degradation just below and just above 1.7901 - 0.999 = 0.7911.
TEST(VumatCartesian, ElementDeletionAtNinetyPercentOfTheFibreCaps) {
    for (auto [rs2, deleted] : {std::pair{0.0, false}, {0.7910, false}, {0.7912, true}, {1.0, true}}) {
        VumatBlock b = at_strain(ply(), no_strain);
        initiated(b, mode::ft, 1.0, 0.01, 0.2);
        if (rs2 > 0) initiated(b, mode::fc, rs2, 0.01, 0.2);
        b.call();
        EXPECT_EQ(b.new_state(0, slot::w_stat + mode::ft), 0.999);
        EXPECT_EQ(b.new_state(0, slot::w_stat + mode::fc), std::max(0.5, std::min(rs2, 0.99)));
        EXPECT_EQ(b.new_state(0, slot::status), deleted ? 0.0 : 1.0) << rs2;
    }
}

TEST(VumatCartesian, PureShearIsTwiceTheShearModulusTimesTensorStrain) {
    const auto p = with(ply(), {{prop::criterion_flag, 0}, {prop::nu12, 0.3}, {prop::nu13, 0.3}, {prop::nu23, 0.4}});
    for (int c = 3; c < 6; ++c) {
        const double g = c == 3 ? 4000 : c == 4 ? 3000 : 4000;  // cyclic: 12, 23, 13
        std::vector<double> de(6, 0.0);
        de[c] = 1e-4;
        VumatBlock b(vumat_cartesian, 1, nsv, p);
        b.start(de);
        EXPECT_EQ(b.stressold[c], 2 * g * 1e-4);
        b.increment(de);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(b.stressold[i], i == c ? 2 * g * 2e-4 : 0.0) << c << " " << i;
    }
}

// Stress = degraded stiffness times elastic strain; damping adds the stiffness times the rate
// terms, which vanish for a zero increment.
TEST(VumatCartesian, DampingActsOnlyOnTheStrainRate) {
    for (double damp1 : {0.0, 1e-7}) {
        VumatBlock b = at_strain(with(ply(), {{prop::damp1, damp1}}), e1(0.005));
        initiated(b, mode::ft, 0.5, 0.01, 0.2);
        b.call();
        EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 0.5 * 1e5 * 0.005);
        EXPECT_EQ(b.new_state(0, slot::rs + mode::ft), 0.5);
        b.dt = 1e-5;
        b.set_increment(0, e1(1e-4));
        b.call();
        EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 0.5 * 1e5 * (0.0051 + damp1 * 1e-4 / 1e-5));
    }
}

TEST(VumatCartesian, ModuliSwitchWithTheSignOfTheTotalStrain) {
    const auto p = with(ply(), {{prop::criterion_flag, 0}});
    VumatBlock b = at_strain(p, {-1e-3, -1e-3, 0, 0, 0, 0});
    b.set_increment(0, {1e-4, 1e-4, 0, 0, 0, 0});
    b.call();
    EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 9e4 * -9e-4);
    EXPECT_DOUBLE_EQ(b.new_stress(0, 1), 9000 * -9e-4);
    VumatBlock t = at_strain(p, {1e-3, 1e-3, 0, 0, 0, 0});
    t.set_increment(0, {-1e-4, -1e-4, 0, 0, 0, 0});
    t.call();
    EXPECT_DOUBLE_EQ(t.new_stress(0, 0), 1e5 * 9e-4);
    EXPECT_DOUBLE_EQ(t.new_stress(0, 1), 8000 * 9e-4);
}

// Stress-based maximum criterion, the stress 11 reaching the strength exactly: the mode
// initiates with onset strain equal to the current strain and no damage yet.
TEST(VumatCartesian, OnsetAtTheStrengthCarriesNoDamage) {
    const auto p = with(ply(), {{prop::e11t, 1024}, {prop::x11t, 2}, {prop::es_flag, 2}});
    VumatBlock b = started(p);
    b.set_increment(0, e1(std::ldexp(1.0, -10)));
    b.call();
    EXPECT_EQ(b.new_state(0, slot::onset), 0.0);  // half the strength: no onset
    b.commit();
    b.increment(e1(std::ldexp(1.0, -10)));
    EXPECT_EQ(b.stressold[0], 2.0);
    EXPECT_EQ(b.stateold[slot::onset], std::ldexp(1.0, -9));
    EXPECT_GT(b.stateold[slot::final_strain], b.stateold[slot::onset]);
    EXPECT_EQ(b.stateold[slot::rs], 0.0);
    EXPECT_EQ(b.stateold[slot::fail], 0.0);  // the maximum criterion keeps no index
}

// Fibre compression below half its threshold is the plain stress ratio, whatever the kinking
// index; above it the kinking index counts.
TEST(VumatCartesian, KinkingIndexOnlyFromHalfTheCompressiveStrength) {
    const auto p = with(ply(), {{prop::criterion_flag, 3}, {prop::es_flag, 2}});
    const double g12 = 4000, x12 = 60, e11c = 9e4, x11c = 800;
    for (double ratio : {0.4, 0.6}) {
        VumatBlock b = at_strain(p, {-ratio * x11c / e11c, 0, 0, 0.8 * x12 / (2 * g12), 0, 0});
        b.call();
        if (ratio < 0.5) {
            const double r = std::abs(b.new_stress(0, 0) / x11c);  // undamaged: the trial stress
            EXPECT_NEAR(r, ratio, 1e-12);
            EXPECT_EQ(b.new_state(0, slot::fail + mode::fc), r);
            EXPECT_EQ(b.new_state(0, slot::rs + mode::fc), 0.0);
        } else {
            EXPECT_GT(b.new_state(0, slot::fail + mode::fc), ratio + 0.1);
        }
    }
}

// Which modes a criterion set evaluates: set 6 never through-thickness modes, sets 0 and 7 none.
TEST(VumatCartesian, CriterionSetsEvaluateTheirModesOnly) {
    const std::vector<double> strain = {0.03, 0.02, 0.02, 0.01, 0.01, 0.01};
    for (int crit : {0, 1, 6, 7}) {
        VumatBlock b = at_strain(with(ply(), {{prop::criterion_flag, crit}, {prop::es_flag, 2}}), no_strain);
        b.set_increment(0, strain);
        b.call();
        double total = 0.0;
        for (int i = 0; i < 9; ++i) total += b.new_state(0, slot::rs + i);
        if (crit == 0 || crit == 7) {
            EXPECT_EQ(total, 0.0);
            for (int i = 0; i < 9; ++i) EXPECT_EQ(b.new_state(0, slot::fail + i), 0.0);
        } else {
            EXPECT_GT(total, 0.0);
        }
        if (crit == 1) {
            EXPECT_GT(b.new_state(0, slot::rs + mode::zt), 0.0);
        }
        if (crit == 6) {
            EXPECT_EQ(b.new_state(0, slot::rs + mode::zt), 0.0);
            EXPECT_EQ(b.new_state(0, slot::rs + mode::zc), 0.0);
            EXPECT_GT(b.new_state(0, slot::rs + mode::mt), 0.0);
        }
    }
}

// Damage never heals, reaches 1 beyond the final strain, and degrades nothing when stiffness
// degradation is off; through-thickness tension damage is capped at zero degradation.
TEST(VumatCartesian, DamageGrowsOnlyAndDegradesAsConfigured) {
    VumatBlock b = started(ply());
    b.increment(e1(0.05));
    const double r0 = b.stateold[slot::onset], r1 = b.stateold[slot::final_strain];
    EXPECT_NEAR(b.stateold[slot::rs], r1 / (r1 - r0) * (1 - r0 / 0.05), 1e-15);
    EXPECT_GT(b.stateold[slot::rs], 0.0);
    const double rs = b.stateold[slot::rs];
    b.increment(e1(-0.03));
    EXPECT_EQ(b.stateold[slot::rs], rs);
    EXPECT_DOUBLE_EQ(b.stressold[0], (1 - rs) * 1e5 * 0.02);
    b.increment(e1(0.3));
    EXPECT_EQ(b.stateold[slot::rs], 1.0);

    VumatBlock off = started(with(ply(), {{prop::stiff_deg_flag, 0}}));
    off.increment(e1(0.3));
    EXPECT_EQ(off.stateold[slot::rs], 1.0);
    EXPECT_EQ(off.stateold[slot::w_stat], 0.0);
    EXPECT_DOUBLE_EQ(off.stressold[0], 1e5 * 0.3);

    VumatBlock z = started(ply());
    z.increment({0, 0, 0.1, 0, 0, 0});
    EXPECT_EQ(z.stateold[slot::rs + mode::zt], 1.0);
    EXPECT_EQ(z.stateold[slot::w_stat + mode::zt], 0.0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(z.stateold[slot::w_stat + i], 0.0);
    EXPECT_DOUBLE_EQ(z.stressold[2], 8000 * 0.1);
}

// Rate terms: the second and third count the rate above 500 1/s, at most 5000 above it, signed.
TEST(VumatCartesian, StrainRateDampingThresholds) {
    const double E = 1e5, dt = 1e-6;
    for (double rate : {400.0, 500.0, 3000.0, 6000.0, -6000.0, 1e5}) {
        for (int term : {1, 2}) {
            const double c = term == 1 ? 1e-12 : 1e-16;
            VumatBlock b = at_strain(
                with(ply(), {{term == 1 ? prop::damp2 : prop::damp3, c}, {prop::criterion_flag, 0}}), no_strain);
            b.dt = dt;
            b.set_increment(0, e1(rate * dt));
            b.call();
            const double excess = std::min(std::max(std::abs(rate) - 500, 0.0), 5000.0);
            const double r2 = (rate > 0 ? 1 : -1) * excess * excess;
            const double damped = term == 1 ? r2 : std::abs(r2) * rate;
            const double modulus = rate > 0 ? E : 9e4;
            EXPECT_NEAR(b.new_stress(0, 0), modulus * (rate * dt + c * damped), 1e-12 * E) << rate << " " << term;
        }
    }
}

// Permanent strain of broken fibres: the elastic strain 11 under compression is half the strain
// down to -0.5 times the fibre compression onset strain, with the fibre stiffness at 0.8.
TEST(VumatCartesian, PermanentStrainOfBrokenFibres) {
    const double x0c = 800 / 9e4;
    for (double e : {-0.5 * x0c, -2 * x0c}) {
        VumatBlock b = at_strain(with(ply(), {{prop::perm_flag, 1}}), no_strain);
        initiated(b, mode::ft, 1.0, 0.01, 0.2);
        b.set_increment(0, e1(e));
        b.call();
        const double eel = 0.5 * std::max(e, -x0c);
        EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 0.8 * 9e4 * eel) << e;
        EXPECT_GE(b.new_stress(0, 0), -0.4 * 800 * (1 + 1e-15));
    }
}

// The matrix criterion searches the fracture plane (no value comes in) and returns its angle:
// transverse tension fails on the plane normal to direction 2.
TEST(VumatCartesian, F13FracturePlaneIsSearchedAndStored) {
    VumatBlock b = started(with(ply(), {{prop::criterion_flag, 3}, {prop::es_flag, 2}}));
    b.increment({0, 40.0 / 8000, 0, 0, 0, 0});
    EXPECT_EQ(b.stateold[slot::angle], 0.0);  // no failure, no angle
    b.increment({0, 20.0 / 8000, 0, 0, 0, 0});
    EXPECT_GT(b.stateold[slot::rs + mode::mt], 0.0);
    EXPECT_NEAR(b.stateold[slot::angle], std::numbers::pi / 2, 4.0 * std::numbers::pi / 180);
    EXPECT_EQ(b.stateold[slot::angle + 1], 0.0);
}

// The shear modes have no fracture energy: their final strain is 1.1 times the onset strain.
// (Stress-based initiation; strain-based initiation of the shear modes has its own test.)
TEST(VumatCartesian, F13ShearModesSoftenOverATenthOfTheirOnsetStrain) {
    VumatBlock b = started(with(ply(), {{prop::es_flag, 2}}));
    const double x0 = 60.0 / (2 * 4000);
    b.increment({0, 0, 0, x0 * 1.0001, 0, 0});
    const double r0 = b.stateold[slot::onset + mode::s12];
    EXPECT_NEAR(r0, x0, 1e-3 * x0);
    EXPECT_EQ(b.stateold[slot::final_strain + mode::s12], 1.1 * r0);
    b.increment({0, 0, 0, 0.2 * x0, 0, 0});
    EXPECT_EQ(b.stateold[slot::rs + mode::s12], 1.0);
}

// A property list too short for the damage model gives the elastic response and an error
// record; one too short for a stiffness leaves the block as it came.
TEST(VumatCartesian, F13ShortPropertyListIsElasticAndReported) {
    tvktest::clear_errors();
    std::vector<double> p = ply();
    p.resize(20);
    VumatBlock b = started(p);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: fewer than 39 properties; elastic response without damage");
    b.increment({0.05, 0.05, 0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(b.stressold[0], 1e5 * 0.05);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(b.stateold[slot::rs + i], 0.0);

    tvktest::clear_errors();
    p.resize(5);
    VumatBlock s(vumat_cartesian, 1, nsv, p);
    s.stressold = {1, 2, 3, 4, 5, 6};
    s.state(0, 7) = 3.0;
    s.enerinternold[0] = 2.0;
    s.set_increment(0, e1(1e-3));
    s.call();
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(s.stressnew, s.stressold);
    EXPECT_EQ(s.statenew, s.stateold);
    EXPECT_EQ(s.enerinternnew[0], 2.0);
    tvktest::clear_errors();
}

// The sliding sign of a closed shear crack is the point's own: zeroed by the initial call, taken
// from the elastic strain the first time the shear mode is at its cap, kept afterwards.
TEST(VumatCartesian, F13SlidingSignIsKeptPerPoint) {
    const auto p = with(ply(), {{prop::nls_flag, 2}, {prop::g_ini, 2000}, {prop::perm_flag, 4}});
    VumatBlock b(vumat_cartesian, 2, nsv, p);
    for (int k = 0; k < 2; ++k) b.state(k, slot::slide_sign) = 7.0;
    b.start();
    EXPECT_EQ(b.state(0, slot::slide_sign), 0.0);
    EXPECT_EQ(b.state(1, slot::slide_sign), 0.0);
    const double x0 = 60.0 / (2 * 4000);
    for (int k = 0; k < 2; ++k) {
        b.state(k, slot::rs + mode::s12) = 1.0;
        b.state(k, slot::onset + mode::s12) = x0;
        b.state(k, slot::final_strain + mode::s12) = 1.1 * x0;
    }
    b.set_increment(0, {0, 0, 0, 1e-4, 0, 0});
    b.set_increment(1, {0, 0, 0, -1e-4, 0, 0});
    b.call();
    EXPECT_EQ(b.new_state(0, slot::slide_sign), 1.0);
    EXPECT_EQ(b.new_state(1, slot::slide_sign), -1.0);
    const double x1 = 1.1 * x0;  // shear final strain: no fracture energy
    EXPECT_DOUBLE_EQ(b.new_state(0, slot::inelastic + 3), 0.9 * x1);
    EXPECT_DOUBLE_EQ(b.new_state(1, slot::inelastic + 3), -0.9 * x1);
    b.commit();
    b.call();
    EXPECT_EQ(b.new_state(0, slot::slide_sign), 1.0);
    EXPECT_EQ(b.new_state(1, slot::slide_sign), -1.0);
}

// Without a valid initiation measure every index is 0/0: no mode initiates and nothing that is
// not a number reaches the state.
TEST(VumatCartesian, F14NoInitiationWithoutAnInitiationMeasure) {
    VumatBlock b = started(with(ply(), {{prop::es_flag, 0}, {prop::criterion_flag, 1}}));
    b.increment({0.05, 0.05, 0.05, 0.02, 0.02, 0.02});
    for (int s = 0; s < nsv; ++s) EXPECT_TRUE(std::isfinite(b.stateold[s])) << s;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(b.stateold[slot::rs + i], 0.0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.stateold[slot::fail + i], 0.0);
}

// Residual limit with X = 1 exactly (onset 2^-10, final 2^-9, C11 = 1024, residual stress 2):
// the limit is 1, so fully damaged fibre compression engages the compressive residual law and
// its strain memory follows the total strain; at the most compressive strain the stress is the
// residual stress -2.
TEST(VumatCartesian, F14ResidualLimitOfUnitRatioIsOne) {
    const auto p = with(ply(), {{prop::e11c, 1024}, {prop::x11c, 8}, {prop::criterion_flag, 1},
                                {prop::es_flag, 2}, {prop::comp_flag, 1}});
    VumatBlock b = at_strain(p, e1(-1e-3));
    initiated(b, mode::fc, 1.0, std::ldexp(1.0, -10), std::ldexp(1.0, -9));
    b.set_increment(0, e1(-1e-3));
    b.call();
    EXPECT_EQ(b.new_state(0, slot::memory), -2e-3);
    EXPECT_EQ(b.new_state(0, slot::rs + mode::fc), 1.0);
    for (int c = 0; c < 6; ++c) EXPECT_TRUE(std::isfinite(b.new_stress(0, c)));
    EXPECT_DOUBLE_EQ(b.new_stress(0, 0), -2.0);
}

// The compressive residual factor of the fibre direction is never negative (a stiffer than
// undamaged point), at most the cap of fibre compression, and is not formed at zero elastic
// strain. The residual stress is -200.
TEST(VumatCartesian, F15CompressiveResidualFactorIsBounded) {
    const auto p = with(ply(), {{prop::comp_flag, 1}});
    VumatBlock b = at_strain(p, e1(-5e-4));
    b.state(0, slot::inelastic) = -2e-3;
    initiated(b, mode::fc, 1.0, 0.01, 0.05);
    b.set_increment(0, e1(-5e-4));
    b.call();
    // Tensile elastic strain under a compressive residual: factor 1 + 200/90, held at the cap.
    EXPECT_DOUBLE_EQ(b.new_stress(0, 0), (1 - 0.99) * 9e4 * 1e-3);

    VumatBlock u = at_strain(p, e1(-5e-4));
    initiated(u, mode::fc, 1.0, 0.01, 0.05);
    u.set_increment(0, e1(-5e-4));
    u.call();
    EXPECT_DOUBLE_EQ(u.new_stress(0, 0), -9e4 * 1e-3);  // factor 0, not 1 - 200/90 = -1.22

    const auto q = with(p, {{prop::nu12, 0.3}, {prop::nu13, 0.3}, {prop::nu23, 0.4}});
    VumatBlock z = at_strain(q, {-1e-3, 1e-3, 0, 0, 0, 0});
    z.state(0, slot::inelastic) = -1e-3;
    initiated(z, mode::fc, 1.0, 0.01, 0.05);
    z.call();
    for (int c = 0; c < 6; ++c) EXPECT_TRUE(std::isfinite(z.new_stress(0, c))) << c;
    EXPECT_GT(z.new_stress(0, 0), 0.0);  // Poisson coupling of the transverse strain only
}

// Refused input: wrong component counts, too few state variables, non-finite increments and
// non-positive lengths or densities are reported and leave the old values.
TEST(VumatCartesian, RefusedInputKeepsTheOldValues) {
    struct Case {
        const char* text;
        void (*spoil)(VumatBlock&);
    };
    const Case cases[] = {
        {"vumat_cartesian: non-finite stress, strain or temperature; point not evaluated",
         [](VumatBlock& b) { b.straininc[1] = NAN; }},
        {"vumat_cartesian: non-finite stress, strain or temperature; point not evaluated",
         [](VumatBlock& b) { b.state(1, slot::strain) = INFINITY; }},
        {"vumat_cartesian: characteristic length not positive; point not evaluated",
         [](VumatBlock& b) { b.charlength[1 + 2 * 2] = 0.0; }},
    };
    for (const Case& c : cases) {
        tvktest::clear_errors();
        VumatBlock b(vumat_cartesian, 2, nsv, ply());
        b.totaltime = 1.0;
        b.stressold = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        b.enerinternold = {1.0, 2.0};
        b.set_increment_all({1e-3, 0, 0, 0, 0, 0});
        c.spoil(b);
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(tvktest::errtext(), c.text);
        for (int j = 0; j < 6; ++j) EXPECT_EQ(b.new_stress(1, j), b.stressold[1 + 2 * j]);
        EXPECT_EQ(b.enerinternnew[1], 2.0);
        EXPECT_NE(b.new_stress(0, 0), 1.0);  // the other point is evaluated
    }
    tvktest::clear_errors();
    VumatBlock d(vumat_cartesian, 1, nsv, ply(), 1.0, 0.0);
    d.totaltime = 1.0;
    d.enerinternold[0] = 3.0;
    d.set_increment(0, e1(1e-3));
    d.call();
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: material point with a density that is not positive");
    EXPECT_EQ(tvk::errorhandling.errstat, -2);  // the stress is the point's: no refusal
    EXPECT_EQ(d.enerinternnew[0], 3.0);
    EXPECT_DOUBLE_EQ(d.new_stress(0, 0), 1e5 * 1e-3);
    tvktest::clear_errors();
    d.density[0] = INFINITY;  // energies per unit mass would silently stop growing
    d.call();
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: material point with a density that is not finite");
    EXPECT_EQ(d.enerinternnew[0], 3.0);

    tvktest::clear_errors();
    VumatBlock s(vumat_cartesian, 2, nsv - 1, ply());
    s.stressold.assign(12, 4.0);
    s.totaltime = 1.0;
    s.call();
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(s.stressnew, s.stressold);

    tvktest::clear_errors();
    VumatBlock n(vumat_cartesian, 2, nsv, ply());
    n.nshr = 1;
    n.stressold.assign(12, 4.0);
    n.call();
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: three direct and three shear components required");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(n.stressnew[k], 4.0);
    tvktest::clear_errors();
}

// A block's refused point is reported at -3 over the warning of a point before it in the same
// call (a density of 0: its stress is computed, its energies cannot be), so that a solver testing
// the level for a refusal sees it.
TEST(VumatCartesian, RefusedPointOfABlockReplacesAnEarlierPointsWarning) {
    tvktest::clear_errors();
    VumatBlock b(vumat_cartesian, 2, nsv, ply());
    b.totaltime = 1.0;
    b.set_increment_all(e1(1e-3));
    b.density[0] = 0.0;
    b.inc(1, 0) = NAN;
    b.call();
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: non-finite stress, strain or temperature; point not evaluated");
    EXPECT_DOUBLE_EQ(b.new_stress(0, 0), 1e5 * 1e-3);  // the warned point keeps its computed stress
    tvktest::clear_errors();
}

// Strain-based maximum criterion: the effort of a shear mode is its strain capped at the
// threshold x0, so the mode initiates with onset x0, fixed once, and softens to its final strain
// 1.1 x0 (no shear fracture energy): damage 11 (1 - x0 / e), stress (1 - min(d, cap)) 2 G e, never
// above the strength; unloading keeps the damage. Each shear component drives its own mode.
TEST(VumatCartesian, StrainBasedShearModeStartsAtItsThresholdAndSoftens) {
    struct Shear {
        int comp, mode;
        double g, x, cap;
    };
    const Shear shears[] = {{3, mode::s12, 4000, 60, 0.99}, {4, mode::s23, 3000, 40, 0.999}, {5, mode::s13, 4000, 60, 0.99}};
    for (const Shear& sh : shears) {
        VumatBlock b = started(ply());
        const double x0 = sh.x / (2 * sh.g), r1 = 1.1 * x0;
        std::vector<double> de(6, 0.0);
        double e = 0.0, d = 0.0, peak = 0.0;
        for (int step = 0; step < 90; ++step) {
            de[sh.comp] = (step < 60 ? 1.0 : -1.0) * x0 / 40;  // to 1.5 x0, back to 0.75 x0
            b.increment(de);
            e += de[sh.comp];
            if (e >= x0) d = std::max(d, std::min(r1 / (r1 - x0) * (1 - x0 / e), 1.0));
            const double rs = b.stateold[slot::rs + sh.mode];
            ASSERT_NEAR(rs, d, 1e-12) << sh.comp << " step " << step;
            if (rs > 0.0) {
                EXPECT_EQ(b.stateold[slot::onset + sh.mode], x0);
                EXPECT_NEAR(b.stateold[slot::final_strain + sh.mode], r1, 1e-15 * r1);
            }
            const double s = b.stressold[sh.comp];
            EXPECT_NEAR(s, (1 - std::min(d, sh.cap)) * 2 * sh.g * e, 1e-9 * sh.x) << sh.comp << " step " << step;
            peak = std::max(peak, s);
        }
        EXPECT_LE(peak, sh.x * (1 + 1e-12));
        EXPECT_GE(peak, sh.x * (1 - 1e-12));
        EXPECT_EQ(d, 1.0);
    }
}

// Fibre compressive residual law (comp_flag 1) along a compression path of the quadratic set:
// elastic to onset, then the softening branch (1 - d) C e until the damage reaches dlim, where
// that branch meets the residual stress -X/4; from there -X/4 at the most compressive strain m,
// and unloading with a tenth of the stiffness, -X/4 + (e - m) C / 10. dlim and the branch from
// the onset and final strains in the state; the switch is continuous to within one increment of
// the branch.
TEST(VumatCartesian, FailedFibresHoldAQuarterOfTheCompressiveStrength) {
    const double C = 9e4, X = 800, sigc = 0.25 * X, x0 = X / C, gc = 8, cap = 0.99;
    const auto p =
        with(ply(), {{prop::criterion_flag, 1}, {prop::es_flag, 2}, {prop::comp_flag, 1}, {prop::gc_fc, gc}});
    VumatBlock b = started(p);
    const double de = x0 / 50;
    double e = 0, m = 0, d = 0, r0 = 0, r1 = 0, dlim = 0, last_branch = 0;
    int residual_steps = 0;
    for (int step = 0; step < 300; ++step) {
        const double inc = step < 250 ? -de : de;  // to -5 x0, back by x0
        b.increment(e1(inc));
        e += inc;
        m = std::min(m, e);
        const double s = b.stressold[0], rs = b.stateold[slot::rs + mode::fc];
        if (rs == 0.0) {
            ASSERT_DOUBLE_EQ(s, C * e) << step;
            continue;
        }
        if (r0 == 0.0) {
            r0 = b.stateold[slot::onset + mode::fc], r1 = b.stateold[slot::final_strain + mode::fc];
            EXPECT_NEAR(r0, x0, 0.02 * x0);  // onset within one increment
            // Crack band: equivalent stress C e^2 / r0, energy gc (C e / seq)^2, r1 = 2 Geq / seq.
            const double seq = C * e * e / r0, geq = gc * (C * e / seq) * (C * e / seq);
            EXPECT_NEAR(r1, 2 * geq / seq, 1e-12 * r1);
            const double xr = r0 * r1 * C / (sigc * (r1 - r0));
            dlim = (r1 / (r1 - r0) - xr) / (1 - xr);
            // On the branch the damage dlim is reached where (1 - dlim) C e = -X/4.
            const double ed = r0 * r1 / (r1 - dlim * (r1 - r0));
            EXPECT_NEAR((1 - dlim) * C * ed, sigc, 1e-9 * sigc);
            ASSERT_GT(dlim, 0.5);
            ASSERT_LT(dlim, cap);
        }
        if (inc < 0) d = std::max(d, std::min(r1 / (r1 - r0) * (1 - r0 / -e), 1.0));
        ASSERT_NEAR(rs, d, 1e-12) << step;
        if (d < dlim) {
            EXPECT_NEAR(s, (1 - d) * C * e, 1e-9 * X) << step;
            last_branch = s;
            continue;
        }
        const double law = -sigc + (e - m) * C / 10;
        const double w = std::clamp(1 - law / (C * e), 0.0, cap);
        EXPECT_NEAR(s, (1 - w) * C * e, 1e-9 * X) << step;
        if (inc < 0) {
            EXPECT_NEAR(s, -sigc, 1e-9 * X) << step;
        }
        if (residual_steps++ == 0) {
            EXPECT_LE(std::abs(last_branch + sigc), C * r0 / (r1 - r0) * de);
        }
        EXPECT_EQ(b.stateold[slot::memory], m);
    }
    EXPECT_GT(residual_steps, 100);
    EXPECT_NEAR(b.stressold[0], -sigc + x0 * C / 10, 1e-6 * X);  // unloaded by x0: -120
}

// Residual law of all normal directions (comp_flag 2), compression of the quadratic set in each
// direction: once the damage reaches dlim, the elastic strain is held at the branch's strain
// there, e* = -X/4 / (C (1 - dlim)), the rest becoming inelastic strain down to ten onset
// strains; the stress (1 - w) C (e - e_in) is never tensile. The damage is driven by the elastic
// strain the criteria see, e - (inelastic strain of the previous increment); the degradation of
// a compression mode is its damage in the fibre direction and a third of it across (the mode
// coupling).
TEST(VumatCartesian, NormalResidualLawHoldsTheElasticStrainAtTheResidualLimit) {
    struct Dir {
        int comp, mode;
        double C, X, cap, share;
    };
    const Dir dirs[] = {{0, mode::fc, 9e4, 800, 0.99, 1.0}, {1, mode::mc, 9000, 150, 0.9, 1.0 / 3.0},
                        {2, mode::zc, 8000, 150, 0.7, 1.0 / 3.0}};
    for (const Dir& dir : dirs) {
        const auto p =
            with(ply(), {{prop::criterion_flag, 1}, {prop::es_flag, 2}, {prop::comp_flag, 2}, {prop::gc_fc, 8}});
        VumatBlock b = started(p);
        const double sigc = 0.25 * dir.X, x0 = dir.X / dir.C;
        std::vector<double> de(6, 0.0);
        de[dir.comp] = -x0 / 50;
        double e = 0, ein = 0, d = 0, r0 = 0, r1 = 0, dlim = 2, estar = 0;
        bool held = false, floored = false;
        for (int step = 0; step < 650; ++step) {
            b.increment(de);
            e += de[dir.comp];
            const double s = b.stressold[dir.comp], rs = b.stateold[slot::rs + dir.mode];
            ASSERT_LE(s, 0.0) << dir.comp << " step " << step;
            if (rs == 0.0) {
                ASSERT_DOUBLE_EQ(s, dir.C * e) << step;
                continue;
            }
            if (r0 == 0.0) {
                r0 = b.stateold[slot::onset + dir.mode], r1 = b.stateold[slot::final_strain + dir.mode];
                const double xr = r0 * r1 * dir.C / (sigc * (r1 - r0));
                dlim = (r1 / (r1 - r0) - xr) / (1 - xr);
                estar = -sigc / (dir.C * (1 - dlim));
                ASSERT_GT(dlim, 0.0);
                ASSERT_LT(dlim, 1.0);
            }
            d = std::max(d, std::min(r1 / (r1 - r0) * (1 - r0 / -(e - ein)), 1.0));
            ASSERT_NEAR(rs, d, 1e-12) << dir.comp << " step " << step;
            if (d >= dlim) ein = std::max(std::min(ein, e - estar), -10 * x0);
            ASSERT_NEAR(b.stateold[slot::inelastic + dir.comp], ein, 1e-12 * x0) << dir.comp << " step " << step;
            const double w = std::min(dir.share * d, dir.cap);
            EXPECT_NEAR(s, (1 - w) * dir.C * (e - ein), 1e-9 * dir.X) << dir.comp << " step " << step;
            if (d >= dlim && ein > -10 * x0) {
                held = true;
                EXPECT_NEAR(e - ein, estar, 1e-12 * x0);
            }
            floored = floored || ein == -10 * x0;
        }
        EXPECT_TRUE(held && floored) << dir.comp;
    }

    // Without a residual limit (maximum criterion: dlim 1) the law leaves a fully damaged
    // direction alone: no inelastic strain, the capped degradation, no division by 1 - dlim.
    const double x0 = 800 / 9e4;
    VumatBlock c = at_strain(with(ply(), {{prop::comp_flag, 2}}), e1(-0.01));
    initiated(c, mode::fc, 1.0, x0, 2 * x0);
    c.set_increment(0, e1(-0.01));
    c.call();
    EXPECT_EQ(c.new_state(0, slot::inelastic), 0.0);
    EXPECT_DOUBLE_EQ(c.new_stress(0, 0), (1 - 0.99) * 9e4 * -0.02);
}

// Shear laws 2 (bilinear) and 11 (exponential) scale each shear stiffness by its own factor
// g_ini / G, so every shear component starts with 2 g_ini whatever its own modulus (G12, G23, G13
// all different). With g_ini below them all, the bilinear law stays on that line; the
// exponential law gives 2 g_ini e exp(-2 alpha e) on first loading.
TEST(VumatCartesian, ShearLawsScaleEachShearStiffnessByItsOwnFactor) {
    const double gi = 2000, alpha = 5.0, gam = 1e-3;
    for (int law : {2, 11}) {
        const auto p = with(ply(), {{prop::g12, 4000}, {prop::g23, 3000}, {prop::g13, 5000}, {prop::nls_flag, law},
                                    {prop::g_ini, gi}, {prop::alpha_sh, alpha}, {prop::criterion_flag, 0}});
        for (int c = 3; c < 6; ++c) {
            std::vector<double> de(6, 0.0);
            de[c] = gam;
            VumatBlock first(vumat_cartesian, 1, nsv, p);
            first.start(de);
            EXPECT_DOUBLE_EQ(first.stressold[c], 2 * gi * gam) << law << " " << c;

            VumatBlock b = started(p);
            b.increment(de);
            const double expected = law == 2 ? 2 * gi * gam : 2 * gi * gam * std::exp(-2 * alpha * gam);
            EXPECT_DOUBLE_EQ(b.stressold[c], expected) << law << " " << c;
            for (int i = 0; i < 6; ++i)
                if (i != c) {
                    EXPECT_EQ(b.stressold[i], 0.0);
                }
        }
    }
}

// Unequal 13 and 23 shear damage: 23 shear damage d8 (stress-based maximum criterion, loaded past
// onset) degrades the 23 shear stiffness by d8 and, through the mode coupling, the 13 one by
// d8 / 2; each scales its own stress component, 2 (1 - w) G e, with G13 and G23 different.
TEST(VumatCartesian, ShearDamageOf13And23ReducesEachItsOwnStress) {
    const double g13 = 5000, g23 = 3000, x23 = 40, x0 = x23 / (2 * g23);
    const auto p = with(ply(), {{prop::g13, g13}, {prop::g23, g23}, {prop::es_flag, 2}});
    VumatBlock b = started(p);
    double e5 = 0.0;
    for (int step = 0; step < 21; ++step) {
        b.increment({0, 0, 0, 0, x0 / 20, 0});
        e5 += x0 / 20;
    }
    const double r0 = b.stateold[slot::onset + mode::s23], r1 = b.stateold[slot::final_strain + mode::s23];
    EXPECT_NEAR(r0, x0, 0.05 * x0);
    const double d8 = r1 / (r1 - r0) * (1 - r0 / e5);
    ASSERT_NEAR(b.stateold[slot::rs + mode::s23], d8, 1e-12);
    ASSERT_GT(d8, 0.1);
    ASSERT_LT(d8, 0.9);

    const double e6 = 0.2 * 60 / (2 * g13);  // a fifth of the 13 strength: no 13 onset
    b.increment({0, 0, 0, 0, -0.5 * e5, e6});
    e5 -= 0.5 * e5;
    EXPECT_EQ(b.stateold[slot::rs + mode::s13], 0.0);
    EXPECT_DOUBLE_EQ(b.stateold[slot::w_stat + mode::s23], d8);
    EXPECT_DOUBLE_EQ(b.stateold[slot::w_stat + mode::s13], 0.5 * d8);
    EXPECT_NEAR(b.stressold[4], 2 * (1 - d8) * g23 * e5, 1e-12 * x23);
    EXPECT_NEAR(b.stressold[5], 2 * (1 - 0.5 * d8) * g13 * e6, 1e-12 * x23);
    EXPECT_EQ(b.stressold[3], 0.0);
}

// A result that overflows from finite input (an increment, rate or energy too large, a length,
// time increment or density too small) is refused: the point keeps its old stress, state
// and energies, the block's other points are evaluated, and the error record says so. A time
// increment that is not a number is refused only where damping reads it.
TEST(VumatCartesian, OverflowingResultIsRefusedAndKeepsTheOldValues) {
    struct Case {
        const char* what;
        bool whole_block;
        void (*spoil)(VumatBlock&);
    };
    const Case cases[] = {
        {"increment", false, [](VumatBlock& b) { b.straininc[1] = 1e300; }},
        {"initial increment", false,
         [](VumatBlock& b) {
             b.totaltime = 0.0;
             b.straininc[1] = 1e300;
         }},
        {"energy", false, [](VumatBlock& b) { b.density[1] = 1e-310; }},
        {"final strain", false,
         [](VumatBlock& b) {
             for (int j = 0; j < 3; ++j) b.charlength[1 + 2 * j] = 1e-310;
             b.straininc[1] = 0.02;  // fibre tension onset
         }},
        {"rate", true,
         [](VumatBlock& b) {
             b.props[prop::damp1] = 1.0;
             b.dt = 1e-320;
         }},
        {"time increment", true,
         [](VumatBlock& b) {
             b.props[prop::damp1] = 1e-9;
             b.dt = NAN;
         }},
    };
    for (const Case& c : cases) {
        tvktest::clear_errors();
        VumatBlock b(vumat_cartesian, 2, nsv, ply());
        b.totaltime = 1.0;
        for (int k = 0; k < 2; ++k) {
            b.state(k, slot::status) = 1.0;
            b.state(k, slot::strain) = 1e-4 * (k + 1);
            b.state(k, slot::tau_max) = 3.0;
        }
        b.stressold = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        b.enerinternold = {1.0, 2.0};
        b.enerinelasold = {0.5, 1.5};
        b.set_increment_all(e1(1e-3));
        c.spoil(b);
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << c.what;
        EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: result not finite; point keeps its old stress and state")
            << c.what;
        for (int k = c.whole_block ? 0 : 1; k < 2; ++k) {
            for (int j = 0; j < 6; ++j) EXPECT_EQ(b.new_stress(k, j), b.stressold[k + 2 * j]) << c.what;
            for (int s = 0; s < nsv; ++s) EXPECT_EQ(b.new_state(k, s), b.state(k, s)) << c.what << " slot " << s;
            EXPECT_EQ(b.enerinternnew[k], b.enerinternold[k]) << c.what;
            EXPECT_EQ(b.enerinelasnew[k], b.enerinelasold[k]) << c.what;
        }
        for (double v : b.stressnew) EXPECT_TRUE(std::isfinite(v)) << c.what;
        for (double v : b.statenew) EXPECT_TRUE(std::isfinite(v)) << c.what;
        if (!c.whole_block) {
            // The other point is evaluated (the initial call: the mean modulus times the increment).
            EXPECT_DOUBLE_EQ(b.new_stress(0, 0), b.totaltime == 0.0 ? 9.5e4 * 1e-3 : 1e5 * 1.1e-3) << c.what;
        }
    }
    // Without damping the time increment is not read.
    tvktest::clear_errors();
    VumatBlock u = at_strain(ply(), e1(1e-4));
    u.dt = NAN;
    u.set_increment(0, e1(1e-3));
    u.call();
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_DOUBLE_EQ(u.new_stress(0, 0), 1e5 * 1.1e-3);
}

// A property that is not finite refuses the block; a state value the law reads that is not a
// number refuses its point; both are reported, and nothing that is not finite is returned.
TEST(VumatCartesian, NonFinitePropertyOrStateIsRefusedAndReported) {
    for (int k : {prop::e11t, prop::x12, prop::gc_fc, prop::alpha_sh, prop::damp2, prop::comp_flag}) {
        for (double v : {NAN, INFINITY, -INFINITY}) {
            tvktest::clear_errors();
            VumatBlock b = at_strain(with(ply(), {{k, v}}), e1(1e-3));
            b.stressold = {1, 2, 3, 4, 5, 6};
            b.set_increment(0, e1(1e-3));
            b.call();
            EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: property not finite") << k << " " << v;
            EXPECT_EQ(b.stressnew, b.stressold);
            EXPECT_EQ(b.statenew, b.stateold);
        }
    }
    tvktest::clear_errors();
    VumatBlock b = at_strain(ply(), e1(0.02));
    initiated(b, mode::ft, 0.5, 0.01, 0.2);
    b.state(0, slot::onset) = NAN;
    b.stressold = {1, 2, 3, 4, 5, 6};
    b.set_increment(0, e1(1e-3));
    b.call();
    EXPECT_EQ(tvktest::errtext(), "vumat_cartesian: non-finite stress, strain or temperature; point not evaluated");
    EXPECT_EQ(b.stressnew, b.stressold);
    for (int s = 0; s < nsv; ++s)
        if (s != slot::onset) {
            EXPECT_EQ(b.new_state(0, s), b.state(0, s)) << s;
        }
    tvktest::clear_errors();
}

// Elastic constants whose compliance has no inverse (every property 0.5: equal moduli and
// Poisson's ratios of 0.5, determinant 1 - 3/4 - 1/4 = 0) refuse every point of the block at -3
// with the stiffness routine's message, in the initial call and later: stress, state and energies
// as they came (the stiffness routine's zero matrix was stored as a stress of 0 and a zeroed state).
TEST(VumatCartesian, SingularComplianceRefusesThePointWhole) {
    for (const double totaltime : {0.0, 1.0}) {
        tvktest::clear_errors();
        VumatBlock b(vumat_cartesian, 2, nsv, std::vector<double>(prop::count, 0.5));
        b.totaltime = b.steptime = totaltime;
        for (int k = 0; k < 2; ++k)
            for (int s = 0; s < nsv; ++s) b.state(k, s) = 1.0 + 1e-3 * s;
        b.stressold = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        b.enerinternold = {1.0, 2.0};
        b.enerinelasold = {0.5, 1.5};
        b.set_increment_all({1e-3, 2e-4, 0, 1e-4, 0, 0});
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << totaltime;
        EXPECT_EQ(tvktest::errtext(), "Singular damaged compliance in MatzenmillerDegradation") << totaltime;
        EXPECT_EQ(b.stressnew, b.stressold) << totaltime;
        EXPECT_EQ(b.statenew, b.stateold) << totaltime;
        EXPECT_EQ(b.enerinternnew, b.enerinternold) << totaltime;
        EXPECT_EQ(b.enerinelasnew, b.enerinelasold) << totaltime;
    }
    tvktest::clear_errors();
}
