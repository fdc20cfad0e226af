// Converters between solver interfaces and point kernels: the same kernel reached through every
// interface gives the same stress, tangent and state (reordered and rescaled as the interfaces
// require); outcomes reach each solver in its own way; inputs a kernel cannot use never reach it.
// Then the adapters, run as their solvers call them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "error_record.h"
#include "single_point_driver.h"
#include "solver/adapters.h"
#include "solver/converters.h"
#include "solver/fiber.h"
#include "solver/umat_lamina.h"

namespace {

using tvk::solver::Order;
using tvk::solver::Outcome;
using tvk::solver::Point;

// Nye positions of the components of a reduced point: (11, 22, 12) and (11, 22, 33, 12).
int nye_index(int k, int n) { return n == 3 && k == 2 ? 3 : k; }

// A test law written for Nye vectors only: stress += C dstran with a symmetric C made of props
// 1-21 (upper triangle by columns), the call count, largest stress magnitude, material id and
// the engineering 12 shear increment in the state; props(22) > 0 asks for a cut-back by that
// factor, props(23) > 0 fails.
Outcome test_kernel(Point<Order::nye>& p) {
    if (p.nprops >= 23 && p.props[22] > 0.0) return Outcome::fail("test kernel: told to fail", 7);
    const int n = p.ntens;
    double c[6][6];
    for (int j = 0, k = 0; j < 6; ++j)
        for (int i = 0; i <= j; ++i, ++k) c[i][j] = c[j][i] = p.props[k];
    double s0[6];
    for (int i = 0; i < n; ++i) s0[i] = p.stress[i];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double cij = c[nye_index(i, n)][nye_index(j, n)];
            p.ddsdde(i, j) = cij;
            p.stress[i] += cij * p.dstran[j];
        }
    double w = 0.0, big = 0.0;
    for (int i = 0; i < n; ++i) {
        w += 0.5 * (p.stress[i] + s0[i]) * p.dstran[i];
        big = std::max(big, std::fabs(p.stress[i]));
    }
    p.sse += w;
    if (p.nstatv >= 4) {
        p.statev[0] += 1.0;
        p.statev[1] = std::max(p.statev[1], big);
        p.statev[2] = p.matid;
        p.statev[3] = n > 3 ? p.dstran[3] : p.dstran[2];
    }
    if (p.nprops >= 22 && p.props[21] > 0.0) return Outcome::cut(p.props[21]);
    return Outcome::ok();
}

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_umat);
TVK_SOLVER_DECLARE(Usermat, tvktest_usermat);
TVK_SOLVER_DECLARE(Vumat, tvktest_vumat);
TVK_SOLVER_DECLARE(Upermat, tvktest_upermat);
TVK_SOLVER_DECLARE(Muesli, tvktest_muesli);
TVK_SOLVER_KERNEL(Umat, tvktest_umat, test_kernel)
TVK_SOLVER_KERNEL(Usermat, tvktest_usermat, test_kernel)
TVK_SOLVER_KERNEL(Vumat, tvktest_vumat, test_kernel)
TVK_SOLVER_KERNEL(Upermat, tvktest_upermat, test_kernel)
TVK_SOLVER_KERNEL(Muesli, tvktest_muesli, test_kernel)

namespace {

using tvktest::clear_errors;

// A random symmetric stiffness (21 values) and the two control properties.
std::vector<double> random_props(std::mt19937& g, double cut = 0.0, double fail = 0.0) {
    std::uniform_real_distribution<double> r(-50.0, 50.0);
    std::vector<double> p(23);
    for (int j = 0, k = 0; j < 6; ++j)
        for (int i = 0; i <= j; ++i, ++k) p[k] = i == j ? 1000.0 + r(g) : r(g);
    p[21] = cut;
    p[22] = fail;
    return p;
}

// One UMAT-interface call of a routine, every argument by pointer as a solver passes it.
struct Umat {
    int ndi, nshr, ntens, nstatv = 6, nprops;
    std::vector<double> stress, statev, ddsdde, stran, dstran, props;
    double sse = 0.25, spd = 0, scd = 0, pnewdt = 1.0, rpl = 0, drpldt = 0, dtime = 1, temp = 20, dtemp = 0;
    double time[2] = {0, 0}, predef[1] = {}, dpred[1] = {}, coords[3] = {}, drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double celent = 1, f0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, f1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<double> ddsddt, drplde;
    int noel = 3, npt = 2, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1, matid = 4;
    char materl[80];

    Umat(int ndi_, int nshr_, std::vector<double> p)
        : ndi(ndi_), nshr(nshr_), ntens(ndi_ + nshr_), nprops(static_cast<int>(p.size())), stress(ntens),
          statev(6), ddsdde(ntens * ntens), stran(ntens), dstran(ntens), props(std::move(p)), ddsddt(ntens),
          drplde(ntens) {
        std::memset(materl, ' ', sizeof materl);
    }
    template <class F>
    void call(F fn) {
        fn(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(), &drpldt,
           stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr, &ntens,
           &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, f0, f1, &noel, &npt, &kslay, &kspt, jstep,
           &kinc, sizeof materl);
    }
    void muesli(tvk::solver::Muesli::Fn* fn) {
        fn(&matid, stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(),
           &drpldt, stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr,
           &ntens, &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, f0, f1, &noel, &npt, &kslay,
           &kspt, jstep, &kinc, sizeof materl);
    }
};

// One USERMAT-interface call: vectors of six components in cyclic order.
struct Usermat {
    int matid = 4, elemid = 3, kd = 2, kl = 1, ks = 1, ldstep = 1, isubst = 1, keycut = 9, ndirect, nshear, ncomp,
        nstatev = 6, nprop;
    double time = 0, dtime = 1, temp = 20, dtemp = 0, sedel = 0.25, sedpl = 5, epseq = 5, var0 = 0, var[8] = {};
    double tsstif[2] = {}, epszz = 0, coords[3] = {}, f0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double f1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<double> stress, ustatev, dsdepl, strain, dstrain, epspl, prop;

    Usermat(int nd, int ns, std::vector<double> p)
        : ndirect(nd), nshear(ns), ncomp(nd + ns), nprop(static_cast<int>(p.size())), stress(ncomp), ustatev(6),
          dsdepl(ncomp * ncomp), strain(ncomp), dstrain(ncomp), epspl(ncomp), prop(std::move(p)) {}
    template <class F>
    void call(F fn) {
        fn(&matid, &elemid, &kd, &kl, &ks, &ldstep, &isubst, &keycut, &ndirect, &nshear, &ncomp, &nstatev, &nprop,
           &time, &dtime, &temp, &dtemp, stress.data(), ustatev.data(), dsdepl.data(), &sedel, &sedpl, &epseq,
           strain.data(), dstrain.data(), epspl.data(), prop.data(), coords, &var0, f0, f1, tsstif, &epszz, &var[0],
           &var[1], &var[2], &var[3], &var[4], &var[5], &var[6], &var[7]);
    }
};

constexpr int shapes[3][2] = {{3, 3}, {3, 1}, {2, 1}};

// Position in the cyclic order of Nye component k.
int cyc(int k, int n) { return tvk::solver::reorder(Order::cyclic, k, n); }

TEST(SolverConverters, UsermatAndUmatGiveTheSameStressTangentAndState) {
    std::mt19937 g(5);
    std::uniform_real_distribution<double> r(-1e-2, 1e-2);
    for (int rep = 0; rep < 60; ++rep) {
        const int nd = shapes[rep % 3][0], ns = shapes[rep % 3][1], n = nd + ns;
        Umat u(nd, ns, random_props(g));
        Usermat a(nd, ns, u.props);
        for (int k = 0; k < n; ++k) {
            u.stress[k] = 100 * r(g), u.dstran[k] = r(g);
            a.stress[cyc(k, n)] = u.stress[k], a.dstrain[cyc(k, n)] = u.dstran[k];
        }
        u.call(tvktest_umat);
        a.call(tvktest_usermat);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(a.stress[cyc(i, n)], u.stress[i]);
            for (int j = 0; j < n; ++j) EXPECT_EQ(a.dsdepl[cyc(i, n) + cyc(j, n) * n], u.ddsdde[i + j * n]);
        }
        EXPECT_EQ(a.sedel, u.sse);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(a.ustatev[k], k == 2 ? 4.0 : u.statev[k]);  // the id reaches
        EXPECT_EQ(u.statev[2], 0.0);                                                      // USERMAT only
        EXPECT_EQ(a.keycut, 0);
        EXPECT_EQ(a.sedpl, 0.0);
    }
}

TEST(SolverConverters, ExplicitBlockEqualsAPointLoopWithEngineeringShears) {
    std::mt19937 g(9);
    std::uniform_real_distribution<double> r(-1e-2, 1e-2);
    for (int shape = 0; shape < 2; ++shape) {
        const int nblock = 5, ndir = 3, nshr = shape ? 1 : 3, n = ndir + nshr, nstatev = 6, nfieldv = 1;
        const std::vector<double> props = random_props(g);
        const int nprops = static_cast<int>(props.size()), lanneal = 0;
        const double steptime = 1, totaltime = 2, dt = 0.01;
        char cmname[80];
        std::memset(cmname, ' ', sizeof cmname);
        std::vector<double> coord(nblock * 3), charl(nblock * 3, 1.0), density(nblock), stressold(nblock * n),
            stateold(nblock * nstatev), straininc(nblock * n), ein(nblock), einel(nblock), zeros(nblock * 9),
            stressnew(nblock * n), statenew(nblock * nstatev), einnew(nblock), einelnew(nblock);
        for (double& x : straininc) x = r(g);
        for (double& x : stressold) x = 1e4 * r(g);
        for (double& x : stateold) x = std::fabs(1e4 * r(g));
        for (int k = 0; k < nblock; ++k) density[k] = 1.5 + k, ein[k] = 0.1 * k;
        tvktest_vumat(&nblock, &ndir, &nshr, &nstatev, &nfieldv, &nprops, &lanneal, &steptime, &totaltime, &dt, cmname,
                      coord.data(), charl.data(), props.data(), density.data(), straininc.data(), zeros.data(),
                      zeros.data(), zeros.data(), zeros.data(), zeros.data(), stressold.data(), stateold.data(),
                      ein.data(), einel.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data(),
                      stressnew.data(), statenew.data(), einnew.data(), einelnew.data(), sizeof cmname);
        for (int k = 0; k < nblock; ++k) {
            Umat u(ndir, nshr, props);
            u.sse = 0.0;
            for (int c = 0; c < n; ++c) {
                const int y = cyc(c, n);  // column of Nye component c in the block
                u.stress[c] = stressold[k + nblock * y];
                u.dstran[c] = (c >= ndir ? 2.0 : 1.0) * straininc[k + nblock * y];
            }
            for (int s = 0; s < nstatev; ++s) u.statev[s] = stateold[k + nblock * s];
            u.call(tvktest_umat);
            for (int c = 0; c < n; ++c) EXPECT_EQ(stressnew[k + nblock * cyc(c, n)], u.stress[c]) << k << " " << c;
            for (int s = 0; s < nstatev; ++s) EXPECT_EQ(statenew[k + nblock * s], u.statev[s]);
            EXPECT_EQ(einnew[k], ein[k] + u.sse / density[k]);
            EXPECT_EQ(einelnew[k], 0.0);
        }
    }
}

TEST(SolverConverters, PeridigmBlockAddsEachPointsResponseToItsOldStress) {
    std::mt19937 g(11);
    std::uniform_real_distribution<double> r(-1e-2, 1e-2);
    const int npoint = 4, ndir = 3, nshr = 3, n = 6, nstatev = 6, matid = 7;
    const std::vector<double> props = random_props(g);
    const int nprops = static_cast<int>(props.size());
    const double steptime = 0.5, totaltime = 1.5, dt = 0.1;
    std::vector<double> stressold(npoint * n), stateold(npoint * nstatev), straininc(npoint * n),
        stressnew(npoint * n), statenew(npoint * nstatev);
    for (double& x : stressold) x = 1e4 * r(g);
    for (double& x : straininc) x = r(g);
    tvktest_upermat(stressnew.data(), statenew.data(), stressold.data(), stateold.data(), straininc.data(),
                    props.data(), &steptime, &totaltime, &dt, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    for (int k = 0; k < npoint; ++k) {
        Umat u(ndir, nshr, props);
        for (int c = 0; c < n; ++c) u.stress[c] = stressold[k + npoint * c], u.dstran[c] = straininc[k + npoint * c];
        u.call(tvktest_umat);
        for (int c = 0; c < n; ++c) EXPECT_EQ(stressnew[k + npoint * c], stressold[k + npoint * c] + u.stress[c]);
        EXPECT_EQ(statenew[k + npoint * 2], matid);
        EXPECT_EQ(statenew[k + npoint * 0], 1.0);
    }
}

TEST(SolverConverters, MuesliFormEqualsTheUmatAndHandsOnTheId) {
    std::mt19937 g(13);
    Umat u(3, 3, random_props(g)), m = u;
    u.dstran = m.dstran = {1e-3, -2e-3, 3e-4, 1e-3, 2e-3, -1e-3};
    u.call(tvktest_umat);
    m.muesli(tvktest_muesli);
    EXPECT_EQ(m.stress, u.stress);
    EXPECT_EQ(m.ddsdde, u.ddsdde);
    EXPECT_EQ(m.statev[2], 4.0);
}

TEST(SolverConverters, CutBackAndFailureReachEachSolverInItsOwnWay) {
    std::mt19937 g(17);
    clear_errors();
    Umat u(3, 3, random_props(g, 0.25));
    u.pnewdt = 0.75;
    u.call(tvktest_umat);
    EXPECT_EQ(u.pnewdt, 0.25);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    Usermat a(3, 3, u.props);
    a.call(tvktest_usermat);
    EXPECT_EQ(a.keycut, 1);
    // A block interface cannot cut back: the request becomes a warning.
    const int npoint = 1, ndir = 3, nshr = 3, nstatev = 6, nprops = 23, matid = 1;
    const double t = 0;
    std::vector<double> so(6), st(6), de(6, 1e-3), sn(6), stn(6);
    tvktest_upermat(sn.data(), stn.data(), so.data(), st.data(), de.data(), u.props.data(), &t, &t, &t, &matid,
                    &npoint, &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(tvk::errorhandling.errstat, -2);
    // A failure is a level -3 record with the kernel's text; the point keeps its stress.
    clear_errors();
    Umat f(3, 3, random_props(g, 0.0, 1.0));
    f.stress = {1, 2, 3, 4, 5, 6};
    f.call(tvktest_umat);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(tvktest::errtext(), "test kernel: told to fail");
    EXPECT_EQ(f.stress, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(f.pnewdt, 1.0);
    clear_errors();
}

TEST(SolverConverters, NonFiniteInputsNeverReachAKernel) {
    std::mt19937 g(19);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf}) {
        for (int where = 0; where < 4; ++where) {
            clear_errors();
            Umat u(3, 3, random_props(g));
            u.statev = {5, 6, 7, 8, 9, 10};
            u.stress = {1, 2, 3, 4, 5, 6};
            if (where == 0) u.dstran[4] = bad;
            if (where == 1) u.stran[0] = bad;
            if (where == 2) u.stress[5] = bad;
            if (where == 3) u.temp = bad;
            u.call(tvktest_umat);
            EXPECT_EQ(u.statev, (std::vector<double>{5, 6, 7, 8, 9, 10}));
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_LE(u.pnewdt, 0.5);
            for (double c : u.ddsdde) EXPECT_EQ(c, 0.0);
            Usermat a(3, 3, u.props);
            a.dstrain[1] = bad;
            a.call(tvktest_usermat);
            EXPECT_EQ(a.keycut, 1);
        }
    }
    clear_errors();
}

// A NaN strain once marked the fibre failed for good: the exposure (state 3) took the NaN
// comparison's branch and stayed at 1.
TEST(SolverConverters, UmatFiberNanStrainDoesNotFailTheFibre) {
    Umat u(3, 3, {140e3, 9e3, 9e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3e3, 2000, 1200, 0.1});
    u.statev.assign(14, 0.0);
    u.nstatv = 14;
    u.statev[2] = 0.25;
    u.dstran[0] = std::numeric_limits<double>::quiet_NaN();
    clear_errors();
    u.call(umat_fiber);
    EXPECT_EQ(u.statev[2], 0.25);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    u.dstran[0] = 1e-3;
    clear_errors();
    u.call(umat_fiber);
    EXPECT_NEAR(u.statev[2], 0.25, 1e-15);  // 140 / 2000 < 0.25: the largest exposure is kept
    clear_errors();
}

// umat_lamina with ndi = -2^31 copied from outside its stress buffer into the state vector.
TEST(SolverConverters, UmatLaminaNegativeNdiIsRefused) {
    const int cases[][3] = {{std::numeric_limits<int>::min(), 3, 6}, {-2, 8, 6}, {3, 3, 4}, {4, 2, 6}, {3, 3, 7},
                            {0, 0, 0}};
    for (const auto& c : cases) {
        Umat u(3, 3, {140e3, 9e3, 9e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3e3});
        u.statev.assign(30, 7.0);
        u.nstatv = 30;
        u.stress = {1, 2, 3, 4, 5, 6};
        u.ndi = c[0], u.nshr = c[1], u.ntens = c[2];
        clear_errors();
        u.call(umat_lamina);
        EXPECT_EQ(tvk::errorhandling.errstat, -3);
        EXPECT_EQ(u.statev, std::vector<double>(30, 7.0));
        EXPECT_EQ(u.stress, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    }
    clear_errors();
}

// ---- The adapters ---------------------------------------------------------------------------------

// umat_fiber's law through two adapters: UMAT -> USERMAT (ansys_usermat_to_abq_umat around the
// USERMAT form of it) -> UMAT (abq_umat_to_ansys_usermat around umat_fiber). With six components
// the three-dimensional expansion and both reorderings are exact.
}  // namespace

TVK_SOLVER_DECLARE(Usermat, tvktest_usermat_from_umat_fiber);

namespace {

void usermat_from_umat_fiber(const tvk::solver::Usermat& a) {
    tvk::solver::Usermat::call([](auto... x) { abq_umat_to_ansys_usermat(umat_fiber, x...); }, a);
}
void umat_fiber_through_two_adapters(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { ansys_usermat_to_abq_umat(tvktest_usermat_from_umat_fiber, x...); }, a);
}

}  // namespace

TVK_SOLVER_ENTRY(Usermat, tvktest_usermat_from_umat_fiber, usermat_from_umat_fiber)
TVK_SOLVER_DECLARE(Umat, tvktest_fiber_two_adapters);
TVK_SOLVER_ENTRY(Umat, tvktest_fiber_two_adapters, umat_fiber_through_two_adapters)

namespace {

TEST(SolverAdapters, UmatThroughUsermatAndBackEqualsTheUmat) {
    std::mt19937 g(23);
    std::uniform_real_distribution<double> r(-2e-3, 2e-3);
    const std::vector<double> props = {140e3, 9e3, 9.5e3, 0.3, 0.28, 0.45, 5e3, 4.5e3, 3e3, 2000, 1200, 0.1};
    for (int rep = 0; rep < 20; ++rep) {
        Umat direct(3, 3, props);
        direct.statev.assign(14, 0.0);
        direct.nstatv = 14;
        for (int k = 0; k < 6; ++k) direct.stran[k] = r(g), direct.dstran[k] = r(g), direct.stress[k] = 1e3 * r(g);
        Umat twice = direct;
        direct.call(umat_fiber);
        twice.call(tvktest_fiber_two_adapters);
        EXPECT_EQ(twice.stress, direct.stress);
        EXPECT_EQ(twice.ddsdde, direct.ddsdde);
        EXPECT_EQ(twice.statev, direct.statev);
    }
}

// The solver-side view of ansys_usermat_to_abq_umat(usermat_fiber): a UMAT routine, driven along
// a strain path with its state carried and its tangent checked against the stress.
void umat_from_usermat_fiber(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { ansys_usermat_to_abq_umat(usermat_fiber, x...); }, a);
}

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_umat_from_usermat_fiber);
TVK_SOLVER_ENTRY(Umat, tvktest_umat_from_usermat_fiber, umat_from_usermat_fiber)

namespace {

// Solid and plane-strain points (the adapter does not iterate a plane-stress point to zero
// through-thickness stress: its stress comes from the 3-D state with that strain zero).
TEST(SolverAdapters, UsermatLawDrivenAsAUmatAlongAStrainPath) {
    const std::vector<double> props = {140e3, 9e3, 9.5e3, 0.3, 0.28, 0.45, 5e3, 4.5e3, 3e3};
    for (const auto& shape : {shapes[0], shapes[1]}) {
        tvktest::UmatPoint p(tvktest_umat_from_usermat_fiber, shape[0], shape[1], 4, props, "PLY_m@2@");
        const int n = p.ntens;
        std::vector<double> step(n);
        for (int inc = 0; inc < 6; ++inc) {
            for (int k = 0; k < n; ++k) step[k] = (inc < 4 ? 1.0 : -1.5) * 1e-4 * (k + 1);
            tvktest::check_tangent(p, step);
            clear_errors();
            p.increment(step);
            EXPECT_EQ(tvk::errorhandling.errstat, 0);
            EXPECT_EQ(p.pnewdt, 1.0);
        }
        // The stress is the stiffness times the total strain (a linear law, incremental form).
        for (int i = 0; i < n; ++i) {
            double s = 0.0;
            for (int j = 0; j < n; ++j) s += p.tangent(i, j) * p.stran[j];
            EXPECT_NEAR(p.stress[i], s, 1e-9 * std::fabs(s) + 1e-9);
        }
    }
}

TEST(SolverAdapters, PeridigmBlockOfUmatLamina) {
    // A secant law of stiffness K: every point returns S + K d.
    const std::vector<double> props = {140e3, 9e3, 9.5e3, 0.3, 0.28, 0.45, 5e3, 4.5e3, 3e3};
    const int npoint = 3, ndir = 3, nshr = 3, nstatev = 8, nprops = 9, matid = 1;
    const double steptime = 0.5, totaltime = 1.5, dt = 0.1;
    std::mt19937 g(29);
    std::uniform_real_distribution<double> r(-1e-3, 1e-3);
    std::vector<double> so(npoint * 6), st(npoint * nstatev), de(npoint * 6), sn(npoint * 6), stn(npoint * nstatev);
    for (double& x : so) x = 1e5 * r(g);
    for (double& x : de) x = r(g);
    clear_errors();
    abq_umat_to_peridigm_upermat(umat_lamina, sn.data(), stn.data(), so.data(), st.data(), de.data(), props.data(),
                                 &steptime, &totaltime, &dt, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(tvk::errorhandling.errstat, 0);
    Umat k(3, 3, props);
    k.dstran = {1, 0, 0, 0, 0, 0};
    std::vector<double> kmat(36);
    k.call(umat_lamina);
    kmat = k.ddsdde;
    for (int p = 0; p < npoint; ++p)
        for (int i = 0; i < 6; ++i) {
            double s = so[p + npoint * i];
            for (int j = 0; j < 6; ++j) s += kmat[i + 6 * j] * de[p + npoint * j];
            EXPECT_NEAR(sn[p + npoint * i], s, 1e-9 * std::fabs(s));
        }
}

// ansys_usermat_to_abq_umat: a USERMAT routine that sets keycut gives its UMAT caller a cut-back,
// also a caller that passes pnewdt = -1 for "no request", and the point is computed.
void umat_from_usermat_test(const tvk::solver::Umat& a) {
    tvk::solver::Umat::call([](auto... x) { ansys_usermat_to_abq_umat(tvktest_usermat, x...); }, a);
}

}  // namespace

TVK_SOLVER_DECLARE(Umat, tvktest_umat_from_usermat_test);
TVK_SOLVER_ENTRY(Umat, tvktest_umat_from_usermat_test, umat_from_usermat_test)

namespace {

TEST(SolverAdapters, UsermatKeycutBecomesACutBackOfTheUmatCaller) {
    std::mt19937 g(31);
    for (const double pnewdt : {1.0, 0.75, -1.0, 0.25}) {
        for (const double cut : {0.0, 0.125}) {
            Umat direct(3, 3, random_props(g, cut));
            direct.dstran = {1e-3, -2e-4, 3e-4, 1e-4, 0, -1e-4};
            direct.stress = {1, 2, 3, 4, 5, 6};
            Umat adapted = direct;
            direct.call(tvktest_umat);
            adapted.pnewdt = pnewdt;
            clear_errors();
            adapted.call(tvktest_umat_from_usermat_test);
            EXPECT_EQ(tvk::errorhandling.errstat, 0);
            // The adapter starts from pnewdt 1; keycut 1 asks for half the increment.
            EXPECT_EQ(adapted.pnewdt, cut > 0.0 ? 0.5 : 1.0) << pnewdt;
            for (int i = 0; i < 6; ++i) EXPECT_NEAR(adapted.stress[i], direct.stress[i], 1e-9 * std::fabs(direct.stress[i]));
        }
    }
}

TEST(SolverAdapters, NullRoutineIsRefused) {
    Usermat a(3, 3, {1.0});
    clear_errors();
    a.call([](auto... x) { abq_umat_to_ansys_usermat(nullptr, x...); });
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    clear_errors();
}

// Without a routine every adapter gives the refused result of its interface: stress, state and
// energy as they came, a zero tangent and a cut-back (keycut 1; 0 < pnewdt <= 0.5, also from -1);
// each Peridigm point keeps its old stress and state.
TEST(SolverAdapters, NullRoutineGivesEachInterfaceItsRefusedResult) {
    Usermat a(3, 3, {1.0});
    a.stress = {1, 2, 3, 4, 5, 6}, a.ustatev.assign(6, 0.5), a.dsdepl.assign(36, 7.0), a.keycut = 0;
    clear_errors();
    a.call([](auto... x) { abq_umat_to_ansys_usermat(nullptr, x...); });
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(a.keycut, 1);
    EXPECT_EQ(a.dsdepl, std::vector<double>(36, 0.0));
    EXPECT_EQ(a.stress, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(a.ustatev, std::vector<double>(6, 0.5));
    EXPECT_EQ(a.sedel, 0.25);
    for (const double pnewdt : {1.0, -1.0}) {
        for (const bool muesli : {false, true}) {
            Umat u(3, 1, {1.0});
            u.stress = {1, 2, 3, 4}, u.statev.assign(6, 0.5), u.ddsdde.assign(16, 7.0), u.pnewdt = pnewdt;
            clear_errors();
            if (muesli)
                muesli_to_abq_umat(nullptr, u.stress.data(), u.statev.data(), u.ddsdde.data(), &u.sse, &u.spd, &u.scd,
                                   &u.rpl, u.ddsddt.data(), u.drplde.data(), &u.drpldt, u.stran.data(),
                                   u.dstran.data(), u.time, &u.dtime, &u.temp, &u.dtemp, u.predef, u.dpred, u.materl,
                                   &u.ndi, &u.nshr, &u.ntens, &u.nstatv, u.props.data(), &u.nprops, u.coords, u.drot,
                                   &u.pnewdt, &u.celent, u.f0, u.f1, &u.noel, &u.npt, &u.kslay, &u.kspt, u.jstep,
                                   &u.kinc, &u.matid, sizeof u.materl);
            else
                u.call([](auto... x) { ansys_usermat_to_abq_umat(nullptr, x...); });
            EXPECT_EQ(tvk::errorhandling.errstat, -3);
            EXPECT_EQ(u.pnewdt, 0.5);
            EXPECT_EQ(u.ddsdde, std::vector<double>(16, 0.0));
            EXPECT_EQ(u.stress, (std::vector<double>{1, 2, 3, 4}));
            EXPECT_EQ(u.statev, std::vector<double>(6, 0.5));
            EXPECT_EQ(u.sse, 0.25);
        }
    }
    const int npoint = 2, ndir = 2, nshr = 1, nstatev = 2, nprops = 1, matid = 1;
    const double steptime = 0, totaltime = 0, dt = 1, props = 1;
    std::vector<double> so = {1, 2, 3, 4, 5, 6}, st = {7, 8, 9, 10}, de(6, 1e-3), sn(6, 99.0), stn(4, 99.0);
    clear_errors();
    abq_umat_to_peridigm_upermat(nullptr, sn.data(), stn.data(), so.data(), st.data(), de.data(), &props, &steptime,
                                 &totaltime, &dt, &matid, &npoint, &ndir, &nshr, &nstatev, &nprops);
    EXPECT_EQ(tvk::errorhandling.errstat, -3);
    EXPECT_EQ(sn, so);
    EXPECT_EQ(stn, st);
    clear_errors();
}

}  // namespace

// A host's routine that returns a NaN stress and a singular tangent.
TVK_SOLVER_DECLARE(Umat, tvktest_nan_stress_umat);
static void nan_stress(const tvk::solver::Umat& a) {
    a.stress[0] = std::numeric_limits<double>::quiet_NaN();
    for (int k = 0; k < a.ntens * a.ntens; ++k) a.ddsdde[k] = 0.0;
}
TVK_SOLVER_ENTRY(Umat, tvktest_nan_stress_umat, nan_stress)

namespace {

// The ANSYS adapter around a host's routine with a NaN stress refuses the point at level -3: the
// engineering constants of its singular tangent are not computed, so no warning of theirs stands
// in the record for the refused point; tsstif and epszz come back as they came.
TEST(SolverAdapters, HostRoutineWithANanStressIsRefusedAtLevelMinusThree) {
    for (const int nd : {3, 2}) {
        Usermat a(nd, 1, {1.0});
        a.tsstif[0] = 3.0, a.tsstif[1] = 4.0, a.epszz = 5.0;
        clear_errors();
        a.call([](auto... x) { abq_umat_to_ansys_usermat(tvktest_nan_stress_umat, x...); });
        EXPECT_EQ(tvk::errorhandling.errstat, -3) << tvktest::errtext();
        EXPECT_NE(tvktest::errtext().find("non-finite result"), std::string::npos) << tvktest::errtext();
        EXPECT_EQ(a.keycut, 1);
        EXPECT_EQ(a.stress, std::vector<double>(a.ncomp, 0.0));
        EXPECT_EQ(a.dsdepl, std::vector<double>(a.ncomp * a.ncomp, 0.0));
        EXPECT_TRUE(a.tsstif[0] == 3.0 && a.tsstif[1] == 4.0 && a.epszz == 5.0);
    }
    clear_errors();
}

}  // namespace
