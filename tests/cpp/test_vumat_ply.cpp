// The explicit ply routines driven as the explicit solver drives a block: the progressively
// failing ply from fibre initiation to point deletion with the dissipated energy against the
// fracture energy over the element length, a matrix crack from onset to its cap against the
// crack-plane toughness, the initiation rules, the elastic forms, the guards of the damage path;
// the elastic ply's energy and plane-stress strain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "error_record.h"
#include "explicit_block_driver.h"
#include "mechanics/lamina.h"
#include "solver/vumat_ply.h"

namespace {

using V = std::vector<double>;

// A block of points called through the C entry, each point's state carried between increments.
using VumatBlock = tvktest::ExplicitBlock<tvk::solver::VumatPlaneStrain::Fn>;

// Full property list: a carbon/epoxy ply (MPa, mm, N/mm) with the given transverse strengths.
V full_props(double xt22 = 1e5, double xc22 = 1e5, double x12 = 1e5) {
    V p(29, 0.0);
    const double el[9] = {140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45};
    for (int k = 0; k < 9; ++k) p[k] = el[k];
    p[9] = 2000.0;   // xt11
    p[10] = xt22;
    p[12] = 1500.0;  // xc11
    p[13] = xc22;
    p[15] = x12;
    p[16] = x12;     // x13
    p[24] = 100.0;   // fibre tensile fracture energy
    p[25] = 80.0;    // fibre compressive fracture energy
    p[26] = 0.5;     // crack plane: opening, closing, shear toughness
    p[27] = 1.0;
    p[28] = 1.5;
    return p;
}

// The three-dimensional stiffness of the ply, Nye order (shared by both orders for 11, 22).
V nye_stiffness() {
    const double nye[9] = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
    V c(36);
    tvk::lamina::stiffness(c.data(), nye, 6, false);
    return c;
}

struct VumatBogenfeld : ::testing::Test {
    void SetUp() override { tvktest::clear_errors(); }
};

TEST_F(VumatBogenfeld, FibreTensionFromInitiationToDeletionDissipatesTheToughnessOverTheLength) {
    for (const double lc : {1.0, 0.5}) {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
        b.charlength.assign(3, lc);
        b.density[0] = 1.6e-9;
        b.state(0, 19) = 1.0;
        const double de = 2e-5;
        int initiated_at = -1, deleted_at = -1;
        double dissipated = 0.0;
        for (int k = 0; k < 20000 && deleted_at < 0; ++k) {
            b.inc(0, 0) = de;
            b.call();
            if (initiated_at < 0 && b.stnew(0, 1) > 0.0) {
                initiated_at = k;
                // Initiation from the start stress: f_t = s11 / xt11 and e0 = e_t / f_t^2.
                const double f = b.sold(0, 0) / 2000.0, e_t = (k + 1) * de;
                EXPECT_GE(f, 1.0);
                EXPECT_NEAR(b.stnew(0, 13), e_t / (f * f), 1e-15);
                EXPECT_EQ(b.stnew(0, 15), 100.0);
                EXPECT_EQ(b.stnew(0, 45), b.sold(0, 0));
                EXPECT_NEAR(b.stnew(0, 14), 2.0 * 100.0 / (lc * b.sold(0, 0)), 1e-15);
            }
            if (b.stnew(0, 19) == 0.0) {
                deleted_at = k;
                EXPECT_EQ(b.stnew(0, 1), 0.999);
                dissipated = b.enerinelasnew[0] * b.density[0];
                EXPECT_EQ(b.enerinelasnew[0], b.enerinternnew[0]);
            } else {
                // Before deletion the damage never decreases and the stress is (1 - d) C11 e11.
                EXPECT_GE(b.stnew(0, 1), b.state(0, 1));
                EXPECT_NEAR(b.snew(0, 0), (1.0 - b.stnew(0, 1)) * nye_stiffness()[0] * (k + 1) * de,
                            1e-9 * nye_stiffness()[0]);
            }
            EXPECT_EQ(b.stnew(0, 4), 0.0);
            b.advance();
        }
        ASSERT_GT(initiated_at, 0);
        ASSERT_GT(deleted_at, initiated_at);
        // The work of the softening law: fracture energy over the element length.
        EXPECT_NEAR(dissipated, 100.0 / lc, 0.02 * 100.0 / lc) << "element length " << lc;
        // A deleted point keeps its energies.
        for (int k = 0; k < 3; ++k) {
            b.inc(0, 0) = de;
            b.call();
            EXPECT_EQ(b.enerinternnew[0], b.enerinternold[0]);
            EXPECT_EQ(b.enerinelasnew[0], b.enerinternnew[0]);
            b.advance();
        }
    }
}

TEST_F(VumatBogenfeld, MatrixCrackGrowsToItsCapWithTheOpeningToughnessOverTheLengthAcrossIt) {
    VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props(50.0, 200.0, 80.0));
    b.charlength = {1.0, 0.8, 0.6};
    b.state(0, 19) = 1.0;
    const double de = 2e-6, c22 = nye_stiffness()[7];
    bool cracked = false;
    double angle = 0.0, work = 0.0;
    for (int k = 0; k < 200000; ++k) {
        b.inc(0, 1) = de;
        b.call();
        if (!cracked && b.stnew(0, 10) >= 1.0) {
            cracked = true;
            angle = b.stnew(0, 12);
            // A transverse tension crack lies in the xz plane (0 or 180 degrees from it).
            EXPECT_NEAR(std::fmod(angle + 1.0, 180.0) - 1.0, 0.0, 1e-6);
            EXPECT_NE(b.stnew(0, 7), -1.0);
        }
        if (cracked) {
            EXPECT_EQ(b.stnew(0, 12), angle);
            EXPECT_GE(b.stnew(0, 3), b.state(0, 3));
            if (b.stnew(0, 3) > 0.0) {
                EXPECT_EQ(b.stnew(0, 47), 1.0);  // an opening crack
            }
        }
        if (b.stnew(0, 3) >= 0.99) {
            work = b.enerinternnew[0];  // density 1
            // The inelastic energy is the work less the elastic energy still held.
            EXPECT_NEAR(b.enerinelasnew[0], work - 0.5 * b.snew(0, 1) * b.stnew(0, 22), 1e-12);
            break;
        }
        b.advance();
    }
    ASSERT_TRUE(cracked);
    // The opening toughness 0.5 over the length across the crack plane, l2 = 0.8; what remains
    // of the softening triangle beyond the cap at 0.99 is a fraction of a percent.
    const double expected = 0.5 / 0.8;
    EXPECT_NEAR(work, expected, 0.02 * expected);
    EXPECT_GT(c22, 0.0);
}

TEST_F(VumatBogenfeld, InitiationRulesOfTheFibreModes) {
    const V c = nye_stiffness();
    // Tension at f_t = 1.25: e0 = e_t / 1.5625.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
        b.sold(0, 0) = 1.25 * 2000.0;
        b.state(0, 21) = 0.02;
        b.state(0, 4) = 0.3;
        b.inc(0, 0) = 1e-4;
        b.call();
        EXPECT_NEAR(b.stnew(0, 13), 0.0201 / 1.5625, 1e-16);
        EXPECT_EQ(b.stnew(0, 18), 1.25);
        EXPECT_EQ(b.stnew(0, 4), 0.0);
    }
    // Compression at f_c = 16: e0 = equivalent strain / 2, final strain from the fracture energy.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
        b.sold(0, 0) = -16.0 * 1500.0;
        b.state(0, 21) = -0.02;
        b.state(0, 24) = 1e-3;  // tensor shear 12
        b.inc(0, 0) = -1e-4;
        b.call();
        const double eq = std::sqrt(0.0201 * 0.0201 + 1e-6);
        EXPECT_NEAR(b.stnew(0, 16), eq / 2.0, 1e-16);
        EXPECT_NEAR(b.stnew(0, 17), std::max(2.0 * 80.0 / 24000.0, 1.5 * eq / 2.0), 1e-16);
        EXPECT_EQ(b.stnew(0, 46), 24000.0);
        EXPECT_EQ(b.stnew(0, 20), 16.0);
        EXPECT_GT(b.stnew(0, 2), 0.0);
        EXPECT_LE(b.stnew(0, 2), 0.97);
    }
    // A start stress 11 of exactly 0 evaluates neither fibre mode: the compressive damage held
    // degrades the stiffness, the exposures stay.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
        b.state(0, 2) = 0.5;
        b.state(0, 18) = 0.25;
        b.state(0, 20) = 0.75;
        b.inc(0, 0) = 1e-4;
        b.call();
        EXPECT_NEAR(b.snew(0, 0), 0.5 * c[0] * 1e-4, 1e-9);
        EXPECT_EQ(b.stnew(0, 18), 0.25);
        EXPECT_EQ(b.stnew(0, 20), 0.75);
        EXPECT_EQ(b.stnew(0, 2), 0.5);
    }
}

// Fibre tension: a strain that partly unloads while still in tension leaves the damage where it
// was (the softening law would give less); the stress unloads along the damaged secant.
TEST_F(VumatBogenfeld, FibreTensionDamageNeverFallsWhenTheStrainPartlyUnloads) {
    VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
    b.density[0] = 1.6e-9;
    b.state(0, 19) = 1.0;
    const double de = 2e-5, c11 = nye_stiffness()[0];
    int k = 0;
    for (; k < 20000 && b.state(0, 1) < 0.3; ++k) {  // load into the softening branch
        b.inc(0, 0) = de;
        b.call();
        b.advance();
    }
    const double d = b.state(0, 1);
    ASSERT_GT(d, 0.3);
    ASSERT_LT(d, 0.9);
    double e = b.state(0, 21);
    for (int u = 0; u < 30; ++u) {  // unload by half the strain, still in tension
        b.inc(0, 0) = -e / 60.0;
        b.call();
        EXPECT_EQ(b.stnew(0, 1), d) << "unloading step " << u;
        EXPECT_GT(b.snew(0, 0), 0.0);
        EXPECT_NEAR(b.snew(0, 0), (1.0 - d) * c11 * b.stnew(0, 21), 1e-9 * c11);
        b.advance();
    }
    e = b.state(0, 21);
    for (int r = 0; r < 30; ++r) {  // reloading to the former strain keeps it too
        b.inc(0, 0) = e / 30.0;
        b.call();
        EXPECT_GE(b.stnew(0, 1), d);
        EXPECT_LE(b.stnew(0, 1) - d, 1e-12) << "reloading step " << r;
        b.advance();
    }
}

// Fibre compression: the final strain stored at initiation is max(2 G / (s l), 1.5 e0), here with
// a short element, so that the energy term is the larger.
TEST_F(VumatBogenfeld, FibreCompressionFinalStrainFromTheEnergyOnAShortElement) {
    for (const double lc : {0.1, 0.05}) {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props());
        b.charlength.assign(3, lc);
        b.sold(0, 0) = -16.0 * 1500.0;
        b.state(0, 21) = -0.02;
        b.state(0, 24) = 1e-3;
        b.inc(0, 0) = -1e-4;
        b.call();
        const double e0 = std::sqrt(0.0201 * 0.0201 + 1e-6) / 2.0, energy = 2.0 * 80.0 / (24000.0 * lc);
        ASSERT_GT(energy, 1.5 * e0);
        EXPECT_NEAR(b.stnew(0, 16), e0, 1e-16);
        EXPECT_NEAR(b.stnew(0, 17), energy, 1e-15 * energy) << "element length " << lc;
        EXPECT_EQ(b.stnew(0, 46), 24000.0);
        // The damage of the bilinear law at the equivalent strain of this increment.
        const double eq = std::sqrt(0.0201 * 0.0201 + 1e-6);
        const double expected = energy * (eq - e0) / (eq * (energy - e0));
        EXPECT_NEAR(b.stnew(0, 2), expected, 1e-12);
    }
}

TEST_F(VumatBogenfeld, AnExistingCrackKeepsItsAngleAndIsNotReassessed) {
    VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, full_props(50.0, 200.0, 80.0));
    b.state(0, 10) = 1.5;
    b.state(0, 12) = 37.0;
    b.state(0, 7) = 1e-3;  // onset strain, stress, toughness, final strain
    b.state(0, 8) = 50.0;
    b.state(0, 9) = 0.5;
    b.state(0, 11) = 0.02;
    b.state(0, 22) = 0.05;  // far beyond any transverse strength
    b.inc(0, 1) = 1e-4;
    b.call();
    EXPECT_EQ(b.stnew(0, 10), 1.5);
    EXPECT_EQ(b.stnew(0, 12), 37.0);
    EXPECT_EQ(b.stnew(0, 7), 1e-3);
    EXPECT_EQ(b.stnew(0, 11), 0.02);
    EXPECT_GT(b.stnew(0, 3), 0.0);
}

TEST_F(VumatBogenfeld, ElasticFormsAndTheStartOfTheAnalysis) {
    const V c = nye_stiffness();
    // totaltime 0 with the full list, and nine constants at any strain: the elastic trial, the
    // state as it came.
    for (const bool nine : {false, true}) {
        V p = full_props();
        if (nine) p.resize(9);
        VumatBlock b(vumat_bogenfeld, 2, 3, 3, 47, p);
        if (!nine) b.totaltime = 0.0;
        for (int s = 1; s <= 47; ++s) b.state(0, s) = b.state(1, s) = 0.01 * s;
        b.sold(1, 0) = 1e4;
        b.inc(0, 0) = b.inc(1, 0) = 0.05;
        b.inc(0, 3) = b.inc(1, 3) = 0.01;  // tensor shear 12
        b.call();
        EXPECT_EQ(b.statenew, b.stateold);
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(b.snew(k, 0), b.sold(k, 0) + c[0] * 0.05, 1e-6);
            EXPECT_NEAR(b.snew(k, 3), 5e3 * 0.02, 1e-9);
        }
    }
}

TEST_F(VumatBogenfeld, GuardsOfTheDamagePath) {
    const V c = nye_stiffness();
    // Too few state variables: elastic, reported.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 46, full_props());
        b.sold(0, 0) = 5000.0;
        b.inc(0, 0) = 1e-3;
        b.call();
        EXPECT_NEAR(b.snew(0, 0), 5000.0 + c[0] * 1e-3, 1e-9);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
    tvktest::clear_errors();
    // A short full list: padded (reported), its strengths present, so the damage path runs.
    {
        V p = full_props();
        p.resize(20);
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, p);
        b.sold(0, 0) = 3000.0;
        b.state(0, 21) = 0.03;
        b.inc(0, 0) = 1e-4;
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        EXPECT_GT(b.stnew(0, 1), 0.0);
    }
    tvktest::clear_errors();
    // Table indices out of range: nothing to compute with, the old values kept.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 3, 47, {1.0});
        b.state(0, 21) = 3.0;
        b.state(0, 22) = 1.0;
        b.sold(0, 0) = 7.0;
        b.inc(0, 0) = 1e-3;
        b.call();
        EXPECT_EQ(b.snew(0, 0), 7.0);
        EXPECT_EQ(b.statenew, b.stateold);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
    tvktest::clear_errors();
    // Plane stress with the full list: elastic only (reported), the thickness strain written.
    {
        VumatBlock b(vumat_bogenfeld, 1, 3, 1, 47, full_props());
        b.inc(0, 0) = 1e-3;
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -2);
        const double e1 = 140e3, e2 = 10e3, n12 = 0.3, n21 = n12 * e2 / e1, d = 1.0 - n12 * n21;
        const double ds11 = e1 / d * 1e-3, ds22 = n12 * e2 / d * 1e-3;
        EXPECT_NEAR(b.snew(0, 0), ds11, 1e-9);
        EXPECT_NEAR(b.snew(0, 2), 0.0, 1e-12);
        EXPECT_NEAR(b.inc(0, 2), -(0.3 * 10e3 / 140e3 * ds11 + 0.45 * ds22) / 10e3, 1e-15);
    }
}

TEST(VumatLamina, BlockOfPointsEqualsSinglePointsAndReturnsZeroState) {
    const V p = {140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45};
    VumatBlock b(vumat_lamina, 4, 3, 3, 5, p);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 6; ++j) {
            b.inc(k, j) = 1e-4 * (k + 1) * (j % 2 ? -1 : 1);
            b.sold(k, j) = 10.0 * k - j;
        }
    b.stateold.assign(b.stateold.size(), 3.0);
    b.enerinelasold.assign(4, 9.0);
    b.call();
    for (int k = 0; k < 4; ++k) {
        VumatBlock one(vumat_lamina, 1, 3, 3, 5, p);
        for (int j = 0; j < 6; ++j) {
            one.inc(0, j) = b.inc(k, j);
            one.sold(0, j) = b.sold(k, j);
        }
        one.call();
        for (int j = 0; j < 6; ++j) EXPECT_EQ(one.snew(0, j), b.snew(k, j));
        EXPECT_EQ(one.enerinternnew[0], b.enerinternnew[k]);
        EXPECT_EQ(b.enerinelasnew[k], 0.0);
    }
    EXPECT_EQ(b.statenew, V(b.statenew.size(), 0.0));
}

// A point without a positive density has its stress, but no energy per unit mass: a warning, not
// a refusal (whose result would be the stress it came with).
TEST(VumatLamina, PointWithoutDensityKeepsItsStressAndWarnsOnly) {
    const V p = {140e3, 10e3, 10e3, 5e3, 5e3, 3.5e3, 0.3, 0.3, 0.45};
    for (auto* fn : {vumat_lamina, vumat_bogenfeld}) {
        VumatBlock b(fn, 2, 3, 3, 47, p);
        b.set_increment_all({1e-4, 0, 0, 0, 0, 0});
        b.density[1] = 0.0;
        b.enerinternold = {0.0, 5.0};
        tvktest::clear_errors();
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -2) << tvktest::errtext();
        EXPECT_EQ(b.snew(1, 0), b.snew(0, 0));
        EXPECT_NE(b.snew(1, 0), 0.0);
        EXPECT_EQ(b.enerinternnew[1], 5.0);
    }
    tvktest::clear_errors();
}

}  // namespace
