// Where the routines that share the ply state vector find its slots: the last 40 state variables
// when a point has at least 40, the state variables from 1 on when it has fewer. The implicit ply
// routine (directly and through its USERMAT and Peridigm entries) and the hyperelastic ply routine
// are checked with decoys in the state variables they must not read or write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "failure/stiffness_factors.h"
#include "mechanics/lamina.h"
#include "single_point_driver.h"
#include "solver/ply_adapters.h"
#include "solver/ply_state.h"
#include "solver/umat_hyper.h"
#include "solver/umat_lamina.h"

namespace {

namespace ps = tvk::plystate;
using tvktest::UmatPoint;
using V = std::vector<double>;

const V nye = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};

// 0-based index of slot s in a state array of nstatv variables, as the placement rule gives it
// (written out here, not taken from the library).
int at(int nstatv, int s) { return (nstatv >= 40 ? nstatv - 40 : 0) + s - 1; }

// The material table: ply 2 of section 1 holds the constants `nye`, every other column twice them,
// so reading the wrong ply or section shows in the stiffness.
struct PlyTable {
    PlyTable() {
        auto& pe = tvk::materialdata.peprops;
        pe.allocate({9, 2, 2});
        for (int ply = 1; ply <= 2; ++ply)
            for (int sec = 1; sec <= 2; ++sec)
                for (int k = 1; k <= 9; ++k) *pe.at(k, ply, sec) = nye[k - 1] * (ply == 2 && sec == 1 ? 1.0 : 2.0);
    }
    ~PlyTable() {
        tvk::materialdata.peprops.release();
        tvktest::clear_errors();
    }
};

// A state array of nstatv variables filled with decoys 100 + k, with the ply slot 2 and the
// section slot 1 where the placement puts them; the state variables 21 and 22 counted from the
// front (when they are not those slots) name ply 1 of section 2.
V decoy_state(int nstatv) {
    V s(static_cast<std::size_t>(nstatv));
    for (int k = 0; k < nstatv; ++k) s[static_cast<std::size_t>(k)] = 100.0 + k;
    if (nstatv > 22) s[20] = 1.0, s[21] = 2.0;
    s[static_cast<std::size_t>(at(nstatv, ps::ply))] = 2.0;
    s[static_cast<std::size_t>(at(nstatv, ps::section))] = 1.0;
    return s;
}

// Every state variable except the given stress slots kept its value.
void expect_only_stress_slots_written(const V& before, const V& after, int nstatv, std::initializer_list<int> slots) {
    for (int k = 0; k < nstatv; ++k) {
        const bool written = std::any_of(slots.begin(), slots.end(), [&](int s) { return at(nstatv, s) == k; });
        if (!written) {
            EXPECT_EQ(after[static_cast<std::size_t>(k)], before[static_cast<std::size_t>(k)]) << k;
        }
    }
}

V stress_of(const V& props_nye, const V& e) {
    double c[36];
    tvk::lamina::stiffness(c, props_nye.data(), 6, false);
    V s(6, 0.0);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) s[static_cast<std::size_t>(i)] += c[i + 6 * j] * e[static_cast<std::size_t>(j)];
    return s;
}

const V strain = {1e-3, -2e-4, 3e-4, 5e-4, -1e-4, 2e-4};

// A ply routine with one property at each state length: the stress of the ply and section held in
// the placed slots 21 and 22 (the decoys elsewhere name other plies), written to slots 1-6 of the
// block and nowhere else.
template <class Routine>
void expect_one_property_point_uses_the_block(Routine routine, std::initializer_list<int> lengths) {
    PlyTable table;
    const V expected = stress_of(nye, strain);
    for (const int nstatv : lengths) {
        UmatPoint p(routine, 3, 3, nstatv, {1.0});
        p.statev = decoy_state(nstatv);
        const V before = p.statev;
        p.increment(strain);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(p.stress[i], expected[i], 1e-9 * std::fabs(expected[i])) << nstatv << " " << i;
            EXPECT_EQ(p.statev[at(nstatv, i + 1)], p.stress[i]) << nstatv;
        }
        expect_only_stress_slots_written(before, p.statev, nstatv, {1, 2, 3, 4, 5, 6});
    }
}

// ---- umat_lamina ----------------------------------------------------------------------------

TEST(PlyStatePlacement, PlyRoutineWithOnePropertyReadsPlyAndSectionFromThePlacedSlots) {
    expect_one_property_point_uses_the_block(umat_lamina, {30, 40, 50, 77});
}

TEST(PlyStatePlacement, PlyRoutineWritesAReducedStressIntoSlotsOneTwoAndFourOfTheBlock) {
    for (const int nstatv : {40, 50}) {
        UmatPoint p(umat_lamina, 2, 1, nstatv, nye);
        p.statev = decoy_state(nstatv);
        const V before = p.statev;
        p.increment({1e-3, -2e-4, 5e-4});
        EXPECT_EQ(p.statev[at(nstatv, 1)], p.stress[0]);
        EXPECT_EQ(p.statev[at(nstatv, 2)], p.stress[1]);
        EXPECT_EQ(p.statev[at(nstatv, 4)], p.stress[2]);
        expect_only_stress_slots_written(before, p.statev, nstatv, {1, 2, 4});
    }
}

// The flags and the residual factor of a DIC step come from the block: a fibre flag in slot 8 of
// the block degrades, a 1 in state variable 8 before the block does not.
TEST(PlyStatePlacement, PlyRoutineDegradesByTheFlagsOfTheBlock) {
    tvk::jobdata.stepid.allocate({1});
    tvk::jobdata.stepid.data()[0] = 5;
    const int nstatv = 50;
    UmatPoint intact(umat_lamina, 3, 3, nstatv, nye);
    intact.increment(strain);

    UmatPoint decoyed(umat_lamina, 3, 3, nstatv, nye);
    decoyed.statev[7] = decoyed.statev[8] = 1.0;  // state variables 8 and 9: before the block
    decoyed.statev[17] = 0.3;
    decoyed.increment(strain);
    EXPECT_EQ(decoyed.ddsdde, intact.ddsdde);

    UmatPoint damaged(umat_lamina, 3, 3, nstatv, nye);
    damaged.statev[at(nstatv, ps::fibre_flag)] = 1.0;
    damaged.statev[at(nstatv, ps::residual)] = 0.5;
    damaged.increment(strain);
    const double dds[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    double f[9], m[36], c[36];
    tvk::degradation::falcom(f, dds, 0.5, 5, true, nullptr);
    tvk::degradation::nye_degradation_matrix(m, f, 6, false);
    tvk::lamina::stiffness(c, nye.data(), 6, false);
    for (int k = 0; k < 36; ++k) EXPECT_DOUBLE_EQ(damaged.ddsdde[k], c[k] * m[k]) << k;
    EXPECT_LT(damaged.ddsdde[0], intact.ddsdde[0]);
    tvk::jobdata.stepid.release();
}

// ---- the ply routine through the other solvers' entries ----------------------------------------

TEST(PlyStatePlacement, UsermatEntryOfThePlyRoutineUsesTheBlock) {
    PlyTable table;
    for (const int nstatev : {40, 50}) {
        int matid = 1, elemid = 1, kdomintpt = 1, klayer = 1, ksectpt = 1, ldstep = 1, isubst = 1, keycut = 0;
        int ndirect = 3, nshear = 3, ncomp = 6, nstv = nstatev, nprop = 1;
        double time = 0, dtime = 1, temp = 0, dtemp = 0, sedel = 0, sedpl = 0, epseq = 0, var0 = 0, epszz = 0;
        double coords[3] = {}, tsstif[2] = {}, var[8] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        // ANSYS order 11, 22, 33, 12, 23, 13.
        V stress(6, 0.0), dsdepl(36), strain0(6, 0.0), epspl(6, 0.0), prop = {1.0};
        V dstrain = {strain[0], strain[1], strain[2], strain[3], strain[5], strain[4]};
        V ustatev = decoy_state(nstatev);
        const V before = ustatev;
        usermat_lamina(&matid, &elemid, &kdomintpt, &klayer, &ksectpt, &ldstep, &isubst, &keycut, &ndirect, &nshear,
                       &ncomp, &nstv, &nprop, &time, &dtime, &temp, &dtemp, stress.data(), ustatev.data(),
                       dsdepl.data(), &sedel, &sedpl, &epseq, strain0.data(), dstrain.data(), epspl.data(),
                       prop.data(), coords, &var0, eye, eye, tsstif, &epszz, &var[0], &var[1], &var[2], &var[3],
                       &var[4], &var[5], &var[6], &var[7]);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        const V expected = stress_of(nye, strain);  // Nye order
        const int cyclic_of_nye[6] = {0, 1, 2, 3, 5, 4};
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(stress[cyclic_of_nye[i]], expected[i], 1e-9 * std::fabs(expected[i])) << nstatev << " " << i;
            // The state keeps the routine's own (Nye) order.
            EXPECT_EQ(ustatev[at(nstatev, i + 1)], stress[cyclic_of_nye[i]]) << nstatev << " " << i;
        }
        expect_only_stress_slots_written(before, ustatev, nstatev, {1, 2, 3, 4, 5, 6});
    }
}

TEST(PlyStatePlacement, PeridigmEntryOfThePlyRoutineUsesTheBlockOfEveryPoint) {
    PlyTable table;
    const int npoint = 2, ndir = 3, nshr = 3, nstatev = 50, nprops = 1, matid = 1;
    const double steptime = 0, totaltime = 1, dt = 1;
    const V props = {1.0};
    V stressold(npoint * 6, 0.0), stressnew(npoint * 6), straininc(npoint * 6, 0.0);
    V stateold(npoint * nstatev), statenew(npoint * nstatev);
    for (int k = 0; k < npoint; ++k) {
        const V one = decoy_state(nstatev);
        for (int s = 0; s < nstatev; ++s) stateold[k + npoint * s] = one[static_cast<std::size_t>(s)] + 1000.0 * k;
        stateold[k + npoint * at(nstatev, ps::ply)] = 2.0;
        stateold[k + npoint * at(nstatev, ps::section)] = 1.0;
        for (int c = 0; c < 3; ++c) straininc[k + npoint * c] = (k + 1) * strain[static_cast<std::size_t>(c)];
    }
    upermat_lamina(stressnew.data(), statenew.data(), stressold.data(), stateold.data(), straininc.data(),
                   props.data(), &steptime, &totaltime, &dt, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    for (int k = 0; k < npoint; ++k) {
        const V e = {(k + 1) * strain[0], (k + 1) * strain[1], (k + 1) * strain[2], 0, 0, 0};
        const V expected = stress_of(nye, e);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(stressnew[k + npoint * i], expected[i], 1e-9 * std::fabs(expected[i])) << k << " " << i;
            EXPECT_EQ(statenew[k + npoint * at(nstatev, i + 1)], stressnew[k + npoint * i]) << k << " " << i;
        }
        for (int s = 0; s < at(nstatev, 1); ++s) EXPECT_EQ(statenew[k + npoint * s], stateold[k + npoint * s]) << s;
    }
}

// ---- umat_hyper ---------------------------------------------------------------------------------

TEST(PlyStatePlacement, HyperelasticRoutineUsesTheBlock) {
    // One property: ply and section from the block.
    expect_one_property_point_uses_the_block(umat_hyper, {30, 40, 50});
    PlyTable table;
    const V expected = stress_of(nye, strain);
    // A packed stiffness (the column-packed triangle of the stiffness of `nye`) for six components,
    // and the nine constants for plane stress, whose stress fills slots 1, 2 and 4 of the block.
    double c[36];
    tvk::lamina::stiffness(c, nye.data(), 6, false);
    V packed;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i <= j; ++i) packed.push_back(c[i + 6 * j]);
    for (const int nstatv : {41, 60}) {
        UmatPoint p(umat_hyper, 3, 3, nstatv, packed);
        p.statev = decoy_state(nstatv);
        const V before = p.statev;
        p.increment(strain);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(p.stress[i], expected[i], 1e-9 * std::fabs(expected[i])) << nstatv << " " << i;
            EXPECT_EQ(p.statev[at(nstatv, i + 1)], p.stress[i]) << nstatv;
        }
        expect_only_stress_slots_written(before, p.statev, nstatv, {1, 2, 3, 4, 5, 6});
    }
    UmatPoint p(umat_hyper, 2, 1, 50, nye);
    p.statev = decoy_state(50);
    const V before = p.statev;
    p.increment({1e-3, -2e-4, 5e-4});
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_NE(p.stress[0], 0.0);
    EXPECT_EQ(p.statev[at(50, 1)], p.stress[0]);
    EXPECT_EQ(p.statev[at(50, 2)], p.stress[1]);
    EXPECT_EQ(p.statev[at(50, 4)], p.stress[2]);
    expect_only_stress_slots_written(before, p.statev, 50, {1, 2, 4});
}

}  // namespace
