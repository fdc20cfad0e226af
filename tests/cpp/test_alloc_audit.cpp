// Material, element and field routines of the solver make no heap allocation per call after the
// first: each is called twice as a solver calls it (every argument in storage the test owns) and
// the allocations of the second call are counted (alloc_counter.h). The first call may allocate
// (a kept work array, a table of the model).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "element_driver.h"
#include "explicit_block_driver.h"
#include "solver/fiber.h"
#include "solver/interfaces.h"
#include "solver/truss.h"
#include "solver/umat_hail.h"
#include "solver/umat_hyper.h"
#include "solver/umat_krause.h"
#include "solver/umat_lamina.h"
#include "solver/vumat_cartesian.h"

namespace {

using V = std::vector<double>;
using tvk::test::heap_allocations;

// The allocations of the second of two calls of f.
template <class F>
long second_call_allocations(F&& f) {
    f();
    const long before = heap_allocations();
    f();
    return heap_allocations() - before;
}

// One point of a UMAT-form routine with every argument held here, strained by a fixed increment.
struct Point {
    tvk::solver::Umat::Fn* fn;
    int ndi = 3, nshr = 3, ntens = 6, nstatv, nprops;
    V stress = V(6), statev, ddsdde = V(36), props, stran = V(6), dstran, ddsddt = V(6), drplde = V(6);
    double sse = 0, spd = 0, scd = 0, rpl = 0, drpldt = 0, time[2] = {0, 0}, dtime = 1, temp = 0, dtemp = 0;
    double predef[1] = {0}, dpred[1] = {0}, coords[3] = {0, 0, 0}, pnewdt = 1, celent = 1;
    double drot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, dfgrd0[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1},
           dfgrd1[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    int noel = 1, npt = 1, kslay = 1, kspt = 1, jstep[4] = {1, 1, 0, 0}, kinc = 1;
    char materl[80];

    Point(tvk::solver::Umat::Fn* f, int nsv, V p, V de)
        : fn(f), nstatv(nsv), nprops(static_cast<int>(p.size())), statev(nsv), props(std::move(p)),
          dstran(std::move(de)) {
        std::memset(materl, ' ', sizeof materl);
        std::memcpy(materl, "PLY", 3);
    }
    void operator()() {
        fn(stress.data(), statev.data(), ddsdde.data(), &sse, &spd, &scd, &rpl, ddsddt.data(), drplde.data(),
           &drpldt, stran.data(), dstran.data(), time, &dtime, &temp, &dtemp, predef, dpred, materl, &ndi, &nshr,
           &ntens, &nstatv, props.data(), &nprops, coords, drot, &pnewdt, &celent, dfgrd0, dfgrd1, &noel, &npt,
           &kslay, &kspt, jstep, &kinc, sizeof materl);
    }
};

const V nye = {140e3, 10e3, 10e3, 0.3, 0.3, 0.45, 5e3, 5e3, 3.5e3};
const V strain = {1e-3, -2e-4, -1e-4, 5e-4, 2e-4, 1e-4};

V with(V p, std::initializer_list<double> more) {
    p.insert(p.end(), more);
    return p;
}

TEST(AllocationAudit, ImplicitMaterialRoutinesAllocateOnlyOnTheirFirstCall) {
    struct Case {
        const char* name;
        tvk::solver::Umat::Fn* fn;
        int nstatv;
        V props;
        V de;
    };
    const V resin = {3000.0, 10.0, 0.35, 1500.0, 200.0, 100.0, 80.0, 60.0, 40.0, 20.0, 10.0};
    const Case cases[] = {
        {"umat_lamina", umat_lamina, 30, nye, strain},
        {"umat_fiber", umat_fiber, 12, with(nye, {1000.0, 600.0, 0.01}), strain},
        // Beyond the fibre strength: the failed branch.
        {"umat_fiber failed", umat_fiber, 12, with(nye, {1000.0, 600.0, 0.01}), {2e-2, 0, 0, 0, 0, 0}},
        {"umat_krause", umat_krause, 42, resin, strain},
        {"umat_hail", umat_hail, 13, {70000.0, 0.3, 1.0, 100.0, 0.0, 100.0, 1.0}, strain},
        {"umat_hyper", umat_hyper, 8, nye, strain},
    };
    for (const Case& c : cases) {
        Point p(c.fn, c.nstatv, c.props, c.de);
        EXPECT_EQ(second_call_allocations(p), 0) << c.name;
    }
}

TEST(AllocationAudit, ExplicitMaterialRoutineAllocatesOnlyOnItsFirstCall) {
    namespace prop = tvk::solver::cartesian::prop;
    namespace slot = tvk::solver::cartesian::slot;
    V p(prop::count, 0.0);
    p[prop::e11t] = 1e5, p[prop::e22t] = 8000, p[prop::e33] = 8000;
    p[prop::g12] = 4000, p[prop::g13] = 4000, p[prop::g23] = 3000;
    p[prop::x11t] = 1000, p[prop::x22t] = 50, p[prop::x33t] = 50;
    p[prop::x11c] = -800, p[prop::x22c] = 150, p[prop::x33c] = 150;
    p[prop::x12] = 60, p[prop::x13] = 60, p[prop::x23] = 40;
    tvktest::VumatBlock b(vumat_cartesian, 4, slot::count, p);
    b.start();
    b.set_increment_all({2e-3, 1e-3, 0, 5e-4, 0, 0});  // past the transverse strength: damage grows
    EXPECT_EQ(second_call_allocations([&] { b.call(); }), 0);
}

TEST(AllocationAudit, BarElementsAllocateOnlyOnTheirFirstCall) {
    tvktest::UelDriver e;
    e.props = {210e3, 7.8e-9, 12.5};
    e.u = {0, 0, 0, 1e-3, 2e-4, 0};
    EXPECT_EQ(second_call_allocations([&] { e.call(uel_truss); }), 0);
    tvktest::VuelDriver v(3);
    v.props = {210e3, 7.8e-9, 12.5};
    for (int k = 0; k < 3; ++k) v.X(k, 1, 0) = 1.0, v.U(k, 3) = 1e-3;
    EXPECT_EQ(second_call_allocations([&] { v.call(vuel_truss); }), 0);
}

}  // namespace
