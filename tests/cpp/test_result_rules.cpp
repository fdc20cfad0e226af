// The result check of the implicit converters lets through what a routine's law defines and what
// is not the routine's: +inf in the resin's remaining cycles and cycles to failure (an infinite
// life), NaN in slot 77 of each Shokrieh block (no finite life), each only in its slots; and the
// energies a routine does not set (solvers such as CalculiX pass them uninitialised), under the
// UMAT entry and the ANSYS adapter alike. Anything else non-finite is still refused. Also the
// explicit block converter's check of the energies it derives from a kernel's.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "explicit_block_driver.h"
#include "material_fixtures.h"
#include "single_point_driver.h"
#include "solver/adapters.h"
#include "solver/converters.h"
#include "solver/prony.h"
#include "solver/umat_krause.h"
#include "solver/umat_resin.h"
#include "solver/umat_shokrieh.h"

namespace {

using tvk::solver::Energy;
using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;
using tvk::solver::ResultRules;
using tvktest::clear_errors;
using tvktest::UmatPoint;
using V = std::vector<double>;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// A finite elastic point (stress += 1000 dstran, tangent 1000 I, state 1 counts the calls, sse
// grows by 1) that then writes props(3) (0 NaN, 1 +inf, 2 -inf) into the 0-based state slot
// props(2) when props(1) is 1, into spd when it is 2, adds it to sse when it is 3; with props(1) =
// 4 it also gives a NaN stress.
Outcome writes_value(Point<Order::nye>& p) {
    const int mode = static_cast<int>(p.props[0]), at = static_cast<int>(p.props[1]);
    const double v = p.props[2] == 0.0 ? nan : p.props[2] == 1.0 ? inf : -inf;
    for (int i = 0; i < p.ntens; ++i) {
        p.stress[i] += 1000.0 * p.dstran[i];
        for (int j = 0; j < p.ntens; ++j) p.ddsdde(i, j) = i == j ? 1000.0 : 0.0;
    }
    p.statev[0] += 1.0;
    p.sse += 1.0;
    if (mode == 1 || mode == 4) p.statev[at] = v;
    if (mode == 2) p.spd = v;
    if (mode == 3) p.sse += v;
    if (mode == 4) p.stress[0] = nan;
    return Outcome::ok();
}

// Energies: sse accumulated, spd the solver's, scd the kernel's own.
constexpr ResultRules mixed_energies{.sse = Energy::accumulated, .spd = Energy::solvers, .scd = Energy::own};

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_resin_rules_umat);
TVK_SOLVER_DECLARE(Umat, tvktest_shokrieh_rules_umat);
TVK_SOLVER_DECLARE(Umat, tvktest_energy_rules_umat);
TVK_SOLVER_DECLARE(Usermat, tvktest_resin_rules_usermat);
TVK_SOLVER_DECLARE(Usermat, tvktest_shokrieh_rules_usermat);
TVK_SOLVER_DECLARE(Vumat, tvktest_energy_vumat);
TVK_SOLVER_KERNEL_RULED(Umat, tvktest_resin_rules_umat, writes_value, tvk::solver::resin_results)
TVK_SOLVER_KERNEL_RULED(Umat, tvktest_shokrieh_rules_umat, writes_value, tvk::solver::shokrieh_results)
TVK_SOLVER_KERNEL_RULED(Umat, tvktest_energy_rules_umat, writes_value, mixed_energies)
TVK_SOLVER_ADAPTED_RULED(Usermat, tvktest_resin_rules_usermat, abq_umat_to_ansys_usermat, tvktest_resin_rules_umat,
                         tvk::solver::resin_results)
TVK_SOLVER_ADAPTED_RULED(Usermat, tvktest_shokrieh_rules_usermat, abq_umat_to_ansys_usermat,
                         tvktest_shokrieh_rules_umat, tvk::solver::shokrieh_results)
TVK_SOLVER_KERNEL(Vumat, tvktest_energy_vumat, writes_value)

namespace {

// One USERMAT call of `fn` with six components from zero stress, the state `st`, the properties
// `prop`, the strain energy `sedel`, time, temperature, substep and a uniform strain increment
// `de`; returns keycut, the stress in `stress` where asked.
int usermat_call(tvk::solver::Usermat::Fn* fn, V& st, double& sedel, const V& prop, double t = 0.0,
                 double temp = 20.0, int isubst = 1, double de = 1e-3, V* stress = nullptr) {
    int id = 2, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nsv = static_cast<int>(st.size());
    int np = static_cast<int>(prop.size());
    double dt = 1, dtemp = 0, sedpl = 0, epseq = 0, var[9] = {}, ts[2] = {3, 4}, epszz = 0, coords[3] = {};
    double eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    V s(6, 0.0), dsdepl(36), strain(6), dstrain(6, de), epspl(6), props = prop;
    fn(&id, &one, &one, &one, &one, &one, &isubst, &keycut, &nd, &ns, &nc, &nsv, &np, &t, &dt, &temp, &dtemp,
       s.data(), st.data(), dsdepl.data(), &sedel, &sedpl, &epseq, strain.data(), dstrain.data(), epspl.data(),
       props.data(), coords, &var[0], eye, eye, ts, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6],
       &var[7], &var[8]);
    if (stress) *stress = s;
    return keycut;
}

// A value the rules let through, in its slot: the point is computed and the value kept, under the
// UMAT entry and the ANSYS adapter (which checks the state again). The other non-finite value
// there, the same value in another slot, or a NaN stress beside it give the refused-point result,
// the slot as it came.
void expect_slots(UmatPoint::Fn* fn, tvk::solver::Usermat::Fn* ansys, const int (&slots)[4], double allowed) {
    const double kind = std::isnan(allowed) ? 0.0 : 1.0;
    for (const int at : slots) {
        if (at < 0) continue;
        const double a = at;
        for (const V& props : {V{1.0, a, kind}, V{1.0, a, 1.0 - kind}, V{1.0, a, 2.0}, V{1.0, a - 2, kind},
                               V{4.0, a, kind}}) {
            const bool passes = props == V{1.0, a, kind};
            UmatPoint p(fn, 3, 3, 312, props);
            p.pnewdt = -1.0;
            const UmatPoint before = p;
            clear_errors();
            p.call(V(6, 1e-3));
            EXPECT_EQ(tvk::errorhandling.errstat, passes ? 0 : -3) << at << " " << props[0] << " " << props[2];
            EXPECT_EQ(p.pnewdt, passes ? -1.0 : 0.5);
            EXPECT_TRUE(passes ? same_bits(p.statev[at], allowed) : p.statev == before.statev) << at;

            V st(312, 0.0);
            double sedel = 0.25;
            clear_errors();
            EXPECT_EQ(usermat_call(ansys, st, sedel, props), passes ? 0 : 1);
            EXPECT_TRUE(same_bits(st[at], passes ? allowed : 0.0)) << at;
        }
    }
    clear_errors();
}

// ---- The rules of the results -----------------------------------------------------------------

TEST(UmatResin, PlusInfinityIsAResultOnlyInTheRemainingCyclesAndCyclesToFailure) {
    expect_slots(tvktest_resin_rules_umat, tvktest_resin_rules_usermat, tvk::solver::resin_results.infinite, inf);
    EXPECT_EQ(tvk::solver::resin_results.infinite[0], 11);  // state variables 12 and 13
    EXPECT_EQ(tvk::solver::resin_results.infinite[1], 12);
}

TEST(UmatShokrieh, NanIsAResultOnlyInSlot77OfEachBlockAndBackup) {
    expect_slots(tvktest_shokrieh_rules_umat, tvktest_shokrieh_rules_usermat, tvk::solver::shokrieh_results.none,
                 nan);
    const int vars[4] = {78, 155, 234, 311};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(tvk::solver::shokrieh_results.none[k], vars[k] - 1);
}

// An energy the kernel does not own: the solver's is checked only where the kernel changed it,
// an accumulated one only where it came in finite; a fresh one of the kernel's is always checked.
TEST(ResultRules, EnergiesAreCheckedOnlyWhereTheKernelOwnsThem) {
    struct Case {
        double mode, kind, sse, spd, scd;
        bool refused;
    };
    const Case cases[] = {
        {0, 0, nan, nan, 0.75, false},   // the solver's spd, an accumulated sse: as they came
        {0, 0, inf, -inf, 0.75, false},
        {0, 0, 0.25, 0.5, nan, true},    // a NaN scd is the kernel's own
        {2, 0, 0.25, 0.5, 0.75, true},   // the kernel writes a NaN spd
        {2, 1, 0.25, nan, 0.75, true},   // ... or +inf over a NaN that came in
        {3, 1, 0.25, 0.5, 0.75, true},   // it accumulates to +inf from a finite sse
        {3, 1, nan, 0.5, 0.75, false},   // from a NaN sse
    };
    for (const Case& c : cases) {
        UmatPoint p(tvktest_energy_rules_umat, 3, 3, 4, {c.mode, 0.0, c.kind});
        p.sse = c.sse, p.spd = c.spd, p.scd = c.scd, p.pnewdt = -1.0;
        const UmatPoint before = p;
        clear_errors();
        p.call(V(6, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, c.refused ? -3 : 0) << c.mode << " " << c.sse << " " << c.spd;
        EXPECT_EQ(p.pnewdt, c.refused ? 0.5 : -1.0);
        if (c.refused || c.mode == 0) {  // as they came
            EXPECT_TRUE(same_bits(p.sse, before.sse));
            EXPECT_TRUE(same_bits(p.spd, before.spd));
            EXPECT_TRUE(same_bits(p.scd, before.scd));
        }
    }
    clear_errors();
}

// ---- The routines, with the energies a solver passes uninitialised ------------------------------

// A point of a fatigue step without load: its cycle ends with no amplitude, so its life is
// infinite (cycles to failure and remaining cycles +inf); the point is computed, and the energies
// the routine never sets come back as they came, under the UMAT entry and the ANSYS adapter.
TEST(UmatResin, UnloadedPointInAFatigueStepHasAnInfiniteLife) {
    namespace slot = tvk::resin_state;
    tvktest::set_resin_tables(1, 0.0, 0.0);
    auto& plan = tvk::shokriehdata.cycleprops;  // one fatigue step, period 1
    plan.allocate({10, 1});
    *plan.at(2, 1) = 1.0, *plan.at(3, 1) = 1.0, *plan.at(4, 1) = 1.0, *plan.at(5, 1) = 100.0;
    *plan.at(7, 1) = 100.0, *plan.at(10, 1) = 1e6;
    tvk::jobdata.nsteps = 1;
    // In cycle 1 at the end of period 2, no stress in the cycle so far nor in this increment.
    V statev(30, 0.0);
    statev[slot::cycle - 1] = 1.0, statev[slot::cycle_index - 1] = 5.0;
    UmatPoint p(umat_resin, 3, 3, 30, tvktest::resin_props_of(1), "RESIN");
    p.statev = statev;
    p.temp = 300.0, p.kinc = 5, p.time[0] = p.time[1] = 2.0;
    const double garbage = std::bit_cast<double>(0x7ff4000000000123ULL);  // a signalling NaN
    p.sse = garbage, p.spd = nan, p.scd = -inf, p.pnewdt = -1.0;
    clear_errors();
    p.call(V(6, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(p.statev[slot::cycles_to_failure - 1], inf);
    EXPECT_EQ(p.statev[slot::remaining - 1], inf);
    EXPECT_EQ(p.statev[slot::cycle_index - 1], 6.0);
    EXPECT_EQ(p.pnewdt, -1.0);
    EXPECT_TRUE(same_bits(p.sse, garbage) && std::isnan(p.spd) && p.scd == -inf);
    EXPECT_GT(p.tangent(0, 0), 0.0);
    // usermat_resin: sedel is the routine's sse.
    double sedel = nan;
    EXPECT_EQ(usermat_call(usermat_resin, statev, sedel, tvktest::resin_props_of(1), 2.0, 300.0, 5, 0.0), 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(statev[slot::cycles_to_failure - 1], inf);
    EXPECT_EQ(statev[slot::remaining - 1], inf);
    EXPECT_TRUE(std::isnan(sedel));
    tvktest::release_resin_tables();
    plan.release();
    tvk::jobdata.nsteps = 0;
    clear_errors();
}

// Energies the endochronic and Shokrieh routines do not set pass through untouched, NaN or not;
// the Shokrieh routine adds its strain energy to the solver's.
TEST(RoutineEnergies, EnergiesARoutineDoesNotSetComeBackAsTheyCame) {
    clear_errors();
    UmatPoint k(umat_krause, 3, 3, 42, {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0});
    k.sse = nan, k.spd = inf, k.scd = nan;
    k.call({1e-4, -2e-5, 0, 3e-5, 0, 0});
    EXPECT_TRUE(std::isnan(k.sse) && k.spd == inf && std::isnan(k.scd) && std::isfinite(k.stress[0]));
    for (const double sse : {0.25, nan}) {
        UmatPoint p(umat_shokrieh, 3, 3, 312, tvktest::shokrieh_props(0.0));
        p.temp = 240.0, p.dtime = 0.5, p.kinc = 1;
        p.sse = sse, p.spd = nan, p.scd = inf;
        p.call({1e-3, 0, 0, 0, 0, 0});
        EXPECT_TRUE(std::isnan(sse) ? std::isnan(p.sse) : p.sse == 0.25 + 0.5 * p.stress[0] * 1e-3);
        EXPECT_TRUE(std::isnan(p.spd) && p.scd == inf);
    }
    // usermat_prony: sedel is the relaxation routine's sse, which it does not set.
    auto& cu = tvk::materialdata.cuprops;
    cu.allocate({16, 8, 1, 1});
    cu.fill(tvk::huge);
    *cu.at(1, 8, 1, 1) = 10.0, *cu.at(2, 8, 1, 1) = 50.0, *cu.at(3, 8, 1, 1) = 5000.0, *cu.at(4, 8, 1, 1) = 0.0;
    V st(510, 0.0), stress;
    st[2] = 400.0;  // Tg
    double sedel = nan;
    const V prony = {1, 1, 1, 1, 1, 4000, 2000, 4200, 2100, 1000, 0.3, 10, 0.25, 50, 0.2, 5, 0.1, 30, 0.4, 20};
    EXPECT_EQ(usermat_call(usermat_prony, st, sedel, prony, 0.0, 20.0, 1, 1e-3, &stress), 0);
    EXPECT_TRUE(std::isnan(sedel));
    EXPECT_NE(stress, V(6, 0.0));
    cu.release();
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    clear_errors();
}

// ---- The adapters around a routine -------------------------------------------------------------

}  // namespace

// Entries of the tests: the generic ANSYS adapter around umat_resin and around a host's forwarder
// to it; a host's routines of three interfaces (registered nowhere: the host's own) that leave
// the energies alone, and UMAT entries of the adapters around them.
TVK_SOLVER_DECLARE(Umat, tvktest_resin_forwarder);
TVK_SOLVER_DECLARE(Usermat, tvktest_generic_resin_usermat);
TVK_SOLVER_DECLARE(Usermat, tvktest_forwarded_resin_usermat);
TVK_SOLVER_DECLARE(Usermat, tvktest_generic_krause_usermat);
TVK_SOLVER_DECLARE(Umat, tvktest_host_umat);
TVK_SOLVER_DECLARE(Usermat, tvktest_host_usermat);
TVK_SOLVER_DECLARE(Muesli, tvktest_host_muesli);
TVK_SOLVER_DECLARE(Usermat, tvktest_generic_host_usermat);
TVK_SOLVER_DECLARE(Umat, tvktest_umat_via_host_usermat);
TVK_SOLVER_DECLARE(Umat, tvktest_umat_via_host_muesli);

namespace {

void host_elastic(const auto& stress, const auto& tangent, const auto& dstran, int n) {
    for (int i = 0; i < n; ++i) {
        stress[i] += 1000.0 * dstran[i];
        for (int j = 0; j < n; ++j) tangent(i, j) = i == j ? 1000.0 : 0.0;
    }
}
void host_umat(const tvk::solver::Umat& a) { host_elastic(a.stress, a.ddsdde, a.dstran, a.ntens); }
void host_usermat(const tvk::solver::Usermat& a) { host_elastic(a.stress, a.dsdepl, a.dstrain, a.ncomp); }
void host_muesli(const tvk::solver::Muesli& a) { host_elastic(a.stress, a.ddsdde, a.dstran, a.ntens); }

void resin_forwarder(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { umat_resin(x...); }, a);
}
void generic_resin(const tvk::solver::Usermat& a) {
    tvk::solver::Usermat::call([](auto... x) { abq_umat_to_ansys_usermat(umat_resin, x...); }, a);
}
void forwarded_resin(const tvk::solver::Usermat& a) {
    tvk::solver::Usermat::call([](auto... x) { abq_umat_to_ansys_usermat(tvktest_resin_forwarder, x...); }, a);
}
void generic_krause(const tvk::solver::Usermat& a) {
    tvk::solver::Usermat::call([](auto... x) { abq_umat_to_ansys_usermat(umat_krause, x...); }, a);
}
void generic_host(const tvk::solver::Usermat& a) {
    tvk::solver::Usermat::call([](auto... x) { abq_umat_to_ansys_usermat(tvktest_host_umat, x...); }, a);
}
void umat_via_host_usermat(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { ansys_usermat_to_abq_umat(tvktest_host_usermat, x...); }, a);
}
// The UMAT list with material id 2 before the name's length (the last argument).
void umat_via_host_muesli(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call(
        [](auto... x) {
            const auto args = std::make_tuple(x...);
            constexpr std::size_t n = sizeof...(x);
            const int id = 2;
            [&]<std::size_t... I>(std::index_sequence<I...>) {
                muesli_to_abq_umat(tvktest_host_muesli, std::get<I>(args)..., &id, std::get<n - 1>(args));
            }(std::make_index_sequence<n - 1>{});
        },
        a);
}

}  // namespace

TVK_SOLVER_ENTRY(Umat, tvktest_resin_forwarder, resin_forwarder)
TVK_SOLVER_ENTRY(Usermat, tvktest_generic_resin_usermat, generic_resin)
TVK_SOLVER_ENTRY(Usermat, tvktest_forwarded_resin_usermat, forwarded_resin)
TVK_SOLVER_ENTRY(Usermat, tvktest_generic_krause_usermat, generic_krause)
TVK_SOLVER_ENTRY(Umat, tvktest_host_umat, host_umat)
TVK_SOLVER_ENTRY(Usermat, tvktest_host_usermat, host_usermat)
TVK_SOLVER_ENTRY(Muesli, tvktest_host_muesli, host_muesli)
TVK_SOLVER_ENTRY(Usermat, tvktest_generic_host_usermat, generic_host)
TVK_SOLVER_ENTRY(Umat, tvktest_umat_via_host_usermat, umat_via_host_usermat)
TVK_SOLVER_ENTRY(Umat, tvktest_umat_via_host_muesli, umat_via_host_muesli)

namespace {

// The generic adapters check umat_resin's results by its own rules, found by its address: the
// unloaded fatigue point's infinite life comes through abq_umat_to_ansys_usermat exactly as
// through usermat_resin, and through the Peridigm adapter; the NaN strain energy the routine
// leaves alone comes back. A host's forwarder to umat_resin is the host's routine: its +inf
// refuses the point.
TEST(SolverAdapters, GenericAdapterAppliesTheRulesOfTheLibraryRoutineItWraps) {
    namespace slot = tvk::resin_state;
    tvktest::set_resin_tables(1, 0.0, 0.0);
    auto& plan = tvk::shokriehdata.cycleprops;
    plan.allocate({10, 1});
    *plan.at(2, 1) = 1.0, *plan.at(3, 1) = 1.0, *plan.at(4, 1) = 1.0, *plan.at(5, 1) = 100.0;
    *plan.at(7, 1) = 100.0, *plan.at(10, 1) = 1e6;
    tvk::jobdata.nsteps = 1;
    V statev(30, 0.0);
    statev[slot::cycle - 1] = 1.0, statev[slot::cycle_index - 1] = 5.0;
    const V props = tvktest::resin_props_of(1);
    V direct = statev, generic = statev, forwarded = statev;
    double sedel_direct = nan, sedel_generic = nan, sedel_forwarded = nan;
    clear_errors();
    EXPECT_EQ(usermat_call(usermat_resin, direct, sedel_direct, props, 2.0, 300.0, 5, 0.0), 0);
    EXPECT_EQ(usermat_call(tvktest_generic_resin_usermat, generic, sedel_generic, props, 2.0, 300.0, 5, 0.0), 0);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(generic[slot::cycles_to_failure - 1], inf);
    EXPECT_EQ(generic[slot::remaining - 1], inf);
    for (std::size_t k = 0; k < generic.size(); ++k) EXPECT_TRUE(same_bits(generic[k], direct[k])) << k;
    EXPECT_TRUE(std::isnan(sedel_generic));

    // Peridigm: one point, the increment's time from the state's period.
    V stressnew(6), statenew(30), stressold(6, 0.0), straininc(6, 0.0);
    const int npoint = 1, nd = 3, ns = 3, nsv = 30, np = static_cast<int>(props.size()), matid = 1;
    const double steptime = 2.0, totaltime = 2.0, dt = 1.0;
    abq_umat_to_peridigm_upermat(umat_resin, stressnew.data(), statenew.data(), stressold.data(), statev.data(),
                                 straininc.data(), props.data(), &steptime, &totaltime, &dt, &matid, &npoint, &nd, &ns,
                                 &nsv, &np);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_EQ(statenew[slot::remaining - 1], inf);

    EXPECT_EQ(usermat_call(tvktest_forwarded_resin_usermat, forwarded, sedel_forwarded, props, 2.0, 300.0, 5, 0.0), 1);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(forwarded, statev);
    tvktest::release_resin_tables();
    plan.release();
    tvk::jobdata.nsteps = 0;
    clear_errors();
}

// An energy that comes back bit for bit as it came is the solver's: a NaN strain energy that
// umat_krause or a host's routine leaves alone passes through every generic adapter.
TEST(SolverAdapters, EnergiesTheRoutineLeavesAloneNeverRefuseThePoint) {
    const V krause = {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0};
    for (auto* fn : {tvktest_generic_krause_usermat, tvktest_generic_host_usermat}) {
        V st(42, 0.0), stress;
        double sedel = nan;
        clear_errors();
        EXPECT_EQ(usermat_call(fn, st, sedel, krause, 0.0, 20.0, 1, 1e-4, &stress), 0);
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        EXPECT_TRUE(std::isnan(sedel));
        EXPECT_NE(stress, V(6, 0.0));
    }
    for (auto* fn : {tvktest_umat_via_host_usermat, tvktest_umat_via_host_muesli}) {
        UmatPoint p(fn, 3, 3, 4, {1.0});
        p.sse = nan;
        clear_errors();
        p.call(V(6, 1e-3));
        EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
        EXPECT_TRUE(std::isnan(p.sse));
        EXPECT_EQ(p.stress[0], 1.0);
    }
    clear_errors();
}

// ---- The explicit block converter ---------------------------------------------------------------

// The energies per unit mass the converter derives from a kernel's (its strain energy and
// dissipations over the density) are checked too: a tiny positive density makes them overflow,
// and the point keeps its old stress, state and energies with a level -3 report; the other point
// of the block is computed.
TEST(VumatBlock, DerivedEnergiesThatOverflowRefuseThePoint) {
    tvktest::VumatBlock b(tvktest_energy_vumat, 2, 3, {0.0, 0.0, 0.0});
    b.totaltime = 1.0;
    b.density[1] = 1e-320;
    for (int k = 0; k < 2; ++k) {
        for (int c = 0; c < 6; ++c) b.sold(k, c) = 5.0 + c;
        b.state(k, 0) = 3.0, b.state(k, 1) = 4.0, b.state(k, 2) = 6.0;
        b.enerinternold[k] = 7.0, b.enerinelasold[k] = 8.0;
    }
    b.set_increment_all(V(6, 1e-3));
    clear_errors();
    b.call();  // the kernel's strain energy 1 over 1e-320 overflows
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_NE(tvktest::errtext().find("non-finite result"), std::string::npos) << tvktest::errtext();
    for (int c = 0; c < 6; ++c) EXPECT_EQ(b.new_stress(1, c), 5.0 + c);
    EXPECT_EQ(b.new_state(1, 0), 3.0);
    EXPECT_EQ(b.new_state(1, 2), 6.0);
    EXPECT_EQ(b.enerinternnew[1], 7.0);
    EXPECT_EQ(b.enerinelasnew[1], 8.0);
    // The point of unit density is computed.
    EXPECT_EQ(b.new_state(0, 0), 4.0);
    EXPECT_TRUE(std::isfinite(b.enerinternnew[0]));
    clear_errors();
}

}  // namespace
