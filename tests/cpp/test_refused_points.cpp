// Refused material points: no routine returns a non-finite stress, tangent, energy or state in
// silence. An implicit point whose input cannot be evaluated (constants that give no stiffness, a
// property or state value that makes the law non-finite) keeps its stress, state and energies,
// gets a zero tangent and a cut-back request, and the record names the material; an explicit or
// block point keeps its old stress, state and energies. A cut-back request of the library's own
// reaches a solver that passes pnewdt = -1 for "no request".
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/modeldata.h"
#include "error_record.h"
#include "explicit_block_driver.h"
#include "single_point_driver.h"
#include "solver/adapters.h"
#include "solver/converters.h"
#include "solver/fiber.h"
#include "solver/ply_adapters.h"
#include "solver/prony.h"
#include "solver/umat_hail.h"
#include "solver/umat_hyper.h"
#include "solver/umat_krause.h"
#include "solver/umat_lamina.h"
#include "solver/umat_porosity.h"
#include "solver/umat_shokrieh.h"
#include "solver/vumat_ply.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;
using V = std::vector<double>;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// A law told by props(1) what to return: 0 a finite elastic point (stress += 1000 dstran, tangent
// 1000 I, state 1 counts the calls), 1-4 a non-finite stress, tangent, state or energy (after the
// finite point is written, so that restoring is needed), 5 a cut-back by props(2), 6 a refusal,
// 7 the finite point with state 1 only (the rest of the state left as it came).
Outcome told(Point<Order::nye>& p) {
    const int mode = static_cast<int>(p.props[0]), n = p.ntens;
    if (mode == 6) return Outcome::refuse("test law: refused", 42);
    if (mode == 7) {
        for (int i = 0; i < n; ++i) p.stress[i] += 1000.0 * p.dstran[i];
        for (int i = 0; i < n * n; ++i) p.ddsdde.data()[i] = i % (n + 1) == 0 ? 1000.0 : 0.0;
        p.statev[0] += 1.0;
        return Outcome::ok();
    }
    for (int i = 0; i < n; ++i) {
        p.stress[i] += 1000.0 * p.dstran[i];
        for (int j = 0; j < n; ++j) p.ddsdde(i, j) = i == j ? 1000.0 : 0.0;
    }
    for (int k = 0; k < p.nstatv; ++k) p.statev[k] = k == 0 ? p.statev[0] + 1.0 : -7.0;
    p.sse += 1.0;
    p.spd = p.scd = 2.0;
    if (mode == 1) p.stress[n - 1] = nan;
    if (mode == 2) p.ddsdde(0, n - 1) = inf;
    if (mode == 3) p.statev[p.nstatv - 1] = nan;
    if (mode == 4) p.sse = inf;
    if (mode == 5) return Outcome::cut(p.props[1]);
    return Outcome::ok();
}

// The finite point of `told` with one non-finite value placed by the properties: props(1) the
// result (1 stress, 2 tangent, 3 state, 4 energy), props(2) its 0-based position (column-major
// in the tangent; sse, spd, scd for the energies), props(3) the value (0 NaN, 1 +inf, 2 -inf).
Outcome placed(Point<Order::nye>& p) {
    const int n = p.ntens, at = static_cast<int>(p.props[1]), kind = static_cast<int>(p.props[2]);
    for (int i = 0; i < n; ++i) {
        p.stress[i] += 1000.0 * p.dstran[i];
        for (int j = 0; j < n; ++j) p.ddsdde(i, j) = i == j ? 1000.0 : 0.0;
    }
    for (int k = 0; k < p.nstatv; ++k) p.statev[k] = -7.0;
    p.sse += 1.0;
    const double bad = kind == 0 ? nan : kind == 1 ? inf : -inf;
    switch (static_cast<int>(p.props[0])) {
        case 1: p.stress[at] = bad; break;
        case 2: p.ddsdde.data()[at] = bad; break;
        case 3: p.statev[at] = bad; break;
        default: (at == 0 ? p.sse : at == 1 ? p.spd : p.scd) = bad;
    }
    return Outcome::ok();
}

// A law that tells the state values it writes: states 2-3 and 5 (0-based 1, 2 and 4), to -7, or
// with props(1) = 1 state 5 to NaN, with props(1) = 2 states 2-3 left as they came.
Outcome told_slots(Point<Order::nye>& p) {
    const int mode = static_cast<int>(p.props[0]);
    for (int i = 0; i < p.ntens; ++i) {
        p.stress[i] += 1000.0 * p.dstran[i];
        for (int j = 0; j < p.ntens; ++j) p.ddsdde(i, j) = i == j ? 1000.0 : 0.0;
    }
    for (const int k : {1, 2, 4})
        if (k < p.nstatv && !(mode == 2 && k < 4)) p.statev[k] = -7.0;
    if (mode == 1 && p.nstatv > 4) p.statev[4] = nan;
    return Outcome::ok();
}
constexpr auto told_slots_writes = [](const Point<Order::nye>&) {
    return tvk::solver::StateSlots{{1, 4, 0}, {2, 1, 0}};
};

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_placed_umat);
TVK_SOLVER_DECLARE(Vumat, tvktest_placed_vumat);
TVK_SOLVER_DECLARE(Umat, tvktest_told_slots_umat);
TVK_SOLVER_KERNEL(Umat, tvktest_placed_umat, placed)
TVK_SOLVER_KERNEL(Vumat, tvktest_placed_vumat, placed)
TVK_SOLVER_KERNEL_WRITING(Umat, tvktest_told_slots_umat, told_slots, told_slots_writes)
TVK_SOLVER_DECLARE(Umat, tvktest_told_umat);
TVK_SOLVER_DECLARE(Usermat, tvktest_told_usermat);
TVK_SOLVER_DECLARE(Vumat, tvktest_told_vumat);
TVK_SOLVER_DECLARE(Upermat, tvktest_told_upermat);
TVK_SOLVER_DECLARE(Muesli, tvktest_told_muesli);
TVK_SOLVER_KERNEL(Umat, tvktest_told_umat, told)
TVK_SOLVER_KERNEL(Usermat, tvktest_told_usermat, told)
TVK_SOLVER_KERNEL(Vumat, tvktest_told_vumat, told)
TVK_SOLVER_KERNEL(Upermat, tvktest_told_upermat, told)
TVK_SOLVER_KERNEL(Muesli, tvktest_told_muesli, told)

namespace {

using tvktest::clear_errors;
using tvktest::UmatPoint;

const V nye = {140e3, 9e3, 9.5e3, 0.3, 0.28, 0.45, 5e3, 4.5e3, 3e3};

// umat_prony (its own argument names) and umat_porosity (no step record) under the UMAT list.
constexpr auto prony_as_umat = umat_prony;

// umat_porosity (no step record) under the UMAT list.
void porosity(double* stress, double* statev, double* ddsdde, double* sse, double* spd, double* scd, const double* rpl,
              const double* ddsddt, const double* drplde, const double* drpldt, const double* stran,
              const double* dstran, const double* time, const double* dtime, const double* temp, const double* dtemp,
              const double* predef, const double* dpred, const char* materl, const int* ndi, const int* nshr,
              const int* ntens, const int* nstatv, const double* props, const int* nprops, const double* coords,
              const double* drot, double* pnewdt, const double* celent, const double* dfgrd0, const double* dfgrd1,
              const int* noel, const int* npt, const int* kslay, const int* kspt, const int*, const int* kinc,
              std::size_t len) {
    umat_porosity(stress, statev, ddsdde, sse, spd, scd, rpl, ddsddt, drplde, drpldt, stran, dstran, time, dtime, temp,
                  dtemp, predef, dpred, materl, ndi, nshr, ntens, nstatv, props, nprops, coords, drot, pnewdt, celent,
                  dfgrd0, dfgrd1, noel, npt, kslay, kspt, kinc, len);
}

// One call of a UMAT-list routine as a solver makes it, with the solver's pnewdt.
struct Call {
    UmatPoint p;
    explicit Call(UmatPoint point, double pnewdt = -1.0) : p(std::move(point)) {
        p.pnewdt = pnewdt;
        for (int i = 0; i < p.ntens; ++i) p.stress[i] = 10.0 * (i + 1);
        for (int k = 0; k < p.nstatv; ++k) p.statev[k] = 0.5 * k;
        p.sse = 0.25, p.spd = 0.5, p.scd = 0.75;
    }
};

// The refused-point result of an implicit point and its report (level -3, naming `what` and the
// point's material).
void expect_refused(const UmatPoint& after, const UmatPoint& before, const std::string& what) {
    EXPECT_EQ(after.stress, before.stress) << what;
    EXPECT_EQ(std::memcmp(after.statev.data(), before.statev.data(), sizeof(double) * before.statev.size()), 0)
        << what;
    // The energies as they came; the ply routine sets its dissipations to 0 before it can refuse
    // a point (its constant and component counts are checked before it runs).
    const bool ply = what.rfind("umat_lamina", 0) == 0 && what.find("unusable") == std::string::npos &&
                     what.find("unsupported") == std::string::npos;
    EXPECT_EQ(after.sse, before.sse);
    EXPECT_EQ(after.spd, ply ? 0.0 : before.spd);
    EXPECT_EQ(after.scd, ply ? 0.0 : before.scd);
    EXPECT_EQ(after.ddsdde, V(after.ntens * after.ntens, 0.0)) << what;
    EXPECT_GT(after.pnewdt, 0.0);
    EXPECT_LE(after.pnewdt, 0.5);
    EXPECT_EQ(tvk::errorhandling.errstat, -3) << what;
    const std::string text = tvktest::errtext();
    EXPECT_NE(text.find(what), std::string::npos) << text;
    // A law's refusal names the material, after the count for a refused count (the converter's
    // refusal of a non-finite input, the ply table lookup and the ply routine's non-finite result
    // report without it).
    if (what.find("non-finite stress") == std::string::npos && what.find("no elastic") == std::string::npos &&
        what.find("umat_lamina: non-finite") == std::string::npos) {
        std::string name(after.materl, sizeof after.materl);
        name.erase(name.find_last_not_of(' ') + 1);
        EXPECT_NE(text.find("material " + name + ")"), std::string::npos) << text;
    }
}

// Drives `point` through one increment dstran from the state Call sets, expecting a refusal.
void expect_refusal(UmatPoint point, const V& dstran, const std::string& what) {
    Call c(std::move(point));
    const UmatPoint before = c.p;
    clear_errors();
    c.p.call(dstran);
    expect_refused(c.p, before, what);
    clear_errors();
}

TEST(RefusedPoints, CutBackRequestsLeaveAPositivePnewdtAtMostTheFactor) {
    // (pnewdt in, factor, pnewdt out): a solver's -1 or 0 for "no request", a larger ratio, a
    // smaller one that stays.
    const double cases[][3] = {{-1.0, 0.25, 0.25}, {0.0, 0.25, 0.25}, {1.0, 0.25, 0.25}, {0.1, 0.25, 0.1},
                               {-1.0, 0.8, 0.8}, {nan, 0.5, 0.5}, {-1.0, 0.0, 0.5}};
    for (const auto& c : cases) {
        clear_errors();
        UmatPoint p(tvktest_told_umat, 3, 3, 4, {5.0, c[1]});
        p.pnewdt = c[0];
        p.call(V(6, 1e-3));
        EXPECT_EQ(p.pnewdt, c[2]) << c[0] << " " << c[1];
        EXPECT_EQ(tvk::errorhandling.errstat, 0);
    }
    // Without a request the solver's value is untouched, -1 included.
    UmatPoint q(tvktest_told_umat, 3, 3, 4, {0.0});
    q.pnewdt = -1.0;
    q.call(V(6, 1e-3));
    EXPECT_EQ(q.pnewdt, -1.0);
    EXPECT_EQ(q.stress[0], 1.0);
}

// Each converter kind with a solver that passes pnewdt = -1: a non-finite input, a non-finite
// result and a refusal all come back as 0 < pnewdt <= 0.5 (UMAT, MUESLI form and the UMAT-facing
// adapters) or keycut 1 (USERMAT).
TEST(RefusedPoints, RefusalsReachASolverThatPassesMinusOne) {
    for (int mode : {1, 2, 3, 4, 6, -1}) {  // -1: a non-finite strain increment
        const double m = mode < 0 ? 0.0 : mode;
        V de(6, 1e-3);
        if (mode < 0) de[2] = nan;
        const std::string what = mode == 6 ? "test law: refused" : mode < 0 ? "non-finite stress, strain" : "non-finite result";
        expect_refusal(UmatPoint(tvktest_told_umat, 3, 3, 5, {m}), de, what);
        expect_refusal(UmatPoint(tvktest_told_umat, 2, 1, 5, {m}), V(de.begin(), de.begin() + 3), what);

        // MUESLI form.
        Call mu(UmatPoint(tvktest_told_umat, 3, 3, 5, {m}));
        const UmatPoint before = mu.p;
        int matid = 3;
        clear_errors();
        {
            UmatPoint& p = mu.p;
            double rpl = 0, drpldt = 0, pre[1] = {}, dpre[1] = {}, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            double celent = 1;
            V ddsddt(6), drplde(6);
            tvktest_told_muesli(&matid, p.stress.data(), p.statev.data(), p.ddsdde.data(), &p.sse, &p.spd, &p.scd, &rpl,
                                ddsddt.data(), drplde.data(), &drpldt, p.stran.data(), de.data(), p.time, &p.dtime,
                                &p.temp, &p.dtemp, pre, dpre, p.materl, &p.ndi, &p.nshr, &p.ntens, &p.nstatv,
                                p.props.data(), &p.nprops, coords, eye, &p.pnewdt, &celent, eye, eye, &p.noel, &p.npt,
                                &p.kslay, &p.kspt, p.jstep, &p.kinc, sizeof p.materl);
        }
        expect_refused(mu.p, before, what);

        // A USERMAT solver: keycut 1, stress, state and energy as they came.
        int id = 2, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nsv = 4, np = 1;
        double t = 0, dt = 1, temp = 20, dtemp = 0, sedel = 0.25, sedpl = 0, epseq = 0, var[9] = {}, ts[2] = {3, 4};
        double epszz = 0, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        V stress = {1, 2, 3, 4, 5, 6}, st = {1, 2, 3, 4}, dsdepl(36, 9.0), strain(6), epspl(6), prop = {m};
        clear_errors();
        tvktest_told_usermat(&id, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nsv, &np, &t, &dt,
                             &temp, &dtemp, stress.data(), st.data(), dsdepl.data(), &sedel, &sedpl, &epseq,
                             strain.data(), de.data(), epspl.data(), prop.data(), coords, &var[0], eye, eye, ts,
                             &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7], &var[8]);
        EXPECT_EQ(keycut, 1) << mode;
        EXPECT_EQ(stress, (V{1, 2, 3, 4, 5, 6}));
        EXPECT_EQ(st, (V{1, 2, 3, 4}));
        EXPECT_EQ(dsdepl, V(36, 0.0));
        EXPECT_EQ(sedel, 0.25);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
    clear_errors();
}

// Explicit and block interfaces cannot cut back: a refused point keeps its old stress, state and
// energies, the other points of the block are computed.
TEST(RefusedPoints, BlockPointsWithANonFiniteResultKeepTheirOldValues) {
    for (int mode : {1, 3, 4, 6}) {
        tvktest::VumatBlock b(tvktest_told_vumat, 2, 3, {static_cast<double>(mode)});
        b.totaltime = 1.0;
        for (int k = 0; k < 2; ++k) {
            for (int c = 0; c < 6; ++c) b.sold(k, c) = 5.0 + c;
            b.state(k, 0) = 3.0, b.state(k, 1) = 4.0, b.state(k, 2) = 6.0;
            b.enerinternold[k] = 7.0, b.enerinelasold[k] = 8.0;
        }
        b.set_increment_all(V(6, 1e-3));
        clear_errors();
        b.call();
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << mode;
        for (int k = 0; k < 2; ++k) {
            for (int c = 0; c < 6; ++c) EXPECT_EQ(b.new_stress(k, c), 5.0 + c);
            EXPECT_EQ(b.new_state(k, 2), 6.0);
            EXPECT_EQ(b.enerinternnew[k], 7.0);
            EXPECT_EQ(b.enerinelasnew[k], 8.0);
        }
    }
    // Peridigm: the old stress, not the old stress plus the stress the law was handed back.
    for (int mode : {1, 3, 6}) {
        const int npoint = 2, ndir = 3, nshr = 3, nstatev = 3, nprops = 1, matid = 1;
        const double t = 0, props[1] = {static_cast<double>(mode)};
        V so(12, 5.0), st(6, 2.0), de(12, 1e-3), sn(12), stn(6);
        clear_errors();
        tvktest_told_upermat(sn.data(), stn.data(), so.data(), st.data(), de.data(), props, &t, &t, &t, &matid,
                             &npoint, &ndir, &nshr, &nstatev, &nprops);
        EXPECT_EQ(sn, so) << mode;
        EXPECT_EQ(stn, st);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
    }
    clear_errors();
}

// A non-finite state value that the law leaves alone is the solver's own: the point is computed
// and the value passes through, in every converter kind.
TEST(RefusedPoints, NonFiniteStateTheLawDoesNotWriteIsNoRefusal) {
    clear_errors();
    UmatPoint u(tvktest_told_umat, 3, 3, 4, {7.0});
    u.statev[3] = nan;
    u.pnewdt = -1.0;
    u.call(V(6, 1e-3));
    EXPECT_EQ(u.stress[0], 1.0);
    EXPECT_EQ(u.statev[0], 1.0);
    EXPECT_TRUE(std::isnan(u.statev[3]));
    EXPECT_EQ(u.pnewdt, -1.0);

    int id = 2, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nsv = 4, np = 1;
    double t = 0, dt = 1, temp = 20, dtemp = 0, sedel = 0, sedpl = 0, epseq = 0, var[9] = {}, ts[2] = {3, 4};
    double epszz = 0, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    V stress(6), st = {0, 0, 0, nan}, dsdepl(36), strain(6), de(6, 1e-3), epspl(6), prop = {7.0};
    tvktest_told_usermat(&id, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nsv, &np, &t, &dt, &temp,
                         &dtemp, stress.data(), st.data(), dsdepl.data(), &sedel, &sedpl, &epseq, strain.data(),
                         de.data(), epspl.data(), prop.data(), coords, &var[0], eye, eye, ts, &epszz, &var[1], &var[2],
                         &var[3], &var[4], &var[5], &var[6], &var[7], &var[8]);
    EXPECT_EQ(keycut, 0);
    EXPECT_EQ(stress[0], 1.0);
    EXPECT_TRUE(std::isnan(st[3]));

    tvktest::VumatBlock b(tvktest_told_vumat, 2, 3, {7.0});
    b.totaltime = 1.0;
    b.state(1, 2) = nan;
    b.set_increment_all(V(6, 1e-3));
    b.call();
    EXPECT_EQ(b.new_stress(1, 0), 1.0);
    EXPECT_EQ(b.new_state(1, 0), 1.0);
    EXPECT_TRUE(std::isnan(b.new_state(1, 2)));

    const int npoint = 2, ndir = 3, nshr = 3, nstatev = 3, nprops = 1, matid = 1;
    const double props[1] = {7.0};
    V so(12, 5.0), sto = {0, 0, 0, 0, nan, 0}, dp(12, 1e-3), sn(12), stn(6);
    tvktest_told_upermat(sn.data(), stn.data(), so.data(), sto.data(), dp.data(), props, &t, &t, &t, &matid, &npoint,
                         &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(sn[0], 5.0 + (5.0 + 1.0));  // the old stress plus the stress the law returns
    EXPECT_TRUE(std::isnan(stn[4]));
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    clear_errors();
}

// Constant counts that give no stiffness: an input error naming the routine's complaint, the
// count and the material, before anything else; the refused-point result.
TEST(RefusedPoints, ImplicitRoutinesRefuseUnusableConstantCounts) {
    const V de = {1e-3, -2e-4, 1e-4, 5e-4, 0, 0};
    expect_refusal(UmatPoint(umat_lamina, 3, 3, 40, {140e3, 9e3, 0.3}), de,
                   "umat_lamina: unusable number of elastic constants (3, material PLY)");
    expect_refusal(UmatPoint(umat_lamina, 2, 1, 40, {140e3, 9e3, 0.3}), {1e-3, 0, 0}, "umat_lamina: unusable number");
    expect_refusal(UmatPoint(umat_lamina, 3, 3, 30, V(12, 1e3)), de,
                   "umat_lamina: unusable number of elastic constants (12,");
    expect_refusal(UmatPoint(umat_hyper, 3, 3, 8, {140e3, 9e3, 0.3}), de,
                   "umat_hyper: unusable number of elastic constants (3,");
    expect_refusal(UmatPoint(porosity, 3, 3, 1, {140e3, 9e3, 0.3}), de,
                   "umat_porosity: unusable number of elastic constants (3,");
    expect_refusal(UmatPoint(umat_fiber, 3, 3, 12, {140e3, 9e3, 9e3, 0.3, 0.3}), de,
                   "umat_fiber: fewer than nine elastic constants (5,");
    expect_refusal(UmatPoint(umat_krause, 3, 3, 42, {3000.0, 10.0, 0.35}), de, "umat_krause: at least 11 properties");
    expect_refusal(UmatPoint(umat_hail, 3, 3, 13, {70000.0}), de, "umat_hail: Young's modulus and Poisson");
    expect_refusal(UmatPoint(umat_prony, 3, 3, 510, {1.0, 1.0, 1.0, 1.0, 1.0}), de, "umat_prony: fewer than 10");
    expect_refusal(UmatPoint(reinterpret_cast<UmatPoint::Fn*>(umat_shokrieh), 3, 3, 312, V(10, 1.0)), de,
                   "umat_shokrieh: at least 150 properties");
    // No constants for the ply a single property points to.
    UmatPoint table(umat_lamina, 3, 3, 40, {1.0});
    expect_refusal(table, de, "umat_lamina: no elastic properties");
}

// Property and state values a law cannot use, found in its results: NaN or infinite properties,
// a NaN state value the law reads, constants that make the law singular.
TEST(RefusedPoints, NonFinitePropertiesStatesAndSingularConstantsAreRefused) {
    const V de = {1e-3, -2e-4, 1e-4, 5e-4, 2e-4, -1e-4};
    // umat_lamina checks its own results: every constant, every component layout.
    for (const auto& shape : {std::array<int, 2>{3, 3}, std::array<int, 2>{3, 1}, std::array<int, 2>{2, 1}}) {
        const int n = shape[0] + shape[1];
        for (int k = 0; k < 9; ++k) {
            if (n == 3 && k != 0 && k != 1 && k != 3 && k != 6) continue;  // plane stress reads E1, E2, nu12, G12
            if (n == 4 && (k == 7 || k == 8)) continue;                      // no transverse shears
            for (const double bad : {nan, inf}) {
                V props = nye;
                props[k] = bad;
                expect_refusal(UmatPoint(umat_lamina, shape[0], shape[1], 40, props), V(de.begin(), de.begin() + n),
                               "umat_lamina: non-finite result");
            }
        }
    }
    V hyper = nye;
    hyper[0] = 0.0;  // E1 = 0: a singular compliance
    expect_refusal(UmatPoint(umat_hyper, 3, 3, 8, hyper), de, "umat_hyper: non-finite result");
    expect_refusal(UmatPoint(porosity, 3, 3, 1, {140e3, 0.0, 9e3, 0.3, 0.3, 0.4, 5e3, 5e3, 3e3}), de,
                   "umat_porosity: non-finite result");
    V fibre = {140e3, 9e3, 9e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3e3, 2000, 1200, 0.1};
    fibre[4] = nan;
    expect_refusal(UmatPoint(umat_fiber, 3, 3, 14, fibre), de, "umat_fiber: non-finite result");
    // A NaN in the law's state (the endochronic history, the plastic strain).
    UmatPoint endo(umat_krause, 3, 3, 42, {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0});
    Call c(endo);
    c.p.statev[7] = nan;
    const UmatPoint before = c.p;
    clear_errors();
    c.p.call(de);
    expect_refused(c.p, before, "umat_krause: non-finite result");
    clear_errors();
}

// The curing-resin routine tells the state values it writes (its Prony states, tangent entries
// and shift factors): those are kept and checked; a value it leaves alone is the solver's.
TEST(RefusedPoints, PronyRoutineKeepsTheStateValuesItWrites) {
    auto& cu = tvk::materialdata.cuprops;
    cu.allocate({16, 8, 1, 1});
    cu.fill(tvk::huge);
    const double shift[4] = {10.0, 50.0, 5000.0, 0.0};
    for (int k = 0; k < 4; ++k) *cu.at(k + 1, 8, 1, 1) = shift[k];
    // One term per component: counts, stiffnesses C11 C12 C22 C23 C44, (weight, time) pairs.
    const V props = {1, 1, 1, 1, 1, 4000, 2000, 4200, 2100, 1000, 0.3, 10, 0.25, 50, 0.2, 5, 0.1, 30, 0.4, 20};
    const V de = {1e-3, -4e-4, 2e-4, 5e-4, -3e-4, 6e-4};
    auto point = [&](const V& p) {
        UmatPoint u(prony_as_umat, 3, 3, 510, p, "RESIN_L@1@_S@1@");
        u.temp = 400.0;
        return u;
    };
    for (const int bad_slot : {9, 11, 509}) {  // a Prony state, another one, a shift factor
        Call c(point(props));
        c.p.statev[2] = 400.0;  // Tg
        c.p.statev[bad_slot - 1] = nan;
        const UmatPoint before = c.p;
        clear_errors();
        c.p.call(de);
        if (bad_slot == 509) {  // written, not read: the point is computed
            EXPECT_EQ(tvk::errorhandling.errstat, 0);
            EXPECT_TRUE(std::isfinite(c.p.statev[508]));
            EXPECT_EQ(c.p.pnewdt, -1.0);
        } else {
            expect_refused(c.p, before, "umat_prony: non-finite result");
        }
    }
    V bad = props;
    bad[12] = nan;  // a weight
    Call c(point(bad));
    c.p.statev[2] = 400.0;
    c.p.statev[504] = nan;  // accumulated thermal strain: the expansion routine's, left alone
    const UmatPoint before = c.p;
    clear_errors();
    c.p.call(de);
    expect_refused(c.p, before, "umat_prony: non-finite result");
    // The value it leaves alone does not refuse a point by itself.
    Call d(point(props));
    d.p.statev[2] = 400.0;
    d.p.statev[504] = nan;
    clear_errors();
    d.p.call(de);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_NE(d.p.stress, before.stress);
    cu.release();
    clear_errors();
}

// The ply routine's other solvers: a USERMAT caller gets keycut 1 and its stress and state back,
// a Peridigm caller the old stress (not twice it).
TEST(RefusedPoints, PlyRoutineUnderOtherSolversKeepsTheOldPoint) {
    V props = nye;
    props[2] = nan;
    int id = 2, one = 1, keycut = 0, nd = 3, ns = 3, nc = 6, nsv = 8, np = 9;
    double t = 0, dt = 1, temp = 20, dtemp = 0, sedel = 0.25, sedpl = 0, epseq = 0, var[9] = {}, ts[2] = {3, 4};
    double epszz = 0, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    V stress = {1, 2, 3, 4, 5, 6}, st(8, 0.5), dsdepl(36, 9.0), strain(6), de(6, 1e-3), epspl(6);
    clear_errors();
    usermat_lamina(&id, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nsv, &np, &t, &dt, &temp,
                   &dtemp, stress.data(), st.data(), dsdepl.data(), &sedel, &sedpl, &epseq, strain.data(), de.data(),
                   epspl.data(), props.data(), coords, &var[0], eye, eye, ts, &epszz, &var[1], &var[2], &var[3],
                   &var[4], &var[5], &var[6], &var[7], &var[8]);
    EXPECT_EQ(keycut, 1);
    EXPECT_EQ(stress, (V{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(st, V(8, 0.5));
    EXPECT_EQ(dsdepl, V(36, 0.0));
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "umat_lamina: non-finite result; point not evaluated");

    const int npoint = 2, ndir = 3, nshr = 3, nstatev = 8, nprops = 9, matid = 1;
    const double steptime = 0.5, totaltime = 1.5, dtp = 0.1;
    V so(12, 5.0), sto(16, 0.5), dep(12, 1e-3), sn(12), stn(16);
    clear_errors();
    upermat_lamina(sn.data(), stn.data(), so.data(), sto.data(), dep.data(), props.data(), &steptime, &totaltime,
                   &dtp, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(sn, so);
    EXPECT_EQ(stn, sto);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
}

// An increment whose stress or energy overflows: the explicit ply routines keep the old point
// and report; the other points of the block are computed (vumat_lamina: with a zero state).
TEST(RefusedPoints, ExplicitPlyRoutinesRefuseAnOverflowingIncrement) {
    using Block = tvktest::ExplicitBlock<tvk::solver::VumatPlaneStrain::Fn>;
    const V bogenfeld = {140e3, 9e3, 9e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3e3};
    for (auto* fn : {vumat_lamina, vumat_bogenfeld}) {
        for (const double big : {1e306, 1.7e308}) {
            Block b(fn, 2, 3, 3, 4, fn == vumat_lamina ? nye : bogenfeld);
            for (int k = 0; k < 2; ++k) {
                for (int c = 0; c < 6; ++c) b.sold(k, c) = 1.0 + c;
                for (int s = 1; s <= 4; ++s) b.state(k, s) = 0.5 * s;
                b.enerinternold[k] = 2.0, b.enerinelasold[k] = 3.0;
            }
            b.set_increment_all(V(6, 1e-4));
            b.inc(1, 0) = big;
            b.inc(1, 3) = -big;
            clear_errors();
            b.call();
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_NE(tvktest::errtext().find("non-finite result"), std::string::npos) << tvktest::errtext();
            for (int c = 0; c < 6; ++c) EXPECT_EQ(b.snew(1, c), 1.0 + c) << big;
            for (int s = 1; s <= 4; ++s) EXPECT_EQ(b.stnew(1, s), 0.5 * s);
            EXPECT_EQ(b.enerinternnew[1], 2.0);
            EXPECT_EQ(b.enerinelasnew[1], 3.0);
            EXPECT_NE(b.snew(0, 0), 1.0);  // the other point is computed
            EXPECT_TRUE(std::isfinite(b.enerinternnew[0]));
            if (fn == vumat_lamina) {
                EXPECT_EQ(b.stnew(0, 1), 0.0);
            }
        }
    }
    clear_errors();
}

// The converters read the results in runs of four, two and one values: a non-finite value is
// found at every position of the stress, the tangent, the state (of 1 to 9 values) and the
// energies, for each component count, NaN and either infinity alike.
TEST(RefusedPoints, ANonFiniteResultIsFoundAtEveryPosition) {
    for (const auto& shape : {std::array<int, 2>{2, 1}, std::array<int, 2>{3, 1}, std::array<int, 2>{3, 3}}) {
        const int n = shape[0] + shape[1];
        const V de(n, 1e-3);
        for (int m = 1; m <= 9; ++m) {
            const int count[4] = {n, n * n, m, 3};
            for (int where = 1; where <= 4; ++where) {
                if (where != 3 && m > 1) continue;  // the stress, tangent and energies once per shape
                for (int at = 0; at < count[where - 1]; ++at)
                    for (const double kind : {0.0, 1.0, 2.0})
                        expect_refusal(UmatPoint(tvktest_placed_umat, shape[0], shape[1], m,
                                                 {double(where), double(at), kind}),
                                       de, "tvktest_placed_umat: non-finite result");
            }
        }
    }
    // Block points: their old stress, state and energies.
    for (int m = 1; m <= 9; ++m) {
        for (int where : {1, 3, 4}) {
            const int count = where == 1 ? 6 : where == 3 ? m : 3;
            for (int at = 0; at < count; ++at) {
                tvktest::VumatBlock b(tvktest_placed_vumat, 2, m, {double(where), double(at), 1.0});
                b.totaltime = 1.0;
                for (int k = 0; k < 2; ++k) {
                    for (int c = 0; c < 6; ++c) b.sold(k, c) = 5.0 + c;
                    for (int j = 0; j < m; ++j) b.state(k, j) = 0.5 * j;
                    b.enerinternold[k] = 7.0, b.enerinelasold[k] = 8.0;
                }
                b.set_increment_all(V(6, 1e-3));
                clear_errors();
                b.call();
                EXPECT_EQ(tvk::errorhandling.errstat, -3) << where << " " << at << " " << m;
                for (int k = 0; k < 2; ++k) {
                    for (int c = 0; c < 6; ++c) EXPECT_EQ(b.new_stress(k, c), 5.0 + c);
                    for (int j = 0; j < m; ++j) EXPECT_EQ(b.new_state(k, j), 0.5 * j);
                    EXPECT_EQ(b.enerinternnew[k], 7.0);
                }
            }
        }
    }
    clear_errors();
}

// A kernel that tells the state values it writes: those are kept and checked; a refused point
// gets its whole state back bit for bit; a non-finite value the law leaves as it came, inside its
// ranges or out of them, is the solver's.
TEST(RefusedPoints, AKernelWithDeclaredStateRangesKeepsTheWholeStateOfARefusedPoint) {
    const V de = {1e-3, -2e-4, 1e-4, 5e-4, 2e-4, -1e-4};
    const double payload = std::bit_cast<double>(0x7ff8000000000123ULL);  // a NaN with a payload
    // Written NaN: refused, every value (the payload NaN out of the ranges too) as it came.
    for (const int m : {5, 8}) {
        Call c(UmatPoint(tvktest_told_slots_umat, 3, 3, m, {1.0}));
        c.p.statev[m - 1] = payload;
        const UmatPoint before = c.p;
        clear_errors();
        c.p.call(de);
        expect_refused(c.p, before, "tvktest_told_slots_umat: non-finite result");
    }
    // NaN out of the ranges, and NaN in a range the law leaves as it came: computed.
    Call c(UmatPoint(tvktest_told_slots_umat, 3, 3, 6, {2.0}));
    c.p.statev[0] = nan;
    c.p.statev[2] = payload;
    clear_errors();
    c.p.call(de);
    EXPECT_EQ(tvk::errorhandling.errstat, 0) << tvktest::errtext();
    EXPECT_TRUE(std::isnan(c.p.statev[0]));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(c.p.statev[2]), 0x7ff8000000000123ULL);
    EXPECT_EQ(c.p.statev[4], -7.0);
    EXPECT_EQ(c.p.stress[0], 10.0 + 1.0);
    EXPECT_EQ(c.p.pnewdt, -1.0);
    // A state shorter than the ranges: the ranges end with it.
    Call d(UmatPoint(tvktest_told_slots_umat, 3, 3, 2, {0.0}));
    clear_errors();
    d.p.call(de);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    EXPECT_EQ(d.p.statev, (V{0.0, -7.0}));
    clear_errors();
}

// ---- Component counts a routine cannot serve -----------------------------------------------------

// One USERMAT call of `fn` with ndirect + nshear components, from stress (1, 2, ...) and the
// state 0.5; the refused-point result: keycut 1, stress and state as they came, zero tangent.
void expect_usermat_refusal(tvk::solver::Usermat::Fn* fn, int ndirect, int nshear, const V& prop,
                            const std::string& what) {
    int id = 2, one = 1, keycut = 0, nd = ndirect, ns = nshear, nc = nd + ns, nsv = 14;
    int np = static_cast<int>(prop.size());
    double t = 0, dt = 1, temp = 20, dtemp = 0, sedel = 0.25, sedpl = 0, epseq = 0, var[9] = {}, ts[2] = {3, 4};
    double epszz = 0, coords[3] = {}, eye[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    V stress(nc), st(14, 0.5), dsdepl(nc * nc, 9.0), strain(nc), de(nc, 1e-3), epspl(nc), p = prop;
    for (int i = 0; i < nc; ++i) stress[i] = i + 1.0;
    const V stress0 = stress;
    clear_errors();
    fn(&id, &one, &one, &one, &one, &one, &one, &keycut, &nd, &ns, &nc, &nsv, &np, &t, &dt, &temp, &dtemp,
       stress.data(), st.data(), dsdepl.data(), &sedel, &sedpl, &epseq, strain.data(), de.data(), epspl.data(),
       p.data(), coords, &var[0], eye, eye, ts, &epszz, &var[1], &var[2], &var[3], &var[4], &var[5], &var[6],
       &var[7], &var[8]);
    EXPECT_EQ(keycut, 1) << what;
    EXPECT_EQ(stress, stress0);
    EXPECT_EQ(st, V(14, 0.5));
    EXPECT_EQ(dsdepl, V(nc * nc, 0.0));
    EXPECT_EQ(sedel, 0.25);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), what);
    clear_errors();
}

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_umat_via_usermat_fiber);
TVK_SOLVER_DECLARE(Umat, tvktest_umat_via_muesli);

namespace {

void umat_via_usermat_fiber(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { ansys_usermat_to_abq_umat(usermat_fiber, x...); }, a);
}
// The UMAT list with material id 3 before the name's length (the last argument).
void umat_via_muesli(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call(
        [](auto... x) {
            const auto args = std::make_tuple(x...);
            constexpr std::size_t n = sizeof...(x);
            const int id = 3;
            [&]<std::size_t... I>(std::index_sequence<I...>) {
                muesli_to_abq_umat(tvktest_told_muesli, std::get<I>(args)..., &id, std::get<n - 1>(args));
            }(std::make_index_sequence<n - 1>{});
        },
        a);
}

}  // namespace

TVK_SOLVER_ENTRY(Umat, tvktest_umat_via_usermat_fiber, umat_via_usermat_fiber)
TVK_SOLVER_ENTRY(Umat, tvktest_umat_via_muesli, umat_via_muesli)

namespace {

// "(n, material NAME)", as a count refusal names its count and material.
std::string named(int n, const char* material) {
    char text[64];
    std::snprintf(text, sizeof text, "(%d, material %s)", n, material);
    return text;
}

// A routine's own verdict that it has no law for the point's component count: an input error
// naming the count and the material, and the refused-point result (stress, state and energies as
// they came, a zero tangent, a cut-back request).
TEST(RefusedPoints, ComponentCountsARoutineCannotServeAreRefusedPoints) {
    const V fibre = {140e3, 9e3, 9e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3e3, 2000, 1200, 0.1};
    const V endo = {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0};
    for (const auto& c : {std::array<int, 2>{3, 2}, std::array<int, 2>{1, 0}, std::array<int, 2>{1, 1},
                          std::array<int, 2>{0, 2}}) {
        const int n = c[0] + c[1];
        const V de(n, 1e-4);
        const std::string count = named(n, "PLY");
        expect_refusal(UmatPoint(umat_lamina, c[0], c[1], 40, nye), de,
                       "umat_lamina: unsupported number of stress components " + count);
        expect_refusal(UmatPoint(umat_fiber, c[0], c[1], 14, fibre), de,
                       "umat_fiber: unsupported number of stress components " + count);
        expect_refusal(UmatPoint(umat_krause, c[0], c[1], 42, endo), de,
                       "umat_krause: the law needs six stress components " + count);
        expect_refusal(UmatPoint(umat_hail, c[0], c[1], 13, {70000.0, 0.3}), de,
                       "umat_hail: unsupported number of stress components " + count);
        expect_usermat_refusal(usermat_fiber, c[0], c[1], nye,
                               "usermat_fiber: unsupported number of stress components " + named(n, "id 2"));
        // The adapters: keycut 1 under USERMAT, a cut-back request under UMAT.
        expect_usermat_refusal(usermat_lamina, c[0], c[1], nye,
                               "solver adapter: 3, 4 or 6 stress components expected " + named(n, "id 2"));
        {  // (this adapter returns zero dissipations whatever becomes of the point)
            Call u(UmatPoint(tvktest_umat_via_usermat_fiber, c[0], c[1], 4, nye));
            const UmatPoint before = u.p;
            clear_errors();
            u.p.call(de);
            EXPECT_EQ(u.p.stress, before.stress);
            EXPECT_EQ(u.p.statev, before.statev);
            EXPECT_EQ(u.p.ddsdde, V(n * n, 0.0));
            EXPECT_EQ(u.p.pnewdt, 0.5);
            EXPECT_EQ(tvktest::errtext(), "solver adapter: 3, 4 or 6 stress components expected " + count);
        }
        expect_refusal(UmatPoint(tvktest_umat_via_muesli, c[0], c[1], 4, {0.0}), de,
                       "solver adapter: 3, 4 or 6 stress components expected " + count);
    }
    // umat_krause has a law for six components only; umat_hail for (2, 1), (3, 1) and (3, 3).
    expect_refusal(UmatPoint(umat_krause, 3, 1, 42, endo), V(4, 1e-4),
                   "umat_krause: the law needs six stress components (4, material PLY)");
    for (const auto& c : {std::array<int, 2>{2, 2}, std::array<int, 2>{3, 0}, std::array<int, 2>{2, 3}}) {
        const int n = c[0] + c[1];
        expect_refusal(UmatPoint(umat_hail, c[0], c[1], 13, {70000.0, 0.3}), V(n, 1e-4),
                       "umat_hail: unsupported number of stress components " + named(n, "PLY"));
    }
}

// Direct and shear counts that do not add up to ntens, in the UMAT entry, the MUESLI form and a
// UMAT-facing adapter: the refused-point result; the tangent is cleared only where ntens gives it
// a size (1 to 6).
TEST(RefusedPoints, ComponentCountsThatDoNotAddUpAreRefusedPoints) {
    for (const int ntens : {5, 0, 7})
        for (auto* fn : {tvktest_told_umat, tvktest_umat_via_muesli}) {
            Call c(UmatPoint(fn, 3, 3, 5, {0.0}));
            c.p.ntens = ntens;
            c.p.ddsdde.assign(36, 9.0);
            const UmatPoint before = c.p;
            clear_errors();
            c.p.call(V(6, 1e-3));
            EXPECT_NE(tvktest::errtext().find("ndi and nshr must be 0 to 3 and add up to ntens"), std::string::npos);
            EXPECT_TRUE(c.p.stress == before.stress && c.p.statev == before.statev && c.p.sse == before.sse);
            const int cleared = ntens >= 1 && ntens <= 6 ? ntens * ntens : 0;
            EXPECT_EQ(std::count(c.p.ddsdde.begin(), c.p.ddsdde.end(), 0.0), cleared) << ntens;
            EXPECT_EQ(c.p.pnewdt, 0.5);
        }
    clear_errors();
}

}  // namespace
